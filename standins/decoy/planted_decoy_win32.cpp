// Test-only decoy DLL, built as dwmapi.dll and nvml.dll and planted beside a program to show
// that the program does not load it: loading it appends its own file name, one a line, to the
// file named by TIDEWATCH_DECOY_MARKER. It exports nothing, so a program that did load it
// would find none of its entry points.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*)
{
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"TIDEWATCH_DECOY_MARKER", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    wchar_t module[MAX_PATH];
    const DWORD moduleLength = GetModuleFileNameW(self, module, MAX_PATH);
    if (moduleLength == 0 || moduleLength >= MAX_PATH) return TRUE;
    const wchar_t* name = module;
    for (const wchar_t* at = module; *at; ++at) {
        if (*at == L'\\' || *at == L'/') name = at + 1;
    }
    char line[MAX_PATH + 1];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, name, -1, line, MAX_PATH, nullptr, nullptr);
    if (bytes <= 0) return TRUE;
    line[bytes - 1] = '\n';
    HANDLE marker = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, 0, nullptr);
    if (marker == INVALID_HANDLE_VALUE) return TRUE;
    DWORD written = 0;
    WriteFile(marker, line, static_cast<DWORD>(bytes), &written, nullptr);
    CloseHandle(marker);
    return TRUE;
}
