// The main window's small icon at the window's DPI.
#include "app/shell.h"
#include "app/shell_win32.h"

static HICON WindowSmallIcon = nullptr; // interface thread: the icon set last, or none (the class's)
static int WindowSmallIconSize = 0;     // interface thread: its pixels, 0 for none

void FollowWindowIconDpi(HWND window, int dpi)
{
    const int size = GetSystemMetricsForDpi(SM_CXSMICON, static_cast<UINT>(dpi));
    // The class's icon is drawn for the system's DPI: a window there keeps it.
    if (size == (WindowSmallIcon ? WindowSmallIconSize : GetSystemMetrics(SM_CXSMICON))) return;
    // Not shared: a shared load hands back the first size loaded, whatever size is asked.
    HICON icon = static_cast<HICON>(
        LoadImageW(Instance, MAKEINTRESOURCEW(AppIconId), IMAGE_ICON, size, size, 0));
    if (!icon) return;
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    if (WindowSmallIcon) DestroyIcon(WindowSmallIcon);
    WindowSmallIcon = icon;
    WindowSmallIconSize = size;
}
