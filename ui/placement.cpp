#include "ui/placement.h"

#include "app/shell.h"

bool IconOnTaskbar(const PixelRect& icon, const PixelRect& monitor, const PixelRect& work)
{
    if (icon.right <= icon.left || icon.bottom <= icon.top) return false;
    const bool onMonitor = icon.left >= monitor.left && icon.top >= monitor.top &&
                           icon.right <= monitor.right && icon.bottom <= monitor.bottom;
    // What of the monitor lies outside its work area is the taskbar.
    const bool outsideWork = icon.top >= work.bottom || icon.bottom <= work.top ||
                             icon.left >= work.right || icon.right <= work.left;
    return onMonitor && outsideWork;
}

PixelPoint KeepInside(PixelPoint at, int32_t width, int32_t height, const PixelRect& work,
                      int32_t dpi)
{
    const int32_t margin = Scale(PlacementMargin96, dpi);
    if (at.x + width > work.right - margin) at.x = work.right - margin - width;
    if (at.y + height > work.bottom - margin) at.y = work.bottom - margin - height;
    if (at.x < work.left + margin) at.x = work.left + margin;
    if (at.y < work.top + margin) at.y = work.top + margin;
    return at;
}

PixelPoint PlaceNearIcon(const PixelRect* icon, const PixelRect& work, int32_t width,
                         int32_t height, int32_t dpi)
{
    const int32_t anchorX = icon ? (icon->left + icon->right) / 2 : work.right;
    const int32_t anchorY = icon ? (icon->top + icon->bottom) / 2 : work.bottom;
    return KeepInside({anchorX - width / 2, anchorY - height / 2}, width, height, work, dpi);
}

int32_t FitLayoutDpi(int32_t dpi, const PixelRect& work, int32_t frameWidth, int32_t frameHeight)
{
    const int32_t margins = 2 * Scale(PlacementMargin96, dpi);
    const int32_t roomWidth = work.right - work.left - margins - frameWidth;
    const int32_t roomHeight = work.bottom - work.top - margins - frameHeight;
    int32_t layout = dpi;
    while (layout > MinimumLayoutDpi && (Scale(ClientWidth96, layout) > roomWidth ||
                                         Scale(ClientHeight96, layout) > roomHeight)) {
        --layout;
    }
    return layout;
}

MenuAnchor KeyboardMenuAnchor(const PixelRect* icon, const PixelRect& work)
{
    if (!icon) return {{work.right, work.bottom}, true};
    return {{(icon->left + icon->right) / 2, (icon->top + icon->bottom) / 2}, false};
}

bool TrayNoticeFromKeyboard(const PixelPoint* lastOverIcon, PixelPoint cursor, int32_t slack)
{
    if (!lastOverIcon) return true;
    const int32_t dx = cursor.x - lastOverIcon->x;
    const int32_t dy = cursor.y - lastOverIcon->y;
    return dx < -slack || dx > slack || dy < -slack || dy > slack;
}
