// framework/StdCtrls.h
// Labels, single-line edits over the system's EDIT control and push buttons over BUTTON.
#pragma once

#include <memory>

#include "Controls.h"

enum class TTextLayout { tlTop, tlCenter, tlBottom };

class TCustomLabel : public TGraphicControl {
public:
    TG_DECLARE_CLASS()
    explicit TCustomLabel(TComponent* owner);

    bool AutoSize() const noexcept { return FAutoSize; }
    void SetAutoSize(bool v);
    bool Transparent() const noexcept { return FTransparent; }
    void SetTransparent(bool v);
    TAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TAlignment v);
    TTextLayout Layout() const noexcept { return FLayout; }
    void SetLayout(TTextLayout v);
    bool WordWrap() const noexcept { return FWordWrap; }
    void SetWordWrap(bool v);
    bool ShowAccelChar() const noexcept { return FShowAccelChar; }
    void SetShowAccelChar(bool v);
    // A wrapped, auto-sized label keeps the width it is given and re-flows its text.
    void SetBounds(int left, int top, int width, int height) override;

protected:
    void Paint() override;
    void AdjustBounds() override;
    // The DrawText flags for the current settings.
    UINT DrawTextFlags() const;
    // Draws the caption into rect with the canvas's font (DT_CALCRECT in flags measures).
    virtual void DoDrawText(RECT& rect, UINT flags);

private:
    bool FAutoSize = true;
    bool FTransparent = false;
    TAlignment FAlignment = TAlignment::taLeftJustify;
    TTextLayout FLayout = TTextLayout::tlTop;
    bool FWordWrap = false;
    bool FShowAccelChar = true;
    bool FAdjusting = false;
};

class TLabel : public TCustomLabel {
public:
    TG_DECLARE_CLASS()
    explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

enum class TBorderStyle { bsNone, bsSingle };

using TKeyPressEvent = TEvent<TObject*, char&>;

// Windows 95 and NT 4 onwards draw controls in the new style (sunken 3-D client edges);
// the old shell draws flat borders.
bool NewStyleControls();

// A text box. The text lives in the window while there is one and is mirrored into
// Caption()/Text() on every change.
class TCustomEdit : public TWinControl {
public:
    TG_DECLARE_CLASS()
    explicit TCustomEdit(TComponent* owner);
    ~TCustomEdit() override;

    const std::string& Text() const noexcept { return Caption(); }
    bool AutoSelect() const noexcept { return FAutoSelect; }
    void SetAutoSelect(bool v) { FAutoSelect = v; }
    TBorderStyle BorderStyle() const noexcept { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle v);
    bool Ctl3D() const noexcept { return FCtl3D; }
    void SetCtl3D(bool v);
    bool HideSelection() const noexcept { return FHideSelection; }
    void SetHideSelection(bool v);
    int MaxLength() const noexcept { return FMaxLength; }
    void SetMaxLength(int v);
    // '\0' shows the text; any other character stands for each typed one.
    char PasswordChar() const noexcept { return FPasswordChar; }
    virtual void SetPasswordChar(char c);
    bool ReadOnly() const noexcept { return FReadOnly; }
    void SetReadOnly(bool v);
    // Tab moves the focus here.
    bool TabStop() const noexcept { return FTabStop; }
    void SetTabStop(bool v);

    void SelectAll();
    int SelStart() const;
    int SelLength() const;
    void SetSelection(int start, int length);

    TNotifyEvent OnChange;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& m) override;
    // A typed character on its way into the edit; setting key to 0 discards it.
    virtual void KeyPress(char& key);
    // Focus arrives (ClickFocus() tells whether a mouse click brought it) or leaves.
    virtual void DoEnter();
    virtual void DoExit();
    virtual void Change();
    // The colour the edit's background is painted in.
    virtual TColor BackgroundColor() const { return Color(); }
    bool ClickFocus() const noexcept { return FClickFocus; }

private:
    void CtlColor(TMessage& m);
    bool FAutoSelect = true;
    TBorderStyle FBorderStyle = TBorderStyle::bsSingle;
    bool FCtl3D = true;
    bool FHideSelection = true;
    int FMaxLength = 0;
    char FPasswordChar = 0;
    bool FReadOnly = false;
    bool FTabStop = true;
    bool FClickFocus = false;
    std::unique_ptr<TBrush> FBrush;
};

class TEdit : public TCustomEdit {
public:
    TG_DECLARE_CLASS()
    explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
};

// A push button. Default: Enter in its dialog presses it; Cancel: Escape does.
class TButton : public TWinControl {
public:
    TG_DECLARE_CLASS()
    explicit TButton(TComponent* owner);

    bool Default() const noexcept { return FDefault; }
    void SetDefault(bool v);
    bool Cancel() const noexcept { return FCancel; }
    void SetCancel(bool v) { FCancel = v; }
    // A click sets the modal result of the form the button is on (0: none).
    int ModalResult() const noexcept { return FModalResult; }
    void SetModalResult(int v) { FModalResult = v; }
    void Click() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& m) override;

private:
    bool FDefault = false;
    bool FCancel = false;
    int FModalResult = 0;
};

// A frame with a caption that groups the controls inside it; it paints itself, so the
// controls without a window of their own show on it too.
class TCustomGroupBox : public TCustomControl {
public:
    TG_DECLARE_CLASS()
    explicit TCustomGroupBox(TComponent* owner);

protected:
    using TCustomControl::Paint;
    void Paint() override;
    void TextChanged() override { Invalidate(); }
};

class TGroupBox : public TCustomGroupBox {
public:
    TG_DECLARE_CLASS()
    explicit TGroupBox(TComponent* owner) : TCustomGroupBox(owner) {}
};
