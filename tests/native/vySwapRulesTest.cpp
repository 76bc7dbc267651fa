// tests/native/vySwapRulesTest.cpp
// The swap program's text rules: its own name skipped, parameters joined and read, the
// folder, final names of ".uTMP" files and the executable rule.
#include "swap/vySwapRules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace vyswap;

TEST(SwapCommand, SkipsItsOwnNameHoweverItIsWritten)
{
    struct TCase {
        const char* Line;
        const char* Own;
        const char* Rest;
    };
    const TCase cases[] = {
        {"C:\\TEMP\\vySwap.exe C:\\App\\app.exe +/a0", "C:\\TEMP\\vySwap.exe", " C:\\App\\app.exe +/a0"},
        {"c:\\my temp\\VYSWAP.EXE C:\\App\\app.exe +/a0", "C:\\My Temp\\vySwap.exe", " C:\\App\\app.exe +/a0"},
        {"\"C:\\my temp\\vySwap.exe\" x", "C:\\other\\vySwap.exe", " x"},
        {"\"C:\\unclosed", "", ""},
        {"vySwap.exe x y", "C:\\TEMP\\vySwap.exe", " x y"},
        {"C:\\TEMP\\vySwap.exe2 x", "C:\\TEMP\\vySwap.exe", " x"},
        {"C:\\TEMP\\vySwap.exe", "C:\\TEMP\\vySwap.exe", ""},
        {"", "C:\\TEMP\\vySwap.exe", ""},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.Rest, SkipProgramName(c.Line, c.Own)) << "line '" << c.Line << "', own '" << c.Own << "'";
}

TEST(SwapCommand, ReadsTargetRestartParametersAndMethod)
{
    struct TCase {
        const char* Params;
        int Count;
        bool External;
        const char* Target;
        const char* Restart;
    };
    const TCase cases[] = {
        {"", 0, false, "", ""},
        {"   \t ", 0, false, "", ""},
        {" C:\\App\\app.exe +/afterupgrade0", 2, false, "C:\\App\\app.exe", "/afterupgrade"},
        {" C:\\Program  Files\\My App\\app.exe +/afterupgrade1", 4, true, "C:\\Program Files\\My App\\app.exe",
         "/afterupgrade"},
        {" \"C:\\Quoted Dir\\app.exe\" +/afterupgrade0", 2, false, "C:\\Quoted Dir\\app.exe", "/afterupgrade"},
        {" C:\\App\\app.exe + 0", 3, false, "C:\\App\\app.exe", " "},
        {" C:\\App\\app.exe +/x /y1", 3, true, "C:\\App\\app.exe", "/x /y"},
        {" C:\\App\\app.exe +7", 2, false, "C:\\App\\app.exe", ""},
        {" C:\\App\\app.exe +/after", 2, false, "C:\\App\\app.exe", "/after"},
        {" C:\\App\\app.exe", 1, false, "C:\\App\\app.exe", ""},
        {" C:\\A+B\\app.exe +/r0", 2, false, "C:\\A", "B\\app.exe +/r"},
        {" C:\\App\\app.exe +/r0 \"\"", 3, false, "C:\\App\\app.exe", "/r0 "},
    };
    TSwapCommand command;
    for (const auto& c : cases) {
        ASSERT_TRUE(ParseSwapCommand(c.Params, command)) << c.Params;
        EXPECT_EQ(c.Count, command.ParamCount) << "'" << c.Params << "'";
        EXPECT_EQ(c.External, command.ExternalSetup) << "'" << c.Params << "'";
        EXPECT_EQ(std::string(c.Target), std::string(command.Target.S, command.Target.Len)) << "'" << c.Params << "'";
        EXPECT_EQ(std::string(c.Restart), command.RestartParams.S) << "'" << c.Params << "'";
    }
}

TEST(SwapCommand, RefusesWhatDoesNotFitAndTargetsThatNameNoFile)
{
    TSwapCommand command;
    const std::string longPath(TextCapacity, 'x');
    EXPECT_FALSE(ParseSwapCommand(("C:\\" + longPath + " +/r0").c_str(), command)) << "too long is refused, not cut";
    ASSERT_TRUE(ParseSwapCommand(std::string(TextCapacity - 1, 'x').c_str(), command)) << "the joined blank fits";
    EXPECT_TRUE(IsPlainTarget(command.Target));

    struct TCase {
        const char* Params;
        bool Plain;
        unsigned Folder;
    };
    const TCase cases[] = {
        {"C:\\App\\app.exe +/r0", true, 7}, {"app.exe +/r0", true, 0}, {"+/r0", false, 0},
        {"C:\\App\\ +/r0", false, 7},       {"C:\\App\\*.exe +/r0", false, 7}, {"C:\\App\\a?.exe", false, 7},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(ParseSwapCommand(c.Params, command));
        EXPECT_EQ(c.Plain, IsPlainTarget(command.Target)) << c.Params;
        EXPECT_EQ(c.Folder, FolderLength(command.Target)) << c.Params;
    }
}

TEST(SwapFiles, FinalNamesAndTheExecutableRule)
{
    struct TCase {
        const char* Found;
        bool Taken;
        const char* Final;
        bool Executable;
    };
    const TCase cases[] = {
        {"app.exe.uTMP", true, "app.exe", true},
        {"readme.txt.uTMP", true, "readme.txt", false},
        {"SETUP.EXE.uTMP", true, "SETUP.EXE", false},
        {"Setup.Exe.uTMP", true, "Setup.Exe", false},
        {"tool.exe.UTMP", true, "tool.exe", true},
        {"noexe.uTMP", true, "noexe", true},
        {".uTMP", false, "", false},
        {"..uTMP", false, "", false},
        {"...uTMP", false, "", false},
        {"x.uTMPx", false, "", false},
        {"uTMP", false, "", false},
    };
    TText final;
    for (const auto& c : cases) {
        EXPECT_EQ(c.Taken, FinalNameOf(c.Found, final)) << c.Found;
        if (!c.Taken) continue;
        EXPECT_STREQ(c.Final, final.S) << c.Found;
        EXPECT_EQ(c.Executable, IsExecutableName(final)) << c.Found;
    }
}

} // namespace
