// The notification-area icon: the temperature badge while the cooler is connected, the
// program's icon otherwise, and a tooltip with the cooler's figures.
#pragma once

#include "app/base.h"

extern int TrayAdded;        // interface thread: the shell holds the icon
extern int TrayUsesGuid;     // interface thread: added under the GUID, else window and id 1
extern HICON TrayBadgeIcon;  // interface thread: the generated badge now shown, or none
extern int TrayBadgeValue;   // interface thread: the number on TrayBadgeIcon, -1 for none
extern const GUID TrayIconGuid;

constexpr UINT TrayIconId = 1;

// Non-zero when the shell took the icon (by GUID, after clearing a stale one, or by window
// and id).
int AddTrayIcon();
// Badge and tooltip from the latest status.
void UpdateTrayIcon();
void RemoveTrayIcon();
