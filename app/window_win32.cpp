// The main window's procedure: every user action, shell notice and worker report arrives
// here and is handled in a few lines or handed to the part of the interface that owns it.
#include "app/apply_finished.h"
#include "app/commands.h"
#include "app/shared_state.h"
#include "app/shell.h"
#include "app/shell_win32.h"
#include "ui/accessible_server.h"
#include "ui/controls.h"
#include "ui/dashboard.h"
#include "ui/keyboard.h"
#include "ui/placement.h"
#include "ui/theme.h"
#include "ui/tray_icon.h"
#include "ui/tray_menu.h"

static void Repaint(HWND window)
{
    InvalidateRect(window, nullptr, FALSE);
}

void ShowDashboard()
{
    if (IsIconic(MainWindow)) {
        ShowWindow(MainWindow, SW_RESTORE);
    } else if (!IsWindowVisible(MainWindow)) {
        PlaceNearTray();
        FocusOnOpening(MainWindow);
        ShowWindow(MainWindow, SW_SHOW);
        // A start-up show state that the system applied after all (see main).
        if (IsIconic(MainWindow) || IsZoomed(MainWindow)) ShowWindow(MainWindow, SW_RESTORE);
    }
    SetForegroundWindow(MainWindow);
    if (WakeEvent) SetEvent(WakeEvent);
    Repaint(MainWindow);
}

// Exit and the end of the session. A tray menu still open would outlive the window and its
// loop would take the quit message: it is closed first.
static void EndProgram(HWND window)
{
    EndMenu();
    DestroyWindow(window);
}

static LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const Command command = DecodeCommand(LOWORD(wParam));
    switch (command.action) {
    case ActionNone:
        return DefWindowProcW(window, message, wParam, lParam);
    case ActionOpen:
        ShowDashboard();
        return 0;
    case ActionExit:
        EndProgram(window);
        return 0;
    default:
        RunStateCommand(command);
        return 0;
    }
}

static void OnApplyFinished(HWND window, WPARAM profile)
{
    FollowAppliedProfile(static_cast<int32_t>(profile));
    UpdateTrayIcon();
    Repaint(window);
    SetTimer(window, ApplyTimerId, ApplyTimerMs, nullptr);
}

static void OnDpiChanged(HWND window, WPARAM wParam, LPARAM lParam)
{
    const int dpi = HIWORD(wParam);
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (dpi == 0 || !suggested) return;
    FollowDpiChange(window, dpi, *suggested);
    FollowWindowIconDpi(window, dpi);
    Repaint(window);
    FollowTrayIconSize();
}

static LRESULT OnTrayNotify(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (static_cast<UINT>(lParam)) {
    case WM_LBUTTONDBLCLK:
        ShowDashboard();
        return 0;
    default:
        if (TrayMenuNotice(static_cast<UINT>(lParam))) return 0;
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (TaskbarCreatedMsg != 0 && message == TaskbarCreatedMsg) {
        // A shell still starting may refuse it: tried again as at start-up.
        if (AddTrayIcon()) UpdateTrayIcon();
        else RetryTrayIconLater();
        return 0;
    }
    switch (DecideClose(message, wParam)) {
    case CloseHide:
        ShowWindow(window, SW_HIDE);
        return 0;
    case CloseEnd:
        EndProgram(window);
        return 0;
    case CloseNotOurs:
        break;
    }
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_DESTROY:
        DisconnectAccessible();
        Shutdown();
        return 0;
    case WM_PAINT:
        PaintDashboard(window);
        return 0;
    case WM_QUERYENDSESSION:
        return 1;
    case WM_ERASEBKGND:
        return 1;
    case WM_ENDSESSION:
        if (wParam) EndProgram(window);
        return 0;
    case WM_SETTINGCHANGE:
        if (IsThemeChange(static_cast<uint32_t>(wParam), reinterpret_cast<const char16_t*>(lParam))) {
            ApplyTheme(window);
            Repaint(window);
        }
        if (wParam == SPI_SETWORKAREA) FitToWorkArea(window);
        FollowTrayIconSize();
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_SYSCOLORCHANGE: // high contrast takes the system colours
        ApplyTheme(window);
        Repaint(window);
        return 0;
    case WM_DISPLAYCHANGE:
        FitToWorkArea(window);
        FollowTrayIconSize();
        return 0;
    case WM_COMMAND:
        return OnCommand(window, message, wParam, lParam);
    case WM_TIMER:
        if (wParam == ApplyTimerId) {
            KillTimer(window, ApplyTimerId);
            InterlockedExchange(&ApplyResult, 0);
            Repaint(window);
        } else if (wParam == TrayRetryTimerId) {
            RetryTrayIcon();
        }
        return 0;
    case WM_LBUTTONDOWN:
        FocusOnPress(window, lParam);
        return ControlsButtonDown(window, wParam, lParam);
    case WM_MOUSEMOVE:
        return ControlsMouseMove(window, wParam, lParam);
    case WM_LBUTTONUP:
        return ControlsButtonUp(window, wParam, lParam);
    case WM_CAPTURECHANGED:
        return ControlsCaptureLost(window, lParam);
    case WM_CANCELMODE:
        ControlsCaptureLost(window, 0);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_KEYDOWN:
        if (DashboardKeyDown(window, wParam, lParam)) return 0;
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_UPDATEUISTATE:
        FollowUiState(window, wParam);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_ACTIVATE:
        Repaint(window); // the focus ring shows only in the active window
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_GETOBJECT:
        if (const LRESULT object = ServeAccessible(wParam, lParam)) return object;
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_DPICHANGED:
        OnDpiChanged(window, wParam, lParam);
        return 0;
    case WM_ENTERSIZEMOVE:
    case WM_EXITSIZEMOVE:
        FollowMoveLoop(window, message == WM_ENTERSIZEMOVE);
        return 0;
    case MsgStatusUpdated:
        UpdateTrayIcon();
        Repaint(window);
        return 0;
    case MsgApplyFinished:
        OnApplyFinished(window, wParam);
        return 0;
    case MsgTrayNotify:
        return OnTrayNotify(window, message, wParam, lParam);
    case WM_POWERBROADCAST:
        NoteResume(wParam);
        return TRUE;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
