// The cooler link's episodes, in one place: when to write the curves on the program's own,
// whether the cooler keeps them (the curve watch), and which conditions the user is warned
// of, each with one balloon. Pure: the worker hands it every event of the link with the time
// and carries out its decisions; publication and the tray only show them.
//
// Rules kept (tests/fuzz/episodes_fuzz.cpp checks each after every event):
// - Writes. The user's apply is written by the worker, once, always; a written one ends CURVE
//   NOT HELD and starts the watch afresh. Automatic writes (`writeCurves`) come only on a
//   poll the cooler answered, only with curves applied this run and only from the copy at
//   the console, at most one pair per RewriteIntervalMs, except the first after the cooler
//   was really gone from USB (the enumeration listed no such device, or the handle failed as
//   removed): a power loss or a re-plug always gets its re-write at the first answered poll
//   after it, however short. A device listed but not openable (held by another program), a
//   time-out or a refused reply is not gone.
// - CURVE NOT HELD is declared only on a poll that reads the duties, when two automatic
//   re-writes in a row were overwritten within RewriteIntervalMs with the cooler present
//   since the write. While it stands nothing is written on the program's own until the
//   cooler was really gone or the user applies.
// - Conditions are episodes. One starts on 3 polls that read it (dropouts and failed polls
//   in between do not count): pump below 300 RPM, liquid at 55.0 °C or more, liquid FF FF
//   (COOLER FAULT, in a row), duties off the curves (see above). One ends only on 3 sound
//   polls in a row (pump at 500 RPM or more; liquid below 50.0 °C; liquid not FF FF; duties
//   on the curves), on the user's apply (CURVE NOT HELD), or once the cooler has been really
//   gone for EpisodeGoneMs with no answered poll since. Each episode gives one balloon, when
//   it starts; a pump that stops while the cooler reports a fault gives none (the fault's
//   balloon already says to check its power).
// - A report with the liquid at FF FF is an answered poll (the link is sound); its liquid is
//   unknown, so neither LIQUID HOT nor the curve watch judges it; its pump and fan figures
//   count.
#pragma once

#include "app/shared_state.h"
#include "profiles/profiles.h"

constexpr int32_t DutySlack = 3;              // percent beyond the curve's points
constexpr int32_t ReadingSlackTenths = 9;     // tenths of °C either side of the reading
constexpr int32_t PollsToDecide = 3;          // polls that start or end a condition
constexpr DWORD RewriteIntervalMs = 60000;    // ms; at most one automatic write in this time
constexpr DWORD SettleAfterWriteMs = 5000;    // ms; polls this soon after a write are not judged
constexpr int32_t UnheldRewritesToGiveUp = 2; // re-writes in a row that did not hold
constexpr DWORD EpisodeGoneMs = 60000;        // ms really gone that end every condition
constexpr int32_t PumpStoppedBelowRpm = 300;
constexpr int32_t PumpBackFromRpm = 500;
constexpr int32_t LiquidHotFromTenths = 550;
constexpr int32_t LiquidCoolBelowTenths = 500;

// The curves last written whole: what the cooler should be running.
struct WrittenCurves {
    ProfileId profile; // ProfileUnchanged while nothing was written this run
    int32_t pumpDuty;  // percent; the manual pair, used by Manual only
    int32_t fanDuty;   // percent
};

// True when the reported pump duty (and the fan duty when `judgeFans`) lie between the
// lowest and highest curve points at the whole degrees around the reported liquid
// temperature widened by ReadingSlackTenths either side, widened again by DutySlack.
bool DutiesFollowCurves(const WrittenCurves& curves, const CoolerStatus& status, bool judgeFans);

enum EpisodeEventKind : int {
    EventReading,     // a poll answered with readings
    EventFaultReport, // a poll answered with the liquid at FF FF
    EventPollFailed,  // a poll or an initialisation failed: time-out, refused or bad reply
    EventGone,        // the handle failed because the device was removed
    EventFound,       // a search found the cooler and opened it: a new connection
    EventHeld,        // a search found it listed but could not open it
    EventAbsent,      // a search found no such device listed
    EventResume,      // the system resumed from sleep
    EventUserApply,   // the user's apply, `written` or refused
    EventAutoWrite,   // the automatic write decided before, `written` or refused
};

struct EpisodeEvent {
    EpisodeEventKind kind;
    bool written;         // applies and automatic writes
    bool atConsole;       // answered polls: this copy runs in the active console session
    CoolerStatus status;  // answered polls: the readings (liquid ignored for a fault report)
    WrittenCurves curves; // the user's apply: what was written
};

enum CurveVerdict : int {
    VerdictUnjudged = 0, // nothing applied, a poll within the settling time or not a reading
    VerdictFollows = 1,
    VerdictOff = 2,      // the duties are off the curves
};

struct EpisodeDecisions {
    bool writeCurves;     // write `Episodes::curves` now, pump then fans
    CurveVerdict verdict; // the curve watch's verdict on this poll
    int32_t conditions;   // Condition* bits on
    int32_t balloons;     // Condition* bits whose balloon is due now
};

// Each condition's polls: those that read it (up to PollsToDecide) and sound ones in a row.
struct ConditionCount {
    int32_t met;
    int32_t sound;
};

struct Episodes {
    bool fanChannel;          // the model drives fans; false: the fans are never judged
    WrittenCurves curves;     // the curves last written whole this run
    int32_t on;               // Condition* bits on
    ConditionCount pump, liquid, fault, curve;
    DWORD runStartMs;         // ms, the first poll of the current run of polls off the curves
    DWORD lastWriteMs;        // ms, the last curve write of any kind
    bool autoWritten;         // lastAutoMs holds an automatic write of this run
    DWORD lastAutoMs;         // ms
    bool lastWriteAuto;       // the last write was automatic, not the user's
    int32_t unheldRewrites;   // re-writes in a row overwritten within a minute
    bool presentSinceWrite;   // not gone, and no resume, since the last write
    bool goneSinceAuto;       // really gone since the last automatic write
    bool rewriteAfterGone;    // gone since the last write: the next answered poll writes
    bool rewriteAfterResume;  // resumed since the last write: written as the minute allows
    bool fansAnswered;        // this connection read a fan duty or speed other than 0
    bool away;                // really gone with no answered poll since awaySinceMs
    DWORD awaySinceMs;        // ms
};

// A fresh model: nothing written, nothing on. `fanChannel` false for a cooler without fans.
void StartEpisodes(Episodes* episodes, bool fanChannel);

// One event at `nowMs`, in the order they happen.
EpisodeDecisions StepEpisodes(Episodes* episodes, const EpisodeEvent& event, DWORD nowMs);
