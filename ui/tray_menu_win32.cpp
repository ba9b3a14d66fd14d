#include "ui/tray_menu.h"

#include "app/shared_state.h"
#include "ui/tray_model.h"

namespace {

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

void ShowTrayMenu()
{
    if (MenuOpen) return;
    HMENU main = CreatePopupMenu();
    HMENU submenus[TraySubmenuCount];
    for (HMENU& submenu : submenus) submenu = CreatePopupMenu();
    TrayMenuInputs inputs = {};
    inputs.appliedProfile = AtomicRead(&AppliedProfile);
    inputs.screenBrightness = AtomicRead(&ScreenBrightness);
    inputs.screenMode = AtomicRead(&ScreenMode);
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
    for (const MenuEntry& entry : model.main) {
        AppendEntry(main, entry, entry.submenu >= 0 ? submenus[entry.submenu] : nullptr);
    }
    SetMenuDefaultItem(main, DefaultMenuCommand, FALSE);

    POINT cursor = {};
    GetCursorPos(&cursor);
    SetForegroundWindow(MainWindow);
    MenuOpen = true;
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(
        main, TPM_RIGHTBUTTON | TPM_NONOTIFY | TPM_RETURNCMD, cursor.x, cursor.y, 0, MainWindow, nullptr));
    MenuOpen = false;
    DestroyMenu(main); // takes the three submenus with it
    if (chosen) PostMessageW(MainWindow, WM_COMMAND, chosen, 0);
    // Lets the menu close properly when the window was not in the foreground.
    PostMessageW(MainWindow, WM_NULL, 0, 0);
}
