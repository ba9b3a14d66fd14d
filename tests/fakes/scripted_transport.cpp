#include "tests/fakes/scripted_transport.h"

namespace {

struct ScriptedRead {
    bool ok;
    int length;
    uint8_t bytes[ReportSize];
};

ScriptedRead Reads[ScriptCapacity]; // test thread
int ReadsQueued = 0;
int ReadsTaken = 0;
uint8_t Writes[ScriptCapacity][ReportSize];
int WritesDone = 0;
int WriteToFail = 0;
uint8_t Waiting[ScriptCapacity][ReportSize];
int WaitingQueued = 0;
int WaitingTaken = 0;
int WritesBeforeWaiting = -1;
char CoolerIdentity;

} // namespace

HANDLE ScriptedCooler() { return &CoolerIdentity; }

void ResetScriptedTransport()
{
    ReadsQueued = 0;
    ReadsTaken = 0;
    WritesDone = 0;
    WriteToFail = 0;
    WaitingQueued = 0;
    WaitingTaken = 0;
    WritesBeforeWaiting = -1;
}

void ScriptWaiting(const uint8_t* bytes)
{
    if (WaitingQueued == ScriptCapacity) return;
    for (int i = 0; i < ReportSize; ++i) Waiting[WaitingQueued][i] = bytes[i];
    ++WaitingQueued;
}

int ScriptedWaitingTaken() { return WaitingTaken; }

int ScriptedWritesBeforeWaiting() { return WritesBeforeWaiting; }

void ScriptRead(const uint8_t* bytes, int length)
{
    if (ReadsQueued == ScriptCapacity) return;
    ScriptedRead& read = Reads[ReadsQueued++];
    read = {};
    read.ok = true;
    read.length = length;
    for (int i = 0; i < length && i < ReportSize; ++i) read.bytes[i] = bytes[i];
}

void ScriptReadFailure()
{
    if (ReadsQueued < ScriptCapacity) Reads[ReadsQueued++] = {};
}

void FailWrite(int n) { WriteToFail = WritesDone + n; }

int ScriptedWriteCount() { return WritesDone; }

const uint8_t* ScriptedWrite(int index) { return Writes[index]; }

int ScriptedReadCount() { return ReadsTaken; }

CoolerSearch SearchCooler() { return {ScriptedCooler(), SearchOpened}; }

void CloseCooler(HANDLE) {}

bool ReportIo(HANDLE cooler, HANDLE, IoDirection direction, uint8_t* report, DWORD limitMs)
{
    if (cooler != ScriptedCooler()) return false;
    if (direction == IoWrite) {
        if (WritesDone + 1 == WriteToFail || WritesDone == ScriptCapacity) {
            WriteToFail = 0;
            return false;
        }
        for (int i = 0; i < ReportSize; ++i) Writes[WritesDone][i] = report[i];
        ++WritesDone;
        return true;
    }
    if (limitMs == DiscardReadMs) {
        if (WaitingTaken == WaitingQueued) return false;
        for (int i = 0; i < ReportSize; ++i) report[i] = Waiting[WaitingTaken][i];
        ++WaitingTaken;
        WritesBeforeWaiting = WritesDone;
        return true;
    }
    ++ReadsTaken;
    if (ReadsTaken > ReadsQueued) return false;
    const ScriptedRead& read = Reads[ReadsTaken - 1];
    for (int i = 0; i < read.length; ++i) report[i] = read.bytes[i];
    return read.ok && read.length == ReportSize;
}
