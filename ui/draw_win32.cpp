#include "ui/draw_win32.h"

void FillSolid(HDC dc, const PixelRect& rect, Colour colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    if (!brush) return;
    const RECT r = ToRect(rect);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

void DrawTextIn(HDC dc, const PixelRect& rect, const char16_t* text, Colour colour, UINT flags)
{
    RECT r = ToRect(rect);
    SetTextColor(dc, colour);
    DrawTextW(dc, reinterpret_cast<const wchar_t*>(text), -1, &r, flags);
}

int32_t TextWidth(HDC dc, const char16_t* text)
{
    int length = 0;
    while (text[length]) ++length;
    SIZE size = {};
    if (!GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text), length, &size)) return 0;
    return size.cx;
}

FontLines SelectedFontLines(HDC dc)
{
    TEXTMETRICW metrics = {};
    if (!GetTextMetricsW(dc, &metrics)) return {0, 0};
    return {metrics.tmHeight, metrics.tmAscent};
}
