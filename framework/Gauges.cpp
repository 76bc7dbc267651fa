// framework/Gauges.cpp
#include "Gauges.h"

#include <cstdio>

namespace {
const std::vector<std::string> KindNames = {"gkText", "gkHorizontalBar", "gkVerticalBar", "gkPie", "gkNeedle"};
const std::vector<std::string> BorderNames = {"bsNone", "bsSingle"};
} // namespace

const TClassInfo& TGauge::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TGauge", &TGraphicControl::StaticClassInfo(), &CreateComponentOf<TGauge>, {}, {}};
        auto& p = i.Props;
        p.push_back(EnumProp("Kind", &TGauge::Kind, &TGauge::SetKind, KindNames, std::optional(TGaugeKind::gkHorizontalBar)));
        p.push_back(IntProp("MinValue", &TGauge::MinValue, &TGauge::SetMinValue, 0));
        p.push_back(IntProp("MaxValue", &TGauge::MaxValue, &TGauge::SetMaxValue, 100));
        p.push_back(IntProp("Progress", &TGauge::Progress, &TGauge::SetProgress, 0));
        p.push_back(IntProp("ForeColor", &TGauge::ForeColor, &TGauge::SetForeColor, clBlack, &ColorIdents()));
        p.push_back(IntProp("BackColor", &TGauge::BackColor, &TGauge::SetBackColor, clWhite, &ColorIdents()));
        p.push_back(EnumProp("BorderStyle", &TGauge::BorderStyle, &TGauge::SetBorderStyle, BorderNames,
                             std::optional(TGaugeBorderStyle::bsSingle)));
        p.push_back(BoolProp("ShowText", &TGauge::ShowText, &TGauge::SetShowText, true));
        return i;
    }();
    return info;
}

namespace {
struct TRegisterGauges {
    TRegisterGauges() { RegisterComponentClass(TGauge::StaticClassInfo()); }
} RegisterGauges;
} // namespace

TGauge::TGauge(TComponent* owner) : TGraphicControl(owner), FImage(std::make_unique<TBitmap>())
{
    SetBounds(0, 0, 100, 100);
    // It paints every pixel of its rectangle, so the parent need not erase beneath it.
    SetControlStyle(ControlStyle() | csOpaque);
}

TGauge::~TGauge() = default;

int TGauge::PercentDone() const
{
    long long span = static_cast<long long>(FMaxValue) - FMinValue;
    if (span <= 0) return 0;
    return static_cast<int>((static_cast<long long>(FProgress) - FMinValue) * 100 / span);
}

void TGauge::Changed(int oldPercent)
{
    // Only what the user can see changing is worth a repaint.
    if (PercentDone() != oldPercent) Invalidate();
}

void TGauge::SetProgress(int v)
{
    if (v < FMinValue) v = FMinValue;
    if (v > FMaxValue) v = FMaxValue;
    if (v == FProgress) return;
    int old = PercentDone();
    FProgress = v;
    Changed(old);
}

void TGauge::SetMinValue(int v)
{
    if (v == FMinValue || v > FMaxValue) return;
    int old = PercentDone();
    FMinValue = v;
    if (FProgress < v) FProgress = v;
    Changed(old);
}

void TGauge::SetMaxValue(int v)
{
    if (v == FMaxValue || v < FMinValue) return;
    int old = PercentDone();
    FMaxValue = v;
    if (FProgress > v) FProgress = v;
    Changed(old);
}

void TGauge::SetKind(TGaugeKind v)
{
    if (v == FKind) return;
    FKind = v;
    Invalidate();
}

void TGauge::SetForeColor(TColor c)
{
    if (c == FForeColor) return;
    FForeColor = c;
    Invalidate();
}

void TGauge::SetBackColor(TColor c)
{
    if (c == FBackColor) return;
    FBackColor = c;
    Invalidate();
}

void TGauge::SetBorderStyle(TGaugeBorderStyle v)
{
    if (v == FBorderStyle) return;
    FBorderStyle = v;
    Invalidate();
}

void TGauge::SetShowText(bool v)
{
    if (v == FShowText) return;
    FShowText = v;
    Invalidate();
}

void TGauge::Compose(TBitmap& image)
{
    const int w = Width(), h = Height();
    image.SetWidth(w);
    image.SetHeight(h);
    TCanvas& c = *image.Canvas();
    RECT inner{0, 0, w, h};
    if (FBorderStyle == TGaugeBorderStyle::bsSingle) {
        c.Pen()->SetColor(clBlack);
        c.Pen()->SetStyle(TPenStyle::psSolid);
        c.Pen()->SetWidth(1);
        c.Brush()->SetColor(FBackColor);
        c.Brush()->SetStyle(TBrushStyle::bsSolid);
        c.Rectangle(0, 0, w, h);
        InflateRect(&inner, -1, -1);
    } else {
        c.Brush()->SetColor(FBackColor);
        c.Brush()->SetStyle(TBrushStyle::bsSolid);
        c.FillRect(inner);
    }
    const int percent = PercentDone();
    const int iw = inner.right - inner.left, ih = inner.bottom - inner.top;
    if (iw <= 0 || ih <= 0) return;
    if (FKind == TGaugeKind::gkHorizontalBar || FKind == TGaugeKind::gkVerticalBar) {
        RECT bar = inner;
        if (FKind == TGaugeKind::gkHorizontalBar)
            bar.right = inner.left + static_cast<int>(static_cast<long long>(iw) * percent / 100);
        else
            bar.top = inner.bottom - static_cast<int>(static_cast<long long>(ih) * percent / 100);
        if (bar.right > bar.left && bar.bottom > bar.top) {
            c.Brush()->SetColor(FForeColor);
            c.FillRect(bar);
        }
    }
    if (!FShowText) return;
    // The text goes white on black onto a mask, then the mask is combined with the picture
    // by exclusive or: it reads black on white, magenta on lime, blue on yellow, cyan on red.
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", percent);
    TBitmap mask;
    mask.SetWidth(w);
    mask.SetHeight(h);
    TCanvas& m = *mask.Canvas();
    m.Brush()->SetColor(clBlack);
    m.Brush()->SetStyle(TBrushStyle::bsSolid);
    m.FillRect(RECT{0, 0, w, h});
    m.Font()->Assign(*Font());
    m.Font()->SetColor(clWhite);
    m.Brush()->SetStyle(TBrushStyle::bsClear);
    SIZE ext = m.TextExtent(text);
    m.TextOut(inner.left + (iw - ext.cx) / 2, inner.top + (ih - ext.cy) / 2, text);
    BitBlt(c.Handle(), 0, 0, w, h, m.Handle(), 0, 0, SRCINVERT);
}

void TGauge::Paint()
{
    // Composed off-screen and copied in one piece, so the gauge never flickers.
    Compose(*FImage);
    BitBlt(Canvas()->Handle(), 0, 0, Width(), Height(), FImage->Canvas()->Handle(), 0, 0, SRCCOPY);
}
