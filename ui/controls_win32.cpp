// The controls are not drawn yet, so no press can reach one.
#include "ui/controls.h"

LRESULT ControlsButtonDown(HWND, WPARAM, LPARAM) { return 0; }
LRESULT ControlsMouseMove(HWND, WPARAM, LPARAM) { return 0; }
LRESULT ControlsButtonUp(HWND, WPARAM, LPARAM) { return 0; }
