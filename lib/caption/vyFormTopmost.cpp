// lib/caption/vyFormTopmost.cpp
//
// The window holds the state; the button only mirrors it. Every change, made here or by
// any other component on the window, arrives as the topmost-changed message, so the
// button and the event follow it in one place.
#include "vyFormTopmost.h"

const TClassInfo& TvyFormTopmost::StaticClassInfo()
{
    using T = TvyFormTopmost;
    static const TClassInfo info = [] {
        TClassInfo i{"TvyFormTopmost", &TvyCustomCaptionButton::StaticClassInfo(), &CreateComponentOf<TvyFormTopmost>, {}, {}};
        auto& p = i.Props;
        p.push_back(AboutProp());
        p.push_back(ObjProp("CaptionButton", &TvyCustomCaptionButton::CaptionButton));
        p.push_back(ObjProp("SystemMenu", &TvyCustomCaptionButton::SystemMenu));
        p.push_back(BoolProp("Topmost", &T::Topmost, &T::SetTopmost, false));
        p.push_back(EventProp("OnTopmostChanged", &T::OnTopmostChanged));
        return i;
    }();
    return info;
}

namespace {
struct TRegisterTopmost {
    TRegisterTopmost() { RegisterComponentClass(TvyFormTopmost::StaticClassInfo()); }
} RegisterTopmost;
} // namespace

TvyFormTopmost::TvyFormTopmost(TComponent* owner) : TvyCustomCaptionButton(owner)
{
    SetAllowPress(true);
    Glyph()->LoadFromResourceName(MainInstance(), "VYCB_TOPMOST_UP");
    GlyphDown()->LoadFromResourceName(MainInstance(), "VYCB_TOPMOST_DOWN");
    SetHint("Always on top");
    TvySystemMenu& menu = *SystemMenu();
    menu.SetCaption("Always on &top");
    // At the end of the menu as it is now.
    HMENU sys = WindowHandle() ? GetSystemMenu() : nullptr;
    menu.SetPosition(sys ? GetMenuItemCount(sys) : 0);
    menu.SetSeparators(MenuSeparatorBit(TvyMenuSeparator::seBefore));
    menu.SetApplyToMenu(true);
    Repaint();
}

void TvyFormTopmost::SetTopmost(bool value)
{
    // No window changes while the form is read: the stored state waits for Loaded.
    if (Loading()) {
        FLoadedTopmost = value;
        return;
    }
    TvyFormHookComponent::SetTopmost(value);
}

void TvyFormTopmost::Loaded()
{
    TvyCustomCaptionButton::Loaded();
    if (FLoadedTopmost) TvyFormHookComponent::SetTopmost(*FLoadedTopmost);
    FLoadedTopmost.reset();
    SetDown(Topmost());
}

void TvyFormTopmost::Click()
{
    TvyCustomCaptionButton::Click();
    TvyFormHookComponent::SetTopmost(Down());
    // A window that refused the change sends no news: the button goes back to what holds.
    SetDown(Topmost());
}

void TvyFormTopmost::AfterMessage(TMessage& m)
{
    TvyCustomCaptionButton::AfterMessage(m);
    if (m.Msg != VY_TOPMOST_CHANGED) return;
    const bool topmost = m.WParam != 0;
    SetDown(topmost);
    OnTopmostChanged(this, topmost);
}
