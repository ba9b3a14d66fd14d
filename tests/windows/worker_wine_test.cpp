// The real device worker on its own thread, with real events and a hidden main window, as
// the program starts it, against the simulated cooler under Wine. The window records the
// worker's messages with their times; the scenario script drives it through a command file
// (the first argument, a Windows path) that it rewrites whole, one command a line, read every
// 10 ms; each new line is carried out once:
//
//   show | hide         the window shows (and wakes the worker, as opening the dashboard
//                       does) or hides itself: the worker's poll cadence follows
//   apply PROFILE       RequestApply
//   brightness LEVEL    RequestBrightness
//   stop                StopEvent, as shutdown does; the program ends with the thread
//
// Output, one line per event, times in ms since the start (QueryPerformanceCounter; for the
// worker's messages the time they were posted, to the ms, and when they were received):
//   T started | T status connected=C link=L liquid=TENTHS gpu=V received=T
//   T applied profile=P result=R received=T | T did COMMAND visible=V
//   T ended after=MS (from the stop)
#include "cooler/worker.h"

#include <stdio.h>
#include <string.h>

namespace {

constexpr UINT_PTR CommandTimerId = 1;
constexpr UINT CommandPollMs = 10; // ms
constexpr int CommandFileCapacity = 4096; // bytes

// Everything below belongs to the main thread.
LARGE_INTEGER StartCount = {};
LARGE_INTEGER CountsPerSecond = {};
DWORD StartTick = 0; // ms, GetTickCount at the start
const wchar_t* CommandPath = nullptr;
int CommandsDone = 0;
HANDLE WorkerThread = nullptr;
double StopAt = -1; // ms, when StopEvent was set

double NowMs()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - StartCount.QuadPart) * 1000.0 /
           static_cast<double>(CountsPerSecond.QuadPart);
}

// When the message being handled was posted, on the same scale as NowMs: a busy window can
// receive a message some ms after the worker posted it.
double PostedMs()
{
    return static_cast<double>(static_cast<DWORD>(GetMessageTime()) - StartTick);
}

void Run(const char* line)
{
    int value = 0;
    if (strcmp(line, "show") == 0) {
        ShowWindow(MainWindow, SW_SHOWNOACTIVATE);
        SetEvent(WakeEvent);
    } else if (strcmp(line, "hide") == 0) {
        ShowWindow(MainWindow, SW_HIDE);
    } else if (sscanf(line, "apply %d", &value) == 1) {
        RequestApply(value);
    } else if (sscanf(line, "brightness %d", &value) == 1) {
        RequestBrightness(value);
    } else if (strcmp(line, "stop") == 0) {
        StopAt = NowMs();
        SetEvent(StopEvent);
    } else {
        printf("%.1f bad command %s\n", NowMs(), line);
        return;
    }
    printf("%.1f did %s visible=%d\n", NowMs(), line, IsWindowVisible(MainWindow) ? 1 : 0);
}

// Carries out the lines of the command file beyond those already done.
void PollCommands()
{
    static char text[CommandFileCapacity + 1];
    HANDLE file = CreateFileW(CommandPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD length = 0;
    const BOOL read = ReadFile(file, text, CommandFileCapacity, &length, nullptr);
    CloseHandle(file);
    if (!read) return;
    text[length] = 0;
    int line = 0;
    for (char* at = text; *at != 0;) {
        char* end = strchr(at, '\n');
        if (!end) break; // a line is whole once its newline is there
        *end = 0;
        if (end > at && end[-1] == '\r') end[-1] = 0;
        if (line++ >= CommandsDone) {
            Run(at);
            ++CommandsDone;
        }
        at = end + 1;
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == MsgStatusUpdated) {
        CoolerStatus status;
        CopyLatestStatus(&status);
        printf("%.1f status connected=%d link=%d liquid=%d gpu=%d received=%.1f\n", PostedMs(),
               status.connected, status.linkState, status.liquidTenths, status.gpuValid, NowMs());
        return 0;
    }
    if (message == MsgApplyFinished) {
        printf("%.1f applied profile=%d result=%ld received=%.1f\n", PostedMs(),
               static_cast<int>(wParam), AtomicRead(&ApplyResult), NowMs());
        return 0;
    }
    if (message == WM_TIMER && wParam == CommandTimerId) {
        PollCommands();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void DrainMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    QueryPerformanceFrequency(&CountsPerSecond);
    QueryPerformanceCounter(&StartCount);
    StartTick = GetTickCount();
    if (argc != 2) {
        printf("usage: worker_wine_test COMMAND_FILE\n");
        return 2;
    }
    CommandPath = argv[1];

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TidewatchWorkerTest";
    if (!RegisterClassExW(&windowClass)) return 3;
    MainWindow = CreateWindowExW(0, windowClass.lpszClassName, L"worker test", WS_OVERLAPPEDWINDOW,
                                 100, 100, 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!MainWindow) return 3;
    SetTimer(MainWindow, CommandTimerId, CommandPollMs, nullptr);

    StopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    WakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    printf("%.1f started\n", NowMs());
    WorkerThread = CreateThread(nullptr, 0, DeviceWorker, nullptr, 0, nullptr);
    if (!WorkerThread) return 3;

    // The message loop, watching the thread too, so that its end is timed exactly.
    for (;;) {
        const DWORD woken = MsgWaitForMultipleObjects(1, &WorkerThread, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) break;
        DrainMessages();
    }
    const double endedAt = NowMs();
    DrainMessages(); // what the worker posted before it ended
    printf("%.1f ended after=%.1f\n", endedAt, StopAt < 0 ? -1.0 : endedAt - StopAt);
    DWORD code = 1;
    GetExitCodeThread(WorkerThread, &code);
    CloseHandle(WorkerThread);
    DestroyWindow(MainWindow);
    return static_cast<int>(code);
}
