#include "ui/window_manager.h"

namespace {

typedef HRESULT(WINAPI* SetAttributeCall)(HWND, DWORD, const void*, DWORD);
typedef HRESULT(WINAPI* GetAttributeCall)(HWND, DWORD, void*, DWORD);
typedef HRESULT(WINAPI* MonitorDpiCall)(HMONITOR, int, UINT*, UINT*);
typedef BOOL(WINAPI* DpiAwarenessCall)(DPI_AWARENESS_CONTEXT);

struct SystemEntry {
    const wchar_t* library;
    const char* name;
    bool resolved;
    void* address; // null when the library or the entry point is missing
};

// Interface thread, each.
SystemEntry SetAttributeEntry = {L"dwmapi.dll", "DwmSetWindowAttribute", false, nullptr};
SystemEntry GetAttributeEntry = {L"dwmapi.dll", "DwmGetWindowAttribute", false, nullptr};
SystemEntry MonitorDpiEntry = {L"shcore.dll", "GetDpiForMonitor", false, nullptr};
SystemEntry DpiAwarenessEntry = {L"user32.dll", "SetProcessDpiAwarenessContext", false, nullptr};

void* Resolve(SystemEntry& entry)
{
    if (entry.resolved) return entry.address;
    entry.resolved = true;
    HMODULE module = LoadLibraryExW(entry.library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Through void*: GetProcAddress's own pointer type has no parameters.
    if (module) entry.address = reinterpret_cast<void*>(GetProcAddress(module, entry.name));
    return entry.address;
}

} // namespace

HRESULT SetWindowManagerAttribute(HWND window, DWORD attribute, const void* value, DWORD size)
{
    const auto call = reinterpret_cast<SetAttributeCall>(Resolve(SetAttributeEntry));
    return call ? call(window, attribute, value, size) : E_NOTIMPL;
}

bool VisibleFrame(HWND window, RECT* frame)
{
    constexpr DWORD ExtendedFrameBounds = 9; // DWMWA_EXTENDED_FRAME_BOUNDS
    const auto call = reinterpret_cast<GetAttributeCall>(Resolve(GetAttributeEntry));
    return call && call(window, ExtendedFrameBounds, frame, sizeof *frame) >= 0;
}

int MonitorDpi(HMONITOR monitor)
{
    constexpr int EffectiveDpi = 0; // MDT_EFFECTIVE_DPI
    const auto call = reinterpret_cast<MonitorDpiCall>(Resolve(MonitorDpiEntry));
    UINT x = 0, y = 0;
    if (!call || call(monitor, EffectiveDpi, &x, &y) < 0) return 0;
    return static_cast<int>(y);
}

bool RequestPerMonitorV2()
{
    const auto call = reinterpret_cast<DpiAwarenessCall>(Resolve(DpiAwarenessEntry));
    return call && call(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}
