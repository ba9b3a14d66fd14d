#include "cooler/curve_watch.h"

namespace {

int32_t CurveIndex(int32_t degree)
{
    const int32_t index = degree - CurveFirstDegree;
    if (index < 0) return 0;
    return index > CurvePoints - 1 ? CurvePoints - 1 : index;
}

// The duty between the lowest and highest curve points around `liquidTenths`, with slack.
bool Within(const uint8_t curve[CurvePoints], int32_t liquidTenths, int32_t duty)
{
    const int32_t lowTenths = liquidTenths - ReadingSlackTenths;
    const int32_t highTenths = liquidTenths + ReadingSlackTenths;
    const int32_t first = CurveIndex(lowTenths < 0 ? 0 : lowTenths / 10);
    const int32_t last = CurveIndex((highTenths + 9) / 10);
    int32_t low = curve[first];
    int32_t high = curve[first];
    for (int32_t i = first + 1; i <= last; ++i) {
        if (curve[i] < low) low = curve[i];
        if (curve[i] > high) high = curve[i];
    }
    return duty >= low - DutySlack && duty <= high + DutySlack;
}

} // namespace

bool DutiesFollowCurves(const WrittenCurves& curves, const CoolerStatus& status)
{
    uint8_t pump[CurvePoints];
    uint8_t fans[CurvePoints];
    BuildDutyCurve(curves.profile, ChannelPump, curves.pumpDuty, pump);
    BuildDutyCurve(curves.profile, ChannelFans, curves.fanDuty, fans);
    const bool noFans = status.fanDuty == 0 && status.fanRpm == 0;
    return Within(pump, status.liquidTenths, status.pumpDuty) &&
           (noFans || Within(fans, status.liquidTenths, status.fanDuty));
}

void ResetCurveWatch(CurveWatch* watch, DWORD nowMs)
{
    *watch = {};
    watch->lastWriteMs = nowMs;
}

void NoteAutomaticWrite(CurveWatch* watch, DWORD nowMs)
{
    watch->rewritten = true;
    watch->lastRewriteMs = nowMs;
    watch->lastWriteMs = nowMs;
    watch->mismatches = 0;
}

bool RewriteOnConnection(const CurveWatch& watch, bool coolerWentAway, DWORD nowMs)
{
    if (coolerWentAway) return true;
    if (watch.notHeld) return false;
    return !watch.rewritten || nowMs - watch.lastRewriteMs >= RewriteIntervalMs;
}

bool WatchPoll(CurveWatch* watch, bool duties, DWORD nowMs)
{
    // The first poll after a write may still show the duty from before it.
    if (nowMs - watch->lastWriteMs < SettleAfterWriteMs) return false;
    if (duties) {
        watch->mismatches = 0;
        watch->notHeld = false;
        return false;
    }
    if (watch->mismatches == 0) watch->runStartMs = nowMs;
    if (watch->mismatches < MismatchesBeforeRewrite &&
        ++watch->mismatches == MismatchesBeforeRewrite) {
        // A run begun within a minute of the last re-write: that one did not hold.
        if (watch->rewritten && watch->runStartMs - watch->lastRewriteMs < RewriteIntervalMs) {
            ++watch->unheldRewrites;
        } else {
            watch->unheldRewrites = 0;
        }
        if (watch->unheldRewrites >= UnheldRewritesToGiveUp) watch->notHeld = true;
    }
    if (watch->mismatches < MismatchesBeforeRewrite || watch->notHeld) return false;
    if (watch->rewritten && nowMs - watch->lastRewriteMs < RewriteIntervalMs) return false;
    NoteAutomaticWrite(watch, nowMs);
    return true;
}
