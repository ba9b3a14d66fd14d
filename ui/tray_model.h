// What the tray shows, as functions of numbers and shared state: the badge's number and
// colour, the tooltip and the menu's items. The Win32 layer turns these into icons and menus.
#pragma once

#include "app/shared_state.h"
#include "ui/geometry.h"

// Whole degrees for the badge: halves rounded up, at most 99 (never three digits).
int32_t BadgeValue(int32_t liquidTenths);

// Blue below 35, green 35 to 39, amber 40 to 44, red from 45 (and for an alerted value).
Colour BadgeColour(int32_t value);

// Added to the whole degrees while an alert is on: the badge shows the degrees in the red band.
constexpr int32_t BadgeAlerted = 100;
// The red band with no number: the liquid is unknown (the cooler reports a fault).
constexpr int32_t BadgeNoNumber = 2 * BadgeAlerted;

// What a status does to the badge now showing `shownValue` (-1 for none) at `shownSize`
// pixels: keep it, draw a new one for `*value` (the whole degrees, plus BadgeAlerted while an
// alert is on, or BadgeNoNumber while the liquid is unknown) at `size`, or drop it because the cooler is away. Only a change of the whole
// degree, of the alert or of the shell's icon size redraws, so a reading that wobbles in its
// tenths keeps the badge.
enum BadgeAction : int {
    BadgeKeep = 0,
    BadgeRedraw = 1,
    BadgeDrop = 2,
};
BadgeAction DecideBadge(const CoolerStatus& status, int32_t shownValue, int32_t shownSize,
                        int32_t size, int32_t* value);

constexpr int TooltipCapacity = 128; // characters, terminator included

// "Tidewatch · 31.4 °C · Pump 980 RPM · Fans 760 RPM · Balanced · GPU 45% 62 °C", or
// "Tidewatch · Kraken disconnected"; reads AppliedProfile atomically (the profile reads
// "Balanced (not held)" while the cooler does not keep it). Alerts on lead,
// "Tidewatch · PUMP STOPPED · LIQUID HOT · 56.2 °C · …", so that a cut takes the end only;
// an unknown liquid has no figure: "Tidewatch · COOLER FAULT · Pump 0 RPM · …".
// Returns the position.
int BuildTrayTooltip(char16_t* buffer, int capacity, const CoolerStatus& status);

// A balloon from the tray icon for each condition whose episode starts (BalloonsDue).
constexpr int BalloonTitleCapacity = 64; // characters, terminator included, as the shell's
constexpr int BalloonTextCapacity = 256;

// The balloon for the condition `kind`: its word as the title, and a text of what happened,
// the reading and what to check.
void BuildBalloon(int32_t kind, const CoolerStatus& status, char16_t* title, char16_t* text);

// One item of the tray menu or of one of its submenus.
struct MenuEntry {
    char16_t text[32]; // empty for a separator
    UINT id;           // command id; 0 for headings, separators and popups
    int8_t submenu;    // -1, or the submenu this item opens
    bool separator;
    bool checked;
    bool grayed;
};

enum TraySubmenu : int8_t {
    SubmenuPump = 0,
    SubmenuFans = 1,
    SubmenuScreen = 2,
    TraySubmenuCount = 3,
};

constexpr int MainMenuEntries = 16;
constexpr int SubmenuCapacity = 9;
constexpr UINT DefaultMenuCommand = 201;

// The state a menu is built from, each value read once.
struct TrayMenuInputs {
    bool connected;
    int32_t appliedProfile;
    int32_t manualPumpDuty;   // percent
    int32_t manualFanDuty;    // percent
    int32_t screenBrightness; // percent, -1 unknown
    int32_t screenMode;       // -1 unknown
};

struct TrayMenuModel {
    MenuEntry main[MainMenuEntries];
    MenuEntry submenus[TraySubmenuCount][SubmenuCapacity];
    int submenuCounts[TraySubmenuCount];
};

void BuildTrayMenuModel(const TrayMenuInputs& inputs, TrayMenuModel* model);
