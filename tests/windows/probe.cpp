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
//   probe wait-gone MS            waits until no window of the class is left
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
    if (strcmp(verb, "fonts") == 0 && argc == 3) return Fonts(static_cast<int>(Number(argv[2])));
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
    if (strcmp(verb, "peek") == 0 && argc == 4) {
        return Peek(window, Number(argv[2]), static_cast<int>(Number(argv[3])));
    }
    return 1;
}
