// tests/native/vyRichLabelTextTest.cpp
// The rich label's markup and layout against a measurer whose widths are simple sums: the
// markup grammar case by case, line splitting, word wrap against a literal longest-first
// reference on random texts, alignment and the surface size.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "vyRichLabelText.h"

namespace {

constexpr int kRed = 0x0000FF, kNavy = 0x800000, kBase = 0x123456;

// Plain letters are 6 pixels wide, bold adds 2, italic 1: widths differ by font.
class TFakeMeasurer : public TvyTextMeasurer {
public:
    int Calls = 0;
    int TextWidth(std::string_view text, unsigned style) override
    {
        ++Calls;
        const int per = 6 + ((style & vyStyleBold) ? 2 : 0) + ((style & vyStyleItalic) ? 1 : 0);
        return per * static_cast<int>(text.size());
    }
};

struct TSeg {
    std::string Text;
    unsigned Style;
    int Color;
    bool operator==(const TSeg&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TSeg& s)
{
    return os << "{\"" << s.Text << "\", style " << s.Style << ", colour " << std::hex << s.Color << std::dec << "}";
}

std::vector<TSeg> Segments(std::string_view line, TvyMarkupSyntax syntax = {},
                           TvyMarkupFont start = {0, kBase})
{
    const TvyMarkupFont base{0, kBase};
    std::vector<TSeg> out;
    ScanMarkupLine(line, syntax, base, start, [&](std::string_view text, const TvyMarkupFont& f) {
        out.push_back({std::string(text), f.Style, f.Color});
    });
    return out;
}

constexpr unsigned B = vyStyleBold, I = vyStyleItalic, U = vyStyleUnderline, S = vyStyleStrikeOut;

TEST(RichMarkupTest, TagsSwitchStyleAndColourAndMalformedMarkupIsShown)
{
    struct TCase {
        const char* Line;
        std::vector<TSeg> Expected;
    };
    const TCase cases[] = {
        {"A newer version of [b]Tallyglass[] was released.",
         {{"A newer version of ", 0, kBase}, {"Tallyglass", B, kBase}, {" was released.", 0, kBase}}},
        {"[red]x[b]y[DEF]z", {{"x", 0, kRed}, {"y", B, kRed}, {"z", 0, kBase}}},
        {"[Navy]x[default]y", {{"x", 0, kNavy}, {"y", 0, kBase}}},
        {"[bi]x[i]y[uS]z", {{"x", B | I, kBase}, {"y", I, kBase}, {"z", U | S, kBase}}},
        {"[red][b]x[]y", {{"x", B, kRed}, {"y", 0, kRed}}},
        {"[fob]x[zzz]y", {{"x", B, kBase}, {"y", 0, kBase}}},
        // A stray closer ahead of the remaining openers: they go, names and closers show.
        {"[b]x]y[i]z[u]w", {{"x]yi]zu]w", B, kBase}}},
        {"a]b", {{"a]b", 0, kBase}}},
        // An opener with no closer after it stays, with what follows.
        {"[b]a[ b", {{"a[ b", B, kBase}}},
        {"x[", {{"x[", 0, kBase}}},
        {"[", {{"[", 0, kBase}}},
        {"]", {{"]", 0, kBase}}},
        {"[]", {}},
        {"[[b]x", {{"x", B, kBase}}},
    };
    for (const TCase& c : cases) EXPECT_EQ(c.Expected, Segments(c.Line)) << "line " << c.Line;

    TvyMarkupSyntax plain;
    plain.PlainText = true;
    EXPECT_EQ((std::vector<TSeg>{{"[b]x[]", 0, kBase}}), Segments("[b]x[]", plain)) << "plain text";

    TvyMarkupSyntax bars;
    bars.TagOpen = bars.TagClose = '|';
    EXPECT_EQ((std::vector<TSeg>{{"a", B, kBase}, {"b", 0, kBase}, {"c", 0, kBase}}),
              Segments("a|b|c|", bars, {B, kBase}))
        << "one character for both: every occurrence goes and clears the style";
}

TEST(RichMarkupTest, ColourNamesAndTheirValues)
{
    const std::pair<const char*, int> names[] = {
        {"black", 0x000000}, {"MAROON", 0x000080}, {"green", 0x008000},  {"OLIVE", 0x008080},
        {"navy", 0x800000},  {"PURPLE", 0x800080}, {"teal", 0x808000},   {"GRAY", 0x808080},
        {"silver", 0xC0C0C0}, {"RED", 0x0000FF},   {"lime", 0x00FF00},   {"YELLOW", 0x00FFFF},
        {"blue", 0xFF0000},  {"FUCHSIA", 0xFF00FF}, {"aqua", 0xFFFF00},  {"WHITE", 0xFFFFFF}};
    for (auto [name, value] : names) {
        ASSERT_TRUE(MarkupColor(name).has_value()) << name;
        EXPECT_EQ(value, *MarkupColor(name)) << name;
    }
    EXPECT_FALSE(MarkupColor("GREY").has_value());
    EXPECT_FALSE(MarkupColor("").has_value());
}

TEST(RichLayoutTest, CaptionsSplitAtLineFeedsOnly)
{
    using V = std::vector<std::string_view>;
    EXPECT_EQ((V{""}), SplitCaptionLines(""));
    EXPECT_EQ((V{"a", "b", "c\rd", ""}), SplitCaptionLines("a\r\nb\nc\rd\n"));
    EXPECT_EQ((V{"", "\r", ""}), SplitCaptionLines("\n\r\r\n"));
}

std::vector<std::string> Texts(const TvyRichLayout& layout)
{
    std::vector<std::string> out;
    for (const auto& l : layout.Lines) out.push_back(l.Text);
    return out;
}

TEST(RichLayoutTest, WordWrapCases)
{
    struct TCase {
        const char* Caption;
        int Width, Margin;
        std::vector<std::string> Lines;
        int Widest;
        char TagClose = ']';
    };
    const TCase cases[] = {
        {"aaa bbb ccc", 45, 0, {"aaa bbb ", "ccc"}, 42},
        {"aaa bbb ccc", 66, 0, {"aaa bbb ccc"}, 66},
        // Margins: the space is Width - Margin, a measured width holds the margin once.
        {"aaa bbb ccc", 45, 3, {"aaa ", "bbb ", "ccc"}, 21},
        // A word too wide stands alone and does not count; the words after it still wrap.
        {"a verylongword b c", 30, 0, {"a ", "verylongword ", "b c"}, 18},
        {"verylongword", 30, 0, {"verylongword"}, 0},
        // A space in the first position is no break point, nor is a last one.
        {" abcdef", 30, 0, {" abcdef"}, 0},
        {"ab ", 6, 0, {"ab "}, 0},
        // Bold is wider: the break follows the font the text is drawn in.
        {"aa [b]bb cc", 50, 0, {"aa [b]bb ", "cc"}, 34},
        {"aa bb [b]cc", 35, 0, {"aa bb ", "[b]cc"}, 30},
        {"[b]aa\nbb cc", 30, 0, {"[b]aa", "bb ", "cc"}, 16},
        {"", 10, 2, {""}, 2},
        // A blank closer: the whole line shows "x" and "zz" (18), which fits; cut after the
        // blank, "x[yy" would show unclosed and wider (24).
        {"x[yy zz", 18, 0, {"x[yy zz"}, 18, ' '},
    };
    for (const TCase& c : cases) {
        TFakeMeasurer m;
        TvyRichLayoutParams p;
        p.Width = c.Width;
        p.MarginHorz = c.Margin;
        p.WordWrap = true;
        p.Syntax.TagClose = c.TagClose;
        const TvyRichLayout layout = LayoutRichText(c.Caption, p, m);
        EXPECT_EQ(c.Lines, Texts(layout)) << "caption \"" << c.Caption << "\" width " << c.Width;
        EXPECT_EQ(c.Widest, layout.Widest) << "caption \"" << c.Caption << "\" width " << c.Width;
    }
}

// The word wrap read literally: the whole rest first, then ever shorter candidates, each
// measured from the font the line starts in.
std::vector<std::string> ReferenceWrap(std::string_view caption, const TvyRichLayoutParams& p)
{
    TFakeMeasurer m;
    std::vector<std::string> out;
    TvyMarkupFont font = p.Base;
    auto measure = [&](std::string_view s) {
        TvyMarkupFont f = font;
        return MeasureMarkupLine(s, p.Syntax, p.Base, f, p.MarginHorz, m);
    };
    auto append = [&](std::string_view s) {
        out.emplace_back(s);
        ScanMarkupLine(s, p.Syntax, p.Base, font, [](std::string_view, const TvyMarkupFont&) {});
    };
    for (std::string_view rest : SplitCaptionLines(caption)) {
        for (;;) {
            std::string_view cand = rest;
            for (;;) {
                if (measure(cand) <= p.Width - p.MarginHorz) break;
                size_t pos = std::string_view::npos;
                for (size_t i = cand.size() >= 2 ? cand.size() - 2 : 0; i >= 1 && i < cand.size(); --i)
                    if (cand[i] == ' ') {
                        pos = i;
                        break;
                    }
                if (pos == std::string_view::npos) break;
                cand = cand.substr(0, pos + 1);
            }
            append(cand);
            if (cand.size() == rest.size()) break;
            rest.remove_prefix(cand.size());
        }
    }
    return out;
}

TEST(RichLayoutTest, WrapAgreesWithTheLongestFirstReadingOnRandomTexts)
{
    std::mt19937 rng(1234);
    // Any character may open or close a tag: blanks and control characters too, which the
    // measurement cuts off a line's end, and one character for both.
    const std::pair<char, char> tags[] = {{'[', ']'}, {'[', ' '}, {'(', '\t'}, {' ', ']'},  {'\x01', '\x1F'},
                                          {'\0', ' '}, {'<', '\r'}, {'|', '|'},  {' ', ' '}};
    for (const auto& [open, close] : tags) {
        const std::string o(1, open), c(1, close);
        const std::string alphabet = "abc   " + o + "b" + c + o + "i" + c + o + c + o + "red" + c + o + "DEF" + c + c + "\n";
        for (int round = 0; round < 400; ++round) {
            std::string caption;
            const int length = static_cast<int>(rng() % 120);
            for (int i = 0; i < length; ++i) caption += alphabet[rng() % alphabet.size()];
            TvyRichLayoutParams p;
            p.Width = 10 + static_cast<int>(rng() % 150);
            p.MarginHorz = static_cast<int>(rng() % 8);
            p.WordWrap = true;
            p.Align = TvyRichAlign::Center;
            p.Syntax.TagOpen = open;
            p.Syntax.TagClose = close;
            TFakeMeasurer m;
            const TvyRichLayout layout = LayoutRichText(caption, p, m);
            ASSERT_EQ(ReferenceWrap(caption, p), Texts(layout))
                << "caption \"" << caption << "\" width " << p.Width << " tags " << int(open) << " " << int(close);
            // Each width is the line measured from the font it is drawn in.
            TvyMarkupFont font = p.Base;
            for (const auto& line : layout.Lines) {
                TvyMarkupFont probe = font;
                EXPECT_EQ(MeasureMarkupLine(line.Text, p.Syntax, p.Base, probe, p.MarginHorz, m), line.Width)
                    << "line \"" << line.Text << "\" of \"" << caption << "\"";
                ScanMarkupLine(line.Text, p.Syntax, p.Base, font, [](std::string_view, const TvyMarkupFont&) {});
            }
        }
    }
}

TEST(RichLayoutTest, WidthsForAlignmentAndLinePositions)
{
    TFakeMeasurer m;
    TvyRichLayoutParams p;
    p.Width = 100;
    p.MarginHorz = 4;
    p.Align = TvyRichAlign::Right;
    // Without wrap each line is measured once, in the font the previous lines left.
    const TvyRichLayout layout = LayoutRichText("[b]ab  \ncd", p, m);
    ASSERT_EQ(2u, layout.Lines.size());
    EXPECT_EQ(4 + 16, layout.Lines[0].Width) << "trailing blanks are not measured";
    EXPECT_EQ(4 + 16, layout.Lines[1].Width) << "bold carries into the next line";
    p.Align = TvyRichAlign::Left;
    EXPECT_EQ(-1, LayoutRichText("ab", p, m).Lines[0].Width) << "left alignment needs no widths";

    struct TX {
        TvyRichAlign Align;
        int Width, Margin, Line, X;
    };
    const TX xs[] = {{TvyRichAlign::Left, 100, 4, 50, 4},    {TvyRichAlign::Right, 100, 4, 50, 46},
                     {TvyRichAlign::Center, 100, 4, 51, 22}, {TvyRichAlign::Center, 100, 0, 121, -11},
                     {TvyRichAlign::Center, 100, 0, 120, -10}};
    for (const TX& x : xs)
        EXPECT_EQ(x.X, RichLineX(x.Align, x.Width, x.Margin, x.Line))
            << "align " << static_cast<int>(x.Align) << " line width " << x.Line;
}

TEST(RichLayoutTest, SurfaceSize)
{
    TFakeMeasurer m;
    TvyRichLayoutParams p;
    p.Width = 200;
    p.MarginHorz = 5;
    const TvyRichLayout empty = LayoutRichText("", p, m);
    EXPECT_EQ(1u, empty.Lines.size()) << "an empty caption is one empty line";
    EXPECT_EQ(13 + 2 * 3, RichSurfaceSize(p, empty, 13, 3, false).Height);
    EXPECT_EQ(13 + 2 * 3 + 8, RichSurfaceSize(p, empty, 13, 3, true).Height);
    EXPECT_EQ(200, RichSurfaceSize(p, empty, 13, 3, true).Width) << "no wrap: the control's width";

    p.WordWrap = true;
    const TvyRichLayout wrapped = LayoutRichText("aaa bbb", p, m);
    EXPECT_EQ(5 + 42 + 5, RichSurfaceSize(p, wrapped, 13, 0, false).Width) << "the widest line and both margins";
    EXPECT_EQ(5 + 42 + 5 + 7, RichSurfaceSize(p, wrapped, 13, 0, true).Width) << "and the shadow";
    p.Align = TvyRichAlign::Center;
    EXPECT_EQ(200, RichSurfaceSize(p, wrapped, 13, 0, false).Width) << "centred: the control's width";
}

TEST(RichLayoutTest, LongTextsNeedFewMeasurements)
{
    std::string caption;
    for (int i = 0; i < 2000; ++i) caption += (i % 7 == 0) ? "[b]word[] " : "word ";
    TFakeMeasurer m;
    TvyRichLayoutParams p;
    p.Width = 300;
    p.WordWrap = true;
    const TvyRichLayout layout = LayoutRichText(caption, p, m);
    EXPECT_GT(layout.Lines.size(), 100u);
    // Measuring every candidate of every line would take hundreds of thousands of calls.
    EXPECT_LT(m.Calls, 40 * static_cast<int>(layout.Lines.size())) << "measurements for " << layout.Lines.size() << " lines";
}

// Cases sharpened against a mutation run of vyRichLabelText.cpp.
TEST(RichLayoutTest, OnlyTrailingBlanksAndControlCharactersAreCut)
{
    // Margin 2, 6 pixels a character: codes up to 32 go at the end, DEL and codes past 127
    // (negative in a char) stay, and so do leading ones.
    const std::pair<const char*, int> lines[] = {{"ab \t\r\x01\x1f", 2 + 12}, {"\x01" "ab", 2 + 18},
                                                 {"ab!", 2 + 18}, {"ab\x7f", 2 + 18}, {"ab\xe9", 2 + 18}, {" \t", 2}};
    for (auto [line, width] : lines) {
        TFakeMeasurer m;
        TvyMarkupFont font;
        EXPECT_EQ(width, MeasureMarkupLine(line, {}, {}, font, 2, m)) << "line \"" << line << "\"";
    }
    EXPECT_EQ((std::vector<std::string_view>{"", "x"}), SplitCaptionLines("\r\nx")) << "a CR LF at the very start";
    EXPECT_FALSE(MarkupColor("BED").has_value()) << "every letter counts, the first too";
    // 2,000 words of 4 letters, about 250 a line: a search that galloped and bisected needs some
    // 2 log2(250) + 2 = 18 measurements a line, one trying every break point hundreds.
    std::string caption;
    for (int i = 0; i < 2000; ++i) caption += "word ";
    TFakeMeasurer m;
    TvyRichLayoutParams p;
    p.Width = 7500;
    p.WordWrap = true;
    const TvyRichLayout layout = LayoutRichText(caption, p, m);
    ASSERT_EQ(8u, layout.Lines.size()) << "250 words of 30 pixels a line";
    EXPECT_LT(m.Calls, 30 * 8) << "measurements";
}

} // namespace
