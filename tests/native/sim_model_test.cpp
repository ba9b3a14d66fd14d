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

// Every report in the outbox, oldest first; the outbox is left empty.
int TakeAll(SimReport* reports, int capacity)
{
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
        "fault short 32");
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
    ASSERT_EQ(config.faultCount, 3);
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
    EXPECT_EQ(screen.bytes[24], 80);
    EXPECT_EQ(screen.bytes[26], 3);
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
    SimReport none;
    EXPECT_FALSE(SimTakeReport(&none));
    Write({0x30, 0x01});
    EXPECT_EQ(OnlyReply().bytes[26], 2);
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
    EXPECT_EQ(reports[1].bytes[1], 0x02);
    EXPECT_EQ(reports[2].bytes[0], 0x00);
    EXPECT_EQ(reports[3].bytes[0], 0x75);
    EXPECT_EQ(reports[3].bytes[1], 0x01);
    EXPECT_EQ(reports[4].bytes[0], 0x0F);
    Write({0x70, 0x01});
    ASSERT_EQ(TakeAll(reports, 8), 1);
    EXPECT_EQ(reports[0].bytes[0], 0x0F);
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
    PowerOn("fault deaf after 2");
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

    PowerOn("device cooler 1e71 300c\ndrift on");
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
