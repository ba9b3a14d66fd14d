// Native stand-ins for the kernel32 calls the core uses, with the same contracts: unnamed
// events (manual or auto reset) that can be waited on singly or together, the slim
// reader-writer lock, the millisecond tick and MulDiv. Events live in a fixed table.
#include "app/base.h"

#include <errno.h>
#include <time.h>

namespace {

struct NativeEvent {
    bool inUse;
    bool manualReset;
    bool signalled;
};

constexpr int EventCapacity = 64;
NativeEvent Events[EventCapacity] = {};                   // any thread, under EventMutex
pthread_mutex_t EventMutex = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t EventChanged = PTHREAD_COND_INITIALIZER; // broadcast on every SetEvent

NativeEvent* FromHandle(HANDLE handle)
{
    NativeEvent* event = static_cast<NativeEvent*>(handle);
    if (event < Events || event >= Events + EventCapacity || !event->inUse) return nullptr;
    return event;
}

timespec Deadline(DWORD milliseconds)
{
    timespec at;
    clock_gettime(CLOCK_MONOTONIC, &at);
    at.tv_sec += milliseconds / 1000;
    at.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (at.tv_nsec >= 1000000000L) {
        at.tv_sec += 1;
        at.tv_nsec -= 1000000000L;
    }
    return at;
}


} // namespace

HANDLE CreateEventW(void*, BOOL manualReset, BOOL initialState, const wchar_t*)
{
    HANDLE result = nullptr;
    pthread_mutex_lock(&EventMutex);
    for (NativeEvent& event : Events) {
        if (event.inUse) continue;
        event = {true, manualReset != FALSE, initialState != FALSE};
        result = &event;
        break;
    }
    pthread_mutex_unlock(&EventMutex);
    return result;
}

BOOL SetEvent(HANDLE handle)
{
    pthread_mutex_lock(&EventMutex);
    NativeEvent* event = FromHandle(handle);
    if (event) {
        event->signalled = true;
        pthread_cond_broadcast(&EventChanged);
    }
    pthread_mutex_unlock(&EventMutex);
    return event != nullptr;
}

BOOL ResetEvent(HANDLE handle)
{
    pthread_mutex_lock(&EventMutex);
    NativeEvent* event = FromHandle(handle);
    if (event) event->signalled = false;
    pthread_mutex_unlock(&EventMutex);
    return event != nullptr;
}

BOOL CloseHandle(HANDLE handle)
{
    pthread_mutex_lock(&EventMutex);
    NativeEvent* event = FromHandle(handle);
    if (event) *event = {};
    pthread_mutex_unlock(&EventMutex);
    return event != nullptr;
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds)
{
    if (count == 0 || count > EventCapacity || waitAll) return WAIT_FAILED;
    const timespec deadline = Deadline(milliseconds == INFINITE ? 0 : milliseconds);
    DWORD result = WAIT_FAILED;
    pthread_mutex_lock(&EventMutex);
    for (;;) {
        bool valid = true;
        for (DWORD i = 0; i < count && result == WAIT_FAILED; ++i) {
            NativeEvent* event = FromHandle(handles[i]);
            if (!event) valid = false;
            else if (event->signalled) {
                if (!event->manualReset) event->signalled = false;
                result = WAIT_OBJECT_0 + i;
            }
        }
        if (result != WAIT_FAILED || !valid) break;
        if (milliseconds == INFINITE) {
            pthread_cond_wait(&EventChanged, &EventMutex);
        } else if (pthread_cond_clockwait(&EventChanged, &EventMutex, CLOCK_MONOTONIC,
                                          &deadline) == ETIMEDOUT) {
            result = WAIT_TIMEOUT;
            // A signal that raced the time-out still wins, as it would on Windows.
            for (DWORD i = 0; i < count; ++i) {
                NativeEvent* event = FromHandle(handles[i]);
                if (event && event->signalled) {
                    if (!event->manualReset) event->signalled = false;
                    result = WAIT_OBJECT_0 + i;
                    break;
                }
            }
            break;
        }
    }
    pthread_mutex_unlock(&EventMutex);
    return result;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

void AcquireSRWLockShared(SRWLOCK* lock) { pthread_rwlock_rdlock(lock); }
void ReleaseSRWLockShared(SRWLOCK* lock) { pthread_rwlock_unlock(lock); }
void AcquireSRWLockExclusive(SRWLOCK* lock) { pthread_rwlock_wrlock(lock); }
void ReleaseSRWLockExclusive(SRWLOCK* lock) { pthread_rwlock_unlock(lock); }

DWORD GetTickCount()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<DWORD>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                              static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

void Sleep(DWORD milliseconds)
{
    timespec duration = {static_cast<time_t>(milliseconds / 1000),
                         static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&duration, &duration) != 0 && errno == EINTR) {
    }
}

int MulDiv(int a, int b, int c)
{
    if (c == 0) return -1;
    int64_t product = static_cast<int64_t>(a) * b;
    int64_t divisor = c;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    // Truncating division after adding half the divisor away from zero rounds halves away.
    const int64_t half = divisor / 2;
    const int64_t result = product >= 0 ? (product + half) / divisor : (product - half) / divisor;
    if (result > 2147483647LL || result < -2147483647LL) return -1;
    return static_cast<int>(result);
}
