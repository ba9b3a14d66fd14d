// The native backend of the transport (FindCooler, ReportIo, CloseCooler of
// cooler/transport.h) over the in-process simulated cooler, and what tests use to drive and
// observe it. Any thread may call these; one lock guards the model.
//
// The backend keeps the transport's contract: the first present interface with the cooler's
// ids that opens, whose attributes read and whose reports are 64 bytes each way is opened; an operation that does not end within
// its limit is cancelled and ReportIo returns only after the cancelled operation has ended
// (its event signalled); a short report fails. Every report the device sends goes, as on
// Windows, to every open handle of the cooler, whose queue holds the SimQueueCapacity latest
// until they are read; a newly opened handle starts with none waiting. The model's clock is
// GetTickCount since the last SimNativeReset, brought up to date at every call and while a
// read waits.
#pragma once

#include "app/base.h"
#include "standins/kraken/sim_model.h"

enum SimLogKind : int {
    SimLogIn = 0,     // a report the host wrote and the device read
    SimLogOut = 1,    // a report the device sent
    SimLogOpen = 2,   // the host opened the interface
    SimLogClose = 3,  // the host closed it
    SimLogUnplug = 4, // the device left the bus
    SimLogDropped = 5,   // a handle's full queue dropped its oldest report (bytes: that one)
    SimLogForeign = 6,   // another controller wrote its curves
    SimLogPowerLoss = 7, // the device lost its power
};

struct SimLogEntry {
    DWORD tick;  // ms, GetTickCount
    int kind;    // SimLogKind
    int device;  // index of the interface in the configuration; -1 for SimLogOut, SimLogUnplug
    int length;  // bytes of the report
    uint8_t bytes[SimReportSize];
};

constexpr int SimLogCapacity = 1024; // entries; later ones are counted but not kept

// Power-on state, no interfaces, an empty log, no second program; every handle the backend
// gave out is closed.
void SimNativeReset();

// Applies control text (see sim_config.h) as if the control file had been rewritten: the
// whole configuration, interfaces included (handles already open keep their interface's
// index); fault counts start again; a deaf device that reads again takes the write waiting.
// False, and nothing changed, when a line is not understood.
bool SimNativeConfigure(const char* text);

// The device sends a report unasked, now; a read that is waiting gets it.
void SimNativeSend(const uint8_t* report, int length);

int SimNativeLogCount();
SimLogEntry SimNativeLogEntry(int index); // zeroed outside 0 .. min(count, capacity) - 1

// Handles opened by FindCooler and not yet closed.
int SimNativeOpenHandles();

// A copy of the model: what the host wrote, its counters and configuration.
SimDevice SimNativeState();

// A second program on a thread of its own: every `intervalMs` it opens the cooler if it has
// no handle (FindCooler), drops what waits, writes the status request and reads until the
// status reply (8 reads at most). Its replies reach every open handle, as on Windows.
void SimNativeStartPoller(DWORD intervalMs);

// Stops the second program and closes its handle; the polls it had answered.
int SimNativeStopPoller();
