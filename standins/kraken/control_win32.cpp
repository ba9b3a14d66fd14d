#include "standins/kraken/control_win32.h"

#include <stddef.h>

bool ControlPathFromEnvironment(wchar_t* path, int capacity)
{
    const DWORD length = GetEnvironmentVariableW(L"TIDEWATCH_SIM_CONTROL", path, capacity);
    return length > 0 && length < static_cast<DWORD>(capacity);
}

bool ReadControlText(const wchar_t* path, char* text, int* length)
{
    *length = 0;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD read = 0;
    const BOOL ok = ReadFile(file, text, ControlCapacity, &read, nullptr);
    CloseHandle(file);
    *length = static_cast<int>(read);
    return ok != FALSE;
}

void LoadControl(SimConfig* config)
{
    static char text[ControlCapacity]; // the caller's thread; the DLLs' callers are serial
    wchar_t path[MAX_PATH];
    int length = 0;
    int errorLine = 0;
    if (!ControlPathFromEnvironment(path, MAX_PATH) || !ReadControlText(path, text, &length) ||
        !ParseSimConfig(text, length, config, &errorLine)) {
        ClearSimConfig(config);
    }
}

void SimPipePath(const SimInterface& device, wchar_t* path)
{
    const wchar_t prefix[] = SIM_PIPE_PREFIX;
    int at = 0;
    for (int i = 0; prefix[i] != L'\0'; ++i) path[at++] = prefix[i];
    for (int i = 0; device.name[i] != '\0'; ++i) path[at++] = static_cast<wchar_t>(device.name[i]);
    if (!device.noIds) {
        const char* digits = device.upperIds ? "0123456789ABCDEF" : "0123456789abcdef";
        const wchar_t* vid = device.upperIds ? L"#VID_" : L"#vid_";
        const wchar_t* pid = device.upperIds ? L"&PID_" : L"&pid_";
        for (int part = 0; part < 2; ++part) {
            const wchar_t* label = part == 0 ? vid : pid;
            const unsigned id = part == 0 ? device.vendorId : device.productId;
            for (int i = 0; label[i] != L'\0'; ++i) path[at++] = label[i];
            for (int shift = 12; shift >= 0; shift -= 4) {
                path[at++] = static_cast<wchar_t>(digits[(id >> shift) & 0xF]);
            }
        }
    }
    path[at] = L'\0';
}

int InterfaceOfHandle(const SimConfig& config, HANDLE handle)
{
    alignas(8) unsigned char raw[sizeof(FILE_NAME_INFO) + PipePathCapacity * sizeof(wchar_t)] = {};
    const FILE_NAME_INFO* info = reinterpret_cast<const FILE_NAME_INFO*>(raw);
    const wchar_t* path = reinterpret_cast<const wchar_t*>(raw + offsetof(FILE_NAME_INFO, FileName));
    if (!GetFileInformationByHandleEx(handle, FileNameInfo, raw, sizeof raw)) return -1;
    // The name is the pipe's path below \\.\pipe, with a leading backslash.
    const wchar_t prefix[] = L"\\tidewatch-sim-";
    const int prefixLength = static_cast<int>(sizeof prefix / sizeof prefix[0]) - 1;
    const int length = static_cast<int>(info->FileNameLength / sizeof(wchar_t));
    if (length <= prefixLength || length >= PipePathCapacity) {
        return -1;
    }
    for (int i = 0; i < prefixLength; ++i) {
        if (path[i] != prefix[i]) return -1;
    }
    // The name ends where the ids begin.
    char device[SimNameSize] = {};
    for (int i = prefixLength; i < length && path[i] != L'#'; ++i) {
        if (i - prefixLength == SimNameSize - 1) return -1;
        device[i - prefixLength] = static_cast<char>(path[i]);
    }
    return FindSimInterface(config, device);
}
