// lib/upgrade/vyEdit.h
// Unit vyEdit: TvyEdit, a single-line text box with an optional button inside its right edge
// (stock glyphs for common uses), an attached caption label and per-character filtering.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "Buttons.h"
#include "ExtCtrls.h"
#include "StdCtrls.h"
#include "vyAttachedLabel.h"
#include "vyEditLayout.h"

enum class TvyEditButtonKind { bkCustom, bkEllipsis, bkDropDown, bkFileOpen, bkFileSave, bkBrowse, bkCalc };

class TvyCustomEdit;

// The settings of the edit's button, fronting the speed button inside the edit.
class TvyEditButton : public TPersistent {
public:
    TG_DECLARE_CLASS()
    static constexpr int DefaultWidth = 20;

    explicit TvyEditButton(TvyCustomEdit* edit);

    TCursor Cursor() const;
    void SetCursor(TCursor v);
    // Assigning a glyph makes the button a custom one.
    TBitmap* Glyph() const;
    void SetGlyph(TBitmap* v);
    // A stock kind loads its glyph from the program's bitmaps; bkCustom clears the glyph.
    TvyEditButtonKind Kind() const noexcept { return FKind; }
    void SetKind(TvyEditButtonKind v);
    int NumGlyphs() const;
    void SetNumGlyphs(int v);
    const std::string& Hint() const;
    void SetHint(const std::string& v);
    int Width() const;
    void SetWidth(int v);
    bool Visible() const noexcept { return FVisible; }
    void SetVisible(bool v);

private:
    TvyCustomEdit* FEdit;
    TvyEditButtonKind FKind = TvyEditButtonKind::bkCustom;
    bool FVisible = false;
};

class TvyCustomEdit : public TCustomEdit {
public:
    TG_DECLARE_CLASS()
    static constexpr int DefaultHeight = 21;
    static constexpr int PanelHeight = 17;
    static constexpr TColor DefaultColorDisabled = clBtnFace;

    explicit TvyCustomEdit(TComponent* owner);
    ~TvyCustomEdit() override;

    const std::string& About() const noexcept { return FAbout; }
    void SetAbout(const std::string&) {}
    TAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TAlignment v);
    TvyAttachedLabel* AttachedLabel() const noexcept { return FAttachedLabel.get(); }
    TvyEditButton* Button() const noexcept { return FButton.get(); }
    TColor ColorDisabled() const noexcept { return FColorDisabled; }
    void SetColorDisabled(TColor v);
    TCursor CursorBorder() const noexcept { return FCursorBorder; }
    void SetCursorBorder(TCursor v) { FCursorBorder = v; }
    const std::string& ValidChars() const noexcept { return FValidChars; }
    void SetValidChars(const std::string& v) { FValidChars = v; }
    bool ValidateChars() const noexcept { return FValidateChars; }
    void SetValidateChars(bool v) { FValidateChars = v; }

    // The host panel and its speed button (tests, and the button settings object).
    TPanel* ButtonPanel() const noexcept { return FPanel; }
    TSpeedButton* SpeedButton() const noexcept { return FSpeedButton; }

    void SetBounds(int left, int top, int width, int height) override;
    void SetParent(TWinControl* parent) override;
    void SetVisible(bool v) override;
    void SetEnabled(bool v) override;

    // Places the button panel and narrows the text rectangle so that text stops short of it.
    void UpdateButtonLayout();

    TNotifyEvent OnButtonClick;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& m) override;
    void Loaded() override;
    void KeyPress(char& key) override;
    void DoEnter() override;
    void DoExit() override;
    TColor BackgroundColor() const override { return Enabled() ? Color() : FColorDisabled; }

private:
    void WMSize(TMessage& m);
    bool WMSetCursor(TMessage& m);
    int MinHeight();

    std::string FAbout;
    TAlignment FAlignment = TAlignment::taLeftJustify;
    TColor FColorDisabled = DefaultColorDisabled;
    TCursor FCursorBorder = crDefault;
    std::string FValidChars;
    bool FValidateChars = false;
    std::unique_ptr<TvyAttachedLabel> FAttachedLabel;
    TPanel* FPanel = nullptr;
    TSpeedButton* FSpeedButton = nullptr;
    std::unique_ptr<TvyEditButton> FButton;
};

class TvyEdit : public TvyCustomEdit {
public:
    TG_DECLARE_CLASS()
    explicit TvyEdit(TComponent* owner) : TvyCustomEdit(owner) {}
};

// The bitmap resource of a stock button kind; nullptr for bkCustom.
const char* EditButtonGlyphName(TvyEditButtonKind kind);
// The enumeration names stored forms use.
const std::vector<std::string>& EditButtonKindNames();
