#include "ui/tray_icon.h"

#include <shellapi.h>

#include "app/shared_state.h"
#include "app/shell.h"
#include "app/shell_win32.h"
#include "app/text.h"
#include "ui/tray_model.h"

int TrayAdded = 0;
int TrayUsesGuid = 0;
HICON TrayBadgeIcon = nullptr;
int TrayBadgeValue = -1;
const GUID TrayIconGuid = {0xB3F2A17C, 0x4D9E, 0x4A6B, {0x8C, 0x21, 0x5E, 0x7A, 0x3F, 0x1D, 0x0C, 0x94}};

namespace {

constexpr int BadgeSize = 32; // pixels, fixed: the shell scales it

NOTIFYICONDATAW TrayRecord()
{
    NOTIFYICONDATAW record = {};
    record.cbSize = sizeof record;
    record.hWnd = MainWindow;
    record.uID = TrayIconId;
    return record;
}

void SetTip(NOTIFYICONDATAW* record, const char16_t* text)
{
    AppendText(reinterpret_cast<char16_t*>(record->szTip), 0, TooltipCapacity, text);
}

} // namespace

int AddTrayIcon()
{
    NOTIFYICONDATAW record = TrayRecord();
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_GUID;
    record.uCallbackMessage = MsgTrayNotify;
    record.hIcon = TrayBadgeIcon ? TrayBadgeIcon : AppIcon;
    SetTip(&record, u"Tidewatch");
    record.guidItem = TrayIconGuid;
    TrayUsesGuid = 1;
    TrayAdded = Shell_NotifyIconW(NIM_ADD, &record);
    if (TrayAdded) return TrayAdded;
    // The shell may still hold an icon under this GUID from an earlier run.
    Shell_NotifyIconW(NIM_DELETE, &record);
    TrayAdded = Shell_NotifyIconW(NIM_ADD, &record);
    if (TrayAdded) return TrayAdded;
    TrayUsesGuid = 0;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayAdded = Shell_NotifyIconW(NIM_ADD, &record);
    return TrayAdded;
}

void UpdateTrayIcon()
{
    if (!TrayAdded) return;
    CoolerStatus status;
    CopyLatestStatus(&status);
    HICON outgoing = nullptr;
    if (status.connected) {
        const int32_t value = BadgeValue(status.liquidTenths);
        if (value != TrayBadgeValue) {
            HICON badge = BuildBadgeIcon(value);
            if (badge) {
                outgoing = TrayBadgeIcon;
                TrayBadgeIcon = badge;
                TrayBadgeValue = value;
            }
        }
    } else {
        outgoing = TrayBadgeIcon;
        TrayBadgeIcon = nullptr;
        TrayBadgeValue = -1;
    }
    NOTIFYICONDATAW record = TrayRecord();
    record.uFlags = NIF_ICON | NIF_TIP;
    if (TrayUsesGuid) {
        record.uFlags |= NIF_GUID;
        record.guidItem = TrayIconGuid;
    }
    record.hIcon = TrayBadgeIcon ? TrayBadgeIcon : AppIcon;
    BuildTrayTooltip(reinterpret_cast<char16_t*>(record.szTip), TooltipCapacity, status);
    Shell_NotifyIconW(NIM_MODIFY, &record);
    // Only now that the shell holds its successor.
    if (outgoing) DestroyIcon(outgoing);
}

void RemoveTrayIcon()
{
    if (TrayAdded) {
        NOTIFYICONDATAW record = TrayRecord();
        if (TrayUsesGuid) {
            record.uFlags = NIF_GUID;
            record.guidItem = TrayIconGuid;
        }
        Shell_NotifyIconW(NIM_DELETE, &record);
        TrayAdded = 0;
    }
    if (TrayBadgeIcon) DestroyIcon(TrayBadgeIcon);
    TrayBadgeIcon = nullptr;
    TrayBadgeValue = -1;
}

HICON BuildBadgeIcon(int32_t value)
{
    HDC screen = GetDC(nullptr);
    if (!screen) return nullptr;
    HDC dc = CreateCompatibleDC(screen);
    if (!dc) {
        ReleaseDC(nullptr, screen);
        return nullptr;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = BadgeSize;
    info.bmiHeader.biHeight = BadgeSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP colour = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HFONT font = nullptr;
    HBRUSH brush = nullptr;
    HICON icon = nullptr;
    if (colour && bits) {
        LOGFONTW description = {};
        description.lfHeight = -24;
        description.lfWeight = FW_BOLD;
        description.lfQuality = ANTIALIASED_QUALITY;
        AppendText(reinterpret_cast<char16_t*>(description.lfFaceName), 0, LF_FACESIZE, u"Segoe UI");
        font = CreateFontIndirectW(&description);
        brush = CreateSolidBrush(BadgeColour(value));
    }
    if (font && brush) {
        HGDIOBJ previousBitmap = SelectObject(dc, colour);
        HGDIOBJ previousFont = SelectObject(dc, font);
        HGDIOBJ previousBrush = SelectObject(dc, brush);
        HGDIOBJ previousPen = SelectObject(dc, GetStockObject(NULL_PEN));
        RoundRect(dc, 0, 0, BadgeSize, BadgeSize, 8, 8);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, 0xFFFFFF);
        char16_t digits[4];
        AppendDecimal(digits, 0, 4, static_cast<uint32_t>(value));
        RECT box = {0, 1, BadgeSize, BadgeSize - 1};
        DrawTextW(dc, reinterpret_cast<const wchar_t*>(digits), -1, &box,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        GdiFlush();
        // GDI leaves alpha at 0: whatever was drawn becomes opaque, the corners stay clear.
        uint32_t* pixel = static_cast<uint32_t*>(bits);
        for (int i = 0; i < BadgeSize * BadgeSize; ++i) {
            if (pixel[i] & 0x00FFFFFF) pixel[i] |= 0xFF000000;
        }
        const uint8_t maskBits[BadgeSize * BadgeSize / 8] = {};
        HBITMAP mask = CreateBitmap(BadgeSize, BadgeSize, 1, 1, maskBits);
        if (mask) {
            ICONINFO parts = {};
            parts.fIcon = TRUE;
            parts.hbmMask = mask;
            parts.hbmColor = colour;
            SelectObject(dc, previousBitmap); // the icon copies the bitmap: it must not be selected
            previousBitmap = nullptr;
            icon = CreateIconIndirect(&parts);
            DeleteObject(mask);
        }
        SelectObject(dc, previousPen);
        SelectObject(dc, previousBrush);
        SelectObject(dc, previousFont);
        if (previousBitmap) SelectObject(dc, previousBitmap);
    }
    if (brush) DeleteObject(brush);
    if (font) DeleteObject(font);
    if (colour) DeleteObject(colour);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return icon;
}
