// The native stand-ins keep the kernel32 contracts that the worker relies on.
#include "app/base.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(NativeEvents, ManualResetStaysSignalledAutoResetEndsOneWait)
{
    HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE automatic = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(manual, nullptr);
    ASSERT_NE(automatic, nullptr);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    SetEvent(manual);
    SetEvent(automatic);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(manual));
    EXPECT_TRUE(CloseHandle(automatic));
    EXPECT_FALSE(CloseHandle(automatic));
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_FAILED);
}

TEST(NativeEvents, TheLowestSignalledHandleWinsAndOnlyItIsReset)
{
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const HANDLE both[2] = {stop, wake};
    SetEvent(wake);
    SetEvent(stop);
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0);
    ResetEvent(stop);
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_TIMEOUT);
    CloseHandle(stop);
    CloseHandle(wake);
}

TEST(NativeEvents, TimedWaitsLastTheirLimitAndEndEarlyOnASignal)
{
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD start = GetTickCount();
    EXPECT_EQ(WaitForSingleObject(event, 120), WAIT_TIMEOUT);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 119u);
    EXPECT_LT(elapsed, 400u);

    std::thread signaller([&] {
        Sleep(50);
        SetEvent(event);
    });
    start = GetTickCount();
    EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    elapsed = GetTickCount() - start;
    EXPECT_LT(elapsed, 1000u);
    signaller.join();

    std::thread late([&] {
        Sleep(30);
        SetEvent(event);
    });
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    late.join();
    CloseHandle(event);
}

TEST(NativeInterlocked, ExchangeAndCompareExchangeReturnTheOldValue)
{
    volatile LONG value = 5;
    EXPECT_EQ(InterlockedExchange(&value, -1), 5);
    EXPECT_EQ(InterlockedCompareExchange(&value, 9, 0), -1);
    EXPECT_EQ(value, -1);
    EXPECT_EQ(InterlockedCompareExchange(&value, 9, -1), -1);
    EXPECT_EQ(value, 9);
}

} // namespace
