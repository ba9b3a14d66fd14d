#include "ui/keyboard.h"

#include <windowsx.h>

#include "app/shared_state.h"
#include "app/shell.h"
#include "ui/dashboard_text.h"
#include "ui/controls.h"
#include "ui/draw_win32.h"
#include "ui/theme.h"

FocusTarget DashboardFocus = FocusSilent;
bool FocusCuesShown = false;

namespace {

void Repaint(HWND window) { InvalidateRect(window, nullptr, FALSE); }

// The user's choice to see keyboard cues always, read at each use.
bool CuesAlways()
{
    BOOL always = FALSE;
    return SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &always, 0) && always;
}

void FollowCueChange(HWND window, uint32_t change)
{
    const bool shown = FocusCueAfter(FocusCuesShown, change, CuesAlways());
    if (shown == FocusCuesShown) return;
    FocusCuesShown = shown;
    Repaint(window);
}

// Changes the focus cue here and tells the system, which keeps the window's UI state for
// whoever asks and answers with WM_UPDATEUISTATE when its state changes. The cue is kept
// here too: the system may hold a state that never changes (Wine's does), and then sends
// no update at all.
void ChangeFocusCue(HWND window, uint32_t action)
{
    FollowCueChange(window, UiStateChange(action));
    SendMessageW(window, WM_CHANGEUISTATE, UiStateChange(action), 0);
}

} // namespace

void FocusOnOpening(HWND window)
{
    DashboardFocus = OpeningFocus(AtomicRead(&AppliedProfile));
    FocusCuesShown = CuesAlways();
    // The system shows the cue when the last input came from the keyboard, but sends
    // nothing when the window's state already shows it: the state is hidden first.
    SendMessageW(window, WM_CHANGEUISTATE, UiStateChange(UiStateSet), 0);
    SendMessageW(window, WM_CHANGEUISTATE, UiStateChange(UiStateInitialize), 0);
}

bool DashboardKeyDown(HWND window, WPARAM key, LPARAM flags)
{
    CoolerStatus status;
    CopyLatestStatus(&status);
    const KeyContext context = {DashboardFocus, status.connected != 0, LoadRelaxed(&ManualPumpDuty),
                                LoadRelaxed(&ManualFanDuty)};
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool repeat = (flags & (1 << 30)) != 0; // the key was already down
    const KeyOutcome outcome = DecideKey(context, static_cast<uint32_t>(key), shift, repeat);
    switch (outcome.action) {
    case KeyNotOurs:
        return false;
    case KeyHide:
        SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); // as the close button: hidden
        return true;
    case KeyMoveFocus:
        DashboardFocus = static_cast<FocusTarget>(outcome.value);
        // A model without a fan channel has no fan slider: Tab passes over its place.
        if (DashboardFocus == FocusFanSlider && !CurrentModel().fans) {
            DashboardFocus = NextFocus(DashboardFocus, shift);
        }
        Repaint(window);
        break;
    case KeySetPumpDuty:
    case KeySetFanDuty:
        SetSliderValue(window, context.focus, outcome.value);
        break;
    case KeyRequestApply:
        RequestApply(outcome.value);
        break;
    default:
        break;
    }
    ChangeFocusCue(window, UiStateClear);
    return true;
}

void FocusOnPress(HWND window, LPARAM point)
{
    const FocusTarget pressed =
        OfferedControlAt(ComputeControlLayout(window), GET_X_LPARAM(point), GET_Y_LPARAM(point));
    if (pressed != FocusTargetCount && pressed != DashboardFocus) {
        DashboardFocus = pressed;
        if (FocusCuesShown) Repaint(window);
    }
    ChangeFocusCue(window, UiStateSet);
}

void FollowUiState(HWND window, WPARAM change)
{
    FollowCueChange(window, static_cast<uint32_t>(change));
}

void DrawFocusRing(HDC dc, const ControlLayout& layout)
{
    if (!FocusCuesShown || GetActiveWindow() != MainWindow) return;
    const PixelRect ring = FocusRingRect(FocusedControl(layout, DashboardFocus), LayoutDpi);
    const int32_t width = Scale(FocusRingWidth, LayoutDpi);
    const Colour colour = ActivePalette->accent;
    FillSolid(dc, {ring.left, ring.top, ring.right, ring.top + width}, colour);
    FillSolid(dc, {ring.left, ring.bottom - width, ring.right, ring.bottom}, colour);
    FillSolid(dc, {ring.left, ring.top + width, ring.left + width, ring.bottom - width}, colour);
    FillSolid(dc, {ring.right - width, ring.top + width, ring.right, ring.bottom - width}, colour);
}
