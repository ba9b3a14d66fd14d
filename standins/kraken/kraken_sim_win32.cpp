// The simulated cooler as a program under Wine: serves the model on named pipes, a few
// instances per configured interface (\\.\pipe\tidewatch-sim-NAME#vid_...&pid_..., message
// mode), so that more than one program can hold the interface open. Each open handle gets
// every report the device sends, in a queue of SimQueueCapacity kept here (the oldest dropped
// when full): a report waits in its own pending write, as the pipes buffer nothing, until the
// host reads it. The simulator re-reads the control file at every report received and every
// 25 ms while idle (when it also notices a host that closed an interface it was not reading),
// runs the model's clock, and logs every event, one line each, to the log file:
//
//   <ms since start> ready | control | control-error LINE | unplug | plug | deaf
//   <ms> powerloss | othercontroller   the power lost; another controller's curves written
//   <ms> open NAME | close NAME | held NAME
//   <ms> writefail NAME                a host's write refused at once (the handle dropped)
//   <ms> in NAME LENGTH HEX            a report the device read
//   <ms> out NAME LENGTH HEX           a report the device sent to the open handles of NAME
//   <ms> dropped NAME LENGTH           a full queue of a handle dropped its oldest report
//
// Usage: kraken_sim.exe CONTROL_FILE LOG_FILE (Windows paths). Runs until killed.
#include "standins/kraken/control_win32.h"
#include "standins/kraken/sim_model.h"

#include <stdio.h>

namespace {

constexpr int InstancesPerInterface = 3; // two programs, and one listening while one reconnects
constexpr int InstanceCapacity = SimInterfaceCapacity * InstancesPerInterface;
constexpr int EventCount = InstanceCapacity * 2; // reads and connects, then writes
constexpr DWORD OutBufferSize = 0;      // bytes: a write completes once the host reads it
constexpr DWORD InBufferSize = 0;       // bytes: a write completes only once the device reads it
constexpr DWORD IdlePollMs = 25;        // ms
constexpr DWORD LeaveGraceMs = 100;     // ms a handle of a leaving device keeps its reports
constexpr DWORD LeavePollMs = 5;        // ms
constexpr DWORD TakeLimitMs = 50;       // ms for a report looked at to be taken
constexpr int ReadBufferSize = 128;     // bytes: larger reports are cut here

enum InstanceState : int {
    Closed = 0,
    Listening = 1,
    Connected = 2,
    Leaving = 3, // the device has gone: closed once the host has read what it was sent
};

struct Outgoing {
    OVERLAPPED overlapped; // its write, signalling the instance's sendEvent
    SimReport report;
};

struct Instance {
    HANDLE pipe;
    HANDLE event;      // manual reset, ends connects and reads
    HANDLE sendEvent;  // manual reset, ends writes
    OVERLAPPED overlapped;
    int device;        // index in the configuration
    int state;         // InstanceState
    bool reading;      // a read of nothing is pending: it ends when a host's write arrives
    DWORD leftTick;    // ms, GetTickCount when it began leaving
    uint8_t buffer[ReadBufferSize];
    Outgoing queue[SimQueueCapacity]; // the handle's input reports, a ring from `head`
    int head;
    int queued;
};

// Everything below belongs to the main thread, the only one.
Instance Instances[InstanceCapacity] = {};
HANDLE HeldPipes[SimInterfaceCapacity] = {};   // server ends of held interfaces
HANDLE HeldClients[SimInterfaceCapacity] = {}; // the other program's client ends
bool Served[SimInterfaceCapacity] = {};        // pipes exist for the interface
bool WasUnplugged = false;                     // the bus state last followed
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

bool ServedByModel(const Instance& instance)
{
    return IsCoolerInterface(Sim.config.interfaces[instance.device]);
}

void Listen(Instance& instance);
void PostRead(Instance& instance);

// Forgets the writes the host has read (or that failed), oldest first.
void Reap(Instance& instance)
{
    while (instance.queued > 0 && HasOverlappedIoCompleted(&instance.queue[instance.head].overlapped)) {
        instance.head = (instance.head + 1) % SimQueueCapacity;
        --instance.queued;
    }
}

void AwaitWrite(Instance& instance, const OVERLAPPED& overlapped)
{
    while (!HasOverlappedIoCompleted(&overlapped)) WaitForSingleObject(instance.sendEvent, 1);
}

// Ends every queued write: for a host that has gone, or a handle being closed.
void DropQueue(Instance& instance)
{
    for (int i = 0; i < instance.queued; ++i) {
        Outgoing& entry = instance.queue[(instance.head + i) % SimQueueCapacity];
        CancelIoEx(instance.pipe, &entry.overlapped);
        AwaitWrite(instance, entry.overlapped);
    }
    instance.head = 0;
    instance.queued = 0;
}

// The report goes into the handle's queue; a full queue drops its oldest first.
void Enqueue(Instance& instance, const SimReport& report)
{
    Reap(instance);
    if (instance.queued == SimQueueCapacity) {
        Outgoing& oldest = instance.queue[instance.head];
        CancelIoEx(instance.pipe, &oldest.overlapped);
        AwaitWrite(instance, oldest.overlapped);
        if (oldest.overlapped.Internal != 0) {
            Log("dropped %s %d", NameOf(instance.device), nullptr, 0, oldest.report.length);
        }
        instance.head = (instance.head + 1) % SimQueueCapacity;
        --instance.queued;
    }
    Outgoing& entry = instance.queue[(instance.head + instance.queued) % SimQueueCapacity];
    entry = {};
    entry.overlapped.hEvent = instance.sendEvent;
    entry.report = report;
    if (WriteFile(instance.pipe, entry.report.bytes, static_cast<DWORD>(report.length), nullptr,
                  &entry.overlapped) ||
        GetLastError() == ERROR_IO_PENDING) {
        ++instance.queued;
    }
}

// Every open handle of a cooler interface gets the report.
void Broadcast(const SimReport& report)
{
    for (int device = 0; device < Sim.config.interfaceCount; ++device) {
        bool logged = false;
        for (Instance& instance : Instances) {
            if (instance.state != Connected || instance.device != device || !ServedByModel(instance)) {
                continue;
            }
            if (!logged) Log("out %s %d ", NameOf(device), report.bytes, report.length, report.length);
            logged = true;
            Enqueue(instance, report);
        }
    }
}

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

// Ends the connection (what was pending fails) and listens again.
void Disconnect(Instance& instance)
{
    DropQueue(instance);
    DisconnectNamedPipe(instance.pipe);
    Listen(instance);
}

void OnDisconnected(Instance& instance)
{
    Log("close %s", NameOf(instance.device));
    Disconnect(instance);
}

// Reads go on unless the device is deaf; other devices' interfaces always read. A read takes
// nothing: it ends when a write arrives, which is looked at, answered and only then taken, so
// that the host's write completes after what the device sends at once (pipes buffer nothing).
void PostRead(Instance& instance)
{
    if (instance.state != Connected || instance.reading) return;
    if (ServedByModel(instance) && !SimReading()) return;
    instance.overlapped = {};
    instance.overlapped.hEvent = instance.event;
    ResetEvent(instance.event);
    if (ReadFile(instance.pipe, instance.buffer, 0, nullptr, &instance.overlapped) ||
        GetLastError() == ERROR_IO_PENDING || GetLastError() == ERROR_MORE_DATA) {
        instance.reading = true;
        return;
    }
    OnDisconnected(instance);
}

void CancelRead(Instance& instance)
{
    if (instance.state != Listening && !instance.reading) return;
    DWORD ignored = 0;
    CancelIoEx(instance.pipe, &instance.overlapped);
    GetOverlappedResult(instance.pipe, &instance.overlapped, &ignored, TRUE);
    instance.reading = false;
}

// Ends whatever is pending on the instance and closes its pipe.
void CloseInstance(Instance& instance)
{
    if (instance.state == Closed) return;
    CancelRead(instance);
    if (instance.state == Connected) Log("close %s", NameOf(instance.device));
    DropQueue(instance);
    DisconnectNamedPipe(instance.pipe);
    CloseHandle(instance.pipe);
    instance.pipe = nullptr;
    instance.state = Closed;
}

void Serve(int device)
{
    const SimInterface& entry = Sim.config.interfaces[device];
    if (entry.absent || HeldPipes[device]) return;
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
    int served = 0;
    for (const Instance& other : Instances) served += other.pipe && other.device == device;
    for (Instance& instance : Instances) {
        if (served == InstancesPerInterface) return;
        if (instance.state != Closed || instance.pipe) continue;
        instance.device = device;
        instance.pipe = CreateNamedPipeW(path, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, mode,
                                         InstancesPerInterface, OutBufferSize, InBufferSize, 0,
                                         nullptr);
        if (instance.pipe == INVALID_HANDLE_VALUE) {
            instance.pipe = nullptr;
            return;
        }
        ++served;
        Listen(instance);
    }
}

void Withdraw(int device)
{
    if (!Served[device]) return;
    Served[device] = false;
    // Listening instances first: a host that sees its connection fail at once must not find
    // the device again through one still listening. A connected one reads nothing more and
    // goes once its host has read what the device sent before leaving.
    for (int connected = 0; connected < 2; ++connected) {
        for (Instance& instance : Instances) {
            if (!instance.pipe || instance.device != device || instance.state == Leaving ||
                (instance.state == Connected) != (connected == 1)) {
                continue;
            }
            Reap(instance);
            if (instance.state == Connected && instance.queued > 0) {
                CancelRead(instance);
                instance.state = Leaving;
                instance.leftTick = GetTickCount();
                Log("close %s", NameOf(instance.device));
            } else {
                CloseInstance(instance);
            }
        }
    }
    if (HeldClients[device]) CloseHandle(HeldClients[device]);
    if (HeldPipes[device]) CloseHandle(HeldPipes[device]);
    HeldClients[device] = nullptr;
    HeldPipes[device] = nullptr;
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

// Handles of a device that has gone close once read or after the grace; true while any is
// left.
bool FinishLeaving()
{
    bool left = false;
    bool closed = false;
    for (Instance& instance : Instances) {
        if (instance.state != Leaving) continue;
        Reap(instance);
        if (instance.queued == 0 || GetTickCount() - instance.leftTick >= LeaveGraceMs) {
            CloseInstance(instance);
            closed = true;
        } else {
            left = true;
        }
    }
    if (closed) ServeAsPlugged(); // instances that were still taken
    return left;
}

uint32_t ElapsedMs()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<uint32_t>((now.QuadPart - StartCount.QuadPart) * 1000 / CountsPerSecond.QuadPart);
}

// After the model has run: a power loss is logged, what the device sent goes out, and its
// leaving or coming back is followed.
void FollowModel(int powerLossesBefore)
{
    if (Sim.powerLosses != powerLossesBefore) Log("powerloss");
    SimReport report;
    while (SimTakeReport(&report)) Broadcast(report);
    if (Sim.unplugged == WasUnplugged) return;
    WasUnplugged = Sim.unplugged;
    Log(Sim.unplugged ? "unplug" : "plug");
    ServeAsPlugged();
}

// The model catches up with the clock.
void Tick()
{
    const int powerLosses = Sim.powerLosses;
    const int foreignWrites = Sim.foreignWrites;
    SimAdvance(ElapsedMs());
    if (Sim.foreignWrites != foreignWrites) Log("othercontroller");
    FollowModel(powerLosses);
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
    Tick();
    if (!SameInterfaces(config, Sim.config)) {
        for (int device = 0; device < SimInterfaceCapacity; ++device) Withdraw(device);
    }
    const int powerLosses = Sim.powerLosses;
    SimApply(config);
    Log("control");
    FollowModel(powerLosses);
    ServeAsPlugged();
    for (Instance& instance : Instances) PostRead(instance);
}

// Takes the report that was looked at: the host's write completes. A host that gave up on
// its write meanwhile leaves nothing to take.
void Take(Instance& instance)
{
    uint8_t report[ReadBufferSize];
    OVERLAPPED overlapped = {};
    overlapped.hEvent = instance.event;
    ResetEvent(instance.event);
    DWORD ignored = 0; // bytes
    if (!ReadFile(instance.pipe, report, ReadBufferSize, nullptr, &overlapped) &&
        GetLastError() == ERROR_IO_PENDING && WaitForSingleObject(instance.event, TakeLimitMs) != WAIT_OBJECT_0) {
        CancelIoEx(instance.pipe, &overlapped);
    }
    GetOverlappedResult(instance.pipe, &overlapped, &ignored, TRUE);
    ResetEvent(instance.event);
}

// A host's write has arrived: refused while writes fail; otherwise looked at, handled, what
// the device sends at once sent, and only then taken.
void OnArrived(Instance& instance)
{
    Reload();
    Tick();
    const bool cooler = ServedByModel(instance);
    if (cooler && SimWriteFails()) {
        Log("writefail %s", NameOf(instance.device));
        Disconnect(instance);
        return;
    }
    DWORD length = 0; // bytes, cut at ReadBufferSize
    PeekNamedPipe(instance.pipe, instance.buffer, ReadBufferSize, &length, nullptr, nullptr);
    Log("in %s %d ", NameOf(instance.device), instance.buffer, static_cast<int>(length), static_cast<int>(length));
    const int powerLosses = Sim.powerLosses;
    if (cooler) {
        SimReceive(instance.buffer, static_cast<int>(length));
        SimReport report;
        while (SimTakeReport(&report)) Broadcast(report);
    }
    Take(instance);
    if (cooler) {
        FollowModel(powerLosses);
        if (instance.state != Connected) return; // the device left with this report
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
    if (instance.state == Closed || instance.state == Leaving ||
        (instance.state == Connected && !instance.reading)) {
        ResetEvent(instance.event);
        return;
    }
    DWORD transferred = 0; // bytes
    const bool ok = GetOverlappedResult(instance.pipe, &instance.overlapped, &transferred, FALSE) != FALSE;
    const bool more = !ok && GetLastError() == ERROR_MORE_DATA;
    if (instance.state == Listening) {
        if (ok) OnConnected(instance);
        else Listen(instance);
        return;
    }
    instance.reading = false;
    if (ok || more) OnArrived(instance);
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
    HANDLE events[EventCount];
    for (int i = 0; i < InstanceCapacity; ++i) {
        Instances[i].event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        Instances[i].sendEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        events[i] = Instances[i].event;
        events[InstanceCapacity + i] = Instances[i].sendEvent;
    }
    SimConfig none;
    ClearSimConfig(&none);
    SimPowerOn(none);
    Reload();
    Log("ready");

    bool leaving = false;
    for (;;) {
        DWORD timeout = IdlePollMs;
        const uint32_t next = SimNextEventMs();
        if (next < timeout) timeout = next;
        if (leaving && LeavePollMs < timeout) timeout = LeavePollMs;
        const DWORD woken = WaitForMultipleObjects(EventCount, events, FALSE, timeout);
        if (woken < WAIT_OBJECT_0 + InstanceCapacity) {
            OnSignalled(Instances[woken - WAIT_OBJECT_0]);
        } else if (woken < WAIT_OBJECT_0 + EventCount) {
            Instance& instance = Instances[woken - WAIT_OBJECT_0 - InstanceCapacity];
            ResetEvent(instance.sendEvent);
            Reap(instance);
        } else {
            Reload();
            NoticeClosedWhileDeaf();
        }
        Tick();
        leaving = FinishLeaving();
    }
}
