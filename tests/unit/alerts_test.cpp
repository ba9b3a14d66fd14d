#include "telemetry/alerts.h"

#include <gtest/gtest.h>

constexpr int32_t P = AlertPumpStopped, L = AlertLiquidHot;
// One poll a row, in order: connected, pump rpm, liquid tenths, the alerts on after it.
static const int32_t Polls[][4] = {
    {1, 0, 314, 0}, {1, 0, 314, 0}, {1, 299, 314, P}, {1, 400, 314, P}, {1, 600, 314, P}, // start
    {1, 600, 314, P}, {1, 400, 314, P}, {1, 500, 314, P}, {1, 500, 314, P}, {1, 500, 314, 0}, // end
    {1, 0, 314, 0}, {1, 900, 314, 0}, {1, 0, 314, 0}, {1, 0, 550, 0}, {1, 0, 600, P}, // flapping
    {1, 0, 560, P | L}, {0, 0, 0, 0}, {1, 0, 560, 0}, {1, 0, 560, 0}, {1, 0, 560, P | L}, // gone
    {1, 0, 500, P | L}, {1, 0, 499, P}, {1, 0, 560, P}, {1, 0, 499, P}, {1, 0, 560, P}, // hot
};

TEST(Alerts, FollowTheRulesPollByPoll)
{
    AlertWatch watch = {};
    for (const auto& poll : Polls) {
        const CoolerStatus status = {poll[0], 0, poll[2], poll[1], 0, 0, 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(WatchAlerts(&watch, status), poll[3]) << &poll - Polls;
    }
}
