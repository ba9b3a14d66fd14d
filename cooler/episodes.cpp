#include "cooler/episodes.h"

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

int32_t UpTo(int32_t count)
{
    return count < PollsToDecide ? count + 1 : PollsToDecide;
}

// One poll that read the condition's figure: on after 3 that meet it, off after 3 sound ones,
// each run in a row of the polls that read it.
void Count(Episodes* e, ConditionCount* count, int32_t condition, bool met, bool sound)
{
    count->met = met ? UpTo(count->met) : 0;
    count->sound = sound ? UpTo(count->sound) : 0;
    if (count->met == PollsToDecide) e->on |= condition;
    if (count->sound == PollsToDecide) e->on &= ~condition;
}

bool RateAllows(const Episodes& e, DWORD nowMs)
{
    return !e.autoWritten || e.goneSinceAuto || nowMs - e.lastAutoMs >= RewriteIntervalMs;
}

// The curve watch on a poll that read the duties; true when a run of polls off the curves
// asks for a re-write. A run begun within a minute of an automatic re-write, the cooler
// present since, shows that re-write did not hold; two in a row declare CURVE NOT HELD.
bool Watch(Episodes* e, const CoolerStatus& status, DWORD nowMs, CurveVerdict* verdict)
{
    if (e->curves.profile == ProfileUnchanged || nowMs - e->lastWriteMs < SettleAfterWriteMs) {
        return false;
    }
    const bool judgeFans =
        e->fanChannel && (e->fansAnswered || status.fanDuty != 0 || status.fanRpm != 0);
    const bool follows = DutiesFollowCurves(e->curves, status, judgeFans);
    *verdict = follows ? VerdictFollows : VerdictOff;
    ConditionCount* c = &e->curve;
    if (follows) {
        c->met = 0;
        c->sound = UpTo(c->sound);
        if (c->sound == PollsToDecide) e->on &= ~ConditionCurveNotHeld;
        return false;
    }
    c->sound = 0;
    if (c->met == 0) e->runStartMs = nowMs;
    if (c->met < PollsToDecide && ++c->met == PollsToDecide) {
        const bool unheld = e->lastWriteAuto &&
                            e->presentSinceWrite &&
                            e->runStartMs - e->lastAutoMs < RewriteIntervalMs;
        e->unheldRewrites = unheld ? e->unheldRewrites + 1 : 0;
        if (e->unheldRewrites >= UnheldRewritesToGiveUp) e->on |= ConditionCurveNotHeld;
    }
    return c->met == PollsToDecide;
}

void NoteWrite(Episodes* e, DWORD nowMs)
{
    e->lastWriteMs = nowMs;
    e->presentSinceWrite = true;
    e->rewriteAfterGone = false;
    e->rewriteAfterResume = false;
    e->curve = {};
}

// A poll the cooler answered: the conditions counted, the curves judged, a write decided.
void Answered(Episodes* e, const EpisodeEvent& event, DWORD nowMs, EpisodeDecisions* d)
{
    const CoolerStatus& s = event.status;
    const bool fault = event.kind == EventFaultReport;
    e->away = false;
    if (s.fanDuty != 0 || s.fanRpm != 0) e->fansAnswered = true;
    Count(e, &e->pump, ConditionPumpStopped, s.pumpRpm < PumpStoppedBelowRpm,
          s.pumpRpm >= PumpBackFromRpm);
    Count(e, &e->fault, ConditionCoolerFault, fault, !fault);
    bool offCurves = false;
    if (!fault) {
        Count(e, &e->liquid, ConditionLiquidHot, s.liquidTenths >= LiquidHotFromTenths,
              s.liquidTenths < LiquidCoolBelowTenths);
        offCurves = Watch(e, s, nowMs, &d->verdict);
    }
    const bool held = !(e->on & ConditionCurveNotHeld);
    const bool want = e->rewriteAfterGone ||
                      ((e->rewriteAfterResume || offCurves) && held && RateAllows(*e, nowMs));
    if (!want || e->curves.profile == ProfileUnchanged || !event.atConsole) return;
    d->writeCurves = true;
    e->autoWritten = true;
    e->lastAutoMs = nowMs;
    e->goneSinceAuto = false;
    NoteWrite(e, nowMs);
    e->lastWriteAuto = true;
}

} // namespace

bool DutiesFollowCurves(const WrittenCurves& curves, const CoolerStatus& status, bool judgeFans)
{
    uint8_t pump[CurvePoints];
    uint8_t fans[CurvePoints];
    BuildDutyCurve(curves.profile, ChannelPump, curves.pumpDuty, pump);
    BuildDutyCurve(curves.profile, ChannelFans, curves.fanDuty, fans);
    return Within(pump, status.liquidTenths, status.pumpDuty) &&
           (!judgeFans || Within(fans, status.liquidTenths, status.fanDuty));
}

void StartEpisodes(Episodes* episodes, bool fanChannel)
{
    *episodes = {};
    episodes->fanChannel = fanChannel;
    episodes->curves = {ProfileUnchanged, 0, 0};
}

EpisodeDecisions StepEpisodes(Episodes* e, const EpisodeEvent& event, DWORD nowMs)
{
    EpisodeDecisions d = {};
    const int32_t before = e->on;
    if (e->away && nowMs - e->awaySinceMs >= EpisodeGoneMs) {
        e->on = 0;
        e->pump = e->liquid = e->fault = e->curve = {};
    }
    switch (event.kind) {
    case EventReading:
    case EventFaultReport:
        Answered(e, event, nowMs, &d);
        break;
    case EventGone:
    case EventAbsent:
        if (!e->away) e->awaySinceMs = nowMs;
        e->away = true;
        e->goneSinceAuto = true;
        e->rewriteAfterGone = true;
        e->presentSinceWrite = false;
        e->unheldRewrites = 0;
        break;
    case EventResume:
        e->rewriteAfterResume = true;
        e->presentSinceWrite = false;
        e->unheldRewrites = 0;
        break;
    case EventFound:
        e->fansAnswered = false;
        break;
    case EventUserApply:
        if (!event.written) break;
        e->curves = event.curves;
        e->unheldRewrites = 0;
        e->on &= ~ConditionCurveNotHeld;
        NoteWrite(e, nowMs);
        e->lastWriteAuto = false;
        break;
    case EventAutoWrite:
        if (event.written) e->lastWriteMs = nowMs;
        else e->presentSinceWrite = false;
        break;
    case EventPollFailed:
    case EventHeld:
        break;
    }
    d.conditions = e->on;
    d.balloons = e->on & ~before;
    // A pump stopped by a fault of the cooler: the fault's balloon says what to check.
    if (e->on & ConditionCoolerFault) d.balloons &= ~ConditionPumpStopped;
    return d;
}
