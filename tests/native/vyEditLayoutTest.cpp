// tests/native/vyEditLayoutTest.cpp
// The edit's button place, text area and minimum height, and where its attached label goes.
#include <gtest/gtest.h>

#include "vyEditLayout.h"

namespace {

TEST(vyEditLayout, ButtonRectangleByFrame)
{
    struct TCase {
        const char* What;
        TvyEditFrame Frame;
        bool Visible;
        TvyLayoutRect Expected;
    };
    // A 121 x 21 edit with the default 20-pixel button.
    const TCase cases[] = {
        {"old shell", {false, true, true}, true, {101, 0, 20, 21}},
        {"new style, 3-D, single border", {true, true, true}, true, {97, 0, 20, 17}},
        {"new style, flat, single border", {true, false, true}, true, {99, 2, 20, 17}},
        {"new style, no border", {true, true, false}, true, {101, 0, 20, 21}},
        {"hidden button: no width", {true, true, true}, false, {97, 0, 0, 17}},
    };
    for (const TCase& c : cases) {
        const TvyLayoutRect r = EditButtonRect(121, 21, 20, c.Visible, c.Frame);
        EXPECT_EQ(c.Expected.Left, r.Left) << c.What;
        EXPECT_EQ(c.Expected.Top, r.Top) << c.What;
        EXPECT_EQ(c.Expected.Width, r.Width) << c.What;
        EXPECT_EQ(c.Expected.Height, r.Height) << c.What;
    }
}

TEST(vyEditLayout, TextAreaAndMinimumHeight)
{
    // A 3-D 121 x 21 edit has a 117 x 17 client area: with the button the text ends 22
    // pixels before its right edge.
    EXPECT_EQ((TvyTextArea{95, 18}), EditTextArea(117, 17, 20, true)) << "visible button";
    EXPECT_EQ((TvyTextArea{115, 18}), EditTextArea(117, 17, 20, false)) << "hidden button";
    EXPECT_EQ(14, EditMinHeight(1, 16, 13)) << "the smaller text height counts";
    EXPECT_EQ(17, EditMinHeight(12, 13, 15)) << "a quarter of the border height (12 / 4 + 13 + 1)";
}

TEST(vyEditLayout, AttachedLabelOrigins)
{
    using P = TvyAttachedLabelPosition;
    using K = TvyAttachedLabelSpacingKind;
    const TvyLayoutRect edit{122, 10, 157, 21};
    struct TCase {
        const char* What;
        int W, H;
        P Position;
        int Spacing;
        K Kind;
        TvyLayoutPoint Expected;
    };
    const TCase cases[] = {
        {"above, near", 50, 13, P::lpAbove, 4, K::skNearPoint, {122, -7}},
        {"above, far", 50, 13, P::lpAbove, 4, K::skFarPoint, {122, 6}},
        {"below, near", 50, 13, P::lpBelow, 4, K::skNearPoint, {122, 35}},
        {"below, far", 50, 13, P::lpBelow, 20, K::skFarPoint, {122, 38}},
        {"left, near", 50, 13, P::lpLeft, 4, K::skNearPoint, {68, 14}},
        {"left, far: the password dialog", 50, 13, P::lpLeft, 77, K::skFarPoint, {45, 14}},
        {"right, near", 50, 13, P::lpRight, 4, K::skNearPoint, {283, 14}},
        {"right, far", 50, 13, P::lpRight, 60, K::skFarPoint, {289, 14}},
        {"taller label reaches above", 50, 40, P::lpLeft, 4, K::skNearPoint, {68, 1}},
        {"odd overhang truncates", 50, 42, P::lpRight, 0, K::skNearPoint, {279, 0}},
    };
    for (const TCase& c : cases) {
        const TvyLayoutPoint p = AttachedLabelOrigin(edit, c.W, c.H, c.Position, c.Spacing, c.Kind);
        EXPECT_EQ(c.Expected.X, p.X) << c.What;
        EXPECT_EQ(c.Expected.Y, p.Y) << c.What;
    }
}

} // namespace
