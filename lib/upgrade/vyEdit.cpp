// lib/upgrade/vyEdit.cpp
#include "vyEdit.h"

#include "Forms.h"

namespace {
[[maybe_unused]] const bool gRegistered = (RegisterComponentClass(TvyEdit::StaticClassInfo()), true);

const std::vector<std::string> AlignmentNames = {"taLeftJustify", "taRightJustify", "taCenter"};

// The height of a font's letters (tmHeight).
int FontTextHeight(HFONT font)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tm.tmHeight;
}
} // namespace

const char* EditButtonGlyphName(TvyEditButtonKind kind)
{
    switch (kind) {
    case TvyEditButtonKind::bkCustom: return nullptr;
    case TvyEditButtonKind::bkEllipsis: return "VY_ELLIPSIS";
    case TvyEditButtonKind::bkDropDown: return "VY_DROPDOWN";
    case TvyEditButtonKind::bkFileOpen: return "VY_FILEOPEN";
    case TvyEditButtonKind::bkFileSave: return "VY_FILESAVE";
    case TvyEditButtonKind::bkBrowse: return "VY_BROWSE";
    case TvyEditButtonKind::bkCalc: return "VY_CALC";
    }
    return nullptr;
}

const std::vector<std::string>& EditButtonKindNames()
{
    static const std::vector<std::string> names = {"bkCustom", "bkEllipsis", "bkDropDown", "bkFileOpen",
                                                   "bkFileSave", "bkBrowse", "bkCalc"};
    return names;
}

// --- TvyEditButton -----------------------------------------------------------------------

const TClassInfo& TvyEditButton::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using B = TvyEditButton;
        TClassInfo i{"TvyEditButton", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        auto& p = i.Props;
        p.push_back(IntProp("Cursor", &B::Cursor, &B::SetCursor, crDefault, &CursorIdents()));
        p.push_back(ObjProp("Glyph", &B::Glyph));
        p.back().Stored = [](const TPersistent& o) { return static_cast<const B&>(o).Kind() == TvyEditButtonKind::bkCustom; };
        p.push_back(EnumProp("Kind", &B::Kind, &B::SetKind, EditButtonKindNames(), std::optional(TvyEditButtonKind::bkCustom)));
        p.push_back(IntProp("NumGlyphs", &B::NumGlyphs, &B::SetNumGlyphs, 1));
        p.push_back(StrProp<B>("Hint", &B::Hint, &B::SetHint));
        p.push_back(IntProp("Width", &B::Width, &B::SetWidth, DefaultWidth));
        p.push_back(BoolProp("Visible", &B::Visible, &B::SetVisible, false));
        return i;
    }();
    return info;
}

TvyEditButton::TvyEditButton(TvyCustomEdit* edit) : FEdit(edit) {}

TCursor TvyEditButton::Cursor() const { return FEdit->SpeedButton()->Cursor(); }
void TvyEditButton::SetCursor(TCursor v) { FEdit->SpeedButton()->SetCursor(v); }
TBitmap* TvyEditButton::Glyph() const { return FEdit->SpeedButton()->Glyph(); }
int TvyEditButton::NumGlyphs() const { return FEdit->SpeedButton()->NumGlyphs(); }
void TvyEditButton::SetNumGlyphs(int v) { FEdit->SpeedButton()->SetNumGlyphs(v); }
const std::string& TvyEditButton::Hint() const { return FEdit->SpeedButton()->Hint(); }
int TvyEditButton::Width() const { return FEdit->SpeedButton()->Width(); }

void TvyEditButton::SetGlyph(TBitmap* v)
{
    FEdit->SpeedButton()->SetGlyph(v);
    FKind = TvyEditButtonKind::bkCustom;
}

void TvyEditButton::SetKind(TvyEditButtonKind v)
{
    if (v == FKind) return;
    FKind = v;
    TBitmap* glyph = FEdit->SpeedButton()->Glyph();
    const char* name = EditButtonGlyphName(v);
    glyph->SetHandle(name ? LoadBitmapA(MainInstance(), name) : nullptr);
}

void TvyEditButton::SetHint(const std::string& v)
{
    TSpeedButton* b = FEdit->SpeedButton();
    b->SetHint(v);
    b->SetShowHint(!v.empty());
}

void TvyEditButton::SetWidth(int v)
{
    // The property is a Word.
    v = v < 0 ? 0 : v > 0xFFFF ? 0xFFFF : v;
    if (v == Width()) return;
    TSpeedButton* b = FEdit->SpeedButton();
    b->SetBounds(b->Left(), b->Top(), v, b->Height());
    if (FEdit->HandleAllocated())
        FEdit->RecreateWnd();
    else
        FEdit->UpdateButtonLayout();
}

void TvyEditButton::SetVisible(bool v)
{
    if (v == FVisible) return;
    FVisible = v;
    FEdit->UpdateButtonLayout();
}

// --- TvyCustomEdit -----------------------------------------------------------------------

const TClassInfo& TvyCustomEdit::StaticClassInfo()
{
    static const TClassInfo info{"TvyCustomEdit", &TCustomEdit::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

const TClassInfo& TvyEdit::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using E = TvyCustomEdit;
        TClassInfo i{"TvyEdit", &TvyCustomEdit::StaticClassInfo(), &CreateComponentOf<TvyEdit>, {}, {}};
        auto& p = i.Props;
        TPropInfo about = StrProp<E>("About", &E::About, &E::SetAbout);
        about.Stored = [](const TPersistent&) { return false; };
        p.push_back(std::move(about));
        p.push_back(EnumProp("Alignment", &E::Alignment, &E::SetAlignment, AlignmentNames, std::optional(TAlignment::taLeftJustify)));
        p.push_back(ObjProp("AttachedLabel", &E::AttachedLabel));
        p.push_back(ObjProp("Button", &E::Button));
        p.push_back(IntProp("ColorDisabled", &E::ColorDisabled, &E::SetColorDisabled, DefaultColorDisabled, &ColorIdents()));
        p.push_back(IntProp("CursorBorder", &E::CursorBorder, &E::SetCursorBorder, crDefault, &CursorIdents()));
        p.push_back(StrProp<E>("ValidChars", &E::ValidChars, &E::SetValidChars));
        p.push_back(BoolProp("ValidateChars", &E::ValidateChars, &E::SetValidateChars, false));
        p.push_back(EventProp("OnButtonClick", &E::OnButtonClick));
        p.push_back(EventProp("OnMouseEnter", &E::OnMouseEnter));
        p.push_back(EventProp("OnMouseLeave", &E::OnMouseLeave));
        return i;
    }();
    return info;
}

TvyCustomEdit::TvyCustomEdit(TComponent* owner) : TCustomEdit(owner)
{
    FAttachedLabel = std::make_unique<TvyAttachedLabel>(this);
    // The button lives on a panel inside the edit's window, so the edit's own painting
    // leaves it alone (WS_CLIPCHILDREN).
    FPanel = new TPanel(this);
    FPanel->SetBevelOuter(TPanelBevel::bvNone);
    FPanel->SetColor(clBtnFace);
    FPanel->SetVisible(false);
    FPanel->SetBounds(0, 0, 0, PanelHeight);
    FPanel->SetParent(this);
    FSpeedButton = new TSpeedButton(this);
    FSpeedButton->SetBounds(0, 0, TvyEditButton::DefaultWidth, PanelHeight);
    FSpeedButton->SetParent(FPanel);
    FSpeedButton->OnClick = [this](TObject*) { OnButtonClick(this); };
    FButton = std::make_unique<TvyEditButton>(this);
    SetHeight(DefaultHeight);
}

TvyCustomEdit::~TvyCustomEdit()
{
    // Placing the label or the button must not run once destruction has begun.
    Destroying();
}

void TvyCustomEdit::SetAlignment(TAlignment v)
{
    if (v == FAlignment) return;
    FAlignment = v;
    RecreateWnd();
}

void TvyCustomEdit::SetColorDisabled(TColor v)
{
    if (v == FColorDisabled) return;
    FColorDisabled = v;
    if (!Enabled()) Invalidate();
}

void TvyCustomEdit::SetBounds(int left, int top, int width, int height)
{
    TCustomEdit::SetBounds(left, top, width, height);
    if (FAttachedLabel) FAttachedLabel->UpdatePosition();
}

void TvyCustomEdit::SetParent(TWinControl* parent)
{
    TCustomEdit::SetParent(parent);
    if (FAttachedLabel) FAttachedLabel->UpdatePosition();
}

void TvyCustomEdit::SetVisible(bool v)
{
    TCustomEdit::SetVisible(v);
    if (FAttachedLabel) FAttachedLabel->UpdatePosition();
}

void TvyCustomEdit::SetEnabled(bool v)
{
    TCustomEdit::SetEnabled(v);
    if (FSpeedButton) FSpeedButton->SetEnabled(v);
    Invalidate();
}

void TvyCustomEdit::Loaded()
{
    TCustomEdit::Loaded();
    UpdateButtonLayout();
    FAttachedLabel->UpdatePosition();
}

void TvyCustomEdit::CreateParams(TCreateParams& params)
{
    TCustomEdit::CreateParams(params);
    params.Style |= WS_CLIPCHILDREN;
    // Only a multi-line edit lets its text rectangle be narrowed; a password edit cannot be
    // multi-line and stays single-line.
    if (!PasswordChar()) params.Style |= ES_MULTILINE;
    switch (FAlignment) {
    case TAlignment::taLeftJustify: params.Style |= ES_LEFT; break;
    case TAlignment::taRightJustify: params.Style |= ES_RIGHT; break;
    case TAlignment::taCenter: params.Style |= ES_CENTER; break;
    }
}

void TvyCustomEdit::CreateWnd()
{
    TCustomEdit::CreateWnd();
    UpdateButtonLayout();
}

void TvyCustomEdit::UpdateButtonLayout()
{
    if (!FButton || IsDestroying()) return;
    const int bw = FSpeedButton->Width();
    const bool visible = FButton->Visible() && bw > 1;
    const TvyEditFrame frame{NewStyleControls(), Ctl3D(), BorderStyle() == TBorderStyle::bsSingle};
    const TvyLayoutRect r = EditButtonRect(Width(), Height(), bw, visible, frame);
    FPanel->SetBounds(r.Left, r.Top, r.Width, r.Height);
    FPanel->SetVisible(visible);
    FSpeedButton->SetBounds(0, 0, bw, r.Height);
    if (!HandleAllocated()) return;
    const TvyTextArea a = EditTextArea(ClientWidth(), ClientHeight(), FPanel->Width(), visible);
    RECT text{0, 0, a.Right, a.Bottom};
    SendMessageA(FHandle, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&text));
}

int TvyCustomEdit::MinHeight()
{
    return EditMinHeight(GetSystemMetrics(SM_CYBORDER), FontTextHeight(static_cast<HFONT>(GetStockObject(SYSTEM_FONT))),
                         FontTextHeight(Font()->Handle()));
}

void TvyCustomEdit::WMSize(TMessage& m)
{
    TCustomEdit::WndProc(m);
    if (Loading()) return;
    const int minimum = MinHeight();
    if (Height() < minimum)
        SetHeight(minimum); // the layout follows from the size message this sends
    else
        UpdateButtonLayout();
}

bool TvyCustomEdit::WMSetCursor(TMessage& m)
{
    if (LOWORD(m.LParam) != HTBORDER) return false;
    ::SetCursor(Screen ? Screen->Cursors(FCursorBorder) : LoadCursorA(nullptr, IDC_ARROW));
    m.Result = TRUE;
    return true;
}

void TvyCustomEdit::WndProc(TMessage& m)
{
    switch (m.Msg) {
    case WM_SIZE: WMSize(m); return;
    case WM_SETFONT:
        // The edit resets its text rectangle to the whole client area on a new font.
        TCustomEdit::WndProc(m);
        UpdateButtonLayout();
        return;
    case WM_SETCURSOR:
        if (WMSetCursor(m)) return;
        break;
    case CM_MOUSEENTER: OnMouseEnter(this); break;
    case CM_MOUSELEAVE: OnMouseLeave(this); break;
    default: break;
    }
    TCustomEdit::WndProc(m);
}

void TvyCustomEdit::KeyPress(char& key)
{
    if (key == '\r' || key == '\x1b') {
        // The form's default and cancel buttons act first.
        if (TCustomForm* form = GetParentForm(this)) form->Perform(CM_DIALOGKEY, static_cast<unsigned char>(key), 0);
        // No line break in the multi-line window; Escape goes on normally.
        if (key == '\r') key = 0;
    } else if (FValidateChars && key != '\b' && FValidChars.find(key) == std::string::npos) {
        key = 0;
    }
    if (key) TCustomEdit::KeyPress(key);
}

void TvyCustomEdit::DoEnter()
{
    if (AutoSelect() && !ClickFocus())
        SelectAll();
    else
        Invalidate();
    OnEnter(this);
}

void TvyCustomEdit::DoExit()
{
    Invalidate();
    OnExit(this);
}
