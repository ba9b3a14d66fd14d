#include "ui/tray_model.h"

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

    status = {1, 0, 314, 980, 60, 760, 30, 1, 45, 1500, 62};
    InterlockedExchange(&AppliedProfile, ProfileBalanced);
    BuildTrayTooltip(tip, TooltipCapacity, status);
    EXPECT_EQ(Text(tip), u"Tidewatch \u00B7 31.4 \u00B0C \u00B7 Pump 980 RPM \u00B7 Fans 760 RPM "
                         u"\u00B7 Balanced \u00B7 GPU 45% 62 \u00B0C");

    status.gpuValid = 0;
    InterlockedExchange(&AppliedProfile, -1);
    BuildTrayTooltip(tip, TooltipCapacity, status);
    EXPECT_EQ(Text(tip), u"Tidewatch \u00B7 31.4 \u00B0C \u00B7 Pump 980 RPM \u00B7 Fans 760 RPM "
                         u"\u00B7 Unchanged");

    // The longest possible text fits with room to spare.
    status = {1, 0, 1000, 65535, 100, 65535, 100, 1, 100, 0, 150};
    InterlockedExchange(&AppliedProfile, ProfilePerformance);
    EXPECT_LT(BuildTrayTooltip(tip, TooltipCapacity, status), 100);
    EXPECT_EQ(BuildTrayTooltip(tip, 12, status), 11);
    EXPECT_EQ(Text(tip), u"Tidewatch \u00B7");
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

TEST(Placement, TaskbarOnEachSide)
{
    const PixelRect screenWork = {0, 0, 1920, 1040}; // bottom taskbar
    const int32_t w = 496, h = 831;
    PixelRect icon = {1800, 1048, 1824, 1072};
    PixelPoint p = PlaceNearIcon(&icon, screenWork, w, h, 96);
    EXPECT_EQ(p.x + w, 1920 - 12);
    EXPECT_EQ(p.y + h, 1040 - 12);

    icon = {948, 1048, 972, 1072}; // middle of a bottom taskbar
    p = PlaceNearIcon(&icon, screenWork, w, h, 96);
    EXPECT_EQ(p.x, 960 - w / 2);
    EXPECT_EQ(p.y + h, 1028);

    const PixelRect topWork = {0, 40, 1920, 1080};
    icon = {1800, 8, 1824, 32};
    p = PlaceNearIcon(&icon, topWork, w, h, 96);
    EXPECT_EQ(p.y, 40 + 12);
    EXPECT_EQ(p.x + w, 1908);

    const PixelRect leftWork = {60, 0, 1920, 1080};
    icon = {18, 900, 42, 924};
    p = PlaceNearIcon(&icon, leftWork, w, h, 96);
    EXPECT_EQ(p.x, 72);
    EXPECT_EQ(p.y + h, 1080 - 12);
    icon = {18, 500, 42, 524};
    p = PlaceNearIcon(&icon, leftWork, w, h, 96);
    EXPECT_EQ(p.y, 512 - h / 2);

    const PixelRect rightWork = {0, 0, 1860, 1080};
    icon = {1878, 900, 1902, 924};
    p = PlaceNearIcon(&icon, rightWork, w, h, 96);
    EXPECT_EQ(p.x + w, 1848);
}

TEST(Placement, NoIconTooLargeAndOtherDpis)
{
    const PixelRect work = {0, 0, 1920, 1040};
    PixelPoint p = PlaceNearIcon(nullptr, work, 496, 831, 96);
    EXPECT_EQ(p.x, 1920 - 12 - 496);
    EXPECT_EQ(p.y, 1040 - 12 - 831);
    p = PlaceNearIcon(nullptr, work, 620, 1040, 120);
    EXPECT_EQ(p.x, 1920 - 15 - 620);
    EXPECT_EQ(p.y, 15); // taller than the work area: the top edge stays visible
    p = PlaceNearIcon(nullptr, {1920, 0, 3840, 2120}, 744, 1247, 144);
    EXPECT_EQ(p.x, 3840 - 18 - 744);
    EXPECT_EQ(p.y, 2120 - 18 - 1247);
    p = PlaceNearIcon(nullptr, {0, 0, 400, 300}, 496, 831, 96);
    EXPECT_EQ(p.x, 12);
    EXPECT_EQ(p.y, 12);
}

} // namespace
