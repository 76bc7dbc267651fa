// tests/win/vyLabelsTest.cpp
// Labels with effects on shown forms: the embossed look over a gradient read back from the
// screen pixel by pixel, hover and press under the real mouse (enter and leave notices of
// the framework), link targets through the platform seam, blinking, and stored forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FormReader.h"
#include "Forms.h"
#include "Pictures.h"
#include "TitleBar.h"
#include "WinTest.h"
#include "vyCursors.h"
#include "vyFormBackground.h"
#include "vyLabels.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

class LabelsTest : public TCatchingTest {
protected:
    void SetUp() override
    {
        TCatchingTest::SetUp();
        TestPlatform().ShellCalls.clear();
        form.reset(new TForm(nullptr));
        form->SetBounds(60, 60, 360, 220);
        form->SetColor(clWhite);
    }
    void TearDown() override
    {
        form.reset();
        TCatchingTest::TearDown();
    }
    void ShowForm()
    {
        form->Show();
        SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(form->Handle());
        PumpQueued();
    }
    template <class T>
    T* Add(int left, int top, const std::string& caption)
    {
        auto* label = new T(form.get());
        label->SetParent(form.get());
        label->SetLeft(left);
        label->SetTop(top);
        label->SetCaption(caption);
        return label;
    }
    // The label's rectangle of the form as the screen shows it once shows() holds, or as it
    // is at the deadline: what a window draws reaches the screen asynchronously.
    std::unique_ptr<TDibTarget> Picture(TControl* label, const std::function<bool(const TDibTarget&)>& shows)
    {
        std::unique_ptr<TDibTarget> out;
        PumpUntil(
            [&] {
                auto client = ClientPicture(form->Handle());
                out = std::make_unique<TDibTarget>(label->Width(), label->Height(), RGB(1, 2, 3));
                for (int y = 0; y < label->Height(); ++y)
                    for (int x = 0; x < label->Width(); ++x)
                        SetPixel(out->DC(), x, y, client->Pixel(label->Left() + x, label->Top() + y));
                return shows(*out);
            },
            2000);
        return out;
    }
    POINT ScreenCentre(TControl* c) const { return c->ClientToScreen(POINT{c->Width() / 2, c->Height() / 2}); }
    TOwnedPtr<TForm> form;
};

// Where the label's own text lands: the caption drawn black on white with the label's font
// and the flags its settings call for, given by the test, independently of the label.
std::vector<bool> TextMask(TvyLabel* label, UINT flags)
{
    TDibTarget mask(label->Width(), label->Height(), kWhite);
    TFont font;
    font.Assign(*label->Font());
    HGDIOBJ old = SelectObject(mask.DC(), font.Handle());
    SetBkMode(mask.DC(), TRANSPARENT);
    SetTextColor(mask.DC(), RGB(0, 0, 0));
    RECT r{0, 0, label->Width(), label->Height()};
    std::string text = label->Caption();
    DrawTextExA(mask.DC(), text.data(), static_cast<int>(text.size()), &r, flags, nullptr);
    SelectObject(mask.DC(), old);
    std::vector<bool> m;
    for (int y = 0; y < mask.Height(); ++y)
        for (int x = 0; x < mask.Width(); ++x) m.push_back(mask.Pixel(x, y) != kWhite);
    return m;
}

int CountColour(const TDibTarget& t, COLORREF c)
{
    return t.CountOf(c);
}

TEST_F(LabelsTest, HighlightAndShadowOverAGradient)
{
    auto* bg = new TvyFormBackground(form.get());
    bg->SetKind(TvyBackgroundKind::bkGradient);
    bg->SetGradientColor1(clBlue);
    bg->SetGradientColor2(clYellow);
    bg->SetGradientDirection(TvyGradientDirection::gdHorizontal);
    // The accelerator and the tab show whether the label draws with prefixes and expanded tabs.
    auto* label = Add<TvyLabel>(20, 30, "Tally&glass\t3-D");
    label->Font()->SetHeight(-24);
    label->Font()->SetStyle(FontStyleBit(TFontStyle::fsBold));
    label->Font()->SetColor(clBlack);
    label->SetTransparent(true);
    ShowForm();
    EXPECT_TRUE(label->Highlight()->Enabled() && label->Shadow()->Enabled()) << "both copies by default";

    const auto mask = TextMask(label, DT_EXPANDTABS); // left-aligned, one line, accelerators shown
    RECT client;
    GetClientRect(form->Handle(), &client);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHTTEXT), shadow = GetSysColor(COLOR_GRAYTEXT);
    const int w = label->Width(), h = label->Height();
    auto in = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && mask[static_cast<size_t>(y * w + x)]; };
    // Drawn in order shadow (down-right), highlight (up-left), text: the last wins.
    auto expected = [&](int x, int y) {
        if (in(x, y)) return RGB(0, 0, 0);
        if (in(x + 1, y + 1)) return highlight;
        if (in(x - 1, y - 1)) return shadow;
        return Band(0xFF0000, 0x00FFFF, BandAt(label->Left() + x, client.right), 255);
    };
    int texts = 0, highlights = 0, shadows = 0, background = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF e = expected(x, y);
            ++(e == RGB(0, 0, 0) ? texts : e == highlight ? highlights : e == shadow ? shadows : background);
        }
    EXPECT_GT(texts, 50);
    EXPECT_GT(highlights, 20);
    EXPECT_GT(shadows, 20);
    EXPECT_GT(background, texts) << "the gradient shows through the transparent label";

    const auto shot = Picture(label, [&](const TDibTarget& t) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (t.Pixel(x, y) != expected(x, y)) return false;
        return true;
    });
    shot->SavePng("vyLabel-embossed.png");
    ExpectPixels(*shot, expected, "embossed label over the gradient (vyLabel-embossed.png)");
}

TEST_F(LabelsTest, HoverAndPressUnderTheRealMouse)
{
    InitCursorSet();
    std::vector<std::string> events;
    auto* a = Add<TvyLabel>(20, 20, "First label");
    auto* link = Add<TvyURLLabel>(20, 60, "www.example.org");
    link->SetURLInNewWindow(false);
    link->SetCursorClick(crHand);
    for (auto* l : {static_cast<TvyBaseLabel*>(a), static_cast<TvyBaseLabel*>(link)}) {
        const std::string name = l == a ? "A" : "link";
        l->OnMouseEnter = [&events, name](TObject*) { events.push_back(name + " enter"); };
        l->OnMouseLeave = [&events, name](TObject*) { events.push_back(name + " leave"); };
    }
    link->OnClick = [&](TObject*) {
        events.push_back("click, " + std::to_string(TestPlatform().ShellCalls.size()) + " shell calls");
    };
    ASSERT_TRUE(MoveMouseTo(POINT{5, 700}));
    ShowForm();
    const COLORREF blue = RGB(0, 0, 255), red = RGB(255, 0, 0);
    // Blue and red pixels of the link once the screen shows the expected one of them.
    auto colours = [&](COLORREF showing) {
        const auto p = Picture(link, [&](const TDibTarget& t) {
            return CountColour(t, showing) > 20 && CountColour(t, showing == red ? blue : red) == 0;
        });
        return std::pair{CountColour(*p, blue), CountColour(*p, red)};
    };
    const auto normal = colours(blue);
    EXPECT_GT(normal.first, 20) << "blue, underlined";
    EXPECT_EQ(0, normal.second);

    const POINT overA = ScreenCentre(a), overLink = ScreenCentre(link);
    ASSERT_TRUE(MoveMouseTo(overA, [&] { return a->Hovered(); })) << "the mouse came over the first label";
    ASSERT_TRUE(MoveMouseTo(overLink, [&] { return link->Hovered(); })) << "the mouse came over the link";
    EXPECT_FALSE(a->Hovered());
    const auto hovered = colours(red);
    EXPECT_EQ(0, hovered.first) << "repainted at once while hovered";
    EXPECT_GT(hovered.second, 20) << "red while hovered";
    EXPECT_EQ(normal.second + normal.first, hovered.first + hovered.second) << "same text, same underline";

    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return link->Pressed(); }, 3000));
    EXPECT_EQ(Screen->Cursors(crHand), GetCursor()) << "the click cursor at once";
    EXPECT_GT(colours(red).second, 20) << "the click font is not used: no repaint, still red";
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !link->Pressed(); }, 3000));
    ASSERT_EQ(1u, TestPlatform().ShellCalls.size()) << "the click opened the address";
    EXPECT_EQ("http://www.example.org", TestPlatform().ShellCalls[0].File.value_or("(none)"));
    EXPECT_EQ("open", TestPlatform().ShellCalls[0].Verb.value_or("(none)"));

    // Out of the window: the window itself says the mouse has gone.
    ASSERT_TRUE(MoveMouseTo(POINT{5, 700}, [&] { return !link->Hovered(); })) << "the mouse left the window";
    EXPECT_EQ(0, colours(blue).second) << "blue again";
    // X may echo a pointer warp late, so the mouse can pass over the first label again on its
    // way: what must hold is that enters and leaves pair up, one label at a time, and that
    // the click came while over the link, before its target opened.
    std::string over;
    for (const std::string& e : events) {
        if (e.ends_with(" enter")) {
            EXPECT_EQ("", over) << "entered while over " << over;
            over = e.substr(0, e.size() - 6);
        } else if (e.ends_with(" leave")) {
            EXPECT_EQ(e.substr(0, e.size() - 6), over) << "left without being over it";
            over.clear();
        } else {
            EXPECT_EQ("link", over) << e;
        }
    }
    EXPECT_EQ("", over) << "the mouse is out of the window";
    const auto click = std::find(events.begin(), events.end(), "click, 0 shell calls");
    ASSERT_TRUE(click != events.end() && click != events.begin() && click + 1 != events.end());
    EXPECT_EQ((std::vector<std::string>{"A enter", "A leave"}), std::vector<std::string>(events.begin(), events.begin() + 2));
    EXPECT_EQ((std::vector<std::string>{"link enter", "click, 0 shell calls", "link leave"}),
              std::vector<std::string>(click - 1, click + 2));
}

TEST_F(LabelsTest, LinksOpenTheirTargetsThroughTheShell)
{
    struct TCase {
        TvyURLLabelKind Kind;
        const char* Caption;
        const char* URL;
        const char* Address;
        const char* Name;
        const char* Expected;
    };
    const TCase cases[] = {
        {TvyURLLabelKind::ukWWW, "www.example.org", "", "", "", "http://www.example.org"},
        {TvyURLLabelKind::ukWWW, "Home page", "https://example.org/tg", "", "", "https://example.org/tg"},
        {TvyURLLabelKind::ukEmail, "support@example.org", "", "", "",
         "mailto:support@example.org?Subject=Tallyglass&Body=Hello&CC=cc@example.org&BCC=bcc@example.org"},
        {TvyURLLabelKind::ukEmail, "Write to us", "", "team@example.org", "Team",
         "mailto:Team <team@example.org>?Subject=Tallyglass&Body=Hello&CC=cc@example.org&BCC=bcc@example.org"},
    };
    for (const TCase& c : cases) {
        TestPlatform().ShellCalls.clear();
        auto* link = Add<TvyURLLabel>(10, 10, c.Caption);
        link->SetKind(c.Kind);
        link->SetURL(c.URL);
        link->SetURLInNewWindow(false);
        link->Email()->SetAddress(c.Address);
        link->Email()->SetName(c.Name);
        link->Email()->SetSubject("Tallyglass");
        link->Email()->SetMessage("Hello");
        link->Email()->SetCarbonCopy("cc@example.org");
        link->Email()->SetBlindCarbonCopy("bcc@example.org");
        link->Click();
        ASSERT_EQ(1u, TestPlatform().ShellCalls.size()) << c.Caption;
        EXPECT_EQ(c.Expected, TestPlatform().ShellCalls[0].File.value_or("(none)")) << c.Caption;
        EXPECT_FALSE(TestPlatform().ShellCalls[0].Params.has_value()) << c.Caption;
        link->Free();
    }

    // In a new window: the browser for ".html" is started with the address, if there is one.
    TestPlatform().ShellCalls.clear();
    auto* link = Add<TvyURLLabel>(10, 10, "www.example.org");
    EXPECT_TRUE(link->URLInNewWindow());
    link->Click();
    ASSERT_EQ(1u, TestPlatform().ShellCalls.size());
    const auto& call = TestPlatform().ShellCalls[0];
    EXPECT_TRUE(call.File == std::optional<std::string>("http://www.example.org") ||
                call.Params == std::optional<std::string>("http://www.example.org"))
        << "file " << call.File.value_or("(none)") << ", parameters " << call.Params.value_or("(none)");
}

TEST_F(LabelsTest, BlinkingShowsAndHidesTheText)
{
    auto* label = Add<TvyLabel>(20, 20, "Blink");
    label->Font()->SetColor(clBlack);
    label->Highlight()->SetEnabled(false);
    label->Shadow()->SetEnabled(false);
    ShowForm();
    auto blacks = [&](const std::function<bool(int)>& shows) {
        return CountColour(*Picture(label, [&](const TDibTarget& t) { return shows(CountColour(t, RGB(0, 0, 0))); }),
                           RGB(0, 0, 0));
    };
    const int shown = blacks([](int n) { return n > 10; });
    ASSERT_GT(shown, 10);

    label->Blinking()->SetDelayVisible(60);
    label->Blinking()->SetDelayInvisible(400);
    label->Blinking()->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return !label->TextVisible(); }, 3000)) << "hidden after the visible phase";
    const DWORD hiddenAt = GetTickCount();
    EXPECT_EQ(0, blacks([](int n) { return n == 0; })) << "no text while hidden";
    ASSERT_TRUE(PumpUntil([&] { return label->TextVisible(); }, 3000)) << "shown again";
    // Timers fire late under load, never early; 100 ms allows for the tick count's steps.
    EXPECT_GE(GetTickCount() - hiddenAt, 300u) << "hidden for DelayInvisible (400 ms), not DelayVisible";
    ASSERT_TRUE(PumpUntil([&] { return !label->TextVisible(); }, 3000)) << "and hidden again: it keeps blinking";
    label->Blinking()->SetEnabled(false);
    EXPECT_TRUE(label->TextVisible()) << "switched off while hidden: shown at once";
    EXPECT_EQ(shown, blacks([&](int n) { return n == shown; }));
    label->Blinking()->SetDelayVisible(400);
    label->Blinking()->SetDelayInvisible(60);
    label->Blinking()->SetEnabled(true);
    const DWORD shownAt = GetTickCount();
    ASSERT_TRUE(PumpUntil([&] { return !label->TextVisible(); }, 3000));
    EXPECT_GE(GetTickCount() - shownAt, 300u) << "shown for DelayVisible (400 ms), not DelayInvisible";
    label->Blinking()->SetEnabled(false);

    // A delay of 0 or less stops blinking, even switched on.
    for (auto set : {&TvyLabelBlinking::SetDelayVisible, &TvyLabelBlinking::SetDelayInvisible}) {
        label->Blinking()->SetDelayVisible(60);
        label->Blinking()->SetDelayInvisible(60);
        label->Blinking()->SetEnabled(true);
        (label->Blinking()->*set)(0);
        EXPECT_TRUE(label->TextVisible());
        ASSERT_TRUE(PumpTicks(60, 3)); // longer than both delays: a running timer would have fired
        EXPECT_TRUE(label->TextVisible()) << "no timer runs";
        label->Blinking()->SetEnabled(false);
    }
    EXPECT_EQ(1, SendMessageA(label->Blinking()->Window(), WM_QUERYENDSESSION, 0, 0)) << "the session may end";
}

TEST_F(LabelsTest, PressedLabelsUseTheClickFont)
{
    auto* label = Add<TvyLabel>(20, 20, "Pressed");
    label->Font()->SetColor(clBlack);
    label->Highlight()->SetEnabled(false);
    label->Shadow()->SetEnabled(false);
    label->FontClick()->SetColor(clLime);
    label->FontClick()->SetUsed(true);
    ShowForm();
    auto count = [&](COLORREF c) {
        return CountColour(*Picture(label, [&](const TDibTarget& t) { return CountColour(t, c) > 10; }), c);
    };
    EXPECT_GT(count(RGB(0, 0, 0)), 10);
    label->SetPressed(true);
    EXPECT_GT(count(RGB(0, 255, 0)), 10) << "repainted at once in the click font's colour";
    label->SetPressed(false);
    EXPECT_GT(count(RGB(0, 0, 0)), 10) << "the label's own font again";
}

TEST_F(LabelsTest, AutoSizeWrapsAtTheLabelsWidth)
{
    auto* label = Add<TvyLabel>(10, 10, "System resources are free");
    const int oneLine = label->Height(), wide = label->Width();
    label->SetWordWrap(true);
    label->SetWidth(wide / 2);
    EXPECT_LE(label->Width(), wide / 2) << "keeps the width it is given, or less";
    EXPECT_GE(label->Height(), 2 * oneLine) << "and grows downwards";
    label->SetWidth(2 * wide);
    EXPECT_EQ(oneLine, label->Height()) << "room for all of it again: one line";
    label->SetWordWrap(false);
    label->SetCaption("System resources are free, all of them");
    EXPECT_EQ(oneLine, label->Height()) << "without wrap one long line";
    EXPECT_GT(label->Width(), wide);
}

TEST_F(LabelsTest, StoredFormsReadAndWriteTheSettings)
{
    TOwnedPtr<TForm> stored(new TForm(nullptr));
    TFormReader::ReadRoot(*stored, "object F: TForm\n"
                                   "  object Title: TvyLabel\n"
                                   "    Caption = 'Tallyglass'\n"
                                   "    Highlight.Color = clWhite\n"
                                   "    Shadow.Depth = 2\n"
                                   "    Shadow.Direction = edDown\n"
                                   "    FontHover.Used = True\n"
                                   "    Blinking.DelayVisible = 500\n"
                                   "    Options = [loEndEllipsis]\n"
                                   "    WordWrap = True\n"
                                   "  end\n"
                                   "  object Mail: TvyURLLabel\n"
                                   "    Caption = 'support@example.org'\n"
                                   "    Kind = ukEmail\n"
                                   "    Email.Subject = 'Tallyglass'\n"
                                   "  end\n"
                                   "end\n");
    auto* title = dynamic_cast<TvyLabel*>(stored->FindComponent("Title"));
    auto* mail = dynamic_cast<TvyURLLabel*>(stored->FindComponent("Mail"));
    ASSERT_NE(nullptr, title);
    ASSERT_NE(nullptr, mail);
    EXPECT_EQ(clWhite, title->Highlight()->Color());
    EXPECT_EQ(clGrayText, title->Shadow()->Color()) << "the shadow's own default";
    EXPECT_EQ(2, title->Shadow()->Depth());
    EXPECT_EQ(TvyLabelEffectDirection::edDown, title->Shadow()->Direction());
    EXPECT_TRUE(title->FontHover()->Used());
    EXPECT_EQ(500, title->Blinking()->DelayVisible());
    EXPECT_EQ(LabelOptionBit(TvyLabelOption::loEndEllipsis), title->Options());
    EXPECT_TRUE(title->WordWrap());
    EXPECT_EQ(TvyURLLabelKind::ukEmail, mail->Kind());
    EXPECT_EQ("Tallyglass", mail->Email()->Subject());
    EXPECT_EQ(crLinkSelect, mail->Cursor());
    EXPECT_EQ(crLinkSelect, mail->CursorClick());

    const std::string text = TFormWriter::Write(*stored);
    for (const char* line : {"Highlight.Color = clWhite", "Shadow.Depth = 2", "Shadow.Direction = edDown",
                             "Options = [loEndEllipsis]", "Kind = ukEmail", "Email.Subject = 'Tallyglass'"})
        EXPECT_NE(std::string::npos, text.find(line)) << line << " in\n" << text;
    for (const char* absent : {"Shadow.Color", "Highlight.Direction", "CursorClick", "URLInNewWindow", "About"})
        EXPECT_EQ(std::string::npos, text.find(absent)) << "defaults are not stored: " << absent << "\n" << text;
}

} // namespace
