#include "ui/accessible.h"

#include "ui/dashboard_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr AccessibleElement ElementBalanced = static_cast<AccessibleElement>(ElementSilent + 1);

std::u16string Text(AccessibleElement element, AccessibleText kind, const AccessibleView& view)
{
    char16_t text[DashboardLineCapacity];
    const int length = ElementText(text, DashboardLineCapacity, element, kind, view);
    EXPECT_EQ(text[length], 0);
    return text;
}

// Each row: a status (waiting, connected at 32.4 °C, or the link failed) with an applied
// profile, and what one element says then. The focus is on Balanced, in a focused window.
TEST(Accessible, ElementsFromStatuses)
{
    enum Reading { Waiting, Connected, Failed };
    const uint32_t Control = StateFocusable, Static = StateReadOnly;
    const struct { // applied: AppliedProfile, Manual having written 70% and 30%
        Reading reading; int32_t applied; AccessibleElement element;
        const char16_t* name; const char16_t* value; uint32_t state;
    } rows[] = {
        {Waiting, -1, ElementHeader, u"KRAKEN ELITE  ·  WAITING", u"", Static},
        {Waiting, -1, ElementLiquid, u"Liquid", u"--.- °C", Static},
        {Waiting, -1, ElementFanLine, u"", u"", Static | StateInvisible},
        {Waiting, -1, ElementCoolerChart, u"COOLER", u"No cooler history", Static},
        {Waiting, -1, ElementCurveChart, u"COOLER CURVE  ·  EDITABLE", u"No curve written this run", Static},
        {Waiting, -1, ElementBalanced, u"Balanced", u"", Control | StateFocused | StateUnavailable},
        {Waiting, -1, ElementApply, u"Apply", u"", Control | StateUnavailable},
        {Waiting, -1, ElementPumpSlider, u"Pump", u"60 %", Control},
        {Failed, 2, ElementCurveChart, u"COOLER CURVE  ·  EDITABLE", u"Balanced curve; 100% at 59 °C", Static},
        {Failed, 2, ElementBalanced, u"Balanced", u"", Control | StateFocused | StateUnavailable | StateChecked},
        {Connected, 2, ElementLiquid, u"Liquid", u"32.4 °C", Static},
        {Connected, 2, ElementCoolerChart, u"COOLER", u"Fans 20–45%, Temp 31 °C", Static},
        {Connected, 2, ElementCurveChart, u"COOLER CURVE  ·  EDITABLE", u"Pump  64%, Fans  29% at 32 °C", Static},
        {Connected, 2, ElementBalanced, u"Balanced", u"", Control | StateFocused | StateChecked},
        {Connected, 2, ElementFanSlider, u"Fans", u"30 %", Control},
        {Connected, 0, ElementCurveChart, u"COOLER CURVE  ·  EDITABLE", u"Pump  70%, Fans  30% at 32 °C", Static},
        {Connected, 0, ElementBalanced, u"Balanced", u"", Control | StateFocused},
        {Connected, 0, ElementFooter, u"", u"", Static | StateInvisible},
    };
    ManualPumpDuty = 60;
    ManualFanDuty = 30;
    const HistorySample samples[] = {{1000, 90, 90}, {700000, 20, 31}, {701000, 45, 31}};
    for (const auto& row : rows) {
        AccessibleView view = {};
        view.status.connected = row.reading == Connected;
        view.status.linkState = row.reading == Failed ? LinkFailed : LinkOpening;
        if (row.reading == Connected) view.status = {1, 0, 324, 2210, 62, 540, 27, 0, 0, 0, 0, 0};
        view.cooler = HistoryRangeOf(samples, row.reading == Connected ? 3 : 0, 702000);
        view.focus = FocusBalanced;
        view.focused = true;
        AppliedProfile = row.applied;
        AppliedPumpDuty = 70;
        AppliedFanDuty = 30;
        const std::u16string name(row.name);
        SCOPED_TRACE(std::string(name.begin(), name.end()) + " / element " + std::to_string(row.element));
        EXPECT_EQ(Text(row.element, TextName, view), row.name);
        EXPECT_EQ(Text(row.element, TextValue, view), row.value);
        EXPECT_EQ(ElementState(row.element, view), row.state);
        const bool button = ElementRole(row.element) == RoleButton;
        EXPECT_EQ(Text(row.element, TextAction, view), button ? u"Press" : u"");
    }
    AppliedProfile = -1;
    AppliedPumpDuty = 0;
    AppliedFanDuty = 0;

    // Where the elements are, at 144 and 96 DPI, and what a client sets a slider to.
    const PixelRect balanced = ElementRect(ElementBalanced, 720, 1188, 144);
    EXPECT_EQ(balanced.left, 204);
    EXPECT_EQ(balanced.bottom, 927);
    EXPECT_EQ(ElementRect(ElementCoolerChart, 480, 792, 96).bottom, 240);
    EXPECT_EQ(ElementAt(150, 600, 480, 792, 96), ElementBalanced);
    EXPECT_EQ(ElementAt(5, 5, 480, 792, 96), ElementClient);
    EXPECT_EQ(SliderValueFromText(u"70 %", PumpSliderMin), 70);
    EXPECT_EQ(SliderValueFromText(u"5", PumpSliderMin), 50);
    EXPECT_EQ(SliderValueFromText(u"250", FanSliderMin), 100);
    EXPECT_EQ(SliderValueFromText(u"%", FanSliderMin), -1);
}

} // namespace
