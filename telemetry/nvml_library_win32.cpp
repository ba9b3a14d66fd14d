#include "telemetry/nvml_library.h"

NvmlLibrary LoadNvmlLibrary()
{
    // The system directory only: a nvml.dll beside the exe or in the current directory is
    // never picked up.
    return reinterpret_cast<NvmlLibrary>(
        LoadLibraryExW(L"nvml.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

NvmlEntryPoint FindNvmlEntryPoint(NvmlLibrary library, const char* name)
{
    return reinterpret_cast<NvmlEntryPoint>(
        GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

void UnloadNvmlLibrary(NvmlLibrary library)
{
    FreeLibrary(reinterpret_cast<HMODULE>(library));
}
