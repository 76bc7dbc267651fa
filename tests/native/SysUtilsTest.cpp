// tests/native/SysUtilsTest.cpp
// The command-line splitter behind ParamStr, read-error texts and case-blind comparison.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SysUtils.h"

namespace {

TEST(SplitParamsTest, BlanksSeparateAndQuotesGroup)
{
    using V = std::vector<std::string>;
    const struct {
        const char* Line;
        V Params;
    } cases[] = {
        {"", V{}},
        {"   \t ", V{}},
        {"app.exe", V{"app.exe"}},
        {"\"C:\\Program Files\\Tally\\app.exe\" /autorun", V{"C:\\Program Files\\Tally\\app.exe", "/autorun"}},
        {"app.exe   /autorun\t x", V{"app.exe", "/autorun", "x"}},
        // Quotes may open and close inside an argument; they are dropped.
        {"app.exe /dir=\"a b\"c", V{"app.exe", "/dir=a bc"}},
        {"app.exe \"\"", V{"app.exe", ""}},
        // An unclosed quote runs to the end.
        {"app.exe \"open ended", V{"app.exe", "open ended"}},
        // Control characters separate like blanks; other bytes are kept as they are.
        {"a\rb\nc \xE9t\xE9", V{"a", "b", "c", "\xE9t\xE9"}},
    };
    for (const auto& c : cases) {
        const std::vector<char> exact(c.Line, c.Line + std::char_traits<char>::length(c.Line)); // no zero after it
        EXPECT_EQ(c.Params, SplitParams(std::string_view(exact.data(), exact.size()))) << "command line [" << c.Line << "]";
    }
}

TEST(SysUtilsText, ReadErrorsAndCaseBlindNames)
{
    EXPECT_EQ("Line 1: property Caption: bad", EReadError(1, "Caption", "bad").Message());
    EXPECT_EQ("bad", EReadError(0, "", "bad").Message()) << "no line 0";
    EXPECT_TRUE(SameText("Zz", "zZ"));
    EXPECT_FALSE(SameText("Zone", "Zonf"));
}

} // namespace
