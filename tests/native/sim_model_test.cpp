// The simulated cooler: its control text, its replies and the faults it plays.
#include "standins/kraken/sim_model.h"

#include "standins/drift.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

namespace {

SimConfig Parse(const char* text)
{
    SimConfig config;
    int errorLine = -1;
    EXPECT_TRUE(ParseSimConfig(text, static_cast<int>(strlen(text)), &config, &errorLine)) << text;
    EXPECT_EQ(errorLine, 0);
    return config;
}

int ErrorLine(const char* text)
{
    SimConfig config;
    int errorLine = 0;
    EXPECT_FALSE(ParseSimConfig(text, static_cast<int>(strlen(text)), &config, &errorLine)) << text;
    return errorLine;
}

void PowerOn(const char* text) { SimPowerOn(Parse(text)); }

void Write(std::initializer_list<uint8_t> bytes)
{
    uint8_t report[SimReportSize] = {};
    int i = 0;
    for (uint8_t byte : bytes) report[i++] = byte;
    SimReceive(report, SimReportSize);
}

// Every report in the outbox, oldest first, once the latency has passed; the outbox is
// left empty.
int TakeAll(SimReport* reports, int capacity)
{
    SimAdvance(Sim.nowMs + static_cast<uint32_t>(Sim.config.latencyMs));
    int count = 0;
    SimReport report;
    while (SimTakeReport(&report)) {
        if (count < capacity) reports[count] = report;
        ++count;
    }
    return count;
}

SimReport OnlyReply()
{
    SimReport replies[4];
    EXPECT_EQ(TakeAll(replies, 4), 1);
    return replies[0];
}

TEST(SimConfigText, ReadsDevicesReadingsAndFaults)
{
    const SimConfig config = Parse(
        "# interfaces in order\n"
        "device mouse 046d c52b\n"
        "device held 1E71 300C held\r\n"
        "device cooler 1e71 300c noattr nodetail absent  # trailing comment\n"
        "device keyboard 046d c31c report 9 noids\n"
        "device odd 1e71 300c nocaps report 64 65 upperids\n"
        "\n"
        "step 7\n"
        "set liquid 315\n"
        "set pumpduty model\n"
        "set fanrpm 65535\n"
        "fault unrelated 3 after 2 for 4\n"
        "fault patch screen 26 4\n"
        "fault short 32\n"
        "quiet\n"
        "set answers on\n"
        "fault late after 1\n"
        "fault powerloss 800\n"
        "fault othercontroller 5\n"
        "fault late 400 for 2");
    ASSERT_EQ(config.interfaceCount, 5);
    EXPECT_STREQ(config.interfaces[0].name, "mouse");
    EXPECT_EQ(config.interfaces[0].vendorId, 0x046D);
    EXPECT_FALSE(IsCoolerInterface(config.interfaces[0]));
    EXPECT_TRUE(config.interfaces[1].held);
    EXPECT_TRUE(IsCoolerInterface(config.interfaces[1]));
    EXPECT_TRUE(config.interfaces[2].noAttributes && config.interfaces[2].noDetail &&
                config.interfaces[2].absent);
    EXPECT_EQ(config.interfaces[2].inputLength, 64);
    EXPECT_EQ(config.interfaces[2].outputLength, 64);
    EXPECT_FALSE(config.interfaces[2].noIds || config.interfaces[2].noCaps);
    EXPECT_EQ(config.interfaces[3].inputLength, 9);
    EXPECT_EQ(config.interfaces[3].outputLength, 9);
    EXPECT_TRUE(config.interfaces[3].noIds);
    EXPECT_EQ(config.interfaces[4].outputLength, 65);
    EXPECT_TRUE(config.interfaces[4].noCaps && config.interfaces[4].upperIds);
    EXPECT_EQ(FindSimInterface(config, "cooler"), 2);
    EXPECT_EQ(FindSimInterface(config, "cool"), -1);
    EXPECT_EQ(config.liquidTenths, 315);
    EXPECT_EQ(config.pumpDuty, SimModelValue);
    EXPECT_EQ(config.fanRpm, 65535);
    EXPECT_EQ(config.brightness, SimModelValue);
    EXPECT_FALSE(config.pushes);
    EXPECT_TRUE(config.answers);
    EXPECT_EQ(config.latencyMs, 0);
    ASSERT_EQ(config.faultCount, 7);
    EXPECT_EQ(config.faults[3].count, 250);
    EXPECT_EQ(config.faults[3].after, 1);
    EXPECT_EQ(config.faults[4].count, 800);
    EXPECT_EQ(config.faults[5].count, 5);
    EXPECT_EQ(config.faults[6].count, 400);
    EXPECT_EQ(config.faults[6].span, 2);
    const SimConfig defaults = Parse("set liquid nosata");
    EXPECT_TRUE(defaults.pushes && defaults.answers);
    EXPECT_EQ(defaults.latencyMs, 2);
    EXPECT_EQ(defaults.liquidTenths, SimLiquidNoSata);
    EXPECT_EQ(config.faults[0].kind, SimFaultUnrelated);
    EXPECT_EQ(config.faults[0].count, 3);
    EXPECT_EQ(config.faults[0].after, 2);
    EXPECT_EQ(config.faults[0].span, 4);
    EXPECT_EQ(config.faults[1].target, 0x31);
    EXPECT_EQ(config.faults[1].offset, 26);
    EXPECT_EQ(config.faults[1].value, 4);
    EXPECT_EQ(config.faults[2].count, 32);
}

TEST(SimConfigText, NamesTheFirstLineNotUnderstood)
{
    EXPECT_EQ(ErrorLine("device a 1e71 300c\nreboot\n"), 2);
    EXPECT_EQ(ErrorLine("device a 1e71 30zc"), 1);
    EXPECT_EQ(ErrorLine("device a 1e71 300c\ndevice a 1e71 300c"), 2);
    EXPECT_EQ(ErrorLine("device a 1e71 300c shared"), 1);
    EXPECT_EQ(ErrorLine("device a 1e71 300c report"), 1);
    EXPECT_EQ(ErrorLine("device a 1e71 300c report 1025"), 1);
    EXPECT_EQ(ErrorLine("device a-name-far-too-long-to-keep 1e71 300c"), 1);
    EXPECT_EQ(ErrorLine("set liquid 2560"), 1);
    EXPECT_EQ(ErrorLine("set pumpduty 256"), 1);
    EXPECT_EQ(ErrorLine("set speed 1"), 1);
    EXPECT_EQ(ErrorLine("fault short 64"), 1);
    EXPECT_EQ(ErrorLine("fault unrelated"), 1);
    EXPECT_EQ(ErrorLine("fault silent after"), 1);
    EXPECT_EQ(ErrorLine("fault patch status 64 0"), 1);
    EXPECT_EQ(ErrorLine("fault melt"), 1);
    EXPECT_EQ(ErrorLine("\n\nfault silent until 3"), 3);
    EXPECT_EQ(ErrorLine("set pushes maybe"), 1);
    EXPECT_EQ(ErrorLine("set latency 1001"), 1);
    EXPECT_EQ(ErrorLine("quiet please"), 1);
    EXPECT_EQ(ErrorLine("fault othercontroller"), 1);
    EXPECT_EQ(ErrorLine("fault othercontroller 0"), 1);
    EXPECT_EQ(ErrorLine("fault late soon"), 1);
}

TEST(SimReplies, StatusAndScreenReplyCarryTheFixedReadings)
{
    PowerOn("set liquid 1000\nset pumprpm 65535\nset pumpduty 100\nset fanrpm 258\n"
            "set fanduty 0\nset brightness 80\nset mode 3");
    Write({0x74, 0x01});
    const SimReport status = OnlyReply();
    EXPECT_EQ(status.length, 64);
    EXPECT_EQ(status.bytes[0], 0x75);
    EXPECT_EQ(status.bytes[1], 0x01);
    EXPECT_EQ(status.bytes[15], 100);
    EXPECT_EQ(status.bytes[16], 0);
    EXPECT_EQ(status.bytes[17], 0xFF);
    EXPECT_EQ(status.bytes[18], 0xFF);
    EXPECT_EQ(status.bytes[19], 100);
    EXPECT_EQ(status.bytes[23], 0x02);
    EXPECT_EQ(status.bytes[24], 0x01);
    EXPECT_EQ(status.bytes[25], 0);
    Write({0x30, 0x01});
    const SimReport screen = OnlyReply();
    EXPECT_EQ(screen.bytes[0], 0x31);
    EXPECT_EQ(screen.bytes[1], 0x01);
    EXPECT_EQ(screen.bytes[20] + 256 * screen.bytes[21], 640);
    EXPECT_EQ(screen.bytes[22] + 256 * screen.bytes[23], 640);
    EXPECT_EQ(screen.bytes[24], 80);
    EXPECT_EQ(screen.bytes[26], 3);

    SimApply(Parse("set liquid nosata"));
    Write({0x74, 0x01});
    const SimReport noSata = OnlyReply();
    EXPECT_EQ(noSata.bytes[15], 0xFF);
    EXPECT_EQ(noSata.bytes[16], 0xFF);
    EXPECT_EQ(noSata.bytes[19], 60); // the curve at the model's liquid
}

TEST(SimReplies, DutyFollowsTheWrittenCurveAtTheLiquidTemperature)
{
    PowerOn("set liquid 345");
    uint8_t pump[SimReportSize] = {0x72, 0x01, 0x01, 0x00};
    uint8_t fans[SimReportSize] = {0x72, 0x02, 0x01, 0x01};
    for (int i = 0; i < SimCurvePoints; ++i) {
        pump[4 + i] = static_cast<uint8_t>(50 + i);
        fans[4 + i] = static_cast<uint8_t>(20 + i);
    }
    SimReceive(pump, SimReportSize);
    SimReceive(fans, SimReportSize);
    EXPECT_EQ(Sim.pumpCurveWrites, 1);
    EXPECT_EQ(Sim.fanCurveWrites, 1);
    const SimReadings at34 = SimCurrentReadings();
    EXPECT_EQ(at34.pumpDuty, 64);
    EXPECT_EQ(at34.fanDuty, 34);
    EXPECT_EQ(at34.pumpRpm, 600 + 64 * 24);
    EXPECT_EQ(at34.fanRpm, 34 * 20);
    SimReport answers[4];
    ASSERT_EQ(TakeAll(answers, 4), 2); // each curve answered with 73 and its channel
    EXPECT_EQ(answers[0].bytes[0], 0x73);
    EXPECT_EQ(answers[0].bytes[1], 0x01);
    EXPECT_EQ(answers[1].bytes[1], 0x02);
    Write({0x74, 0x01});
    const SimReport status = OnlyReply();
    EXPECT_EQ(status.bytes[15], 34);
    EXPECT_EQ(status.bytes[16], 5);
    EXPECT_EQ(status.bytes[19], 64);
    EXPECT_EQ(status.bytes[25], 34);

    // Below 20 and above 59 degrees the curve's ends apply.
    SimApply(Parse("set liquid 150"));
    EXPECT_EQ(SimCurrentReadings().pumpDuty, 50);
    SimApply(Parse("set liquid 900"));
    EXPECT_EQ(SimCurrentReadings().fanDuty, 59);
}

TEST(SimReplies, KeepsWhatTheHostWroteAndCountsTheRest)
{
    PowerOn("");
    EXPECT_EQ(SimCurrentReadings().liquidTenths, 310);
    EXPECT_EQ(SimCurrentReadings().pumpDuty, 60);
    Write({0x70, 0x02, 0x01, 0xB8, 0x01});
    Write({0x70, 0x01});
    Write({0x30, 0x02, 0x01, 0x32, 0x00, 0x00, 0x01, 0x02});
    Write({0x72, 0x01, 0x01, 0x01}); // pump channel with the fans' fourth byte
    Write({0x99});
    EXPECT_EQ(Sim.initA, 1);
    EXPECT_EQ(Sim.initB, 1);
    EXPECT_EQ(Sim.brightness, 50);
    EXPECT_EQ(Sim.mode, 2);
    EXPECT_EQ(Sim.pumpCurveWrites, 0);
    EXPECT_EQ(Sim.unknown, 2);
    EXPECT_EQ(Sim.received, 5);
    // InitB and the brightness write are answered; what the device does not know is not.
    SimReport answers[4];
    ASSERT_EQ(TakeAll(answers, 4), 2);
    EXPECT_EQ(answers[0].bytes[0], 0x71);
    EXPECT_EQ(answers[0].bytes[1], 0x01);
    EXPECT_EQ(answers[1].bytes[0], 0x31);
    EXPECT_EQ(answers[1].bytes[1], 0x02);
    Write({0x30, 0x01});
    EXPECT_EQ(OnlyReply().bytes[26], 2);
}

TEST(SimTiming, RepliesAndAnswersComeAfterTheLatencyAndLateRepliesAfterTheReadLimit)
{
    PowerOn("set latency 5\nfault late after 1 for 1");
    SimAdvance(1000);
    uint8_t pump[SimReportSize] = {0x72, 0x01, 0x01, 0x00};
    SimReceive(pump, SimReportSize);
    Write({0x74, 0x01});
    SimReport report;
    EXPECT_EQ(SimNextEventMs(), 5u);
    SimAdvance(1004);
    EXPECT_FALSE(SimTakeReport(&report));
    SimAdvance(1005);
    ASSERT_TRUE(SimTakeReport(&report));
    EXPECT_EQ(report.bytes[0], 0x73);
    EXPECT_EQ(report.bytes[1], 0x01);
    EXPECT_FALSE(SimTakeReport(&report)); // the status reply is late
    EXPECT_EQ(SimNextEventMs(), 245u);
    SimAdvance(1250);
    ASSERT_TRUE(SimTakeReport(&report));
    EXPECT_EQ(report.bytes[1], 0x01);
    Write({0x74, 0x01}); // the late spell is over
    SimAdvance(1255);
    EXPECT_TRUE(SimTakeReport(&report));
    EXPECT_EQ(SimNextEventMs(), SimNoEvent);

    // Quiet: at once, and writes go unanswered.
    SimApply(Parse("quiet"));
    Write({0x70, 0x01});
    Write({0x74, 0x01});
    ASSERT_TRUE(SimTakeReport(&report));
    EXPECT_EQ(report.bytes[0], 0x75);
    EXPECT_FALSE(SimTakeReport(&report));
}

TEST(SimTiming, PushesFollowTheInitAIntervalUntilTheDeviceLeaves)
{
    PowerOn("set liquid 345");
    SimAdvance(100);
    EXPECT_EQ(SimNextEventMs(), SimNoEvent); // none before InitA
    Write({0x70, 0x02, 0x01, 0xB8, 0x01});
    SimAdvance(599);
    SimReport report;
    EXPECT_FALSE(SimTakeReport(&report));
    SimAdvance(600);
    ASSERT_TRUE(SimTakeReport(&report));
    EXPECT_EQ(report.bytes[0], 0x75);
    EXPECT_EQ(report.bytes[1], 0x02);
    EXPECT_EQ(report.bytes[15], 34); // the status reply's layout
    EXPECT_EQ(report.bytes[16], 5);
    EXPECT_EQ(report.bytes[19], 60);
    EXPECT_EQ(report.bytes[25], 40);
    EXPECT_EQ(SimNextEventMs(), 500u);

    // A host away for a minute finds at most a queue's worth.
    SimAdvance(60600);
    SimReport reports[64];
    EXPECT_EQ(TakeAll(reports, 64), SimQueueCapacity);

    // Each step above 1 adds about a quarter of a second.
    Write({0x70, 0x02, 0x01, 0xB8, 0x03});
    EXPECT_EQ(SimNextEventMs(), 1000u);
    SimApply(Parse("set pushes off"));
    SimAdvance(62000);
    EXPECT_EQ(TakeAll(reports, 64), 0);
    SimApply(Parse("fault silent"));
    SimAdvance(63000);
    EXPECT_EQ(TakeAll(reports, 64), 0);
    SimApply(Parse("fault patch status 19 99"));
    SimAdvance(64000);
    ASSERT_EQ(TakeAll(reports, 64), 1);
    EXPECT_EQ(reports[0].bytes[19], 99);

    SimApply(Parse("fault unplug after 1"));
    Write({0x74, 0x01});
    SimAdvance(70000);
    EXPECT_EQ(TakeAll(reports, 64), 1); // the reply, then nothing more
    SimApply(Parse(""));
    SimAdvance(80000);
    EXPECT_EQ(TakeAll(reports, 64), 0); // back on the bus, silent until the next InitA
}

TEST(SimFaults, CountRequestsFromWhenTheConfigurationWasApplied)
{
    PowerOn("fault silent after 1 for 2");
    SimReport replies[4];
    for (int request = 1; request <= 4; ++request) {
        Write({0x74, 0x01});
        EXPECT_EQ(TakeAll(replies, 4), request == 2 || request == 3 ? 0 : 1) << request;
    }
    SimApply(Parse("fault silent after 1 for 2"));
    Write({0x74, 0x01});
    EXPECT_EQ(TakeAll(replies, 4), 1);
    Write({0x74, 0x01});
    EXPECT_EQ(TakeAll(replies, 4), 0);
}

TEST(SimFaults, EveryKthRequestOfTheSpan)
{
    PowerOn("set liquid 400\nfault patch status 15 41 after 1 for 5 every 2");
    const int expected[] = {40, 41, 40, 41, 40, 41, 40};
    for (int request = 1; request <= 7; ++request) {
        Write({0x74, 0x01});
        EXPECT_EQ(OnlyReply().bytes[15], expected[request - 1]) << request;
    }
}

TEST(SimFaults, UnrelatedReportsComeBeforeTheReplyAndUnaskedOnesAfterEveryReport)
{
    PowerOn("fault unrelated 3\nfault unsolicited 1");
    Write({0x74, 0x01});
    SimReport reports[8];
    ASSERT_EQ(TakeAll(reports, 8), 5);
    EXPECT_EQ(reports[0].bytes[0], 0x31); // the other reply
    EXPECT_EQ(reports[0].bytes[1], 0x01);
    EXPECT_EQ(reports[1].bytes[0], 0x75); // right first byte, wrong second
    EXPECT_EQ(reports[1].bytes[1], 0x03); // neither a reply nor a push
    EXPECT_EQ(reports[2].bytes[0], 0x00);
    EXPECT_EQ(reports[3].bytes[0], 0x75);
    EXPECT_EQ(reports[3].bytes[1], 0x01);
    EXPECT_EQ(reports[4].bytes[0], 0x0F);
    Write({0x70, 0x01});
    ASSERT_EQ(TakeAll(reports, 8), 2);
    EXPECT_EQ(reports[0].bytes[0], 0x71); // the answer
    EXPECT_EQ(reports[1].bytes[0], 0x0F);
    Write({0x30, 0x01});
    ASSERT_EQ(TakeAll(reports, 8), 5);
    EXPECT_EQ(reports[0].bytes[0], 0x75);
    EXPECT_EQ(reports[3].bytes[0], 0x31);
}

TEST(SimFaults, ShortPatchedAndGarbledReplies)
{
    PowerOn("fault short 32 for 1\nfault patch status 16 10\nfault patch screen 26 4");
    Write({0x74, 0x01});
    SimReport reply = OnlyReply();
    EXPECT_EQ(reply.length, 32);
    Write({0x74, 0x01});
    reply = OnlyReply();
    EXPECT_EQ(reply.length, 64);
    EXPECT_EQ(reply.bytes[16], 10);
    EXPECT_EQ(reply.bytes[26], 0); // the screen patch leaves status replies alone
    Write({0x30, 0x01});
    EXPECT_EQ(OnlyReply().bytes[26], 4);

    SimApply(Parse("fault garbage"));
    for (int i = 0; i < 50; ++i) {
        Write({0x74, 0x01});
        reply = OnlyReply();
        EXPECT_NE(reply.bytes[0], 0x75);
        EXPECT_NE(reply.bytes[0], 0x31);
    }
}

TEST(SimFaults, DeafAndUnplugStartOnceTheirRequestsAreHandled)
{
    PowerOn("quiet\nfault deaf after 2");
    EXPECT_TRUE(SimReading());
    Write({0x70, 0x01});
    Write({0x70, 0x01});
    EXPECT_FALSE(SimReading());
    SimApply(Parse(""));
    EXPECT_TRUE(SimReading());

    SimApply(Parse("fault unplug after 1"));
    Write({0x74, 0x01});
    EXPECT_TRUE(Sim.unplugged);
    EXPECT_FALSE(SimReading());
    EXPECT_EQ(OnlyReply().bytes[0], 0x75); // the last reply was still sent
    SimApply(Parse("fault unplug"));
    EXPECT_TRUE(Sim.unplugged);
    SimApply(Parse(""));
    EXPECT_FALSE(Sim.unplugged);
    EXPECT_EQ(Sim.initB, 2); // a new configuration keeps what was written
}

TEST(SimFaults, APowerLossBringsBackTheFactoryCurvesAndTheDeviceAfterItsGap)
{
    PowerOn("fault powerloss 300 after 3");
    SimAdvance(1000);
    Write({0x70, 0x02, 0x01, 0xB8, 0x01});
    uint8_t fans[SimReportSize] = {0x72, 0x02, 0x01, 0x01, 90};
    SimReceive(fans, SimReportSize);
    Write({0x30, 0x02, 0x01, 0x0A, 0x00, 0x00, 0x01, 0x02});
    EXPECT_TRUE(Sim.unplugged);
    EXPECT_FALSE(SimReading());
    EXPECT_EQ(Sim.fanCurve[0], 40);
    EXPECT_EQ(Sim.brightness, 50);
    EXPECT_EQ(SimNextEventMs(), 300u);
    SimReport reports[8];
    EXPECT_EQ(TakeAll(reports, 8), 0); // its answers were lost with the power
    SimAdvance(1299);
    EXPECT_TRUE(Sim.unplugged);
    SimAdvance(1300);
    EXPECT_FALSE(Sim.unplugged);
    SimAdvance(5000);
    EXPECT_EQ(TakeAll(reports, 8), 0); // no pushes until the next InitA
    for (int i = 0; i < 5; ++i) Write({0x74, 0x01});
    EXPECT_EQ(Sim.powerLosses, 1); // once per text
    SimApply(Parse("fault powerloss"));
    EXPECT_TRUE(Sim.unplugged);
    EXPECT_EQ(SimNextEventMs(), 500u);
}

TEST(SimFaults, AnotherControllerWritesFlatCurvesEveryKSeconds)
{
    PowerOn("");
    SimAdvance(10000);
    SimApply(Parse("quiet\nset answers on\nfault othercontroller 2"));
    uint8_t pump[SimReportSize] = {0x72, 0x01, 0x01, 0x00, 80};
    SimReceive(pump, SimReportSize);
    SimReport reports[8];
    EXPECT_EQ(TakeAll(reports, 8), 1); // the answer to the program's write
    SimAdvance(11999);
    EXPECT_EQ(Sim.foreignWrites, 0);
    SimAdvance(12000);
    EXPECT_EQ(Sim.foreignWrites, 1);
    EXPECT_EQ(SimCurrentReadings().pumpDuty, 50);
    EXPECT_EQ(SimCurrentReadings().fanDuty, 30);
    ASSERT_EQ(TakeAll(reports, 8), 2); // answered into every handle's queue
    EXPECT_EQ(reports[1].bytes[0], 0x73);
    EXPECT_EQ(reports[1].bytes[1], 0x02);
    SimReceive(pump, SimReportSize);
    EXPECT_EQ(Sim.pumpCurve[0], 80);
    SimAdvance(21000); // one write for the periods missed
    EXPECT_EQ(Sim.foreignWrites, 2);
    EXPECT_EQ(TakeAll(reports, 8), 3);
    EXPECT_EQ(SimNextEventMs(), 1000u);
}

TEST(SimFaults, WritesFailWhileTheFaultCoversTheNextRequest)
{
    PowerOn("fault writefail after 1");
    EXPECT_FALSE(SimWriteFails());
    Write({0x70, 0x01});
    EXPECT_TRUE(SimWriteFails());
    EXPECT_TRUE(SimReading()); // listed, opens, reads what it was already waiting for
    SimApply(Parse(""));
    EXPECT_FALSE(SimWriteFails());
}

TEST(SimDrift, TriangleWaveRisesFallsAndRepeats)
{
    EXPECT_EQ(DriftTriangle(0, 4000, 10), 0);
    EXPECT_EQ(DriftTriangle(500, 4000, 10), 5);
    EXPECT_EQ(DriftTriangle(1000, 4000, 10), 10);
    EXPECT_EQ(DriftTriangle(2000, 4000, 10), 0);
    EXPECT_EQ(DriftTriangle(3000, 4000, 10), -10);
    EXPECT_EQ(DriftTriangle(4000, 4000, 10), 0);
    EXPECT_EQ(DriftTriangle(0xFFFFFFFFu, 4000, 10), DriftTriangle(0xFFFFFFFFu % 4000, 4000, 10));
}

// Ten minutes of the readings the run command shows: inside their bands, both ends nearly
// reached, never more than two tenths of a degree (liquid) or two degrees (GPU) a second.
TEST(SimDrift, ReadingsStayInTheirBandsAndMoveSlowly)
{
    int32_t low = 1000, high = 0;
    for (uint32_t ms = 0; ms <= 600000; ms += 1000) {
        const int32_t liquid = DriftLiquidTenths(ms);
        const int32_t gpu = DriftGpuTempC(ms);
        ASSERT_GE(liquid, 301) << ms;
        ASSERT_LE(liquid, 339) << ms;
        ASSERT_GE(gpu, 45) << ms;
        ASSERT_LE(gpu, 65) << ms;
        ASSERT_GE(DriftGpuFanPercent(gpu), 35);
        ASSERT_LE(DriftGpuFanPercent(gpu), 60);
        if (ms > 0) {
            EXPECT_LE(abs(liquid - DriftLiquidTenths(ms - 1000)), 2) << ms;
            EXPECT_LE(abs(gpu - DriftGpuTempC(ms - 1000)), 2) << ms;
        }
        low = liquid < low ? liquid : low;
        high = liquid > high ? liquid : high;
    }
    EXPECT_LE(low, 306);
    EXPECT_GE(high, 334);
}

TEST(SimDrift, OnlyTheDriftLineMovesTheLiquid)
{
    PowerOn("device cooler 1e71 300c");
    SimAdvance(90000);
    EXPECT_EQ(SimCurrentReadings().liquidTenths, 310);

    PowerOn("device cooler 1e71 300c\ndrift on\nquiet");
    SimAdvance(90000);
    const int32_t drifted = DriftLiquidTenths(90000);
    EXPECT_NE(drifted, 310);
    Write({0x74, 0x01});
    const SimReport reply = OnlyReply();
    EXPECT_EQ(reply.bytes[15] * 10 + reply.bytes[16], drifted);
    EXPECT_EQ(reply.bytes[19], 60); // the power-on curve at any temperature

    SimApply(Parse("drift off")); // stays where the drift left it
    SimAdvance(200000);
    EXPECT_EQ(SimCurrentReadings().liquidTenths, drifted);
    EXPECT_EQ(ErrorLine("drift\ndrift sideways"), 1);
    EXPECT_EQ(ErrorLine("drift on\ndrift sideways"), 2);
}

} // namespace
