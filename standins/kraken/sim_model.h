// The simulated cooler itself, without any transport: it takes the 64-byte reports the host
// writes, keeps what they set, and puts the reports it sends back into an outbox that its
// host (the native backend or the Windows simulator program) drains after every call.
//
// It answers StatusRequest (74 01) with a StatusReply (75 01) and ScreenInfoRequest (30 01)
// with a ScreenInfoReply (31 01); it accepts InitA (70 02 01 B8 01), InitB (70 01), the pump
// and fan DutyCurveReports (72 01 01 00 / 72 02 01 01, duties for 20..59 degrees) and
// BrightnessWrite (30 02 01 b 00 00 01 mode). Its pump and fan duty follow the written
// curve at the current liquid temperature and its speeds follow the duty, unless the
// configuration fixes a reading. Faults of the configuration apply by request count.
#pragma once

#include "standins/kraken/sim_config.h"

constexpr int SimReportSize = 64;     // bytes
constexpr int SimCurvePoints = 40;    // 20..59 degrees C
constexpr int SimOutboxCapacity = 40; // reports

struct SimReport {
    uint8_t bytes[SimReportSize];
    int length; // bytes actually sent, 1..64
};

struct SimDevice {
    SimConfig config;
    int requests;          // reports received since the configuration was applied
    int received;          // reports received since power-on
    int initA;             // InitA reports received
    int initB;             // InitB reports received
    int unknown;           // reports received that the device does not understand
    int liquidTenths;      // tenths of a degree C, the model's
    uint8_t pumpCurve[SimCurvePoints]; // % for 20..59 degrees, as last written
    uint8_t fanCurve[SimCurvePoints];  // %
    int pumpCurveWrites;
    int fanCurveWrites;
    int brightness; // % as last written
    int mode;       // as last written
    bool unplugged; // gone from the bus until the configuration is applied again
    uint32_t noise; // state of the garbage generator
    SimReport outbox[SimOutboxCapacity];
    int outboxCount;
};

// The readings the device reports now, after the configuration's fixed values.
struct SimReadings {
    int liquidTenths; // tenths of a degree C
    int pumpRpm;
    int pumpDuty; // %
    int fanRpm;
    int fanDuty; // %
    int brightness; // %
    int mode;
};

// The one simulated cooler. Owned by its host: the simulator program's main thread, or
// natively whichever thread holds the backend's lock.
extern SimDevice Sim;

// Power-on state (default curves, 31.0 degrees, brightness 50, mode 1) under `config`.
void SimPowerOn(const SimConfig& config);

// A new configuration: request counts and the unplugged state start again, what the host
// wrote stays.
void SimApply(const SimConfig& config);

// False while a deaf fault covers the next request or the device is unplugged: it takes no
// report now.
bool SimReading();

// Handles one report of `length` bytes from the host; replies and unasked reports go to the
// outbox.
void SimReceive(const uint8_t* report, int length);

// Takes the oldest report from the outbox; false when it is empty.
bool SimTakeReport(SimReport* report);

// Puts a report into the outbox as if the device sent it unasked (tests).
void SimSend(const uint8_t* report, int length);

SimReadings SimCurrentReadings();

// The host's clock, `elapsedMs` since it started: with drift on, the model's liquid moves to
// where the drift has it now; with drift off nothing changes.
void SimAdvance(uint32_t elapsedMs);
