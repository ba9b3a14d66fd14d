// The program's command vocabulary: WM_COMMAND ids shared by the tray menu and the hand-over
// from a second instance, what each one means, and the state changes that need no window.
#pragma once

#include "app/base.h"

enum : uint32_t {
    CommandOpen = 201,
    CommandExit = 202,
    CommandSilent = 211,
    CommandBalanced = 212,
    CommandPerformance = 213,
    CommandApplyManual = 214,
    CommandAggressive = 215,
    CommandPumpFirst = 230, // 50%; each further id adds 10
    CommandPumpLast = 235,  // 100%
    CommandFanFirst = 240,  // 20%; each further id adds 10
    CommandFanLast = 248,   // 100%
    CommandBrightnessFirst = 250,
    CommandBrightnessLast = 253,
};

enum CommandAction : int32_t {
    ActionNone = 0,       // not a command of the program
    ActionOpen = 1,       // show the dashboard
    ActionExit = 2,       // destroy the main window
    ActionApply = 3,      // value: the ProfileId to request
    ActionPumpDuty = 4,   // value: manual pump duty, percent
    ActionFanDuty = 5,    // value: manual fan duty, percent
    ActionBrightness = 6, // value: screen brightness, percent
};

struct Command {
    CommandAction action;
    int32_t value;
};

constexpr int BrightnessLevelCount = 4;
extern const int32_t BrightnessLevels[BrightnessLevelCount]; // percent, for ids 250..253

Command DecodeCommand(uint32_t id);

// Interface thread: carries out an apply, duty or brightness command on the shared state
// (and repaints the main window after a duty change). False for every other action.
bool RunStateCommand(Command command);
