// tests/native/vyPropImageGeometryTest.cpp
// Where the proportional image draws its picture: scaling rules and the nine alignments.
#include <gtest/gtest.h>

#include "vyPropImageGeometry.h"

namespace {

using A = TvyImageAlignment;

struct TCase {
    const char* What;
    int Pw, Ph, Cw, Ch;
    bool Stretch, Proportional;
    A Alignment;
    TvyImageRect Expected;
};

const TCase Cases[] = {
    // Defaults (proportional, no stretch): a picture that fits keeps its size.
    {"16x16 fits, centred", 16, 16, 32, 32, false, true, A::iaCenter, {8, 8, 24, 24}},
    {"16x16 stretched fills", 16, 16, 32, 32, true, true, A::iaCenter, {0, 0, 32, 32}},
    {"64x32 shrinks to 32x16, 8 down", 64, 32, 32, 32, false, true, A::iaCenter, {0, 8, 32, 24}},
    {"32x64 shrinks to 16x32, 8 right", 32, 64, 32, 32, false, true, A::iaCenter, {8, 0, 24, 32}},
    {"wide but the height limits", 100, 50, 60, 20, false, true, A::iaTopLeft, {0, 0, 40, 20}},
    {"tall but the width limits", 50, 100, 20, 60, false, true, A::iaTopLeft, {0, 0, 20, 40}},
    {"ratio truncates, not rounds", 3, 2, 10, 10, true, true, A::iaTopLeft, {0, 0, 10, 6}},
    {"square picture uses the height branch", 40, 40, 30, 20, false, true, A::iaTopLeft, {0, 0, 20, 20}},
    // Stretch without proportion ignores the aspect ratio.
    {"stretch, not proportional", 10, 40, 60, 30, true, false, A::iaBottomRight, {0, 0, 60, 30}},
    // Neither: own size, even when larger; the centre shows through negative offsets.
    {"too large, kept, centred", 64, 48, 32, 32, false, false, A::iaCenter, {-16, -8, 48, 40}},
    {"odd overhang rounds down", 65, 33, 32, 32, false, false, A::iaCenter, {-17, -1, 48, 32}},
    {"too large, bottom right", 64, 48, 32, 32, false, false, A::iaBottomRight, {-32, -16, 32, 32}},
    // An empty picture stretched proportionally has no ratio: it takes the client.
    {"0x0 stretched", 0, 0, 20, 10, true, true, A::iaCenter, {0, 0, 20, 10}},
    {"0x0 not stretched", 0, 0, 20, 10, false, true, A::iaCenter, {10, 5, 10, 5}},
    {"0x5 stretched: the client", 0, 5, 10, 10, true, true, A::iaTopLeft, {0, 0, 10, 10}},
    {"5x0 stretched: the client", 5, 0, 10, 10, true, true, A::iaTopLeft, {0, 0, 10, 10}},
    // Edges met exactly: a side as long as the client's is no reason to scale.
    {"as wide as the client, shorter: kept", 1, 2, 1, 3, false, true, A::iaTopLeft, {0, 0, 1, 2}},
    {"as high as the client, narrower: kept", 2, 1, 3, 1, false, true, A::iaTopLeft, {0, 0, 2, 1}},
    {"1x1 stretched into 1x2 stays square", 1, 1, 1, 2, true, true, A::iaTopLeft, {0, 0, 1, 1}},
    {"1x2 stretched into 1x3 fills it", 1, 2, 1, 3, true, true, A::iaTopLeft, {0, 0, 1, 3}},
    {"2x1 stretched into 3x1 fills it", 2, 1, 3, 1, true, true, A::iaTopLeft, {0, 0, 3, 1}},
    // The nine alignments with free space both ways: 10x6 in 40x30, fx = 30, fy = 24.
    {"center", 10, 6, 40, 30, false, true, A::iaCenter, {15, 12, 25, 18}},
    {"left", 10, 6, 40, 30, false, true, A::iaLeft, {0, 12, 10, 18}},
    {"top", 10, 6, 40, 30, false, true, A::iaTop, {15, 0, 25, 6}},
    {"right", 10, 6, 40, 30, false, true, A::iaRight, {30, 12, 40, 18}},
    {"bottom", 10, 6, 40, 30, false, true, A::iaBottom, {15, 24, 25, 30}},
    {"top left", 10, 6, 40, 30, false, true, A::iaTopLeft, {0, 0, 10, 6}},
    {"top right", 10, 6, 40, 30, false, true, A::iaTopRight, {30, 0, 40, 6}},
    {"bottom left", 10, 6, 40, 30, false, true, A::iaBottomLeft, {0, 24, 10, 30}},
    {"bottom right", 10, 6, 40, 30, false, true, A::iaBottomRight, {30, 24, 40, 30}},
    {"odd free space halves down", 10, 6, 41, 31, false, true, A::iaCenter, {15, 12, 25, 18}},
};

TEST(vyPropImageGeometry, ScalingAndAlignment)
{
    for (const TCase& c : Cases) {
        const TvyImageRect r = ProportionalImageRect(c.Pw, c.Ph, c.Cw, c.Ch, c.Stretch, c.Proportional, c.Alignment);
        EXPECT_EQ(c.Expected.Left, r.Left) << c.What;
        EXPECT_EQ(c.Expected.Top, r.Top) << c.What;
        EXPECT_EQ(c.Expected.Right, r.Right) << c.What;
        EXPECT_EQ(c.Expected.Bottom, r.Bottom) << c.What;
    }
}

TEST(vyPropImageGeometry, ExtremeRatiosStayInsideTheClient)
{
    const int sizes[][2] = {{1, 1000000}, {1000000, 1}, {1, 1}, {2147483, 3}, {7, 2147483}};
    for (auto& s : sizes)
        for (bool stretch : {false, true}) {
            const TvyImageRect r = ProportionalImageRect(s[0], s[1], 97, 31, stretch, true, A::iaTopLeft);
            EXPECT_GE(r.Width(), 0) << s[0] << "x" << s[1];
            EXPECT_LE(r.Width(), 97) << s[0] << "x" << s[1];
            EXPECT_GE(r.Height(), 0) << s[0] << "x" << s[1];
            EXPECT_LE(r.Height(), 31) << s[0] << "x" << s[1];
        }
}

} // namespace
