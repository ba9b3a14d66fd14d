#include "telemetry/history.h"

#include <gtest/gtest.h>

namespace {

HistoryRing Ring = {};
HistorySample Copy[HistoryCapacity];

class History : public ::testing::Test {
protected:
    void SetUp() override { Ring = {}; }
};

TEST_F(History, EmptyRingTakesTheFirstSampleWhateverTheTickAndCopiesNothing)
{
    EXPECT_EQ(CopyHistory(Ring, Copy), 0);
    AppendHistory(&Ring, 0, 30, 31);
    ASSERT_EQ(CopyHistory(Ring, Copy), 1);
    EXPECT_EQ(Copy[0].tick, 0u);
    EXPECT_EQ(Copy[0].fanPercent, 30);
    EXPECT_EQ(Copy[0].tempC, 31);

    Ring = {};
    AppendHistory(&Ring, 5, 1, 2);
    EXPECT_EQ(Ring.sampleCount, 1);
    EXPECT_EQ(Ring.lastTick, 5u);
}

TEST_F(History, SpacingIsMeasuredFromTheLastAppend)
{
    // At a 750 ms cadence every third publication is stored: 0, 2250, 4500.
    for (DWORD tick = 0; tick <= 4500; tick += 750) AppendHistory(&Ring, tick, 50, 40);
    ASSERT_EQ(CopyHistory(Ring, Copy), 3);
    EXPECT_EQ(Copy[1].tick, 2250u);
    EXPECT_EQ(Copy[2].tick, 4500u);

    AppendHistory(&Ring, 4500 + 1899, 50, 40);
    EXPECT_EQ(Ring.sampleCount, 3);
    AppendHistory(&Ring, 4500 + 1900, 50, 40);
    EXPECT_EQ(Ring.sampleCount, 4);
}

TEST_F(History, SpacingHoldsAcrossTheTickWrap)
{
    const DWORD beforeWrap = 0xFFFFFFFFu - 3999; // 4 s short of the wrap
    AppendHistory(&Ring, beforeWrap, 10, 10);
    AppendHistory(&Ring, 999, 20, 20); // 1 s after it: 5 s later
    ASSERT_EQ(CopyHistory(Ring, Copy), 2);
    EXPECT_EQ(Copy[0].tick, beforeWrap);
    EXPECT_EQ(Copy[1].tick, 999u);

    Ring = {};
    AppendHistory(&Ring, 0xFFFFFF00u, 10, 10);
    AppendHistory(&Ring, 0x100, 20, 20); // 512 ms later, not 4 billion earlier
    EXPECT_EQ(Ring.sampleCount, 1);
}

TEST_F(History, ValuesAreClampedToPercentRange)
{
    const int32_t values[][2] = {{-1, 0}, {0, 0}, {100, 100}, {101, 100}, {INT32_MIN, 0},
                                 {INT32_MAX, 100}};
    DWORD tick = 0;
    for (const auto& value : values) {
        AppendHistory(&Ring, tick, value[0], value[0]);
        tick += HistorySpacingMs;
    }
    ASSERT_EQ(CopyHistory(Ring, Copy), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Copy[i].fanPercent, values[i][1]) << values[i][0];
        EXPECT_EQ(Copy[i].tempC, values[i][1]) << values[i][0];
    }
}

TEST_F(History, FullRingOverwritesTheOldestAndCopiesOldestFirst)
{
    for (int i = 0; i < 512; ++i)
        AppendHistory(&Ring, static_cast<DWORD>(i) * HistorySpacingMs, i % 101, 7);
    EXPECT_EQ(Ring.sampleCount, 512);
    EXPECT_EQ(Ring.nextSlot, 0);
    EXPECT_EQ(Ring.samples[511].tick, 511u * HistorySpacingMs);

    AppendHistory(&Ring, 512u * HistorySpacingMs, 99, 8);
    EXPECT_EQ(Ring.sampleCount, 512);
    EXPECT_EQ(Ring.nextSlot, 1);
    EXPECT_EQ(Ring.samples[0].tick, 512u * HistorySpacingMs);

    ASSERT_EQ(CopyHistory(Ring, Copy), 512);
    for (int i = 0; i < 512; ++i) EXPECT_EQ(Copy[i].tick, static_cast<DWORD>(i + 1) * HistorySpacingMs);
    EXPECT_EQ(Copy[511].fanPercent, 99);
    EXPECT_EQ(Copy[511].tempC, 8);
}

} // namespace
