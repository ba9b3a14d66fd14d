#include "ui/dashboard.h"

#include "app/shared_state.h"
#include "app/shell.h"
#include "app/text.h"
#include "profiles/profiles.h"
#include "telemetry/gpu.h"
#include "telemetry/history.h"
#include "ui/charts.h"
#include "ui/controls.h"
#include "ui/draw_win32.h"
#include "ui/fonts.h"
#include "ui/theme.h"

namespace {

constexpr int LineCapacity = 96; // characters

constexpr int32_t TitleWidth96 = 232;
constexpr int32_t TitleGap96 = 24;
constexpr int32_t LegendGap96 = 16;

PixelRect Row(DashboardRow row, const RECT& client)
{
    return DashboardRowRect(row, client.right, client.bottom, CurrentDpi);
}

void DrawReadings(HDC dc, const RECT& client, const CoolerStatus& status)
{
    const Palette& palette = *ActivePalette;
    const bool connected = status.connected != 0;
    char16_t line[LineCapacity];

    DrawTextIn(dc, Row(RowHeader, client),
               connected ? u"KRAKEN ELITE  ·  CONNECTED" : u"KRAKEN ELITE  ·  WAITING",
               palette.textSecondary, TextLine);

    HGDIOBJ bodyFont = HeroFont ? SelectObject(dc, HeroFont) : nullptr;
    if (connected) {
        const int pos = AppendTenths(line, 0, LineCapacity, status.liquidTenths);
        AppendText(line, pos, LineCapacity, u" °C");
    } else {
        AppendText(line, 0, LineCapacity, u"--.- °C");
    }
    DrawTextIn(dc, Row(RowTemperature, client), line, connected ? palette.text : palette.textMuted,
               TextLine);
    if (bodyFont) SelectObject(dc, bodyFont);

    if (connected) LabelRpmPercent(line, LineCapacity, u"Pump", status.pumpRpm, status.pumpDuty);
    else if (status.linkState == LinkNotFound) AppendText(line, 0, LineCapacity, u"Cooler not found");
    else AppendText(line, 0, LineCapacity, u"Opening local HID interface…");
    DrawTextIn(dc, Row(RowPumpLine, client), line, palette.textSecondary, TextLineCut);

    line[0] = 0;
    if (connected) LabelRpmPercent(line, LineCapacity, u"Fans", status.fanRpm, status.fanDuty);
    DrawTextIn(dc, Row(RowFanLine, client), line, palette.textSecondary, TextLine);

    if (status.gpuValid) {
        int pos = AppendText(line, 0, LineCapacity, u"GPU  ");
        pos = AppendDecimal(line, pos, LineCapacity, static_cast<uint32_t>(status.gpuFanRpm));
        pos = AppendText(line, pos, LineCapacity, u" RPM  ");
        pos = AppendDecimal(line, pos, LineCapacity, static_cast<uint32_t>(status.gpuFanPercent));
        pos = AppendText(line, pos, LineCapacity, u"%  ");
        pos = AppendDecimal(line, pos, LineCapacity, static_cast<uint32_t>(status.gpuTempC));
        AppendText(line, pos, LineCapacity, u" °C");
    } else {
        AppendText(line, 0, LineCapacity, u"GPU  —");
    }
    DrawTextIn(dc, Row(RowGpuLine, client), line, palette.textSecondary, TextLine);
}

void DrawHistorySections(HDC dc, const RECT& client, const CoolerStatus& status)
{
    const Palette& palette = *ActivePalette;
    DrawSectionTitle(dc, Row(RowCoolerTitle, client), u"COOLER", palette.textSecondary, u"Fans",
                     ColourBlue, u"Temp", ColourAmber);
    DrawHistoryChart(dc, Row(RowCoolerChart, client), CoolerHistory, status.connected != 0,
                     ColourBlue, u"No cooler history");

    char16_t title[LineCapacity];
    char16_t name[GpuNameCapacity];
    CopyGpuName(name);
    int pos = AppendText(title, 0, LineCapacity, u"GPU");
    if (name[0]) {
        pos = AppendText(title, pos, LineCapacity, u"  ·  ");
        AppendText(title, pos, LineCapacity, name);
    }
    DrawSectionTitle(dc, Row(RowGpuTitle, client), title, palette.textSecondary, u"Fan",
                     ColourGreen, u"Temp", ColourAmber);
    DrawHistoryChart(dc, Row(RowGpuChart, client), GpuHistory, status.gpuValid != 0, ColourGreen,
                     u"No GPU telemetry");
    DrawTextIn(dc, Row(RowLeftCaption, client), u"10 min ago", palette.textMuted, TextLine);
    DrawTextIn(dc, Row(RowRightCaption, client), u"now", palette.textMuted, TextRight);
}

void DrawFooter(HDC dc, const RECT& client)
{
    char16_t line[LineCapacity];
    int pos = 0;
    line[0] = 0;
    if (VersionMajor || VersionMinor || VersionBuild) {
        pos = AppendText(line, pos, LineCapacity, u"v");
        pos = AppendDecimal(line, pos, LineCapacity, VersionMajor);
        pos = AppendText(line, pos, LineCapacity, u".");
        pos = AppendDecimal(line, pos, LineCapacity, VersionMinor);
        pos = AppendText(line, pos, LineCapacity, u".");
        pos = AppendDecimal(line, pos, LineCapacity, VersionBuild);
        pos = AppendText(line, pos, LineCapacity, u"  ·  ");
    }
    pos = AppendText(line, pos, LineCapacity, u"Tray ready ");
    pos = AppendDecimal(line, pos, LineCapacity, static_cast<uint32_t>(StartupMicros / 1000));
    pos = AppendText(line, pos, LineCapacity, u".");
    pos = AppendDecimal(line, pos, LineCapacity, static_cast<uint32_t>((StartupMicros % 1000) / 100));
    AppendText(line, pos, LineCapacity, u" ms  ·  local HID  ·  no network");
    DrawTextIn(dc, Row(RowFooter, client), line, ActivePalette->textMuted, TextLine);
}

void DrawDashboard(HDC dc, const RECT& client)
{
    const Palette& palette = *ActivePalette;
    FillSolid(dc, {0, 0, client.right, client.bottom}, palette.background);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ previousFont = BodyFont ? SelectObject(dc, BodyFont) : nullptr;

    CoolerStatus status;
    CopyLatestStatus(&status);
    DrawReadings(dc, client, status);
    DrawHistorySections(dc, client, status);
    DrawSectionTitle(dc, Row(RowCurveTitle, client), u"COOLER CURVE  ·  EDITABLE", palette.accent,
                     u"Pump", palette.accent, u"Fans", ColourBlue);
    DrawCurveChart(dc, Row(RowCurveChart, client), status);
    DrawControls(dc, status);

    char16_t sentence[LineCapacity];
    CurveSentence(sentence, LineCapacity, AtomicRead(&AppliedProfile));
    DrawTextIn(dc, Row(RowStatusSentence, client), sentence, palette.textSecondary, TextLineCut);
    if (StartupMicros != 0) DrawFooter(dc, client);

    if (previousFont) SelectObject(dc, previousFont);
}

} // namespace

void DrawSectionTitle(HDC dc, const PixelRect& rect, const char16_t* title, Colour titleColour,
                      const char16_t* legend1, Colour colour1, const char16_t* legend2,
                      Colour colour2)
{
    const int32_t titleWidth = Scale(TitleWidth96, CurrentDpi);
    PixelRect box = rect;
    box.right = rect.left + titleWidth;
    DrawTextIn(dc, box, title, titleColour, TextLineCut);

    const int32_t measured = TextWidth(dc, title);
    box.left = rect.left + (measured < titleWidth ? measured : titleWidth) + Scale(TitleGap96, CurrentDpi);
    box.right = rect.right;
    DrawTextIn(dc, box, legend1, colour1, TextLine);

    box.left += TextWidth(dc, legend1) + Scale(LegendGap96, CurrentDpi);
    DrawTextIn(dc, box, legend2, colour2, TextLine);
}

void PaintDashboard(HWND window)
{
    PAINTSTRUCT paint = {};
    HDC windowDc = BeginPaint(window, &paint);
    if (!windowDc) return;
    RECT client = {};
    GetClientRect(window, &client);

    // Drawn off screen and copied in one step, so the window never flickers; without the
    // bitmap it is drawn straight into the window.
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = memoryDc ? CreateCompatibleBitmap(windowDc, client.right, client.bottom) : nullptr;
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
    EndPaint(window, &paint);
}
