// The dashboard's accessible object on the window: served to screen readers on WM_GETOBJECT,
// events raised as what they read changes. The system parts it needs (oleacc, ole32,
// oleaut32) are loaded from the system directory at the first request; without them the
// window simply has no accessible object of its own.
#pragma once

#include "app/shared_state.h"

// WM_GETOBJECT: the client area's object for OBJID_CLIENT; 0 for any other object, after
// the window is gone or when the system parts are missing (then DefWindowProc answers).
LRESULT ServeAccessible(WPARAM flags, LPARAM objectId);

// WM_DESTROY: every later call on the object, from any holder, fails.
void DisconnectAccessible();

// Each paint, with its status copy: the events for the header, the liquid temperature, the
// sliders and the keyboard focus when they differ from the last paint's.
void AnnounceChanges(const CoolerStatus& status);
