// tests/native/vyAppUpdaterInfoTest.cpp
// The upgrade information file: key look-up, file list, method, dates, versions, the
// "newer" decision, and TvyAppUpdaterInfo read from and written to a stored form.
#include "vyAppUpdaterInfo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "FormReader.h"

namespace {

using Files = std::vector<std::string>;
using M = TvyUpgradeMethod;

// A copy in a heap block of exactly its size: the sanitizer sees any read past the end.
std::vector<char> Exact(std::string_view s)
{
    return {s.begin(), s.end()};
}

std::string_view View(const std::vector<char>& v)
{
    return {v.data(), v.size()};
}

struct TReadCase {
    const char* Name;
    std::string Text;
    Files ExpectedFiles;
    std::string Date, Version, Message;
    M Method;
};

TEST(InfoFile, ReadsEveryKeyByItsRule)
{
    // Past the list's bounds: 300 files (with keys that must not land in the slots of url50
    // and url251), 40 of 2,000 characters (32 * 2000 <= 65536 < 33 * 2000) and then a short
    // one that would fit, and 33 files of 31 * 2048 + 2047 + 1 = 65536 characters exactly.
    std::string many = "#urlb=no\n#sha2561=no\n", long40, full;
    Files first256, first32, all33;
    for (int n = 1; n <= 300; ++n) {
        const std::string name = n <= 40 ? std::string(2000, static_cast<char>('a' + n % 26)) : "";
        many += "#url" + std::to_string(n) + "=f" + std::to_string(n) + "\n";
        long40 += n <= 40 ? "#url" + std::to_string(n) + "=" + name + "\n" : "";
        if (n <= 256) first256.push_back("f" + std::to_string(n));
        if (n <= 32) first32.push_back(name);
        if (n <= 33) all33.push_back(std::string(n <= 31 ? 2048 : n == 32 ? 2047 : 1, 'x'));
        if (n <= 33) full += "#url" + std::to_string(n) + "=" + all33.back() + "\n";
    }
    long40 += "#url41=z\n";
    const TReadCase cases[] = {
        {"a value past 2048 characters counts as missing", "#url=" + std::string(2049, 'x') + "\n#url1=b", {"b"}, "",
         "", "", M::umSelfUpgrade},
        {"a value of 2048 characters is kept", "#url=" + std::string(2048, 'x'), {std::string(2048, 'x')}, "", "", "",
         M::umSelfUpgrade},
        {"without line ends a value runs on", "#url1=a#url2=b", {"a#url2=b", "b"}, "", "", "", M::umSelfUpgrade},
        {"the list ends at 256 files", many, first256, "", "", "", M::umSelfUpgrade},
        {"the list ends before 64 KB", long40, first32, "", "", "", M::umSelfUpgrade},
        {"the list holds 64 KB exactly", full, all33, "", "", "", M::umSelfUpgrade},
        {"a message past 64 KB counts as missing", "#message={" + std::string(65537, 'm') + "}", {}, "", "", "",
         M::umSelfUpgrade},
        {"a message of 64 KB is kept", "#message={" + std::string(65536, 'm'), {}, "", "", std::string(65536, 'm'),
         M::umSelfUpgrade},
        {"url01 is no numbered key", "#url01=a\n#url1=b", {"b"}, "", "", "", M::umSelfUpgrade},
        {"one url, nothing else", "#url=http://host/app.exe\r\n", {"http://host/app.exe"}, "", "", "", M::umSelfUpgrade},
        {"keys ignore case, values keep it", "#URL=Host/App.EXE\n#Version=V2\n#DATE=07/08/2002",
         {"Host/App.EXE"}, "07/08/2002", "V2", "", M::umSelfUpgrade},
        {"url1, url2, url3 alone", "#url1=a\n#url2=b\n#url3=c\n", {"a", "b", "c"}, "", "", "", M::umSelfUpgrade},
        {"url, then url2 and url3", "#url=a\n#url2=b\n#url3=c\n#url1=x\n", {"a", "b", "c"}, "", "", "", M::umSelfUpgrade},
        {"url and url0 continue at url3", "#url=a\n#url0=b\n#url1=x\n#url2=y\n#url3=c\n", {"a", "b", "c"}, "", "", "",
         M::umSelfUpgrade},
        {"url0 continues at url2", "#url0=a\n#url1=x\n#url2=b\n", {"a", "b"}, "", "", "", M::umSelfUpgrade},
        {"a gap ends the list", "#url1=a\n#url3=c\n", {"a"}, "", "", "", M::umSelfUpgrade},
        {"an empty numbered value ends the list", "#url1=a\n#url2=\n#url3=c\n", {"a"}, "", "", "", M::umSelfUpgrade},
        {"an empty url is not listed", "#url=\r\n#url1=a\n", {"a"}, "", "", "", M::umSelfUpgrade},
        {"the first occurrence wins", "#url=a\n#URL=b\n#version=1\n#version=2\n", {"a"}, "", "1", "", M::umSelfUpgrade},
        {"entries need not start a line; any control character ends a value",
         "see #url=http://h/a b.exe\tcomment #version=1.0\x01x", {"http://h/a b.exe"}, "", "1.0", "", M::umSelfUpgrade},
        {"blanks are kept", "#version= 1.2 \r\n#date=07/08/2002 \r\n", {}, "07/08/2002 ", " 1.2 ", "", M::umSelfUpgrade},
        {"a NUL ends a value, bytes over 127 do not",
         std::string("#url=a\xE9\0b\n", 10), {"a\xE9"}, "", "", "", M::umSelfUpgrade},
        {"a two-line message", "#message={Line [B]one[]\r\nLine two}\r\n#url=a", {"a"}, "", "", "Line [B]one[]\r\nLine two",
         M::umSelfUpgrade},
        {"a message without } runs to the end", "#url=a\n#message={to the\nend", {"a"}, "", "", "to the\nend",
         M::umSelfUpgrade},
        {"a message needs its brace; the first block wins",
         "#message=plain\n#message={first}\n#message={second}", {}, "", "", "first", M::umSelfUpgrade},
        {"a file ending at a message key", "#url=a\n#message=", {"a"}, "", "", "", M::umSelfUpgrade},
        {"a key of 32 characters is none of the known ones", "#" + std::string(32, 'k') + "=v\n#url=a", {"a"}, "", "",
         "", M::umSelfUpgrade},
        {"#Method=2 redirects", "#Method=2\n#url=page", {"page"}, "", "", "", M::umRedirectToURL},
        {"a blank before the digit is self-upgrade", "#method= 2\n", {}, "", "", "", M::umSelfUpgrade},
        {"only the first character counts", "#method=1 (setup)\n", {}, "", "", "", M::umUseExternalSetup},
        {"an error page holds no keys",
         "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1># url =x</body></html>", {}, "", "",
         "", M::umSelfUpgrade},
        {"a key is the whole text between # and =", "##url=a\n#xurl=b\n#url#=c\n", {"a"}, "", "", "", M::umSelfUpgrade},
        {"nothing at all", "", {}, "", "", "", M::umSelfUpgrade},
    };
    for (const auto& c : cases) {
        const std::vector<char> exact = Exact(c.Text);
        const TvyInfoFile info = ReadInfoFile(View(exact));
        EXPECT_EQ(c.ExpectedFiles, info.Files) << c.Name;
        EXPECT_EQ(c.ExpectedFiles, InfoFileList(View(exact))) << c.Name;
        EXPECT_EQ(c.Date, info.Date) << c.Name;
        EXPECT_EQ(c.Version, info.Version) << c.Name;
        EXPECT_EQ(c.Message, info.Message) << c.Name;
        EXPECT_EQ(c.Method, info.Method) << c.Name;
        // The one-key look-up gives the same answers as the whole-file reader.
        EXPECT_EQ(c.Date, InfoFileValue(c.Text, "date", false)) << c.Name;
        EXPECT_EQ(c.Message, InfoFileValue(c.Text, "MESSAGE", true)) << c.Name;
    }
}

TEST(InfoFileDate, ReadsMonthDayYearOrNothing)
{
    struct TCase {
        const char* Text;
        std::optional<TvyDate> Expected;
    };
    const TCase cases[] = {
        {"07/07/2002", TvyDate{2002, 7, 7}}, {"+7/8/2002", TvyDate{2002, 7, 8}}, {"02/29/2000", TvyDate{2000, 2, 29}},
        {"02/29/1900", std::nullopt},        {"04/31/2002", std::nullopt},       {"13/01/2002", std::nullopt},
        {"01/00/2002", std::nullopt},        {"01/01/10000", std::nullopt},      {"07/08/2002 ", std::nullopt},
        {"07/ 8/2002", std::nullopt},        {"07-08-2002", std::nullopt},       {"07/08/2002/1", std::nullopt},
        {"99999999999/1/2002", std::nullopt}, {"", std::nullopt},      {"1/1/1", TvyDate{1, 1, 1}},
        {"12/31/9999", TvyDate{9999, 12, 31}}, {"1/1/0", std::nullopt},   {"0/1/2001", std::nullopt},
        {"02/30/2004", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(c.Expected, ParseVersionDate(c.Text)) << "'" << c.Text << "'";

    const TvyDate today{2026, 12, 7};
    EXPECT_EQ(today, VersionDateOr("07/08/2002 ", today)) << "a date that does not convert counts as today";
    EXPECT_EQ((TvyDate{2002, 7, 8}), VersionDateOr("07/08/2002", today));
}

TEST(InfoFileDate, WritesTwoDigitMonthAndDayAndFourDigitYear)
{
    EXPECT_EQ("07/07/2002", FormatVersionDate({2002, 7, 7}));
    EXPECT_EQ("01/02/0005", FormatVersionDate({5, 1, 2}));
    EXPECT_EQ("09/10/0999", FormatVersionDate({999, 9, 10}));

    // Today against the calendar worked out from the clock, in UTC (read on both sides of
    // the call, for a run at midnight).
    setenv("TZ", "UTC", 1);
    tzset();
    const auto utcDate = [] {
        const std::chrono::year_month_day d{std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())};
        return TvyDate{static_cast<int>(d.year()), static_cast<int>(static_cast<unsigned>(d.month())),
                       static_cast<int>(static_cast<unsigned>(d.day()))};
    };
    const TvyDate before = utcDate(), today = Today(), after = utcDate();
    EXPECT_TRUE(today == before || today == after) << FormatVersionDate(today) << " against " << FormatVersionDate(before);
    EXPECT_EQ(today, ParseVersionDate(FormatVersionDate(today))) << "today, written, reads back";
}

TEST(InfoFileVersion, ComparesByteByByte)
{
    struct TCase {
        const char* A;
        const char* B;
        int Sign;
    };
    const TCase cases[] = {
        {"1.10", "1.9", -1}, {"2.0", "10.0", 1}, {"1.0", "1.0", 0}, {"1.0", "1.0.1", -1}, {"", "0", -1},
        {"", "", 0},         {"\xE9", "z", 1},   {"V2", "v1", -1},    {"1.0.1", "1.0", 1},
    };
    for (const auto& c : cases) {
        const std::vector<char> a = Exact(c.A), b = Exact(c.B);
        const int got = CompareVersionText(View(a), View(b));
        EXPECT_EQ(c.Sign, (got > 0) - (got < 0)) << "'" << c.A << "' against '" << c.B << "'";
    }
}

TEST(InfoFile, OffersAnUpdateOnlyWhenNewerAndWithFiles)
{
    using V = TvyAppUpdaterVersionControl;
    const TvyDate today{2026, 12, 7};
    struct TCase {
        const char* Name;
        const char* Text;
        V Control;
        const char* OwnDate;
        const char* OwnVersion;
        bool Newer, Offers;
    };
    const TCase cases[] = {
        {"no date counts as today", "#url=a", V::byDate, "07/07/2002", "", true, true},
        {"no date against today's own date", "#url=a", V::byDate, "12/07/2026", "", false, false},
        {"the same date is not newer", "#url=a\n#date=07/07/2002", V::byDate, "07/07/2002", "", false, false},
        {"one day later", "#url=a\n#date=07/08/2002", V::byDate, "07/07/2002", "", true, true},
        {"earlier", "#url=a\n#date=12/31/2001", V::byDate, "07/07/2002", "", false, false},
        {"a date with a trailing blank is today", "#url=a\n#date=07/08/2002 \n", V::byDate, "07/07/2002", "", true, true},
        {"an own date that does not convert is today", "#url=a\n#date=07/08/2002", V::byDate, "sometime", "", false, false},
        {"newer without any url", "#date=01/01/2030\n#url1=\n", V::byDate, "07/07/2002", "", true, false},
        {"1.10 is older than 1.9", "#url=a\n#version=1.10", V::byNumber, "", "1.9", false, false},
        {"2.0 is newer than 10.0", "#url=a\n#version=2.0", V::byNumber, "", "10.0", true, true},
        {"dates do not count by number", "#url=a\n#date=01/01/2030\n#version=1.0", V::byNumber, "", "1.0", false, false},
        {"no version is never newer", "#url=a", V::byNumber, "", "", false, false},
        {"an error page", "<html>Internal Server Error</html>", V::byDate, "07/07/2002", "", true, false},
    };
    for (const auto& c : cases) {
        const TvyInfoFile info = ReadInfoFile(c.Text);
        EXPECT_EQ(c.Newer, InfoIsNewer(info, c.Control, c.OwnDate, c.OwnVersion, today)) << c.Name;
        EXPECT_EQ(c.Offers, InfoOffersUpdate(info, c.Control, c.OwnDate, c.OwnVersion, today)) << c.Name;
    }
}

// A component carrying the settings object, as the upgrader does.
class TInfoHolder : public TComponent {
public:
    TG_DECLARE_CLASS()
    using TComponent::TComponent;
    TvyAppUpdaterInfo* InfoFile() const { return FInfo.get(); }

private:
    TOwnedPtr<TvyAppUpdaterInfo> FInfo{new TvyAppUpdaterInfo};
};

const TClassInfo& TInfoHolder::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TInfoHolder", &TComponent::StaticClassInfo(), &CreateComponentOf<TInfoHolder>, {}, {}};
        i.Props.push_back(ObjProp("InfoFile", &TInfoHolder::InfoFile));
        return i;
    }();
    return info;
}

const bool Registered = (RegisterComponentClass(TInfoHolder::StaticClassInfo()), true);

TEST(AppUpdaterInfo, IsReadFromAndWrittenToAStoredForm)
{
    ASSERT_TRUE(Registered);
    const char* form = "object Holder: TInfoHolder\r\n"
                       "  InfoFile.Files.Strings = (\r\n"
                       "    'http://host/app.exe'\r\n"
                       "    'readme.txt')\r\n"
                       "  InfoFile.UpgradeMethod = umRedirectToURL\r\n"
                       "  InfoFile.UpgradeMsg = 'New [B]version[]'\r\n"
                       "end\r\n";
    std::unique_ptr<TComponent> root(TFormReader::CreateRoot(form, nullptr));
    auto* holder = dynamic_cast<TInfoHolder*>(root.get());
    ASSERT_NE(nullptr, holder);
    const TvyAppUpdaterInfo& info = *holder->InfoFile();
    EXPECT_EQ((Files{"http://host/app.exe", "readme.txt"}), info.Files()->Items());
    EXPECT_EQ(M::umRedirectToURL, info.UpgradeMethod());
    EXPECT_EQ("New [B]version[]", info.UpgradeMsg());
    EXPECT_EQ(ParseFormText(form), ParseFormText(TFormWriter::Write(*root))) << "writes back what it read";

    TInfoHolder fresh(nullptr);
    fresh.SetName("Fresh");
    EXPECT_TRUE(TFormWriter::WriteTree(fresh).Properties.empty()) << "defaults store nothing";
    EXPECT_EQ(M::umSelfUpgrade, fresh.InfoFile()->UpgradeMethod());
}

TEST(AppUpdaterInfo, SettingTheFilesAndAssigningCopy)
{
    TStrings lines;
    lines.Add("a");
    TvyAppUpdaterInfo info;
    info.SetFiles(&lines);
    lines.Add("b");
    EXPECT_EQ(Files{"a"}, info.Files()->Items()) << "the list is copied, not shared";
    info.SetUpgradeMethod(M::umUseExternalSetup);
    info.SetUpgradeMsg("New!");
    TvyAppUpdaterInfo copy;
    copy.Assign(info);
    EXPECT_EQ(Files{"a"}, copy.Files()->Items());
    EXPECT_EQ(M::umUseExternalSetup, copy.UpgradeMethod());
    EXPECT_EQ("New!", copy.UpgradeMsg());
}

// Cases sharpened against a mutation run of vyAppUpdaterInfo.cpp.
TEST(InfoFile, KeysValuesAndDatesAtTheirEdges)
{
    EXPECT_EQ("1", InfoFileValue("#Zone=1", "zone", false)) << "Z is a letter too";
    EXPECT_EQ("a b", InfoFileValue("#k=a b\x1f" "c", "k", false)) << "a blank is part of the value, code 31 ends it";
    EXPECT_EQ(Files{"real"}, InfoFileList("#url#x\r\n#url=real")) << "a key ends at its =, not at another #";
    for (const char* text : {"-7/8/2002", "07/0:/2002", "02/29/2001"}) EXPECT_EQ(std::nullopt, ParseVersionDate(text)) << text;
    EXPECT_EQ((TvyDate{2004, 2, 29}), ParseVersionDate("02/29/2004")) << "a leap year by four";
    // The calendar's month lengths in 2001: the last day reads, the day after it does not.
    const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m <= 12; ++m) {
        const std::string month = std::to_string(m) + "/";
        EXPECT_EQ((TvyDate{2001, m, lengths[m - 1]}), ParseVersionDate(month + std::to_string(lengths[m - 1]) + "/2001"));
        EXPECT_EQ(std::nullopt, ParseVersionDate(month + std::to_string(lengths[m - 1] + 1) + "/2001")) << month;
    }
}

} // namespace
