#include "app/apply_finished.h"
#include "app/shared_state.h"
#include "profiles/profiles.h"

#include <gtest/gtest.h>

namespace {

void Publish(int32_t connected, int32_t liquidTenths)
{
    AcquireSRWLockExclusive(&StatusLock);
    LatestStatus = {};
    LatestStatus.connected = connected;
    LatestStatus.liquidTenths = liquidTenths;
    ReleaseSRWLockExclusive(&StatusLock);
}

TEST(ProfileDutiesAt, RoundsTheLiquidTemperatureToWholeDegrees)
{
    int32_t pump = 0, fan = 0;
    ASSERT_TRUE(ProfileDutiesAt(ProfileBalanced, 324, &pump, &fan));
    EXPECT_EQ(pump, 64);
    EXPECT_EQ(fan, 29);
    ASSERT_TRUE(ProfileDutiesAt(ProfileBalanced, 345, &pump, &fan)); // 34.5 reads 35
    EXPECT_EQ(pump, CurveValue(ProfileBalanced, ChannelPump, 35));
    EXPECT_EQ(fan, CurveValue(ProfileBalanced, ChannelFans, 35));
    ASSERT_TRUE(ProfileDutiesAt(ProfileAggressive, 0, &pump, &fan)); // the first point
    EXPECT_EQ(pump, 90);
    EXPECT_EQ(fan, 70);
}

TEST(ProfileDutiesAt, OnlyBuiltInProfilesMoveTheDuties)
{
    for (int32_t profile : {0, -1, 5, 7, -2}) {
        int32_t pump = 61, fan = 31;
        EXPECT_FALSE(ProfileDutiesAt(profile, 324, &pump, &fan)) << profile;
        EXPECT_EQ(pump, 61);
        EXPECT_EQ(fan, 31);
    }
}

class FollowApplied : public ::testing::Test {
protected:
    void SetUp() override
    {
        StoreRelaxed(&ManualPumpDuty, 60);
        StoreRelaxed(&ManualFanDuty, 30);
    }
    void TearDown() override { Publish(0, 0); }
};

TEST_F(FollowApplied, SlidersTakeTheProfilesDutiesAtTheLastPublishedTemperature)
{
    Publish(1, 324);
    FollowAppliedProfile(ProfileBalanced);
    EXPECT_EQ(LoadRelaxed(&ManualPumpDuty), 64);
    EXPECT_EQ(LoadRelaxed(&ManualFanDuty), 29);
}

TEST_F(FollowApplied, ADisconnectedCoolerGivesTheFirstPoint)
{
    Publish(0, 0);
    FollowAppliedProfile(ProfileSilent);
    EXPECT_EQ(LoadRelaxed(&ManualPumpDuty), 50);
    EXPECT_EQ(LoadRelaxed(&ManualFanDuty), 20);
}

TEST_F(FollowApplied, ManualAndStrayProfilesLeaveTheSlidersAlone)
{
    Publish(1, 324);
    for (int32_t profile : {0, -1, 9}) {
        FollowAppliedProfile(profile);
        EXPECT_EQ(LoadRelaxed(&ManualPumpDuty), 60);
        EXPECT_EQ(LoadRelaxed(&ManualFanDuty), 30);
    }
}

} // namespace
