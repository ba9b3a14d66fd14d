#include "ui/dashboard.h"

#include "app/shared_state.h"
#include "app/shell.h"
#include "profiles/profiles.h"
#include "telemetry/gpu.h"
#include "telemetry/history.h"
#include "ui/accessible_server.h"
#include "ui/charts.h"
#include "ui/controls.h"
#include "ui/dashboard_text.h"
#include "ui/draw_win32.h"
#include "ui/fonts.h"
#include "ui/theme.h"

namespace {

PixelRect Row(DashboardRow row, const RECT& client)
{
    return DashboardRowRect(row, client.right, client.bottom, LayoutDpi);
}

// Row 2: the number in HeroFont and the unit in UnitFont after it, on one baseline.
void DrawTemperature(HDC dc, const PixelRect& row, const char16_t* number, Colour colour)
{
    HGDIOBJ previousFont = HeroFont ? SelectObject(dc, HeroFont) : nullptr;
    const FontLines numberLines = SelectedFontLines(dc);
    const int32_t numberWidth = TextWidth(dc, number);
    if (UnitFont) SelectObject(dc, UnitFont);
    const TemperatureBoxes boxes =
        TemperatureLayout(row, numberWidth, numberLines, SelectedFontLines(dc), LayoutDpi);
    DrawTextIn(dc, boxes.unit, TemperatureUnit, colour, TextTop);
    if (HeroFont) SelectObject(dc, HeroFont);
    DrawTextIn(dc, boxes.number, number, colour, TextTop);
    if (previousFont) SelectObject(dc, previousFont);
}

// Rows 1 to 5: header, liquid temperature, pump, fan and GPU lines.
void DrawReadings(HDC dc, const RECT& client, const CoolerStatus& status, char16_t* line)
{
    const Palette& palette = *ActivePalette;
    const bool connected = status.connected != 0;
    // An alert in the badge's red; with high contrast on, in the highlight colour (the accent).
    const Colour alert = ActivePalette == &HighContrastPalette ? palette.accent : ColourRed;
    HeaderText(line, DashboardLineCapacity, status);
    DrawTextIn(dc, Row(RowHeader, client), line,
               connected && (status.conditions & ConditionAlerts) ? alert : palette.textSecondary, TextLine);

    TemperatureNumber(line, DashboardLineCapacity, status);
    DrawTemperature(dc, Row(RowTemperature, client), line,
                    connected ? palette.text : palette.textMuted);

    PumpLineText(line, DashboardLineCapacity, status);
    DrawTextIn(dc, Row(RowPumpLine, client), line, palette.textSecondary, TextLineCut);
    FanLineText(line, DashboardLineCapacity, status);
    DrawTextIn(dc, Row(RowFanLine, client), line, palette.textSecondary, TextLine);
    GpuLineText(line, DashboardLineCapacity, status);
    DrawTextIn(dc, Row(RowGpuLine, client), line, palette.textSecondary, TextLine);
}

// Rows 6 to 11: both history sections and the time captions under the second.
void DrawHistorySections(HDC dc, const RECT& client, const CoolerStatus& status, char16_t* line)
{
    const Palette& palette = *ActivePalette;
    // A model without a fan channel: the temperature alone.
    const bool fans = CurrentModel().fans;
    DrawSectionTitle(dc, Row(RowCoolerTitle, client), CoolerTitle, palette.textSecondary,
                     fans ? FansLabel : TempLegend, fans ? palette.fans : palette.temperature,
                     fans ? TempLegend : u"", palette.temperature);
    DrawHistoryChart(dc, Row(RowCoolerChart, client), CoolerHistory, status.connected != 0,
                     palette.fans, NoCoolerHistory, fans);

    char16_t name[GpuNameCapacity];
    CopyGpuName(name);
    GpuTitleText(line, DashboardLineCapacity, name);
    DrawSectionTitle(dc, Row(RowGpuTitle, client), line, palette.textSecondary, FanLegend,
                     palette.gpuFan, TempLegend, palette.temperature);
    DrawHistoryChart(dc, Row(RowGpuChart, client), GpuHistory, status.gpuValid != 0,
                     palette.gpuFan, NoGpuTelemetry);
    DrawTextIn(dc, Row(RowLeftCaption, client), u"10 min ago", palette.textMuted, TextLine);
    DrawTextIn(dc, Row(RowRightCaption, client), u"now", palette.textMuted, TextRight);
}

// Steps 3 to 6 of a paint, into `dc`: the background, then every row in order.
void DrawDashboard(HDC dc, const RECT& client)
{
    const Palette& palette = *ActivePalette;
    char16_t line[DashboardLineCapacity]; // every composed text in turn
    FillSolid(dc, {0, 0, client.right, client.bottom}, palette.background);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ previousFont = BodyFont ? SelectObject(dc, BodyFont) : nullptr;

    CoolerStatus status;
    CopyLatestStatus(&status);
    AnnounceChanges(status);
    DrawReadings(dc, client, status, line);
    DrawHistorySections(dc, client, status, line);
    DrawSectionTitle(dc, Row(RowCurveTitle, client), CurveTitle, palette.accent,
                     PumpLabel, palette.accent, CurrentModel().fans ? FansLabel : u"", palette.fans);
    DrawCurveChart(dc, Row(RowCurveChart, client), status);
    DrawControls(dc, status);

    CurveSentence(line, DashboardLineCapacity, AtomicRead(&AppliedProfile));
    DrawTextIn(dc, Row(RowStatusSentence, client), line, palette.textSecondary, TextLineCut);
    if (StartupMicros != 0) {
        FooterText(line, DashboardLineCapacity, StartupMicros, VersionMajor, VersionMinor,
                   VersionBuild);
        DrawTextIn(dc, Row(RowFooter, client), line, palette.textMuted, TextLine);
    }

    if (previousFont) SelectObject(dc, previousFont);
}

} // namespace

void DrawSectionTitle(HDC dc, const PixelRect& rect, const char16_t* title, Colour titleColour,
                      const char16_t* legend1, Colour colour1, const char16_t* legend2,
                      Colour colour2)
{
    const SectionTitleBoxes boxes =
        SectionTitleLayout(rect, TextWidth(dc, title), TextWidth(dc, legend1), LayoutDpi);
    DrawTextIn(dc, boxes.title, title, titleColour, TextLineCut);
    DrawTextIn(dc, boxes.legend1, legend1, colour1, TextLine);
    DrawTextIn(dc, boxes.legend2, legend2, colour2, TextLine);
}

void PaintDashboard(HWND window)
{
    PAINTSTRUCT paint = {};
    HDC windowDc = BeginPaint(window, &paint);
    if (windowDc) {
        RECT client = {};
        GetClientRect(window, &client);
        // Drawn off screen and copied in one step, so the window never flickers; without
        // the memory context or its bitmap it is drawn straight into the window.
        HDC memoryDc = CreateCompatibleDC(windowDc);
        HBITMAP bitmap =
            memoryDc ? CreateCompatibleBitmap(windowDc, client.right, client.bottom) : nullptr;
        if (memoryDc && !bitmap) {
            DeleteDC(memoryDc);
            memoryDc = nullptr;
        }
        if (memoryDc) {
            HGDIOBJ previousBitmap = SelectObject(memoryDc, bitmap);
            DrawDashboard(memoryDc, client);
            BitBlt(windowDc, 0, 0, client.right, client.bottom, memoryDc, 0, 0, SRCCOPY);
            SelectObject(memoryDc, previousBitmap);
            DeleteObject(bitmap);
            DeleteDC(memoryDc);
        } else {
            DrawDashboard(windowDc, client);
        }
    }
    EndPaint(window, &paint);
}
