#include "app/session.h"

#include "app/base.h"

bool AtActiveConsole()
{
    DWORD own = 0;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &own)) return true;
    // 0xFFFFFFFF while the console is between sessions (a switch in progress): nobody's.
    return WTSGetActiveConsoleSessionId() == own;
}
