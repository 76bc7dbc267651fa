// tests/native/vyFormPlacementRulesTest.cpp
// Where a restored form may go: kept when any of it shows, moved inside when none does.
#include <gtest/gtest.h>

#include <climits>
#include <utility>

#include "vyFormPlacementRules.h"

namespace {

struct TCase {
    const char* What;
    TvyPlacementBounds Stored;
    TvyPlacementBounds Expected;
};

// A 1024x768 screen with a 28-pixel taskbar at the bottom.
const TvyPlacementArea Area{0, 0, 1024, 740};
// A work area of a second monitor left of the first.
const TvyPlacementArea LeftMonitor{-800, 100, 0, 700};

const TCase Cases[] = {
    {"wholly inside", {100, 120, 300, 200}, {100, 120, 300, 200}},
    {"partly off the right edge: kept", {900, 100, 300, 200}, {900, 100, 300, 200}},
    {"one pixel in at the top left: kept", {-299, -199, 300, 200}, {-299, -199, 300, 200}},
    {"one pixel in at the bottom right: kept", {1023, 739, 300, 200}, {1023, 739, 300, 200}},
    {"touching the top left corner from outside", {-300, -200, 300, 200}, {0, 0, 300, 200}},
    {"saved on a larger screen, (5000, 5000)", {5000, 5000, 300, 200}, {724, 540, 300, 200}},
    {"just past the right edge", {1024, 100, 300, 200}, {724, 100, 300, 200}},
    {"just below the work area (under the taskbar)", {100, 740, 300, 200}, {100, 540, 300, 200}},
    {"left of the screen, on a removed monitor", {-1200, 300, 300, 200}, {0, 300, 300, 200}},
    {"above and left", {-5000, -5000, 300, 200}, {0, 0, 300, 200}},
    {"wider than the area goes to its left edge", {3000, 10, 2000, 200}, {0, 10, 2000, 200}},
    {"taller than the area goes to its top edge", {10, 3000, 200, 2000}, {10, 0, 200, 2000}},
    {"empty size inside is kept where it is", {50, 50, 0, 0}, {50, 50, 0, 0}},
    {"negative size outside comes to the edge", {5000, 5000, -10, -10}, {1024, 740, -10, -10}},
    {"extreme values do not overflow", {INT_MAX, INT_MIN, INT_MAX, INT_MAX}, {0, 0, INT_MAX, INT_MAX}},
};

TEST(FormPlacementRules, BoundsAreKeptWhenVisibleAndMovedInsideWhenNot)
{
    for (const TCase& c : Cases) {
        const TvyPlacementBounds got = KeepOnWorkArea(c.Stored, Area);
        EXPECT_EQ(c.Expected.Left, got.Left) << c.What;
        EXPECT_EQ(c.Expected.Top, got.Top) << c.What;
        EXPECT_EQ(c.Expected.Width, got.Width) << c.What << ": size kept";
        EXPECT_EQ(c.Expected.Height, got.Height) << c.What << ": size kept";
    }
    // Areas need not start at the origin.
    EXPECT_EQ((TvyPlacementBounds{-300, 500, 300, 200}), KeepOnWorkArea({100, 900, 300, 200}, LeftMonitor));
    EXPECT_EQ((TvyPlacementBounds{-700, 150, 300, 200}), KeepOnWorkArea({-700, 150, 300, 200}, LeftMonitor));
    EXPECT_EQ((TvyPlacementBounds{-800, 150, 2000, 200}), KeepOnWorkArea({3000, 150, 2000, 200}, LeftMonitor))
        << "too wide: to the area's own left edge";
}

TEST(FormPlacementRules, TheAreaBoundsCoverEndsAtTheLimitsOfAnInt)
{
    const std::pair<TvyPlacementBounds, TvyPlacementArea> cases[] = {
        {{100, 120, 300, 200}, {100, 120, 400, 320}},
        {{-50, 10, INT_MAX, INT_MAX}, {-50, 10, INT_MAX - 50, INT_MAX}},
        {{INT_MAX - 10, INT_MAX, 300, 1}, {INT_MAX - 10, INT_MAX, INT_MAX, INT_MAX}},
        {{INT_MIN, INT_MIN + 5, -1, -10}, {INT_MIN, INT_MIN + 5, INT_MIN, INT_MIN}},
    };
    for (const auto& [bounds, area] : cases)
        EXPECT_EQ(area, BoundsArea(bounds)) << bounds.Left << ", " << bounds.Top << " size " << bounds.Width << " x "
                                            << bounds.Height;
}

} // namespace
