// Any sequence of ticks (wrapping included) and values: the ring never holds more than its
// capacity, keeps its samples in append order at least the spacing apart, and clamps them.
#include "telemetry/history.h"
#include "tests/fuzz/fuzz_check.h"

#include <string.h>

namespace {

HistoryRing Ring;             // fuzz thread
HistorySample Copy[HistoryCapacity];

int32_t Take32(const uint8_t* data)
{
    int32_t value;
    memcpy(&value, data, 4);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ring = {};
    uint32_t tick = size >= 4 ? static_cast<uint32_t>(Take32(data)) : 0;
    int appended = 0;
    for (size_t at = 4; at + 12 <= size; at += 12) {
        tick += static_cast<uint32_t>(Take32(data + at)) % 5000u;
        const int32_t countBefore = Ring.sampleCount;
        const uint32_t lastBefore = Ring.lastTick;
        AppendHistory(&Ring, tick, Take32(data + at + 4), Take32(data + at + 8));
        const bool expected = countBefore == 0 || tick - lastBefore >= HistorySpacingMs;
        if (expected) {
            FUZZ_CHECK(Ring.lastTick == tick);
            FUZZ_CHECK(Ring.sampleCount == (countBefore < HistoryCapacity ? countBefore + 1
                                                                         : HistoryCapacity));
        } else {
            FUZZ_CHECK(Ring.lastTick == lastBefore && Ring.sampleCount == countBefore);
        }
        if (expected) ++appended;
        FUZZ_CHECK(Ring.sampleCount >= 0 && Ring.sampleCount <= HistoryCapacity);
        FUZZ_CHECK(Ring.nextSlot >= 0 && Ring.nextSlot < HistoryCapacity);
    }
    const int count = CopyHistory(Ring, Copy);
    FUZZ_CHECK(count == (appended < HistoryCapacity ? appended : HistoryCapacity));
    for (int i = 0; i < count; ++i) {
        FUZZ_CHECK(Copy[i].fanPercent <= 100 && Copy[i].tempC <= 100);
        if (i > 0) FUZZ_CHECK(Copy[i].tick - Copy[i - 1].tick >= HistorySpacingMs);
    }
    if (count > 0) FUZZ_CHECK(Copy[count - 1].tick == Ring.lastTick);
    return 0;
}
