#include "profiles/profiles.h"

#include "app/base.h"
#include "app/text.h"

const uint8_t CurveBreakpoints[BreakpointCount] = {20, 30, 35, 40, 45, 50, 59};

const uint8_t PumpCurveTable[ProfileCount][BreakpointCount] = {
    {0, 0, 0, 0, 0, 0, 0},
    {50, 50, 55, 60, 75, 90, 100},
    {60, 60, 70, 80, 90, 100, 100},
    {75, 75, 85, 95, 100, 100, 100},
    {90, 90, 95, 95, 95, 95, 95},
};

const uint8_t FanCurveTable[ProfileCount][BreakpointCount] = {
    {0, 0, 0, 0, 0, 0, 0},
    {20, 20, 25, 35, 55, 80, 100},
    {25, 25, 35, 50, 70, 90, 100},
    {35, 35, 50, 70, 90, 100, 100},
    {70, 70, 82, 90, 95, 95, 95},
};

static bool IsBuiltIn(ProfileId profile)
{
    return profile >= ProfileSilent && profile <= ProfileAggressive;
}

int32_t CurveValue(ProfileId profile, CurveChannel channel, int32_t t)
{
    if (!IsBuiltIn(profile)) return 0;
    const uint8_t* v = channel != ChannelFans ? PumpCurveTable[profile] : FanCurveTable[profile];
    const uint8_t* bp = CurveBreakpoints;
    if (t <= bp[0]) return v[0];
    for (int i = 1; i < BreakpointCount; ++i) {
        if (t <= bp[i]) return v[i - 1] + MulDiv(t - bp[i - 1], v[i] - v[i - 1], bp[i] - bp[i - 1]);
    }
    return v[BreakpointCount - 1];
}

void BuildDutyCurve(ProfileId profile, CurveChannel channel, int32_t manualDuty,
                    uint8_t curve[CurvePoints])
{
    for (int k = 0; k < CurvePoints; ++k) {
        const int32_t t = CurveFirstDegree + k;
        int32_t duty;
        if (t >= 59) duty = 100;
        else if (profile == ProfileManual) duty = manualDuty;
        else duty = CurveValue(profile, channel, t);
        curve[k] = static_cast<uint8_t>(duty);
    }
}

const char16_t* ProfileName(ProfileId profile)
{
    switch (profile) {
    case ProfileManual: return u"Manual";
    case ProfileSilent: return u"Silent";
    case ProfileBalanced: return u"Balanced";
    case ProfilePerformance: return u"Performance";
    case ProfileAggressive: return u"Aggressive";
    default: return u"Unchanged";
    }
}

int32_t ProfileTopDuty(ProfileId profile)
{
    if (!IsBuiltIn(profile)) return 0;
    const int32_t pump = PumpCurveTable[profile][BreakpointCount - 1];
    const int32_t fans = FanCurveTable[profile][BreakpointCount - 1];
    return pump > fans ? pump : fans;
}

int CurveSentence(char16_t* buffer, int cap, ProfileId applied)
{
    if (applied == ProfileManual) {
        int pos = AppendText(buffer, 0, cap, ProfileName(ProfileManual));
        return AppendText(buffer, pos, cap, u" fixed duty; 100% at 59 °C");
    }
    if (!IsBuiltIn(applied)) return AppendText(buffer, 0, cap, u"Current cooler curve unchanged");
    int pos = AppendText(buffer, 0, cap, ProfileName(applied));
    pos = AppendText(buffer, pos, cap, u" curve; ");
    pos = AppendDecimal(buffer, pos, cap, static_cast<uint32_t>(ProfileTopDuty(applied)));
    return AppendText(buffer, pos, cap, u"% at 59 °C");
}
