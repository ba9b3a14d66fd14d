#include "ui/accessible.h"

#include "app/shell.h"
#include "app/text.h"
#include "profiles/profiles.h"
#include "telemetry/gpu.h"
#include "ui/dashboard_text.h"

namespace {

bool IsControl(AccessibleElement element) { return element >= ElementSilent && element <= ElementApply; }

bool IsSlider(AccessibleElement element)
{
    return element == ElementPumpSlider || element == ElementFanSlider;
}

// "Fans 20–45%, Temp 31 °C" (a range of one value is that value), or the chart's empty text.
// Without `fans` the temperature alone.
int HistoryText(char16_t* buffer, int cap, const HistoryRange& range, const char16_t* label,
                const char16_t* emptyText, bool fans)
{
    if (range.count == 0) return AppendText(buffer, 0, cap, emptyText);
    const char16_t* const parts[2][2] = {{label, u"%, "}, {TempLegend, u" °C"}};
    int pos = 0;
    for (int s = fans ? 0 : 1; s < 2; ++s) {
        pos = AppendText(buffer, pos, cap, parts[s][0]);
        pos = AppendText(buffer, pos, cap, u" ");
        pos = AppendDecimal(buffer, pos, cap, range.low[s]);
        if (range.low[s] != range.high[s]) {
            pos = AppendText(buffer, pos, cap, u"–");
            pos = AppendDecimal(buffer, pos, cap, range.high[s]);
        }
        pos = AppendText(buffer, pos, cap, parts[s][1]);
    }
    return pos;
}

// The applied curves' duties at the liquid temperature: "Pump  64%, Fans  29% at 32 °C" (the
// pump's alone on a model without a fan channel).
int CurveText(char16_t* buffer, int cap, const CoolerStatus& status)
{
    const int32_t applied = AtomicRead(&AppliedProfile);
    if (applied == ProfileUnchanged) return AppendText(buffer, 0, cap, NoCurveWritten);
    if (!status.connected) return CurveSentence(buffer, cap, applied);
    const int32_t degrees = (status.liquidTenths + 5) / 10;
    int32_t point = degrees - CurveFirstDegree;
    if (point < 0) point = 0;
    if (point >= CurvePoints) point = CurvePoints - 1;
    int pos = 0;
    for (int pump = 1; pump >= (CurrentModel().fans ? 0 : 1); --pump) {
        uint8_t curve[CurvePoints];
        BuildDutyCurve(applied, pump, AtomicRead(pump ? &AppliedPumpDuty : &AppliedFanDuty), curve);
        pos = AppendText(buffer, pos, cap, pump ? PumpLabel : u", Fans");
        pos = AppendText(buffer, pos, cap, u"  ");
        pos = AppendDecimal(buffer, pos, cap, curve[point]);
        pos = AppendText(buffer, pos, cap, u"%");
    }
    pos = AppendText(buffer, pos, cap, u" at ");
    pos = AppendDecimal(buffer, pos, cap, static_cast<uint32_t>(degrees));
    return AppendText(buffer, pos, cap, u" °C");
}

int NameText(char16_t* buffer, int cap, AccessibleElement element, const AccessibleView& view)
{
    const CoolerStatus& status = view.status;
    switch (element) {
    case ElementClient: return AppendText(buffer, 0, cap, WindowTitle);
    case ElementHeader: return HeaderText(buffer, cap, status);
    case ElementLiquid: return AppendText(buffer, 0, cap, u"Liquid");
    case ElementPumpLine: return PumpLineText(buffer, cap, status);
    case ElementFanLine: return FanLineText(buffer, cap, status);
    case ElementGpuLine: return GpuLineText(buffer, cap, status);
    case ElementCoolerChart: return AppendText(buffer, 0, cap, CoolerTitle);
    case ElementGpuChart: {
        char16_t name[GpuNameCapacity];
        CopyGpuName(name);
        return GpuTitleText(buffer, cap, name);
    }
    case ElementCurveChart: return AppendText(buffer, 0, cap, CurveTitle);
    case ElementPumpSlider: return AppendText(buffer, 0, cap, PumpLabel);
    case ElementFanSlider: return AppendText(buffer, 0, cap, FansLabel);
    case ElementApply:
        return AppendText(buffer, 0, cap, AtomicRead(&ApplyResult) > 0 ? AppliedCaption : ApplyCaption);
    case ElementSentence: return CurveSentence(buffer, cap, AtomicRead(&AppliedProfile));
    case ElementFooter:
        if (StartupMicros == 0) return AppendText(buffer, 0, cap, u"");
        return FooterText(buffer, cap, StartupMicros, VersionMajor, VersionMinor, VersionBuild);
    default: return AppendText(buffer, 0, cap, ProfileName(element - ElementSilent + ProfileSilent));
    }
}

int ValueText(char16_t* buffer, int cap, AccessibleElement element, const AccessibleView& view)
{
    int pos;
    switch (element) {
    case ElementLiquid:
        pos = TemperatureNumber(buffer, cap, view.status);
        pos = AppendText(buffer, pos, cap, u" ");
        return AppendText(buffer, pos, cap, TemperatureUnit);
    case ElementCoolerChart:
    case ElementGpuChart: {
        const bool gpu = element == ElementGpuChart;
        return HistoryText(buffer, cap, gpu ? view.gpu : view.cooler, gpu ? FanLegend : FansLabel,
                           gpu ? NoGpuTelemetry : NoCoolerHistory, gpu || CurrentModel().fans);
    }
    case ElementCurveChart: return CurveText(buffer, cap, view.status);
    case ElementPumpSlider:
    case ElementFanSlider:
        pos = AppendDecimal(buffer, 0, cap, static_cast<uint32_t>(LoadRelaxed(
                  element == ElementPumpSlider ? &ManualPumpDuty : &ManualFanDuty)));
        return AppendText(buffer, pos, cap, u" %");
    default: return AppendText(buffer, 0, cap, u"");
    }
}

} // namespace

HistoryRange HistoryRangeOf(const HistorySample* samples, int count, uint32_t nowMs)
{
    HistoryRange range = {0, {255, 255}, {0, 0}};
    for (int i = 0; i < count; ++i) {
        if (nowMs - samples[i].tick > HistoryWindowMs) continue;
        const uint8_t values[2] = {samples[i].fanPercent, samples[i].tempC};
        for (int s = 0; s < 2; ++s) {
            if (values[s] < range.low[s]) range.low[s] = values[s];
            if (values[s] > range.high[s]) range.high[s] = values[s];
        }
        ++range.count;
    }
    return range;
}

int32_t ElementRole(AccessibleElement element)
{
    if (element == ElementClient) return RoleClient;
    if (element >= ElementCoolerChart && element <= ElementCurveChart) return RoleChart;
    if (IsSlider(element)) return RoleSlider;
    return IsControl(element) ? RoleButton : RoleText;
}

uint32_t ElementState(AccessibleElement element, const AccessibleView& view)
{
    if (element == ElementClient) return StateFocusable;
    if (!IsControl(element)) {
        char16_t text[DashboardLineCapacity];
        if (ElementText(text, DashboardLineCapacity, element, TextName, view)) return StateReadOnly;
        return StateReadOnly | StateInvisible;
    }
    // No fan duty is offered without a fan channel.
    if (element == ElementFanSlider && !CurrentModel().fans) return StateInvisible | StateUnavailable;
    uint32_t state = StateFocusable;
    if (view.focused && element - ElementSilent == view.focus) state |= StateFocused;
    if (IsSlider(element)) return state;
    if (!view.status.connected) state |= StateUnavailable;
    if (AtomicRead(&AppliedProfile) == element - ElementSilent + ProfileSilent) state |= StateChecked;
    return state;
}

int ElementText(char16_t* buffer, int cap, AccessibleElement element, AccessibleText text,
                const AccessibleView& view)
{
    if (text == TextName) return NameText(buffer, cap, element, view);
    if (text == TextValue) return ValueText(buffer, cap, element, view);
    const bool button = IsControl(element) && !IsSlider(element);
    return AppendText(buffer, 0, cap, button ? u"Press" : u"");
}

PixelRect ElementRect(AccessibleElement element, int32_t width, int32_t height, int32_t dpi)
{
    // Each chart with its title row above it.
    static const int8_t Rows[ElementCount] = {
        -1, RowHeader, RowTemperature, RowPumpLine, RowFanLine, RowGpuLine, RowCoolerTitle,
        RowGpuTitle, RowCurveTitle, -1, -1, -1, -1, -1, -1, -1, RowStatusSentence, RowFooter,
    };
    if (IsControl(element)) {
        const FocusTarget control = static_cast<FocusTarget>(element - ElementSilent);
        return FocusedControl(ControlLayoutFor(width, dpi), control);
    }
    if (element <= ElementClient || element >= ElementCount) return {0, 0, width, height};
    const DashboardRow row = static_cast<DashboardRow>(Rows[element]);
    PixelRect rect = DashboardRowRect(row, width, height, dpi);
    if (element >= ElementCoolerChart && element <= ElementCurveChart) {
        rect.bottom = DashboardRowRect(static_cast<DashboardRow>(row + 1), width, height, dpi).bottom;
    }
    return rect;
}

AccessibleElement ElementAt(int32_t x, int32_t y, int32_t width, int32_t height, int32_t dpi)
{
    for (int32_t e = ElementHeader; e < ElementCount; ++e) {
        const AccessibleElement element = static_cast<AccessibleElement>(e);
        if (PointInside(ElementRect(element, width, height, dpi), x, y)) return element;
    }
    return ElementClient;
}

int32_t SliderValueFromText(const char16_t* text, int32_t minimum)
{
    int32_t value = -1;
    for (; *text >= u'0' && *text <= u'9' && value < 1000; ++text) {
        value = (value < 0 ? 0 : value * 10) + (*text - u'0');
    }
    if (value < 0) return -1;
    if (value < minimum) return minimum;
    return value > 100 ? 100 : value;
}
