// lib/window/vyAppCursors.cpp
// The first instance made at run time owns a WH_CALLWNDPROC hook of the thread. When the
// hook sees a WM_SETCURSOR, it subclasses the window it is meant for; the subclass answers
// that one message (choosing the cursor by area) and takes itself out again first thing,
// so at most one window is subclassed at a time and only for the length of one message.
#include "vyAppCursors.h"

#include <cctype>
#include <utility>

#include "Forms.h"
#include "StdCtrls.h"

namespace {

HHOOK gHook = nullptr;
TvyAppCursors* gOwner = nullptr;
// Numbers each subclassing: a thunk left behind in another chain answers nothing any more.
unsigned gSerial = 0;

[[maybe_unused]] const bool gRegistered = (RegisterComponentClass(TvyAppCursors::StaticClassInfo()), true);

template <size_t... I>
void AddCursorProps(TClassInfo& info, std::index_sequence<I...>)
{
    using C = TvyAppCursors;
    const auto& names = AppObjectNames();
    (info.Props.push_back(IntProp(names[I].substr(2), &C::CursorOf<static_cast<TvyAppObject>(I)>,
                                  &C::SetCursorOf<static_cast<TvyAppObject>(I)>, C::DefaultCursors[I],
                                  &CursorIdents())),
     ...);
}

std::string LowerClassName(HWND wnd)
{
    char buf[256] = {};
    const int n = wnd ? GetClassNameA(wnd, buf, 255) : 0;
    std::string s(buf, n > 0 ? static_cast<size_t>(n) : 0);
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

// An edit control keeps the I-beam Windows gives it.
bool IsEditControl(TControl* c) { return dynamic_cast<TCustomEdit*>(c) != nullptr; }

} // namespace

struct TvyAppCursorsHook {
    static LRESULT CALLBACK Proc(int code, WPARAM wp, LPARAM lp)
    {
        if (code == HC_ACTION && gOwner && gOwner->Active()) {
            const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lp);
            if (cwp && cwp->message == WM_SETCURSOR) {
                try {
                    gOwner->Restore();
                    gOwner->Subclass(cwp->hwnd);
                } catch (...) {
                    // Nothing may leave a hook; the window simply keeps its own cursor.
                }
            }
        }
        return CallNextHookEx(gHook, code, wp, lp);
    }
};

const std::vector<std::string>& AppObjectNames()
{
    static const std::vector<std::string> names{
        "aoBorderNonResize", "aoBorderBottom", "aoBorderBottomLeft", "aoBorderBottomRight", "aoBorderLeft",
        "aoBorderRight",     "aoBorderTop",    "aoBorderTopLeft",    "aoBorderTopRight",    "aoBtnClose",
        "aoBtnHelp",         "aoBtnMaximize",  "aoBtnMinimize",      "aoCaption",           "aoClient",
        "aoClientNonVCL",    "aoMainMenu",     "aoMenuItem",         "aoScrollHorz",        "aoScrollVert",
        "aoSystemMenu",      "aoTransparent"};
    return names;
}

int AppObjectOfHitTest(LPARAM lp)
{
    using O = TvyAppObject;
    O o;
    switch (static_cast<unsigned>(LOWORD(lp))) {
    case HTBORDER: o = O::aoBorderNonResize; break;
    case HTBOTTOM: o = O::aoBorderBottom; break;
    case HTBOTTOMLEFT: o = O::aoBorderBottomLeft; break;
    case HTBOTTOMRIGHT: o = O::aoBorderBottomRight; break;
    case HTLEFT: o = O::aoBorderLeft; break;
    case HTRIGHT: o = O::aoBorderRight; break;
    case HTTOP: o = O::aoBorderTop; break;
    case HTTOPLEFT: o = O::aoBorderTopLeft; break;
    case HTTOPRIGHT: o = O::aoBorderTopRight; break;
    case HTCLOSE: o = O::aoBtnClose; break;
    case HTHELP: o = O::aoBtnHelp; break;
    case HTMAXBUTTON: o = O::aoBtnMaximize; break;
    case HTMINBUTTON: o = O::aoBtnMinimize; break;
    // In menu mode the system sends the caption code with no mouse message.
    case HTCAPTION: o = HIWORD(lp) ? O::aoCaption : O::aoMenuItem; break;
    case HTCLIENT: o = O::aoClient; break;
    case HTMENU: o = O::aoMainMenu; break;
    case HTHSCROLL: o = O::aoScrollHorz; break;
    case HTVSCROLL: o = O::aoScrollVert; break;
    case HTSYSMENU: o = O::aoSystemMenu; break;
    case 0xFFFE: o = O::aoTransparent; break; // HTERROR as an unsigned word
    default: return -1;
    }
    return static_cast<int>(o);
}

const TClassInfo& TvyAppCursors::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyAppCursors;
        TClassInfo i{"TvyAppCursors", &TvyComponent::StaticClassInfo(), &CreateComponentOf<C>, {}, {}};
        i.Props.push_back(BoolProp("Active", &C::Active, &C::SetActive, std::optional<bool>(DefaultActive)));
        AddCursorProps(i, std::make_index_sequence<kvyAppObjectCount>());
        i.Props.push_back(EventProp("OnMouseOverObject", &C::OnMouseOverObject));
        return i;
    }();
    return info;
}

TvyAppCursors::TvyAppCursors(TComponent* owner) : TvyComponent(owner)
{
    if (Designing() || gHook) return;
    gHook = SetWindowsHookExA(WH_CALLWNDPROC, &TvyAppCursorsHook::Proc, nullptr, GetCurrentThreadId());
    if (gHook) gOwner = this;
}

TvyAppCursors::~TvyAppCursors()
{
    Restore();
    if (gOwner == this) {
        if (gHook) UnhookWindowsHookEx(gHook);
        gHook = nullptr;
        gOwner = nullptr;
    }
}

TvyAppCursors* TvyAppCursors::CursorOwner() noexcept { return gOwner; }

void TvyAppCursors::Subclass(HWND wnd)
{
    if (!wnd || !IsWindow(wnd)) return;
    const auto own = reinterpret_cast<WNDPROC>(GetWindowLongA(wnd, GWL_WNDPROC));
    if (!own) return;
    const unsigned serial = ++gSerial;
    FThunk = MakeObjectInstance([wnd, own, serial](TMessage& m) {
        if (gOwner && serial == gSerial && gOwner->FSubclassed)
            gOwner->SubclassedProc(wnd, own, m);
        else
            m.Result = CallWindowProcA(own, wnd, m.Msg, m.WParam, m.LParam);
    });
    FWindow = wnd;
    FOwnProc = own;
    FSubclassed = true;
    SetWindowLongA(wnd, GWL_WNDPROC, reinterpret_cast<LONG>(FThunk));
}

void TvyAppCursors::Restore()
{
    if (!FSubclassed) return;
    FSubclassed = false;
    const bool alive = IsWindow(FWindow) != 0;
    if (alive && reinterpret_cast<WNDPROC>(GetWindowLongA(FWindow, GWL_WNDPROC)) == FThunk)
        SetWindowLongA(FWindow, GWL_WNDPROC, reinterpret_cast<LONG>(FOwnProc));
    else if (alive)
        FThunk = nullptr; // chained over since: it stays there as a plain pass-through
    if (FThunk) FreeObjectInstance(FThunk);
    FThunk = nullptr;
    FWindow = nullptr;
    FOwnProc = nullptr;
}

void TvyAppCursors::SubclassedProc(HWND wnd, WNDPROC own, TMessage& m)
{
    if (m.Msg != WM_SETCURSOR) {
        m.Result = CallWindowProcA(own, wnd, m.Msg, m.WParam, m.LParam);
        return;
    }
    // Each subclassing serves exactly one WM_SETCURSOR.
    Restore();
    bool done = false;
    try {
        done = SetCursorFor(wnd, own, m);
    } catch (...) {
        ::HandleException(this);
    }
    if (!done) m.Result = CallWindowProcA(own, wnd, m.Msg, m.WParam, m.LParam);
}

bool TvyAppCursors::SetCursorFor(HWND wnd, WNDPROC own, TMessage& m)
{
    const int area = AppObjectOfHitTest(m.LParam);
    if (area < 0) return false;
    if (area != static_cast<int>(TvyAppObject::aoClient)) {
        if (!Apply(area, wnd)) return false;
        m.Result = TRUE;
        return true;
    }
    // The client area: only when a client cursor is set at all.
    if (Cursors(TvyAppObject::aoClient) == crDefault) return false;
    POINT p;
    GetCursorPos(&p);
    TWinControl* control = FindVCLWindow(p);
    const HWND under = WindowFromPoint(p);
    bool applied = false;
    if (!control) {
        if (LowerClassName(under) != "edit") applied = Apply(static_cast<int>(TvyAppObject::aoClientNonVCL), wnd);
    } else if (under == control->Handle()) {
        TControl* child = control->ControlAtPos(control->ScreenToClient(p), true);
        if (control->Cursor() == crDefault && !IsEditControl(child ? child : control))
            applied = Apply(area, wnd);
    } else {
        // A window inside a control that is not one itself: it answers first, and keeps
        // its own cursor unless that is only the default one.
        m.Result = CallWindowProcA(own, wnd, m.Msg, m.WParam, m.LParam);
        if (GetCursor() == Screen->Cursors(crDefault)) Apply(area, wnd);
        return true;
    }
    if (applied) m.Result = TRUE;
    return applied;
}

bool TvyAppCursors::Apply(int area, HWND wnd)
{
    TCursor cursor = FCursors.at(static_cast<size_t>(area));
    OnMouseOverObject(gOwner ? gOwner : this, static_cast<TvyAppObject>(area),
                      static_cast<int>(reinterpret_cast<INT_PTR>(wnd)), cursor);
    if (cursor == crDefault) return false;
    ::SetCursor(Screen->Cursors(cursor));
    return true;
}
