// The native backend of the transport (FindCooler, ReportIo, CloseCooler of
// cooler/transport.h) over the in-process simulated cooler, and what tests use to drive and
// observe it. Any thread may call these; one lock guards the model.
//
// The backend keeps the transport's contract: the first present interface with the cooler's
// ids that opens, whose attributes read and whose reports are 64 bytes each way is opened; an operation that does not end within
// its limit is cancelled and ReportIo returns only after the cancelled operation has ended
// (its event signalled); a short report fails. Reports the device sends wait, in order,
// until the host reads them; a newly opened handle starts with none waiting.
#pragma once

#include "app/base.h"
#include "standins/kraken/sim_model.h"

enum SimLogKind : int {
    SimLogIn = 0,     // a report the host wrote and the device read
    SimLogOut = 1,    // a report the device sent
    SimLogOpen = 2,   // the host opened the interface
    SimLogClose = 3,  // the host closed it
    SimLogUnplug = 4, // the device left the bus
};

struct SimLogEntry {
    DWORD tick;  // ms, GetTickCount
    int kind;    // SimLogKind
    int device;  // index of the interface in the configuration; -1 for SimLogOut, SimLogUnplug
    int length;  // bytes of the report
    uint8_t bytes[SimReportSize];
};

constexpr int SimLogCapacity = 1024; // entries; later ones are counted but not kept

// Power-on state, no interfaces, an empty log; every handle the backend gave out is closed.
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
