// tests/native/vyAppUpdaterWizardTextTest.cpp
#include <gtest/gtest.h>

#include "vyAppUpdaterWizardText.h"

TEST(vyAppUpdaterWizardText, ProgramNameFollowsTheDesignMarker)
{
    EXPECT_EQ("Pellory Tallyglass", UpgradeProgramName("Pellory Tallyglass", "Studio", "<AppTitle>"));
    EXPECT_EQ("<AppTitle>", UpgradeProgramName("Project1 - Studio", "Studio", "<AppTitle>"));
    EXPECT_EQ("Tallyglass", UpgradeProgramName("Tallyglass", "", "<AppTitle>")) << "a missing marker matches nothing";
}

TEST(vyAppUpdaterWizardText, MessageBlockStandsOnItsOwnLinesAndResetsStyle)
{
    EXPECT_EQ("", UpgradeMessageBlock(""));
    EXPECT_EQ("\n[b]New: faster[DEF]\n", UpgradeMessageBlock("[b]New: faster"));
}

TEST(vyAppUpdaterWizardText, TimeLeftParts)
{
    struct Case {
        int Seconds, H, M, S;
    } cases[] = {{3725, 1, 2, 5}, {0, 0, 0, 0}, {59, 0, 0, 59}, {3600 * 30 + 61, 30, 1, 1}, {-12, 0, 0, 0},
                 {3599, 0, 59, 59}, {3600, 1, 0, 0}};
    for (const Case& c : cases) {
        const TvyTimeLeft t = TimeLeftParts(c.Seconds);
        EXPECT_EQ(c.H, t.Hours) << c.Seconds;
        EXPECT_EQ(c.M, t.Minutes) << c.Seconds;
        EXPECT_EQ(c.S, t.Seconds) << c.Seconds;
    }
}

TEST(vyAppUpdaterWizardText, KilobytesAndCredentials)
{
    EXPECT_DOUBLE_EQ(1.5, Kilobytes(1536));
    EXPECT_EQ(255u, CutCredential(std::string(300, 'x')).size());
    EXPECT_EQ("short", CutCredential("short"));
}
