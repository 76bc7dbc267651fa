// lib/window/vyFormSystemMenu.cpp
//
// Every apply starts again from the system's default menu for the form's border style, so
// the result never depends on what earlier applies (or Windows itself) did to the menu.
// The title-bar buttons' entries are lost with that reset; the form is asked to put them
// back at the end of every apply.
#include "vyFormSystemMenu.h"

#include <utility>

#include "SysUtils.h"

namespace {

const std::vector<std::string> StateNames = {"isActive", "isHidden", "isDisabled"};

// MENUITEMINFO as Windows 95 knows it (without the item bitmap of later versions).
constexpr UINT MenuItemInfoSize = 44;

bool IsForm(TComponent* owner)
{
    return dynamic_cast<TCustomForm*>(owner) != nullptr;
}

} // namespace

// --- TvyFormSystemMenuItems ------------------------------------------------------------

const TClassInfo& TvyFormSystemMenuItems::StaticClassInfo()
{
    using T = TvyFormSystemMenuItems;
    static const TClassInfo info = [] {
        TClassInfo i{"TvyFormSystemMenuItems", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        auto& p = i.Props;
        const auto def = std::optional(S::isActive);
        p.push_back(EnumProp("Restore", &T::Restore, &T::SetRestore, StateNames, def));
        p.push_back(EnumProp("Move", &T::Move, &T::SetMove, StateNames, def));
        p.push_back(EnumProp("Size", &T::Size, &T::SetSize, StateNames, def));
        p.push_back(EnumProp("Minimize", &T::Minimize, &T::SetMinimize, StateNames, def));
        p.push_back(EnumProp("Maximize", &T::Maximize, &T::SetMaximize, StateNames, def));
        p.push_back(EnumProp("Separator", &T::Separator, &T::SetSeparator, StateNames, def));
        p.push_back(EnumProp("Close", &T::Close, &T::SetClose, StateNames, def));
        p.push_back(EnumProp("MDINext", &T::MDINext, &T::SetMDINext, StateNames, def));
        return i;
    }();
    return info;
}

void TvyFormSystemMenuItems::Change(S& field, S value)
{
    if (field == value) return;
    field = value;
    FMenu.Apply();
}

// --- TvyFormSystemMenuHook -------------------------------------------------------------

const TClassInfo& TvyFormSystemMenuHook::StaticClassInfo()
{
    static const TClassInfo info{"TvyFormSystemMenuHook", &TvyFormHookComponent::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

TvyFormSystemMenuHook::TvyFormSystemMenuHook(TvyFormSystemMenu* menu, TCustomForm* form)
    : TvyFormHookComponent(menu, form), FMenu(menu)
{
}

void TvyFormSystemMenuHook::BeforeMessage(TMessage& m, bool& handled)
{
    TvyFormHookComponent::BeforeMessage(m, handled);
    // The window's menu goes with the window (one re-created by the framework too): the
    // sub-menus in it are not the window's to take along.
    if (m.Msg == WM_DESTROY) FMenu->DetachSubMenus();
    // Without own items the menu only changes with the properties.
    TMenuItem* items = FMenu->Items();
    if (items->Count() == 0) return;
    switch (m.Msg) {
    case WM_NCLBUTTONDOWN:
        if (m.WParam == HTSYSMENU) FMenu->Apply();
        break;
    case WM_NCRBUTTONDOWN:
        if (m.WParam == HTSYSMENU || m.WParam == HTCAPTION) FMenu->Apply();
        break;
    case WM_SYSCOMMAND:
        // The low four bits of a system command are the system's own.
        if ((m.WParam & 0xFFF0) == SC_KEYMENU) {
            FMenu->Apply();
            break;
        }
        for (int i = 0; i < items->Count(); ++i) {
            TMenuItem* item = items->Items(i);
            if (item->Command() == m.WParam) item->OnClick(FMenu->Form());
        }
        break;
    default: break;
    }
}

void TvyFormSystemMenuHook::RestoreState()
{
    TvyFormHookComponent::RestoreState();
    FMenu->Apply();
}

// --- TvyFormSystemMenu -----------------------------------------------------------------

const TClassInfo& TvyFormSystemMenu::StaticClassInfo()
{
    using T = TvyFormSystemMenu;
    static const TClassInfo info = [] {
        TClassInfo i{"TvyFormSystemMenu", &TPopupMenu::StaticClassInfo(), &CreateComponentOf<T>, {}, {}};
        auto& p = i.Props;
        TPropInfo about = StrProp<T>("About", &T::About, &T::SetAbout);
        about.Stored = [](const TPersistent&) { return false; };
        p.push_back(about);
        p.push_back(BoolProp("Active", &T::Active, &T::SetActive, DefaultActive));
        p.push_back(IntProp("InsertPosition", &T::InsertPosition, &T::SetInsertPosition, DefaultInsertPosition));
        p.push_back(ObjProp("SysItems", &T::SysItems));
        return i;
    }();
    return info;
}

namespace {
struct TRegisterFormSystemMenu {
    TRegisterFormSystemMenu() { RegisterComponentClass(TvyFormSystemMenu::StaticClassInfo()); }
} RegisterFormSystemMenu;
} // namespace

TvyFormSystemMenu::TvyFormSystemMenu(TComponent* owner) : TPopupMenu(owner)
{
    if (!IsForm(owner)) throw EInvalidOperation("Owner must be a Form!");
    FForm = static_cast<TCustomForm*>(owner);
    FHook = new TvyFormSystemMenuHook(this, FForm);
    FSysItems = std::make_unique<TvyFormSystemMenuItems>(*this);
}

TvyFormSystemMenu::~TvyFormSystemMenu()
{
    if (Designing()) Reset();
    // The window's menu goes with the window: it must not take the items' sub-menus along.
    DetachSubMenus();
    FSysItems.reset();
    if (FHook) FHook->Free();
    FHook = nullptr;
}

void TvyFormSystemMenu::SetActive(bool v)
{
    if (v == FActive) return;
    FActive = v;
    Apply();
}

void TvyFormSystemMenu::SetInsertPosition(int v)
{
    v = v < 0 ? 0 : v > 0xFFFF ? 0xFFFF : v;
    if (v == FInsertPosition) return;
    FInsertPosition = v;
    Apply();
}

void TvyFormSystemMenu::Loaded()
{
    TPopupMenu::Loaded();
    Apply();
}

HMENU TvyFormSystemMenu::SystemMenu() const
{
    return FHook ? FHook->GetSystemMenu() : nullptr;
}

void TvyFormSystemMenu::RefreshFrame()
{
    if (FHook) FHook->RedrawFrame();
}

void TvyFormSystemMenu::SetStyle(LONG style)
{
    HWND window = FHook ? FHook->WindowHandle() : nullptr;
    if (!window || style == GetWindowLongA(window, GWL_STYLE)) return;
    SetWindowLongA(window, GWL_STYLE, style);
    RefreshFrame();
}

void TvyFormSystemMenu::DetachSubMenus()
{
    HWND window = FHook ? FHook->WindowHandle() : nullptr;
    if (!window || !IsWindow(window)) return;
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) return;
    // The system's own menu has none: every sub-menu there is a component's (an own item's,
    // or a title-bar button's drop-down menu).
    for (int pos = GetMenuItemCount(menu) - 1; pos >= 0; --pos)
        if (GetSubMenu(menu, pos)) RemoveMenu(menu, static_cast<UINT>(pos), MF_BYPOSITION);
}

void TvyFormSystemMenu::Reset()
{
    if (!FForm || FForm->IsDestroying() || !FHook || !FHook->WindowHandle()) return;
    HWND window = FHook->WindowHandle();
    LONG style = GetWindowLongA(window, GWL_STYLE);
    DetachSubMenus();
    ::GetSystemMenu(window, TRUE);
    HMENU menu = SystemMenu();
    const TFormBorderStyle border = FForm->BorderStyle();
    const bool single = border == TFormBorderStyle::bsSingle;
    const bool dialog = border == TFormBorderStyle::bsDialog || border == TFormBorderStyle::bsToolWindow;
    const bool small = dialog || border == TFormBorderStyle::bsSizeToolWin;
    if (single) EnableMenuItem(menu, SC_SIZE, MF_BYCOMMAND | MF_ENABLED);
    if (dialog) DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    if ((single || dialog) && !FActive && !Designing()) style &= ~WS_THICKFRAME;
    if (small) {
        for (UINT command : {UINT(SC_RESTORE), UINT(SC_MINIMIZE), UINT(SC_MAXIMIZE), 0u}) DeleteMenu(menu, command, MF_BYCOMMAND);
        if (!FActive) style &= ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    }
    SetStyle(style);
}

void TvyFormSystemMenu::InsertOwnItems()
{
    HMENU menu = SystemMenu();
    if (!menu) return;
    // The items' sub-menus exist once the menu's own handle does.
    Handle();
    for (int i = 0; i < Items()->Count(); ++i) {
        TMenuItem* item = Items()->Items(i);
        if (!item->Visible()) continue;
        const bool hasSubItems = item->Count() > 0;
        const std::string text = hasSubItems ? item->Caption() : item->DisplayText();
        MENUITEMINFOA mii{};
        mii.cbSize = MenuItemInfoSize;
        mii.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_TYPE | MIIM_DATA;
        mii.fType = item->IsSeparator() ? MFT_SEPARATOR : MFT_STRING;
        mii.fState = (item->Checked() ? MFS_CHECKED : 0u) | (item->Enabled() ? 0u : MFS_GRAYED) |
                     (item->Default() ? MFS_DEFAULT : 0u);
        mii.wID = item->Command();
        mii.hSubMenu = hasSubItems ? item->Handle() : nullptr;
        if (!item->IsSeparator()) {
            mii.dwTypeData = const_cast<char*>(text.c_str());
            mii.cch = static_cast<UINT>(text.size());
        }
        InsertMenuItemA(menu, static_cast<UINT>(FInsertPosition + i), TRUE, &mii);
    }
}

void TvyFormSystemMenu::Apply()
{
    // Values read from a stored form take effect once it is complete.
    if (Loading() || !FHook || !FHook->WindowHandle()) return;
    Reset();
    if (FActive) {
        HMENU menu = SystemMenu();
        using S = TvySystemMenuItemState;
        const std::pair<S, UINT> commands[] = {
            {FSysItems->Restore(), SC_RESTORE},   {FSysItems->Move(), SC_MOVE},
            {FSysItems->Size(), SC_SIZE},         {FSysItems->Minimize(), SC_MINIMIZE},
            {FSysItems->Maximize(), SC_MAXIMIZE}, {FSysItems->Close(), SC_CLOSE},
            {FSysItems->MDINext(), SC_NEXTWINDOW},
        };
        for (const auto& [state, command] : commands) {
            if (state == S::isDisabled) EnableMenuItem(menu, command, MF_BYCOMMAND | MF_GRAYED);
            if (state == S::isHidden) DeleteMenu(menu, command, MF_BYCOMMAND);
        }
        if (FSysItems->Separator() == S::isHidden) DeleteMenu(menu, 0, MF_BYCOMMAND);

        LONG style = GetWindowLongA(FHook->WindowHandle(), GWL_STYLE);
        auto follow = [&style](S state, LONG bit) { style = state == S::isActive ? (style | bit) : (style & ~bit); };
        follow(FSysItems->Minimize(), WS_MINIMIZEBOX);
        follow(FSysItems->Maximize(), WS_MAXIMIZEBOX);
        if (!Designing() && FForm->BorderStyle() != TFormBorderStyle::bsSingle) follow(FSysItems->Size(), WS_THICKFRAME);
        SetStyle(style);
        InsertOwnItems();
    }
    SendMessageA(FHook->WindowHandle(), VY_REINSERT_SYSMENU, 0, 0);
}
