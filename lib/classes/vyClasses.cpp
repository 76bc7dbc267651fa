// lib/classes/vyClasses.cpp
// The component base classes and the hook list.
//
// The chain, per window: the components hooked to it, in hook-list order. The first one's
// previous procedure is the window's base procedure (what it had before any component);
// each later one's is the own procedure of the one before; GWL_WNDPROC is the last one's.
// So a message enters the newest component first:
//   - BeforeMessage runs newest first; a component that sets handled hides the message
//     from older components and from the window, not from its own AfterMessage;
//   - AfterMessage runs oldest first (on the way back out), whether or not handled;
//   - removal re-links the survivors from the base procedure, so any order works;
//   - only the hook list decides the order: nobody restores a saved procedure by hand.
#include "vyClasses.h"

#include <algorithm>

namespace {

TWinControl* AsWinControl(TComponent* c)
{
    return dynamic_cast<TWinControl*>(c);
}

} // namespace

// --- TvyComponent ----------------------------------------------------------------------

TPropInfo AboutProp()
{
    TPropInfo p = StrProp<TvyComponent>("About", &TvyComponent::About, &TvyComponent::SetAbout);
    p.Stored = [](const TPersistent&) { return false; };
    return p;
}

const TClassInfo& TvyComponent::StaticClassInfo()
{
    static const TClassInfo info{"TvyComponent", &TComponent::StaticClassInfo(), nullptr, {AboutProp()}, {}};
    return info;
}

TvyComponent::TvyComponent(TComponent* owner) : TComponent(owner)
{
    FHost = dynamic_cast<TControl*>(owner);
}

void TvyComponent::SetHost(TControl* host)
{
    if (host != FHost) FHost = host;
}

TCustomForm* TvyComponent::OwnerForm() const
{
    return dynamic_cast<TCustomForm*>(FHost);
}

void TvyComponent::ChangeHost(TControl* host)
{
    SetHost(host);
}

// --- TvyHookList -----------------------------------------------------------------------

TvyHookList* TvyHookList::FInstance = nullptr;

TvyHookList::TvyHookList()
{
    FWindow = AllocateHWnd([this](TMessage& m) {
        try {
            WndProc(m);
        } catch (...) {
            HandleException(nullptr);
        }
    });
}

TvyHookList::~TvyHookList()
{
    DeallocateHWnd(FWindow);
}

TvyHookList& TvyHookList::Acquire()
{
    if (!FInstance) FInstance = new TvyHookList();
    return *FInstance;
}

void TvyHookList::ReleaseIfEmpty()
{
    if (FInstance && FInstance->FItems.empty()) {
        delete FInstance;
        FInstance = nullptr;
    }
}

bool TvyHookList::Contains(const TvyFormHookComponent* c) const
{
    return std::find(FItems.begin(), FItems.end(), c) != FItems.end();
}

void TvyHookList::Remove(TvyFormHookComponent* c)
{
    FItems.erase(std::remove(FItems.begin(), FItems.end(), c), FItems.end());
}

WNDPROC TvyHookList::BaseProc(HWND window) const
{
    for (TvyFormHookComponent* c : FItems)
        if (c->FHooked && c->FWindow == window && c->FPrevProc) return c->FPrevProc;
    return reinterpret_cast<WNDPROC>(GetWindowLongA(window, GWL_WNDPROC));
}

void TvyHookList::Rechain(HWND window, WNDPROC base)
{
    WNDPROC previous = base;
    for (TvyFormHookComponent* c : FItems) {
        if (!c->FHooked || c->FWindow != window) continue;
        c->FPrevProc = previous;
        previous = c->FOwnProc;
    }
    SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG>(previous));
}

void TvyHookList::WndProc(TMessage& m)
{
    switch (m.Msg) {
    case VY_REATTACH_HOOKS: Reattach(reinterpret_cast<HWND>(m.LParam)); break;
    case WM_QUERYENDSESSION: m.Result = 1; break;
    default: m.Result = DefWindowProcA(FWindow, m.Msg, m.WParam, m.LParam); break;
    }
}

void TvyHookList::Reattach(HWND oldWindow)
{
    // Copies: RestoreState may create or destroy components.
    std::vector<TvyFormHookComponent*> items = FItems;
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        TvyFormHookComponent* c = *it;
        if (c->FWindow != oldWindow) continue;
        FreeObjectInstance(c->FOwnProc);
        c->FOwnProc = nullptr;
        c->FPrevProc = nullptr;
        c->FHooked = false;
    }
    for (TvyFormHookComponent* c : items) {
        if (!Contains(c) || c->FWindow != oldWindow || c->FHooked) continue;
        c->Hook();
        c->RestoreState();
    }
}

// --- TvyFormHookComponent --------------------------------------------------------------

const TClassInfo& TvyFormHookComponent::StaticClassInfo()
{
    static const TClassInfo info{"TvyFormHookComponent", &TvyComponent::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

TvyFormHookComponent::TvyFormHookComponent(TComponent* owner) : TvyComponent(owner)
{
    if (!AsWinControl(owner)) throw EInvalidOperation("Owner must be TWinControl or its successor!");
    TvyHookList::Acquire().Add(this);
    Hook();
}

TvyFormHookComponent::TvyFormHookComponent(TComponent* owner, TWinControl* hookTo) : TvyComponent(owner)
{
    FHost = hookTo;
    TvyHookList::Acquire().Add(this);
    Hook();
}

TvyFormHookComponent::~TvyFormHookComponent()
{
    Destroying();
    if (TvyHookList::Instance() && TvyHookList::Instance()->Contains(this)) Unhook();
    TvyHookList::ReleaseIfEmpty();
}

void TvyFormHookComponent::Hook()
{
    auto* host = dynamic_cast<TWinControl*>(FHost);
    if (!host) return;
    if (!FOwnProc) FOwnProc = MakeObjectInstance([this](TMessage& m) { HookWndProc(m); });
    FWindow = host->Handle();
    TvyHookList& list = TvyHookList::Acquire();
    WNDPROC base = list.BaseProc(FWindow);
    FHooked = true;
    list.Rechain(FWindow, base);
}

void TvyFormHookComponent::Unhook()
{
    TvyHookList* list = TvyHookList::Instance();
    if (!list) return;
    WNDPROC base = FHooked ? list->BaseProc(FWindow) : nullptr;
    list->Remove(this);
    const bool wasHooked = FHooked;
    FHooked = false;
    if (wasHooked && IsWindow(FWindow)) list->Rechain(FWindow, base);
    FreeObjectInstance(FOwnProc);
    FOwnProc = nullptr;
    FPrevProc = nullptr;
}

void TvyFormHookComponent::SetHost(TControl* host)
{
    if (host == FHost) return;
    Unhook();
    FHost = host;
    TvyHookList::Acquire().Add(this);
    Hook();
}

void TvyFormHookComponent::HookWndProc(TMessage& m)
{
    // Everything read after the previous procedure has run is checked first: the message
    // may have destroyed this component.
    try {
        if (m.Msg == WM_DESTROY && !IsDestroying()) {
            TvyHookList* list = TvyHookList::Instance();
            if (list && FPrevProc == list->BaseProc(FWindow))
                PostMessageA(list->Handle(), VY_REATTACH_HOOKS, 0, reinterpret_cast<LPARAM>(FWindow));
        }
        if (m.Msg == VY_TOPMOST_CHANGED) SetTopmost(m.WParam != 0);
        bool handled = false;
        BeforeMessage(m, handled);
        if (!handled) m.Result = CallWindowProcA(FPrevProc, FWindow, m.Msg, m.WParam, m.LParam);
        TvyHookList* list = TvyHookList::Instance();
        if (list && list->Contains(this)) AfterMessage(m);
    } catch (...) {
        HandleException(this);
    }
}

void TvyFormHookComponent::BeforeMessage(TMessage&, bool&) {}

void TvyFormHookComponent::AfterMessage(TMessage&) {}

void TvyFormHookComponent::RestoreState()
{
    SetTopmost(FStoredTopmost);
}

HMENU TvyFormHookComponent::GetSystemMenu()
{
    return ::GetSystemMenu(FWindow, FALSE);
}

void TvyFormHookComponent::RedrawFrame()
{
    SetWindowPos(FWindow, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

LONG TvyFormHookComponent::WindowStyle() const
{
    return GetWindowLongA(FWindow, GWL_STYLE);
}

LONG TvyFormHookComponent::WindowExStyle() const
{
    return GetWindowLongA(FWindow, GWL_EXSTYLE);
}

bool TvyFormHookComponent::Topmost() const
{
    if (Designing()) return FStoredTopmost;
    return (WindowExStyle() & WS_EX_TOPMOST) != 0;
}

void TvyFormHookComponent::SetTopmost(bool value)
{
    if (!Designing()) FStoredTopmost = value;
    if (value == Topmost()) return;
    FStoredTopmost = value;
    if (!Designing())
        SetWindowPos(FWindow, value ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    // Every component on the window brings its stored value into line.
    SendMessageA(FWindow, VY_TOPMOST_CHANGED, value ? 1 : 0, 0);
}

// --- TvyHFormHookComponent -------------------------------------------------------------

const TClassInfo& TvyHFormHookComponent::StaticClassInfo()
{
    static const TClassInfo info{"TvyHFormHookComponent", &TvyFormHookComponent::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

TvyHFormHookComponent::TvyHFormHookComponent(TComponent* owner) : TvyFormHookComponent(owner)
{
    FUtilityWindow = AllocateHWnd([this](TMessage& m) { DispatchUtility(m); });
}

TvyHFormHookComponent::TvyHFormHookComponent(TComponent* owner, TWinControl* hookTo) : TvyFormHookComponent(owner, hookTo)
{
    FUtilityWindow = AllocateHWnd([this](TMessage& m) { DispatchUtility(m); });
}

TvyHFormHookComponent::~TvyHFormHookComponent()
{
    DeallocateHWnd(FUtilityWindow);
    FUtilityWindow = nullptr;
}

void TvyHFormHookComponent::DispatchUtility(TMessage& m)
{
    try {
        UtilityWndProc(m);
    } catch (...) {
        HandleException(this);
    }
}

void TvyHFormHookComponent::UtilityWndProc(TMessage& m)
{
    if (m.Msg == WM_QUERYENDSESSION)
        m.Result = 1;
    else
        m.Result = DefWindowProcA(FUtilityWindow, m.Msg, m.WParam, m.LParam);
}

// --- TvyHFormHookComponentWatchCaption -------------------------------------------------

const TClassInfo& TvyHFormHookComponentWatchCaption::StaticClassInfo()
{
    static const TClassInfo info{"TvyHFormHookComponentWatchCaption", &TvyHFormHookComponent::StaticClassInfo(),
                                 nullptr, {}, {}};
    return info;
}

TvyHFormHookComponentWatchCaption::TvyHFormHookComponentWatchCaption(TComponent* owner) : TvyHFormHookComponent(owner) {}

void TvyHFormHookComponentWatchCaption::AfterMessage(TMessage& m)
{
    TvyHFormHookComponent::AfterMessage(m);
    if (m.Msg != WM_GETTEXT) return;
    TCustomForm* form = OwnerForm();
    if (!form) return;
    if (form->Caption() != FCaption) {
        FCaption = form->Caption();
        // Told after the message that revealed it, never inside it.
        PostMessageA(UtilityWindow(), VY_CAPTION_CHANGED, 0, 0);
    }
}

void TvyHFormHookComponentWatchCaption::UtilityWndProc(TMessage& m)
{
    TvyHFormHookComponent::UtilityWndProc(m);
    if (m.Msg == VY_CAPTION_CHANGED) CaptionChanged();
}

// --- TvyAppHookComponent ---------------------------------------------------------------

const TClassInfo& TvyAppHookComponent::StaticClassInfo()
{
    static const TClassInfo info{"TvyAppHookComponent", &TvyHFormHookComponent::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

TvyAppHookComponent::TvyAppHookComponent(TComponent* owner) : TvyHFormHookComponent(owner)
{
    if (!Designing()) HookApp();
}

TvyAppHookComponent::~TvyAppHookComponent()
{
    UnhookApp();
}

void TvyAppHookComponent::HookApp()
{
    if (!Application || !Application->Handle()) return;
    HWND app = Application->Handle();
    FAppPrevProc = reinterpret_cast<WNDPROC>(GetWindowLongA(app, GWL_WNDPROC));
    FAppOwnProc = MakeObjectInstance([this](TMessage& m) { AppWndProc(m); });
    SetWindowLongA(app, GWL_WNDPROC, reinterpret_cast<LONG>(FAppOwnProc));
    FAppHooked = true;
}

void TvyAppHookComponent::UnhookApp()
{
    if (!FAppHooked) return;
    if (Application && Application->Handle())
        SetWindowLongA(Application->Handle(), GWL_WNDPROC, reinterpret_cast<LONG>(FAppPrevProc));
    FreeObjectInstance(FAppOwnProc);
    FAppOwnProc = nullptr;
    FAppHooked = false;
}

void TvyAppHookComponent::AppWndProc(TMessage& m)
{
    m.Result = 1;
    try {
        bool handled = false;
        AppBeforeMessage(m, handled);
        if (!handled) m.Result = CallWindowProcA(FAppPrevProc, Application->Handle(), m.Msg, m.WParam, m.LParam);
        if (!IsDestroying()) AppAfterMessage(m);
    } catch (...) {
        HandleException(this);
    }
}

void TvyAppHookComponent::AppBeforeMessage(TMessage&, bool&) {}

void TvyAppHookComponent::AppAfterMessage(TMessage&) {}
