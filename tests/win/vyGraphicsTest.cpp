// tests/win/vyGraphicsTest.cpp
// The graphics toolbox against real GDI: gradients and picture styles read back pixel by
// pixel from 32-bit DIB sections (exact colours whatever the screen depth), the central
// gradient's calls recorded in a metafile, glyphs, frames, colour names, and icons and
// pictures stored packed in form descriptions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FormReader.h"
#include "FormText.h"
#include "Forms.h"
#include "ImgList.h"
#include "Pictures.h"
#include "WinTest.h"
#include "vyGraphics.h"
#include "vyPackedStream.h"

namespace {

// --- Recording the central gradient through an enhanced metafile ------------------------

struct TEllipse {
    RECT Box;
    COLORREF Brush;
};

struct TRecording {
    std::map<DWORD, COLORREF> Brushes; // object table index -> colour
    COLORREF Current = CLR_INVALID;
    std::vector<TEllipse> Ellipses;
};

int CALLBACK RecordEllipses(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data)
{
    auto* rec = reinterpret_cast<TRecording*>(data);
    switch (record->iType) {
    case EMR_CREATEBRUSHINDIRECT: {
        const auto* r = reinterpret_cast<const EMRCREATEBRUSHINDIRECT*>(record);
        rec->Brushes[r->ihBrush] = r->lb.lbColor;
        break;
    }
    case EMR_SELECTOBJECT: {
        const auto* r = reinterpret_cast<const EMRSELECTOBJECT*>(record);
        auto it = rec->Brushes.find(r->ihObject);
        if (it != rec->Brushes.end()) rec->Current = it->second;
        break;
    }
    case EMR_ELLIPSE: {
        const auto* r = reinterpret_cast<const EMRELLIPSE*>(record);
        rec->Ellipses.push_back({RECT{r->rclBox.left, r->rclBox.top, r->rclBox.right, r->rclBox.bottom}, rec->Current});
        break;
    }
    default: break;
    }
    return 1;
}

TRecording RecordGradient(const RECT& r, TColor c1, TvyGradientDirection direction, TColor bg, TColor c2)
{
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    {
        TCanvas canvas;
        canvas.SetHandle(dc);
        DrawGradient(&canvas, r, c1, direction, bg, c2);
        canvas.SetHandle(nullptr);
    }
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    TRecording rec;
    EnumEnhMetaFile(nullptr, emf, RecordEllipses, &rec, nullptr);
    DeleteEnhMetaFile(emf);
    return rec;
}

// --- Pictures to draw -------------------------------------------------------------------

// A 4 x 3 bitmap whose every pixel has its own colour.
COLORREF Cell(int x, int y)
{
    return RGB(16 + x * 48, 32 + y * 64, 200);
}

std::unique_ptr<TBitmap> CellBitmap()
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) b->Canvas()->SetPixel(x, y, static_cast<TColor>(Cell(x, y)));
    return b;
}

// The colour the screen-compatible bitmap really holds (exact at 24 and 32 bits).
COLORREF Held(TBitmap& b, int x, int y)
{
    return b.Canvas()->Pixel(x, y);
}

// A 4 x 4 glyph: white, a black 2 x 2 square at (1, 1), a red pixel at (3, 3).
std::unique_ptr<TBitmap> Glyph()
{
    auto g = std::make_unique<TBitmap>();
    g->SetSize(4, 4);
    g->Canvas()->Brush()->SetColor(clWhite);
    g->Canvas()->FillRect(RECT{0, 0, 4, 4});
    g->Canvas()->Brush()->SetColor(clBlack);
    g->Canvas()->FillRect(RECT{1, 1, 3, 3});
    g->Canvas()->SetPixel(3, 3, clRed);
    return g;
}

COLORREF GlyphPixel(int x, int y)
{
    if (x == 3 && y == 3) return RGB(255, 0, 0);
    if (x >= 1 && x <= 2 && y >= 1 && y <= 2) return RGB(0, 0, 0);
    return RGB(255, 255, 255);
}

constexpr COLORREF kSentinel = RGB(0, 0, 255);

// A colour icon: a 4-pixel see-through border around a pattern.
HICON MakeIcon(int size)
{
    TBitmap color;
    color.SetSize(size, size);
    TBitmap mask;
    mask.SetMonochrome(true);
    mask.SetSize(size, size);
    mask.Canvas()->Brush()->SetColor(clWhite);
    mask.Canvas()->FillRect(RECT{0, 0, size, size});
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(RECT{4, 4, size - 4, size - 4});
    color.Canvas()->Brush()->SetColor(clBlack);
    color.Canvas()->FillRect(RECT{0, 0, size, size});
    for (int y = 4; y < size - 4; ++y)
        for (int x = 4; x < size - 4; ++x)
            color.Canvas()->SetPixel(x, y, static_cast<TColor>(RGB(x * 8, y * 8, (x + y) % 2 ? 255 : 64)));
    ICONINFO info{TRUE, 0, 0, mask.Handle(), color.Handle()};
    return CreateIconIndirect(&info);
}

// Draws a graphic onto two backgrounds, so that see-through parts compare too.
std::vector<COLORREF> Rendered(TGraphic& graphic, int width, int height)
{
    std::vector<COLORREF> out;
    for (COLORREF bg : {RGB(255, 0, 255), RGB(0, 128, 0)}) {
        TDibTarget t(width, height, bg);
        graphic.Draw(*t.Canvas(), RECT{0, 0, width, height});
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) out.push_back(t.Pixel(x, y));
    }
    return out;
}

HENHMETAFILE MakeMetafile()
{
    RECT frame{0, 0, 2000, 1000}; // 20 x 10 mm
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(dc, red);
    Rectangle(dc, 5, 5, 40, 30);
    SelectObject(dc, old);
    DeleteObject(red);
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 60, 35);
    return CloseEnhMetaFile(dc);
}

// A component carrying an icon and a picture, for reading and writing stored forms.
class TPictureHolder : public TComponent {
public:
    TG_DECLARE_CLASS()
    explicit TPictureHolder(TComponent* owner) : TComponent(owner) {}
    TvyIcon* Icon() const { return FIcon.get(); }
    TvyPicture* Picture() const { return FPicture.get(); }

private:
    std::unique_ptr<TvyIcon> FIcon = std::make_unique<TvyIcon>();
    std::unique_ptr<TvyPicture> FPicture = std::make_unique<TvyPicture>();
};

const TClassInfo& TPictureHolder::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TPictureHolder", &TComponent::StaticClassInfo(), &CreateComponentOf<TPictureHolder>, {}, {}};
        i.Props.push_back(ObjProp("Icon", &TPictureHolder::Icon));
        i.Props.push_back(ObjProp("Picture", &TPictureHolder::Picture));
        return i;
    }();
    return info;
}

[[maybe_unused]] const bool gHolderRegistered = (RegisterComponentClass(TPictureHolder::StaticClassInfo()), true);

std::unique_ptr<TPictureHolder> ReadHolder(const std::string& text)
{
    auto holder = std::make_unique<TPictureHolder>(nullptr);
    TFormReader::ReadRoot(*holder, text);
    return holder;
}

// The binary value of property name in a written form.
std::vector<unsigned char> BinaryProperty(const std::string& text, const std::string& name)
{
    const TFormObject tree = ParseFormText(text);
    for (const auto& p : tree.Properties)
        if (p.Name == name && p.Value.Kind == TFormValueKind::Binary) return p.Value.Binary;
    ADD_FAILURE() << "no binary property " << name << " in\n" << text;
    return {};
}

std::string HolderText(const std::string& property, const std::vector<unsigned char>& data)
{
    return "object Holder: TPictureHolder\n  " + property + " = {" + HexBytes(data) + "}\nend\n";
}

std::vector<unsigned char> IconFile(HICON handle)
{
    TIcon icon;
    icon.SetHandle(CopyIcon(handle));
    TMemoryStream s;
    SaveIconToStream(icon, s);
    return s.Bytes();
}

} // namespace

// --- Colour names and small helpers -----------------------------------------------------

TEST(GraphicsNames, ExtraColourNamesReadAndWrite)
{
    const std::pair<const char*, unsigned> names[] = {
        {"clHotLight", 0x8000001A}, {"clGradientActiveCaption", 0x8000001B}, {"clGradientInactiveCaption", 0x8000001C},
        {"clContextHelp", 0xEEFFFF}, {"clBrown", 0x003090},      {"clOliveGreen", 0x003030},
        {"clDarkGreen", 0x003000},  {"clDarkTeal", 0x603000},   {"clIndigo", 0x903030},
        {"clSkyBlue", 0xFFC800},    {"clNight", 0x303030},      {"clOrange", 0x0068FF},
        {"clBlueGray", 0x906060},   {"clLightOrange", 0x0098FF}, {"clSeaGreen", 0x609830},
        {"clLightBlue", 0xFF6830},  {"clMetal", 0x909090},      {"clGold", 0x00C8FF},
        {"clLavender", 0xFF98C0},   {"clCream", 0xA6CAF0},      {"clPlum", 0x603090},
        {"clRose", 0xD098FF},       {"clTan", 0xA0C8FF},        {"clLightYellow", 0x90FFFF},
        {"clLightGreen", 0xD0FFD0}, {"clLightTurquoise", 0xFFFFC0}, {"clPaleBlue", 0xFFC890},
        {"clSoftBlue", 0xE6AA8C},   {"clMoneyGreen", 0xC0DCC0}, {"clDefault", 0x20000000},
    };
    for (const auto& [name, value] : names) {
        TColor c = 0;
        EXPECT_TRUE(IdentToColor(name, c)) << name << " is known";
        EXPECT_EQ(static_cast<TColor>(value), c) << name;
        std::string back;
        EXPECT_TRUE(ColorToIdent(static_cast<TColor>(value), back)) << name << " writes by name";
        EXPECT_EQ(name, back);
    }
    TColor c = 0;
    EXPECT_TRUE(IdentToColor("clBtnFace", c)) << "the framework's names stay";
    EXPECT_EQ(clBtnFace, c);
}

TEST(GraphicsHelpers, ColourModeFollowsBitsPerPixel)
{
    EXPECT_EQ(TvyScreenColorMode::sm4bit, ColorModeFromBitsPerPixel(4));
    EXPECT_EQ(TvyScreenColorMode::sm8bit, ColorModeFromBitsPerPixel(8));
    EXPECT_EQ(TvyScreenColorMode::sm8bit, ColorModeFromBitsPerPixel(15)) << "15 is not one of the named depths";
    EXPECT_EQ(TvyScreenColorMode::sm16bit, ColorModeFromBitsPerPixel(16));
    EXPECT_EQ(TvyScreenColorMode::sm24bit, ColorModeFromBitsPerPixel(24));
    EXPECT_EQ(TvyScreenColorMode::sm32bit, ColorModeFromBitsPerPixel(32));
    EXPECT_EQ(TvyScreenColorMode::sm8bit, ColorModeFromBitsPerPixel(1));
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(ColorModeFromBitsPerPixel(bits), ScreenColorMode()) << "screen at " << bits << " bits";
}

TEST(GraphicsHelpers, PictureContentTextHeightAndButtonFrame)
{
    EXPECT_FALSE(PictureHasContent(nullptr));
    TPicture picture;
    EXPECT_FALSE(PictureHasContent(&picture)) << "no graphic";
    picture.Bitmap();
    EXPECT_FALSE(PictureHasContent(&picture)) << "an empty bitmap";
    picture.Bitmap()->SetSize(1, 1);
    EXPECT_TRUE(PictureHasContent(&picture));

    TDibTarget t(40, 30, kSentinel);
    t.Canvas()->Font()->SetHeight(-20);
    TEXTMETRICA tm{};
    GetTextMetricsA(t.Canvas()->Handle(), &tm);
    EXPECT_EQ(tm.tmHeight, CanvasTextHeight(t.Canvas())) << "Wj spans the font's whole height";

    RECT r{0, 0, 40, 30};
    DrawButtonFrame(t.DC(), r, false);
    EXPECT_EQ((RECT{2, 2, 38, 28}.left), r.left) << "the frame's inside comes back";
    EXPECT_EQ(28, r.bottom);
    const COLORREF raisedCorner = t.Pixel(0, 0);
    const COLORREF raisedFace = t.Pixel(20, 15);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), raisedFace) << "the button face fills the inside";
    EXPECT_EQ(GetSysColor(COLOR_3DDKSHADOW), t.Pixel(39, 29)) << "raised: dark bottom-right edge";
    t.Fill(kSentinel);
    r = RECT{0, 0, 40, 30};
    DrawButtonFrame(t.DC(), r, true);
    EXPECT_NE(raisedCorner, t.Pixel(0, 0)) << "a pushed frame's top-left edge differs from a raised one's";
}

// --- Gradients --------------------------------------------------------------------------

TEST(GraphicsGradient, VerticalBandsOnAHundredRows)
{
    const COLORREF c1 = RGB(0, 200, 30), c2 = RGB(254, 10, 30);
    TDibTarget t(20, 100, kSentinel);
    DrawGradient(t.Canvas(), RECT{0, 0, 20, 100}, static_cast<TColor>(c1), TvyGradientDirection::gdVertical, clRed,
                 static_cast<TColor>(c2));
    EXPECT_EQ(Band(c1, c2, 1, 255), t.Pixel(0, 0)) << "row 0 is band 1";
    EXPECT_EQ(Band(c1, c2, 253, 255), t.Pixel(19, 99)) << "row 99 is band 253";
    EXPECT_NE(c1, t.Pixel(0, 0)) << "row 0 is not exactly colour 1";
    EXPECT_NE(c2, t.Pixel(0, 99)) << "row 99 is not exactly colour 2";
    ExpectPixels(t, [&](int, int y) { return Band(c1, c2, BandAt(y, 100), 255); }, "vertical gradient");
}

TEST(GraphicsGradient, HorizontalBandsAndSystemColours)
{
    TDibTarget t(300, 40, kSentinel);
    DrawGradient(t.Canvas(), RECT{0, 0, 300, 40}, cl3DLight, TvyGradientDirection::gdHorizontal, clRed, clBtnFace);
    const COLORREF c1 = GetSysColor(COLOR_3DLIGHT), c2 = GetSysColor(COLOR_BTNFACE);
    ExpectPixels(t, [&](int x, int) { return Band(c1, c2, BandAt(x, 300), 255); }, "horizontal, system colours");

    // A vivid one to look at: left blue, right yellow.
    TDibTarget shot(300, 80, kSentinel);
    DrawGradient(shot.Canvas(), RECT{0, 0, 300, 80}, clBlue, TvyGradientDirection::gdHorizontal, clRed, clYellow);
    EXPECT_EQ(Band(0xFF0000, 0x00FFFF, BandAt(0, 300), 255), shot.Pixel(0, 40));
    EXPECT_EQ(Band(0xFF0000, 0x00FFFF, BandAt(299, 300), 255), shot.Pixel(299, 40));
    shot.SavePng("vyGraphics-gradient-horizontal.png");
}

TEST(GraphicsGradient, CentralEllipsesLargestFirst)
{
    // 3 x 3: half sizes 1, so the steps are raised to the lower limit of 2.
    const TRecording small = RecordGradient(RECT{0, 0, 3, 3}, clRed, TvyGradientDirection::gdCentral, clWhite, clBlue);
    ASSERT_EQ(2u, small.Ellipses.size()) << "two steps";
    EXPECT_EQ(static_cast<COLORREF>(clBlue), small.Ellipses[0].Brush) << "the rim colour first";
    EXPECT_EQ(static_cast<COLORREF>(clRed), small.Ellipses[1].Brush) << "then the centre colour";
    // Metafile boxes include their right and bottom edges: Ellipse(0, 0, 2, 2) is 0..1.
    EXPECT_EQ((std::vector<LONG>{0, 0, 1, 1}),
              (std::vector<LONG>{small.Ellipses[0].Box.left, small.Ellipses[0].Box.top, small.Ellipses[0].Box.right,
                                 small.Ellipses[0].Box.bottom}))
        << "radius MulDiv(2, 1, 2) = 1 around (1, 1)";
    EXPECT_EQ(small.Ellipses[0].Box.right, small.Ellipses[1].Box.right) << "MulDiv(1, 1, 2) rounds up to 1 too";

    // 60 x 40: steps = min(30, 20) = 20, radii shrinking step by step.
    const TRecording big = RecordGradient(RECT{10, 10, 70, 50}, clBlack, TvyGradientDirection::gdCentral, clWhite, clLime);
    ASSERT_EQ(20u, big.Ellipses.size());
    for (int k = 0; k < 20; ++k) {
        const int i = 19 - k;
        const int rx = Scaled(i + 1, 30, 20), ry = Scaled(i + 1, 20, 20);
        const RECT& b = big.Ellipses[static_cast<size_t>(k)].Box;
        EXPECT_EQ(40 - rx, b.left) << "ellipse of band " << i;
        EXPECT_EQ(30 - ry, b.top) << "ellipse of band " << i;
        EXPECT_EQ(40 + rx - 1, b.right) << "ellipse of band " << i;
        EXPECT_EQ(30 + ry - 1, b.bottom) << "ellipse of band " << i;
        EXPECT_EQ(Band(0, 0x00FF00, i, 20), big.Ellipses[static_cast<size_t>(k)].Brush) << "colour of band " << i;
    }

    // Drawn: corners keep the background, the middle is colour 1, and the colour only
    // moves towards colour 2 going outwards.
    TDibTarget shot(200, 120, kSentinel);
    DrawGradient(shot.Canvas(), RECT{0, 0, 200, 120}, clWhite, TvyGradientDirection::gdCentral, clRed, clNavy);
    EXPECT_EQ(static_cast<COLORREF>(clRed), shot.Pixel(0, 0)) << "corner: background";
    EXPECT_EQ(static_cast<COLORREF>(clRed), shot.Pixel(199, 119)) << "corner: background";
    // Band 0 is a 4 x 2 ellipse: whether it covers the centre pixel is the rasteriser's call.
    const COLORREF centre = shot.Pixel(100, 60);
    EXPECT_TRUE(centre == Band(0xFFFFFF, 0x800000, 0, 60) || centre == Band(0xFFFFFF, 0x800000, 1, 60))
        << "centre: band 0 or 1, got " << Hex(centre);
    int previous = 256;
    for (int x = 100; x > 2; --x) {
        const int red = GetRValue(shot.Pixel(x, 60));
        EXPECT_LE(red, previous) << "red falls towards the rim at x " << x;
        previous = red;
    }
    EXPECT_LT(previous, 20) << "near the rim the colour is close to navy";
    shot.SavePng("vyGraphics-gradient-central.png");
}

TEST(GraphicsGradient, ErrorsAreSwallowed)
{
    // A canvas without a context: every drawing call fails inside.
    TCanvas none;
    EXPECT_NO_THROW(DrawGradient(&none, RECT{0, 0, 10, 10}, clRed, TvyGradientDirection::gdVertical, clRed, clBlue));
    TPicture picture;
    picture.Bitmap()->SetSize(2, 2);
    EXPECT_NO_THROW(DrawPicture(&none, RECT{0, 0, 10, 10}, &picture, TvyBackgroundPictureStyle::bsTile, clRed));
}

// --- Picture styles ---------------------------------------------------------------------

TEST(GraphicsPicture, SixStylesOnASmallBitmap)
{
    auto cells = CellBitmap();
    TPicture picture;
    picture.SetGraphic(cells.get());
    TBitmap& held = *static_cast<TBitmap*>(picture.Graphic());
    const COLORREF bg = RGB(0, 128, 0);
    const RECT r{0, 0, 11, 8};
    auto draw = [&](TvyBackgroundPictureStyle style, TDibTarget& t) { DrawPicture(t.Canvas(), r, &picture, style, static_cast<TColor>(bg)); };
    auto inside = [&](int x, int y, int x0, int y0) {
        return x >= x0 && x < x0 + 4 && y >= y0 && y < y0 + 3 ? Held(held, x - x0, y - y0) : bg;
    };
    {
        TDibTarget t(11, 8, kSentinel);
        draw(TvyBackgroundPictureStyle::bsTile, t);
        ExpectPixels(t, [&](int x, int y) { return Held(held, x % 4, y % 3); }, "bsTile");
    }
    {
        TDibTarget t(11, 8, kSentinel);
        draw(TvyBackgroundPictureStyle::bsZigzag, t);
        // Rows of tiles 1 and 3 start w div 2 = 2 pixels further left.
        ExpectPixels(t, [&](int x, int y) { return Held(held, (y / 3) % 2 ? (x + 2) % 4 : x % 4, y % 3); }, "bsZigzag");
    }
    {
        TDibTarget t(11, 8, kSentinel);
        draw(TvyBackgroundPictureStyle::bsCenter, t);
        ExpectPixels(t, [&](int x, int y) { return inside(x, y, 3, 2); }, "bsCenter at ((11-4) div 2, (8-3) div 2)");
    }
    {
        TDibTarget t(11, 8, kSentinel);
        draw(TvyBackgroundPictureStyle::bsAlignLeft, t);
        ExpectPixels(t, [&](int x, int y) { return inside(x, y, 0, 0); }, "bsAlignLeft");
    }
    {
        TDibTarget t(11, 8, kSentinel);
        draw(TvyBackgroundPictureStyle::bsAlignRight, t);
        ExpectPixels(t, [&](int x, int y) { return inside(x, y, 7, 0); }, "bsAlignRight");
    }
    {
        TDibTarget t(12, 9, kSentinel);
        DrawPicture(t.Canvas(), RECT{0, 0, 12, 9}, &picture, TvyBackgroundPictureStyle::bsStretch, static_cast<TColor>(bg));
        // Three times as large each way: every source pixel becomes a 3 x 3 block.
        ExpectPixels(t, [&](int x, int y) { return Held(held, x / 3, y / 3); }, "bsStretch");
    }
    {
        TDibTarget t(11, 8, kSentinel);
        draw(static_cast<TvyBackgroundPictureStyle>(6), t);
        ExpectPixels(t, [](int, int) { return kSentinel; }, "style 6 draws nothing");
    }
}

TEST(GraphicsPicture, RectangleAwayFromTheOriginAndLargerPictures)
{
    auto cells = CellBitmap();
    TPicture picture;
    picture.SetGraphic(cells.get());
    TBitmap& held = *static_cast<TBitmap*>(picture.Graphic());
    const COLORREF bg = RGB(0, 128, 0);
    {
        // Tiles start at the rectangle's corner; nothing is drawn outside it.
        TDibTarget t(12, 10, kSentinel);
        DrawPicture(t.Canvas(), RECT{2, 1, 9, 7}, &picture, TvyBackgroundPictureStyle::bsTile, static_cast<TColor>(bg));
        ExpectPixels(
            t,
            [&](int x, int y) {
                if (x < 2 || x >= 9 || y < 1 || y >= 7) return kSentinel;
                return Held(held, (x - 2) % 4, (y - 1) % 3);
            },
            "tile in (2,1)-(9,7)");
    }
    {
        // Centred in a 3 x 2 rectangle at (1, 1): offsets (3-4) div 2 = 0 and (2-3) div 2 = 0,
        // clipped to the rectangle.
        TDibTarget t(6, 5, kSentinel);
        DrawPicture(t.Canvas(), RECT{1, 1, 4, 3}, &picture, TvyBackgroundPictureStyle::bsCenter, static_cast<TColor>(bg));
        ExpectPixels(
            t,
            [&](int x, int y) {
                if (x < 1 || x >= 4 || y < 1 || y >= 3) return kSentinel;
                return Held(held, x - 1, y - 1);
            },
            "picture larger than the rectangle");
    }
}

// --- Glyphs -----------------------------------------------------------------------------

TEST(GraphicsGlyph, OpaqueAndTransparent)
{
    auto glyph = Glyph();
    const COLORREF white = RGB(255, 255, 255);
    {
        TDibTarget t(10, 10, kSentinel);
        DrawGlyph(t.DC(), 1, 1, 8, 8, glyph.get(), nullptr, -1, false, false, clNone, false, 0, 0);
        ExpectPixels(
            t,
            [](int x, int y) {
                if (x < 1 || x >= 9 || y < 1 || y >= 9) return kSentinel;
                return GlyphPixel((x - 1) / 2, (y - 1) / 2);
            },
            "opaque, stretched twice");
    }
    {
        TDibTarget t(8, 8, kSentinel);
        DrawGlyph(t.DC(), 2, 2, 4, 4, glyph.get(), nullptr, -1, false, true, clNone, false, 0, 0);
        ExpectPixels(
            t,
            [&](int x, int y) {
                if (x < 2 || x >= 6 || y < 2 || y >= 6) return kSentinel;
                const COLORREF g = GlyphPixel(x - 2, y - 2);
                return g == white ? kSentinel : g;
            },
            "transparent through pixel (0,0)");
    }
    {
        TDibTarget t(4, 4, kSentinel);
        DrawGlyph(t.DC(), 0, 0, 4, 4, glyph.get(), nullptr, -1, false, true, clRed, false, 0, 0);
        ExpectPixels(
            t,
            [](int x, int y) {
                const COLORREF g = GlyphPixel(x, y);
                return g == RGB(255, 0, 0) ? kSentinel : g;
            },
            "transparent colour given: red");
    }
}

TEST(GraphicsGlyph, RecolouringThroughAMask)
{
    auto glyph = Glyph();
    const COLORREF white = RGB(255, 255, 255), green = RGB(0, 255, 0);
    {
        TDibTarget t(4, 4, kSentinel);
        DrawGlyph(t.DC(), 0, 0, 4, 4, glyph.get(), nullptr, -1, false, true, clNone, true, clBlack, clLime);
        ExpectPixels(
            t,
            [&](int x, int y) {
                const COLORREF g = GlyphPixel(x, y);
                return g == white ? kSentinel : g == RGB(0, 0, 0) ? green : g;
            },
            "black becomes lime, white stays see-through");
    }
    {
        // Black becomes white, the transparent colour: the detour keeps the new white
        // pixels visible while the old white ones stay see-through.
        TDibTarget t(4, 4, kSentinel);
        DrawGlyph(t.DC(), 0, 0, 4, 4, glyph.get(), nullptr, -1, false, true, clNone, true, clBlack, clWhite);
        ExpectPixels(
            t,
            [&](int x, int y) {
                const COLORREF g = GlyphPixel(x, y);
                return g == white ? kSentinel : g == RGB(0, 0, 0) ? white : g;
            },
            "recoloured to the transparent colour");
    }
    {
        TDibTarget t(4, 4, kSentinel);
        DrawGlyph(t.DC(), 0, 0, 4, 4, glyph.get(), nullptr, -1, false, false, clNone, true, clBlack, clLime);
        ExpectPixels(
            t, [&](int x, int y) { return GlyphPixel(x, y) == RGB(0, 0, 0) ? green : GlyphPixel(x, y); },
            "opaque glyph recoloured too");
    }
}

TEST(GraphicsGlyph, DisabledIsEmbossed)
{
    auto glyph = Glyph();
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
    ASSERT_NE(shadow, light);
    auto shape = [](int x, int y) {
        return x >= 0 && x < 4 && y >= 0 && y < 4 && GlyphPixel(x, y) != RGB(255, 255, 255);
    };
    auto embossed = [&](int x0, int y0) {
        return [&, x0, y0](int x, int y) {
            if (shape(x - x0, y - y0)) return shadow;
            if (shape(x - x0 - 1, y - y0 - 1)) return light;
            return kSentinel;
        };
    };
    for (bool recolor : {false, true}) {
        TDibTarget t(7, 7, kSentinel);
        DrawGlyph(t.DC(), 1, 1, 4, 4, glyph.get(), nullptr, -1, true, true, clNone, recolor, clBlack, clLime);
        ExpectPixels(t, embossed(1, 1), recolor ? "disabled, recolour ignored" : "disabled");
    }

    // From an image list: the shape of the masked image.
    TImageList list(nullptr);
    list.SetWidth(4);
    list.SetHeight(4);
    ASSERT_EQ(0, list.AddMasked(glyph.get(), clWhite));
    {
        TDibTarget t(7, 7, kSentinel);
        DrawGlyph(t.DC(), 1, 1, 4, 4, nullptr, &list, 0, true, true, clNone, false, 0, 0);
        ExpectPixels(t, embossed(1, 1), "image list, disabled");
    }
    {
        TDibTarget t(7, 7, kSentinel);
        DrawGlyph(t.DC(), 2, 1, 4, 4, nullptr, &list, 0, false, true, clNone, false, 0, 0);
        ExpectPixels(
            t,
            [](int x, int y) {
                if (x < 2 || x >= 6 || y < 1 || y >= 5) return kSentinel;
                const COLORREF g = GlyphPixel(x - 2, y - 1);
                return g == RGB(255, 255, 255) ? kSentinel : g;
            },
            "image list, enabled and transparent");
    }
    {
        TDibTarget t(7, 7, kSentinel);
        DrawGlyph(t.DC(), 1, 1, 4, 4, nullptr, &list, -1, false, true, clNone, false, 0, 0);
        DrawGlyph(t.DC(), 1, 1, 4, 4, nullptr, nullptr, 0, false, true, clNone, false, 0, 0);
        TBitmap empty;
        DrawGlyph(t.DC(), 1, 1, 4, 4, &empty, nullptr, 0, false, true, clNone, false, 0, 0);
        ExpectPixels(t, [](int, int) { return kSentinel; }, "negative index, no source, empty glyph: nothing");
    }
}

// --- Stored icons and pictures ----------------------------------------------------------

TEST(GraphicsStored, IconRoundTripsPackedThroughAForm)
{
    TPictureHolder holder(nullptr);
    holder.Icon()->SetHandle(MakeIcon(32));
    ASSERT_FALSE(holder.Icon()->Empty());
    const std::string text = TFormWriter::Write(holder);
    EXPECT_NE(std::string::npos, text.find("Icon.SFP = {")) << text;
    EXPECT_EQ(std::string::npos, text.find("Icon.Data")) << "the standard data is not written as well\n" << text;
    EXPECT_EQ(std::string::npos, text.find("Picture.")) << "an empty picture writes nothing\n" << text;

    // The property holds N, the block, and nothing after it.
    const auto sfp = BinaryProperty(text, "Icon.SFP");
    size_t consumed = 0;
    const auto plain = UnpackBytes(sfp.data(), sfp.size(), &consumed);
    EXPECT_EQ(sfp.size(), consumed);
    ASSERT_GE(plain.size(), 6u);
    EXPECT_EQ(1, plain[2]) << "an icon file: type 1";

    auto read = ReadHolder(text);
    EXPECT_EQ(32, read->Icon()->Width());
    EXPECT_EQ(32, read->Icon()->Height());
    EXPECT_EQ(Rendered(*holder.Icon(), 32, 32), Rendered(*read->Icon(), 32, 32)) << "same pixels and mask";
    EXPECT_EQ(text, TFormWriter::Write(*read)) << "written again the same";
}

TEST(GraphicsStored, PictureWithAnIconOrAMetafileRoundTrips)
{
    TPictureHolder holder(nullptr);
    TIcon icon;
    icon.SetHandle(MakeIcon(32));
    holder.Picture()->SetGraphic(&icon);
    std::string text = TFormWriter::Write(holder);
    auto sfp = BinaryProperty(text, "Picture.SFP");
    auto plain = UnpackBytes(sfp.data(), sfp.size());
    ASSERT_FALSE(plain.empty());
    EXPECT_EQ(0, plain[0]) << "kind byte of an icon";
    auto read = ReadHolder(text);
    auto* readIcon = dynamic_cast<TIcon*>(read->Picture()->Graphic());
    ASSERT_NE(nullptr, readIcon) << "an icon comes back";
    EXPECT_EQ(Rendered(icon, 32, 32), Rendered(*readIcon, 32, 32));

    TMetafile metafile;
    metafile.SetHandle(MakeMetafile());
    ASSERT_FALSE(metafile.Empty());
    EXPECT_GT(metafile.Width(), 0);
    holder.Picture()->SetGraphic(&metafile);
    text = TFormWriter::Write(holder);
    sfp = BinaryProperty(text, "Picture.SFP");
    plain = UnpackBytes(sfp.data(), sfp.size());
    ASSERT_GT(plain.size(), 1u);
    EXPECT_EQ(1, plain[0]) << "kind byte of a metafile";
    read = ReadHolder(text);
    auto* readMeta = dynamic_cast<TMetafile*>(read->Picture()->Graphic());
    ASSERT_NE(nullptr, readMeta) << "a metafile comes back";
    EXPECT_EQ(metafile.Width(), readMeta->Width());
    EXPECT_EQ(metafile.Height(), readMeta->Height());
    const auto drawn = Rendered(metafile, 70, 40);
    EXPECT_EQ(drawn, Rendered(*readMeta, 70, 40)) << "plays back the same";
    EXPECT_NE(std::count(drawn.begin(), drawn.end(), RGB(255, 0, 0)), 0) << "the metafile draws its red box";
}

TEST(GraphicsStored, UnknownKindLoadsAnEmptyPictureAndReportsTheChange)
{
    TvyPicture picture;
    picture.Bitmap()->SetSize(3, 3);
    int changes = 0;
    picture.OnChange.Set([&](TObject*) { ++changes; });
    const std::vector<unsigned char> plain = {7, 1, 2, 3};
    TFormValue v;
    v.Kind = TFormValueKind::Binary;
    v.Binary = PackBytes(plain.data(), plain.size());
    EXPECT_TRUE(picture.ReadDefinedProperty("SFP", v));
    EXPECT_EQ(nullptr, picture.Graphic()) << "kind 7: empty";
    EXPECT_EQ(1, changes) << "the picture reports the change";

    auto read = ReadHolder(HolderText("Picture.SFP", v.Binary));
    EXPECT_EQ(nullptr, read->Picture()->Graphic());
}

TEST(GraphicsStored, StandardDataIsAcceptedAndBitmapsUseIt)
{
    HICON made = MakeIcon(32);
    auto read = ReadHolder(HolderText("Icon.Data", IconFile(made)));
    TIcon expected;
    expected.SetHandle(made);
    EXPECT_EQ(Rendered(expected, 32, 32), Rendered(*read->Icon(), 32, 32)) << "Icon.Data: the icon file itself";

    TPictureHolder holder(nullptr);
    auto cells = CellBitmap();
    holder.Picture()->SetGraphic(cells.get());
    const std::string text = TFormWriter::Write(holder);
    EXPECT_NE(std::string::npos, text.find("Picture.Data = {")) << text;
    EXPECT_EQ(std::string::npos, text.find("Picture.SFP")) << "bitmaps are not packed\n" << text;
    const auto data = BinaryProperty(text, "Picture.Data");
    ASSERT_GT(data.size(), 12u);
    EXPECT_EQ("\x07TBitmap", std::string(data.begin(), data.begin() + 8)) << "class name first";
    auto again = ReadHolder(text);
    auto* bitmap = dynamic_cast<TBitmap*>(again->Picture()->Graphic());
    ASSERT_NE(nullptr, bitmap);
    ASSERT_EQ(4, bitmap->Width());
    ASSERT_EQ(3, bitmap->Height());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(Held(*cells, x, y), bitmap->Canvas()->Pixel(x, y)) << "pixel " << x << "," << y;
}

// Run-length encoded bitmaps (8 and 4 bits) load as GDI decodes them: encoded runs, a
// literal run, ends of line and of bitmap. Rows are given top to bottom; the data bottom-up.
TEST(GraphicsStored, RunLengthEncodedBitmapsLoad)
{
    const COLORREF palette[3] = {RGB(0, 0, 0), RGB(255, 0, 0), RGB(0, 255, 0)};
    struct Case {
        const char* Name;
        WORD Bits;
        DWORD Compression;
        std::vector<unsigned char> Data;
        int Rows[2][4]; // palette indices, top row first
    };
    const Case cases[] = {
        {"8 bits", 8, BI_RLE8, {4, 1, 0, 0, /* literal */ 0, 4, 2, 1, 2, 1, 0, 0, 0, 1}, {{2, 1, 2, 1}, {1, 1, 1, 1}}},
        {"4 bits", 4, BI_RLE4, {4, 0x12, 0, 0, 4, 0x22, 0, 1}, {{2, 2, 2, 2}, {1, 2, 1, 2}}},
    };
    for (const Case& c : cases) {
        BITMAPINFOHEADER h{};
        h.biSize = sizeof h;
        h.biWidth = 4;
        h.biHeight = 2;
        h.biPlanes = 1;
        h.biBitCount = c.Bits;
        h.biCompression = c.Compression;
        h.biSizeImage = static_cast<DWORD>(c.Data.size());
        h.biClrUsed = 3;
        std::vector<unsigned char> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 14 + 40 + 12, 0, 0, 0};
        const auto* hp = reinterpret_cast<const unsigned char*>(&h);
        file.insert(file.end(), hp, hp + sizeof h);
        for (COLORREF col : palette)
            file.insert(file.end(), {GetBValue(col), GetGValue(col), GetRValue(col), 0});
        file.insert(file.end(), c.Data.begin(), c.Data.end());
        TMemoryStream s;
        s.WriteBuffer(file.data(), static_cast<long>(file.size()));
        s.SetPosition(0);
        TBitmap bitmap;
        ASSERT_NO_THROW(LoadBitmapFromStream(bitmap, s)) << c.Name;
        ASSERT_EQ(4, bitmap.Width()) << c.Name;
        ASSERT_EQ(2, bitmap.Height()) << c.Name;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x)
                EXPECT_EQ(palette[c.Rows[y][x]], bitmap.Canvas()->Pixel(x, y)) << c.Name << ", pixel " << x << "," << y;
        // Without its size GDI could not know where the runs end: refused.
        file[14 + 20] = file[14 + 21] = 0;
        TMemoryStream unsized;
        unsized.WriteBuffer(file.data(), static_cast<long>(file.size()));
        unsized.SetPosition(0);
        EXPECT_THROW(LoadBitmapFromStream(bitmap, unsized), EInvalidGraphic) << c.Name << " without biSizeImage";
    }
}

TEST(GraphicsStored, DamagedDataRaisesAReadErrorNamingTheProperty)
{
    HICON made = MakeIcon(32);
    const auto file = IconFile(made);
    DestroyIcon(made);
    const auto packed = PackBytes(file.data(), file.size());

    const std::vector<unsigned char> cut(packed.begin(), packed.begin() + static_cast<long>(packed.size() / 2));
    try {
        ReadHolder(HolderText("Icon.SFP", cut));
        ADD_FAILURE() << "a truncated block was accepted";
    } catch (const EReadError& e) {
        EXPECT_EQ("Icon.SFP", e.Property());
        EXPECT_NE(std::string::npos, e.Message().find("damaged")) << e.Message();
    }

    // Every truncation and a few corruptions of the icon file itself.
    for (size_t n = 0; n < file.size(); n += (n < 64 ? 1 : 97)) {
        TIcon icon;
        TMemoryStream s;
        s.WriteBuffer(file.data(), static_cast<long>(n));
        s.SetPosition(0);
        EXPECT_THROW(LoadIconFromStream(icon, s), EInvalidGraphic) << "icon file cut at " << n;
    }
    auto corrupt = file;
    corrupt[6 + 16 + 4] = 0xFF; // width of the DIB: 255 + ..., more than the data holds
    corrupt[6 + 16 + 5] = 0x0F;
    TIcon icon;
    TMemoryStream s;
    s.WriteBuffer(corrupt.data(), static_cast<long>(corrupt.size()));
    s.SetPosition(0);
    EXPECT_THROW(LoadIconFromStream(icon, s), EInvalidGraphic) << "a DIB larger than its data";

    const std::vector<unsigned char> badMeta = {1, 0x20, 0x45, 0x4D, 0x46};
    auto packedMeta = PackBytes(badMeta.data(), badMeta.size());
    EXPECT_THROW(ReadHolder(HolderText("Picture.SFP", packedMeta)), EReadError) << "kind 1 with no metafile";
}

TEST(GraphicsStored, MetafileStreamsAreChecked)
{
    TMetafile metafile;
    metafile.SetHandle(MakeMetafile());
    TMemoryStream s;
    metafile.SaveToStream(s);
    const std::vector<unsigned char> bytes = s.Bytes();
    for (size_t n = 1; n < bytes.size(); n += (n < 100 ? 1 : 37)) {
        TMetafile m;
        TMemoryStream part;
        part.WriteBuffer(bytes.data(), static_cast<long>(n));
        part.SetPosition(0);
        EXPECT_THROW(m.LoadFromStream(part), EInvalidGraphic) << "metafile cut at " << n;
    }

    // A placeable Windows metafile: header (box 0,0-100,50 at 100 units an inch), then a
    // metafile with one rectangle and the end record.
    std::vector<unsigned char> wmf = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 100, 0, 50, 0, 100, 0, 0, 0, 0, 0, 0, 0};
    // Header: type, 9 words, version, size 19 words, no objects, largest record 7 words, 0.
    const unsigned short words[] = {1, 9, 0x0300, 19, 0, 0, 7, 0, 0,
                                    7, 0, 0x041B, 40, 90, 10, 10, // Rectangle(10, 10, 90, 40)
                                    3, 0, 0};                     // end of file
    for (unsigned short x : words) {
        wmf.push_back(static_cast<unsigned char>(x & 0xFF));
        wmf.push_back(static_cast<unsigned char>(x >> 8));
    }
    unsigned short sum = 0;
    for (int i = 0; i < 20; i += 2) sum ^= static_cast<unsigned short>(wmf[i] | (wmf[i + 1] << 8));
    wmf[20] = static_cast<unsigned char>(sum & 0xFF);
    wmf[21] = static_cast<unsigned char>(sum >> 8);
    TMemoryStream ws;
    ws.WriteBuffer(wmf.data(), static_cast<long>(wmf.size()));
    ws.SetPosition(0);
    TMetafile placeable;
    ASSERT_NO_THROW(placeable.LoadFromStream(ws));
    EXPECT_FALSE(placeable.Empty()) << "converted to an enhanced metafile";
    ws.SetPosition(0);
    ws.SetSize(static_cast<long>(wmf.size() - 4));
    TMetafile cutWmf;
    EXPECT_THROW(cutWmf.LoadFromStream(ws), EInvalidGraphic) << "placeable metafile without its end record";
}
