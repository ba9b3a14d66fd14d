// Which signed-in session is at the console. With fast user switching each user runs a copy
// of the program in their own session; only the copy at the console may write to the cooler
// on its own.
#pragma once

// True when this process's session is the active console session, or when that cannot be
// told. Any thread.
bool AtActiveConsole();
