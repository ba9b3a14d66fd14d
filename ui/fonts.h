// The dashboard's two fonts, made from the system's message font at the window's DPI.
#pragma once

#include "app/base.h"

extern HFONT BodyFont; // interface thread; every dashboard text but the liquid temperature
extern HFONT HeroFont; // interface thread; the large liquid temperature

// Deletes both fonts and creates them anew at CurrentDpi; a font that cannot be made stays
// null until the next call.
void RebuildFonts();

// Deletes both fonts (shutdown).
void DeleteFonts();
