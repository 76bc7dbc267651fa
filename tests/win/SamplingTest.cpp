// tests/win/SamplingTest.cpp
// The main window's sampling step with figures injected through the platform seam.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "HttpTestServer.h"
#include "Main.h"
#include "WinTest.h"

namespace {

constexpr COLORREF Black = RGB(0, 0, 0), Lime = RGB(0, 255, 0), Yellow = RGB(255, 255, 0), Red = RGB(255, 0, 0);

class SamplingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestPlatform().Boxes.clear();
        TestPlatform().Resources = [this](unsigned short selector) -> unsigned short {
            Queries.push_back(selector);
            if (FailOnCall && static_cast<int>(Queries.size()) == FailOnCall) throw Exception("Can't load USER.EXE!");
            return Figures[selector];
        };
        form.reset(Application->CreateForm<TForm1>());
        form->Timer->SetEnabled(false);
    }
    void TearDown() override
    {
        form.reset();
        Application->SetMainForm(nullptr);
        TestPlatform().Resources = nullptr;
    }
    // Pixels of the tray picture as stored in the image list at index i.
    COLORREF ListPixel(int index, int x, int y)
    {
        TBitmap b;
        form->ImageList->GetBitmap(index, &b);
        return b.Canvas()->Pixel(x, y);
    }

    std::map<unsigned short, unsigned short> Figures{{0, 57}, {1, 66}, {2, 80}};
    std::vector<unsigned short> Queries;
    int FailOnCall = 0;
    TOwnedPtr<TForm1> form;
};

TEST_F(SamplingTest, FiguresFlowToGaugesLabelsAndColoursInOrder)
{
    form->TimerTimer(form->Timer);
    EXPECT_EQ((std::vector<unsigned short>{0, 2, 1}), Queries) << "system, then User, then GDI";
    EXPECT_EQ(57, form->SysRes->Progress());
    EXPECT_EQ(80, form->UserRes->Progress());
    EXPECT_EQ(66, form->GDIRes->Progress());
    EXPECT_EQ("57%", form->SysLab->Caption());
    EXPECT_EQ("80%", form->UserLab->Caption());
    EXPECT_EQ("66%", form->GDILab->Caption());
    EXPECT_TRUE(form->Timer->Enabled()) << "re-enabled as the last step";
}

TEST_F(SamplingTest, ColourThresholdsAndClampedFiguresShowInGaugesAndPicture)
{
    Figures = {{0, 40}, {1, 19}, {2, 39}};
    form->TimerTimer(form->Timer);
    EXPECT_EQ(clLime, form->SysRes->ForeColor()) << "40 is lime";
    EXPECT_EQ(clYellow, form->UserRes->ForeColor()) << "39 is yellow";
    EXPECT_EQ(clRed, form->GDIRes->ForeColor()) << "19 is red";
    Figures = {{0, 20}, {1, 250}, {2, 100}};
    form->TimerTimer(form->Timer);
    EXPECT_EQ(clYellow, form->SysRes->ForeColor()) << "20 is yellow";
    EXPECT_EQ(100, form->GDIRes->Progress()) << "a figure above 100 is clamped by the gauge";
    EXPECT_EQ("100%", form->GDILab->Caption()) << "labels read the gauge back";
}

TEST_F(SamplingTest, EachTickLeavesTwoIdenticalPicturesOfTheFigures)
{
    Figures = {{0, 50}, {1, 0}, {2, 100}};
    form->TimerTimer(form->Timer);
    ASSERT_EQ(2, form->ImageList->Count());
    for (int i = 0; i < 2; ++i) {
        // System at 50: top row 8, lime (50 >= 40).
        EXPECT_EQ(Black, ListPixel(i, 2, 8)) << "image " << i << ": system bar top outline at row 8";
        EXPECT_EQ(Lime, ListPixel(i, 2, 9)) << "image " << i;
        EXPECT_NE(Black, ListPixel(i, 2, 7)) << "image " << i << ": above the bar is background";
        // User at 100: full height, lime; outline columns shared at 5 and 10.
        EXPECT_EQ(Black, ListPixel(i, 7, 0)) << "image " << i;
        EXPECT_EQ(Lime, ListPixel(i, 7, 5)) << "image " << i;
        EXPECT_EQ(Black, ListPixel(i, 5, 5)) << "image " << i;
        EXPECT_EQ(Black, ListPixel(i, 10, 5)) << "image " << i;
        // GDI at 0: no bar at all, only the base line.
        EXPECT_NE(Black, ListPixel(i, 13, 10)) << "image " << i << ": no GDI bar";
        EXPECT_EQ(Black, ListPixel(i, 13, 15)) << "image " << i << ": base line";
    }
    Figures = {{0, 4}, {1, 3}, {2, 19}};
    form->TimerTimer(form->Timer);
    ASSERT_EQ(2, form->ImageList->Count()) << "the list is rebuilt, not grown";
    EXPECT_EQ(Black, ListPixel(0, 2, 15)) << "4% gives top 15: only the outline row";
    EXPECT_EQ(Red, form->SysRes->ForeColor());
    EXPECT_NE(Black, ListPixel(0, 13, 14)) << "3% gives top 16: nothing drawn";
    EXPECT_EQ(Red, ListPixel(1, 7, 14)) << "19% on the User bar: red, top row 13";
}

TEST_F(SamplingTest, AFailingQueryStopsSamplingAndIsShownOnce)
{
    // Ticks of three queries each; the third tick's first query fails (call 7).
    FailOnCall = 7;
    form->Timer->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return !TestPlatform().Boxes.empty(); }, 5000)) << "the failure is shown";
    const size_t queries = Queries.size();
    ASSERT_TRUE(PumpTicks(form->Timer->Interval(), 3)) << "a timer of the sampling interval";
    EXPECT_EQ(7u, queries);
    EXPECT_EQ(queries, Queries.size()) << "no tick follows a failure";
    ASSERT_EQ(1u, TestPlatform().Boxes.size()) << "shown once";
    EXPECT_EQ("Can't load USER.EXE!", TestPlatform().Boxes[0].Text);
    EXPECT_FALSE(form->Timer->Enabled());
    EXPECT_EQ(57, form->SysRes->Progress()) << "gauges keep the last good values";
    EXPECT_EQ("80%", form->UserLab->Caption());
    // The menu still works.
    bool clicked = false;
    form->AboutItem->OnClick = [&](TObject*) { clicked = true; };
    EXPECT_TRUE(form->PopupMenu1->DispatchCommand(form->AboutItem->Command()));
    EXPECT_TRUE(clicked);
}

// While the upgrader fetches its information file, the GDI gauge and label keep their value and
// the tooltip shows it beside fresh System and User figures; once the answer is in, GDI moves
// again. The figures change on every tick, and the fetch is a real one on a slow server.
TEST_F(SamplingTest, TheGDIFigureStandsStillWhileTheUpgraderFetches)
{
    struct TShown {
        bool Busy;
        int Sys, User, Gdi;
        std::string GdiLabel, Hint;
    };
    std::vector<TShown> shown; // what the previous ticks left, seen as each tick begins
    int tick = 0;
    TvyAppUpdater& updater = *form->vyAppUpdater;
    TestPlatform().Resources = [&](unsigned short selector) -> unsigned short {
        if (selector == 0) {
            shown.push_back({updater.Busy(), form->SysRes->Progress(), form->UserRes->Progress(),
                             form->GDIRes->Progress(), form->GDILab->Caption(), form->vyTrayIcon->Hint()});
            ++tick;
        }
        return static_cast<unsigned short>(10 + (tick * 7 + selector * 20) % 80);
    };
    THttpTestServer server;
    updater.SetAutoCheck(false);
    updater.SetInfoFileURL(server.URL("/tallyglass.inf?wait=2000"));
    form->Timer->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return shown.size() >= 3; }, 5000)) << "the sampling ticks";
    const int lastBefore = form->GDIRes->Progress();
    EXPECT_NE(shown.back().Gdi, shown[shown.size() - 2].Gdi) << "GDI moves while nothing is fetched";

    updater.CheckUpdate();
    ASSERT_TRUE(updater.Busy());
    ASSERT_TRUE(PumpUntil([&] { return !updater.Busy(); }, 30000)) << "the fetch ends";
    EXPECT_EQ(1u, server.RequestCount());
    const size_t endedAt = shown.size();
    ASSERT_TRUE(PumpUntil([&] { return shown.size() > endedAt + 2; }, 5000)) << "ticks after the fetch";

    // Busy as two ticks began, it was busy all through the first of them (nothing starts a
    // fetch again): that tick left GDI as it found it and still moved System and User.
    int busyTicks = 0;
    for (size_t i = 1; i < shown.size(); ++i) {
        const TShown &before = shown[i - 1], &after = shown[i];
        if (!before.Busy || !after.Busy) continue;
        ++busyTicks;
        SCOPED_TRACE("tick " + std::to_string(i));
        EXPECT_EQ(lastBefore, after.Gdi) << "the gauge keeps the figure from before the fetch";
        EXPECT_EQ(IntToStr(lastBefore) + "%", after.GdiLabel);
        EXPECT_NE(before.Sys, after.Sys);
        EXPECT_NE(before.User, after.User);
        EXPECT_EQ("System: " + IntToStr(after.Sys) + "%, User: " + IntToStr(after.User) +
                      "%, GDI: " + IntToStr(lastBefore) + "%",
                  after.Hint);
    }
    EXPECT_GE(busyTicks, 5) << "ticks while the answer was awaited";
    const TShown& now = shown.back();
    EXPECT_NE(lastBefore, now.Gdi) << "GDI moves again after the fetch";
    EXPECT_EQ(IntToStr(now.Gdi) + "%", now.GdiLabel);
    EXPECT_TRUE(TestPlatform().Boxes.empty()) << "an empty information file offers nothing, silently";
}

} // namespace
