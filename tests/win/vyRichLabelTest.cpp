// tests/win/vyRichLabelTest.cpp
// The rich label on shown forms, read back from the screen and compared pixel by pixel with
// a picture drawn here from what the label should show: styles, a colour and "[DEF]", a line
// wrapped at the label's width, malformed markup shown as text, a frame, a dotted shadow and
// margins; the height following the caption at once; stored settings.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FormReader.h"
#include "Forms.h"
#include "Pictures.h"
#include "WinTest.h"
#include "vyRichLabel.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kRed = RGB(255, 0, 0),
                   kYellow = RGB(255, 255, 0);
constexpr TFontStyles kBold = FontStyleBit(TFontStyle::fsBold), kItalic = FontStyleBit(TFontStyle::fsItalic);

// One piece of text as the label should draw it.
struct TRun {
    std::string Text;
    TFontStyles Style;
    COLORREF Color;
    int X, Y;
};

// Text measurement and drawing in the label's font with another style, straight through GDI.
class TFonts {
public:
    explicit TFonts(const TFont& font) : FBase(font) {}
    SIZE Extent(const std::string& s, TFontStyles style)
    {
        TFont f;
        f.Assign(FBase);
        f.SetStyle(style);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, f.Handle());
        SIZE size{};
        GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &size);
        SelectObject(dc, old);
        DeleteDC(dc);
        return size;
    }
    int Width(const std::string& s, TFontStyles style = 0) { return Extent(s, style).cx; }
    void Draw(TDibTarget& t, const std::vector<TRun>& runs)
    {
        for (const TRun& r : runs) {
            TFont f;
            f.Assign(FBase);
            f.SetStyle(r.Style);
            HGDIOBJ old = SelectObject(t.DC(), f.Handle());
            SetTextColor(t.DC(), r.Color);
            TextOutA(t.DC(), r.X, r.Y, r.Text.c_str(), static_cast<int>(r.Text.size()));
            SelectObject(t.DC(), old);
        }
    }

private:
    const TFont& FBase;
};

class RichLabelTest : public TCatchingTest {
protected:
    void SetUp() override
    {
        TCatchingTest::SetUp();
        form.reset(new TForm(nullptr));
        form->SetBounds(60, 60, 420, 260);
        form->SetColor(clWhite);
        label = new TvyRichLabel(form.get());
        label->SetParent(form.get());
        label->SetBounds(10, 10, 200, 17);
        label->Font()->SetColor(clBlack);
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
        PumpQueued();
    }
    // The label's rectangle on the screen, once it shows expected or at the deadline
    // (drawing reaches the screen asynchronously), compared with expected; saves both.
    void ExpectOnScreen(const TDibTarget& expected, const std::string& name)
    {
        const int w = label->Width(), h = label->Height();
        TDibTarget shot(w, h, RGB(1, 2, 3));
        PumpUntil([&] {
            auto client = ClientPicture(form->Handle());
            bool same = true;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const COLORREF got = client->Pixel(label->Left() + x, label->Top() + y);
                    SetPixel(shot.DC(), x, y, got);
                    same = same && got == expected.Pixel(x, y);
                }
            return same;
        }, 2000);
        shot.SavePng(name + ".png");
        expected.SavePng(name + "-expected.png");
        ExpectPixels(shot, [&](int x, int y) { return expected.Pixel(x, y); }, name + ".png against " + name + "-expected.png");
    }

    TOwnedPtr<TForm> form;
    TvyRichLabel* label = nullptr;
};

TEST_F(RichLabelTest, BoldColourDefaultAndAWrappedLine)
{
    TFonts fonts(*label->Font());
    const int bold = fonts.Width("Bold", kBold), plain = fonts.Width(" plain "), red = fonts.Width("red");
    // Room for "Bold plain red" and a few pixels, not for the word after it.
    label->SetWidth(bold + plain + red + 4);
    label->SetWordWrap(true);
    label->SetCaption("[b]Bold[] plain [red]red[DEF] default\nsecond line\n[nope]x [y");
    ShowForm();

    const int lh = fonts.Extent("Wj", 0).cy;
    EXPECT_EQ(4 * lh, label->Height()) << "four lines, the first one wrapped";
    TDibTarget expected(label->Width(), label->Height(), kWhite);
    SetBkMode(expected.DC(), TRANSPARENT);
    fonts.Draw(expected, {{"Bold", kBold, kBlack, 0, 0},
                          {" plain ", 0, kBlack, bold, 0},
                          {"red", 0, kRed, bold + plain, 0},
                          {"default", 0, kBlack, 0, lh},
                          {"second line", 0, kBlack, 0, 2 * lh},
                          // An unknown tag clears the style and vanishes; an opener with no closer shows.
                          {"x [y", 0, kBlack, 0, 3 * lh}});
    ASSERT_GT(expected.CountOf(kRed), 5);
    ExpectOnScreen(expected, "vyRichLabel-markup");
}

TEST_F(RichLabelTest, FramedShadowedWithMargins)
{
    // A TrueType face here, the raster default elsewhere: widths must agree with GDI's for both.
    label->Font()->SetName("Tahoma");
    label->Font()->SetHeight(-13);
    label->SetWidth(220);
    label->SetTransparent(true);
    label->SetColor(clYellow);
    label->SetMarginHorz(8);
    label->SetMarginVert(4);
    label->SetShowFrame(true);
    label->SetShowShadow(true);
    label->SetCaption("Framed [i]italic[] text");
    ShowForm();

    TFonts fonts(*label->Font());
    const int lh = fonts.Extent("Wj", 0).cy;
    const int w = 220, h = lh + 2 * 4 + 8;
    ASSERT_EQ(h, label->Height()) << "one line, both margins and the shadow";
    TDibTarget expected(w, h, kWhite);
    // A black-edged yellow box, a button-face line inside its edge, the shadow beside it.
    HDC dc = expected.DC();
    HBRUSH yellow = CreateSolidBrush(kYellow), face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN)), oldBrush = SelectObject(dc, yellow);
    Rectangle(dc, 0, 0, w - 6, h - 6);
    RECT inner{1, 1, w - 7, h - 7};
    FrameRect(dc, &inner, face);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(yellow);
    DeleteObject(face);
    // Dots three deep along the bottom and the right, alternating with each column and row.
    for (int x = 7; x <= w - 7; ++x)
        for (int d : {1, 3, 5}) SetPixel(dc, x, x % 2 ? h - d - 1 : h - d, kBlack);
    for (int y = 7; y < h; ++y)
        for (int d : {1, 3, 5}) SetPixel(dc, (h - y) % 2 ? w - d : w - d - 1, y, kBlack);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, kYellow);
    const int framed = fonts.Width("Framed "), italic = fonts.Width("italic", kItalic);
    fonts.Draw(expected, {{"Framed ", 0, kBlack, 8, 4}, {"italic", kItalic, kBlack, 8 + framed, 4},
                          {" text", 0, kBlack, 8 + framed + italic, 4}});
    ExpectOnScreen(expected, "vyRichLabel-framed");

    // Word wrap with left alignment: the box hugs the text instead of the label's width.
    label->SetWordWrap(true);
    const int textRight = 8 + framed + italic + fonts.Width(" text") + 8;
    const int x = label->Left() + textRight, y = label->Top() + 2;
    std::unique_ptr<TDibTarget> client;
    PumpUntil([&] {
        client = ClientPicture(form->Handle());
        return client->Pixel(x, y) == kBlack && client->Pixel(x + 8, y) == kWhite;
    }, 2000);
    EXPECT_EQ(kBlack, client->Pixel(x, y)) << "right edge of the box";
    EXPECT_EQ(kWhite, client->Pixel(x + 8, y)) << "beyond the box and its shadow";
}

TEST_F(RichLabelTest, HeightFollowsTheCaptionAtOnce)
{
    ShowForm();
    TFonts fonts(*label->Font());
    const int lh = fonts.Extent("Wj", 0).cy;
    struct TCase {
        const char* Caption;
        int MarginVert;
        bool Shadow;
        int Height;
    };
    const TCase cases[] = {
        {"", 0, false, lh},         {"", 3, false, lh + 6},        {"", 3, true, lh + 6 + 8},
        {"a\nb\r\nc", 0, false, 3 * lh}, {"a\n", 2, false, 2 * lh + 4}, {"one\rline", 0, false, lh},
    };
    for (const TCase& c : cases) {
        label->SetMarginVert(c.MarginVert);
        label->SetShowShadow(c.Shadow);
        label->SetCaption("placeholder that differs");
        label->SetCaption(c.Caption);
        EXPECT_EQ(c.Height, label->Height()) << "caption \"" << c.Caption << "\", margin " << c.MarginVert
                                             << (c.Shadow ? ", shadow" : "") << ": set by the caption change itself";
    }
    // A margin change repaints, and the paint sets the height.
    label->SetMarginVert(10);
    EXPECT_TRUE(PumpUntil([&] { return label->Height() == lh + 20; }, 3000)) << "height " << label->Height();
    label->SetAutoHeight(false);
    label->SetMarginVert(0);
    PumpQueued();
    EXPECT_EQ(lh + 20, label->Height()) << "without AutoHeight the height stays";
}

TEST_F(RichLabelTest, StoredFormsReadAndWriteTheSettings)
{
    TOwnedPtr<TForm> stored(new TForm(nullptr));
    TFormReader::ReadRoot(*stored, "object F: TForm\n"
                                   "  object Rich: TvyRichLabel\n"
                                   "    Caption = '{b}Tallyglass{}'\n"
                                   "    MarginHorz = 6\n"
                                   "    ShadowColor = clGray\n"
                                   "    ShowFrame = True\n"
                                   "    TextStyle.TagOpen = '{'\n"
                                   "    TextStyle.TagClose = '}'\n"
                                   "    WordWrap = True\n"
                                   "  end\n"
                                   "end\n");
    auto* rich = dynamic_cast<TvyRichLabel*>(stored->FindComponent("Rich"));
    ASSERT_NE(nullptr, rich);
    EXPECT_EQ('{', rich->TextStyle()->TagOpen());
    EXPECT_EQ('}', rich->TextStyle()->TagClose());
    EXPECT_EQ(6, rich->MarginHorz());
    EXPECT_EQ(clGray, rich->ShadowColor());
    EXPECT_TRUE(rich->ShowFrame());
    EXPECT_TRUE(rich->WordWrap());
    EXPECT_FALSE(rich->AutoSize()) << "the framework's auto-size is off";
    EXPECT_TRUE(rich->AutoHeight());
    const TvyRichLayout layout = rich->Layout();
    ASSERT_EQ(1u, layout.Lines.size());
    EXPECT_EQ("{b}Tallyglass{}", layout.Lines[0].Text);

    const std::string text = TFormWriter::Write(*stored);
    for (const char* line : {"MarginHorz = 6", "ShadowColor = clGray", "ShowFrame = True", "TextStyle.TagOpen = '{'",
                             "WordWrap = True"})
        EXPECT_NE(std::string::npos, text.find(line)) << line << " in\n" << text;
    for (const char* absent : {"AutoSize", "AutoHeight", "MarginVert", "PlainText", "About"})
        EXPECT_EQ(std::string::npos, text.find(absent)) << "defaults are not stored: " << absent << "\n" << text;
}

} // namespace
