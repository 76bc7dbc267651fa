// lib/window/vyFormSystemMenu.h
// Unit vyFormSystemMenu: edits its form's system menu. Each standard command stays, is
// hidden or is greyed, the matching title-bar boxes and sizing frame follow, and the
// component's own items (designed like any pop-up menu's) are inserted and answered.
#pragma once

#include <memory>
#include <string>

#include "Menus.h"
#include "vyClasses.h"

enum class TvySystemMenuItemState { isActive, isHidden, isDisabled };

class TvyFormSystemMenu;

// One state per standard command; every change rebuilds the menu.
class TvyFormSystemMenuItems : public TPersistent {
public:
    TG_DECLARE_CLASS()
    using S = TvySystemMenuItemState;
    explicit TvyFormSystemMenuItems(TvyFormSystemMenu& menu) : FMenu(menu) {}

    S Restore() const noexcept { return FRestore; }
    void SetRestore(S v) { Change(FRestore, v); }
    S Move() const noexcept { return FMove; }
    void SetMove(S v) { Change(FMove, v); }
    S Size() const noexcept { return FSize; }
    void SetSize(S v) { Change(FSize, v); }
    S Minimize() const noexcept { return FMinimize; }
    void SetMinimize(S v) { Change(FMinimize, v); }
    S Maximize() const noexcept { return FMaximize; }
    void SetMaximize(S v) { Change(FMaximize, v); }
    // The first separator: only hiding it has an effect.
    S Separator() const noexcept { return FSeparator; }
    void SetSeparator(S v) { Change(FSeparator, v); }
    S Close() const noexcept { return FClose; }
    void SetClose(S v) { Change(FClose, v); }
    S MDINext() const noexcept { return FMDINext; }
    void SetMDINext(S v) { Change(FMDINext, v); }

private:
    void Change(S& field, S value);
    TvyFormSystemMenu& FMenu;
    S FRestore = S::isActive, FMove = S::isActive, FSize = S::isActive, FMinimize = S::isActive,
      FMaximize = S::isActive, FSeparator = S::isActive, FClose = S::isActive, FMDINext = S::isActive;
};

// Rebuilds the menu just before the system shows it and answers the own items' commands.
class TvyFormSystemMenuHook : public TvyFormHookComponent {
public:
    TG_DECLARE_CLASS()
    TvyFormSystemMenuHook(TvyFormSystemMenu* menu, TCustomForm* form);
    void BeforeMessage(TMessage& m, bool& handled) override;
    // A re-created window comes with the default menu and styles: edited again.
    void RestoreState() override;

private:
    TvyFormSystemMenu* FMenu;
};

class TvyFormSystemMenu : public TPopupMenu {
public:
    TG_DECLARE_CLASS()
    static constexpr bool DefaultActive = true;
    static constexpr int DefaultInsertPosition = 0;

    // The owner must be a form.
    explicit TvyFormSystemMenu(TComponent* owner);
    ~TvyFormSystemMenu() override;

    // A design-time credit line: published, never stored, no effect at run time.
    const std::string& About() const noexcept { return FAbout; }
    void SetAbout(const std::string&) {}
    bool Active() const noexcept { return FActive; }
    void SetActive(bool v);
    int InsertPosition() const noexcept { return FInsertPosition; }
    void SetInsertPosition(int v);
    TvyFormSystemMenuItems* SysItems() const noexcept { return FSysItems.get(); }
    TCustomForm* Form() const noexcept { return FForm; }

    // Inserts the visible top-level items at InsertPosition + their index.
    virtual void InsertOwnItems();
    // Lets the system recompute and repaint the form's frame after a style change.
    virtual void RefreshFrame();
    // Gives the form its default system menu for its border style back.
    virtual void Reset();
    // Rebuilds the system menu from the default and asks the title-bar buttons for their
    // entries again.
    virtual void Apply();

    void Loaded() override;

private:
    friend class TvyFormSystemMenuHook;
    // Sets the form's style; refreshes the frame when it changed.
    void SetStyle(LONG style);
    // Takes every sub-menu out of the system menu, so that the system's reset, which
    // destroys the menu it replaces, or the window's end leaves them to their owners.
    void DetachSubMenus();
    HMENU SystemMenu() const;

    std::string FAbout;
    TCustomForm* FForm = nullptr;
    TvyFormSystemMenuHook* FHook = nullptr;
    bool FActive = DefaultActive;
    int FInsertPosition = DefaultInsertPosition;
    std::unique_ptr<TvyFormSystemMenuItems> FSysItems;
};
