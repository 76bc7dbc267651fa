// tests/native/vyAppUpdaterTextTest.cpp
// The upgrader's text rules: stored names of downloads, the addresses a redirect may open,
// the swap program's command line and the progress over all files.
#include "vyAppUpdaterText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

TEST(UpgradeFileName, KeepsPlainNamesAndRefusesAnyOtherPlace)
{
    const struct {
        const char* Url;
        std::optional<std::string> Name;
    } cases[] = {
        {"http://host/dl/app.exe", "app.exe"},
        {"http://host:8080/a/b/Read Me.txt", "Read Me.txt"},
        {"host/new.dll", "new.dll"},
        {"http://host/dl/", std::nullopt},           // empty
        {"http://host/dl/.", std::nullopt},
        {"http://host/dl/..", std::nullopt},
        {"http://host/dl/ . ", std::nullopt},        // only dots and blanks
        {"http://host/dl\\..", std::nullopt},
        {"C:", std::nullopt},
        {"http://host/get?f=a.exe", std::nullopt},   // "?" names no file
        {"http://host/a*b", std::nullopt},
        {"http://host/a\"b", std::nullopt},
        {"http://host/a<b>", std::nullopt},
        {"http://host/a|b", std::nullopt},
        {"http://host/a\tb", std::nullopt},
        {"http://host/a\x7f", std::nullopt},
        {"http://host/nul", std::nullopt},
        {"http://host/Con.txt", std::nullopt},
        {"http://host/com1.exe", std::nullopt},
        {"http://host/LPT9", std::nullopt},
        {"http://host/com10.exe", "com10.exe"},
        {"http://host/console.exe", "console.exe"},
        {"http://host/.hidden", ".hidden"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.Name, UpgradeFileName(c.Url)) << c.Url;
}

TEST(IsWebAddress, OnlyHttpAndHttpsWithAHost)
{
    const struct {
        const char* Url;
        bool Web;
    } cases[] = {
        {"http://example.com/new.html", true},
        {"HTTPS://example.com", true},
        {"hTTp://x", true},
        {"http://", false},
        {"http:///etc", false},
        {"file:///C:/windows/calc.exe", false},
        {"C:\\windows\\calc.exe", false},
        {"calc.exe", false},
        {"ftp://example.com/a", false},
        {" http://example.com", false},
        {"mailto:a@example.com", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.Web, IsWebAddress(c.Url)) << c.Url;
}

TEST(SwapCommandLine, PathsThenPlusParametersAndTheMethodDigit)
{
    EXPECT_EQ("C:\\TEMP\\vySwap.exe C:\\Program Files\\T\\app.exe +/afterupgrade0",
              SwapCommandLine("C:\\TEMP\\vySwap.exe", "C:\\Program Files\\T\\app.exe", "/afterupgrade",
                              TvyUpgradeMethod::umSelfUpgrade));
    EXPECT_EQ("s a + 1", SwapCommandLine("s", "a", RestartParamsValue(""), TvyUpgradeMethod::umUseExternalSetup));
    EXPECT_EQ(" ", RestartParamsValue(""));
    EXPECT_EQ("/x", RestartParamsValue("/x"));
}

TEST(UpgradeTotalPercent, EachFileCoversItsShare)
{
    const struct {
        int Index, Count, Percent, Total;
    } cases[] = {
        {0, 2, 0, 0}, {0, 2, 100, 50}, {1, 2, 0, 50}, {1, 2, 100, 100}, {0, 1, 37, 37},
        {2, 3, 100, 100}, {1, 3, 50, 49}, {0, 0, 50, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Total, UpgradeTotalPercent(c.Index, c.Count, static_cast<std::uint8_t>(c.Percent)))
            << c.Index << " of " << c.Count << " at " << c.Percent;
}

} // namespace
