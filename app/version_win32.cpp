// The program's own version numbers, from version resource 1.
#include "app/shell.h"
#include "app/shell_win32.h"

void ReadOwnVersion()
{
    HRSRC found = FindResourceW(Instance, MAKEINTRESOURCEW(1), RT_VERSION);
    if (!found) return;
    HGLOBAL loaded = LoadResource(Instance, found);
    if (!loaded) return;
    const void* data = LockResource(loaded);
    const DWORD size = SizeofResource(Instance, found);
    ProgramVersion version = {};
    if (!FindFixedVersion(static_cast<const uint8_t*>(data), size, &version)) return;
    VersionMajor = version.major;
    VersionMinor = version.minor;
    VersionBuild = version.build;
}
