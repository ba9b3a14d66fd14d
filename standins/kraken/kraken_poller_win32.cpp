// A second program on the simulated cooler, for tests: it opens the first present cooler
// interface of the control file, as another cooler tool would beside Tidewatch.exe, and
// polls its status RATE times a second: it drops what waits, writes the status request and
// reads until the status reply (8 reads of 175 ms at most). Its replies, like everything the
// device sends, reach every open handle of the interface. One line per poll on stdout:
//
//   <ms since start> open | poll ok LIQUID_TENTHS | poll failed | no cooler
//
// and at the end "polls N answered M". A failed write closes the handle; the next poll opens
// the interface again.
// Usage: kraken_poller.exe RATE_HZ [SECONDS] (no SECONDS: until killed).
#include "cooler/transport.h"
#include "standins/kraken/control_win32.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

constexpr uint8_t StatusRequest[] = {0x74, 0x01};
constexpr int ReplyReads = 8;

LARGE_INTEGER StartCount = {};
LARGE_INTEGER CountsPerSecond = {};

double ElapsedMs()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - StartCount.QuadPart) * 1000.0 /
           static_cast<double>(CountsPerSecond.QuadPart);
}

// The first present, unheld cooler interface opened as a HID handle is, in message mode.
HANDLE OpenCooler()
{
    SimConfig config;
    LoadControl(&config);
    for (int i = 0; i < config.interfaceCount; ++i) {
        const SimInterface& device = config.interfaces[i];
        if (!IsCoolerInterface(device) || device.absent || device.held) continue;
        wchar_t path[PipePathCapacity];
        SimPipePath(device, path);
        HANDLE cooler = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (cooler == INVALID_HANDLE_VALUE) continue;
        DWORD mode = PIPE_READMODE_MESSAGE;
        if (SetNamedPipeHandleState(cooler, &mode, nullptr, nullptr)) return cooler;
        CloseHandle(cooler);
    }
    return INVALID_HANDLE_VALUE;
}

// One poll; false when the request could not be written.
bool Poll(HANDLE cooler, HANDLE ioEvent, int* answered)
{
    DiscardInput(cooler, ioEvent);
    if (!SendCommand(cooler, ioEvent, StatusRequest, sizeof StatusRequest)) {
        printf("%.1f poll failed\n", ElapsedMs());
        return false;
    }
    uint8_t reply[ReportSize];
    for (int read = 0; read < ReplyReads; ++read) {
        if (ReportIo(cooler, ioEvent, IoRead, reply, ReadLimitMs) && reply[0] == 0x75 && reply[1] == 0x01) {
            printf("%.1f poll ok %d\n", ElapsedMs(), reply[15] * 10 + reply[16]);
            ++*answered;
            return true;
        }
    }
    printf("%.1f poll failed\n", ElapsedMs());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const int rate = argc >= 2 ? atoi(argv[1]) : 0; // polls a second
    if (argc < 2 || argc > 3 || rate < 1 || rate > 100) {
        fprintf(stderr, "usage: kraken_poller RATE_HZ [SECONDS]\n");
        return 2;
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    const double limitMs = argc == 3 ? atof(argv[2]) * 1000.0 : -1.0;
    QueryPerformanceFrequency(&CountsPerSecond);
    QueryPerformanceCounter(&StartCount);
    HANDLE ioEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE cooler = INVALID_HANDLE_VALUE;
    int polls = 0;
    int answered = 0;
    for (double next = 0; limitMs < 0 || next < limitMs; next += 1000.0 / rate) {
        const double wait = next - ElapsedMs();
        if (wait > 0) Sleep(static_cast<DWORD>(wait));
        if (cooler == INVALID_HANDLE_VALUE) {
            cooler = OpenCooler();
            if (cooler == INVALID_HANDLE_VALUE) {
                printf("%.1f no cooler\n", ElapsedMs());
                continue;
            }
            printf("%.1f open\n", ElapsedMs());
        }
        ++polls;
        if (!Poll(cooler, ioEvent, &answered)) {
            CloseHandle(cooler);
            cooler = INVALID_HANDLE_VALUE;
        }
    }
    printf("polls %d answered %d\n", polls, answered);
    if (cooler != INVALID_HANDLE_VALUE) CloseHandle(cooler);
    return 0;
}
