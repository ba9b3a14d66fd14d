// For now the window is centred on the work area of the monitor that holds it.
#include "ui/placement.h"

#include "app/shared_state.h"

void PlaceNearTray()
{
    HMONITOR monitor = MonitorFromWindow(MainWindow, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info)) return;
    RECT outer = {};
    if (!GetWindowRect(MainWindow, &outer)) return;
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    const int x = info.rcWork.left + (info.rcWork.right - info.rcWork.left - width) / 2;
    const int y = info.rcWork.top + (info.rcWork.bottom - info.rcWork.top - height) / 2;
    SetWindowPos(MainWindow, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
