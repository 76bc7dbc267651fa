// tests/native/vyAppUpdaterTextTest.cpp
// The upgrader's text rules: stored names of downloads, the addresses a redirect may open,
// the swap program's command line and the progress over all files.
#include "vyAppUpdaterText.h"
#include "swap/vySwapRules.h"

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
        {"http://host/com\xB9.exe", std::nullopt}, // superscript one to three name ports too
        {"http://host/LPT\xB3", std::nullopt},     {"http://host/clock$.txt", std::nullopt},
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
        {"http://host/new.html --switch=x", false}, {"http://host/\"q\"", false}, {"http://host/it's", false},
        {"http://host/a\tb", false},               {"http://host/caf\xE9", false}, {"http://C:\\calc.exe", false},
        {"http://host/a%20b?q=1&r=~2#top", true},
    };
    for (const auto& c : cases) EXPECT_EQ(c.Web, IsWebAddress(c.Url)) << c.Url;
    // A redirect's entry without a scheme is a web page; with switches it is none.
    EXPECT_EQ("http://www.pellory.example/new.html", RedirectAddress("www.pellory.example/new.html").value_or("-"));
    EXPECT_EQ("https://h/x", RedirectAddress("https://h/x").value_or("-"));
    EXPECT_EQ(std::nullopt, RedirectAddress("h/new.html -switch"));
}

// A PE image of one section, field by field: the DOS header points at 0x40, where "PE\0\0",
// one section and a 0xE0-byte optional header put the section table at 0x138; the section's
// raw data is 0x200 bytes at 0x200, so the whole file is 0x400 bytes.
TEST(IsWholePEImage, WantsHeadersAndEverySectionWithinTheFile)
{
    std::string pe(0x400, '\0');
    for (auto [at, value] : {std::pair{0x00, 0x5A4D}, {0x3C, 0x40}, {0x40, 0x4550}, {0x46, 1}, {0x54, 0xE0},
                             {0x138 + 16, 0x200}, {0x138 + 20, 0x200}})
        for (int i = 0; i < 4 && value >> (8 * i); ++i) pe[at + i] = static_cast<char>(value >> (8 * i));
    EXPECT_TRUE(IsWholePEImage(pe));
    for (const std::string& bad : {pe.substr(0, 0x3FF), pe.substr(0, 0x155), pe.substr(0, 0x138 + 39),
                                   "ZM" + pe.substr(2), pe.substr(0, 0x3C) + "\xF0\xFF\xFF\xFF" + pe.substr(0x40),
                                   pe.substr(0, 0x40) + "PF" + pe.substr(0x42), std::string("<html>404</html>")})
        EXPECT_FALSE(IsWholePEImage(bad)) << bad.size() << " bytes";
}

TEST(SwapCommandLine, PathsThenPlusParametersAndTheMethodDigit)
{
    EXPECT_EQ("\"C:\\TEMP DIR\\vySwap.exe\" \"C:\\Program Files\\T\\app.exe\" +/afterupgrade0",
              SwapCommandLine("C:\\TEMP DIR\\vySwap.exe", "C:\\Program Files\\T\\app.exe", "/afterupgrade",
                              TvyUpgradeMethod::umSelfUpgrade));
    EXPECT_EQ("\"s\" \"a\" + 1", SwapCommandLine("s", "a", RestartParamsValue(""), TvyUpgradeMethod::umUseExternalSetup));
    // The swap program reads the target back exactly, whatever the folder is called.
    for (const char* exe : {"C:\\A+B\\app.exe", "C:\\Two  Blanks\\app.exe", "C:\\P F\\+\\a b.exe"}) {
        const std::string line = SwapCommandLine("C:\\T D\\vySwap.exe", exe, "/afterupgrade",
                                                 TvyUpgradeMethod::umSelfUpgrade);
        vyswap::TSwapCommand command;
        ASSERT_TRUE(vyswap::ParseSwapCommand(vyswap::SkipProgramName(line.c_str(), "C:\\T D\\vySwap.exe"), command));
        EXPECT_EQ(std::string(exe) + "|/afterupgrade", std::string(command.Target.S) + "|" + command.RestartParams.S);
    }
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
