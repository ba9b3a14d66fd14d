// The tray icon shows the program's icon and name; the temperature badge and the tooltip
// with the cooler's figures are still to come.
#include "ui/tray_icon.h"

#include "app/shared_state.h"
#include "app/shell_win32.h"

#include <shellapi.h>

int TrayAdded = 0;
int TrayUsesGuid = 0;

// {B3F2A17C-4D9E-4A6B-8C21-5E7A3F1D0C94}
static const GUID TrayIconGuid = {0xB3F2A17C, 0x4D9E, 0x4A6B,
                                  {0x8C, 0x21, 0x5E, 0x7A, 0x3F, 0x1D, 0x0C, 0x94}};

static_assert(sizeof(NOTIFYICONDATAW) == 976, "the current layout on 64-bit Windows");

static void FillIdentity(NOTIFYICONDATAW* data)
{
    *data = {};
    data->cbSize = sizeof(*data);
    data->hWnd = MainWindow;
    data->uID = 1;
}

int AddTrayIcon()
{
    NOTIFYICONDATAW data;
    FillIdentity(&data);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_GUID;
    data.uCallbackMessage = MsgTrayNotify;
    data.hIcon = AppIcon;
    const wchar_t tip[] = L"Tidewatch";
    for (int i = 0; tip[i]; ++i) data.szTip[i] = tip[i];
    data.guidItem = TrayIconGuid;

    TrayUsesGuid = 1;
    TrayAdded = Shell_NotifyIconW(NIM_ADD, &data);
    if (TrayAdded) return TrayAdded;
    // The shell may still hold an icon under the same GUID from an earlier run.
    Shell_NotifyIconW(NIM_DELETE, &data);
    TrayAdded = Shell_NotifyIconW(NIM_ADD, &data);
    if (TrayAdded) return TrayAdded;
    TrayUsesGuid = 0;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayAdded = Shell_NotifyIconW(NIM_ADD, &data);
    return TrayAdded;
}

void UpdateTrayIcon()
{
    if (!TrayAdded) return;
}

void RemoveTrayIcon()
{
    if (!TrayAdded) return;
    NOTIFYICONDATAW data;
    FillIdentity(&data);
    if (TrayUsesGuid) {
        data.uFlags = NIF_GUID;
        data.guidItem = TrayIconGuid;
    }
    Shell_NotifyIconW(NIM_DELETE, &data);
    TrayAdded = 0;
}
