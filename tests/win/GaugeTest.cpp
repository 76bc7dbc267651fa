// tests/win/GaugeTest.cpp
// The bar gauge, composed for real with GDI and read back pixel by pixel.
#include <gtest/gtest.h>

#include <map>

#include "Forms.h"
#include "Gauges.h"
#include "WinTest.h"

namespace {

class GaugeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(100, 100, 300, 120);
        gauge = new TGauge(form.get());
        gauge->SetParent(form.get());
        gauge->SetBounds(4, 14, 235, 19);
        gauge->Font()->SetName("MS Sans Serif");
        gauge->Font()->SetHeight(-11);
        gauge->Font()->SetStyle(1u << static_cast<unsigned>(TFontStyle::fsBold));
    }

    // Counts the pixels of each colour inside the gauge's interior.
    std::map<COLORREF, int> Histogram()
    {
        TBitmap image;
        gauge->Compose(image);
        std::map<COLORREF, int> h;
        for (int y = 1; y < gauge->Height() - 1; ++y)
            for (int x = 1; x < gauge->Width() - 1; ++x) ++h[image.Canvas()->Pixel(x, y)];
        return h;
    }

    std::unique_ptr<TForm> form;
    TGauge* gauge = nullptr;
};

constexpr COLORREF White = RGB(255, 255, 255), Black = RGB(0, 0, 0), Lime = RGB(0, 255, 0),
                   Magenta = RGB(255, 0, 255), Yellow = RGB(255, 255, 0), Blue = RGB(0, 0, 255),
                   Red = RGB(255, 0, 0), Cyan = RGB(0, 255, 255);

TEST_F(GaugeTest, ProgressIsClampedToTheRangeBeforeItIsStored)
{
    gauge->SetProgress(-5);
    EXPECT_EQ(0, gauge->Progress());
    gauge->SetProgress(150);
    EXPECT_EQ(100, gauge->Progress());
    gauge->SetProgress(57);
    EXPECT_EQ(57, gauge->Progress());
    EXPECT_EQ(57, gauge->PercentDone());
}

TEST_F(GaugeTest, TextIsInvertedOverWhatLiesBeneath)
{
    // At 0 the whole interior is white: the text reads black on white.
    gauge->SetForeColor(clLime);
    gauge->SetProgress(0);
    auto h = Histogram();
    EXPECT_GT(h[Black], 10) << "black text pixels on the white field";
    EXPECT_EQ(0, h[Lime]);

    // At 100 the bar fills everything: text over the bar is its inverse.
    const struct {
        TColor Bar;
        COLORREF BarRgb;
        COLORREF Text;
        const char* Name;
    } cases[] = {{clLime, Lime, Magenta, "magenta over lime"},
                 {clYellow, Yellow, Blue, "blue over yellow"},
                 {clRed, Red, Cyan, "cyan over red"}};
    gauge->SetProgress(100);
    for (const auto& c : cases) {
        gauge->SetForeColor(c.Bar);
        h = Histogram();
        EXPECT_GT(h[c.Text], 10) << c.Name;
        EXPECT_GT(h[c.BarRgb], 2000) << c.Name << ": the bar fills the interior";
        EXPECT_EQ(0, h[White]) << c.Name;
    }
}

TEST_F(GaugeTest, BarFillsFromTheLeftInProportionWithASingleBorder)
{
    gauge->SetShowText(false);
    gauge->SetForeColor(clRed);
    gauge->SetProgress(50);
    TBitmap image;
    gauge->Compose(image);
    TCanvas& c = *image.Canvas();
    const int inner = gauge->Width() - 2; // 233
    const int barEnd = 1 + inner * 50 / 100;
    EXPECT_EQ(Black, c.Pixel(0, 0)) << "border";
    EXPECT_EQ(Black, c.Pixel(gauge->Width() - 1, gauge->Height() - 1)) << "border";
    EXPECT_EQ(Red, c.Pixel(1, 5));
    EXPECT_EQ(Red, c.Pixel(barEnd - 1, 5)) << "last bar column";
    EXPECT_EQ(White, c.Pixel(barEnd, 5)) << "first field column";
    EXPECT_EQ(White, c.Pixel(gauge->Width() - 2, 5));
}

TEST_F(GaugeTest, RepaintsOnlyWhenTheShownPercentageOrColourChanges)
{
    HWND h = form->Handle();
    // Only a visible window collects an update region.
    form->Show();
    gauge->SetProgress(30);
    gauge->SetForeColor(clYellow);
    ValidateRect(h, nullptr);
    RECT r;
    gauge->SetProgress(30);
    gauge->SetForeColor(clYellow);
    EXPECT_FALSE(GetUpdateRect(h, &r, FALSE)) << "same value and colour: nothing to repaint";
    gauge->SetProgress(31);
    ASSERT_TRUE(GetUpdateRect(h, &r, FALSE)) << "a new value repaints";
    EXPECT_EQ(gauge->Left(), r.left);
    EXPECT_EQ(gauge->Top(), r.top);
    EXPECT_EQ(gauge->Left() + gauge->Width(), r.right) << "only the gauge";
    ValidateRect(h, nullptr);
    gauge->SetForeColor(clRed);
    EXPECT_TRUE(GetUpdateRect(h, &r, FALSE)) << "a new colour repaints";
    ValidateRect(h, nullptr);
    gauge->SetProgress(500); // clamps to 100
    ValidateRect(h, nullptr);
    gauge->SetProgress(100);
    EXPECT_FALSE(GetUpdateRect(h, &r, FALSE)) << "clamped value already shown";
}

} // namespace
