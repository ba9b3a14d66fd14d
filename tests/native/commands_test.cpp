#include "cooler/commands.h"
#include "cooler/worker.h"
#include "tests/fakes/fake_nvml.h"
#include "tests/fakes/fake_window.h"
#include "tests/fakes/scripted_transport.h"

#include <gtest/gtest.h>

namespace {

HANDLE const IoEvent = nullptr; // the scripted transport completes at once

struct Report {
    uint8_t bytes[ReportSize];
};

Report StatusReply(int whole, int tenths, int pumpRpm, int pumpDuty, int fanRpm, int fanDuty)
{
    Report r = {};
    r.bytes[0] = 0x75;
    r.bytes[1] = 0x01;
    r.bytes[15] = static_cast<uint8_t>(whole);
    r.bytes[16] = static_cast<uint8_t>(tenths);
    r.bytes[17] = static_cast<uint8_t>(pumpRpm & 0xFF);
    r.bytes[18] = static_cast<uint8_t>(pumpRpm >> 8);
    r.bytes[19] = static_cast<uint8_t>(pumpDuty);
    r.bytes[23] = static_cast<uint8_t>(fanRpm & 0xFF);
    r.bytes[24] = static_cast<uint8_t>(fanRpm >> 8);
    r.bytes[25] = static_cast<uint8_t>(fanDuty);
    return r;
}

// The same status as the cooler pushes it on its own.
Report Pushed(Report status)
{
    status.bytes[1] = 0x02;
    return status;
}

Report ScreenReply(int brightness, int mode)
{
    Report r = {};
    r.bytes[0] = 0x31;
    r.bytes[1] = 0x01;
    r.bytes[24] = static_cast<uint8_t>(brightness);
    r.bytes[26] = static_cast<uint8_t>(mode);
    return r;
}

Report Unrelated(uint8_t first)
{
    Report r = {};
    r.bytes[0] = first;
    r.bytes[1] = 0x01;
    return r;
}

void Queue(const Report& r) { ScriptRead(r.bytes, ReportSize); }

// Expects the recorded write to be `bytes` followed by zeros.
void ExpectWrite(int index, std::initializer_list<int> bytes)
{
    ASSERT_LT(index, ScriptedWriteCount());
    const uint8_t* w = ScriptedWrite(index);
    int i = 0;
    for (int b : bytes) EXPECT_EQ(w[i++], b) << "byte " << i - 1;
    for (; i < ReportSize; ++i) EXPECT_EQ(w[i], 0) << "byte " << i;
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetScriptedTransport();
        InterlockedExchange(&ScreenBrightness, -1);
        InterlockedExchange(&ScreenMode, -1);
    }
};

TEST_F(Commands, InitWritesBothReportsAndStopsAfterAFailedFirst)
{
    EXPECT_TRUE(InitCooler(ScriptedCooler(), IoEvent));
    ExpectWrite(0, {0x70, 0x02, 0x01, 0xB8, 0x01});
    ExpectWrite(1, {0x70, 0x01});
    ResetScriptedTransport();
    FailWrite(1);
    EXPECT_FALSE(InitCooler(ScriptedCooler(), IoEvent));
    EXPECT_EQ(ScriptedWriteCount(), 0);
    ResetScriptedTransport();
    FailWrite(2);
    EXPECT_FALSE(InitCooler(ScriptedCooler(), IoEvent));
    EXPECT_EQ(ScriptedWriteCount(), 1);
}

TEST_F(Commands, StatusReplyDecodesIntoTheRecord)
{
    Queue(StatusReply(31, 2, 2650, 60, 0x1234, 30));
    CoolerStatus status = {};
    status.gpuValid = 7;
    status.linkState = 2;
    ASSERT_TRUE(ReadStatus(ScriptedCooler(), IoEvent, &status));
    ExpectWrite(0, {0x74, 0x01});
    EXPECT_EQ(status.connected, 1);
    EXPECT_EQ(status.linkState, 0);
    EXPECT_EQ(status.liquidTenths, 312);
    EXPECT_EQ(status.pumpRpm, 2650);
    EXPECT_EQ(status.pumpDuty, 60);
    EXPECT_EQ(status.fanRpm, 0x1234);
    EXPECT_EQ(status.fanDuty, 30);
    EXPECT_EQ(status.gpuValid, 7); // GPU fields are not the command set's

    // A status the cooler pushed after the request ends the wait as the reply does.
    ResetScriptedTransport();
    Queue(Unrelated(0x31));
    Queue(Pushed(StatusReply(29, 9, 1000, 55, 500, 25)));
    ASSERT_TRUE(ReadStatus(ScriptedCooler(), IoEvent, &status));
    EXPECT_EQ(status.liquidTenths, 299);
    EXPECT_EQ(status.fanDuty, 25);
    EXPECT_EQ(ScriptedReadCount(), 2);
}

TEST_F(Commands, StatusReplyRangeChecks)
{
    struct Case {
        Report reply;
        bool accepted;
    };
    const Case cases[] = {
        {StatusReply(100, 0, 0, 0, 0, 0), true},
        {StatusReply(100, 1, 0, 0, 0, 0), false},
        {StatusReply(0, 10, 0, 0, 0, 0), false},
        {StatusReply(255, 9, 0, 0, 0, 0), false},
        {StatusReply(255, 255, 0, 101, 700, 30), true}, // a fault report: liquid unknown
        {StatusReply(30, 0, 65535, 100, 65535, 100), true},
        {StatusReply(30, 0, 0, 101, 0, 50), false},
        {StatusReply(30, 0, 0, 50, 0, 101), false},
        {Pushed(StatusReply(30, 0, 0, 101, 0, 50)), false},
        {Pushed(StatusReply(100, 0, 0, 0, 0, 0)), true},
    };
    for (const Case& c : cases) {
        ResetScriptedTransport();
        Queue(c.reply);
        CoolerStatus status = {};
        status.pumpRpm = -5;
        EXPECT_EQ(ReadStatus(ScriptedCooler(), IoEvent, &status), c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(status.pumpRpm, -5) << "a rejected reply stores nothing";
        } else if (c.reply.bytes[15] == 255) {
            EXPECT_EQ(status.liquidTenths, LiquidUnknown);
            EXPECT_EQ(status.pumpDuty * 1000 + status.fanRpm, 700); // a duty out of range: 0
        } else if (c.reply.bytes[15] == 100) {
            EXPECT_EQ(status.liquidTenths, 1000);
        } else if (c.reply.bytes[17] == 0xFF) {
            EXPECT_EQ(status.fanRpm, 65535);
        }
    }
}

TEST_F(Commands, ReplyWaitSkipsUpToSevenOtherReportsAndNeverReadsANinth)
{
    for (int others = 0; others <= 8; ++others) {
        ResetScriptedTransport();
        for (int i = 0; i < others; ++i) {
            if (i % 3 == 0) Queue(Unrelated(0x31));
            else if (i % 3 == 1) ScriptReadFailure();
            else ScriptRead(StatusReply(30, 0, 0, 0, 0, 0).bytes, 20); // short
        }
        Queue(StatusReply(30, 5, 0, 40, 0, 40));
        CoolerStatus status = {};
        EXPECT_EQ(ReadStatus(ScriptedCooler(), IoEvent, &status), others < 8) << others;
        EXPECT_EQ(ScriptedReadCount(), others < 8 ? others + 1 : 8) << others;
    }
}

// Unasked reports left over from earlier requests would use up the reply wait's reads.
TEST_F(Commands, RequestsDropWhatWasWaitingBeforeThem)
{
    ScriptWaiting(StatusReply(20, 0, 0, 50, 0, 50).bytes); // a stale reply
    for (int i = 0; i < 9; ++i) ScriptWaiting(Unrelated(0x31).bytes);
    Queue(StatusReply(30, 5, 0, 40, 0, 40));
    CoolerStatus status = {};
    ASSERT_TRUE(ReadStatus(ScriptedCooler(), IoEvent, &status));
    EXPECT_EQ(status.liquidTenths, 305);
    EXPECT_EQ(ScriptedWaitingTaken(), 10);
    EXPECT_EQ(ScriptedWritesBeforeWaiting(), 0);
    EXPECT_EQ(ScriptedReadCount(), 1);

    ResetScriptedTransport();
    for (int i = 0; i < 9; ++i) ScriptWaiting(Unrelated(0x75).bytes);
    Queue(ScreenReply(70, 2));
    ASSERT_TRUE(ReadScreenInfo(ScriptedCooler(), IoEvent));
    EXPECT_EQ(AtomicRead(&ScreenBrightness), 70);
    EXPECT_EQ(ScriptedWaitingTaken(), 9);
    EXPECT_EQ(ScriptedWritesBeforeWaiting(), 0);
}

TEST_F(Commands, ABadMatchingReplyEndsTheWaitAtOnce)
{
    Queue(Unrelated(0x31));
    Queue(StatusReply(30, 0, 0, 101, 0, 0));
    Queue(StatusReply(30, 0, 0, 50, 0, 50));
    CoolerStatus status = {};
    EXPECT_FALSE(ReadStatus(ScriptedCooler(), IoEvent, &status));
    EXPECT_EQ(ScriptedReadCount(), 2);
    EXPECT_EQ(status.connected, 0);
}

TEST_F(Commands, AnUnwrittenRequestReadsNothing)
{
    FailWrite(1);
    Queue(StatusReply(30, 0, 0, 50, 0, 50));
    CoolerStatus status = {};
    EXPECT_FALSE(ReadStatus(ScriptedCooler(), IoEvent, &status));
    EXPECT_EQ(ScriptedReadCount(), 0);
    ResetScriptedTransport();
    FailWrite(1);
    Queue(ScreenReply(50, 2));
    EXPECT_FALSE(ReadScreenInfo(ScriptedCooler(), IoEvent));
    EXPECT_EQ(ScriptedReadCount(), 0);
}

TEST_F(Commands, ScreenInfoStoresBothOrNeither)
{
    Queue(Unrelated(0x75));
    Queue(ScreenReply(100, 3));
    ASSERT_TRUE(ReadScreenInfo(ScriptedCooler(), IoEvent));
    ExpectWrite(0, {0x30, 0x01});
    EXPECT_EQ(AtomicRead(&ScreenBrightness), 100);
    EXPECT_EQ(AtomicRead(&ScreenMode), 3);

    const Report bad[] = {ScreenReply(101, 1), ScreenReply(50, 4)};
    for (const Report& r : bad) {
        ResetScriptedTransport();
        Queue(r);
        EXPECT_FALSE(ReadScreenInfo(ScriptedCooler(), IoEvent));
        EXPECT_EQ(AtomicRead(&ScreenBrightness), 100);
        EXPECT_EQ(AtomicRead(&ScreenMode), 3);
    }
    ResetScriptedTransport();
    EXPECT_FALSE(ReadScreenInfo(ScriptedCooler(), IoEvent)); // eight silent reads
    EXPECT_EQ(ScriptedReadCount(), 8);
}

TEST_F(Commands, BrightnessWriteBytes)
{
    EXPECT_TRUE(WriteBrightness(ScriptedCooler(), IoEvent, 50, 2));
    ExpectWrite(0, {0x30, 0x02, 0x01, 0x32, 0x00, 0x00, 0x01, 0x02});
    FailWrite(1);
    EXPECT_FALSE(WriteBrightness(ScriptedCooler(), IoEvent, 0, 0));
}

TEST_F(Commands, ManualCurveReports)
{
    ASSERT_TRUE(WriteDutyCurve(ScriptedCooler(), IoEvent, ChannelPump, ProfileManual, 60));
    ASSERT_TRUE(WriteDutyCurve(ScriptedCooler(), IoEvent, ChannelFans, ProfileManual, 30));
    const uint8_t* pump = ScriptedWrite(0);
    const uint8_t* fans = ScriptedWrite(1);
    EXPECT_EQ(pump[0], 0x72);
    EXPECT_EQ(pump[1], 0x01);
    EXPECT_EQ(pump[2], 0x01);
    EXPECT_EQ(pump[3], 0x00);
    EXPECT_EQ(fans[1], 0x02);
    EXPECT_EQ(fans[3], 0x01);
    for (int i = 4; i <= 42; ++i) {
        EXPECT_EQ(pump[i], 60);
        EXPECT_EQ(fans[i], 30);
    }
    EXPECT_EQ(pump[43], 100);
    EXPECT_EQ(fans[43], 100);
    for (int i = 44; i < ReportSize; ++i) EXPECT_EQ(pump[i] | fans[i], 0);
}

TEST_F(Commands, ProfileCurveReportsForBothChannels)
{
    for (ProfileId p = ProfileSilent; p <= ProfileAggressive; ++p) {
        ResetScriptedTransport();
        ASSERT_TRUE(WriteDutyCurve(ScriptedCooler(), IoEvent, ChannelPump, p, 0));
        ASSERT_TRUE(WriteDutyCurve(ScriptedCooler(), IoEvent, ChannelFans, p, 0));
        const uint8_t* pump = ScriptedWrite(0);
        const uint8_t* fans = ScriptedWrite(1);
        for (int i = 0; i < 40; ++i) {
            const int t = 20 + i;
            EXPECT_EQ(pump[4 + i], t >= 59 ? 100 : CurveValue(p, ChannelPump, t)) << p << " " << t;
            EXPECT_EQ(fans[4 + i], t >= 59 ? 100 : CurveValue(p, ChannelFans, t)) << p << " " << t;
        }
        for (int i = 0; i < 4; ++i) {
            if (i == 1 || i == 3) {
                EXPECT_NE(pump[i], fans[i]);
            } else {
                EXPECT_EQ(pump[i], fans[i]);
            }
        }
        for (int i = 44; i < ReportSize; ++i) EXPECT_EQ(pump[i] | fans[i], 0);
    }
    // Balanced pump: 60 to 30 °C, then 2 more a degree up to 100 at 50 °C.
    ResetScriptedTransport();
    WriteDutyCurve(ScriptedCooler(), IoEvent, ChannelPump, ProfileBalanced, 0);
    const uint8_t* b = ScriptedWrite(0);
    for (int i = 4; i <= 14; ++i) EXPECT_EQ(b[i], 60);
    for (int i = 15; i <= 34; ++i) EXPECT_EQ(b[i], 62 + 2 * (i - 15));
    for (int i = 35; i <= 43; ++i) EXPECT_EQ(b[i], 100);
}

TEST_F(Commands, SendCommandRefusesMoreThanSixtyFourBytes)
{
    uint8_t long_command[65] = {0x74, 0x01};
    EXPECT_FALSE(SendCommand(ScriptedCooler(), IoEvent, long_command, 65));
    EXPECT_TRUE(SendCommand(ScriptedCooler(), IoEvent, long_command, 64));
    EXPECT_EQ(ScriptedWriteCount(), 1);
}

// Vendor and product ids in a device path spare opening every keyboard and mouse; a path
// without both is opened and asked.
TEST(DevicePath, OnlyIdsOtherThanTheCoolersRuleAnInterfaceOut)
{
    EXPECT_TRUE(PathMayBeCooler(u"\\\\?\\hid#vid_1e71&pid_300c&mi_00#7&1a2b#{4d1e55b2-f16f}"));
    EXPECT_TRUE(PathMayBeCooler(u"\\\\?\\HID#VID_1E71&PID_300C#8&2c#{4D1E55B2}"));
    EXPECT_FALSE(PathMayBeCooler(u"\\\\?\\hid#vid_046d&pid_c52b&mi_01#{4d1e55b2}"));
    EXPECT_FALSE(PathMayBeCooler(u"\\\\?\\hid#vid_1e71&pid_2007#{4d1e55b2}"));
    EXPECT_TRUE(PathMayBeCooler(u"\\\\.\\pipe\\kraken"));
    EXPECT_TRUE(PathMayBeCooler(u"\\\\?\\hid#vid_046d#{4d1e55b2}")); // no product id
    EXPECT_TRUE(PathMayBeCooler(u"\\\\?\\hid#vid_04x6&pid_c52b#{4d1e55b2}"));
    EXPECT_TRUE(PathMayBeCooler(u"vid_1e71&pid_300"));
}

// The scripted cooler answers every poll but refuses the brightness write: the request is
// tried on three turns of one connection, then dropped.
TEST_F(Commands, AFailingBrightnessWriteIsTriedThreeTimesPerConnection)
{
    ResetFakeWindow();
    UninstallFakeNvml();
    MainWindow = FakeWindowHandle();
    InterlockedExchange(&ScreenMode, 1);
    WorkerState state;
    StartWorker(&state);
    state.cooler = ScriptedCooler(); // connected, the screen state known
    RequestBrightness(75);
    for (int turn = 1; turn <= 3; ++turn) {
        FailWrite(1);
        Queue(StatusReply(30, 0, 0, 50, 0, 50));
        WorkerTurn(&state, static_cast<DWORD>(turn) * 2000);
        EXPECT_EQ(AtomicRead(&BrightnessRequest), 75) << turn; // kept for the next connection
    }
    Queue(StatusReply(30, 0, 0, 50, 0, 50));
    WorkerTurn(&state, 8000);
    EXPECT_EQ(ScriptedWriteCount(), 4); // the polls alone
    EXPECT_EQ(LatestStatus.connected, 1);
    EndWorker(&state);
    MainWindow = nullptr;
}

} // namespace
