// framework/StdCtrls.cpp
#include "StdCtrls.h"

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

void TCustomLabel::AdjustBounds()
{
    if (!FAutoSize || Loading()) return;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    Canvas()->SetHandle(dc);
    Canvas()->Font()->Assign(*Font());
    RECT r = ClientRect();
    if (!FWordWrap) r.right = r.left + 0x7FFF;
    DoDrawText(r, DrawTextFlags() | DT_CALCRECT);
    Canvas()->SetHandle(nullptr);
    DeleteDC(dc);
    int x = Left();
    int w = r.right - r.left;
    // Right-aligned labels grow to the left, centred ones both ways.
    if (FAlignment == TAlignment::taRightJustify && !FWordWrap) x += Width() - w;
    SetBounds(x, Top(), w, r.bottom - r.top);
}
