// FindCooler, ReportIo and CloseCooler over the in-process simulated cooler.
#include "cooler/transport.h"
#include "standins/kraken/sim_native.h"

namespace {

constexpr int LinkCapacity = 8;

struct PendingIo {
    bool active;  // started and not yet ended
    bool ended;   // ended: completed, failed or cancelled
    bool ok;
    int direction; // IoDirection
    uint8_t* buffer;
    HANDLE event;
    int transferred; // bytes
};

struct Link {
    bool open;
    bool alive; // false once the device left the bus
    int device; // index in the configuration
    PendingIo io;
    SimReport queue[SimQueueCapacity]; // input reports not yet read, oldest first
    int queued;
};

pthread_mutex_t SimLock = PTHREAD_MUTEX_INITIALIZER;
Link Links[LinkCapacity] = {};          // any thread, under SimLock
SimLogEntry Log[SimLogCapacity] = {};   // any thread, under SimLock
int LogCount = 0;                       // any thread, under SimLock
DWORD StartTick = 0;                    // ms, GetTickCount at the reset; under SimLock

// The second program's thread and what it counts: the test's thread starts and stops it.
struct Poller {
    pthread_t thread;
    bool running;
    DWORD intervalMs;
    HANDLE stop; // manual reset
    int answered; // polls answered, read once the thread has ended
};
Poller SecondProgram = {};
bool WasUnplugged = false;              // the model's bus state last followed; under SimLock

Link* FromHandle(HANDLE handle)
{
    Link* link = static_cast<Link*>(handle);
    if (link < Links || link >= Links + LinkCapacity || !link->open) return nullptr;
    return link;
}

void Record(int kind, int device, const uint8_t* bytes, int length)
{
    if (LogCount < SimLogCapacity) {
        SimLogEntry& entry = Log[LogCount];
        entry = {};
        entry.tick = GetTickCount();
        entry.kind = kind;
        entry.device = device;
        entry.length = length;
        for (int i = 0; i < length && i < SimReportSize; ++i) entry.bytes[i] = bytes[i];
    }
    ++LogCount;
}

bool ServedByModel(const Link& link)
{
    return IsCoolerInterface(Sim.config.interfaces[link.device]);
}

void End(Link& link, bool ok, int transferred)
{
    link.io.active = false;
    link.io.ended = true;
    link.io.ok = ok;
    link.io.transferred = transferred;
    SetEvent(link.io.event);
}

// The pending read of `link` takes the oldest report of its queue.
void TakeFromQueue(Link& link)
{
    const SimReport report = link.queue[0];
    for (int i = 1; i < link.queued; ++i) link.queue[i - 1] = link.queue[i];
    --link.queued;
    for (int i = 0; i < report.length; ++i) link.io.buffer[i] = report.bytes[i];
    End(link, true, report.length);
}

void Enqueue(Link& link, const SimReport& report)
{
    if (link.queued == SimQueueCapacity) {
        Record(SimLogDropped, link.device, link.queue[0].bytes, link.queue[0].length);
        for (int i = 1; i < link.queued; ++i) link.queue[i - 1] = link.queue[i];
        --link.queued;
    }
    link.queue[link.queued++] = report;
}

// Hands what the model has sent by now to every open handle of the cooler, as Windows does,
// and waiting reads their reports.
void Deliver()
{
    SimReport report;
    while (SimTakeReport(&report)) {
        Record(SimLogOut, -1, report.bytes, report.length);
        for (Link& link : Links) {
            if (link.open && link.alive && ServedByModel(link)) Enqueue(link, report);
        }
    }
    for (Link& link : Links) {
        if (link.open && link.io.active && link.io.direction == IoRead && link.queued > 0) {
            TakeFromQueue(link);
        }
    }
}

void Unplug()
{
    Record(SimLogUnplug, -1, nullptr, 0);
    for (Link& link : Links) {
        if (!link.open || !ServedByModel(link)) continue;
        link.alive = false;
        if (link.io.active) End(link, false, 0);
    }
}

// After the model has run: a power loss is logged, what it sent goes out, and a device that
// has left the bus fails every handle.
void Follow(int powerLossesBefore)
{
    if (Sim.powerLosses != powerLossesBefore) Record(SimLogPowerLoss, -1, nullptr, 0);
    Deliver();
    if (Sim.unplugged && !WasUnplugged) Unplug();
    WasUnplugged = Sim.unplugged;
}

// The model catches up with the clock.
void Tick()
{
    const int powerLosses = Sim.powerLosses;
    const int foreignWrites = Sim.foreignWrites;
    SimAdvance(GetTickCount() - StartTick);
    if (Sim.foreignWrites != foreignWrites) Record(SimLogForeign, -1, nullptr, 0);
    Follow(powerLosses);
}

// The device reads one report written through `link`.
void Receive(Link& link, const uint8_t* report)
{
    Record(SimLogIn, link.device, report, SimReportSize);
    if (!ServedByModel(link)) return;
    const int powerLosses = Sim.powerLosses;
    SimReceive(report, SimReportSize);
    Follow(powerLosses);
}

// Writes that waited on a deaf device go through once it reads again.
void ResumeWrites()
{
    for (Link& link : Links) {
        if (!SimReading()) return;
        if (link.open && link.alive && link.io.active && link.io.direction == IoWrite) {
            Receive(link, link.io.buffer);
            End(link, true, SimReportSize);
        }
    }
}

// Starts one operation; it either ends at once (event signalled) or stays pending.
void Start(Link& link, HANDLE event, IoDirection direction, uint8_t* buffer)
{
    link.io = {true, false, false, direction, buffer, event, 0};
    if (direction == IoRead) {
        // Reports sent before the device left are still read.
        if (link.queued > 0) TakeFromQueue(link);
        else if (!link.alive) End(link, false, 0);
        return;
    }
    if (!link.alive) {
        End(link, false, 0);
    } else if (ServedByModel(link) && SimWriteFails()) {
        End(link, false, 0);
    } else if (!ServedByModel(link)) {
        Record(SimLogIn, link.device, buffer, SimReportSize);
        End(link, true, SimReportSize);
    } else if (SimReading()) {
        Receive(link, buffer);
        End(link, true, SimReportSize);
    }
}

Link* OpenLink(int device)
{
    for (Link& link : Links) {
        if (link.open) continue;
        link = {};
        link.open = true;
        link.alive = true;
        link.device = device;
        Record(SimLogOpen, device, nullptr, 0);
        return &link;
    }
    return nullptr;
}

void CloseLink(Link& link)
{
    if (link.io.active) End(link, false, 0);
    Record(SimLogClose, link.device, nullptr, 0);
    link = {};
}

void* PollCooler(void*)
{
    static constexpr uint8_t StatusRequest[] = {0x74, 0x01};
    HANDLE ioEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE cooler = INVALID_HANDLE_VALUE;
    while (WaitForSingleObject(SecondProgram.stop, SecondProgram.intervalMs) != WAIT_OBJECT_0) {
        if (cooler == INVALID_HANDLE_VALUE) cooler = FindCooler();
        if (cooler == INVALID_HANDLE_VALUE) continue;
        DiscardInput(cooler, ioEvent);
        if (!SendCommand(cooler, ioEvent, StatusRequest, sizeof StatusRequest)) {
            CloseCooler(cooler);
            cooler = INVALID_HANDLE_VALUE;
            continue;
        }
        uint8_t reply[ReportSize];
        for (int read = 0; read < 8; ++read) {
            if (ReportIo(cooler, ioEvent, IoRead, reply, ReadLimitMs) && reply[0] == 0x75 && reply[1] == 0x01) {
                ++SecondProgram.answered;
                break;
            }
        }
    }
    CloseCooler(cooler);
    CloseHandle(ioEvent);
    return nullptr;
}

} // namespace

CoolerSearch SearchCooler()
{
    pthread_mutex_lock(&SimLock);
    Tick();
    Link* found = nullptr;
    bool held = false;
    for (int i = 0; i < Sim.config.interfaceCount && !found; ++i) {
        const SimInterface& device = Sim.config.interfaces[i];
        if (device.absent || (Sim.unplugged && IsCoolerInterface(device))) continue;
        held = held || device.held;
        if (device.noDetail || device.held) continue;
        Link* link = OpenLink(i);
        if (!link) continue;
        const bool reports64 = !device.noCaps && device.inputLength == SimDefaultReportLength &&
                               device.outputLength == SimDefaultReportLength;
        if (device.noAttributes || !IsCoolerInterface(device) || !reports64) {
            CloseLink(*link);
            continue;
        }
        found = link;
    }
    pthread_mutex_unlock(&SimLock);
    if (found) return {static_cast<HANDLE>(found), SearchOpened};
    return {INVALID_HANDLE_VALUE, held ? SearchHeld : SearchAbsent};
}

bool ReportIo(HANDLE cooler, HANDLE ioEvent, IoDirection direction, uint8_t* report,
              DWORD limitMs)
{
    ResetEvent(ioEvent);
    pthread_mutex_lock(&SimLock);
    Tick();
    Link* link = FromHandle(cooler);
    // One operation at a time per handle, as the worker does.
    const bool started = link && !link->io.active;
    if (started) Start(*link, ioEvent, direction, report);
    LastIoEnd = link && !link->alive ? IoRemoved : IoFailed;
    pthread_mutex_unlock(&SimLock);
    if (!started) return false;

    // Wait in slices that end when the model next has something to send.
    const DWORD start = GetTickCount();
    bool ended = false;
    for (;;) {
        pthread_mutex_lock(&SimLock);
        Tick();
        const uint32_t next = SimNextEventMs();
        pthread_mutex_unlock(&SimLock);
        if (WaitForSingleObject(ioEvent, 0) == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
        const DWORD waited = GetTickCount() - start;
        if (waited >= limitMs) break;
        const DWORD slice = next < limitMs - waited ? (next == 0 ? 1 : next) : limitMs - waited;
        if (WaitForSingleObject(ioEvent, slice) == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
    }
    if (!ended) {
        pthread_mutex_lock(&SimLock);
        if (FromHandle(cooler) == link && link->io.active && link->io.event == ioEvent) {
            End(*link, false, 0);
        }
        pthread_mutex_unlock(&SimLock);
        WaitForSingleObject(ioEvent, INFINITE);
        LastIoEnd = IoTimedOut;
        return false;
    }
    pthread_mutex_lock(&SimLock);
    bool ok = false;
    if (FromHandle(cooler) == link && link->io.ended && link->io.event == ioEvent) {
        ok = link->io.ok && link->io.transferred == ReportSize;
        link->io = {};
    }
    LastIoEnd = ok ? IoDone : !link->alive ? IoRemoved : IoFailed;
    pthread_mutex_unlock(&SimLock);
    return ok;
}

void CloseCooler(HANDLE cooler)
{
    pthread_mutex_lock(&SimLock);
    if (Link* link = FromHandle(cooler)) CloseLink(*link);
    pthread_mutex_unlock(&SimLock);
}

void SimNativeReset()
{
    SimNativeStopPoller();
    pthread_mutex_lock(&SimLock);
    for (Link& link : Links) {
        if (link.open) CloseLink(link);
    }
    SimConfig empty;
    ClearSimConfig(&empty);
    SimPowerOn(empty);
    StartTick = GetTickCount();
    WasUnplugged = false;
    LogCount = 0;
    pthread_mutex_unlock(&SimLock);
}

bool SimNativeConfigure(const char* text)
{
    int length = 0;
    while (text[length] != '\0') ++length;
    SimConfig config;
    int errorLine = 0;
    if (!ParseSimConfig(text, length, &config, &errorLine)) return false;
    pthread_mutex_lock(&SimLock);
    Tick();
    const int powerLosses = Sim.powerLosses;
    SimApply(config);
    Follow(powerLosses);
    ResumeWrites();
    pthread_mutex_unlock(&SimLock);
    return true;
}

void SimNativeSend(const uint8_t* report, int length)
{
    pthread_mutex_lock(&SimLock);
    Tick();
    SimSend(report, length);
    Deliver();
    pthread_mutex_unlock(&SimLock);
}

int SimNativeLogCount()
{
    pthread_mutex_lock(&SimLock);
    const int count = LogCount;
    pthread_mutex_unlock(&SimLock);
    return count;
}

SimLogEntry SimNativeLogEntry(int index)
{
    pthread_mutex_lock(&SimLock);
    SimLogEntry entry = {};
    if (index >= 0 && index < LogCount && index < SimLogCapacity) entry = Log[index];
    pthread_mutex_unlock(&SimLock);
    return entry;
}

int SimNativeOpenHandles()
{
    pthread_mutex_lock(&SimLock);
    int count = 0;
    for (const Link& link : Links) count += link.open ? 1 : 0;
    pthread_mutex_unlock(&SimLock);
    return count;
}

SimDevice SimNativeState()
{
    pthread_mutex_lock(&SimLock);
    const SimDevice copy = Sim;
    pthread_mutex_unlock(&SimLock);
    return copy;
}

void SimNativeStartPoller(DWORD intervalMs)
{
    if (SecondProgram.running) return;
    SecondProgram = {};
    SecondProgram.intervalMs = intervalMs;
    SecondProgram.stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SecondProgram.running = pthread_create(&SecondProgram.thread, nullptr, PollCooler, nullptr) == 0;
}

int SimNativeStopPoller()
{
    if (!SecondProgram.running) return 0;
    SetEvent(SecondProgram.stop);
    pthread_join(SecondProgram.thread, nullptr);
    CloseHandle(SecondProgram.stop);
    SecondProgram.running = false;
    return SecondProgram.answered;
}
