// The dashboard's composed texts as functions of the values they show. Each builds from
// position 0 of a buffer of `cap` characters and returns the position of the terminator;
// the dashboard passes its one line buffer of DashboardLineCapacity.
#pragma once

#include "app/shared_state.h"
#include "cooler/models.h"

constexpr int DashboardLineCapacity = 96; // characters, terminator included

// The row of cooler/models.h of the cooler last opened (CoolerModelIndex, which the worker
// sets to rows only), the first before one is: its name, fans and screen.
const CoolerModel& CurrentModel();

// Fixed texts of the dashboard, which its accessible elements read out too.
inline constexpr char16_t CoolerTitle[] = u"COOLER";
inline constexpr char16_t CurveTitle[] = u"COOLER CURVE  ·  EDITABLE";
inline constexpr char16_t PumpLabel[] = u"Pump";
inline constexpr char16_t FansLabel[] = u"Fans";
inline constexpr char16_t FanLegend[] = u"Fan";
inline constexpr char16_t TempLegend[] = u"Temp";
inline constexpr char16_t NoCoolerHistory[] = u"No cooler history";
inline constexpr char16_t NoGpuTelemetry[] = u"No GPU telemetry";
inline constexpr char16_t NoCurveWritten[] = u"No curve written this run";
inline constexpr char16_t ApplyCaption[] = u"Apply";
inline constexpr char16_t AppliedCaption[] = u"Applied";

// The word for one condition (app/shared_state.h) in the header, the tooltip and the
// balloon: "PUMP STOPPED", "LIQUID HOT", "COOLER FAULT" or "CURVE NOT HELD".
const char16_t* ConditionWord(int32_t kind);

// For each condition among `conditions`, pump first, `separator` and its word.
int AppendConditions(char16_t* buffer, int pos, int cap, int32_t conditions,
                     const char16_t* separator);

// The model's name (cooler/models.h), then as for the Kraken Elite:
// "KRAKEN ELITE  ·  CONNECTED", or the conditions on while connected in their order
// ("KRAKEN ELITE  ·  PUMP STOPPED  ·  CURVE NOT HELD"), or "KRAKEN ELITE  ·  WAITING".
int HeaderText(char16_t* buffer, int cap, const CoolerStatus& status);

// "31.2" from the liquid temperature in tenths while connected and known, else "--.-"; the unit
// TemperatureUnit is drawn after it in a smaller font.
int TemperatureNumber(char16_t* buffer, int cap, const CoolerStatus& status);
constexpr char16_t TemperatureUnit[] = u"°C";

// The pump figures while connected, else what the link is doing.
int PumpLineText(char16_t* buffer, int cap, const CoolerStatus& status);

// The fan figures while connected, "Fans on the motherboard" for a model without a fan
// channel, else empty.
int FanLineText(char16_t* buffer, int cap, const CoolerStatus& status);

// The GPU's figures while its sample is valid, else "GPU  —"; independent of the cooler.
int GpuLineText(char16_t* buffer, int cap, const CoolerStatus& status);

// "GPU", followed by "  ·  " and the name when there is one.
int GpuTitleText(char16_t* buffer, int cap, const char16_t* gpuName);

// The version when any part of it is known, then the start-up time in milliseconds with one
// truncated decimal, and the promise of local-only operation.
int FooterText(char16_t* buffer, int cap, int64_t startupMicros, uint16_t major, uint16_t minor,
               uint16_t build);
