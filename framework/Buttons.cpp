// framework/Buttons.cpp
#include "Buttons.h"

#include "GdiGuards.h"

namespace {
[[maybe_unused]] const bool Registered = [] {
    RegisterComponentClass(TSpeedButton::StaticClassInfo());
    return true;
}();

// Ternary raster operation PSDPxax: the brush where the source is black, the target where
// it is white; paints a monochrome mask's black pixels in the brush colour.
constexpr DWORD RopMaskedBrush = 0x00B8074A;
} // namespace

const TClassInfo& TSpeedButton::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TSpeedButton", &TGraphicControl::StaticClassInfo(), &CreateComponentOf<TSpeedButton>, {}, {}};
        i.Props.push_back(ObjProp("Glyph", &TSpeedButton::Glyph));
        i.Props.push_back(IntProp("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs, 1));
        return i;
    }();
    return info;
}

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner), FGlyph(std::make_unique<TBitmap>())
{
    SetBounds(0, 0, 23, 22);
    FGlyph->OnChange = [this](TObject*) { Invalidate(); };
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGlyph(TBitmap* glyph)
{
    if (glyph)
        FGlyph->Assign(*glyph);
    else
        FGlyph->SetHandle(nullptr);
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(int v)
{
    v = v < 1 ? 1 : v > 4 ? 4 : v;
    if (v == FNumGlyphs) return;
    FNumGlyphs = v;
    Invalidate();
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == TMouseButton::mbLeft && Enabled()) {
        FTracking = true;
        FPressed = true;
        Invalidate();
    }
    TGraphicControl::MouseDown(button, shift, x, y);
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y)
{
    if (FTracking) {
        const bool inside = x >= 0 && y >= 0 && x < Width() && y < Height();
        if (inside != FPressed) {
            FPressed = inside;
            Invalidate();
        }
    }
    TGraphicControl::MouseMove(shift, x, y);
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == TMouseButton::mbLeft && FTracking) {
        FTracking = false;
        FPressed = false;
        Invalidate();
    }
    TGraphicControl::MouseUp(button, shift, x, y);
}

void TSpeedButton::DrawGlyph(int x, int y)
{
    const int partWidth = FGlyph->Width() / FNumGlyphs;
    const int h = FGlyph->Height();
    if (partWidth <= 0 || h <= 0) return;
    // Images: 0 up, 1 disabled, 2 pressed; a missing one falls back to the first.
    int index = 0;
    if (!Enabled() && FNumGlyphs > 1) index = 1;
    else if (FPressed && FNumGlyphs > 2) index = 2;
    TBitmap part;
    part.SetSize(partWidth, h);
    BitBlt(part.Canvas()->Handle(), 0, 0, partWidth, h, FGlyph->Canvas()->Handle(), index * partWidth, 0, SRCCOPY);
    const TColor transparent = FGlyph->TransparentColor();
    if (Enabled() || FNumGlyphs > 1) {
        part.SetTransparentColor(transparent);
        part.SetTransparent(true);
        Canvas()->Draw(x, y, &part);
        return;
    }
    // Disabled without an image of its own: the glyph's shape embossed, a highlight one
    // pixel down and right under a shadow.
    TBitmap mask;
    mask.SetMonochrome(true);
    mask.SetSize(partWidth, h);
    HDC src = part.Canvas()->Handle();
    const COLORREF oldSrcBk = SetBkColor(src, ColorToRGB(transparent));
    BitBlt(mask.Canvas()->Handle(), 0, 0, partWidth, h, src, 0, 0, SRCCOPY);
    SetBkColor(src, oldSrcBk);
    const std::pair<TColor, int> layers[] = {{clBtnHighlight, 1}, {clBtnShadow, 0}};
    for (const auto& [color, shift] : layers) {
        Canvas()->Brush()->SetStyle(TBrushStyle::bsSolid);
        Canvas()->Brush()->SetColor(color);
        HDC dst = Canvas()->Handle();
        HDC maskDC = mask.Canvas()->Handle();
        const TDCColors colors(dst, RGB(0, 0, 0), RGB(255, 255, 255));
        BitBlt(dst, x + shift, y + shift, partWidth, h, maskDC, 0, 0, RopMaskedBrush);
    }
}

void TSpeedButton::Paint()
{
    RECT r = ClientRect();
    HDC dc = Canvas()->Handle();
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (FPressed ? DFCS_PUSHED : 0));
    const int shift = FPressed ? 1 : 0;
    if (!FGlyph->Empty()) {
        const int w = FGlyph->Width() / FNumGlyphs;
        DrawGlyph((Width() - w) / 2 + shift, (Height() - FGlyph->Height()) / 2 + shift);
        return;
    }
    if (Caption().empty()) return;
    std::string text = Caption();
    OffsetRect(&r, shift, shift);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}
