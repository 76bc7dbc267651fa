// tests/native/vyAppUpdaterTextTest.cpp
// The upgrader's text rules: stored names of downloads, the addresses a redirect may open,
// the swap program's command line and the progress over all files.
#include "vyAppUpdaterText.h"
#include "swap/vySwapRules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
        {"http://host/a\x7f", std::nullopt},         {"http://host/a\x1f", std::nullopt},
        {"http://host/aux", std::nullopt},           {"http://host/com\xB2", std::nullopt},
        {"http://host/comx.txt", "comx.txt"},
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
        {"http://host/a%20b?q=1&r=~2#top", true},  {"http://host/\x7f", false},  {"xttp://host", false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.Web, IsWebAddress(c.Url)) << c.Url;
    // A redirect's entry without a scheme is a web page; with switches it is none.
    EXPECT_EQ("http://www.pellory.example/new.html", RedirectAddress("www.pellory.example/new.html").value_or("-"));
    EXPECT_EQ("https://h/x", RedirectAddress("https://h/x").value_or("-"));
    EXPECT_EQ(std::nullopt, RedirectAddress("h/new.html -switch"));
}

// A PE image of two sections, field by field: the DOS header points at 0x40, where "PE\0\0",
// two sections, a time stamp and a 0xE0-byte optional header put the section table at
// 0x40 + 4 + 20 + 0xE0 = 0x138, 40 bytes a section. The first section's raw data is 0x200
// bytes at 0x200, the second's 0x100 at 0x400, so the whole file is 0x500 bytes. After the
// table lies a third entry that is not one (raw size 0xFFFF), as padding might hold.
TEST(IsWholePEImage, WantsHeadersAndEverySectionWithinTheFile)
{
    struct TField {
        size_t At;
        std::uint32_t Value;
        int Bytes = 4;
    };
    const auto image = [](std::initializer_list<TField> changes, size_t size) {
        std::string b(0x500, '\0');
        const std::initializer_list<TField> base = {
            {0x00, 0x5A4D, 2},  {0x3C, 0x40, 4},    {0x40, 0x4550, 4},  {0x46, 2, 2},       {0x48, 0x12345678, 4},
            {0x54, 0xE0, 2},    {0x56, 0x0102, 2},  {0x148, 0x200, 4},  {0x14C, 0x200, 4},  {0x170, 0x100, 4},
            {0x174, 0x400, 4},  {0x198, 0xFFFF, 4}};
        for (const auto& fields : {base, changes})
            for (const TField& f : fields)
                for (int i = 0; i < f.Bytes; ++i) b[f.At + i] = static_cast<char>(f.Value >> (8 * i));
        b.resize(size);
        return b;
    };
    const struct {
        const char* What;
        std::string Image;
        bool Whole;
    } cases[] = {
        {"whole", image({}, 0x500), true},
        {"the second section cut", image({}, 0x4FF), false},
        {"a section without raw data may point anywhere", image({{0x148, 0}, {0x14C, 0x10000}}, 0x500), true},
        {"a table of sections without data, whole", image({{0x148, 0}, {0x170, 0}}, 0x188), true},
        {"that table cut", image({{0x148, 0}, {0x170, 0}}, 0x187), false},
        {"no sections", image({{0x46, 0, 2}}, 0x500), false},
        {"0x101 sections", image({{0x46, 0x101, 2}}, 0x500), false},
        {"an optional header of 0x10E0 bytes", image({{0x54, 0x10E0, 2}}, 0x500), false},
        {"the PE header at 0x01000040", image({{0x3C, 0x01000040, 4}}, 0x500), false},
        {"the PE header 0x14 bytes before the end", image({{0x3C, 0x4EC, 4}, {0x4EC, 0x4550, 4}}, 0x500), false},
        {"the PE header past the end", image({{0x3C, 0x510, 4}}, 0x500), false},
        {"a raw size of 0x01000200", image({{0x148, 0x01000200, 4}}, 0x500), false},
        {"a raw start at 0x01000200", image({{0x14C, 0x01000200, 4}}, 0x500), false},
        {"ZM", image({{0x00, 0x4D5A, 2}}, 0x500), false},
        {"MA", image({{0x00, 0x414D, 2}}, 0x500), false},
        {"PF", image({{0x40, 0x4650, 4}}, 0x500), false},
        {"MZ alone", image({}, 2), false},
        {"63 bytes", image({}, 63), false},
        {"an error page", "<html>404</html>", false},
    };
    for (const auto& c : cases) {
        const std::vector<char> exact(c.Image.begin(), c.Image.end()); // reads past the end show
        EXPECT_EQ(c.Whole, IsWholePEImage(std::string_view(exact.data(), exact.size()))) << c.What;
    }
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
        {2, 3, 100, 100}, {1, 3, 50, 49}, {0, 0, 50, 0}, {0, 1, 101, 100},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Total, UpgradeTotalPercent(c.Index, c.Count, static_cast<std::uint8_t>(c.Percent)))
            << c.Index << " of " << c.Count << " at " << c.Percent;
}

} // namespace
