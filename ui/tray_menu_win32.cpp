// The menu's items are still to come: opening it does nothing yet.
#include "ui/tray_menu.h"

void ShowTrayMenu() {}
