// The control file of the simulated cooler on the Windows side: where it is, reading it, and
// the pipe each configured interface is served on. Shared by the simulator program and the
// test-only hid.dll and setupapi.dll.
#pragma once

#include <windows.h>

#include "standins/kraken/sim_config.h"

constexpr int ControlCapacity = 8192;  // bytes of control text read
constexpr int PipePathCapacity = 96;   // wchar_t
#define SIM_PIPE_PREFIX L"\\\\.\\pipe\\tidewatch-sim-"

// The control file's path from the environment variable TIDEWATCH_SIM_CONTROL; false when
// it is not set.
bool ControlPathFromEnvironment(wchar_t* path, int capacity);

// The whole file (at most ControlCapacity bytes); false when it cannot be read.
bool ReadControlText(const wchar_t* path, char* text, int* length);

// The configuration in the file named by TIDEWATCH_SIM_CONTROL; no interfaces when it is
// missing or not understood.
void LoadControl(SimConfig* config);

// \\.\pipe\tidewatch-sim-NAME#vid_VVVV&pid_PPPP for the interface: its ids in the path as
// Windows puts them into a HID device path (in capitals with upperids; none with noids).
void SimPipePath(const SimInterface& device, wchar_t* path);

// The interface whose pipe `handle` is a client end of, from the pipe's name; -1 if none.
int InterfaceOfHandle(const SimConfig& config, HANDLE handle);
