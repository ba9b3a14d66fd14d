// Test-only wineboot.exe for the harness's Wine sessions. The first process of a new
// wineserver starts wineboot and waits for it to signal the boot event; the real one also
// starts services.exe and the system services (about 0.7 s of CPU), which the programs under
// test do not use. This one only signals the event. Never part of Tidewatch.exe.
#include <windows.h>
#include <winternl.h>

extern "C" NTSTATUS NTAPI NtOpenEvent(HANDLE* event, ACCESS_MASK access, OBJECT_ATTRIBUTES* attributes);
extern "C" NTSTATUS NTAPI NtSetEvent(HANDLE event, LONG* previous);

int wmain()
{
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"\\KernelObjects\\__wineboot_event");
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, 0, nullptr, nullptr);
    HANDLE event = nullptr;
    if (NtOpenEvent(&event, EVENT_MODIFY_STATE, &attributes) != 0) return 1;
    const NTSTATUS status = NtSetEvent(event, nullptr);
    CloseHandle(event);
    return status == 0 ? 0 : 1;
}
