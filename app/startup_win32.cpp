// Start-up, single instance and shutdown of the program.
#include "app/shared_state.h"
#include "app/shell.h"
#include "app/shell_win32.h"
#include "cooler/worker.h"
#include "ui/fonts.h"
#include "ui/placement.h"
#include "ui/theme.h"
#include "ui/tray_icon.h"
#include "ui/window_manager.h"

HINSTANCE Instance = nullptr;
HICON AppIcon = nullptr;
HANDLE InstanceMutex = nullptr;
HANDLE WorkerThread = nullptr;
static uint32_t TrayFailedMs = 0; // interface thread; tick count (ms) of the failed add at start-up

constexpr DWORD WindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX; // 0x00CA0000

static int64_t ReadCounter()
{
    LARGE_INTEGER value = {};
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

static bool RunsElevated()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0; // bytes
    const bool elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation,
                                              &size) &&
                          elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
}

// Hands over to the instance that holds the mutex: its window opens (command 201).
static void HandOver()
{
    HWND running = FindWindowW(Wide(WindowClassName), nullptr);
    if (!running) return;
    // Only the process the user just started may pass on the right to come to the front.
    DWORD processId = 0;
    GetWindowThreadProcessId(running, &processId);
    if (processId) AllowSetForegroundWindow(processId);
    PostMessageW(running, WM_COMMAND, 201, 0);
}

// The outer size of a window whose client area is the fixed size at `dpi`.
static SIZE OuterSize(UINT dpi)
{
    RECT rect = {0, 0, MulDiv(ClientWidth96, static_cast<int>(dpi), 96),
                 MulDiv(ClientHeight96, static_cast<int>(dpi), 96)};
    AdjustWindowRectExForDpi(&rect, WindowStyle, FALSE, 0, dpi);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

static bool RegisterWindowClass()
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = Instance;
    windowClass.hIcon = AppIcon;
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(Instance, MAKEINTRESOURCEW(AppIconId), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;
    windowClass.lpszClassName = Wide(WindowClassName);
    return RegisterClassExW(&windowClass) != 0;
}

// After the message loop: the worker gets at most WorkerStopLimitMs to end, then the
// handles and fonts go.
static void AwaitWorker()
{
    bool workerEnded = true;
    if (WorkerThread) {
        workerEnded = WaitForSingleObject(WorkerThread, WorkerStopLimitMs) == WAIT_OBJECT_0;
        CloseHandle(WorkerThread);
        WorkerThread = nullptr;
    }
    // A worker still running may be waiting on the events: closing them under it could hand
    // their handle values to new objects. The process exit releases them instead.
    if (workerEnded) {
        if (StopEvent) CloseHandle(StopEvent);
        if (WakeEvent) CloseHandle(WakeEvent);
        StopEvent = nullptr;
        WakeEvent = nullptr;
    }
    DeleteFonts();
}

// The first ShowWindow of a process shows the window as the shortcut that started it says
// (Minimized, Maximized), whatever the call asks for. Spent here on the hidden window, so
// that the first Open shows the dashboard as asked. Should the system have shown the window
// for it, it goes back to hidden and normal.
static void SpendStartupShowState()
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    if (!(startup.dwFlags & STARTF_USESHOWWINDOW)) return;
    ShowWindow(MainWindow, SW_HIDE);
    if (IsIconic(MainWindow) || IsZoomed(MainWindow)) ShowWindow(MainWindow, SW_RESTORE);
    if (IsWindowVisible(MainWindow)) ShowWindow(MainWindow, SW_HIDE);
}

int main()
{
    LARGE_INTEGER frequency = {};
    QueryPerformanceFrequency(&frequency);
    const int64_t start = ReadCounter();

    InstanceMutex = CreateMutexW(nullptr, FALSE, Wide(MutexName));
    if (AnotherCopyRuns(InstanceMutex != nullptr, GetLastError())) {
        HandOver();
        if (InstanceMutex) CloseHandle(InstanceMutex);
        InstanceMutex = nullptr;
        return 0;
    }

    Instance = GetModuleHandleW(nullptr);
    ReadOwnVersion();
    TaskbarCreatedMsg = RegisterWindowMessageW(L"TaskbarCreated");
    // Fails with ERROR_INVALID_PARAMETER where the process is already per-monitor aware
    // (and on systems without v2): the program then runs with what it has.
    RequestPerMonitorV2();

    AppIcon = LoadIconW(Instance, MAKEINTRESOURCEW(AppIconId));
    if (!RegisterWindowClass()) return 1;

    const SIZE initial = OuterSize(96);
    MainWindow = CreateWindowExW(0, Wide(WindowClassName), Wide(WindowTitle), WindowStyle,
                                 CW_USEDEFAULT, CW_USEDEFAULT, initial.cx, initial.cy, nullptr,
                                 nullptr, Instance, nullptr);
    if (!MainWindow) return 2;
    // A copy started with "Run as administrator" still hears a restarted shell and a second
    // start made without it (UIPI drops their messages otherwise). Only an elevated copy lets
    // commands in from below: a copy at medium integrity keeps UIPI's guard against a
    // low-integrity process posting Exit or curve writes.
    if (TaskbarCreatedMsg) {
        ChangeWindowMessageFilterEx(MainWindow, TaskbarCreatedMsg, MSGFLT_ALLOW, nullptr);
    }
    if (RunsElevated()) ChangeWindowMessageFilterEx(MainWindow, WM_COMMAND, MSGFLT_ALLOW, nullptr);

    const UINT dpi = GetDpiForWindow(MainWindow);
    if (dpi) CurrentDpi = static_cast<int>(dpi);
    FollowWindowIconDpi(MainWindow, CurrentDpi);
    FitToWorkArea(MainWindow);

    ChoosePalette();
    RebuildFonts();
    ApplyTheme(MainWindow);

    SpendStartupShowState();
    if (!AddTrayIcon()) {
        PlaceNearTray();
        ShowWindow(MainWindow, SW_SHOWNORMAL);
        UpdateWindow(MainWindow);
        RetryTrayIconLater();
    }

    StartupMicros = ElapsedMicros(start, ReadCounter(), frequency.QuadPart);

    StopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    WakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (StopEvent && WakeEvent) {
        WorkerThread = CreateThread(nullptr, 0, DeviceWorker, nullptr, 0, nullptr);
    }

    MSG message = {};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        TranslateMessage(&message);
        DispatchMessageW(&message);
        // A modal loop (the tray menu's) may have taken the quit message meant for this one.
        if (!IsWindow(MainWindow)) {
            message.wParam = 0;
            break;
        }
    }
    AwaitWorker();
    return static_cast<int>(message.wParam);
}

void RetryTrayIconLater()
{
    TrayFailedMs = GetTickCount();
    SetTimer(MainWindow, TrayRetryTimerId, TrayRetryPeriodMs, nullptr);
}

void RetryTrayIcon()
{
    const TrayRetryStep step = DecideTrayRetry(TrayAdded != 0, TrayFailedMs, GetTickCount());
    if (step.add && AddTrayIcon()) UpdateTrayIcon();
    if (!step.again || TrayAdded) KillTimer(MainWindow, TrayRetryTimerId);
}

void Shutdown()
{
    RemoveTrayIcon();
    // Lets go of the program's identity before anything slow: a start from now on is a
    // new instance, not a hand-over to this dying window (which is gone once the message
    // loop has ended, before the worker is waited for).
    if (InstanceMutex) CloseHandle(InstanceMutex);
    InstanceMutex = nullptr;
    if (StopEvent) SetEvent(StopEvent);
    PostQuitMessage(0);
}
