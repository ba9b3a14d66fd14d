// The tray icon's menu, built afresh at every opening; the choice comes back as a posted
// WM_COMMAND, the same path as a second instance's hand-over.
#pragma once

#include "app/base.h"

// The icon's notices that concern the menu (MsgTrayNotify's lParam): a move report over the
// icon is remembered; a right click opens the menu at the pointer, or at the icon when it
// came from the keyboard (the icon sets no notification version, so the shell reports a
// keyboard selection as a right click). False for every other notice.
bool TrayMenuNotice(UINT notice);

// Opens the menu at the pointer, or, from the keyboard, at the icon or without its
// rectangle in the work area's bottom-right corner.
void ShowTrayMenu(bool fromKeyboard);
