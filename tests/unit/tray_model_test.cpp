#include "ui/tray_model.h"
#include "ui/dashboard_text.h"
#include "ui/placement.h"

#include "ui/badge_pixels.h"

#include "profiles/profiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Text(const char16_t* t) { return std::u16string(t); }

TEST(Badge, RoundingCappingAndBands)
{
    EXPECT_EQ(BadgeValue(314), 31);
    EXPECT_EQ(BadgeValue(315), 32);
    EXPECT_EQ(BadgeValue(994), 99);
    EXPECT_EQ(BadgeValue(995), 99);
    EXPECT_EQ(BadgeValue(1000), 99);
    EXPECT_EQ(BadgeValue(0), 0);
    EXPECT_EQ(BadgeValue(313), BadgeValue(314)); // a wobble never redraws
    EXPECT_EQ(BadgeColour(34), 0xDE8D3Au);
    EXPECT_EQ(BadgeColour(35), 0x649A39u);
    EXPECT_EQ(BadgeColour(39), 0x649A39u);
    EXPECT_EQ(BadgeColour(40), 0x248AD2u);
    EXPECT_EQ(BadgeColour(44), 0x248AD2u);
    EXPECT_EQ(BadgeColour(45), 0x455BE2u);
    EXPECT_EQ(BadgeColour(99), 0x455BE2u);
}

TEST(Badge, RedrawsOnlyWhenTheWholeDegreeChanges)
{
    CoolerStatus status = {};
    status.connected = 1;
    status.liquidTenths = 314;
    int32_t value = -7;
    // The first connected status draws, whatever the number.
    EXPECT_EQ(DecideBadge(status, -1, 0, 16, &value), BadgeRedraw);
    EXPECT_EQ(value, 31);
    status.liquidTenths = 313; // a wobble in the tenths
    EXPECT_EQ(DecideBadge(status, 31, 16, 16, &value), BadgeKeep);
    status.liquidTenths = 315;
    EXPECT_EQ(DecideBadge(status, 31, 16, 16, &value), BadgeRedraw);
    EXPECT_EQ(value, 32);
    status.liquidTenths = 1000; // capped: 99 stays 99
    EXPECT_EQ(DecideBadge(status, 99, 16, 16, &value), BadgeKeep);
    // A badge that could not be drawn left the shown value alone: the next status redraws.
    status.liquidTenths = 427;
    EXPECT_EQ(DecideBadge(status, 31, 16, 16, &value), BadgeRedraw);
    EXPECT_EQ(DecideBadge(status, 31, 16, 16, &value), BadgeRedraw);
    // The tray's icon size changed (another DPI): the same number is drawn at the new size,
    // and kept at it afterwards.
    EXPECT_EQ(DecideBadge(status, 43, 16, 24, &value), BadgeRedraw);
    EXPECT_EQ(value, 43);
    EXPECT_EQ(DecideBadge(status, 43, 24, 24, &value), BadgeKeep);
    // Unplugged: dropped, even with a badge of the same number; back at the same
    // temperature, drawn anew.
    status.connected = 0;
    EXPECT_EQ(DecideBadge(status, 43, 16, 16, &value), BadgeDrop);
    EXPECT_EQ(DecideBadge(status, -1, 0, 16, &value), BadgeDrop);
    status.connected = 1;
    EXPECT_EQ(DecideBadge(status, -1, 0, 16, &value), BadgeRedraw);
    EXPECT_EQ(value, 43);
}

// The badge as the tray shows it: '#' white, '-' the band colour, '.' transparent; '?' for
// anything else, or a pixel whose mask bit disagrees with its alpha.
std::string BadgePicture(int32_t value, int32_t size)
{
    uint32_t pixels[BadgeMaxSize * BadgeMaxSize];
    uint8_t mask[BadgeMaskCapacity];
    DrawBadgePixels(value, size, pixels);
    BadgeMaskBits(pixels, size, mask);
    const uint32_t band = 0xFF000000 | (BadgeColour(value) & 0xFF) << 16 |
                          (BadgeColour(value) & 0xFF00) | BadgeColour(value) >> 16;
    std::string picture;
    for (int32_t i = 0; i < size * size; ++i) {
        const bool masked = mask[i / size * ((size + 15) / 16 * 2) + i % size / 8] & 0x80 >> (i % size % 8);
        picture += masked != (pixels[i] == 0) ? '?' : pixels[i] == 0 ? '.' : pixels[i] == 0xFFFFFFFF ? '#' : pixels[i] == band ? '-' : '?';
        if (i % size == size - 1) picture += '\n';
    }
    return picture;
}

TEST(BadgePixels, TwoSharpDigitsAtSixteenPixels)
{
    EXPECT_EQ(BadgePicture(43, 16), ".--------------.\n"
                                    "----------------\n"
                                    "-##--##--######-\n"
                                    "-##--##--######-\n"
                                    "-##--##------##-\n"
                                    "-##--##------##-\n"
                                    "-##--##------##-\n"
                                    "-######--######-\n"
                                    "-######--######-\n"
                                    "-----##------##-\n"
                                    "-----##------##-\n"
                                    "-----##------##-\n"
                                    "-----##--######-\n"
                                    "-----##--######-\n"
                                    "----------------\n"
                                    ".--------------.\n");
    // One digit in the middle; a 1 is a stem with a flag.
    EXPECT_EQ(BadgePicture(1, 16), ".--------------.\n"
                                   "----------------\n"
                                   "-------##-------\n"
                                   "-----####-------\n"
                                   "-----####-------\n"
                                   "-------##-------\n"
                                   "-------##-------\n"
                                   "-------##-------\n"
                                   "-------##-------\n"
                                   "-------##-------\n"
                                   "-------##-------\n"
                                   "-------##-------\n"
                                   "-------##-------\n"
                                   "-------##-------\n"
                                   "----------------\n"
                                   ".--------------.\n");
    // The corners grow with the size: a quarter of it across.
    const std::string big = BadgePicture(99, 32);
    EXPECT_EQ(big.substr(0, 33), "..----------------------------..\n");
    EXPECT_EQ(big.substr(33, 33), ".------------------------------.\n");
    EXPECT_EQ(big.substr(66, 33), "--------------------------------\n");
}

TEST(BadgePixels, DigitsFitAndStayOpenAtEverySize)
{
    EXPECT_EQ(BadgeSizeFor(0), 16);
    EXPECT_EQ(BadgeSizeFor(20), 20);
    EXPECT_EQ(BadgeSizeFor(28), 28);
    EXPECT_EQ(BadgeSizeFor(96), 64);
    for (int32_t size = BadgeMinSize; size <= BadgeMaxSize; ++size) {
        SCOPED_TRACE(size);
        const DigitLayout d = BadgeDigitLayout(size);
        // Nearly the full height, with the band showing round the digits and between them,
        // and the holes of 0, 6, 8 and 9 at least two pixels across.
        EXPECT_GE(4 * d.height, 3 * size - 3);
        EXPECT_GE(d.top, 1);
        EXPECT_LE(d.top + d.height, size - 1);
        EXPECT_GE(d.gap, 2);
        EXPECT_GE(d.width - 2 * d.stroke, 2);
        EXPECT_GE(d.middle - d.stroke, 2);
        EXPECT_GE(d.height - d.middle - 2 * d.stroke, 2);
        for (int32_t value = 0; value <= 99; ++value) {
            PixelRect rects[BadgeRectCapacity];
            const int count = BadgeDigitRects(value, size, rects);
            ASSERT_GE(count, value < 10 ? 2 : 4);
            int32_t left = size, right = 0;
            for (int i = 0; i < count; ++i) {
                const PixelRect& r = rects[i];
                EXPECT_TRUE(r.left < r.right && r.top < r.bottom);
                EXPECT_TRUE(InsideBadgeSquare(r.left - 1, r.top - 1, size));
                EXPECT_TRUE(InsideBadgeSquare(r.right, r.bottom, size));
                left = r.left < left ? r.left : left;
                right = r.right > right ? r.right : right;
            }
            // Centred: as much band left as right, within a pixel (a 1 has its flag).
            const bool hasOne = value % 10 == 1 || value / 10 == 1;
            if (!hasOne) {
                EXPECT_LE(abs((size - right) - left), 1) << value;
            }
        }
    }
}

class Tooltip : public ::testing::Test {
protected:
    void TearDown() override { InterlockedExchange(&AppliedProfile, -1); }
};

TEST_F(Tooltip, EveryState)
{
    char16_t tip[TooltipCapacity];
    CoolerStatus status = {};
    BuildTrayTooltip(tip, TooltipCapacity, status);
    EXPECT_EQ(Text(tip), u"Tidewatch \u00B7 Kraken disconnected");

    status = {1, 0, 314, 980, 60, 760, 30, 1, 45, 1500, 62, 0};
    InterlockedExchange(&AppliedProfile, ProfileBalanced);
    BuildTrayTooltip(tip, TooltipCapacity, status);
    EXPECT_EQ(Text(tip), u"Tidewatch \u00B7 31.4 \u00B0C \u00B7 Pump 980 RPM \u00B7 Fans 760 RPM "
                         u"\u00B7 Balanced \u00B7 GPU 45% 62 \u00B0C");
    status.conditions = ConditionCurveNotHeld;
    BuildTrayTooltip(tip, TooltipCapacity, status);
    EXPECT_EQ(Text(tip), u"Tidewatch \u00B7 31.4 \u00B0C \u00B7 Pump 980 RPM \u00B7 Fans 760 RPM "
                         u"\u00B7 Balanced (not held) \u00B7 GPU 45% 62 \u00B0C");
    // The cooler reports a fault: no liquid figure, the red band with no number.
    status = {1, 0, LiquidUnknown, 0, 0, 0, 0, 0, 0, 0, 0,
              ConditionPumpStopped | ConditionCoolerFault};
    BuildTrayTooltip(tip, TooltipCapacity, status);
    EXPECT_EQ(Text(tip), u"Tidewatch \u00B7 PUMP STOPPED \u00B7 COOLER FAULT \u00B7 Pump 0 RPM "
                         u"\u00B7 Fans 0 RPM \u00B7 Balanced");
    int32_t value = 0;
    EXPECT_EQ(DecideBadge(status, 31, 16, 16, &value), BadgeRedraw);
    EXPECT_EQ(value, BadgeNoNumber);
    EXPECT_EQ(BadgePicture(BadgeNoNumber, 16).find('#'), std::string::npos);
    status = {1, 0, 314, 980, 60, 760, 30, 1, 45, 1500, 62, 0};

    status.gpuValid = 0;
    InterlockedExchange(&AppliedProfile, -1);
    BuildTrayTooltip(tip, TooltipCapacity, status);
    EXPECT_EQ(Text(tip), u"Tidewatch \u00B7 31.4 \u00B0C \u00B7 Pump 980 RPM \u00B7 Fans 760 RPM "
                         u"\u00B7 Unchanged");

    // Disconnected: nothing but the notice, even with GPU figures at hand.
    status.connected = 0;
    status.gpuValid = 1;
    BuildTrayTooltip(tip, TooltipCapacity, status);
    EXPECT_EQ(Text(tip), u"Tidewatch \u00B7 Kraken disconnected");

    // The longest possible text, every condition on: the cut takes the GPU's end only.
    status = {1, 0, 1000, 65535, 100, 65535, 100, 1, 100, 0, 150,
              ConditionAlerts | ConditionCurveNotHeld};
    InterlockedExchange(&AppliedProfile, ProfilePerformance);
    EXPECT_EQ(BuildTrayTooltip(tip, TooltipCapacity, status), TooltipCapacity - 1);
    EXPECT_EQ(Text(tip).rfind(u"Tidewatch \u00B7 PUMP STOPPED \u00B7 LIQUID HOT \u00B7 COOLER FAULT "
                              u"\u00B7 100.0 \u00B0C \u00B7 Pump 65535 RPM \u00B7 Fans 65535 RPM "
                              u"\u00B7 Performance (not held) \u00B7", 0), 0u);
    EXPECT_EQ(BuildTrayTooltip(tip, 12, status), 11);
    EXPECT_EQ(Text(tip), u"Tidewatch \u00B7");
}

TEST_F(Tooltip, EveryProfileAndWholeDegrees)
{
    char16_t tip[TooltipCapacity];
    const CoolerStatus status = {1, 0, 300, 0, 50, 0, 20, 0, 0, 0, 0, 0};
    const char16_t* expected[] = {u"Unchanged", u"Manual", u"Silent", u"Balanced", u"Performance",
                                  u"Aggressive"};
    for (int32_t profile = -1; profile <= ProfileAggressive; ++profile) {
        InterlockedExchange(&AppliedProfile, profile);
        BuildTrayTooltip(tip, TooltipCapacity, status);
        EXPECT_EQ(Text(tip), u"Tidewatch \u00B7 30.0 \u00B0C \u00B7 Pump 0 RPM \u00B7 Fans 0 RPM \u00B7 " +
                                 Text(expected[profile + 1]))
            << profile;
    }
}

TrayMenuInputs Inputs()
{
    return {true, -1, 60, 30, -1, -1};
}

int CheckedCount(const MenuEntry* entries, int count)
{
    int n = 0;
    for (int i = 0; i < count; ++i) n += entries[i].checked;
    return n;
}

TEST(TrayMenu, ItemsIdsAndLabelsAtTheStartValues)
{
    TrayMenuModel model;
    BuildTrayMenuModel(Inputs(), &model);
    const char16_t* texts[MainMenuEntries] = {u"Open Tidewatch", u"", u"Profiles", u"Silent",
        u"Balanced", u"Performance", u"Aggressive", u"", u"Manual duty", u"Pump  60%",
        u"Fans  30%", u"Apply manual", u"", u"Screen", u"", u"Exit"};
    const UINT ids[MainMenuEntries] = {201, 0, 0, 211, 212, 213, 215, 0, 0, 0, 0, 214, 0, 0, 0, 202};
    for (int i = 0; i < MainMenuEntries; ++i) {
        EXPECT_EQ(Text(model.main[i].text), Text(texts[i])) << i;
        EXPECT_EQ(model.main[i].id, ids[i]) << i;
        EXPECT_EQ(model.main[i].separator, i == 1 || i == 7 || i == 12 || i == 14) << i;
    }
    EXPECT_TRUE(model.main[2].grayed);
    EXPECT_TRUE(model.main[8].grayed);
    EXPECT_EQ(model.main[9].submenu, SubmenuPump);
    EXPECT_EQ(model.main[10].submenu, SubmenuFans);
    EXPECT_EQ(model.main[13].submenu, SubmenuScreen);
    EXPECT_TRUE(model.main[13].grayed); // screen mode unknown
    EXPECT_EQ(CheckedCount(model.main, MainMenuEntries), 0);

    ASSERT_EQ(model.submenuCounts[SubmenuPump], 6);
    ASSERT_EQ(model.submenuCounts[SubmenuFans], 9);
    ASSERT_EQ(model.submenuCounts[SubmenuScreen], 4);
    EXPECT_EQ(Text(model.submenus[SubmenuPump][0].text), u"50%");
    EXPECT_EQ(model.submenus[SubmenuPump][5].id, 235u);
    EXPECT_TRUE(model.submenus[SubmenuPump][1].checked); // 60%
    EXPECT_EQ(CheckedCount(model.submenus[SubmenuPump], 6), 1);
    EXPECT_EQ(Text(model.submenus[SubmenuFans][8].text), u"100%");
    EXPECT_EQ(model.submenus[SubmenuFans][0].id, 240u);
    EXPECT_TRUE(model.submenus[SubmenuFans][1].checked); // 30%
    EXPECT_EQ(Text(model.submenus[SubmenuScreen][0].text), u"Off");
    EXPECT_EQ(Text(model.submenus[SubmenuScreen][3].text), u"100%");
    EXPECT_EQ(model.submenus[SubmenuScreen][3].id, 253u);
    EXPECT_EQ(CheckedCount(model.submenus[SubmenuScreen], 4), 0);
    for (int s = 0; s < TraySubmenuCount; ++s) {
        for (int i = 0; i < model.submenuCounts[s]; ++i) EXPECT_FALSE(model.submenus[s][i].grayed);
    }
}

TEST(TrayMenu, DisconnectedGreysWhatWouldWriteToTheCooler)
{
    TrayMenuInputs in = Inputs();
    in.connected = false;
    in.screenMode = 2;
    in.screenBrightness = 50;
    TrayMenuModel model;
    BuildTrayMenuModel(in, &model);
    for (int i : {3, 4, 5, 6, 11, 13}) EXPECT_TRUE(model.main[i].grayed) << i;
    for (int i : {0, 9, 10, 15}) EXPECT_FALSE(model.main[i].grayed) << i;
    // Choosing a duty only sets the manual value: the submenus stay usable.
    for (int s = 0; s < TraySubmenuCount; ++s) {
        for (int i = 0; i < model.submenuCounts[s]; ++i) EXPECT_FALSE(model.submenus[s][i].grayed);
    }
    EXPECT_TRUE(model.submenus[SubmenuScreen][2].checked); // the label still tells the level
}

TEST(TrayMenu, EachProfileChecksItsOwnItem)
{
    TrayMenuInputs in = Inputs();
    TrayMenuModel model;
    const int item[] = {3, 4, 5, 6}; // Silent .. Aggressive
    for (int32_t profile = ProfileSilent; profile <= ProfileAggressive; ++profile) {
        in.appliedProfile = profile;
        BuildTrayMenuModel(in, &model);
        EXPECT_TRUE(model.main[item[profile - 1]].checked) << profile;
        EXPECT_EQ(CheckedCount(model.main, MainMenuEntries), 1) << profile;
    }
    // The ends of each submenu.
    in.manualPumpDuty = 50;
    in.manualFanDuty = 100;
    in.screenBrightness = 100;
    in.screenMode = 0;
    BuildTrayMenuModel(in, &model);
    EXPECT_TRUE(model.submenus[SubmenuPump][0].checked);
    EXPECT_TRUE(model.submenus[SubmenuFans][8].checked);
    EXPECT_TRUE(model.submenus[SubmenuScreen][3].checked);
    EXPECT_EQ(Text(model.main[13].text), u"Screen  100%");
    EXPECT_FALSE(model.main[13].grayed); // mode 0 counts as known
}

TEST(TrayMenu, ChecksFollowTheState)
{
    TrayMenuInputs in = Inputs();
    TrayMenuModel model;
    in.appliedProfile = ProfileAggressive;
    in.manualPumpDuty = 64; // set by a slider: no step matches
    in.screenBrightness = 0;
    in.screenMode = 1;
    BuildTrayMenuModel(in, &model);
    EXPECT_TRUE(model.main[6].checked);
    EXPECT_EQ(CheckedCount(model.main, MainMenuEntries), 1);
    EXPECT_EQ(CheckedCount(model.submenus[SubmenuPump], 6), 0);
    EXPECT_EQ(Text(model.main[9].text), u"Pump  64%");
    EXPECT_EQ(Text(model.main[13].text), u"Screen  Off");
    EXPECT_TRUE(model.submenus[SubmenuScreen][0].checked);
    EXPECT_FALSE(model.main[13].grayed);

    in.appliedProfile = ProfileManual;
    in.screenBrightness = 50;
    BuildTrayMenuModel(in, &model);
    EXPECT_EQ(CheckedCount(model.main, MainMenuEntries), 0);
    EXPECT_EQ(Text(model.main[13].text), u"Screen  50%");
    EXPECT_TRUE(model.submenus[SubmenuScreen][2].checked);

    in.screenBrightness = 40;
    in.screenMode = -1;
    BuildTrayMenuModel(in, &model);
    EXPECT_EQ(Text(model.main[13].text), u"Screen  40%");
    EXPECT_TRUE(model.main[13].grayed);
    EXPECT_EQ(CheckedCount(model.submenus[SubmenuScreen], 4), 0);
}

// A 1920 x 1080 screen at each DPI, with its taskbar 40 logical pixels thick on one side and
// the window 496 x 831 logical pixels (the dashboard with its frame).
struct Screen {
    int32_t dpi;
    int32_t m;             // the margin in pixels at that DPI
    int32_t bar;           // taskbar thickness in pixels
    int32_t w, h;          // window size in pixels
    int32_t W, H;          // screen size in pixels
};

class Placement : public ::testing::TestWithParam<int32_t> {
protected:
    Screen S() const
    {
        const int32_t dpi = GetParam();
        return {dpi, Scale(12, dpi), Scale(40, dpi), Scale(496, dpi), Scale(831, dpi),
                Scale(1920, dpi), Scale(1080, dpi)};
    }
    // A small icon centred on (x, y).
    static PixelRect IconAt(int32_t x, int32_t y) { return {x - 12, y - 12, x + 12, y + 12}; }
};

TEST_P(Placement, MarginFollowsTheWindowsDpi)
{
    const Screen s = S();
    EXPECT_EQ(s.m, s.dpi == 96 ? 12 : s.dpi == 120 ? 15 : 18);
}

TEST_P(Placement, BottomTaskbarIconAtTheRightEnd)
{
    const Screen s = S();
    const PixelRect work = {0, 0, s.W, s.H - s.bar};
    const PixelRect icon = IconAt(s.W - 100, s.H - s.bar / 2);
    const PixelPoint p = PlaceNearIcon(&icon, work, s.w, s.h, s.dpi);
    EXPECT_EQ(p.x + s.w, work.right - s.m);
    EXPECT_EQ(p.y + s.h, work.bottom - s.m);
    // Without the icon's rectangle: the same corner.
    const PixelPoint q = PlaceNearIcon(nullptr, work, s.w, s.h, s.dpi);
    EXPECT_EQ(q.x, p.x);
    EXPECT_EQ(q.y, p.y);
}

TEST_P(Placement, BottomTaskbarIconInTheMiddle)
{
    const Screen s = S();
    const PixelRect work = {0, 0, s.W, s.H - s.bar};
    const PixelRect icon = IconAt(s.W / 2, s.H - s.bar / 2);
    const PixelPoint p = PlaceNearIcon(&icon, work, s.w, s.h, s.dpi);
    EXPECT_EQ(p.x, s.W / 2 - s.w / 2); // centred on the icon
    EXPECT_EQ(p.y + s.h, work.bottom - s.m);
}

TEST_P(Placement, TopTaskbarIconAtTheRightEnd)
{
    const Screen s = S();
    const PixelRect work = {0, s.bar, s.W, s.H};
    const PixelRect icon = IconAt(s.W - 100, s.bar / 2);
    const PixelPoint p = PlaceNearIcon(&icon, work, s.w, s.h, s.dpi);
    EXPECT_EQ(p.y, work.top + s.m); // just under the taskbar
    EXPECT_EQ(p.x + s.w, work.right - s.m);
}

TEST_P(Placement, LeftTaskbarIconLowOrHalfway)
{
    const Screen s = S();
    const PixelRect work = {s.bar, 0, s.W, s.H};
    PixelRect icon = IconAt(s.bar / 2, s.H - 100);
    PixelPoint p = PlaceNearIcon(&icon, work, s.w, s.h, s.dpi);
    EXPECT_EQ(p.x, work.left + s.m);
    EXPECT_EQ(p.y + s.h, work.bottom - s.m); // pushed up from the bottom
    icon = IconAt(s.bar / 2, s.H / 2);
    p = PlaceNearIcon(&icon, work, s.w, s.h, s.dpi);
    EXPECT_EQ(p.x, work.left + s.m);
    EXPECT_EQ(p.y, s.H / 2 - s.h / 2); // centred on the icon
}

TEST_P(Placement, RightTaskbarIconLow)
{
    const Screen s = S();
    const PixelRect work = {0, 0, s.W - s.bar, s.H};
    const PixelRect icon = IconAt(s.W - s.bar / 2, s.H - 100);
    const PixelPoint p = PlaceNearIcon(&icon, work, s.w, s.h, s.dpi);
    EXPECT_EQ(p.x + s.w, work.right - s.m);
    EXPECT_EQ(p.y + s.h, work.bottom - s.m);
}

TEST_P(Placement, WindowLargerThanTheWorkArea)
{
    const Screen s = S();
    // Taller than the work area less its margins, on a work area that does not start at 0.
    const PixelRect work = {s.W, 0, 2 * s.W, s.h + s.m};
    PixelPoint p = PlaceNearIcon(nullptr, work, s.w, s.h, s.dpi);
    EXPECT_EQ(p.y, work.top + s.m); // the top edge stays visible, the bottom runs past
    EXPECT_EQ(p.x + s.w, work.right - s.m);
    // Wider and taller: the top-left corner wins on both axes.
    const PixelRect small = {0, s.bar, s.w / 2, s.bar + s.h / 2};
    const PixelRect icon = IconAt(s.w / 4, s.bar / 2);
    p = PlaceNearIcon(&icon, small, s.w, s.h, s.dpi);
    EXPECT_EQ(p.x, small.left + s.m);
    EXPECT_EQ(p.y, small.top + s.m);
}

TEST_P(Placement, IconRectangleBelievedOnlyOnTheTaskbar)
{
    const Screen s = S();
    const PixelRect monitor = {0, 0, s.W, s.H};
    const PixelRect bottom = {0, 0, s.W, s.H - s.bar};
    EXPECT_TRUE(IconOnTaskbar(IconAt(s.W - 100, s.H - s.bar / 2), monitor, bottom));
    // In the overflow flyout above the taskbar, empty, or off the monitor: the corner instead.
    EXPECT_FALSE(IconOnTaskbar(IconAt(s.W - 100, s.H - s.bar - 60), monitor, bottom));
    EXPECT_FALSE(IconOnTaskbar({s.W - 100, s.H - 20, s.W - 100, s.H - 4}, monitor, bottom));
    EXPECT_FALSE(IconOnTaskbar(IconAt(s.W + 100, s.H - s.bar / 2), monitor, bottom));
    // On a top or left taskbar, and on a bottom taskbar of a monitor right of the primary.
    EXPECT_TRUE(IconOnTaskbar(IconAt(s.W - 100, s.bar / 2), monitor, {0, s.bar, s.W, s.H}));
    EXPECT_TRUE(IconOnTaskbar(IconAt(s.bar / 2, s.H - 100), monitor, {s.bar, 0, s.W, s.H}));
    EXPECT_FALSE(IconOnTaskbar(IconAt(s.W - 100, s.bar / 2), monitor, bottom));
    EXPECT_TRUE(IconOnTaskbar(IconAt(2 * s.W - 100, s.H - s.bar / 2), {s.W, 0, 2 * s.W, s.H},
                              {s.W, 0, 2 * s.W, s.H - s.bar}));
}

INSTANTIATE_TEST_SUITE_P(AtEachDpi, Placement, ::testing::Values(96, 120, 144));

// The dashboard's frame on Windows 10 and 11 as the fit sees it: the visible border and the
// caption, 2 x 32 logical pixels.
int32_t FrameWidth(int32_t dpi) { return Scale(2, dpi); }
int32_t FrameHeight(int32_t dpi) { return Scale(32, dpi); }

// True when the dashboard laid out at `layout` fits with its frame and margins.
bool Fits(int32_t layout, int32_t dpi, const PixelRect& work)
{
    const int32_t margins = 2 * Scale(12, dpi);
    return Scale(480, layout) + FrameWidth(dpi) + margins <= work.right - work.left &&
           Scale(792, layout) + FrameHeight(dpi) + margins <= work.bottom - work.top;
}

TEST(FitLayout, LaptopDesksWithBothTaskbars)
{
    struct Desk {
        int32_t width, height, dpi; // the screen in pixels
        int32_t bar96;              // taskbar, logical pixels
        int32_t layout;             // expected layout DPI
    };
    const Desk desks[] = {
        {1366, 768, 96, 40, 81},    {1366, 768, 96, 48, 80},    {1280, 720, 96, 40, 75},
        {1280, 720, 96, 48, 74},    {1920, 1080, 120, 40, 116}, {1920, 1080, 120, 48, 115},
        {1920, 1080, 144, 40, 113}, {1920, 1080, 144, 48, 112}, {2560, 1600, 192, 40, 170},
        {2560, 1600, 192, 48, 168}, {1920, 1080, 96, 48, 96},   {2560, 1440, 144, 48, 144},
    };
    for (const Desk& d : desks) {
        SCOPED_TRACE(testing::Message() << d.width << "x" << d.height << " at " << d.dpi
                                        << " DPI, taskbar " << d.bar96);
        const PixelRect work = {0, 0, d.width, d.height - Scale(d.bar96, d.dpi)};
        const int32_t layout = FitLayoutDpi(d.dpi, work, FrameWidth(d.dpi), FrameHeight(d.dpi));
        EXPECT_EQ(layout, d.layout);
        EXPECT_TRUE(Fits(layout, d.dpi, work));
        if (layout < d.dpi) {
            EXPECT_FALSE(Fits(layout + 1, d.dpi, work)); // the largest that fits
        }
    }
    // A work area on a second monitor fits the same; one too small for anything gets the floor.
    EXPECT_EQ(FitLayoutDpi(96, {1366, -40, 2732, 688}, 2, 32), 81);
    EXPECT_EQ(FitLayoutDpi(96, {0, 0, 200, 200}, 2, 32), MinimumLayoutDpi);
}

// A menu opened from the keyboard goes to the icon, or without it into the work area's
// corner; a right click counts as the keyboard's unless the pointer is where the last move
// report over the icon found it.
TEST(TrayKeyboard, MenuAnchorAndWhoClicked)
{
    const PixelRect work = {1920, 0, 3840, 1032};
    const PixelRect icon = {3600, 1040, 3624, 1072};
    MenuAnchor anchor = KeyboardMenuAnchor(&icon, work);
    EXPECT_TRUE(anchor.at.x == 3612 && anchor.at.y == 1056 && !anchor.bottomRight);
    anchor = KeyboardMenuAnchor(nullptr, work);
    EXPECT_TRUE(anchor.at.x == 3840 && anchor.at.y == 1032 && anchor.bottomRight);

    const PixelPoint over = {1700, 1050};
    EXPECT_TRUE(TrayNoticeFromKeyboard(nullptr, {1700, 1050}, 16)); // the pointer never came
    EXPECT_FALSE(TrayNoticeFromKeyboard(&over, {1716, 1034}, 16));
    EXPECT_TRUE(TrayNoticeFromKeyboard(&over, {1717, 1050}, 16));
    EXPECT_TRUE(TrayNoticeFromKeyboard(&over, {1700, 1033}, 16));
}

} // namespace
