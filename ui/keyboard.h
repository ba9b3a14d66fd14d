// The dashboard's keyboard on the window: the focused control, the focus ring and the keys.
// The focus ring shows while the window's keyboard cues are on: keys turn them on, a mouse
// press off, and opening the window sets them from the last input.
#pragma once

#include "app/base.h"
#include "ui/focus.h"

extern FocusTarget DashboardFocus; // interface thread
extern bool FocusCuesShown;        // interface thread: the window's cues show the focus

// The window comes out of hiding: the focus on the applied profile's button, the cues as
// the input that opened it asks.
void FocusOnOpening(HWND window);

// WM_KEYDOWN: carries out a key of the dashboard; false for any other key.
bool DashboardKeyDown(HWND window, WPARAM key, LPARAM flags);

// WM_LBUTTONDOWN, before the controls take it: the pressed control takes the focus and the
// cues hide.
void FocusOnPress(HWND window, LPARAM point);

// WM_UPDATEUISTATE: follows a change of the focus cue.
void FollowUiState(HWND window, WPARAM change);

// The ring around the focused control, when the cues show and the window is active.
void DrawFocusRing(HDC dc, const ControlLayout& layout);
