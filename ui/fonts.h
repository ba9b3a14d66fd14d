// The dashboard's two fonts, made from the system's message font at the window's DPI.
#pragma once

#include "app/base.h"

extern HFONT BodyFont; // interface thread; every dashboard text but the liquid temperature
extern HFONT HeroFont; // interface thread; the large liquid temperature
extern HFONT UnitFont; // interface thread; the liquid temperature's unit

// Deletes the fonts and creates them anew at LayoutDpi; a font that cannot be made stays
// null until the next call.
void RebuildFonts();

// Deletes the fonts (shutdown).
void DeleteFonts();
