// The size of the tray's icons: the shell draws them at its small-icon size for the
// taskbar's DPI, and an image of another size comes out scaled and soft.
#include "app/shell.h"
#include "app/shell_win32.h"
#include "ui/badge_pixels.h"
#include "ui/tray_icon.h"

int TrayIconSize = BadgeMinSize;
HICON TrayAppIcon = nullptr;
static int TrayAppIconSize = 0; // interface thread: pixels of TrayAppIcon, 0 for none

// The taskbar's DPI: its window is on the monitor whose DPI the notification area takes, and
// the DPI of another process's window is its monitor's when that process is per-monitor
// aware, as the shell is. Without a taskbar, the system's DPI.
static UINT TaskbarDpi()
{
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    const UINT dpi = taskbar ? GetDpiForWindow(taskbar) : 0;
    return dpi ? dpi : GetDpiForSystem();
}

bool MeasureTrayIconSize()
{
    const int size = BadgeSizeFor(GetSystemMetricsForDpi(SM_CXSMICON, TaskbarDpi()));
    if (size == TrayIconSize) return false;
    TrayIconSize = size;
    return true;
}

HICON FollowAppIconSize()
{
    if (TrayAppIconSize == TrayIconSize) return nullptr;
    // LoadIconW would give the large-icon image for the shell to scale down; this picks the
    // resource's image drawn for the size. Not shared, so that it can be replaced.
    HICON loaded = static_cast<HICON>(LoadImageW(Instance, MAKEINTRESOURCEW(AppIconId), IMAGE_ICON,
                                                 TrayIconSize, TrayIconSize, 0));
    if (!loaded) return nullptr;
    HICON outgoing = TrayAppIcon;
    TrayAppIcon = loaded;
    TrayAppIconSize = TrayIconSize;
    return outgoing;
}

void FollowTrayIconSize()
{
    if (MeasureTrayIconSize()) UpdateTrayIcon();
}
