// The device worker: the program's one background thread. It owns the cooler link and the
// GPU library, carries out the requests the interface leaves in shared state, and publishes
// a status after every poll and every fruitless search.
#pragma once

#include "app/base.h"

// Thread entry; started once after StopEvent, WakeEvent and the main window exist. Ends
// (returning 0) only when StopEvent is signalled.
DWORD WINAPI DeviceWorker(void* unused);
