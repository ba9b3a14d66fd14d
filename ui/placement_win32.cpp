#include "ui/placement.h"

#include "app/base.h"

#include <shellapi.h>

#include "app/shared_state.h"
#include "app/shell.h"
#include "app/shell_win32.h"
#include "ui/tray_icon.h"
#include "ui/tray_model.h"

bool FindTrayWorkArea(PixelRect* icon, bool* iconFound, PixelRect* work)
{
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
    HMONITOR monitor = found ? MonitorFromRect(&iconRect, MONITOR_DEFAULTTOPRIMARY)
                             : MonitorFromWindow(MainWindow, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return false;
    *icon = {iconRect.left, iconRect.top, iconRect.right, iconRect.bottom};
    *iconFound = found;
    *work = {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
    return true;
}

void PlaceNearTray()
{
    PixelRect icon;
    PixelRect work;
    bool found = false;
    if (!FindTrayWorkArea(&icon, &found, &work)) return;
    RECT window = {};
    GetWindowRect(MainWindow, &window);
    const PixelPoint at = PlaceNearIcon(found ? &icon : nullptr, work, window.right - window.left,
                                        window.bottom - window.top, CurrentDpi);
    SetWindowPos(MainWindow, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
