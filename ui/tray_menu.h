// The tray icon's right-click menu.
#pragma once

// Opens the menu at the mouse; the chosen item comes back as a posted WM_COMMAND.
void ShowTrayMenu();
