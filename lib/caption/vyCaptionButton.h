// lib/caption/vyCaptionButton.h
// Unit vyCaptionButton: extra buttons painted in a form's title bar, left of the system's
// own, each with an optional entry in the window's system menu.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "Graphics.h"
#include "Menus.h"
#include "vyClasses.h"

enum class TvyCaptionButtonStyle { cbsAuto, cbsWin9x, cbsWinXP };
enum class TvyCaptionButtonXPStyleColor { xpcBlue, xpcGreen, xpcRed, xpcYellow, xpcBrown };
enum class TvyMenuSeparator { seBefore, seAfter };
using TvyMenuSeparators = unsigned; // bit i = TvyMenuSeparator i
constexpr TvyMenuSeparators MenuSeparatorBit(TvyMenuSeparator s) { return 1u << static_cast<unsigned>(s); }
using TvyBtnOrder = int;              // -1 .. 32767

class TvyCustomCaptionButton;

// The settings of one button as a published sub-object (`CaptionButton`).
class TvyACaptionButton : public TPersistent {
public:
    TG_DECLARE_CLASS()
    explicit TvyACaptionButton(TvyCustomCaptionButton& button) : FButton(button) {}
    TvyCustomCaptionButton& Button() const noexcept { return FButton; }

private:
    TvyCustomCaptionButton& FButton;
};

// The button's entry in the window's system menu (`SystemMenu`).
class TvySystemMenu : public TPersistent {
public:
    TG_DECLARE_CLASS()
    explicit TvySystemMenu(TvyCustomCaptionButton& button) : FButton(button) {}
    ~TvySystemMenu() override;

    bool ApplyToMenu() const noexcept { return FApplyToMenu; }
    void SetApplyToMenu(bool v);
    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& v);
    int Position() const noexcept { return FPosition; }
    void SetPosition(int v);
    TvyMenuSeparators Separators() const noexcept { return FSeparators; }
    void SetSeparators(TvyMenuSeparators v);
    bool Inserted() const noexcept { return FInserted; }

    void InsertEntry();
    void RemoveEntry();
    void RecreateEntry();
    void CheckEntry(bool state);

private:
    template <class T>
    void Change(T& field, const T& value);
    TvyCustomCaptionButton& FButton;
    bool FApplyToMenu = false;
    std::string FCaption;
    int FPosition = 0; // a Word
    TvyMenuSeparators FSeparators = 0;
    bool FInserted = false;
};

// The buttons of one window, in BtnOrder order.
class TvyRealButtonsList {
public:
    HWND Window = nullptr;
    std::vector<TvyCustomCaptionButton*> Items;
    int IndexOf(const TvyCustomCaptionButton* b) const;
};

// Every window's button list; one per process.
class TvyVirtualBtnList {
public:
    static TvyVirtualBtnList& Instance();
    static void Free();
    TvyRealButtonsList* ListFor(HWND window);
    TvyRealButtonsList& Acquire(HWND window);
    void Release(TvyRealButtonsList* list);
    int Count() const noexcept { return static_cast<int>(FLists.size()); }

private:
    std::vector<std::unique_ptr<TvyRealButtonsList>> FLists;
};

class TvyCustomCaptionButton : public TvyHFormHookComponentWatchCaption {
public:
    TG_DECLARE_CLASS()
    explicit TvyCustomCaptionButton(TComponent* owner);
    ~TvyCustomCaptionButton() override;

    bool AllowPress() const noexcept { return FAllowPress; }
    void SetAllowPress(bool v);
    TvyBtnOrder BtnOrder() const;
    void SetBtnOrder(TvyBtnOrder v);
    TCursor Cursor() const noexcept { return FCursor; }
    void SetCursor(TCursor v) { FCursor = v; }
    TCursor CursorDown() const noexcept { return FCursorDown; }
    void SetCursorDown(TCursor v) { FCursorDown = v; }
    bool Down() const noexcept { return FDown; }
    void SetDown(bool v);
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool v);
    TBitmap* Glyph() const noexcept { return FGlyph.get(); }
    void SetGlyph(TBitmap* v);
    TBitmap* GlyphDown() const noexcept { return FGlyphDown.get(); }
    void SetGlyphDown(TBitmap* v);
    bool GlyphTransparent() const noexcept { return FGlyphTransparent; }
    void SetGlyphTransparent(bool v);
    bool GlyphUseBtnTextColor() const noexcept { return FGlyphUseBtnTextColor; }
    void SetGlyphUseBtnTextColor(bool v);
    const std::string& Hint() const noexcept { return FHint; }
    void SetHint(const std::string& v);
    TPopupMenu* PopupMenu() const noexcept { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* v);
    int SeparatorWidth() const noexcept { return FSeparatorWidth; }
    void SetSeparatorWidth(int v);
    bool ShowHint() const noexcept { return FShowHint; }
    void SetShowHint(bool v);
    TFont* SignFont() const noexcept { return FSignFont.get(); }
    int SignLeft() const noexcept { return FSignLeft; }
    void SetSignLeft(int v);
    int SignTop() const noexcept { return FSignTop; }
    void SetSignTop(int v);
    std::string Sign() const { return std::string(1, FSign); }
    void SetSign(const std::string& v);
    TvyCaptionButtonStyle Style() const noexcept { return FStyle; }
    void SetStyle(TvyCaptionButtonStyle v);
    TvySystemMenu* SystemMenu() const noexcept { return FSystemMenu.get(); }
    bool Visible() const noexcept { return FVisible; }
    void SetVisible(bool v);
    TvyCaptionButtonXPStyleColor XPStyleColor() const noexcept { return FXPStyleColor; }
    void SetXPStyleColor(TvyCaptionButtonXPStyleColor v);
    TvyACaptionButton* CaptionButton() const noexcept { return FView.get(); }

    TNotifyEvent OnButtonClick;
    TNotifyEvent OnMenuClick;
    TNotifyEvent OnClick;
    TNotifyEvent OnPressed;
    TNotifyEvent OnReleased;

    // The command identifier: system-menu command, menu item id and hit-test code.
    UINT Identifier() const noexcept { return FIdentifier; }
    int Offset() const noexcept { return FOffset; }
    RECT ButtonRect() const noexcept { return FRect; }
    bool DrawnPressed() const noexcept { return FDrawnPressed; }
    bool Captured() const noexcept { return FCaptured; }

    virtual void BeforeButtonClick();
    virtual void ButtonClick();
    virtual void BeforeMenuClick();
    virtual void MenuClick();
    virtual void Click();
    virtual void Pressed();
    virtual void Released();
    // Whether the system-menu entry carries a check mark when it is (re-)inserted: the
    // button's Down, unless a descendant shows a state of its own there.
    virtual bool MenuChecked() const { return FDown; }

    void PaintButton(bool pressed);
    void Repaint();
    void Realign(bool redraw);
    void AddHintTool();
    void RemoveHintTool();
    void UpdateHintTool();
    // Hides the window's hint now, and one about to come up.
    void HideHint(HWND window);

    void BeforeMessage(TMessage& m, bool& handled) override;
    void AfterMessage(TMessage& m) override;
    void RestoreState() override;

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void CaptionChanged() override;
    bool IsToolWindow() const;

private:
    friend class TvySystemMenu;
    void SignFontChanged();
    bool XPLook() const;
    int CaptionHeight() const;

    bool FAllowPress = false;
    TCursor FCursor = 0;
    TCursor FCursorDown = 0;
    bool FDown = false;
    bool FEnabled = true;
    std::unique_ptr<TBitmap> FGlyph;
    std::unique_ptr<TBitmap> FGlyphDown;
    bool FGlyphTransparent = true;
    bool FGlyphUseBtnTextColor = true;
    std::string FHint;
    TPopupMenu* FPopupMenu = nullptr;
    int FSeparatorWidth = 0;
    bool FShowHint = true;
    std::unique_ptr<TFont> FSignFont;
    bool FAdjustingSignFont = false;
    int FSignLeft = 0;
    int FSignTop = 0;
    char FSign = 'A';
    TvyCaptionButtonStyle FStyle = TvyCaptionButtonStyle::cbsAuto;
    std::unique_ptr<TvySystemMenu> FSystemMenu;
    bool FVisible = true;
    TvyCaptionButtonXPStyleColor FXPStyleColor = TvyCaptionButtonXPStyleColor::xpcBlue;
    std::unique_ptr<TvyACaptionButton> FView;

    UINT FIdentifier = 0;
    TvyBtnOrder FStoredOrder = -1;
    int FOffset = 0;
    RECT FRect{0, 0, 0, 0};
    bool FDrawnPressed = false;
    bool FCaptured = false;
    bool FPopupPending = false;
    bool FToolRegistered = false;
    UINT FToolId = 0;
    TvyRealButtonsList* FList = nullptr;
};

// The free-standing title-bar button.
class TvyCaptionButton : public TvyCustomCaptionButton {
public:
    TG_DECLARE_CLASS()
    explicit TvyCaptionButton(TComponent* owner) : TvyCustomCaptionButton(owner) {}
};

// The properties of a button, for the tables of the classes that publish them.
std::vector<TPropInfo> CaptionButtonProps();

// The unit's shared tooltip control (nullptr when it could not be made).
HWND CaptionButtonToolTip();
// The XP face bitmap of a colour (nullptr when missing).
HBITMAP CaptionButtonXPFace(TvyCaptionButtonXPStyleColor color);
// The next command identifier a new button will get.
UINT NextCaptionButtonIdentifier();
