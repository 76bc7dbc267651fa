// fuzz/vyRichLabelTextFuzz.cpp
// Rich label captions come from the upgrade information file. Whatever the text, the markup
// scan and the layout must stay inside it, lose none of it (the lines put together are the
// caption without its line separators), and keep each line's width equal to the line
// measured in the font it is drawn in; a line that was not cut where it overflowed fits.
#include "lib/presentation/vyRichLabelText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Some characters are zero pixels wide, as a font may make them; bold and italic widen.
class TMeasurer : public TvyTextMeasurer {
public:
    int TextWidth(std::string_view text, unsigned style) override
    {
        int w = 0;
        for (char c : text) w += static_cast<unsigned char>(c) % 7 + ((style & vyStyleBold) ? 2 : 0) + ((style & vyStyleItalic) ? 1 : 0);
        return w;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 5) return 0;
    TvyRichLayoutParams p;
    p.Syntax.PlainText = (data[0] & 1) != 0;
    p.WordWrap = (data[0] & 2) != 0;
    p.Align = static_cast<TvyRichAlign>((data[0] >> 2) % 3);
    // Mostly the usual brackets, sometimes any characters, sometimes one for both.
    p.Syntax.TagOpen = (data[1] & 0x80) ? static_cast<char>(data[1] & 0x7F) : '[';
    p.Syntax.TagClose = (data[2] & 0x80) ? static_cast<char>(data[2] & 0x7F) : ']';
    p.Width = data[3];
    p.MarginHorz = data[4] % 32;
    p.Base = {0, 0x123456};
    // An exact-size copy: any read past the end is a heap overflow the sanitizer reports.
    const std::vector<char> bytes(data + 5, data + size);
    const std::string_view caption(bytes.data(), bytes.size());

    TMeasurer m;
    const TvyRichLayout layout = LayoutRichText(caption, p, m);

    std::string joined, lines;
    for (std::string_view piece : SplitCaptionLines(caption)) joined += piece;
    TvyMarkupFont font = p.Base;
    for (const TvyRichLine& line : layout.Lines) {
        lines += line.Text;
        TvyMarkupFont probe = font;
        const int w = MeasureMarkupLine(line.Text, p.Syntax, p.Base, probe, p.MarginHorz, m);
        if (line.Width >= 0 && line.Width != w) __builtin_trap();
        if (p.WordWrap && line.Width < 0) __builtin_trap();
        size_t visible = 0;
        ScanMarkupLine(line.Text, p.Syntax, p.Base, font, [&](std::string_view text, const TvyMarkupFont&) {
            visible += text.size();
        });
        if (visible > line.Text.size()) __builtin_trap();
        RichLineX(p.Align, p.Width, p.MarginHorz, w);
    }
    if (lines != joined) __builtin_trap();
    if (layout.Widest > p.Width - p.MarginHorz && layout.Widest > 0) __builtin_trap();
    RichSurfaceSize(p, layout, 13, 2, true);
    return 0;
}
