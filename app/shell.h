// The application shell's fixed names and the globals it measures at start-up. Everything
// here belongs to the interface thread.
#pragma once

#include "app/base.h"

constexpr char16_t MutexName[] = u"Local\\Harrowsoft.Tidewatch";
constexpr char16_t WindowClassName[] = u"Harrowsoft.Tidewatch";
constexpr char16_t WindowTitle[] = u"Tidewatch";

constexpr int ClientWidth96 = 480;  // logical pixels
constexpr int ClientHeight96 = 792; // logical pixels
constexpr int AppIconId = 101;      // icon group resource
constexpr DWORD WorkerStopLimitMs = 2000; // ms that shutdown waits for the worker

extern int CurrentDpi;          // interface thread; the main window's DPI, 96 until it exists
extern int LayoutDpi;           // interface thread; the DPI the dashboard is laid out and its
                                // fonts made at: CurrentDpi, or lower where it would not fit
extern UINT TaskbarCreatedMsg;  // interface thread; 0 when the registration failed
extern int64_t StartupMicros;   // interface thread; µs from entry to tray ready, 0 until then
extern uint16_t VersionMajor;   // interface thread; own version resource, 0 when absent
extern uint16_t VersionMinor;   // interface thread
extern uint16_t VersionBuild;   // interface thread

struct ProgramVersion {
    uint16_t major;
    uint16_t minor;
    uint16_t build;
};

// Finds the fixed file information in a version resource: the first signature 0xFEEF04BD
// at a multiple of 4 whose 52-byte record lies wholly inside `size`. False when none does.
bool FindFixedVersion(const uint8_t* resource, uint32_t size, ProgramVersion* out);

// Microseconds between two performance-counter readings; 0 for a frequency that is not
// positive or a negative span.
int64_t ElapsedMicros(int64_t start, int64_t end, int64_t frequency);
