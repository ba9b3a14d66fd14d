// The simulated cooler's behaviour: commands, readings and faults by request count.
#include "standins/kraken/sim_model.h"

#include "standins/drift.h"

SimDevice Sim = {}; // the host's thread (see sim_model.h)

namespace {

constexpr int PowerOnLiquidTenths = 310; // tenths of a degree C
constexpr uint8_t PowerOnPumpDuty = 60;  // %, whole curve
constexpr uint8_t PowerOnFanDuty = 40;   // %, whole curve
constexpr int PowerOnBrightness = 50;    // %
constexpr int PowerOnMode = 1;
constexpr uint8_t UnaskedReportId = 0x0F;
constexpr int PushBaseMs = 500; // ms between pushes for an InitA interval byte of 0 or 1
constexpr int PushStepMs = 250; // ms more for each step above 1

const SimKind& Kind() { return SimKinds[Sim.kind]; }

// `set pushes` / `set answers`, or the model's way.
bool Pushes() { return Sim.config.pushes == SimModelValue ? Kind().pushes : Sim.config.pushes != 0; }
bool Answers() { return Sim.config.answers == SimModelValue ? Kind().answers : Sim.config.answers != 0; }

// True once the clock has reached `atMs`.
bool Due(uint32_t atMs)
{
    return static_cast<int32_t>(Sim.nowMs - atMs) >= 0;
}

// `*next` lowered to the ms from now until `atMs` (0 when it has come).
void Sooner(uint32_t* next, uint32_t atMs)
{
    const uint32_t until = Due(atMs) ? 0 : atMs - Sim.nowMs;
    if (until < *next) *next = until;
}

bool Active(const SimFault& fault, int request)
{
    return request > fault.after && (fault.span == 0 || request <= fault.after + fault.span) &&
           (fault.every <= 1 || (request - fault.after - 1) % fault.every == 0);
}

// The first fault of `kind` active at `request`, or nullptr.
const SimFault* ActiveFault(int kind, int request)
{
    for (int i = 0; i < Sim.config.faultCount; ++i) {
        const SimFault& fault = Sim.config.faults[i];
        if (fault.kind == kind && Active(fault, request)) return &fault;
    }
    return nullptr;
}

void QueueAt(const uint8_t* bytes, int length, uint32_t dueMs)
{
    if (Sim.outboxCount == SimOutboxCapacity || length < 1) return;
    SimReport& report = Sim.outbox[Sim.outboxCount++];
    report = {};
    if (length > SimReportSize) length = SimReportSize;
    for (int i = 0; i < length; ++i) report.bytes[i] = bytes[i];
    report.length = length;
    report.dueMs = dueMs;
}

// Sent in answer to what the device just read: after the latency.
void Queue(const uint8_t* bytes, int length)
{
    QueueAt(bytes, length, Sim.nowMs + static_cast<uint32_t>(Sim.config.latencyMs));
}

int CurveIndex(int liquidTenths)
{
    int whole = liquidTenths / 10;
    if (whole < 20) whole = 20;
    if (whole > 20 + SimCurvePoints - 1) whole = 20 + SimCurvePoints - 1;
    return whole - 20;
}

// The status reply (75 01), or the same readings pushed (75 02).
void BuildStatus(uint8_t kind, uint8_t* reply)
{
    const SimReadings now = SimCurrentReadings();
    reply[0] = 0x75;
    reply[1] = kind;
    const bool sata = now.liquidTenths != SimLiquidNoSata;
    reply[15] = sata ? static_cast<uint8_t>(now.liquidTenths / 10) : 0xFF;
    reply[16] = sata ? static_cast<uint8_t>(now.liquidTenths % 10) : 0xFF;
    reply[17] = static_cast<uint8_t>(now.pumpRpm & 0xFF);
    reply[18] = static_cast<uint8_t>((now.pumpRpm >> 8) & 0xFF);
    reply[19] = static_cast<uint8_t>(now.pumpDuty);
    reply[23] = static_cast<uint8_t>(now.fanRpm & 0xFF);
    reply[24] = static_cast<uint8_t>((now.fanRpm >> 8) & 0xFF);
    reply[25] = static_cast<uint8_t>(now.fanDuty);
}

void BuildScreenReply(uint8_t* reply)
{
    const SimReadings now = SimCurrentReadings();
    const int side = Kind().screenSide;
    reply[0] = 0x31;
    reply[1] = 0x01;
    reply[20] = static_cast<uint8_t>(side & 0xFF);
    reply[21] = static_cast<uint8_t>(side >> 8);
    reply[22] = reply[20];
    reply[23] = reply[21];
    reply[24] = static_cast<uint8_t>(now.brightness);
    reply[26] = static_cast<uint8_t>(now.mode);
}

// The i-th report sent before the reply to a request that expects `replyId`: by turns the
// other reply, the right first byte with a second that no report of the device has, and an
// unknown report.
void BuildUnrelated(uint8_t replyId, int i, uint8_t* report)
{
    switch (i % 3) {
    case 0:
        if (replyId == 0x75) BuildScreenReply(report);
        else BuildStatus(0x01, report);
        break;
    case 1:
        report[0] = replyId;
        report[1] = 0x03;
        break;
    default:
        report[0] = 0x00;
        report[2] = static_cast<uint8_t>(i);
        break;
    }
}

void BuildGarbage(uint8_t* report)
{
    for (int i = 0; i < SimReportSize; ++i) {
        Sim.noise = Sim.noise * 1664525u + 1013904223u;
        report[i] = static_cast<uint8_t>(Sim.noise >> 24);
    }
    if (report[0] == 0x75 || report[0] == 0x31) report[0] ^= 0x80;
}

// A reply (with the unrelated reports before it) or a push, through the faults that change
// what the device sends: silent, unrelated, garbage, patch, short.
void QueueReply(const uint8_t* reply, int request, uint32_t dueMs, bool push)
{
    if (ActiveFault(SimFaultSilent, request)) return;
    const SimFault* unrelated = push ? nullptr : ActiveFault(SimFaultUnrelated, request);
    for (int i = 0; unrelated && i < unrelated->count; ++i) {
        uint8_t report[SimReportSize] = {};
        BuildUnrelated(reply[0], i, report);
        QueueAt(report, SimReportSize, dueMs);
    }
    uint8_t sent[SimReportSize];
    for (int i = 0; i < SimReportSize; ++i) sent[i] = reply[i];
    if (ActiveFault(SimFaultGarbage, request)) BuildGarbage(sent);
    for (int i = 0; i < Sim.config.faultCount; ++i) {
        const SimFault& fault = Sim.config.faults[i];
        if (fault.kind == SimFaultPatch && Active(fault, request) && fault.target == reply[0]) {
            sent[fault.offset] = static_cast<uint8_t>(fault.value);
        }
    }
    int length = SimReportSize;
    if (const SimFault* cut = ActiveFault(SimFaultShort, request)) length = cut->count;
    QueueAt(sent, length, dueMs);
}

// The answer to `write`, which the program never reads back: `first`, `second` on a model
// that answers so, FF 01 with the write's first two bytes echoed on a Z, nothing on an X.
void Answer(uint8_t first, uint8_t second, const uint8_t* write)
{
    if (!Answers() || Sim.config.answers == SimRepliesOnly || Kind().ack == SimAckNone ||
        ActiveFault(SimFaultSilent, Sim.requests + 1)) {
        return;
    }
    uint8_t answer[SimReportSize] = {first, second};
    if (Kind().ack == SimAckEcho) {
        answer[0] = 0xFF;
        answer[1] = 0x01;
        answer[14] = write[0];
        answer[15] = write[1];
    }
    Queue(answer, SimReportSize);
}

void ResetCurves(uint8_t pumpDuty, uint8_t fanDuty)
{
    for (int i = 0; i < SimCurvePoints; ++i) {
        Sim.pumpCurve[i] = pumpDuty;
        Sim.fanCurve[i] = fanDuty;
    }
}

bool StartsWith(const uint8_t* report, int length, const uint8_t* prefix, int prefixLength)
{
    if (length < prefixLength) return false;
    for (int i = 0; i < prefixLength; ++i) {
        if (report[i] != prefix[i]) return false;
    }
    return true;
}

// Stores a duty curve report; false when it is not one.
bool StoreCurve(const uint8_t* report, int length)
{
    const uint8_t header = Kind().curveHeader;
    const uint8_t pumpHeader[] = {0x72, 0x01, header, 0x00};
    const uint8_t fanHeader[] = {0x72, 0x02, header, header};
    const bool pump = StartsWith(report, length, pumpHeader, 4);
    if (!pump && (!Kind().fans || !StartsWith(report, length, fanHeader, 4))) return false;
    if (length < 4 + SimCurvePoints) return false;
    uint8_t* curve = pump ? Sim.pumpCurve : Sim.fanCurve;
    for (int i = 0; i < SimCurvePoints; ++i) curve[i] = report[4 + i];
    if (pump) ++Sim.pumpCurveWrites;
    else ++Sim.fanCurveWrites;
    return true;
}

// The device leaves the bus: what it already sent goes out now, and it pushes no more.
void Leave()
{
    Sim.unplugged = true;
    Sim.pushIntervalMs = 0;
    for (int i = 0; i < Sim.outboxCount; ++i) {
        if (!Due(Sim.outbox[i].dueMs)) Sim.outbox[i].dueMs = Sim.nowMs;
    }
}

// Power gone: RAM lost, nothing more sent, off the bus until `gapMs` have passed.
void LosePower(int gapMs)
{
    ResetCurves(PowerOnPumpDuty, PowerOnFanDuty);
    Sim.brightness = PowerOnBrightness;
    Sim.outboxCount = 0;
    Sim.pushIntervalMs = 0;
    Sim.unplugged = true;
    Sim.powerLost = true;
    Sim.powerDown = true;
    Sim.powerBackMs = Sim.nowMs + static_cast<uint32_t>(gapMs);
    ++Sim.powerLosses;
}

void CheckBus()
{
    if (!Sim.unplugged && ActiveFault(SimFaultUnplug, Sim.requests + 1)) Leave();
    const SimFault* loss = ActiveFault(SimFaultPowerLoss, Sim.requests + 1);
    if (loss && !Sim.powerLost) LosePower(loss->count);
}

const SimFault* OtherController()
{
    for (int i = 0; i < Sim.config.faultCount; ++i) {
        if (Sim.config.faults[i].kind == SimFaultOtherController) return &Sim.config.faults[i];
    }
    return nullptr;
}

// Another host writes its flat curves; the device answers them as it does the program's.
void ForeignWrite()
{
    ResetCurves(SimForeignPumpDuty, SimForeignFanDuty);
    ++Sim.foreignWrites;
    static constexpr uint8_t Pump[] = {0x72, 0x01};
    static constexpr uint8_t Fans[] = {0x72, 0x02};
    Answer(0x73, 0x01, Pump);
    Answer(0x73, 0x02, Fans);
}

void Push(uint32_t dueMs)
{
    if (!Pushes()) return;
    uint8_t push[SimReportSize] = {};
    BuildStatus(0x02, push);
    ++Sim.pushesSent;
    QueueReply(push, Sim.requests + 1, dueMs, true);
}

} // namespace

void SimPowerOn(const SimConfig& config)
{
    Sim = {};
    Sim.liquidTenths = PowerOnLiquidTenths;
    ResetCurves(PowerOnPumpDuty, PowerOnFanDuty);
    Sim.brightness = PowerOnBrightness;
    Sim.mode = PowerOnMode;
    Sim.noise = 0x2545F491u;
    SimApply(config);
}

void SimApply(const SimConfig& config)
{
    Sim.config = config;
    Sim.kind = 0;
    for (int i = config.interfaceCount - 1; i >= 0; --i) {
        if (IsCoolerInterface(config.interfaces[i])) Sim.kind = SimKindOf(config.interfaces[i]);
    }
    Sim.requests = 0;
    Sim.unplugged = false;
    Sim.powerLost = false;
    Sim.powerDown = false;
    if (const SimFault* other = OtherController()) {
        Sim.foreignNextMs = Sim.nowMs + static_cast<uint32_t>(other->count) * 1000u;
    }
    CheckBus();
}

bool SimReading()
{
    return !Sim.unplugged && !ActiveFault(SimFaultDeaf, Sim.requests + 1);
}

bool SimWriteFails()
{
    return !Sim.unplugged && ActiveFault(SimFaultWriteFail, Sim.requests + 1);
}

void SimReceive(const uint8_t* report, int length)
{
    static constexpr uint8_t StatusRequest[] = {0x74, 0x01};
    static constexpr uint8_t ScreenRequest[] = {0x30, 0x01};
    static constexpr uint8_t InitA[] = {0x70, 0x02, 0x01, 0xB8};
    static constexpr uint8_t InitB[] = {0x70, 0x01};
    static constexpr uint8_t Brightness[] = {0x30, 0x02, 0x01};

    ++Sim.received;
    const int request = ++Sim.requests;
    uint8_t reply[SimReportSize] = {};
    bool replies = false;
    const bool screen = Kind().screenSide > 0;
    if (StartsWith(report, length, StatusRequest, 2)) {
        BuildStatus(0x01, reply);
        replies = Answers();
    } else if (StartsWith(report, length, ScreenRequest, 2) && screen) {
        BuildScreenReply(reply);
        replies = true;
    } else if (StartsWith(report, length, InitA, 4) && length >= 5) {
        ++Sim.initA;
        Sim.pushIntervalMs = report[4] <= 1 ? PushBaseMs : PushBaseMs + (report[4] - 1) * PushStepMs;
        Sim.nextPushMs = Sim.nowMs + static_cast<uint32_t>(Sim.pushIntervalMs);
    } else if (StartsWith(report, length, InitB, 2)) {
        ++Sim.initB;
        Answer(0x71, 0x01, report);
    } else if (StartsWith(report, length, Brightness, 3) && length >= 8 && report[4] == 0 &&
               report[5] == 0 && report[6] == 0x01 && screen) {
        Sim.brightness = report[3];
        Sim.mode = report[7];
        Answer(0x31, 0x02, report);
    } else if (StoreCurve(report, length)) {
        Answer(0x73, report[1], report);
    } else {
        ++Sim.unknown;
    }
    if (replies) {
        const SimFault* late = ActiveFault(SimFaultLate, request);
        const int delayMs = late ? late->count : Sim.config.latencyMs;
        QueueReply(reply, request, Sim.nowMs + static_cast<uint32_t>(delayMs), false);
    }
    if (const SimFault* unsolicited = ActiveFault(SimFaultUnsolicited, request)) {
        for (int i = 0; i < unsolicited->count; ++i) {
            uint8_t unasked[SimReportSize] = {UnaskedReportId, 0x01, static_cast<uint8_t>(i)};
            Queue(unasked, SimReportSize);
        }
    }
    CheckBus();
}

bool SimTakeReport(SimReport* report)
{
    int first = -1;
    for (int i = 0; i < Sim.outboxCount; ++i) {
        const uint32_t due = Sim.outbox[i].dueMs;
        if (Due(due) && (first < 0 || static_cast<int32_t>(due - Sim.outbox[first].dueMs) < 0)) first = i;
    }
    if (first < 0) return false;
    *report = Sim.outbox[first];
    for (int i = first + 1; i < Sim.outboxCount; ++i) Sim.outbox[i - 1] = Sim.outbox[i];
    --Sim.outboxCount;
    return true;
}

void SimSend(const uint8_t* report, int length)
{
    QueueAt(report, length, Sim.nowMs);
}

SimReadings SimCurrentReadings()
{
    const SimConfig& fixed = Sim.config;
    SimReadings now = {};
    now.liquidTenths = fixed.liquidTenths != SimModelValue ? fixed.liquidTenths : Sim.liquidTenths;
    // Without its sensor the device runs its curves at the model's liquid.
    const int point = CurveIndex(now.liquidTenths == SimLiquidNoSata ? Sim.liquidTenths : now.liquidTenths);
    now.pumpDuty = fixed.pumpDuty != SimModelValue ? fixed.pumpDuty : Sim.pumpCurve[point];
    now.fanDuty = fixed.fanDuty != SimModelValue ? fixed.fanDuty : Sim.fanCurve[point];
    // Speeds follow the duty: the pump idles at 600 rpm, the fans stop at 0%.
    const int pumpDuty = now.pumpDuty > 100 ? 100 : now.pumpDuty;
    const int fanDuty = now.fanDuty > 100 ? 100 : now.fanDuty;
    now.pumpRpm = fixed.pumpRpm != SimModelValue ? fixed.pumpRpm : 600 + pumpDuty * 24;
    now.fanRpm = fixed.fanRpm != SimModelValue ? fixed.fanRpm : fanDuty * 20;
    if (!Kind().fans) {
        // Fans on the motherboard: the cooler reports none.
        now.fanDuty = fixed.fanDuty != SimModelValue ? fixed.fanDuty : 0;
        now.fanRpm = fixed.fanRpm != SimModelValue ? fixed.fanRpm : 0;
    }
    now.brightness = fixed.brightness != SimModelValue ? fixed.brightness : Sim.brightness;
    now.mode = fixed.mode != SimModelValue ? fixed.mode : Sim.mode;
    return now;
}

void SimAdvance(uint32_t nowMs)
{
    Sim.nowMs = nowMs;
    if (Sim.config.drift) Sim.liquidTenths = DriftLiquidTenths(nowMs);
    if (Sim.powerDown && Due(Sim.powerBackMs)) {
        Sim.powerDown = false;
        Sim.unplugged = false;
    }
    if (Sim.unplugged) return;
    if (Sim.pushIntervalMs > 0) {
        // A host that was away long enough finds its queue full: at most one queue's worth.
        const uint32_t interval = static_cast<uint32_t>(Sim.pushIntervalMs);
        const uint32_t due = Due(Sim.nextPushMs) ? (nowMs - Sim.nextPushMs) / interval + 1 : 0;
        if (due > SimQueueCapacity) Sim.nextPushMs += (due - SimQueueCapacity) * interval;
        for (; Due(Sim.nextPushMs); Sim.nextPushMs += interval) Push(Sim.nextPushMs);
    }
    if (const SimFault* other = OtherController(); other && Due(Sim.foreignNextMs)) {
        // One write for however many periods have passed.
        ForeignWrite();
        const uint32_t periodMs = static_cast<uint32_t>(other->count) * 1000u;
        while (Due(Sim.foreignNextMs)) Sim.foreignNextMs += periodMs;
    }
}

uint32_t SimNextEventMs()
{
    uint32_t next = SimNoEvent;
    for (int i = 0; i < Sim.outboxCount; ++i) Sooner(&next, Sim.outbox[i].dueMs);
    if (Sim.powerDown) Sooner(&next, Sim.powerBackMs);
    if (!Sim.unplugged && Sim.pushIntervalMs > 0) Sooner(&next, Sim.nextPushMs);
    if (!Sim.unplugged && OtherController()) Sooner(&next, Sim.foreignNextMs);
    return next;
}
