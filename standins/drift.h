// Slow, repeatable wandering of simulated readings for the run command's demonstration: sums
// of triangle waves over the time since a stand-in started. Off unless asked for, so tests
// see fixed readings.
#pragma once

#include <stdint.h>

// A triangle wave around 0 reaching ±`amplitude`, period `periodMs` (at least 4 ms): 0 at
// ms 0, rising first.
constexpr int32_t DriftTriangle(uint32_t ms, uint32_t periodMs, int32_t amplitude)
{
    const int64_t quarter = periodMs / 4;
    const int64_t phase = ms % (quarter * 4);
    int64_t rise = phase;                                 // 0 .. quarter
    if (phase >= quarter) rise = 2 * quarter - phase;     // quarter .. -quarter
    if (phase >= 3 * quarter) rise = phase - 4 * quarter; // -quarter .. 0
    return static_cast<int32_t>(rise * amplitude / quarter);
}

// Liquid temperature in tenths of a degree C: 30.1 to 33.9, around 0.5 degrees a minute.
constexpr int32_t DriftLiquidTenths(uint32_t ms)
{
    return 320 + DriftTriangle(ms, 240000, 16) + DriftTriangle(ms, 37000, 3);
}

// GPU core temperature in whole degrees C: 45 to 65.
constexpr int32_t DriftGpuTempC(uint32_t ms)
{
    return 55 + DriftTriangle(ms, 150000, 7) + DriftTriangle(ms, 41000, 3);
}

// GPU fan percent for a core temperature: 35% at 45 °C up to 60% at 65 °C.
constexpr int32_t DriftGpuFanPercent(int32_t tempC)
{
    return 35 + (tempC - 45) * 5 / 4;
}
