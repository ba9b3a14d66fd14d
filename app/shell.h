// The application shell's fixed names and the globals it measures at start-up. Everything
// here belongs to the interface thread.
#pragma once

#include "app/base.h"

constexpr char16_t MutexName[] = u"Local\\Harrowsoft.Tidewatch";
constexpr char16_t WindowClassName[] = u"Harrowsoft.Tidewatch";
inline constexpr char16_t WindowTitle[] = u"Tidewatch";

constexpr int ClientWidth96 = 480;  // logical pixels
constexpr int ClientHeight96 = 792; // logical pixels
constexpr int AppIconId = 101;      // icon group resource
constexpr DWORD WorkerStopLimitMs = 2000; // ms that shutdown waits for the worker

// When the tray takes no icon at start-up (a shell still busy at logon, which announces
// nothing when it is ready), the add is tried again on a timer.
constexpr UINT TrayRetryTimerId = 2;
constexpr UINT TrayRetryPeriodMs = 2000;   // ms between two tries
constexpr uint32_t TrayRetryWindowMs = 60000; // ms after start-up that tries are made

extern int CurrentDpi;          // interface thread; the main window's DPI, 96 until it exists
extern int LayoutDpi;           // interface thread; the DPI the dashboard is laid out and its
                                // fonts made at: CurrentDpi, or lower where it would not fit
extern UINT TaskbarCreatedMsg;  // interface thread; 0 when the registration failed
extern int64_t StartupMicros;   // interface thread; µs from entry to tray ready, 0 until then
extern uint16_t VersionMajor;   // interface thread; own version resource, 0 when absent
extern uint16_t VersionMinor;   // interface thread
extern uint16_t VersionBuild;   // interface thread

// Whether the creation of the instance mutex found another copy running: the mutex existed
// already, or it could not be opened at all (ERROR_ACCESS_DENIED: a copy started with "Run
// as administrator" holds it). Any other failure leaves this start to run as the only copy.
constexpr DWORD MutexAccessDenied = 5;    // ERROR_ACCESS_DENIED
constexpr DWORD MutexAlreadyExists = 183; // ERROR_ALREADY_EXISTS
bool AnotherCopyRuns(bool mutexCreated, DWORD lastError);

struct ProgramVersion {
    uint16_t major;
    uint16_t minor;
    uint16_t build;
};

// Finds the fixed file information in a version resource: the first signature 0xFEEF04BD
// at a multiple of 4 whose 52-byte record lies wholly inside `size`. False when none does.
bool FindFixedVersion(const uint8_t* resource, uint32_t size, ProgramVersion* out);

// Microseconds between two performance-counter readings; 0 for a frequency that is not
// positive or a negative span.
int64_t ElapsedMicros(int64_t start, int64_t end, int64_t frequency);

// One tick of the tray retry timer at `nowMs`, the add at start-up having failed at
// `failedMs`: whether to try the add again, and whether to keep the timer. Nothing more once
// the icon is up; the first tick that finds TrayRetryWindowMs passed makes the last try.
struct TrayRetryStep {
    bool add;
    bool again;
};
TrayRetryStep DecideTrayRetry(bool added, uint32_t failedMs, uint32_t nowMs);

// A request to close the main window. The close button, Alt+F4 and Esc come as SC_CLOSE and
// only hide it; WM_CLOSE from anyone else (taskkill without /f) ends the program. An
// installer's Restart Manager (WM_QUERYENDSESSION with ENDSESSION_CLOSEAPP) is agreed to like
// a logoff: the program ends at WM_ENDSESSION with a non-zero wParam only, so a cancelled
// close leaves it running.
enum : uint32_t {
    CloseMessage = 0x0010,           // WM_CLOSE
    SystemCommandMessage = 0x0112,   // WM_SYSCOMMAND
    SystemCommandClose = 0xF060,     // SC_CLOSE; the system uses the low four bits
};

enum CloseStep : int32_t {
    CloseNotOurs = 0, // not a close: handled as before
    CloseHide = 1,
    CloseEnd = 2,
};

// What a message of the window procedure does to the program, as one of the above.
CloseStep DecideClose(uint32_t message, uintptr_t wParam);
