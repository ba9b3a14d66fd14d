// The dashboard: the whole client area, redrawn from one status copy on every paint.
#pragma once

#include "app/base.h"
#include "ui/geometry.h"

// The whole WM_PAINT handling.
void PaintDashboard(HWND window);

// One section title with two coloured legend words after it.
void DrawSectionTitle(HDC dc, const PixelRect& rect, const char16_t* title, Colour titleColour,
                      const char16_t* legend1, Colour colour1, const char16_t* legend2,
                      Colour colour2);
