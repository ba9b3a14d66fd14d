// Whether the cooler keeps the curves this program wrote, judged from the duties it reports
// at each poll, and when to write them again. Another program that drives the cooler (its
// maker's suite left running is the common case) keeps overwriting them; the watch re-writes
// them at most once a minute and gives up after two re-writes that did not hold, so that it
// never fights that program. Its memory outlives reconnections and resumes: a link that
// drops while the other program runs must not start the fight again. Pure: the worker hands
// it every poll and every write with the time.
#pragma once

#include "app/shared_state.h"
#include "profiles/profiles.h"

constexpr int32_t DutySlack = 3;              // percent beyond the curve's points
constexpr int32_t ReadingSlackTenths = 9;     // tenths of °C either side of the reading
constexpr int32_t MismatchesBeforeRewrite = 3; // polls in a row
constexpr DWORD RewriteIntervalMs = 60000;     // ms; at most one automatic write in this time
constexpr DWORD SettleAfterWriteMs = 5000;     // ms; polls this soon after a write are not judged
constexpr int32_t UnheldRewritesToGiveUp = 2;  // re-writes in a row that did not hold

// The curves last written whole: what the cooler should be running.
struct WrittenCurves {
    ProfileId profile; // ProfileUnchanged while nothing was written this run
    int32_t pumpDuty;  // percent; the manual pair, used by Manual only
    int32_t fanDuty;   // percent
};

// True when the reported pump and fan duties lie between the lowest and highest curve points
// at the whole degrees around the reported liquid temperature widened by ReadingSlackTenths
// either side, widened again by DutySlack. The fans are not judged while the cooler reports
// both their duty and speed 0 (fans on the motherboard, none on the cooler's header).
bool DutiesFollowCurves(const WrittenCurves& curves, const CoolerStatus& status);

struct CurveWatch {
    int32_t mismatches;     // polls in a row whose duties disagree, counted up to 3
    DWORD runStartMs;       // ms, the first poll of the current run of mismatches
    bool rewritten;         // lastRewriteMs holds the time of an automatic write
    DWORD lastRewriteMs;    // ms
    DWORD lastWriteMs;      // ms, the last curve write of any kind
    int32_t unheldRewrites; // re-writes in a row overwritten within a minute
    bool notHeld;           // gave up: the cooler does not keep the curves
};

// A fresh watch, after the user's apply wrote the curves at `nowMs`.
void ResetCurveWatch(CurveWatch* watch, DWORD nowMs);

// Notes a curve write the program made on its own (a re-write) at `nowMs`.
void NoteAutomaticWrite(CurveWatch* watch, DWORD nowMs);

// Whether a new connection, once its first poll succeeded at `nowMs`, writes the curves
// again: not while they are shown not held nor within a minute of the last automatic write,
// unless a search since the last connection found no cooler at all (`coolerWentAway`: a
// re-plug or a power loss that brought back the factory curves).
bool RewriteOnConnection(const CurveWatch& watch, bool coolerWentAway, DWORD nowMs);

// One successful poll at `nowMs`, `duties` true when they follow the curves: true when the
// curves are to be written again now, after a run of 3 mismatching polls and at most once a
// minute. Polls within SettleAfterWriteMs of a write are not judged. A run that begins within
// a minute of a re-write shows that re-write did not hold; after two in a row `notHeld` is set
// and nothing more is written, until a poll matches.
bool WatchPoll(CurveWatch* watch, bool duties, DWORD nowMs);
