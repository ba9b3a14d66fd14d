// Runs the real GPU code (gpu.cpp over the Windows loader) once: start, `argv[1]` samples
// (default 1), stop, printing what it sees after each step. gpu_scenarios.sh reads the lines.
#include "telemetry/gpu.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

void PrintState(const char* step)
{
    char16_t name[GpuNameCapacity];
    CopyGpuName(name);
    printf("%s module=%d device=%d loaded=%d name=", step, NvmlModule != nullptr,
           GpuDevice != nullptr, GetModuleHandleW(L"nvml.dll") != nullptr);
    for (const char16_t* unit = name; *unit != 0; ++unit) putchar(*unit < 128 ? *unit : '?');
    putchar('\n');
}

} // namespace

int main(int argc, char** argv)
{
    const int samples = argc > 1 ? atoi(argv[1]) : 1;
    StartGpuTelemetry();
    PrintState("start");
    for (int i = 0; i < samples; ++i) {
        CoolerStatus status = {};
        SampleGpu(&status);
        printf("sample valid=%d fan=%d rpm=%d temp=%d\n", status.gpuValid, status.gpuFanPercent,
               status.gpuFanRpm, status.gpuTempC);
    }
    StopGpuTelemetry();
    PrintState("stop");
    return 0;
}
