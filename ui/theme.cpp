#include "ui/theme.h"

const Palette LightPalette = {0xEEF3F4, 0x151A1B, 0x2B3AC4, 0x60696E, 0xCCD6D9, 0x7C868B};
const Palette DarkPalette = {0x101516, 0xE2EBED, 0x455BE2, 0x8A949A, 0x2A3133, 0x60696E};

const Palette* ActivePalette = nullptr;

const Palette* PaletteFor(bool dark)
{
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
