// FindCooler, ReportIo and CloseCooler over the in-process simulated cooler.
#include "cooler/transport.h"
#include "standins/kraken/sim_native.h"

namespace {

constexpr int LinkCapacity = 8;
constexpr int InboxCapacity = 64; // reports sent and not yet read

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
};

pthread_mutex_t SimLock = PTHREAD_MUTEX_INITIALIZER;
Link Links[LinkCapacity] = {};          // any thread, under SimLock
SimReport Inbox[InboxCapacity] = {};    // any thread, under SimLock
int InboxCount = 0;                     // any thread, under SimLock
SimLogEntry Log[SimLogCapacity] = {};   // any thread, under SimLock
int LogCount = 0;                       // any thread, under SimLock

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

void TakeFromInbox(Link& link)
{
    const SimReport report = Inbox[0];
    for (int i = 1; i < InboxCount; ++i) Inbox[i - 1] = Inbox[i];
    --InboxCount;
    for (int i = 0; i < report.length; ++i) link.io.buffer[i] = report.bytes[i];
    End(link, true, report.length);
}

// Moves what the model sent into the inbox and hands waiting reads their reports.
void Deliver()
{
    SimReport report;
    while (SimTakeReport(&report)) {
        Record(SimLogOut, -1, report.bytes, report.length);
        if (InboxCount < InboxCapacity) Inbox[InboxCount++] = report;
    }
    for (Link& link : Links) {
        if (InboxCount == 0) break;
        if (link.open && link.io.active && link.io.direction == IoRead && ServedByModel(link)) {
            TakeFromInbox(link);
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

// The device reads one report written through `link`.
void Receive(Link& link, const uint8_t* report)
{
    Record(SimLogIn, link.device, report, SimReportSize);
    if (!ServedByModel(link)) return;
    const bool wasUnplugged = Sim.unplugged;
    SimReceive(report, SimReportSize);
    Deliver();
    if (Sim.unplugged && !wasUnplugged) Unplug();
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
        // Reports already sent are still read after the device has gone.
        if (ServedByModel(link) && InboxCount > 0) TakeFromInbox(link);
        else if (!link.alive) End(link, false, 0);
        return;
    }
    if (!link.alive) {
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
        link = {true, true, device, {}};
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

} // namespace

HANDLE FindCooler()
{
    pthread_mutex_lock(&SimLock);
    Link* found = nullptr;
    for (int i = 0; i < Sim.config.interfaceCount && !found; ++i) {
        const SimInterface& device = Sim.config.interfaces[i];
        if (device.absent || (Sim.unplugged && IsCoolerInterface(device))) continue;
        if (device.noDetail || device.held) continue;
        Link* link = OpenLink(i);
        if (!link) continue;
        const bool reports64 = !device.noCaps && device.inputLength == SimDefaultReportLength &&
                               device.outputLength == SimDefaultReportLength;
        if (device.noAttributes || !IsCoolerInterface(device) || !reports64) {
            CloseLink(*link);
            continue;
        }
        InboxCount = 0;
        found = link;
    }
    pthread_mutex_unlock(&SimLock);
    return found ? static_cast<HANDLE>(found) : INVALID_HANDLE_VALUE;
}

bool ReportIo(HANDLE cooler, HANDLE ioEvent, IoDirection direction, uint8_t* report,
              DWORD limitMs)
{
    ResetEvent(ioEvent);
    pthread_mutex_lock(&SimLock);
    Link* link = FromHandle(cooler);
    // One operation at a time per handle, as the worker does.
    const bool started = link && !link->io.active;
    if (started) Start(*link, ioEvent, direction, report);
    pthread_mutex_unlock(&SimLock);
    if (!started) return false;

    if (WaitForSingleObject(ioEvent, limitMs) != WAIT_OBJECT_0) {
        pthread_mutex_lock(&SimLock);
        if (FromHandle(cooler) == link && link->io.active && link->io.event == ioEvent) {
            End(*link, false, 0);
        }
        pthread_mutex_unlock(&SimLock);
        WaitForSingleObject(ioEvent, INFINITE);
        return false;
    }
    pthread_mutex_lock(&SimLock);
    bool ok = false;
    if (FromHandle(cooler) == link && link->io.ended && link->io.event == ioEvent) {
        ok = link->io.ok && link->io.transferred == ReportSize;
        link->io = {};
    }
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
    pthread_mutex_lock(&SimLock);
    for (Link& link : Links) {
        if (link.open) CloseLink(link);
    }
    SimConfig empty;
    ClearSimConfig(&empty);
    SimPowerOn(empty);
    InboxCount = 0;
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
    const bool wasUnplugged = Sim.unplugged;
    SimApply(config);
    if (Sim.unplugged && !wasUnplugged) Unplug();
    ResumeWrites();
    pthread_mutex_unlock(&SimLock);
    return true;
}

void SimNativeSend(const uint8_t* report, int length)
{
    pthread_mutex_lock(&SimLock);
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
