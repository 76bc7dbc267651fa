// framework/Menus.h
// Menus: a tree of TMenuItem components under a TMenu, mirrored into a system menu handle
// built on first use and kept in step with every change of the items. TPopupMenu shows
// the tree as a context menu and clicks the chosen item.
#pragma once

#include <windows.h>

#include "Classes.h"

#include <string>
#include <vector>

// A keyboard short-cut as stored in form descriptions: the virtual key in the low byte,
// modifier flags above it. 0 is "none".
using TShortCut = unsigned short;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
inline constexpr TShortCut scNone = 0;

constexpr TShortCut MakeShortCut(WORD key, TShortCut modifiers)
{
    return static_cast<TShortCut>((key & 0xFF) | (modifiers & (scShift | scCtrl | scAlt)));
}

// "Ctrl+S", "Shift+Del", "Alt+F4"; empty for no short-cut or a key without a name.
std::string ShortCutToText(TShortCut shortCut);

class TMenu;

class TMenuItem : public TComponent {
public:
    TG_DECLARE_CLASS()

    // Defaults, used by the constructor and by the form writer alike.
    static constexpr bool DefaultChecked = false;
    static constexpr bool DefaultEnabled = true;
    static constexpr bool DefaultDefault = false;
    static constexpr bool DefaultVisible = true;
    static constexpr int DefaultImageIndex = -1;

    explicit TMenuItem(TComponent* owner);
    // Sub-items go with their parent, wherever they are owned.
    ~TMenuItem() override;

    // "&" marks the access key; "-" makes the item a separator.
    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& value);
    bool IsSeparator() const noexcept { return FCaption == "-"; }
    bool Checked() const noexcept { return FChecked; }
    void SetChecked(bool value);
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool value);
    // The item shown in bold and chosen by a double click on the menu's owner. At most one
    // per sub-menu: setting it clears the siblings'.
    bool Default() const noexcept { return FDefault; }
    void SetDefault(bool value);
    bool Visible() const noexcept { return FVisible; }
    void SetVisible(bool value);
    TShortCut ShortCut() const noexcept { return FShortCut; }
    void SetShortCut(TShortCut value);
    const std::string& Hint() const noexcept { return FHint; }
    void SetHint(const std::string& value);
    int ImageIndex() const noexcept { return FImageIndex; }
    void SetImageIndex(int value);
    int Tag() const noexcept { return FTag; }
    void SetTag(int value);

    TNotifyEvent OnClick;
    // Fires OnClick when the item is enabled. Used for chosen items and by program code.
    virtual void Click();

    // The caption as the system menu shows it: the short-cut right-aligned after a tab.
    std::string DisplayText() const;

    // The sub-items.
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int index) const;
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    // Takes the item out without destroying it.
    void Remove(TMenuItem* item);
    void Delete(int index);
    // Destroys every sub-item.
    void Clear();
    int IndexOf(const TMenuItem* item) const;
    TMenuItem* Parent() const noexcept { return FParent; }
    int MenuIndex() const;

    // The command id the system menu reports in WM_COMMAND; unique in the process.
    WORD Command() const noexcept { return FCommand; }
    // This item or one below it with the command; null if none.
    TMenuItem* Find(WORD command);
    // The sub-menu handle of an item with sub-items while its menu's handle exists.
    HMENU Handle() const noexcept { return FHandle; }
    // The menu whose tree this item is in; null when it hangs in no menu.
    TMenu* GetParentMenu() const;

    // Nesting in stored forms: an item lives inside its menu or its parent item.
    TComponent* GetParentComponent() const override;
    bool HasParent() const override { return true; }
    void SetParentComponent(TComponent* parent) override;
    void GetChildren(std::vector<TComponent*>& out, TComponent* root) const override;

private:
    friend class TMenu;

    // Tells the menu that the item's part of the system menu must be built again.
    void StructureChanged();
    // Position among the parent's shown items: the by-position index of the system menu.
    int ShownIndex() const;
    // The parent's live system menu, or null when nothing is built for this item.
    HMENU LiveParentHandle() const;
    void AppendTo(HMENU menu);
    void BuildItems();
    void ApplyDefault();
    void ClearHandles();
    void NotifyMenuUpdated();

    std::string FCaption;
    bool FChecked = DefaultChecked;
    bool FEnabled = DefaultEnabled;
    bool FDefault = DefaultDefault;
    bool FVisible = DefaultVisible;
    TShortCut FShortCut = scNone;
    std::string FHint;
    int FImageIndex = DefaultImageIndex;
    int FTag = 0;

    WORD FCommand;
    HMENU FHandle = nullptr;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr; // set on a menu's root item only
    std::vector<TMenuItem*> FItems;
};

class TMenu : public TComponent {
public:
    TG_DECLARE_CLASS()

    explicit TMenu(TComponent* owner);
    ~TMenu() override;

    // The root item; its sub-items are the menu's entries. Owned by the menu.
    TMenuItem* Items() const noexcept { return FItems; }
    // The system menu, built on first use and kept in step with the items afterwards.
    HMENU Handle();
    bool HandleAllocated() const noexcept { return FHandle != nullptr; }

    TMenuItem* FindItem(WORD command) const;
    // Routes a WM_COMMAND from the system menu: clicks the item with the command. An
    // exception from the click goes to HandleException. True when an item had the command.
    bool DispatchCommand(WORD command);
    // Clicks the shown, enabled item with the short-cut. True when there was one.
    bool IsShortCut(TShortCut shortCut);

    void GetChildren(std::vector<TComponent*>& out, TComponent* root) const override;
    void Loaded() override;

protected:
    // Makes the empty system menu: a menu bar here, a popup menu in TPopupMenu.
    virtual HMENU CreateMenuHandle();
    // After the system menu changed; a menu bar redraws its window here.
    virtual void MenuChanged() {}

private:
    friend class TMenuItem;
    void RebuildHandle();

    TMenuItem* FItems;
    HMENU FHandle = nullptr;
    bool FRebuildPending = false;
};

class TPopupMenu : public TMenu {
public:
    TG_DECLARE_CLASS()

    static constexpr bool DefaultAutoPopup = true;

    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    // Whether a control shows the menu by itself on a right click.
    bool AutoPopup() const noexcept { return FAutoPopup; }
    void SetAutoPopup(bool value);
    // The component the menu was last shown for; the one showing it sets it.
    TComponent* PopupComponent() const noexcept { return FPopupComponent; }
    void SetPopupComponent(TComponent* value);
    // Where the menu was last shown, in screen coordinates.
    POINT PopupPoint() const noexcept { return FPopupPoint; }

    // Fired just before the menu shows: the last moment to change its items.
    TNotifyEvent OnPopup;

    // Shows the menu at the screen point and returns when it closes. The chosen item's
    // click comes afterwards, from the message loop (see Menus.cpp).
    virtual void Popup(int x, int y);

    // The hidden window every popup menu is tracked for: it receives the chosen command.
    // Made on first use and kept for the life of the process.
    static HWND PopupWindow();

protected:
    HMENU CreateMenuHandle() override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual void DoPopup();

private:
    bool FAutoPopup = DefaultAutoPopup;
    TComponent* FPopupComponent = nullptr;
    POINT FPopupPoint{0, 0};
};
