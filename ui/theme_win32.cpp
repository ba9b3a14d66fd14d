// The user's app mode, read from the registry, high contrast with its system colours, and
// the title bar that follows the app mode.
#include "app/shell_win32.h"
#include "ui/theme.h"
#include "ui/window_manager.h"

bool IsDarkTheme()
{
    DWORD value = 1;
    DWORD size = sizeof(value);
    const LSTATUS result = RegGetValueW(
        HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
        L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size);
    return result == ERROR_SUCCESS && value == 0;
}

bool IsHighContrast()
{
    HIGHCONTRASTW setting = {};
    setting.cbSize = sizeof(setting);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(setting), &setting, 0) &&
           (setting.dwFlags & HCF_HIGHCONTRASTON);
}

void ChoosePalette()
{
    const bool highContrast = IsHighContrast();
    if (highContrast) {
        HighContrastPalette = HighContrastPaletteFrom(
            {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_HIGHLIGHT),
             GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_GRAYTEXT), GetSysColor(COLOR_BTNFACE)});
    }
    ActivePalette = PaletteFor(IsDarkTheme(), highContrast);
}

void ApplyTheme(HWND window)
{
    ChoosePalette();
    const BOOL dark = ActivePalette == &DarkPalette ? TRUE : FALSE;
    constexpr DWORD ImmersiveDarkMode = 20;
    constexpr DWORD ImmersiveDarkModeBefore20H1 = 19; // the same setting on older Windows 10
    if (SetWindowManagerAttribute(window, ImmersiveDarkMode, &dark, sizeof(dark)) < 0) {
        SetWindowManagerAttribute(window, ImmersiveDarkModeBefore20H1, &dark, sizeof(dark));
    }
    // Windows 10 repaints the caption in its new colours only at the next activation: the
    // frame is redrawn now, in the activation state it has.
    if (IsWindowVisible(window)) {
        SendMessageW(window, WM_NCACTIVATE, GetForegroundWindow() == window ? TRUE : FALSE, 0);
    }
}
