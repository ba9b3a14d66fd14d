// The dashboard as a screen reader sees it: one element for each thing a sighted user reads or
// uses, in reading order, with its role, state, texts and rectangle, from one reading of the
// shared state. The Win32 side serves these as the client area's accessible object.
#pragma once

#include "app/shared_state.h"
#include "telemetry/history.h"
#include "ui/focus.h"

// Child ids: 0 is the client area itself.
enum AccessibleElement : int32_t {
    ElementClient = 0,
    ElementHeader,
    ElementLiquid,
    ElementPumpLine,
    ElementFanLine,
    ElementGpuLine,
    ElementCoolerChart,
    ElementGpuChart,
    ElementCurveChart,
    ElementSilent, // the controls follow in Tab order (FocusTarget), Apply last
    ElementPumpSlider = ElementSilent + FocusPumpSlider,
    ElementFanSlider = ElementSilent + FocusFanSlider,
    ElementApply = ElementSilent + FocusApply,
    ElementSentence,
    ElementFooter,
    ElementCount,
};

// Roles and states with their values in the accessibility interfaces.
enum : int32_t {
    RoleClient = 0x0A,
    RoleChart = 0x11,
    RoleText = 0x29,
    RoleButton = 0x2B,
    RoleSlider = 0x33,
};

enum : uint32_t {
    StateUnavailable = 0x1,
    StateFocused = 0x4,
    StateChecked = 0x10,
    StateReadOnly = 0x40,
    StateInvisible = 0x8000,
    StateFocusable = 0x100000,
};

// The range of both series of a history chart over its ten minutes; count 0 when empty.
struct HistoryRange {
    int32_t count;
    uint8_t low[2];  // fan percent, temperature
    uint8_t high[2];
};

// The samples (oldest first) inside the history window at `nowMs`.
HistoryRange HistoryRangeOf(const HistorySample* samples, int count, uint32_t nowMs);

// What one reading shows beside the globals that the dashboard reads (applied profile and
// duties, apply result, manual duties, GPU name, start-up time and version).
struct AccessibleView {
    CoolerStatus status;
    HistoryRange cooler;
    HistoryRange gpu;
    FocusTarget focus;
    bool focused; // the window has the keyboard focus
};

enum AccessibleText : int32_t {
    TextName = 0,
    TextValue = 1,
    TextAction = 2, // the default action's name
};

int32_t ElementRole(AccessibleElement element);
uint32_t ElementState(AccessibleElement element, const AccessibleView& view);

// The element's text from position 0; returns its length, 0 for none.
int ElementText(char16_t* buffer, int cap, AccessibleElement element, AccessibleText text,
                const AccessibleView& view);

// The element's rectangle in the client area of `width` x `height` at `dpi`.
PixelRect ElementRect(AccessibleElement element, int32_t width, int32_t height, int32_t dpi);

// The element under a client point; ElementClient where there is none.
AccessibleElement ElementAt(int32_t x, int32_t y, int32_t width, int32_t height, int32_t dpi);

// A slider's new value from the text a client sets ("70", "70 %"), within minimum..100; -1
// when the text does not begin with a number.
int32_t SliderValueFromText(const char16_t* text, int32_t minimum);
