// For now the dashboard is its background: the client area filled with the palette's
// Background through an off-screen bitmap, so a paint never flickers.
#include "ui/dashboard.h"

#include "ui/theme.h"

static void FillBackground(HDC dc, const RECT& client)
{
    const Palette* palette = ActivePalette ? ActivePalette : &LightPalette;
    HBRUSH brush = CreateSolidBrush(palette->background);
    if (!brush) return;
    FillRect(dc, &client, brush);
    DeleteObject(brush);
}

void PaintDashboard(HWND window)
{
    PAINTSTRUCT paint = {};
    HDC screen = BeginPaint(window, &paint);
    if (!screen) return;
    RECT client = {};
    GetClientRect(window, &client);
    const int width = client.right;
    const int height = client.bottom;

    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(screen, width, height) : nullptr;
    if (memory && !bitmap) {
        DeleteDC(memory);
        memory = nullptr;
    }
    HGDIOBJ previousBitmap = memory ? SelectObject(memory, bitmap) : nullptr;
    HDC dc = memory ? memory : screen;

    FillBackground(dc, client);

    if (memory) {
        BitBlt(screen, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previousBitmap);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    EndPaint(window, &paint);
}
