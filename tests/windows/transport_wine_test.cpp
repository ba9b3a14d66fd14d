// The real Windows transport against the simulated cooler under Wine. One case per run,
// named by the first argument; the scenario script has written the control file and started
// the simulator, and checks the simulator's log afterwards. Prints "measure NAME VALUE"
// lines for timings and ends with "PASS" or "FAIL"; exit code 0 only on PASS.
#include "cooler/transport.h"

#include <setupapi.h>
#include <stddef.h>
extern "C" {
#include <hidsdi.h>
}
#include <stdio.h>
#include <string.h>

namespace {

constexpr uint8_t StatusRequest[] = {0x74, 0x01};
constexpr uint8_t InitB[] = {0x70, 0x01};

int Failures = 0; // the main thread

void Check(bool condition, const char* what)
{
    if (condition) return;
    printf("check failed: %s\n", what);
    ++Failures;
}

double NowMs()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The name of the simulator pipe `handle` is open on ("" when none).
void PipeName(HANDLE handle, char* name, int capacity)
{
    alignas(8) unsigned char raw[sizeof(FILE_NAME_INFO) + 128] = {};
    const FILE_NAME_INFO* info = reinterpret_cast<const FILE_NAME_INFO*>(raw);
    const wchar_t* path = reinterpret_cast<const wchar_t*>(raw + offsetof(FILE_NAME_INFO, FileName));
    name[0] = '\0';
    if (GetFileType(handle) != FILE_TYPE_PIPE ||
        !GetFileInformationByHandleEx(handle, FileNameInfo, raw, sizeof raw - sizeof(wchar_t))) {
        return;
    }
    const wchar_t prefix[] = L"\\tidewatch-sim-";
    const int prefixLength = static_cast<int>(wcslen(prefix));
    const int length = static_cast<int>(info->FileNameLength / sizeof(wchar_t));
    if (length <= prefixLength || wcsncmp(path, prefix, prefixLength) != 0) return;
    int at = 0;
    for (int i = prefixLength; i < length && path[i] != L'#' && at < capacity - 1; ++i) {
        name[at++] = static_cast<char>(path[i]);
    }
    name[at] = '\0';
}

// Handles of this process open on a simulator pipe. Wine does not count handles
// (GetProcessHandleCount), so every small handle value is asked for its name.
int OpenSimulatorHandles()
{
    int count = 0;
    for (uintptr_t value = 4; value < 0x4000; value += 4) {
        char name[32];
        PipeName(reinterpret_cast<HANDLE>(value), name, sizeof name);
        count += name[0] != '\0';
    }
    return count;
}

// A stand-in's count of what it handed out and was not given back; -1 without the stand-in.
int StandinCount(const wchar_t* dll, const char* function)
{
    typedef int (*CountCall)();
    HMODULE module = GetModuleHandleW(dll);
    FARPROC proc = module ? GetProcAddress(module, function) : nullptr;
    if (!proc) return -1;
    return reinterpret_cast<CountCall>(reinterpret_cast<void*>(proc))();
}

int OpenDeviceSets() { return StandinCount(L"setupapi.dll", "StandinOpenDeviceSets"); }

HANDLE FindAndCheckNothingLeaked()
{
    const int before = OpenSimulatorHandles();
    HANDLE cooler = FindCooler();
    Check(OpenDeviceSets() == 0, "the interface set was destroyed (and the test setupapi.dll is in use)");
    const int opened = cooler == INVALID_HANDLE_VALUE ? 0 : 1;
    Check(OpenSimulatorHandles() == before + opened, "no handle left open but the cooler's");
    return cooler;
}

bool StatusRoundTrip(HANDLE cooler, HANDLE ioEvent, uint8_t* reply)
{
    if (!SendCommand(cooler, ioEvent, StatusRequest, 2)) return false;
    for (int attempt = 0; attempt < 8; ++attempt) {
        for (int i = 0; i < ReportSize; ++i) reply[i] = 0;
        if (ReportIo(cooler, ioEvent, IoRead, reply, ReadLimitMs) && reply[0] == 0x75 && reply[1] == 0x01) {
            return true;
        }
    }
    return false;
}

// Time from CancelIoEx to the end of a read that had waited `limitMs`, over a few reads.
void MeasureCancelLatency(HANDLE cooler, HANDLE ioEvent)
{
    double worst = 0;
    double total = 0;
    constexpr int Rounds = 5;
    for (int round = 0; round < Rounds; ++round) {
        uint8_t report[ReportSize];
        OVERLAPPED overlapped = {};
        overlapped.hEvent = ioEvent;
        ResetEvent(ioEvent);
        if (ReadFile(cooler, report, ReportSize, nullptr, &overlapped) || GetLastError() != ERROR_IO_PENDING) {
            Check(false, "a read on a silent device pends");
            return;
        }
        WaitForSingleObject(ioEvent, ReadLimitMs);
        const double start = NowMs();
        CancelIoEx(cooler, &overlapped);
        WaitForSingleObject(ioEvent, INFINITE);
        const double latency = NowMs() - start;
        total += latency;
        if (latency > worst) worst = latency;
    }
    printf("measure cancel_latency_mean_ms %.3f\n", total / Rounds);
    printf("measure cancel_latency_max_ms %.3f\n", worst);
}

// Cases ---------------------------------------------------------------------------------

void NoMatchingInterface(HANDLE)
{
    HANDLE cooler = FindAndCheckNothingLeaked();
    Check(cooler == INVALID_HANDLE_VALUE, "no cooler is found");
}

// The cooler found is the interface named by the second argument.
void Picks(HANDLE ioEvent, const char* expected)
{
    HANDLE cooler = FindAndCheckNothingLeaked();
    char name[32];
    PipeName(cooler, name, sizeof name);
    printf("opened %s\n", name[0] ? name : "(none)");
    Check(strcmp(name, expected) == 0, "the expected interface is opened");
    uint8_t reply[ReportSize];
    Check(StatusRoundTrip(cooler, ioEvent, reply), "the opened cooler answers");
    CloseCooler(cooler);
}

void RoundTrip(HANDLE ioEvent)
{
    HANDLE cooler = FindAndCheckNothingLeaked();
    Check(cooler != INVALID_HANDLE_VALUE, "the cooler is found");
    uint8_t report[ReportSize] = {};
    const double start = NowMs();
    Check(SendCommand(cooler, ioEvent, StatusRequest, 2), "the request is written");
    // The control file asks for two unrelated reports before the reply: reports arrive in order.
    Check(ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs) && report[0] == 0x31, "first unrelated");
    Check(ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs) && report[0] == 0x75 && report[1] == 0x03,
          "second unrelated");
    Check(ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs) && report[0] == 0x75 && report[1] == 0x01,
          "then the reply");
    printf("measure round_trip_ms %.3f\n", NowMs() - start);
    Check(report[15] == 42 && report[16] == 7 && report[17] == 0x34 && report[18] == 0x12,
          "the reply carries the configured readings");
    CloseCooler(cooler);
}

void ShortRead(HANDLE ioEvent)
{
    HANDLE cooler = FindCooler();
    Check(cooler != INVALID_HANDLE_VALUE, "the cooler is found");
    uint8_t report[ReportSize] = {};
    Check(SendCommand(cooler, ioEvent, StatusRequest, 2), "the request is written");
    const double start = NowMs();
    Check(!ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs), "a 32-byte report fails");
    Check(NowMs() - start < 100, "at once");
    Check(report[0] == 0x75, "the 32 bytes did arrive");
    CloseCooler(cooler);
}

void SilentRead(HANDLE ioEvent)
{
    HANDLE cooler = FindCooler();
    Check(cooler != INVALID_HANDLE_VALUE, "the cooler is found");
    uint8_t report[ReportSize] = {};
    Check(SendCommand(cooler, ioEvent, StatusRequest, 2), "the request is written");
    double worst = 0;
    for (int round = 0; round < 3; ++round) {
        const double start = NowMs();
        Check(!ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs), "a read without reply fails");
        const double elapsed = NowMs() - start;
        if (elapsed > worst) worst = elapsed;
        Check(elapsed >= ReadLimitMs - 1 && elapsed < ReadLimitMs + 150, "after about 175 ms");
        // The cancelled read has ended: its completion signalled the event.
        Check(WaitForSingleObject(ioEvent, 0) == WAIT_OBJECT_0, "the cancelled read has ended");
    }
    printf("measure read_limit_worst_ms %.3f\n", worst);
    Check(report[0] == 0, "nothing was read");
    MeasureCancelLatency(cooler, ioEvent);
    CloseCooler(cooler);
}

void DeafWrite(HANDLE ioEvent)
{
    HANDLE cooler = FindCooler();
    Check(cooler != INVALID_HANDLE_VALUE, "the cooler is found");
    Check(SendCommand(cooler, ioEvent, InitB, 2), "the first write is read");
    const double start = NowMs();
    Check(!SendCommand(cooler, ioEvent, InitB, 2), "a write to a deaf device fails");
    const double elapsed = NowMs() - start;
    printf("measure write_limit_ms %.3f\n", elapsed);
    Check(elapsed >= WriteLimitMs - 1 && elapsed < WriteLimitMs + 150, "after about 500 ms");
    Check(WaitForSingleObject(ioEvent, 0) == WAIT_OBJECT_0, "the cancelled write has ended");
    CloseCooler(cooler);
}

void LongCommand(HANDLE ioEvent)
{
    HANDLE cooler = FindCooler();
    Check(cooler != INVALID_HANDLE_VALUE, "the cooler is found");
    uint8_t command[ReportSize + 1] = {0x74, 0x01};
    SetEvent(ioEvent);
    Check(!SendCommand(cooler, ioEvent, command, ReportSize + 1), "a 65-byte command is refused");
    Check(WaitForSingleObject(ioEvent, 0) == WAIT_OBJECT_0, "no operation was started");
    // The one report the simulator must log.
    Check(SendCommand(cooler, ioEvent, InitB, 2), "a 2-byte command is written");
    CloseCooler(cooler);
}

void PlantedLibrary(HANDLE ioEvent)
{
    wchar_t marker[MAX_PATH];
    Check(GetEnvironmentVariableW(L"TIDEWATCH_DECOY_MARKER", marker, MAX_PATH) > 0, "a marker path");
    HANDLE cooler = FindCooler();
    Check(GetFileAttributesW(marker) == INVALID_FILE_ATTRIBUTES, "the planted hid.dll was not loaded");
    Check(cooler != INVALID_HANDLE_VALUE, "the cooler is found through the system hid.dll");
    uint8_t reply[ReportSize];
    Check(StatusRoundTrip(cooler, ioEvent, reply), "and answers");
    CloseCooler(cooler);
    // The check can see a load: an unrestricted load takes the planted one.
    HMODULE planted = LoadLibraryW(L"hid.dll");
    Check(planted && GetFileAttributesW(marker) != INVALID_FILE_ATTRIBUTES, "a plain load finds the planted one");
}

void UnplugAndBack(HANDLE ioEvent)
{
    HANDLE cooler = FindCooler();
    Check(cooler != INVALID_HANDLE_VALUE, "the cooler is found");
    uint8_t reply[ReportSize];
    Check(StatusRoundTrip(cooler, ioEvent, reply), "the last reply before leaving arrives");
    const double start = NowMs();
    Check(!SendCommand(cooler, ioEvent, StatusRequest, 2), "a write after unplugging fails");
    Check(NowMs() - start < 100, "at once");
    CloseCooler(cooler);
    Check(FindCooler() == INVALID_HANDLE_VALUE, "an unplugged cooler is not found");
    printf("unplugged\n");
    fflush(stdout);
    // The scenario plugs it back by rewriting the control file.
    cooler = INVALID_HANDLE_VALUE;
    for (int wait = 0; wait < 250 && cooler == INVALID_HANDLE_VALUE; ++wait) {
        Sleep(20);
        cooler = FindCooler();
    }
    Check(cooler != INVALID_HANDLE_VALUE, "found again once plugged back");
    Check(StatusRoundTrip(cooler, ioEvent, reply), "and answers");
    CloseCooler(cooler);
}

// Reads until a report starting with `first`, `second` arrives (at most `limitMs`); the time
// it took, or -1.
double ReadUntil(HANDLE cooler, HANDLE ioEvent, uint8_t first, uint8_t second, double limitMs, uint8_t* report)
{
    const double start = NowMs();
    while (NowMs() - start < limitMs) {
        if (ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs) && report[0] == first && report[1] == second) {
            return NowMs() - start;
        }
    }
    return -1;
}

// The cooler as it behaves by default: InitB answered, replies a few ms after the request,
// status pushed every 500 ms from InitA; the control text makes the fourth request's reply
// late, past a read's limit.
void Realistic(HANDLE ioEvent)
{
    HANDLE cooler = FindCooler();
    Check(cooler != INVALID_HANDLE_VALUE, "the cooler is found");
    const uint8_t initA[] = {0x70, 0x02, 0x01, 0xB8, 0x01};
    uint8_t report[ReportSize] = {};
    const double initialised = NowMs();
    Check(SendCommand(cooler, ioEvent, initA, sizeof initA) && SendCommand(cooler, ioEvent, InitB, 2), "initialised");
    Check(ReadUntil(cooler, ioEvent, 0x71, 0x01, 100, report) >= 0, "InitB answered");
    const double start = NowMs();
    Check(StatusRoundTrip(cooler, ioEvent, report), "a status reply");
    printf("measure reply_latency_ms %.3f\n", NowMs() - start);
    // Five pushes: the reader may be held up (the machine is shared), which delays an arrival
    // and shortens the next gap, but never brings one forward. Hence the period is the median
    // gap, and the first push's time the least of the arrivals less the periods before them.
    constexpr int Pushes = 5;
    double arrived[Pushes] = {};
    for (int i = 0; i < Pushes; ++i) {
        Check(ReadUntil(cooler, ioEvent, 0x75, 0x02, 2000, report) >= 0, "a push");
        arrived[i] = NowMs() - initialised;
    }
    double gaps[Pushes - 1];
    for (int i = 0; i + 1 < Pushes; ++i) gaps[i] = arrived[i + 1] - arrived[i];
    for (int i = 1; i < Pushes - 1; ++i) {
        for (int j = i; j > 0 && gaps[j] < gaps[j - 1]; --j) {
            const double swap = gaps[j];
            gaps[j] = gaps[j - 1];
            gaps[j - 1] = swap;
        }
    }
    const double interval = (gaps[1] + gaps[2]) / 2;
    double first = arrived[0];
    for (int i = 1; i < Pushes; ++i) {
        if (arrived[i] - i * interval < first) first = arrived[i] - i * interval;
    }
    printf("measure first_push_ms %.3f\nmeasure push_interval_ms %.3f\n", first, interval);
    Check(first > 450 && first < 700 && interval > 400 && interval < 650, "pushed every 500 ms");
    Check(report[15] == 42 && report[16] == 7, "a push carries the readings");
    Check(SendCommand(cooler, ioEvent, StatusRequest, 2), "the fourth request");
    const double late = ReadUntil(cooler, ioEvent, 0x75, 0x01, 1000, report);
    printf("measure late_reply_ms %.3f\n", late);
    Check(late > ReadLimitMs && late < 500, "the late reply after a read's limit");
    CloseCooler(cooler);
}

// Two handles, each with its own queue of 32: every report reaches both, the oldest dropped.
void Queues(HANDLE ioEvent)
{
    HANDLE program = FindCooler();
    HANDLE other = FindCooler();
    Check(program != INVALID_HANDLE_VALUE && other != INVALID_HANDLE_VALUE, "opened twice");
    // Each InitB brings its answer and the 16 unasked reports of the control text: 51.
    for (int i = 0; i < 3; ++i) Check(SendCommand(other, ioEvent, InitB, 2), "InitB written");
    Sleep(100);
    uint8_t report[ReportSize];
    const HANDLE handles[] = {program, other};
    for (HANDLE handle : handles) {
        int read = 0;
        while (ReportIo(handle, ioEvent, IoRead, report, 0)) ++read;
        printf("queued %d\n", read);
        Check(read == 32, "32 reports kept");
    }
    CloseCooler(program);
    CloseCooler(other);
}

// The cooler opened and a pump curve flat at 90 % written to it.
HANDLE OpenWithPumpAt90(HANDLE ioEvent)
{
    HANDLE cooler = FindCooler();
    Check(cooler != INVALID_HANDLE_VALUE, "the cooler is found");
    uint8_t curve[ReportSize] = {0x72, 0x01, 0x01, 0x00};
    for (int i = 4; i < 44; ++i) curve[i] = 90;
    Check(ReportIo(cooler, ioEvent, IoWrite, curve, WriteLimitMs), "the pump curve written");
    return cooler;
}

// Power lost after the first request: the curve written is forgotten, every handle fails at
// once, and the cooler is back after its gap.
void PowerLoss(HANDLE ioEvent)
{
    HANDLE cooler = OpenWithPumpAt90(ioEvent);
    const double lost = NowMs();
    uint8_t report[ReportSize];
    Check(!SendCommand(cooler, ioEvent, StatusRequest, 2), "a write after the power loss fails");
    Check(NowMs() - lost < 150, "at once");
    CloseCooler(cooler);
    cooler = FindCooler();
    Check(cooler == INVALID_HANDLE_VALUE, "gone from the bus");
    while (cooler == INVALID_HANDLE_VALUE && NowMs() - lost < 3000) {
        Sleep(20);
        cooler = FindCooler();
    }
    printf("measure power_back_ms %.3f\n", NowMs() - lost);
    Check(cooler != INVALID_HANDLE_VALUE && NowMs() - lost > 350, "back after the gap");
    Check(StatusRoundTrip(cooler, ioEvent, report) && report[19] == 60, "with the factory pump curve");
    CloseCooler(cooler);
}

// Another controller writes flat curves every second, over the one written here.
void OtherController(HANDLE ioEvent)
{
    HANDLE cooler = OpenWithPumpAt90(ioEvent);
    uint8_t report[ReportSize];
    Check(StatusRoundTrip(cooler, ioEvent, report) && report[19] == 90, "the pump follows it");
    Check(ReadUntil(cooler, ioEvent, 0x73, 0x02, 1500, report) >= 0, "the other's fan curve answered");
    Check(StatusRoundTrip(cooler, ioEvent, report) && report[19] == 50 && report[25] == 30,
          "the pump and fans follow the other's flat curves");
    CloseCooler(cooler);
}

// Every write fails at once, while the cooler is listed and opens, again and again.
void WriteFail(HANDLE ioEvent)
{
    for (int round = 0; round < 3; ++round) {
        HANDLE cooler = FindCooler();
        Check(cooler != INVALID_HANDLE_VALUE, "the cooler is found");
        const double start = NowMs();
        Check(!SendCommand(cooler, ioEvent, InitB, 2), "the write fails");
        printf("measure refused_ms %.3f\n", NowMs() - start);
        Check(NowMs() - start < 100, "at once");
        CloseCooler(cooler);
    }
}

// Every listed interface: its device path and the report lengths its preparsed data gives,
// read through hid.dll's entry points as a program resolves them.
void ListInterfaces()
{
    typedef BOOLEAN(WINAPI * GetPreparsedCall)(HANDLE, void**);
    typedef LONG(WINAPI * GetCapsCall)(void*, HIDP_CAPS*);
    typedef BOOLEAN(WINAPI * FreePreparsedCall)(void*);
    HMODULE hid = LoadLibraryExW(L"hid.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const auto getPreparsed = reinterpret_cast<GetPreparsedCall>(
        reinterpret_cast<void*>(GetProcAddress(hid, "HidD_GetPreparsedData")));
    const auto getCaps =
        reinterpret_cast<GetCapsCall>(reinterpret_cast<void*>(GetProcAddress(hid, "HidP_GetCaps")));
    const auto freePreparsed = reinterpret_cast<FreePreparsedCall>(
        reinterpret_cast<void*>(GetProcAddress(hid, "HidD_FreePreparsedData")));
    Check(getPreparsed && getCaps && freePreparsed, "hid.dll has the three entry points");
    if (!getPreparsed || !getCaps || !freePreparsed) return;
    GUID hidClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
    HDEVINFO set = SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof data;
    for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hidClass, index, &data); ++index) {
        alignas(8) uint8_t buffer[2048] = {};
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer);
        detail->cbSize = sizeof *detail;
        if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, sizeof buffer, nullptr, nullptr)) continue;
        printf("interface %ls", detail->DevicePath);
        HANDLE device = CreateFileW(detail->DevicePath, GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr);
        void* preparsed = nullptr;
        HIDP_CAPS caps = {};
        if (device == INVALID_HANDLE_VALUE) printf(" unopened\n");
        else if (!getPreparsed(device, &preparsed)) printf(" nocaps\n");
        else if (getCaps(preparsed, &caps) != 0x00110000) printf(" capsfailed\n");
        else printf(" in=%u out=%u\n", caps.InputReportByteLength, caps.OutputReportByteLength);
        if (preparsed) Check(freePreparsed(preparsed), "the preparsed data is freed");
        if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
    }
    SetupDiDestroyDeviceInfoList(set);
    Check(!freePreparsed(nullptr) && getCaps(nullptr, nullptr) != 0x00110000, "no data, no caps");
    Check(StandinCount(L"hid.dll", "StandinOpenPreparsedData") == 0, "all preparsed data freed");
}

void Crash(HANDLE)
{
    printf("crashing\n");
    fflush(stdout);
    *static_cast<volatile int*>(nullptr) = 1;
}

} // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2) {
        printf("usage: transport_wine_test CASE [ARGUMENT]\n");
        return 2;
    }
    HANDLE ioEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const char* name = argv[1];
    if (strcmp(name, "none") == 0) NoMatchingInterface(ioEvent);
    else if (strcmp(name, "picks") == 0 && argc == 3) Picks(ioEvent, argv[2]);
    else if (strcmp(name, "roundtrip") == 0) RoundTrip(ioEvent);
    else if (strcmp(name, "short") == 0) ShortRead(ioEvent);
    else if (strcmp(name, "silent") == 0) SilentRead(ioEvent);
    else if (strcmp(name, "deaf") == 0) DeafWrite(ioEvent);
    else if (strcmp(name, "long") == 0) LongCommand(ioEvent);
    else if (strcmp(name, "planted") == 0) PlantedLibrary(ioEvent);
    else if (strcmp(name, "unplug") == 0) UnplugAndBack(ioEvent);
    else if (strcmp(name, "interfaces") == 0) ListInterfaces();
    else if (strcmp(name, "realistic") == 0) Realistic(ioEvent);
    else if (strcmp(name, "queues") == 0) Queues(ioEvent);
    else if (strcmp(name, "powerloss") == 0) PowerLoss(ioEvent);
    else if (strcmp(name, "othercontroller") == 0) OtherController(ioEvent);
    else if (strcmp(name, "writefail") == 0) WriteFail(ioEvent);
    else if (strcmp(name, "crash") == 0) Crash(ioEvent);
    else {
        printf("unknown case %s\n", name);
        return 2;
    }
    printf(Failures == 0 ? "PASS\n" : "FAIL\n");
    return Failures == 0 ? 0 : 1;
}
