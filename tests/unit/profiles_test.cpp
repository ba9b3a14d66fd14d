#include "profiles/profiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CurveTables, RowsRiseAndStayInsideTheManualRanges)
{
    for (int i = 1; i < BreakpointCount; ++i) EXPECT_LT(CurveBreakpoints[i - 1], CurveBreakpoints[i]);
    EXPECT_EQ(CurveBreakpoints[0], 20);
    EXPECT_EQ(CurveBreakpoints[BreakpointCount - 1], 59);
    for (int p = ProfileSilent; p <= ProfileAggressive; ++p) {
        for (int k = 0; k < BreakpointCount; ++k) {
            EXPECT_GE(PumpCurveTable[p][k], 50);
            EXPECT_LE(PumpCurveTable[p][k], 100);
            EXPECT_GE(FanCurveTable[p][k], 20);
            EXPECT_LE(FanCurveTable[p][k], 100);
            if (k > 0) {
                EXPECT_LE(PumpCurveTable[p][k - 1], PumpCurveTable[p][k]);
                EXPECT_LE(FanCurveTable[p][k - 1], FanCurveTable[p][k]);
            }
        }
    }
    EXPECT_EQ(PumpCurveTable[ProfileAggressive][6], 95);
    EXPECT_EQ(FanCurveTable[ProfileAggressive][6], 95);
}

TEST(CurveValue, AtOrBelowTheFirstBreakpoint)
{
    EXPECT_EQ(CurveValue(ProfileSilent, ChannelPump, 0), 50);
    EXPECT_EQ(CurveValue(ProfileSilent, ChannelPump, -40), 50);
    EXPECT_EQ(CurveValue(ProfileAggressive, ChannelFans, 20), 70);
    EXPECT_EQ(CurveValue(ProfileBalanced, ChannelFans, -2147483647 - 1), 25);
}

TEST(CurveValue, AtBreakpointsGivesTheTableValue)
{
    for (int p = ProfileSilent; p <= ProfileAggressive; ++p) {
        for (int k = 0; k < BreakpointCount; ++k) {
            EXPECT_EQ(CurveValue(p, ChannelPump, CurveBreakpoints[k]), PumpCurveTable[p][k]);
            EXPECT_EQ(CurveValue(p, ChannelFans, CurveBreakpoints[k]), FanCurveTable[p][k]);
        }
    }
    EXPECT_EQ(CurveValue(ProfileBalanced, ChannelFans, 40), 50);
    EXPECT_EQ(CurveValue(ProfileSilent, ChannelPump, 30), 50);
}

TEST(CurveValue, BetweenBreakpointsRoundsToNearest)
{
    EXPECT_EQ(CurveValue(ProfileSilent, ChannelFans, 53), 87);
    EXPECT_EQ(CurveValue(ProfileAggressive, ChannelFans, 32), 75);
    EXPECT_EQ(CurveValue(ProfileAggressive, ChannelFans, 33), 77);
    EXPECT_EQ(CurveValue(ProfileAggressive, ChannelFans, 37), 85);
    EXPECT_EQ(CurveValue(ProfileSilent, ChannelPump, 55), 96);
    EXPECT_EQ(CurveValue(ProfileSilent, ChannelPump, 51), 91);
    EXPECT_EQ(CurveValue(ProfileBalanced, ChannelPump, 32), 64);
    EXPECT_EQ(CurveValue(ProfileBalanced, ChannelFans, 32), 29);
    EXPECT_EQ(CurveValue(ProfilePerformance, ChannelFans, 58), 100);
    EXPECT_EQ(CurveValue(ProfileSilent, ChannelFans, 58), 98);
}

TEST(CurveValue, AboveTheLastBreakpointHolds)
{
    EXPECT_EQ(CurveValue(ProfileAggressive, ChannelPump, 75), 95);
    EXPECT_EQ(CurveValue(ProfileSilent, ChannelFans, 60), 100);
    EXPECT_EQ(CurveValue(ProfileSilent, ChannelFans, 2147483647), 100);
}

TEST(CurveValue, AnyNonZeroChannelIsThePumpAndOtherProfilesGiveZero)
{
    EXPECT_EQ(CurveValue(ProfileBalanced, 7, 32), CurveValue(ProfileBalanced, ChannelPump, 32));
    EXPECT_EQ(CurveValue(ProfileBalanced, -1, 45), 90);
    EXPECT_EQ(CurveValue(ProfileManual, ChannelPump, 40), 0);
    EXPECT_EQ(CurveValue(ProfileUnchanged, ChannelPump, 40), 0);
    EXPECT_EQ(CurveValue(5, ChannelFans, 40), 0);
    EXPECT_EQ(CurveValue(-2147483647 - 1, ChannelFans, 40), 0);
}

TEST(BuildDutyCurve, ManualIsFlatThenHundred)
{
    uint8_t curve[CurvePoints];
    BuildDutyCurve(ProfileManual, ChannelFans, 30, curve);
    for (int k = 0; k < CurvePoints - 1; ++k) EXPECT_EQ(curve[k], 30) << k;
    EXPECT_EQ(curve[CurvePoints - 1], 100);
}

TEST(BuildDutyCurve, ProfilesFollowTheTablesAndEndAtHundred)
{
    uint8_t curve[CurvePoints];
    BuildDutyCurve(ProfileAggressive, ChannelPump, 60, curve);
    EXPECT_EQ(curve[38], 95);
    EXPECT_EQ(curve[39], 100);

    BuildDutyCurve(ProfileSilent, ChannelFans, 0, curve);
    const uint8_t start[16] = {20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 21, 22, 23, 24, 25};
    for (int k = 0; k < 16; ++k) EXPECT_EQ(curve[k], start[k]) << 20 + k;
    EXPECT_EQ(curve[38], 98);
    EXPECT_EQ(curve[39], 100);

    BuildDutyCurve(ProfileBalanced, ChannelPump, 0, curve);
    for (int k = 0; k <= 10; ++k) EXPECT_EQ(curve[k], 60);
    for (int k = 11; k <= 30; ++k) EXPECT_EQ(curve[k], 60 + 2 * (k - 10)) << 20 + k;
    for (int k = 31; k < CurvePoints; ++k) EXPECT_EQ(curve[k], 100);

    for (int p = ProfileSilent; p <= ProfileAggressive; ++p) {
        BuildDutyCurve(p, ChannelFans, 77, curve);
        for (int k = 0; k < CurvePoints - 1; ++k) EXPECT_EQ(curve[k], CurveValue(p, ChannelFans, 20 + k));
        EXPECT_EQ(curve[CurvePoints - 1], 100);
    }
}

TEST(ProfileNames, NamesTopDutiesAndTheCurveSentence)
{
    EXPECT_EQ(std::u16string(ProfileName(-1)), u"Unchanged");
    EXPECT_EQ(std::u16string(ProfileName(7)), u"Unchanged");
    EXPECT_EQ(std::u16string(ProfileName(0)), u"Manual");
    EXPECT_EQ(std::u16string(ProfileName(1)), u"Silent");
    EXPECT_EQ(std::u16string(ProfileName(2)), u"Balanced");
    EXPECT_EQ(std::u16string(ProfileName(3)), u"Performance");
    EXPECT_EQ(std::u16string(ProfileName(4)), u"Aggressive");

    EXPECT_EQ(ProfileTopDuty(ProfileSilent), 100);
    EXPECT_EQ(ProfileTopDuty(ProfileBalanced), 100);
    EXPECT_EQ(ProfileTopDuty(ProfilePerformance), 100);
    EXPECT_EQ(ProfileTopDuty(ProfileAggressive), 95);

    char16_t sentence[96];
    CurveSentence(sentence, 96, ProfileUnchanged);
    EXPECT_EQ(std::u16string(sentence), u"Current cooler curve unchanged");
    CurveSentence(sentence, 96, ProfileManual);
    EXPECT_EQ(std::u16string(sentence), u"Manual fixed duty; 100% at 59 \u00B0C");
    CurveSentence(sentence, 96, ProfileAggressive);
    EXPECT_EQ(std::u16string(sentence), u"Aggressive curve; 95% at 59 \u00B0C");
    CurveSentence(sentence, 96, ProfileBalanced);
    EXPECT_EQ(std::u16string(sentence), u"Balanced curve; 100% at 59 \u00B0C");
    EXPECT_EQ(CurveSentence(sentence, 9, ProfileSilent), 8);
    EXPECT_EQ(std::u16string(sentence), u"Silent c");
}

} // namespace
