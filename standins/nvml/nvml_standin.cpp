// A stand-in nvml.dll for tests under Wine; never shipped. Every call re-reads a state file
// (path in NVML_STANDIN_STATE) of key=value lines:
//   name=<device name>   fan=<percent>   rpm=<rpm>   temp=<°C>   fail=<entry point name>
//   drift=1
// (fail may repeat; a failing call returns 999; drift=1 replaces fan, rpm and temp by readings
// that wander slowly with the time since the library was loaded, standins/drift.h). After every event it rewrites a calls file
// (path in NVML_STANDIN_CALLS) with one key=value line per count: attach, detach (an unload
// by FreeLibrary), exitdetach (still loaded at process exit), each entry point, and badargs
// (calls with arguments the program must not pass). Defining OMIT_<entry point> builds a
// variant that does not export that entry point.
#include "standins/drift.h"
#include "telemetry/nvml_library.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

enum Counter : int {
    CountAttach,
    CountDetach,
    CountExitDetach,
    CountInit,
    CountHandleByIndex,
    CountName,
    CountShutdown,
    CountFanSpeed,
    CountFanSpeedRpm,
    CountTemperature,
    CountBadArguments,
    CounterCount,
};

const char* const CounterNames[CounterCount] = {
    "attach",
    "detach",
    "exitdetach",
    "nvmlInit_v2",
    "nvmlDeviceGetHandleByIndex_v2",
    "nvmlDeviceGetName",
    "nvmlShutdown",
    "nvmlDeviceGetFanSpeed_v2",
    "nvmlDeviceGetFanSpeedRPM",
    "nvmlDeviceGetTemperature",
    "badargs",
};

struct Readings {
    char name[256];
    uint32_t fanPercent;
    uint32_t rpm;
    uint32_t tempC;
    bool failing[CounterCount];
};

int Counts[CounterCount] = {}; // the probe's one thread; the loader's at attach and detach
DWORD AttachTick = 0;          // ms; the loader's thread at attach, read-only afterwards
char DeviceIdentity;

NvmlDevice Device() { return reinterpret_cast<NvmlDevice>(&DeviceIdentity); }

void WriteCounts()
{
    const char* path = getenv("NVML_STANDIN_CALLS");
    FILE* file = path ? fopen(path, "w") : nullptr;
    if (!file) return;
    for (int i = 0; i < CounterCount; ++i) fprintf(file, "%s=%d\n", CounterNames[i], Counts[i]);
    fclose(file);
}

void Count(Counter counter)
{
    ++Counts[counter];
    WriteCounts();
}

Readings ReadState()
{
    Readings readings = {};
    const char* path = getenv("NVML_STANDIN_STATE");
    FILE* file = path ? fopen(path, "r") : nullptr;
    if (!file) return readings;
    char line[512];
    while (fgets(line, sizeof line, file)) {
        line[strcspn(line, "\r\n")] = 0;
        char* value = strchr(line, '=');
        if (!value) continue;
        *value++ = 0;
        if (strcmp(line, "name") == 0) {
            strncpy(readings.name, value, sizeof readings.name - 1);
        } else if (strcmp(line, "fan") == 0) {
            readings.fanPercent = static_cast<uint32_t>(strtoul(value, nullptr, 0));
        } else if (strcmp(line, "rpm") == 0) {
            readings.rpm = static_cast<uint32_t>(strtoul(value, nullptr, 0));
        } else if (strcmp(line, "temp") == 0) {
            readings.tempC = static_cast<uint32_t>(strtoul(value, nullptr, 0));
        } else if (strcmp(line, "drift") == 0 && strcmp(value, "1") == 0) {
            const int32_t temp = DriftGpuTempC(GetTickCount() - AttachTick);
            readings.tempC = static_cast<uint32_t>(temp);
            readings.fanPercent = static_cast<uint32_t>(DriftGpuFanPercent(temp));
            readings.rpm = readings.fanPercent * 33;
        } else if (strcmp(line, "fail") == 0) {
            for (int i = 0; i < CounterCount; ++i) {
                if (strcmp(value, CounterNames[i]) == 0) readings.failing[i] = true;
            }
        }
    }
    fclose(file);
    return readings;
}

// Counts the call and reads the state; false when the call is to fail.
bool Enter(Counter counter, Readings* readings)
{
    ++Counts[counter];
    *readings = ReadState();
    return !readings->failing[counter];
}

// Records a bad argument when `bad`, and writes the counts either way.
void Leave(bool bad)
{
    if (bad) ++Counts[CountBadArguments];
    WriteCounts();
}

NvmlReturn Result(bool succeed) { return succeed ? NvmlSuccess : 999; }

} // namespace

#define STANDIN_EXPORT extern "C" __declspec(dllexport)

#ifndef OMIT_nvmlInit_v2
STANDIN_EXPORT NvmlReturn nvmlInit_v2()
{
    Readings readings;
    const bool succeed = Enter(CountInit, &readings);
    Leave(false);
    return Result(succeed);
}
#endif

#ifndef OMIT_nvmlDeviceGetHandleByIndex_v2
STANDIN_EXPORT NvmlReturn nvmlDeviceGetHandleByIndex_v2(uint32_t index, NvmlDevice* device)
{
    Readings readings;
    const bool succeed = Enter(CountHandleByIndex, &readings) && device;
    if (succeed) *device = Device();
    Leave(index != 0 || !device);
    return Result(succeed);
}
#endif

#ifndef OMIT_nvmlDeviceGetName
// Copies up to `length` bytes, so a long name arrives unterminated as it might from a driver.
STANDIN_EXPORT NvmlReturn nvmlDeviceGetName(NvmlDevice device, char* name, uint32_t length)
{
    Readings readings;
    const bool succeed = Enter(CountName, &readings);
    bool bad = device != Device() || length != 95;
    for (int i = 0; i < 96; ++i) bad = bad || name[i] != 0;
    if (succeed) {
        const uint32_t size = static_cast<uint32_t>(strlen(readings.name));
        memcpy(name, readings.name, size < length ? size + 1 : length);
    }
    Leave(bad);
    return Result(succeed);
}
#endif

#ifndef OMIT_nvmlShutdown
STANDIN_EXPORT NvmlReturn nvmlShutdown()
{
    Readings readings;
    const bool succeed = Enter(CountShutdown, &readings);
    Leave(false);
    return Result(succeed);
}
#endif

#ifndef OMIT_nvmlDeviceGetFanSpeed_v2
STANDIN_EXPORT NvmlReturn nvmlDeviceGetFanSpeed_v2(NvmlDevice device, uint32_t fan,
                                                   uint32_t* percent)
{
    Readings readings;
    const bool succeed = Enter(CountFanSpeed, &readings);
    const bool bad = device != Device() || fan != 0 || *percent != 0;
    if (succeed) *percent = readings.fanPercent;
    Leave(bad);
    return Result(succeed);
}
#endif

#ifndef OMIT_nvmlDeviceGetFanSpeedRPM
STANDIN_EXPORT NvmlReturn nvmlDeviceGetFanSpeedRPM(NvmlDevice device, FanSpeedRecord* record)
{
    Readings readings;
    const bool succeed = Enter(CountFanSpeedRpm, &readings);
    const bool bad = device != Device() || record->version != 0x0100000Cu || record->fan != 0 ||
                     record->speed != 0;
    if (succeed) record->speed = readings.rpm;
    Leave(bad);
    return Result(succeed);
}
#endif

#ifndef OMIT_nvmlDeviceGetTemperature
STANDIN_EXPORT NvmlReturn nvmlDeviceGetTemperature(NvmlDevice device, uint32_t sensor,
                                                   uint32_t* celsius)
{
    Readings readings;
    const bool succeed = Enter(CountTemperature, &readings);
    const bool bad = device != Device() || sensor != 0 || *celsius != 0;
    if (succeed) *celsius = readings.tempC;
    Leave(bad);
    return Result(succeed);
}
#endif

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void* reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        AttachTick = GetTickCount();
        Count(CountAttach);
    }
    if (reason == DLL_PROCESS_DETACH) Count(reserved ? CountExitDetach : CountDetach);
    return TRUE;
}
