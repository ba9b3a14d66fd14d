#include "telemetry/gpu.h"

#include "app/text.h"

NvmlLibrary NvmlModule = nullptr;
NvmlDevice GpuDevice = nullptr;
char16_t GpuName[GpuNameCapacity] = {};

namespace {

// Looked up in this order.
enum EntryIndex : int {
    EntryInit,
    EntryHandleByIndex,
    EntryName,
    EntryShutdown,
    EntryFanSpeed,
    EntryFanSpeedRpm,
    EntryTemperature,
    EntryCount,
};

const char* const EntryNames[EntryCount] = {
    "nvmlInit_v2",
    "nvmlDeviceGetHandleByIndex_v2",
    "nvmlDeviceGetName",
    "nvmlShutdown",
    "nvmlDeviceGetFanSpeed_v2",
    "nvmlDeviceGetFanSpeedRPM",
    "nvmlDeviceGetTemperature",
};

constexpr uint32_t NameBufferSize = 96; // bytes; the library may fill all but the last

// The entry points used after start-up; worker thread; null while telemetry is off.
NvmlShutdownCall ShutdownEntry = nullptr;
NvmlFanSpeedCall FanSpeedEntry = nullptr;
NvmlFanSpeedRpmCall FanSpeedRpmEntry = nullptr;
NvmlTemperatureCall TemperatureEntry = nullptr;

// Worker: when the start-up was last made (ms), once RetryGpuTelemetry has run.
DWORD StartTriedMs = 0;
bool StartTriedKnown = false;

bool StartsWith(const char* text, const char* prefix)
{
    for (; *prefix != 0; ++text, ++prefix) {
        if (*text != *prefix) return false;
    }
    return true;
}

void ForgetLibrary()
{
    if (NvmlModule) UnloadNvmlLibrary(NvmlModule);
    NvmlModule = nullptr;
    GpuDevice = nullptr;
    ShutdownEntry = nullptr;
    FanSpeedEntry = nullptr;
    FanSpeedRpmEntry = nullptr;
    TemperatureEntry = nullptr;
}

constexpr uint32_t DeadHandleResults = 1u << NvmlUninitialized | 1u << NvmlDriverNotLoaded |
                                       1u << NvmlGpuIsLost | 1u << NvmlLibraryDriverMismatch;

// A failed query: the sample is dropped, and a dead handle ends telemetry (the library
// released) until the next start-up.
void QueryFailed(NvmlReturn result)
{
    if (static_cast<uint32_t>(result) < 32 && (DeadHandleResults >> result & 1)) StopGpuTelemetry();
}

// The name is composed in a local and copied into GpuName under StatusLock exclusive, so a
// reader holding the lock shared (CopyGpuName) sees either the empty name or the whole new one.
void PublishGpuName(NvmlNameCall getName)
{
    char16_t name[GpuNameCapacity] = {};
    AppendText(name, 0, GpuNameCapacity, u"GPU");
    char raw[NameBufferSize] = {};
    if (getName && getName(GpuDevice, raw, NameBufferSize - 1) == NvmlSuccess && raw[0] != 0) {
        raw[NameBufferSize - 1] = 0; // even if the library overran the length it was given
        TrimGpuName(name, GpuNameCapacity, raw);
    }
    AcquireSRWLockExclusive(&StatusLock);
    for (int i = 0; i < GpuNameCapacity; ++i) GpuName[i] = name[i];
    ReleaseSRWLockExclusive(&StatusLock);
}

} // namespace

void StartGpuTelemetry()
{
    if (NvmlModule) return;
    NvmlModule = LoadNvmlLibrary();
    if (!NvmlModule) return;

    NvmlEntryPoint found[EntryCount];
    for (int i = 0; i < EntryCount; ++i) found[i] = FindNvmlEntryPoint(NvmlModule, EntryNames[i]);
    const NvmlInitCall init = reinterpret_cast<NvmlInitCall>(found[EntryInit]);
    const NvmlHandleByIndexCall handleByIndex =
        reinterpret_cast<NvmlHandleByIndexCall>(found[EntryHandleByIndex]);
    ShutdownEntry = reinterpret_cast<NvmlShutdownCall>(found[EntryShutdown]);
    FanSpeedEntry = reinterpret_cast<NvmlFanSpeedCall>(found[EntryFanSpeed]);
    FanSpeedRpmEntry = reinterpret_cast<NvmlFanSpeedRpmCall>(found[EntryFanSpeedRpm]);
    TemperatureEntry = reinterpret_cast<NvmlTemperatureCall>(found[EntryTemperature]);

    bool initialised = false;
    if (init && handleByIndex && FanSpeedEntry && TemperatureEntry) {
        initialised = init() == NvmlSuccess;
        NvmlDevice device = nullptr;
        if (initialised && handleByIndex(0, &device) == NvmlSuccess) GpuDevice = device;
    }
    if (GpuDevice) {
        PublishGpuName(reinterpret_cast<NvmlNameCall>(found[EntryName]));
        return;
    }
    if (initialised && ShutdownEntry) ShutdownEntry();
    ForgetLibrary();
}

void RetryGpuTelemetry(DWORD nowMs)
{
    if (!StartTriedKnown) StartTriedMs = nowMs;
    StartTriedKnown = true;
    if (GpuDevice || nowMs - StartTriedMs < GpuRetryMs) return;
    StartTriedMs = nowMs;
    StartGpuTelemetry();
}

void SampleGpu(CoolerStatus* status)
{
    if (!GpuDevice) return;
    uint32_t fan = 0;        // percent
    uint32_t temperature = 0; // °C
    NvmlReturn result = FanSpeedEntry(GpuDevice, 0, &fan);
    if (result == NvmlSuccess) result = TemperatureEntry(GpuDevice, 0, &temperature);
    if (result != NvmlSuccess) {
        QueryFailed(result);
        return;
    }
    if (fan > GpuFanPercentLimit || temperature > GpuTempLimitC) return;
    status->gpuFanPercent = static_cast<int32_t>(fan);
    status->gpuValid = 1;
    status->gpuTempC = static_cast<int32_t>(temperature);
    if (!FanSpeedRpmEntry) return;
    FanSpeedRecord record = {FanSpeedRecordVersion, 0, 0};
    if (FanSpeedRpmEntry(GpuDevice, &record) == NvmlSuccess && record.speed <= GpuRpmLimit)
        status->gpuFanRpm = static_cast<int32_t>(record.speed);
}

void StopGpuTelemetry()
{
    if (GpuDevice && ShutdownEntry) ShutdownEntry();
    ForgetLibrary();
}

void TrimGpuName(char16_t* destination, int capacity, const char* source)
{
    if (capacity <= 0) return;
    const char* rest = source ? source : "";
    if (StartsWith(rest, "NVIDIA ")) rest += 7;
    if (StartsWith(rest, "GeForce ")) rest += 8;
    if (AppendUtf8(destination, 0, capacity, rest) == 0) AppendText(destination, 0, capacity, u"GPU");
}

void CopyGpuName(char16_t out[GpuNameCapacity])
{
    AcquireSRWLockShared(&StatusLock);
    for (int i = 0; i < GpuNameCapacity; ++i) out[i] = GpuName[i];
    ReleaseSRWLockShared(&StatusLock);
}
