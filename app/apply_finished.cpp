#include "app/apply_finished.h"

#include "app/shared_state.h"
#include "profiles/profiles.h"

bool ProfileDutiesAt(int32_t profile, int32_t liquidTenths, int32_t* pumpDuty, int32_t* fanDuty)
{
    // A stray message can carry any profile; CurveValue's 0 for an unknown one would become
    // a manual pump duty of 0 at the next Apply manual.
    if (profile < ProfileSilent || profile > ProfileAggressive) return false;
    const int32_t degrees = (liquidTenths + 5) / 10;
    *pumpDuty = CurveValue(profile, ChannelPump, degrees);
    *fanDuty = CurveValue(profile, ChannelFans, degrees);
    return true;
}

void FollowAppliedProfile(int32_t profile)
{
    CoolerStatus status;
    CopyLatestStatus(&status);
    int32_t pump = 0;
    int32_t fan = 0;
    if (!ProfileDutiesAt(profile, status.liquidTenths, &pump, &fan)) return;
    StoreRelaxed(&ManualPumpDuty, pump);
    StoreRelaxed(&ManualFanDuty, fan);
}
