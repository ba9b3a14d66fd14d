// The notification-area icon: added at start-up and after a taskbar restart, refreshed on
// every status, removed at shutdown.
#pragma once

#include "app/base.h"

extern int TrayAdded;    // interface thread; non-zero while the shell holds the icon
extern int TrayUsesGuid; // interface thread; 1 when the icon is known by TrayIconGuid

// Non-zero when the icon is up.
int AddTrayIcon();
void UpdateTrayIcon();
void RemoveTrayIcon();
