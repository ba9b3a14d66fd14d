#include "app/shared_state.h"

CoolerStatus LatestStatus = {};
SRWLOCK StatusLock = SRWLOCK_INIT;
volatile LONG RequestedProfile = 0;
volatile LONG ApplyPending = 0;
volatile LONG ApplyResult = 0;
volatile LONG AppliedProfile = -1;
volatile LONG AppliedPumpDuty = 0;
volatile LONG AppliedFanDuty = 0;
volatile LONG ManualPumpDuty = 60;
volatile LONG ManualFanDuty = 30;
volatile LONG BrightnessRequest = -1;
volatile LONG ScreenBrightness = -1;
volatile LONG ScreenMode = -1;
volatile LONG BalloonsDue = 0;
volatile LONG ResumePending = 0;
HANDLE StopEvent = nullptr;
HANDLE WakeEvent = nullptr;
HWND MainWindow = nullptr;

void RequestApply(int32_t profile)
{
    // The worker reads RequestedProfile only after taking ApplyPending, so it writes this
    // request or a later one.
    InterlockedExchange(&RequestedProfile, profile);
    InterlockedExchange(&ApplyResult, 0);
    InterlockedExchange(&ApplyPending, 1);
    if (WakeEvent) SetEvent(WakeEvent);
    // A null window would invalidate every window on the desktop.
    if (MainWindow) InvalidateRect(MainWindow, nullptr, FALSE);
}

void RequestBrightness(int32_t level)
{
    InterlockedExchange(&BrightnessRequest, level);
    if (WakeEvent) SetEvent(WakeEvent);
}

bool NoteResume(WPARAM powerEvent)
{
    if (powerEvent != ResumeAutomatic && powerEvent != ResumeSuspend) return false;
    InterlockedExchange(&ResumePending, 1);
    if (WakeEvent) SetEvent(WakeEvent);
    return true;
}

void CopyLatestStatus(CoolerStatus* out)
{
    AcquireSRWLockShared(&StatusLock);
    *out = LatestStatus;
    ReleaseSRWLockShared(&StatusLock);
}
