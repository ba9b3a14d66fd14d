#include "telemetry/gpu.h"
#include "tests/fakes/fake_nvml.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Name()
{
    char16_t name[GpuNameCapacity];
    CopyGpuName(name);
    return std::u16string(name);
}

// A status whose GPU fields show whether a sample touched them.
CoolerStatus Untouched()
{
    CoolerStatus status = {};
    status.gpuFanPercent = -7;
    status.gpuFanRpm = -7;
    status.gpuTempC = -7;
    return status;
}

void ExpectUntouched(const CoolerStatus& status)
{
    EXPECT_EQ(status.gpuValid, 0);
    EXPECT_EQ(status.gpuFanPercent, -7);
    EXPECT_EQ(status.gpuFanRpm, -7);
    EXPECT_EQ(status.gpuTempC, -7);
}

int TotalCalls()
{
    int total = 0;
    for (int i = 0; i < FakeEntryCount; ++i) total += FakeNvmlCalls(static_cast<FakeNvmlEntry>(i));
    return total;
}

class Gpu : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallFakeNvml();
        GpuName[0] = 0;
    }
    void TearDown() override
    {
        StopGpuTelemetry();
        EXPECT_EQ(FakeNvmlBadArguments(), 0);
        EXPECT_EQ(FakeNvmlCallsUnderStatusLock(), 0);
        EXPECT_FALSE(FakeNvmlLoaded());
    }

    // Start-up failed: nothing held, the library loaded once and unloaded again.
    void ExpectOff()
    {
        EXPECT_EQ(NvmlModule, nullptr);
        EXPECT_EQ(GpuDevice, nullptr);
        EXPECT_EQ(Name(), u"");
        EXPECT_EQ(FakeNvmlLoads(), FakeNvmlUnloads());
        CoolerStatus status = Untouched();
        const int calls = TotalCalls();
        SampleGpu(&status);
        ExpectUntouched(status);
        StopGpuTelemetry();
        EXPECT_EQ(TotalCalls(), calls);
        EXPECT_EQ(FakeNvmlLoads(), FakeNvmlUnloads());
    }
};

TEST_F(Gpu, WithoutTheLibraryTelemetryIsOff)
{
    UninstallFakeNvml();
    StartGpuTelemetry();
    EXPECT_EQ(FakeNvmlLoads(), 0);
    ExpectOff();
}

TEST_F(Gpu, StartSampleStop)
{
    StartGpuTelemetry();
    const char* const order[] = {"nvmlInit_v2",
                                 "nvmlDeviceGetHandleByIndex_v2",
                                 "nvmlDeviceGetName",
                                 "nvmlShutdown",
                                 "nvmlDeviceGetFanSpeed_v2",
                                 "nvmlDeviceGetFanSpeedRPM",
                                 "nvmlDeviceGetTemperature"};
    ASSERT_EQ(FakeNvmlLookupCount(), 7);
    for (int i = 0; i < 7; ++i) EXPECT_STREQ(FakeNvmlLookup(i), order[i]);
    EXPECT_NE(NvmlModule, nullptr);
    EXPECT_NE(GpuDevice, nullptr);
    EXPECT_EQ(Name(), u"XY 100");
    EXPECT_EQ(FakeNvmlCalls(FakeInit), 1);
    EXPECT_EQ(FakeNvmlCalls(FakeHandleByIndex), 1);
    EXPECT_EQ(FakeNvmlCalls(FakeName), 1);
    EXPECT_EQ(TotalCalls(), 3);

    for (int round = 1; round <= 2; ++round) {
        CoolerStatus status = {};
        SampleGpu(&status);
        EXPECT_EQ(status.gpuValid, 1);
        EXPECT_EQ(status.gpuFanPercent, 40);
        EXPECT_EQ(status.gpuFanRpm, 1500);
        EXPECT_EQ(status.gpuTempC, 55);
        EXPECT_EQ(TotalCalls(), 3 + 3 * round); // the name is asked once per run
    }

    // A second start while on changes nothing.
    StartGpuTelemetry();
    EXPECT_EQ(FakeNvmlLoads(), 1);
    EXPECT_EQ(FakeNvmlCalls(FakeInit), 1);

    StopGpuTelemetry();
    EXPECT_EQ(FakeNvmlCalls(FakeShutdown), 1);
    EXPECT_EQ(FakeNvmlUnloads(), 1);
    EXPECT_EQ(NvmlModule, nullptr);
    EXPECT_EQ(GpuDevice, nullptr);
    EXPECT_EQ(Name(), u"XY 100"); // stays as written
    StopGpuTelemetry();
    EXPECT_EQ(FakeNvmlCalls(FakeShutdown), 1);
    EXPECT_EQ(FakeNvmlUnloads(), 1);
}

TEST_F(Gpu, AMissingRequiredEntryPointLeavesTheLibraryUninitialised)
{
    for (FakeNvmlEntry required : {FakeInit, FakeHandleByIndex, FakeFanSpeed, FakeTemperature}) {
        SCOPED_TRACE(required);
        InstallFakeNvml();
        RemoveFakeNvmlEntry(required);
        StartGpuTelemetry();
        EXPECT_EQ(TotalCalls(), 0);
        EXPECT_EQ(FakeNvmlUnloads(), 1);
        ExpectOff();
    }
}

TEST_F(Gpu, InitFailingSkipsShutdown)
{
    FailFakeNvmlEntry(FakeInit);
    StartGpuTelemetry();
    EXPECT_EQ(FakeNvmlCalls(FakeInit), 1);
    EXPECT_EQ(FakeNvmlCalls(FakeHandleByIndex), 0);
    EXPECT_EQ(FakeNvmlCalls(FakeShutdown), 0);
    ExpectOff();
}

TEST_F(Gpu, NoDeviceShutsDownOnceThenUnloads)
{
    FailFakeNvmlEntry(FakeHandleByIndex);
    StartGpuTelemetry();
    EXPECT_EQ(FakeNvmlCalls(FakeHandleByIndex), 1);
    EXPECT_EQ(FakeNvmlCalls(FakeShutdown), 1);
    EXPECT_EQ(FakeNvmlCalls(FakeName), 0);
    ExpectOff(); // and stop calls nothing more
    EXPECT_EQ(FakeNvmlCalls(FakeShutdown), 1);
}

TEST_F(Gpu, MissingOptionalEntryPointsDropOnlyTheirFeature)
{
    RemoveFakeNvmlEntry(FakeName);
    RemoveFakeNvmlEntry(FakeShutdown);
    RemoveFakeNvmlEntry(FakeFanSpeedRpm);
    StartGpuTelemetry();
    EXPECT_EQ(Name(), u"GPU");
    CoolerStatus status = {};
    SampleGpu(&status);
    EXPECT_EQ(status.gpuValid, 1);
    EXPECT_EQ(status.gpuFanPercent, 40);
    EXPECT_EQ(status.gpuFanRpm, 0);
    EXPECT_EQ(status.gpuTempC, 55);
    StopGpuTelemetry();
    EXPECT_EQ(FakeNvmlUnloads(), 1);
}

TEST_F(Gpu, SamplesAtTheRangeLimits)
{
    StartGpuTelemetry();
    SetFakeNvmlReadings(100, 65535, 150);
    CoolerStatus status = Untouched();
    SampleGpu(&status);
    EXPECT_EQ(status.gpuValid, 1);
    EXPECT_EQ(status.gpuFanPercent, 100);
    EXPECT_EQ(status.gpuFanRpm, 65535);
    EXPECT_EQ(status.gpuTempC, 150);

    const int rpmCalls = FakeNvmlCalls(FakeFanSpeedRpm);
    for (auto readings : {std::pair{101u, 150u}, std::pair{100u, 151u}, std::pair{0xFFFFFFFFu, 50u}}) {
        SetFakeNvmlReadings(readings.first, 1500, readings.second);
        status = Untouched();
        SampleGpu(&status);
        ExpectUntouched(status);
    }
    EXPECT_EQ(FakeNvmlCalls(FakeFanSpeedRpm), rpmCalls);

    // An rpm no fan reaches counts as not reported; the sample stays valid.
    SetFakeNvmlReadings(50, 65536, 50);
    status = {};
    SampleGpu(&status);
    EXPECT_EQ(status.gpuValid, 1);
    EXPECT_EQ(status.gpuFanRpm, 0);
}

TEST_F(Gpu, AFailedQueryDropsTheSampleButAFailedRpmOnlyTheRpm)
{
    for (FakeNvmlEntry failing : {FakeFanSpeed, FakeTemperature}) {
        SCOPED_TRACE(failing);
        InstallFakeNvml();
        StartGpuTelemetry();
        FailFakeNvmlEntry(failing);
        CoolerStatus status = Untouched();
        SampleGpu(&status);
        ExpectUntouched(status);
        EXPECT_EQ(FakeNvmlCalls(FakeTemperature), failing == FakeFanSpeed ? 0 : 1);
        EXPECT_EQ(FakeNvmlCalls(FakeFanSpeedRpm), 0);
        StopGpuTelemetry();
    }

    InstallFakeNvml();
    StartGpuTelemetry();
    FailFakeNvmlEntry(FakeFanSpeedRpm);
    CoolerStatus status = {};
    SampleGpu(&status);
    EXPECT_EQ(status.gpuValid, 1);
    EXPECT_EQ(status.gpuFanRpm, 0);
    EXPECT_EQ(status.gpuTempC, 55);
}

TEST_F(Gpu, NameQueryFallsBackToGpu)
{
    FailFakeNvmlEntry(FakeName);
    StartGpuTelemetry();
    EXPECT_EQ(Name(), u"GPU");
    StopGpuTelemetry();

    for (const char* name : {"", "NVIDIA GeForce "}) {
        InstallFakeNvml();
        SetFakeNvmlName(name);
        StartGpuTelemetry();
        EXPECT_EQ(Name(), u"GPU") << name;
        StopGpuTelemetry();
    }

    // 120 characters: the library fills 95 bytes unterminated, the name keeps 23.
    InstallFakeNvml();
    SetFakeNvmlName("NVIDIA ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZ"
                    "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF");
    StartGpuTelemetry();
    EXPECT_EQ(Name(), u"ABCDEFGHIJKLMNOPQRSTUVW");
}

TEST(TrimGpuName, PrefixesAndCuts)
{
    const struct {
        const char* source;
        const char16_t* expected;
    } cases[] = {
        {"NVIDIA GeForce XY 100", u"XY 100"},
        {"NVIDIA XY 100", u"XY 100"},
        {"GeForce XY 100", u"XY 100"},
        {"GeForce NVIDIA XY", u"NVIDIA XY"},
        {"nvidia geforce xy 100", u"nvidia geforce xy 100"},
        {"NVIDIAGeForce XY", u"NVIDIAGeForce XY"},
        {"NVIDIA GeForce ", u"GPU"},
        {"", u"GPU"},
        {"NVIDIA 123456789012345678901234567890", u"12345678901234567890123"},
        // UTF-8 in two, three and four bytes; the last as a surrogate pair.
        {"NVIDIA Caf\xc3\xa9\xe2\x84\xa2 \xf0\x9f\x98\x80", u"Caf\u00e9\u2122 \U0001F600"},
        // Not UTF-8 throughout, so every byte is one unit: a Latin-1 byte, a stray
        // continuation, a sequence cut by the end, overlong forms, a surrogate, beyond U+10FFFF.
        {"Caf\xe9", u"Caf\u00e9"},
        {"\xc3\xa9\x80", u"\u00c3\u00a9\u0080"},
        {"XY \xe2\x84", u"XY \u00e2\u0084"},
        {"\xc0\xaf", u"\u00c0\u00af"},
        {"\xe0\x80\xaf", u"\u00e0\u0080\u00af"},
        {"\xed\xa0\x80", u"\u00ed\u00a0\u0080"},
        {"\xf4\x90\x80\x80", u"\u00f4\u0090\u0080\u0080"},
        // A pair that does not fit whole into the last place is left out.
        {"1234567890123456789012\xf0\x9f\x98\x80", u"1234567890123456789012"},
    };
    for (const auto& c : cases) {
        char16_t name[GpuNameCapacity];
        TrimGpuName(name, GpuNameCapacity, c.source);
        EXPECT_EQ(std::u16string(name), c.expected) << c.source;
    }

    char16_t small[4] = {u'#', u'#', u'#', u'#'};
    TrimGpuName(small, 0, "XY");
    EXPECT_EQ(small[0], u'#');
    TrimGpuName(small, 3, "NVIDIA XY 100");
    EXPECT_EQ(std::u16string(small), u"XY");
    TrimGpuName(small, 3, "NVIDIA ");
    EXPECT_EQ(std::u16string(small), u"GP");
}

} // namespace
