// framework/Menus.cpp
#include "Menus.h"

#include <algorithm>
#include <bitset>

#include "WinUtils.h"

namespace {

// --- command ids -----------------------------------------------------------------------

// Ids start above the dialog-box ids (IDOK .. IDHELP), which a window can receive in a
// WM_COMMAND without a control handle, just like a menu command.
constexpr unsigned FirstCommand = 0x100;

// A plain bit set: trivially destructible, so items destroyed late at exit still find it.
std::bitset<0x10000> CommandsInUse;
unsigned LastCommand = FirstCommand - 1;

WORD AllocateCommand()
{
    for (unsigned n = FirstCommand; n <= 0xFFFF; ++n) {
        LastCommand = LastCommand >= 0xFFFF ? FirstCommand : LastCommand + 1;
        if (!CommandsInUse[LastCommand]) {
            CommandsInUse[LastCommand] = true;
            return static_cast<WORD>(LastCommand);
        }
    }
    throw EOutOfResources("Too many menu items");
}

void ReleaseCommand(WORD command)
{
    CommandsInUse[command] = false;
}

// --- short-cut names -------------------------------------------------------------------

std::string KeyName(WORD key)
{
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, static_cast<char>(key));
    if (key >= VK_F1 && key <= VK_F24) return "F" + IntToStr(key - VK_F1 + 1);
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) return "Num " + IntToStr(key - VK_NUMPAD0);
    switch (key) {
    case VK_BACK: return "BkSp";
    case VK_TAB: return "Tab";
    case VK_RETURN: return "Enter";
    case VK_ESCAPE: return "Esc";
    case VK_SPACE: return "Space";
    case VK_PRIOR: return "PgUp";
    case VK_NEXT: return "PgDn";
    case VK_END: return "End";
    case VK_HOME: return "Home";
    case VK_LEFT: return "Left";
    case VK_UP: return "Up";
    case VK_RIGHT: return "Right";
    case VK_DOWN: return "Down";
    case VK_INSERT: return "Ins";
    case VK_DELETE: return "Del";
    case VK_MULTIPLY: return "Num *";
    case VK_ADD: return "Num +";
    case VK_SUBTRACT: return "Num -";
    case VK_DECIMAL: return "Num .";
    case VK_DIVIDE: return "Num /";
    default: break;
    }
    // Punctuation keys differ between keyboard layouts: ask the system for their names.
    UINT scan = MapVirtualKeyA(key, 0);
    if (scan == 0) return {};
    char name[64] = {};
    if (GetKeyNameTextA(static_cast<LONG>(scan << 16), name, sizeof name) <= 0) return {};
    return name;
}

// --- the popup list --------------------------------------------------------------------

// Every popup menu of the process, and the hidden window they are all tracked for. The
// window stays until the process ends: a click handler may destroy the last popup menu
// while the window's own procedure is running.
class TPopupList {
public:
    void Add(TPopupMenu* menu) { FMenus.push_back(menu); }
    void Remove(TPopupMenu* menu) { FMenus.erase(std::remove(FMenus.begin(), FMenus.end(), menu), FMenus.end()); }

    HWND Window()
    {
        if (!FWindow) FWindow = AllocateHWnd([this](TMessage& m) { WndProc(m); });
        return FWindow;
    }

private:
    void WndProc(TMessage& m)
    {
        if (m.Msg == WM_COMMAND && HIWORD(m.WParam) == 0 && m.LParam == 0) {
            const WORD command = LOWORD(m.WParam);
            // The click may destroy menus: stop at the first that knew the command.
            for (size_t i = 0; i < FMenus.size(); ++i)
                if (FMenus[i]->DispatchCommand(command)) break;
            m.Result = 0;
            return;
        }
        if (m.Msg == WM_ENTERMENULOOP) ModalLoopEntered();
        if (m.Msg == WM_EXITMENULOOP) ModalLoopLeft();
        m.Result = DefWindowProcA(FWindow, m.Msg, m.WParam, m.LParam);
    }

    std::vector<TPopupMenu*> FMenus;
    HWND FWindow = nullptr;
};

// Never destroyed, for the reason above.
TPopupList& PopupList()
{
    static TPopupList* list = new TPopupList;
    return *list;
}

[[maybe_unused]] const bool Registered = [] {
    RegisterComponentClass(TMenuItem::StaticClassInfo());
    RegisterComponentClass(TPopupMenu::StaticClassInfo());
    return true;
}();

} // namespace

std::string ShortCutToText(TShortCut shortCut)
{
    std::string key = KeyName(static_cast<WORD>(shortCut & 0xFF));
    if (key.empty()) return {};
    std::string text;
    if (shortCut & scShift) text += "Shift+";
    if (shortCut & scCtrl) text += "Ctrl+";
    if (shortCut & scAlt) text += "Alt+";
    return text + key;
}

// --- TMenuItem -------------------------------------------------------------------------

const TClassInfo& TMenuItem::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TMenuItem", &TComponent::StaticClassInfo(), &CreateComponentOf<TMenuItem>, {}, {}};
        i.Props.push_back(StrProp<TMenuItem>("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption));
        i.Props.push_back(BoolProp("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked, DefaultChecked));
        i.Props.push_back(BoolProp("Default", &TMenuItem::Default, &TMenuItem::SetDefault, DefaultDefault));
        i.Props.push_back(BoolProp("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled, DefaultEnabled));
        i.Props.push_back(StrProp<TMenuItem>("Hint", &TMenuItem::Hint, &TMenuItem::SetHint));
        i.Props.push_back(IntProp("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex,
                                                  DefaultImageIndex));
        i.Props.push_back(IntProp("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut, scNone));
        i.Props.push_back(IntProp("Tag", &TMenuItem::Tag, &TMenuItem::SetTag, 0));
        i.Props.push_back(BoolProp("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible, DefaultVisible));
        i.Props.push_back(EventProp<TMenuItem>("OnClick", &TMenuItem::OnClick));
        return i;
    }();
    return info;
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), FCommand(AllocateCommand()) {}

TMenuItem::~TMenuItem()
{
    // Marked first, so the sub-items leaving below do not rebuild the menu one by one.
    Destroying();
    while (!FItems.empty()) delete FItems.back();
    if (FParent) FParent->Remove(this);
    ReleaseCommand(FCommand);
}

void TMenuItem::SetCaption(const std::string& value)
{
    if (value == FCaption) return;
    FCaption = value;
    StructureChanged();
}

void TMenuItem::SetChecked(bool value)
{
    if (value == FChecked) return;
    FChecked = value;
    if (HMENU parent = LiveParentHandle(); parent && !IsSeparator()) {
        CheckMenuItem(parent, static_cast<UINT>(ShownIndex()), MF_BYPOSITION | (FChecked ? MF_CHECKED : MF_UNCHECKED));
        NotifyMenuUpdated();
    }
}

void TMenuItem::SetEnabled(bool value)
{
    if (value == FEnabled) return;
    FEnabled = value;
    if (HMENU parent = LiveParentHandle(); parent && !IsSeparator()) {
        EnableMenuItem(parent, static_cast<UINT>(ShownIndex()), MF_BYPOSITION | (FEnabled ? MF_ENABLED : MF_GRAYED));
        NotifyMenuUpdated();
    }
}

void TMenuItem::SetDefault(bool value)
{
    if (value == FDefault) return;
    if (value && FParent)
        for (TMenuItem* sibling : FParent->FItems) sibling->FDefault = false;
    FDefault = value;
    if (FParent && FParent->FHandle) {
        FParent->ApplyDefault();
        NotifyMenuUpdated();
    }
}

void TMenuItem::SetVisible(bool value)
{
    if (value == FVisible) return;
    FVisible = value;
    StructureChanged();
}

void TMenuItem::SetShortCut(TShortCut value)
{
    if (value == FShortCut) return;
    FShortCut = value;
    StructureChanged();
}

void TMenuItem::SetHint(const std::string& value)
{
    FHint = value;
}

void TMenuItem::SetImageIndex(int value)
{
    FImageIndex = value;
}

void TMenuItem::SetTag(int value)
{
    FTag = value;
}

void TMenuItem::Click()
{
    if (FEnabled) OnClick(this);
}

std::string TMenuItem::DisplayText() const
{
    std::string key = ShortCutToText(FShortCut);
    return key.empty() ? FCaption : FCaption + "\t" + key;
}

TMenuItem* TMenuItem::Items(int index) const
{
    if (index < 0 || index >= Count()) throw EInvalidOperation("Menu index out of range (" + IntToStr(index) + ")");
    return FItems[static_cast<size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item)
{
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item)
{
    if (!item) throw EInvalidOperation("Cannot insert a null menu item");
    if (item->FParent) throw EInvalidOperation("Menu item inserted twice");
    if (item->FMenu) throw EInvalidOperation("A menu's root item cannot be inserted");
    for (const TMenuItem* p = this; p; p = p->FParent)
        if (p == item) throw EInvalidOperation("A menu item cannot be inserted into itself");
    if (index < 0 || index > Count()) throw EInvalidOperation("Menu index out of range (" + IntToStr(index) + ")");
    FItems.insert(FItems.begin() + index, item);
    item->FParent = this;
    // Only one default per sub-menu: the newcomer yields to a default already there.
    if (item->FDefault)
        for (const TMenuItem* sibling : FItems)
            if (sibling != item && sibling->FDefault) item->FDefault = false;
    StructureChanged();
}

void TMenuItem::Remove(TMenuItem* item)
{
    auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it == FItems.end()) throw EInvalidOperation("Sub-menu is not in menu");
    FItems.erase(it);
    item->FParent = nullptr;
    // Its sub-menu handles went with the system menu it was in.
    item->ClearHandles();
    if (!IsDestroying()) StructureChanged();
}

void TMenuItem::Delete(int index)
{
    Remove(Items(index));
}

void TMenuItem::Clear()
{
    while (!FItems.empty()) delete FItems.back();
}

int TMenuItem::IndexOf(const TMenuItem* item) const
{
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

int TMenuItem::MenuIndex() const
{
    return FParent ? FParent->IndexOf(this) : -1;
}

TMenuItem* TMenuItem::Find(WORD command)
{
    if (FCommand == command && !FMenu) return this;
    for (TMenuItem* item : FItems)
        if (TMenuItem* found = item->Find(command)) return found;
    return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const
{
    const TMenuItem* item = this;
    while (item->FParent) item = item->FParent;
    return item->FMenu;
}

TComponent* TMenuItem::GetParentComponent() const
{
    if (FParent && FParent->FMenu) return FParent->FMenu;
    return FParent;
}

void TMenuItem::SetParentComponent(TComponent* parent)
{
    if (parent == GetParentComponent() && parent) return;
    if (FParent) FParent->Remove(this);
    if (!parent) return;
    if (auto* menu = dynamic_cast<TMenu*>(parent))
        menu->Items()->Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(parent))
        item->Add(this);
    else
        throw EInvalidOperation("A menu item can only be placed in a menu or a menu item, not in a " + parent->ClassName());
}

void TMenuItem::GetChildren(std::vector<TComponent*>& out, TComponent* root) const
{
    // Only what the stored form owns is stored with it; the reader makes items its own.
    for (TMenuItem* item : FItems)
        if (item->Owner() == root) out.push_back(item);
}

void TMenuItem::StructureChanged()
{
    if (TMenu* menu = GetParentMenu()) menu->RebuildHandle();
}

int TMenuItem::ShownIndex() const
{
    if (!FParent || !FVisible) return -1;
    int index = 0;
    for (const TMenuItem* sibling : FParent->FItems) {
        if (sibling == this) return index;
        if (sibling->FVisible) ++index;
    }
    return -1;
}

HMENU TMenuItem::LiveParentHandle() const
{
    if (!FParent || !FVisible) return nullptr;
    return FParent->FHandle;
}

void TMenuItem::AppendTo(HMENU menu)
{
    if (!FVisible) return;
    if (IsSeparator()) {
        if (!AppendMenuA(menu, MF_SEPARATOR, 0, nullptr)) throw EOutOfResources("Out of system resources");
        return;
    }
    UINT flags = MF_STRING | (FChecked ? MF_CHECKED : MF_UNCHECKED) | (FEnabled ? MF_ENABLED : MF_GRAYED);
    UINT_PTR id = FCommand;
    if (!FItems.empty()) {
        FHandle = CreatePopupMenu();
        if (!FHandle) throw EOutOfResources("Out of system resources");
        try {
            BuildItems();
        } catch (...) {
            DestroyMenu(FHandle);
            ClearHandles();
            throw;
        }
        flags |= MF_POPUP;
        id = reinterpret_cast<UINT_PTR>(FHandle);
    }
    const std::string text = DisplayText();
    if (!AppendMenuA(menu, flags, id, text.c_str())) {
        if (FHandle) DestroyMenu(FHandle);
        ClearHandles();
        throw EOutOfResources("Out of system resources");
    }
}

void TMenuItem::BuildItems()
{
    for (TMenuItem* item : FItems) item->AppendTo(FHandle);
    ApplyDefault();
}

void TMenuItem::ApplyDefault()
{
    UINT position = static_cast<UINT>(-1); // no default
    for (const TMenuItem* item : FItems)
        if (item->FDefault && item->FVisible && !item->IsSeparator()) position = static_cast<UINT>(item->ShownIndex());
    SetMenuDefaultItem(FHandle, position, TRUE);
}

void TMenuItem::ClearHandles()
{
    if (!FMenu) FHandle = nullptr;
    for (TMenuItem* item : FItems) item->ClearHandles();
}

void TMenuItem::NotifyMenuUpdated()
{
    if (TMenu* menu = GetParentMenu()) menu->MenuChanged();
}

// --- TMenu -----------------------------------------------------------------------------

const TClassInfo& TMenu::StaticClassInfo()
{
    static const TClassInfo info{"TMenu", &TComponent::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

TMenu::TMenu(TComponent* owner) : TComponent(owner), FItems(new TMenuItem(this))
{
    FItems->FMenu = this;
}

TMenu::~TMenu()
{
    // Marked first, so the items leaving below do not rebuild the menu one by one.
    Destroying();
    delete FItems;
    FItems = nullptr;
    if (FHandle) DestroyMenu(FHandle);
}

HMENU TMenu::Handle()
{
    if (!FHandle) {
        HMENU handle = CreateMenuHandle();
        if (!handle) throw EOutOfResources("Out of system resources");
        FHandle = handle;
        FItems->FHandle = handle;
        try {
            FItems->BuildItems();
        } catch (...) {
            FItems->ClearHandles();
            FItems->FHandle = nullptr;
            FHandle = nullptr;
            DestroyMenu(handle);
            throw;
        }
        FRebuildPending = false;
    }
    return FHandle;
}

HMENU TMenu::CreateMenuHandle()
{
    return CreateMenu();
}

void TMenu::RebuildHandle()
{
    if (!FHandle || IsDestroying()) return;
    if (Loading()) {
        FRebuildPending = true;
        return;
    }
    FRebuildPending = false;
    // The handle itself stays: a window may show it as its menu bar. DeleteMenu destroys
    // the sub-menus with the entries.
    FItems->ClearHandles();
    // Last first, once each: an entry the system refuses to delete must not hold us here.
    for (int i = GetMenuItemCount(FHandle) - 1; i >= 0; --i) DeleteMenu(FHandle, static_cast<UINT>(i), MF_BYPOSITION);
    FItems->FHandle = FHandle;
    FItems->BuildItems();
    MenuChanged();
}

void TMenu::Loaded()
{
    TComponent::Loaded();
    if (FRebuildPending) RebuildHandle();
}

TMenuItem* TMenu::FindItem(WORD command) const
{
    return FItems ? FItems->Find(command) : nullptr;
}

bool TMenu::DispatchCommand(WORD command)
{
    TMenuItem* item = FindItem(command);
    if (!item) return false;
    // Called from window procedures: nothing may unwind into the system's dispatch.
    try {
        item->Click();
    } catch (...) {
        HandleException(item);
    }
    return true;
}

namespace {

TMenuItem* FindShortCut(TMenuItem* parent, TShortCut shortCut)
{
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        if (!item->Visible() || !item->Enabled()) continue;
        if (item->ShortCut() == shortCut && !item->IsSeparator()) return item;
        if (TMenuItem* found = FindShortCut(item, shortCut)) return found;
    }
    return nullptr;
}

} // namespace

bool TMenu::IsShortCut(TShortCut shortCut)
{
    if (shortCut == scNone) return false;
    TMenuItem* item = FindShortCut(FItems, shortCut);
    if (!item) return false;
    // Called from key handling inside window procedures and hooks, as DispatchCommand is.
    try {
        item->Click();
    } catch (...) {
        HandleException(item);
    }
    return true;
}

void TMenu::GetChildren(std::vector<TComponent*>& out, TComponent* root) const
{
    FItems->GetChildren(out, root);
}

// --- TPopupMenu ------------------------------------------------------------------------

const TClassInfo& TPopupMenu::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TPopupMenu", &TMenu::StaticClassInfo(), &CreateComponentOf<TPopupMenu>, {}, {}};
        i.Props.push_back(BoolProp("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup,
                                               DefaultAutoPopup));
        i.Props.push_back(EventProp<TPopupMenu>("OnPopup", &TPopupMenu::OnPopup));
        return i;
    }();
    return info;
}

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner)
{
    PopupList().Add(this);
}

TPopupMenu::~TPopupMenu()
{
    PopupList().Remove(this);
    SetPopupComponent(nullptr);
}

void TPopupMenu::SetAutoPopup(bool value)
{
    FAutoPopup = value;
}

void TPopupMenu::SetPopupComponent(TComponent* value)
{
    if (value == FPopupComponent) return;
    if (FPopupComponent) FPopupComponent->RemoveFreeNotification(this);
    FPopupComponent = value;
    if (FPopupComponent) FPopupComponent->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation)
{
    TMenu::Notification(component, operation);
    if (operation == TOperation::Remove && component == FPopupComponent) FPopupComponent = nullptr;
}

HMENU TPopupMenu::CreateMenuHandle()
{
    return CreatePopupMenu();
}

void TPopupMenu::DoPopup()
{
    OnPopup(this);
}

HWND TPopupMenu::PopupWindow()
{
    return PopupList().Window();
}

void TPopupMenu::Popup(int x, int y)
{
    FPopupPoint = POINT{x, y};
    DoPopup();
    // No TPM_RETURNCMD: the system posts the chosen command to the popup window, and the
    // click runs from the message loop like every other command, after the menu's own
    // modal loop has ended. A caller that makes a window foreground first and posts
    // WM_NULL afterwards (the notification-area quirk) only adds messages to that loop.
    TrackPopupMenu(Handle(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, PopupWindow(), nullptr);
}
