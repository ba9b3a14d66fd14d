// The NVIDIA management library as the program sees it: the few types and entry-point
// signatures it uses, and three calls that load the library, look up an entry point and
// unload it. nvml_library_win32.cpp implements them over the loader; native tests link a
// fake with the same contracts.
#pragma once

#include "app/base.h"

typedef int32_t NvmlReturn;               // 0 is success, anything else failure
typedef struct NvmlDeviceTag* NvmlDevice; // opaque device handle
typedef struct NvmlLibraryTag* NvmlLibrary; // module handle; null when not loaded

constexpr NvmlReturn NvmlSuccess = 0;
// Failures after which the device handle is dead and only a new start-up can help: the
// library lost its initialisation, the driver is gone or was replaced (an update leaves the
// loaded library older than the driver), or the GPU fell off the bus.
constexpr NvmlReturn NvmlUninitialized = 1;
constexpr NvmlReturn NvmlDriverNotLoaded = 9;
constexpr NvmlReturn NvmlGpuIsLost = 15;
constexpr NvmlReturn NvmlLibraryDriverMismatch = 18;

// The library's versioned fan-speed record: version 1 in the top byte, size in the rest.
struct FanSpeedRecord {
    uint32_t version;
    uint32_t fan;
    uint32_t speed; // rpm on return
};
static_assert(sizeof(FanSpeedRecord) == 12, "the library reads 12 bytes");
constexpr uint32_t FanSpeedRecordVersion = (1u << 24) | sizeof(FanSpeedRecord); // 0x0100000C

// The entry points are plain C functions.
extern "C" {
typedef NvmlReturn (*NvmlInitCall)();
typedef NvmlReturn (*NvmlHandleByIndexCall)(uint32_t index, NvmlDevice* device);
typedef NvmlReturn (*NvmlNameCall)(NvmlDevice device, char* name, uint32_t length);
typedef NvmlReturn (*NvmlShutdownCall)();
typedef NvmlReturn (*NvmlFanSpeedCall)(NvmlDevice device, uint32_t fan, uint32_t* percent);
typedef NvmlReturn (*NvmlFanSpeedRpmCall)(NvmlDevice device, FanSpeedRecord* record);
typedef NvmlReturn (*NvmlTemperatureCall)(NvmlDevice device, uint32_t sensor, uint32_t* celsius);
typedef void (*NvmlEntryPoint)(); // any entry point, before it is cast to its own type
}

// nvml.dll from the system directory only; null when it is not there or does not load.
NvmlLibrary LoadNvmlLibrary();

// The entry point exported under the ASCII `name`, or null.
NvmlEntryPoint FindNvmlEntryPoint(NvmlLibrary library, const char* name);

void UnloadNvmlLibrary(NvmlLibrary library);
