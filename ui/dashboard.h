// The dashboard: the whole client area, redrawn from scratch on every paint.
#pragma once

#include "app/base.h"

// The whole WM_PAINT handling of the main window.
void PaintDashboard(HWND window);
