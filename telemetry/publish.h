// Publication of each new status: a fresh GPU sample joins the record, which replaces
// LatestStatus and feeds the history rings; the window is told after the lock is released.
#pragma once

#include "app/shared_state.h"

// Worker: publishes `status` (the cooler fields and the conditions; its GPU fields are
// ignored) at GetTickCount().
void PublishStatus(const CoolerStatus& status);

// Worker: the same at the given tick (ms).
void PublishStatusAt(const CoolerStatus& status, DWORD tickMs);
