// The dashboard's three charts: ten minutes of cooler and GPU history, and the duty curves
// last written with the cooler's measured duties marked at the liquid temperature. Each
// takes the paint's device context with the body font selected and a transparent
// background, and leaves it as it found it.
#pragma once

#include "app/shared_state.h"
#include "telemetry/history.h"
#include "ui/geometry.h"

void DrawPercentGrid(HDC dc, const PixelRect& chart);
void DrawMarker(HDC dc, int32_t x, int32_t y, Colour colour);
// The ring's fan series in `colour` (unless `fans` is false), then its temperature.
void DrawHistoryChart(HDC dc, const PixelRect& chart, const HistoryRing& ring, bool live,
                      Colour colour, const char16_t* emptyText, bool fans = true);
// The area under one curve, filled in `fill` (the palette's area colour).
void DrawCurveArea(HDC dc, const PixelRect& chart, int32_t profile, int32_t channel,
                   int32_t manualDuty, Colour fill);
void DrawCurveLine(HDC dc, const PixelRect& chart, int32_t profile, int32_t channel,
                   int32_t manualDuty, Colour colour);
// The fan curve and duty only for a model with a fan channel.
void DrawCurveChart(HDC dc, const PixelRect& chart, const CoolerStatus& status);
