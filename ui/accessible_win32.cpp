#include "ui/accessible_server.h"

#include <oleacc.h>
#include <string.h>

#include "app/shell.h"
#include "ui/accessible.h"
#include "ui/controls.h"
#include "ui/dashboard_text.h"
#include "ui/keyboard.h"

namespace {

// The object's one instance: it lives as long as the process and counts its holders' references
// only for them. Its calls arrive on the interface thread, through its message loop.
struct AccessibleObject {
    const void* const* methods;
    volatile LONG references;
};

// Spelled out: MinGW's import library gives other bytes for this name.
const GUID AccessibleIid = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

enum AccessCall : int {
    CallCoInitializeEx,
    CallCoDisconnectObject,
    CallSysAllocString,
    CallLresultFromObject,
    CallCreateStdAccessibleObject,
    AccessCallCount,
};

// The system part of each call, and the calls' names one after the other.
const wchar_t* const AccessModules[] = {L"ole32.dll", L"oleaut32.dll", L"oleacc.dll"};
const uint8_t AccessModuleOf[AccessCallCount] = {0, 0, 1, 2, 2};
const char AccessNames[] =
    "CoInitializeEx\0CoDisconnectObject\0SysAllocString\0LresultFromObject\0CreateStdAccessibleObject";

typedef void (*AnyCall)();
AnyCall AccessCalls[AccessCallCount]; // interface thread; all set once AccessReady is 1
int AccessReady = 0;                  // interface thread; 0 untried, 1 loaded, -1 unavailable
bool AccessGone = false;              // interface thread; the window is destroyed
HistorySample HistoryScratch[HistoryCapacity]; // interface thread; one ring at a time

// A loaded call by its type (decltype of the system's declaration, which imports nothing).
template <typename Function> Function* Call(AccessCall call)
{
    return reinterpret_cast<Function*>(AccessCalls[call]);
}

bool LoadAccess()
{
    if (AccessReady != 0) return AccessReady > 0;
    AccessReady = -1;
    const char* name = AccessNames;
    for (int i = 0; i < AccessCallCount; ++i) {
        // The system directory only, as for every optional part.
        HMODULE module =
            LoadLibraryExW(AccessModules[AccessModuleOf[i]], nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        AccessCalls[i] = module ? reinterpret_cast<AnyCall>(GetProcAddress(module, name)) : nullptr;
        if (!AccessCalls[i]) return false;
        while (*name++) {
        }
    }
    // Calls from other processes reach a single-threaded apartment through this thread's
    // message loop.
    const HRESULT initialised =
        Call<decltype(CoInitializeEx)>(CallCoInitializeEx)(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(initialised)) return false;
    AccessReady = 1;
    return true;
}

POINT ClientOrigin()
{
    POINT origin = {};
    ClientToScreen(MainWindow, &origin);
    return origin;
}

RECT ClientArea()
{
    RECT client = {};
    GetClientRect(MainWindow, &client);
    return client;
}

AccessibleView ReadView()
{
    AccessibleView view = {};
    CopyLatestStatus(&view.status);
    const uint32_t now = GetTickCount();
    view.cooler = HistoryRangeOf(HistoryScratch, CopyHistory(CoolerHistory, HistoryScratch), now);
    view.gpu = HistoryRangeOf(HistoryScratch, CopyHistory(GpuHistory, HistoryScratch), now);
    view.focus = DashboardFocus;
    view.focused = GetActiveWindow() == MainWindow; // no child window takes the focus
    return view;
}

HRESULT Reach(const VARIANT* child, AccessibleElement* element)
{
    if (AccessGone) return CO_E_OBJNOTCONNECTED;
    if (child->vt != VT_I4 || child->lVal < 0 || child->lVal >= ElementCount) return E_INVALIDARG;
    *element = static_cast<AccessibleElement>(child->lVal);
    return S_OK;
}

// The kind first: the methods below pass their own arguments on as they came.
HRESULT Text(AccessibleText kind, const VARIANT* child, BSTR* out)
{
    AccessibleElement element;
    const HRESULT reached = Reach(child, &element);
    if (FAILED(reached)) return reached;
    char16_t text[DashboardLineCapacity];
    *out = nullptr;
    if (!ElementText(text, DashboardLineCapacity, element, kind, ReadView())) return S_FALSE;
    *out = Call<decltype(SysAllocString)>(CallSysAllocString)(reinterpret_cast<const OLECHAR*>(text));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT Integer(VARIANT* out, LONG value)
{
    out->vt = VT_I4;
    out->lVal = value;
    return S_OK;
}

HRESULT Empty(VARIANT* out)
{
    out->vt = VT_EMPTY;
    return S_FALSE;
}

// --- The methods, in the order of the interface ------------------------------------------------
// A VARIANT argument arrives as a pointer to the caller's copy (x64 passes every structure over
// 8 bytes so), which is how they are declared here: a method passes it on without a copy.

ULONG STDMETHODCALLTYPE AddRef(AccessibleObject* self)
{
    return static_cast<ULONG>(InterlockedIncrement(&self->references));
}

HRESULT STDMETHODCALLTYPE QueryInterface(AccessibleObject* self, REFIID iid, void** out)
{
    uint64_t asked[2], accessible[2];
    memcpy(asked, &iid, sizeof asked);
    memcpy(accessible, &AccessibleIid, sizeof accessible);
    // IUnknown {00000000-0000-0000-C000-000000000046}, IDispatch {00020400-...} and IAccessible.
    const bool unknown = (asked[0] & ~uint64_t(0x20400)) == 0 && asked[1] == 0x46000000000000C0;
    if (!unknown && (asked[0] != accessible[0] || asked[1] != accessible[1])) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = self;
    AddRef(self);
    return S_OK;
}

ULONG STDMETHODCALLTYPE Release(AccessibleObject* self)
{
    return static_cast<ULONG>(InterlockedDecrement(&self->references));
}

// Every method the object leaves out.
HRESULT STDMETHODCALLTYPE NotSupported()
{
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT STDMETHODCALLTYPE GetParent(AccessibleObject*, IDispatch** out)
{
    *out = nullptr;
    if (AccessGone) return CO_E_OBJNOTCONNECTED;
    return Call<decltype(CreateStdAccessibleObject)>(CallCreateStdAccessibleObject)(
        MainWindow, OBJID_WINDOW, AccessibleIid, reinterpret_cast<void**>(out));
}

HRESULT STDMETHODCALLTYPE GetChildCount(AccessibleObject*, LONG* out)
{
    *out = ElementCount - 1;
    return AccessGone ? CO_E_OBJNOTCONNECTED : S_OK;
}

// The children are simple elements, with no object of their own.
HRESULT STDMETHODCALLTYPE GetChild(AccessibleObject*, const VARIANT* child, IDispatch** out)
{
    AccessibleElement element;
    *out = nullptr;
    const HRESULT reached = Reach(child, &element);
    return FAILED(reached) ? reached : S_FALSE;
}

HRESULT STDMETHODCALLTYPE GetName(AccessibleObject*, const VARIANT* child, BSTR* out)
{
    return Text(TextName, child, out);
}

HRESULT STDMETHODCALLTYPE GetValue(AccessibleObject*, const VARIANT* child, BSTR* out)
{
    return Text(TextValue, child, out);
}

HRESULT STDMETHODCALLTYPE GetRole(AccessibleObject*, const VARIANT* child, VARIANT* out)
{
    AccessibleElement element;
    const HRESULT reached = Reach(child, &element);
    return FAILED(reached) ? reached : Integer(out, ElementRole(element));
}

HRESULT STDMETHODCALLTYPE GetState(AccessibleObject*, const VARIANT* child, VARIANT* out)
{
    AccessibleElement element;
    const HRESULT reached = Reach(child, &element);
    return FAILED(reached) ? reached : Integer(out, static_cast<LONG>(ElementState(element, ReadView())));
}

HRESULT STDMETHODCALLTYPE GetFocused(AccessibleObject*, VARIANT* out)
{
    if (AccessGone) return CO_E_OBJNOTCONNECTED;
    if (GetActiveWindow() != MainWindow) return Empty(out);
    return Integer(out, static_cast<int32_t>(DashboardFocus) + ElementSilent);
}

HRESULT STDMETHODCALLTYPE GetDefaultAction(AccessibleObject*, const VARIANT* child, BSTR* out)
{
    return Text(TextAction, child, out);
}

HRESULT STDMETHODCALLTYPE Location(AccessibleObject*, LONG* left, LONG* top, LONG* width,
                                   LONG* height, const VARIANT* child)
{
    AccessibleElement element;
    const HRESULT reached = Reach(child, &element);
    if (FAILED(reached)) return reached;
    const RECT client = ClientArea();
    const PixelRect rect = ElementRect(element, client.right, client.bottom, LayoutDpi);
    const POINT origin = ClientOrigin();
    *left = origin.x + rect.left;
    *top = origin.y + rect.top;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE HitTest(AccessibleObject*, LONG x, LONG y, VARIANT* out)
{
    if (AccessGone) return CO_E_OBJNOTCONNECTED;
    const POINT origin = ClientOrigin();
    x -= origin.x;
    y -= origin.y;
    const RECT client = ClientArea();
    if (!PointInside({0, 0, client.right, client.bottom}, x, y)) return Empty(out);
    return Integer(out, ElementAt(x, y, client.right, client.bottom, LayoutDpi));
}

HRESULT STDMETHODCALLTYPE DoDefaultAction(AccessibleObject*, const VARIANT* child)
{
    AccessibleElement element;
    const HRESULT reached = Reach(child, &element);
    if (FAILED(reached)) return reached;
    if (ElementRole(element) != RoleButton) return DISP_E_MEMBERNOTFOUND;
    // Unavailable while no cooler is connected, as the buttons are to a click.
    return PressButton(MainWindow, static_cast<FocusTarget>(element - ElementSilent)) ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE PutValue(AccessibleObject*, const VARIANT* child, BSTR value)
{
    AccessibleElement element;
    const HRESULT reached = Reach(child, &element);
    if (FAILED(reached)) return reached;
    if (ElementRole(element) != RoleSlider) return DISP_E_MEMBERNOTFOUND;
    if (element == ElementFanSlider && !CurrentModel().fans) return E_FAIL; // not offered
    const FocusTarget slider = static_cast<FocusTarget>(element - ElementSilent);
    const int32_t percent = SliderValueFromText(value ? reinterpret_cast<const char16_t*>(value) : u"",
                                                slider == FocusPumpSlider ? PumpSliderMin : FanSliderMin);
    if (percent < 0) return E_INVALIDARG;
    SetSliderValue(MainWindow, slider, percent);
    return S_OK;
}

#define METHOD(name) reinterpret_cast<const void*>(name)

// IUnknown, IDispatch, IAccessible.
const void* const AccessibleMethods[] = {
    METHOD(QueryInterface), METHOD(AddRef), METHOD(Release),
    METHOD(NotSupported), METHOD(NotSupported), METHOD(NotSupported), METHOD(NotSupported),
    METHOD(GetParent), METHOD(GetChildCount), METHOD(GetChild), METHOD(GetName), METHOD(GetValue),
    METHOD(NotSupported), // description
    METHOD(GetRole), METHOD(GetState),
    METHOD(NotSupported), METHOD(NotSupported), METHOD(NotSupported), // help, help topic, shortcut
    METHOD(GetFocused),
    METHOD(NotSupported), // selection
    METHOD(GetDefaultAction),
    METHOD(NotSupported), // select
    METHOD(Location),
    METHOD(NotSupported), // navigate
    METHOD(HitTest), METHOD(DoDefaultAction),
    METHOD(NotSupported), // name
    METHOD(PutValue),
};

AccessibleObject Accessible = {AccessibleMethods, 0}; // interface thread

IUnknown* AccessibleUnknown()
{
    return reinterpret_cast<IUnknown*>(&Accessible);
}

// What the last paint showed, for the events: keys of the header and the temperature, the
// slider values and the focused control + 1; 0 before the first paint.
enum : int { ShownHeader, ShownLiquid, ShownPump, ShownFans, ShownFocus, ShownCount };
LONG LastShown[ShownCount]; // interface thread

struct ShownEvent {
    uint16_t event;
    uint8_t element;
};

const ShownEvent ShownEvents[ShownCount] = {
    {EVENT_OBJECT_NAMECHANGE, ElementHeader},
    {EVENT_OBJECT_VALUECHANGE, ElementLiquid},
    {EVENT_OBJECT_VALUECHANGE, ElementPumpSlider},
    {EVENT_OBJECT_VALUECHANGE, ElementFanSlider},
    {EVENT_OBJECT_FOCUS, 0}, // the focused control's
};

} // namespace

LRESULT ServeAccessible(WPARAM flags, LPARAM objectId)
{
    if (static_cast<LONG>(objectId) != OBJID_CLIENT || AccessGone || !LoadAccess()) return 0;
    const LRESULT result = Call<decltype(LresultFromObject)>(CallLresultFromObject)(
        AccessibleIid, flags, AccessibleUnknown());
    return result > 0 ? result : 0;
}

void DisconnectAccessible()
{
    AccessGone = true;
    if (AccessReady > 0) Call<decltype(CoDisconnectObject)>(CallCoDisconnectObject)(AccessibleUnknown(), 0);
}

void AnnounceChanges(const CoolerStatus& status)
{
    // The focus is told while the window has it, and again each time it comes back.
    const LONG focus = GetActiveWindow() == MainWindow ? DashboardFocus + 1 : 0;
    const LONG shown[ShownCount] = {
        status.connected ? status.conditions + 1 : 0, // as HeaderText
        status.connected ? status.liquidTenths + 1 : 0,
        LoadRelaxed(&ManualPumpDuty),
        LoadRelaxed(&ManualFanDuty),
        focus,
    };
    for (int i = 0; i < ShownCount; ++i) {
        if (shown[i] == LastShown[i]) continue;
        LastShown[i] = shown[i];
        int32_t element = ShownEvents[i].element;
        if (i == ShownFocus) {
            if (focus == 0) continue;
            element = ElementSilent + focus - 1;
        }
        NotifyWinEvent(ShownEvents[i].event, MainWindow, OBJID_CLIENT, element);
    }
}
