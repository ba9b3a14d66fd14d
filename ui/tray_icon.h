// The notification-area icon: the temperature badge while the cooler is connected, the
// program's icon otherwise, a tooltip with the cooler's figures, and a balloon when an alert
// or the curve not held starts.
#pragma once

#include "app/base.h"

extern int TrayAdded;        // interface thread: the shell holds the icon
extern int TrayUsesGuid;     // interface thread: added under the GUID, else window and id 1
extern HICON TrayBadgeIcon;  // interface thread: the generated badge now shown, or none
extern int TrayBadgeValue;   // interface thread: TrayBadgeIcon's number (+ BadgeAlerted), -1 none
extern int TrayBadgeSize;    // interface thread: pixels of TrayBadgeIcon, 0 for none
extern int TrayIconSize;     // interface thread: pixels, the shell's small icons in the tray
extern HICON TrayAppIcon;    // interface thread: the program's icon at that size, or none
extern const GUID TrayIconGuid;

constexpr UINT TrayIconId = 1;

// Non-zero when the shell took the icon (by GUID, after clearing a stale one, or by window
// and id). Measures the tray's icon size first.
int AddTrayIcon();
// Badge and tooltip from the latest status, at the tray's icon size; first, a balloon for each
// alert or curve not held that started since the last call.
void UpdateTrayIcon();
void RemoveTrayIcon();

// Sets TrayIconSize from the small-icon size at the taskbar's DPI; true when it changed.
bool MeasureTrayIconSize();
// Loads the program's icon at TrayIconSize when the one held has another size, and returns
// the icon it replaced (or none), to be destroyed once the shell holds its successor.
HICON FollowAppIconSize();
// After a change of DPI, display or settings: a new badge and icon when the size changed.
void FollowTrayIconSize();
