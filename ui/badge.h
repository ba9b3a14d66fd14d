// The tray's temperature badge: a rounded square in the band colour with the whole degrees
// in white, as a 32 x 32 icon with an alpha channel, not scaled with DPI.
#pragma once

#include "app/base.h"

// The badge for `value` (0..99), or none when any GDI step fails; the caller owns the icon.
HICON BuildBadgeIcon(int32_t value);
