#include "ui/theme.h"

#include <gtest/gtest.h>

namespace {

TEST(Palettes, TheTwoThemesAndTheFixedColours)
{
    const Palette light = {0xEEF3F4, 0x151A1B, 0x2B3AC4, 0x60696E, 0xCCD6D9, 0x7C868B};
    const Palette dark = {0x101516, 0xE2EBED, 0x455BE2, 0x8A949A, 0x2A3133, 0x60696E};
    EXPECT_EQ(0, memcmp(&LightPalette, &light, sizeof(Palette)));
    EXPECT_EQ(0, memcmp(&DarkPalette, &dark, sizeof(Palette)));
    EXPECT_EQ(sizeof(Palette), 24u);
    EXPECT_EQ(DarkPalette.textMuted, LightPalette.textSecondary);
    EXPECT_EQ(ColourBlue, 0xDE8D3Au);
    EXPECT_EQ(ColourGreen, 0x649A39u);
    EXPECT_EQ(ColourAmber, 0x248AD2u);
    EXPECT_EQ(ColourRed, 0x455BE2u);
    EXPECT_EQ(PaletteFor(true), &DarkPalette);
    EXPECT_EQ(PaletteFor(false), &LightPalette);
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

TEST(IsColourSetChange, OnlyTheExactName)
{
    EXPECT_TRUE(IsColourSetChange(u"ImmersiveColorSet"));
    EXPECT_FALSE(IsColourSetChange(nullptr));
    EXPECT_FALSE(IsColourSetChange(u""));
    EXPECT_FALSE(IsColourSetChange(u"ImmersiveColorSe"));
    EXPECT_FALSE(IsColourSetChange(u"ImmersiveColorSetX"));
    EXPECT_FALSE(IsColourSetChange(u"immersivecolorset"));
    EXPECT_FALSE(IsColourSetChange(u"WindowsThemeElement"));
}

} // namespace
