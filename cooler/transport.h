// The cooler's HID interface as the rest of the program sees it: find and open it, move one
// 64-byte report with a time limit, close it. Only the device worker calls these, one
// operation at a time. The Windows build implements them over the HID class and overlapped
// file I/O (transport_win32.cpp); native tests link a backend with the same names.
#pragma once

#include "app/base.h"

constexpr int ReportSize = 64;         // bytes; byte 0 sits in the report-id position
constexpr DWORD WriteLimitMs = 500;    // ms, every write
constexpr DWORD ReadLimitMs = 175;     // ms, every read of a reply
constexpr uint16_t CoolerVendorId = 0x1E71;
constexpr uint16_t CoolerProductId = 0x300C;

enum IoDirection : int {
    IoWrite = 0,
    IoRead = 1,
};

// What a search found: the cooler opened, the cooler listed but not openable (another
// program holds it), or no such device listed at all (it is gone from USB).
enum SearchOutcome : int {
    SearchOpened = 0,
    SearchHeld = 1,
    SearchAbsent = 2,
};

struct CoolerSearch {
    HANDLE cooler; // INVALID_HANDLE_VALUE unless opened
    SearchOutcome outcome;
};

// The first present interface with the cooler's ids and 64-byte input and output reports
// that opens for shared overlapped read/write. Leaves no other handle open. Held: an
// interface whose path may be the cooler's was listed but did not open.
CoolerSearch SearchCooler();

inline HANDLE FindCooler()
{
    return SearchCooler().cooler;
}

// How the last ReportIo of the worker ended; owned by the thread that calls ReportIo.
enum IoEnd : int {
    IoDone = 0,
    IoTimedOut = 1, // nothing within the limit: cancelled
    IoRemoved = 2,  // the handle failed because the device is gone
    IoFailed = 3,   // any other failure, a short transfer included
};
extern int LastIoEnd; // IoEnd; the worker's, set by every ReportIo

// False when the device path carries vendor and product ids ("vid_" and "pid_" with four hex
// digits each, in any case) other than the cooler's: such an interface is not opened, so
// the search leaves the machine's keyboards and mice alone. True when they are the
// cooler's, or when the path does not carry both.
bool PathMayBeCooler(const char16_t* path);

// One whole 64-byte report in `direction` within `limitMs`; false on an error, a time-out
// (returned only after the cancelled operation has ended) or a short transfer. Sets
// LastIoEnd.
bool ReportIo(HANDLE cooler, HANDLE ioEvent, IoDirection direction, uint8_t* report,
              DWORD limitMs);

// Drops the input reports already waiting, each taken by a read that waits at most
// DiscardReadMs, at most DiscardLimit of them: a reply wait that follows a request then sees
// only what the cooler sent after it, however many unasked reports came before. The short
// wait also takes the answer to a write made just before (the cooler answers about 2 ms
// after a report), which would otherwise use up one of the reply wait's reads.
constexpr int DiscardLimit = 64;      // reports
constexpr DWORD DiscardReadMs = 5;    // ms
void DiscardInput(HANDLE cooler, HANDLE ioEvent);

// Writes `length` bytes of `command` as a zero-padded 64-byte report, limit 500 ms; a
// command longer than 64 bytes is refused with nothing written.
bool SendCommand(HANDLE cooler, HANDLE ioEvent, const uint8_t* command, int length);

// Closes the link; nothing is sent to the cooler.
void CloseCooler(HANDLE cooler);
