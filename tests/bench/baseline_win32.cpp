// The baseline the benchmark holds Tidewatch against: the least a tray utility can be, an
// empty hidden window with a tray icon, built the same way (no C runtime). WM_COMMAND 202
// ends it, as it ends Tidewatch; a second start shows it.
#include <windows.h>
#include <shellapi.h>

namespace {

constexpr wchar_t ClassName[] = L"Tidewatch.Baseline";

NOTIFYICONDATAW Icon(HWND window)
{
    NOTIFYICONDATAW icon = {};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = 1;
    return icon;
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == 202) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_CLOSE) {
        ShowWindow(window, SW_HIDE);
        return 0;
    }
    if (message == WM_DESTROY) {
        NOTIFYICONDATAW icon = Icon(window);
        Shell_NotifyIconW(NIM_DELETE, &icon);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int Run()
{
    HWND existing = FindWindowW(ClassName, nullptr);
    if (existing) {
        ShowWindow(existing, SW_SHOW);
        return 0;
    }
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = ClassName;
    if (!RegisterClassExW(&windowClass)) return 1;
    HWND window = CreateWindowExW(0, ClassName, L"Baseline", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 496, 831, nullptr, nullptr, instance, nullptr);
    if (!window) return 2;
    NOTIFYICONDATAW icon = Icon(window);
    icon.uFlags = NIF_ICON | NIF_TIP;
    icon.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));
    icon.szTip[0] = L'B';
    Shell_NotifyIconW(NIM_ADD, &icon);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace

extern "C" void BaselineEntry()
{
    ExitProcess(static_cast<UINT>(Run()));
}
