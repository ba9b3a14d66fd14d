// The worker's turns, stepped one at a time against the in-process simulated cooler: every
// row of its state and failure tables, without waiting out the poll intervals.
#include "cooler/worker.h"

#include "profiles/profiles.h"
#include "standins/kraken/sim_native.h"
#include "telemetry/history.h"
#include "tests/fakes/fake_nvml.h"
#include "tests/fakes/fake_window.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr const char* OneCooler = "device cooler 1e71 300c\n";

class Worker : public testing::Test {
protected:
    void SetUp() override
    {
        SimNativeReset();
        ResetFakeWindow();
        InstallFakeNvml();
        MainWindow = FakeWindowHandle();
        StopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        WakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        InterlockedExchange(&RequestedProfile, 0);
        InterlockedExchange(&ApplyPending, 0);
        InterlockedExchange(&ApplyResult, 0);
        InterlockedExchange(&AppliedProfile, -1);
        InterlockedExchange(&AppliedPumpDuty, 0);
        InterlockedExchange(&AppliedFanDuty, 0);
        StoreRelaxed(&ManualPumpDuty, 60);
        StoreRelaxed(&ManualFanDuty, 30);
        InterlockedExchange(&BrightnessRequest, -1);
        InterlockedExchange(&ScreenBrightness, -1);
        InterlockedExchange(&ScreenMode, -1);
        LatestStatus = {};
        CoolerHistory = {};
        GpuHistory = {};
        StartWorker(&state);
    }
    void TearDown() override
    {
        EndWorker(&state);
        EXPECT_EQ(SimNativeOpenHandles(), 0);
        CloseHandle(StopEvent);
        CloseHandle(WakeEvent);
        StopEvent = WakeEvent = nullptr;
        MainWindow = nullptr;
        UninstallFakeNvml();
        SimNativeReset();
    }

    // Connects: the first turn finds, initialises, queries the screen and polls.
    void Connect()
    {
        ASSERT_TRUE(SimNativeConfigure(OneCooler));
        const TurnWait wait = Turn();
        ASSERT_EQ(wait.kind, WaitStopOrWake);
        ASSERT_EQ(Latest().connected, 1);
    }

    static CoolerStatus Latest()
    {
        CoolerStatus status;
        CopyLatestStatus(&status);
        return status;
    }

    // One turn, the worker's clock moved on by a poll wait.
    TurnWait Turn(DWORD advanceMs = 2000)
    {
        clockMs += advanceMs;
        return WorkerTurn(&state, clockMs);
    }

    WorkerState state = {};
    DWORD clockMs = 0; // ms
};

// Reports the host wrote whose first two bytes are these, from log entry `from` on.
int Writes(uint8_t first, uint8_t second, int from = 0)
{
    int count = 0;
    for (int i = from; i < SimNativeLogCount(); ++i) {
        const SimLogEntry entry = SimNativeLogEntry(i);
        if (entry.kind == SimLogIn && entry.bytes[0] == first && entry.bytes[1] == second) ++count;
    }
    return count;
}

// Index of the first host write starting with these bytes at or after `from`, or -1.
int FirstWrite(uint8_t first, uint8_t second, int from = 0)
{
    for (int i = from; i < SimNativeLogCount(); ++i) {
        const SimLogEntry entry = SimNativeLogEntry(i);
        if (entry.kind == SimLogIn && entry.bytes[0] == first && entry.bytes[1] == second) return i;
    }
    return -1;
}

int Posted(UINT message)
{
    int count = 0;
    for (int i = 0; i < FakePostCount(); ++i) count += FakePosted(i).message == message;
    return count;
}

TEST_F(Worker, WithoutACoolerItPublishesNotFoundAndWaitsASecondOnStopAlone)
{
    const TurnWait wait = Turn();
    EXPECT_EQ(wait.kind, WaitStopOnly);
    EXPECT_EQ(wait.limitMs, 1000u);
    const CoolerStatus status = Latest();
    EXPECT_EQ(status.connected, 0);
    EXPECT_EQ(status.linkState, LinkNotFound);
    EXPECT_EQ(status.gpuValid, 1); // GPU telemetry rides along
    EXPECT_EQ(Posted(MsgStatusUpdated), 1);
    // The wake event does not shorten this wait; a stop does.
    SetEvent(WakeEvent);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(WorkerWait({WaitStopOnly, 60}));
    EXPECT_GE(GetTickCount() - start, 55u);
    SetEvent(StopEvent);
    EXPECT_TRUE(WorkerWait({WaitStopOnly, 1000}));
}

TEST_F(Worker, FirstTurnInitialisesQueriesTheScreenPollsAndPublishes)
{
    SetFakeWindowVisible(false);
    Connect();
    EXPECT_EQ(FirstWrite(0x70, 0x02), 1); // right after opening
    EXPECT_LT(FirstWrite(0x70, 0x02), FirstWrite(0x70, 0x01));
    EXPECT_LT(FirstWrite(0x70, 0x01), FirstWrite(0x30, 0x01));
    EXPECT_LT(FirstWrite(0x30, 0x01), FirstWrite(0x74, 0x01));
    EXPECT_EQ(Writes(0x30, 0x01), 1); // the screen state became known at once
    EXPECT_EQ(AtomicRead(&ScreenMode), 1);
    EXPECT_EQ(AtomicRead(&ScreenBrightness), 50);
    const CoolerStatus status = Latest();
    EXPECT_EQ(status.linkState, 0);
    EXPECT_EQ(status.liquidTenths, 310);
    EXPECT_EQ(CoolerHistory.sampleCount, 1);

    EXPECT_EQ(Turn().limitMs, 2000u); // hidden window
    SetFakeWindowVisible(true);
    EXPECT_EQ(Turn().limitMs, 750u); // sampled afresh before each wait
    EXPECT_EQ(Writes(0x70, 0x02), 1);            // no second initialisation
    EXPECT_EQ(Posted(MsgStatusUpdated), 3);
}

// A cooler that fails at once, again and again, must not be searched for in a busy loop.
TEST_F(Worker, ALinkThatFailsBeforeItsFirstPollIsSearchedForAgainAfterASecond)
{
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault deaf\n"));
    TurnWait wait = Turn();
    EXPECT_EQ(wait.kind, WaitStopOnly);
    EXPECT_EQ(wait.limitMs, 1000u);
    EXPECT_EQ(Latest().linkState, LinkFailed);
    EXPECT_EQ(SimNativeOpenHandles(), 0);
    EXPECT_EQ(Writes(0x70, 0x01), 0); // no InitB after a failed InitA
    // Initialised, but its first poll refused.
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault patch status 16 10\n"));
    wait = Turn();
    EXPECT_EQ(wait.kind, WaitStopOnly);
    EXPECT_EQ(wait.limitMs, 1000u);
    EXPECT_EQ(Latest().linkState, LinkFailed);
    ASSERT_TRUE(SimNativeConfigure(OneCooler));
    EXPECT_EQ(Turn().kind, WaitStopOrWake);
    EXPECT_EQ(Latest().connected, 1);
}

TEST_F(Worker, ScreenInformationIsAskedSixTimesAtMostPerConnection)
{
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault patch screen 26 4\n"));
    Turn();
    EXPECT_EQ(Writes(0x30, 0x01), 2); // on initialisation and once more in the same turn
    for (int turn = 0; turn < 6; ++turn) Turn();
    EXPECT_EQ(Writes(0x30, 0x01), 6);
    EXPECT_EQ(AtomicRead(&ScreenMode), -1);
    EXPECT_EQ(Latest().connected, 1); // the link stays up
}

TEST_F(Worker, AReconnectionWithTheScreenKnownAsksOnce)
{
    Connect();
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault unplug\n"));
    Turn(); // the poll fails
    EXPECT_EQ(Latest().linkState, LinkFailed);
    const int mark = SimNativeLogCount();
    Connect();
    EXPECT_EQ(Writes(0x30, 0x01, mark), 1);
    EXPECT_EQ(AtomicRead(&ScreenMode), 1); // kept across the drop
}

TEST_F(Worker, AnApplyWritesPumpThenFansAndStoresTheAppliedValuesBeforeTheResult)
{
    Connect();
    StoreRelaxed(&ManualPumpDuty, 70);
    StoreRelaxed(&ManualFanDuty, 40);
    RequestApply(ProfileBalanced);
    const int mark = SimNativeLogCount();
    Turn();
    const int pump = FirstWrite(0x72, 0x01, mark);
    const int fans = FirstWrite(0x72, 0x02, mark);
    ASSERT_GE(pump, 0);
    EXPECT_LT(pump, fans);
    EXPECT_LT(fans, FirstWrite(0x74, 0x01, mark)); // before the poll
    EXPECT_EQ(SimNativeLogEntry(pump).bytes[4], 60);
    EXPECT_EQ(SimNativeLogEntry(fans).bytes[4 + 39], 100);
    EXPECT_EQ(AtomicRead(&AppliedProfile), ProfileBalanced);
    EXPECT_EQ(AtomicRead(&AppliedPumpDuty), 70);
    EXPECT_EQ(AtomicRead(&AppliedFanDuty), 40);
    EXPECT_EQ(AtomicRead(&ApplyResult), 1);
    EXPECT_EQ(AtomicRead(&ApplyPending), 0);
    ASSERT_EQ(Posted(MsgApplyFinished), 1);
    for (int i = 0; i < FakePostCount(); ++i) {
        if (FakePosted(i).message == MsgApplyFinished) {
            EXPECT_EQ(FakePosted(i).wParam, 2u);
        }
    }
    // Manual writes the pair flat.
    RequestApply(ProfileManual);
    const int manualMark = SimNativeLogCount();
    Turn();
    const int manualPump = FirstWrite(0x72, 0x01, manualMark);
    ASSERT_GE(manualPump, 0);
    EXPECT_EQ(SimNativeLogEntry(manualPump).bytes[4 + 20], 70);
    EXPECT_EQ(SimNativeState().fanCurve[10], 40);
    EXPECT_EQ(AtomicRead(&AppliedProfile), ProfileManual);
}

// The cooler keeps its curves in RAM: a power loss (the device gone and back) or a resume from
// sleep may have brought back its factory curves. The first answered poll after either writes
// them again (after a resume as the minute allows); a link that never polls gets no writes.
TEST_F(Worker, TheAppliedCurvesAreWrittenAgainAfterTheFirstPollOfANewConnection)
{
    const char* unplugged = "device cooler 1e71 300c\nfault unplug\n";
    Connect();
    ASSERT_TRUE(SimNativeConfigure(unplugged));
    Turn();
    Connect();
    EXPECT_TRUE(NoteResume(ResumeAutomatic));
    EXPECT_EQ(WaitForSingleObject(WakeEvent, 0), WAIT_OBJECT_0);
    Turn();
    EXPECT_EQ(Writes(0x72, 0x01) + Writes(0x72, 0x02), 0); // nothing while Unchanged

    StoreRelaxed(&ManualPumpDuty, 70);
    StoreRelaxed(&ManualFanDuty, 45);
    RequestApply(ProfileManual);
    Turn();
    ASSERT_TRUE(SimNativeConfigure(unplugged));
    Turn();
    StoreRelaxed(&ManualPumpDuty, 90); // chosen, not applied
    int mark = SimNativeLogCount();
    Connect();
    const int pump = FirstWrite(0x72, 0x01, mark);
    const int fans = FirstWrite(0x72, 0x02, mark);
    ASSERT_GT(pump, FirstWrite(0x74, 0x01, mark)); // after the first poll
    EXPECT_LT(pump, fans);
    EXPECT_EQ(SimNativeLogEntry(pump).bytes[4], 70);
    EXPECT_EQ(SimNativeLogEntry(fans).bytes[4], 45);
    EXPECT_EQ(Posted(MsgApplyFinished), 1); // not reported as an apply

    // A resume reconnects: opened and initialised anew, written once the minute has passed.
    mark = SimNativeLogCount();
    EXPECT_FALSE(NoteResume(0x04)); // PBT_APMSUSPEND
    Turn();
    EXPECT_EQ(Writes(0x70, 0x02, mark), 0);
    EXPECT_TRUE(NoteResume(ResumeSuspend));
    Turn(60000);
    EXPECT_EQ(Writes(0x70, 0x02, mark), 1);
    EXPECT_EQ(Writes(0x72, 0x01, mark), 1);
    EXPECT_EQ(Writes(0x72, 0x02, mark), 1);
    EXPECT_EQ(SimNativeOpenHandles(), 1);
    // With an apply waiting, only the newer curves are written.
    mark = SimNativeLogCount();
    NoteResume(ResumeAutomatic);
    RequestApply(ProfileSilent);
    Turn(60000);
    EXPECT_EQ(Writes(0x72, 0x01, mark), 1);
    EXPECT_EQ(SimNativeState().pumpCurve[0], 50);
}

TEST(CurveWatch, DutiesMayLieBetweenThePointsAroundTheReadingWithSlack)
{
    const WrittenCurves balanced = {ProfileBalanced, 0, 0};
    // Balanced from 31 to 34 °C: pump 62 to 68, fans 27 to 33. At 32.5 °C, the points at 31
    // to 34 °C (32.5 widened by 0.9 either side) and 3 % more.
    CoolerStatus status = {1, 0, 325, 0, 71, 0, 24, 0, 0, 0, 0, 0};
    EXPECT_TRUE(DutiesFollowCurves(balanced, status, true));
    status.pumpDuty = 72;
    EXPECT_FALSE(DutiesFollowCurves(balanced, status, true));
    status.pumpDuty = 59;
    status.fanDuty = 23;
    EXPECT_FALSE(DutiesFollowCurves(balanced, status, true));
    // At exactly 32.0 °C the neighbouring points too: a firmware may round the other way.
    status.liquidTenths = 320;
    status.fanDuty = 34;
    EXPECT_TRUE(DutiesFollowCurves(balanced, status, true));
    status.pumpDuty = 70;
    EXPECT_FALSE(DutiesFollowCurves(balanced, status, true));
    // Fans not judged (none on the cooler's header): only the pump is.
    status = {1, 0, 320, 0, 64, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(DutiesFollowCurves(balanced, status, false));
    EXPECT_FALSE(DutiesFollowCurves(balanced, status, true));
    // Outside 20..59 °C the end points hold.
    status = {1, 0, 150, 0, 57, 0, 28, 0, 0, 0, 0, 0};
    EXPECT_TRUE(DutiesFollowCurves(balanced, status, true));
    status = {1, 0, 700, 0, 97, 0, 96, 0, 0, 0, 0, 0};
    EXPECT_FALSE(DutiesFollowCurves(balanced, status, true));
    const WrittenCurves manual = {ProfileManual, 70, 45};
    status = {1, 0, 587, 0, 73, 0, 42, 0, 0, 0, 0, 0};
    EXPECT_TRUE(DutiesFollowCurves(manual, status, true)); // between 58 and 59 °C: 70 to 100
}

TEST_F(Worker, AFailedFanWriteReportsFailureDropsTheLinkAndPublishesNothing)
{
    Connect();
    RequestApply(ProfileSilent);
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault deaf after 1\n"));
    const int published = Posted(MsgStatusUpdated);
    const TurnWait wait = Turn(); // pump written, fans time out
    EXPECT_EQ(wait.kind, WaitNone);
    EXPECT_EQ(SimNativeState().pumpCurveWrites, 1);
    EXPECT_EQ(SimNativeState().fanCurveWrites, 0);
    EXPECT_EQ(AtomicRead(&ApplyResult), -1);
    EXPECT_EQ(AtomicRead(&AppliedProfile), -1);
    EXPECT_EQ(Posted(MsgApplyFinished), 1);
    EXPECT_EQ(Posted(MsgStatusUpdated), published);
    EXPECT_EQ(SimNativeOpenHandles(), 0);
}

TEST_F(Worker, AFailedPumpWriteNeverTriesTheFans)
{
    Connect();
    RequestApply(ProfileAggressive);
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault deaf\n"));
    Turn();
    EXPECT_EQ(SimNativeState().pumpCurveWrites, 0);
    EXPECT_EQ(SimNativeState().fanCurveWrites, 0);
    EXPECT_EQ(AtomicRead(&ApplyResult), -1);
    EXPECT_EQ(Posted(MsgApplyFinished), 1);
}

TEST_F(Worker, AnApplyLeftWhileUnpluggedIsWrittenRightAfterTheNextInitialisation)
{
    RequestApply(ProfilePerformance);
    EXPECT_EQ(Turn().kind, WaitStopOnly);
    EXPECT_EQ(Posted(MsgApplyFinished), 0);
    EXPECT_EQ(AtomicRead(&ApplyPending), 1);
    ASSERT_TRUE(SimNativeConfigure(OneCooler));
    Turn();
    const int pump = FirstWrite(0x72, 0x01);
    ASSERT_GT(pump, FirstWrite(0x70, 0x01));
    EXPECT_LT(pump, FirstWrite(0x74, 0x01));
    EXPECT_EQ(Posted(MsgApplyFinished), 1);
    EXPECT_EQ(AtomicRead(&AppliedProfile), ProfilePerformance);
}

TEST_F(Worker, BrightnessIsWrittenOnlyWithTheScreenKnownAndReadBack)
{
    // Mode unknown: the request is taken and dropped.
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault patch screen 26 9\n"));
    Turn();
    RequestBrightness(25);
    Turn();
    EXPECT_EQ(AtomicRead(&BrightnessRequest), -1);
    EXPECT_EQ(Writes(0x30, 0x02), 0);
    EXPECT_EQ(AtomicRead(&ScreenBrightness), -1);

    // Known: written with the mode as read, then read back.
    ASSERT_TRUE(SimNativeConfigure(OneCooler));
    Turn();
    ASSERT_EQ(AtomicRead(&ScreenMode), 1);
    RequestBrightness(100);
    int mark = SimNativeLogCount();
    Turn();
    const int write = FirstWrite(0x30, 0x02, mark);
    ASSERT_GE(write, 0);
    const uint8_t expected[8] = {0x30, 0x02, 0x01, 100, 0x00, 0x00, 0x01, 0x01};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(SimNativeLogEntry(write).bytes[i], expected[i]);
    EXPECT_GT(FirstWrite(0x30, 0x01, write), write);
    EXPECT_EQ(AtomicRead(&ScreenBrightness), 100);

    // Above 100: dropped.
    InterlockedExchange(&BrightnessRequest, 101);
    mark = SimNativeLogCount();
    Turn();
    EXPECT_EQ(Writes(0x30, 0x02, mark), 0);

    // The read-back fails: the requested level is taken as the brightness.
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault patch screen 24 200\n"));
    RequestBrightness(0);
    Turn();
    EXPECT_EQ(AtomicRead(&ScreenBrightness), 0);
    EXPECT_EQ(Latest().connected, 1);
}

TEST_F(Worker, ABrightnessWriteThatFailsIsKeptUntilTheCoolerIsBack)
{
    Connect();
    ASSERT_EQ(AtomicRead(&ScreenMode), 1);
    RequestBrightness(75);
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault unplug\n"));
    Turn(); // the write fails, then the poll
    EXPECT_EQ(Latest().linkState, LinkFailed);
    EXPECT_EQ(AtomicRead(&BrightnessRequest), 75);
    EXPECT_EQ(AtomicRead(&ScreenBrightness), 50);
    Turn();
    EXPECT_EQ(Latest().linkState, LinkNotFound);
    ASSERT_TRUE(SimNativeConfigure(OneCooler));
    Turn();
    EXPECT_EQ(Latest().connected, 1);
    EXPECT_EQ(SimNativeState().brightness, 75);
    EXPECT_EQ(AtomicRead(&ScreenBrightness), 75);
    EXPECT_EQ(AtomicRead(&BrightnessRequest), -1);

    // A newer request that came while the write failed wins.
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault deaf\n"));
    RequestBrightness(25);
    std::thread later([] {
        Sleep(100);
        RequestBrightness(100);
    });
    Turn(); // the write times out after 500 ms, the poll fails
    later.join();
    EXPECT_EQ(AtomicRead(&BrightnessRequest), 100);
}

TEST(Brightness, ANewLevelIsTriedAfterAnotherKeptFailing)
{
    EXPECT_TRUE(BrightnessWorthTrying(50, 50, BrightnessTries - 1));
    EXPECT_FALSE(BrightnessWorthTrying(50, 50, BrightnessTries));
    EXPECT_TRUE(BrightnessWorthTrying(100, 50, BrightnessTries));
}

// However many unasked reports the cooler sends after each report it reads, every reply wait
// starts after the request: neither a poll nor the one after an apply fails.
TEST_F(Worker, AFloodOfUnaskedReportsFailsNoPoll)
{
    // Without latency the flood after each write has arrived before the next request; with
    // it, the flood after a write lands in the next reply wait, which reads 8 reports at most.
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nset latency 0\nfault unsolicited 16\n"));
    Turn();
    EXPECT_EQ(Latest().connected, 1);
    EXPECT_EQ(AtomicRead(&ScreenMode), 1);
    RequestApply(ProfileBalanced);
    Turn();
    EXPECT_EQ(AtomicRead(&ApplyResult), 1);
    EXPECT_EQ(Latest().connected, 1);
    Turn();
    EXPECT_EQ(Latest().connected, 1);
    EXPECT_EQ(SimNativeOpenHandles(), 1);
}

TEST_F(Worker, APulledCablePublishesLinkFailedThenNotFoundUntilItReturns)
{
    Connect();
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault unplug\n"));
    TurnWait wait = Turn();
    EXPECT_EQ(wait.kind, WaitStopOrWake); // after the poll wait
    EXPECT_EQ(Latest().linkState, LinkFailed);
    EXPECT_EQ(Latest().liquidTenths, 0);
    EXPECT_EQ(SimNativeOpenHandles(), 0);
    wait = Turn();
    EXPECT_EQ(wait.kind, WaitStopOnly);
    EXPECT_EQ(Latest().linkState, LinkNotFound);
    EXPECT_EQ(CoolerHistory.sampleCount, 1); // history survives
    ASSERT_TRUE(SimNativeConfigure(OneCooler));
    Turn();
    EXPECT_EQ(Latest().connected, 1);
}

TEST_F(Worker, AWakeEndsThePollWaitAndAStopWinsOverIt)
{
    SetEvent(WakeEvent);
    EXPECT_FALSE(WorkerWait({WaitStopOrWake, 5000}));
    EXPECT_EQ(WaitForSingleObject(WakeEvent, 0), WAIT_TIMEOUT); // the wait took it
    SetEvent(WakeEvent);
    SetEvent(StopEvent);
    EXPECT_TRUE(WorkerWait({WaitStopOrWake, 5000}));
    EXPECT_TRUE(StopRequested());
}

TEST(WorkerThread, AStopBeforeTheFirstTurnEndsItWithoutASearch)
{
    SimNativeReset();
    ASSERT_TRUE(SimNativeConfigure(OneCooler));
    InstallFakeNvml();
    StopEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    WakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(DeviceWorker(nullptr), 0u);
    EXPECT_EQ(SimNativeLogCount(), 0);
    EXPECT_EQ(FakeNvmlCalls(FakeInit), 1);
    EXPECT_EQ(FakeNvmlCalls(FakeShutdown), 1);
    EXPECT_FALSE(FakeNvmlLoaded());
    CloseHandle(StopEvent);
    CloseHandle(WakeEvent);
    StopEvent = WakeEvent = nullptr;
    UninstallFakeNvml();
}

TEST(WorkerThread, AStopDuringTheNoCoolerWaitEndsTheThreadAtOnceAndClosesTheLink)
{
    SimNativeReset();
    UninstallFakeNvml();
    ResetFakeWindow();
    MainWindow = FakeWindowHandle();
    StopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    WakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::thread worker([] { DeviceWorker(nullptr); });
    while (FakePostCount() == 0) Sleep(1);
    const DWORD start = GetTickCount();
    SetEvent(StopEvent);
    worker.join();
    EXPECT_LT(GetTickCount() - start, 100u);
    CloseHandle(StopEvent);
    CloseHandle(WakeEvent);
    StopEvent = WakeEvent = nullptr;
    MainWindow = nullptr;
}

} // namespace
