// tests/native/vyAnimationEffectGeometryTest.cpp
// The animation outlines: the affine building blocks, where each effect starts and ends,
// the drawing order that leaves inverted outlines erased, and the pacing of one pause.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <vector>

#include "vyAnimationEffectGeometry.h"

namespace {

using ET = TvyAnimationEffectType;
constexpr float kPi = 3.14159265f;

TEST(AnimationGeometry, TransformsFollowTheRowVectorConvention)
{
    struct Case {
        const char* Name;
        TvyMatrix M;
        TvyPointF In, Out;
    } cases[] = {
        {"quarter turn about a point turns +x into +y (clockwise on screen)",
         TvyMatrix::Rotation(kPi / 2, {10, 20}), {11, 20}, {10, 21}},
        {"scaling about a point keeps that point", TvyMatrix::Scaling(2, 3, {5, 5}), {5, 5}, {5, 5}},
        {"scaling about a point", TvyMatrix::Scaling(2, 3, {5, 5}), {6, 7}, {7, 11}},
        {"translation then scaling", TvyMatrix::Translation(1, 0) * TvyMatrix::Scaling(2, 2, {}), {0, 0}, {2, 0}},
        {"scaling then translation", TvyMatrix::Scaling(2, 2, {}) * TvyMatrix::Translation(1, 0), {0, 0}, {1, 0}},
        {"two turns add up", TvyMatrix::Rotation(kPi / 6, {}) * TvyMatrix::Rotation(kPi / 3, {}), {1, 1}, {-1, 1}},
        {"interpolation weights the first matrix by a",
         TvyMatrix::Lerp(0.25f, TvyMatrix{}, TvyMatrix::Translation(8, 4)), {0, 0}, {6, 3}},
    };
    for (const Case& c : cases) {
        const TvyPointF p = c.In * c.M;
        EXPECT_NEAR(p.X, c.Out.X, 1e-4f) << c.Name;
        EXPECT_NEAR(p.Y, c.Out.Y, 1e-4f) << c.Name;
    }
}

struct TBox {
    int L = INT_MAX, T = INT_MAX, R = INT_MIN, B = INT_MIN;
};

TBox BoxOf(const std::vector<TvyPolygon>& polys)
{
    TBox b;
    for (const TvyPolygon& p : polys)
        for (const TvyPixel& v : p) {
            b.L = std::min(b.L, v.X);
            b.T = std::min(b.T, v.Y);
            b.R = std::max(b.R, v.X);
            b.B = std::max(b.B, v.Y);
        }
    return b;
}

// Window (100, 50) 200 x 120, 50 steps, 10 blasts: every effect starts from nothing and ends
// on the window's own outline.
TEST(AnimationGeometry, EveryEffectStartsEmptyAndEndsOnTheWindow)
{
    struct Case {
        ET Effect;
        size_t FinalPolygons;
    } cases[] = {{ET::etSpin, 1}, {ET::etVortex, 5}, {ET::etScatterGather, 36}, {ET::etSpike, 16}, {ET::etFireworks, 10}};
    for (const Case& c : cases) {
        const TvyEffectGeometry g(c.Effect, 100, 50, 200, 120, 50, 10);
        const int e = static_cast<int>(c.Effect);
        EXPECT_TRUE(g.Step(0).empty()) << "effect " << e << " draws nothing at step 0";
        EXPECT_FALSE(g.Step(25).empty()) << "effect " << e << " draws half-way";
        const auto last = g.Step(50);
        EXPECT_EQ(last.size(), c.FinalPolygons) << "effect " << e;
        const TBox b = BoxOf(last);
        EXPECT_NEAR(b.L, 100, 1) << "effect " << e;
        EXPECT_NEAR(b.T, 50, 1) << "effect " << e;
        EXPECT_NEAR(b.R, 300, 1) << "effect " << e;
        EXPECT_NEAR(b.B, 170, 1) << "effect " << e;
        // Half-way the outlines are elsewhere than at the end.
        EXPECT_NE(BoxOf(g.Step(25)).R - BoxOf(g.Step(25)).L, 200) << "effect " << e;
    }
    for (ET effect : {ET::etVortex, ET::etScatterGather}) {
        EXPECT_TRUE(TvyEffectGeometry(effect, 100, 50, 0, 120, 50, 10).Step(25).empty()) << "no width, no outline";
        EXPECT_TRUE(TvyEffectGeometry(effect, 100, 50, 200, 0, 50, 10).Step(25).empty()) << "no height, no outline";
    }
    EXPECT_EQ(5u, TvyEffectGeometry(ET::etVortex, 100, 50, 200, 100, 50, 10).Step(1).size()) << "two pixels high";
    EXPECT_EQ(1, TvyEffectGeometry(ET::etSpin, 0, 0, 10, 10, 0, 0).Steps()) << "fewer than one step is one";
}

TEST(AnimationGeometry, SpinGrowsFromTheCentreAndEndsExactlyOnTheCorners)
{
    const TvyEffectGeometry g(ET::etSpin, 100, 50, 200, 120, 50, 0);
    const auto last = g.Step(50);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0], (TvyPolygon{{100, 50}, {100, 170}, {300, 170}, {300, 50}}));
    // Coordinates past a billion either way are held there instead of overflowing an int.
    EXPECT_EQ(TvyEffectGeometry(ET::etSpin, -2000000000, 1500000000, 2000000000, 2000000000, 50, 0).Step(50),
              (std::vector<TvyPolygon>{{{-1000000000, 1000000000}, {-1000000000, 1000000000}, {0, 1000000000}, {0, 1000000000}}}));
    const float halfDiagonal = std::hypot(100.0f, 60.0f);
    for (int k = 1; k < 50; k += 7) {
        const auto step = g.Step(k);
        ASSERT_EQ(step.size(), 1u) << "step " << k;
        for (const TvyPixel& v : step[0])
            EXPECT_NEAR(std::hypot(static_cast<float>(v.X) - 200, static_cast<float>(v.Y) - 110),
                        halfDiagonal * static_cast<float>(k) / 50, 1.5f)
                << "step " << k << " vertex distance from the centre";
    }
}

// The middle steps, where the effects differ most: window (100, 50) 203 x 121, 50 steps (or as
// given), 10 blasts. Expected outlines computed in double precision by a separate Python script
// from the formulas (spin: scaled k/S, turned (k-S)*2pi/S; vortex: the corner offset scaled
// 4(S-k)/3S and turned k*pi/S about the centre, then four copies each 72 degrees on; scatter:
// cell centres scaled (3S-2k)/S; spike: triangles scaled k/S about their centroids, before step
// S/2 turned (1-2k/S)*pi and moved to their start points, from it moved back linearly;
// fireworks: turned (1-k/S)*2pi, scaled k/S, moved from the blast point towards the centre),
// then truncated. No coordinate lies within 0.015 of a whole number, so single precision
// truncates the same way.
TEST(AnimationGeometry, MiddleStepsMatchTheFormulas)
{
    struct Case {
        ET Effect;
        int Step;
        size_t Index, Count;
        TvyPolygon Expected;
        int Steps = 50;
    } cases[] = {
        {ET::etSpin, 10, 0, 1, {{206, 87}, {183, 94}, {196, 133}, {219, 126}}},
        {ET::etVortex, 10, 0, 5, {{230, 238}, {271, 238}, {271, 214}, {230, 214}}},
        {ET::etVortex, 10, 1, 5, {{86, 205}, {126, 205}, {126, 181}, {86, 181}}},
        {ET::etVortex, 10, 2, 5, {{72, 58}, {113, 58}, {113, 33}, {72, 33}}},
        {ET::etVortex, 10, 3, 5, {{209, 0}, {249, 0}, {249, -24}, {209, -24}}},
        {ET::etVortex, 10, 4, 5, {{306, 111}, {347, 111}, {347, 86}, {306, 86}}},
        {ET::etVortex, 25, 0, 5, {{110, 208}, {211, 208}, {211, 147}, {110, 147}}},
        {ET::etScatterGather, 10, 0, 36, {{-21, -18}, {-15, -18}, {-15, -22}, {-21, -22}}},
        {ET::etScatterGather, 25, 35, 36, {{362, 216}, {379, 216}, {379, 206}, {362, 206}}},
        {ET::etSpike, 10, 0, 16, {{188, 150}, {182, 127}, {179, 136}}},
        {ET::etSpike, 10, 5, 16, {{239, 105}, {227, 123}, {233, 124}}},
        {ET::etSpike, 20, 0, 16, {{209, 136}, {162, 132}, {178, 144}}},
        {ET::etSpike, 24, 1, 16, {{203, 122}, {178, 152}, {203, 152}}, 49}, // an odd count: step 24 is in the second half
        {ET::etSpike, 40, 0, 16, {{204, 113}, {123, 161}, {163, 161}}},
        {ET::etSpike, 40, 7, 16, {{199, 109}, {280, 85}, {280, 61}}},
        {ET::etSpike, 40, 13, 16, {{202, 108}, {121, 84}, {121, 108}}},
        {ET::etFireworks, 10, 0, 10, {{183, 180}, {196, 142}, {219, 149}, {206, 188}}},
        {ET::etFireworks, 10, 3, 10, {{131, 109}, {144, 70}, {167, 78}, {154, 116}}},
    };
    for (const Case& c : cases) {
        const auto polys = TvyEffectGeometry(c.Effect, 100, 50, 203, 121, c.Steps, 10).Step(c.Step);
        const int e = static_cast<int>(c.Effect);
        ASSERT_EQ(polys.size(), c.Count) << "effect " << e << " step " << c.Step;
        EXPECT_EQ(polys[c.Index], c.Expected) << "effect " << e << " step " << c.Step << " outline " << c.Index;
    }
}

TEST(AnimationGeometry, SpikeAndBlastPointsLieOnCirclesOfTheHalfSizesDifference)
{
    struct Case {
        ET Effect;
        int Width, Height;
        size_t Points;
        float Radius; // distance of every start point from the centre
    } cases[] = {
        {ET::etSpike, 200, 120, 16, 0.8f * 40},      {ET::etFireworks, 200, 120, 10, 40.0f * 5 / 3},
        {ET::etSpike, 150, 150, 16, 0},              {ET::etFireworks, 150, 150, 10, 0},
        {ET::etSpike, 100, 180, 16, 0.8f * 40},      {ET::etFireworks, 100, 180, 10, 40.0f * 5 / 3},
    };
    for (const Case& c : cases) {
        const TvyEffectGeometry g(c.Effect, 0, 0, c.Width, c.Height, 50, 10);
        ASSERT_EQ(g.StartPoints().size(), c.Points) << c.Width << "x" << c.Height;
        const float cx = static_cast<float>(c.Width) / 2, cy = static_cast<float>(c.Height) / 2;
        for (const TvyPointF& p : g.StartPoints())
            EXPECT_NEAR(std::hypot(p.X - cx, p.Y - cy), c.Radius, 1e-3f)
                << "effect " << static_cast<int>(c.Effect) << " " << c.Width << "x" << c.Height;
    }
    EXPECT_TRUE(TvyEffectGeometry(ET::etFireworks, 0, 0, 200, 120, 50, 0).Step(50).empty()) << "no blasts, nothing";
}

TEST(AnimationGeometry, DrawOrderErasesEveryOutlineItDraws)
{
    struct Case {
        bool Showing;
        int Steps, Frames;
    } cases[] = {{true, 50, 6}, {false, 50, 6}, {true, 1, 0}, {false, 1, 0},
                 {true, 3, 10}, {false, 3, 10}, {true, 255, 255}, {false, 7, 1}};
    for (const Case& c : cases) {
        const std::vector<int> order = DrawOrder(c.Showing, c.Steps, c.Frames);
        std::map<int, int> times;
        int onScreen = 0, most = 0;
        for (int k : order) {
            onScreen += (++times[k] % 2) ? 1 : -1;
            most = std::max(most, onScreen);
            EXPECT_TRUE(k >= 0 && k <= c.Steps) << "step " << k;
        }
        for (auto [k, n] : times) EXPECT_EQ(n % 2, 0) << "step " << k << " drawn " << n << " times";
        EXPECT_EQ(onScreen, 0);
        EXPECT_LE(most, c.Frames + 1) << "the trail is at most Frames + 1 outlines long";
        // Every step from 0 (or 1 hiding) to the last appears; showing runs forwards.
        EXPECT_EQ(static_cast<int>(times.size()), c.Showing ? c.Steps + 1 : c.Steps)
            << (c.Showing ? "showing" : "hiding") << " " << c.Steps << "/" << c.Frames;
        EXPECT_EQ(order.front(), c.Showing ? 0 : c.Steps - 1);
    }
    EXPECT_TRUE(DrawOrder(true, 0, 6).empty()) << "no steps, no drawing";
    // Worked by hand: each step drawn, and erased Frames steps later; a negative trail is none.
    EXPECT_EQ((std::vector<int>{0, 1, 0, 2, 1, 2, 3, 3}), DrawOrder(true, 3, 1));
    EXPECT_EQ((std::vector<int>{2, 1, 2, 0, 1, 0}), DrawOrder(false, 3, 1));
    EXPECT_EQ((std::vector<int>{0, 0, 1, 1, 2, 2}), DrawOrder(true, 2, -1));
}

TEST(AnimationGeometry, APauseLastsTheSameTimeAtEveryCounterFrequency)
{
    for (int64_t frequency : {1193182LL, 3579545LL, 10000000LL, 2400000000LL})
        for (int delay : {1, 100, 65535}) {
            const int64_t ticks = DelayTicks(delay, frequency);
            const double microseconds = static_cast<double>(ticks) * 1e6 / static_cast<double>(frequency);
            EXPECT_NEAR(microseconds, delay * 20.0, 1e6 / static_cast<double>(frequency))
                << "delay " << delay << " at " << frequency << " Hz";
        }
    EXPECT_EQ(DelayTicks(0, 1000000), 0);
    EXPECT_EQ(DelayTicks(100, 0), 0) << "no counter, no pause";
    EXPECT_EQ(DelayTicks(-5, 1000000), 0) << "a negative delay is none";
    EXPECT_EQ(DelayTicks(65535, 1), 1) << "65535 * 20 us at 1 Hz: 1.31 ticks, truncated";
}

} // namespace
