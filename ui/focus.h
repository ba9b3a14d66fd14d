// The dashboard's keyboard use as functions of numbers: which control holds the focus, the
// order Tab follows, what each key does to the focused control, and where the focus ring
// goes. The window procedure carries out what these decide.
#pragma once

#include "ui/geometry.h"

// The controls in Tab order: the four profile buttons (ProfileId 1..4), the two sliders,
// Apply.
enum FocusTarget : int32_t {
    FocusSilent = 0,
    FocusBalanced = 1,
    FocusPerformance = 2,
    FocusAggressive = 3,
    FocusPumpSlider = 4,
    FocusFanSlider = 5,
    FocusApply = 6,
    FocusTargetCount = 7,
};

// Virtual-key codes of the keys the dashboard takes.
enum : uint32_t {
    KeyTab = 0x09,
    KeyEnter = 0x0D,
    KeyEscape = 0x1B,
    KeySpace = 0x20,
    KeyEnd = 0x23,
    KeyHome = 0x24,
    KeyLeft = 0x25,
    KeyUp = 0x26,
    KeyRight = 0x27,
    KeyDown = 0x28,
};

constexpr int32_t SliderKeyStep = 10; // percent; the steps the tray menu offers

// The next control in Tab order, or the previous one; both wrap.
FocusTarget NextFocus(FocusTarget focus, bool backwards);

// Where the focus goes when the window opens: the applied profile's button, else Silent.
FocusTarget OpeningFocus(int32_t appliedProfile);

// A slider's value one step up (direction 1) or down (-1): the next multiple of the step
// beyond the value, kept within minimum..100.
int32_t SliderStepFrom(int32_t value, int32_t minimum, int32_t direction);

enum KeyAction : int32_t {
    KeyNotOurs = 0, // not a key of the dashboard: left to the system
    KeyTaken = 1,   // a key of the dashboard that changes nothing here
    KeyMoveFocus = 2,
    KeySetPumpDuty = 3,
    KeySetFanDuty = 4,
    KeyRequestApply = 5, // value: the ProfileId, 0 for the manual pair
    KeyHide = 6,
};

struct KeyOutcome {
    KeyAction action;
    int32_t value; // the new focus, duty or profile
};

// The state a key meets.
struct KeyContext {
    FocusTarget focus;
    bool connected;
    int32_t pumpDuty; // percent
    int32_t fanDuty;  // percent
};

// What a key press does. `shift` is Shift held, `repeat` an auto-repeat of a held key: a
// held Space or Enter presses its button once. Buttons work only while the cooler is
// connected, as with the mouse; sliders always.
KeyOutcome DecideKey(const KeyContext& context, uint32_t key, bool shift, bool repeat);

// The parts of a UI-state change (WM_CHANGEUISTATE, WM_UPDATEUISTATE) that concern the focus:
// the action in the low word, the flags in the high word.
enum : uint32_t {
    UiStateSet = 1,        // hide the flagged cues
    UiStateClear = 2,      // show them
    UiStateInitialize = 3, // as the last input asks
    UiStateHideFocus = 1,  // flag: the focus cue
};

constexpr uint32_t UiStateChange(uint32_t action) { return UiStateHideFocus << 16 | action; }

// Whether the focus shows after a UI-state change: a set of the focus flag hides it, unless
// the user keeps keyboard cues always on; a clear shows it; anything else leaves it.
bool FocusCueAfter(bool shown, uint32_t change, bool cuesAlways);

// The focused control's rectangle in the layout.
PixelRect FocusedControl(const ControlLayout& layout, FocusTarget focus);

// The control under a point, which a mouse press gives the focus; FocusTargetCount for none.
FocusTarget FocusTargetAt(const ControlLayout& layout, int32_t x, int32_t y);

constexpr int32_t FocusRingGap = 2;   // logical pixels between a control and its ring
constexpr int32_t FocusRingWidth = 2; // logical pixels

// The ring's outer rectangle around a control at `dpi`; the ring is FocusRingWidth thick.
PixelRect FocusRingRect(const PixelRect& control, int32_t dpi);
