#include "cooler/curve_watch.h"

namespace {

// The duty between the curve's points below and above `liquidTenths`, widened by the slack.
bool Within(const uint8_t curve[CurvePoints], int32_t liquidTenths, int32_t duty)
{
    int32_t below = liquidTenths / 10 - CurveFirstDegree;
    int32_t above = below + (liquidTenths % 10 != 0 ? 1 : 0);
    if (below < 0) below = 0;
    if (above < 0) above = 0;
    if (below > CurvePoints - 1) below = CurvePoints - 1;
    if (above > CurvePoints - 1) above = CurvePoints - 1;
    const int32_t low = curve[below] < curve[above] ? curve[below] : curve[above];
    const int32_t high = curve[below] < curve[above] ? curve[above] : curve[below];
    return duty >= low - DutySlack && duty <= high + DutySlack;
}

} // namespace

bool DutiesFollowCurves(const WrittenCurves& curves, const CoolerStatus& status)
{
    uint8_t pump[CurvePoints];
    uint8_t fans[CurvePoints];
    BuildDutyCurve(curves.profile, ChannelPump, curves.pumpDuty, pump);
    BuildDutyCurve(curves.profile, ChannelFans, curves.fanDuty, fans);
    return Within(pump, status.liquidTenths, status.pumpDuty) &&
           Within(fans, status.liquidTenths, status.fanDuty);
}

void ResetCurveWatch(CurveWatch* watch)
{
    *watch = {};
}

bool WatchPoll(CurveWatch* watch, bool duties, DWORD nowMs)
{
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
    watch->rewritten = true;
    watch->lastRewriteMs = nowMs;
    watch->mismatches = 0;
    return true;
}
