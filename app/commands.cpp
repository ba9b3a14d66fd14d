#include "app/commands.h"

#include "app/shared_state.h"
#include "profiles/profiles.h"

const int32_t BrightnessLevels[BrightnessLevelCount] = {0, 25, 50, 100};

Command DecodeCommand(uint32_t id)
{
    switch (id) {
    case CommandOpen: return {ActionOpen, 0};
    case CommandExit: return {ActionExit, 0};
    case CommandSilent: return {ActionApply, ProfileSilent};
    case CommandBalanced: return {ActionApply, ProfileBalanced};
    case CommandPerformance: return {ActionApply, ProfilePerformance};
    case CommandApplyManual: return {ActionApply, ProfileManual};
    case CommandAggressive: return {ActionApply, ProfileAggressive};
    default: break;
    }
    const int32_t n = static_cast<int32_t>(id);
    if (id >= CommandPumpFirst && id <= CommandPumpLast) return {ActionPumpDuty, (n - 225) * 10};
    if (id >= CommandFanFirst && id <= CommandFanLast) return {ActionFanDuty, (n - 238) * 10};
    if (id >= CommandBrightnessFirst && id <= CommandBrightnessLast) {
        return {ActionBrightness, BrightnessLevels[id - CommandBrightnessFirst]};
    }
    return {ActionNone, 0};
}

bool RunStateCommand(Command command)
{
    switch (command.action) {
    case ActionApply:
        RequestApply(command.value);
        return true;
    case ActionPumpDuty:
    case ActionFanDuty:
        // Only the value changes: nothing reaches the cooler until the next apply.
        StoreRelaxed(command.action == ActionPumpDuty ? &ManualPumpDuty : &ManualFanDuty,
                     command.value);
        InterlockedExchange(&ApplyResult, 0);
        if (MainWindow) InvalidateRect(MainWindow, nullptr, FALSE);
        return true;
    case ActionBrightness:
        RequestBrightness(command.value);
        return true;
    default:
        return false;
    }
}
