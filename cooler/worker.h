// The device worker: the program's one background thread. It owns the cooler link and the
// GPU library, carries out the requests the interface leaves in shared state, and publishes
// a status after every poll and every fruitless search.
#pragma once

#include "app/shared_state.h"
#include "cooler/episodes.h"

constexpr DWORD SearchWaitMs = 1000;        // after a search that found no cooler
constexpr DWORD LinkRetryWaitMs = 1000;     // after a link that failed before its first poll
constexpr DWORD VisiblePollWaitMs = 750;    // after a publication, window visible
constexpr DWORD HiddenPollWaitMs = 2000;    // after a publication, window hidden
constexpr int32_t ScreenInfoRetryBudget = 5; // further queries per connection
constexpr int32_t BrightnessTries = 3;       // failed writes of one level per connection

// Everything the worker owns for its whole life.
struct WorkerState {
    HANDLE cooler;             // INVALID_HANDLE_VALUE while there is no link
    HANDLE ioEvent;            // completion event of every report operation
    CoolerStatus record;       // built by each turn and handed to PublishStatus
    int32_t screenInfoRetries; // queries still allowed while ScreenMode is unknown
    bool linkProven;           // a poll succeeded on this connection
    int32_t brightnessFailures; // failed writes of brightnessFailed on this connection
    int32_t brightnessFailed;  // percent, the level whose writes failed; -1 none
    Episodes episodes;         // when to write and when to warn; outlives connections
};

enum WaitKind : int {
    WaitNone = 0,       // the next turn follows at once
    WaitStopOnly = 1,   // StopEvent alone
    WaitStopOrWake = 2, // StopEvent and WakeEvent, the stop winning
};

// What a turn asks to wait for before the next one.
struct TurnWait {
    WaitKind kind;
    DWORD limitMs;
};

// Whether a brightness request for `level` is taken on this connection: not while it is the
// level whose writes failed `failures` >= BrightnessTries times on it; any other level is.
bool BrightnessWorthTrying(int32_t level, int32_t failedLevel, int32_t failures);

// Creates the I/O event, starts GPU telemetry and clears the working state.
void StartWorker(WorkerState* state);

// One turn at `nowMs`: search when there is no link (a resume closes the link first, so
// that the cooler is opened and initialised anew); then screen-information retry, apply,
// brightness, poll and publish. Every outcome is an event of the episodes, whose decisions
// the turn carries out: an automatic write of the curves after the poll, and the conditions
// and balloons published with it. Visibility is sampled at its end, just before the wait.
// A link that fails before its first successful poll is searched for again only after
// LinkRetryWaitMs, so a cooler that fails at once is not hammered.
TurnWait WorkerTurn(WorkerState* state, DWORD nowMs);

// True when StopEvent ended the wait.
bool WorkerWait(TurnWait wait);

// True when StopEvent is signalled now.
bool StopRequested();

// Closes the link and the I/O event, then stops GPU telemetry.
void EndWorker(WorkerState* state);

// Thread entry; started once after StopEvent, WakeEvent and the main window exist. Ends
// (returning 0) only when StopEvent is signalled.
DWORD WINAPI DeviceWorker(void* unused);
