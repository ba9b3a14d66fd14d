#include "ui/fonts.h"

#include "app/shell.h"
#include "ui/theme.h"

HFONT BodyFont = nullptr;
HFONT HeroFont = nullptr;
HFONT UnitFont = nullptr;

static_assert(sizeof(NONCLIENTMETRICSW) == 504, "the form with iPaddedBorderWidth");

void DeleteFonts()
{
    if (BodyFont) DeleteObject(BodyFont);
    if (HeroFont) DeleteObject(HeroFont);
    if (UnitFont) DeleteObject(UnitFont);
    BodyFont = nullptr;
    HeroFont = nullptr;
    UnitFont = nullptr;
}

void RebuildFonts()
{
    DeleteFonts();
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW base = {};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        base = metrics.lfMessageFont;
    } else {
        const wchar_t fallback[] = L"Segoe UI";
        for (int i = 0; fallback[i]; ++i) base.lfFaceName[i] = fallback[i];
    }
    base.lfHeight = FontHeight(BodyFontPoints, LayoutDpi);
    base.lfWeight = BodyFontWeight;
    BodyFont = CreateFontIndirectW(&base);
    base.lfHeight = FontHeight(HeroFontPoints, LayoutDpi);
    base.lfWeight = HeroFontWeight;
    HeroFont = CreateFontIndirectW(&base);
    base.lfHeight = FontHeight(UnitFontPoints, LayoutDpi);
    base.lfWeight = UnitFontWeight;
    UnitFont = CreateFontIndirectW(&base);
}
