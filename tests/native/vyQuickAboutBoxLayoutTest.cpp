// tests/native/vyQuickAboutBoxLayoutTest.cpp
#include <gtest/gtest.h>

#include "vyQuickAboutBoxLayout.h"

namespace {

TEST(QuickAboutBoxLayout, RowsFollowTheTextsAbove)
{
    struct {
        int Width, Copyright;
        bool Description;
        int DescriptionHeight;
        int Bevel1, DescriptionTop, Bevel2, Email, Web, Button, Client;
    } cases[] = {
        // Two lines of credits, no description: e-mail 5 below the first separator.
        {260, 26, false, 0, 56, 0, 0, 61, 75, 98, 129},
        // One line of credits and a three-line description.
        {260, 13, true, 39, 43, 48, 89, 94, 108, 131, 162},
        // A framed description of one line (13 + 2 x 4 margin).
        {400, 26, true, 21, 56, 61, 84, 89, 103, 126, 157},
        // Nothing at all in the credits.
        {260, 0, false, 0, 30, 0, 0, 35, 49, 72, 103},
    };
    for (const auto& c : cases) {
        const TvyAboutBoxLayout l = AboutBoxLayout(c.Width, c.Copyright, c.Description, c.DescriptionHeight);
        const std::string what = "width " + std::to_string(c.Width) + ", credits " + std::to_string(c.Copyright) +
                                 (c.Description ? ", description " + std::to_string(c.DescriptionHeight) : "");
        EXPECT_EQ(c.Bevel1, l.Bevel1Top) << what;
        EXPECT_EQ(c.DescriptionTop, l.DescriptionTop) << what;
        EXPECT_EQ(c.Bevel2, l.Bevel2Top) << what;
        EXPECT_EQ(c.Email, l.EmailTop) << what;
        EXPECT_EQ(c.Web, l.WebTop) << what;
        EXPECT_EQ(c.Button, l.ButtonTop) << what;
        EXPECT_EQ(c.Client, l.ClientHeight) << what;
    }
}

TEST(QuickAboutBoxLayout, WidthsFollowTheDialogWidth)
{
    struct {
        int Width, Title, Bevel, Description, ButtonLeft;
    } cases[] = {{260, 256, 211, 215, 85}, {291, 287, 242, 246, 100}, {400, 396, 351, 355, 155}, {261, 257, 212, 216, 85}};
    for (const auto& c : cases) {
        const TvyAboutBoxLayout l = AboutBoxWidths(c.Width);
        EXPECT_EQ(c.Title, l.TitleWidth) << "width " << c.Width;
        EXPECT_EQ(c.Bevel, l.BevelWidth) << "width " << c.Width;
        EXPECT_EQ(c.Description, l.DescriptionWidth) << "width " << c.Width;
        EXPECT_EQ(c.ButtonLeft, l.ButtonLeft) << "the button centred on the outer width " << c.Width;
        EXPECT_EQ(c.ButtonLeft, AboutBoxLayout(c.Width, 13, true, 13).ButtonLeft) << "width " << c.Width;
    }
}

TEST(QuickAboutBoxLayout, MailMessage)
{
    EXPECT_EQ("PS: I'm using Windows 98 (4.10.2222); CPU: 450MHz.", AboutMailMessage("Windows 98", "4.10.2222", 450));
    EXPECT_EQ("PS: I'm using  (); CPU: 0MHz.", AboutMailMessage("", "", 0)) << "nothing known about the system";
}

} // namespace
