#include "ui/dashboard_text.h"

#include "app/text.h"

const CoolerModel& CurrentModel()
{
    return CoolerModels[AtomicRead(&CoolerModelIndex)];
}

const char16_t* ConditionWord(int32_t kind)
{
    if (kind == ConditionPumpStopped) return u"PUMP STOPPED";
    if (kind == ConditionLiquidHot) return u"LIQUID HOT";
    return kind == ConditionCoolerFault ? u"COOLER FAULT" : u"CURVE NOT HELD";
}

int AppendConditions(char16_t* buffer, int pos, int cap, int32_t conditions,
                     const char16_t* separator)
{
    for (int32_t kind = ConditionPumpStopped; kind <= ConditionLast; kind <<= 1) {
        if (!(conditions & kind)) continue;
        pos = AppendText(buffer, pos, cap, separator);
        pos = AppendText(buffer, pos, cap, ConditionWord(kind));
    }
    return pos;
}

int HeaderText(char16_t* buffer, int cap, const CoolerStatus& status)
{
    int pos = AppendText(buffer, 0, cap, ModelNameStem);
    pos = AppendText(buffer, pos, cap, CurrentModel().name);
    if (!status.connected) return AppendText(buffer, pos, cap, u"  ·  WAITING");
    if (!status.conditions) return AppendText(buffer, pos, cap, u"  ·  CONNECTED");
    return AppendConditions(buffer, pos, cap, status.conditions, u"  ·  ");
}

int TemperatureNumber(char16_t* buffer, int cap, const CoolerStatus& status)
{
    if (!status.connected || status.liquidTenths == LiquidUnknown) {
        return AppendText(buffer, 0, cap, u"--.-");
    }
    return AppendTenths(buffer, 0, cap, status.liquidTenths);
}

int PumpLineText(char16_t* buffer, int cap, const CoolerStatus& status)
{
    if (status.connected) return LabelRpmPercent(buffer, cap, PumpLabel, status.pumpRpm, status.pumpDuty);
    if (status.linkState == LinkNotFound) return AppendText(buffer, 0, cap, u"Cooler not found");
    return AppendText(buffer, 0, cap, u"Opening local HID interface…");
}

int FanLineText(char16_t* buffer, int cap, const CoolerStatus& status)
{
    if (!status.connected) return AppendText(buffer, 0, cap, u"");
    if (!CurrentModel().fans) return AppendText(buffer, 0, cap, u"Fans on the motherboard");
    return LabelRpmPercent(buffer, cap, FansLabel, status.fanRpm, status.fanDuty);
}

int GpuLineText(char16_t* buffer, int cap, const CoolerStatus& status)
{
    if (!status.gpuValid) return AppendText(buffer, 0, cap, u"GPU  —");
    int pos = AppendText(buffer, 0, cap, u"GPU  ");
    pos = AppendDecimal(buffer, pos, cap, static_cast<uint32_t>(status.gpuFanRpm));
    pos = AppendText(buffer, pos, cap, u" RPM  ");
    pos = AppendDecimal(buffer, pos, cap, static_cast<uint32_t>(status.gpuFanPercent));
    pos = AppendText(buffer, pos, cap, u"%  ");
    pos = AppendDecimal(buffer, pos, cap, static_cast<uint32_t>(status.gpuTempC));
    return AppendText(buffer, pos, cap, u" °C");
}

int GpuTitleText(char16_t* buffer, int cap, const char16_t* gpuName)
{
    int pos = AppendText(buffer, 0, cap, u"GPU");
    if (gpuName[0] == 0) return pos;
    pos = AppendText(buffer, pos, cap, u"  ·  ");
    return AppendText(buffer, pos, cap, gpuName);
}

int FooterText(char16_t* buffer, int cap, int64_t startupMicros, uint16_t major, uint16_t minor,
               uint16_t build)
{
    int pos = AppendText(buffer, 0, cap, u"");
    if (major != 0 || minor != 0 || build != 0) {
        pos = AppendText(buffer, pos, cap, u"v");
        pos = AppendDecimal(buffer, pos, cap, major);
        pos = AppendText(buffer, pos, cap, u".");
        pos = AppendDecimal(buffer, pos, cap, minor);
        pos = AppendText(buffer, pos, cap, u".");
        pos = AppendDecimal(buffer, pos, cap, build);
        pos = AppendText(buffer, pos, cap, u"  ·  ");
    }
    pos = AppendText(buffer, pos, cap, u"Tray ready ");
    pos = AppendDecimal(buffer, pos, cap, static_cast<uint32_t>(startupMicros / 1000));
    pos = AppendText(buffer, pos, cap, u".");
    pos = AppendDecimal(buffer, pos, cap, static_cast<uint32_t>(startupMicros % 1000 / 100));
    return AppendText(buffer, pos, cap, u" ms  ·  local HID  ·  no network");
}
