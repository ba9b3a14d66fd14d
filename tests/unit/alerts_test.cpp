#include "telemetry/alerts.h"

#include <gtest/gtest.h>

namespace {

constexpr int32_t P = AlertPumpStopped, L = AlertLiquidHot;

// One poll a row, in order: connected, pump rpm, liquid tenths, the alerts on after it.
const int32_t Polls[][4] = {
    {1, 0, 314, 0}, {1, 0, 314, 0}, {1, 299, 314, P}, {1, 400, 314, P}, // 3 below 300 start it
    {1, 600, 314, P}, {1, 600, 314, P}, {1, 400, 314, P}, // and 3 at 500 or more in a row end it
    {1, 500, 314, P}, {1, 500, 314, P}, {1, 500, 314, 0}, {1, 0, 314, 0}, {1, 900, 314, 0},
    {1, 0, 314, 0}, {1, 0, 550, 0}, {1, 0, 600, P}, {1, 0, 560, P | L}, // both at once
    {0, 0, 0, 0}, {1, 0, 560, 0}, {1, 0, 560, 0}, {1, 0, 560, P | L}, // the cooler gone ends both
    {1, 0, 500, P | L}, {1, 0, 549, P | L}, {1, 0, 499, P}, // hot until below 50.0
    {1, 0, 560, P}, {1, 0, 499, P}, {1, 0, 560, P}, {1, 0, 560, P}, // flapping starts nothing
};

TEST(Alerts, FollowTheRulesPollByPoll)
{
    AlertWatch watch = {};
    for (const auto& poll : Polls) {
        CoolerStatus status = {};
        status.connected = poll[0];
        status.pumpRpm = poll[1];
        status.liquidTenths = poll[2];
        EXPECT_EQ(WatchAlerts(&watch, status), poll[3]) << &poll - Polls;
    }
}

} // namespace
