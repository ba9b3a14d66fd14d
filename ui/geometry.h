// The dashboard's geometry as functions of numbers: the layout rows, the controls and their
// hit tests, slider mapping, chart mapping and tints. The Win32 layer only draws what these
// compute. Every length given here is in logical pixels (96 DPI) and is scaled on its own.
#pragma once

#include "app/base.h"

typedef uint32_t Colour; // 0x00BBGGRR, as COLORREF

// Device-pixel rectangle; left and top inside, right and bottom outside.
struct PixelRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// A logical length at `dpi`.
int32_t Scale(int32_t logical96, int32_t dpi);

// True for a point inside the rectangle (left/top inclusive, right/bottom exclusive).
bool PointInside(const PixelRect& rect, int32_t x, int32_t y);

// The dashboard's rows, top to bottom, each a rectangle of the client area.
enum DashboardRow : int {
    RowHeader,
    RowTemperature,
    RowPumpLine,
    RowFanLine,
    RowGpuLine,
    RowCoolerTitle,
    RowCoolerChart,
    RowGpuTitle,
    RowGpuChart,
    RowLeftCaption,
    RowRightCaption,
    RowCurveTitle,
    RowCurveChart,
    RowStatusSentence,
    RowFooter,
    DashboardRowCount,
};

// `width` and `height` are the client area's in device pixels.
PixelRect DashboardRowRect(DashboardRow row, int32_t width, int32_t height, int32_t dpi);

// A font's line height and the part of it above the baseline, in device pixels.
struct FontLines {
    int32_t height;
    int32_t ascent;
};

constexpr int32_t TemperatureUnitGap96 = 4; // logical pixels between the number and its unit

// The liquid temperature's row: the number (hero font) centred in the row's height from its
// left edge, the unit (unit font) after it with the same baseline. Both are drawn from the
// top of their box; their right edges are the row's.
struct TemperatureBoxes {
    PixelRect number;
    PixelRect unit;
};

TemperatureBoxes TemperatureLayout(const PixelRect& row, int32_t numberWidth,
                                   const FontLines& number, const FontLines& unit, int32_t dpi);

// A section title row: the title cut at 232, the first legend 24 after the title (or after
// the cut), the second 16 after the first. Widths are the texts' full widths in device pixels.
struct SectionTitleBoxes {
    PixelRect title;
    PixelRect legend1;
    PixelRect legend2;
};

SectionTitleBoxes SectionTitleLayout(const PixelRect& row, int32_t titleWidth,
                                     int32_t legend1Width, int32_t dpi);

constexpr int ProfileButtonCount = 4; // Silent, Balanced, Performance, Aggressive
constexpr int32_t PumpSliderMin = 50; // percent
constexpr int32_t FanSliderMin = 20;  // percent

struct ControlLayout {
    PixelRect pumpSlider;
    PixelRect fanSlider;
    PixelRect applyButton;
    PixelRect profileButtons[ProfileButtonCount]; // ProfileId i + 1
};

ControlLayout ControlLayoutFor(int32_t width, int32_t dpi);

// Percent under x on a slider, clamped to minimum..100; a zero-width slider gives minimum.
int32_t SliderValueAt(const PixelRect& rect, int32_t x, int32_t minimum);
// x of the thumb's centre for a value.
int32_t SliderThumbX(const PixelRect& rect, int32_t value, int32_t minimum);

constexpr uint32_t HistoryWindowMs = 600000; // span of the history charts

// y of a percent value in a chart: 0 on the bottom edge, 100 on the top edge.
int32_t PercentY(const PixelRect& chart, int32_t value);
// x of a temperature in tenths on the curve chart (20.0 to 59.0 °C), clamped to the chart.
int32_t CurveX(const PixelRect& chart, int32_t tenths);
// x of a history sample taken at `tick`, seen at `now`; false when older than the window (a
// tick later than now counts as very old).
bool HistoryX(const PixelRect& chart, uint32_t now, uint32_t tick, int32_t* x);

// 22 parts background and 3 parts series colour, per channel.
constexpr Colour CurveTint(Colour background, Colour series)
{
    Colour tint = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t b = (background >> shift) & 0xFF;
        const uint32_t s = (series >> shift) & 0xFF;
        tint |= ((22 * b + 3 * s) / 25) << shift;
    }
    return tint;
}
