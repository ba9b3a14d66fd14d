// The tray's temperature badge as an icon of the shell's small-icon size, with an alpha
// channel; its pixels come from DrawBadgePixels.
#pragma once

#include "app/base.h"

// The badge for `value` (0..99, plus BadgeAlerted: in red) at `size` pixels (16..64), or
// none when a GDI step fails; the caller owns the icon.
HICON BuildBadgeIcon(int32_t value, int32_t size);
