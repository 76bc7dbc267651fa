// tests/native/vyAppUpdaterLanguageTextTest.cpp
// The rule that picks the upgrader's language, and the formatter of its texts.
#include "vyAppUpdaterLanguageText.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

TEST(UpgradeLanguage, BaseFromLanguageAndLocale)
{
    struct TCase {
        TvyAppUpdaterLanguage Language;
        unsigned short LangId;
        int Base;
        const char* What;
    };
    const TCase cases[] = {
        {wlAuto, 0x0409, 51000, "English (United States)"},
        {wlAuto, 0x0809, 51000, "English (United Kingdom)"},
        {wlAuto, 0x0407, 51100, "German"},
        {wlAuto, 0x0807, 51100, "German (Switzerland)"},
        {wlAuto, 0x0411, 51000, "Japanese is not in the table"},
        {wlAuto, 0x0000, 51000, "neutral"},
        {wlAuto, 0x0404, 51250, "Chinese (Taiwan)"},
        {wlAuto, 0x0804, 51250, "Chinese (PRC)"},
        {wlAuto, 0x0C04, 51250, "Chinese (Hong Kong)"},
        {wlAuto, 0x1004, 51250, "Chinese (Singapore)"},
        {wlAuto, 0x0419, 51050, "Russian"},
        {wlAuto, 0x0413, 51150, "Dutch"},
        {wlAuto, 0x0813, 51150, "Dutch (Belgium)"},
        {wlAuto, 0x0410, 51200, "Italian"},
        {wlAuto, 0x0416, 51300, "Portuguese (Brazil)"},
        {wlAuto, 0x0816, 51300, "Portuguese (Portugal)"},
        {wlAuto, 0x0425, 51350, "Estonian"},
        {wlAuto, 0x0406, 51400, "Danish"},
        {wlAuto, 0x0422, 51450, "Ukrainian"},
        {wlAuto, 0x040C, 51500, "French"},
        {wlAuto, 0x0C0C, 51500, "French (Canada)"},
        // Only the low 10 bits are the primary language: 0x0409 | 0x0400 sub-language bits.
        {wlAuto, 0xFC07, 51100, "German primary with every sub-language bit"},
        // An explicit language ignores the locale.
        {wlEnglish, 0x0407, 51000, "English chosen on a German system"},
        {wlRussian, 0x0409, 51050, "Russian chosen"},
        {wlChineseBIG5, 0x0409, 51250, "Chinese chosen"},
        {wlFrench, 0x0411, 51500, "French chosen, the last block"},
        {static_cast<TvyAppUpdaterLanguage>(12), 0x0407, 51000, "a value past the enumeration"},
        {static_cast<TvyAppUpdaterLanguage>(255), 0x0407, 51000, "a damaged value"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(c.Base, vyAppUpdaterLanguageBase(c.Language, c.LangId))
            << c.What << " (language " << int(c.Language) << ", LANGID 0x" << std::hex << c.LangId << ")";
}

// The ANSI code page each language's texts are written in, as Windows assigns them.
TEST(UpgradeLanguage, CodePages)
{
    const std::pair<TvyAppUpdaterLanguage, unsigned short> pages[] = {
        {wlEnglish, 1252},    {wlRussian, 1251},  {wlGerman, 1252}, {wlDutch, 1252},     {wlItalian, 1252}, {wlChineseBIG5, 950},
        {wlPortuguese, 1252}, {wlEstonian, 1257}, {wlDanish, 1252}, {wlUkrainian, 1251}, {wlFrench, 1252}};
    const auto& languages = vyUpgradeLanguages();
    ASSERT_EQ(std::size(pages), languages.size());
    for (size_t i = 0; i < languages.size(); ++i) {
        EXPECT_EQ(pages[i].first, languages[i].Language) << languages[i].Name;
        EXPECT_EQ(pages[i].second, languages[i].CodePage) << languages[i].Name;
    }
}

TEST(UpgradeText, FormatsPlaceholders)
{
    struct TCase {
        std::string Format;
        std::vector<TvyTextArg> Args;
        std::string Expected;
        const char* What;
    };
    const std::vector<TCase> cases{
        {"Estimated time left: %d:%.2d:%.2d", {1, 2, 5}, "Estimated time left: 1:02:05", "time line"},
        {"Estimated time left: %d:%.2d:%.2d", {0, 0, 0}, "Estimated time left: 0:00:00", "zero time"},
        {"Estimated time left: %d:%.2d:%.2d", {123, 59, 7}, "Estimated time left: 123:59:07", "hours unpadded"},
        {"File size: %.1f Kb", {1.5}, "File size: 1.5 Kb", "size line"},
        {"File size: %.1f Kb", {1536 / 1024.0}, "File size: 1.5 Kb", "1536 bytes"},
        {"File size: %.1f Kb", {0.04}, "File size: 0.0 Kb", "rounds down"},
        {"Transfer rate: %.1f Kb/s", {12.96}, "Transfer rate: 13.0 Kb/s", "rounds up"},
        {"Transfer rate: %.1f Kb/s", {3}, "Transfer rate: 3.0 Kb/s", "an integer fills a real"},
        {"%f", {2.0}, "2.00", "two decimals without a precision"},
        {"Downloading %d of %d", {1, 3}, "Downloading 1 of 3", "all-files line"},
        {"%.2d", {-5}, "-05", "negative with precision"},
        {"%d", {LLONG_MIN}, "-9223372036854775808", "most negative"},
        {"A newer version of [b]%s[] was released.\n%s\nDo you want",
         {"Tallyglass", ""},
         "A newer version of [b]Tallyglass[] was released.\n\nDo you want",
         "markup kept, empty message"},
        {"%5d|%-4s|%.3s", {42, "ab", "abcdef"}, "   42|ab  |abc", "width, left and cut"},
        {"100%% done", {}, "100% done", "escaped percent"},
        {"100%%", {}, "100%", "escaped percent at the end"},
        // Missing and mismatched arguments give an empty text for their placeholder.
        {"Downloading %d of %d", {1}, "Downloading 1 of ", "second argument missing"},
        {"Host %s unreachable.", {}, "Host  unreachable.", "no argument at all"},
        {"%d and %s", {"text", 7}, " and ", "both of the wrong kind"},
        {"%d", {2.5}, "", "a real for an integer"},
        {"%.1f", {"1.5"}, "", "a string for a real"},
        {"%s", {nullptr}, "", "a null string"},
        // Unknown or incomplete placeholders stay as written, and use no argument.
        {"%x %s", {"a"}, "%x a", "unknown type"},
        {"50% %s", {"b"}, "50% b", "percent before a blank"},
        {"end %", {}, "end %", "percent at the end"},
        {"%.1", {1.0}, "%.1", "no type letter"},
        {"%9999999999d|%s", {"z"}, "%9999999999d|z", "huge width"},
        {"%.300f", {1.0}, "%.300f", "huge precision"},
        {"%5.2d", {7}, "   07", "width and precision"},
        {"%19s|%10d", {"a", 7}, std::string(18, ' ') + "a|" + std::string(9, ' ') + "7", "widths holding 9 and 0"},
        {"%255d", {1}, std::string(254, ' ') + "1", "the widest width"},
        {"%.0f|%.0s|", {3.0, "abc"}, "3||", "precision 0"},
        {"%256d|%s", {"z"}, "%256d|z", "one wider"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(c.Expected, vyFormatText(c.Format, c.Args.data(), c.Args.size())) << c.What;
    EXPECT_EQ("1:02:05", vyFormatText("%d:%.2d:%.2d", {1, 2, 5})) << "the initializer-list form";
}

TEST(UpgradeText, ListsPlaceholders)
{
    using V = std::vector<std::string>;
    EXPECT_EQ((V{"%d", "%.2d", "%.2d"}), vyTextPlaceholders("Estimated time left: %d:%.2d:%.2d"));
    EXPECT_EQ((V{"%s", "%s"}), vyTextPlaceholders("[b]%s[] 100%% %s 50% done %x"));
    EXPECT_EQ(V{}, vyTextPlaceholders("Preparing. . ."));
    EXPECT_EQ((V{"%s", "%d"}), vyTextPlaceholders("%s%d"));
    EXPECT_EQ(V{}, vyTextPlaceholders("%%d")) << "an escaped percent and a letter";
}

} // namespace
