// lib/upgrade/vyAttachedLabel.cpp
#include "vyAttachedLabel.h"

#include "Menus.h"

// The framework's label, sized to its text on request.
class TvyAttachedLabel::TLabelControl : public TLabel {
public:
    using TLabel::TLabel;
    void FitText() { AdjustBounds(); }
};

const std::vector<std::string>& AttachedLabelPositionNames()
{
    static const std::vector<std::string> names = {"lpAbove", "lpBelow", "lpLeft", "lpRight"};
    return names;
}

const std::vector<std::string>& AttachedLabelSpacingKindNames()
{
    static const std::vector<std::string> names = {"skNearPoint", "skFarPoint"};
    return names;
}

const TClassInfo& TvyAttachedLabel::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using L = TvyAttachedLabel;
        TClassInfo i{"TvyAttachedLabel", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        auto& p = i.Props;
        p.push_back(StrProp<L>("Caption", &L::Caption, &L::SetCaption));
        p.push_back(IntProp("Color", &L::Color, &L::SetColor, clBtnFace, &ColorIdents()));
        p.back().Stored = [](const TPersistent& o) { return !static_cast<const L&>(o).ParentColor(); };
        p.push_back(IntProp("Cursor", &L::Cursor, &L::SetCursor, crDefault, &CursorIdents()));
        p.push_back(BoolProp("Enabled", &L::Enabled, &L::SetEnabled, true));
        p.push_back(ObjProp("Font", &L::Font));
        p.back().Stored = [](const TPersistent& o) { return !static_cast<const L&>(o).ParentFont(); };
        p.push_back(StrProp<L>("Hint", &L::Hint, &L::SetHint));
        p.push_back(BoolProp("ParentColor", &L::ParentColor, &L::SetParentColor, true));
        p.push_back(BoolProp("ParentFont", &L::ParentFont, &L::SetParentFont, true));
        p.push_back(BoolProp("ParentShowHint", &L::ParentShowHint, &L::SetParentShowHint, true));
        p.push_back(CompProp("PopupMenu", &L::PopupMenu, &L::SetPopupMenu));
        p.push_back(BoolProp("ShowAccelChar", &L::ShowAccelChar, &L::SetShowAccelChar, true));
        p.push_back(BoolProp("ShowHint", &L::ShowHint, &L::SetShowHint, false));
        p.push_back(BoolProp("Transparent", &L::Transparent, &L::SetTransparent, false));
        p.push_back(BoolProp("Visible", &L::Visible, &L::SetVisible, false));
        p.back().Stored = [](const TPersistent&) { return true; };
        p.push_back(BoolProp("WordWrap", &L::WordWrap, &L::SetWordWrap, false));
        p.push_back(EnumProp("Position", &L::Position, &L::SetPosition, AttachedLabelPositionNames(),
                             std::optional(DefaultPosition)));
        p.push_back(IntProp("Spacing", &L::Spacing, &L::SetSpacing, DefaultSpacing));
        p.push_back(EnumProp("SpacingKind", &L::SpacingKind, &L::SetSpacingKind, AttachedLabelSpacingKindNames(),
                             std::optional(DefaultSpacingKind)));
        return i;
    }();
    return info;
}

TvyAttachedLabel::TvyAttachedLabel(TWinControl* control) : FControl(control), FLabel(new TLabelControl(control))
{
    FLabel->SetTag(LabelTag);
    if (control->ClassName() != "TvyLabeledComboBox") FLabel->SetVisible(false);
}

// The label belongs to the control and goes with it.
TvyAttachedLabel::~TvyAttachedLabel() = default;

TLabel* TvyAttachedLabel::Label() const noexcept { return FLabel; }
const std::string& TvyAttachedLabel::Caption() const { return FLabel->Caption(); }
TColor TvyAttachedLabel::Color() const { return FLabel->Color(); }
TCursor TvyAttachedLabel::Cursor() const { return FLabel->Cursor(); }
void TvyAttachedLabel::SetCursor(TCursor v) { FLabel->SetCursor(v); }
bool TvyAttachedLabel::Enabled() const { return FLabel->Enabled(); }
void TvyAttachedLabel::SetEnabled(bool v) { FLabel->SetEnabled(v); }
TFont* TvyAttachedLabel::Font() const { return FLabel->Font(); }
const std::string& TvyAttachedLabel::Hint() const { return FLabel->Hint(); }
void TvyAttachedLabel::SetHint(const std::string& v) { FLabel->SetHint(v); }
bool TvyAttachedLabel::ParentColor() const { return FLabel->ParentColor(); }
void TvyAttachedLabel::SetParentColor(bool v) { FLabel->SetParentColor(v); }
bool TvyAttachedLabel::ParentFont() const { return FLabel->ParentFont(); }
bool TvyAttachedLabel::ParentShowHint() const { return FLabel->ParentShowHint(); }
void TvyAttachedLabel::SetParentShowHint(bool v) { FLabel->SetParentShowHint(v); }
TPopupMenu* TvyAttachedLabel::PopupMenu() const { return FLabel->PopupMenu(); }
void TvyAttachedLabel::SetPopupMenu(TPopupMenu* v) { FLabel->SetPopupMenu(v); }
bool TvyAttachedLabel::ShowAccelChar() const { return FLabel->ShowAccelChar(); }
bool TvyAttachedLabel::ShowHint() const { return FLabel->ShowHint(); }
void TvyAttachedLabel::SetShowHint(bool v) { FLabel->SetShowHint(v); }
bool TvyAttachedLabel::Transparent() const { return FLabel->Transparent(); }
void TvyAttachedLabel::SetTransparent(bool v) { FLabel->SetTransparent(v); }
bool TvyAttachedLabel::Visible() const { return FLabel->Visible(); }
bool TvyAttachedLabel::WordWrap() const { return FLabel->WordWrap(); }

void TvyAttachedLabel::SetColor(TColor v)
{
    FLabel->SetColor(v);
}

// What changes the label's size or place puts it again.
void TvyAttachedLabel::SetCaption(const std::string& v)
{
    FLabel->SetCaption(v);
    UpdatePosition();
}

void TvyAttachedLabel::SetParentFont(bool v)
{
    FLabel->SetParentFont(v);
    UpdatePosition();
}

void TvyAttachedLabel::SetShowAccelChar(bool v)
{
    FLabel->SetShowAccelChar(v);
    UpdatePosition();
}

void TvyAttachedLabel::SetVisible(bool v)
{
    FLabel->SetVisible(v);
    UpdatePosition();
}

void TvyAttachedLabel::SetWordWrap(bool v)
{
    FLabel->SetWordWrap(v);
    UpdatePosition();
}

void TvyAttachedLabel::SetPosition(TvyAttachedLabelPosition v)
{
    if (v == FPosition) return;
    FPosition = v;
    UpdatePosition();
}

void TvyAttachedLabel::SetSpacing(int v)
{
    if (v == FSpacing) return;
    FSpacing = v;
    UpdatePosition();
}

void TvyAttachedLabel::SetSpacingKind(TvyAttachedLabelSpacingKind v)
{
    if (v == FSpacingKind) return;
    FSpacingKind = v;
    UpdatePosition();
}

void TvyAttachedLabel::UpdatePosition()
{
    if (FControl->Loading() || FControl->IsDestroying() || FLabel->IsDestroying()) return;
    FLabel->SetParent(FControl->Parent());
    if (FLabel->Parent() && FLabel->Visible() && (FControl->Visible() || FControl->Designing())) {
        FLabel->FitText();
        const TvyLayoutRect edit{FControl->Left(), FControl->Top(), FControl->Width(), FControl->Height()};
        const TvyLayoutPoint p =
            AttachedLabelOrigin(edit, FLabel->Width(), FLabel->Height(), FPosition, FSpacing, FSpacingKind);
        FLabel->SetBounds(p.X, p.Y, FLabel->Width(), FLabel->Height());
    } else {
        FLabel->SetBounds(0, 0, 0, 0);
    }
}
