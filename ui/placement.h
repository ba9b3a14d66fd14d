// Where the main window stands when it comes out of hiding.
#pragma once

// Moves the main window (no size, z-order or activation change); showing is the caller's.
void PlaceNearTray();
