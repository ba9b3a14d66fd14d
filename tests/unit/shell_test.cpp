#include "app/shell.h"

#include <gtest/gtest.h>

#include <string.h>

namespace {

void Put32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// The fixed file information of version a.b.c.d at `offset`.
void PutFixedInfo(uint8_t* resource, uint32_t offset, uint16_t a, uint16_t b, uint16_t c,
                  uint16_t d)
{
    Put32(resource + offset, 0xFEEF04BD);
    Put32(resource + offset + 4, 0x00010000);
    Put32(resource + offset + 8, static_cast<uint32_t>(a) << 16 | b);
    Put32(resource + offset + 12, static_cast<uint32_t>(c) << 16 | d);
}

TEST(FindFixedVersion, ReadsFileVersionFromAVersionResource)
{
    // A version resource starts with its header and the key "VS_VERSION_INFO", which puts
    // the fixed information at offset 40.
    uint8_t resource[200] = {};
    PutFixedInfo(resource, 40, 1, 7, 0, 9);
    ProgramVersion version = {};
    ASSERT_TRUE(FindFixedVersion(resource, sizeof(resource), &version));
    EXPECT_EQ(version.major, 1);
    EXPECT_EQ(version.minor, 7);
    EXPECT_EQ(version.build, 0);

    PutFixedInfo(resource, 120, 65535, 2, 3, 4); // only the first hit counts
    ASSERT_TRUE(FindFixedVersion(resource, sizeof(resource), &version));
    EXPECT_EQ(version.major, 1);
}

TEST(FindFixedVersion, TheWholeRecordMustFitAndSitOnAFourByteStep)
{
    uint8_t resource[200] = {};
    ProgramVersion version = {9, 9, 9};
    PutFixedInfo(resource, 42, 1, 7, 0, 0); // not a multiple of 4
    EXPECT_FALSE(FindFixedVersion(resource, sizeof(resource), &version));
    EXPECT_EQ(version.major, 9);

    memset(resource, 0, sizeof(resource));
    PutFixedInfo(resource, 148, 2, 1, 5, 0); // 148 + 52 = 200: fits exactly
    ASSERT_TRUE(FindFixedVersion(resource, 200, &version));
    EXPECT_EQ(version.major, 2);
    EXPECT_EQ(version.build, 5);
    EXPECT_FALSE(FindFixedVersion(resource, 199, &version));
    EXPECT_FALSE(FindFixedVersion(resource, 51, &version));
    EXPECT_FALSE(FindFixedVersion(resource, 0, &version));
    EXPECT_FALSE(FindFixedVersion(nullptr, 200, &version));
}

TEST(ElapsedMicros, SixtyFourBitArithmeticAndNonsenseInputs)
{
    EXPECT_EQ(ElapsedMicros(1000, 1000 + 413800, 10000000), 41380);
    EXPECT_EQ(ElapsedMicros(0, 3, 3000000), 1);
    // Days of a 10 MHz counter, which a 32-bit product would overflow.
    EXPECT_EQ(ElapsedMicros(0, 864000000000LL, 10000000), 86400000000LL);
    EXPECT_EQ(ElapsedMicros(5, 10, 0), 0);
    EXPECT_EQ(ElapsedMicros(5, 10, -1), 0);
    EXPECT_EQ(ElapsedMicros(10, 5, 1000), 0);
}

// Ticks every 2 s after a failed add, across the tick count's wrap too: 30 tries, the last
// at 60 s; a late tick of a busy logon still tries once; an icon already up ends the tries.
TEST(DecideTrayRetry, TriesEveryTickForAMinuteThenStops)
{
    for (const uint32_t failed : {0u, 0xFFFF0000u}) {
        int tries = 0;
        uint32_t elapsed = 0;
        for (bool again = true; again && elapsed < 2 * TrayRetryWindowMs;) {
            elapsed += TrayRetryPeriodMs;
            const TrayRetryStep step = DecideTrayRetry(false, failed, failed + elapsed);
            tries += step.add;
            again = step.again;
        }
        EXPECT_EQ(tries, 30) << failed;
        EXPECT_EQ(elapsed, 60000u) << failed;
    }
    const TrayRetryStep late = DecideTrayRetry(false, 100, 100 + 61500);
    EXPECT_TRUE(late.add && !late.again);
    const TrayRetryStep added = DecideTrayRetry(true, 100, 2100);
    EXPECT_FALSE(added.add || added.again);
}

// SC_CLOSE (its low bits aside) hides; a bare WM_CLOSE ends; a Restart Manager's query
// (ENDSESSION_CLOSEAPP), which may yet be cancelled, and other commands are not a close.
TEST(DecideClose, HidesForTheUserEndsForOthers)
{
    EXPECT_EQ(DecideClose(0x0112, 0xF063), CloseHide);
    EXPECT_EQ(DecideClose(0x0010, 0), CloseEnd);
    EXPECT_EQ(DecideClose(0x0011, 0), CloseNotOurs);
    EXPECT_EQ(DecideClose(0x0112, 0xF020), CloseNotOurs);
}

} // namespace

// A copy run as administrator holds a mutex that a normal start cannot open.
TEST(AnotherCopyRuns, FromTheMutexHandleAndTheError)
{
    EXPECT_FALSE(AnotherCopyRuns(true, 0) || AnotherCopyRuns(false, 8)); // 8: out of memory
    EXPECT_TRUE(AnotherCopyRuns(true, MutexAlreadyExists));
    EXPECT_TRUE(AnotherCopyRuns(false, MutexAccessDenied));
}
