// The transport's contract, met by the native backend over the simulated cooler: the same
// cases the Windows transport is held to under Wine.
#include "cooler/transport.h"
#include "standins/kraken/sim_native.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr uint8_t StatusRequest[] = {0x74, 0x01};

class SimTransport : public testing::Test {
protected:
    void SetUp() override
    {
        SimNativeReset();
        ioEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        ASSERT_NE(ioEvent, nullptr);
    }
    void TearDown() override
    {
        CloseHandle(ioEvent);
        SimNativeReset();
    }
    HANDLE ioEvent = nullptr;
};

// Log entries of `kind` for interface `device` (-1: any).
int Logged(int kind, int device = -1)
{
    int count = 0;
    for (int i = 0; i < SimNativeLogCount(); ++i) {
        const SimLogEntry entry = SimNativeLogEntry(i);
        if (entry.kind == kind && (device < 0 || entry.device == device)) ++count;
    }
    return count;
}

TEST_F(SimTransport, WithoutAMatchingInterfaceNothingIsFoundAndNothingStaysOpen)
{
    ASSERT_TRUE(SimNativeConfigure("device mouse 046d c52b\n"
                                   "device lighting 1e71 2012\n"
                                   "device broken 1e71 300c noattr\n"
                                   "device odd 1e71 300c report 64 65\n"
                                   "device bare 1e71 300c nocaps\n"
                                   "device busy 1e71 300c held\n"
                                   "device gone 1e71 300c absent\n"));
    EXPECT_EQ(FindCooler(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(SimNativeOpenHandles(), 0);
    EXPECT_EQ(Logged(SimLogOpen), 3); // the ids in their paths keep the first two closed
    EXPECT_EQ(Logged(SimLogClose), 3);
    EXPECT_EQ(Logged(SimLogOpen, 5), 0);
    EXPECT_EQ(Logged(SimLogOpen, 6), 0);
}

TEST_F(SimTransport, SkipsWhatCannotBeListedOpenedOrIdentifiedAndOpensOnlyTheFirstCooler)
{
    ASSERT_TRUE(SimNativeConfigure("device longpath 1e71 300c nodetail\n"
                                   "device busy 1e71 300c held\n"
                                   "device broken 1e71 300c noattr\n"
                                   "device first 1e71 300c\n"
                                   "device second 1e71 300c\n"));
    HANDLE cooler = FindCooler();
    ASSERT_NE(cooler, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SimNativeOpenHandles(), 1);
    EXPECT_EQ(Logged(SimLogOpen, 3), 1);
    EXPECT_EQ(Logged(SimLogOpen, 4), 0);
    EXPECT_EQ(Logged(SimLogClose, 2), 1);
    EXPECT_TRUE(SendCommand(cooler, ioEvent, StatusRequest, 2));
    EXPECT_EQ(SimNativeLogEntry(SimNativeLogCount() - 2).device, 3);
    CloseCooler(cooler);
    EXPECT_EQ(SimNativeOpenHandles(), 0);
}

TEST_F(SimTransport, AStatusRoundTripIsLoggedBothWaysInOrder)
{
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nset liquid 287\nfault unrelated 1"));
    HANDLE cooler = FindCooler();
    ASSERT_NE(cooler, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SendCommand(cooler, ioEvent, StatusRequest, 2));
    uint8_t report[ReportSize] = {};
    ASSERT_TRUE(ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs));
    EXPECT_EQ(report[0], 0x31);
    ASSERT_TRUE(ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs));
    EXPECT_EQ(report[0], 0x75);
    EXPECT_EQ(report[15], 28);
    EXPECT_EQ(report[16], 7);
    ASSERT_EQ(SimNativeLogCount(), 4);
    const SimLogEntry request = SimNativeLogEntry(1);
    const SimLogEntry reply = SimNativeLogEntry(3);
    EXPECT_EQ(request.kind, SimLogIn);
    EXPECT_EQ(request.length, 64);
    EXPECT_EQ(request.bytes[0], 0x74);
    EXPECT_EQ(request.bytes[2], 0);
    EXPECT_EQ(reply.kind, SimLogOut);
    EXPECT_EQ(reply.bytes[0], 0x75);
    EXPECT_LE(reply.tick - request.tick, 50u);
    CloseCooler(cooler);
}

TEST_F(SimTransport, AShortReportFails)
{
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault short 32"));
    HANDLE cooler = FindCooler();
    ASSERT_TRUE(SendCommand(cooler, ioEvent, StatusRequest, 2));
    uint8_t report[ReportSize] = {};
    EXPECT_FALSE(ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs));
    EXPECT_EQ(report[0], 0x75); // the 32 bytes did arrive
    CloseCooler(cooler);
}

TEST_F(SimTransport, AReadWithoutReplyEndsAfterItsLimitAndOnlyOnceCancelled)
{
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault silent"));
    HANDLE cooler = FindCooler();
    ASSERT_TRUE(SendCommand(cooler, ioEvent, StatusRequest, 2));
    uint8_t report[ReportSize] = {};
    const DWORD start = GetTickCount();
    EXPECT_FALSE(ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs));
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, ReadLimitMs - 1);
    EXPECT_LE(elapsed, ReadLimitMs + 100);
    EXPECT_EQ(WaitForSingleObject(ioEvent, 0), WAIT_OBJECT_0);

    // A report sent after the time-out goes to the next read, not the cancelled one's buffer.
    const uint8_t late[] = {0x75, 0x01, 0x42};
    SimNativeSend(late, 3);
    EXPECT_EQ(report[0], 0);
    uint8_t next[ReportSize] = {};
    EXPECT_FALSE(ReportIo(cooler, ioEvent, IoRead, next, ReadLimitMs)); // 3 bytes: short
    EXPECT_EQ(next[2], 0x42);
    CloseCooler(cooler);
}

TEST_F(SimTransport, AWaitingReadGetsAReportSentDuringTheWait)
{
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c"));
    HANDLE cooler = FindCooler();
    std::thread device([] {
        Sleep(40);
        uint8_t unasked[ReportSize] = {0x0F, 0x01};
        SimNativeSend(unasked, ReportSize);
    });
    uint8_t report[ReportSize] = {};
    const DWORD start = GetTickCount();
    EXPECT_TRUE(ReportIo(cooler, ioEvent, IoRead, report, 1000));
    EXPECT_LT(GetTickCount() - start, 500u);
    EXPECT_EQ(report[0], 0x0F);
    device.join();
    CloseCooler(cooler);
}

TEST_F(SimTransport, ADeafDeviceMakesAWriteFailAfterItsLimit)
{
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault deaf after 1"));
    HANDLE cooler = FindCooler();
    ASSERT_TRUE(SendCommand(cooler, ioEvent, StatusRequest, 2));
    const DWORD start = GetTickCount();
    EXPECT_FALSE(SendCommand(cooler, ioEvent, StatusRequest, 2));
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, WriteLimitMs - 1);
    EXPECT_LE(elapsed, WriteLimitMs + 100);
    EXPECT_EQ(WaitForSingleObject(ioEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(Logged(SimLogIn), 1);
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c"));
    EXPECT_TRUE(SendCommand(cooler, ioEvent, StatusRequest, 2));
    EXPECT_EQ(Logged(SimLogIn), 2);
    CloseCooler(cooler);

    // Writes that fail at once, from a cooler that is listed and opens.
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault writefail"));
    cooler = FindCooler();
    ASSERT_NE(cooler, INVALID_HANDLE_VALUE);
    const DWORD refused = GetTickCount();
    EXPECT_FALSE(SendCommand(cooler, ioEvent, StatusRequest, 2));
    EXPECT_LT(GetTickCount() - refused, 20u);
    EXPECT_EQ(Logged(SimLogIn), 2);
    CloseCooler(cooler);
}

// Windows' side: every open handle gets its own copy of every report, replies to another
// handle's requests included, and a queue that is not read keeps the latest 32.
TEST_F(SimTransport, EveryOpenHandleGetsEveryReportAndKeepsTheLatestThirtyTwo)
{
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c"));
    HANDLE program = FindCooler();
    HANDLE other = FindCooler();
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SimNativeOpenHandles(), 2);
    ASSERT_TRUE(SendCommand(other, ioEvent, StatusRequest, 2));
    uint8_t report[ReportSize] = {};
    ASSERT_TRUE(ReportIo(program, ioEvent, IoRead, report, ReadLimitMs));
    EXPECT_EQ(report[1], 0x01);
    for (int i = 0; i < 40; ++i) {
        const uint8_t unasked[ReportSize] = {0x0F, 0x01, static_cast<uint8_t>(i)};
        SimNativeSend(unasked, ReportSize);
    }
    EXPECT_EQ(Logged(SimLogDropped), 17); // the other's reply and 8 more, 8 of the program's
    ASSERT_TRUE(ReportIo(other, ioEvent, IoRead, report, 0));
    EXPECT_EQ(report[2], 8);
    ASSERT_TRUE(ReportIo(program, ioEvent, IoRead, report, 0));
    EXPECT_EQ(report[2], 8);
    CloseCooler(other);
    DiscardInput(program, ioEvent);

    // A second program polling on its own thread: its replies reach this handle too.
    SimNativeStartPoller(20);
    Sleep(150);
    EXPECT_GE(SimNativeStopPoller(), 3);
    EXPECT_EQ(SimNativeOpenHandles(), 1);
    ASSERT_TRUE(ReportIo(program, ioEvent, IoRead, report, 0));
    EXPECT_EQ(report[0], 0x75);
    EXPECT_EQ(report[1], 0x01);
    CloseCooler(program);
}

TEST_F(SimTransport, ACommandLongerThanAReportIsRefusedWithNothingWritten)
{
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c"));
    HANDLE cooler = FindCooler();
    uint8_t command[ReportSize + 1] = {0x74, 0x01};
    SetEvent(ioEvent);
    EXPECT_FALSE(SendCommand(cooler, ioEvent, command, ReportSize + 1));
    EXPECT_EQ(WaitForSingleObject(ioEvent, 0), WAIT_OBJECT_0); // no operation was started
    EXPECT_TRUE(SendCommand(cooler, ioEvent, command, ReportSize));
    EXPECT_EQ(Logged(SimLogIn), 1);
    CloseCooler(cooler);
}

TEST_F(SimTransport, AnUnpluggedCoolerFailsAtOnceAndIsFoundAgainWhenPluggedBack)
{
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault unplug after 1"));
    HANDLE cooler = FindCooler();
    ASSERT_TRUE(SendCommand(cooler, ioEvent, StatusRequest, 2));
    uint8_t report[ReportSize] = {};
    EXPECT_TRUE(ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs)); // sent before leaving
    const DWORD start = GetTickCount();
    EXPECT_FALSE(SendCommand(cooler, ioEvent, StatusRequest, 2));
    EXPECT_FALSE(ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs));
    EXPECT_LT(GetTickCount() - start, 50u);
    EXPECT_EQ(FindCooler(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Logged(SimLogUnplug), 1);
    CloseCooler(cooler);

    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nstep plugged back"));
    cooler = FindCooler();
    ASSERT_NE(cooler, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SendCommand(cooler, ioEvent, StatusRequest, 2));
    EXPECT_TRUE(ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs));

    // A power loss: every handle fails at once, nothing already sent is read, and the cooler
    // is back after its gap with its factory curves.
    const uint8_t curve[] = {0x72, 0x01, 0x01, 0x00, 90};
    ASSERT_TRUE(SendCommand(cooler, ioEvent, curve, sizeof curve));
    ASSERT_TRUE(ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs));
    EXPECT_EQ(report[0], 0x73); // the write's answer
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c\nfault powerloss 200 after 1"));
    ASSERT_TRUE(SendCommand(cooler, ioEvent, StatusRequest, 2));
    EXPECT_FALSE(ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs));
    EXPECT_EQ(Logged(SimLogPowerLoss), 1);
    EXPECT_EQ(SimNativeState().pumpCurve[0], 60);
    EXPECT_EQ(FindCooler(), INVALID_HANDLE_VALUE);
    CloseCooler(cooler);
    Sleep(220);
    cooler = FindCooler();
    EXPECT_NE(cooler, INVALID_HANDLE_VALUE);
    CloseCooler(cooler);
}

TEST_F(SimTransport, ANewHandleStartsWithNoReportsWaitingAndAClosedOneFails)
{
    ASSERT_TRUE(SimNativeConfigure("device cooler 1e71 300c"));
    HANDLE cooler = FindCooler();
    ASSERT_TRUE(SendCommand(cooler, ioEvent, StatusRequest, 2));
    Sleep(10); // the reply has been sent: it waits in this handle's queue
    CloseCooler(cooler);
    uint8_t report[ReportSize] = {};
    EXPECT_FALSE(ReportIo(cooler, ioEvent, IoRead, report, ReadLimitMs));
    cooler = FindCooler();
    EXPECT_FALSE(ReportIo(cooler, ioEvent, IoRead, report, 20));
    CloseCooler(cooler);
}

} // namespace
