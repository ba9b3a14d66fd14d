#include "cooler/worker.h"

#include "cooler/commands.h"
#include "telemetry/gpu.h"
#include "telemetry/publish.h"

namespace {

void DropLink(WorkerState* state)
{
    CloseCooler(state->cooler);
    state->cooler = INVALID_HANDLE_VALUE;
}

void PublishLinkState(WorkerState* state, int32_t linkState)
{
    state->record = {};
    state->record.linkState = linkState;
    PublishStatus(state->record);
}

// True when the link survived: a failed curve write drops it.
bool TakeApply(WorkerState* state)
{
    if (InterlockedExchange(&ApplyPending, 0) == 0) return true;
    const int32_t profile = AtomicRead(&RequestedProfile);
    const int32_t pumpDuty = LoadRelaxed(&ManualPumpDuty);
    const int32_t fanDuty = LoadRelaxed(&ManualFanDuty);
    const bool written =
        WriteDutyCurve(state->cooler, state->ioEvent, ChannelPump, profile, pumpDuty) &&
        WriteDutyCurve(state->cooler, state->ioEvent, ChannelFans, profile, fanDuty);
    if (written) {
        InterlockedExchange(&AppliedProfile, profile);
        InterlockedExchange(&AppliedPumpDuty, pumpDuty);
        InterlockedExchange(&AppliedFanDuty, fanDuty);
        InterlockedExchange(&ApplyResult, 1);
    } else {
        InterlockedExchange(&ApplyResult, -1);
    }
    PostMessageW(MainWindow, MsgApplyFinished, static_cast<WPARAM>(static_cast<intptr_t>(profile)),
                 0);
    if (!written) DropLink(state);
    return written;
}

void TakeBrightness(WorkerState* state)
{
    const int32_t level = InterlockedExchange(&BrightnessRequest, -1);
    if (level < 0) return;
    const int32_t mode = AtomicRead(&ScreenMode);
    if (mode < 0 || mode > 3 || level > 100) return;
    if (!WriteBrightness(state->cooler, state->ioEvent, level, mode)) {
        // Kept for a later turn, or the next connection when the cooler has gone, unless a
        // newer request has come meanwhile: the user's choice is not lost with the write.
        InterlockedCompareExchange(&BrightnessRequest, level, -1);
        return;
    }
    if (!ReadScreenInfo(state->cooler, state->ioEvent)) {
        InterlockedExchange(&ScreenBrightness, level);
    }
}

void RetryScreenInfo(WorkerState* state)
{
    if (AtomicRead(&ScreenMode) >= 0) return;
    if (ReadScreenInfo(state->cooler, state->ioEvent)) state->screenInfoRetries = 0;
    else state->screenInfoRetries -= 1;
}

} // namespace

void StartWorker(WorkerState* state)
{
    state->ioEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    StartGpuTelemetry();
    state->record = {};
    state->cooler = INVALID_HANDLE_VALUE;
    state->screenInfoRetries = 0;
}

TurnWait WorkerTurn(WorkerState* state)
{
    if (state->cooler == INVALID_HANDLE_VALUE) {
        // Without the I/O event no report could be waited for: stay in the no-cooler state
        // rather than open a link whose every operation fails at once.
        if (state->ioEvent) state->cooler = FindCooler();
        if (state->cooler == INVALID_HANDLE_VALUE) {
            PublishLinkState(state, LinkNotFound);
            return {WaitStopOnly, SearchWaitMs};
        }
        if (!InitCooler(state->cooler, state->ioEvent)) {
            DropLink(state);
            PublishLinkState(state, LinkFailed);
            return {WaitNone, 0};
        }
        state->screenInfoRetries = ScreenInfoRetryBudget;
        ReadScreenInfo(state->cooler, state->ioEvent);
    }

    if (state->screenInfoRetries > 0) RetryScreenInfo(state);
    if (!TakeApply(state)) return {WaitNone, 0};
    TakeBrightness(state);

    if (!ReadStatus(state->cooler, state->ioEvent, &state->record)) {
        DropLink(state);
        state->record = {};
        state->record.linkState = LinkFailed;
    }
    PublishStatus(state->record);
    return {WaitStopOrWake, IsWindowVisible(MainWindow) ? VisiblePollWaitMs : HiddenPollWaitMs};
}

bool WorkerWait(TurnWait wait)
{
    if (wait.kind == WaitStopOnly) return WaitForSingleObject(StopEvent, wait.limitMs) == WAIT_OBJECT_0;
    if (wait.kind == WaitStopOrWake) {
        // Stop first: when both are signalled the lowest index wins.
        const HANDLE events[2] = {StopEvent, WakeEvent};
        return WaitForMultipleObjects(2, events, FALSE, wait.limitMs) == WAIT_OBJECT_0;
    }
    return false;
}

bool StopRequested()
{
    return WaitForSingleObject(StopEvent, 0) == WAIT_OBJECT_0;
}

void EndWorker(WorkerState* state)
{
    if (state->cooler != INVALID_HANDLE_VALUE) DropLink(state);
    if (state->ioEvent) CloseHandle(state->ioEvent);
    state->ioEvent = nullptr;
    StopGpuTelemetry();
}

DWORD WINAPI DeviceWorker(void*)
{
    WorkerState state;
    StartWorker(&state);
    while (!StopRequested()) {
        if (WorkerWait(WorkerTurn(&state))) break;
    }
    EndWorker(&state);
    return 0;
}
