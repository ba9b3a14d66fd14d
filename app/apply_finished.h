// What the interface does with the manual duties when the worker reports a finished apply.
#pragma once

#include "app/base.h"

constexpr UINT ApplyTimerId = 1;        // clears the "Applied" state
constexpr UINT ApplyTimerMs = 1800;     // ms

// The duties a built-in profile (1..4) runs at for a liquid temperature in tenths, rounded
// to whole degrees with halves up. False, leaving the outputs alone, for any other profile.
bool ProfileDutiesAt(int32_t profile, int32_t liquidTenths, int32_t* pumpDuty, int32_t* fanDuty);

// Interface thread: moves ManualPumpDuty and ManualFanDuty to what `profile` runs at for
// the last published liquid temperature; nothing for Manual, Unchanged or any other value.
void FollowAppliedProfile(int32_t profile);
