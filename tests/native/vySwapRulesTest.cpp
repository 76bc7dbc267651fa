// tests/native/vySwapRulesTest.cpp
// The swap program's text rules: its own name skipped, the parameters joined and read, and
// which names it takes for targets and ".uTMP" files.
#include "swap/vySwapRules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace vyswap;

TEST(SwapCommand, SkipsItsOwnNameAndReadsTargetRestartParametersAndMethod)
{
    EXPECT_STREQ(" C:\\A\\app.exe +/a0", SkipProgramName("c:\\my zone\\VYSWAP.EXE C:\\A\\app.exe +/a0", "C:\\My ZONE\\vySwap.exe"))
        << "an unquoted own path with blanks is skipped whole";
    EXPECT_STREQ(" x", SkipProgramName("\"C:\\my temp\\vySwap.exe\" x", "C:\\other\\vySwap.exe"));
    EXPECT_STREQ(" x", SkipProgramName("C:\\TEMP\\vySwap.exe2 x", "C:\\TEMP\\vySwap.exe")) << "not its own path";
    EXPECT_STREQ(" temp\\vySwap.exe x", SkipProgramName("D:\\my temp\\vySwap.exe x", "C:\\my temp\\vySwap.exe"))
        << "another drive: its name ends at the first blank";
    EXPECT_STREQ("", SkipProgramName("\"C:\\unclosed", ""));

    struct TCase {
        const char* Params;
        int Count;
        bool External;
        const char* Target;
        const char* Restart;
    };
    const TCase cases[] = {
        {"   \t ", 0, false, "", ""},
        {" C:\\Program  Files\\My App\\app.exe +/afterupgrade1", 4, true, "C:\\Program Files\\My App\\app.exe",
         "/afterupgrade"},
        {" \"C:\\Quoted Dir\\app.exe\" +/afterupgrade0", 2, false, "C:\\Quoted Dir\\app.exe", "/afterupgrade"},
        {" C:\\A\\app.exe + 0", 3, false, "C:\\A\\app.exe", " "},
        {" C:\\A\\app.exe +/x /y1", 3, true, "C:\\A\\app.exe", "/x /y"},
        {" C:\\A\\app.exe +/after", 2, false, "C:\\A\\app.exe", "/after"},
        {" C:\\A\\app.exe", 1, false, "C:\\A\\app.exe", ""},
        {" C:\\A+B\\app.exe +/r0", 2, false, "C:\\A", "B\\app.exe +/r"},
        {" \"C:\\A+B\\Two  Blanks\\app.exe\" +/r0", 2, false, "C:\\A+B\\Two  Blanks\\app.exe", "/r"},
        {" \"C:\\A+B\\app.exe\" +/x + y1", 4, true, "C:\\A+B\\app.exe", "/x + y"},
        {" \"C:\\A\\app.exe\"", 1, false, "C:\\A\\app.exe", ""},
        {" C:\\A\\app.exe +/r1 \"\"", 3, false, "C:\\A\\app.exe", "/r1 "},
        {" C:\\A\\app.exe +\"/a  b\"1", 2, true, "C:\\A\\app.exe", "/a  b"},
        {" C:\\A\\app.exe +", 2, false, "C:\\A\\app.exe", ""},
        {" C:\\A\\app.exe +1", 2, true, "C:\\A\\app.exe", ""},
        {" C:\\A\\app.exe +/r9", 2, false, "C:\\A\\app.exe", "/r"},
    };
    TSwapCommand command;
    for (const auto& c : cases) {
        ASSERT_TRUE(ParseSwapCommand(c.Params, command)) << c.Params;
        EXPECT_EQ(c.Count, command.ParamCount) << "'" << c.Params << "'";
        EXPECT_EQ(c.External, command.ExternalSetup) << "'" << c.Params << "'";
        EXPECT_STREQ(c.Target, command.Target.S) << "'" << c.Params << "'";
        EXPECT_STREQ(c.Restart, command.RestartParams.S) << "'" << c.Params << "'";
    }
    // 2,047 characters and the blank of the join fill the 2,048 places; one more is refused, not cut.
    EXPECT_TRUE(ParseSwapCommand(std::string(2047, 'x').c_str(), command));
    EXPECT_EQ(2047u, command.Target.Len);
    EXPECT_FALSE(ParseSwapCommand(std::string(2048, 'x').c_str(), command));

    TText text;
    text.Clear();
    text.Append("ab");
    text.Append("c");
    EXPECT_STREQ("abc", text.S);
    EXPECT_EQ(3u, text.Len);
}

TEST(SwapCommand, TakesOnlyPlainNames)
{
    TSwapCommand command;
    for (const auto& [params, plain] : {std::pair{"C:\\A\\app.exe +/r0", true}, {"app.exe +/r0", true}, {"a +/r0", true},
                                        {"+/r0", false}, {"C:\\A\\ +/r0", false}, {"C:\\A\\*.exe +/r0", false},
                                        {"?.exe +/r0", false}}) {
        ASSERT_TRUE(ParseSwapCommand(params, command));
        EXPECT_EQ(plain, IsPlainTarget(command.Target)) << params;
    }

    struct TCase {
        const char* Found;
        const char* Final; // null: not taken
        bool Executable;
    };
    const TCase cases[] = {
        {"app.exe.uTMP", "app.exe", true}, {"SETUP.EXE.uTMP", "SETUP.EXE", false}, {"tool.exe.UTMP", "tool.exe", true},
        {"noexe.uTMP", "noexe", true},     {".uTMP", nullptr, false},              {"..uTMP", nullptr, false},
        {"...uTMP", nullptr, false},       {"x.uTMPx", nullptr, false},            {"app_uTMP", nullptr, false},
        {"uTMP", nullptr, false},          {"", nullptr, false},                   {"exe.uTMP", "exe", true},
        {"ex.uTMP", "ex", false},          {"setup.axe.uTMP", "setup.axe", false}, {"a.uTMP", "a", false},
        {"ab.uTMP", "ab", false},          {"..x.uTMP", "..x", false},
    };
    TText final;
    for (const auto& c : cases) {
        ASSERT_EQ(c.Final != nullptr, FinalNameOf(c.Found, final)) << c.Found;
        if (!c.Final) continue;
        EXPECT_STREQ(c.Final, final.S) << c.Found;
        EXPECT_EQ(c.Executable, IsExecutableName(final)) << c.Found;
    }
}

} // namespace
