#include "cooler/transport.h"

bool SendCommand(HANDLE cooler, HANDLE ioEvent, const uint8_t* command, int length)
{
    uint8_t report[ReportSize] = {};
    if (length < 0 || length > ReportSize) return false;
    for (int i = 0; i < length; ++i) report[i] = command[i];
    return ReportIo(cooler, ioEvent, IoWrite, report, WriteLimitMs);
}

void DiscardInput(HANDLE cooler, HANDLE ioEvent)
{
    uint8_t report[ReportSize];
    for (int i = 0; i < DiscardLimit; ++i) {
        if (!ReportIo(cooler, ioEvent, IoRead, report, 0)) return;
    }
}
