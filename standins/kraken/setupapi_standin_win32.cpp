// Test-only setupapi.dll: the HID interface class lists the control file's present
// interfaces, in order, with the simulator's pipes as device paths. It holds callers to the
// record sizes and flags of 64-bit Windows. Only the entry points the program uses are
// provided, plus StandinOpenDeviceSets for tests.
#include "standins/kraken/control_win32.h"

namespace {

// SP_DEVICE_INTERFACE_DATA and SP_DEVICE_INTERFACE_DETAIL_DATA_W; setupapi.h would declare
// the exports as imports.
struct InterfaceData {
    DWORD cbSize; // bytes, 32
    GUID InterfaceClassGuid;
    DWORD Flags;
    ULONG_PTR Reserved;
};
struct InterfaceDetail {
    DWORD cbSize; // bytes, 8: the fixed part only
    WCHAR DevicePath[1];
};
static_assert(sizeof(InterfaceData) == 32);
static_assert(sizeof(InterfaceDetail) == 8);

constexpr GUID HidInterfaceClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr DWORD PresentInterfaces = 0x12; // DIGCF_PRESENT | DIGCF_DEVICEINTERFACE
constexpr DWORD TooLongPath = 4096;       // bytes claimed by a nodetail interface
constexpr int SetCapacity = 16;

struct DeviceSet {
    bool inUse;
    int count;
    SimInterface interfaces[SimInterfaceCapacity];
};

DeviceSet Sets[SetCapacity] = {}; // the caller's thread; the program searches from one thread

bool SameGuid(const GUID* a, const GUID& b)
{
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(&b);
    for (unsigned i = 0; i < sizeof(GUID); ++i) {
        if (x[i] != y[i]) return false;
    }
    return true;
}

DeviceSet* FromHandle(void* handle)
{
    DeviceSet* set = static_cast<DeviceSet*>(handle);
    if (set < Sets || set >= Sets + SetCapacity || !set->inUse) return nullptr;
    return set;
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

} // namespace

extern "C" __declspec(dllexport) void* WINAPI SetupDiGetClassDevsW(const GUID* classGuid,
                                                                   const WCHAR* enumerator,
                                                                   HWND parent, DWORD flags)
{
    if (!classGuid || !SameGuid(classGuid, HidInterfaceClass) || enumerator || parent ||
        flags != PresentInterfaces) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    for (DeviceSet& set : Sets) {
        if (set.inUse) continue;
        SimConfig config;
        LoadControl(&config);
        set = {};
        set.inUse = true;
        for (int i = 0; i < config.interfaceCount; ++i) {
            if (!config.interfaces[i].absent) set.interfaces[set.count++] = config.interfaces[i];
        }
        return &set;
    }
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI SetupDiEnumDeviceInterfaces(void* handle, void* deviceInfo,
                                                                         const GUID* classGuid,
                                                                         DWORD index,
                                                                         InterfaceData* data)
{
    DeviceSet* set = FromHandle(handle);
    if (!set) return Fail(ERROR_INVALID_HANDLE);
    if (deviceInfo || !classGuid || !SameGuid(classGuid, HidInterfaceClass) || !data ||
        data->cbSize != sizeof(InterfaceData)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (index >= static_cast<DWORD>(set->count)) return Fail(ERROR_NO_MORE_ITEMS);
    data->InterfaceClassGuid = HidInterfaceClass;
    data->Flags = 1; // SPINT_ACTIVE
    data->Reserved = index + 1;
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(
    void* handle, const InterfaceData* data, InterfaceDetail* detail, DWORD detailSize,
    DWORD* requiredSize, void* deviceInfo)
{
    DeviceSet* set = FromHandle(handle);
    if (!set) return Fail(ERROR_INVALID_HANDLE);
    if (!data || data->cbSize != sizeof(InterfaceData) || data->Reserved < 1 ||
        data->Reserved > static_cast<ULONG_PTR>(set->count) || deviceInfo) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const SimInterface& device = set->interfaces[data->Reserved - 1];
    wchar_t path[PipePathCapacity];
    SimPipePath(device, path);
    DWORD length = 0; // wchar_t, NUL included
    while (path[length] != L'\0') ++length;
    ++length;
    const DWORD needed = device.noDetail ? TooLongPath
                                         : static_cast<DWORD>(sizeof(DWORD) + length * sizeof(wchar_t));
    if (requiredSize) *requiredSize = needed;
    if (!detail || detailSize < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (detail->cbSize != sizeof(InterfaceDetail)) return Fail(ERROR_INVALID_USER_BUFFER);
    for (DWORD i = 0; i < length; ++i) detail->DevicePath[i] = path[i];
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI SetupDiDestroyDeviceInfoList(void* handle)
{
    DeviceSet* set = FromHandle(handle);
    if (!set) return Fail(ERROR_INVALID_HANDLE);
    *set = {};
    return TRUE;
}

// Sets made by SetupDiGetClassDevsW and not yet destroyed.
extern "C" __declspec(dllexport) int StandinOpenDeviceSets()
{
    int count = 0;
    for (const DeviceSet& set : Sets) count += set.inUse ? 1 : 0;
    return count;
}
