// Test-only hid.dll: the simulator's pipes seen as HID interfaces. The attributes of a handle
// come from the control file entry of the pipe it is open on. Only the entry points the
// program uses are provided.
#include "standins/kraken/control_win32.h"

namespace {

// HIDD_ATTRIBUTES; hidsdi.h would declare the exports as imports.
struct Attributes {
    ULONG Size; // bytes, 12
    USHORT VendorID;
    USHORT ProductID;
    USHORT VersionNumber;
};
static_assert(sizeof(Attributes) == 12);

constexpr GUID HidInterfaceClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

} // namespace

extern "C" __declspec(dllexport) void WINAPI HidD_GetHidGuid(GUID* hidClass)
{
    *hidClass = HidInterfaceClass;
}

extern "C" __declspec(dllexport) BOOLEAN WINAPI HidD_GetAttributes(HANDLE device, Attributes* attributes)
{
    if (!attributes || attributes->Size != sizeof(Attributes)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SimConfig config;
    LoadControl(&config);
    const int index = InterfaceOfHandle(config, device);
    if (index < 0 || config.interfaces[index].noAttributes) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    // A client pipe starts in byte read mode, where messages merge; HID reads return one
    // report each.
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!SetNamedPipeHandleState(device, &mode, nullptr, nullptr)) return FALSE;
    attributes->VendorID = config.interfaces[index].vendorId;
    attributes->ProductID = config.interfaces[index].productId;
    attributes->VersionNumber = 0x0100;
    return TRUE;
}
