// The dashboard's own controls, drawn and hit-tested by the program: four profile buttons,
// the manual pump and fan sliders and the Apply button.
#pragma once

#include "app/shared_state.h"
#include "ui/focus.h"

extern int DragTarget; // interface thread: 0 none, 1 pump slider, 2 fan slider

// The controls' rectangles for the window's client width and DPI now.
ControlLayout ComputeControlLayout(HWND window);

void DrawControls(HDC dc, const CoolerStatus& status);
void DrawSlider(HDC dc, const PixelRect& rect, int32_t value, int32_t minimum,
                const char16_t* label);

// A profile button or Apply pressed, as by a click: the request while the cooler is
// connected; false, with nothing done, while it is not.
bool PressButton(HWND window, FocusTarget button);

// A slider moved to `value` (percent), as by its keys: nothing reaches the cooler.
void SetSliderValue(HWND window, FocusTarget slider, int32_t value);

// The control under a client point (FocusTargetAt), none where the model offers none.
FocusTarget OfferedControlAt(const ControlLayout& layout, int32_t x, int32_t y);

// Mouse messages of the main window; each returns 0.
LRESULT ControlsButtonDown(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT ControlsMouseMove(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT ControlsButtonUp(HWND window, WPARAM wParam, LPARAM lParam);
// WM_CAPTURECHANGED with the window now holding the mouse (0 for WM_CANCELMODE): unless that
// is this window, the release will not come here, so a drag ends where it is.
LRESULT ControlsCaptureLost(HWND window, LPARAM newOwner);
