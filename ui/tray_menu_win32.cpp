#include "ui/tray_menu.h"

#include "app/shared_state.h"
#include "app/shell.h"
#include "ui/dashboard_text.h"
#include "ui/placement.h"
#include "ui/tray_model.h"

namespace {

// Notices of the icon, as the shell sends them to an icon that never set a notification
// version (NIM_SETVERSION): the mouse messages. Selected with the keyboard (Enter, Space,
// the menu key, Shift+F10) such an icon gets WM_RBUTTONDOWN and WM_RBUTTONUP as for a right
// click; NIN_KEYSELECT and WM_CONTEXTMENU go only to icons of a later version.
enum : UINT {
    NoticeMove = 0x0200,    // WM_MOUSEMOVE
    NoticeRightUp = 0x0205, // WM_RBUTTONUP
};

constexpr int32_t PointerSlack96 = 16; // logical pixels a click may stray from a move report

PixelPoint PointerOverIcon = {};  // interface thread: the pointer at the last move report
bool PointerOverIconKnown = false; // interface thread

PixelPoint Pointer()
{
    POINT cursor = {};
    GetCursorPos(&cursor);
    return {cursor.x, cursor.y};
}

// Interface thread: true while the menu is open. Its loop goes on dispatching the window's
// messages, tray notifications among them, and each would open another menu on top.
bool MenuOpen = false;

void AppendEntry(HMENU menu, const MenuEntry& entry, HMENU submenu)
{
    if (entry.separator) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        return;
    }
    UINT flags = MF_STRING;
    if (entry.checked) flags |= MF_CHECKED;
    if (entry.grayed) flags |= entry.id == 0 && !submenu ? MF_DISABLED | MF_GRAYED : MF_GRAYED;
    UINT_PTR item = entry.id;
    if (submenu) {
        flags |= MF_POPUP;
        item = reinterpret_cast<UINT_PTR>(submenu);
    }
    AppendMenuW(menu, flags, item, reinterpret_cast<const wchar_t*>(entry.text));
}

} // namespace

bool TrayMenuNotice(UINT notice)
{
    switch (notice) {
    case NoticeMove:
        PointerOverIcon = Pointer();
        PointerOverIconKnown = true;
        return true;
    case NoticeRightUp:
        // Without a position in the notice, a right "click" away from where the pointer was
        // last reported over the icon came from the keyboard.
        ShowTrayMenu(TrayNoticeFromKeyboard(PointerOverIconKnown ? &PointerOverIcon : nullptr,
                                            Pointer(), Scale(PointerSlack96, CurrentDpi)));
        return true;
    default:
        return false;
    }
}

void ShowTrayMenu(bool fromKeyboard)
{
    if (MenuOpen) return;
    HMENU main = CreatePopupMenu();
    HMENU submenus[TraySubmenuCount];
    for (HMENU& submenu : submenus) submenu = CreatePopupMenu();
    TrayMenuInputs inputs = {};
    inputs.appliedProfile = AtomicRead(&AppliedProfile);
    inputs.screenBrightness = AtomicRead(&ScreenBrightness);
    inputs.screenMode = AtomicRead(&ScreenMode);
    inputs.fans = CurrentModel().fans;
    inputs.screen = CurrentModel().screen;
    bool complete = main != nullptr;
    for (HMENU submenu : submenus) complete = complete && submenu != nullptr;
    if (!complete) {
        if (main) DestroyMenu(main);
        for (HMENU submenu : submenus) {
            if (submenu) DestroyMenu(submenu);
        }
        return;
    }
    CoolerStatus status;
    CopyLatestStatus(&status);
    inputs.connected = status.connected != 0;
    inputs.manualPumpDuty = LoadRelaxed(&ManualPumpDuty);
    inputs.manualFanDuty = LoadRelaxed(&ManualFanDuty);

    static TrayMenuModel model; // interface thread; kept off the stack
    BuildTrayMenuModel(inputs, &model);
    for (int s = 0; s < TraySubmenuCount; ++s) {
        for (int i = 0; i < model.submenuCounts[s]; ++i) AppendEntry(submenus[s], model.submenus[s][i], nullptr);
    }
    for (int i = 0; i < model.mainCount; ++i) {
        const MenuEntry& entry = model.main[i];
        AppendEntry(main, entry, entry.submenu >= 0 ? submenus[entry.submenu] : nullptr);
    }
    SetMenuDefaultItem(main, DefaultMenuCommand, FALSE);

    PixelPoint at = Pointer();
    UINT flags = TPM_RIGHTBUTTON | TPM_NONOTIFY | TPM_RETURNCMD;
    PixelRect icon;
    PixelRect work;
    bool iconFound = false;
    int dpi = 0;
    if (fromKeyboard && FindTrayWorkArea(&icon, &iconFound, &work, &dpi)) {
        const MenuAnchor anchor = KeyboardMenuAnchor(iconFound ? &icon : nullptr, work);
        at = anchor.at;
        if (anchor.bottomRight) flags |= TPM_RIGHTALIGN | TPM_BOTTOMALIGN;
    }
    SetForegroundWindow(MainWindow);
    MenuOpen = true;
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(main, flags, at.x, at.y, 0, MainWindow, nullptr));
    MenuOpen = false;
    DestroyMenu(main); // takes the three submenus with it
    if (chosen) PostMessageW(MainWindow, WM_COMMAND, chosen, 0);
    // Lets the menu close properly when the window was not in the foreground.
    PostMessageW(MainWindow, WM_NULL, 0, 0);
}
