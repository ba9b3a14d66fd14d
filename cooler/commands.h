// The cooler's language: the bytes of every report sent to it, the checks a reply must pass
// before anything in it is believed, and the five operations built on them. Runs on the
// device worker only; every operation returns false on failure and stores nothing then.
#pragma once

#include "app/shared_state.h"
#include "cooler/transport.h"
#include "profiles/profiles.h"

constexpr int ReplyAttempts = 8; // reads per reply

// Pure encoding and checking over whole reports.
void EncodeDutyCurve(uint8_t report[ReportSize], CurveChannel channel, ProfileId profile,
                     int32_t manualDuty);
constexpr int BrightnessWriteSize = 8; // bytes
void EncodeBrightness(uint8_t command[BrightnessWriteSize], int32_t brightness, int32_t mode);
// A status report: the reply to a status request (75 01) or one the cooler pushes on its own
// after InitA (75 02), with the same layout. Firmware that answers a request with a push
// alone would otherwise never connect.
bool IsStatusReport(const uint8_t report[ReportSize]);
// Sets fields 1 to 7 of `status` from a status report whose values are all in range, or
// whose liquid bytes are FF FF (a fault report: liquidTenths LiquidUnknown).
bool DecodeStatusReply(const uint8_t report[ReportSize], CoolerStatus* status);
// Brightness and mode from a screen-information reply whose values are both in range.
bool DecodeScreenInfoReply(const uint8_t report[ReportSize], int32_t* brightness, int32_t* mode);

// InitA then InitB; InitB only after InitA was written.
bool InitCooler(HANDLE cooler, HANDLE ioEvent);
// Fields 1 to 7 of `status` from the first status report (reply or push) after its request,
// if valid. Like ReadScreenInfo, drops what input was waiting before it writes its request.
bool ReadStatus(HANDLE cooler, HANDLE ioEvent, CoolerStatus* status);
// One 40-point duty curve for the channel.
bool WriteDutyCurve(HANDLE cooler, HANDLE ioEvent, CurveChannel channel, ProfileId profile,
                    int32_t manualDuty);
// ScreenBrightness and ScreenMode from a valid screen-information reply, both or neither.
bool ReadScreenInfo(HANDLE cooler, HANDLE ioEvent);
// The screen brightness, with the screen mode sent back as it was read.
bool WriteBrightness(HANDLE cooler, HANDLE ioEvent, int32_t brightness, int32_t mode);
