// The benchmark's Windows-side measurements, run under Wine beside the program measured:
//   bench_probe startup CLASS EXE RUNS   median µs from CreateProcess to a window of CLASS;
//                                        each run is then ended with WM_COMMAND 202
//   bench_probe paint FRAMES             mean µs of one whole dashboard paint (WM_PAINT sent
//                                        after invalidating), over FRAMES frames
//   bench_probe click X Y LOG            µs from a click at client (X, Y) until the pump and
//                                        the fan curve reports are both in the simulator's LOG
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

constexpr wchar_t TidewatchClass[] = L"Harrowsoft.Tidewatch";

double Now() // µs
{
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

int Compare(const void* a, const void* b)
{
    const double x = *static_cast<const double*>(a), y = *static_cast<const double*>(b);
    return x < y ? -1 : x > y;
}

int Startup(const char* className, const char* exe, int runs)
{
    wchar_t wideClass[128], wideExe[MAX_PATH];
    MultiByteToWideChar(CP_UTF8, 0, className, -1, wideClass, 128);
    MultiByteToWideChar(CP_UTF8, 0, exe, -1, wideExe, MAX_PATH);
    double times[32];
    if (runs > 32) runs = 32;
    for (int run = 0; run < runs; ++run) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        const double start = Now();
        if (!CreateProcessW(wideExe, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            printf("cannot start %s\n", exe);
            return 1;
        }
        HWND window = nullptr;
        while (!(window = FindWindowW(wideClass, nullptr)) && Now() - start < 10e6) SwitchToThread();
        times[run] = Now() - start;
        if (!window) {
            printf("no window\n");
            return 1;
        }
        PostMessageW(window, WM_COMMAND, 202, 0);
        if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        Sleep(200);
    }
    qsort(times, runs, sizeof times[0], Compare);
    printf("%.0f\n", times[runs / 2]);
    return 0;
}

int Paint(int frames)
{
    HWND window = FindWindowW(TidewatchClass, nullptr);
    if (!window) return 1;
    DWORD_PTR result;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &result); // settle
    const double start = Now();
    for (int i = 0; i < frames; ++i) {
        InvalidateRect(window, nullptr, FALSE);
        SendMessageTimeoutW(window, WM_PAINT, 0, 0, SMTO_BLOCK, 5000, &result);
    }
    const double perFrame = (Now() - start) / frames;
    // The round trip of a message to the window, which is not painting.
    const double messageStart = Now();
    for (int i = 0; i < frames; ++i) SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &result);
    const double perMessage = (Now() - messageStart) / frames;
    printf("%.0f %.0f\n", perFrame - perMessage, perMessage);
    return 0;
}

bool LogHas(const char* path, long from, const char* needle)
{
    FILE* file = fopen(path, "rb");
    if (!file) return false;
    static char text[1 << 20];
    fseek(file, from, SEEK_SET);
    const size_t length = fread(text, 1, sizeof text - 1, file);
    fclose(file);
    text[length] = 0;
    return strstr(text, needle) != nullptr;
}

long LogSize(const char* path)
{
    FILE* file = fopen(path, "rb");
    if (!file) return 0;
    fseek(file, 0, SEEK_END);
    const long size = ftell(file);
    fclose(file);
    return size;
}

int Click(int x, int y, const char* log)
{
    HWND window = FindWindowW(TidewatchClass, nullptr);
    if (!window) return 1;
    const long from = LogSize(log);
    const LPARAM at = MAKELPARAM(x, y);
    const double start = Now();
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(window, WM_LBUTTONUP, 0, at);
    while (!(LogHas(log, from, "in cooler 64 7201") && LogHas(log, from, "in cooler 64 7202"))) {
        if (Now() - start > 5e6) {
            printf("no curve reports\n");
            return 1;
        }
    }
    printf("%.0f\n", Now() - start);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && !strcmp(argv[1], "startup")) return Startup(argv[2], argv[3], atoi(argv[4]));
    if (argc == 3 && !strcmp(argv[1], "paint")) return Paint(atoi(argv[2]));
    if (argc == 5 && !strcmp(argv[1], "click")) return Click(atoi(argv[2]), atoi(argv[3]), argv[4]);
    printf("usage: bench_probe startup CLASS EXE RUNS | paint FRAMES | click X Y LOG\n");
    return 2;
}
