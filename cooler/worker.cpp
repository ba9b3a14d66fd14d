#include "cooler/worker.h"

#include "app/session.h"
#include "cooler/commands.h"
#include "telemetry/gpu.h"
#include "telemetry/publish.h"

namespace {

EpisodeEvent Event(EpisodeEventKind kind)
{
    EpisodeEvent event = {};
    event.kind = kind;
    return event;
}

// One event of the episodes at `nowMs`; the balloons it makes due go to the tray.
EpisodeDecisions Step(WorkerState* state, const EpisodeEvent& event, DWORD nowMs)
{
    const EpisodeDecisions decisions = StepEpisodes(&state->episodes, event, nowMs);
    if (decisions.balloons) InterlockedOr(&BalloonsDue, decisions.balloons);
    return decisions;
}

// The working record published with the conditions now on.
void Publish(WorkerState* state)
{
    state->record.conditions = state->episodes.on;
    PublishStatus(state->record);
}

void PublishLinkState(WorkerState* state, int32_t linkState)
{
    state->record = {};
    state->record.linkState = linkState;
    Publish(state);
}

// The link closed after a failed operation: an event of a device removed, or of a link that
// failed with the device still there.
void LoseLink(WorkerState* state, DWORD nowMs)
{
    CloseCooler(state->cooler);
    state->cooler = INVALID_HANDLE_VALUE;
    Step(state, Event(LastIoEnd == IoRemoved ? EventGone : EventPollFailed), nowMs);
}

// The wait after a dropped link: a link that never completed a poll is not opened again at
// once, or a cooler that refuses at once would be searched for in a busy loop.
TurnWait AfterDrop(const WorkerState* state)
{
    if (state->linkProven) return {WaitNone, 0};
    return {WaitStopOnly, LinkRetryWaitMs};
}

TurnWait FailLink(WorkerState* state, DWORD nowMs)
{
    LoseLink(state, nowMs);
    PublishLinkState(state, LinkFailed);
    return AfterDrop(state);
}

const CoolerModel& Model(const WorkerState* state)
{
    return CoolerModels[state->model];
}

// The pump curve, then the fan curve on a model with a fan channel.
bool WriteCurves(WorkerState* state, const WrittenCurves& curves)
{
    const CoolerModel& model = Model(state);
    return WriteDutyCurve(state->cooler, state->ioEvent, ChannelPump, curves.profile,
                          curves.pumpDuty, model) &&
           (!model.fans || WriteDutyCurve(state->cooler, state->ioEvent, ChannelFans,
                                          curves.profile, curves.fanDuty, model));
}

// True when the link survived: a failed curve write drops it.
bool TakeApply(WorkerState* state, DWORD nowMs)
{
    if (InterlockedExchange(&ApplyPending, 0) == 0) return true;
    EpisodeEvent apply = Event(EventUserApply);
    apply.curves = {static_cast<ProfileId>(AtomicRead(&RequestedProfile)),
                    LoadRelaxed(&ManualPumpDuty), LoadRelaxed(&ManualFanDuty)};
    apply.written = WriteCurves(state, apply.curves);
    Step(state, apply, nowMs);
    if (apply.written) {
        InterlockedExchange(&AppliedProfile, apply.curves.profile);
        InterlockedExchange(&AppliedPumpDuty, apply.curves.pumpDuty);
        InterlockedExchange(&AppliedFanDuty, apply.curves.fanDuty);
        InterlockedExchange(&ApplyResult, 1);
    } else {
        InterlockedExchange(&ApplyResult, -1);
    }
    PostMessageW(MainWindow, MsgApplyFinished,
                 static_cast<WPARAM>(static_cast<intptr_t>(apply.curves.profile)), 0);
    if (!apply.written) LoseLink(state, nowMs);
    return apply.written;
}

void TakeBrightness(WorkerState* state)
{
    // A level the cooler kept refusing on this connection waits for the next one; a level
    // chosen since is tried.
    if (!BrightnessWorthTrying(AtomicRead(&BrightnessRequest), state->brightnessFailed,
                               state->brightnessFailures)) {
        return;
    }
    const int32_t level = InterlockedExchange(&BrightnessRequest, -1);
    if (level < 0 || !Model(state).screen) return;
    const int32_t mode = AtomicRead(&ScreenMode);
    if (mode < 0 || mode > 3 || level > 100) return;
    if (!WriteBrightness(state->cooler, state->ioEvent, level, mode)) {
        if (level != state->brightnessFailed) state->brightnessFailures = 0;
        state->brightnessFailed = level;
        ++state->brightnessFailures;
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

// A poll the cooler answered: the episodes judge it, and the curves are written when they
// decide so. False when that write failed.
bool Answered(WorkerState* state, DWORD nowMs)
{
    EpisodeEvent poll = Event(state->record.liquidTenths == LiquidUnknown ? EventFaultReport
                                                                           : EventReading);
    poll.atConsole = AtActiveConsole();
    poll.status = state->record;
    if (!Step(state, poll, nowMs).writeCurves) return true;
    EpisodeEvent write = Event(EventAutoWrite);
    write.written = WriteCurves(state, state->episodes.curves);
    Step(state, write, nowMs);
    return write.written;
}

} // namespace

bool BrightnessWorthTrying(int32_t level, int32_t failedLevel, int32_t failures)
{
    return level != failedLevel || failures < BrightnessTries;
}

void StartWorker(WorkerState* state)
{
    state->ioEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    StartGpuTelemetry();
    state->record = {};
    state->cooler = INVALID_HANDLE_VALUE;
    state->model = 0;
    state->screenInfoRetries = 0;
    state->linkProven = false;
    state->brightnessFailures = 0;
    state->brightnessFailed = -1;
    StartEpisodes(&state->episodes, true);
}

TurnWait WorkerTurn(WorkerState* state, DWORD nowMs)
{
    RetryGpuTelemetry(nowMs);
    // After sleep the handle may not have survived, and the cooler may need initialising
    // again (it can report zeros until it is): a resume is a reconnection.
    if (InterlockedExchange(&ResumePending, 0) != 0) {
        Step(state, Event(EventResume), nowMs);
        CloseCooler(state->cooler);
        state->cooler = INVALID_HANDLE_VALUE;
    }
    if (state->cooler == INVALID_HANDLE_VALUE) {
        // Without the I/O event no report could be waited for: stay in the no-cooler state
        // rather than open a link whose every operation fails at once.
        CoolerSearch search = {INVALID_HANDLE_VALUE, SearchHeld, -1};
        if (state->ioEvent) search = SearchCooler();
        if (search.outcome != SearchOpened) {
            Step(state, Event(search.outcome == SearchAbsent ? EventAbsent : EventHeld), nowMs);
            PublishLinkState(state, LinkNotFound);
            return {WaitStopOnly, SearchWaitMs};
        }
        state->cooler = search.cooler;
        state->model = search.model;
        InterlockedExchange(&CoolerModelIndex, state->model);
        // A model without a fan channel gets no fan check.
        state->episodes.fanChannel = Model(state).fans;
        Step(state, Event(EventFound), nowMs);
        state->linkProven = false;
        state->brightnessFailures = 0;
        state->brightnessFailed = -1;
        if (!InitCooler(state->cooler, state->ioEvent)) return FailLink(state, nowMs);
        // A model without a screen is never asked about one.
        state->screenInfoRetries = Model(state).screen ? ScreenInfoRetryBudget : 0;
        if (Model(state).screen) ReadScreenInfo(state->cooler, state->ioEvent);
    }

    if (state->screenInfoRetries > 0) RetryScreenInfo(state);
    if (!TakeApply(state, nowMs)) {
        // Nothing published: the search of the next turn publishes the new state.
        return AfterDrop(state);
    }
    TakeBrightness(state);

    if (!ReadStatus(state->cooler, state->ioEvent, &state->record)) {
        LoseLink(state, nowMs);
        PublishLinkState(state, LinkFailed);
        if (!state->linkProven) return {WaitStopOnly, LinkRetryWaitMs};
    } else {
        state->linkProven = true;
        if (!Answered(state, nowMs)) return FailLink(state, nowMs);
        Publish(state);
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
    CloseCooler(state->cooler);
    state->cooler = INVALID_HANDLE_VALUE;
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
