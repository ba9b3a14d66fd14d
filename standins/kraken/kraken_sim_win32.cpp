// The simulated cooler as a program under Wine: serves the model on one named pipe per
// configured interface (\\.\pipe\tidewatch-sim-NAME, message mode), re-reads the control
// file at every report received and every 25 ms while idle (when it also notices a host that
// closed an interface it was not reading), and logs every event, one line
// each, to the log file:
//
//   <ms since start> ready | control | control-error LINE | unplug | plug | deaf
//   <ms> open NAME | close NAME | held NAME
//   <ms> in NAME LENGTH HEX      a report the device read
//   <ms> out NAME LENGTH HEX     a report the device sent
//   <ms> dropped NAME LENGTH     a report the host did not take in time
//
// Usage: kraken_sim.exe CONTROL_FILE LOG_FILE (Windows paths). Runs until killed.
#include "standins/kraken/control_win32.h"
#include "standins/kraken/sim_model.h"

#include <stdio.h>

namespace {

constexpr int InstancesPerInterface = 2; // a second listens while the first reconnects
constexpr int InstanceCapacity = SimInterfaceCapacity * InstancesPerInterface;
constexpr DWORD OutBufferSize = 8192;   // bytes queued towards the host
constexpr DWORD InBufferSize = 0;       // bytes: a write completes only once the device reads it
constexpr DWORD IdlePollMs = 25;        // ms
constexpr DWORD SendLimitMs = 100;      // ms for a report to enter the pipe
constexpr int ReadBufferSize = 128;     // bytes: larger reports are cut here

enum InstanceState : int {
    Closed = 0,
    Listening = 1,
    Connected = 2,
};

struct Instance {
    HANDLE pipe;
    HANDLE event;      // manual reset, ends connects and reads
    HANDLE sendEvent;  // manual reset, ends writes
    OVERLAPPED overlapped;
    int device;        // index in the configuration
    int state;         // InstanceState
    bool reading;      // a read is pending
    uint8_t buffer[ReadBufferSize];
};

// Everything below belongs to the main thread, the only one.
Instance Instances[InstanceCapacity] = {};
HANDLE HeldPipes[SimInterfaceCapacity] = {};   // server ends of held interfaces
HANDLE HeldClients[SimInterfaceCapacity] = {}; // the other program's client ends
bool Served[SimInterfaceCapacity] = {};        // pipes exist for the interface
HANDLE LogFile = INVALID_HANDLE_VALUE;
const wchar_t* ControlPath = nullptr;
char ControlText[ControlCapacity] = {};
int ControlLength = -1; // bytes; -1 before the first read
LARGE_INTEGER StartCount = {};
LARGE_INTEGER CountsPerSecond = {};

void Log(const char* format, const char* name = "", const uint8_t* bytes = nullptr, int length = 0,
         int number = 0)
{
    char line[512];
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const double ms = static_cast<double>(now.QuadPart - StartCount.QuadPart) * 1000.0 /
                      static_cast<double>(CountsPerSecond.QuadPart);
    int at = snprintf(line, sizeof line, "%.1f ", ms);
    at += snprintf(line + at, sizeof line - at, format, name, number);
    for (int i = 0; i < length && at < static_cast<int>(sizeof line) - 3; ++i) {
        at += snprintf(line + at, sizeof line - at, "%02x", bytes[i]);
    }
    line[at++] = '\n';
    DWORD written = 0;
    WriteFile(LogFile, line, static_cast<DWORD>(at), &written, nullptr);
}

const char* NameOf(int device) { return Sim.config.interfaces[device].name; }

void Listen(Instance& instance);
void PostRead(Instance& instance);

void OnConnected(Instance& instance)
{
    instance.state = Connected;
    Log("open %s", NameOf(instance.device));
    PostRead(instance);
}

void Listen(Instance& instance)
{
    instance.state = Listening;
    instance.reading = false;
    instance.overlapped = {};
    instance.overlapped.hEvent = instance.event;
    ResetEvent(instance.event);
    if (ConnectNamedPipe(instance.pipe, &instance.overlapped)) return; // the event is set
    DWORD error = GetLastError();
    if (error == ERROR_NO_DATA) {
        // A client came and went before the connect: start over once.
        DisconnectNamedPipe(instance.pipe);
        ResetEvent(instance.event);
        if (ConnectNamedPipe(instance.pipe, &instance.overlapped)) return;
        error = GetLastError();
    }
    if (error == ERROR_PIPE_CONNECTED) OnConnected(instance);
    else if (error != ERROR_IO_PENDING) instance.state = Closed;
}

void OnDisconnected(Instance& instance)
{
    Log("close %s", NameOf(instance.device));
    DisconnectNamedPipe(instance.pipe);
    Listen(instance);
}

// Reads go on unless the device is deaf; other devices' interfaces always read.
void PostRead(Instance& instance)
{
    if (instance.state != Connected || instance.reading) return;
    if (IsCoolerInterface(Sim.config.interfaces[instance.device]) && !SimReading()) return;
    instance.overlapped = {};
    instance.overlapped.hEvent = instance.event;
    ResetEvent(instance.event);
    if (ReadFile(instance.pipe, instance.buffer, ReadBufferSize, nullptr, &instance.overlapped) ||
        GetLastError() == ERROR_IO_PENDING || GetLastError() == ERROR_MORE_DATA) {
        instance.reading = true;
        return;
    }
    OnDisconnected(instance);
}

// Ends whatever is pending on the instance and closes its pipe.
void CloseInstance(Instance& instance)
{
    if (instance.state == Closed) return;
    DWORD ignored = 0;
    if (instance.state == Listening || instance.reading) {
        CancelIoEx(instance.pipe, &instance.overlapped);
        GetOverlappedResult(instance.pipe, &instance.overlapped, &ignored, TRUE);
    }
    if (instance.state == Connected) Log("close %s", NameOf(instance.device));
    CloseHandle(instance.pipe);
    instance.pipe = nullptr;
    instance.state = Closed;
    instance.reading = false;
}

void Serve(int device)
{
    const SimInterface& entry = Sim.config.interfaces[device];
    if (entry.absent || Served[device]) return;
    Served[device] = true;
    wchar_t path[PipePathCapacity];
    SimPipePath(entry, path);
    const DWORD mode = PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT;
    if (entry.held) {
        // Another program holds the only instance: every other open fails as busy.
        HeldPipes[device] = CreateNamedPipeW(path, PIPE_ACCESS_DUPLEX, mode, 1, OutBufferSize,
                                             InBufferSize, 0, nullptr);
        HeldClients[device] = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
        Log("held %s", entry.name);
        return;
    }
    for (Instance& instance : Instances) {
        if (instance.state != Closed || instance.pipe) continue;
        instance.device = device;
        instance.pipe = CreateNamedPipeW(path, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, mode,
                                         InstancesPerInterface, OutBufferSize, InBufferSize, 0,
                                         nullptr);
        if (instance.pipe == INVALID_HANDLE_VALUE) {
            instance.pipe = nullptr;
            return;
        }
        Listen(instance);
        int served = 0;
        for (const Instance& other : Instances) served += other.pipe && other.device == device;
        if (served == InstancesPerInterface) return;
    }
}

void Withdraw(int device)
{
    if (!Served[device]) return;
    Served[device] = false;
    // Listening instances first: a host that sees its connection fail at once must not find
    // the device again through one still listening.
    for (int connected = 0; connected < 2; ++connected) {
        for (Instance& instance : Instances) {
            if (instance.pipe && instance.device == device &&
                (instance.state == Connected) == (connected == 1)) {
                CloseInstance(instance);
            }
        }
    }
    if (HeldClients[device]) CloseHandle(HeldClients[device]);
    if (HeldPipes[device]) CloseHandle(HeldPipes[device]);
    HeldClients[device] = nullptr;
    HeldPipes[device] = nullptr;
}

void Send(Instance& instance, const SimReport& report)
{
    OVERLAPPED overlapped = {};
    overlapped.hEvent = instance.sendEvent;
    ResetEvent(instance.sendEvent);
    DWORD written = 0;
    bool sent = WriteFile(instance.pipe, report.bytes, static_cast<DWORD>(report.length), nullptr,
                          &overlapped) != FALSE;
    if (!sent && GetLastError() == ERROR_IO_PENDING) {
        if (WaitForSingleObject(instance.sendEvent, SendLimitMs) != WAIT_OBJECT_0) {
            CancelIoEx(instance.pipe, &overlapped);
        }
        sent = GetOverlappedResult(instance.pipe, &overlapped, &written, TRUE) != FALSE;
    }
    if (sent) Log("out %s %d ", NameOf(instance.device), report.bytes, report.length, report.length);
    else Log("dropped %s %d", NameOf(instance.device), nullptr, 0, report.length);
}

bool SameInterfaces(const SimConfig& a, const SimConfig& b)
{
    if (a.interfaceCount != b.interfaceCount) return false;
    const char* x = reinterpret_cast<const char*>(a.interfaces);
    const char* y = reinterpret_cast<const char*>(b.interfaces);
    for (unsigned i = 0; i < sizeof a.interfaces; ++i) {
        if (x[i] != y[i]) return false;
    }
    return true;
}

// Serves the cooler's interfaces only while the device is on the bus; others always.
void ServeAsPlugged()
{
    for (int device = 0; device < Sim.config.interfaceCount; ++device) {
        const bool cooler = IsCoolerInterface(Sim.config.interfaces[device]);
        if (cooler && Sim.unplugged) Withdraw(device);
        else Serve(device);
    }
}

// Applies the control file when its text changed since it was last applied.
void Reload()
{
    static char text[ControlCapacity];
    int length = 0;
    if (!ReadControlText(ControlPath, text, &length)) return;
    bool same = length == ControlLength;
    for (int i = 0; same && i < length; ++i) same = text[i] == ControlText[i];
    if (same) return;
    for (int i = 0; i < length; ++i) ControlText[i] = text[i];
    ControlLength = length;

    SimConfig config;
    int errorLine = 0;
    if (!ParseSimConfig(text, length, &config, &errorLine)) {
        Log("control-error %s%d", "", nullptr, 0, errorLine);
        return;
    }
    if (!SameInterfaces(config, Sim.config)) {
        for (int device = 0; device < SimInterfaceCapacity; ++device) Withdraw(device);
    }
    const bool wasUnplugged = Sim.unplugged;
    SimApply(config);
    Log("control");
    if (Sim.unplugged && !wasUnplugged) Log("unplug");
    if (!Sim.unplugged && wasUnplugged) Log("plug");
    ServeAsPlugged();
    for (Instance& instance : Instances) PostRead(instance);
}

uint32_t ElapsedMs()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<uint32_t>((now.QuadPart - StartCount.QuadPart) * 1000 / CountsPerSecond.QuadPart);
}

void OnReport(Instance& instance, int length)
{
    Reload();
    SimAdvance(ElapsedMs());
    Log("in %s %d ", NameOf(instance.device), instance.buffer, length, length);
    if (IsCoolerInterface(Sim.config.interfaces[instance.device])) {
        const bool wasUnplugged = Sim.unplugged;
        SimReceive(instance.buffer, length);
        SimReport report;
        while (SimTakeReport(&report)) Send(instance, report);
        if (Sim.unplugged && !wasUnplugged) {
            // Reports already sent stay readable after the server end is closed.
            Log("unplug");
            ServeAsPlugged();
            return;
        }
        if (!SimReading()) Log("deaf");
    }
    PostRead(instance);
}

// A deaf device reads nothing, so no failed read tells it that the host closed its handle:
// look without reading, so that the host can open the interface again.
void NoticeClosedWhileDeaf()
{
    for (Instance& instance : Instances) {
        if (instance.state != Connected || instance.reading) continue;
        DWORD waiting = 0; // bytes
        if (!PeekNamedPipe(instance.pipe, nullptr, 0, nullptr, &waiting, nullptr) &&
            GetLastError() != ERROR_MORE_DATA) {
            OnDisconnected(instance);
        }
    }
}

void OnSignalled(Instance& instance)
{
    if (instance.state == Closed || (instance.state == Connected && !instance.reading)) {
        ResetEvent(instance.event);
        return;
    }
    DWORD transferred = 0; // bytes
    const bool ok = GetOverlappedResult(instance.pipe, &instance.overlapped, &transferred, FALSE) != FALSE;
    if (instance.state == Listening) {
        if (ok) OnConnected(instance);
        else Listen(instance);
        return;
    }
    instance.reading = false;
    if (ok || GetLastError() == ERROR_MORE_DATA) OnReport(instance, static_cast<int>(transferred));
    else OnDisconnected(instance);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: kraken_sim CONTROL_FILE LOG_FILE\n");
        return 2;
    }
    QueryPerformanceFrequency(&CountsPerSecond);
    QueryPerformanceCounter(&StartCount);
    ControlPath = argv[1];
    LogFile = CreateFileW(argv[2], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, CREATE_ALWAYS, 0, nullptr);
    if (LogFile == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "kraken_sim: cannot write the log\n");
        return 2;
    }
    for (Instance& instance : Instances) {
        instance.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        instance.sendEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    SimConfig none;
    ClearSimConfig(&none);
    SimPowerOn(none);
    Reload();
    Log("ready");

    HANDLE events[InstanceCapacity];
    for (int i = 0; i < InstanceCapacity; ++i) events[i] = Instances[i].event;
    for (;;) {
        const DWORD woken = WaitForMultipleObjects(InstanceCapacity, events, FALSE, IdlePollMs);
        if (woken < WAIT_OBJECT_0 + InstanceCapacity) OnSignalled(Instances[woken - WAIT_OBJECT_0]);
        else {
            Reload();
            NoticeClosedWhileDeaf();
        }
    }
}
