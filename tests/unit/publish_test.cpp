#include "telemetry/gpu.h"
#include "telemetry/history.h"
#include "telemetry/publish.h"
#include "tests/fakes/fake_nvml.h"
#include "tests/fakes/fake_window.h"

#include <gtest/gtest.h>

namespace {

HistorySample Samples[HistoryCapacity];

CoolerStatus Connected(int32_t liquidTenths, int32_t fanDuty)
{
    CoolerStatus status = {};
    status.connected = 1;
    status.liquidTenths = liquidTenths;
    status.pumpRpm = 2400;
    status.pumpDuty = 60;
    status.fanRpm = 900;
    status.fanDuty = fanDuty;
    return status;
}

CoolerStatus Latest()
{
    CoolerStatus status;
    CopyLatestStatus(&status);
    return status;
}

int CoolerSamples() { return CopyHistory(CoolerHistory, Samples); }
int GpuSamples() { return CopyHistory(GpuHistory, Samples); }

class Publish : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetFakeWindow();
        MainWindow = FakeWindowHandle();
        InstallFakeNvml(); // 40 %, 1500 rpm, 55 °C
        StartGpuTelemetry();
        LatestStatus = {};
        CoolerHistory = {};
        GpuHistory = {};
    }
    void TearDown() override
    {
        StopGpuTelemetry();
        MainWindow = nullptr;
        EXPECT_EQ(FakeNvmlCallsUnderStatusLock(), 0);
        EXPECT_EQ(FakePostsUnderStatusLock(), 0);
    }
};

TEST_F(Publish, FirstPublicationStoresSamplesWhateverTheTickAndPosts)
{
    PublishStatusAt(Connected(305, 45), 5);

    const CoolerStatus latest = Latest();
    EXPECT_EQ(latest.connected, 1);
    EXPECT_EQ(latest.liquidTenths, 305);
    EXPECT_EQ(latest.pumpRpm, 2400);
    EXPECT_EQ(latest.fanDuty, 45);
    EXPECT_EQ(latest.gpuValid, 1);
    EXPECT_EQ(latest.gpuFanPercent, 40);
    EXPECT_EQ(latest.gpuFanRpm, 1500);
    EXPECT_EQ(latest.gpuTempC, 55);

    ASSERT_EQ(CoolerSamples(), 1);
    EXPECT_EQ(Samples[0].tick, 5u);
    EXPECT_EQ(Samples[0].fanPercent, 45);
    EXPECT_EQ(Samples[0].tempC, 31);
    ASSERT_EQ(GpuSamples(), 1);
    EXPECT_EQ(Samples[0].tick, 5u);
    EXPECT_EQ(Samples[0].fanPercent, 40);
    EXPECT_EQ(Samples[0].tempC, 55);

    ASSERT_EQ(FakePostCount(), 1);
    const PostedMessage posted = FakePosted(0);
    EXPECT_EQ(posted.message, MsgStatusUpdated);
    EXPECT_EQ(posted.wParam, 0u);
    EXPECT_EQ(posted.lParam, 0);
}

TEST_F(Publish, EveryPublicationReplacesLatestStatusButRingsKeepTheirSpacing)
{
    PublishStatusAt(Connected(300, 40), 0);
    PublishStatusAt(Connected(310, 41), 1000);
    EXPECT_EQ(Latest().liquidTenths, 310);
    EXPECT_EQ(FakePostCount(), 2);
    EXPECT_EQ(CoolerSamples(), 1);
    EXPECT_EQ(GpuSamples(), 1);

    // Each ring measures from its own last sample: the cooler ring, empty so far, takes
    // t=1000; the GPU ring, which took t=0, waits until 1900 has passed.
    CoolerHistory = {};
    GpuHistory = {};
    CoolerStatus absent = {};
    absent.linkState = LinkNotFound;
    PublishStatusAt(absent, 0);
    EXPECT_EQ(CoolerSamples(), 0);
    EXPECT_EQ(GpuSamples(), 1);
    PublishStatusAt(Connected(300, 40), 1000);
    EXPECT_EQ(CoolerSamples(), 1);
    EXPECT_EQ(GpuSamples(), 1);
    PublishStatusAt(Connected(300, 40), 2000);
    EXPECT_EQ(CoolerSamples(), 1);
    EXPECT_EQ(GpuSamples(), 2);
    EXPECT_EQ(Latest().linkState, LinkOpening);
}

TEST_F(Publish, WithoutACoolerOnlyTheGpuIsRecorded)
{
    CoolerStatus failed = {};
    failed.linkState = LinkFailed;
    PublishStatusAt(failed, 100);
    EXPECT_EQ(Latest().linkState, LinkFailed);
    EXPECT_EQ(Latest().gpuValid, 1);
    EXPECT_EQ(CoolerSamples(), 0);
    EXPECT_EQ(GpuSamples(), 1);
    EXPECT_EQ(FakePostCount(), 1);
}

TEST_F(Publish, RingTemperaturesAreRoundedAndClampedButLatestStatusIsNot)
{
    SetFakeNvmlReadings(50, 1200, 120);
    const int32_t liquid[][2] = {{304, 30}, {305, 31}, {1000, 100}, {1009, 100}};
    DWORD tick = 0;
    for (const auto& pair : liquid) {
        PublishStatusAt(Connected(pair[0], 50), tick);
        tick += HistorySpacingMs;
    }
    ASSERT_EQ(CoolerSamples(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Samples[i].tempC, liquid[i][1]) << liquid[i][0];
    EXPECT_EQ(Latest().gpuTempC, 120);
    ASSERT_EQ(GpuSamples(), 4);
    EXPECT_EQ(Samples[3].tempC, 100);
}

TEST_F(Publish, StaleGpuFieldsFromTheCallerAreNeverPublished)
{
    StopGpuTelemetry();
    UninstallFakeNvml();
    StartGpuTelemetry();
    CoolerStatus status = Connected(300, 40);
    status.gpuValid = 1;
    status.gpuFanPercent = 70;
    status.gpuFanRpm = 2000;
    status.gpuTempC = 80;
    PublishStatusAt(status, 0);
    const CoolerStatus latest = Latest();
    EXPECT_EQ(latest.gpuValid, 0);
    EXPECT_EQ(latest.gpuFanPercent, 0);
    EXPECT_EQ(latest.gpuFanRpm, 0);
    EXPECT_EQ(latest.gpuTempC, 0);
    EXPECT_EQ(GpuSamples(), 0);
    EXPECT_EQ(CoolerSamples(), 1);
}

// The checks behind the lock assertions in TearDown do see a held lock.
TEST_F(Publish, LockChecksSeeAHeldLock)
{
    CoolerStatus status = {};
    AcquireSRWLockShared(&StatusLock);
    SampleGpu(&status);
    PostMessageW(MainWindow, MsgStatusUpdated, 0, 0);
    ReleaseSRWLockShared(&StatusLock);
    EXPECT_EQ(FakeNvmlCallsUnderStatusLock(), 3);
    EXPECT_EQ(FakePostsUnderStatusLock(), 1);
    StopGpuTelemetry();
    InstallFakeNvml(); // a clean record for the checks in TearDown
    ResetFakeWindow();
}

} // namespace
