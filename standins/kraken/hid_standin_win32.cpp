// Test-only hid.dll: the simulator's pipes seen as HID interfaces. The attributes and report
// lengths of a handle come from the control file entry of the pipe it is open on. Only the
// entry points the program uses are provided, plus StandinOpenPreparsedData for tests.
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

// HIDP_CAPS.
struct Caps {
    USHORT Usage;
    USHORT UsagePage;
    USHORT InputReportByteLength;  // bytes, report id included
    USHORT OutputReportByteLength; // bytes
    USHORT FeatureReportByteLength;
    USHORT Reserved[17];
    USHORT Counts[10]; // link collection nodes, then button, value caps and indices per kind
};
static_assert(sizeof(Caps) == 64);

// What HidD_GetPreparsedData hands out: a slot of a fixed table, until it is freed.
struct Preparsed {
    bool inUse;
    bool cooler;
    USHORT inputLength;  // bytes
    USHORT outputLength; // bytes
};

constexpr LONG CapsSuccess = 0x00110000;         // HIDP_STATUS_SUCCESS
constexpr LONG CapsInvalid = static_cast<LONG>(0xC0110001); // HIDP_STATUS_INVALID_PREPARSED_DATA
constexpr int PreparsedCapacity = 16;

Preparsed PreparsedTable[PreparsedCapacity] = {}; // the caller's thread; the program asks from one

Preparsed* FromPreparsed(void* data)
{
    Preparsed* entry = static_cast<Preparsed*>(data);
    if (entry < PreparsedTable || entry >= PreparsedTable + PreparsedCapacity || !entry->inUse) {
        return nullptr;
    }
    return entry;
}

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

extern "C" __declspec(dllexport) BOOLEAN WINAPI HidD_GetPreparsedData(HANDLE device, void** data)
{
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SimConfig config;
    LoadControl(&config);
    const int index = InterfaceOfHandle(config, device);
    if (index < 0 || config.interfaces[index].noCaps) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    for (Preparsed& entry : PreparsedTable) {
        if (entry.inUse) continue;
        const SimInterface& found = config.interfaces[index];
        entry = {true, IsCoolerInterface(found), static_cast<USHORT>(found.inputLength),
                 static_cast<USHORT>(found.outputLength)};
        *data = &entry;
        return TRUE;
    }
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
}

extern "C" __declspec(dllexport) LONG WINAPI HidP_GetCaps(void* data, Caps* caps)
{
    const Preparsed* entry = FromPreparsed(data);
    if (!entry || !caps) return CapsInvalid;
    *caps = {};
    // A vendor-defined collection for the cooler, a keyboard for anything else.
    caps->UsagePage = entry->cooler ? 0xFF00 : 0x0001;
    caps->Usage = entry->cooler ? 0x0001 : 0x0006;
    caps->InputReportByteLength = entry->inputLength;
    caps->OutputReportByteLength = entry->outputLength;
    caps->Counts[0] = 1;
    return CapsSuccess;
}

extern "C" __declspec(dllexport) BOOLEAN WINAPI HidD_FreePreparsedData(void* data)
{
    Preparsed* entry = FromPreparsed(data);
    if (!entry) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *entry = {};
    return TRUE;
}

// Preparsed data handed out and not yet freed.
extern "C" __declspec(dllexport) int StandinOpenPreparsedData()
{
    int count = 0;
    for (const Preparsed& entry : PreparsedTable) count += entry.inUse ? 1 : 0;
    return count;
}
