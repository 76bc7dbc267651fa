// tests/native/ObjectCountsTest.cpp
#include <gtest/gtest.h>

#include "ObjectCounts.h"

TEST(ObjectCountsTest, FreePercentRoundsAndClamps)
{
    EXPECT_EQ(100, FreePercent(0, 10000));
    EXPECT_EQ(0, FreePercent(10000, 10000));
    EXPECT_EQ(0, FreePercent(12000, 10000)) << "over the limit is nothing free, not negative";
    EXPECT_EQ(50, FreePercent(5000, 10000));
    EXPECT_EQ(99, FreePercent(51, 10000)) << "99.49 rounds down";
    EXPECT_EQ(100, FreePercent(49, 10000)) << "99.51 rounds up";
    EXPECT_EQ(0, FreePercent(0, 0)) << "no limit means nothing to be had";
    EXPECT_EQ(100, FreePercent(0, 0xFFFFFFFFu)) << "no overflow at the top";
}

TEST(ObjectCountsTest, SystemIsTheSmallerOfUserAndGdi)
{
    TObjectUse use;
    use.UserUsed = 2000;
    use.UserLimit = 10000;
    use.GdiUsed = 7000;
    use.GdiLimit = 10000;
    EXPECT_EQ(80, FreeFigure(use, 2)) << "User";
    EXPECT_EQ(30, FreeFigure(use, 1)) << "GDI";
    EXPECT_EQ(30, FreeFigure(use, 0)) << "system";
}

TEST(ObjectCountsTest, MeasuresAtMostOnceASecondAcrossTheTickWrap)
{
    EXPECT_TRUE(MeasurementDue(5, 0, false)) << "first time";
    EXPECT_FALSE(MeasurementDue(999, 0, true));
    EXPECT_TRUE(MeasurementDue(1000, 0, true));
    EXPECT_FALSE(MeasurementDue(200, 0xFFFFFF00u, true)) << "456 ms across the wrap";
    EXPECT_TRUE(MeasurementDue(800, 0xFFFFFF00u, true)) << "1056 ms across the wrap";
}
