#include "ui/focus.h"

#include "profiles/profiles.h"

#include <gtest/gtest.h>

namespace {

KeyContext At(FocusTarget focus, bool connected = true, int32_t pump = 60, int32_t fans = 30)
{
    return {focus, connected, pump, fans};
}

void ExpectOutcome(KeyOutcome got, KeyAction action, int32_t value)
{
    EXPECT_EQ(got.action, action);
    if (action != KeyTaken && action != KeyNotOurs && action != KeyHide) {
        EXPECT_EQ(got.value, value);
    }
}

TEST(Focus, TabWrapsBothWaysAndOpeningPicksTheAppliedButton)
{
    FocusTarget focus = FocusSilent;
    for (int i = 1; i <= FocusTargetCount; ++i) {
        focus = NextFocus(focus, false);
        EXPECT_EQ(focus, i % FocusTargetCount);
    }
    EXPECT_EQ(NextFocus(FocusSilent, true), FocusApply);
    EXPECT_EQ(NextFocus(FocusPumpSlider, true), FocusAggressive);
    EXPECT_EQ(NextFocus(static_cast<FocusTarget>(9), false), FocusBalanced); // unknown: as Silent

    EXPECT_EQ(OpeningFocus(ProfileUnchanged), FocusSilent);
    EXPECT_EQ(OpeningFocus(ProfileManual), FocusSilent);
    EXPECT_EQ(OpeningFocus(ProfileSilent), FocusSilent);
    EXPECT_EQ(OpeningFocus(ProfilePerformance), FocusPerformance);
    EXPECT_EQ(OpeningFocus(ProfileAggressive), FocusAggressive);
}

TEST(Focus, SliderStepsLandOnTheMenusStepsAndClamp)
{
    EXPECT_EQ(SliderStepFrom(60, PumpSliderMin, 1), 70);
    EXPECT_EQ(SliderStepFrom(60, PumpSliderMin, -1), 50);
    EXPECT_EQ(SliderStepFrom(64, PumpSliderMin, 1), 70); // off the steps after an apply
    EXPECT_EQ(SliderStepFrom(64, PumpSliderMin, -1), 60);
    EXPECT_EQ(SliderStepFrom(50, PumpSliderMin, -1), 50);
    EXPECT_EQ(SliderStepFrom(100, FanSliderMin, 1), 100);
    EXPECT_EQ(SliderStepFrom(20, FanSliderMin, -1), 20);
    EXPECT_EQ(SliderStepFrom(40, PumpSliderMin, -1), 50); // below the slider: up to its end
    EXPECT_EQ(SliderStepFrom(-5, FanSliderMin, 1), 20);
}

TEST(Focus, WhatEachKeyDoesInEachState)
{
    // Buttons: a press applies while connected, once however long the key is held.
    ExpectOutcome(DecideKey(At(FocusPerformance), KeySpace, false, false), KeyRequestApply, ProfilePerformance);
    ExpectOutcome(DecideKey(At(FocusSilent), KeyEnter, false, false), KeyRequestApply, ProfileSilent);
    ExpectOutcome(DecideKey(At(FocusApply), KeyEnter, false, false), KeyRequestApply, ProfileManual);
    ExpectOutcome(DecideKey(At(FocusApply), KeySpace, false, true), KeyTaken, 0);
    ExpectOutcome(DecideKey(At(FocusBalanced, false), KeySpace, false, false), KeyTaken, 0);
    ExpectOutcome(DecideKey(At(FocusApply, false), KeyEnter, false, false), KeyTaken, 0);
    ExpectOutcome(DecideKey(At(FocusPumpSlider), KeySpace, false, false), KeyTaken, 0);
    ExpectOutcome(DecideKey(At(FocusBalanced), KeyRight, false, false), KeyTaken, 0);

    // Sliders move in every state; a key that cannot move one changes nothing.
    ExpectOutcome(DecideKey(At(FocusPumpSlider, false), KeyRight, false, false), KeySetPumpDuty, 70);
    ExpectOutcome(DecideKey(At(FocusPumpSlider), KeyDown, false, true), KeySetPumpDuty, 50);
    ExpectOutcome(DecideKey(At(FocusFanSlider), KeyUp, false, false), KeySetFanDuty, 40);
    ExpectOutcome(DecideKey(At(FocusFanSlider), KeyLeft, false, false), KeySetFanDuty, 20);
    ExpectOutcome(DecideKey(At(FocusFanSlider), KeyEnd, false, false), KeySetFanDuty, 100);
    ExpectOutcome(DecideKey(At(FocusPumpSlider, true, 73), KeyHome, false, false), KeySetPumpDuty, 50);
    ExpectOutcome(DecideKey(At(FocusPumpSlider, true, 50), KeyHome, false, false), KeyTaken, 0);
    ExpectOutcome(DecideKey(At(FocusFanSlider, true, 60, 100), KeyRight, false, false), KeyTaken, 0);

    ExpectOutcome(DecideKey(At(FocusFanSlider, false), KeyEscape, false, false), KeyHide, 0);
    ExpectOutcome(DecideKey(At(FocusApply), KeyTab, false, false), KeyMoveFocus, FocusSilent);
    ExpectOutcome(DecideKey(At(FocusSilent), KeyTab, true, false), KeyMoveFocus, FocusApply);
    ExpectOutcome(DecideKey(At(FocusSilent), 0x41, false, false), KeyNotOurs, 0); // A
    ExpectOutcome(DecideKey(At(FocusSilent), 0x12, false, false), KeyNotOurs, 0); // Alt
}

TEST(Focus, CueFollowsUiStateChanges)
{
    EXPECT_TRUE(FocusCueAfter(false, UiStateChange(UiStateClear), false));
    EXPECT_FALSE(FocusCueAfter(true, UiStateChange(UiStateSet), false));
    EXPECT_TRUE(FocusCueAfter(true, UiStateChange(UiStateSet), true)); // cues always on
    EXPECT_FALSE(FocusCueAfter(false, UiStateChange(UiStateInitialize), true));
    EXPECT_TRUE(FocusCueAfter(true, UiStateChange(UiStateInitialize), false));
    EXPECT_FALSE(FocusCueAfter(false, 2u << 16 | UiStateClear, false)); // the access keys only
    EXPECT_TRUE(FocusCueAfter(true, 2u << 16 | UiStateSet, false));
    EXPECT_TRUE(FocusCueAfter(false, 3u << 16 | UiStateClear, false)); // both
}

// Tab to Performance and press it; Tab to the pump slider, two steps up, Tab to Apply and
// press it.
TEST(Focus, AKeyboardOnlyRun)
{
    KeyContext state = At(OpeningFocus(ProfileUnchanged));
    const uint32_t keys[] = {KeyTab, KeyTab, KeySpace, KeyTab, KeyTab, KeyRight,
                             KeyRight, KeyTab, KeyTab, KeyEnter};
    int32_t applied[2] = {-1, -1};
    int applies = 0;
    for (uint32_t key : keys) {
        const KeyOutcome outcome = DecideKey(state, key, false, false);
        ASSERT_NE(outcome.action, KeyNotOurs);
        if (outcome.action == KeyMoveFocus) state.focus = static_cast<FocusTarget>(outcome.value);
        if (outcome.action == KeySetPumpDuty) state.pumpDuty = outcome.value;
        if (outcome.action == KeyRequestApply && applies < 2) applied[applies++] = outcome.value;
    }
    EXPECT_EQ(applies, 2);
    EXPECT_EQ(applied[0], ProfilePerformance);
    EXPECT_EQ(applied[1], ProfileManual);
    EXPECT_EQ(state.pumpDuty, 80);
    EXPECT_EQ(state.fanDuty, 30);
}

// Each ring lies in the space around its control: it touches no other control at any DPI.
// A press gives the focus to the control under it.
TEST(Focus, RingsClearTheOtherControlsAndPressesFocus)
{
    for (int32_t dpi : {96, 120, 144, 192}) {
        const ControlLayout layout = ControlLayoutFor(Scale(480, dpi), dpi);
        const PixelRect ring = FocusRingRect(layout.profileButtons[1], dpi);
        EXPECT_EQ(layout.profileButtons[1].left - ring.left, Scale(2, dpi) + Scale(2, dpi));
        for (int f = 0; f < FocusTargetCount; ++f) {
            const PixelRect control = FocusedControl(layout, static_cast<FocusTarget>(f));
            // A press on the control's top-left and last pixels gives it the focus; the ring does not.
            EXPECT_EQ(FocusTargetAt(layout, control.left, control.top), f);
            EXPECT_EQ(FocusTargetAt(layout, control.right - 1, control.bottom - 1), f);
            const PixelRect r = FocusRingRect(control, dpi);
            EXPECT_EQ(FocusTargetAt(layout, r.left, r.top), FocusTargetCount);
            for (int g = 0; g < FocusTargetCount; ++g) {
                if (g == f) continue;
                const PixelRect o = FocusedControl(layout, static_cast<FocusTarget>(g));
                const bool apart = r.right <= o.left || o.right <= r.left || r.bottom <= o.top ||
                                   o.bottom <= r.top;
                EXPECT_TRUE(apart) << "ring of " << f << " on control " << g << " at " << dpi;
            }
        }
    }
}

} // namespace
