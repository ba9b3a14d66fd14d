#include "ui/theme.h"

namespace {

// A theme of the app mode: text on filled buttons in the background colour, the fixed series
// colours, and the curve areas tinted from the background.
constexpr Palette Themed(uint32_t background, uint32_t text, uint32_t accent,
                         uint32_t textSecondary, uint32_t grid, uint32_t textMuted)
{
    return {background, text, accent, textSecondary, grid, textMuted, background, ColourBlue,
            ColourGreen, ColourAmber, CurveTint(background, accent), CurveTint(background, ColourBlue)};
}

} // namespace

const Palette LightPalette = Themed(0xEEF3F4, 0x151A1B, 0x2B3AC4, 0x60696E, 0xCCD6D9, 0x7C868B);
const Palette DarkPalette = Themed(0x101516, 0xE2EBED, 0x455BE2, 0x8A949A, 0x2A3133, 0x60696E);
Palette HighContrastPalette = {};

const Palette* ActivePalette = nullptr;

Palette HighContrastPaletteFrom(const SystemColours& c)
{
    return {c.window,        c.windowText, c.highlight,  c.windowText, c.grayText,   c.grayText,
            c.highlightText, c.windowText, c.windowText, c.highlight,  c.buttonFace, c.buttonFace};
}

const Palette* PaletteFor(bool dark, bool highContrast)
{
    if (highContrast) return &HighContrastPalette;
    return dark ? &DarkPalette : &LightPalette;
}

int FontHeight(int points, int dpi)
{
    return -MulDiv(points, dpi, 72);
}

bool IsColourSetChange(const char16_t* setting)
{
    if (!setting) return false;
    const char16_t* expected = u"ImmersiveColorSet";
    while (*expected && *setting == *expected) {
        ++setting;
        ++expected;
    }
    return *expected == 0 && *setting == 0;
}

bool IsThemeChange(uint32_t action, const char16_t* setting)
{
    return action == SettingHighContrast || IsColourSetChange(setting);
}
