// lib/classes/vyClasses.cpp
// The component base classes and the hook list.
//
// The chain, per window: the links of the components hooked to it, in creation order. The
// first link's previous procedure is the window's base procedure (what it had before any
// component); each later one's is the entry point of the one before; GWL_WNDPROC is the
// last one's. So a message enters the newest component first:
//   - BeforeMessage runs newest first; a component that sets handled hides the message
//     from older components and from the window, not from its own AfterMessage;
//   - AfterMessage runs oldest first (on the way back out), whether or not handled;
//   - removal re-links the survivors from the base procedure, so any order works;
//   - only the hook list decides the order: nobody restores a saved procedure by hand.
// The application window's hooks are links of the same kind, with the same rules.
// A component freed while a message runs through its link (from its own handler, or from
// anything further down the chain) leaves the link in place as a pass-through; the link
// goes when that dispatch returns, so the message still reaches the rest of the chain.
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

TvyHookList::TvyHookList() = default;

HWND TvyHookList::Handle()
{
    if (!FWindow)
        FWindow = AllocateHWnd([this](TMessage& m) {
            try {
                WndProc(m);
            } catch (...) {
                HandleException(nullptr);
            }
        });
    return FWindow;
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
    if (FInstance && FInstance->FItems.empty() && FInstance->FLinks.empty()) {
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
    for (const TvyHookLink* l : FLinks)
        if (l->Window == window) return l->Prev;
    return reinterpret_cast<WNDPROC>(GetWindowLongA(window, GWL_WNDPROC));
}

void TvyHookList::Rechain(HWND window, WNDPROC base)
{
    WNDPROC previous = base;
    for (TvyHookLink* l : FLinks) {
        if (l->Window != window) continue;
        l->Prev = previous;
        previous = l->Own;
    }
    SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG>(previous));
}

TvyHookLink* TvyHookList::Link(TvyFormHookComponent* c, HWND window, TvyHookLink::TKind kind)
{
    const WNDPROC base = BaseProc(window);
    auto* link = new TvyHookLink;
    link->Kind = kind;
    link->Window = window;
    link->Client = c;
    try {
        link->Own = MakeObjectInstance([link](TMessage& m) { Dispatch(link, m); });
    } catch (...) {
        delete link;
        throw;
    }
    FLinks.push_back(link);
    Rechain(window, base);
    return link;
}

void TvyHookList::Unlink(TvyHookLink* link)
{
    if (!link) return;
    link->Client = nullptr;
    if (link->Depth == 0) Drop(link);
}

void TvyHookList::Drop(TvyHookLink* link)
{
    const HWND window = link->Window;
    const WNDPROC base = BaseProc(window);
    FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), link), FLinks.end());
    if (IsWindow(window)) Rechain(window, base);
    FreeObjectInstance(link->Own);
    delete link;
    ReleaseIfEmpty();
}

void TvyHookList::Dispatch(TvyHookLink* link, TMessage& m)
{
    ++link->Depth;
    try {
        bool handled = false;
        if (link->Client) link->Client->LinkBefore(*link, m, handled);
        if (!handled) m.Result = CallWindowProcA(link->Prev, link->Window, m.Msg, m.WParam, m.LParam);
        if (link->Client) link->Client->LinkAfter(*link, m);
    } catch (...) {
        HandleException(link->Client);
    }
    // The component let go during this message: the link has served its last dispatch.
    if (--link->Depth == 0 && !link->Client && FInstance) FInstance->Drop(link);
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
        if (c->FWindow != oldWindow || !c->FLink) continue;
        Unlink(c->FLink);
        c->FLink = nullptr;
    }
    for (TvyFormHookComponent* c : items) {
        if (!Contains(c) || c->FWindow != oldWindow || c->FLink) continue;
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
    UnhookApp();
    Unhook();
    if (TvyHookList* list = TvyHookList::Instance()) list->Remove(this);
    TvyHookList::ReleaseIfEmpty();
}

void TvyFormHookComponent::Hook()
{
    auto* host = dynamic_cast<TWinControl*>(FHost);
    if (!host) return;
    FWindow = host->Handle();
    FLink = TvyHookList::Acquire().Link(this, FWindow, TvyHookLink::TKind::Form);
}

void TvyFormHookComponent::Unhook()
{
    if (TvyHookList* list = TvyHookList::Instance()) list->Unlink(FLink);
    FLink = nullptr;
}

void TvyFormHookComponent::HookApp()
{
    if (FAppLink || Designing() || !Application || !Application->Handle()) return;
    FAppLink = TvyHookList::Acquire().Link(this, Application->Handle(), TvyHookLink::TKind::App);
}

void TvyFormHookComponent::UnhookApp()
{
    if (TvyHookList* list = TvyHookList::Instance()) list->Unlink(FAppLink);
    FAppLink = nullptr;
}

void TvyFormHookComponent::SetHost(TControl* host)
{
    if (host == FHost) return;
    Unhook();
    FHost = host;
    Hook();
}

void TvyFormHookComponent::LinkBefore(const TvyHookLink& link, TMessage& m, bool& handled)
{
    if (link.Kind == TvyHookLink::TKind::App) {
        AppBeforeMessage(m, handled);
        return;
    }
    // The oldest component of a window being destroyed asks for the hooks to be re-attached
    // should the window come back (a re-created window); a form going away does not.
    if (m.Msg == WM_DESTROY && !IsDestroying()) {
        TvyHookList* list = TvyHookList::Instance();
        if (list && link.Prev == list->BaseProc(link.Window))
            PostMessageA(list->Handle(), VY_REATTACH_HOOKS, 0, reinterpret_cast<LPARAM>(link.Window));
    }
    if (m.Msg == VY_TOPMOST_CHANGED) SettleTopmost(m.WParam != 0);
    // The component may be gone when this returns: nothing here may follow it.
    if (link.Client) BeforeMessage(m, handled);
}

void TvyFormHookComponent::LinkAfter(const TvyHookLink& link, TMessage& m)
{
    if (link.Kind == TvyHookLink::TKind::App)
        AppAfterMessage(m);
    else
        AfterMessage(m);
}

void TvyFormHookComponent::BeforeMessage(TMessage&, bool&) {}

void TvyFormHookComponent::AfterMessage(TMessage&) {}

void TvyFormHookComponent::AppBeforeMessage(TMessage&, bool&) {}

void TvyFormHookComponent::AppAfterMessage(TMessage&) {}

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
    if (Designing()) {
        if (value == FStoredTopmost) return;
        FStoredTopmost = value;
        SendMessageA(FWindow, VY_TOPMOST_CHANGED, value ? 1 : 0, 0);
        return;
    }
    const bool before = Topmost();
    FStoredTopmost = value;
    if (value == before) return;
    SetWindowTopmost(FWindow, value);
    // The window may refuse (one owned by a visible topmost window stays in the band): what
    // it did is the state, and only a real change is news. Telling the others of a refused
    // change would have each of them try again, and tell again, without end.
    const bool after = Topmost();
    FStoredTopmost = after;
    if (after != before) SendMessageA(FWindow, VY_TOPMOST_CHANGED, after ? 1 : 0, 0);
}

void TvyFormHookComponent::SettleTopmost(bool told)
{
    FStoredTopmost = Designing() ? told : Topmost();
}

// --- TvyHFormHookComponent -------------------------------------------------------------

const TClassInfo& TvyHFormHookComponent::StaticClassInfo()
{
    static const TClassInfo info{"TvyHFormHookComponent", &TvyFormHookComponent::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

TvyHFormHookComponent::TvyHFormHookComponent(TComponent* owner) : TvyFormHookComponent(owner) {}

TvyHFormHookComponent::TvyHFormHookComponent(TComponent* owner, TWinControl* hookTo) : TvyFormHookComponent(owner, hookTo)
{
}

HWND TvyHFormHookComponent::UtilityWindow() const
{
    if (!FUtilityWindow) {
        auto* self = const_cast<TvyHFormHookComponent*>(this);
        FUtilityWindow = AllocateHWnd([self](TMessage& m) { self->DispatchUtility(m); });
    }
    return FUtilityWindow;
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
    HookApp();
}

TvyAppHookComponent::~TvyAppHookComponent()
{
    // Before this class's part is gone: no application message may reach a half-destroyed
    // component.
    UnhookApp();
}

// --- TvyTextStyle ----------------------------------------------------------------------

const TClassInfo& TvyTextStyle::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyTextStyle;
        TClassInfo i{"TvyTextStyle", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        i.Props.push_back(BoolProp("PlainText", &C::PlainText, &C::SetPlainText, DefaultPlainText));
        i.Props.push_back(StrProp<C>("TagOpen", &C::TagOpenText, &C::SetTagOpenText, std::string(1, DefaultTagOpen)));
        i.Props.push_back(StrProp<C>("TagClose", &C::TagCloseText, &C::SetTagCloseText, std::string(1, DefaultTagClose)));
        return i;
    }();
    return info;
}

void TvyTextStyle::SetPlainText(bool value)
{
    if (value == FPlainText) return;
    FPlainText = value;
    Changed();
}

void TvyTextStyle::SetTagOpen(char value)
{
    if (value == FTagOpen) return;
    FTagOpen = value;
    Changed();
}

void TvyTextStyle::SetTagClose(char value)
{
    if (value == FTagClose) return;
    FTagClose = value;
    Changed();
}

// A stored character is a string of one; an empty one is the character 0.
void TvyTextStyle::SetTagOpenText(const std::string& value)
{
    SetTagOpen(value.empty() ? '\0' : value[0]);
}

void TvyTextStyle::SetTagCloseText(const std::string& value)
{
    SetTagClose(value.empty() ? '\0' : value[0]);
}

void TvyTextStyle::Assign(const TPersistent& source)
{
    if (auto* other = dynamic_cast<const TvyTextStyle*>(&source)) {
        FPlainText = other->FPlainText;
        FTagOpen = other->FTagOpen;
        FTagClose = other->FTagClose;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TvyTextStyle::Changed()
{
    if (FControl) FControl->Repaint();
}
