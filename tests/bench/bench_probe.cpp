// The benchmark's Windows-side measurements, run under Wine beside the program measured:
//   bench_probe startup CLASS EXE CLASS2 EXE2 RUNS
//                                        median µs from CreateProcess to a window of CLASS,
//                                        and of CLASS2, their runs in turns, and the median
//                                        ratio of a run's two; each run is then ended with
//                                        WM_COMMAND 202
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

// µs from CreateProcess to a window of `windowClass`, the program then ended with
// WM_COMMAND 202; -1 when it could not be started or showed no window.
double StartOnce(const wchar_t* windowClass, const wchar_t* exe)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const double start = Now();
    if (!CreateProcessW(exe, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return -1;
    HWND window = nullptr;
    while (!(window = FindWindowW(windowClass, nullptr)) && Now() - start < 10e6) SwitchToThread();
    const double took = Now() - start;
    if (window) PostMessageW(window, WM_COMMAND, 202, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    Sleep(200);
    return window ? took : -1;
}

// Start-up of two programs in turns (A B, then B A, ...), after one start of each that is not
// counted (files still cold): whatever else loads the machine meanwhile weighs on both alike.
// Prints the median µs of A's runs and of B's, and the median of A's to B's in each run.
int Startup(char** args, int runs)
{
    constexpr int MaxRuns = 64;
    wchar_t wideClass[2][128], wideExe[2][MAX_PATH];
    for (int i = 0; i < 2; ++i) {
        MultiByteToWideChar(CP_UTF8, 0, args[2 * i], -1, wideClass[i], 128);
        MultiByteToWideChar(CP_UTF8, 0, args[2 * i + 1], -1, wideExe[i], MAX_PATH);
    }
    static double times[2][MaxRuns];
    if (runs > MaxRuns) runs = MaxRuns;
    for (int run = -1; run < runs; ++run) {
        for (int turn = 0; turn < 2; ++turn) {
            const int which = (run & 1) ^ turn;
            const double took = StartOnce(wideClass[which], wideExe[which]);
            if (took < 0) {
                printf("no window of %s\n", args[2 * which + 1]);
                return 1;
            }
            if (run >= 0) times[which][run] = took;
        }
    }
    // Each run's two starts came one after the other, under much the same load: the median of
    // their ratios holds still where the load comes and goes.
    static double ratios[MaxRuns];
    for (int run = 0; run < runs; ++run) ratios[run] = times[0][run] / times[1][run];
    qsort(ratios, runs, sizeof ratios[0], Compare);
    for (int i = 0; i < 2; ++i) qsort(times[i], runs, sizeof times[i][0], Compare);
    printf("%.0f %.0f %.3f\n", times[0][runs / 2], times[1][runs / 2], ratios[runs / 2]);
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
    if (argc == 7 && !strcmp(argv[1], "startup")) return Startup(argv + 2, atoi(argv[6]));
    if (argc == 3 && !strcmp(argv[1], "paint")) return Paint(atoi(argv[2]));
    if (argc == 5 && !strcmp(argv[1], "click")) return Click(atoi(argv[2]), atoi(argv[3]), argv[4]);
    printf("usage: bench_probe startup CLASS EXE CLASS2 EXE2 RUNS | paint FRAMES | click X Y LOG\n");
    return 2;
}
