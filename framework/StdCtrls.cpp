// framework/StdCtrls.cpp
#include "StdCtrls.h"

#include "Forms.h"
#include "GdiGuards.h"

namespace {
const std::vector<std::string> AlignmentNames = {"taLeftJustify", "taRightJustify", "taCenter"};
const std::vector<std::string> LayoutNames = {"tlTop", "tlCenter", "tlBottom"};
} // namespace

const TClassInfo& TCustomLabel::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TCustomLabel", &TGraphicControl::StaticClassInfo(), nullptr, {}, {}};
        auto& p = i.Props;
        p.push_back(BoolProp("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize, true));
        p.push_back(BoolProp("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent, false));
        p.push_back(EnumProp("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment, AlignmentNames,
                             std::optional(TAlignment::taLeftJustify)));
        p.push_back(EnumProp("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout, LayoutNames,
                             std::optional(TTextLayout::tlTop)));
        p.push_back(BoolProp("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap, false));
        p.push_back(BoolProp("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar, true));
        return i;
    }();
    return info;
}

const TClassInfo& TLabel::StaticClassInfo()
{
    static const TClassInfo info{"TLabel", &TCustomLabel::StaticClassInfo(), &CreateComponentOf<TLabel>, {}, {}};
    return info;
}

namespace {
struct TRegisterLabels {
    TRegisterLabels() { RegisterComponentClass(TLabel::StaticClassInfo()); }
} RegisterLabels;
} // namespace

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner)
{
    SetBounds(0, 0, 65, 17);
    SetControlStyle(ControlStyle() | csOpaque);
}

void TCustomLabel::SetAutoSize(bool v)
{
    if (v == FAutoSize) return;
    FAutoSize = v;
    AdjustBounds();
}

void TCustomLabel::SetTransparent(bool v)
{
    if (v == FTransparent) return;
    FTransparent = v;
    // A transparent label leaves its background to the parent, so it needs an erase.
    SetControlStyle(v ? (ControlStyle() & ~csOpaque) : (ControlStyle() | csOpaque));
    Invalidate();
}

void TCustomLabel::SetAlignment(TAlignment v)
{
    if (v == FAlignment) return;
    FAlignment = v;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout v)
{
    if (v == FLayout) return;
    FLayout = v;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool v)
{
    if (v == FWordWrap) return;
    FWordWrap = v;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool v)
{
    if (v == FShowAccelChar) return;
    FShowAccelChar = v;
    AdjustBounds();
    Invalidate();
}

UINT TCustomLabel::DrawTextFlags() const
{
    UINT flags = DT_EXPANDTABS;
    if (FWordWrap) flags |= DT_WORDBREAK;
    if (!FShowAccelChar) flags |= DT_NOPREFIX;
    switch (FAlignment) {
    case TAlignment::taLeftJustify: flags |= DT_LEFT; break;
    case TAlignment::taRightJustify: flags |= DT_RIGHT; break;
    case TAlignment::taCenter: flags |= DT_CENTER; break;
    }
    return flags;
}

void TCustomLabel::DoDrawText(RECT& rect, UINT flags)
{
    std::string text = Caption();
    // An empty caption measures as one line, so an empty label keeps its height.
    if ((flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == "&"))) text += ' ';
    HDC dc = Canvas()->Handle();
    SetBkMode(dc, TRANSPARENT);
    if (!Enabled()) {
        OffsetRect(&rect, 1, 1);
        SetTextColor(dc, ColorToRGB(clBtnHighlight));
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
        OffsetRect(&rect, -1, -1);
        SetTextColor(dc, ColorToRGB(clBtnShadow));
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
        return;
    }
    SetTextColor(dc, ColorToRGB(Canvas()->Font()->Color()));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
}

void TCustomLabel::Paint()
{
    RECT r = ClientRect();
    if (!FTransparent) {
        Canvas()->Brush()->SetColor(Color());
        Canvas()->Brush()->SetStyle(TBrushStyle::bsSolid);
        Canvas()->FillRect(r);
    }
    UINT flags = DrawTextFlags();
    if (FLayout != TTextLayout::tlTop) {
        RECT calc = r;
        DoDrawText(calc, flags | DT_CALCRECT);
        int h = calc.bottom - calc.top;
        if (FLayout == TTextLayout::tlBottom)
            OffsetRect(&r, 0, Height() - h);
        else
            OffsetRect(&r, 0, (Height() - h) / 2);
    }
    DoDrawText(r, flags);
}

void TCustomLabel::SetBounds(int left, int top, int width, int height)
{
    const bool reflow = FAutoSize && FWordWrap && !FAdjusting && width != Width();
    TGraphicControl::SetBounds(left, top, width, height);
    if (reflow) AdjustBounds();
}

void TCustomLabel::AdjustBounds()
{
    if (!FAutoSize || Loading() || FAdjusting) return;
    FAdjusting = true;
    struct TDone {
        bool& Flag;
        ~TDone() { Flag = false; }
    } done{FAdjusting};
    RECT r = ClientRect();
    {
        const TMemoryDC dc;
        const TCanvasDC lent(*Canvas(), dc.DC());
        Canvas()->Font()->Assign(*Font());
        if (!FWordWrap) r.right = r.left + 0x7FFF;
        DoDrawText(r, DrawTextFlags() | DT_CALCRECT);
    }
    int x = Left();
    int w = r.right - r.left;
    // Right-aligned labels grow to the left, centred ones both ways.
    if (FAlignment == TAlignment::taRightJustify && !FWordWrap) x += Width() - w;
    SetBounds(x, Top(), w, r.bottom - r.top);
}

// --- TCustomEdit -------------------------------------------------------------------------

namespace {
const std::vector<std::string> BorderStyleNames = {"bsNone", "bsSingle"};

std::string CharText(char c)
{
    return c ? std::string(1, c) : std::string();
}

// A stored character property: empty for none, else its first character.
char TextChar(const std::string& s)
{
    return s.empty() ? '\0' : s[0];
}
} // namespace

namespace {
// A window of a system class (EDIT, BUTTON) paints itself, and needs the mouse moves the
// framework otherwise keeps to its own controls. True when m was one of those.
bool SystemControlMessage(TWinControl& control, TMessage& m)
{
    switch (m.Msg) {
    case WM_PAINT:
    case WM_ERASEBKGND:
        control.DefaultHandler(m);
        return true;
    case WM_MOUSEMOVE:
        control.TWinControl::WndProc(m);
        control.DefaultHandler(m);
        return true;
    default: return false;
    }
}
} // namespace

bool NewStyleControls()
{
    return LOBYTE(LOWORD(GetVersion())) >= 4;
}

const TClassInfo& TCustomEdit::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TCustomEdit", &TWinControl::StaticClassInfo(), nullptr, {}, {}};
        using E = TCustomEdit;
        auto& p = i.Props;
        p.push_back(BoolProp("AutoSelect", &E::AutoSelect, &E::SetAutoSelect, true));
        p.push_back(EnumProp("BorderStyle", &E::BorderStyle, &E::SetBorderStyle, BorderStyleNames,
                             std::optional(TBorderStyle::bsSingle)));
        p.push_back(BoolProp("Ctl3D", &E::Ctl3D, &E::SetCtl3D, true));
        p.push_back(BoolProp("HideSelection", &E::HideSelection, &E::SetHideSelection, true));
        p.push_back(IntProp("MaxLength", &E::MaxLength, &E::SetMaxLength, 0));
        TPropInfo pc;
        pc.Name = "PasswordChar";
        pc.Kind = TPropKind::String;
        pc.Default = TPropValue(std::string());
        pc.Get = [](const TPersistent& o) { return TPropValue(CharText(static_cast<const E&>(o).PasswordChar())); };
        pc.Set = [](TPersistent& o, const TPropValue& v) { static_cast<E&>(o).SetPasswordChar(TextChar(std::get<std::string>(v))); };
        p.push_back(std::move(pc));
        p.push_back(BoolProp("ReadOnly", &E::ReadOnly, &E::SetReadOnly, false));
        p.push_back(BoolProp("TabStop", &E::TabStop, &E::SetTabStop, true));
        p.push_back(StrProp<TControl>("Text", &TControl::Caption, &TControl::SetCaption));
        p.push_back(IntProp("Color", &TControl::Color, &TControl::SetColor, clWindow, &ColorIdents()));
        p.push_back(BoolProp("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, false));
        p.push_back(EventProp("OnChange", &E::OnChange));
        p.push_back(EventProp("OnKeyPress", &E::OnKeyPress));
        p.push_back(EventProp("OnEnter", &E::OnEnter));
        p.push_back(EventProp("OnExit", &E::OnExit));
        return i;
    }();
    return info;
}

const TClassInfo& TEdit::StaticClassInfo()
{
    static const TClassInfo info{"TEdit", &TCustomEdit::StaticClassInfo(), &CreateComponentOf<TEdit>, {}, {}};
    return info;
}

const TClassInfo& TButton::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TButton", &TWinControl::StaticClassInfo(), &CreateComponentOf<TButton>, {}, {}};
        i.Props.push_back(BoolProp("Default", &TButton::Default, &TButton::SetDefault, false));
        i.Props.push_back(BoolProp("Cancel", &TButton::Cancel, &TButton::SetCancel, false));
        i.Props.push_back(IntProp("ModalResult", &TButton::ModalResult, &TButton::SetModalResult, 0, &ModalResultIdents()));
        return i;
    }();
    return info;
}

namespace {
struct TRegisterEditsAndButtons {
    TRegisterEditsAndButtons()
    {
        RegisterComponentClass(TEdit::StaticClassInfo());
        RegisterComponentClass(TButton::StaticClassInfo());
        RegisterComponentClass(TGroupBox::StaticClassInfo());
    }
} RegisterEditsAndButtons;
} // namespace

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner), FBrush(std::make_unique<TBrush>())
{
    SetBounds(0, 0, 121, 21);
    SetColor(clWindow);
}

TCustomEdit::~TCustomEdit() = default;

void TCustomEdit::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.SystemClass = "EDIT";
    params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
    if (FTabStop) params.Style |= WS_TABSTOP;
    if (FPasswordChar) params.Style |= ES_PASSWORD;
    if (FReadOnly) params.Style |= ES_READONLY;
    if (!FHideSelection) params.Style |= ES_NOHIDESEL;
    if (FBorderStyle == TBorderStyle::bsSingle) {
        if (FCtl3D && NewStyleControls())
            params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            params.Style |= WS_BORDER;
    }
}

void TCustomEdit::CreateWnd()
{
    TWinControl::CreateWnd();
    if (FPasswordChar) SendMessageA(FHandle, EM_SETPASSWORDCHAR, static_cast<unsigned char>(FPasswordChar), 0);
    SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomEdit::SetBorderStyle(TBorderStyle v)
{
    if (v == FBorderStyle) return;
    FBorderStyle = v;
    RecreateWnd();
}

void TCustomEdit::SetCtl3D(bool v)
{
    if (v == FCtl3D) return;
    FCtl3D = v;
    RecreateWnd();
}

void TCustomEdit::SetHideSelection(bool v)
{
    if (v == FHideSelection) return;
    FHideSelection = v;
    RecreateWnd();
}

void TCustomEdit::SetMaxLength(int v)
{
    if (v == FMaxLength) return;
    FMaxLength = v;
    if (FHandle) SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(v), 0);
}

void TCustomEdit::SetPasswordChar(char c)
{
    if (c == FPasswordChar) return;
    FPasswordChar = c;
    // The password style is fixed when the window is made.
    RecreateWnd();
}

void TCustomEdit::SetReadOnly(bool v)
{
    if (v == FReadOnly) return;
    FReadOnly = v;
    if (FHandle) SendMessageA(FHandle, EM_SETREADONLY, v, 0);
}

void TCustomEdit::SetTabStop(bool v)
{
    if (v == FTabStop) return;
    FTabStop = v;
    if (FHandle) {
        const LONG style = GetWindowLongA(FHandle, GWL_STYLE);
        SetWindowLongA(FHandle, GWL_STYLE, v ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }
}

void TCustomEdit::SelectAll()
{
    if (FHandle) SendMessageA(FHandle, EM_SETSEL, 0, -1);
}

int TCustomEdit::SelStart() const
{
    DWORD start = 0;
    if (FHandle) SendMessageA(FHandle, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    return static_cast<int>(start);
}

int TCustomEdit::SelLength() const
{
    DWORD start = 0, end = 0;
    if (FHandle) SendMessageA(FHandle, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void TCustomEdit::SetSelection(int start, int length)
{
    if (FHandle) SendMessageA(FHandle, EM_SETSEL, static_cast<WPARAM>(start), start + length);
}

void TCustomEdit::KeyPress(char& key)
{
    OnKeyPress(this, key);
}

void TCustomEdit::DoEnter()
{
    // A multi-line window keeps its caret where it was.
    if (FAutoSelect && !FClickFocus && !(GetWindowLongA(FHandle, GWL_STYLE) & ES_MULTILINE)) SelectAll();
    OnEnter(this);
}

void TCustomEdit::DoExit()
{
    OnExit(this);
}

void TCustomEdit::Change()
{
    OnChange(this);
}

void TCustomEdit::CtlColor(TMessage& m)
{
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    const TColor back = BackgroundColor();
    SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    SetBkColor(dc, ColorToRGB(back));
    FBrush->SetColor(back);
    m.Result = reinterpret_cast<LRESULT>(FBrush->Handle());
}

void TCustomEdit::WndProc(TMessage& m)
{
    if (SystemControlMessage(*this, m)) return;
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        // The system sets the focus while it handles the press.
        FClickFocus = true;
        try {
            TWinControl::WndProc(m);
        } catch (...) {
            FClickFocus = false;
            throw;
        }
        FClickFocus = false;
        return;
    case WM_CHAR: {
        char key = static_cast<char>(m.WParam);
        KeyPress(key);
        if (!key) {
            m.Result = 0;
            return;
        }
        m.WParam = static_cast<unsigned char>(key);
        break;
    }
    case WM_SETFOCUS:
        DefaultHandler(m);
        DoEnter();
        return;
    case WM_KILLFOCUS:
        DefaultHandler(m);
        DoExit();
        return;
    case CN_COMMAND:
        if (HIWORD(m.WParam) == EN_CHANGE) {
            const int n = GetWindowTextLengthA(FHandle);
            std::string text(static_cast<size_t>(n) + 1, '\0');
            text.resize(static_cast<size_t>(GetWindowTextA(FHandle, text.data(), n + 1)));
            TControl::SetText(text);
            Change();
        }
        m.Result = 0;
        return;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
        CtlColor(m);
        return;
    default: break;
    }
    TWinControl::WndProc(m);
}

// --- TButton -----------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 75, 25);
    // BN_CLICKED clicks the button; the framework's own click detection would click twice.
    SetControlStyle(ControlStyle() & ~csClickEvents);
}

void TButton::SetDefault(bool v)
{
    if (v == FDefault) return;
    FDefault = v;
    if (FHandle) SendMessageA(FHandle, BM_SETSTYLE, v ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.SystemClass = "BUTTON";
    params.Style |= WS_TABSTOP | (FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
}

void TButton::WndProc(TMessage& m)
{
    if (SystemControlMessage(*this, m)) return;
    switch (m.Msg) {
    case CN_COMMAND:
        if (HIWORD(m.WParam) == BN_CLICKED) Click();
        m.Result = 0;
        return;
    case CM_DIALOGKEY:
        if (((m.WParam == VK_RETURN && FDefault) || (m.WParam == VK_ESCAPE && FCancel)) && Enabled() && Visible()) {
            Click();
            m.Result = 1;
        } else {
            m.Result = 0;
        }
        return;
    default: break;
    }
    TWinControl::WndProc(m);
}

void TButton::Click()
{
    if (FModalResult)
        if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
    TWinControl::Click();
}

// --- TGroupBox ---------------------------------------------------------------------------

const TClassInfo& TCustomGroupBox::StaticClassInfo()
{
    static const TClassInfo info{"TCustomGroupBox", &TCustomControl::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

const TClassInfo& TGroupBox::StaticClassInfo()
{
    static const TClassInfo info{"TGroupBox", &TCustomGroupBox::StaticClassInfo(), &CreateComponentOf<TGroupBox>, {}, {}};
    return info;
}

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TCustomControl(owner)
{
    SetBounds(0, 0, 185, 105);
}

void TCustomGroupBox::Paint()
{
    TCanvas* c = Canvas();
    c->Font()->Assign(*Font());
    HDC dc = c->Handle();
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    // The frame runs through the middle of the caption's line.
    RECT frame{0, tm.tmHeight / 2 - 1, Width(), Height()};
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (Caption().empty()) return;
    const std::string& text = Caption();
    RECT r{8, 0, 8, tm.tmHeight};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, ColorToRGB(Color()));
    SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE);
}
