// tests/win/vyAnimationEffectTest.cpp
// The animation effects on the real screen: every outline inverts what is under it and the
// screen is the same pixel for pixel afterwards, for every effect both ways; the show and
// hide messages that start them, the centring of a screen-centred form, the random choice.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "Forms.h"
#include "Pictures.h"
#include "WinTest.h"
#include "vyAnimationEffect.h"

namespace {

using ET = TvyAnimationEffectType;

std::vector<COLORREF> Screenshot()
{
    TBitmap b;
    CaptureScreen(RECT{0, 0, Screen->Width(), Screen->Height()}, b);
    return PixelsOf(b);
}

// The screen once three readings in a row agree: what was drawn has reached it.
std::vector<COLORREF> SettledScreen()
{
    std::vector<COLORREF> last = Screenshot(), now;
    int same = 0;
    PumpUntil([&] {
        PumpFor(20);
        now = Screenshot();
        same = now == last ? same + 1 : 0;
        last = now;
        return same >= 2;
    });
    return now;
}

// Records the screen half-way through the drawing order, when a trail of outlines is up.
class TWatchedEffect : public TvyAnimationEffect {
public:
    using TvyAnimationEffect::TvyAnimationEffect;
    std::vector<COLORREF> Before, Middle;
    int Drawn = 0;

protected:
    void StepDrawn(int index, int count) override
    {
        ++Drawn;
        if (index != count / 2 || Before.empty()) return;
        // The desktop surface takes the drawing asynchronously: wait until it shows.
        PumpUntil([&] {
            Middle = Screenshot();
            return Middle != Before;
        });
    }
};

class AnimationEffectTest : public TCatchingTest {
protected:
    void SetUp() override
    {
        TCatchingTest::SetUp();
        form.reset(new TForm(Application));
        form->SetBounds(200, 150, 300, 160);
        form->SetColor(clTeal);
        effect = new TWatchedEffect(form.get());
        effect->SetDelay(0);
    }
    void TearDown() override
    {
        form.reset();
        TCatchingTest::TearDown();
    }
    TOwnedPtr<TForm> form;
    TWatchedEffect* effect = nullptr;
};

TEST_F(AnimationEffectTest, EveryEffectInvertsOutlinesAndLeavesTheScreenAsItWas)
{
    form->Show();
    const HWND wnd = form->Handle();
    // Shown, active and painted before the first reading: nothing else may change the screen.
    ASSERT_TRUE(PumpUntil([&] {
        const POINT p = form->ClientToScreen(POINT{150, 80});
        HDC screen = GetDC(nullptr);
        const COLORREF c = GetPixel(screen, p.x, p.y);
        ReleaseDC(nullptr, screen);
        return IsWindowVisible(wnd) && GetForegroundWindow() == wnd && c == RGB(0, 128, 128);
    })) << "the form never showed painted and active";
    const char* names[] = {"", "spin", "vortex", "scatter", "spike", "fireworks"};
    for (ET type : {ET::etSpin, ET::etVortex, ET::etScatterGather, ET::etSpike, ET::etFireworks})
        for (bool showing : {true, false}) {
            const std::string what = std::string(names[static_cast<int>(type)]) + (showing ? " showing" : " hiding");
            effect->SetEffectType(type);
            effect->Before = SettledScreen();
            effect->Middle.clear();
            effect->Animate(showing);
            EXPECT_EQ(effect->LastEffect(), type) << what;
            ASSERT_FALSE(effect->Middle.empty()) << what << ": nothing reached the screen half-way";
            int changed = 0, notInverted = 0;
            for (size_t i = 0; i < effect->Before.size(); ++i) {
                if (effect->Middle[i] == effect->Before[i]) continue;
                ++changed;
                if (effect->Middle[i] != (~effect->Before[i] & 0xFFFFFF)) ++notInverted;
            }
            EXPECT_GT(changed, 100) << what;
            EXPECT_EQ(notInverted, 0) << what << ": outlines must invert what is under them";
            if (showing) {
                const int w = Screen->Width(), h = Screen->Height();
                std::vector<unsigned char> rgb;
                for (COLORREF c : effect->Middle) rgb.insert(rgb.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
                WritePng(ArtifactFolder() + "\\animation-" + names[static_cast<int>(type)] + ".png", w, h, rgb);
            }
            // Every outline drawn was drawn again: the screen is the one from before.
            std::vector<COLORREF> after;
            const bool same = PumpUntil([&] {
                after = Screenshot();
                return after == effect->Before;
            });
            size_t differing = 0;
            for (size_t i = 0; i < after.size(); ++i) differing += after[i] != effect->Before[i];
            EXPECT_TRUE(same) << what << ": " << differing << " pixels differ after the effect";
        }
}

TEST_F(AnimationEffectTest, ShowAndHideMessagesPlayTheEffectsOnce)
{
    struct Case {
        bool OnShow, OnHide;
        int Steps;
    } cases[] = {{true, true, 4}, {false, true, 4}, {true, false, 4}, {true, true, 0}};
    for (const Case& c : cases) {
        effect->SetAnimateOnShow(c.OnShow);
        effect->SetAnimateOnHide(c.OnHide);
        effect->SetSteps(static_cast<BYTE>(c.Steps));
        effect->SetFrames(2);
        effect->Drawn = 0;
        int shows = 0, closes = 0;
        bool visibleAtShow = true;
        effect->OnShowEffect = [&](TObject* sender) {
            ++shows;
            visibleAtShow = IsWindowVisible(form->Handle()) != 0;
            EXPECT_EQ(sender, effect);
        };
        effect->OnCloseEffect = [&](TObject*) { ++closes; };
        const std::string what = "on show " + std::to_string(c.OnShow) + ", on hide " + std::to_string(c.OnHide) +
                                 ", steps " + std::to_string(c.Steps);
        form->Show();
        PumpUntil([&] { return IsWindowVisible(form->Handle()) != 0; });
        EXPECT_EQ(shows, c.OnShow ? 1 : 0) << what;
        EXPECT_FALSE(visibleAtShow && c.OnShow) << what << ": the effect plays before the form shows";
        // Showing: steps 0..Steps each twice, plus the closing flash of the full outline.
        const int showDraws = c.OnShow && c.Steps ? 2 * (c.Steps + 1) : 0;
        EXPECT_EQ(effect->Drawn, showDraws) << what;
        form->Hide();
        PumpUntil([&] { return closes > 0 || !c.OnHide; }, 2000);
        PumpFor(QuietMs); // nothing more comes
        EXPECT_EQ(closes, c.OnHide ? 1 : 0) << what;
        EXPECT_EQ(shows, c.OnShow ? 1 : 0) << what << ": hiding plays no show effect";
        EXPECT_EQ(effect->Drawn, showDraws + (c.OnHide && c.Steps ? 2 * c.Steps : 0)) << what;
    }
}

TEST_F(AnimationEffectTest, AScreenCentredFormIsPlacedBeforeTheEffect)
{
    const int sw = Screen->Width(), sh = Screen->Height();
    struct Case {
        int Width, Height, Left, Top;
    } cases[] = {{300, 160, (sw - 300) / 2, (sh - 160) / 2}, {sw + 300, sh + 100, 0, 0}, {200, sh + 1, (sw - 200) / 2, 0}};
    form->SetPosition(TPosition::poScreenCenter);
    effect->SetSteps(2);
    for (const Case& c : cases) {
        form->SetBounds(5, 7, c.Width, c.Height);
        effect->Animate(true);
        EXPECT_EQ(form->Left(), c.Left) << c.Width << "x" << c.Height;
        EXPECT_EQ(form->Top(), c.Top) << c.Width << "x" << c.Height;
    }
    form->SetPosition(TPosition::poDesigned);
    form->SetBounds(5, 7, 300, 160);
    effect->Animate(false);
    EXPECT_EQ(form->Left(), 5) << "other positions stay where they are";
}

TEST_F(AnimationEffectTest, RandomPicksAmongTheFiveAndRestoresThePriority)
{
    effect->SetSteps(1);
    const DWORD priority = GetPriorityClass(GetCurrentProcess());
    DWORD during = 0;
    effect->OnShowEffect = [&](TObject*) { during = GetPriorityClass(GetCurrentProcess()); };
    std::set<int> seen;
    for (int i = 0; i < 40; ++i) {
        effect->Animate(true);
        seen.insert(static_cast<int>(effect->LastEffect()));
    }
    EXPECT_GE(seen.size(), 3u) << "forty random picks";
    EXPECT_GE(*seen.begin(), 1);
    EXPECT_LE(*seen.rbegin(), 5);
    EXPECT_EQ(during, static_cast<DWORD>(REALTIME_PRIORITY_CLASS));
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), priority);
}

} // namespace
