// Publication of each new status: a fresh GPU sample joins the record, which replaces
// LatestStatus and feeds the history rings; the window is told after the lock is released.
#pragma once

#include "app/shared_state.h"

// Worker: publishes `status` (the cooler fields; its GPU fields and alerts are ignored) at
// GetTickCount(); the alerts follow from it and the statuses published before.
void PublishStatus(const CoolerStatus& status);

// Worker: the same at the given tick (ms).
void PublishStatusAt(const CoolerStatus& status, DWORD tickMs);
