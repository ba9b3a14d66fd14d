#include "ui/geometry.h"

#include <gtest/gtest.h>

namespace {

void ExpectRect(const PixelRect& r, int32_t l, int32_t t, int32_t rt, int32_t b)
{
    EXPECT_EQ(r.left, l);
    EXPECT_EQ(r.top, t);
    EXPECT_EQ(r.right, rt);
    EXPECT_EQ(r.bottom, b);
}

TEST(DashboardRows, At96Dpi)
{
    const int32_t W = 480, H = 792, dpi = 96;
    ExpectRect(DashboardRowRect(RowHeader, W, H, dpi), 28, 20, 452, 42);
    ExpectRect(DashboardRowRect(RowTemperature, W, H, dpi), 28, 46, 242, 118);
    ExpectRect(DashboardRowRect(RowPumpLine, W, H, dpi), 248, 50, 452, 73);
    ExpectRect(DashboardRowRect(RowGpuLine, W, H, dpi), 248, 96, 452, 119);
    ExpectRect(DashboardRowRect(RowCoolerChart, W, H, dpi), 62, 154, 452, 240);
    ExpectRect(DashboardRowRect(RowGpuChart, W, H, dpi), 62, 288, 452, 374);
    ExpectRect(DashboardRowRect(RowLeftCaption, W, H, dpi), 62, 378, 200, 396);
    ExpectRect(DashboardRowRect(RowRightCaption, W, H, dpi), 352, 378, 452, 396);
    ExpectRect(DashboardRowRect(RowCurveChart, W, H, dpi), 62, 444, 452, 552);
    ExpectRect(DashboardRowRect(RowStatusSentence, W, H, dpi), 28, 712, 316, 750);
    ExpectRect(DashboardRowRect(RowFooter, W, H, dpi), 28, 764, 452, 784);
    ExpectRect(DashboardRowRect(DashboardRowCount, W, H, dpi), 0, 0, 0, 0);
}

TEST(DashboardRows, EachLengthScalesOnItsOwn)
{
    // 120 DPI: client 600 x 990.
    ExpectRect(DashboardRowRect(RowHeader, 600, 990, 120), 35, 25, 565, 53);
    ExpectRect(DashboardRowRect(RowPumpLine, 600, 990, 120), 310, 63, 565, 91);
    ExpectRect(DashboardRowRect(RowFooter, 600, 990, 120), 35, 955, 565, 980);
    ExpectRect(DashboardRowRect(RowStatusSentence, 600, 990, 120), 35, 890, 395, 938);
    // 144 DPI: client 720 x 1188.
    ExpectRect(DashboardRowRect(RowCurveChart, 720, 1188, 144), 93, 666, 678, 828);
    ExpectRect(DashboardRowRect(RowRightCaption, 720, 1188, 144), 528, 567, 678, 594);
}

// Advance widths of the liquid temperature's glyphs in one face, and its two fonts' lines.
struct TemperatureFace {
    const char* name;
    int32_t dpi;
    int32_t digit, point, dash; // hero font, device pixels
    int32_t unitWidth;          // "°C" in the unit font
    FontLines hero, unit;
};

// Segoe UI Semibold from its 2048-unit em, widths rounded up (digits 1200, point 560, hyphen
// 820; "°C" 2180; ascent 2210 and descent 514), at 42 and 18 points.
TemperatureFace SegoeAt(int32_t dpi)
{
    const int32_t hero = MulDiv(42, dpi, 72), unit = MulDiv(18, dpi, 72); // em in pixels
    auto em = [](int32_t units, int32_t size) { return (units * size + 2047) / 2048; };
    return {"Segoe UI", dpi, em(1200, hero), em(560, hero), em(820, hero), em(2180, unit),
            {em(2724, hero), em(2210, hero)}, {em(2724, unit), em(2210, unit)}};
}

TEST(Temperature, NumberAndUnitFitTheRowForEveryValue)
{
    // Wine's message font as measured under Wine 8 (it is far wider than Segoe UI).
    const TemperatureFace faces[] = {
        {"Wine", 96, 39, 21, 23, 30, {65, 52}, {28, 22}},
        {"Wine", 120, 49, 27, 29, 37, {82, 65}, {35, 28}},
        {"Wine", 144, 58, 32, 35, 44, {98, 78}, {41, 33}},
        SegoeAt(96), SegoeAt(120), SegoeAt(144),
    };
    for (const TemperatureFace& f : faces) {
        const PixelRect row = DashboardRowRect(RowTemperature, Scale(480, f.dpi), Scale(792, f.dpi), f.dpi);
        // "--.-" and every value from 0.0 to 100.0: the widest has the most digits.
        const int32_t widths[] = {3 * f.dash + f.point, 2 * f.digit + f.point,
                                  3 * f.digit + f.point, 4 * f.digit + f.point};
        for (int32_t width : widths) {
            const TemperatureBoxes boxes = TemperatureLayout(row, width, f.hero, f.unit, f.dpi);
            SCOPED_TRACE(testing::Message() << f.name << " at " << f.dpi << " DPI, " << width);
            EXPECT_EQ(boxes.number.left, row.left);
            EXPECT_GE(boxes.unit.left, row.left + width);
            EXPECT_LE(boxes.unit.left + f.unitWidth, row.right);
            EXPECT_EQ(boxes.unit.right, row.right);
            // One baseline, and the unit's line inside the row.
            EXPECT_EQ(boxes.number.top + f.hero.ascent, boxes.unit.top + f.unit.ascent);
            EXPECT_GE(boxes.unit.top, row.top);
            EXPECT_LE(boxes.unit.bottom, row.bottom);
        }
    }
}

TEST(SectionTitle, LegendsFollowTheTitleOrItsCut)
{
    const PixelRect row = {28, 262, 452, 284};
    SectionTitleBoxes boxes = SectionTitleLayout(row, 30, 25, 96); // "GPU", "Fan"
    ExpectRect(boxes.title, 28, 262, 260, 284);
    ExpectRect(boxes.legend1, 28 + 30 + 24, 262, 452, 284);
    ExpectRect(boxes.legend2, 82 + 25 + 16, 262, 452, 284);
    boxes = SectionTitleLayout(row, 232, 25, 96); // exactly the limit
    EXPECT_EQ(boxes.legend1.left, 28 + 232 + 24);
    boxes = SectionTitleLayout(row, 400, 25, 96); // a long GPU name, cut at 232
    EXPECT_EQ(boxes.legend1.left, 28 + 232 + 24);
    EXPECT_EQ(boxes.legend2.left, 284 + 25 + 16);
    // 144 DPI: 232, 24 and 16 scale on their own; the widths are already device pixels.
    const PixelRect wide = {42, 393, 678, 426};
    boxes = SectionTitleLayout(wide, 500, 40, 144);
    EXPECT_EQ(boxes.title.right, 42 + 348);
    EXPECT_EQ(boxes.legend1.left, 42 + 348 + 36);
    EXPECT_EQ(boxes.legend2.left, 426 + 40 + 24);
}

TEST(ControlLayout, At96120And144Dpi)
{
    ControlLayout l = ControlLayoutFor(480, 96);
    ExpectRect(l.pumpSlider, 142, 632, 452, 656);
    ExpectRect(l.fanSlider, 142, 676, 452, 700);
    ExpectRect(l.applyButton, 332, 712, 452, 750);
    ExpectRect(l.profileButtons[0], 28, 586, 128, 618);
    ExpectRect(l.profileButtons[1], 136, 586, 236, 618);
    ExpectRect(l.profileButtons[2], 244, 586, 344, 618);
    ExpectRect(l.profileButtons[3], 352, 586, 452, 618);

    l = ControlLayoutFor(600, 120);
    ExpectRect(l.pumpSlider, 178, 790, 565, 820);
    ExpectRect(l.fanSlider, 178, 845, 565, 875);
    ExpectRect(l.applyButton, 415, 890, 565, 938);
    ExpectRect(l.profileButtons[3], 440, 733, 565, 773);

    l = ControlLayoutFor(720, 144);
    ExpectRect(l.pumpSlider, 213, 948, 678, 984);
    ExpectRect(l.fanSlider, 213, 1014, 678, 1050);
    ExpectRect(l.applyButton, 498, 1068, 678, 1125);
    ExpectRect(l.profileButtons[1], 204, 879, 354, 927);
}

TEST(HitTest, RightAndBottomEdgesAreOutside)
{
    const PixelRect r = {10, 20, 30, 40};
    EXPECT_TRUE(PointInside(r, 10, 20));
    EXPECT_TRUE(PointInside(r, 29, 39));
    EXPECT_FALSE(PointInside(r, 30, 25));
    EXPECT_FALSE(PointInside(r, 15, 40));
    EXPECT_FALSE(PointInside(r, 9, 25));
    EXPECT_FALSE(PointInside(r, 15, 19));
}

TEST(Slider, MappingBothWaysAndClamping)
{
    const ControlLayout l = ControlLayoutFor(480, 96);
    EXPECT_EQ(SliderValueAt(l.pumpSlider, 297, PumpSliderMin), 75);
    EXPECT_EQ(SliderValueAt(l.fanSlider, 297, FanSliderMin), 60);
    EXPECT_EQ(SliderThumbX(l.pumpSlider, 60, PumpSliderMin), 204);
    EXPECT_EQ(SliderValueAt(l.pumpSlider, 142, PumpSliderMin), 50);
    EXPECT_EQ(SliderValueAt(l.fanSlider, 142, FanSliderMin), 20);
    EXPECT_EQ(SliderValueAt(l.pumpSlider, 451, PumpSliderMin), 100);
    EXPECT_EQ(SliderValueAt(l.fanSlider, 451, FanSliderMin), 100);
    EXPECT_EQ(SliderValueAt(l.pumpSlider, -1000, PumpSliderMin), 50);
    EXPECT_EQ(SliderValueAt(l.pumpSlider, 5000, PumpSliderMin), 100);
    EXPECT_EQ(SliderValueAt({100, 0, 100, 10}, 100, FanSliderMin), 20);
    for (int32_t v = PumpSliderMin; v <= 100; ++v) {
        EXPECT_EQ(SliderValueAt(l.pumpSlider, SliderThumbX(l.pumpSlider, v, PumpSliderMin),
                                PumpSliderMin), v);
    }
    for (int32_t v = FanSliderMin; v <= 100; ++v) {
        EXPECT_EQ(SliderValueAt(l.fanSlider, SliderThumbX(l.fanSlider, v, FanSliderMin),
                                FanSliderMin), v);
    }
}

TEST(Charts, PercentHeightsAndCurveX)
{
    const PixelRect chart = {62, 444, 452, 552};
    EXPECT_EQ(PercentY(chart, 0), 552);
    EXPECT_EQ(PercentY(chart, 100), 444);
    EXPECT_EQ(PercentY(chart, 50), 498);
    EXPECT_EQ(PercentY(chart, 29), 521); // 552 - 31.32
    EXPECT_EQ(CurveX(chart, 200), 62);
    EXPECT_EQ(CurveX(chart, 590), 452);
    EXPECT_EQ(CurveX(chart, 312), 62 + 112);
    EXPECT_EQ(CurveX(chart, 150), 62);
    EXPECT_EQ(CurveX(chart, -40), 62);
    EXPECT_EQ(CurveX(chart, 1000), 452);
}

TEST(Charts, HistoryAgesAcrossTheWindowAndTheWrap)
{
    const PixelRect chart = {62, 154, 452, 240};
    int32_t x = -1;
    ASSERT_TRUE(HistoryX(chart, 5000000, 5000000, &x));
    EXPECT_EQ(x, 452);
    ASSERT_TRUE(HistoryX(chart, 5000000, 5000000 - 600000, &x));
    EXPECT_EQ(x, 62);
    ASSERT_TRUE(HistoryX(chart, 5000000, 5000000 - 300000, &x));
    EXPECT_EQ(x, 257);
    EXPECT_FALSE(HistoryX(chart, 5000000, 5000000 - 600001, &x));
    EXPECT_FALSE(HistoryX(chart, 5000000, 5000001, &x)); // later than now
    ASSERT_TRUE(HistoryX(chart, 1000, 0xFFFFFFFFu - 1000, &x)); // 2001 ms across the wrap
    EXPECT_EQ(x, 452 - 1);
}

TEST(Charts, TintsForBothPalettes)
{
    const Colour lightBackground = 0xEEF3F4, darkBackground = 0x101516;
    const Colour lightAccent = 0x2B3AC4, darkAccent = 0x455BE2, blue = 0xDE8D3A;
    EXPECT_EQ(CurveTint(darkBackground, darkAccent), 0x161D2Eu);
    EXPECT_EQ(CurveTint(darkBackground, blue), 0x28231Au);
    EXPECT_EQ(CurveTint(lightBackground, lightAccent), 0xD6DCEEu);
    EXPECT_EQ(CurveTint(lightBackground, blue), 0xECE6DDu);
}

} // namespace
