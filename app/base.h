// The few Win32 types, constants and calls that the portable core uses. The Windows build
// takes them from the system headers; the native build declares the same names here and
// implements them in sync_native.cpp (events, lock, tick, MulDiv) and, for tests, in a fake
// window backend (posting, invalidation, visibility).
#pragma once

#include <stdint.h>

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#else

#include <pthread.h>

typedef int32_t LONG;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef uint16_t WORD;
typedef int BOOL;
typedef void* HANDLE;
typedef struct HWND__* HWND;
typedef struct RECT RECT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef pthread_rwlock_t SRWLOCK;

#define WINAPI

#define SRWLOCK_INIT PTHREAD_RWLOCK_INITIALIZER
#define TRUE 1
#define FALSE 0
#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0u
#define WAIT_TIMEOUT 258u
#define WAIT_FAILED 0xFFFFFFFFu
#define WM_APP 0x8000u
#define WM_COMMAND 0x0111u
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

// Same contracts as kernel32: sequentially consistent, 32-bit.
inline LONG InterlockedExchange(LONG volatile* target, LONG value)
{
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

inline LONG InterlockedOr(LONG volatile* target, LONG value)
{
    return __atomic_fetch_or(target, value, __ATOMIC_SEQ_CST);
}

inline LONG InterlockedAnd(LONG volatile* target, LONG value)
{
    return __atomic_fetch_and(target, value, __ATOMIC_SEQ_CST);
}

inline LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand)
{
    __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return comparand;
}

HANDLE CreateEventW(void* attributes, BOOL manualReset, BOOL initialState, const wchar_t* name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
BOOL CloseHandle(HANDLE handle);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

void AcquireSRWLockShared(SRWLOCK* lock);
void ReleaseSRWLockShared(SRWLOCK* lock);
void AcquireSRWLockExclusive(SRWLOCK* lock);
void ReleaseSRWLockExclusive(SRWLOCK* lock);

DWORD GetTickCount();
void Sleep(DWORD milliseconds);

// a * b / c with a 64-bit product, nearest integer, halves away from zero; -1 for a zero
// divisor or a result outside the 32-bit range.
int MulDiv(int a, int b, int c);

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL IsWindowVisible(HWND window);

#endif
