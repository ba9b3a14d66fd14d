// Stands in for the device worker until it joins this build: it only waits to be stopped.
#include "app/shared_state.h"
#include "cooler/worker.h"

DWORD WINAPI DeviceWorker(void*)
{
    WaitForSingleObject(StopEvent, INFINITE);
    return 0;
}
