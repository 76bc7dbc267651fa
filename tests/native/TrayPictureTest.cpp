// tests/native/TrayPictureTest.cpp
#include <gtest/gtest.h>

#include "TrayPicture.h"

TEST(TrayPictureTest, BarTopsRoundTheFigureTimesSixteenHundredths)
{
    const struct {
        int Figure;
        int Top;
    } cases[] = {{100, 0}, {50, 8}, {4, 15}, {3, 16}, {0, 16}, {97, 0}, {96, 1}, {9, 15}, {10, 14}, {1, 16}};
    for (const auto& c : cases)
        EXPECT_EQ(c.Top, TrayBarFor(0, static_cast<unsigned char>(c.Figure)).Top) << "figure " << c.Figure;
}

TEST(TrayPictureTest, BarsAreSixWideAndShareOutlineColumns)
{
    const TrayBar sys = TrayBarFor(0, 100), user = TrayBarFor(1, 100), gdi = TrayBarFor(2, 100);
    EXPECT_EQ(0, sys.Left);
    EXPECT_EQ(6, sys.Right);
    EXPECT_EQ(5, user.Left) << "system and User share column 5";
    EXPECT_EQ(11, user.Right);
    EXPECT_EQ(10, gdi.Left) << "User and GDI share column 10";
    EXPECT_EQ(16, gdi.Right);
}

TEST(TrayPictureTest, GaugeColourThresholds)
{
    constexpr int lime = 0x00FF00, yellow = 0x00FFFF, red = 0x0000FF;
    EXPECT_EQ(lime, ColorForFigure(100));
    EXPECT_EQ(lime, ColorForFigure(40));
    EXPECT_EQ(yellow, ColorForFigure(39));
    EXPECT_EQ(yellow, ColorForFigure(20));
    EXPECT_EQ(red, ColorForFigure(19));
    EXPECT_EQ(red, ColorForFigure(0));
}
