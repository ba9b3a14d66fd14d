// A nvml.dll the native build can script: present or absent, each entry point exported or
// not and succeeding or failing, the readings it reports, and a record of what was called,
// with which arguments, and whether StatusLock was held at the time. Test thread only.
#pragma once

#include "telemetry/nvml_library.h"

enum FakeNvmlEntry : int {
    FakeInit,
    FakeHandleByIndex,
    FakeName,
    FakeShutdown,
    FakeFanSpeed,
    FakeFanSpeedRpm,
    FakeTemperature,
    FakeEntryCount,
};

constexpr NvmlReturn FakeNvmlFailure = 999;
constexpr int FakeLookupCapacity = 32;

// The library is present, exports everything, every call succeeds; the device is
// "NVIDIA GeForce XY 100" at 40 %, 1500 rpm and 55 °C. Clears the record.
void InstallFakeNvml();

// No nvml.dll. Clears the record.
void UninstallFakeNvml();

// The name call copies up to the length it is given, so a long name arrives unterminated.
void SetFakeNvmlName(const char* name);
void SetFakeNvmlReadings(uint32_t fanPercent, uint32_t rpm, uint32_t tempC);
void RemoveFakeNvmlEntry(FakeNvmlEntry entry);
void FailFakeNvmlEntry(FakeNvmlEntry entry); // it returns FakeNvmlFailure

int FakeNvmlCalls(FakeNvmlEntry entry);
int FakeNvmlLoads();
int FakeNvmlUnloads();
bool FakeNvmlLoaded();
int FakeNvmlLookupCount();
const char* FakeNvmlLookup(int index); // the names looked up, in order
int FakeNvmlBadArguments();            // calls with arguments the program must not pass
int FakeNvmlCallsUnderStatusLock();
