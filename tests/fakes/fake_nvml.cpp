#include "tests/fakes/fake_nvml.h"

#include "tests/fakes/fake_window.h"

#include <string.h>

namespace {

const char* const EntryNames[FakeEntryCount] = {
    "nvmlInit_v2",
    "nvmlDeviceGetHandleByIndex_v2",
    "nvmlDeviceGetName",
    "nvmlShutdown",
    "nvmlDeviceGetFanSpeed_v2",
    "nvmlDeviceGetFanSpeedRPM",
    "nvmlDeviceGetTemperature",
};

struct FakeNvmlState {
    bool present;
    bool loaded;
    bool removed[FakeEntryCount];
    bool failing[FakeEntryCount];
    char name[128];
    uint32_t fanPercent;
    uint32_t rpm;
    uint32_t tempC;
    int calls[FakeEntryCount];
    int loads;
    int unloads;
    const char* lookups[FakeLookupCapacity];
    int lookupCount;
    int badArguments;
    int callsUnderLock;
};

// Until a test installs it, the native build has no GPU library, as a Linux host has none.
FakeNvmlState State = {}; // test thread
char LibraryIdentity;
char DeviceIdentity;

NvmlLibrary FakeLibrary() { return reinterpret_cast<NvmlLibrary>(&LibraryIdentity); }
NvmlDevice FakeDevice() { return reinterpret_cast<NvmlDevice>(&DeviceIdentity); }

// Counts the call and checks what every call must find; true when it is to succeed.
bool Enter(FakeNvmlEntry entry)
{
    ++State.calls[entry];
    if (StatusLockHeld()) ++State.callsUnderLock;
    if (!State.loaded) ++State.badArguments;
    return !State.failing[entry];
}

void CheckDevice(NvmlDevice device)
{
    if (device != FakeDevice()) ++State.badArguments;
}

NvmlReturn Result(bool succeed) { return succeed ? NvmlSuccess : FakeNvmlFailure; }

extern "C" {

NvmlReturn FakeInitCall() { return Result(Enter(FakeInit)); }

NvmlReturn FakeHandleByIndexCall(uint32_t index, NvmlDevice* device)
{
    const bool succeed = Enter(FakeHandleByIndex);
    if (index != 0 || !device) {
        ++State.badArguments;
        return FakeNvmlFailure;
    }
    if (succeed) *device = FakeDevice();
    return Result(succeed);
}

NvmlReturn FakeNameCall(NvmlDevice device, char* name, uint32_t length)
{
    const bool succeed = Enter(FakeName);
    CheckDevice(device);
    if (length != 95) ++State.badArguments;
    for (uint32_t i = 0; i < 96; ++i) {
        if (name[i] != 0) ++State.badArguments;
    }
    if (!succeed) return FakeNvmlFailure;
    const uint32_t size = static_cast<uint32_t>(strlen(State.name));
    memcpy(name, State.name, size < length ? size + 1 : length);
    return NvmlSuccess;
}

NvmlReturn FakeShutdownCall() { return Result(Enter(FakeShutdown)); }

NvmlReturn FakeFanSpeedCall(NvmlDevice device, uint32_t fan, uint32_t* percent)
{
    const bool succeed = Enter(FakeFanSpeed);
    CheckDevice(device);
    if (fan != 0 || *percent != 0) ++State.badArguments;
    if (succeed) *percent = State.fanPercent;
    return Result(succeed);
}

NvmlReturn FakeFanSpeedRpmCall(NvmlDevice device, FanSpeedRecord* record)
{
    const bool succeed = Enter(FakeFanSpeedRpm);
    CheckDevice(device);
    if (record->version != 0x0100000Cu || record->fan != 0 || record->speed != 0)
        ++State.badArguments;
    if (succeed) record->speed = State.rpm;
    return Result(succeed);
}

NvmlReturn FakeTemperatureCall(NvmlDevice device, uint32_t sensor, uint32_t* celsius)
{
    const bool succeed = Enter(FakeTemperature);
    CheckDevice(device);
    if (sensor != 0 || *celsius != 0) ++State.badArguments;
    if (succeed) *celsius = State.tempC;
    return Result(succeed);
}

} // extern "C"

const NvmlEntryPoint EntryPoints[FakeEntryCount] = {
    reinterpret_cast<NvmlEntryPoint>(FakeInitCall),
    reinterpret_cast<NvmlEntryPoint>(FakeHandleByIndexCall),
    reinterpret_cast<NvmlEntryPoint>(FakeNameCall),
    reinterpret_cast<NvmlEntryPoint>(FakeShutdownCall),
    reinterpret_cast<NvmlEntryPoint>(FakeFanSpeedCall),
    reinterpret_cast<NvmlEntryPoint>(FakeFanSpeedRpmCall),
    reinterpret_cast<NvmlEntryPoint>(FakeTemperatureCall),
};

} // namespace

void InstallFakeNvml()
{
    State = {};
    State.present = true;
    SetFakeNvmlName("NVIDIA GeForce XY 100");
    SetFakeNvmlReadings(40, 1500, 55);
}

void UninstallFakeNvml() { State = {}; }

void SetFakeNvmlName(const char* name)
{
    strncpy(State.name, name, sizeof State.name - 1);
}

void SetFakeNvmlReadings(uint32_t fanPercent, uint32_t rpm, uint32_t tempC)
{
    State.fanPercent = fanPercent;
    State.rpm = rpm;
    State.tempC = tempC;
}

void RemoveFakeNvmlEntry(FakeNvmlEntry entry) { State.removed[entry] = true; }
void FailFakeNvmlEntry(FakeNvmlEntry entry) { State.failing[entry] = true; }

int FakeNvmlCalls(FakeNvmlEntry entry) { return State.calls[entry]; }
int FakeNvmlLoads() { return State.loads; }
int FakeNvmlUnloads() { return State.unloads; }
bool FakeNvmlLoaded() { return State.loaded; }
int FakeNvmlLookupCount() { return State.lookupCount; }
const char* FakeNvmlLookup(int index)
{
    return index >= 0 && index < State.lookupCount ? State.lookups[index] : "";
}
int FakeNvmlBadArguments() { return State.badArguments; }
int FakeNvmlCallsUnderStatusLock() { return State.callsUnderLock; }

NvmlLibrary LoadNvmlLibrary()
{
    if (!State.present) return nullptr;
    ++State.loads;
    State.loaded = true;
    return FakeLibrary();
}

NvmlEntryPoint FindNvmlEntryPoint(NvmlLibrary library, const char* name)
{
    if (library != FakeLibrary() || !State.loaded) ++State.badArguments;
    if (State.lookupCount < FakeLookupCapacity) State.lookups[State.lookupCount++] = name;
    for (int i = 0; i < FakeEntryCount; ++i) {
        if (strcmp(name, EntryNames[i]) == 0) return State.removed[i] ? nullptr : EntryPoints[i];
    }
    return nullptr;
}

void UnloadNvmlLibrary(NvmlLibrary library)
{
    if (library != FakeLibrary() || !State.loaded) ++State.badArguments;
    ++State.unloads;
    State.loaded = false;
}
