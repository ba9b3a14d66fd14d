#include "ui/controls.h"

#include <windowsx.h>

#include "app/text.h"
#include "profiles/profiles.h"
#include "ui/dashboard_text.h"
#include "ui/draw_win32.h"
#include "ui/keyboard.h"
#include "app/shell.h"
#include "ui/theme.h"

int DragTarget = 0;

namespace {

enum : int {
    DragNone = 0,
    DragPump = 1,
    DragFans = 2,
};

bool CoolerConnected()
{
    CoolerStatus status;
    CopyLatestStatus(&status);
    return status.connected != 0;
}

void Repaint(HWND window) { InvalidateRect(window, nullptr, FALSE); }

// Sets the dragged slider's value from x.
void DragTo(HWND window, const ControlLayout& layout, int32_t x)
{
    if (DragTarget == DragPump) {
        SetSliderValue(window, FocusPumpSlider, SliderValueAt(layout.pumpSlider, x, PumpSliderMin));
    } else if (DragTarget == DragFans) {
        SetSliderValue(window, FocusFanSlider, SliderValueAt(layout.fanSlider, x, FanSliderMin));
    }
}

} // namespace

bool PressButton(HWND window, FocusTarget button)
{
    if (!CoolerConnected()) return false;
    if (button != FocusApply) {
        RequestApply(static_cast<int32_t>(button) + ProfileSilent);
        return true;
    }
    RequestApply(ProfileManual);
    const RECT apply = ToRect(ComputeControlLayout(window).applyButton);
    InvalidateRect(window, &apply, FALSE);
    return true;
}

void SetSliderValue(HWND window, FocusTarget slider, int32_t value)
{
    StoreRelaxed(slider == FocusPumpSlider ? &ManualPumpDuty : &ManualFanDuty, value);
    Repaint(window);
}

ControlLayout ComputeControlLayout(HWND window)
{
    RECT client = {};
    GetClientRect(window, &client);
    return ControlLayoutFor(client.right, LayoutDpi);
}

void DrawSlider(HDC dc, const PixelRect& rect, int32_t value, int32_t minimum,
                const char16_t* label)
{
    const Palette& palette = *ActivePalette;
    char16_t text[48];
    LabelPercent(text, 48, label, value);
    const PixelRect labelBox = {Scale(28, LayoutDpi), rect.top - Scale(1, LayoutDpi),
                                rect.left - Scale(12, LayoutDpi), rect.bottom};
    DrawTextIn(dc, labelBox, text, palette.text, TextLine);

    const int32_t mid = (rect.top + rect.bottom) / 2;
    const int32_t trackTop = mid - Scale(1, LayoutDpi);
    FillSolid(dc, {rect.left, trackTop, rect.right, trackTop + Scale(2, LayoutDpi)}, palette.grid);

    const int32_t x = SliderThumbX(rect, value, minimum);
    const int32_t half = Scale(5, LayoutDpi);
    FillSolid(dc, {x - half, mid - half, x + half, mid - half + Scale(10, LayoutDpi)}, palette.text);
}

void DrawControls(HDC dc, const CoolerStatus& status)
{
    const Palette& palette = *ActivePalette;
    const ControlLayout layout = ComputeControlLayout(MainWindow);
    const Colour fill = status.connected ? palette.accent : palette.textMuted;
    for (int i = 0; i < ProfileButtonCount; ++i) {
        const int32_t profile = ProfileSilent + i;
        const PixelRect& button = layout.profileButtons[i];
        Colour textColour;
        if (AtomicRead(&AppliedProfile) == profile) {
            FillSolid(dc, button, fill);
            textColour = palette.onFill;
        } else {
            HBRUSH frame = CreateSolidBrush(palette.grid);
            if (frame) {
                const RECT r = ToRect(button);
                FrameRect(dc, &r, frame);
                DeleteObject(frame);
            }
            textColour = status.connected ? palette.textSecondary : palette.textMuted;
        }
        DrawTextIn(dc, button, ProfileName(profile), textColour, TextCentred);
    }

    DrawSlider(dc, layout.pumpSlider, LoadRelaxed(&ManualPumpDuty), PumpSliderMin, PumpLabel);
    // Without a fan channel no fan duty is offered.
    if (CurrentModel().fans) {
        DrawSlider(dc, layout.fanSlider, LoadRelaxed(&ManualFanDuty), FanSliderMin, FansLabel);
    }

    FillSolid(dc, layout.applyButton, fill);
    DrawTextIn(dc, layout.applyButton, AtomicRead(&ApplyResult) > 0 ? AppliedCaption : ApplyCaption,
               palette.onFill, TextCentred);
    DrawFocusRing(dc, layout);
}

FocusTarget OfferedControlAt(const ControlLayout& layout, int32_t x, int32_t y)
{
    const FocusTarget hit = FocusTargetAt(layout, x, y);
    // A model without a fan channel has no fan slider there.
    return hit == FocusFanSlider && !CurrentModel().fans ? FocusTargetCount : hit;
}

LRESULT ControlsButtonDown(HWND window, WPARAM, LPARAM lParam)
{
    const int32_t x = GET_X_LPARAM(lParam);
    const ControlLayout layout = ComputeControlLayout(window);
    const FocusTarget hit = OfferedControlAt(layout, x, GET_Y_LPARAM(lParam));
    if (hit == FocusPumpSlider) {
        DragTarget = DragPump;
    } else if (hit == FocusFanSlider) {
        DragTarget = DragFans;
    } else if (hit != FocusTargetCount) {
        PressButton(window, hit);
        return 0;
    } else if (DragTarget == DragNone) {
        return 0;
    }
    // A press outside every control resumes a drag whose release never arrived.
    SetCapture(window);
    DragTo(window, layout, x);
    return 0;
}

LRESULT ControlsMouseMove(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (DragTarget == DragNone || !(wParam & MK_LBUTTON)) return 0;
    DragTo(window, ComputeControlLayout(window), GET_X_LPARAM(lParam));
    return 0;
}

LRESULT ControlsButtonUp(HWND, WPARAM, LPARAM)
{
    if (DragTarget != DragNone) ReleaseCapture();
    DragTarget = DragNone;
    return 0;
}

LRESULT ControlsCaptureLost(HWND window, LPARAM newOwner)
{
    if (reinterpret_cast<HWND>(newOwner) != window) DragTarget = DragNone;
    return 0;
}
