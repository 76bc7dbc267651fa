// tests/win/vyCursorsTest.cpp
// The library's cursor set against the real cursor loader: identifiers and names, what the
// screen's list holds after start-up, stored forms naming the cursors, hot spots where the
// pictures aim, and a contact sheet of all 43 written beside the executable (or to
// $TG_ARTIFACTS) for people to look at.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "FormReader.h"
#include "Forms.h"
#include "Graphics.h"
#include "WinUtils.h"
#include "Pictures.h"
#include "vyCursors.h"

namespace {

// Where a picture aims, which fixes where its hot spot must be.
enum class TAim {
    NW, NE, SW, SE, // the tip of a pointer or a pen: no drawn pixel beyond it
    Up,             // a tip at the top: no drawn pixel above it
    Centre,         // symmetric shapes: the middle of their black pixels
    Lens            // zoom glasses: the middle of the lens, as far from the rim on each side
};

struct TDesign {
    const char* Resource;
    int X, Y;
    TAim Aim;
};

// The hot spots tools/cursors/make_cursors.py gives the pictures it draws.
const TDesign Designs[] = {
    {"CR3DAPPSTART", 0, 0, TAim::NW},
    {"CR3DARROW", 0, 0, TAim::NW},
    {"CR3DARROWNE", 31, 0, TAim::NE},
    {"CR3DARROWSCROLLHORZ", 0, 0, TAim::NW},
    {"CR3DARROWSCROLLVERT", 0, 0, TAim::NW},
    {"CR3DARROWSIZE", 0, 0, TAim::NW},
    {"CR3DARROWRESIZE", 0, 0, TAim::NW},
    {"CR3DARROWWARNING", 0, 0, TAim::NW},
    {"CR3DCROSS", 15, 15, TAim::Centre},
    {"CR3DDRAGSELECTION", 0, 0, TAim::NW},
    {"CR3DDRAGSELECTIONPLUS", 0, 0, TAim::NW},
    {"CR3DHANDWRITING", 0, 31, TAim::SW},
    {"CR3DHELP", 0, 0, TAim::NW},
    {"CR3DHOURGLASS", 15, 15, TAim::Centre},
    {"CR3DIBEAM", 15, 15, TAim::Centre},
    {"CR3DNO", 15, 15, TAim::Centre},
    {"CR3DSIZE", 15, 15, TAim::Centre},
    {"CR3DSIZENESW", 15, 15, TAim::Centre},
    {"CR3DSIZENS", 15, 15, TAim::Centre},
    {"CR3DSIZENWSE", 15, 15, TAim::Centre},
    {"CR3DSIZEWE", 15, 15, TAim::Centre},
    {"CR3DTOOL", 0, 0, TAim::NW},
    {"CR3DUPARROW", 15, 0, TAim::Up},
    {"CRARROWNE", 31, 0, TAim::NE},
    {"CRARROWNW", 0, 0, TAim::NW},
    {"CRARROWSCROLLHORZ", 0, 0, TAim::NW},
    {"CRARROWSCROLLVERT", 0, 0, TAim::NW},
    {"CRARROWSE", 31, 31, TAim::SE},
    {"CRARROWSIZE", 0, 0, TAim::NW},
    {"CRARROWRESIZE", 0, 0, TAim::NW},
    {"CRARROWSW", 0, 31, TAim::SW},
    {"CRDRAGFILE", 0, 0, TAim::NW},
    {"CRDRAGFILES", 0, 0, TAim::NW},
    {"CRDRAGSELECTION", 0, 0, TAim::NW},
    {"CRDRAGSELECTIONPLUS", 0, 0, TAim::NW},
    {"CRHAND", 11, 1, TAim::Up},
    {"CRITBEAM", 15, 15, TAim::Centre},
    {"CRPEN", 0, 31, TAim::SW},
    {"CRTOOL", 0, 0, TAim::NW},
    {"CRZOOMIN", 12, 12, TAim::Lens},
    {"CRZOOMOUT", 12, 12, TAim::Lens},
};

const TDesign* DesignOf(const std::string& resource)
{
    for (const TDesign& d : Designs)
        if (resource == d.Resource) return &d;
    return nullptr;
}

bool IsSystemCursor(const TvyCursorInfo& info)
{
    return info.SystemCursor != 0;
}

int Luminance(COLORREF c)
{
    return (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
}

void Fill(TCanvas* canvas, const RECT& r, TColor color)
{
    canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
    canvas->Brush()->SetColor(color);
    canvas->FillRect(r);
}

// The colour a screen-compatible bitmap stores for color.
COLORREF Realized(TColor color)
{
    TBitmap b;
    b.SetSize(1, 1);
    Fill(b.Canvas(), RECT{0, 0, 1, 1}, color);
    return PixelsOf(b)[0];
}

// A cursor drawn at its own size on one plain colour.
struct TRendered {
    std::vector<COLORREF> Px;
    COLORREF Background;
    COLORREF At(int x, int y) const { return Px[static_cast<size_t>(y) * 32 + x]; }
};

TRendered Render(HCURSOR cursor, TColor background)
{
    TBitmap b;
    b.SetSize(32, 32);
    Fill(b.Canvas(), RECT{0, 0, 32, 32}, background);
    DrawIconEx(b.Canvas()->Handle(), 0, 0, cursor, 32, 32, 0, nullptr, DI_NORMAL);
    TRendered r;
    r.Px = PixelsOf(b);
    r.Background = Realized(background);
    return r;
}

// What a cursor shows: pixels that differ from the screen under it on white or on black
// (inverting pixels differ on both), and the dark ones among them.
struct TShape {
    bool Opaque[32][32] = {};
    bool Dark[32][32] = {};
};

TShape ShapeOf(HCURSOR cursor)
{
    TRendered onWhite = Render(cursor, clWhite), onBlack = Render(cursor, clBlack);
    TShape s;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            s.Opaque[y][x] = onWhite.At(x, y) != onWhite.Background || onBlack.At(x, y) != onBlack.Background;
            s.Dark[y][x] = Luminance(onWhite.At(x, y)) < 80;
        }
    return s;
}

struct THotSpot {
    int X = -1, Y = -1;
    bool Cursor = false;
    int MaskWidth = 0, MaskHeight = 0;
    bool Colour = false;
};

THotSpot HotSpotOf(HCURSOR cursor)
{
    ICONINFO ii{};
    THotSpot h;
    if (!GetIconInfo(cursor, &ii)) return h;
    h.X = static_cast<int>(ii.xHotspot);
    h.Y = static_cast<int>(ii.yHotspot);
    h.Cursor = !ii.fIcon;
    BITMAP bm{};
    if (ii.hbmMask && GetObjectA(ii.hbmMask, sizeof bm, &bm)) {
        h.MaskWidth = bm.bmWidth;
        h.MaskHeight = bm.bmHeight;
    }
    h.Colour = ii.hbmColor != nullptr;
    if (ii.hbmMask) DeleteObject(ii.hbmMask);
    if (ii.hbmColor) DeleteObject(ii.hbmColor);
    return h;
}

// A control for stored forms to set cursors on.
class TCursorProbe : public TGraphicControl {
public:
    TG_DECLARE_CLASS()
    explicit TCursorProbe(TComponent* owner) : TGraphicControl(owner) {}
};

const TClassInfo& TCursorProbe::StaticClassInfo()
{
    static const TClassInfo info{"TCursorProbe", &TGraphicControl::StaticClassInfo(),
                                 &CreateComponentOf<TCursorProbe>, {}, {}};
    return info;
}

// The value a written form gives the Cursor of the object named `name` (the first
// "Cursor = " line after "object name:" and before the next object), or "" when none.
std::string StoredCursorOf(const std::string& text, const std::string& name)
{
    const size_t object = text.find("object " + name + ":");
    if (object == std::string::npos) return "";
    const size_t next = text.find("object ", object + 1);
    const size_t cursor = text.find("Cursor = ", object);
    if (cursor == std::string::npos || (next != std::string::npos && cursor > next)) return "";
    const size_t value = cursor + 9;
    return text.substr(value, text.find_first_of("\r\n", value) - value);
}

class CursorSetTest : public testing::Test {
protected:
    static void SetUpTestSuite() { InitCursorSet(); }
};

// --- Identifiers and names -------------------------------------------------------------

TEST(CursorSetNames, FortyThreeIdentifiersFromMinus151Down)
{
    const char* const expected[] = {
        "crLinkSelect", "crHandwriting", "cr3dAppStart", "cr3dArrow", "cr3dArrowNE", "cr3dArrowScrollHorz",
        "cr3dArrowScrollVert", "cr3dArrowSize", "cr3dArrowResize", "cr3dArrowWarning", "cr3dCross",
        "cr3dDragSelection", "cr3dDragSelectionPlus", "cr3dHandwriting", "cr3dHelp", "cr3dHourGlass",
        "cr3dIBeam", "cr3dNo", "cr3dSize", "cr3dSizeNESW", "cr3dSizeNS", "cr3dSizeNWSE", "cr3dSizeWE",
        "cr3dTool", "cr3dUpArrow", "crArrowNE", "crArrowNW", "crArrowScrollHorz", "crArrowScrollVert",
        "crArrowSE", "crArrowSize", "crArrowResize", "crArrowSW", "crDragFile", "crDragFiles",
        "crDragSelection", "crDragSelectionPlus", "crHand", "crItBeam", "crPen", "crTool", "crZoomIn",
        "crZoomOut"};
    auto set = CursorSet();
    ASSERT_EQ(std::size(expected), set.size()) << "cursors in the set";
    for (size_t i = 0; i < set.size(); ++i) {
        EXPECT_EQ(-151 - static_cast<int>(i), set[i].Value) << "value of entry " << i;
        EXPECT_STREQ(expected[i], set[i].Name) << "name of " << set[i].Value;
        EXPECT_EQ(i < 2, IsSystemCursor(set[i])) << set[i].Name << ": only -151 and -152 come from the system";
    }
    EXPECT_EQ(32649, set[0].SystemCursor) << "crLinkSelect is the system's hand";
    EXPECT_EQ(32631, set[1].SystemCursor) << "crHandwriting is the system's pen";
    EXPECT_EQ(-154, cr3dArrow);
    EXPECT_EQ(-193, crZoomOut);
    EXPECT_EQ("CR3DARROW", CursorResourceName(set[3]));
    EXPECT_EQ("CRZOOMOUT", CursorResourceName(set[42]));
}

TEST(CursorSetNames, KnownToTheCursorIdentMapBesideTheFrameworkNames)
{
    RegisterCursorIdents();
    RegisterCursorIdents(); // a second start-up changes nothing
    const TIdentMap& map = CursorIdents();
    for (const TvyCursorInfo& info : CursorSet()) {
        EXPECT_EQ(std::optional<long long>(info.Value), map.ToInt(info.Name)) << info.Name;
        EXPECT_EQ(std::optional<std::string>(info.Name), map.ToIdent(info.Value)) << info.Value;
    }
    EXPECT_EQ(std::optional<long long>(cr3dArrow), map.ToInt("CR3DARROW")) << "names compare case-insensitively";
    EXPECT_EQ(std::optional<long long>(crArrow), map.ToInt("crArrow")) << "the framework's names stay known";
    EXPECT_EQ(std::optional<std::string>("crSizeAll"), map.ToIdent(crSizeAll)) << "the framework's names stay known";
    EXPECT_EQ(std::nullopt, map.ToInt("cr3dArrows"));
}

TEST(CursorSetNames, StoredFormsNameTheCursorsEitherWay)
{
    RegisterComponentClass(TCursorProbe::StaticClassInfo());
    TForm form(nullptr);
    TFormReader::ReadRoot(form, "object F: TForm\n"
                                "  Cursor = cr3dArrow\n"
                                "  object ByNumber: TCursorProbe\n"
                                "    Cursor = -154\n"
                                "  end\n"
                                "  object Zoom: TCursorProbe\n"
                                "    Cursor = crZoomOut\n"
                                "  end\n"
                                "  object Plain: TCursorProbe\n"
                                "    Cursor = crArrow\n"
                                "  end\n"
                                "end\n");
    EXPECT_EQ(-154, form.Cursor()) << "Cursor = cr3dArrow";
    auto* byNumber = dynamic_cast<TCursorProbe*>(form.FindComponent("ByNumber"));
    auto* zoom = dynamic_cast<TCursorProbe*>(form.FindComponent("Zoom"));
    auto* plain = dynamic_cast<TCursorProbe*>(form.FindComponent("Plain"));
    ASSERT_NE(nullptr, byNumber);
    ASSERT_NE(nullptr, zoom);
    ASSERT_NE(nullptr, plain);
    EXPECT_EQ(-154, byNumber->Cursor()) << "Cursor = -154";
    EXPECT_EQ(-193, zoom->Cursor()) << "Cursor = crZoomOut";
    EXPECT_EQ(crArrow, plain->Cursor()) << "Cursor = crArrow";

    const std::string text = TFormWriter::Write(form);
    EXPECT_EQ("cr3dArrow", StoredCursorOf(text, "F")) << text;
    EXPECT_EQ("cr3dArrow", StoredCursorOf(text, "ByNumber")) << "-154 is written by name\n" << text;
    EXPECT_EQ("crZoomOut", StoredCursorOf(text, "Zoom")) << text;
    EXPECT_EQ("crArrow", StoredCursorOf(text, "Plain")) << text;
}

// --- Loading ---------------------------------------------------------------------------

TEST_F(CursorSetTest, EveryResourceCursorIsLoadedAndEachIsItsOwn)
{
    std::set<HCURSOR> seen;
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    for (const TvyCursorInfo& info : CursorSet()) {
        if (IsSystemCursor(info)) continue;
        const std::string resource = CursorResourceName(info);
        HCURSOR loaded = Screen->Cursors(info.Value);
        EXPECT_NE(nullptr, loaded) << info.Name << " (" << info.Value << ") has a cursor";
        EXPECT_EQ(LoadCursorA(MainInstance(), resource.c_str()), loaded) << info.Name << " is resource " << resource;
        EXPECT_NE(arrow, loaded) << info.Name << " is not the default arrow";
        EXPECT_TRUE(seen.insert(loaded).second) << info.Name << " shares its handle with another cursor";
    }
    EXPECT_EQ(41u, seen.size()) << "distinct resource cursors";
}

TEST_F(CursorSetTest, LinkSelectAndHandwritingComeFromTheSystem)
{
    for (const TvyCursorInfo& info : CursorSet()) {
        if (!IsSystemCursor(info)) continue;
        HCURSOR system = LoadCursorA(nullptr, MAKEINTRESOURCEA(info.SystemCursor));
        HCURSOR expected = system ? system : LoadCursorA(MainInstance(), info.Fallback);
        EXPECT_NE(nullptr, Screen->Cursors(info.Value)) << info.Name << " has a cursor";
        EXPECT_EQ(expected, Screen->Cursors(info.Value))
            << info.Name << ": the system's cursor " << info.SystemCursor
            << (system ? "" : " (absent here, so the stand-in)");
    }
}

// The screen asks its loader once per identifier of the range, on first use only, and
// never for one already put there; outside the range the arrow answers as before.
TEST(CursorSetLoading, TheScreenLoadsARangeOnFirstUseOnce)
{
    static std::vector<int> asked;
    asked.clear();
    static const HCURSOR cross = LoadCursorA(nullptr, IDC_CROSS);
    const HCURSOR help = LoadCursorA(nullptr, IDC_HELP);
    Screen->SetCursors(-402, help);
    Screen->SetCursorLoader(-403, -401, [](int id) -> HCURSOR {
        asked.push_back(id);
        return id == -403 ? nullptr : cross;
    });
    EXPECT_TRUE(asked.empty()) << "nothing is loaded before it is asked for";
    EXPECT_EQ(cross, Screen->Cursors(-401));
    EXPECT_EQ(cross, Screen->Cursors(-401));
    EXPECT_EQ(help, Screen->Cursors(-402)) << "a cursor put there first stays";
    EXPECT_EQ(nullptr, Screen->Cursors(-403)) << "a cursor that does not load stays null";
    EXPECT_EQ(nullptr, Screen->Cursors(-403));
    EXPECT_EQ(Screen->Cursors(crDefault), Screen->Cursors(-404)) << "outside the range: the arrow";
    EXPECT_EQ((std::vector<int>{-401, -403}), asked) << "each identifier of the range is loaded once";
    InitCursorSet(); // the set's loader again, for the tests that follow
}

TEST(CursorSetLoading, AMissingSystemCursorFallsBackToTheResource)
{
    // No system cursor has the number 1, as Windows 95 has no hand cursor.
    ASSERT_EQ(nullptr, LoadCursorA(nullptr, MAKEINTRESOURCEA(1))) << "precondition: no system cursor 1";
    HCURSOR hand = LoadCursorA(MainInstance(), "CRHAND");
    ASSERT_NE(nullptr, hand) << "the CRHAND resource";
    EXPECT_EQ(hand, LoadSystemCursorOr(1, MainInstance(), "CRHAND"));
    EXPECT_EQ(nullptr, LoadSystemCursorOr(1, MainInstance(), nullptr)) << "no stand-in named";
    EXPECT_EQ(nullptr, LoadSystemCursorOr(1, MainInstance(), "NOSUCHCURSOR")) << "stand-in missing too";
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), LoadSystemCursorOr(32512, MainInstance(), "CRHAND"))
        << "a system cursor that exists wins";
}

// --- Pictures --------------------------------------------------------------------------

TEST_F(CursorSetTest, HotSpotsAndSizesAreAsDesigned)
{
    size_t checked = 0;
    for (const TvyCursorInfo& info : CursorSet()) {
        if (IsSystemCursor(info)) continue;
        const std::string resource = CursorResourceName(info);
        const TDesign* design = DesignOf(resource);
        ASSERT_NE(nullptr, design) << resource << " has a design entry in this test";
        THotSpot h = HotSpotOf(Screen->Cursors(info.Value));
        EXPECT_TRUE(h.Cursor) << resource << " is a cursor, not an icon";
        EXPECT_EQ(design->X, h.X) << resource << " hot spot x";
        EXPECT_EQ(design->Y, h.Y) << resource << " hot spot y";
        EXPECT_EQ(32, h.MaskWidth) << resource << " width";
        // The 3-D family is drawn in 16 colours, the flat one in black and white, whose
        // mask carries the image below the AND bits.
        const bool threeD = resource.rfind("CR3D", 0) == 0;
        EXPECT_EQ(threeD, h.Colour) << resource << (threeD ? " should have colours" : " should be black and white");
        EXPECT_EQ(threeD ? 32 : 64, h.MaskHeight) << resource << " mask height";
        ++checked;
    }
    EXPECT_EQ(std::size(Designs), checked) << "every design was checked";
}

TEST_F(CursorSetTest, HotSpotsSitWhereThePicturesAim)
{
    for (const TvyCursorInfo& info : CursorSet()) {
        if (IsSystemCursor(info)) continue;
        const std::string resource = CursorResourceName(info);
        const TDesign* design = DesignOf(resource);
        ASSERT_NE(nullptr, design) << resource;
        HCURSOR cursor = Screen->Cursors(info.Value);
        THotSpot h = HotSpotOf(cursor);
        ASSERT_TRUE(h.X >= 0 && h.X < 32 && h.Y >= 0 && h.Y < 32) << resource << " hot spot inside the picture";
        TShape s = ShapeOf(cursor);
        EXPECT_TRUE(s.Opaque[h.Y][h.X]) << resource << ": the hot spot is a drawn pixel";

        int minX = 32, maxX = -1, minY = 32, maxY = -1;
        int darkMinX = 32, darkMaxX = -1, darkMinY = 32, darkMaxY = -1;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                if (s.Opaque[y][x]) {
                    minX = std::min(minX, x), maxX = std::max(maxX, x);
                    minY = std::min(minY, y), maxY = std::max(maxY, y);
                }
                if (s.Dark[y][x]) {
                    darkMinX = std::min(darkMinX, x), darkMaxX = std::max(darkMaxX, x);
                    darkMinY = std::min(darkMinY, y), darkMaxY = std::max(darkMaxY, y);
                }
            }
        switch (design->Aim) {
        case TAim::NW:
        case TAim::NE:
        case TAim::SW:
        case TAim::SE: {
            const bool west = design->Aim == TAim::NW || design->Aim == TAim::SW;
            const bool north = design->Aim == TAim::NW || design->Aim == TAim::NE;
            EXPECT_EQ(west ? minX : maxX, h.X) << resource << ": nothing drawn beyond the tip sideways";
            EXPECT_EQ(north ? minY : maxY, h.Y) << resource << ": nothing drawn beyond the tip up or down";
            EXPECT_TRUE(s.Dark[h.Y][h.X]) << resource << ": the tip pixel is dark";
            break;
        }
        case TAim::Up:
            EXPECT_EQ(minY, h.Y) << resource << ": the tip is the top row";
            EXPECT_TRUE(s.Dark[h.Y][h.X]) << resource << ": the tip pixel is dark";
            break;
        case TAim::Centre:
            EXPECT_EQ(darkMinX + darkMaxX, 2 * h.X) << resource << ": hot spot centred across the black pixels";
            EXPECT_EQ(darkMinY + darkMaxY, 2 * h.Y) << resource << ": hot spot centred up and down";
            break;
        case TAim::Lens: {
            // From the hot spot past the sign, across the clear glass, to the rim.
            auto rim = [&](int dx, int dy) {
                int x = h.X, y = h.Y, steps = 0;
                while (x >= 0 && x < 32 && y >= 0 && y < 32 && s.Dark[y][x]) x += dx, y += dy, ++steps;
                while (x >= 0 && x < 32 && y >= 0 && y < 32 && !s.Dark[y][x]) x += dx, y += dy, ++steps;
                return steps;
            };
            EXPECT_EQ(rim(-1, 0), rim(1, 0)) << resource << ": as far from the rim left as right";
            EXPECT_EQ(rim(0, -1), rim(0, 1)) << resource << ": as far from the rim up as down";
            EXPECT_GE(rim(1, 0), 6) << resource << ": the lens is wide";
            break;
        }
        }
    }
}

// --- The contact sheet -----------------------------------------------------------------

constexpr int SheetColumns = 8, CellWidth = 160, CellHeight = 136, Zoom = 3;
constexpr int ZoomLeft = 4, ZoomTop = 4, PlainLeft = 112, PlainTop = 4, DarkLeft = 112, DarkTop = 42;
constexpr TColor SheetGrey = 0xC0C0C0, SheetDark = 0x202020;

TEST_F(CursorSetTest, ContactSheetOfAllFortyThree)
{
    auto set = CursorSet();
    const int rows = static_cast<int>((set.size() + SheetColumns - 1) / SheetColumns);
    const int width = SheetColumns * CellWidth, height = rows * CellHeight;
    TBitmap sheet;
    sheet.SetSize(width, height);
    TCanvas* c = sheet.Canvas();
    Fill(c, RECT{0, 0, width, height}, SheetGrey);
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-11);
    c->Font()->SetColor(clBlack);

    for (size_t i = 0; i < set.size(); ++i) {
        const TvyCursorInfo& info = set[i];
        const int left = static_cast<int>(i % SheetColumns) * CellWidth;
        const int top = static_cast<int>(i / SheetColumns) * CellHeight;
        HCURSOR cursor = Screen->Cursors(info.Value);
        THotSpot h = HotSpotOf(cursor);

        // Enlarged, pixel for pixel, with the hot spot framed in red.
        TBitmap one;
        one.SetSize(32, 32);
        Fill(one.Canvas(), RECT{0, 0, 32, 32}, SheetGrey);
        DrawIconEx(one.Canvas()->Handle(), 0, 0, cursor, 32, 32, 0, nullptr, DI_NORMAL);
        HDC dc = c->Handle();
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, left + ZoomLeft, top + ZoomTop, 32 * Zoom, 32 * Zoom, one.Canvas()->Handle(), 0, 0, 32, 32,
                   SRCCOPY);
        if (h.X >= 0) {
            c->Brush()->SetStyle(TBrushStyle::bsSolid);
            c->Brush()->SetColor(clRed);
            c->FrameRect(RECT{left + ZoomLeft + h.X * Zoom - 1, top + ZoomTop + h.Y * Zoom - 1,
                              left + ZoomLeft + h.X * Zoom + Zoom + 1, top + ZoomTop + h.Y * Zoom + Zoom + 1});
        }
        // At its own size, on the sheet's grey and on a dark square.
        DrawIconEx(c->Handle(), left + PlainLeft, top + PlainTop, cursor, 32, 32, 0, nullptr, DI_NORMAL);
        Fill(c, RECT{left + DarkLeft - 2, top + DarkTop - 2, left + DarkLeft + 34, top + DarkTop + 34}, SheetDark);
        DrawIconEx(c->Handle(), left + DarkLeft, top + DarkTop, cursor, 32, 32, 0, nullptr, DI_NORMAL);

        c->Brush()->SetStyle(TBrushStyle::bsClear);
        c->TextOut(left + 4, top + 104, info.Name);
        c->TextOut(left + 4, top + 118, std::to_string(info.Value) + (IsSystemCursor(info) ? "  system" : "") +
                                            "  hot spot " + std::to_string(h.X) + "," + std::to_string(h.Y));
    }

    const std::vector<COLORREF> px = PixelsOf(sheet);
    ASSERT_EQ(static_cast<size_t>(width) * height, px.size());
    auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * width + x]; };
    const COLORREF grey = Realized(SheetGrey);
    for (size_t i = 0; i < set.size(); ++i) {
        const TvyCursorInfo& info = set[i];
        const int left = static_cast<int>(i % SheetColumns) * CellWidth + PlainLeft;
        const int top = static_cast<int>(i / SheetColumns) * CellHeight + PlainTop;
        int drawn = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (at(left + x, top + y) != grey) ++drawn;
        EXPECT_GE(drawn, 20) << info.Name << ": its cell shows a picture";
        if (IsSystemCursor(info)) continue;
        const TDesign* design = DesignOf(CursorResourceName(info));
        ASSERT_NE(nullptr, design) << info.Name;
        const COLORREF hot = at(left + design->X, top + design->Y);
        EXPECT_NE(grey, hot) << info.Name << ": the hot spot shows on the grey sheet";
        if (design->Aim != TAim::Centre && design->Aim != TAim::Lens) {
            EXPECT_LT(Luminance(hot), 64) << info.Name << ": the tip at the hot spot is dark";
        }
    }

    const std::string path = ArtifactFolder() + "\\vyCursorsSheet.bmp";
    ASSERT_TRUE(WriteBmp(path, width, height, px)) << "writing " << path;
    WIN32_FILE_ATTRIBUTE_DATA fa{};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &fa)) << path;
    EXPECT_EQ(static_cast<DWORD>(14 + 40 + ((width * 3 + 3) & ~3) * height), fa.nFileSizeLow) << path;
    std::printf("contact sheet: %s\n", path.c_str());
}

} // namespace
