#include "app/shared_state.h"
#include "tests/fakes/fake_window.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

class SharedState : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetFakeWindow();
        MainWindow = FakeWindowHandle();
        WakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        InterlockedExchange(&RequestedProfile, 0);
        InterlockedExchange(&ApplyPending, 0);
        InterlockedExchange(&ApplyResult, 0);
        InterlockedExchange(&BrightnessRequest, -1);
    }
    void TearDown() override
    {
        CloseHandle(WakeEvent);
        WakeEvent = nullptr;
        MainWindow = nullptr;
    }
};

TEST_F(SharedState, InitialValues)
{
    CoolerStatus status;
    for (int32_t* field = &status.connected; field <= &status.gpuTempC; ++field) *field = 99;
    CopyLatestStatus(&status);
    for (int32_t* field = &status.connected; field <= &status.gpuTempC; ++field) EXPECT_EQ(*field, 0);
    EXPECT_EQ(sizeof(CoolerStatus), 48u);
    EXPECT_EQ(AtomicRead(&AppliedProfile), -1);
    EXPECT_EQ(AtomicRead(&AppliedPumpDuty), 0);
    EXPECT_EQ(AtomicRead(&AppliedFanDuty), 0);
    EXPECT_EQ(LoadRelaxed(&ManualPumpDuty), 60);
    EXPECT_EQ(LoadRelaxed(&ManualFanDuty), 30);
    EXPECT_EQ(AtomicRead(&ScreenBrightness), -1);
    EXPECT_EQ(AtomicRead(&ScreenMode), -1);
    EXPECT_EQ(MsgStatusUpdated, 0x8001u);
    EXPECT_EQ(MsgApplyFinished, 0x8002u);
    EXPECT_EQ(MsgTrayNotify, 0x8003u);
}

TEST_F(SharedState, RequestApplyRaisesTheRequestWakesAndRepaints)
{
    InterlockedExchange(&ApplyResult, -1);
    RequestApply(3);
    EXPECT_EQ(AtomicRead(&RequestedProfile), 3);
    EXPECT_EQ(AtomicRead(&ApplyResult), 0);
    EXPECT_EQ(AtomicRead(&ApplyPending), 1);
    EXPECT_EQ(WaitForSingleObject(WakeEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(FakeInvalidateCount(), 1);
    EXPECT_EQ(FakePostCount(), 0);
}

TEST_F(SharedState, LastRequestWins)
{
    RequestApply(1);
    RequestApply(4);
    EXPECT_EQ(InterlockedExchange(&ApplyPending, 0), 1);
    EXPECT_EQ(AtomicRead(&RequestedProfile), 4);
    EXPECT_EQ(InterlockedExchange(&ApplyPending, 0), 0);
    // Auto reset: two signals end one wait.
    EXPECT_EQ(WaitForSingleObject(WakeEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(WakeEvent, 0), WAIT_TIMEOUT);
}

TEST_F(SharedState, RequestsWithoutEventsOrWindowAreStillRecorded)
{
    CloseHandle(WakeEvent);
    WakeEvent = nullptr;
    MainWindow = nullptr;
    RequestApply(2);
    RequestBrightness(50);
    EXPECT_EQ(AtomicRead(&ApplyPending), 1);
    EXPECT_EQ(AtomicRead(&RequestedProfile), 2);
    EXPECT_EQ(AtomicRead(&BrightnessRequest), 50);
    EXPECT_EQ(FakeInvalidateCount(), 0);
}

TEST_F(SharedState, ATakenRequestCarriesItsProfileOrALaterOne)
{
    // A taker on another thread, as the worker is: whenever it takes the flag, the profile it
    // then reads was stored before that flag (never the initial 0) and never goes back; the
    // last request is the last one taken.
    constexpr int Rounds = 20000;
    volatile LONG done = 0;
    int bad = 0;
    LONG lastTaken = 0;
    std::thread taker([&] {
        while (!AtomicRead(&done)) {
            if (InterlockedExchange(&ApplyPending, 0) == 0) continue;
            const LONG profile = AtomicRead(&RequestedProfile);
            if (profile < 1 || profile < lastTaken) ++bad;
            lastTaken = profile;
        }
    });
    for (int i = 1; i <= Rounds; ++i) RequestApply(i);
    InterlockedExchange(&done, 1);
    taker.join();
    if (InterlockedExchange(&ApplyPending, 0)) lastTaken = AtomicRead(&RequestedProfile);
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(lastTaken, Rounds);
    EXPECT_EQ(FakeInvalidateCount(), Rounds);
}

TEST_F(SharedState, BrightnessRequestWakesWithoutRepainting)
{
    RequestBrightness(25);
    EXPECT_EQ(InterlockedExchange(&BrightnessRequest, -1), 25);
    EXPECT_EQ(WaitForSingleObject(WakeEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(FakeInvalidateCount(), 0);
}

TEST_F(SharedState, ReadersNeverSeeAHalfWrittenRecord)
{
    volatile LONG done = 0;
    int torn = 0;
    std::thread writer([&] {
        for (int32_t i = 0; i < 20000; ++i) {
            CoolerStatus next;
            for (int32_t* field = &next.connected; field <= &next.gpuTempC; ++field) *field = i;
            AcquireSRWLockExclusive(&StatusLock);
            LatestStatus = next;
            ReleaseSRWLockExclusive(&StatusLock);
        }
        InterlockedExchange(&done, 1);
    });
    while (!AtomicRead(&done)) {
        CoolerStatus copy;
        CopyLatestStatus(&copy);
        for (int32_t* field = &copy.connected; field <= &copy.gpuTempC; ++field) {
            if (*field != copy.connected) ++torn;
        }
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    AcquireSRWLockExclusive(&StatusLock);
    LatestStatus = {};
    ReleaseSRWLockExclusive(&StatusLock);
}

} // namespace
