// lib/presentation/vyRichLabelText.cpp
#include "vyRichLabelText.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view a, std::string_view upper)
{
    if (a.size() != upper.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != upper[i]) return false;
    return true;
}

struct TNamedColor {
    std::string_view Name;
    int Color;
};

constexpr int Rgb(int r, int g, int b)
{
    return r + 256 * g + 65536 * b;
}

// Compared in this order; the first equal name wins.
constexpr std::array<TNamedColor, 16> NamedColors{{
    {"BLACK", Rgb(0, 0, 0)},       {"MAROON", Rgb(128, 0, 0)},   {"GREEN", Rgb(0, 128, 0)},
    {"OLIVE", Rgb(128, 128, 0)},   {"NAVY", Rgb(0, 0, 128)},     {"PURPLE", Rgb(128, 0, 128)},
    {"TEAL", Rgb(0, 128, 128)},    {"GRAY", Rgb(128, 128, 128)}, {"SILVER", Rgb(192, 192, 192)},
    {"RED", Rgb(255, 0, 0)},       {"LIME", Rgb(0, 255, 0)},     {"YELLOW", Rgb(255, 255, 0)},
    {"BLUE", Rgb(0, 0, 255)},      {"FUCHSIA", Rgb(255, 0, 255)}, {"AQUA", Rgb(0, 255, 255)},
    {"WHITE", Rgb(255, 255, 255)},
}};

// Blanks and control characters: everything up to the space in code order.
bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view TrimRight(std::string_view s)
{
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The scan of one line. A tag is a TagOpen with a TagClose after it; text before it is one
// segment. When the next TagClose comes before the next TagOpen, every TagOpen left on the
// line is dropped (each would be deleted in turn with the stray closer still ahead of it),
// and the rest is shown as it stands, closers and names included. Without a TagOpen or a
// TagClose ahead, the rest is plain text, brackets and all.
template <class Emit>
void Scan(std::string_view line, const TvyMarkupSyntax& syntax, const TvyMarkupFont& base, TvyMarkupFont& font,
          Emit&& emit)
{
    if (syntax.PlainText) {
        emit(line, font);
        return;
    }
    size_t pos = 0;
    for (;;) {
        const size_t open = line.find(syntax.TagOpen, pos);
        const size_t close = line.find(syntax.TagClose, pos);
        if (open == std::string_view::npos || close == std::string_view::npos) {
            emit(line.substr(pos), font);
            return;
        }
        if (close < open) {
            std::string rest;
            rest.reserve(line.size() - pos);
            for (char c : line.substr(pos))
                if (c != syntax.TagOpen) rest += c;
            emit(std::string_view(rest), font);
            return;
        }
        emit(line.substr(pos, open - pos), font);
        // With TagOpen equal to TagClose both finds meet: the tag is empty.
        const std::string_view name = close > open ? line.substr(open + 1, close - open - 1) : std::string_view();
        ApplyMarkupTag(name, base, font);
        pos = close + 1;
    }
}

class TWrapper {
public:
    TWrapper(const TvyRichLayoutParams& params, TvyTextMeasurer& measurer, TvyRichLayout& out)
        : FParams(params), FMeasurer(measurer), FOut(out)
    {
    }

    void AddPiece(std::string_view piece)
    {
        if (!FParams.WordWrap) {
            Append(piece, FParams.Align != TvyRichAlign::Left ? Measure(piece) : -1);
            return;
        }
        std::string_view rest = piece;
        for (;;) {
            const size_t chosen = Choose(rest);
            Append(rest.substr(0, chosen), FChosenWidth);
            if (chosen >= rest.size()) return;
            rest.remove_prefix(chosen);
        }
    }

private:
    // The width of line measured from the font its line starts in.
    int Measure(std::string_view line)
    {
        TvyMarkupFont font = FFont;
        return MeasureMarkupLine(line, FParams.Syntax, FParams.Base, font, FParams.MarginHorz, FMeasurer);
    }

    bool Fits(int width) const { return width <= FParams.Width - FParams.MarginHorz; }

    // The candidates of rest are its whole length and every break point: a space at a
    // 1-based position from 2 to length - 1, the space kept at the candidate's end. Taken
    // longest first, the first that fits is the line; none fitting, the shortest stands
    // alone. Measuring them all from the longest down costs a measurement of the whole rest
    // per word, so the search uses what makes widths grow with the candidate:
    // - a candidate that does not end inside a tag (see FindTags) is never wider than a
    //   longer one, so among those the fitting ones come first: gallop and bisect for the
    //   first that does not fit; nothing longer fits either;
    // - below it, those outside tags all fit; a run of candidates ending inside one tag shows
    //   its text plainly from the same point, so widths grow within the run: bisect it.
    size_t Choose(std::string_view rest)
    {
        FBreaks.clear();
        FScanned = 1;
        FindTags(rest);
        FOutside.clear();
        FNext = 0;
        FExhausted = false;

        long long fit = -1, noFit = -1; // positions in FOutside known to fit / not to
        for (long long k = 0, step = 1;; k += step, step *= 2) {
            if (!Outside(rest, k)) {
                if (FOutside.empty() || fit == static_cast<long long>(FOutside.size()) - 1) break;
                k = static_cast<long long>(FOutside.size()) - 1;
            }
            if (Fits(Measure(Take(rest, FOutside[static_cast<size_t>(k)])))) {
                fit = k;
            } else {
                noFit = k;
                break;
            }
        }
        while (noFit >= 0 && noFit - fit > 1) {
            const long long mid = fit + (noFit - fit) / 2;
            (Fits(Measure(Take(rest, FOutside[static_cast<size_t>(mid)]))) ? fit : noFit) = mid;
        }

        long long i;
        if (noFit >= 0) {
            i = static_cast<long long>(FOutside[static_cast<size_t>(noFit)]) - 1;
        } else {
            while (!FExhausted) Outside(rest, static_cast<long long>(FOutside.size()));
            i = static_cast<long long>(FNext);
        }
        while (i >= 0) {
            const size_t length = Candidate(rest, static_cast<size_t>(i));
            const int tag = TagAt(Shown(rest, length));
            if (tag < 0) return Chosen(length, Measure(rest.substr(0, length)));
            // The run of candidates that end inside this tag, down to its first.
            const long long first = FirstShowing(rest, i, FTags[static_cast<size_t>(tag)].first);
            long long lo = first - 1, hi = i + 1; // lo fits (or is before the run), hi does not
            int loWidth = 0;
            while (hi - lo > 1) {
                const long long mid = lo + (hi - lo + 1) / 2;
                const int w = Measure(Take(rest, static_cast<size_t>(mid)));
                if (Fits(w)) {
                    lo = mid;
                    loWidth = w;
                } else {
                    hi = mid;
                }
            }
            if (lo >= first) return Chosen(Candidate(rest, static_cast<size_t>(lo)), loWidth);
            i = first - 1;
        }
        // Not even the shortest fits: it overflows on a line of its own.
        const size_t shortest = Candidate(rest, 0);
        FChosenWidth = Measure(rest.substr(0, shortest));
        return shortest;
    }

    size_t Chosen(size_t length, int width)
    {
        FChosenWidth = width;
        FOut.Widest = std::max(FOut.Widest, width);
        return length;
    }

    std::string_view Take(std::string_view rest, size_t index) { return rest.substr(0, Candidate(rest, index)); }

    // Makes the k-th candidate that does not end inside a tag known (its index in
    // FOutside); false when there are fewer.
    bool Outside(std::string_view rest, long long k)
    {
        while (static_cast<long long>(FOutside.size()) <= k && !FExhausted) {
            const size_t length = Candidate(rest, FNext);
            if (TagAt(Shown(rest, length)) < 0) FOutside.push_back(FNext);
            if (length == rest.size())
                FExhausted = true;
            else
                ++FNext;
        }
        return static_cast<long long>(FOutside.size()) > k;
    }

    // The tags of rest as its own scan finds them, each as the candidate lengths that end
    // inside it: after its TagOpen, up to and including its TagClose's position. A
    // candidate ending there shows that tag's text plainly, which a longer one hides; an
    // opener never closed on the line reaches to the end.
    void FindTags(std::string_view rest)
    {
        FTags.clear();
        if (FParams.Syntax.PlainText) return;
        size_t pos = 0;
        for (;;) {
            const size_t open = rest.find(FParams.Syntax.TagOpen, pos);
            const size_t close = rest.find(FParams.Syntax.TagClose, pos);
            if (open == std::string_view::npos) return;
            if (close == std::string_view::npos) {
                FTags.emplace_back(open + 1, SIZE_MAX);
                return;
            }
            if (close < open) return;
            if (close > open) FTags.emplace_back(open + 1, close);
            pos = close + 1;
        }
    }

    // How much of a candidate is measured: trailing blanks are cut first. Where a tag
    // character is itself a blank, the cut can end a candidate before the closer of its last
    // tag (showing the tag's text) or before its opener, so a candidate counts as ending
    // where its measured text does.
    static size_t Shown(std::string_view rest, size_t length) { return TrimRight(rest.substr(0, length)).size(); }

    // The first of the candidates 0 to last whose measured text reaches at least `from`
    // (the last one does); measured lengths never shrink as candidates grow.
    long long FirstShowing(std::string_view rest, long long last, size_t from)
    {
        long long lo = -1, hi = last;
        while (hi - lo > 1) {
            const long long mid = lo + (hi - lo) / 2;
            (Shown(rest, Candidate(rest, static_cast<size_t>(mid))) >= from ? hi : lo) = mid;
        }
        return hi;
    }

    // The tag a candidate whose measured text has that length ends inside, or -1.
    int TagAt(size_t length) const
    {
        auto it = std::upper_bound(FTags.begin(), FTags.end(), length,
                                   [](size_t l, const std::pair<size_t, size_t>& t) { return l < t.first; });
        if (it == FTags.begin()) return -1;
        --it;
        return length <= it->second ? static_cast<int>(it - FTags.begin()) : -1;
    }

    // The length of candidate i, shortest first; any i past the break points is the whole.
    // Break points are found as far as they are asked for.
    size_t Candidate(std::string_view rest, size_t i)
    {
        while (FBreaks.size() <= i && FScanned + 1 < rest.size()) {
            if (rest[FScanned] == ' ') FBreaks.push_back(FScanned + 1);
            ++FScanned;
        }
        return i < FBreaks.size() ? FBreaks[i] : rest.size();
    }

    void Append(std::string_view line, int width)
    {
        FOut.Lines.push_back({std::string(line), width});
        // The next line starts in the font this one ends in, as drawing finds it.
        Scan(line, FParams.Syntax, FParams.Base, FFont, [](std::string_view, const TvyMarkupFont&) {});
    }

    const TvyRichLayoutParams& FParams;
    TvyTextMeasurer& FMeasurer;
    TvyRichLayout& FOut;
    TvyMarkupFont FFont{FParams.Base};
    std::vector<size_t> FBreaks;     // break-point candidate lengths found so far
    size_t FScanned = 1;
    std::vector<std::pair<size_t, size_t>> FTags;
    std::vector<size_t> FOutside;    // indices of candidates outside every tag, ascending
    size_t FNext = 0;                // the next candidate index Outside looks at
    bool FExhausted = false;
    int FChosenWidth = -1;
};

} // namespace

std::optional<int> MarkupColor(std::string_view name)
{
    for (const TNamedColor& c : NamedColors)
        if (SameName(name, c.Name)) return c.Color;
    return std::nullopt;
}

void ApplyMarkupTag(std::string_view name, const TvyMarkupFont& base, TvyMarkupFont& font)
{
    if (SameName(name, "DEF") || SameName(name, "DEFAULT")) {
        font = base;
        return;
    }
    if (const auto color = MarkupColor(name)) {
        font.Color = *color;
        return;
    }
    font.Style = 0;
    for (char c : name) {
        switch (Upper(c)) {
        case 'B': font.Style |= vyStyleBold; break;
        case 'I': font.Style |= vyStyleItalic; break;
        case 'U': font.Style |= vyStyleUnderline; break;
        case 'S': font.Style |= vyStyleStrikeOut; break;
        default: break;
        }
    }
}

void ScanMarkupLine(std::string_view line, const TvyMarkupSyntax& syntax, const TvyMarkupFont& base,
                    TvyMarkupFont& font, const TvyMarkupSegmentFn& segment)
{
    Scan(line, syntax, base, font, [&](std::string_view text, const TvyMarkupFont& f) {
        if (!text.empty()) segment(text, f);
    });
}

int MeasureMarkupLine(std::string_view line, const TvyMarkupSyntax& syntax, const TvyMarkupFont& base,
                      TvyMarkupFont& font, int marginHorz, TvyTextMeasurer& measurer)
{
    int width = marginHorz;
    Scan(TrimRight(line), syntax, base, font, [&](std::string_view text, const TvyMarkupFont& f) {
        if (!text.empty()) width += measurer.TextWidth(text, f.Style);
    });
    return width;
}

std::vector<std::string_view> SplitCaptionLines(std::string_view caption)
{
    std::vector<std::string_view> lines;
    for (;;) {
        const size_t lf = caption.find('\n');
        if (lf == std::string_view::npos) {
            lines.push_back(caption);
            return lines;
        }
        const size_t end = lf > 0 && caption[lf - 1] == '\r' ? lf - 1 : lf;
        lines.push_back(caption.substr(0, end));
        caption.remove_prefix(lf + 1);
    }
}

TvyRichLayout LayoutRichText(std::string_view caption, const TvyRichLayoutParams& params, TvyTextMeasurer& measurer)
{
    TvyRichLayout layout;
    TWrapper wrapper(params, measurer, layout);
    for (std::string_view piece : SplitCaptionLines(caption)) wrapper.AddPiece(piece);
    return layout;
}

int RichLineX(TvyRichAlign align, int controlWidth, int marginHorz, int lineWidth)
{
    switch (align) {
    case TvyRichAlign::Left: return marginHorz;
    case TvyRichAlign::Right: return controlWidth - marginHorz - lineWidth;
    case TvyRichAlign::Center: {
        const int room = controlWidth - marginHorz - lineWidth;
        return room >= 0 ? room / 2 : -((1 - room) / 2); // half, rounded down
    }
    }
    return marginHorz;
}

TvyRichSurfaceSize RichSurfaceSize(const TvyRichLayoutParams& params, const TvyRichLayout& layout, int lineHeight,
                                   int marginVert, bool shadow)
{
    TvyRichSurfaceSize size;
    if (params.WordWrap && params.Align == TvyRichAlign::Left)
        size.Width = layout.Widest + params.MarginHorz + (shadow ? 7 : 0);
    else
        size.Width = params.Width;
    size.Height = static_cast<int>(layout.Lines.size()) * lineHeight + 2 * marginVert + (shadow ? 8 : 0);
    return size;
}
