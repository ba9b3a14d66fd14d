// Where the main window goes and how large it is: next to the tray icon, inside the work
// area with a margin, the dashboard laid out at a lower DPI when it would not fit otherwise.
// Positions and sizes are device pixels of the monitor; sizes are of the visible window.
#pragma once

#include "ui/geometry.h"

constexpr int32_t PlacementMargin96 = 12; // logical pixels from the work area's edges
constexpr int32_t MinimumLayoutDpi = 48;  // the dashboard is never laid out smaller

struct PixelPoint {
    int32_t x;
    int32_t y;
};

// True when the icon's rectangle is worth placing by: not empty, on the monitor and outside
// its work area, that is on the taskbar. (An icon in the overflow flyout, or a wrong
// rectangle, lies elsewhere.)
bool IconOnTaskbar(const PixelRect& icon, const PixelRect& monitor, const PixelRect& work);

// The top-left corner `at` moved so that a window of `width` x `height` keeps the margin to
// the work area's edges; the top-left corner wins when the window is too large.
PixelPoint KeepInside(PixelPoint at, int32_t width, int32_t height, const PixelRect& work,
                      int32_t dpi);

// Top-left corner for a window centred on the icon (or, without one, on the work area's
// bottom-right corner), kept inside.
PixelPoint PlaceNearIcon(const PixelRect* icon, const PixelRect& work, int32_t width,
                         int32_t height, int32_t dpi);

// The DPI to lay the dashboard out at on a monitor of `dpi`: `dpi` itself when the client at
// that DPI, `frameWidth` x `frameHeight` of visible frame and the margin on every side fit the
// work area, else the largest lower DPI at which they do (at least MinimumLayoutDpi).
int32_t FitLayoutDpi(int32_t dpi, const PixelRect& work, int32_t frameWidth, int32_t frameHeight);

// A tray menu opened from the keyboard: at the icon's centre (the system turns it to fit the
// screen), or, without the icon's rectangle, with its bottom-right corner on the work area's.
struct MenuAnchor {
    PixelPoint at;
    bool bottomRight; // the menu's bottom-right corner is at `at`, else its top-left
};
MenuAnchor KeyboardMenuAnchor(const PixelRect* icon, const PixelRect& work);

// Whether a right-button or context-menu notice of the icon came from the keyboard. Without
// a notification version the shell sends a keyboard selection as mouse messages, but a click
// with the mouse follows a move report over the icon: a pointer that is not within `slack`
// of where the last one found it (`lastOverIcon`, none when there was none) clicked nothing.
bool TrayNoticeFromKeyboard(const PixelPoint* lastOverIcon, PixelPoint cursor, int32_t slack);

// Windows side (placement_win32.cpp), interface thread.

// The tray icon's screen rectangle when the shell tells one on the taskbar (`*iconFound`), and
// the work area and DPI of the monitor that holds it, or the main window without it. False
// when the monitor cannot be asked.
bool FindTrayWorkArea(PixelRect* icon, bool* iconFound, PixelRect* work, int* dpi);

// Sizes the hidden main window for the monitor that holds the tray icon (or the window) and
// moves it next to the icon.
void PlaceNearTray();

// WM_DPICHANGED: the window's new DPI, sized to fit the monitor under the suggested
// rectangle, at its top-left corner kept inside the work area; while the user drags it, the
// suggested rectangle itself.
void FollowDpiChange(HWND window, int dpi, const RECT& suggested);

// WM_ENTERSIZEMOVE (`entering`) and WM_EXITSIZEMOVE: a window whose DPI changed during the
// drag is fitted to its monitor when the drag ends.
void FollowMoveLoop(HWND window, bool entering);

// The window sized anew for its monitor's work area (after a change of the work area or the
// display, and at start-up), kept inside it.
void FitToWorkArea(HWND window);
