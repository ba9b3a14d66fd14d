// State shared by the interface thread and the device worker, and the rules for touching it.
// 32-bit integers cross threads by interlocked exchange and atomic read; records are copied
// whole under StatusLock, the only lock in the program.
#pragma once

#include "app/base.h"

// The one record that crosses threads: a telemetry snapshot.
struct CoolerStatus {
    int32_t connected;     // 1 while the last poll succeeded
    int32_t linkState;     // 0 opening, 1 no cooler found, 2 cooler found but link failed
    int32_t liquidTenths;  // tenths of °C, 0..1000, or LiquidUnknown (the cooler reports a fault)
    int32_t pumpRpm;       // 0..65535
    int32_t pumpDuty;      // percent
    int32_t fanRpm;        // 0..65535
    int32_t fanDuty;       // percent
    int32_t gpuValid;      // 1 when the four GPU fields hold a fresh sample
    int32_t gpuFanPercent; // percent
    int32_t gpuFanRpm;     // rpm, 0 when the driver does not report it
    int32_t gpuTempC;      // whole °C, 0..150
    int32_t conditions;    // Condition* bits now on, from the episodes (cooler/episodes.h)
};

constexpr int32_t LiquidUnknown = -1; // liquidTenths of a report whose liquid bytes are FF FF

// The conditions the user is warned of, in the order they are shown.
enum : int32_t {
    ConditionPumpStopped = 1,
    ConditionLiquidHot = 2,
    ConditionCoolerFault = 4,
    ConditionCurveNotHeld = 8,
    ConditionLast = ConditionCurveNotHeld,
    ConditionAlerts = ConditionPumpStopped | ConditionLiquidHot | ConditionCoolerFault,
};

enum : int32_t {
    LinkOpening = 0,
    LinkNotFound = 1,
    LinkFailed = 2,
};

// Posted by the worker to the main window (MsgTrayNotify is sent by the shell).
enum : UINT {
    MsgStatusUpdated = WM_APP + 1, // wParam 0, lParam 0
    MsgApplyFinished = WM_APP + 2, // wParam the ProfileId requested, lParam 0
    MsgTrayNotify = WM_APP + 3,    // wParam icon id, lParam the mouse or keyboard message
};

extern CoolerStatus LatestStatus;         // worker writes, interface reads; under StatusLock only
extern SRWLOCK StatusLock;                // exclusive to write, shared to read
extern volatile LONG RequestedProfile;    // interface writes, worker reads
extern volatile LONG ApplyPending;        // interface sets 1, worker takes with an exchange to 0
extern volatile LONG ApplyResult;         // 1 applied, -1 failed, 0 neither; both threads
extern volatile LONG AppliedProfile;      // worker, after a successful apply; -1 until then
extern volatile LONG AppliedPumpDuty;     // percent; worker, after a successful apply
extern volatile LONG AppliedFanDuty;      // percent; worker, after a successful apply
extern volatile LONG ManualPumpDuty;      // percent; interface writes, worker reads (relaxed)
extern volatile LONG ManualFanDuty;       // percent; interface writes, worker reads (relaxed)
extern volatile LONG BrightnessRequest;   // percent, -1 none; interface sets, worker takes
extern volatile LONG ScreenBrightness;    // percent, -1 not yet read; worker writes
extern volatile LONG ScreenMode;          // opaque 0..3, -1 not yet read; worker writes
extern volatile LONG BalloonsDue;         // Condition* bits whose balloon is due; worker sets,
                                          // interface clears each once shown or ended
extern volatile LONG ResumePending;       // interface sets 1 on a resume, worker takes
extern HANDLE StopEvent;                  // manual reset; interface creates and signals at shutdown
extern HANDLE WakeEvent;                  // auto reset; interface signals after every request
extern HWND MainWindow;                   // interface thread creates it; worker only posts to it

// Sequentially consistent 32-bit load.
inline LONG AtomicRead(volatile LONG* value)
{
    return InterlockedCompareExchange(value, 0, 0);
}

// Whole-value 32-bit load and store with no ordering, for the manual duty pair.
inline LONG LoadRelaxed(volatile LONG* value)
{
    return __atomic_load_n(value, __ATOMIC_RELAXED);
}

inline void StoreRelaxed(volatile LONG* value, LONG newValue)
{
    __atomic_store_n(value, newValue, __ATOMIC_RELAXED);
}

// Interface thread: leave a profile write for the worker; only the last request is written.
void RequestApply(int32_t profile);

// Interface thread: leave a screen brightness write (percent) for the worker.
void RequestBrightness(int32_t level);

// WM_POWERBROADCAST events that announce a resume from sleep or hibernation.
constexpr WPARAM ResumeAutomatic = 0x12; // PBT_APMRESUMEAUTOMATIC, every resume
constexpr WPARAM ResumeSuspend = 0x07;   // PBT_APMRESUMESUSPEND, after the user's input

// Interface thread: on a resume, leaves a re-write of the applied curves for the worker and
// wakes it (the cooler may have lost them, and the handle may not have survived). True for a
// resume event.
bool NoteResume(WPARAM powerEvent);

// Any thread but the worker: a consistent copy of LatestStatus.
void CopyLatestStatus(CoolerStatus* out);
