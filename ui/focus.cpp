#include "ui/focus.h"

#include "profiles/profiles.h"

namespace {

bool IsProfileButton(FocusTarget focus) { return focus >= FocusSilent && focus <= FocusAggressive; }

int32_t Clamp(int32_t value, int32_t minimum)
{
    if (value < minimum) return minimum;
    return value > 100 ? 100 : value;
}

KeyOutcome Press(const KeyContext& context)
{
    if (!context.connected) return {KeyTaken, 0};
    if (IsProfileButton(context.focus)) return {KeyRequestApply, ProfileSilent + static_cast<int32_t>(context.focus)};
    if (context.focus == FocusApply) return {KeyRequestApply, ProfileManual};
    return {KeyTaken, 0};
}

KeyOutcome MoveSlider(const KeyContext& context, uint32_t key)
{
    const bool pump = context.focus == FocusPumpSlider;
    if (!pump && context.focus != FocusFanSlider) return {KeyTaken, 0};
    const int32_t minimum = pump ? PumpSliderMin : FanSliderMin;
    const int32_t value = pump ? context.pumpDuty : context.fanDuty;
    int32_t next;
    switch (key) {
    case KeyHome: next = minimum; break;
    case KeyEnd: next = 100; break;
    case KeyLeft:
    case KeyDown: next = SliderStepFrom(value, minimum, -1); break;
    default: next = SliderStepFrom(value, minimum, 1); break;
    }
    if (next == value) return {KeyTaken, 0};
    return {pump ? KeySetPumpDuty : KeySetFanDuty, next};
}

} // namespace

FocusTarget NextFocus(FocusTarget focus, bool backwards)
{
    const int32_t step = backwards ? FocusTargetCount - 1 : 1;
    const int32_t current = focus >= 0 && focus < FocusTargetCount ? focus : FocusSilent;
    return static_cast<FocusTarget>((current + step) % FocusTargetCount);
}

FocusTarget OpeningFocus(int32_t appliedProfile)
{
    if (appliedProfile >= ProfileSilent && appliedProfile <= ProfileAggressive) {
        return static_cast<FocusTarget>(appliedProfile - ProfileSilent);
    }
    return FocusSilent;
}

int32_t SliderStepFrom(int32_t value, int32_t minimum, int32_t direction)
{
    const int32_t below = value < 0 ? 0 : value - value % SliderKeyStep;
    int32_t next;
    if (direction > 0) {
        next = below + SliderKeyStep;
    } else {
        next = below == value ? value - SliderKeyStep : below;
    }
    return Clamp(next, minimum);
}

KeyOutcome DecideKey(const KeyContext& context, uint32_t key, bool shift, bool repeat)
{
    switch (key) {
    case KeyEscape:
        return {KeyHide, 0};
    case KeyTab:
        return {KeyMoveFocus, NextFocus(context.focus, shift)};
    case KeySpace:
    case KeyEnter:
        return repeat ? KeyOutcome{KeyTaken, 0} : Press(context);
    case KeyLeft:
    case KeyRight:
    case KeyUp:
    case KeyDown:
    case KeyHome:
    case KeyEnd:
        return MoveSlider(context, key);
    default:
        return {KeyNotOurs, 0};
    }
}

bool FocusCueAfter(bool shown, uint32_t change, bool cuesAlways)
{
    if (!((change >> 16) & UiStateHideFocus)) return shown;
    switch (change & 0xFFFF) {
    case UiStateSet: return cuesAlways;
    case UiStateClear: return true;
    default: return shown;
    }
}

PixelRect FocusedControl(const ControlLayout& layout, FocusTarget focus)
{
    if (IsProfileButton(focus)) return layout.profileButtons[focus - FocusSilent];
    if (focus == FocusPumpSlider) return layout.pumpSlider;
    if (focus == FocusFanSlider) return layout.fanSlider;
    return layout.applyButton;
}

FocusTarget FocusTargetAt(const ControlLayout& layout, int32_t x, int32_t y)
{
    for (int32_t f = 0; f < FocusTargetCount; ++f) {
        const FocusTarget target = static_cast<FocusTarget>(f);
        if (PointInside(FocusedControl(layout, target), x, y)) return target;
    }
    return FocusTargetCount;
}

PixelRect FocusRingRect(const PixelRect& control, int32_t dpi)
{
    const int32_t out = Scale(FocusRingGap, dpi) + Scale(FocusRingWidth, dpi);
    return {control.left - out, control.top - out, control.right + out, control.bottom + out};
}
