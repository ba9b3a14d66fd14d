// Colours of the light and dark themes, the fixed series colours, the dashboard's font
// sizes, and the choice of theme from the user's app mode. Colours are COLORREF values,
// 0x00BBGGRR.
#pragma once

#include "app/base.h"

struct Palette {
    uint32_t background;    // window background; text on filled buttons
    uint32_t text;          // primary text
    uint32_t accent;        // applied profile and Apply fills while connected; pump curve
    uint32_t textSecondary; // secondary text
    uint32_t grid;          // grid lines, frames, slider track
    uint32_t textMuted;     // muted text and marks; button fills while not connected
};

extern const Palette LightPalette;
extern const Palette DarkPalette;

// The same in both themes.
constexpr uint32_t ColourBlue = 0xDE8D3A;  // cooler fans; badge below 35 °C
constexpr uint32_t ColourGreen = 0x649A39; // GPU fan; badge 35..39 °C
constexpr uint32_t ColourAmber = 0x248AD2; // temperatures; badge 40..44 °C
constexpr uint32_t ColourRed = 0x455BE2;   // badge from 45 °C

// Interface thread: LightPalette or DarkPalette once start-up has chosen, null before.
extern const Palette* ActivePalette;

const Palette* PaletteFor(bool dark);

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

// Windows side (theme_win32.cpp), interface thread.
bool IsDarkTheme();
void ChoosePalette();
void ApplyTheme(HWND window);
