// The tray badge as pixels, drawn at the shell's small-icon size: a rounded square in the
// band colour with the whole degrees in white. The digits come from a seven-stroke pattern
// laid out per size in whole pixels, so they stay sharp and legible down to 16 pixels.
#pragma once

#include "ui/geometry.h"

constexpr int32_t BadgeMinSize = 16; // pixels: the small-icon size at 100 %
constexpr int32_t BadgeMaxSize = 64; // pixels: larger small icons are scaled by the shell

// The badge's size for the shell's small-icon metric, kept within 16..64.
int32_t BadgeSizeFor(int32_t smallIconMetric);

// Where the digits go in a badge of `size` pixels: each digit's box, the stroke width and the
// top of the middle stroke within the box.
struct DigitLayout {
    int32_t width;   // pixels of one digit's box
    int32_t height;  // pixels
    int32_t stroke;  // pixels
    int32_t middle;  // the middle stroke's top, from the box's top
    int32_t gap;     // pixels between two digits
    int32_t top;     // the boxes' top in the badge
};

DigitLayout BadgeDigitLayout(int32_t size);

constexpr int BadgeRectCapacity = 14; // two digits of at most seven strokes

// The white rectangles of `value` (0..99; one digit centred, two side by side) in a badge
// of `size` pixels, into `rects`; returns their count.
int BadgeDigitRects(int32_t value, int32_t size, PixelRect* rects);

// True for the pixel (x, y) inside the rounded square, whose corner ellipses are a quarter
// of the size across (8 at 32 pixels).
bool InsideBadgeSquare(int32_t x, int32_t y, int32_t size);

// The badge for `value` (0..99, plus BadgeAlerted for the red band whatever the degrees;
// BadgeNoNumber for the red band alone)
// into size x size pixels, top row first, as 0xAARRGGBB: the band colour and the white
// digits opaque, the cut corners transparent.
void DrawBadgePixels(int32_t value, int32_t size, uint32_t* pixels);

constexpr int32_t BadgeMaskCapacity = BadgeMaxSize * BadgeMaxSize / 8; // bytes

// The icon's mask for a badge of `size` pixels drawn by DrawBadgePixels: a monochrome bitmap,
// top row first, each row whole 16-bit words, a bit set (the leftmost pixel the highest) where
// the badge is transparent, so that a draw without alpha shows what lies behind there.
void BadgeMaskBits(const uint32_t* pixels, int32_t size, uint8_t* mask);
