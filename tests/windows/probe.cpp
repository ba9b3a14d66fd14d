// Test helper run under Wine beside Tidewatch.exe: finds the program's main window by its
// class, sends or posts it messages, and reads its state and its globals, printing one
// result line. Exit code 0 on success, 1 when the window is missing or a call fails.
//
//   probe find | count | state
//   probe tray [HWND]              1 while the shell holds icon 1 of the window
//   probe post MSG WPARAM LPARAM | send MSG WPARAM LPARAM
//   probe setting TEXT            WM_SETTINGCHANGE with lParam TEXT ("-" for none)
//   probe taskbar                 sends the registered "TaskbarCreated" message
//   probe peek RVA SIZE           reads SIZE (1, 2, 4, 8) bytes at image base + RVA
//   probe fonts DPI               builds the program's fonts here at DPI and describes them
//                                 ("window": at the DPI Windows gives a new window here)
//   probe wait-gone MS            waits until no window of the class is left
//   probe tray-delete             removes icon 1 of the window, as a restarted shell would
//   probe settle MS               waits until the window has nothing left to paint
//   probe end MSG WPARAM LPARAM MS posts the message and waits for the program's process to
//                                 end: prints "ended MS CODE" or "running MS"
#include "app/shell.h"
#include "ui/fonts.h"

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
    RebuildFonts();
    HFONT firstBody = BodyFont;
    RebuildFonts();
    // The first pair was deleted: its handle no longer describes a font.
    LOGFONTW stale = {};
    printf("first deleted %d\n", GetObjectW(firstBody, sizeof(stale), &stale) == 0 ? 1 : 0);
    Describe("body", BodyFont);
    Describe("hero", HeroFont);
    DeleteFonts();
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

int TrayDelete(HWND window)
{
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = 1;
    printf("%d\n", Shell_NotifyIconW(NIM_DELETE, &data) ? 1 : 0);
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

} // namespace

int main(int argc, char** argv)
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
    if ((strcmp(verb, "post") == 0 || strcmp(verb, "send") == 0) && argc == 5) {
        const UINT message = static_cast<UINT>(Number(argv[2]));
        const WPARAM wParam = static_cast<WPARAM>(Number(argv[3]));
        const LPARAM lParam = static_cast<LPARAM>(Number(argv[4]));
        if (verb[0] == 's') return Send(window, message, wParam, lParam);
        return PostMessageW(window, message, wParam, lParam) ? 0 : 1;
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
    if (strcmp(verb, "tray-delete") == 0) return TrayDelete(window);
    if (strcmp(verb, "settle") == 0 && argc == 3) {
        return Settle(window, static_cast<DWORD>(Number(argv[2])));
    }
    if (strcmp(verb, "end") == 0 && argc == 6) {
        return End(window, static_cast<UINT>(Number(argv[2])), static_cast<WPARAM>(Number(argv[3])),
                   static_cast<LPARAM>(Number(argv[4])), static_cast<DWORD>(Number(argv[5])));
    }
    if (strcmp(verb, "peek") == 0 && argc == 4) {
        return Peek(window, Number(argv[2]), static_cast<int>(Number(argv[3])));
    }
    return 1;
}
