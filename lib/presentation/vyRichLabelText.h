// lib/presentation/vyRichLabelText.h
// The rich label's text decisions: the bracketed markup (style letters, sixteen colour
// names, DEF/DEFAULT, the empty tag), cutting a caption into lines, greedy word wrap against
// measured widths, where each line starts and how large the drawing surface is.
// Portable (no <windows.h>): captions come from outside (the upgrade information file), so
// this is unit-tested and fuzzed natively; the control measures and draws through it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Style bits as the framework's font styles: bold, italic, underline, strike-out.
inline constexpr unsigned vyStyleBold = 1u << 0;
inline constexpr unsigned vyStyleItalic = 1u << 1;
inline constexpr unsigned vyStyleUnderline = 1u << 2;
inline constexpr unsigned vyStyleStrikeOut = 1u << 3;

// What the tags have made of the working font so far.
struct TvyMarkupFont {
    unsigned Style = 0;
    int Color = 0; // a Windows colour value, red in the low byte
    bool operator==(const TvyMarkupFont&) const = default;
};

struct TvyMarkupSyntax {
    char TagOpen = '[';
    char TagClose = ']';
    bool PlainText = false; // tags are shown as they are written
};

// The colour a tag name sets ("RED", compared without regard to case), if it names one.
std::optional<int> MarkupColor(std::string_view name);

// Applies one tag (its name as written between the brackets) to font: DEF or DEFAULT go
// back to base, a colour name sets the colour, anything else sets the style from the
// letters B, I, U and S it holds (none: plain).
void ApplyMarkupTag(std::string_view name, const TvyMarkupFont& base, TvyMarkupFont& font);

// One piece of visible text and the font it is shown in.
using TvyMarkupSegmentFn = std::function<void(std::string_view text, const TvyMarkupFont& font)>;

// Hands the visible segments of one line to segment, in order, with the font in force for
// each (empty segments are skipped), and leaves font as the line's tags left it. Malformed
// markup is shown, never refused: see the .cpp.
void ScanMarkupLine(std::string_view line, const TvyMarkupSyntax& syntax, const TvyMarkupFont& base,
                    TvyMarkupFont& font, const TvyMarkupSegmentFn& segment);

// Measures text for the layout: the pixel width of text in the label's font with style.
class TvyTextMeasurer {
public:
    virtual ~TvyTextMeasurer() = default;
    virtual int TextWidth(std::string_view text, unsigned style) = 0;
};

// marginHorz plus the width of the line's visible segments, after trailing blanks and
// control characters are cut off; font moves on over the line's tags.
int MeasureMarkupLine(std::string_view line, const TvyMarkupSyntax& syntax, const TvyMarkupFont& base,
                      TvyMarkupFont& font, int marginHorz, TvyTextMeasurer& measurer);

// The caption cut at line feeds (a CR LF pair is one separator, a lone CR is text); the
// remainder after the last one is a line even when empty.
std::vector<std::string_view> SplitCaptionLines(std::string_view caption);

enum class TvyRichAlign { Left, Right, Center };

struct TvyRichLayoutParams {
    int Width = 0;           // the control's width
    int MarginHorz = 0;
    bool WordWrap = false;
    TvyRichAlign Align = TvyRichAlign::Left;
    TvyMarkupSyntax Syntax;
    TvyMarkupFont Base;      // the label's own font
};

struct TvyRichLine {
    std::string Text;
    int Width = -1;          // measured width (with marginHorz once); -1 when not needed
};

struct TvyRichLayout {
    std::vector<TvyRichLine> Lines;
    int Widest = 0;          // the widest line that fitted while wrapping (with marginHorz)
};

// Lines in display order. With WordWrap each line is cut greedily at spaces so that its
// measured width stays within Width - MarginHorz; a word that cannot fit stands alone.
// Every candidate is measured from the font its line starts in, so that what decides a
// break is what is drawn. Widths are kept when the alignment needs them.
TvyRichLayout LayoutRichText(std::string_view caption, const TvyRichLayoutParams& params, TvyTextMeasurer& measurer);

// Where a line's first segment starts.
int RichLineX(TvyRichAlign align, int controlWidth, int marginHorz, int lineWidth);

struct TvyRichSurfaceSize {
    int Width = 0;
    int Height = 0;
};

// The drawing surface: the control's width, or with word wrap and left alignment just the
// widest line plus the margin (and the shadow); the lines plus both vertical margins (and
// the shadow) high.
TvyRichSurfaceSize RichSurfaceSize(const TvyRichLayoutParams& params, const TvyRichLayout& layout, int lineHeight,
                                   int marginVert, bool shadow);
