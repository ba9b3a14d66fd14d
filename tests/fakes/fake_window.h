// A window the native build can observe: what was posted to it (and whether StatusLock was
// held at the time), how often it was invalidated, and the visibility that IsWindowVisible
// reports.
#pragma once

#include "app/base.h"

struct PostedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD tick; // ms
};

constexpr int FakePostCapacity = 256;

// The handle that tests give MainWindow.
HWND FakeWindowHandle();

// Clears the record and makes the window hidden.
void ResetFakeWindow();
void SetFakeWindowVisible(bool visible);
int FakePostCount();
PostedMessage FakePosted(int index);
int FakeInvalidateCount();
int FakePostsUnderStatusLock();

// Whether any thread holds StatusLock at this moment (a try-lock that is given back at once).
bool StatusLockHeld();
