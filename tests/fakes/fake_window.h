// A window the native build can observe: what was posted to it (and whether StatusLock was
// held at the time), how often it was invalidated, the visibility that IsWindowVisible
// reports, and whether its session is at the console.
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

// What AtActiveConsole answers (true after ResetFakeWindow).
void SetFakeAtConsole(bool atConsole);

// Whether any thread holds StatusLock at this moment (a try-lock that is given back at once).
bool StatusLockHeld();
