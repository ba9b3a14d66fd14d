#include "app/shell.h"

int CurrentDpi = 96;
int LayoutDpi = 96;
UINT TaskbarCreatedMsg = 0;
int64_t StartupMicros = 0;
uint16_t VersionMajor = 0;
uint16_t VersionMinor = 0;
uint16_t VersionBuild = 0;

bool AnotherCopyRuns(bool mutexCreated, DWORD lastError)
{
    return mutexCreated ? lastError == MutexAlreadyExists : lastError == MutexAccessDenied;
}

static uint32_t ReadLittle32(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

bool FindFixedVersion(const uint8_t* resource, uint32_t size, ProgramVersion* out)
{
    constexpr uint32_t Signature = 0xFEEF04BD;
    constexpr uint32_t FixedInfoSize = 52; // bytes of VS_FIXEDFILEINFO
    if (!resource) return false;
    for (uint32_t offset = 0; size >= FixedInfoSize && offset <= size - FixedInfoSize;
         offset += 4) {
        if (ReadLittle32(resource + offset) != Signature) continue;
        const uint32_t fileVersionMs = ReadLittle32(resource + offset + 8);
        const uint32_t fileVersionLs = ReadLittle32(resource + offset + 12);
        out->major = static_cast<uint16_t>(fileVersionMs >> 16);
        out->minor = static_cast<uint16_t>(fileVersionMs & 0xFFFF);
        out->build = static_cast<uint16_t>(fileVersionLs >> 16);
        return true;
    }
    return false;
}

int64_t ElapsedMicros(int64_t start, int64_t end, int64_t frequency)
{
    if (frequency <= 0 || end < start) return 0;
    return (end - start) * 1000000 / frequency;
}

TrayRetryStep DecideTrayRetry(bool added, uint32_t failedMs, uint32_t nowMs)
{
    if (added) return {false, false};
    return {true, nowMs - failedMs < TrayRetryWindowMs};
}

CloseStep DecideClose(uint32_t message, uintptr_t wParam)
{
    if (message == CloseMessage) return CloseEnd;
    if (message != SystemCommandMessage) return CloseNotOurs;
    return (wParam & 0xFFF0) == SystemCommandClose ? CloseHide : CloseNotOurs;
}
