#include "cooler/worker.h"

#include "app/session.h"
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

// The wait after a dropped link: a link that never completed a poll is not opened again at
// once, or a cooler that refuses at once would be searched for in a busy loop.
TurnWait AfterDrop(const WorkerState* state)
{
    if (state->linkProven) return {WaitNone, 0};
    return {WaitStopOnly, LinkRetryWaitMs};
}

TurnWait FailLink(WorkerState* state)
{
    DropLink(state);
    PublishLinkState(state, LinkFailed);
    return AfterDrop(state);
}

bool WriteCurves(WorkerState* state, const WrittenCurves& curves)
{
    return WriteDutyCurve(state->cooler, state->ioEvent, ChannelPump, curves.profile,
                          curves.pumpDuty) &&
           WriteDutyCurve(state->cooler, state->ioEvent, ChannelFans, curves.profile,
                          curves.fanDuty);
}

// True when the link survived: a failed curve write drops it.
bool TakeApply(WorkerState* state, DWORD nowMs)
{
    if (InterlockedExchange(&ApplyPending, 0) == 0) return true;
    const WrittenCurves requested = {AtomicRead(&RequestedProfile), LoadRelaxed(&ManualPumpDuty),
                                     LoadRelaxed(&ManualFanDuty)};
    const bool written = WriteCurves(state, requested);
    if (written) {
        state->curves = requested;
        // The user's write: the watch starts afresh and nothing older is re-written.
        ResetCurveWatch(&state->watch, nowMs);
        InterlockedExchange(&CurveNotHeld, 0);
        state->rewriteDue = false;
        state->coolerWentAway = false;
        InterlockedExchange(&AppliedProfile, requested.profile);
        InterlockedExchange(&AppliedPumpDuty, requested.pumpDuty);
        InterlockedExchange(&AppliedFanDuty, requested.fanDuty);
        InterlockedExchange(&ApplyResult, 1);
    } else {
        InterlockedExchange(&ApplyResult, -1);
    }
    PostMessageW(MainWindow, MsgApplyFinished,
                 static_cast<WPARAM>(static_cast<intptr_t>(requested.profile)), 0);
    if (!written) DropLink(state);
    return written;
}

void TakeBrightness(WorkerState* state)
{
    // A cooler that keeps refusing it on one connection is not asked again and again: the
    // request waits for the next connection.
    if (state->brightnessFailures >= BrightnessTries) return;
    const int32_t level = InterlockedExchange(&BrightnessRequest, -1);
    if (level < 0) return;
    const int32_t mode = AtomicRead(&ScreenMode);
    if (mode < 0 || mode > 3 || level > 100) return;
    if (!WriteBrightness(state->cooler, state->ioEvent, level, mode)) {
        // Kept for a later turn, or the next connection when the cooler has gone, unless a
        // newer request has come meanwhile: the user's choice is not lost with the write.
        ++state->brightnessFailures;
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

// After a successful poll: the curves written again when a new connection or the watch asks
// for it, or the give-up shown. Only the copy at the console writes on its own: another
// user's copy, switched away from, stands aside. False when a re-write failed.
bool WatchCurves(WorkerState* state, DWORD nowMs)
{
    const bool connectionRewrite = state->rewriteDue;
    state->rewriteDue = false;
    if (state->curves.profile == ProfileUnchanged || !AtActiveConsole()) return true;
    bool rewrite;
    if (connectionRewrite) {
        rewrite = RewriteOnConnection(state->watch, state->coolerWentAway, nowMs);
        state->coolerWentAway = false;
        if (rewrite) NoteAutomaticWrite(&state->watch, nowMs);
    } else {
        const bool follows = DutiesFollowCurves(state->curves, state->record);
        rewrite = WatchPoll(&state->watch, follows, nowMs);
    }
    InterlockedExchange(&CurveNotHeld, state->watch.notHeld ? 1 : 0);
    return !rewrite || WriteCurves(state, state->curves);
}

} // namespace

void StartWorker(WorkerState* state)
{
    state->ioEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    StartGpuTelemetry();
    state->record = {};
    state->cooler = INVALID_HANDLE_VALUE;
    state->screenInfoRetries = 0;
    state->linkProven = false;
    state->rewriteDue = false;
    state->coolerWentAway = false;
    state->brightnessFailures = 0;
    state->curves = {ProfileUnchanged, 0, 0};
    ResetCurveWatch(&state->watch, 0);
}

TurnWait WorkerTurn(WorkerState* state, DWORD nowMs)
{
    RetryGpuTelemetry(nowMs);
    // After sleep the handle may not have survived, and the cooler may need initialising
    // again (it can report zeros until it is): a resume is a reconnection.
    if (InterlockedExchange(&ResumePending, 0) != 0 && state->cooler != INVALID_HANDLE_VALUE) {
        DropLink(state);
    }
    if (state->cooler == INVALID_HANDLE_VALUE) {
        // Without the I/O event no report could be waited for: stay in the no-cooler state
        // rather than open a link whose every operation fails at once.
        if (state->ioEvent) state->cooler = FindCooler();
        if (state->cooler == INVALID_HANDLE_VALUE) {
            state->coolerWentAway = true;
            PublishLinkState(state, LinkNotFound);
            return {WaitStopOnly, SearchWaitMs};
        }
        state->linkProven = false;
        state->brightnessFailures = 0;
        if (!InitCooler(state->cooler, state->ioEvent)) return FailLink(state);
        // A new connection may follow a power loss that brought back the factory curves.
        state->rewriteDue = true;
        state->screenInfoRetries = ScreenInfoRetryBudget;
        ReadScreenInfo(state->cooler, state->ioEvent);
    }

    if (state->screenInfoRetries > 0) RetryScreenInfo(state);
    if (!TakeApply(state, nowMs)) return AfterDrop(state);
    TakeBrightness(state);

    if (!ReadStatus(state->cooler, state->ioEvent, &state->record)) {
        DropLink(state);
        state->record = {};
        state->record.linkState = LinkFailed;
        PublishStatus(state->record);
        if (!state->linkProven) return {WaitStopOnly, LinkRetryWaitMs};
    } else {
        state->linkProven = true;
        if (!WatchCurves(state, nowMs)) return FailLink(state);
        PublishStatus(state->record);
    }
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
        if (WorkerWait(WorkerTurn(&state, GetTickCount()))) break;
    }
    EndWorker(&state);
    return 0;
}
