// Ten minutes and more of history for the charts: two fixed rings of samples, written only by
// publication on the device worker and read by the interface thread, both under StatusLock.
#pragma once

#include "app/base.h"

constexpr int HistoryCapacity = 512;     // samples per ring
constexpr DWORD HistorySpacingMs = 1900; // ms, least distance between two samples of a ring

struct HistorySample {
    uint32_t tick;      // ms, GetTickCount of the publication that produced it
    uint8_t fanPercent; // 0..100
    uint8_t tempC;      // whole °C, 0..100
};

// The valid samples are the sampleCount slots before nextSlot, cyclically, oldest first.
struct HistoryRing {
    HistorySample samples[HistoryCapacity];
    int32_t sampleCount; // 0..512
    int32_t nextSlot;    // 0..511, the slot the next append writes
    uint32_t lastTick;   // ms, tick of the most recent append; 0 before the first
};

extern HistoryRing CoolerHistory; // worker writes, interface reads; under StatusLock only
extern HistoryRing GpuHistory;    // worker writes, interface reads; under StatusLock only

// Worker, with StatusLock held exclusively. Stores a sample unless the ring already holds one
// from less than HistorySpacingMs before `tick` (unsigned difference, so the tick counter may
// wrap); both values are clamped to 0..100.
void AppendHistory(HistoryRing* ring, DWORD tick, int32_t fanPercent, int32_t tempC);

// Any thread but the worker: copies the ring's samples oldest first under StatusLock shared;
// returns how many were copied.
int CopyHistory(const HistoryRing& ring, HistorySample out[HistoryCapacity]);
