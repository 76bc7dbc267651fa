// tests/native/vyClassesTextTest.cpp
// The portable shared routines: operating-system generation, strings and paths, the
// command-line splitter, hexadecimal, Percent, InitStruct and the processor-clock arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "lib/classes/vyClassesText.h"

namespace {

TvyVersionRecord Record(unsigned long platform, unsigned long major, unsigned long minor, std::string csd = {})
{
    TvyVersionRecord r;
    r.PlatformId = platform;
    r.MajorVersion = major;
    r.MinorVersion = minor;
    r.CSDVersion = std::move(csd);
    return r;
}

constexpr unsigned long Win9x = 1, WinNT = 2;

// --- Operating-system generation -------------------------------------------------------

TEST(OSVersionTest, Windows95And98AreToldApartByTheServiceString)
{
    const struct {
        unsigned long Minor;
        const char* Service;
        TvyOSVersion Expected;
    } cases[] = {
        {0, " B ", os95OSR2}, {0, "B", os95OSR2},      {0, " C ", os95},     {0, "", os95},
        {0, "BB", os95},      {0, "\tB\r\n", os95OSR2}, {0, "b", os95},       {0, "\xA0" "B", os95},
        {10, " A ", os98SE},  {10, "A", os98SE},        {10, "", os98},       {10, " B ", os98},
        {90, "", osUnknown},  {90, " A ", osUnknown},   {1, "", osUnknown},   {9, "A", osUnknown},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Expected, OSVersionOf(Record(Win9x, 4, c.Minor, c.Service)))
            << "4." << c.Minor << " with service string '" << c.Service << "'";
}

TEST(OSVersionTest, NTGenerationsFollowTheMajorAndMinorVersion)
{
    EXPECT_EQ(osNT3, OSVersionOf(Record(WinNT, 3, 51)));
    EXPECT_EQ(osNT4, OSVersionOf(Record(WinNT, 4, 0, "Service Pack 6")));
    EXPECT_EQ(os2K, OSVersionOf(Record(WinNT, 5, 0)));
    EXPECT_EQ(osXP, OSVersionOf(Record(WinNT, 5, 1)));
    EXPECT_EQ(osXP, OSVersionOf(Record(WinNT, 5, 2))) << "Server 2003 counts as XP";
    EXPECT_EQ(osUnknown, OSVersionOf(Record(WinNT, 6, 1))) << "later NT versions are not named";
    EXPECT_EQ(osUnknown, OSVersionOf(Record(WinNT, 10, 0)));
    EXPECT_EQ(osUnknown, OSVersionOf(Record(WinNT, 2, 0)));
    EXPECT_EQ(os95, OSVersionOf(Record(0, 4, 0))) << "any platform other than NT is the 9x branch";
    EXPECT_EQ(osUnknown, OSVersionOf(Record(Win9x, 5, 0)));
}

TEST(OSVersionTest, NoRecordYieldsME)
{
    for (unsigned long platform = 0; platform <= 3; ++platform)
        for (unsigned long major = 0; major <= 11; ++major)
            for (unsigned long minor = 0; minor <= 100; ++minor)
                for (const char* csd : {"", "A", "B", "C"})
                    ASSERT_NE(osME, OSVersionOf(Record(platform, major, minor, csd)))
                        << platform << " " << major << "." << minor << " " << csd;
}

TEST(OSVersionTest, OnlyTheNTGenerationsCountAsNT)
{
    const TvyOSVersion nt[] = {osNT3, osNT4, os2K, osXP};
    const TvyOSVersion other[] = {osUnknown, os95, os95OSR2, os98, os98SE, osME};
    for (TvyOSVersion v : nt) EXPECT_TRUE(IsNTGeneration(v)) << "generation " << v;
    for (TvyOSVersion v : other) EXPECT_FALSE(IsNTGeneration(v)) << "generation " << v;
}

TEST(OSVersionTest, Win2KAndXPOrLater)
{
    EXPECT_TRUE(IsWin2KOrLaterRecord(Record(WinNT, 5, 0)));
    EXPECT_TRUE(IsWin2KOrLaterRecord(Record(WinNT, 10, 0)));
    EXPECT_FALSE(IsWin2KOrLaterRecord(Record(WinNT, 4, 0)));
    EXPECT_FALSE(IsWin2KOrLaterRecord(Record(Win9x, 5, 0))) << "the platform is tested";

    EXPECT_TRUE(IsWinXPOrLaterRecord(Record(WinNT, 5, 1)));
    EXPECT_TRUE(IsWinXPOrLaterRecord(Record(WinNT, 6, 0)));
    EXPECT_TRUE(IsWinXPOrLaterRecord(Record(Win9x, 5, 1))) << "the platform is not tested";
    EXPECT_FALSE(IsWinXPOrLaterRecord(Record(WinNT, 5, 0)));
    EXPECT_FALSE(IsWinXPOrLaterRecord(Record(Win9x, 4, 90)));
}

// --- Paths and strings -----------------------------------------------------------------

TEST(PathTest, TrailingBackslashes)
{
    EXPECT_EQ("\\", AddBackslash(""));
    EXPECT_EQ("C:\\", AddBackslash("C:"));
    EXPECT_EQ("C:\\", AddBackslash("C:\\"));
    EXPECT_EQ("C:\\WINDOWS\\\\", AddBackslash("C:\\WINDOWS\\\\")) << "one trailing backslash is enough";
    EXPECT_EQ("", RemoveBackslashes("\\\\\\"));
    EXPECT_EQ("Software\\Pellory", RemoveBackslashes("Software\\Pellory\\\\")) << "every trailing one goes";
    EXPECT_EQ("\\Software", RemoveBackslashes("\\Software")) << "leading ones stay";
}

struct Split {
    std::string Left, Right;
};

Split SplitOf(const std::string& sep, const std::string& text, unsigned keep, bool notFoundRight)
{
    Split s{"stale", "stale"};
    SplitString(sep, text, keep, notFoundRight, s.Left, s.Right);
    return s;
}

TEST(SplitStringTest, SplitsAtTheFirstSeparatorKeepingItWhereAsked)
{
    const struct {
        unsigned Keep;
        const char* Left;
        const char* Right;
    } cases[] = {{0, "key", "value=x"}, {1, "key=", "value=x"}, {2, "key", "=value=x"}, {3, "key=", "=value=x"}};
    for (const auto& c : cases) {
        const Split s = SplitOf("=", "key=value=x", c.Keep, false);
        EXPECT_EQ(c.Left, s.Left) << "keep bits " << c.Keep;
        EXPECT_EQ(c.Right, s.Right) << "keep bits " << c.Keep;
    }
    const Split multi = SplitOf(" -", "a.exe -x -y", 2, false);
    EXPECT_EQ("a.exe", multi.Left);
    EXPECT_EQ(" -x -y", multi.Right);
    const Split edge = SplitOf(",", ",", 0, true);
    EXPECT_EQ("", edge.Left) << "separator at the very start and end";
    EXPECT_EQ("", edge.Right);
}

TEST(SplitStringTest, NotFoundGoesWhereTheFlagSays)
{
    Split s = SplitOf("=", "novalue", 3, false);
    EXPECT_EQ("novalue", s.Left);
    EXPECT_EQ("", s.Right);
    s = SplitOf("=", "novalue", 3, true);
    EXPECT_EQ("", s.Left);
    EXPECT_EQ("novalue", s.Right);
    s = SplitOf("", "text", 3, false);
    EXPECT_EQ("text", s.Left) << "an empty separator is never found";
    EXPECT_EQ("", s.Right);
    s = SplitOf("=", "", 0, true);
    EXPECT_EQ("", s.Left);
    EXPECT_EQ("", s.Right);
}

TEST(SplitStringTest, TextMayBeOneOfTheResults)
{
    std::string text = "left|right", right;
    SplitString("|", text, 0, false, text, right);
    EXPECT_EQ("left", text);
    EXPECT_EQ("right", right);
    std::string left, whole = "whole";
    SplitString("|", whole, 0, true, left, whole);
    EXPECT_EQ("", left);
    EXPECT_EQ("whole", whole);
}

Split CommandOf(const std::string& line)
{
    Split s{line, "stale"};
    SplitCommandLine(s.Left, s.Right);
    return s;
}

void ExpectCommand(const std::string& line, const std::string& program, const std::string& params,
                   const char* note = "")
{
    const Split s = CommandOf(line);
    EXPECT_EQ(program, s.Left) << "program of [" << line << "] " << note;
    EXPECT_EQ(params, s.Right) << "parameters of [" << line << "] " << note;
}

TEST(SplitCommandLineTest, QuotedProgramsAndParameters)
{
    ExpectCommand("\"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE\" \"%1\"",
                  "C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE", "%1");
    ExpectCommand("\"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE\" -nohome",
                  "C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE", "-nohome");
    ExpectCommand("\"C:\\Program Files\\x.exe\"", "C:\\Program Files\\x.exe", "");
    ExpectCommand("\"C:\\My -Tools\\run\"", "C:\\My -Tools\\run", "", "quoted: no separator is looked for");
    ExpectCommand("  \"C:\\a b\\x.exe\"   \"%1\"  ", "C:\\a b\\x.exe", "%1");
    ExpectCommand("\"C:\\a b\\x.exe\" \"%1\" \"%2\"", "C:\\a b\\x.exe", "%1 \"%2\"",
                  "only the first two quotes of the parameters go");
    ExpectCommand("C:\\WINDOWS\\NOTEPAD.EXE \"%1\"", "C:\\WINDOWS\\NOTEPAD.EXE", "%1");
    ExpectCommand("C:\\x.exe \"%1", "C:\\x.exe", "%1", "a lone quote is dropped");
    // No blank beside the quotes: nothing but the quotes is lost.
    ExpectCommand("C:\\x.exe\"%1\"", "C:\\x.exe", "%1");
    ExpectCommand("\"C:\\x.exe\"-x", "C:\\x.exe", "-x");
}

TEST(SplitCommandLineTest, SeparatorsInTheirOrder)
{
    ExpectCommand("C:\\Program.exe -nohome", "C:\\Program.exe", "-nohome");
    ExpectCommand("C:\\WINDOWS\\NOTEPAD.EXE /p %1", "C:\\WINDOWS\\NOTEPAD.EXE", "/p %1");
    ExpectCommand("  C:\\WINDOWS\\NOTEPAD.EXE %1  ", "C:\\WINDOWS\\NOTEPAD.EXE", "%1");
    ExpectCommand("C:\\APP\\VIEWER.EXE,%1", "C:\\APP\\VIEWER.EXE", "%1", "a comma is dropped");
    ExpectCommand("C:\\x.exe \\\\server\\share", "C:\\x.exe", "\\\\server\\share");
    ExpectCommand("notepad %1", "notepad", "%1");
    ExpectCommand("C:\\x.exe /a -b", "C:\\x.exe /a", "-b",
                  "separators are tried in their order, not by position: \" -\" comes first");
    ExpectCommand("C:\\WINDOWS\\CALC.EXE", "C:\\WINDOWS\\CALC.EXE", "");
}

TEST(SplitCommandLineTest, ASplitInsideThePathIsRejected)
{
    ExpectCommand("C:\\Program Files\\Acme -Tools\\x.exe /y", "C:\\Program Files\\Acme -Tools\\x.exe", "/y");
    ExpectCommand("C:\\My /Stuff\\tool.com", "C:\\My /Stuff\\tool.com", "");
}

TEST(SplitCommandLineTest, RunDllCommandsStartRunDll)
{
    ExpectCommand("C:\\WINDOWS\\RUNDLL32.EXE shell32.dll,Control_RunDLL", "C:\\WINDOWS\\RUNDLL32.EXE",
                  "shell32.dll,Control_RunDLL");
    ExpectCommand("c:\\windows\\rundll.exe setupx.dll,InstallHinfSection 132 %1", "c:\\windows\\rundll.exe",
                  "setupx.dll,InstallHinfSection 132 %1");
    // The DLL with a path of its own: its folder must not become the program's.
    ExpectCommand("C:\\WINDOWS\\rundll32.exe C:\\WINDOWS\\SYSTEM\\shimgvw.dll,ImageView_Fullscreen %1",
                  "C:\\WINDOWS\\rundll32.exe", "C:\\WINDOWS\\SYSTEM\\shimgvw.dll,ImageView_Fullscreen %1");
    ExpectCommand("C:\\WINDOWS\\SYSTEM\\x.dll,Entry", "C:\\WINDOWS\\SYSTEM\\x.dll", "Entry",
                  "a DLL without RUNDLL is left alone");
    ExpectCommand("C:\\RUNDLL TOOLS\\rundll32.exe x.dll", "C:\\RUNDLL TOOLS\\rundll32.exe", "x.dll",
                  "RUNDLL in a folder with a blank");
    ExpectCommand("C:\\RUNDLL\\a.dll,b.dll", "C:\\RUNDLL\\a.dll,b.dll", "",
                  "no blank after RUNDLL: the whole line is the program");
}

TEST(SplitCommandLineTest, DegenerateInputGivesEmptyParts)
{
    ExpectCommand("", "", "");
    ExpectCommand("   \t ", "", "");
    ExpectCommand("\"", "", "");
    ExpectCommand("\"\"", "", "");
    ExpectCommand("x \"\"", "x", "");
    ExpectCommand("\"\" y", "", "y");
    ExpectCommand(",", "", "");
    ExpectCommand(" -", "-", "", "trimmed first, so no blank before the dash");
}

// --- Hexadecimal and records -----------------------------------------------------------

TEST(HexTest, UpperCaseDigits)
{
    EXPECT_EQ("00", ByteToHex(0));
    EXPECT_EQ("0A", ByteToHex(10));
    EXPECT_EQ("FF", ByteToHex(255));
    EXPECT_EQ("00FF", WordToHex(0x00FF));
    EXPECT_EQ("FF00", WordToHex(0xFF00)) << "high byte first";
    EXPECT_EQ("ABCD", LongToHex(43981));
    EXPECT_EQ("0", LongToHex(0));
    EXPECT_EQ("10", LongToHex(0x10)) << "inner zeros stay";
    EXPECT_EQ("A0B0C0D", LongToHex(0x0A0B0C0D));
    EXPECT_EQ("FFFFFFFF", LongToHex(0xFFFFFFFFu));
    EXPECT_EQ("10000", LongToHex(0x10000)) << "high word first";
}

TEST(InitStructTest, ZeroFillsAndStoresTheSize)
{
    unsigned char record[148];
    std::memset(record, 0xCC, sizeof record);
    InitStruct(record, sizeof record);
    std::uint32_t size = 0;
    std::memcpy(&size, record, sizeof size);
    EXPECT_EQ(148u, size);
    for (std::size_t i = 4; i < sizeof record; ++i) ASSERT_EQ(0, record[i]) << "byte " << i;

    // Too small for the size field: cleared, nothing written past its end (ASan watches).
    auto tiny = std::make_unique<unsigned char[]>(2);
    tiny[0] = tiny[1] = 0xCC;
    InitStruct(tiny.get(), 2);
    EXPECT_EQ(0, tiny[0]);
    EXPECT_EQ(0, tiny[1]);
    InitStruct(nullptr, 16); // no crash
    std::uint32_t four = 0xCCCCCCCC;
    InitStruct(&four, sizeof four);
    EXPECT_EQ(4u, four) << "just room for the size field";
}

// --- Percent and the sound table ---------------------------------------------------------

TEST(PercentTest, NearestWholePercentage)
{
    const struct {
        long double Part, Whole;
        int Expected;
    } cases[] = {{50, 100, 50}, {1, 3, 33},   {2, 3, 67},     {1, 8, 12},      {3, 8, 38},
                 {100, 100, 100}, {0, 5, 0},  {255, 100, 255}, {123456, 1234560, 10}, {5, 1000, 0},
                 {1, 1, 100}};
    for (const auto& c : cases)
        EXPECT_EQ(c.Expected, static_cast<int>(Percent(c.Part, c.Whole)))
            << static_cast<double>(c.Part) << " of " << static_cast<double>(c.Whole);
}

TEST(PercentTest, FailedComputationsGiveZero)
{
    const long double inf = std::numeric_limits<long double>::infinity();
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    EXPECT_EQ(0, Percent(5, 0)) << "no whole";
    EXPECT_EQ(0, Percent(0, 0));
    EXPECT_EQ(0, Percent(nan, 10));
    EXPECT_EQ(0, Percent(10, nan));
    EXPECT_EQ(0, Percent(10, inf));
    EXPECT_EQ(0, Percent(inf, 10));
    EXPECT_EQ(0, Percent(1, std::numeric_limits<long double>::denorm_min())) << "overflow";
    EXPECT_EQ(0, Percent(300, 100)) << "more than a byte holds";
    EXPECT_EQ(0, Percent(-1, 100)) << "below zero";
}

TEST(SystemSoundTest, TheEighteenEventNames)
{
    const char* expected[] = {"",         "SystemAsterisk", "Close",     "SystemHand",     ".Default",
                              "SystemExclamation", "SystemExit", "Maximize", "MenuCommand", "MenuPopup",
                              "Minimize", "MailBeep",       "Open",      "AppGPFault",     "SystemQuestion",
                              "RestoreDown", "RestoreUp",   "SystemStart"};
    ASSERT_EQ(static_cast<int>(std::size(expected)), vySystemSoundCount);
    for (int i = 0; i < vySystemSoundCount; ++i) EXPECT_EQ(expected[i], SystemSoundName(i)) << "index " << i;
    EXPECT_EQ("", SystemSoundName(-1));
    EXPECT_EQ("", SystemSoundName(18));
}

// --- Processor clock -------------------------------------------------------------------

TEST(CPUSpeedTest, CounterCountsBecomeMicroseconds)
{
    EXPECT_EQ(1000, CounterMicroseconds(1000, 1000000));
    EXPECT_EQ(293, CounterMicroseconds(1050, 3579545)) << "the ACPI timer's rate: 293.33";
    EXPECT_EQ(838, CounterMicroseconds(1000, 1193182)) << "the PIT's rate: 838.10";
    EXPECT_EQ(100, CounterMicroseconds(1000, 10000000));
    EXPECT_EQ(0, CounterMicroseconds(1, 2000000)) << "0.5 goes to the even 0";
    EXPECT_EQ(2, CounterMicroseconds(3, 2000000)) << "1.5 goes to the even 2";
    EXPECT_EQ(0, CounterMicroseconds(1000, 0));
    EXPECT_EQ(0, CounterMicroseconds(1000, -1));
    EXPECT_EQ(4294967295000000LL, CounterMicroseconds(0xFFFFFFFFu, 1)) << "largest advance, slowest counter";
}

TEST(CPUSpeedTest, SnapsToTheNearestPointOfItsHundred)
{
    EXPECT_EQ(233, SnapCPUSpeed(233));
    EXPECT_EQ(266, SnapCPUSpeed(265));
    EXPECT_EQ(300, SnapCPUSpeed(299));
    EXPECT_EQ(90, SnapCPUSpeed(87));
    EXPECT_EQ(90, SnapCPUSpeed(85)) << "a tie goes up";
    EXPECT_EQ(80, SnapCPUSpeed(73)) << "a tie between 66 and 80 goes up";
    EXPECT_EQ(66, SnapCPUSpeed(72));
    EXPECT_EQ(520, SnapCPUSpeed(510)) << "10 lies as far from 00 as from 20: up";
    EXPECT_EQ(0, SnapCPUSpeed(0));
    EXPECT_EQ(0, SnapCPUSpeed(-5));
}

TEST(CPUSpeedTest, EverySnappedFigureIsTheNearestPoint)
{
    const int points[] = {0, 20, 33, 50, 60, 66, 80, 90, 100};
    for (long long m = 0; m < 1200; ++m) {
        const long long snapped = SnapCPUSpeed(m);
        const long long base = m - m % 100;
        bool onPoint = false;
        for (int p : points) onPoint = onPoint || snapped == base + p;
        ASSERT_TRUE(onPoint) << m << " went to " << snapped;
        for (int p : points) {
            const long long other = base + p;
            ASSERT_LE(std::llabs(snapped - m), std::llabs(other - m)) << m << " went to " << snapped << ", not " << other;
            if (std::llabs(snapped - m) == std::llabs(other - m)) {
                ASSERT_GE(snapped, other) << "tie at " << m;
            }
        }
    }
}

TEST(CPUSpeedTest, TotalsAreRoundedToEvenThenSnapped)
{
    EXPECT_EQ(233, CPUSpeedFromTotals(233000, 1000));
    EXPECT_EQ(66, CPUSpeedFromTotals(725, 10)) << "72.5 rounds to 72, which snaps to 66";
    EXPECT_EQ(80, CPUSpeedFromTotals(735, 10)) << "73.5 rounds to 74, which snaps to 80";
    EXPECT_EQ(300, CPUSpeedFromTotals(2995, 10)) << "299.5 rounds to 300";
    EXPECT_EQ(0, CPUSpeedFromTotals(5000, 0)) << "no time passed";
    EXPECT_EQ(0, CPUSpeedFromTotals(1000000000000000ULL, 1)) << "10^15 MHz is no clock";
    EXPECT_EQ(0, CPUSpeedFromTotals(0, 1000));
    EXPECT_EQ(0, CPUSpeedFromTotals(std::numeric_limits<std::uint64_t>::max(), 1)) << "beyond any clock";
}

// Feeds MeasureCPUSpeed a list of MHz figures, each as one measurement of 1000 µs.
struct Feeder {
    std::vector<std::uint32_t> Mhz;
    std::size_t Calls = 0;
    TvyClockSample operator()()
    {
        const std::uint32_t f = Mhz[Calls < Mhz.size() ? Calls : Mhz.size() - 1];
        ++Calls;
        return {1000, f * 1000};
    }
};

int Measure(Feeder& feeder)
{
    return MeasureCPUSpeed(1000000, [&] { return feeder(); });
}

TEST(CPUSpeedTest, StopsAfterThreeWhenTheyAgree)
{
    Feeder steady{{233}};
    EXPECT_EQ(233, Measure(steady));
    EXPECT_EQ(3u, steady.Calls) << "three is the least";

    Feeder close{{233, 234, 232}};
    EXPECT_EQ(233, Measure(close));
    EXPECT_EQ(3u, close.Calls) << "each within 3 of the sum over three";
}

TEST(CPUSpeedTest, GoesOnUntilTheLastThreeAgree)
{
    Feeder settling{{100, 300, 233, 233, 233}};
    // (100 + 300 + 3 x 233) / 5 = 219.8, rounded 220, a point already.
    EXPECT_EQ(220, Measure(settling));
    EXPECT_EQ(5u, settling.Calls);

    Feeder justOut{{233, 235, 233, 233}};
    Measure(justOut);
    EXPECT_EQ(5u, justOut.Calls) << "235 is 4 away from the sum over three";
}

TEST(CPUSpeedTest, NeverMoreThanTwenty)
{
    Feeder wild;
    for (int i = 0; i < 40; ++i) wild.Mhz.push_back(i % 2 ? 100 : 400);
    const int mhz = Measure(wild);
    EXPECT_EQ(20u, wild.Calls);
    EXPECT_EQ(250, mhz) << "ten of each: 250 on the dot";
}

TEST(CPUSpeedTest, RawSamples)
{
    const struct {
        const char* What;
        long long Frequency;
        std::vector<TvyClockSample> Samples; // the last one repeats
        int Mhz;
        std::size_t Calls;
    } cases[] = {
        {"a counter of 1 Hz", 1, {{1, 233000000}}, 233, 3},
        {"28,499 ticks in 3,000 us: 9, which snaps to 0", 1000000, {{1000, 9500}, {1000, 9500}, {1000, 9499}}, 0, 3},
        {"231 is 4 below the sum over three", 1000000, {{1000, 233000}, {1000, 231000}, {1000, 233000}}, 233, 5},
        {"one-microsecond samples settle as any others", 1000000, {{1, 100}, {1, 300}, {1, 233}}, 220, 5},
        {"samples without time count as 0 MHz", 1000000, {{1000, 2000}, {0, 0}}, 0, 4},
    };
    for (const auto& c : cases) {
        std::size_t calls = 0;
        const int mhz = MeasureCPUSpeed(c.Frequency, [&] { return c.Samples[std::min(calls++, c.Samples.size() - 1)]; });
        EXPECT_EQ(c.Mhz, mhz) << c.What;
        EXPECT_EQ(c.Calls, calls) << c.What;
    }
}

TEST(CPUSpeedTest, NoCounterOrNoTimeGivesZero)
{
    int calls = 0;
    EXPECT_EQ(0, MeasureCPUSpeed(0, [&] { ++calls; return TvyClockSample{1000, 1000}; }));
    EXPECT_EQ(0, calls) << "nothing measured without a counter frequency";
    // A counter so fast that no whole microsecond passes.
    EXPECT_EQ(0, MeasureCPUSpeed(10000000000000LL, [&] { ++calls; return TvyClockSample{1000, 233000}; }));
    EXPECT_EQ(3, calls);
    EXPECT_EQ(0, MeasureCPUSpeed(1000000, [] { return TvyClockSample{}; })) << "a counter that stood still";
}

} // namespace
