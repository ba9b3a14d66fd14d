// The user's app mode, read from the registry, high contrast with its system colours, and
// the title bar that follows the app mode.
#include "app/shell_win32.h"
#include "ui/theme.h"

typedef HRESULT(WINAPI* SetWindowAttributeCall)(HWND, DWORD, const void*, DWORD);

static bool WindowManagerResolved = false;              // interface thread
static SetWindowAttributeCall SetWindowAttribute = nullptr; // interface thread; null without dwmapi

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

// dwmapi.dll is not a known system DLL: it is loaded from the system directory only, and
// once, on the first theme change.
static SetWindowAttributeCall ResolveSetWindowAttribute()
{
    if (WindowManagerResolved) return SetWindowAttribute;
    WindowManagerResolved = true;
    HMODULE module = LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module) return nullptr;
    FARPROC entry = GetProcAddress(module, "DwmSetWindowAttribute");
    SetWindowAttribute = reinterpret_cast<SetWindowAttributeCall>(reinterpret_cast<void*>(entry));
    return SetWindowAttribute;
}

void ApplyTheme(HWND window)
{
    ChoosePalette();
    SetWindowAttributeCall setAttribute = ResolveSetWindowAttribute();
    if (!setAttribute) return;
    const BOOL dark = ActivePalette == &DarkPalette ? TRUE : FALSE;
    constexpr DWORD ImmersiveDarkMode = 20;
    constexpr DWORD ImmersiveDarkModeBefore20H1 = 19; // the same setting on older Windows 10
    if (setAttribute(window, ImmersiveDarkMode, &dark, sizeof(dark)) < 0) {
        setAttribute(window, ImmersiveDarkModeBefore20H1, &dark, sizeof(dark));
    }
}
