// The first NVIDIA GPU's fan and temperature, read through the NVIDIA management library,
// which is loaded at run time; without it (or without a GPU) telemetry is simply off.
// Everything here runs on the device worker except CopyGpuName.
#pragma once

#include "app/shared_state.h"
#include "telemetry/nvml_library.h"

constexpr int GpuNameCapacity = 24; // UTF-16 units, terminator included
constexpr uint32_t GpuFanPercentLimit = 100; // percent; a larger reading drops the sample
constexpr uint32_t GpuTempLimitC = 150;      // °C; a larger reading drops the sample
constexpr uint32_t GpuRpmLimit = 65535;      // rpm; a larger reading counts as not reported

extern NvmlLibrary NvmlModule; // worker; null while the library is not loaded
extern NvmlDevice GpuDevice;   // worker; GPU index 0, non-null exactly while telemetry is on

// Empty until a successful start, then "GPU" or the trimmed device name; never cleared.
// Written by the worker under StatusLock exclusive; other threads read it with CopyGpuName.
extern char16_t GpuName[GpuNameCapacity];

// Worker, once, before the first publication: loads the library from the system directory,
// opens GPU index 0 and sets GpuName; any failure leaves telemetry off and the library
// unloaded.
void StartGpuTelemetry();

// Worker, before publication takes StatusLock: fills the four GPU fields of `status` when a
// sample succeeds and is plausible, and leaves them as they came otherwise.
void SampleGpu(CoolerStatus* status);

// Worker, as its last step: releases the library.
void StopGpuTelemetry();

// The 8-bit device name `source` without a leading "NVIDIA " and then "GeForce ", decoded as
// UTF-8 (each byte widened to one unit when it is not UTF-8) and cut to capacity - 1 units;
// "GPU" when nothing is left.
void TrimGpuName(char16_t* destination, int capacity, const char* source);

// Any thread: a consistent copy of GpuName.
void CopyGpuName(char16_t out[GpuNameCapacity]);
