#include "ui/theme.h"

#include <gtest/gtest.h>

namespace {

TEST(Palettes, TheTwoThemesAndTheFixedColours)
{
    // The app mode's six colours, then text on fills in the background colour, the fixed
    // series colours and the curve areas' tints.
    const Palette light = {0xEEF3F4, 0x151A1B, 0x2B3AC4, 0x60696E, 0xCCD6D9, 0x7C868B,
                           0xEEF3F4, 0xDE8D3A, 0x649A39, 0x248AD2, 0xD6DCEE, 0xECE6DD};
    const Palette dark = {0x101516, 0xE2EBED, 0x455BE2, 0x8A949A, 0x2A3133, 0x60696E,
                          0x101516, 0xDE8D3A, 0x649A39, 0x248AD2, 0x161D2E, 0x28231A};
    EXPECT_EQ(0, memcmp(&LightPalette, &light, sizeof(Palette)));
    EXPECT_EQ(0, memcmp(&DarkPalette, &dark, sizeof(Palette)));
    EXPECT_EQ(sizeof(Palette), 48u);
    EXPECT_EQ(DarkPalette.textMuted, LightPalette.textSecondary);
    EXPECT_EQ(ColourBlue, 0xDE8D3Au);
    EXPECT_EQ(ColourGreen, 0x649A39u);
    EXPECT_EQ(ColourAmber, 0x248AD2u);
    EXPECT_EQ(ColourRed, 0x455BE2u);
    EXPECT_EQ(PaletteFor(true, false), &DarkPalette);
    EXPECT_EQ(PaletteFor(false, false), &LightPalette);
}

TEST(Palettes, HighContrastTakesEveryColourFromTheSystem)
{
    // High contrast wins over either app mode.
    EXPECT_EQ(PaletteFor(true, true), &HighContrastPalette);
    EXPECT_EQ(PaletteFor(false, true), &HighContrastPalette);

    // Distinct colours, so that each slot shows where it came from.
    const SystemColours black = {0x000001, 0xFFFFFF, 0xFFEB1A, 0x000002, 0x3FF23F, 0x000003};
    const Palette p = HighContrastPaletteFrom(black);
    // Slot by slot: background, text, accent, secondary, grid, muted, text on fills, fans,
    // GPU fan, temperatures, pump area, fan area.
    const Palette expected = {0x000001, 0xFFFFFF, 0xFFEB1A, 0xFFFFFF, 0x3FF23F, 0x3FF23F,
                              0x000002, 0xFFFFFF, 0xFFFFFF, 0xFFEB1A, 0x000003, 0x000003};
    EXPECT_EQ(0, memcmp(&p, &expected, sizeof(Palette)));
    // Both series of each chart differ, and so do the pump and fan curves.
    EXPECT_NE(p.fans, p.temperature);
    EXPECT_NE(p.gpuFan, p.temperature);
    EXPECT_NE(p.accent, p.fans);
}

TEST(FontHeight, NegativeCharacterHeightsAtCommonDpis)
{
    EXPECT_EQ(FontHeight(BodyFontPoints, 96), -13);
    EXPECT_EQ(FontHeight(HeroFontPoints, 96), -56);
    EXPECT_EQ(FontHeight(BodyFontPoints, 120), -17);
    EXPECT_EQ(FontHeight(HeroFontPoints, 120), -70);
    EXPECT_EQ(FontHeight(BodyFontPoints, 144), -20);
    EXPECT_EQ(FontHeight(HeroFontPoints, 144), -84);
    EXPECT_EQ(BodyFontWeight, 400);
    EXPECT_EQ(HeroFontWeight, 600);
}

TEST(IsColourSetChange, OnlyTheExactNameOrHighContrast)
{
    EXPECT_TRUE(IsThemeChange(0x0043, nullptr)); // SPI_SETHIGHCONTRAST
    EXPECT_TRUE(IsThemeChange(0x0043, u"WindowMetrics"));
    EXPECT_TRUE(IsThemeChange(0, u"ImmersiveColorSet"));
    EXPECT_FALSE(IsThemeChange(0x0042, nullptr));
    EXPECT_FALSE(IsThemeChange(0x002F, u"WindowMetrics")); // SPI_SETWORKAREA
    EXPECT_TRUE(IsColourSetChange(u"ImmersiveColorSet"));
    EXPECT_FALSE(IsColourSetChange(nullptr));
    EXPECT_FALSE(IsColourSetChange(u""));
    EXPECT_FALSE(IsColourSetChange(u"ImmersiveColorSe"));
    EXPECT_FALSE(IsColourSetChange(u"ImmersiveColorSetX"));
    EXPECT_FALSE(IsColourSetChange(u"immersivecolorset"));
    EXPECT_FALSE(IsColourSetChange(u"WindowsThemeElement"));
}

} // namespace
