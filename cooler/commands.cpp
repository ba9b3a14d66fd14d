#include "cooler/commands.h"

namespace {

const uint8_t InitA[] = {0x70, 0x02, 0x01, 0xB8, 0x01};
const uint8_t InitB[] = {0x70, 0x01};
const uint8_t StatusRequest[] = {0x74, 0x01};
const uint8_t ScreenInfoRequest[] = {0x30, 0x01};

bool IsScreenInfoReply(const uint8_t report[ReportSize])
{
    return report[0] == 0x31 && report[1] == 0x01;
}

// Reads up to ReplyAttempts reports until one is what `expected` accepts. Failed reads and
// reports that answer something else (or nothing) each use up one attempt.
bool WaitForReply(HANDLE cooler, HANDLE ioEvent, bool (*expected)(const uint8_t*),
                  uint8_t reply[ReportSize])
{
    for (int attempt = 0; attempt < ReplyAttempts; ++attempt) {
        for (int i = 0; i < ReportSize; ++i) reply[i] = 0;
        if (!ReportIo(cooler, ioEvent, IoRead, reply, ReadLimitMs)) continue;
        if (expected(reply)) return true;
    }
    return false;
}

} // namespace

void EncodeDutyCurve(uint8_t report[ReportSize], CurveChannel channel, ProfileId profile,
                     int32_t manualDuty)
{
    const bool pump = channel != ChannelFans;
    for (int i = 0; i < ReportSize; ++i) report[i] = 0;
    report[0] = 0x72;
    report[1] = pump ? 0x01 : 0x02;
    report[2] = 0x01;
    report[3] = pump ? 0x00 : 0x01;
    BuildDutyCurve(profile, channel, manualDuty, report + 4);
}

void EncodeBrightness(uint8_t command[BrightnessWriteSize], int32_t brightness, int32_t mode)
{
    command[0] = 0x30;
    command[1] = 0x02;
    command[2] = 0x01;
    command[3] = static_cast<uint8_t>(brightness);
    command[4] = 0x00;
    command[5] = 0x00;
    command[6] = 0x01;
    command[7] = static_cast<uint8_t>(mode);
}

bool IsStatusReport(const uint8_t report[ReportSize])
{
    return report[0] == 0x75 && (report[1] == 0x01 || report[1] == 0x02);
}

bool DecodeStatusReply(const uint8_t report[ReportSize], CoolerStatus* status)
{
    if (!IsStatusReport(report)) return false;
    const int32_t whole = report[15];
    const int32_t tenths = report[16];
    int32_t pumpDuty = report[19];
    int32_t fanDuty = report[25];
    // Liquid FF FF: the cooler reports a fault (most often no SATA power). The reply is
    // whole: its liquid is unknown, its speeds believed, a duty out of range read as 0.
    const bool fault = whole == 0xFF && tenths == 0xFF;
    if (fault) {
        pumpDuty = pumpDuty > 100 ? 0 : pumpDuty;
        fanDuty = fanDuty > 100 ? 0 : fanDuty;
    } else if (tenths > 9 || whole * 10 + tenths > 1000 || pumpDuty > 100 || fanDuty > 100) {
        return false;
    }
    status->connected = 1;
    status->linkState = LinkOpening;
    status->liquidTenths = fault ? LiquidUnknown : whole * 10 + tenths;
    status->pumpRpm = report[17] + 256 * report[18];
    status->pumpDuty = pumpDuty;
    status->fanRpm = report[23] + 256 * report[24];
    status->fanDuty = fanDuty;
    return true;
}

bool DecodeScreenInfoReply(const uint8_t report[ReportSize], int32_t* brightness, int32_t* mode)
{
    if (!IsScreenInfoReply(report)) return false;
    if (report[24] > 100) return false;
    if (report[26] > 3) return false;
    *brightness = report[24];
    *mode = report[26];
    return true;
}

bool InitCooler(HANDLE cooler, HANDLE ioEvent)
{
    if (!SendCommand(cooler, ioEvent, InitA, sizeof InitA)) return false;
    return SendCommand(cooler, ioEvent, InitB, sizeof InitB);
}

bool ReadStatus(HANDLE cooler, HANDLE ioEvent, CoolerStatus* status)
{
    DiscardInput(cooler, ioEvent);
    if (!SendCommand(cooler, ioEvent, StatusRequest, sizeof StatusRequest)) return false;
    uint8_t reply[ReportSize];
    if (!WaitForReply(cooler, ioEvent, IsStatusReport, reply)) return false;
    return DecodeStatusReply(reply, status);
}

bool WriteDutyCurve(HANDLE cooler, HANDLE ioEvent, CurveChannel channel, ProfileId profile,
                    int32_t manualDuty)
{
    uint8_t report[ReportSize];
    EncodeDutyCurve(report, channel, profile, manualDuty);
    return ReportIo(cooler, ioEvent, IoWrite, report, WriteLimitMs);
}

bool ReadScreenInfo(HANDLE cooler, HANDLE ioEvent)
{
    DiscardInput(cooler, ioEvent);
    if (!SendCommand(cooler, ioEvent, ScreenInfoRequest, sizeof ScreenInfoRequest)) return false;
    uint8_t reply[ReportSize];
    if (!WaitForReply(cooler, ioEvent, IsScreenInfoReply, reply)) return false;
    int32_t brightness = 0;
    int32_t mode = 0;
    if (!DecodeScreenInfoReply(reply, &brightness, &mode)) return false;
    InterlockedExchange(&ScreenBrightness, brightness);
    InterlockedExchange(&ScreenMode, mode);
    return true;
}

bool WriteBrightness(HANDLE cooler, HANDLE ioEvent, int32_t brightness, int32_t mode)
{
    uint8_t command[BrightnessWriteSize];
    EncodeBrightness(command, brightness, mode);
    return SendCommand(cooler, ioEvent, command, sizeof command);
}
