#include "ui/badge.h"

#include "ui/badge_pixels.h"

HICON BuildBadgeIcon(int32_t value, int32_t size)
{
    if (size < BadgeMinSize || size > BadgeMaxSize) return nullptr;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size; // top row first, as DrawBadgePixels fills it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP colour = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!colour) return nullptr;
    HICON icon = nullptr;
    if (bits) {
        DrawBadgePixels(value, size, static_cast<uint32_t*>(bits));
        // The alpha channel decides what shows where it is honoured; a draw without alpha
        // (DrawIconEx with DI_MASK and DI_IMAGE on a legacy path) takes the mask.
        uint8_t maskBits[BadgeMaskCapacity];
        BadgeMaskBits(static_cast<const uint32_t*>(bits), size, maskBits);
        HBITMAP mask = CreateBitmap(size, size, 1, 1, maskBits);
        if (mask) {
            ICONINFO parts = {};
            parts.fIcon = TRUE;
            parts.hbmMask = mask;
            parts.hbmColor = colour;
            icon = CreateIconIndirect(&parts); // copies both bitmaps
            DeleteObject(mask);
        }
    }
    DeleteObject(colour);
    return icon;
}
