#include "ui/badge.h"

#include "app/text.h"
#include "ui/tray_model.h"

namespace {

constexpr int BadgeSize = 32; // pixels, fixed: the shell scales it

} // namespace

HICON BuildBadgeIcon(int32_t value)
{
    HDC screen = GetDC(nullptr);
    if (!screen) return nullptr;
    HDC dc = CreateCompatibleDC(screen);
    if (!dc) {
        ReleaseDC(nullptr, screen);
        return nullptr;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = BadgeSize;
    info.bmiHeader.biHeight = BadgeSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP colour = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HFONT font = nullptr;
    HBRUSH brush = nullptr;
    HICON icon = nullptr;
    if (colour && bits) {
        LOGFONTW description = {};
        description.lfHeight = -24;
        description.lfWeight = FW_BOLD;
        description.lfQuality = ANTIALIASED_QUALITY;
        AppendText(reinterpret_cast<char16_t*>(description.lfFaceName), 0, LF_FACESIZE, u"Segoe UI");
        font = CreateFontIndirectW(&description);
        brush = CreateSolidBrush(BadgeColour(value));
    }
    if (font && brush) {
        HGDIOBJ previousBitmap = SelectObject(dc, colour);
        HGDIOBJ previousFont = SelectObject(dc, font);
        HGDIOBJ previousBrush = SelectObject(dc, brush);
        HGDIOBJ previousPen = SelectObject(dc, GetStockObject(NULL_PEN));
        RoundRect(dc, 0, 0, BadgeSize, BadgeSize, 8, 8);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, 0xFFFFFF);
        char16_t digits[4];
        AppendDecimal(digits, 0, 4, static_cast<uint32_t>(value));
        RECT box = {0, 1, BadgeSize, BadgeSize - 1};
        DrawTextW(dc, reinterpret_cast<const wchar_t*>(digits), -1, &box,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        GdiFlush();
        // GDI leaves alpha at 0: whatever was drawn becomes opaque, the corners stay clear.
        uint32_t* pixel = static_cast<uint32_t*>(bits);
        for (int i = 0; i < BadgeSize * BadgeSize; ++i) {
            if (pixel[i] & 0x00FFFFFF) pixel[i] |= 0xFF000000;
        }
        const uint8_t maskBits[BadgeSize * BadgeSize / 8] = {};
        HBITMAP mask = CreateBitmap(BadgeSize, BadgeSize, 1, 1, maskBits);
        if (mask) {
            ICONINFO parts = {};
            parts.fIcon = TRUE;
            parts.hbmMask = mask;
            parts.hbmColor = colour;
            SelectObject(dc, previousBitmap); // the icon copies the bitmap: it must not be selected
            previousBitmap = nullptr;
            icon = CreateIconIndirect(&parts);
            DeleteObject(mask);
        }
        SelectObject(dc, previousPen);
        SelectObject(dc, previousBrush);
        SelectObject(dc, previousFont);
        if (previousBitmap) SelectObject(dc, previousBitmap);
    }
    if (brush) DeleteObject(brush);
    if (font) DeleteObject(font);
    if (colour) DeleteObject(colour);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return icon;
}
