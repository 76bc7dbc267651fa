// tests/native/vySystemInfoTextTest.cpp
#include <gtest/gtest.h>

#include <vector>

#include "vySystemInfoText.h"

namespace {

using R = TvyScreenResolution;

// The display accepts at most the given size, as a 1600 x 1200 screen does.
struct TStepCase {
    R Wanted;
    int MaxWidth, MaxHeight;
    int Chosen; // -1: no mode at all
    std::vector<int> Tried;
};

TEST(SystemInfoText, ResolutionStepsDownThroughEachSmallerMember)
{
    const TStepCase cases[] = {
        {R::sr1920x1200, 1600, 1200, static_cast<int>(R::sr1600x1200), {8, 7, 6}},
        {R::sr1920x1080, 1920, 1200, static_cast<int>(R::sr1920x1080), {7}},
        {R::sr1280x1024, 1280, 960, static_cast<int>(R::sr1280x960), {5, 4}},
        {R::sr1024x768, 800, 600, static_cast<int>(R::sr800x600), {2, 1}},
        {R::sr800x600, 320, 200, -1, {1, 0}},
        {R::sr640x480, 640, 480, 0, {0}},
    };
    for (const auto& c : cases) {
        std::vector<int> tried;
        const int chosen = StepDown(static_cast<int>(c.Wanted), [&](int r) {
            tried.push_back(r);
            const TvyScreenSize s = ResolutionSize(static_cast<R>(r));
            return s.Width <= c.MaxWidth && s.Height <= c.MaxHeight;
        });
        EXPECT_EQ(c.Chosen, chosen) << "wanted " << static_cast<int>(c.Wanted) << " on " << c.MaxWidth << "x" << c.MaxHeight;
        EXPECT_EQ(c.Tried, tried) << "modes tested for " << static_cast<int>(c.Wanted);
    }
    EXPECT_EQ(-1, StepDown(-1, [](int) { return true; })) << "nothing below the first member";
}

TEST(SystemInfoText, SizesAndMembersMatchBothWays)
{
    for (int i = 0; i < vyScreenResolutionCount; ++i) {
        const TvyScreenSize s = ResolutionSize(static_cast<R>(i));
        EXPECT_EQ(i, static_cast<int>(ResolutionOf(s.Width, s.Height))) << s.Width << "x" << s.Height;
    }
    EXPECT_EQ(1152, ResolutionSize(R::sr1152x864).Width);
    EXPECT_EQ(864, ResolutionSize(R::sr1152x864).Height);
    EXPECT_EQ(R::sr640x480, ResolutionOf(1366, 768)) << "an unknown size";
    EXPECT_EQ(R::sr640x480, ResolutionOf(768, 1024)) << "a turned screen is no known size";
    const int bits[] = {4, 8, 16, 24, 32};
    for (int m = 0; m < 5; ++m) EXPECT_EQ(bits[m], ColorModeBits(m)) << "colour mode " << m;
    EXPECT_EQ(0, ColorModeBits(5)) << "past the last mode";
    EXPECT_EQ(0, ColorModeBits(-1)) << "before the first mode";
}

TEST(SystemInfoText, NumbersBecomeTexts)
{
    struct {
        std::uint32_t Serial;
        const char* Text;
    } serials[] = {{0x1A2B, "0000-1A2B"}, {0, "0000-0000"}, {0xFFFFFFFFu, "FFFF-FFFF"}, {0x0ABCDEF1, "0ABC-DEF1"},
                   {0x12340000, "1234-0000"}};
    for (const auto& s : serials) EXPECT_EQ(s.Text, VolumeSerialText(s.Serial)) << std::hex << s.Serial;

    EXPECT_EQ("4.0.1381", JoinVersionNumber(4, 0, 1381));
    EXPECT_EQ("-1.-1.-1", JoinVersionNumber(-1, -1, -1)) << "a failed version call shows as such";
    EXPECT_EQ("Windows XP", WithoutMaker("Microsoft Windows XP"));
    EXPECT_EQ("Windows 2000 Microsoft Edition", WithoutMaker("Microsoft Windows 2000 Microsoft Edition")) << "the first only";
    EXPECT_EQ("ReactOS", WithoutMaker("ReactOS"));
    EXPECT_EQ("Microsoft", WithoutMaker("Microsoft")) << "without the space it is no maker prefix";

    EXPECT_EQ(0, UpTimeSeconds(999));
    EXPECT_EQ(86400, UpTimeSeconds(86400999u));
    EXPECT_EQ(4294967, UpTimeSeconds(0xFFFFFFFFu)) << "past 24.8 days the count is still positive";
    EXPECT_EQ(2147483647, ClampedCount(4294967296ull)) << "4 GB of memory";
    EXPECT_EQ(65536, ClampedCount(65536));
}

TEST(SystemInfoText, ProcessorCodes)
{
    using A = TvyCPUArchitecture;
    using T = TvyCPUType;
    EXPECT_EQ(A::paINTEL, CPUArchitectureOf(0));
    EXPECT_EQ(A::paMIPS, CPUArchitectureOf(1));
    EXPECT_EQ(A::paALPHA, CPUArchitectureOf(2));
    EXPECT_EQ(A::paPPC, CPUArchitectureOf(3));
    EXPECT_EQ(A::paUNKNOWN, CPUArchitectureOf(0xFFFF));
    EXPECT_EQ(A::paINTEL, CPUArchitectureOf(9)) << "any other code leaves Intel";
    EXPECT_EQ(T::ptIntel386, CPUTypeOf(A::paINTEL, 386));
    EXPECT_EQ(T::ptIntel486, CPUTypeOf(A::paINTEL, 486));
    EXPECT_EQ(T::ptPentium, CPUTypeOf(A::paINTEL, 586));
    EXPECT_EQ(T::ptUNKNOWN, CPUTypeOf(A::paINTEL, 8664));
    EXPECT_EQ(T::ptUNKNOWN, CPUTypeOf(A::paALPHA, 586)) << "only Intel types are told apart";
}

} // namespace
