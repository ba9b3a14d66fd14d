#include "ui/dashboard_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Built(int (*build)(char16_t*, int, const CoolerStatus&), const CoolerStatus& status)
{
    char16_t line[DashboardLineCapacity];
    const int pos = build(line, DashboardLineCapacity, status);
    EXPECT_EQ(line[pos], 0);
    return std::u16string(line);
}

CoolerStatus Connected()
{
    CoolerStatus status = {};
    status.connected = 1;
    status.liquidTenths = 312;
    status.pumpRpm = 2088;
    status.pumpDuty = 62;
    status.fanRpm = 540;
    status.fanDuty = 27;
    return status;
}

TEST(DashboardText, BeforeTheFirstPublication)
{
    const CoolerStatus zero = {};
    EXPECT_EQ(Built(HeaderText, zero), u"KRAKEN ELITE  ·  WAITING");
    EXPECT_EQ(Built(TemperatureNumber, zero), u"--.-");
    EXPECT_EQ(Built(PumpLineText, zero), u"Opening local HID interface…");
    EXPECT_EQ(Built(FanLineText, zero), u"");
    EXPECT_EQ(Built(GpuLineText, zero), u"GPU  —");
}

TEST(DashboardText, LinkStatesWhileNotConnected)
{
    CoolerStatus status = {};
    status.linkState = LinkNotFound;
    status.liquidTenths = 312; // a stale reading is not shown
    EXPECT_EQ(Built(PumpLineText, status), u"Cooler not found");
    EXPECT_EQ(Built(TemperatureNumber, status), u"--.-");
    status.linkState = LinkFailed;
    EXPECT_EQ(Built(PumpLineText, status), u"Opening local HID interface…");
}

TEST(DashboardText, ConnectedReadings)
{
    CoolerStatus status = Connected();
    EXPECT_EQ(Built(HeaderText, status), u"KRAKEN ELITE  ·  CONNECTED");
    status.conditions = ConditionCurveNotHeld;
    EXPECT_EQ(Built(HeaderText, status), u"KRAKEN ELITE  ·  CURVE NOT HELD");
    status.conditions = ConditionCoolerFault;
    status.liquidTenths = LiquidUnknown;
    EXPECT_EQ(Built(HeaderText, status), u"KRAKEN ELITE  ·  COOLER FAULT");
    EXPECT_EQ(Built(TemperatureNumber, status), u"--.-");
    status.conditions = ConditionPumpStopped | ConditionCoolerFault | ConditionCurveNotHeld;
    EXPECT_EQ(Built(HeaderText, status), u"KRAKEN ELITE  ·  PUMP STOPPED  ·  COOLER FAULT  ·  CURVE NOT HELD");
    status = Connected();
    EXPECT_EQ(Built(TemperatureNumber, status), u"31.2");
    EXPECT_EQ(Built(PumpLineText, status), u"Pump  2088 RPM  62%");
    EXPECT_EQ(Built(FanLineText, status), u"Fans  540 RPM  27%");
    status.liquidTenths = 300;
    EXPECT_EQ(Built(TemperatureNumber, status), u"30.0");
    status.liquidTenths = 9;
    EXPECT_EQ(Built(TemperatureNumber, status), u"0.9");
    status.liquidTenths = 1000;
    EXPECT_EQ(Built(TemperatureNumber, status), u"100.0");
}

TEST(DashboardText, GpuLineFollowsTheGpuAloneAndTheTitleItsName)
{
    CoolerStatus status = {};
    status.linkState = LinkNotFound;
    status.gpuValid = 1;
    status.gpuFanRpm = 1500;
    status.gpuFanPercent = 40;
    status.gpuTempC = 55;
    EXPECT_EQ(Built(GpuLineText, status), u"GPU  1500 RPM  40%  55 °C");
    status = Connected();
    EXPECT_EQ(Built(GpuLineText, status), u"GPU  —");

    char16_t line[DashboardLineCapacity];
    EXPECT_EQ(GpuTitleText(line, DashboardLineCapacity, u""), 3);
    EXPECT_EQ(std::u16string(line), u"GPU");
    GpuTitleText(line, DashboardLineCapacity, u"RTX 4090 Laptop GPU 16G"); // a full 23-unit name
    EXPECT_EQ(std::u16string(line), u"GPU  ·  RTX 4090 Laptop GPU 16G");
}

std::u16string Footer(int64_t micros, uint16_t major, uint16_t minor, uint16_t build)
{
    char16_t line[DashboardLineCapacity];
    FooterText(line, DashboardLineCapacity, micros, major, minor, build);
    return std::u16string(line);
}

TEST(DashboardText, Footer)
{
    EXPECT_EQ(Footer(41380, 1, 7, 0), u"v1.7.0  ·  Tray ready 41.3 ms  ·  local HID  ·  no network");
    EXPECT_EQ(Footer(41380, 0, 0, 0), u"Tray ready 41.3 ms  ·  local HID  ·  no network");
    EXPECT_EQ(Footer(999, 0, 0, 3), u"v0.0.3  ·  Tray ready 0.9 ms  ·  local HID  ·  no network");
    EXPECT_EQ(Footer(1000000, 0, 0, 0), u"Tray ready 1000.0 ms  ·  local HID  ·  no network");
    // The longest footer still fits the line buffer whole.
    const std::u16string longest = Footer(4294967295999LL, 65535, 65535, 65535);
    EXPECT_EQ(longest, u"v65535.65535.65535  ·  Tray ready 4294967295.9 ms  ·  local HID  ·  no network");
    EXPECT_LT(longest.size(), static_cast<size_t>(DashboardLineCapacity));
}

} // namespace
