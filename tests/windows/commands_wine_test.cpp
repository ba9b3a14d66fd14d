// The real command set over the real Windows transport against the simulated cooler under
// Wine. The arguments are a list of operations run in order on the one cooler found; each
// prints one line, "NAME ok=0|1 ... ms=ELAPSED", that the scenario script compares, together
// with the simulator's log of the reports it read. Exit code 2 for bad arguments or no cooler.
//
//   init                          InitCooler
//   status                        ReadStatus into one record kept across operations; it
//                                 starts with every field -7, so untouched fields show
//   screen                        ReadScreenInfo; prints ScreenBrightness and ScreenMode
//   preset BRIGHTNESS MODE        sets ScreenBrightness and ScreenMode before a query
//   curve pump|fans PROFILE DUTY  WriteDutyCurve
//   brightness LEVEL MODE         WriteBrightness
//   leftover                      reads one more report (175 ms): what a reply wait left
#include "cooler/commands.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

constexpr int32_t Untouched = -7;

double NowMs()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void PrintStatus(bool ok, const CoolerStatus& s, double ms)
{
    printf("status ok=%d connected=%d link=%d liquid=%d pumprpm=%d pumpduty=%d fanrpm=%d "
           "fanduty=%d gpu=%d,%d,%d,%d ms=%.1f\n",
           ok, s.connected, s.linkState, s.liquidTenths, s.pumpRpm, s.pumpDuty, s.fanRpm,
           s.fanDuty, s.gpuValid, s.gpuFanPercent, s.gpuFanRpm, s.gpuTempC, ms);
}

} // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    HANDLE ioEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE cooler = FindCooler();
    if (cooler == INVALID_HANDLE_VALUE) {
        printf("no cooler\n");
        return 2;
    }
    CoolerStatus record;
    int32_t* field = &record.connected;
    for (unsigned i = 0; i < sizeof record / sizeof *field; ++i) field[i] = Untouched;

    for (int at = 1; at < argc; ++at) {
        const char* op = argv[at];
        const int left = argc - at - 1;
        const double start = NowMs();
        if (strcmp(op, "init") == 0) {
            const bool ok = InitCooler(cooler, ioEvent);
            printf("init ok=%d ms=%.1f\n", ok, NowMs() - start);
        } else if (strcmp(op, "status") == 0) {
            const bool ok = ReadStatus(cooler, ioEvent, &record);
            PrintStatus(ok, record, NowMs() - start);
        } else if (strcmp(op, "screen") == 0) {
            const bool ok = ReadScreenInfo(cooler, ioEvent);
            printf("screen ok=%d brightness=%ld mode=%ld ms=%.1f\n", ok, ScreenBrightness,
                   ScreenMode, NowMs() - start);
        } else if (strcmp(op, "preset") == 0 && left >= 2) {
            InterlockedExchange(&ScreenBrightness, atoi(argv[at + 1]));
            InterlockedExchange(&ScreenMode, atoi(argv[at + 2]));
            at += 2;
        } else if (strcmp(op, "curve") == 0 && left >= 3) {
            const CurveChannel channel = strcmp(argv[at + 1], "fans") == 0 ? ChannelFans : ChannelPump;
            const bool ok = WriteDutyCurve(cooler, ioEvent, channel, atoi(argv[at + 2]), atoi(argv[at + 3]));
            printf("curve ok=%d ms=%.1f\n", ok, NowMs() - start);
            at += 3;
        } else if (strcmp(op, "brightness") == 0 && left >= 2) {
            const bool ok = WriteBrightness(cooler, ioEvent, atoi(argv[at + 1]), atoi(argv[at + 2]));
            printf("brightness ok=%d ms=%.1f\n", ok, NowMs() - start);
            at += 2;
        } else if (strcmp(op, "leftover") == 0) {
            uint8_t report[ReportSize] = {};
            const bool ok = ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs);
            printf("leftover ok=%d bytes=%02x%02x ms=%.1f\n", ok, report[0], report[1], NowMs() - start);
        } else {
            printf("bad operation %s\n", op);
            return 2;
        }
    }
    CloseCooler(cooler);
    return 0;
}
