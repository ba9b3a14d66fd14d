// Test-only decoy hid.dll, planted beside a program to show that the program does not load
// it: loading it creates the file named by TIDEWATCH_DECOY_MARKER. Its entry points find
// nothing.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*)
{
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"TIDEWATCH_DECOY_MARKER", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    return TRUE;
}

extern "C" __declspec(dllexport) void WINAPI HidD_GetHidGuid(GUID* hidClass)
{
    *hidClass = GUID{};
}

extern "C" __declspec(dllexport) BOOLEAN WINAPI HidD_GetAttributes(HANDLE, void*)
{
    return FALSE;
}
