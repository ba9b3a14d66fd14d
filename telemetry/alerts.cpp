#include "telemetry/alerts.h"

namespace {

constexpr int32_t PollsInARow = 3;
constexpr int32_t PumpStoppedBelowRpm = 300;
constexpr int32_t PumpBackFromRpm = 500;
constexpr int32_t LiquidHotFromTenths = 550;
constexpr int32_t LiquidCoolBelowTenths = 500;

// Counts a run of polls meeting a condition, up to PollsInARow; true when it is reached.
bool Run(int32_t* count, bool met)
{
    *count = met ? *count + (*count < PollsInARow) : 0;
    return *count == PollsInARow;
}

} // namespace

int32_t WatchAlerts(AlertWatch* watch, const CoolerStatus& status)
{
    if (!status.connected) {
        *watch = {};
        return 0;
    }
    const bool pumpStopped = Run(&watch->pumpLow, status.pumpRpm < PumpStoppedBelowRpm);
    const bool pumpBack = Run(&watch->pumpBack, status.pumpRpm >= PumpBackFromRpm);
    const bool liquidHot = Run(&watch->liquidHigh, status.liquidTenths >= LiquidHotFromTenths);
    if (pumpStopped) watch->on |= AlertPumpStopped;
    if (pumpBack) watch->on &= ~AlertPumpStopped;
    if (liquidHot) watch->on |= AlertLiquidHot;
    if (status.liquidTenths < LiquidCoolBelowTenths) watch->on &= ~AlertLiquidHot;
    return watch->on;
}
