#include "ui/geometry.h"

namespace {

// A row's edges in logical pixels; the right edge counts back from the client's width, and
// top and bottom from its height, where the flags say so.
struct RowSpec {
    int16_t left, top, right, bottom; // logical pixels
    bool rightFromWidth;
    bool topBottomFromHeight;
};

const RowSpec Rows[DashboardRowCount] = {
    {28, 20, 28, 42, true, false},    // header
    {28, 46, 242, 118, false, false}, // liquid temperature: "100.0" and the unit, in Wine's wide face too
    {248, 50, 28, 73, true, false},   // pump line: the readings column starts mid-window
    {248, 73, 28, 96, true, false},   // fan line
    {248, 96, 28, 119, true, false},  // GPU line
    {28, 128, 28, 150, true, false},  // cooler title
    {62, 154, 28, 240, true, false},  // cooler chart
    {28, 262, 28, 284, true, false},  // GPU title
    {62, 288, 28, 374, true, false},  // GPU chart
    {62, 378, 200, 396, false, false}, // "10 min ago"
    {0, 378, 28, 396, true, false},   // "now": left is W - 128, set below
    {28, 418, 28, 440, true, false},  // curve title
    {62, 444, 28, 552, true, false},  // curve chart
    {28, 712, 0, 750, true, false},   // status sentence: right is the Apply button's left - 16
    {28, 28, 28, 8, true, true},      // footer: H - 28 .. H - 8
};

} // namespace

int32_t Scale(int32_t logical96, int32_t dpi) { return MulDiv(logical96, dpi, 96); }

bool PointInside(const PixelRect& rect, int32_t x, int32_t y)
{
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

PixelRect DashboardRowRect(DashboardRow row, int32_t width, int32_t height, int32_t dpi)
{
    if (row < 0 || row >= DashboardRowCount) return {};
    const RowSpec& spec = Rows[row];
    PixelRect rect;
    rect.left = Scale(spec.left, dpi);
    rect.right = spec.rightFromWidth ? width - Scale(spec.right, dpi) : Scale(spec.right, dpi);
    if (spec.topBottomFromHeight) {
        rect.top = height - Scale(spec.top, dpi);
        rect.bottom = height - Scale(spec.bottom, dpi);
    } else {
        rect.top = Scale(spec.top, dpi);
        rect.bottom = Scale(spec.bottom, dpi);
    }
    if (row == RowRightCaption) rect.left = width - Scale(128, dpi);
    if (row == RowStatusSentence) rect.right = ControlLayoutFor(width, dpi).applyButton.left - Scale(16, dpi);
    return rect;
}

TemperatureBoxes TemperatureLayout(const PixelRect& row, int32_t numberWidth,
                                   const FontLines& number, const FontLines& unit, int32_t dpi)
{
    TemperatureBoxes boxes;
    boxes.number = row;
    boxes.number.top = row.top + (row.bottom - row.top - number.height) / 2;
    boxes.unit = row;
    boxes.unit.left = row.left + numberWidth + Scale(TemperatureUnitGap96, dpi);
    boxes.unit.top = boxes.number.top + number.ascent - unit.ascent;
    boxes.unit.bottom = boxes.unit.top + unit.height;
    return boxes;
}

SectionTitleBoxes SectionTitleLayout(const PixelRect& row, int32_t titleWidth,
                                     int32_t legend1Width, int32_t dpi)
{
    const int32_t titleLimit = Scale(232, dpi);
    SectionTitleBoxes boxes;
    boxes.title = row;
    boxes.title.right = row.left + titleLimit;
    boxes.legend1 = row;
    boxes.legend1.left = row.left + (titleWidth < titleLimit ? titleWidth : titleLimit) + Scale(24, dpi);
    boxes.legend2 = row;
    boxes.legend2.left = boxes.legend1.left + legend1Width + Scale(16, dpi);
    return boxes;
}

ControlLayout ControlLayoutFor(int32_t width, int32_t dpi)
{
    ControlLayout layout;
    layout.pumpSlider = {Scale(142, dpi), Scale(632, dpi), width - Scale(28, dpi), Scale(656, dpi)};
    layout.fanSlider = layout.pumpSlider;
    layout.fanSlider.top += Scale(44, dpi);
    layout.fanSlider.bottom += Scale(44, dpi);
    layout.applyButton = {width - Scale(148, dpi), Scale(712, dpi), width - Scale(28, dpi),
                          Scale(750, dpi)};
    for (int i = 0; i < ProfileButtonCount; ++i) {
        layout.profileButtons[i] = {Scale(28 + 108 * i, dpi), Scale(586, dpi),
                                    Scale(128 + 108 * i, dpi), Scale(618, dpi)};
    }
    return layout;
}

int32_t SliderValueAt(const PixelRect& rect, int32_t x, int32_t minimum)
{
    int32_t cx = x < rect.left ? rect.left : x;
    if (cx > rect.right) cx = rect.right;
    // MulDiv's -1 for a zero width lands below the minimum and is clamped up.
    int32_t value = minimum + MulDiv(cx - rect.left, 100 - minimum, rect.right - rect.left);
    if (value < minimum) value = minimum;
    if (value > 100) value = 100;
    return value;
}

int32_t SliderThumbX(const PixelRect& rect, int32_t value, int32_t minimum)
{
    return rect.left + MulDiv(value - minimum, rect.right - rect.left, 100 - minimum);
}

int32_t PercentY(const PixelRect& chart, int32_t value)
{
    return chart.bottom - MulDiv(value, chart.bottom - chart.top, 100);
}

int32_t CurveX(const PixelRect& chart, int32_t tenths)
{
    int32_t x = chart.left + MulDiv(tenths - 200, chart.right - chart.left, 390);
    if (x < chart.left) x = chart.left;
    if (x > chart.right) x = chart.right;
    return x;
}

bool HistoryX(const PixelRect& chart, uint32_t now, uint32_t tick, int32_t* x)
{
    const uint32_t age = now - tick; // unsigned: right across the counter's wrap
    if (age > HistoryWindowMs) return false;
    *x = chart.right - MulDiv(static_cast<int32_t>(age), chart.right - chart.left,
                              static_cast<int32_t>(HistoryWindowMs));
    return true;
}
