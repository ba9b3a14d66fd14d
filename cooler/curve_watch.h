// Whether the cooler keeps the curves this program wrote, judged from the duties it reports
// at each poll, and when to write them again. Another program that drives the cooler (its
// maker's suite left running is the common case) keeps overwriting them; the watch re-writes
// them at most once a minute and gives up after two re-writes that did not hold, so that it
// never fights that program. Pure: the worker hands it every poll with the time.
#pragma once

#include "app/shared_state.h"
#include "profiles/profiles.h"

constexpr int32_t DutySlack = 3;              // percent beyond the curve's neighbouring points
constexpr int32_t MismatchesBeforeRewrite = 3; // polls in a row
constexpr DWORD RewriteIntervalMs = 60000;     // ms; at most one re-write in this time
constexpr int32_t UnheldRewritesToGiveUp = 2;  // re-writes in a row that did not hold

// The curves last written whole: what the cooler should be running.
struct WrittenCurves {
    ProfileId profile; // ProfileUnchanged while nothing was written this run
    int32_t pumpDuty;  // percent; the manual pair, used by Manual only
    int32_t fanDuty;   // percent
};

// True when the reported pump and fan duties lie between the curves' whole-degree points on
// either side of the reported liquid temperature, widened by DutySlack.
bool DutiesFollowCurves(const WrittenCurves& curves, const CoolerStatus& status);

struct CurveWatch {
    int32_t mismatches;     // polls in a row whose duties disagree, counted up to 3
    DWORD runStartMs;       // ms, the first poll of the current run of mismatches
    bool rewritten;         // lastRewriteMs holds the time of a re-write
    DWORD lastRewriteMs;    // ms
    int32_t unheldRewrites; // re-writes in a row overwritten within a minute
    bool notHeld;           // gave up: the cooler does not keep the curves
};

// A fresh watch, after the curves were written by an apply, a new connection or a resume.
void ResetCurveWatch(CurveWatch* watch);

// One successful poll at `nowMs`, `duties` true when they follow the curves: true when the
// curves are to be written again now, after a run of 3 mismatching polls and at most once a
// minute. A run that begins within a minute of a re-write shows that re-write did not hold;
// after two in a row `notHeld` is set and nothing more is written, until a poll matches.
bool WatchPoll(CurveWatch* watch, bool duties, DWORD nowMs);
