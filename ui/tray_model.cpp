#include "ui/tray_model.h"

#include "app/text.h"
#include "profiles/profiles.h"
#include "ui/dashboard_text.h"

int32_t BadgeValue(int32_t liquidTenths)
{
    const int32_t value = (liquidTenths + 5) / 10;
    return value > 99 ? 99 : value;
}

Colour BadgeColour(int32_t value)
{
    if (value < 35) return 0xDE8D3A; // blue
    if (value < 40) return 0x649A39; // green
    if (value < 45) return 0x248AD2; // amber
    return 0x455BE2;                 // red
}

BadgeAction DecideBadge(const CoolerStatus& status, int32_t shownValue, int32_t shownSize,
                        int32_t size, int32_t* value)
{
    if (!status.connected) return BadgeDrop;
    if (status.liquidTenths == LiquidUnknown) *value = BadgeNoNumber;
    else *value = BadgeValue(status.liquidTenths) + (status.conditions & ConditionAlerts ? BadgeAlerted : 0);
    return *value == shownValue && size == shownSize ? BadgeKeep : BadgeRedraw;
}

int BuildTrayTooltip(char16_t* buffer, int capacity, const CoolerStatus& status)
{
    int pos = AppendText(buffer, 0, capacity, u"Tidewatch");
    if (!status.connected) return AppendText(buffer, pos, capacity, u" · Kraken disconnected");
    pos = AppendConditions(buffer, pos, capacity, status.conditions & ConditionAlerts, u" · ");
    if (status.liquidTenths != LiquidUnknown) {
        pos = AppendText(buffer, pos, capacity, u" · ");
        pos = AppendTenths(buffer, pos, capacity, status.liquidTenths);
        pos = AppendText(buffer, pos, capacity, u" °C");
    }
    pos = AppendText(buffer, pos, capacity, u" · Pump ");
    pos = AppendDecimal(buffer, pos, capacity, static_cast<uint32_t>(status.pumpRpm));
    pos = AppendText(buffer, pos, capacity, u" RPM · Fans ");
    pos = AppendDecimal(buffer, pos, capacity, static_cast<uint32_t>(status.fanRpm));
    pos = AppendText(buffer, pos, capacity, u" RPM · ");
    pos = AppendText(buffer, pos, capacity, ProfileName(AtomicRead(&AppliedProfile)));
    if (status.conditions & ConditionCurveNotHeld) pos = AppendText(buffer, pos, capacity, u" (not held)");
    if (!status.gpuValid) return pos;
    pos = AppendText(buffer, pos, capacity, u" · GPU ");
    pos = AppendDecimal(buffer, pos, capacity, static_cast<uint32_t>(status.gpuFanPercent));
    pos = AppendText(buffer, pos, capacity, u"% ");
    pos = AppendDecimal(buffer, pos, capacity, static_cast<uint32_t>(status.gpuTempC));
    return AppendText(buffer, pos, capacity, u" °C");
}

void BuildBalloon(int32_t kind, const CoolerStatus& status, char16_t* title, char16_t* text)
{
    constexpr int cap = BalloonTextCapacity;
    AppendText(title, 0, BalloonTitleCapacity, ConditionWord(kind));
    if (kind == ConditionPumpStopped) {
        int pos = AppendText(text, 0, cap, u"Pump at ");
        pos = AppendDecimal(text, pos, cap, static_cast<uint32_t>(status.pumpRpm));
        AppendText(text, pos, cap, u" RPM. Check its cable and power.");
    } else if (kind == ConditionLiquidHot) {
        int pos = AppendText(text, 0, cap, u"Liquid at ");
        pos = AppendTenths(text, pos, cap, status.liquidTenths);
        AppendText(text, pos, cap, u" °C. Check the pump and the fans.");
    } else if (kind == ConditionCoolerFault) {
        AppendText(text, 0, cap, u"The cooler reports a fault. Check its SATA power cable.");
    } else {
        AppendText(text, 0, cap, u"Another program keeps changing the cooler's curves. Close it "
                                 u"and apply a profile.");
    }
}

namespace {

MenuEntry Item(const char16_t* text, UINT id, bool checked, bool grayed)
{
    MenuEntry entry = {};
    AppendText(entry.text, 0, 32, text);
    entry.id = id;
    entry.submenu = -1;
    entry.checked = checked;
    entry.grayed = grayed;
    return entry;
}

MenuEntry Separator()
{
    MenuEntry entry = {};
    entry.submenu = -1;
    entry.separator = true;
    return entry;
}

MenuEntry Popup(TraySubmenu submenu, bool grayed)
{
    MenuEntry entry = {};
    entry.submenu = submenu;
    entry.grayed = grayed;
    return entry;
}

// Percent steps from `first` to 100 by 10, ids from `firstId`, the one equal to `value`
// checked.
int FillDutySubmenu(MenuEntry* entries, int32_t first, UINT firstId, int32_t value)
{
    int count = 0;
    for (int32_t duty = first; duty <= 100; duty += 10, ++count) {
        char16_t text[PercentTextCapacity];
        PercentText(text, duty);
        entries[count] = Item(text, firstId + count, duty == value, false);
    }
    return count;
}

const int32_t BrightnessLevels[] = {0, 25, 50, 100}; // percent, commands 250..253

} // namespace

void BuildTrayMenuModel(const TrayMenuInputs& in, TrayMenuModel* model)
{
    const bool offline = !in.connected;
    MenuEntry* m = model->main;
    m[0] = Item(u"Open Tidewatch", 201, false, false);
    m[1] = Separator();
    m[2] = Item(u"Profiles", 0, false, true);
    m[3] = Item(ProfileName(ProfileSilent), 211, in.appliedProfile == ProfileSilent, offline);
    m[4] = Item(ProfileName(ProfileBalanced), 212, in.appliedProfile == ProfileBalanced, offline);
    m[5] = Item(ProfileName(ProfilePerformance), 213, in.appliedProfile == ProfilePerformance,
                offline);
    m[6] = Item(ProfileName(ProfileAggressive), 215, in.appliedProfile == ProfileAggressive,
                offline);
    m[7] = Separator();
    m[8] = Item(u"Manual duty", 0, false, true);

    model->submenuCounts[SubmenuPump] =
        FillDutySubmenu(model->submenus[SubmenuPump], 50, 230, in.manualPumpDuty);
    model->submenuCounts[SubmenuFans] =
        FillDutySubmenu(model->submenus[SubmenuFans], 20, 240, in.manualFanDuty);
    m[9] = Popup(SubmenuPump, false);
    LabelPercent(m[9].text, 32, u"Pump", in.manualPumpDuty);
    m[10] = Popup(SubmenuFans, false);
    LabelPercent(m[10].text, 32, u"Fans", in.manualFanDuty);
    m[11] = Item(u"Apply manual", 214, false, offline);
    m[12] = Separator();

    MenuEntry* screen = model->submenus[SubmenuScreen];
    for (int i = 0; i < 4; ++i) {
        char16_t text[PercentTextCapacity];
        PercentText(text, BrightnessLevels[i]);
        screen[i] = Item(BrightnessLevels[i] == 0 ? u"Off" : text, 250 + i,
                         BrightnessLevels[i] == in.screenBrightness, false);
    }
    model->submenuCounts[SubmenuScreen] = 4;
    m[13] = Popup(SubmenuScreen, offline || in.screenMode < 0);
    if (in.screenBrightness < 0) AppendText(m[13].text, 0, 32, u"Screen");
    else if (in.screenBrightness == 0) AppendText(m[13].text, 0, 32, u"Screen  Off");
    else LabelPercent(m[13].text, 32, u"Screen", in.screenBrightness);
    m[14] = Separator();
    m[15] = Item(u"Exit", 202, false, false);
}
