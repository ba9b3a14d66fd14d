// Moves the main window next to the tray icon, inside the work area.
#pragma once

void PlaceNearTray();
