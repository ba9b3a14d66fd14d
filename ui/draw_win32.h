// Small drawing helpers shared by the dashboard, its charts and its controls. Each deletes
// what it creates and selects back what it replaced.
#pragma once

#include "app/base.h"
#include "ui/geometry.h"

// DrawText flag sets: line, line-cut, centred, right; top, where the box's top is the text's.
constexpr UINT TextLine = DT_SINGLELINE | DT_VCENTER;
constexpr UINT TextLineCut = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
constexpr UINT TextCentred = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
constexpr UINT TextRight = DT_SINGLELINE | DT_VCENTER | DT_RIGHT;
constexpr UINT TextTop = DT_SINGLELINE;

inline RECT ToRect(const PixelRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// Fills the rectangle with a solid colour; nothing when the brush cannot be made.
void FillSolid(HDC dc, const PixelRect& rect, Colour colour);

// Draws terminated text in the colour with the flags.
void DrawTextIn(HDC dc, const PixelRect& rect, const char16_t* text, Colour colour, UINT flags);

// The width of the text in the selected font, in device pixels.
int32_t TextWidth(HDC dc, const char16_t* text);

// The line height and ascent of the selected font; zeros when they cannot be read.
FontLines SelectedFontLines(HDC dc);
