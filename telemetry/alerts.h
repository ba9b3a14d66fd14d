// The two alerts that must reach the user with the window hidden, decided from the polls in
// order: a stopped pump and hot liquid. The rules are fixed; there is no setting.
#pragma once

#include "app/shared_state.h"

enum : int32_t {
    AlertPumpStopped = 1, // pump below 300 RPM in 3 polls in a row, until 3 at 500 RPM or more
    AlertLiquidHot = 2,   // liquid at 55.0 °C or more in 3 polls in a row, until below 50.0 °C
};

// What the alerts have seen of the last polls.
struct AlertWatch {
    int32_t on;          // AlertPumpStopped | AlertLiquidHot now on
    int32_t pumpLow;     // polls in a row below 300 RPM, counted up to 3
    int32_t pumpBack;    // polls in a row at 500 RPM or more, counted up to 3
    int32_t liquidHigh;  // polls in a row at 55.0 °C or more, counted up to 3
};

// One published status, in order: the alerts now on. A status without the cooler ends both
// and clears every count, so each starts only after 3 connected polls.
int32_t WatchAlerts(AlertWatch* watch, const CoolerStatus& status);
