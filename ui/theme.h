// Colours of the light, dark and high-contrast themes, the fixed series colours, the
// dashboard's font sizes, and the choice of theme from the user's settings. Colours are
// COLORREF values, 0x00BBGGRR.
#pragma once

#include "app/base.h"
#include "ui/geometry.h"

// The same in every theme but high contrast, and on the badge always.
constexpr uint32_t ColourBlue = 0xDE8D3A;  // cooler fans; badge below 35 °C
constexpr uint32_t ColourGreen = 0x649A39; // GPU fan; badge 35..39 °C
constexpr uint32_t ColourAmber = 0x248AD2; // temperatures; badge 40..44 °C
constexpr uint32_t ColourRed = 0x455BE2;   // badge from 45 °C

// Every colour the dashboard draws with.
struct Palette {
    uint32_t background;    // window background
    uint32_t text;          // primary text
    uint32_t accent;        // applied profile and Apply fills while connected; pump curve
    uint32_t textSecondary; // secondary text
    uint32_t grid;          // grid lines, frames, slider track
    uint32_t textMuted;     // muted text and marks; button fills while not connected
    uint32_t onFill;        // text on filled buttons
    uint32_t fans;          // cooler fan series, fan curve and their legends
    uint32_t gpuFan;        // GPU fan series and its legend
    uint32_t temperature;   // temperature series and their legends
    uint32_t pumpArea;      // fill under the pump curve
    uint32_t fanArea;       // fill under the fan curve
};

extern const Palette LightPalette;
extern const Palette DarkPalette;
// Interface thread: made from the system colours while high contrast is on.
extern Palette HighContrastPalette;

// The six system colours that a high-contrast palette takes.
struct SystemColours {
    uint32_t window;
    uint32_t windowText;
    uint32_t highlight;
    uint32_t highlightText;
    uint32_t grayText;
    uint32_t buttonFace;
};

// Every slot from the system colours: text on the window colour, fills in the highlight
// colour under highlight text, grid and muted marks in grey text, the curve areas in button
// face; fans in window text and temperatures in the highlight colour, so two series of one
// chart still differ.
Palette HighContrastPaletteFrom(const SystemColours& system);

// Interface thread: LightPalette, DarkPalette or HighContrastPalette once start-up has
// chosen, null before.
extern const Palette* ActivePalette;

// High contrast wins over the app mode.
const Palette* PaletteFor(bool dark, bool highContrast);

constexpr int BodyFontPoints = 10;
constexpr int BodyFontWeight = 400;
constexpr int HeroFontPoints = 42;
constexpr int HeroFontWeight = 600;
constexpr int UnitFontPoints = 18; // the liquid temperature's unit, beside the hero figures
constexpr int UnitFontWeight = 600;

// The font-description height (negative: character height) of `points` at `dpi`.
int FontHeight(int points, int dpi);

// True when a settings broadcast's text names the change of the app colour mode.
bool IsColourSetChange(const char16_t* setting);

constexpr uint32_t SettingHighContrast = 0x0043; // SPI_SETHIGHCONTRAST

// True when a settings broadcast (its wParam and text) may change the palette: the app
// colour mode, or high contrast turned on or off.
bool IsThemeChange(uint32_t action, const char16_t* setting);

// Windows side (theme_win32.cpp), interface thread.
bool IsDarkTheme();
bool IsHighContrast();
void ChoosePalette();
void ApplyTheme(HWND window);
