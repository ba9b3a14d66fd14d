// Moves the main window next to the tray icon, inside the work area.
#pragma once

#include "ui/geometry.h"

void PlaceNearTray();

// The tray icon's screen rectangle when the shell tells it (`*iconFound`), and the work area
// of the monitor that holds the icon, or the main window without it. False when the
// monitor cannot be asked.
bool FindTrayWorkArea(PixelRect* icon, bool* iconFound, PixelRect* work);
