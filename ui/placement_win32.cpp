#include "ui/placement.h"

#include "app/base.h"

#include <shellapi.h>

#include "app/shared_state.h"
#include "app/shell.h"
#include "app/shell_win32.h"
#include "ui/fonts.h"
#include "ui/tray_icon.h"
#include "ui/window_manager.h"

namespace {

// The invisible resize borders last measured, and the DPI they were measured at (interface
// thread). The window manager may not know them while the window has never been shown.
PixelRect KnownBorders = {};
int KnownBordersDpi = 0;

PixelRect FromRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The window's outer size (what SetWindowPos takes), the borders inside it on each side that
// Windows 10 and 11 draw nothing in, and the size of the visible window within.
struct WindowFit {
    int32_t width;
    int32_t height;
    PixelRect borders;
    int32_t visibleWidth;
    int32_t visibleHeight;
};

// The invisible borders at `dpi`: the window's outer rectangle less its visible frame.
PixelRect InvisibleBorders(HWND window, int dpi)
{
    RECT outer = {}, visible = {};
    if (GetWindowRect(window, &outer) && VisibleFrame(window, &visible)) {
        const PixelRect b = {visible.left - outer.left, visible.top - outer.top,
                             outer.right - visible.right, outer.bottom - visible.bottom};
        if (b.left >= 0 && b.top >= 0 && b.right >= 0 && b.bottom >= 0 &&
            (b.left | b.top | b.right | b.bottom) != 0) {
            KnownBorders = b;
            KnownBordersDpi = CurrentDpi;
        }
    }
    if (KnownBordersDpi == 0) return {};
    const PixelRect& b = KnownBorders;
    return {MulDiv(b.left, dpi, KnownBordersDpi), MulDiv(b.top, dpi, KnownBordersDpi),
            MulDiv(b.right, dpi, KnownBordersDpi), MulDiv(b.bottom, dpi, KnownBordersDpi)};
}

// Lays the dashboard out for a monitor of `dpi` (LayoutDpi and the fonts follow) and sizes
// the window for it.
WindowFit FitFor(HWND window, const PixelRect& work, int dpi)
{
    WindowFit fit;
    fit.borders = InvisibleBorders(window, dpi);
    RECT frame = {};
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)),
                             static_cast<UINT>(dpi));
    const int32_t frameWidth = frame.right - frame.left;
    const int32_t frameHeight = frame.bottom - frame.top;
    const int32_t layout =
        FitLayoutDpi(dpi, work, frameWidth - fit.borders.left - fit.borders.right,
                     frameHeight - fit.borders.top - fit.borders.bottom);
    if (layout != LayoutDpi) {
        LayoutDpi = layout;
        RebuildFonts();
    }
    fit.width = Scale(ClientWidth96, layout) + frameWidth;
    fit.height = Scale(ClientHeight96, layout) + frameHeight;
    fit.visibleWidth = fit.width - fit.borders.left - fit.borders.right;
    fit.visibleHeight = fit.height - fit.borders.top - fit.borders.bottom;
    return fit;
}

// Sizes the window and puts its visible top-left corner at `at`.
void MoveVisibleTo(HWND window, PixelPoint at, const WindowFit& fit)
{
    SetWindowPos(window, nullptr, at.x - fit.borders.left, at.y - fit.borders.top, fit.width,
                 fit.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The visible top-left corner of a window of that fit whose outer corner is at (x, y).
PixelPoint VisibleCorner(int32_t x, int32_t y, const WindowFit& fit)
{
    return {x + fit.borders.left, y + fit.borders.top};
}

// A visible corner moved as little as keeps the fitted window inside the work area.
PixelPoint Inside(PixelPoint corner, const WindowFit& fit, const PixelRect& work, int dpi)
{
    return KeepInside(corner, fit.visibleWidth, fit.visibleHeight, work, dpi);
}

// Interface thread: the user moves or sizes the window in the system's loop (between
// WM_ENTERSIZEMOVE and WM_EXITSIZEMOVE), and its DPI changed meanwhile.
bool InMoveLoop = false;
bool RefitAfterMove = false;

// The window's DPI as the system has it now, which CurrentDpi takes: a hidden window moved
// to another monitor may have had no WM_DPICHANGED, so the value held can be stale.
int WindowDpi(HWND window)
{
    const UINT dpi = GetDpiForWindow(window);
    if (dpi) CurrentDpi = static_cast<int>(dpi);
    FollowWindowIconDpi(window, CurrentDpi);
    return CurrentDpi;
}

int DpiOf(HMONITOR monitor)
{
    const int dpi = MonitorDpi(monitor);
    return dpi > 0 ? dpi : CurrentDpi;
}

} // namespace

bool FindTrayWorkArea(PixelRect* icon, bool* iconFound, PixelRect* work, int* dpi)
{
    HMONITOR monitor = nullptr;
    RECT iconRect = {};
    bool found = false;
    if (TrayAdded) {
        NOTIFYICONIDENTIFIER identifier = {};
        identifier.cbSize = sizeof identifier;
        if (TrayUsesGuid) {
            identifier.guidItem = TrayIconGuid;
        } else {
            identifier.hWnd = MainWindow;
            identifier.uID = TrayIconId;
        }
        found = SUCCEEDED(Shell_NotifyIconGetRect(&identifier, &iconRect));
    }
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (found) {
        // Windows 11 reports success with a wrong rectangle for an icon in the overflow
        // flyout: only a rectangle on the taskbar is believed.
        monitor = MonitorFromRect(&iconRect, MONITOR_DEFAULTTOPRIMARY);
        found = GetMonitorInfoW(monitor, &info) &&
                IconOnTaskbar(FromRect(iconRect), FromRect(info.rcMonitor), FromRect(info.rcWork));
    }
    if (!found) {
        monitor = MonitorFromWindow(MainWindow, MONITOR_DEFAULTTOPRIMARY);
        if (!GetMonitorInfoW(monitor, &info)) return false;
    }
    *icon = FromRect(iconRect);
    *iconFound = found;
    *work = FromRect(info.rcWork);
    *dpi = DpiOf(monitor);
    return true;
}

void PlaceNearTray()
{
    PixelRect icon;
    PixelRect work;
    bool found = false;
    int dpi = CurrentDpi;
    if (!FindTrayWorkArea(&icon, &found, &work, &dpi)) return;
    // Sized for the monitor it goes to before it moves there.
    const WindowFit fit = FitFor(MainWindow, work, dpi);
    const PixelPoint at =
        PlaceNearIcon(found ? &icon : nullptr, work, fit.visibleWidth, fit.visibleHeight, dpi);
    MoveVisibleTo(MainWindow, at, fit);
    WindowDpi(MainWindow);
}

void FollowDpiChange(HWND window, int dpi, const RECT& suggested)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    // The suggested rectangle scales the window, layout included, and keeps it under the
    // pointer of a user dragging it: taken as it is then, and fitted when the drag ends (any
    // other size or corner makes the window jump under the pointer).
    if (InMoveLoop || !GetMonitorInfoW(MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST), &info)) {
        const int layout = MulDiv(LayoutDpi, dpi, CurrentDpi);
        LayoutDpi = layout > 0 ? layout : dpi;
        CurrentDpi = dpi;
        RebuildFonts();
        SetWindowPos(window, nullptr, suggested.left, suggested.top,
                     suggested.right - suggested.left, suggested.bottom - suggested.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        RefitAfterMove = InMoveLoop;
        return;
    }
    // Otherwise the window's own fit for the new DPI replaces the suggested size, and the
    // corner is kept inside the work area instead of running under the taskbar.
    const PixelRect work = FromRect(info.rcWork);
    const WindowFit fit = FitFor(window, work, dpi);
    CurrentDpi = dpi;
    MoveVisibleTo(window, Inside(VisibleCorner(suggested.left, suggested.top, fit), fit, work, dpi), fit);
}

void FollowMoveLoop(HWND window, bool entering)
{
    InMoveLoop = entering;
    if (entering || !RefitAfterMove) return;
    RefitAfterMove = false;
    FitToWorkArea(window);
}

void FitToWorkArea(HWND window)
{
    if (IsIconic(window)) return; // its place and size are those it is restored to
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    RECT outer = {};
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info) ||
        !GetWindowRect(window, &outer)) {
        return;
    }
    const PixelRect work = FromRect(info.rcWork);
    const int dpi = WindowDpi(window);
    const WindowFit fit = FitFor(window, work, dpi);
    MoveVisibleTo(window, Inside(VisibleCorner(outer.left, outer.top, fit), fit, work, dpi), fit);
}
