// The Windows side of the application shell: process handles, the window procedure, and
// the operations that start-up, the window procedure and shutdown share.
#pragma once

#include "app/base.h"

extern HINSTANCE Instance;    // interface thread; the program's own module
extern HICON AppIcon;         // interface thread; icon group 101 at the default size, never destroyed
extern HANDLE InstanceMutex;  // interface thread; null when it could not be created
extern HANDLE WorkerThread;   // interface thread; null when no worker was started

// Win32 calls see the core's UTF-16 text as wchar_t, which is 16-bit on this target.
inline const wchar_t* Wide(const char16_t* text)
{
    return reinterpret_cast<const wchar_t*>(text);
}

// Fills VersionMajor, VersionMinor and VersionBuild from the program's own version
// resource; leaves them 0 when it cannot.
void ReadOwnVersion();

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Opens the dashboard: restores a minimised window in place, places and shows a hidden one
// next to the tray, then brings it forward, wakes the worker and repaints.
void ShowDashboard();

// The tray retry timer's tick: one more add, shown like the first; the timer ends with the
// icon up or the tries used up.
void RetryTrayIcon();

// After an add the shell refused: the tries of the retry timer, from now.
void RetryTrayIconLater();

// The main window's WM_DESTROY: removes the tray icon, lets go of the instance mutex, stops
// the worker and ends the message loop; main then waits for the worker.
void Shutdown();

// The window's small icon (caption, Alt+Tab) for `dpi`, at start-up and on every DPI change:
// the class's own, drawn for the system's DPI, until another size is needed.
void FollowWindowIconDpi(HWND window, int dpi);
