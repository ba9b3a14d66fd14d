// The dashboard's own controls: profile buttons, the manual-duty sliders and Apply.
#pragma once

#include "app/base.h"

// Mouse messages of the main window; each returns 0.
LRESULT ControlsButtonDown(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT ControlsMouseMove(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT ControlsButtonUp(HWND window, WPARAM wParam, LPARAM lParam);
