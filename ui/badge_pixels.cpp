#include "ui/badge_pixels.h"

#include "ui/tray_model.h"

namespace {

// The seven strokes of a digit: top, upper right, lower right, bottom, lower left, upper
// left, middle; bit i of a pattern is stroke i.
enum Stroke : int {
    StrokeTop,
    StrokeUpperRight,
    StrokeLowerRight,
    StrokeBottom,
    StrokeLowerLeft,
    StrokeUpperLeft,
    StrokeMiddle,
    StrokeCount,
};

// 0 to 9; a 1 is drawn on its own (a centred stem with a flag), not from strokes.
const uint8_t DigitStrokes[10] = {0x3F, 0x00, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

PixelRect StrokeRect(Stroke stroke, const DigitLayout& d)
{
    const int32_t w = d.width, h = d.height, t = d.stroke, m = d.middle;
    switch (stroke) {
    case StrokeTop: return {0, 0, w, t};
    case StrokeUpperRight: return {w - t, 0, w, m + t};
    case StrokeLowerRight: return {w - t, m, w, h};
    case StrokeBottom: return {0, h - t, w, h};
    case StrokeLowerLeft: return {0, m, t, h};
    case StrokeUpperLeft: return {0, 0, t, m + t};
    default: return {0, m, w, m + t};
    }
}

PixelRect Moved(PixelRect r, int32_t x, int32_t y)
{
    return {r.left + x, r.top + y, r.right + x, r.bottom + y};
}

// The rectangles of one digit whose box starts at (x, y); returns the new count.
int AddDigit(int32_t digit, const DigitLayout& d, int32_t x, int32_t y, PixelRect* rects,
             int count)
{
    if (digit == 1) {
        const int32_t stem = (d.width - d.stroke) / 2;
        const int32_t flag = stem - d.stroke > 0 ? stem - d.stroke : 0;
        rects[count++] = Moved({stem, 0, stem + d.stroke, d.height}, x, y);
        rects[count++] = Moved({flag, d.stroke / 2, stem, d.stroke / 2 + d.stroke}, x, y);
        return count;
    }
    for (int s = 0; s < StrokeCount; ++s) {
        if (DigitStrokes[digit] & (1 << s)) {
            rects[count++] = Moved(StrokeRect(static_cast<Stroke>(s), d), x, y);
        }
    }
    return count;
}

} // namespace

int32_t BadgeSizeFor(int32_t smallIconMetric)
{
    if (smallIconMetric < BadgeMinSize) return BadgeMinSize;
    return smallIconMetric > BadgeMaxSize ? BadgeMaxSize : smallIconMetric;
}

DigitLayout BadgeDigitLayout(int32_t size)
{
    DigitLayout d;
    d.stroke = (size + 4) / 8;
    d.width = (3 * size + 4) / 8;
    d.height = (3 * size + 2) / 4;
    d.middle = (d.height - d.stroke) / 2;
    const int32_t minimumGap = d.stroke / 2 > 2 ? d.stroke / 2 : 2;
    const int32_t margin = (size - 2 * d.width - minimumGap) / 2;
    d.gap = size - 2 * d.width - 2 * margin;
    d.top = (size - d.height) / 2;
    return d;
}

int BadgeDigitRects(int32_t value, int32_t size, PixelRect* rects)
{
    const DigitLayout d = BadgeDigitLayout(size);
    if (value < 0) value = 0;
    if (value > 99) value = 99;
    if (value < 10) return AddDigit(value, d, (size - d.width) / 2, d.top, rects, 0);
    const int32_t left = (size - 2 * d.width - d.gap) / 2;
    const int count = AddDigit(value / 10, d, left, d.top, rects, 0);
    return AddDigit(value % 10, d, left + d.width + d.gap, d.top, rects, count);
}

bool InsideBadgeSquare(int32_t x, int32_t y, int32_t size)
{
    if (x < 0 || y < 0 || x >= size || y >= size) return false;
    // In doubled coordinates the corner circle's radius is the ellipse's width, and a pixel's
    // centre is at 2x + 1.
    const int32_t across = MulDiv(8, size, 32);
    const int32_t dx = 2 * (x < size - x - 1 ? x : size - x - 1) + 1;
    const int32_t dy = 2 * (y < size - y - 1 ? y : size - y - 1) + 1;
    if (dx >= across || dy >= across) return true;
    return (across - dx) * (across - dx) + (across - dy) * (across - dy) <= across * across;
}

void DrawBadgePixels(int32_t value, int32_t size, uint32_t* pixels)
{
    const Colour band = BadgeColour(value);
    const uint32_t fill = 0xFF000000 | (band & 0xFF) << 16 | (band & 0xFF00) | (band >> 16 & 0xFF);
    for (int32_t y = 0; y < size; ++y) {
        for (int32_t x = 0; x < size; ++x) {
            pixels[y * size + x] = InsideBadgeSquare(x, y, size) ? fill : 0;
        }
    }
    PixelRect rects[BadgeRectCapacity];
    const int count = value >= BadgeNoNumber ? 0 : BadgeDigitRects(value % BadgeAlerted, size, rects);
    for (int i = 0; i < count; ++i) {
        for (int32_t y = rects[i].top; y < rects[i].bottom; ++y) {
            for (int32_t x = rects[i].left; x < rects[i].right; ++x) pixels[y * size + x] = 0xFFFFFFFF;
        }
    }
}

void BadgeMaskBits(const uint32_t* pixels, int32_t size, uint8_t* mask)
{
    const int32_t rowBytes = (size + 15) / 16 * 2;
    for (int32_t i = 0; i < rowBytes * size; ++i) mask[i] = 0;
    for (int32_t y = 0; y < size; ++y) {
        for (int32_t x = 0; x < size; ++x) {
            if ((pixels[y * size + x] >> 24) == 0) mask[y * rowBytes + x / 8] |= 0x80 >> (x % 8);
        }
    }
}
