#include "telemetry/alerts.h"

#include <gtest/gtest.h>

namespace {

// Each row is one poll: connected, pump rpm, liquid tenths, the alerts on after it.
struct Poll {
    int32_t connected, pumpRpm, liquidTenths, on;
};

constexpr int32_t P = AlertPumpStopped, L = AlertLiquidHot;

const Poll Polls[] = {
    {1, 0, 314, 0}, {1, 0, 314, 0}, {1, 299, 314, P}, // 3 below 300 in a row
    {1, 400, 314, P}, {1, 600, 314, P}, {1, 600, 314, P}, {1, 400, 314, P}, // back needs 3
    {1, 500, 314, P}, {1, 500, 314, P}, {1, 500, 314, 0},
    {1, 0, 314, 0}, {1, 900, 314, 0}, {1, 0, 314, 0}, {1, 0, 314, 0}, // flapping: no start
    {1, 0, 550, P}, {1, 0, 600, P}, {1, 0, 560, P | L}, // both at once
    {0, 0, 0, 0}, {1, 0, 560, 0}, {1, 0, 560, 0}, {1, 0, 560, P | L}, // gone ends both
    {1, 0, 500, P | L}, {1, 0, 549, P | L}, {1, 0, 499, P}, // hot until below 50.0
    {1, 0, 560, P}, {1, 0, 499, P}, {1, 0, 560, P}, {1, 0, 560, P}, // flapping
};

TEST(Alerts, FollowTheRulesPollByPoll)
{
    AlertWatch watch = {};
    int row = 0;
    for (const Poll& poll : Polls) {
        CoolerStatus status = {};
        status.connected = poll.connected;
        status.pumpRpm = poll.pumpRpm;
        status.liquidTenths = poll.liquidTenths;
        EXPECT_EQ(WatchAlerts(&watch, status), poll.on) << "poll " << row++;
    }
}

} // namespace
