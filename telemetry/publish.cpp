#include "telemetry/publish.h"

#include "telemetry/gpu.h"
#include "telemetry/history.h"

void PublishStatus(const CoolerStatus& status)
{
    PublishStatusAt(status, GetTickCount());
}

void PublishStatusAt(const CoolerStatus& status, DWORD tickMs)
{
    CoolerStatus local = status;
    // The GPU fields belong to publication: a failed sample must never republish stale ones.
    local.gpuValid = 0;
    local.gpuFanPercent = 0;
    local.gpuFanRpm = 0;
    local.gpuTempC = 0;
    SampleGpu(&local); // before the lock: the library is never called under it

    AcquireSRWLockExclusive(&StatusLock);
    LatestStatus = local;
    // A reply whose liquid is unknown (FF FF) leaves no trace in the history.
    if (local.connected != 0 && local.liquidTenths != LiquidUnknown) {
        const int32_t liquidC = static_cast<int32_t>((int64_t{local.liquidTenths} + 5) / 10);
        AppendHistory(&CoolerHistory, tickMs, local.fanDuty, liquidC);
    }
    if (local.gpuValid != 0)
        AppendHistory(&GpuHistory, tickMs, local.gpuFanPercent, local.gpuTempC);
    ReleaseSRWLockExclusive(&StatusLock);

    // With a null window PostMessageW would queue a thread message to the worker, which never
    // reads one.
    if (MainWindow) PostMessageW(MainWindow, MsgStatusUpdated, 0, 0);
}
