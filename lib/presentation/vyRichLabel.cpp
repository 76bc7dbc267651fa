// lib/presentation/vyRichLabel.cpp
#include "vyRichLabel.h"

#include <array>

namespace {

[[maybe_unused]] const bool gRegistered = (RegisterComponentClass(TvyRichLabel::StaticClassInfo()), true);

// The label's font in each of the sixteen style combinations, made when first asked for.
// While in use they are selected into one context directly, not through its canvas: the
// context's own font goes back in End(), before the canvas draws there again.
class TStyledFonts : public TvyTextMeasurer {
public:
    explicit TStyledFonts(const TFont& font) : FFont(font) {}
    ~TStyledFonts() override { End(); }
    TStyledFonts(const TStyledFonts&) = delete;
    TStyledFonts& operator=(const TStyledFonts&) = delete;

    void Begin(HDC dc)
    {
        End();
        FDC = dc;
    }
    void End()
    {
        if (FDC && FOld) SelectObject(FDC, FOld);
        FDC = nullptr;
        FOld = nullptr;
        FSelected = -1;
    }
    void Select(unsigned style)
    {
        style &= 15;
        if (FSelected == static_cast<int>(style)) return;
        auto& font = FFonts[style];
        if (!font) {
            font = std::make_unique<TFont>();
            font->Assign(FFont);
            font->SetStyle(style);
        }
        HGDIOBJ old = SelectObject(FDC, font->Handle());
        if (!FOld) FOld = old;
        FSelected = static_cast<int>(style);
    }
    SIZE Extent(std::string_view text, unsigned style)
    {
        Select(style);
        SIZE size{};
        GetTextExtentPoint32A(FDC, text.data(), static_cast<int>(text.size()), &size);
        return size;
    }
    // Widths come from the font's character widths, read once per style: a caption is
    // measured many times while it is wrapped. A font whose string extents are not the sum
    // of those widths (plus a constant overhang) is measured string by string instead.
    int TextWidth(std::string_view text, unsigned style) override
    {
        const TWidths& table = Widths(style & 15);
        if (!table.Usable || text.empty()) return Extent(text, style).cx;
        int width = table.Overhang;
        for (char c : text) width += table.Advance[static_cast<unsigned char>(c)];
        return width;
    }

private:
    struct TWidths {
        bool Ready = false;
        bool Usable = false;
        int Overhang = 0;
        std::array<INT, 256> Advance{};
    };

    const TWidths& Widths(unsigned style)
    {
        TWidths& t = FWidths[style];
        if (t.Ready) return t;
        t.Ready = true;
        Select(style);
        if (!GetCharWidth32A(FDC, 0, 255, t.Advance.data())) return t;
        auto sum = [&](std::string_view s) {
            int w = 0;
            for (char c : s) w += t.Advance[static_cast<unsigned char>(c)];
            return w;
        };
        t.Overhang = Extent("W", style).cx - t.Advance['W'];
        t.Usable = true;
        for (std::string_view probe : {"WW", "Tallyglass, jiffy 0.9%", "il1 .,;:'!|"})
            t.Usable = t.Usable && Extent(probe, style).cx == sum(probe) + t.Overhang;
        return t;
    }

    std::array<TWidths, 16> FWidths;
    const TFont& FFont;
    std::array<std::unique_ptr<TFont>, 16> FFonts;
    HDC FDC = nullptr;
    HGDIOBJ FOld = nullptr;
    int FSelected = -1;
};

TvyRichAlign RichAlign(TAlignment a)
{
    switch (a) {
    case TAlignment::taRightJustify: return TvyRichAlign::Right;
    case TAlignment::taCenter: return TvyRichAlign::Center;
    default: return TvyRichAlign::Left;
    }
}

} // namespace

const TClassInfo& TvyRichLabel::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyRichLabel;
        TClassInfo i{"TvyRichLabel", &TvyBaseLabel::StaticClassInfo(), &CreateComponentOf<C>, {}, {}};
        // The framework's auto-size is off here: AutoHeight sizes the label.
        i.Props.push_back(BoolProp("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize, false));
        i.Props.push_back(BoolProp("AutoHeight", &C::AutoHeight, &C::SetAutoHeight, DefaultAutoHeight));
        i.Props.push_back(IntProp("MarginHorz", &C::MarginHorz, &C::SetMarginHorz, DefaultMarginHorz));
        i.Props.push_back(IntProp("MarginVert", &C::MarginVert, &C::SetMarginVert, DefaultMarginVert));
        i.Props.push_back(IntProp("ShadowColor", &C::ShadowColor, &C::SetShadowColor, DefaultShadowColor, &ColorIdents()));
        i.Props.push_back(BoolProp("ShowFrame", &C::ShowFrame, &C::SetShowFrame, DefaultShowFrame));
        i.Props.push_back(BoolProp("ShowShadow", &C::ShowShadow, &C::SetShowShadow, DefaultShowShadow));
        i.Props.push_back(ObjProp("TextStyle", &C::TextStyle));
        return i;
    }();
    return info;
}

TvyRichLabel::TvyRichLabel(TComponent* owner) : TvyBaseLabel(owner), FTextStyle(std::make_unique<TvyTextStyle>(this))
{
    SetAutoSize(false);
}

TvyRichLabel::~TvyRichLabel()
{
    FTextStyle.reset();
}

void TvyRichLabel::SetAutoHeight(bool value)
{
    if (value == FAutoHeight) return;
    FAutoHeight = value;
    if (value) Repaint();
}

void TvyRichLabel::SetMarginHorz(int value)
{
    value &= 0xFFFF; // a word
    if (value == FMarginHorz) return;
    FMarginHorz = value;
    Repaint();
}

void TvyRichLabel::SetMarginVert(int value)
{
    value &= 0xFFFF;
    if (value == FMarginVert) return;
    FMarginVert = value;
    Repaint();
}

void TvyRichLabel::SetShadowColor(TColor value)
{
    if (value == FShadowColor) return;
    FShadowColor = value;
    Repaint();
}

void TvyRichLabel::SetShowFrame(bool value)
{
    if (value == FShowFrame) return;
    FShowFrame = value;
    Repaint();
}

void TvyRichLabel::SetShowShadow(bool value)
{
    if (value == FShowShadow) return;
    FShowShadow = value;
    Repaint();
}

void TvyRichLabel::WndProc(TMessage& m)
{
    TvyBaseLabel::WndProc(m);
    // A new caption shows, and sets the height, before the framework's own refresh.
    if (m.Msg == CM_TEXTCHANGED) PaintNow();
}

TvyRichLayoutParams TvyRichLabel::LayoutParams() const
{
    TvyRichLayoutParams p;
    p.Width = Width();
    p.MarginHorz = FMarginHorz;
    p.WordWrap = WordWrap();
    p.Align = RichAlign(Alignment());
    p.Syntax = {FTextStyle->TagOpen(), FTextStyle->TagClose(), FTextStyle->PlainText()};
    p.Base = {Font()->Style(), Font()->Color()};
    return p;
}

TvyRichLayout TvyRichLabel::Layout()
{
    TStyledFonts fonts(*Font());
    TCanvas& surface = *Bitmap()->Canvas();
    HDC dc = surface.Handle();
    surface.Refresh();
    fonts.Begin(dc);
    return LayoutRichText(Caption(), LayoutParams(), fonts);
}

void TvyRichLabel::Paint()
{
    if (!Parent() || Loading() || HasState(TComponentState::Reading)) return;
    if (!Transparent()) {
        Canvas()->Brush()->SetColor(Color());
        Canvas()->Brush()->SetStyle(TBrushStyle::bsSolid);
        Canvas()->FillRect(ClientRect());
    }
    Render(Canvas());
}

void TvyRichLabel::Render(TCanvas* target)
{
    TBitmap& bitmap = *Bitmap();
    TStyledFonts fonts(*Font());
    const TvyRichLayoutParams params = LayoutParams();

    TCanvas& surface = *bitmap.Canvas();
    surface.Handle();
    surface.Refresh();
    fonts.Begin(surface.Handle());
    const TvyRichLayout layout = LayoutRichText(Caption(), params, fonts);
    const int lineHeight = fonts.Extent("Wj", Font()->Style()).cy;
    fonts.End();
    const TvyRichSurfaceSize size = RichSurfaceSize(params, layout, lineHeight, FMarginVert, FShowShadow);
    const int w = size.Width, h = size.Height;

    if (target && w > 0 && h > 0) {
        bitmap.SetSize(w, h);
        // The parent's painting (or the fill) carries into the picture.
        BitBlt(surface.Handle(), 0, 0, w, h, target->Handle(), 0, 0, SRCCOPY);
        if (FShowFrame) {
            const int d = FShowShadow ? 6 : 0;
            surface.Pen()->SetColor(clBlack);
            surface.Pen()->SetStyle(TPenStyle::psSolid);
            surface.Pen()->SetWidth(1);
            surface.Brush()->SetStyle(TBrushStyle::bsSolid);
            surface.Brush()->SetColor(Color());
            surface.Rectangle(0, 0, w - d, h - d);
            surface.Brush()->SetColor(clBtnFace);
            surface.FrameRect(RECT{1, 1, w - d - 1, h - d - 1});
        }
        HDC dc = surface.Handle();
        surface.Refresh();
        if (FShowShadow) {
            const COLORREF shadow = ColorToRGB(FShadowColor);
            for (int x = 7; x <= w - 7; ++x)
                for (int row : {6, 4, 2}) SetPixel(dc, x, h - row + (x % 2 == 0 ? 1 : 0), shadow);
            for (int y = h; y >= 7; --y)
                for (int col : {2, 4, 6}) SetPixel(dc, w - col + ((y - h) % 2 == 0 ? 0 : 1), y, shadow);
        }

        SetBkMode(dc, FShowFrame ? OPAQUE : TRANSPARENT);
        if (FShowFrame) SetBkColor(dc, ColorToRGB(Color()));
        SetTextAlign(dc, TA_LEFT | TA_TOP);
        fonts.Begin(dc);
        TvyMarkupFont font = params.Base;
        int y = FMarginVert;
        for (const TvyRichLine& line : layout.Lines) {
            int x = RichLineX(params.Align, params.Width, params.MarginHorz, line.Width);
            ScanMarkupLine(line.Text, params.Syntax, params.Base, font,
                           [&](std::string_view text, const TvyMarkupFont& f) {
                               fonts.Select(f.Style);
                               SetTextColor(dc, ColorToRGB(f.Color));
                               TextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
                               x += fonts.TextWidth(text, f.Style);
                           });
            y += lineHeight;
        }
        fonts.End();
        BitBlt(target->Handle(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
    }

    // Setting the height paints again; that paint finds the height right.
    if (FAutoHeight && h != Height()) SetHeight(h);
}

void TvyRichLabel::PaintNow()
{
    if (!Parent() || Loading() || HasState(TComponentState::Reading)) return;
    if (!Parent()->HandleAllocated() || !Visible()) {
        Render(nullptr);
        return;
    }
    HWND window = Parent()->Handle();
    HDC dc = GetDC(window);
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, Left(), Top(), Left() + Width(), Top() + Height());
    SetViewportOrgEx(dc, Left(), Top(), nullptr);
    try {
        PaintTo(dc);
    } catch (...) {
        RestoreDC(dc, saved);
        ReleaseDC(window, dc);
        throw;
    }
    RestoreDC(dc, saved);
    ReleaseDC(window, dc);
}
