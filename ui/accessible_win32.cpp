#include "ui/accessible_server.h"

#include <oleacc.h>
#include <string.h>

#include "app/shell.h"
#include "app/text.h"
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
const GUID DispatchIid = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}; // IUnknown's with Data1 0

enum AccessCall : int {
    CallCoInitializeEx,
    CallCoDisconnectObject,
    CallSysAllocString,
    CallLresultFromObject,
    CallCreateStdAccessibleObject,
    AccessCallCount,
};

struct AccessEntry {
    const wchar_t* module;
    const char* name;
};

const AccessEntry AccessEntries[AccessCallCount] = {
    {L"ole32.dll", "CoInitializeEx"},
    {L"ole32.dll", "CoDisconnectObject"},
    {L"oleaut32.dll", "SysAllocString"},
    {L"oleacc.dll", "LresultFromObject"},
    {L"oleacc.dll", "CreateStdAccessibleObject"},
};

typedef void (*AnyCall)();
AnyCall AccessCalls[AccessCallCount]; // interface thread; all set once AccessReady is 1
int AccessReady = 0;                  // interface thread; 0 untried, 1 loaded, -1 unavailable
bool AccessGone = false;              // interface thread; the window is destroyed
HistorySample HistoryScratch[HistoryCapacity]; // interface thread; one ring at a time

template <typename Function> Function* Call(AccessCall call, Function*)
{
    return reinterpret_cast<Function*>(AccessCalls[call]);
}

bool LoadAccess()
{
    if (AccessReady != 0) return AccessReady > 0;
    AccessReady = -1;
    for (int i = 0; i < AccessCallCount; ++i) {
        // The system directory only, as for every optional part.
        HMODULE module = LoadLibraryExW(AccessEntries[i].module, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        AccessCalls[i] = module ? reinterpret_cast<AnyCall>(GetProcAddress(module, AccessEntries[i].name)) : nullptr;
        if (!AccessCalls[i]) return false;
    }
    // Calls from other processes reach a single-threaded apartment through this thread's
    // message loop.
    if (FAILED(Call(CallCoInitializeEx, CoInitializeEx)(nullptr, COINIT_APARTMENTTHREADED))) return false;
    AccessReady = 1;
    return true;
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
    view.focused = GetFocus() == MainWindow;
    return view;
}

HRESULT Reach(const VARIANT& child, AccessibleElement* element)
{
    if (AccessGone) return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4 || child.lVal < 0 || child.lVal >= ElementCount) return E_INVALIDARG;
    *element = static_cast<AccessibleElement>(child.lVal);
    return S_OK;
}

HRESULT Text(const VARIANT& child, AccessibleText kind, BSTR* out)
{
    AccessibleElement element;
    const HRESULT reached = Reach(child, &element);
    if (FAILED(reached)) return reached;
    char16_t text[DashboardLineCapacity];
    *out = nullptr;
    if (!ElementText(text, DashboardLineCapacity, element, kind, ReadView())) return S_FALSE;
    *out = Call(CallSysAllocString, SysAllocString)(reinterpret_cast<const OLECHAR*>(text));
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

ULONG STDMETHODCALLTYPE AddRef(AccessibleObject* self)
{
    return static_cast<ULONG>(InterlockedIncrement(&self->references));
}

HRESULT STDMETHODCALLTYPE QueryInterface(AccessibleObject* self, REFIID iid, void** out)
{
    GUID asked = iid;
    if (asked.Data1 == 0) asked.Data1 = DispatchIid.Data1; // IUnknown
    if (memcmp(&asked, &DispatchIid, sizeof asked) != 0 && memcmp(&iid, &AccessibleIid, sizeof iid) != 0) {
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
    return Call(CallCreateStdAccessibleObject, CreateStdAccessibleObject)(
        MainWindow, OBJID_WINDOW, AccessibleIid, reinterpret_cast<void**>(out));
}

HRESULT STDMETHODCALLTYPE GetChildCount(AccessibleObject*, LONG* out)
{
    *out = ElementCount - 1;
    return AccessGone ? CO_E_OBJNOTCONNECTED : S_OK;
}

// The children are simple elements, with no object of their own.
HRESULT STDMETHODCALLTYPE GetChild(AccessibleObject*, VARIANT child, IDispatch** out)
{
    AccessibleElement element;
    *out = nullptr;
    const HRESULT reached = Reach(child, &element);
    return FAILED(reached) ? reached : S_FALSE;
}

HRESULT STDMETHODCALLTYPE GetName(AccessibleObject*, VARIANT child, BSTR* out)
{
    return Text(child, TextName, out);
}

HRESULT STDMETHODCALLTYPE GetValue(AccessibleObject*, VARIANT child, BSTR* out)
{
    return Text(child, TextValue, out);
}

HRESULT STDMETHODCALLTYPE GetRole(AccessibleObject*, VARIANT child, VARIANT* out)
{
    AccessibleElement element;
    const HRESULT reached = Reach(child, &element);
    return FAILED(reached) ? reached : Integer(out, ElementRole(element));
}

HRESULT STDMETHODCALLTYPE GetState(AccessibleObject*, VARIANT child, VARIANT* out)
{
    AccessibleElement element;
    const HRESULT reached = Reach(child, &element);
    return FAILED(reached) ? reached : Integer(out, static_cast<LONG>(ElementState(element, ReadView())));
}

HRESULT STDMETHODCALLTYPE GetFocused(AccessibleObject*, VARIANT* out)
{
    if (AccessGone) return CO_E_OBJNOTCONNECTED;
    if (::GetFocus() != MainWindow) return Empty(out);
    return Integer(out, static_cast<int32_t>(DashboardFocus) + ElementSilent);
}

HRESULT STDMETHODCALLTYPE GetDefaultAction(AccessibleObject*, VARIANT child, BSTR* out)
{
    return Text(child, TextAction, out);
}

HRESULT STDMETHODCALLTYPE Location(AccessibleObject*, LONG* left, LONG* top, LONG* width,
                                   LONG* height, VARIANT child)
{
    AccessibleElement element;
    const HRESULT reached = Reach(child, &element);
    if (FAILED(reached)) return reached;
    const RECT client = ClientArea();
    const PixelRect rect = ElementRect(element, client.right, client.bottom, LayoutDpi);
    POINT origin = {};
    ClientToScreen(MainWindow, &origin);
    *left = origin.x + rect.left;
    *top = origin.y + rect.top;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE HitTest(AccessibleObject*, LONG x, LONG y, VARIANT* out)
{
    if (AccessGone) return CO_E_OBJNOTCONNECTED;
    POINT point = {x, y};
    ScreenToClient(MainWindow, &point);
    const RECT client = ClientArea();
    if (!PointInside({0, 0, client.right, client.bottom}, point.x, point.y)) return Empty(out);
    return Integer(out, ElementAt(point.x, point.y, client.right, client.bottom, LayoutDpi));
}

HRESULT STDMETHODCALLTYPE DoDefaultAction(AccessibleObject*, VARIANT child)
{
    AccessibleElement element;
    const HRESULT reached = Reach(child, &element);
    if (FAILED(reached)) return reached;
    if (ElementRole(element) != RoleButton) return DISP_E_MEMBERNOTFOUND;
    // Unavailable while no cooler is connected, as the buttons are to a click.
    return PressButton(MainWindow, static_cast<FocusTarget>(element - ElementSilent)) ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE PutValue(AccessibleObject*, VARIANT child, BSTR value)
{
    AccessibleElement element;
    const HRESULT reached = Reach(child, &element);
    if (FAILED(reached)) return reached;
    if (ElementRole(element) != RoleSlider) return DISP_E_MEMBERNOTFOUND;
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

// What the last paint showed, for the events.
struct Shown {
    char16_t header[DashboardLineCapacity];
    char16_t liquid[8];
    LONG duties[2]; // percent: pump, fans
    int32_t focus;  // FocusTarget
};

Shown LastShown = {{}, {}, {-1, -1}, -1}; // interface thread

void Raise(DWORD event, AccessibleElement element)
{
    NotifyWinEvent(event, MainWindow, OBJID_CLIENT, element);
}

// Keeps `now` as the last shown text; true when it differs from it.
bool Changed(char16_t* last, const char16_t* now, int cap)
{
    if (SameText(last, now)) return false;
    AppendText(last, 0, cap, now);
    return true;
}

} // namespace

LRESULT ServeAccessible(WPARAM flags, LPARAM objectId)
{
    if (static_cast<LONG>(objectId) != OBJID_CLIENT || AccessGone || !LoadAccess()) return 0;
    const LRESULT result = Call(CallLresultFromObject, LresultFromObject)(AccessibleIid, flags, AccessibleUnknown());
    return result > 0 ? result : 0;
}

void DisconnectAccessible()
{
    AccessGone = true;
    if (AccessReady > 0) Call(CallCoDisconnectObject, CoDisconnectObject)(AccessibleUnknown(), 0);
}

void AnnounceChanges(const CoolerStatus& status)
{
    char16_t text[DashboardLineCapacity];
    HeaderText(text, DashboardLineCapacity, status);
    if (Changed(LastShown.header, text, DashboardLineCapacity)) Raise(EVENT_OBJECT_NAMECHANGE, ElementHeader);
    TemperatureNumber(text, 8, status);
    if (Changed(LastShown.liquid, text, 8)) Raise(EVENT_OBJECT_VALUECHANGE, ElementLiquid);
    const LONG duties[2] = {LoadRelaxed(&ManualPumpDuty), LoadRelaxed(&ManualFanDuty)};
    for (int i = 0; i < 2; ++i) {
        if (duties[i] == LastShown.duties[i]) continue;
        LastShown.duties[i] = duties[i];
        Raise(EVENT_OBJECT_VALUECHANGE, static_cast<AccessibleElement>(ElementPumpSlider + i));
    }
    // Told while the window has the focus, and again each time it comes back.
    if (GetFocus() != MainWindow) LastShown.focus = -1;
    if (DashboardFocus == LastShown.focus || GetFocus() != MainWindow) return;
    LastShown.focus = DashboardFocus;
    Raise(EVENT_OBJECT_FOCUS, static_cast<AccessibleElement>(static_cast<int32_t>(DashboardFocus) + ElementSilent));
}
