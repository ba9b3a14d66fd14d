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
constexpr DWORD GpuRetryMs = 60000;          // between two start-ups while telemetry is off

extern NvmlLibrary NvmlModule; // worker; null while the library is not loaded
extern NvmlDevice GpuDevice;   // worker; GPU index 0, non-null exactly while telemetry is on

// Empty until a successful start, then "GPU" or the trimmed device name; never cleared.
// Written by the worker under StatusLock exclusive; other threads read it with CopyGpuName.
extern char16_t GpuName[GpuNameCapacity];

// Worker, once, before the first publication: loads the library from the system directory,
// opens GPU index 0 and sets GpuName; any failure leaves telemetry off and the library
// unloaded.
void StartGpuTelemetry();

// Worker, between its cooler steps: while telemetry is off (the library absent or failing at
// start-up, or stopped after it reported the GPU lost or the driver gone) the start-up is
// made again once GpuRetryMs have passed since the last one, so a driver installed, updated
// or ready only after logon is picked up, and a machine without one pays one attempt a
// minute. The first call only starts the clock: the worker made the first start-up as it
// began.
void RetryGpuTelemetry(DWORD nowMs);

// Worker, before publication takes StatusLock: fills the four GPU fields of `status` when a
// sample succeeds and is plausible, and leaves them as they came otherwise. A query that
// reports the GPU lost or the driver gone stops telemetry, for RetryGpuTelemetry to restart.
void SampleGpu(CoolerStatus* status);

// Worker, as its last step: releases the library.
void StopGpuTelemetry();

// The 8-bit device name `source` without a leading "NVIDIA " and then "GeForce ", decoded as
// UTF-8 (each byte widened to one unit when it is not UTF-8) and cut to capacity - 1 units;
// "GPU" when nothing is left.
void TrimGpuName(char16_t* destination, int capacity, const char* source);

// Any thread: a consistent copy of GpuName.
void CopyGpuName(char16_t out[GpuNameCapacity]);
