// tests/native/vyFormMagnetGeometryTest.cpp
// Where a moving window lands near the screen area's edges and near other magnet windows.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "vyFormMagnetGeometry.h"

namespace {

using E = TvyScreenEdge;

const TvyMagnetRect Area = MagnetRectOf(0, 0, 1024, 768);
const TvyMagnetRect NoWindow{};

struct TCase {
    const char* What;
    TvyMagnetRect R;
    // Up to two other magnet windows (empty: none); the answers their vetoes give.
    TvyMagnetRect First, Second;
    bool AllowFirst, AllowSecond;
    TvyScreenEdges Edges;
    bool AlwaysArea;
    TvyMagnetRect Expected;
    bool ExpectDocked;
    int ExpectAsked;  // how often a veto was asked
};

// A 200 x 100 window at (x, y).
TvyMagnetRect W(int x, int y) { return MagnetRectOf(x, y, 200, 100); }

const TCase Cases[] = {
    // The screen area, ScreenPower 16.
    {"top at 15 snaps to 0", W(300, 15), NoWindow, NoWindow, true, true, AllScreenEdges, false, W(300, 0), false, 0},
    {"top at 16 stays", W(300, 16), NoWindow, NoWindow, true, true, AllScreenEdges, false, W(300, 16), false, 0},
    {"top at -10 snaps to 0", W(300, -10), NoWindow, NoWindow, true, true, AllScreenEdges, false, W(300, 0), false, 0},
    {"on the edge stays", W(0, 0), NoWindow, NoWindow, true, true, AllScreenEdges, false, W(0, 0), false, 0},
    {"left at 10 snaps", W(10, 300), NoWindow, NoWindow, true, true, AllScreenEdges, false, W(0, 300), false, 0},
    {"right and bottom 5 inside", W(819, 663), NoWindow, NoWindow, true, true, AllScreenEdges, false, W(824, 668), false, 0},
    {"left not attracting", W(10, 300), NoWindow, NoWindow, true, true, AllScreenEdges & ~ScreenEdgeBit(E::seLeft),
     false, W(10, 300), false, 0},
    {"only the top attracts", W(5, 5), NoWindow, NoWindow, true, true, ScreenEdgeBit(E::seTop), false, W(5, 0), false, 0},
    {"nearly as tall as the area: the bottom wins", MagnetRectOf(50, 3, 200, 760), NoWindow, NoWindow, true, true,
     AllScreenEdges, false, MagnetRectOf(50, 8, 200, 760), false, 0},
    // Another window at (500, 300), Power 20: the gap closes from every side.
    {"10-pixel gap on its left closes", W(290, 300), W(500, 300), NoWindow, true, true, AllScreenEdges, false, W(300, 300), true, 1},
    {"vetoed, the gap stays", W(290, 300), W(500, 300), NoWindow, false, true, AllScreenEdges, false, W(290, 300), false, 1},
    {"right of it", W(715, 320), W(500, 300), NoWindow, true, true, AllScreenEdges, false, W(700, 320), true, 1},
    {"above it", W(550, 185), W(500, 300), NoWindow, true, true, AllScreenEdges, false, W(550, 200), true, 1},
    {"below it", W(450, 419), W(500, 300), NoWindow, true, true, AllScreenEdges, false, W(450, 400), true, 1},
    {"a gap of exactly Power stays", W(280, 300), W(500, 300), NoWindow, true, true, AllScreenEdges, false, W(280, 300), false, 0},
    {"corners only: no side overlaps", W(290, 190), W(500, 300), NoWindow, true, true, AllScreenEdges, false, W(290, 190), false, 0},
    {"a one-pixel gap closes", W(299, 300), W(500, 300), NoWindow, true, true, AllScreenEdges, false, W(300, 300), true, 1},
    // Touching edge to edge is not docking: the area edge 5 px away still snaps.
    {"already touching", W(5, 300), W(205, 300), NoWindow, true, true, AllScreenEdges, false, W(0, 300), false, 0},
    // Corner to corner, one edge on the other's line and the other 15 px away: no side overlaps.
    {"corner, right edge on its left", W(300, 185), W(500, 300), NoWindow, true, true, AllScreenEdges, false, W(300, 185), false, 0},
    {"corner, left edge on its right", W(700, 185), W(500, 300), NoWindow, true, true, AllScreenEdges, false, W(700, 185), false, 0},
    {"corner, bottom on its top", W(285, 200), W(500, 300), NoWindow, true, true, AllScreenEdges, false, W(285, 200), false, 0},
    {"corner, top on its bottom", W(285, 400), W(500, 300), NoWindow, true, true, AllScreenEdges, false, W(285, 400), false, 0},
    {"snapped above, the sides no longer overlap", W(310, 185), W(500, 280), NoWindow, true, true, AllScreenEdges, false,
     W(310, 180), true, 1},
    // A window snap takes the place of the area's, unless glue asks for both.
    {"window beats the area edge", W(5, 300), W(210, 300), NoWindow, true, true, AllScreenEdges, false, W(10, 300), true, 1},
    {"glued: the area snaps after the window", W(5, 5), W(210, 300), W(5, 110), true, true, AllScreenEdges, true, W(0, 0), true, 1},
    {"vetoed window: the area still snaps", W(5, 300), W(210, 300), NoWindow, false, true, AllScreenEdges, false, W(0, 300), false, 1},
    // Two windows attract along the same axis: the later one wins.
    {"the last window wins", W(300, 300), W(510, 300), W(95, 300), true, true, AllScreenEdges, false, W(295, 300), true, 2},
    {"the last one vetoed: the first holds", W(300, 300), W(510, 300), W(95, 300), true, false, AllScreenEdges, false, W(310, 300), true, 2},
    // Far outside the screen nothing overflows.
    {"far away", MagnetRectOf(INT_MIN / 2, INT_MAX / 2, 200, 100), NoWindow, NoWindow, true, true, AllScreenEdges, false,
     MagnetRectOf(INT_MIN / 2, INT_MAX / 2, 200, 100), false, 0},
};

TEST(vyFormMagnetGeometry, DockingToTheAreaAndToOtherWindows)
{
    for (const TCase& c : Cases) {
        int asked = 0;
        std::vector<TvyMagnetTarget> targets;
        if (c.First != NoWindow) targets.push_back({c.First, [&] { ++asked; return c.AllowFirst; }});
        if (c.Second != NoWindow) targets.push_back({c.Second, [&] { ++asked; return c.AllowSecond; }});
        TvyMagnetRect r = c.R;
        const bool docked = DockRect(r, targets, 20, Area, 16, c.Edges, c.AlwaysArea);
        EXPECT_EQ(c.Expected.Left, r.Left) << c.What;
        EXPECT_EQ(c.Expected.Top, r.Top) << c.What;
        EXPECT_EQ(c.Expected.Width(), r.Width()) << c.What << ": the size is kept";
        EXPECT_EQ(c.Expected.Height(), r.Height()) << c.What << ": the size is kept";
        EXPECT_EQ(c.ExpectDocked, docked) << c.What;
        EXPECT_EQ(c.ExpectAsked, asked) << c.What;
    }

    // Glue: an edge on the line of the opposite edge, anywhere along it.
    struct TGlue {
        const char* What;
        TvyMagnetRect Other;
        bool Glued;
    } const glues[] = {
        {"touching on the right", W(700, 300), true},
        {"touching below", W(450, 400), true},
        {"touching above", W(550, 200), true},
        {"touching on the left", W(300, 350), true},
        {"on the right's line, far below", W(700, 2000), true},
        {"one pixel apart", W(701, 300), false},
        {"overlapping", W(600, 350), false},
    };
    for (const TGlue& g : glues) EXPECT_EQ(g.Glued, GluedTo(W(500, 300), g.Other)) << g.What;

    EXPECT_EQ(MagnetRectOf(460, 290, 200, 100), FollowCursor(500, 300, 40, 10, 200, 100)) << "follow the cursor";
}

} // namespace
