// lib/upgrade/vyAttachedLabel.h
// Unit vyAttachedLabel: TvyAttachedLabel, the caption label a control keeps placed beside
// itself (above, below, left or right, at a near-point or far-point spacing).
#pragma once

#include <windows.h>

#include <string>

#include "StdCtrls.h"
#include "vyEditLayout.h"

class TvyAttachedLabel : public TPersistent {
public:
    TG_DECLARE_CLASS()
    // The tag of the label control, so that code walking a form can tell it apart.
    static constexpr int LabelTag = 666;
    static constexpr TvyAttachedLabelPosition DefaultPosition = TvyAttachedLabelPosition::lpLeft;
    static constexpr int DefaultSpacing = 4;
    static constexpr TvyAttachedLabelSpacingKind DefaultSpacingKind = TvyAttachedLabelSpacingKind::skNearPoint;

    // Makes a label owned by control; it starts hidden (except for a labeled combo box).
    explicit TvyAttachedLabel(TWinControl* control);
    ~TvyAttachedLabel() override;

    // The label control itself.
    TLabel* Label() const noexcept;

    const std::string& Caption() const;
    void SetCaption(const std::string& v);
    TColor Color() const;
    void SetColor(TColor v);
    TCursor Cursor() const;
    void SetCursor(TCursor v);
    bool Enabled() const;
    void SetEnabled(bool v);
    TFont* Font() const;
    const std::string& Hint() const;
    void SetHint(const std::string& v);
    bool ParentColor() const;
    void SetParentColor(bool v);
    bool ParentFont() const;
    void SetParentFont(bool v);
    bool ParentShowHint() const;
    void SetParentShowHint(bool v);
    TPopupMenu* PopupMenu() const;
    void SetPopupMenu(TPopupMenu* v);
    bool ShowAccelChar() const;
    void SetShowAccelChar(bool v);
    bool ShowHint() const;
    void SetShowHint(bool v);
    bool Transparent() const;
    void SetTransparent(bool v);
    bool Visible() const;
    void SetVisible(bool v);
    bool WordWrap() const;
    void SetWordWrap(bool v);

    TvyAttachedLabelPosition Position() const noexcept { return FPosition; }
    void SetPosition(TvyAttachedLabelPosition v);
    int Spacing() const noexcept { return FSpacing; }
    void SetSpacing(int v);
    TvyAttachedLabelSpacingKind SpacingKind() const noexcept { return FSpacingKind; }
    void SetSpacingKind(TvyAttachedLabelSpacingKind v);

    // Puts the label on the control's parent beside the control; a hidden label, or one of a
    // hidden control, is shrunk to nothing at 0, 0.
    void UpdatePosition();

private:
    class TLabelControl;
    TWinControl* FControl;
    TLabelControl* FLabel;
    TvyAttachedLabelPosition FPosition = DefaultPosition;
    int FSpacing = DefaultSpacing;
    TvyAttachedLabelSpacingKind FSpacingKind = DefaultSpacingKind;
};

// The enumeration names stored forms use.
const std::vector<std::string>& AttachedLabelPositionNames();
const std::vector<std::string>& AttachedLabelSpacingKindNames();
