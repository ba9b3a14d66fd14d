// The four built-in cooling profiles and the manual pair, and how a profile becomes duty
// values. Pure functions over constant tables, callable from either thread.
#pragma once

#include <stdint.h>

typedef int32_t ProfileId;
enum : ProfileId {
    ProfileUnchanged = -1, // nothing written this run
    ProfileManual = 0,
    ProfileSilent = 1,
    ProfileBalanced = 2,
    ProfilePerformance = 3,
    ProfileAggressive = 4,
};

typedef int32_t CurveChannel; // any non-zero value is the pump
enum : CurveChannel {
    ChannelFans = 0,
    ChannelPump = 1,
};

constexpr int BreakpointCount = 7;
constexpr int ProfileCount = 5;     // rows 0 (Manual, never read) to 4
constexpr int CurvePoints = 40;     // whole degrees 20..59 °C
constexpr int CurveFirstDegree = 20; // °C

extern const uint8_t CurveBreakpoints[BreakpointCount];          // °C
extern const uint8_t PumpCurveTable[ProfileCount][BreakpointCount]; // percent
extern const uint8_t FanCurveTable[ProfileCount][BreakpointCount];  // percent

// Duty percent of a built-in profile (1..4) at a whole-degree temperature, interpolated
// between breakpoints; 0 for any other profile.
int32_t CurveValue(ProfileId profile, CurveChannel channel, int32_t temperatureC);

// The 40-point curve for 20..59 °C: the manual duty flat for Manual, the profile's values
// otherwise, and always 100 at 59 °C.
void BuildDutyCurve(ProfileId profile, CurveChannel channel, int32_t manualDuty,
                    uint8_t curve[CurvePoints]);

// "Unchanged", "Manual", "Silent", "Balanced", "Performance" or "Aggressive".
const char16_t* ProfileName(ProfileId profile);

// The larger table value at 59 °C of a built-in profile; 0 for any other profile.
int32_t ProfileTopDuty(ProfileId profile);

// The dashboard's sentence about the applied curve, from position 0; returns the position.
int CurveSentence(char16_t* buffer, int cap, ProfileId applied);
