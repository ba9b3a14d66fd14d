#include "ui/charts.h"

#include "app/text.h"
#include "profiles/profiles.h"
#include "ui/dashboard_text.h"
#include "ui/draw_win32.h"
#include "app/shell.h"
#include "ui/theme.h"

namespace {

HistorySample HistoryCopy[HistoryCapacity]; // interface thread: one chart at a time
POINT ChartPoints[HistoryCapacity];         // interface thread: one series at a time

constexpr int32_t LineWidth96 = 2;
constexpr int32_t MarkerRadius96 = 3;

void DrawPolyline(HDC dc, const POINT* points, int count, Colour colour)
{
    HPEN pen = CreatePen(PS_SOLID, Scale(LineWidth96, LayoutDpi), colour);
    if (!pen) return;
    HGDIOBJ previous = SelectObject(dc, pen);
    Polyline(dc, points, count);
    SelectObject(dc, previous);
    DeleteObject(pen);
}

// The 40 points of a curve, 20 to 59 °C, into ChartPoints.
void FillCurvePoints(const PixelRect& chart, int32_t profile, int32_t channel, int32_t manualDuty)
{
    uint8_t curve[CurvePoints];
    BuildDutyCurve(profile, channel, manualDuty, curve);
    for (int k = 0; k < CurvePoints; ++k) {
        ChartPoints[k].x = CurveX(chart, 10 * (CurveFirstDegree + k));
        ChartPoints[k].y = PercentY(chart, curve[k]);
    }
}

} // namespace

void DrawPercentGrid(HDC dc, const PixelRect& chart)
{
    HBRUSH brush = CreateSolidBrush(ActivePalette->grid);
    if (!brush) return;
    SetTextColor(dc, ActivePalette->textMuted);
    for (int32_t value = 0; value <= 100; value += 50) {
        const int32_t y = PercentY(chart, value);
        const RECT line = {chart.left, y, chart.right, y + 1};
        FillRect(dc, &line, brush);
        char16_t label[8];
        AppendDecimal(label, 0, 8, static_cast<uint32_t>(value));
        RECT box = {Scale(28, LayoutDpi), y - Scale(9, LayoutDpi), chart.left - Scale(8, LayoutDpi),
                    y + Scale(9, LayoutDpi)};
        DrawTextW(dc, reinterpret_cast<const wchar_t*>(label), -1, &box, TextRight);
    }
    DeleteObject(brush);
}

void DrawMarker(HDC dc, int32_t x, int32_t y, Colour colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    if (!brush) return;
    const int32_t r = Scale(MarkerRadius96, LayoutDpi);
    HGDIOBJ previousBrush = SelectObject(dc, brush);
    HGDIOBJ previousPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, x - r, y - r, x + r + 1, y + r + 1);
    SelectObject(dc, previousPen);
    SelectObject(dc, previousBrush);
    DeleteObject(brush);
}

void DrawHistoryChart(HDC dc, const PixelRect& chart, const HistoryRing& ring, bool live,
                      Colour colour, const char16_t* emptyText, bool fans)
{
    const uint32_t now = GetTickCount();
    DrawPercentGrid(dc, chart);
    const int count = CopyHistory(ring, HistoryCopy);
    if (count == 0 && !live) {
        DrawTextIn(dc, chart, emptyText, ActivePalette->textMuted, TextCentred);
        return;
    }
    // Fans first, so that the temperature line lies on top.
    for (int series = fans ? 0 : 1; series < 2; ++series) {
        const Colour seriesColour = series == 0 ? colour : ActivePalette->temperature;
        int k = 0;
        for (int i = 0; i < count; ++i) {
            int32_t x = 0;
            if (!HistoryX(chart, now, HistoryCopy[i].tick, &x)) continue;
            const int32_t value = series == 0 ? HistoryCopy[i].fanPercent : HistoryCopy[i].tempC;
            ChartPoints[k++] = {x, PercentY(chart, value)};
        }
        if (k >= 2) DrawPolyline(dc, ChartPoints, k, seriesColour);
        if (k >= 1 && live) DrawMarker(dc, ChartPoints[k - 1].x, ChartPoints[k - 1].y, seriesColour);
    }
}

void DrawCurveArea(HDC dc, const PixelRect& chart, int32_t profile, int32_t channel,
                   int32_t manualDuty, Colour fill)
{
    HBRUSH brush = CreateSolidBrush(fill);
    if (!brush) return;
    FillCurvePoints(chart, profile, channel, manualDuty);
    ChartPoints[CurvePoints] = {chart.right, chart.bottom};
    ChartPoints[CurvePoints + 1] = {chart.left, chart.bottom};
    HGDIOBJ previousBrush = SelectObject(dc, brush);
    HGDIOBJ previousPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Polygon(dc, ChartPoints, CurvePoints + 2);
    SelectObject(dc, previousPen);
    SelectObject(dc, previousBrush);
    DeleteObject(brush);
}

void DrawCurveLine(HDC dc, const PixelRect& chart, int32_t profile, int32_t channel,
                   int32_t manualDuty, Colour colour)
{
    FillCurvePoints(chart, profile, channel, manualDuty);
    DrawPolyline(dc, ChartPoints, CurvePoints, colour);
}

void DrawCurveChart(HDC dc, const PixelRect& chart, const CoolerStatus& status)
{
    const int32_t profile = AtomicRead(&AppliedProfile);
    const int32_t pumpDuty = AtomicRead(&AppliedPumpDuty);
    const int32_t fanDuty = AtomicRead(&AppliedFanDuty);
    const Palette& palette = *ActivePalette;
    const bool fans = CurrentModel().fans;
    if (profile != ProfileUnchanged) {
        if (fans) DrawCurveArea(dc, chart, profile, ChannelFans, fanDuty, palette.fanArea);
        DrawCurveArea(dc, chart, profile, ChannelPump, pumpDuty, palette.pumpArea);
    }
    DrawPercentGrid(dc, chart);

    const int32_t labelDegrees[] = {20, 30, 40, 50, 59};
    for (int32_t degrees : labelDegrees) {
        const int32_t x = CurveX(chart, 10 * degrees);
        char16_t label[8];
        const int pos = AppendDecimal(label, 0, 8, static_cast<uint32_t>(degrees));
        AppendText(label, pos, 8, u"°");
        const PixelRect box = {x - Scale(18, LayoutDpi), chart.bottom + Scale(6, LayoutDpi),
                               x + Scale(18, LayoutDpi), chart.bottom + Scale(24, LayoutDpi)};
        DrawTextIn(dc, box, label, palette.textMuted, TextCentred);
    }

    if (profile == ProfileUnchanged) {
        DrawTextIn(dc, chart, NoCurveWritten, palette.textMuted, TextCentred);
    } else {
        DrawCurveLine(dc, chart, profile, ChannelPump, pumpDuty, palette.accent);
        if (fans) DrawCurveLine(dc, chart, profile, ChannelFans, fanDuty, palette.fans);
    }

    if (!status.connected || status.liquidTenths == LiquidUnknown) return;
    const int32_t x = CurveX(chart, status.liquidTenths);
    FillSolid(dc, {x, chart.top, x + 1, chart.bottom}, palette.textMuted);
    DrawMarker(dc, x, PercentY(chart, status.pumpDuty), palette.accent);
    if (fans) DrawMarker(dc, x, PercentY(chart, status.fanDuty), palette.fans);
}
