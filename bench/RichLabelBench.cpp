// bench/RichLabelBench.cpp
// A rich label of 10,000 characters with markup, word-wrapped: the cost of laying it out
// (every measurement through GDI) and of a whole paint, beside the system's own word-wrapping
// DrawText of the same plain text into the same width, and against the program's 50 ms tick.
// Runs under Wine from the Windows build.
#include <windows.h>

#include <cstdio>
#include <string>

#include "BenchTiming.h"
#include "Forms.h"
#include "vyRichLabel.h"

namespace {

// Words of varied length with a tag every few words, a colour now and then, and paragraphs.
std::string Caption(size_t length, bool markup)
{
    static const char* const words[] = {"Tallyglass", "shows", "how", "much", "of", "the", "system", "resources",
                                        "is", "free,", "as", "three", "bar", "gauges", "in", "its", "window."};
    std::string s;
    for (size_t i = 0; s.size() < length; ++i) {
        const std::string word = words[i % (sizeof words / sizeof *words)];
        if (markup && i % 7 == 3)
            s += "[b]" + word + "[]";
        else if (markup && i % 11 == 5)
            s += "[navy]" + word + "[DEF]";
        else
            s += word;
        s += i % 60 == 59 ? "\n" : " ";
    }
    s.resize(length);
    return s;
}

template <class F>
double Milliseconds(F&& f)
{
    return BestSecondsPerCall(f, 0.3) * 1000.0;
}

volatile size_t gSink = 0;

} // namespace

int main()
{
    InitFramework();
    {
        TOwnedPtr<TForm> form(new TForm(nullptr));
        form->SetBounds(0, 0, 400, 300);
        auto* label = new TvyRichLabel(form.get());
        label->SetParent(form.get());
        label->SetBounds(0, 0, 360, 20);
        label->SetWordWrap(true);
        label->SetAutoHeight(false);
        const std::string text = Caption(10000, true);
        label->SetCaption(text);

        const TvyRichLayout layout = label->Layout();
        const double layoutMs = Milliseconds([&] { gSink = gSink + label->Layout().Lines.size(); });

        // The whole paint: layout, surface, drawing, copy, onto a memory context.
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP target = CreateCompatibleBitmap(screen, 360, 2000);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, target);
        const double paintMs = Milliseconds([&] { label->PaintTo(dc); });

        // The system's word wrap of the same text without markup, into the same width.
        const std::string plain = Caption(10000, false);
        TFont font;
        font.Assign(*label->Font());
        HGDIOBJ oldFont = SelectObject(dc, font.Handle());
        const double drawTextMs = Milliseconds([&] {
            RECT r{0, 0, 360, 0};
            DrawTextA(dc, plain.c_str(), static_cast<int>(plain.size()), &r, DT_WORDBREAK | DT_CALCRECT);
            gSink = gSink + static_cast<size_t>(r.bottom);
        });
        SelectObject(dc, oldFont);
        SelectObject(dc, old);
        DeleteObject(target);
        DeleteDC(dc);

        std::printf("Rich label, %zu characters with markup, 360 pixels wide: %zu lines\n", text.size(),
                    layout.Lines.size());
        std::printf("%-34s %10s %12s\n", "", "ms", "of a 50 ms tick");
        std::printf("%-34s %10.2f %11.1f%%\n", "layout (markup, wrap, GDI widths)", layoutMs, layoutMs * 2);
        std::printf("%-34s %10.2f %11.1f%%\n", "whole paint", paintMs, paintMs * 2);
        std::printf("%-34s %10.2f %11.1f%%\n", "DrawText word wrap, plain text", drawTextMs, drawTextMs * 2);
    }
    DoneFramework();
    return 0;
}
