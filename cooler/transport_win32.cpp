// The cooler's HID interface on Windows: the HID class interfaces listed by setupapi whose
// paths may be the cooler's, each opened for shared overlapped read/write and identified by
// its HID attributes and report lengths; one report at a time through overlapped file I/O on
// the worker's IoEvent.
#include "cooler/transport.h"

#include <setupapi.h>

extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

namespace {

// hid.dll is not a known system DLL: a static import would let a hid.dll planted beside the
// exe be loaded. It is resolved at run time from the system directory only.
typedef void(WINAPI* GetHidGuidCall)(GUID* hidClass);
typedef BOOLEAN(WINAPI* GetAttributesCall)(HANDLE device, HIDD_ATTRIBUTES* attributes);
typedef BOOLEAN(WINAPI* GetPreparsedDataCall)(HANDLE device, PHIDP_PREPARSED_DATA* data);
typedef BOOLEAN(WINAPI* FreePreparsedDataCall)(PHIDP_PREPARSED_DATA data);
typedef NTSTATUS(WINAPI* GetCapsCall)(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps);

struct HidCalls {
    GetHidGuidCall getHidGuid;
    GetAttributesCall getAttributes;
    GetPreparsedDataCall getPreparsedData;
    FreePreparsedDataCall freePreparsedData;
    GetCapsCall getCaps;
};

constexpr DWORD InterfaceDataSize = 32;  // bytes, SP_DEVICE_INTERFACE_DATA on x64
constexpr DWORD DetailBufferSize = 2048; // bytes, the whole detail buffer
constexpr DWORD DetailFixedSize = 8;     // bytes, SP_DEVICE_INTERFACE_DETAIL_DATA_W on x64
constexpr ULONG AttributesSize = 12;     // bytes, HIDD_ATTRIBUTES
constexpr DWORD PresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE; // 0x12

static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == InterfaceDataSize);
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == DetailFixedSize);
static_assert(sizeof(HIDD_ATTRIBUTES) == AttributesSize);
static_assert(PresentInterfaces == 0x12);

// Through void*: GetProcAddress's own pointer type has no parameters.
void* Resolve(HMODULE library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(library, name));
}

bool IsCooler(HANDLE device, const HidCalls& hid)
{
    HIDD_ATTRIBUTES attributes = {};
    attributes.Size = AttributesSize;
    if (!hid.getAttributes(device, &attributes) || attributes.VendorID != CoolerVendorId ||
        attributes.ProductID != CoolerProductId) {
        return false;
    }
    // The cooler's other collections (and a look-alike) take reports of other lengths, and
    // every write or read of 64 bytes to them would fail at once.
    PHIDP_PREPARSED_DATA data = nullptr;
    if (!hid.getPreparsedData(device, &data)) return false;
    HIDP_CAPS caps = {};
    const bool fits = hid.getCaps(data, &caps) == HIDP_STATUS_SUCCESS &&
                      caps.InputReportByteLength == ReportSize &&
                      caps.OutputReportByteLength == ReportSize;
    hid.freePreparsedData(data);
    return fits;
}

// The interface at `path` opened, if it opens and is the cooler; otherwise
// INVALID_HANDLE_VALUE and nothing left open. `*held` set when a path that may be the
// cooler's does not open.
HANDLE OpenIfCooler(const wchar_t* path, const HidCalls& hid, bool* held)
{
    if (!PathMayBeCooler(reinterpret_cast<const char16_t*>(path))) return INVALID_HANDLE_VALUE;
    HANDLE device = CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        *held = true;
        return INVALID_HANDLE_VALUE;
    }
    if (IsCooler(device, hid)) return device;
    CloseHandle(device);
    return INVALID_HANDLE_VALUE;
}

CoolerSearch SearchInterfaces(const HidCalls& hid)
{
    GUID hidClass = {};
    hid.getHidGuid(&hidClass);
    HDEVINFO set = SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, PresentInterfaces);
    // Nothing could be listed: not evidence that the cooler is gone.
    if (set == INVALID_HANDLE_VALUE) return {INVALID_HANDLE_VALUE, SearchHeld};

    HANDLE cooler = INVALID_HANDLE_VALUE;
    bool held = false;
    SP_DEVICE_INTERFACE_DATA interfaceData = {};
    interfaceData.cbSize = InterfaceDataSize;
    alignas(8) uint8_t detailBuffer[DetailBufferSize];
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detailBuffer);
    for (DWORD index = 0; cooler == INVALID_HANDLE_VALUE &&
                          SetupDiEnumDeviceInterfaces(set, nullptr, &hidClass, index, &interfaceData);
         ++index) {
        for (uint8_t& byte : detailBuffer) byte = 0;
        detail->cbSize = DetailFixedSize;
        DWORD requiredSize = 0; // bytes
        if (!SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail, DetailBufferSize,
                                              &requiredSize, nullptr)) {
            continue;
        }
        // A path that filled the buffer to the end still ends inside it.
        detailBuffer[DetailBufferSize - 2] = 0;
        detailBuffer[DetailBufferSize - 1] = 0;
        cooler = OpenIfCooler(detail->DevicePath, hid, &held);
    }
    SetupDiDestroyDeviceInfoList(set);
    if (cooler != INVALID_HANDLE_VALUE) return {cooler, SearchOpened};
    return {cooler, held ? SearchHeld : SearchAbsent};
}

// Errors of a handle whose device has left: removed, or (the pipes that stand in for the
// device under test) its other end closed.
bool Removed(DWORD error)
{
    return error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_DEV_NOT_EXIST ||
           error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED ||
           error == ERROR_NO_DATA;
}

bool Ended(IoEnd end)
{
    LastIoEnd = end;
    return end == IoDone;
}

bool Failed()
{
    return Ended(Removed(GetLastError()) ? IoRemoved : IoFailed);
}

} // namespace

CoolerSearch SearchCooler()
{
    HMODULE hid = LoadLibraryExW(L"hid.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!hid) return {INVALID_HANDLE_VALUE, SearchHeld};
    HidCalls calls;
    calls.getHidGuid = reinterpret_cast<GetHidGuidCall>(Resolve(hid, "HidD_GetHidGuid"));
    calls.getAttributes = reinterpret_cast<GetAttributesCall>(Resolve(hid, "HidD_GetAttributes"));
    calls.getPreparsedData =
        reinterpret_cast<GetPreparsedDataCall>(Resolve(hid, "HidD_GetPreparsedData"));
    calls.freePreparsedData =
        reinterpret_cast<FreePreparsedDataCall>(Resolve(hid, "HidD_FreePreparsedData"));
    calls.getCaps = reinterpret_cast<GetCapsCall>(Resolve(hid, "HidP_GetCaps"));
    CoolerSearch found = {INVALID_HANDLE_VALUE, SearchHeld};
    if (calls.getHidGuid && calls.getAttributes && calls.getPreparsedData &&
        calls.freePreparsedData && calls.getCaps) {
        found = SearchInterfaces(calls);
    }
    FreeLibrary(hid);
    return found;
}

bool ReportIo(HANDLE cooler, HANDLE ioEvent, IoDirection direction, uint8_t* report,
              DWORD limitMs)
{
    OVERLAPPED overlapped = {};
    overlapped.hEvent = ioEvent;
    DWORD transferred = 0; // bytes
    ResetEvent(ioEvent);
    const BOOL completed = direction == IoWrite
                               ? WriteFile(cooler, report, ReportSize, nullptr, &overlapped)
                               : ReadFile(cooler, report, ReportSize, nullptr, &overlapped);
    if (!completed) {
        if (GetLastError() != ERROR_IO_PENDING) return Failed();
        if (WaitForSingleObject(ioEvent, limitMs) != WAIT_OBJECT_0) {
            CancelIoEx(cooler, &overlapped);
            // Until the cancelled operation has ended the driver may still write into the
            // caller's buffer and this frame's OVERLAPPED.
            WaitForSingleObject(ioEvent, INFINITE);
            return Ended(IoTimedOut);
        }
    }
    if (!GetOverlappedResult(cooler, &overlapped, &transferred, FALSE)) return Failed();
    return Ended(transferred == static_cast<DWORD>(ReportSize) ? IoDone : IoFailed);
}

void CloseCooler(HANDLE cooler)
{
    if (cooler != INVALID_HANDLE_VALUE) CloseHandle(cooler);
}
