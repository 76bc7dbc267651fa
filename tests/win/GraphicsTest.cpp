// tests/win/GraphicsTest.cpp
// Colours, fonts, pens, brushes, canvases, bitmaps, icons and image lists against real GDI
// and comctl32.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FormReader.h"
#include "Graphics.h"
#include "ImgList.h"
#include "Pictures.h"

namespace {

// The colour a screen-compatible bitmap actually stores for c (exact at 24/32 bits).
COLORREF Realized(COLORREF c)
{
    TBitmap probe;
    probe.SetSize(1, 1);
    ::SetPixel(probe.Canvas()->Handle(), 0, 0, c);
    return probe.Canvas()->Pixel(0, 0);
}

void Fill(TBitmap& b, TColor color)
{
    b.Canvas()->Brush()->SetStyle(TBrushStyle::bsSolid);
    b.Canvas()->Brush()->SetColor(color);
    b.Canvas()->FillRect(RECT{0, 0, b.Width(), b.Height()});
}

// A 16 x 16 picture with some structure to tell images apart by: button face, a black base
// line, three outlined bars of the given heights (percent) in lime, yellow and red.
void DrawBars(TBitmap& b, int p1, int p2, int p3)
{
    b.SetSize(16, 16);
    TCanvas* c = b.Canvas();
    c->Pen()->SetColor(clBtnFace);
    c->Brush()->SetColor(clBtnFace);
    c->Rectangle(0, 0, 16, 16);
    c->Pen()->SetColor(clBlack);
    c->MoveTo(0, 15);
    c->LineTo(16, 15);
    const int values[3] = {p1, p2, p3};
    const TColor colors[3] = {clLime, clYellow, clRed};
    for (int i = 0; i < 3; ++i) {
        c->Brush()->SetColor(colors[i]);
        c->Rectangle(i * 5, 16 - (values[i] * 16 + 50) / 100, i * 5 + 6, 16);
    }
}

LOGFONTA FontInfo(HFONT font)
{
    LOGFONTA lf{};
    EXPECT_EQ(static_cast<int>(sizeof(lf)), GetObjectA(font, sizeof(lf), &lf)) << "GetObjectA on the font handle";
    return lf;
}

// A component with a font and a pen, as controls carry them, for reading stored forms.
class TFontHolder : public TComponent {
public:
    TG_DECLARE_CLASS()
    explicit TFontHolder(TComponent* owner) : TComponent(owner) {}
    TFont* Font() const { return FFont.get(); }
    TPen* Pen() const { return FPen.get(); }

private:
    std::unique_ptr<TFont> FFont = std::make_unique<TFont>();
    std::unique_ptr<TPen> FPen = std::make_unique<TPen>();
};

const TClassInfo& TFontHolder::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TFontHolder", &TComponent::StaticClassInfo(), &CreateComponentOf<TFontHolder>, {}, {}};
        i.Props.push_back(ObjProp("Font", &TFontHolder::Font));
        i.Props.push_back(ObjProp("Pen", &TFontHolder::Pen));
        return i;
    }();
    return info;
}

// --- Colours ---------------------------------------------------------------------------

TEST(Colors, SystemColoursResolveThroughGetSysColor)
{
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), ColorToRGB(clBtnFace));
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), ColorToRGB(clWindowText));
    EXPECT_EQ(GetSysColor(COLOR_INFOBK), ColorToRGB(clInfoBk));
    EXPECT_EQ(static_cast<COLORREF>(0x00FF00), ColorToRGB(clLime)) << "plain colours pass through";
    EXPECT_EQ(static_cast<COLORREF>(0x123456), ColorToRGB(0x123456));
    EXPECT_LT(clScrollBar, 0) << "system colours are negative";
    EXPECT_EQ(static_cast<int>(0x80000000u | COLOR_3DDKSHADOW), cl3DDkShadow);
}

TEST(Colors, IdentifiersRoundTrip)
{
    const TIdentMap& map = ColorIdents();
    EXPECT_EQ(&map, &IdentMap("TColor")) << "the registered map";
    EXPECT_EQ(std::optional<long long>(0x00FF00), map.ToInt("clLime"));
    EXPECT_EQ(std::optional<std::string>("clLime"), map.ToIdent(0x00FF00));
    EXPECT_EQ(std::optional<long long>(clBtnFace), map.ToInt("clBtnFace"));
    EXPECT_EQ(std::optional<std::string>("clBtnFace"), map.ToIdent(clBtnFace));
    EXPECT_EQ(std::optional<long long>(clNone), map.ToInt("clnone")) << "identifiers compare case-insensitively";
    TColor c = 0;
    EXPECT_TRUE(IdentToColor("cl3DLight", c));
    EXPECT_EQ(cl3DLight, c);
    std::string ident;
    EXPECT_TRUE(ColorToIdent(clInfoText, ident));
    EXPECT_EQ("clInfoText", ident);
    EXPECT_FALSE(ColorToIdent(0x123456, ident)) << "an unnamed colour has no identifier";
    EXPECT_FALSE(IdentToColor("clNoSuchColour", c));
}

// --- Fonts, pens, brushes --------------------------------------------------------------

TEST(Font, HandleReflectsProperties)
{
    TFont font;
    LOGFONTA lf = FontInfo(font.Handle());
    EXPECT_EQ(-11, lf.lfHeight) << "default height";
    EXPECT_EQ(FW_NORMAL, lf.lfWeight);
    EXPECT_STREQ("MS Sans Serif", lf.lfFaceName);
    EXPECT_EQ(DEFAULT_CHARSET, lf.lfCharSet);

    font.SetName("Arial");
    font.SetHeight(-19);
    font.SetStyle(FontStyleBit(TFontStyle::fsBold) | FontStyleBit(TFontStyle::fsItalic) |
                  FontStyleBit(TFontStyle::fsUnderline) | FontStyleBit(TFontStyle::fsStrikeOut));
    font.SetPitch(TFontPitch::fpVariable);
    font.SetCharset(ANSI_CHARSET);
    lf = FontInfo(font.Handle());
    EXPECT_EQ(-19, lf.lfHeight);
    EXPECT_EQ(FW_BOLD, lf.lfWeight);
    EXPECT_TRUE(lf.lfItalic && lf.lfUnderline && lf.lfStrikeOut) << "italic, underline, strike-out";
    EXPECT_STREQ("Arial", lf.lfFaceName);
    EXPECT_EQ(ANSI_CHARSET, lf.lfCharSet);
    EXPECT_EQ(VARIABLE_PITCH, lf.lfPitchAndFamily & 3);
}

TEST(Font, SizeFollowsHeightAtScreenResolution)
{
    HDC screen = GetDC(nullptr);
    const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    TFont font;
    EXPECT_EQ(ppi, font.PixelsPerInch());
    EXPECT_EQ(-MulDiv(-11, 72, ppi), font.Size()) << "default height -11 at " << ppi << " dpi";
    font.SetSize(10);
    EXPECT_EQ(-MulDiv(10, ppi, 72), font.Height());
    EXPECT_EQ(10, font.Size());
}

TEST(Font, ChangesNotifyOnceAndOnlyWhenDifferent)
{
    TFont font;
    int changes = 0;
    font.OnChange.Set([&](TObject* sender) {
        EXPECT_EQ(&font, sender);
        ++changes;
    });
    font.SetHeight(-11);
    font.SetName("MS Sans Serif");
    EXPECT_EQ(0, changes) << "unchanged values";
    font.SetColor(clRed);
    EXPECT_EQ(1, changes);
    TFont other;
    other.SetName("Arial");
    other.SetStyle(FontStyleBit(TFontStyle::fsBold));
    font.Assign(other);
    EXPECT_EQ(2, changes) << "Assign is one change";
    EXPECT_EQ("Arial", font.Name());
    EXPECT_EQ(clWindowText, font.Color()) << "Assign copies the colour too";
    font.Assign(other);
    EXPECT_EQ(2, changes) << "assigning equal values";
    TPen pen;
    EXPECT_THROW(font.Assign(pen), EInvalidOperation);
}

TEST(GraphicsObjects, ReplacedHandlesAreDeleted)
{
    TFont font;
    HGDIOBJ oldFont = font.Handle();
    font.SetHeight(-20);
    EXPECT_EQ(0u, GetObjectType(oldFont)) << "old font deleted";
    HGDIOBJ newFont = font.Handle();
    EXPECT_EQ(static_cast<DWORD>(OBJ_FONT), GetObjectType(newFont));
    EXPECT_NE(oldFont, newFont);

    TPen pen;
    HGDIOBJ oldPen = pen.Handle();
    pen.SetWidth(3);
    EXPECT_EQ(0u, GetObjectType(oldPen)) << "old pen deleted";
    LOGPEN lp{};
    GetObjectA(pen.Handle(), sizeof(lp), &lp);
    EXPECT_EQ(3, lp.lopnWidth.x);

    TBrush brush;
    HGDIOBJ oldBrush = brush.Handle();
    brush.SetColor(clNavy);
    EXPECT_EQ(0u, GetObjectType(oldBrush)) << "old brush deleted";
    LOGBRUSH lb{};
    GetObjectA(brush.Handle(), sizeof(lb), &lb);
    EXPECT_EQ(static_cast<COLORREF>(clNavy), lb.lbColor);

    HGDIOBJ last = brush.Handle();
    { TBrush gone; last = gone.Handle(); }
    EXPECT_EQ(0u, GetObjectType(last)) << "destroying the object deletes its handle";
}

TEST(GraphicsObjects, StoredFormPropertiesResolveIdentifiers)
{
    RegisterComponentClass(TFontHolder::StaticClassInfo());
    TFontHolder holder(nullptr);
    TFormReader::ReadRoot(holder, "object Holder: TFontHolder\n"
                                  "  Font.Charset = ANSI_CHARSET\n"
                                  "  Font.Color = clBtnText\n"
                                  "  Font.Height = -13\n"
                                  "  Font.Name = 'Arial'\n"
                                  "  Font.Style = [fsBold, fsUnderline]\n"
                                  "  Pen.Mode = pmXor\n"
                                  "  Pen.Style = psDot\n"
                                  "end\n");
    EXPECT_EQ(ANSI_CHARSET, holder.Font()->Charset());
    EXPECT_EQ(clBtnText, holder.Font()->Color());
    EXPECT_EQ(-13, holder.Font()->Height());
    EXPECT_EQ("Arial", holder.Font()->Name());
    EXPECT_EQ(FontStyleBit(TFontStyle::fsBold) | FontStyleBit(TFontStyle::fsUnderline), holder.Font()->Style());
    EXPECT_EQ(R2_XORPEN, holder.Pen()->Mode());
    EXPECT_EQ(TPenStyle::psDot, holder.Pen()->Style());

    const std::string text = TFormWriter::Write(holder);
    EXPECT_NE(std::string::npos, text.find("Font.Color = clBtnText")) << text;
    EXPECT_NE(std::string::npos, text.find("Font.Style = [fsBold, fsUnderline]")) << text;
    EXPECT_EQ(std::string::npos, text.find("Font.Size")) << "Size is never stored\n" << text;
    EXPECT_EQ(std::string::npos, text.find("Font.Pitch")) << "defaults are not stored\n" << text;
}

// --- Canvas ----------------------------------------------------------------------------

TEST(Canvas, RectangleIncludesLeftTopExcludesRightBottom)
{
    TBitmap b;
    b.SetSize(16, 16);
    EXPECT_EQ(Realized(0xFFFFFF), b.Canvas()->Pixel(8, 8)) << "a new bitmap is white";
    TCanvas* c = b.Canvas();
    c->Pen()->SetColor(clRed);
    c->Brush()->SetColor(clBlue);
    c->Rectangle(2, 3, 8, 10);
    EXPECT_EQ(Realized(0x0000FF), c->Pixel(2, 3)) << "outline at left/top";
    EXPECT_EQ(Realized(0x0000FF), c->Pixel(7, 9)) << "outline at right-1/bottom-1";
    EXPECT_EQ(Realized(0xFF0000), c->Pixel(4, 5)) << "filled with the brush";
    EXPECT_EQ(Realized(0xFFFFFF), c->Pixel(8, 5)) << "right edge excluded";
    EXPECT_EQ(Realized(0xFFFFFF), c->Pixel(5, 10)) << "bottom edge excluded";

    c->Brush()->SetStyle(TBrushStyle::bsClear);
    c->Pen()->SetColor(clLime);
    c->Rectangle(2, 3, 8, 10);
    EXPECT_EQ(Realized(0xFF0000), c->Pixel(4, 5)) << "a clear brush leaves the inside alone";
    EXPECT_EQ(Realized(0x00FF00), c->Pixel(2, 3));
}

TEST(Canvas, LineToLeavesEndPixel)
{
    TBitmap b;
    b.SetSize(16, 16);
    TCanvas* c = b.Canvas();
    c->MoveTo(0, 2);
    c->LineTo(5, 2);
    EXPECT_EQ(Realized(0), c->Pixel(4, 2)) << "last drawn pixel";
    EXPECT_EQ(Realized(0xFFFFFF), c->Pixel(5, 2)) << "end point not drawn";
    POINT p = c->PenPos();
    EXPECT_EQ(5, p.x);
    c->MoveTo(0, 15);
    c->LineTo(16, 15);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(Realized(0), c->Pixel(x, 15)) << "base line x=" << x;
}

TEST(Canvas, TextMatchesPlainGdi)
{
    const char* text = "Wj 42%";
    TBitmap ours, plain;
    ours.SetSize(60, 24);
    plain.SetSize(60, 24);
    TCanvas* c = ours.Canvas();
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-15);
    c->Font()->SetStyle(FontStyleBit(TFontStyle::fsBold));
    c->Font()->SetColor(clRed);
    c->Brush()->SetColor(clYellow);
    c->TextOut(2, 2, text);

    LOGFONTA lf{};
    lf.lfHeight = -15;
    lf.lfWeight = FW_BOLD;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpyA(lf.lfFaceName, "Arial");
    HFONT font = CreateFontIndirectA(&lf);
    HDC dc = plain.Canvas()->Handle();
    HGDIOBJ old = SelectObject(dc, font);
    ::SetTextColor(dc, RGB(255, 0, 0));
    ::SetBkColor(dc, RGB(255, 255, 0));
    SetBkMode(dc, OPAQUE);
    TextOutA(dc, 2, 2, text, lstrlenA(text));
    SIZE plainExtent{};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &plainExtent);
    SelectObject(dc, old);
    DeleteObject(font);

    ExpectSamePixels(plain, ours, "TextOut against TextOutA");
    int red = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 60; ++x) red += c->Pixel(x, y) == Realized(0x0000FF);
    EXPECT_GT(red, 10) << "text was drawn in the font colour";
    SIZE extent = c->TextExtent(text);
    EXPECT_EQ(plainExtent.cx, extent.cx);
    EXPECT_EQ(plainExtent.cy, extent.cy);
    EXPECT_LT(c->TextWidth("W"), c->TextWidth("WW"));
}

TEST(Canvas, RestoresTheContextsOwnObjects)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateBitmap(8, 8, 1, 1, nullptr);
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    const HGDIOBJ font0 = GetCurrentObject(dc, OBJ_FONT), pen0 = GetCurrentObject(dc, OBJ_PEN),
                  brush0 = GetCurrentObject(dc, OBJ_BRUSH);
    HGDIOBJ ourFont = nullptr;
    {
        TCanvas canvas;
        canvas.SetHandle(dc);
        canvas.Rectangle(0, 0, 4, 4);
        canvas.TextOut(0, 0, "x");
        ourFont = canvas.Font()->Handle();
        EXPECT_EQ(ourFont, GetCurrentObject(dc, OBJ_FONT)) << "selected on demand";

        canvas.Font()->SetHeight(-20); // selected object changes: the original goes back first
        EXPECT_EQ(font0, GetCurrentObject(dc, OBJ_FONT));
        EXPECT_EQ(0u, GetObjectType(ourFont)) << "the replaced font is deleted";
        canvas.TextOut(0, 0, "x");
        EXPECT_NE(font0, GetCurrentObject(dc, OBJ_FONT));

        canvas.SetHandle(nullptr);
        EXPECT_EQ(font0, GetCurrentObject(dc, OBJ_FONT)) << "after SetHandle(nullptr)";
        EXPECT_EQ(pen0, GetCurrentObject(dc, OBJ_PEN));
        EXPECT_EQ(brush0, GetCurrentObject(dc, OBJ_BRUSH));

        canvas.SetHandle(dc);
        canvas.Ellipse(0, 0, 4, 4);
        ourFont = canvas.Handle() ? canvas.Font()->Handle() : nullptr;
    } // destroyed while attached
    EXPECT_EQ(font0, GetCurrentObject(dc, OBJ_FONT)) << "after destruction";
    EXPECT_EQ(pen0, GetCurrentObject(dc, OBJ_PEN));
    EXPECT_EQ(brush0, GetCurrentObject(dc, OBJ_BRUSH));
    EXPECT_EQ(0u, GetObjectType(ourFont)) << "the canvas's font died with it";
    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
    DeleteDC(dc);

    TCanvas unbound;
    EXPECT_THROW(unbound.Rectangle(0, 0, 1, 1), EInvalidOperation) << "no context to draw on";
}

TEST(Canvas, BrushStylesFramesAndClippedText)
{
    TBitmap b;
    b.SetSize(32, 32);
    Fill(b, clLime);
    TCanvas* c = b.Canvas();
    c->Brush()->SetColor(clBlue);
    c->Brush()->SetStyle(TBrushStyle::bsCross);
    c->FillRect(RECT{0, 0, 16, 16});
    int blue = 0, lime = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            blue += c->Pixel(x, y) == Realized(0xFF0000);
            lime += c->Pixel(x, y) == Realized(0x00FF00);
        }
    EXPECT_GT(blue, 0) << "hatch lines in the brush colour";
    EXPECT_GT(lime, 0) << "hatch gaps keep what was there";
    EXPECT_EQ(256, blue + lime) << "nothing else";

    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    c->Brush()->SetColor(clRed);
    c->FrameRect(RECT{16, 16, 24, 24});
    EXPECT_EQ(Realized(0x0000FF), c->Pixel(16, 16)) << "frame";
    EXPECT_EQ(Realized(0x0000FF), c->Pixel(23, 23)) << "frame's last column and row";
    EXPECT_EQ(Realized(0x00FF00), c->Pixel(18, 18)) << "inside the frame";

    c->Brush()->SetColor(clYellow);
    c->Font()->SetColor(clBlack);
    c->TextRect(RECT{16, 0, 32, 8}, 16, 0, "WWWWWWWW");
    EXPECT_EQ(Realized(0x00FF00), c->Pixel(20, 9)) << "no text below the clip rectangle";
    int yellow = 0;
    for (int x = 16; x < 32; ++x) yellow += c->Pixel(x, 7) == Realized(0x00FFFF);
    EXPECT_GT(yellow, 0) << "background filled with the brush";
}

TEST(Canvas, CopyRectAndPixels)
{
    TBitmap src, dst;
    src.SetSize(4, 4);
    dst.SetSize(8, 8);
    src.Canvas()->SetPixel(1, 2, clFuchsia);
    dst.Canvas()->CopyRect(RECT{4, 4, 8, 8}, src.Canvas(), RECT{0, 0, 4, 4});
    EXPECT_EQ(Realized(0xFF00FF), dst.Canvas()->Pixel(5, 6));
    EXPECT_EQ(Realized(0xFFFFFF), dst.Canvas()->Pixel(4, 4));
    dst.Canvas()->SetCopyMode(NOTSRCCOPY);
    dst.Canvas()->CopyRect(RECT{0, 0, 4, 4}, src.Canvas(), RECT{0, 0, 4, 4});
    EXPECT_EQ(Realized(0x000000), dst.Canvas()->Pixel(0, 0)) << "white inverted by NOTSRCCOPY";
    EXPECT_EQ(Realized(0x00FF00), dst.Canvas()->Pixel(1, 2)) << "fuchsia inverted";
}

// --- Bitmaps and icons -----------------------------------------------------------------

TEST(Bitmap, ResizeKeepsWhatFits)
{
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    b.SetSize(16, 16);
    b.Canvas()->SetPixel(2, 2, clRed);
    b.Canvas()->SetPixel(15, 15, clBlue);
    b.SetWidth(8);
    b.SetHeight(8);
    EXPECT_EQ(8, b.Width());
    EXPECT_EQ(Realized(0x0000FF), b.Canvas()->Pixel(2, 2)) << "kept after shrinking";
    b.SetSize(20, 20);
    EXPECT_EQ(Realized(0x0000FF), b.Canvas()->Pixel(2, 2)) << "kept after growing";
    EXPECT_EQ(Realized(0xFFFFFF), b.Canvas()->Pixel(15, 15)) << "cut off by the shrink";
    EXPECT_EQ(Realized(0xFFFFFF), b.Canvas()->Pixel(19, 19)) << "new area is white";
    BITMAP bm{};
    GetObjectA(b.Handle(), sizeof(bm), &bm);
    EXPECT_EQ(20, bm.bmWidth);
    b.SetWidth(0);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(20, b.Height()) << "the other dimension is kept";
}

TEST(Bitmap, HandleOwnershipAndDeepCopy)
{
    TBitmap b;
    int changes = 0;
    b.OnChange.Set([&](TObject*) { ++changes; });
    b.SetSize(4, 4);
    HBITMAP first = b.Handle();
    b.Canvas()->SetPixel(0, 0, clRed);
    EXPECT_GE(changes, 2) << "resizing and drawing are changes";

    // Handed out: the bitmap can be selected elsewhere (the canvas let go of it).
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, b.Handle());
    EXPECT_NE(nullptr, old) << "Handle() is free to select";
    EXPECT_EQ(Realized(0x0000FF), GetPixel(dc, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);

    TBitmap copy;
    copy.Assign(b);
    EXPECT_NE(b.Handle(), copy.Handle()) << "deep copy";
    ExpectSamePixels(b, copy, "copy");
    copy.Canvas()->SetPixel(0, 0, clLime);
    EXPECT_EQ(Realized(0x0000FF), b.Canvas()->Pixel(0, 0)) << "the original is untouched";

    HBITMAP replacement = CreateBitmap(3, 5, 1, 1, nullptr);
    b.SetHandle(replacement);
    EXPECT_EQ(0u, GetObjectType(first)) << "the replaced bitmap is deleted";
    EXPECT_EQ(3, b.Width());
    EXPECT_EQ(5, b.Height());
    EXPECT_TRUE(b.Monochrome());
    HBITMAP released = b.ReleaseHandle();
    EXPECT_EQ(replacement, released);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), GetObjectType(released)) << "the caller owns it now";
    DeleteObject(released);
}

TEST(Bitmap, MonochromeAndTransparentDrawing)
{
    TBitmap b;
    b.SetSize(4, 4);
    Fill(b, clFuchsia);
    b.Canvas()->SetPixel(1, 1, clRed);
    EXPECT_EQ(static_cast<TColor>(Realized(0xFF00FF)), b.TransparentColor()) << "bottom-left pixel";

    TBitmap target;
    target.SetSize(4, 4);
    Fill(target, clBlue);
    b.SetTransparent(true);
    target.Canvas()->Draw(0, 0, &b);
    EXPECT_EQ(Realized(0xFF0000), target.Canvas()->Pixel(0, 0)) << "transparent pixel shows the target";
    EXPECT_EQ(Realized(0x0000FF), target.Canvas()->Pixel(1, 1)) << "opaque pixel drawn";

    b.SetTransparentColor(clRed);
    EXPECT_EQ(clRed, b.TransparentColor());
    Fill(target, clBlue);
    target.Canvas()->Draw(0, 0, &b);
    EXPECT_EQ(Realized(0xFF0000), target.Canvas()->Pixel(1, 1)) << "a set transparent colour";
    EXPECT_EQ(Realized(0xFF00FF), target.Canvas()->Pixel(0, 0));

    b.SetTransparent(false);
    target.Canvas()->StretchDraw(RECT{0, 0, 4, 4}, &b);
    EXPECT_EQ(Realized(0xFF00FF), target.Canvas()->Pixel(0, 0)) << "opaque drawing";

    TBitmap mono;
    mono.Assign(b);
    Fill(mono, clWhite);
    mono.Canvas()->SetPixel(2, 2, clRed);
    mono.SetMonochrome(true);
    BITMAP bm{};
    GetObjectA(mono.Handle(), sizeof(bm), &bm);
    EXPECT_EQ(1, bm.bmBitsPixel);
    EXPECT_EQ(RGB(0, 0, 0), mono.Canvas()->Pixel(2, 2)) << "colour turns black";
    EXPECT_EQ(RGB(255, 255, 255), mono.Canvas()->Pixel(0, 0)) << "white stays white";
}

TEST(Bitmap, LoadingReportsMissingResources)
{
    TBitmap b;
    b.LoadFromResourceID(nullptr, 32760); // OBM_CHECK, a system bitmap
    EXPECT_FALSE(b.Empty());
    EXPECT_GT(b.Width(), 0);
    EXPECT_THROW(b.LoadFromResourceName(GetModuleHandleA(nullptr), "NO_SUCH_BITMAP"), EInvalidGraphic);
    EXPECT_FALSE(b.Empty()) << "a failed load keeps the picture";
    TIcon icon;
    EXPECT_THROW(icon.LoadFromResourceName(GetModuleHandleA(nullptr), "NO_SUCH_ICON"), EInvalidGraphic);
}

TEST(Icon, OwnsAndCopiesItsHandle)
{
    TIcon icon;
    EXPECT_TRUE(icon.Empty());
    HICON first = CopyIcon(LoadIconA(nullptr, reinterpret_cast<const char*>(IDI_APPLICATION)));
    icon.SetHandle(first);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), icon.Width());
    EXPECT_EQ(GetSystemMetrics(SM_CYICON), icon.Height());

    TIcon copy;
    copy.Assign(icon);
    EXPECT_NE(icon.Handle(), copy.Handle());
    EXPECT_EQ(icon.Width(), copy.Width());

    icon.SetHandle(CopyIcon(first));
    ICONINFO info{};
    EXPECT_FALSE(GetIconInfo(first, &info)) << "the replaced icon is destroyed";
    HICON mine = icon.ReleaseHandle();
    EXPECT_TRUE(icon.Empty());
    EXPECT_EQ(0, icon.Width()) << "a released icon leaves no size behind";
    EXPECT_TRUE(GetIconInfo(mine, &info)) << "a released icon lives on";
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(mine);

    TPicture picture;
    int changes = 0;
    picture.OnChange.Set([&](TObject*) { ++changes; });
    picture.SetGraphic(&copy);
    ASSERT_NE(nullptr, dynamic_cast<TIcon*>(picture.Graphic()));
    EXPECT_NE(copy.Handle(), picture.Icon()->Handle()) << "the picture holds its own copy";
    picture.Bitmap()->SetSize(3, 3);
    EXPECT_EQ(3, picture.Width()) << "asking for a bitmap replaced the icon";
    EXPECT_EQ(3, changes) << "set graphic, replace by bitmap, resize";
}

// --- Image lists -----------------------------------------------------------------------

TEST(ImageList, AddTwiceGetIconAndClear)
{
    TImageList list(nullptr);
    TBitmap picture;
    DrawBars(picture, 100, 50, 20);
    EXPECT_EQ(0, list.Count());
    EXPECT_EQ(0, list.Add(&picture, nullptr));
    EXPECT_EQ(1, list.Add(&picture, nullptr));
    EXPECT_EQ(2, list.Count());

    TIcon icon;
    list.GetIcon(1, &icon);
    ASSERT_FALSE(icon.Empty());
    EXPECT_EQ(16, icon.Width());
    EXPECT_EQ(16, icon.Height());
    TBitmap drawn;
    drawn.SetSize(16, 16);
    Fill(drawn, clFuchsia); // a colour the picture lacks: any see-through pixel shows
    drawn.Canvas()->Draw(0, 0, &icon);
    ExpectSamePixels(picture, drawn, "icon of image 1");

    TBitmap fetched;
    list.GetBitmap(0, &fetched);
    ExpectSamePixels(picture, fetched, "GetBitmap of image 0");
    EXPECT_EQ(2, list.AddIcon(&icon));
    list.GetBitmap(2, &fetched);
    ExpectSamePixels(picture, fetched, "image added from the icon");

    list.Clear();
    EXPECT_EQ(0, list.Count());
    EXPECT_EQ(nullptr, list.GetIconHandle(0));
    list.GetIcon(0, &icon);
    EXPECT_TRUE(icon.Empty()) << "index out of range empties the icon";
}

// A list of kept images cleared and refilled, as on every tick, shows the new pictures, and
// one of another size never the old size's.
TEST(ImageList, KeptImagesClearedAndAddedAgain)
{
    TImageList list(nullptr);
    TBitmap picture;
    DrawBars(picture, 100, 50, 20);
    list.Add(&picture, nullptr);
    list.Add(&picture, nullptr);
    list.Clear();
    DrawBars(picture, 10, 90, 60);
    EXPECT_EQ(0, list.Add(&picture, nullptr));
    EXPECT_EQ(1, list.Add(&picture, nullptr));
    EXPECT_EQ(2, list.Count());
    TBitmap expected;
    DrawBars(expected, 10, 90, 60);
    for (int i = 0; i < 2; ++i) {
        TIcon icon;
        list.GetIcon(i, &icon);
        TBitmap drawn;
        drawn.SetSize(16, 16);
        Fill(drawn, clFuchsia); // any see-through pixel shows
        drawn.Canvas()->Draw(0, 0, &icon);
        ExpectSamePixels(expected, drawn, i == 0 ? "image 0 after clearing" : "image 1 after clearing");
    }
    EXPECT_FALSE(list.HandleAllocated());

    list.Clear();
    list.SetWidth(8);
    list.SetHeight(8);
    TBitmap small;
    small.SetSize(8, 8);
    Fill(small, clRed);
    EXPECT_EQ(0, list.Add(&small, nullptr));
    TIcon icon;
    list.GetIcon(0, &icon);
    EXPECT_EQ(8, icon.Width()) << "an image of the new size, not a 16 x 16 one left from before";
    EXPECT_EQ(8, icon.Height());
}

// Opaque images added before the list exists are kept by the component and turned into
// icons without the common controls; the list made later must hold the same pictures.
TEST(ImageList, KeptImagesGiveTheIconsTheListWouldGive)
{
    for (bool masked : {true, false}) {
        TImageList list(nullptr);
        list.SetMasked(masked);
        TBitmap pictures[3];
        DrawBars(pictures[0], 100, 50, 20);
        DrawBars(pictures[1], 10, 90, 60);
        DrawBars(pictures[2], 35, 35, 100);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(i, list.Add(&pictures[i], nullptr));
        DrawBars(pictures[0], 0, 0, 0); // the list holds its own copy
        list.Delete(1);
        ASSERT_EQ(2, list.Count());
        EXPECT_FALSE(list.HandleAllocated()) << "masked " << masked << ": no list made for opaque images";
        TIcon kept[2];
        for (int i = 0; i < 2; ++i) list.GetIcon(i, &kept[i]);
        EXPECT_FALSE(list.HandleAllocated()) << "masked " << masked << ": nor for their icons";

        list.Handle();
        ASSERT_EQ(2, list.Count()) << "masked " << masked << ": the kept images moved into the list";
        TBitmap expected[2];
        DrawBars(expected[0], 100, 50, 20);
        DrawBars(expected[1], 35, 35, 100);
        for (int i = 0; i < 2; ++i) {
            TIcon made;
            list.GetIcon(i, &made);
            for (TIcon* icon : {&kept[i], &made}) {
                TBitmap drawn;
                drawn.SetSize(16, 16);
                Fill(drawn, clFuchsia); // any see-through pixel shows
                drawn.Canvas()->Draw(0, 0, icon);
                ExpectSamePixels(expected[i], drawn, icon == &made ? "icon of the list" : "icon of the kept image");
            }
        }
    }
}

TEST(ImageList, ChangesReachOnChangeAndEveryLink)
{
    std::vector<std::string> log;
    auto list = std::make_unique<TImageList>(nullptr);
    list->OnChange.Set([&](TObject*) { log.push_back("list"); });
    TChangeLink first, second;
    first.OnChange.Set([&](TObject* sender) { log.push_back(sender == list.get() ? "first" : "first?"); });
    second.OnChange.Set([&](TObject*) { log.push_back("second"); });
    list->RegisterChanges(&first);
    list->RegisterChanges(&second);
    EXPECT_EQ(list.get(), first.Sender);

    TBitmap picture;
    picture.SetSize(16, 16);
    list->Add(&picture, nullptr);
    EXPECT_EQ((std::vector<std::string>{"first", "second", "list"}), log) << "after Add";
    log.clear();
    list->UnRegisterChanges(&first);
    EXPECT_EQ(nullptr, first.Sender);
    list->AddMasked(&picture, clWhite);
    list->Delete(0);
    list->Clear();
    EXPECT_EQ((std::vector<std::string>{"second", "list", "second", "list", "second", "list"}), log)
        << "AddMasked, Delete, Clear";
    EXPECT_THROW(list->Delete(0), EInvalidOperation) << "index out of range";

    log.clear();
    TChangeLink third;
    third.OnChange.Set([&](TObject*) { log.push_back("third"); });
    first.OnChange.Set([&](TObject*) {
        log.push_back("first");
        list->UnRegisterChanges(&third); // while the list is telling its links
    });
    list->RegisterChanges(&first);
    list->RegisterChanges(&third);
    list->Clear();
    EXPECT_EQ((std::vector<std::string>{"second", "first", "list"}), log) << "a link removed during a change";
    list->UnRegisterChanges(&first);

    log.clear();
    {
        TChangeLink shortLived;
        shortLived.OnChange.Set([&](TObject*) { log.push_back("short"); });
        list->RegisterChanges(&shortLived);
    } // unregisters itself
    list->Clear();
    EXPECT_EQ((std::vector<std::string>{"second", "list"}), log) << "a destroyed link is not called";
    list.reset();
    EXPECT_EQ(nullptr, second.Sender) << "the list let its links go";
}

TEST(ImageList, MasksAndBackground)
{
    TBitmap picture;
    picture.SetSize(16, 16);
    Fill(picture, clFuchsia);
    picture.Canvas()->Brush()->SetColor(clRed);
    picture.Canvas()->FillRect(RECT{4, 4, 12, 12});

    TImageList list(nullptr);
    EXPECT_EQ(0, list.AddMasked(&picture, clFuchsia));
    EXPECT_EQ(Realized(0xFF00FF), picture.Canvas()->Pixel(0, 0)) << "AddMasked leaves the image alone";

    TBitmap mask;
    mask.SetMonochrome(true);
    mask.SetSize(16, 16); // white: all transparent...
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(RECT{0, 0, 8, 16}); // ...but the left half
    EXPECT_EQ(1, list.Add(&picture, &mask));

    TBitmap target;
    target.SetSize(32, 16);
    Fill(target, clGreen);
    list.Draw(target.Canvas(), 0, 0, 0);
    list.Draw(target.Canvas(), 16, 0, 1);
    EXPECT_EQ(Realized(0x008000), target.Canvas()->Pixel(0, 0)) << "masked colour is see-through";
    EXPECT_EQ(Realized(0x0000FF), target.Canvas()->Pixel(6, 6)) << "image pixel";
    EXPECT_EQ(Realized(0xFF00FF), target.Canvas()->Pixel(16, 0)) << "mask black: opaque";
    EXPECT_EQ(Realized(0x008000), target.Canvas()->Pixel(31, 0)) << "mask white: see-through";

    list.SetBkColor(clYellow);
    list.Draw(target.Canvas(), 0, 0, 0);
    EXPECT_EQ(Realized(0x00FFFF), target.Canvas()->Pixel(0, 0)) << "BkColor fills the masked area";

    TImageList plain(nullptr);
    plain.SetMasked(false);
    plain.Add(&picture, &mask);
    plain.Draw(target.Canvas(), 16, 0, 0);
    EXPECT_EQ(Realized(0xFF00FF), target.Canvas()->Pixel(31, 0)) << "an unmasked list draws opaque";

    TBitmap disabled;
    disabled.SetSize(17, 17);
    Fill(disabled, clGreen);
    list.SetBkColor(clNone);
    list.Draw(disabled.Canvas(), 0, 0, 0, false);
    EXPECT_EQ(Realized(GetSysColor(COLOR_BTNSHADOW)), disabled.Canvas()->Pixel(6, 6)) << "disabled: shadow shape";
    EXPECT_EQ(Realized(GetSysColor(COLOR_BTNHIGHLIGHT)), disabled.Canvas()->Pixel(12, 12))
        << "disabled: highlight one pixel down-right";
    EXPECT_EQ(Realized(0x008000), disabled.Canvas()->Pixel(1, 1)) << "disabled: see-through stays";

    // A slot that held a see-through image and is reused by an image without a mask.
    TImageList reused(nullptr);
    reused.Add(&picture, &mask);
    reused.Add(&picture, &mask);
    reused.Delete(0);
    EXPECT_EQ(1, reused.Add(&picture, nullptr));
    reused.Draw(target.Canvas(), 16, 0, 1);
    EXPECT_EQ(Realized(0xFF00FF), target.Canvas()->Pixel(31, 0)) << "no mask: opaque";
}

TEST(ImageList, SizeChangeEmptiesAndRegisteredForForms)
{
    TImageList list(nullptr);
    TBitmap picture;
    picture.SetSize(16, 16);
    list.Add(&picture, nullptr);
    int changes = 0;
    list.OnChange.Set([&](TObject*) { ++changes; });
    list.SetWidth(24);
    EXPECT_EQ(0, list.Count()) << "a new size starts an empty list";
    EXPECT_EQ(1, changes);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list.Handle(), &cx, &cy);
    EXPECT_EQ(24, cx);
    EXPECT_EQ(16, cy);
    EXPECT_THROW(list.SetHeight(0), EInvalidOperation);

    const TClassInfo* info = FindClass("TImageList");
    ASSERT_NE(nullptr, info) << "TImageList is registered";
    std::unique_ptr<TComponent> read(TFormReader::CreateRoot("object ImageList: TImageList\n"
                                                             "  BkColor = clBtnFace\n"
                                                             "  Height = 24\n"
                                                             "  Masked = False\n"
                                                             "end\n",
                                                             nullptr));
    auto* images = dynamic_cast<TImageList*>(read.get());
    ASSERT_NE(nullptr, images);
    EXPECT_EQ(16, images->Width());
    EXPECT_EQ(24, images->Height());
    EXPECT_FALSE(images->Masked());
    EXPECT_EQ(clBtnFace, images->BkColor());
    EXPECT_FALSE(images->HandleAllocated()) << "reading makes no list yet";
}

// --- Handles are never leaked ----------------------------------------------------------

// How many more GDI objects the process may create: fills the handle table with brushes
// and frees them again. Two readings differ by exactly the objects left alive in between.
int GdiHeadroom()
{
    std::vector<HBRUSH> brushes;
    brushes.reserve(70000);
    while (brushes.size() < 200000) {
        HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
        if (!b) break;
        brushes.push_back(b);
    }
    for (HBRUSH b : brushes) DeleteObject(b);
    return static_cast<int>(brushes.size());
}

TEST(Leaks, HeadroomCountsLiveObjects)
{
    const int before = GdiHeadroom();
    HBRUSH kept = CreateSolidBrush(0);
    EXPECT_EQ(before - 1, GdiHeadroom()) << "one live brush";
    DeleteObject(kept);
    EXPECT_EQ(before, GdiHeadroom());
}

TEST(Leaks, TrayTickCycle)
{
    TImageList list(nullptr);
    TBitmap picture;
    TIcon icon;
    auto tick = [&](int i) {
        list.Clear();
        DrawBars(picture, i % 101, (i * 7) % 101, (i * 13) % 101);
        ASSERT_EQ(0, list.Add(&picture, nullptr)) << "round " << i;
        ASSERT_EQ(1, list.Add(&picture, nullptr)) << "round " << i;
        list.GetIcon(i % 2, &icon);
        ASSERT_FALSE(icon.Empty()) << "round " << i;
    };
    tick(0); // everything that lives across ticks now exists
    const int before = GdiHeadroom();
    for (int i = 1; i <= 500; ++i) {
        tick(i);
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(before, GdiHeadroom()) << "GDI objects left behind by 500 ticks";
}

TEST(Leaks, ObjectsListsAndCanvases)
{
    TBitmap target;
    target.SetSize(16, 16);
    auto round = [&](int i) {
        TCanvas* c = target.Canvas();
        c->Font()->SetHeight(-8 - i % 5);
        c->Pen()->SetColor(i & 0xFFFFFF);
        c->Brush()->SetStyle(i % 2 ? TBrushStyle::bsCross : TBrushStyle::bsSolid);
        c->Rectangle(0, 0, 16, 16);
        c->TextOut(0, 0, "x");
        TImageList list(nullptr);
        ASSERT_EQ(0, list.Add(&target, nullptr)) << "round " << i; // frees the canvas's context
        ASSERT_EQ(1, list.Count()) << "round " << i;
        list.Draw(c, 0, 0, 0, i % 3 != 0);
        TBitmap copy;
        copy.Assign(target);
        copy.SetSize(4, 12);
        copy.SetMonochrome(true);
        copy.SetTransparent(true);
        c->Draw(0, 0, &copy);
        TIcon icon;
        list.GetIcon(0, &icon);
        TPicture picture;
        picture.SetGraphic(&icon);
        picture.Bitmap()->Assign(copy);
    };
    round(0); // the canvas's context, font, pen and brush now exist, as they will at the end
    const int before = GdiHeadroom();
    for (int i = 1; i <= 300; ++i) {
        round(i);
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(before, GdiHeadroom()) << "GDI objects left behind by 300 rounds";
}

} // namespace
