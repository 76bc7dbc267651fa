// lib/classes/vyClasses.h
// Unit vyClasses: the library's shared routines and the component base classes that chain
// themselves into their window's message stream through the process-wide hook list.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Classes.h"
#include "Controls.h"
#include "Forms.h"
#include "vyClassesUtils.h"

// Private messages of the library, fixed numbers.
constexpr UINT VY_REATTACH_HOOKS = 1325;      // to the hook list's window: re-attach (LPARAM the old handle)
constexpr UINT VY_CAPTION_CHANGED = 14937;    // to a caption watcher's window: the owner's caption changed
constexpr UINT VY_REINSERT_SYSMENU = 14944;   // to a form: re-insert the caption buttons' system-menu entries
constexpr UINT VY_TOPMOST_CHANGED = 14946;    // to a hooked window: always-on-top changed (WPARAM new state)
constexpr UINT VY_TRAY_CALLBACK = 14948;      // the tray icon's callback (LPARAM the mouse message)

// The base of every library component.
class TvyComponent : public TComponent {
public:
    TG_DECLARE_CLASS()
    explicit TvyComponent(TComponent* owner);

    // A design-time credit line: published, never stored, no effect at run time.
    const std::string& About() const noexcept { return FAbout; }
    void SetAbout(const std::string&) {}

    TControl* Host() const noexcept { return FHost; }
    virtual void SetHost(TControl* host);
    virtual TCustomForm* OwnerForm() const;
    virtual void ChangeHost(TControl* host);

protected:
    TControl* FHost = nullptr;

private:
    std::string FAbout;
};

// The About property every library component publishes (never stored).
TPropInfo AboutProp();

class TvyHookList;
class TvyFormHookComponent;

// One link of a window's chain of hooks. The hook list owns it, so it outlives every
// dispatch running through it: a component freed from inside its own message leaves its
// link behind as a plain pass-through until that dispatch has returned.
struct TvyHookLink {
    enum class TKind { Form, App };
    TKind Kind = TKind::Form;
    HWND Window = nullptr;
    WNDPROC Own = nullptr;                   // this link's entry point
    WNDPROC Prev = nullptr;                  // the next older link's, or the window's own procedure
    TvyFormHookComponent* Client = nullptr;  // null once the component has let go
    int Depth = 0;                           // dispatches running through this link
};

// A component that subclasses its host window through the hook list: its BeforeMessage
// sees a message before the window does, its AfterMessage after. It may also hook the
// application window (AppBeforeMessage, AppAfterMessage) by the same rules.
class TvyFormHookComponent : public TvyComponent {
public:
    TG_DECLARE_CLASS()
    // The owner must be a windowed control; it is hooked at once.
    explicit TvyFormHookComponent(TComponent* owner);
    // Hooks `hookTo` instead of the owner, without checking the owner.
    TvyFormHookComponent(TComponent* owner, TWinControl* hookTo);
    ~TvyFormHookComponent() override;

    void SetHost(TControl* host) override;
    virtual void BeforeMessage(TMessage& m, bool& handled);
    virtual void AfterMessage(TMessage& m);
    virtual void AppBeforeMessage(TMessage& m, bool& handled);
    virtual void AppAfterMessage(TMessage& m);
    // Called after the window was re-created and the component hooked to the new one.
    virtual void RestoreState();
    virtual HMENU GetSystemMenu();

    void RedrawFrame();
    LONG WindowStyle() const;
    LONG WindowExStyle() const;
    bool Topmost() const;
    void SetTopmost(bool value);
    HWND WindowHandle() const noexcept { return FWindow; }
    bool Hooked() const noexcept { return FLink != nullptr; }
    bool AppHooked() const noexcept { return FAppLink != nullptr; }

protected:
    // Chains the component into the application window's procedure (newest first).
    void HookApp();
    void UnhookApp();

private:
    friend class TvyHookList;
    void Hook();
    void Unhook();
    void LinkBefore(const TvyHookLink& link, TMessage& m, bool& handled);
    void LinkAfter(const TvyHookLink& link, TMessage& m);
    // Another component changed the window's always-on-top state: take it as it is now.
    void SettleTopmost(bool told);
    bool FStoredTopmost = false;
    HWND FWindow = nullptr;
    TvyHookLink* FLink = nullptr;
    TvyHookLink* FAppLink = nullptr;
};

// Adds a hidden utility window of its own, to defer work out of a message.
class TvyHFormHookComponent : public TvyFormHookComponent {
public:
    TG_DECLARE_CLASS()
    explicit TvyHFormHookComponent(TComponent* owner);
    TvyHFormHookComponent(TComponent* owner, TWinControl* hookTo);
    ~TvyHFormHookComponent() override;
    // Made on first use: most components never need theirs before the window is shown, and
    // each window made at start delays the program's first picture.
    HWND UtilityWindow() const;

protected:
    virtual void UtilityWndProc(TMessage& m);

private:
    void DispatchUtility(TMessage& m);
    mutable HWND FUtilityWindow = nullptr;
};

// Learns of changes of the owner form's caption, after the message that revealed them.
class TvyHFormHookComponentWatchCaption : public TvyHFormHookComponent {
public:
    TG_DECLARE_CLASS()
    explicit TvyHFormHookComponentWatchCaption(TComponent* owner);
    void AfterMessage(TMessage& m) override;

protected:
    void UtilityWndProc(TMessage& m) override;
    virtual void CaptionChanged() = 0;

private:
    std::string FCaption;
};

// Also hooks the application window, from its creation on.
class TvyAppHookComponent : public TvyHFormHookComponent {
public:
    TG_DECLARE_CLASS()
    explicit TvyAppHookComponent(TComponent* owner);
    ~TvyAppHookComponent() override;
};

// The rich label's markup switches: whether tags are read at all, and the characters that
// open and close one. The control that owns it repaints at once when one changes.
class TvyTextStyle : public TPersistent {
public:
    TG_DECLARE_CLASS()
    static constexpr bool DefaultPlainText = false;
    static constexpr char DefaultTagOpen = '[';
    static constexpr char DefaultTagClose = ']';

    explicit TvyTextStyle(TControl* control) : FControl(control) {}
    TControl* Control() const noexcept { return FControl; }

    bool PlainText() const noexcept { return FPlainText; }
    void SetPlainText(bool value);
    char TagOpen() const noexcept { return FTagOpen; }
    void SetTagOpen(char value);
    char TagClose() const noexcept { return FTagClose; }
    void SetTagClose(char value);
    void Assign(const TPersistent& source) override;

    // The characters as stored forms hold them: a one-character string.
    std::string TagOpenText() const { return std::string(1, FTagOpen); }
    void SetTagOpenText(const std::string& value);
    std::string TagCloseText() const { return std::string(1, FTagClose); }
    void SetTagCloseText(const std::string& value);

private:
    void Changed();
    TControl* FControl;
    bool FPlainText = DefaultPlainText;
    char FTagOpen = DefaultTagOpen;
    char FTagClose = DefaultTagClose;
};

// The one process-wide list of hook components, in creation order, and the links of every
// hooked window's chain. It exists while at least one component or link exists.
class TvyHookList {
public:
    static TvyHookList* Instance() noexcept { return FInstance; }
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    TvyFormHookComponent* Items(int i) const { return FItems.at(static_cast<size_t>(i)); }
    bool Contains(const TvyFormHookComponent* c) const;
    // Its utility window, made when first needed: only re-created windows post to it.
    HWND Handle();

    // The procedure a window had before any link was chained into it.
    WNDPROC BaseProc(HWND window) const;

private:
    friend class TvyFormHookComponent;
    TvyHookList();
    ~TvyHookList();
    static TvyHookList& Acquire();
    static void ReleaseIfEmpty();
    void Add(TvyFormHookComponent* c) { FItems.push_back(c); }
    void Remove(TvyFormHookComponent* c);
    // Chains a new link for c into window, as the newest.
    TvyHookLink* Link(TvyFormHookComponent* c, HWND window, TvyHookLink::TKind kind);
    // The component lets go of its link: dropped at once, or when its dispatch returns.
    void Unlink(TvyHookLink* link);
    void Drop(TvyHookLink* link);
    // Links the window's links in creation order, starting from base.
    void Rechain(HWND window, WNDPROC base);
    static void Dispatch(TvyHookLink* link, TMessage& m);
    void WndProc(TMessage& m);
    void Reattach(HWND oldWindow);

    static TvyHookList* FInstance;
    std::vector<TvyFormHookComponent*> FItems;
    std::vector<TvyHookLink*> FLinks;
    HWND FWindow = nullptr;
};
