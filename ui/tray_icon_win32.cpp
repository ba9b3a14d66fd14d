#include "ui/tray_icon.h"

#include <shellapi.h>

#include "app/shared_state.h"
#include "app/shell.h"
#include "app/shell_win32.h"
#include "app/text.h"
#include "ui/badge.h"
#include "ui/dashboard_text.h"
#include "ui/tray_model.h"

int TrayAdded = 0;
int TrayUsesGuid = 0;
HICON TrayBadgeIcon = nullptr;
int TrayBadgeValue = -1;
int TrayBadgeSize = 0;
static HICON TraySentIcon = nullptr;                 // interface thread; the icon the shell shows
static char16_t TraySentTip[TooltipCapacity] = {};   // interface thread; the tooltip it shows
const GUID TrayIconGuid = {0xB3F2A17C, 0x4D9E, 0x4A6B, {0x8C, 0x21, 0x5E, 0x7A, 0x3F, 0x1D, 0x0C, 0x94}};

namespace {

NOTIFYICONDATAW TrayRecord()
{
    NOTIFYICONDATAW record = {};
    record.cbSize = sizeof record;
    record.hWnd = MainWindow;
    record.uID = TrayIconId;
    return record;
}

void SetTip(NOTIFYICONDATAW* record, const char16_t* text)
{
    AppendText(reinterpret_cast<char16_t*>(record->szTip), 0, TooltipCapacity, text);
}

// A balloon for each condition whose episode started (BalloonsDue), once; one the shell
// refused is tried again at the next status, one whose episode has ended is dropped.
// Windows' own notification settings decide whether it pops up.
void ShowNewBalloons(const CoolerStatus& status)
{
    const int32_t due = AtomicRead(&BalloonsDue);
    for (int32_t kind = ConditionPumpStopped; kind <= ConditionLast; kind <<= 1) {
        if (!(due & kind)) continue;
        NOTIFYICONDATAW record = TrayRecord();
        record.uFlags = NIF_INFO;
        if (TrayUsesGuid) {
            record.uFlags |= NIF_GUID;
            record.guidItem = TrayIconGuid;
        }
        record.dwInfoFlags = NIIF_WARNING;
        BuildBalloon(kind, status, reinterpret_cast<char16_t*>(record.szInfoTitle),
                     reinterpret_cast<char16_t*>(record.szInfo));
        if (!(status.conditions & kind) || Shell_NotifyIconW(NIM_MODIFY, &record)) {
            InterlockedAnd(&BalloonsDue, ~kind);
        }
    }
}

} // namespace

int AddTrayIcon()
{
    MeasureTrayIconSize();
    HICON outgoing = FollowAppIconSize(); // the shell holds no icon of ours now
    if (outgoing) DestroyIcon(outgoing);
    NOTIFYICONDATAW record = TrayRecord();
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_GUID;
    record.uCallbackMessage = MsgTrayNotify;
    record.hIcon = TrayBadgeIcon ? TrayBadgeIcon : TrayAppIcon ? TrayAppIcon : AppIcon;
    SetTip(&record, u"Tidewatch");
    TraySentIcon = record.hIcon;
    AppendText(TraySentTip, 0, TooltipCapacity, u"Tidewatch");
    record.guidItem = TrayIconGuid;
    TrayUsesGuid = 1;
    TrayAdded = Shell_NotifyIconW(NIM_ADD, &record);
    if (TrayAdded) return TrayAdded;
    // The shell may still hold an icon under this GUID from an earlier run.
    Shell_NotifyIconW(NIM_DELETE, &record);
    TrayAdded = Shell_NotifyIconW(NIM_ADD, &record);
    if (TrayAdded) return TrayAdded;
    TrayUsesGuid = 0;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayAdded = Shell_NotifyIconW(NIM_ADD, &record);
    return TrayAdded;
}

void UpdateTrayIcon()
{
    if (!TrayAdded) return;
    CoolerStatus status;
    CopyLatestStatus(&status);
    ShowNewBalloons(status); // also once the icon is added, for an episode that still holds
    HICON outgoing = nullptr; // set aside: the shell may still show it
    HICON outgoingAppIcon = FollowAppIconSize();
    int32_t value = -1;
    switch (DecideBadge(status, TrayBadgeValue, TrayBadgeSize, TrayIconSize, &value)) {
    case BadgeRedraw:
        if (HICON badge = BuildBadgeIcon(value, TrayIconSize)) {
            outgoing = TrayBadgeIcon;
            TrayBadgeIcon = badge;
            TrayBadgeValue = value;
            TrayBadgeSize = TrayIconSize;
        }
        break; // a badge that could not be drawn is tried again at the next status
    case BadgeDrop:
        outgoing = TrayBadgeIcon;
        TrayBadgeIcon = nullptr;
        TrayBadgeValue = -1;
        TrayBadgeSize = 0;
        break;
    case BadgeKeep:
        break;
    }
    NOTIFYICONDATAW record = TrayRecord();
    record.uFlags = NIF_ICON | NIF_TIP;
    if (TrayUsesGuid) {
        record.uFlags |= NIF_GUID;
        record.guidItem = TrayIconGuid;
    }
    record.hIcon = TrayBadgeIcon ? TrayBadgeIcon : TrayAppIcon ? TrayAppIcon : AppIcon;
    char16_t* tip = reinterpret_cast<char16_t*>(record.szTip);
    BuildTrayTooltip(tip, TooltipCapacity, status);
    // Each modify is a call into the shell's process: made only for a change.
    if ((record.hIcon != TraySentIcon || !SameText(tip, TraySentTip)) &&
        Shell_NotifyIconW(NIM_MODIFY, &record)) {
        TraySentIcon = record.hIcon;
        AppendText(TraySentTip, 0, TooltipCapacity, tip);
    }
    // Only now that the shell holds its successor.
    if (outgoing) DestroyIcon(outgoing);
    if (outgoingAppIcon) DestroyIcon(outgoingAppIcon);
}

void RemoveTrayIcon()
{
    if (TrayAdded) {
        NOTIFYICONDATAW record = TrayRecord();
        if (TrayUsesGuid) {
            record.uFlags = NIF_GUID;
            record.guidItem = TrayIconGuid;
        }
        Shell_NotifyIconW(NIM_DELETE, &record);
        TrayAdded = 0;
    }
    if (TrayBadgeIcon) DestroyIcon(TrayBadgeIcon);
    TrayBadgeIcon = nullptr;
    TrayBadgeValue = -1;
    TrayBadgeSize = 0;
}
