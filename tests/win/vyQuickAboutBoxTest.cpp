// tests/win/vyQuickAboutBoxTest.cpp
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Pictures.h"
#include "WinTest.h"
#include "XInput.h"
#include "vyQuickAboutBox.h"
#include "vyQuickAboutBoxForm.h"
#include "vyQuickAboutBoxLayout.h"

namespace {

BOOL CALLBACK FindDialog(HWND wnd, LPARAM out)
{
    auto* form = dynamic_cast<TvyQuickAboutBoxForm*>(FindControl(wnd));
    if (form && IsWindowVisible(wnd)) *reinterpret_cast<TvyQuickAboutBoxForm**>(out) = form;
    return TRUE;
}

// The about dialog the running Execute shows, if it is on screen.
TvyQuickAboutBoxForm* ShownDialog()
{
    TvyQuickAboutBoxForm* found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::function<void(TvyQuickAboutBoxForm&)> gInspect;
bool gInspected = false;
DWORD gDeadline = 0;

// Runs the inspection once the dialog is up, then closes it with Escape, as a user would.
void CALLBACK WatchDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    TvyQuickAboutBoxForm* form = ShownDialog();
    if (form && !gInspected) {
        gInspected = true;
        KillTimer(nullptr, id);
        if (gInspect) gInspect(*form);
        PostMessageA(form->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    } else if (GetTickCount() > gDeadline) {
        KillTimer(nullptr, id);
        if (form) form->SetModalResult(mrCancel);
    }
}

// Executes the box, lets inspect look at the dialog while it is shown, and closes it.
void ExecuteAndInspect(TvyQuickAboutBox& box, std::function<void(TvyQuickAboutBoxForm&)> inspect)
{
    gInspect = std::move(inspect);
    gInspected = false;
    gDeadline = GetTickCount() + 10000;
    SetTimer(nullptr, 0, 20, &WatchDialog);
    box.Execute();
    EXPECT_TRUE(gInspected) << "the dialog was never seen";
    EXPECT_EQ(nullptr, ShownDialog()) << "the dialog is gone after Execute";
    gInspect = nullptr;
}

// What the screen shows of the dialog, once it has settled.
void SaveDialogPicture(TvyQuickAboutBoxForm& form, const std::string& name)
{
    form.Repaint();
    PumpQueued();
    RECT r;
    GetWindowRect(form.Handle(), &r);
    TBitmap shot;
    PumpUntil([&] {
        TBitmap again;
        CaptureScreen(r, shot);
        CaptureScreen(r, again);
        return PixelsOf(shot) == PixelsOf(again);
    });
    EXPECT_TRUE(SavePngArtifact(shot, name)) << name;
}

class QuickAboutBoxTest : public TCatchingTest {};

TEST_F(QuickAboutBoxTest, WithoutDescriptionTheMailRowFollowsTheFirstSeparator)
{
    TOwnedPtr<TvyQuickAboutBox> box(new TvyQuickAboutBox(nullptr));
    box->SetAnimationOnShow(false);
    box->SetAnimationOnHide(false);
    ExecuteAndInspect(*box, [](TvyQuickAboutBoxForm& f) {
        EXPECT_EQ("About Program Name", f.Caption());
        EXPECT_EQ("Program Name", f.TitleLabel->Caption());
        EXPECT_EQ("OK", f.OKBtn->Caption());
        EXPECT_EQ(260, f.Width());
        EXPECT_EQ(256, f.TitleLabel->Width());
        EXPECT_FALSE(f.Icon->Picture()->Graphic() == nullptr || f.Icon->Picture()->Graphic()->Empty())
            << "the stored default icon";
        EXPECT_GT(f.CopyrightLabel->Height(), 13) << "two lines of credits";
        EXPECT_EQ(f.CopyrightLabel->Top() + f.CopyrightLabel->Height() + 2, f.Bevel1->Top());
        EXPECT_TRUE(f.Bevel1->Visible());
        EXPECT_FALSE(f.Bevel2->Visible()) << "no description, no second separator";
        EXPECT_EQ("", f.DescriptionLabel->Caption());
        EXPECT_EQ(64, f.DescriptionLabel->Top()) << "stays where it was stored";
        EXPECT_EQ(f.Bevel1->Top() + 5, f.EmailLab->Top());
        EXPECT_EQ(f.EmailLab->Top(), f.EmailLabel->Top());
        EXPECT_EQ(f.EmailLab->Top() + 14, f.WWWLab->Top());
        EXPECT_EQ(f.WWWLab->Top(), f.WWWLabel->Top());
        EXPECT_EQ(f.WWWLab->Top() + 23, f.OKBtn->Top());
        EXPECT_EQ(f.OKBtn->Top() + 31, f.ClientHeight());
        EXPECT_EQ(260 / 2 - f.OKBtn->Width() / 2, f.OKBtn->Left()) << "centred on the outer width";
        EXPECT_EQ(TvyQuickAboutBox::DefaultEmail, f.EmailLab->Caption());
        EXPECT_EQ(TvyQuickAboutBox::DefaultEmail, f.EmailLab->Hint());
        EXPECT_EQ(TvyQuickAboutBox::DefaultWebSite, f.WWWLab->Caption());
        EXPECT_TRUE(f.ShowHint());
        EXPECT_TRUE(f.vyFormBackground->Active());
        EXPECT_EQ(crLinkSelect, f.EmailLab->Cursor());
        SaveDialogPicture(f, "about-default.png");
    });
}

TEST_F(QuickAboutBoxTest, AFramedDescriptionGetsItsBoxAndTheSeparatorsCanGo)
{
    TOwnedPtr<TvyQuickAboutBox> box(new TvyQuickAboutBox(nullptr));
    box->SetAnimationOnShow(false);
    box->SetAnimationOnHide(false);
    box->SetWidth(340);
    box->SetCaption("Tally");
    box->SetCopyright("One line of credits");
    box->SetDescription("Shows the [B]free[] system resources.\r\nA second line, and a [red]third[] that wraps "
                        "because it is long enough to need it.");
    box->SetShowFrames(true);
    box->SetDescriptionColor(clInfoBk);
    box->SetShowBevels(false);
    box->SetShowHints(false);
    box->Localization()->SetstAbout("Info");
    box->Localization()->SetstOK("Close");
    box->GradientBackground()->SetEnabled(false);
    ExecuteAndInspect(*box, [](TvyQuickAboutBoxForm& f) {
        EXPECT_EQ("Info Tally", f.Caption());
        EXPECT_EQ("Close", f.OKBtn->Caption());
        EXPECT_EQ(340, f.Width());
        const TvyAboutBoxLayout widths = AboutBoxWidths(340);
        EXPECT_EQ(widths.BevelWidth, f.Bevel1->Width());
        TvyRichLabel& d = *f.DescriptionLabel;
        EXPECT_EQ(widths.BevelWidth + 4, d.Width());
        EXPECT_EQ(f.Bevel1->Top() + 5, d.Top());
        EXPECT_TRUE(d.ShowFrame());
        EXPECT_TRUE(d.ShowShadow());
        EXPECT_EQ(10, d.MarginHorz());
        EXPECT_EQ(4, d.MarginVert());
        EXPECT_EQ(clInfoBk, d.Color());
        EXPECT_GT(d.Height(), 3 * 13) << "three lines or more, with margins";
        EXPECT_EQ(d.Top() + d.Height() + 2, f.Bevel2->Top());
        EXPECT_EQ(f.Bevel2->Top() + 5, f.EmailLab->Top()) << "the spacing stays without separators";
        EXPECT_FALSE(f.Bevel1->Visible());
        EXPECT_FALSE(f.Bevel2->Visible());
        EXPECT_FALSE(f.ShowHint());
        EXPECT_FALSE(f.vyFormBackground->Active());
        SaveDialogPicture(f, "about-framed.png");
    });
}

TEST_F(QuickAboutBoxTest, TheLinksOpenTheMailWithTheSystemAndTheSite)
{
    TOwnedPtr<TvyQuickAboutBox> box(new TvyQuickAboutBox(nullptr));
    box->SetCaption("Tally");
    box->SetEmail("help@tally.example");
    box->SetWebSite("http://tally.example/");
    TestPlatform().ShellCalls.clear();
    std::string message;
    ExecuteAndInspect(*box, [&](TvyQuickAboutBoxForm& f) {
        message = f.SystemDescription();
        EXPECT_EQ("Tally", f.EmailLab->Email()->Subject());
        EXPECT_EQ(message, f.EmailLab->Email()->Message());
        POINT p{f.EmailLab->Width() / 2, f.EmailLab->Height() / 2};
        ClientToScreen(f.Handle(), &p);
        ASSERT_TRUE(XClick(p.x + f.EmailLab->Left(), p.y + f.EmailLab->Top()));
        ASSERT_TRUE(PumpUntil([] { return !TestPlatform().ShellCalls.empty(); })) << "the e-mail link opened nothing";
        p = POINT{f.WWWLab->Width() / 2, f.WWWLab->Height() / 2};
        ClientToScreen(f.Handle(), &p);
        ASSERT_TRUE(XClick(p.x + f.WWWLab->Left(), p.y + f.WWWLab->Top()));
        ASSERT_TRUE(PumpUntil([] { return TestPlatform().ShellCalls.size() >= 2; })) << "the web link opened nothing";
    });
    TvySystemInfo info(nullptr);
    const std::string expected = AboutMailMessage(info.WinVersion(), info.WinVersionNumber(), 0);
    const std::string fixedPart = expected.substr(0, expected.find("CPU: ") + 5);
    EXPECT_EQ(fixedPart, message.substr(0, fixedPart.size())) << message;
    EXPECT_EQ("MHz.", message.substr(message.size() - 4)) << message;
    ASSERT_GE(TestPlatform().ShellCalls.size(), 2u);
    EXPECT_EQ("mailto:help@tally.example?Subject=Tally&Body=" + message + "&CC=&BCC=",
              TestPlatform().ShellCalls[0].File.value_or(""));
    EXPECT_EQ("http://tally.example/", TestPlatform().ShellCalls[1].File.value_or(""));
}

TEST_F(QuickAboutBoxTest, TheDialogIsTopmostExactlyWhenItsOwnerFormIs)
{
    struct {
        const char* What;
        bool OwnerIsForm, OwnerTopmost, DialogTopmost;
    } cases[] = {{"topmost owner", true, true, true}, {"normal owner", true, false, false},
                 {"owner that is no form", false, false, false}};
    for (const auto& c : cases) {
        TOwnedPtr<TForm> form(new TForm(nullptr));
        TOwnedPtr<TComponent> plain(new TComponent(nullptr));
        form->HandleNeeded();
        if (c.OwnerTopmost) SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        auto* box = new TvyQuickAboutBox(c.OwnerIsForm ? static_cast<TComponent*>(form.get()) : plain.get());
        box->SetAnimationOnShow(false);
        box->SetAnimationOnHide(false);
        bool topmost = !c.DialogTopmost;
        ExecuteAndInspect(*box, [&](TvyQuickAboutBoxForm& f) {
            topmost = (GetWindowLongA(f.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        });
        EXPECT_EQ(c.DialogTopmost, topmost) << c.What;
    }
}

TEST_F(QuickAboutBoxTest, TheAnimationPlaysOnOpenAndClose)
{
    TOwnedPtr<TvyQuickAboutBox> box(new TvyQuickAboutBox(nullptr));
    box->SetAnimationDelay(1);
    std::vector<std::string> order;
    ExecuteAndInspect(*box, [&](TvyQuickAboutBoxForm& f) {
        EXPECT_EQ(1, f.AnimEffect->Delay());
        EXPECT_TRUE(f.AnimEffect->AnimateOnShow());
        EXPECT_TRUE(f.AnimEffect->AnimateOnHide());
        EXPECT_NE(TvyAnimationEffectType::etRandom, f.AnimEffect->LastEffect()) << "played when it opened";
        f.AnimEffect->OnCloseEffect = [&order](TObject*) { order.push_back("close"); };
    });
    EXPECT_EQ(std::vector<std::string>{"close"}, order) << "played when it closed";
}

} // namespace
