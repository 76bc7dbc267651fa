// lib/presentation/vyLabels.cpp
#include "vyLabels.h"

#include "Forms.h"
#include "vyClasses.h"
#include "vyCursors.h"

namespace {

const std::vector<std::string> FontStyleNames = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
const std::vector<std::string> DirectionNames = {"edUp",     "edDown",    "edLeft",     "edRight",
                                                 "edUpLeft", "edUpRight", "edDownLeft", "edDownRight"};
const std::vector<std::string> OptionNames = {"loPathEllipsis", "loEndEllipsis", "loEditControl"};
const std::vector<std::string> KindNames = {"ukWWW", "ukEmail"};

constexpr UINT_PTR BlinkTimer = 1;

[[maybe_unused]] const bool gRegistered = (RegisterComponentClass(TvyLabel::StaticClassInfo()),
                                           RegisterComponentClass(TvyURLLabel::StaticClassInfo()), true);

} // namespace

// --- TvyBaseLabel ----------------------------------------------------------------------

const TClassInfo& TvyBaseLabel::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyBaseLabel;
        TClassInfo i{"TvyBaseLabel", &TCustomLabel::StaticClassInfo(), nullptr, {}, {}};
        TPropInfo about = StrProp<C>("About", &C::About, &C::SetAbout);
        about.Stored = [](const TPersistent&) { return false; };
        i.Props.push_back(std::move(about));
        i.Props.push_back(BoolProp("WordWrap", &C::WordWrap, &C::SetWordWrap, DefaultWordWrap));
        i.Props.push_back(EventProp("OnMouseEnter", &C::OnMouseEnter));
        i.Props.push_back(EventProp("OnMouseLeave", &C::OnMouseLeave));
        return i;
    }();
    return info;
}

TvyBaseLabel::TvyBaseLabel(TComponent* owner) : TCustomLabel(owner), FBitmap(std::make_unique<TBitmap>()) {}

TvyBaseLabel::~TvyBaseLabel() = default;

void TvyBaseLabel::SetWordWrap(bool value)
{
    if (value == FWordWrap) return;
    FWordWrap = value;
    TCustomLabel::SetWordWrap(value);
    Repaint();
}

void TvyBaseLabel::WndProc(TMessage& m)
{
    TCustomLabel::WndProc(m);
    switch (m.Msg) {
    case CM_MOUSEENTER:
        OnMouseEnter(this);
        MouseEnter();
        break;
    case CM_MOUSELEAVE:
        OnMouseLeave(this);
        MouseLeave();
        break;
    default: break;
    }
}

// --- TvyStyleFont ----------------------------------------------------------------------

const TClassInfo& TvyStyleFont::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyStyleFont;
        TClassInfo i{"TvyStyleFont", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        i.Props.push_back(IntProp("Color", &C::Color, &C::SetColor, DefaultColor, &ColorIdents()));
        i.Props.push_back(SetProp("Style", &C::Style, &C::SetStyle, FontStyleNames, DefaultStyle));
        i.Props.push_back(BoolProp("Used", &C::Used, &C::SetUsed, DefaultUsed));
        return i;
    }();
    return info;
}

void TvyStyleFont::Assign(const TPersistent& source)
{
    if (auto* other = dynamic_cast<const TvyStyleFont*>(&source)) {
        FColor = other->FColor;
        FStyle = other->FStyle;
        FUsed = other->FUsed;
        return;
    }
    TPersistent::Assign(source);
}

// --- TvyLabelEffect --------------------------------------------------------------------

POINT EffectOffset(TvyLabelEffectDirection direction)
{
    switch (direction) {
    case TvyLabelEffectDirection::edUp: return {0, -1};
    case TvyLabelEffectDirection::edDown: return {0, 1};
    case TvyLabelEffectDirection::edLeft: return {-1, 0};
    case TvyLabelEffectDirection::edRight: return {1, 0};
    case TvyLabelEffectDirection::edUpLeft: return {-1, -1};
    case TvyLabelEffectDirection::edUpRight: return {1, -1};
    case TvyLabelEffectDirection::edDownLeft: return {-1, 1};
    case TvyLabelEffectDirection::edDownRight: return {1, 1};
    }
    return {0, 0};
}

const TClassInfo& TvyLabelEffect::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyLabelEffect;
        TClassInfo i{"TvyLabelEffect", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        // The colours' and direction's defaults depend on the kind of copy.
        auto colorProp = [](const char* name, TColor (C::*get)() const, void (C::*set)(TColor)) {
            TPropInfo p = IntProp(name, get, set, std::nullopt, &ColorIdents());
            p.Stored = [get](const TPersistent& o) {
                auto& e = static_cast<const C&>(o);
                return (e.*get)() != e.DefaultColor();
            };
            return p;
        };
        i.Props.push_back(BoolProp("Enabled", &C::Enabled, &C::SetEnabled, DefaultEnabled));
        i.Props.push_back(colorProp("Color", &C::Color, &C::SetColor));
        i.Props.push_back(colorProp("ColorHover", &C::ColorHover, &C::SetColorHover));
        i.Props.push_back(colorProp("ColorClick", &C::ColorClick, &C::SetColorClick));
        i.Props.push_back(IntProp("Depth", &C::Depth, &C::SetDepth, DefaultDepth));
        TPropInfo direction = EnumProp("Direction", &C::Direction, &C::SetDirection, DirectionNames,
                                       std::optional<TvyLabelEffectDirection>());
        direction.Stored = [](const TPersistent& o) {
            auto& e = static_cast<const C&>(o);
            return e.Direction() != e.DefaultDirection();
        };
        i.Props.push_back(std::move(direction));
        return i;
    }();
    return info;
}

TvyLabelEffect::TvyLabelEffect(TvyLabel& label, TKind kind)
    : FLabel(label), FKind(kind), FColor(DefaultColor()), FColorHover(FColor), FColorClick(FColor),
      FDirection(DefaultDirection())
{
}

void TvyLabelEffect::SetEnabled(bool value)
{
    if (value == FEnabled) return;
    FEnabled = value;
    Changed();
}

void TvyLabelEffect::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    Changed();
}

void TvyLabelEffect::SetColorHover(TColor value)
{
    if (value == FColorHover) return;
    FColorHover = value;
    Changed();
}

void TvyLabelEffect::SetColorClick(TColor value)
{
    if (value == FColorClick) return;
    FColorClick = value;
    Changed();
}

void TvyLabelEffect::SetDepth(int value)
{
    value &= 0xFF; // a byte
    if (value == FDepth) return;
    FDepth = value;
    Changed();
}

void TvyLabelEffect::SetDirection(TvyLabelEffectDirection value)
{
    if (value == FDirection) return;
    FDirection = value;
    Changed();
}

void TvyLabelEffect::Assign(const TPersistent& source)
{
    if (auto* other = dynamic_cast<const TvyLabelEffect*>(&source)) {
        FEnabled = other->FEnabled;
        FColor = other->FColor;
        FColorHover = other->FColorHover;
        FColorClick = other->FColorClick;
        FDepth = other->FDepth;
        FDirection = other->FDirection;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TvyLabelEffect::Changed()
{
    FLabel.Repaint();
}

// --- TvyLabelBlinking ------------------------------------------------------------------

const TClassInfo& TvyLabelBlinking::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyLabelBlinking;
        TClassInfo i{"TvyLabelBlinking", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        i.Props.push_back(BoolProp("Enabled", &C::Enabled, &C::SetEnabled, DefaultEnabled));
        i.Props.push_back(IntProp("DelayVisible", &C::DelayVisible, &C::SetDelayVisible, DefaultDelayVisible));
        i.Props.push_back(IntProp("DelayInvisible", &C::DelayInvisible, &C::SetDelayInvisible, DefaultDelayInvisible));
        return i;
    }();
    return info;
}

TvyLabelBlinking::TvyLabelBlinking(TvyLabel& label) : FLabel(label)
{
    FLabel.SetTextVisible(true);
    FWindow = AllocateHWnd([this](TMessage& m) { WndProc(m); });
}

TvyLabelBlinking::~TvyLabelBlinking()
{
    KillTimer(FWindow, BlinkTimer);
    DeallocateHWnd(FWindow);
}

void TvyLabelBlinking::SetEnabled(bool value)
{
    if (value == FEnabled) return;
    FEnabled = value;
    if (!FLabel.Loading()) Rearm();
}

void TvyLabelBlinking::SetDelayVisible(int value)
{
    if (value == FDelayVisible) return;
    FDelayVisible = value;
    if (!FLabel.Loading()) Rearm();
}

void TvyLabelBlinking::SetDelayInvisible(int value)
{
    if (value == FDelayInvisible) return;
    FDelayInvisible = value;
    if (!FLabel.Loading()) Rearm();
}

void TvyLabelBlinking::Assign(const TPersistent& source)
{
    if (auto* other = dynamic_cast<const TvyLabelBlinking*>(&source)) {
        FEnabled = other->FEnabled;
        FDelayVisible = other->FDelayVisible;
        FDelayInvisible = other->FDelayInvisible;
        if (!FLabel.Loading()) Rearm();
        return;
    }
    TPersistent::Assign(source);
}

void TvyLabelBlinking::Rearm()
{
    KillTimer(FWindow, BlinkTimer);
    if (!FEnabled || FDelayVisible <= 0 || FDelayInvisible <= 0) {
        FLabel.SetTextVisible(true);
    } else {
        const int delay = FLabel.TextVisible() ? FDelayVisible : FDelayInvisible;
        if (SetTimer(FWindow, BlinkTimer, static_cast<UINT>(delay), nullptr) == 0)
            throw EOutOfResources("Not enough timers available");
    }
    FLabel.Repaint();
}

void TvyLabelBlinking::WndProc(TMessage& m)
{
    try {
        switch (m.Msg) {
        case WM_TIMER:
            FLabel.SetTextVisible(!FLabel.TextVisible());
            FLabel.Repaint();
            Rearm();
            return;
        case WM_QUERYENDSESSION:
            m.Result = 1;
            return;
        default:
            m.Result = DefWindowProcA(FWindow, m.Msg, m.WParam, m.LParam);
            return;
        }
    } catch (...) {
        HandleException(&FLabel);
    }
}

// --- TvyLabel --------------------------------------------------------------------------

const TClassInfo& TvyLabel::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyLabel;
        TClassInfo i{"TvyLabel", &TvyBaseLabel::StaticClassInfo(), &CreateComponentOf<C>, {}, {}};
        i.Props.push_back(ObjProp("Blinking", &C::Blinking));
        TPropInfo cursorClick = IntProp("CursorClick", &C::CursorClick, &C::SetCursorClick, std::nullopt, &CursorIdents());
        cursorClick.Default = TPropValue(static_cast<long long>(DefaultCursorClick));
        i.Props.push_back(std::move(cursorClick));
        i.Props.push_back(ObjProp("FontHover", &C::FontHover));
        i.Props.push_back(ObjProp("FontClick", &C::FontClick));
        i.Props.push_back(ObjProp("Highlight", &C::Highlight));
        i.Props.push_back(ObjProp("Shadow", &C::Shadow));
        i.Props.push_back(SetProp("Options", &C::Options, &C::SetOptions, OptionNames, DefaultOptions));
        return i;
    }();
    return info;
}

TvyLabel::TvyLabel(TComponent* owner)
    : TvyBaseLabel(owner), FFontHover(std::make_unique<TvyStyleFont>()), FFontClick(std::make_unique<TvyStyleFont>()),
      FHighlight(std::make_unique<TvyLabelEffect>(*this, TvyLabelEffect::TKind::Highlight)),
      FShadow(std::make_unique<TvyLabelEffect>(*this, TvyLabelEffect::TKind::Shadow)),
      FBlinking(std::make_unique<TvyLabelBlinking>(*this))
{
}

TvyLabel::~TvyLabel()
{
    FBlinking.reset();
    FShadow.reset();
    FHighlight.reset();
    FFontClick.reset();
    FFontHover.reset();
}

void TvyLabel::SetOptions(TvyLabelOptions value)
{
    if (value == FOptions) return;
    FOptions = value;
    Repaint();
}

void TvyLabel::Loaded()
{
    TvyBaseLabel::Loaded();
    // Blinking read from a stored form starts once the whole form is there.
    if (FBlinking->Enabled()) FBlinking->Rearm();
}

void TvyLabel::SetHovered(bool value)
{
    if (value == FHovered) return;
    FHovered = value;
    if (FFontHover->Used() && !FPressed &&
        (FFontHover->Color() != Font()->Color() || FFontHover->Style() != Font()->Style()))
        Repaint();
}

void TvyLabel::SetPressed(bool value)
{
    if (value == FPressed) return;
    FPressed = value;
    if (value && FCursorClick != Cursor() && Screen) ::SetCursor(Screen->Cursors(FCursorClick));
    if (FFontClick->Used() &&
        (FFontClick->Color() != FFontHover->Color() || FFontClick->Style() != FFontHover->Style()))
        Repaint();
}

void TvyLabel::WndProc(TMessage& m)
{
    TvyBaseLabel::WndProc(m);
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: SetPressed(true); break;
    case WM_LBUTTONUP: SetPressed(false); break;
    default: break;
    }
}

UINT TvyLabel::EffectTextFlags() const
{
    UINT flags = DT_EXPANDTABS;
    if (Alignment() == TAlignment::taRightJustify) flags |= DT_RIGHT;
    if (Alignment() == TAlignment::taCenter) flags |= DT_CENTER;
    if (WordWrap()) flags |= DT_WORDBREAK;
    if (FOptions & LabelOptionBit(TvyLabelOption::loPathEllipsis)) flags |= DT_PATH_ELLIPSIS;
    if (FOptions & LabelOptionBit(TvyLabelOption::loEndEllipsis)) flags |= DT_END_ELLIPSIS;
    if (FOptions & LabelOptionBit(TvyLabelOption::loEditControl)) flags |= DT_EDITCONTROL;
    if (!ShowAccelChar()) flags |= DT_NOPREFIX;
    return flags;
}

void TvyLabel::DrawLayer(TCanvas& canvas, RECT r, UINT flags, TFontStyles style, TColor color)
{
    canvas.Font()->SetStyle(style);
    canvas.Font()->SetColor(color);
    HDC dc = canvas.Handle();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(color));
    // DrawTextEx may write into the text with ellipsis flags; it gets a copy.
    std::string text = Caption();
    DrawTextExA(dc, text.data(), static_cast<int>(text.size()), &r, flags, nullptr);
}

void TvyLabel::Paint()
{
    const RECT r = ClientRect();
    if (r.right <= 0 || r.bottom <= 0) return;
    TBitmap& bitmap = *Bitmap();
    bitmap.SetSize(r.right, r.bottom);
    TCanvas& target = *bitmap.Canvas();
    // What the parent painted here shows through wherever the label does not paint.
    target.CopyRect(r, Canvas(), r);
    if (!Transparent()) {
        target.Brush()->SetColor(Color());
        target.Brush()->SetStyle(TBrushStyle::bsSolid);
        target.FillRect(r);
    }
    if (FTextVisible) {
        target.Brush()->SetStyle(TBrushStyle::bsClear);
        target.Font()->Assign(*Font());
        const UINT flags = EffectTextFlags();
        TFontStyles style = Font()->Style();
        TColor text = Font()->Color(), highlight = FHighlight->Color(), shadow = FShadow->Color();
        if (FPressed) {
            style = FFontClick->Style();
            text = FFontClick->Color();
            highlight = FHighlight->ColorClick();
            shadow = FShadow->ColorClick();
        } else if (FHovered) {
            style = FFontHover->Style();
            text = FFontHover->Color();
            highlight = FHighlight->ColorHover();
            shadow = FShadow->ColorHover();
        }
        auto offset = [](const TvyLabelEffect& e, RECT rect) {
            const POINT d = EffectOffset(e.Direction());
            OffsetRect(&rect, d.x * e.Depth(), d.y * e.Depth());
            return rect;
        };
        if (FShadow->Enabled()) DrawLayer(target, offset(*FShadow, r), flags, style, shadow);
        if (FHighlight->Enabled()) DrawLayer(target, offset(*FHighlight, r), flags, style, highlight);
        DrawLayer(target, r, flags, style, text);
    }
    Canvas()->CopyRect(r, &target, r);
}

// --- TvyEmailParams --------------------------------------------------------------------

const TClassInfo& TvyEmailParams::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyEmailParams;
        TClassInfo i{"TvyEmailParams", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        i.Props.push_back(StrProp<C>("Address", &C::Address, &C::SetAddress));
        i.Props.push_back(StrProp<C>("BlindCarbonCopy", &C::BlindCarbonCopy, &C::SetBlindCarbonCopy));
        i.Props.push_back(StrProp<C>("CarbonCopy", &C::CarbonCopy, &C::SetCarbonCopy));
        i.Props.push_back(StrProp<C>("Message", &C::Message, &C::SetMessage));
        i.Props.push_back(StrProp<C>("Name", &C::Name, &C::SetName));
        i.Props.push_back(StrProp<C>("Subject", &C::Subject, &C::SetSubject));
        return i;
    }();
    return info;
}

void TvyEmailParams::Assign(const TPersistent& source)
{
    if (auto* other = dynamic_cast<const TvyEmailParams*>(&source)) {
        FAddress = other->FAddress;
        FName = other->FName;
        FCarbonCopy = other->FCarbonCopy;
        FBlindCarbonCopy = other->FBlindCarbonCopy;
        FSubject = other->FSubject;
        FMessage = other->FMessage;
        return;
    }
    TPersistent::Assign(source);
}

// --- TvyURLLabel -----------------------------------------------------------------------

const TClassInfo& TvyURLLabel::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyURLLabel;
        TClassInfo i{"TvyURLLabel", &TvyLabel::StaticClassInfo(), &CreateComponentOf<C>, {}, {}};
        i.Props.push_back(EnumProp("Kind", &C::Kind, &C::SetKind, KindNames, std::optional(DefaultKind)));
        i.Props.push_back(StrProp<C>("URL", &C::URL, &C::SetURL));
        i.Props.push_back(BoolProp("URLInNewWindow", &C::URLInNewWindow, &C::SetURLInNewWindow, DefaultURLInNewWindow));
        i.Props.push_back(ObjProp("Email", &C::Email));
        TPropInfo cursorClick =
            IntProp("CursorClick", &TvyLabel::CursorClick, &TvyLabel::SetCursorClick, crLinkSelect, &CursorIdents());
        i.Props.push_back(std::move(cursorClick));
        TPropInfo cursor = IntProp("Cursor", &TControl::Cursor, &TControl::SetCursor, crLinkSelect, &CursorIdents());
        i.Props.push_back(std::move(cursor));
        return i;
    }();
    return info;
}

TvyURLLabel::TvyURLLabel(TComponent* owner) : TvyLabel(owner), FEmail(std::make_unique<TvyEmailParams>())
{
    constexpr TFontStyles underline = FontStyleBit(TFontStyle::fsUnderline);
    Font()->SetColor(clBlue);
    Font()->SetStyle(underline);
    FontHover()->SetColor(clRed);
    FontHover()->SetStyle(underline);
    FontHover()->SetUsed(true);
    FontClick()->SetColor(clRed);
    FontClick()->SetStyle(underline);
    Highlight()->SetEnabled(false);
    Shadow()->SetEnabled(false);
    SetCursor(crLinkSelect);
    SetCursorClick(crLinkSelect);
}

TvyURLLabel::~TvyURLLabel() = default;

void TvyURLLabel::Click()
{
    TvyLabel::Click();
    if (FKind == TvyURLLabelKind::ukWWW) {
        OpenURL(FURL.empty() ? Caption() : FURL, FURLInNewWindow);
    } else {
        const std::string& address = FEmail->Address().empty() ? Caption() : FEmail->Address();
        SendMail(address, FEmail->Name(), FEmail->Subject(), FEmail->Message(), FEmail->CarbonCopy(),
                 FEmail->BlindCarbonCopy());
    }
}
