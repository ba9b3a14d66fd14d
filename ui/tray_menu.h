// The tray icon's menu, built afresh at every opening; the choice comes back as a posted
// WM_COMMAND, the same path as a second instance's hand-over.
#pragma once

void ShowTrayMenu();
