#include "telemetry/history.h"

#include "app/shared_state.h"

HistoryRing CoolerHistory = {};
HistoryRing GpuHistory = {};

namespace {

uint8_t ClampPercent(int32_t value)
{
    if (value < 0) return 0;
    if (value > 100) return 100;
    return static_cast<uint8_t>(value);
}

} // namespace

void AppendHistory(HistoryRing* ring, DWORD tick, int32_t fanPercent, int32_t tempC)
{
    if (ring->sampleCount != 0 && static_cast<uint32_t>(tick - ring->lastTick) < HistorySpacingMs)
        return;
    HistorySample& sample = ring->samples[ring->nextSlot];
    sample.tick = tick;
    sample.fanPercent = ClampPercent(fanPercent);
    sample.tempC = ClampPercent(tempC);
    ring->nextSlot = (ring->nextSlot + 1) % HistoryCapacity;
    if (ring->sampleCount < HistoryCapacity) ++ring->sampleCount;
    ring->lastTick = tick;
}

int CopyHistory(const HistoryRing& ring, HistorySample out[HistoryCapacity])
{
    AcquireSRWLockShared(&StatusLock);
    const int count = ring.sampleCount;
    const int oldest = ring.nextSlot - count + HistoryCapacity;
    for (int i = 0; i < count; ++i) out[i] = ring.samples[(oldest + i) % HistoryCapacity];
    ReleaseSRWLockShared(&StatusLock);
    return count;
}
