// Optional calls of the desktop window manager and the shell's DPI service, from dwmapi.dll
// and shcore.dll resolved once at run time from the system directory only (neither is a
// known system DLL, so a static import would load a copy planted beside the exe); and one of
// user32 newer than the oldest Windows the program runs on.
#pragma once

#include "app/base.h"

// DwmSetWindowAttribute; E_NOTIMPL without it.
HRESULT SetWindowManagerAttribute(HWND window, DWORD attribute, const void* value, DWORD size);

// The window's visible frame (DWMWA_EXTENDED_FRAME_BOUNDS, without the invisible resize
// borders); false when it is not known.
bool VisibleFrame(HWND window, RECT* frame);

// The monitor's effective DPI (GetDpiForMonitor); 0 when it is not known.
int MonitorDpi(HMONITOR monitor);

// SetProcessDpiAwarenessContext(PER_MONITOR_AWARE_V2), which Windows 10 has from 1703 only
// (the manifest asks for the same there, and for per-monitor v1 on 1607, which has no v2);
// false when it is missing or fails.
bool RequestPerMonitorV2();
