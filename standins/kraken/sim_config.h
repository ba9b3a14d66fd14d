// What a test asks of the simulated cooler: the HID interfaces present (in enumeration
// order), readings it should report instead of its model's, and faults tied to request
// counts. Written as a small text, the control file; one line each, '#' starts a comment:
//
//   device NAME VID PID [held] [noattr] [nodetail] [absent] [report IN [OUT]] [nocaps]
//          [noids] [upperids]
//       an interface; ids in hex. held: another program holds it exclusively (opening
//       fails); noattr: its attributes cannot be read; nodetail: its path does not fit the
//       caller's buffer; absent: not present (not listed); report: its input and output
//       report lengths in bytes (default 64 and 64; OUT defaults to IN), e.g. report 9 for a
//       keyboard-like collection; nocaps: its preparsed data cannot be read; noids: its
//       device path carries no ids; upperids: the ids in its path are in capitals. A device
//       path carries the ids as Windows writes them ("...#vid_1e71&pid_300c" by default).
//   set liquid|pumprpm|pumpduty|fanrpm|fanduty|brightness|mode VALUE
//       a reading reported as is (liquid in tenths of a degree), or "model" for the model's.
//   set liquid nosata
//       the liquid reported as 0xFF 0xFF, as by a cooler without its SATA power (its duties
//       still follow the curves at the model's liquid).
//   set pushes on|off
//       status pushes at the InitA interval from InitA until the device leaves the bus;
//       by default as the model does (see sim_model.h).
//   set answers on|off
//       status requests answered, and InitB, curve and brightness writes acknowledged in the
//       model's way; by default as the model does (see sim_model.h).
//   set latency MS
//       ms from a report read to the device's answer to it (default 2; 0 to 1000).
//   quiet
//       the cooler of old tests that need silence: no pushes, no acknowledgements, no
//       latency, status requests answered (later lines may set one back).
//   fault KIND [ARGUMENTS] [after N] [for M] [every K]
//       active for requests N+1 .. N+M counted from when this text was applied (no "for":
//       until the text changes); with "every", only for N+1, N+1+K, N+1+2K... of them.
//       Kinds:
//       silent          sends nothing: no replies, pushes or answers
//       deaf            stops reading: writes time out
//       unrelated K     K unrelated reports before each reply
//       unsolicited K   K unasked reports after every report received
//       short B         replies and pushes cut to B bytes
//       patch status|screen OFFSET VALUE
//                       a byte of status replies and pushes, or of screen replies, replaced
//       garbage         replies and pushes replaced by noise
//       unplug          the device leaves the bus once N requests have been handled (their
//                       replies sent), until the text changes
//       late [MS]       replies, with the reports before them, MS late (default 250: after
//                       the program's 175 ms read limit, within its next read)
//       powerloss [GAPMS]
//                       once N requests have been handled: curves and brightness back to
//                       the factory's, no pushes until the next InitA, the device gone from
//                       the bus (every handle fails) and back after GAPMS (default 500);
//                       once per text
//       othercontroller K
//                       another host writes flat curves every K seconds from when the text
//                       was applied: pump 50 %, fans 30 % at every temperature (answered
//                       like the program's writes); "after", "for" and "every" do not apply
//       writefail       every write fails at once, while the interface is listed and opens
//                       (a write the device was already waiting for is read)
//   drift on|off
//       off (the default): the model's liquid stays where it is; on: it wanders slowly
//       between 30.1 and 33.9 degrees with the simulator's clock (standins/drift.h).
//   step ANYTHING
//       ignored; lets a rewrite differ from the text before it.
#pragma once

#include <stdint.h>

constexpr int SimNameSize = 24;          // bytes, NUL included
constexpr int SimInterfaceCapacity = 8;
constexpr int SimFaultCapacity = 16;
constexpr int SimModelValue = -1;        // a reading left to the model
constexpr int SimRepliesOnly = 2;        // SimConfig::answers: replies, no acknowledgements
constexpr int SimDefaultReportLength = 64; // bytes, input and output, as the cooler's
constexpr int SimLiquidNoSata = -2;      // liquidTenths: reported as 0xFF 0xFF
constexpr int SimDefaultLatencyMs = 2;   // ms
constexpr int SimDefaultLateMs = 250;    // ms
constexpr int SimDefaultPowerGapMs = 500; // ms
constexpr int SimForeignPumpDuty = 50;   // %, the other controller's flat pump curve
constexpr int SimForeignFanDuty = 30;    // %, its flat fan curve

enum SimFaultKind : int {
    SimFaultSilent = 0,
    SimFaultDeaf = 1,
    SimFaultUnrelated = 2,
    SimFaultUnsolicited = 3,
    SimFaultShort = 4,
    SimFaultPatch = 5,
    SimFaultGarbage = 6,
    SimFaultUnplug = 7,
    SimFaultLate = 8,
    SimFaultPowerLoss = 9,
    SimFaultOtherController = 10,
    SimFaultWriteFail = 11,
};

struct SimFault {
    int kind;       // SimFaultKind
    int after;      // requests handled before it starts
    int span;       // requests it lasts; 0 = until the configuration changes
    int every;      // active on every `every`-th request of its span only; 0 or 1 = on all
    int count;      // unrelated, unsolicited: reports; short: bytes kept; late: ms;
                    // powerloss: ms gone; othercontroller: s between writes
    int offset;     // patch: byte offset in the reply
    int value;      // patch: the byte written there
    uint8_t target; // patch: first byte of the reply patched (0x75 status, 0x31 screen)
};

struct SimInterface {
    char name[SimNameSize];
    uint16_t vendorId;
    uint16_t productId;
    bool held;         // opening fails: another program holds it exclusively
    bool noAttributes; // its HID attributes cannot be read
    bool noDetail;     // its device path does not fit a 2048-byte detail buffer
    bool absent;       // not present: not listed at all
    bool noCaps;       // HidD_GetPreparsedData fails
    bool noIds;        // the device path carries no "vid_"/"pid_"
    bool upperIds;     // "VID_1E71&PID_300C" in the path
    int inputLength;   // bytes, as HidP_GetCaps reports the input report
    int outputLength;  // bytes, likewise the output report
};

struct SimConfig {
    SimInterface interfaces[SimInterfaceCapacity];
    int interfaceCount;
    int liquidTenths; // tenths of a degree C, SimModelValue or SimLiquidNoSata
    int pumpRpm;      // or SimModelValue, likewise below
    int pumpDuty;     // %
    int fanRpm;
    int fanDuty;      // %
    int brightness;   // %
    int mode;
    bool drift;       // the model's liquid follows the clock
    int pushes;       // status pushes after InitA: 1, 0, or SimModelValue for the model's way
    int answers;      // replies to status requests and acknowledgements: likewise, or
                      // SimRepliesOnly
    int latencyMs;    // ms from a report read to the answer
    SimFault faults[SimFaultCapacity];
    int faultCount;
};

// Parses `length` bytes of control text into `config`. False with `*errorLine` set to the
// 1-based line of the first line not understood; `config` then holds the lines before it.
bool ParseSimConfig(const char* text, int length, SimConfig* config, int* errorLine);

// The configuration of no interfaces, every reading from the model, no faults, and the
// device's own behaviour: pushes, answers and a latency of SimDefaultLatencyMs.
void ClearSimConfig(SimConfig* config);

// How each cooler id behaves, after public captures of the family. Acknowledgements: 71 01,
// 73 and the channel, 31 02 (SimAckReply); FF 01 echoing the write's bytes 0-1 at 14-15
// (SimAckEcho, Z); none (SimAckNone, X).
enum SimAckKind : uint8_t { SimAckReply, SimAckEcho, SimAckNone };

struct SimKind {
    uint16_t productId;
    bool pushes;         // by default
    bool answers;        // status requests and acknowledgements, by default
    uint8_t ack;         // SimAckKind
    bool fans;           // without: fan rpm and duty read 0
    int screenSide;      // pixels; 0: no screen
    uint8_t curveHeader; // bytes 2 and 3 of a fan curve, byte 2 of a pump curve
};

constexpr int SimKindCount = 7;
extern const SimKind SimKinds[SimKindCount];

// The kind of a 1E71 product id, or -1 for any id that is not a cooler.
int SimKindOf(const SimInterface& device);

// True when the interface carries a cooler's vendor and product ids.
bool IsCoolerInterface(const SimInterface& device);

// The interface called `name` (a NUL-terminated string), or -1.
int FindSimInterface(const SimConfig& config, const char* name);
