// The simulated cooler itself, without any transport: it takes the 64-byte reports the host
// writes, keeps what they set, and puts the reports it sends into an outbox, each due at a
// time of the host's clock, that its host (the native backend or the Windows simulator
// program) drains after every call and whenever SimNextEventMs comes round.
//
// It plays the model of the first cooler interface of the configuration (SimKinds): the
// 300C does all that follows; a sibling differs as its row says (whether it pushes, answers
// status requests and acknowledges writes by default, and how; its fans, screen and curve
// header: a curve with another header, a fan curve without fans, and screen reports without
// a screen are not taken). The 300C:
// - It answers StatusRequest (74 01) with a StatusReply (75 01) and ScreenInfoRequest (30 01)
//   with a ScreenInfoReply (31 01, width and height 640 x 640 in bytes 20..23), a few ms
//   after reading the request (the latency, 2 ms by default).
// - It answers the writes that the program never reads back: InitB (70 01) with 71 01, each
//   DutyCurveReport (72 01 01 00 pump / 72 02 01 01 fans, duties for 20..59 degrees) with
//   73 and the channel (73 01 / 73 02), a BrightnessWrite (30 02 01 b 00 00 01 mode) with
//   31 02; each 64 bytes, the rest zero.
// - From InitA (70 02 01 B8 xx) until it leaves the bus it pushes status reports on its own:
//   bytes 0-1 = 75 02, the same layout as the 75 01 reply, every 500 ms when xx is 0 or 1
//   and about 250 ms longer for each step above 1.
// - Its pump and fan duty follow the written curve at the current liquid temperature and
//   its speeds follow the duty, unless the configuration fixes a reading; liquid bytes
//   FF FF mean no SATA power.
// - Curves and brightness live in its RAM: a power loss brings back the factory's (60 %
//   pump, 40 % fans, brightness 50) and it leaves the bus and comes back.
// Windows gives every open handle of the interface its own queue of 32 input reports, the
// oldest dropped when full, and every report the device sends (replies, pushes, answers,
// whoever asked) goes into every queue: the hosts do that (sim_native.h, kraken_sim_win32).
// Faults of the configuration apply by request count (sim_config.h).
#pragma once

#include "standins/kraken/sim_config.h"

constexpr int SimReportSize = 64;     // bytes
constexpr int SimCurvePoints = 40;    // 20..59 degrees C
constexpr int SimOutboxCapacity = 64; // reports
constexpr int SimQueueCapacity = 32;  // input reports a handle holds; the oldest is dropped
constexpr uint32_t SimNoEvent = 0xFFFFFFFFu; // SimNextEventMs: nothing scheduled

struct SimReport {
    uint8_t bytes[SimReportSize];
    int length;     // bytes actually sent, 1..64
    uint32_t dueMs; // host clock ms when the device sends it
};

struct SimDevice {
    SimConfig config;
    int kind;              // row of SimKinds: of the first cooler interface, else 0
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
    bool unplugged; // gone from the bus: until the configuration is applied again, or
                    // until powerBackMs after a power loss
    uint32_t noise; // state of the garbage generator
    uint32_t nowMs;        // the host's clock as last given to SimAdvance
    int pushIntervalMs;    // 0: not pushing
    uint32_t nextPushMs;
    int pushesSent;
    bool powerLost;        // this configuration's power loss has happened
    bool powerDown;        // gone after a power loss, back at powerBackMs
    uint32_t powerBackMs;
    int powerLosses;
    uint32_t foreignNextMs; // the other controller's next write
    int foreignWrites;      // curve pairs the other controller wrote
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

// Power-on state (default curves, 31.0 degrees, brightness 50, mode 1, clock 0) under
// `config`.
void SimPowerOn(const SimConfig& config);

// A new configuration, at the clock of the last SimAdvance: request counts, the unplugged
// state and the other controller's schedule start again, what the host wrote stays.
void SimApply(const SimConfig& config);

// False while a deaf fault covers the next request or the device is unplugged: it takes no
// report now.
bool SimReading();

// True while a writefail fault covers the next request: every write fails at once.
bool SimWriteFails();

// Handles one report of `length` bytes from the host; replies and unasked reports go to the
// outbox.
void SimReceive(const uint8_t* report, int length);

// Takes the report due first among those due by the clock (in the order sent when due
// together); false when none is due.
bool SimTakeReport(SimReport* report);

// Puts a report into the outbox, due now, as if the device sent it unasked (tests).
void SimSend(const uint8_t* report, int length);

SimReadings SimCurrentReadings();

// The host's clock, `nowMs` since it started: the model catches up with it. With drift on
// the liquid moves to where the drift has it; pushes and the other controller's writes come
// due; a lost power comes back.
void SimAdvance(uint32_t nowMs);

// Ms from the clock of the last SimAdvance until the model next has something to do (a
// report due, a push, another controller's write, power back); SimNoEvent if nothing.
uint32_t SimNextEventMs();
