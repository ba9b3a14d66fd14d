// Test helper run under Wine beside Tidewatch.exe: finds the program's main window by its
// class, sends or posts it messages, and reads its state and its globals, printing one
// result line. Exit code 0 on success, 1 when the window is missing or a call fails.
//
//   probe find | count | state
//   probe tray [HWND]              1 while the shell holds icon 1 of the window
//   probe post MSG WPARAM LPARAM [N] | send MSG WPARAM LPARAM
//                                 post: N times (default once), without waiting
//   probe setting TEXT            WM_SETTINGCHANGE with lParam TEXT ("-" for none)
//   probe taskbar                 sends the registered "TaskbarCreated" message
//   probe peek RVA SIZE           reads SIZE (1, 2, 4, 8) bytes at image base + RVA
//   probe fonts DPI               builds the program's fonts here at DPI and describes them
//                                 ("window": at the DPI Windows gives a new window here)
//   probe wait-gone MS            waits until no window of the class is left
//   probe menus                   "x y w h" of each popup menu window on screen, topmost first
//   probe foreground[-set]        "1 CLASS" when the foreground window is the program's, else
//                                 "0 CLASS"; -set makes the program's window the foreground
//                                 one first
//   probe tooltips                the tooltip of every icon in Wine's tray, one a line
//   probe trayicons               "x y w h" on screen of each icon that Wine's tray shows
//   probe untray                  removes icon 1 of the window from the tray, as a dying shell
//   probe workarea                "work L T R B dpi D": the window's monitor and DPI
//   probe badge V FILE [SIZE]     the program's badge for V at the small icon size (or
//                                 SIZE), on white as the tray draws it, into FILE (binary PPM)
//   probe appicon EXE FILE [V]    the exe's icon 101 as the program loads it for the tray,
//                                 likewise; over the badge for V; partly covered pixels
//                                 ff00ff
//   probe layout W H DPI          the dashboard's rows and controls, one "name l t r b" each
//   probe colours light|dark|contrast
//                                 the palette's slots and the fixed colours as rrggbb
//                                 (contrast: from this session's system colours)
//   probe contrast RVA FLAGS      what the program's SystemParametersInfoW (its import at
//                                 RVA) answers for SPI_GETHIGHCONTRAST from now on (see
//                                 Contrast)
//   probe text FILE DPI body|hero W H FLAGS RRGGBB RRGGBB TEXT
//                                 renders TEXT (\uXXXX escapes allowed) as the dashboard
//                                 does, in a W x H box filled with the second colour, to a
//                                 24-bit BMP file
//   probe temperature FILE DPI W H RRGGBB RRGGBB NUMBER
//                                 the liquid temperature's row as the dashboard lays it out
//                                 (NUMBER, then the unit), in a W x H box, to a BMP file
//   probe gdi                     GDI objects held by the program: GetGuiResources and a
//                                 count of the live entries of its GDI handle table
//   probe paint FRAMES            times FRAMES paints of the window (see Paint)
//   probe handles                 kernel handles held by the program (see KernelHandles)
//   probe users                   USER handles in use in the session (see UserHandlesInUse)
//   probe repeat N MSG WPARAM LPARAM
//                                 sends the message N times, each answered before the next
//   probe wake-until N RVA LIMIT   N times: posts command 201 (Open) and waits at most LIMIT
//                                 ms for the 32-bit value at RVA to change
//   probe load NAME               LoadLibraryW(NAME) here, by the usual search order: 1 or 0
//   probe tray-delete             removes icon 1 of the window, as a restarted shell would
//   probe settle MS               waits until the window has nothing left to paint
//   probe end MSG WPARAM LPARAM MS posts the message and waits for the program's process to
//                                 end: prints "ended MS CODE" or "running MS"
//   probe deny-mutex MS           holds the program's mutex for MS ms with a DACL that lets
//                                 nobody open it, as a copy run as administrator does; prints
//                                 "held" once it holds it
//   probe access [press|set ID [TEXT]]
//                                 the program's accessible tree as another process reads it
//                                 (see Access); or the default action of child ID, or its
//                                 value set to TEXT, printing the call's HRESULT
//   probe access-exit             holds the tree, ends the program, then calls it (see Access)
//   probe serve                   takes the requests above from standard input (see Serve)
#include "app/shell.h"
#include "ui/badge.h"
#include "ui/fonts.h"
#include "ui/geometry.h"
#include "ui/theme.h"

#include <commctrl.h>
#include <oleacc.h>

#include <sddl.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const wchar_t* ClassName()
{
    return reinterpret_cast<const wchar_t*>(WindowClassName);
}

HWND FindMain()
{
    return FindWindowW(ClassName(), nullptr);
}

unsigned long long Number(const char* text)
{
    return strtoull(text, nullptr, 0);
}

BOOL CALLBACK CountOne(HWND window, LPARAM count)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (wcscmp(name, ClassName()) == 0) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result)) {
        printf("send failed %lu\n", GetLastError());
        return 1;
    }
    printf("%lld\n", static_cast<long long>(result));
    return 0;
}

// dpichanged DPI LEFT TOP RIGHT BOTTOM: WM_DPICHANGED, its rectangle put in the program's
// memory first (a message's pointer is not carried across processes; freed at its end).
int DpiChanged(HWND window, char** argv)
{
    RECT r = {static_cast<LONG>(Number(argv[3])), static_cast<LONG>(Number(argv[4])),
              static_cast<LONG>(Number(argv[5])), static_cast<LONG>(Number(argv[6]))};
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
    void* at = process ? VirtualAllocEx(process, nullptr, sizeof r, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE) : nullptr;
    const bool written = at && WriteProcessMemory(process, at, &r, sizeof r, nullptr);
    if (process) CloseHandle(process);
    if (!written) return 1;
    return Send(window, WM_DPICHANGED, MAKEWPARAM(Number(argv[2]), Number(argv[2])), reinterpret_cast<LPARAM>(at));
}

int Peek(HWND window, unsigned long long rva, int size)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_READ, FALSE, processId);
    if (!process) return 1;
    const auto base = static_cast<uintptr_t>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
    unsigned char bytes[8] = {};
    SIZE_T read = 0;
    const BOOL ok = size >= 1 && size <= 8 &&
                    ReadProcessMemory(process, reinterpret_cast<void*>(base + rva), bytes,
                                      static_cast<SIZE_T>(size), &read);
    CloseHandle(process);
    if (!ok) return 1;
    unsigned long long value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
    const int shift = 64 - 8 * size;
    printf("%lld\n", shift < 64 ? static_cast<long long>(value << shift) >> shift : 0LL);
    return 0;
}

// High contrast as the running program sees it. Wine 8 cannot turn it on: its
// SPI_SETHIGHCONTRAST fails and its SPI_GETHIGHCONTRAST always answers "off". So the
// program's import of SystemParametersInfoW (the slot at image base + RVA) is pointed at a
// stub made in its process, which answers SPI_GETHIGHCONTRAST with `flags` and passes every
// other call on; a later call only changes the flags. Prints 1.
int Contrast(HWND window, unsigned long long rva, DWORD flags)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                 PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (!process) return 1;
    const auto base = static_cast<uintptr_t>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
    void* slot = reinterpret_cast<void*>(base + rva);
    uint64_t target = 0;
    unsigned char stub[] = {
        0x83, 0xF9, 0x42,             // cmp ecx, SPI_GETHIGHCONTRAST
        0x75, 0x0E,                   // jne pass
        0x41, 0xC7, 0x40, 0x04, 0, 0, 0, 0, // mov dword [r8 + 4], flags (dwFlags)
        0xB8, 0x01, 0x00, 0x00, 0x00, // mov eax, TRUE
        0xC3,                         // ret
        0x48, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, // pass: mov rax, the system's function
        0xFF, 0xE0,                   // jmp rax
    };
    constexpr int FlagsAt = 9, TargetAt = 21;
    unsigned char head[5] = {};
    bool ok = ReadProcessMemory(process, slot, &target, 8, nullptr) &&
              ReadProcessMemory(process, reinterpret_cast<void*>(target), head, 5, nullptr);
    if (ok && memcmp(head, stub, 5) == 0) {
        ok = WriteProcessMemory(process, reinterpret_cast<unsigned char*>(target) + FlagsAt, &flags,
                                4, nullptr);
    } else if (ok) {
        memcpy(stub + FlagsAt, &flags, 4);
        memcpy(stub + TargetAt, &target, 8);
        void* code = VirtualAllocEx(process, nullptr, sizeof stub, MEM_COMMIT | MEM_RESERVE,
                                    PAGE_EXECUTE_READWRITE);
        DWORD protection = 0;
        ok = code && WriteProcessMemory(process, code, stub, sizeof stub, nullptr) &&
             FlushInstructionCache(process, code, sizeof stub) &&
             VirtualProtectEx(process, slot, 8, PAGE_READWRITE, &protection);
        if (ok) {
            ok = WriteProcessMemory(process, slot, &code, 8, nullptr);
            VirtualProtectEx(process, slot, 8, protection, &protection);
        }
    }
    CloseHandle(process);
    if (!ok) return 1;
    printf("1\n");
    return 0;
}

int Tray(HWND window)
{
    // NIM_MODIFY changing nothing succeeds only while the shell holds the icon.
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = 1;
    printf("%d\n", Shell_NotifyIconW(NIM_MODIFY, &data) ? 1 : 0);
    return 0;
}

void Describe(const char* name, HFONT font)
{
    LOGFONTW description = {};
    if (!font || GetObjectW(font, sizeof(description), &description) != sizeof(description)) {
        printf("%s none\n", name);
        return;
    }
    char face[LF_FACESIZE * 3] = {};
    WideCharToMultiByte(CP_UTF8, 0, description.lfFaceName, -1, face, sizeof(face), nullptr,
                        nullptr);
    printf("%s %ld %ld %s\n", name, description.lfHeight, description.lfWeight, face);
}

// The program's own RebuildFonts, run in this process at `dpi`, twice over.
int Fonts(int dpi)
{
    printf("dpi %d\n", dpi);
    CurrentDpi = dpi;
    LayoutDpi = dpi;
    RebuildFonts();
    HFONT firstBody = BodyFont;
    RebuildFonts();
    // The first pair was deleted: its handle no longer describes a font.
    LOGFONTW stale = {};
    printf("first deleted %d\n", GetObjectW(firstBody, sizeof(stale), &stale) == 0 ? 1 : 0);
    Describe("body", BodyFont);
    Describe("hero", HeroFont);
    Describe("unit", UnitFont);
    DeleteFonts();
    return 0;
}

BOOL CALLBACK ListMenu(HWND window, LPARAM)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (wcscmp(name, L"#32768") != 0 || !IsWindowVisible(window)) return TRUE;
    RECT rect = {};
    GetWindowRect(window, &rect);
    printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    return TRUE;
}

struct TooltipSearch {
    DWORD trayProcess;
    int found;
};

// Reads every tool's text of one tooltip control of the tray's process: the control only
// copies its text into memory of its own process, so the record and the buffer live there.
void PrintTools(HWND tooltip, HANDLE process)
{
    constexpr int TextCapacity = 128; // characters, as the shell's tip field
    const SIZE_T size = sizeof(TTTOOLINFOW) + TextCapacity * sizeof(wchar_t);
    auto* remote = static_cast<unsigned char*>(
        VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!remote) return;
    const LRESULT count = SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        TTTOOLINFOW info = {};
        info.cbSize = sizeof info;
        info.lpszText = reinterpret_cast<wchar_t*>(remote + sizeof info);
        wchar_t text[TextCapacity + 1] = {};
        SIZE_T moved = 0;
        if (!WriteProcessMemory(process, remote, &info, sizeof info, &moved) ||
            !WriteProcessMemory(process, remote + sizeof info, text, sizeof text - sizeof(wchar_t), &moved) ||
            !SendMessageW(tooltip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote)) ||
            !ReadProcessMemory(process, remote + sizeof info, text, sizeof text - sizeof(wchar_t), &moved)) {
            continue;
        }
        char utf8[TextCapacity * 3 + 1] = {};
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
        // Raw bytes: the console's code page must not touch the UTF-8.
        DWORD written = 0;
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        WriteFile(out, utf8, static_cast<DWORD>(strlen(utf8)), &written, nullptr);
        WriteFile(out, "\n", 1, &written, nullptr);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
}

BOOL CALLBACK ReadTooltip(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<TooltipSearch*>(context);
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (wcscmp(name, TOOLTIPS_CLASSW) != 0 || process != search->trayProcess) return TRUE;
    HANDLE handle = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
    if (!handle) return TRUE;
    PrintTools(window, handle);
    CloseHandle(handle);
    ++search->found;
    return TRUE;
}

// The shell's taskbar window: explorer's in every Wine release (hidden where its tray is a
// window of its own, as in Wine 8), so its process is the tray's.
HWND ShellTray()
{
    return FindWindowW(L"Shell_TrayWnd", nullptr);
}

int Tooltips()
{
    HWND tray = ShellTray();
    if (!tray) {
        printf("no tray\n");
        return 1;
    }
    fflush(stdout);
    TooltipSearch search = {};
    GetWindowThreadProcessId(tray, &search.trayProcess);
    EnumWindows(ReadTooltip, reinterpret_cast<LPARAM>(&search));
    return search.found ? 0 : 1;
}

// Each icon of the tray is a visible child window of the tray's process whose class ends in
// "tray_icon" (Wine 8: "__winex11_tray_icon" in "Wine System Tray"; Wine 10:
// "__wine_tray_icon" in the taskbar window).
BOOL CALLBACK ListTrayIcon(HWND window, LPARAM)
{
    wchar_t name[64] = {};
    const int length = GetClassNameW(window, name, 64);
    if (length < 9 || wcscmp(name + length - 9, L"tray_icon") != 0 || !IsWindowVisible(window)) {
        return TRUE;
    }
    RECT rect = {};
    GetWindowRect(window, &rect);
    printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    return TRUE;
}

BOOL CALLBACK ListTrayIcons(HWND window, LPARAM trayProcess)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == static_cast<DWORD>(trayProcess) && IsWindowVisible(window)) {
        EnumChildWindows(window, ListTrayIcon, 0);
    }
    return TRUE;
}

int TrayIcons()
{
    DWORD process = 0;
    HWND tray = ShellTray();
    if (!tray || !GetWindowThreadProcessId(tray, &process)) return 1;
    EnumWindows(ListTrayIcons, static_cast<LPARAM>(process));
    return 0;
}

// The DPI that a new top-level window of this process gets, as the program reads its own.
int WindowDpi()
{
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) return 0;
    const int dpi = static_cast<int>(GetDpiForWindow(window));
    DestroyWindow(window);
    return dpi;
}

int Untray(HWND window)
{
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = 1;
    printf("%d\n", Shell_NotifyIconW(NIM_DELETE, &data) ? 1 : 0);
    return 0;
}

int WorkArea(HWND window)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info)) return 1;
    printf("work %ld %ld %ld %ld dpi %u\n", info.rcWork.left, info.rcWork.top, info.rcWork.right,
           info.rcWork.bottom, GetDpiForWindow(window));
    return 0;
}

// The icon `icon` drawn at `size` by DrawIconEx onto a fill of `background`, or onto the
// icon `under` drawn the same way first, into `out` (0x00RRGGBB, top row first).
bool RenderIcon(HICON icon, HICON under, COLORREF background, int size, uint32_t* out)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!bitmap || !bits) return false;
    HGDIOBJ previous = SelectObject(dc, bitmap);
    RECT all = {0, 0, size, size};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    if (under) DrawIconEx(dc, 0, 0, under, size, size, 0, nullptr, DI_NORMAL);
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    memcpy(out, bits, static_cast<size_t>(size * size) * 4);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return true;
}

// An icon as Wine's tray shows it: drawn at `size` onto white, or onto the icon `under`
// drawn the same way first (the tray does not clear between two icons), written as a binary
// PPM. With `markPartial`, the pixels that the icon covers only in part are written as
// ff00ff: the tray blends each redraw of the same icon into the last there, so their
// colour depends on how often it drew. Destroys both icons.
int DrawAsTheTray(HICON icon, const char* path, int size, HICON under = nullptr,
                  bool markPartial = false)
{
    static uint32_t shown[64 * 64], onBlack[64 * 64], onWhite[64 * 64];
    bool ok = icon && size > 0 && size <= 64 && RenderIcon(icon, under, 0xFFFFFF, size, shown);
    if (ok && markPartial) {
        ok = RenderIcon(icon, nullptr, 0x000000, size, onBlack) &&
             RenderIcon(icon, nullptr, 0xFFFFFF, size, onWhite);
    }
    if (under) DestroyIcon(under);
    if (icon) DestroyIcon(icon);
    FILE* file = ok ? fopen(path, "wb") : nullptr;
    if (!file) return 1;
    fprintf(file, "P6\n%d %d\n255\n", size, size);
    for (int i = 0; i < size * size; ++i) {
        const uint32_t pixel = markPartial && onBlack[i] != onWhite[i] ? 0xFF00FF : shown[i];
        const unsigned char rgb[3] = {static_cast<unsigned char>(pixel >> 16),
                                      static_cast<unsigned char>(pixel >> 8),
                                      static_cast<unsigned char>(pixel)};
        fwrite(rgb, 1, 3, file);
    }
    fclose(file);
    printf("%d\n", size);
    return 0;
}

// The program's badge for `value` at `size`, made by its own code.
int Badge(int value, const char* path, int size)
{
    return DrawAsTheTray(BuildBadgeIcon(value, size), path, size);
}

// The program's icon resource as it loads it for the tray (at the small icon size), drawn
// over the badge for `under` when that is 0 or more; its partly covered pixels marked.
int AppIconOf(const char* exe, const char* path, int under)
{
    wchar_t name[MAX_PATH] = {};
    MultiByteToWideChar(CP_UTF8, 0, exe, -1, name, MAX_PATH - 1);
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return 1;
    const int size = GetSystemMetrics(SM_CXSMICON);
    HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(101), IMAGE_ICON, size, size, 0));
    const int result =
        DrawAsTheTray(icon, path, size, under >= 0 ? BuildBadgeIcon(under, size) : nullptr, true);
    FreeLibrary(module);
    return result;
}

void PrintRect(const char* name, const PixelRect& r)
{
    printf("%s %ld %ld %ld %ld\n", name, static_cast<long>(r.left), static_cast<long>(r.top),
           static_cast<long>(r.right), static_cast<long>(r.bottom));
}

int Layout(int width, int height, int dpi)
{
    static const char* const rowNames[DashboardRowCount] = {
        "header", "temperature", "pumpLine", "fanLine", "gpuLine", "coolerTitle", "coolerChart",
        "gpuTitle", "gpuChart", "leftCaption", "rightCaption", "curveTitle", "curveChart",
        "sentence", "footer"};
    for (int row = 0; row < DashboardRowCount; ++row) {
        PrintRect(rowNames[row], DashboardRowRect(static_cast<DashboardRow>(row), width, height, dpi));
    }
    const ControlLayout controls = ControlLayoutFor(width, dpi);
    PrintRect("pumpSlider", controls.pumpSlider);
    PrintRect("fanSlider", controls.fanSlider);
    PrintRect("applyButton", controls.applyButton);
    static const char* const buttonNames[ProfileButtonCount] = {"silent", "balanced",
                                                                "performance", "aggressive"};
    for (int i = 0; i < ProfileButtonCount; ++i) PrintRect(buttonNames[i], controls.profileButtons[i]);
    return 0;
}

// COLORREF 0x00BBGGRR as the screen's rrggbb.
void PrintColour(const char* name, uint32_t colour)
{
    printf("%s %02x%02x%02x\n", name, colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

int Colours(const char* theme)
{
    const bool contrast = strcmp(theme, "contrast") == 0;
    if (contrast) {
        HighContrastPalette = HighContrastPaletteFrom(
            {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_HIGHLIGHT),
             GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_GRAYTEXT), GetSysColor(COLOR_BTNFACE)});
    }
    const Palette& palette = *PaletteFor(strcmp(theme, "dark") == 0, contrast);
    static const char* const slots[sizeof(Palette) / sizeof(uint32_t)] = {
        "background", "text", "accent", "textSecondary", "grid", "textMuted",
        "onFill", "fans", "gpuFan", "temperature", "pumpArea", "fanArea"};
    for (size_t i = 0; i < sizeof slots / sizeof *slots; ++i) {
        PrintColour(slots[i], reinterpret_cast<const uint32_t*>(&palette)[i]);
    }
    PrintColour("blue", ColourBlue);
    PrintColour("green", ColourGreen);
    PrintColour("amber", ColourAmber);
    PrintColour("red", ColourRed);
    return 0;
}

// rrggbb as a COLORREF.
COLORREF ParseColour(const char* text)
{
    const unsigned long rgb = strtoul(text, nullptr, 16);
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// ASCII with \uXXXX escapes, into UTF-16.
void Unescape(const char* text, wchar_t* out, int capacity)
{
    int n = 0;
    while (*text && n + 1 < capacity) {
        if (text[0] == '\\' && text[1] == 'u') {
            char digits[5] = {};
            memcpy(digits, text + 2, 4);
            out[n++] = static_cast<wchar_t>(strtoul(digits, nullptr, 16));
            text += 6;
        } else {
            out[n++] = static_cast<wchar_t>(static_cast<unsigned char>(*text++));
        }
    }
    out[n] = 0;
}

bool WriteBmp(const char* path, const uint32_t* pixels, int width, int height)
{
    FILE* file = fopen(path, "wb");
    if (!file) return false;
    const int stride = (width * 3 + 3) & ~3;
    const uint32_t imageSize = static_cast<uint32_t>(stride * height);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + imageSize;
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height; // bottom-up
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = imageSize;
    fwrite(&header, sizeof header, 1, file);
    fwrite(&info, sizeof info, 1, file);
    unsigned char row[4 * 4096] = {};
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[y * width + x];
            row[3 * x] = p & 0xFF;
            row[3 * x + 1] = (p >> 8) & 0xFF;
            row[3 * x + 2] = (p >> 16) & 0xFF;
        }
        fwrite(row, 1, static_cast<size_t>(stride), file);
    }
    return fclose(file) == 0;
}

// Draws as the dashboard does: a bitmap compatible with the screen, filled with the
// background, drawn into by `draw` with the program's own fonts made at `dpi`, written to a
// 24-bit BMP file.
template <typename Draw>
int RenderToBmp(const char* path, int dpi, int width, int height, COLORREF background, Draw draw)
{
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096) return 1;
    CurrentDpi = dpi;
    LayoutDpi = dpi;
    RebuildFonts();
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previousBitmap = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT box = {0, 0, width, height};
    FillRect(dc, &box, brush);
    DeleteObject(brush);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ previousFont = GetCurrentObject(dc, OBJ_FONT);
    draw(dc, box);
    SelectObject(dc, previousFont);
    SelectObject(dc, previousBitmap);

    static uint32_t pixels[4096 * 512];
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const bool read = width * height <= 4096 * 512 &&
                      GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels, &info,
                                DIB_RGB_COLORS) == height;
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    DeleteFonts();
    return read && WriteBmp(path, pixels, width, height) ? 0 : 1;
}

// One text in the body or hero font with DrawTextW and the flags.
int RenderText(char** argv)
{
    const bool hero = strcmp(argv[4], "hero") == 0;
    const UINT flags = static_cast<UINT>(Number(argv[7]));
    const COLORREF foreground = ParseColour(argv[8]);
    wchar_t text[256];
    Unescape(argv[10], text, 256);
    return RenderToBmp(argv[2], static_cast<int>(Number(argv[3])), static_cast<int>(Number(argv[5])),
                       static_cast<int>(Number(argv[6])), ParseColour(argv[9]),
                       [&](HDC dc, RECT& box) {
                           SetTextColor(dc, foreground);
                           SelectObject(dc, hero ? HeroFont : BodyFont);
                           DrawTextW(dc, text, -1, &box, flags);
                       });
}

FontLines LinesOf(HDC dc)
{
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    return {metrics.tmHeight, metrics.tmAscent};
}

// The liquid temperature's row: the number in the hero font, the unit in the unit font where
// the program's layout puts them, each drawn whole (DT_NOCLIP).
int RenderTemperature(char** argv)
{
    const COLORREF foreground = ParseColour(argv[6]);
    wchar_t number[16];
    Unescape(argv[8], number, 16);
    const int dpi = static_cast<int>(Number(argv[3]));
    return RenderToBmp(argv[2], dpi, static_cast<int>(Number(argv[4])), static_cast<int>(Number(argv[5])),
                       ParseColour(argv[7]), [&](HDC dc, RECT& box) {
                           SetTextColor(dc, foreground);
                           SelectObject(dc, HeroFont);
                           SIZE size = {};
                           GetTextExtentPoint32W(dc, number, static_cast<int>(wcslen(number)), &size);
                           const FontLines numberLines = LinesOf(dc);
                           SelectObject(dc, UnitFont);
                           const TemperatureBoxes boxes =
                               TemperatureLayout({box.left, box.top, box.right, box.bottom}, size.cx,
                                                 numberLines, LinesOf(dc), dpi);
                           RECT unit = {boxes.unit.left, boxes.unit.top, boxes.unit.right, boxes.unit.bottom};
                           DrawTextW(dc, L"\u00b0C", -1, &unit, DT_SINGLELINE | DT_NOCLIP);
                           SelectObject(dc, HeroFont);
                           RECT whole = {boxes.number.left, boxes.number.top, boxes.number.right,
                                         boxes.number.bottom};
                           DrawTextW(dc, number, -1, &whole, DT_SINGLELINE | DT_NOCLIP);
                       });
}

// Live entries of a process's GDI handle table, which this Wine keeps per process and points
// to from the PEB like Windows (GdiSharedHandleTable, offset 0xF8 on x64): 65536 entries of
// 24 bytes whose type byte (offset 14) is 0 when the entry is free. -1 when unreadable.
long GdiTableCount(HANDLE process)
{
    typedef LONG(WINAPI * QueryProcess)(HANDLE, ULONG, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    struct {
        LONG_PTR exitStatus;
        unsigned char* peb;
        ULONG_PTR affinity;
        LONG_PTR basePriority;
        ULONG_PTR processId;
        ULONG_PTR parentId;
    } basic = {};
    if (!query || query(process, 0, &basic, sizeof basic, nullptr) != 0) return -1;
    unsigned char* table = nullptr;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, basic.peb + 0xF8, &table, sizeof table, &read) || !table) return -1;
    constexpr int EntrySize = 24;
    constexpr int Entries = 0x10000;
    constexpr int Chunk = 4096;
    static unsigned char bytes[Chunk * EntrySize];
    long live = 0;
    for (int first = 0; first < Entries; first += Chunk) {
        if (!ReadProcessMemory(process, table + first * EntrySize, bytes, sizeof bytes, &read)) return -1;
        for (int i = 0; i < Chunk; ++i) live += bytes[i * EntrySize + 14] != 0;
    }
    return live;
}

struct GdiCounts {
    long gui;   // GetGuiResources(GR_GDIOBJECTS)
    long table; // GdiTableCount
};

GdiCounts CountGdi(HANDLE process)
{
    return {static_cast<long>(GetGuiResources(process, GR_GDIOBJECTS)), GdiTableCount(process)};
}

HANDLE OpenWindowProcess(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
}

// The counts of the program, and how far this process's own count moves for 7 brushes made
// here: the measure is sound only when that is 7.
int Gdi(HWND window)
{
    HANDLE process = OpenWindowProcess(window);
    if (!process) return 1;
    const GdiCounts counts = CountGdi(process);
    CloseHandle(process);
    const long before = GdiTableCount(GetCurrentProcess());
    HBRUSH brushes[7];
    for (HBRUSH& brush : brushes) brush = CreateSolidBrush(RGB(1, 2, 3));
    const long during = GdiTableCount(GetCurrentProcess());
    for (HBRUSH brush : brushes) DeleteObject(brush);
    const long after = GdiTableCount(GetCurrentProcess());
    printf("gui=%ld table=%ld self_delta=%ld self_back=%d\n", counts.gui, counts.table,
           during - before, after == before ? 1 : 0);
    return 0;
}

long long Micros(const LARGE_INTEGER& start, const LARGE_INTEGER& end, const LARGE_INTEGER& frequency)
{
    return (end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
}

// Each frame is one WM_PAINT sent to the window and handled there: "sent" alone redraws the
// whole dashboard off screen while the copy to the window is clipped away (nothing is
// invalid); "invalidated" makes the whole window invalid first, so the copy reaches the
// screen too. "null" is the bare round trip of a WM_NULL, the messaging's own share.
int Paint(HWND window, int frames)
{
    if (frames <= 0) return 1;
    HANDLE process = OpenWindowProcess(window);
    if (!process) return 1;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    for (int i = 0; i < 5; ++i) SendMessageW(window, WM_PAINT, 0, 0);
    const GdiCounts before = CountGdi(process);

    QueryPerformanceCounter(&start);
    for (int i = 0; i < frames; ++i) SendMessageW(window, WM_PAINT, 0, 0);
    QueryPerformanceCounter(&end);
    const long long sentMicros = Micros(start, end, frequency);

    QueryPerformanceCounter(&start);
    for (int i = 0; i < frames; ++i) {
        InvalidateRect(window, nullptr, FALSE);
        SendMessageW(window, WM_PAINT, 0, 0);
    }
    QueryPerformanceCounter(&end);
    const long long invalidatedMicros = Micros(start, end, frequency);

    QueryPerformanceCounter(&start);
    for (int i = 0; i < frames; ++i) SendMessageW(window, WM_NULL, 0, 0);
    QueryPerformanceCounter(&end);
    const long long nullMicros = Micros(start, end, frequency);

    const GdiCounts after = CountGdi(process);
    CloseHandle(process);
    printf("frames=%d sent_us=%lld invalidated_us=%lld null_us=%lld gui_before=%ld gui_after=%ld "
           "table_before=%ld table_after=%ld\n",
           frames, sentMicros / frames, invalidatedMicros / frames, nullMicros / frames,
           before.gui, after.gui, before.table, after.table);
    return 0;
}

// Kernel handles of a process, from the system's handle list (Wine keeps one per wineserver
// and lists it like Windows; GetProcessHandleCount is a stub there). -1 when unreadable.
long KernelHandles(DWORD processId)
{
    typedef LONG(WINAPI * QuerySystem)(ULONG, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QuerySystem>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    struct Entry { // SYSTEM_HANDLE_TABLE_ENTRY_INFO
        ULONG processId;
        UCHAR objectType;
        UCHAR flags;
        USHORT handle;
        void* object;
        ACCESS_MASK access;
    };
    constexpr ULONG SystemHandleInformation = 16;
    static unsigned char list[8 << 20];
    ULONG length = 0;
    if (!query || query(SystemHandleInformation, list, sizeof list, &length) != 0) return -1;
    const ULONG count = *reinterpret_cast<ULONG*>(list);
    const auto* entries = reinterpret_cast<const Entry*>(list + sizeof(void*));
    if (sizeof(void*) + count * sizeof(Entry) > sizeof list) return -1;
    long owned = 0;
    for (ULONG i = 0; i < count; ++i) owned += entries[i].processId == processId;
    return owned;
}

// The program's kernel handles, and how far this process's own count moves for 7 events
// made here: the measure is sound only when that is 7.
int Handles(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const long handles = KernelHandles(processId);
    const long before = KernelHandles(GetCurrentProcessId());
    HANDLE events[7];
    for (HANDLE& event : events) event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const long during = KernelHandles(GetCurrentProcessId());
    for (HANDLE event : events) CloseHandle(event);
    const long after = KernelHandles(GetCurrentProcessId());
    printf("handles=%ld self_delta=%ld self_back=%d\n", handles, during - before,
           after == before ? 1 : 0);
    return handles >= 0 ? 0 : 1;
}

// USER handles (windows, menus, icons, cursors) in use by every process of the session.
// Wine keeps no count per process (GetGuiResources is a stub) but hands out user handles
// from one table per wineserver: a freed entry goes to the front of a free list and comes
// back with its generation (the handle's high word) raised; an entry never used before comes
// with generation 1 from the end of the table. Menus made here until one comes from the end
// tell both: its index is the table's length, the ones before it were the free list.
long UserHandlesInUse()
{
    constexpr int Capacity = 0x10000;
    constexpr uintptr_t FirstUserHandle = 0x20;
    static HMENU menus[Capacity];
    int made = 0;
    long inUse = -1;
    while (made < Capacity) {
        HMENU menu = CreatePopupMenu();
        if (!menu) break;
        menus[made++] = menu;
        const auto handle = reinterpret_cast<uintptr_t>(menu);
        if ((handle >> 16) == 1) {
            const long length = static_cast<long>(((handle & 0xFFFF) - FirstUserHandle) / 2);
            inUse = length - (made - 1);
            break;
        }
    }
    for (int i = 0; i < made; ++i) DestroyMenu(menus[i]);
    return inUse;
}

// The session's USER handles, and how far the count moves for 7 icons made here.
int Users()
{
    const long users = UserHandlesInUse();
    const BYTE bits[32 * 32 / 8] = {};
    // The first icon of a process brings objects of its own that live as long as it does.
    DestroyIcon(CreateIcon(nullptr, 32, 32, 1, 1, bits, bits));
    const long before = UserHandlesInUse();
    HICON icons[7];
    for (HICON& icon : icons) icon = CreateIcon(nullptr, 32, 32, 1, 1, bits, bits);
    const long during = UserHandlesInUse();
    for (HICON icon : icons) DestroyIcon(icon);
    const long after = UserHandlesInUse();
    printf("users=%ld self_delta=%ld self_back=%d\n", users, during - before, after == before ? 1 : 0);
    return users >= 0 ? 0 : 1;
}

// Sends a message `count` times, each handled before the next is sent.
int Repeat(HWND window, long count, UINT message, WPARAM wParam, LPARAM lParam)
{
    const DWORD start = GetTickCount();
    for (long i = 0; i < count; ++i) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result)) {
            printf("sent=%ld failed %lu\n", i, GetLastError());
            return 1;
        }
    }
    printf("sent=%ld ms=%lu\n", count, GetTickCount() - start);
    return 0;
}

bool ReadValue(HANDLE process, uintptr_t address, LONG* value)
{
    SIZE_T read = 0;
    return ReadProcessMemory(process, reinterpret_cast<void*>(address), value, sizeof *value, &read) &&
           read == sizeof *value;
}

// `count` times: command 201 (Open), which wakes the program's worker for a poll at once, then
// up to `limitMs` for the 32-bit global at `rva` to take a new value; gives up at the first
// time it does not. Prints how many changes were seen.
int WakeUntilChange(HWND window, long count, unsigned long long rva, DWORD limitMs)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_READ, FALSE, processId);
    if (!process) return 1;
    const auto address = static_cast<uintptr_t>(GetWindowLongPtrW(window, GWLP_HINSTANCE)) + rva;
    LONG value = 0;
    long changes = 0;
    const DWORD start = GetTickCount();
    bool readable = ReadValue(process, address, &value);
    for (long i = 0; readable && i < count; ++i) {
        PostMessageW(window, WM_COMMAND, 201, 0);
        const DWORD asked = GetTickCount();
        LONG now = value;
        while ((readable = ReadValue(process, address, &now)) && now == value &&
               GetTickCount() - asked < limitMs) {
            Sleep(1);
        }
        if (now == value) break; // no change in time: the rest would wait as long
        ++changes;
        value = now;
    }
    CloseHandle(process);
    printf("changes=%ld of=%ld ms=%lu last=%ld\n", changes, count, GetTickCount() - start, value);
    return readable ? 0 : 1;
}

int Load(const char* name)
{
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_UTF8, 0, name, -1, wide, MAX_PATH - 1);
    printf("%d\n", LoadLibraryW(wide) ? 1 : 0);
    return 0;
}

// Waits until the window has no update region: the paint it owed has begun.
int Settle(HWND window, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    while (GetUpdateRect(window, nullptr, FALSE)) {
        if (GetTickCount() - start > limitMs) {
            printf("unpainted\n");
            return 1;
        }
        Sleep(5);
    }
    printf("%lu\n", GetTickCount() - start);
    return 0;
}

// Whether the foreground window (which takes the keyboard) is one of the program's, with its
// class; with `set`, the program's window is made the foreground window first.
int Foreground(HWND window, bool set)
{
    if (set && !SetForegroundWindow(window)) return 1;
    HWND foreground = GetForegroundWindow();
    DWORD process = 0, ours = 0;
    GetWindowThreadProcessId(foreground, &process);
    GetWindowThreadProcessId(window, &ours);
    wchar_t name[64] = {};
    GetClassNameW(foreground, name, 64);
    printf("%d %ls\n", process != 0 && process == ours ? 1 : 0, name);
    return 0;
}

// Posts a message to the window and times its process's end from the post.
int End(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD limitMs)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) return 1;
    LARGE_INTEGER frequency = {}, start = {}, end = {};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!PostMessageW(window, message, wParam, lParam)) {
        CloseHandle(process);
        return 1;
    }
    const DWORD waited = WaitForSingleObject(process, limitMs);
    QueryPerformanceCounter(&end);
    const long long ms = (end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
    DWORD code = 0;
    if (waited == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code)) {
        printf("ended %lld %lu\n", ms, code);
    } else {
        printf("running %lld\n", ms);
    }
    CloseHandle(process);
    return 0;
}

int DenyMutex(DWORD ms)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr; // "D:": an empty DACL, every open refused
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:", SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        return 1;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    if (!CreateMutexW(&attributes, FALSE, reinterpret_cast<const wchar_t*>(MutexName))) return 1;
    printf("held\n");
    fflush(stdout);
    Sleep(ms);
    return 0;
}

// Raw UTF-8 of a BSTR (empty for none) after `before`, and frees it.
void PrintText(const char* before, BSTR text)
{
    char utf8[512] = {};
    if (text) WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    SysFreeString(text);
    printf("%s", before);
    fflush(stdout);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8, static_cast<DWORD>(strlen(utf8)), &written, nullptr);
}

// The program's accessible tree through AccessibleObjectFromWindow (IID_IAccessible spelled
// out: MinGW's library gives other bytes), one line per child: "ID ROLE STATE L T W H HIT
// NAME|VALUE", role and state in hex, the location on the screen, HIT the child that a hit
// test at its centre finds; then "focus ID" (-1 for none). With `exit`: ends the program
// holding the tree and prints "after HRESULT" of a call made then.
int Access(HWND window, int argc, char** argv, bool exit)
{
    static const GUID AccessibleIid = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccessible* tree = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, AccessibleIid, reinterpret_cast<void**>(&tree)))) return 1;
    long count = 0;
    HRESULT result = tree->get_accChildCount(&count);
    VARIANT child = {}, role = {}, state = {}, hit = {}, focus = {};
    child.vt = VT_I4;
    wchar_t text[64] = {};
    const bool walk = !exit && argc < 3;
    if (exit) {
        PostMessageW(window, WM_COMMAND, 202, 0);
        while (IsWindow(window)) Sleep(10);
        printf("after %08lx\n", static_cast<unsigned long>(tree->get_accChildCount(&count)));
    } else if (argc >= 4) {
        child.lVal = atol(argv[3]);
        if (argc == 5) MultiByteToWideChar(CP_UTF8, 0, argv[4], -1, text, 63);
        BSTR value = SysAllocString(text);
        result = argv[2][0] == 'p' ? tree->accDoDefaultAction(child) : tree->put_accValue(child, value);
        SysFreeString(value);
        printf("result %08lx\n", static_cast<unsigned long>(result));
    }
    for (child.lVal = 1; walk && child.lVal <= count; ++child.lVal) {
        long l = 0, t = 0, w = 0, h = 0;
        BSTR name = nullptr, value = nullptr;
        tree->get_accRole(child, &role);
        tree->get_accState(child, &state);
        tree->accLocation(&l, &t, &w, &h, child);
        tree->accHitTest(l + w / 2, t + h / 2, &hit);
        tree->get_accName(child, &name);
        tree->get_accValue(child, &value);
        printf("%ld %lx %lx %ld %ld %ld %ld %ld ", child.lVal, role.lVal, state.lVal, l, t, w, h,
               hit.vt == VT_I4 ? hit.lVal : -1);
        PrintText("", name);
        PrintText("|", value);
        printf("\n");
    }
    if (walk && SUCCEEDED(tree->get_accFocus(&focus))) printf("focus %ld\n", focus.vt == VT_I4 ? focus.lVal : -1);
    tree->Release();
    return 0;
}

int Run(int argc, char** argv)
{
    if (argc < 2) return 1;
    const char* verb = argv[1];
    if (strcmp(verb, "count") == 0) {
        int count = 0;
        EnumWindows(CountOne, reinterpret_cast<LPARAM>(&count));
        printf("%d\n", count);
        return 0;
    }
    if (strcmp(verb, "tray") == 0 && argc == 3) {
        return Tray(reinterpret_cast<HWND>(static_cast<uintptr_t>(Number(argv[2]))));
    }
    if (strcmp(verb, "fonts") == 0 && argc == 3) {
        return Fonts(strcmp(argv[2], "window") == 0 ? WindowDpi() : static_cast<int>(Number(argv[2])));
    }
    if (strcmp(verb, "layout") == 0 && argc == 5) {
        return Layout(static_cast<int>(Number(argv[2])), static_cast<int>(Number(argv[3])),
                      static_cast<int>(Number(argv[4])));
    }
    if (strcmp(verb, "colours") == 0 && argc == 3) return Colours(argv[2]);
    if (strcmp(verb, "text") == 0 && argc == 11) return RenderText(argv);
    if (strcmp(verb, "temperature") == 0 && argc == 9) return RenderTemperature(argv);
    if (strcmp(verb, "wait-gone") == 0 && argc == 3) {
        const DWORD limit = static_cast<DWORD>(Number(argv[2]));
        const DWORD start = GetTickCount();
        while (FindMain()) {
            if (GetTickCount() - start > limit) return 1;
            Sleep(10);
        }
        printf("%lu\n", GetTickCount() - start);
        return 0;
    }
    if (strcmp(verb, "menus") == 0) return EnumWindows(ListMenu, 0) ? 0 : 1;
    if (strcmp(verb, "deny-mutex") == 0 && argc == 3) return DenyMutex(static_cast<DWORD>(Number(argv[2])));

    if (strcmp(verb, "tooltips") == 0) return Tooltips();
    if (strcmp(verb, "trayicons") == 0) return TrayIcons();
    if (strcmp(verb, "badge") == 0 && (argc == 4 || argc == 5)) {
        return Badge(static_cast<int>(Number(argv[2])), argv[3],
                     argc == 5 ? static_cast<int>(Number(argv[4])) : GetSystemMetrics(SM_CXSMICON));
    }
    if (strcmp(verb, "users") == 0) return Users();
    if (strcmp(verb, "load") == 0 && argc == 3) return Load(argv[2]);
    if (strcmp(verb, "appicon") == 0 && (argc == 4 || argc == 5)) {
        return AppIconOf(argv[2], argv[3], argc == 5 ? static_cast<int>(Number(argv[4])) : -1);
    }
    HWND window = FindMain();
    if (!window) {
        printf("no window\n");
        return 1;
    }
    if (strcmp(verb, "find") == 0) {
        printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
        return 0;
    }
    if (strcmp(verb, "state") == 0) {
        RECT client = {}, outer = {};
        GetClientRect(window, &client);
        GetWindowRect(window, &outer);
        printf("visible=%d iconic=%d client=%ldx%ld outer=%ld,%ld,%ld,%ld\n",
               IsWindowVisible(window) ? 1 : 0, IsIconic(window) ? 1 : 0, client.right,
               client.bottom, outer.left, outer.top, outer.right, outer.bottom);
        return 0;
    }
    if (strcmp(verb, "tray") == 0) return Tray(window);
    if (strcmp(verb, "foreground") == 0) return Foreground(window, false);
    if (strcmp(verb, "foreground-set") == 0) return Foreground(window, true);
    if ((strcmp(verb, "post") == 0 && (argc == 5 || argc == 6)) || (strcmp(verb, "send") == 0 && argc == 5)) {
        const UINT message = static_cast<UINT>(Number(argv[2]));
        const WPARAM wParam = static_cast<WPARAM>(Number(argv[3]));
        const LPARAM lParam = static_cast<LPARAM>(Number(argv[4]));
        if (verb[0] == 's') return Send(window, message, wParam, lParam);
        const unsigned long long times = argc == 6 ? Number(argv[5]) : 1;
        for (unsigned long long i = 0; i < times; ++i) {
            if (!PostMessageW(window, message, wParam, lParam)) return 1;
        }
        return 0;
    }
    if (strcmp(verb, "setting") == 0 && argc == 3) {
        wchar_t text[64] = {};
        MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, text, 63);
        const bool none = strcmp(argv[2], "-") == 0;
        return Send(window, WM_SETTINGCHANGE, 0, none ? 0 : reinterpret_cast<LPARAM>(text));
    }
    if (strcmp(verb, "taskbar") == 0) {
        return Send(window, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    }
    if (strcmp(verb, "untray") == 0) return Untray(window);
    if (strcmp(verb, "workarea") == 0) return WorkArea(window);
    if (strcmp(verb, "gdi") == 0) return Gdi(window);
    if (strcmp(verb, "paint") == 0 && argc == 3) return Paint(window, static_cast<int>(Number(argv[2])));
    if (strcmp(verb, "handles") == 0) return Handles(window);
    if (strcmp(verb, "repeat") == 0 && argc == 6) {
        return Repeat(window, static_cast<long>(Number(argv[2])), static_cast<UINT>(Number(argv[3])),
                      static_cast<WPARAM>(Number(argv[4])), static_cast<LPARAM>(Number(argv[5])));
    }
    if (strcmp(verb, "wake-until") == 0 && argc == 5) {
        return WakeUntilChange(window, static_cast<long>(Number(argv[2])), Number(argv[3]),
                               static_cast<DWORD>(Number(argv[4])));
    }
    if (strcmp(verb, "tray-delete") == 0) return Untray(window);
    if (strcmp(verb, "settle") == 0 && argc == 3) {
        return Settle(window, static_cast<DWORD>(Number(argv[2])));
    }
    if (strcmp(verb, "end") == 0 && argc == 6) {
        return End(window, static_cast<UINT>(Number(argv[2])), static_cast<WPARAM>(Number(argv[3])),
                   static_cast<LPARAM>(Number(argv[4])), static_cast<DWORD>(Number(argv[5])));
    }
    if (strcmp(verb, "contrast") == 0 && argc == 4) {
        return Contrast(window, Number(argv[2]), static_cast<DWORD>(Number(argv[3])));
    }
    if (strcmp(verb, "dpichanged") == 0 && argc == 7) return DpiChanged(window, argv);
    if (strcmp(verb, "access") == 0 || strcmp(verb, "access-exit") == 0) {
        return Access(window, argc, argv, verb[6] == '-');
    }
    if (strcmp(verb, "peek") == 0 && argc == 4) {
        return Peek(window, Number(argv[2]), static_cast<int>(Number(argv[3])));
    }
    return 1;
}

// Runs request after request from standard input, each a line of arguments separated by
// 0x1F, and ends each answer with a line of 0x1E and the exit code. A new Wine process costs
// about 0.1 s of CPU, more than most requests take by far.
int Serve()
{
    constexpr int MaxArguments = 16;
    static char line[8192];
    while (fgets(line, sizeof line, stdin)) {
        char* argv[MaxArguments + 1] = {};
        int argc = 1;
        argv[0] = const_cast<char*>("probe");
        char* next = line;
        while (argc < MaxArguments) {
            argv[argc++] = next;
            char* end = next + strcspn(next, "\x1f\r\n");
            const bool last = *end != '\x1f';
            *end = 0;
            if (last) break;
            next = end + 1;
        }
        const int code = Run(argc, argv);
        fflush(stdout);
        printf("\x1e%d\n", code);
        fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Pixels as the program sees them: Wine 10, as Windows does, scales what a process
    // unaware of the DPI reads (Wine 8 runs every process per-monitor aware and fails this).
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    if (argc == 2 && strcmp(argv[1], "serve") == 0) return Serve();
    return Run(argc, argv);
}
