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

void Queue(const uint8_t* bytes, int length)
{
    if (Sim.outboxCount == SimOutboxCapacity || length < 1) return;
    SimReport& report = Sim.outbox[Sim.outboxCount++];
    report = {};
    if (length > SimReportSize) length = SimReportSize;
    for (int i = 0; i < length; ++i) report.bytes[i] = bytes[i];
    report.length = length;
}

int CurveIndex(int liquidTenths)
{
    int whole = liquidTenths / 10;
    if (whole < 20) whole = 20;
    if (whole > 20 + SimCurvePoints - 1) whole = 20 + SimCurvePoints - 1;
    return whole - 20;
}

void BuildStatusReply(uint8_t* reply)
{
    const SimReadings now = SimCurrentReadings();
    reply[0] = 0x75;
    reply[1] = 0x01;
    reply[15] = static_cast<uint8_t>(now.liquidTenths / 10);
    reply[16] = static_cast<uint8_t>(now.liquidTenths % 10);
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
    reply[0] = 0x31;
    reply[1] = 0x01;
    reply[24] = static_cast<uint8_t>(now.brightness);
    reply[26] = static_cast<uint8_t>(now.mode);
}

// The i-th report sent before the reply to a request that expects `replyId`: by turns the
// other reply, the right first byte with a second that no wait takes (not 02: 75 02 is a
// pushed status), and an unknown report.
void BuildUnrelated(uint8_t replyId, int i, uint8_t* report)
{
    switch (i % 3) {
    case 0:
        if (replyId == 0x75) BuildScreenReply(report);
        else BuildStatusReply(report);
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

// The reply's fault handling: silent, unrelated reports first, garbage, patch, short.
void QueueReply(const uint8_t* reply, int request)
{
    if (ActiveFault(SimFaultSilent, request)) return;
    if (const SimFault* unrelated = ActiveFault(SimFaultUnrelated, request)) {
        for (int i = 0; i < unrelated->count; ++i) {
            uint8_t report[SimReportSize] = {};
            BuildUnrelated(reply[0], i, report);
            Queue(report, SimReportSize);
        }
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
    Queue(sent, length);
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
    static constexpr uint8_t Pump[] = {0x72, 0x01, 0x01, 0x00};
    static constexpr uint8_t Fans[] = {0x72, 0x02, 0x01, 0x01};
    const bool pump = StartsWith(report, length, Pump, 4);
    if (!pump && !StartsWith(report, length, Fans, 4)) return false;
    if (length < 4 + SimCurvePoints) return false;
    uint8_t* curve = pump ? Sim.pumpCurve : Sim.fanCurve;
    for (int i = 0; i < SimCurvePoints; ++i) curve[i] = report[4 + i];
    if (pump) ++Sim.pumpCurveWrites;
    else ++Sim.fanCurveWrites;
    return true;
}

void CheckUnplug()
{
    if (ActiveFault(SimFaultUnplug, Sim.requests + 1)) Sim.unplugged = true;
}

} // namespace

void SimPowerOn(const SimConfig& config)
{
    Sim = {};
    Sim.liquidTenths = PowerOnLiquidTenths;
    for (int i = 0; i < SimCurvePoints; ++i) {
        Sim.pumpCurve[i] = PowerOnPumpDuty;
        Sim.fanCurve[i] = PowerOnFanDuty;
    }
    Sim.brightness = PowerOnBrightness;
    Sim.mode = PowerOnMode;
    Sim.noise = 0x2545F491u;
    SimApply(config);
}

void SimApply(const SimConfig& config)
{
    Sim.config = config;
    Sim.requests = 0;
    Sim.unplugged = false;
    CheckUnplug();
}

bool SimReading()
{
    return !Sim.unplugged && !ActiveFault(SimFaultDeaf, Sim.requests + 1);
}

void SimReceive(const uint8_t* report, int length)
{
    static constexpr uint8_t StatusRequest[] = {0x74, 0x01};
    static constexpr uint8_t ScreenRequest[] = {0x30, 0x01};
    static constexpr uint8_t InitA[] = {0x70, 0x02, 0x01, 0xB8, 0x01};
    static constexpr uint8_t InitB[] = {0x70, 0x01};
    static constexpr uint8_t Brightness[] = {0x30, 0x02, 0x01};

    ++Sim.received;
    const int request = ++Sim.requests;
    uint8_t reply[SimReportSize] = {};
    bool replies = false;
    if (StartsWith(report, length, StatusRequest, 2)) {
        BuildStatusReply(reply);
        replies = true;
    } else if (StartsWith(report, length, ScreenRequest, 2)) {
        BuildScreenReply(reply);
        replies = true;
    } else if (StartsWith(report, length, InitA, 5)) {
        ++Sim.initA;
    } else if (StartsWith(report, length, InitB, 2)) {
        ++Sim.initB;
    } else if (StartsWith(report, length, Brightness, 3) && length >= 8 && report[4] == 0 &&
               report[5] == 0 && report[6] == 0x01) {
        Sim.brightness = report[3];
        Sim.mode = report[7];
    } else if (!StoreCurve(report, length)) {
        ++Sim.unknown;
    }
    if (replies) QueueReply(reply, request);
    if (const SimFault* unsolicited = ActiveFault(SimFaultUnsolicited, request)) {
        for (int i = 0; i < unsolicited->count; ++i) {
            uint8_t unasked[SimReportSize] = {UnaskedReportId, 0x01, static_cast<uint8_t>(i)};
            Queue(unasked, SimReportSize);
        }
    }
    CheckUnplug();
}

bool SimTakeReport(SimReport* report)
{
    if (Sim.outboxCount == 0) return false;
    *report = Sim.outbox[0];
    for (int i = 1; i < Sim.outboxCount; ++i) Sim.outbox[i - 1] = Sim.outbox[i];
    --Sim.outboxCount;
    return true;
}

void SimSend(const uint8_t* report, int length)
{
    Queue(report, length);
}

SimReadings SimCurrentReadings()
{
    const SimConfig& fixed = Sim.config;
    SimReadings now = {};
    now.liquidTenths = fixed.liquidTenths != SimModelValue ? fixed.liquidTenths : Sim.liquidTenths;
    const int point = CurveIndex(now.liquidTenths);
    now.pumpDuty = fixed.pumpDuty != SimModelValue ? fixed.pumpDuty : Sim.pumpCurve[point];
    now.fanDuty = fixed.fanDuty != SimModelValue ? fixed.fanDuty : Sim.fanCurve[point];
    // Speeds follow the duty: the pump idles at 600 rpm, the fans stop at 0%.
    const int pumpDuty = now.pumpDuty > 100 ? 100 : now.pumpDuty;
    const int fanDuty = now.fanDuty > 100 ? 100 : now.fanDuty;
    now.pumpRpm = fixed.pumpRpm != SimModelValue ? fixed.pumpRpm : 600 + pumpDuty * 24;
    now.fanRpm = fixed.fanRpm != SimModelValue ? fixed.fanRpm : fanDuty * 20;
    now.brightness = fixed.brightness != SimModelValue ? fixed.brightness : Sim.brightness;
    now.mode = fixed.mode != SimModelValue ? fixed.mode : Sim.mode;
    return now;
}

void SimAdvance(uint32_t elapsedMs)
{
    if (Sim.config.drift) Sim.liquidTenths = DriftLiquidTenths(elapsedMs);
}
