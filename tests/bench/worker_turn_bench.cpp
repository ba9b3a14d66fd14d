// Steady-state worker turns against the in-process simulated cooler, for instruction
// counting under callgrind and heap counting under memcheck: connect once, then run TURNS
// turns (the first argument, default 200), each a status poll and a publication, every
// tenth with a profile apply and every twentieth with a brightness write.
#include "cooler/worker.h"

#include "profiles/profiles.h"
#include "standins/kraken/sim_native.h"
#include "tests/fakes/fake_nvml.h"
#include "tests/fakes/fake_window.h"

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv)
{
    const int turns = argc > 1 ? atoi(argv[1]) : 200;
    SimNativeReset();
    if (!SimNativeConfigure("device cooler 1e71 300c\n")) return 1;
    InstallFakeNvml();
    ResetFakeWindow();
    MainWindow = FakeWindowHandle();
    StopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    WakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    WorkerState state;
    StartWorker(&state);
    WorkerTurn(&state, 0); // connect
    int connected = 0;
    for (int turn = 0; turn < turns; ++turn) {
        if (turn % 10 == 5) RequestApply(ProfileSilent + turn % 4);
        if (turn % 20 == 15) RequestBrightness(turn % 40 == 15 ? 25 : 50);
        if (turn % 100 == 99) ResetFakeWindow(); // keep the fake's post record from filling
        WorkerTurn(&state, static_cast<DWORD>(turn + 1) * 2000);
        CoolerStatus status;
        CopyLatestStatus(&status);
        connected += status.connected;
    }
    EndWorker(&state);
    printf("%d turns, %d connected\n", turns, connected);
    return connected == turns ? 0 : 1;
}
