// The link's episodes driven by any sequence of events the worker can produce, at any times
// (across the tick's wrap too): every rule of cooler/episodes.h is checked after every event
// against what this harness saw of the events themselves.
#include "cooler/episodes.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

const int32_t PumpRpms[] = {0, 299, 300, 499, 500, 980};
const int32_t Liquids[] = {300, 499, 500, 549, 550, 600};

// What the harness remembers of the events, independently of the model.
struct Seen {
    bool linked, applied;
    int32_t pumps[3], liquids[3], faults[3]; // the last answered polls' figures, newest first
    int32_t answered, readings;              // polls counted into them
    bool away;
    DWORD awayMs;
    bool autoEver, goneSinceAuto;
    DWORD lastAutoMs;
    bool rewriteOwed;         // really gone since the last write, curves applied
    bool unsureSinceWrite;    // gone or resumed since the last write
    bool lastWriteAuto;
    bool goneSinceNotHeld;
};

void Push(int32_t* last, int32_t value)
{
    last[2] = last[1];
    last[1] = last[0];
    last[0] = value;
}

bool All(const int32_t* last, int32_t count, bool (*test)(int32_t))
{
    return count >= 3 && test(last[0]) && test(last[1]) && test(last[2]);
}

Episodes Model;
Seen H;

// One event at `now`; every rule checked after it.
EpisodeDecisions Step(const EpisodeEvent& event, DWORD now)
{
    const int32_t before = Model.on;
    if (H.away && now - H.awayMs >= EpisodeGoneMs) H.answered = H.readings = 0;
    const bool timedOut = H.away && now - H.awayMs >= EpisodeGoneMs;
    const EpisodeDecisions d = StepEpisodes(&Model, event, now);
    const int32_t started = d.conditions & ~before;
    const int32_t ended = before & ~d.conditions;
    const bool answered = event.kind == EventReading || event.kind == EventFaultReport;
    const bool reading = event.kind == EventReading;

    // One balloon per episode, when it starts; conditions start only on a poll that read them.
    const int32_t folded = d.conditions & ConditionCoolerFault ? ConditionPumpStopped : 0;
    FUZZ_CHECK(d.balloons == (started & ~folded) && d.conditions == Model.on);
    if (!answered) FUZZ_CHECK(started == 0);
    if (answered) {
        H.away = false;
        Push(H.pumps, event.status.pumpRpm);
        Push(H.faults, event.kind == EventFaultReport);
        ++H.answered;
        if (reading) {
            Push(H.liquids, event.status.liquidTenths);
            ++H.readings;
        }
    }
    const bool low = All(H.pumps, H.answered, [](int32_t rpm) { return rpm < 300; });
    const bool pumpBack = All(H.pumps, H.answered, [](int32_t rpm) { return rpm >= 500; });
    const bool hot = All(H.liquids, H.readings, [](int32_t t) { return t >= 550; });
    const bool cool = All(H.liquids, H.readings, [](int32_t t) { return t < 500; });
    const bool faulty = All(H.faults, H.answered, [](int32_t f) { return f == 1; });
    const bool sound = All(H.faults, H.answered, [](int32_t f) { return f == 0; });
    // Counted in the polls that read them, whatever dropped out in between.
    if (answered && low) FUZZ_CHECK(d.conditions & ConditionPumpStopped);
    if (reading && hot) FUZZ_CHECK(d.conditions & ConditionLiquidHot);
    if (answered && faulty) FUZZ_CHECK(d.conditions & ConditionCoolerFault);
    if (started & ConditionPumpStopped) FUZZ_CHECK(low);
    if (started & ConditionLiquidHot) FUZZ_CHECK(reading && hot);
    if (started & ConditionCoolerFault) FUZZ_CHECK(faulty);
    // They end on evidence only, or once the cooler has been gone a minute.
    if (!timedOut) {
        if (ended & ConditionPumpStopped) FUZZ_CHECK(answered && pumpBack);
        if (ended & ConditionLiquidHot) FUZZ_CHECK(reading && cool);
        if (ended & ConditionCoolerFault) FUZZ_CHECK(answered && sound);
        if (ended & ConditionCurveNotHeld) {
            FUZZ_CHECK((reading && d.verdict == VerdictFollows) ||
                       (event.kind == EventUserApply && event.written));
        }
    }
    // An unknown liquid is not judged.
    if (event.kind == EventFaultReport) FUZZ_CHECK(d.verdict == VerdictUnjudged);
    if (started & ConditionCurveNotHeld) {
        FUZZ_CHECK(reading && d.verdict == VerdictOff && H.lastWriteAuto && !H.unsureSinceWrite);
        H.goneSinceNotHeld = false;
    }

    // Writes on the program's own: on an answered poll with curves applied, at the console, a
    // minute apart unless the cooler was really gone, never while not held unless it was.
    if (d.writeCurves) {
        FUZZ_CHECK(answered && H.applied && event.atConsole);
        FUZZ_CHECK(!H.autoEver || H.goneSinceAuto || now - H.lastAutoMs >= RewriteIntervalMs);
        if (d.conditions & ConditionCurveNotHeld) FUZZ_CHECK(H.goneSinceNotHeld);
        H.autoEver = true;
        H.goneSinceAuto = false;
        H.lastAutoMs = now;
        H.rewriteOwed = H.unsureSinceWrite = false;
        H.lastWriteAuto = true;
    } else if (answered && event.atConsole) {
        // A power loss or a re-plug always gets its re-write.
        FUZZ_CHECK(!H.rewriteOwed);
    }
    switch (event.kind) {
    case EventGone:
    case EventAbsent:
        if (!H.away) H.awayMs = now;
        H.away = true;
        H.goneSinceAuto = H.goneSinceNotHeld = H.unsureSinceWrite = true;
        H.rewriteOwed = H.applied;
        break;
    case EventResume:
        H.unsureSinceWrite = true;
        break;
    case EventUserApply:
        if (!event.written) break;
        FUZZ_CHECK(!(d.conditions & ConditionCurveNotHeld));
        H.applied = true;
        H.rewriteOwed = H.unsureSinceWrite = H.lastWriteAuto = false;
        break;
    case EventAutoWrite:
        if (!event.written) H.unsureSinceWrite = true;
        break;
    default:
        break;
    }
    return d;
}

uint32_t Take(const uint8_t*& at, const uint8_t* end)
{
    return at < end ? *at++ : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint8_t* at = data;
    const uint8_t* end = data + size;
    // A model with fans on the cooler's header, or one without (whose fans are never judged).
    const bool fanChannel = !(Take(at, end) & 1);
    StartEpisodes(&Model, fanChannel);
    H = {};
    // Starts up to about 18 hours before the tick count wraps.
    DWORD now = 0u - (Take(at, end) << 8 | Take(at, end)) * 1000u;
    while (at < end) {
        const uint32_t pick = Take(at, end);
        now += Take(at, end) * 300u + Take(at, end);
        const int32_t figures = static_cast<int32_t>(Take(at, end));
        EpisodeEvent event = {};
        event.atConsole = !(pick & 0x80);
        if (!H.linked) {
            const EpisodeEventKind searches[] = {EventFound, EventHeld, EventAbsent, EventResume};
            event.kind = searches[pick % 4];
            H.linked = event.kind == EventFound;
            Step(event, now);
            continue;
        }
        const EpisodeEventKind polls[] = {EventReading, EventReading, EventReading,
                                          EventFaultReport, EventPollFailed, EventGone,
                                          EventUserApply, EventResume};
        event.kind = polls[pick % 8];
        event.written = pick & 0x40;
        CoolerStatus& s = event.status;
        s.liquidTenths = event.kind == EventFaultReport ? LiquidUnknown : Liquids[figures % 6];
        s.pumpRpm = PumpRpms[figures / 6 % 6];
        // Duties on the curves now in force, a rival's flat ones, or fans that read nothing.
        uint8_t pump[CurvePoints], fans[CurvePoints];
        BuildDutyCurve(Model.curves.profile, ChannelPump, Model.curves.pumpDuty, pump);
        BuildDutyCurve(Model.curves.profile, ChannelFans, Model.curves.fanDuty, fans);
        const int32_t degrees = s.liquidTenths < 0 ? 30 : s.liquidTenths / 10;
        const int32_t point = (degrees > 59 ? 59 : degrees) - CurveFirstDegree;
        const int32_t duties = figures / 36 % 4;
        const bool pumpOn = duties == 0 || (pick & 0x08);
        s.pumpDuty = pumpOn ? pump[point] : 50;
        s.fanDuty = duties == 0 ? fans[point] : duties == 1 ? 30 : 0;
        s.fanRpm = duties == 3 ? 0 : 600;
        if (event.kind == EventUserApply) {
            event.curves = {static_cast<ProfileId>(figures % 5), 50 + figures / 5 % 6 * 10,
                            20 + figures / 30 % 9 * 10};
        }
        H.linked = event.kind != EventPollFailed && event.kind != EventGone &&
                   event.kind != EventResume;
        const EpisodeDecisions d = Step(event, now);
        if (!fanChannel && pumpOn) FUZZ_CHECK(d.verdict != VerdictOff);
        if (event.kind == EventUserApply && !event.written) {
            H.linked = false;
            Step({pick & 0x20 ? EventGone : EventPollFailed, false, true, {}, {}}, now);
        } else if (d.writeCurves) {
            // The write decided: carried out, or refused and the link lost.
            const EpisodeEvent write = {EventAutoWrite, (pick & 0x20) == 0, true, {}, {}};
            Step(write, now);
            if (!write.written) {
                H.linked = false;
                Step({pick & 0x10 ? EventGone : EventPollFailed, false, true, {}, {}}, now);
            }
        }
    }
    return 0;
}
