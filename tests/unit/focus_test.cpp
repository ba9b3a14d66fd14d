#include "ui/focus.h"

#include "profiles/profiles.h"

#include <gtest/gtest.h>

namespace {

// What a key does at `focus` with the pump at `pump` and the fans at 30.
KeyOutcome Key(FocusTarget focus, uint32_t key, bool connected = true, int32_t pump = 60,
               bool shift = false, bool repeat = false)
{
    return DecideKey({focus, connected, pump, 30}, key, shift, repeat);
}

#define EXPECT_OUTCOME(got, act, val) \
    EXPECT_EQ((got).action * 1000 + (got).value, (act) * 1000 + (val)) // both at once

TEST(Focus, TabWrapsBothWaysAndOpeningPicksTheAppliedButton)
{
    FocusTarget focus = FocusSilent;
    for (int i = 1; i <= FocusTargetCount; ++i) {
        focus = NextFocus(focus, false);
        EXPECT_EQ(focus, i % FocusTargetCount);
    }
    EXPECT_EQ(NextFocus(FocusSilent, true), FocusApply);
    EXPECT_EQ(OpeningFocus(ProfileUnchanged), FocusSilent);
    EXPECT_EQ(OpeningFocus(ProfileManual), FocusSilent);
    EXPECT_EQ(OpeningFocus(ProfilePerformance), FocusPerformance);
    EXPECT_EQ(OpeningFocus(ProfileAggressive), FocusAggressive);
}

TEST(Focus, SliderStepsLandOnTheMenusStepsAndClamp)
{
    EXPECT_EQ(SliderStepFrom(60, PumpSliderMin, 1), 70);
    EXPECT_EQ(SliderStepFrom(64, PumpSliderMin, 1), 70); // off the steps after an apply
    EXPECT_EQ(SliderStepFrom(64, PumpSliderMin, -1), 60);
    EXPECT_EQ(SliderStepFrom(50, PumpSliderMin, -1), 50);
    EXPECT_EQ(SliderStepFrom(100, FanSliderMin, 1), 100);
    EXPECT_EQ(SliderStepFrom(40, PumpSliderMin, -1), 50); // below the slider: up to its end
}

TEST(Focus, WhatEachKeyDoesInEachState)
{
    // Buttons press only while connected, and once however long the key is held.
    EXPECT_OUTCOME(Key(FocusPerformance, KeySpace), KeyRequestApply, ProfilePerformance);
    EXPECT_OUTCOME(Key(FocusApply, KeyEnter), KeyRequestApply, ProfileManual);
    EXPECT_OUTCOME(Key(FocusApply, KeySpace, true, 60, false, true), KeyTaken, 0);
    EXPECT_OUTCOME(Key(FocusBalanced, KeySpace, false), KeyTaken, 0);
    EXPECT_OUTCOME(Key(FocusBalanced, KeyRight), KeyTaken, 0);
    // Sliders move in every state and only change the value.
    EXPECT_OUTCOME(Key(FocusPumpSlider, KeyRight, false), KeySetPumpDuty, 70);
    EXPECT_OUTCOME(Key(FocusPumpSlider, KeyDown), KeySetPumpDuty, 50);
    EXPECT_OUTCOME(Key(FocusFanSlider, KeyUp), KeySetFanDuty, 40);
    EXPECT_OUTCOME(Key(FocusFanSlider, KeyEnd), KeySetFanDuty, 100);
    EXPECT_OUTCOME(Key(FocusPumpSlider, KeyHome, true, 73), KeySetPumpDuty, 50);
    EXPECT_OUTCOME(Key(FocusPumpSlider, KeyHome, true, 50), KeyTaken, 0);
    EXPECT_OUTCOME(Key(FocusPumpSlider, KeySpace), KeyTaken, 0);
    EXPECT_OUTCOME(Key(FocusFanSlider, KeyEscape, false), KeyHide, 0);
    EXPECT_OUTCOME(Key(FocusSilent, KeyTab, true, 60, true), KeyMoveFocus, FocusApply);
    EXPECT_OUTCOME(Key(FocusSilent, 0x41), KeyNotOurs, 0); // A
}

TEST(Focus, CueFollowsUiStateChanges)
{
    EXPECT_TRUE(FocusCueAfter(false, UiStateChange(UiStateClear), false));
    EXPECT_FALSE(FocusCueAfter(true, UiStateChange(UiStateSet), false));
    EXPECT_TRUE(FocusCueAfter(true, UiStateChange(UiStateSet), true)); // cues always on
    EXPECT_TRUE(FocusCueAfter(true, UiStateChange(UiStateInitialize), false));
    EXPECT_TRUE(FocusCueAfter(true, 2u << 16 | UiStateSet, false)); // the access keys only
}

// Each ring lies in the space around its control: it touches no other control at any DPI.
// A press gives the focus to the control under it.
TEST(Focus, RingsClearTheOtherControlsAndPressesFocus)
{
    for (int32_t dpi : {96, 120, 144, 192}) {
        const ControlLayout layout = ControlLayoutFor(Scale(480, dpi), dpi);
        for (int f = 0; f < FocusTargetCount; ++f) {
            const PixelRect control = FocusedControl(layout, static_cast<FocusTarget>(f));
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
