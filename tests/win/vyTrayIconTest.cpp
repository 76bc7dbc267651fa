// tests/win/vyTrayIconTest.cpp
// The tray icon's notification records, seen through the platform seam, and its
// behaviour towards its form, menu and mouse.
#include <gtest/gtest.h>

#include <shellapi.h>

#include <cstring>
#include <string>

#include "ChildProcess.h"
#include "FormReader.h"
#include "Forms.h"
#include "Main.h"
#include "WinTest.h"
#include "vyTrayIcon.h"

namespace {

const TvyNotifyIconData& Record(const TRecordingPlatform::TNotify& n)
{
    return *reinterpret_cast<const TvyNotifyIconData*>(n.Record.data());
}

std::string Tip(const TRecordingPlatform::TNotify& n)
{
    return Record(n).szTip;
}

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestPlatform().Boxes.clear();
        TestPlatform().Notifies.clear();
        TestPlatform().Sounds.clear();
        form.reset(new TForm(nullptr));
        form->SetBorderStyle(TFormBorderStyle::bsSingle);
        form->SetBounds(50, 50, 300, 120);
        form->Show();
        tray = new TvyTrayIcon(form.get());
        images = new TImageList(form.get());
        TBitmap pic;
        pic.SetWidth(16);
        pic.SetHeight(16);
        images->Add(&pic, nullptr);
        images->Add(&pic, nullptr);
        TestPlatform().Notifies.clear();
    }
    // Sends a mouse event of the notification area to the icon, as the shell does.
    void Mouse(UINT message) { SendMessageA(tray->UtilityWindow(), VY_TRAY_CALLBACK, 0, message); }
    std::vector<TRecordingPlatform::TNotify>& Notifies() { return TestPlatform().Notifies; }

    TOwnedPtr<TForm> form;
    TvyTrayIcon* tray = nullptr;
    TImageList* images = nullptr;
};

TEST_F(TrayIconTest, VisibleAddsAndDeletesTheEntryWithTheFullRecord)
{
    tray->SetHint("Tallyglass");
    tray->SetImageList(images);
    EXPECT_TRUE(Notifies().empty()) << "an icon not in the notification area has nothing to change there";
    tray->SetVisible(true);
    ASSERT_EQ(1u, Notifies().size()) << "the add alone, with all that was set before";
    const auto& add = Notifies().back();
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), add.Message);
    const TvyNotifyIconData& r = Record(add);
    EXPECT_EQ(88u, r.cbSize) << "no balloon: the record every Windows reads";
    EXPECT_EQ(tray->UtilityWindow(), r.hWnd);
    EXPECT_EQ(0u, r.uID);
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_TIP | NIF_ICON), r.uFlags);
    EXPECT_EQ(14948u, r.uCallbackMessage);
    EXPECT_EQ("Tallyglass", Tip(add));
    EXPECT_NE(nullptr, r.hIcon) << "the picture taken while the icon was hidden";
    tray->SetVisible(false);
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), Notifies().back().Message);
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_TIP), Record(Notifies().back()).uFlags) << "no icon flag once hidden";
}

TEST_F(TrayIconTest, AnEmptyListOrAnImageIndexAlreadySetSendsNothing)
{
    tray->SetVisible(true);
    auto* empty = new TImageList(form.get());
    const size_t added = Notifies().size();
    tray->SetImageList(empty);
    EXPECT_EQ(added, Notifies().size()) << "no picture before or after: nothing to change";
    tray->SetImageList(images);
    ASSERT_EQ(added + 1, Notifies().size()) << "the list's picture is sent";
    EXPECT_NE(nullptr, Record(Notifies().back()).hIcon);
    tray->SetImageIndex(1);
    const size_t before = Notifies().size();
    tray->SetImageIndex(1);
    EXPECT_EQ(before, Notifies().size()) << "the same index sends nothing";
    tray->SetImageIndex(0);
    ASSERT_EQ(before + 1, Notifies().size());
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), Notifies().back().Message);
    EXPECT_NE(nullptr, Record(Notifies().back()).hIcon);
}

TEST_F(TrayIconTest, TooltipsAreCutToTheirField)
{
    tray->SetVisible(true);
    const std::string sixtyThree(63, 'x');
    tray->SetHint(sixtyThree);
    EXPECT_EQ(sixtyThree, Tip(Notifies().back())) << "63 characters fit the 88-byte record";
    tray->SetHint(sixtyThree + "yz");
    EXPECT_EQ(sixtyThree, Tip(Notifies().back())) << "longer is cut to 63";
    EXPECT_EQ(88u, Record(Notifies().back()).cbSize);
    tray->SetHint("");
    EXPECT_EQ(Application->Title(), Tip(Notifies().back())) << "an empty hint shows the application title";
    tray->SetShowHint(false);
    EXPECT_EQ("", Tip(Notifies().back()));
}

TEST_F(TrayIconTest, TheBalloonGoesOnlyToWindows2000AndLater)
{
    tray->Win2kInfoBalloon()->SetText(std::string(300, 'b'));
    tray->Win2kInfoBalloon()->SetTitle(std::string(80, 't'));
    tray->Win2kInfoBalloon()->SetIcon(TvyWin2kInfoIcon::iiWarning);
    tray->Win2kInfoBalloon()->SetTimeout(5000);
    tray->ShowBalloon();
    const TvyNotifyIconData& r = Record(Notifies().back());
    if (IsWin2KOrLater()) {
        EXPECT_EQ(488u, r.cbSize);
        EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_TIP | 0x10), r.uFlags);
        EXPECT_EQ(std::string(255, 'b'), std::string(r.szInfo)) << "cut to 255";
        EXPECT_EQ(std::string(63, 't'), std::string(r.szInfoTitle)) << "cut to 63";
        EXPECT_EQ(2u, r.dwInfoFlags) << "warning";
        EXPECT_EQ(5000u, r.uTimeout);
    } else {
        EXPECT_EQ(88u, r.cbSize) << "no balloon before Windows 2000";
        EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_TIP), r.uFlags);
    }
}

TEST_F(TrayIconTest, MinimiseAndRestoreHideAndShowTheFormAndSyncTheMenu)
{
    TPopupMenu menu(nullptr);
    auto* restore = new TMenuItem(&menu);
    auto* minimize = new TMenuItem(&menu);
    menu.Items()->Add(restore);
    menu.Items()->Add(minimize);
    int restoreClicks = 0;
    restore->OnClick = [&](TObject*) { ++restoreClicks; };
    tray->SetPopupMenu(&menu);
    tray->SetPopupMenuRestoreItem(restore);
    tray->SetPopupMenuTrayMinimizeItem(minimize);
    std::vector<std::string> events;
    tray->OnMinimize = [&](TObject*) { events.push_back("minimize"); };
    tray->OnRestore = [&](TObject*) { events.push_back("restore"); };

    tray->MinimizeToTray();
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_TRUE(tray->Visible()) << "minimising shows the icon";
    EXPECT_TRUE(restore->Enabled() && restore->Default()) << "hidden: restore is the default";
    EXPECT_FALSE(minimize->Enabled() || minimize->Default());
    ASSERT_FALSE(TestPlatform().Sounds.empty());
    EXPECT_EQ("Minimize", TestPlatform().Sounds.back().Sound.value_or(""));

    restore->Click();
    EXPECT_EQ(1, restoreClicks) << "the item's own handler still runs";
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_FALSE(restore->Enabled() || restore->Default()) << "shown: restore is disabled and not default";
    EXPECT_TRUE(minimize->Enabled() && minimize->Default());
    EXPECT_EQ("RestoreUp", TestPlatform().Sounds.back().Sound.value_or(""));
    EXPECT_EQ((std::vector<std::string>{"minimize", "restore"}), events);

    // Freed, the icon gives the items their own handlers back.
    tray->Free();
    tray = nullptr;
    events.clear();
    restore->SetEnabled(true);
    minimize->SetEnabled(true);
    restore->Click();
    minimize->Click();
    EXPECT_EQ(2, restoreClicks) << "the item's own handler, alone";
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(minimize->OnClick) << "the minimise item had no handler of its own";
}

TEST_F(TrayIconTest, HidingTheIconWhileTheFormIsHiddenShowsTheForm)
{
    tray->MinimizeToTray();
    ASSERT_FALSE(form->Visible());
    tray->SetVisible(false);
    EXPECT_TRUE(form->Visible()) << "never neither window nor icon";
}

TEST_F(TrayIconTest, DoubleClickClicksTheDefaultItemEvenWithOnlyMinimizeToTray)
{
    TPopupMenu menu(nullptr);
    auto* restore = new TMenuItem(&menu);
    menu.Items()->Add(restore);
    tray->SetPopupMenu(&menu);
    tray->SetPopupMenuRestoreItem(restore);
    tray->SetOptions(TrayOption(TvyTrayIconOption::oMinimizeToTray));
    tray->MinimizeToTray();
    ASSERT_FALSE(form->Visible());
    int dbl = 0;
    tray->OnDblClick = [&](TObject*) { ++dbl; };
    Mouse(WM_LBUTTONDBLCLK);
    EXPECT_EQ(1, dbl);
    EXPECT_TRUE(form->Visible()) << "the default item, restore, was clicked";
}

TEST_F(TrayIconTest, MouseRowsFireTheirEventsAndARightClickShowsTheMenu)
{
    std::vector<std::string> seen;
    tray->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState s, int, int) {
        seen.push_back("down " + std::to_string(static_cast<int>(b)) + " " + std::to_string(s & 0x38));
    };
    tray->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int, int) { seen.push_back("up " + std::to_string(static_cast<int>(b))); };
    tray->OnClick = [&](TObject*) { seen.push_back("click"); };
    TPopupMenu menu(nullptr);
    menu.Items()->Add(new TMenuItem(&menu));
    menu.Items()->Items(0)->SetCaption("Item");
    menu.OnPopup = [&](TObject*) {
        seen.push_back("menu");
        SetTimer(nullptr, 0, 50, &CloseMenu);
    };
    tray->SetPopupMenu(&menu);
    tray->OnPopupMenu = [&](TObject*) { seen.push_back("OnPopupMenu"); };
    Mouse(WM_LBUTTONDOWN);
    Mouse(WM_LBUTTONUP);
    Mouse(WM_RBUTTONDOWN);
    Mouse(WM_RBUTTONUP);
    Mouse(WM_MBUTTONDOWN);
    Mouse(WM_MBUTTONUP);
    const std::vector<std::string> expected = {"down 0 8", "up 0", "click", "down 1 16", "up 1", "menu", "OnPopupMenu", "down 2 32", "up 2"};
    EXPECT_EQ(expected, seen);
    seen.clear();
    Mouse(WM_LBUTTONUP);
    EXPECT_EQ(std::vector<std::string>{"up 0"}, seen) << "no click without a press first";
}

TEST_F(TrayIconTest, AnimationCyclesThroughTheListAndTellsOfEachStep)
{
    TBitmap pic;
    pic.SetWidth(16);
    pic.SetHeight(16);
    images->Add(&pic, nullptr); // three images now
    tray->SetImageList(images);
    std::vector<int> steps;
    tray->OnAnimate = [&](TObject*) { steps.push_back(tray->ImageIndex()); };
    tray->SetAnimateInterval(20);
    tray->SetAnimate(true);
    EXPECT_EQ(0, tray->ImageIndex()) << "an animation starts at the first image";
    ASSERT_TRUE(PumpUntil([&] { return steps.size() >= 4; }, 3000));
    EXPECT_EQ((std::vector<int>{1, 2, 0, 1}), std::vector<int>(steps.begin(), steps.begin() + 4));
    tray->SetAnimate(false);
    const size_t n = steps.size();
    ASSERT_TRUE(PumpTicks(20, 3)) << "a timer of the animation's interval";
    EXPECT_EQ(n, steps.size()) << "stopped";
}

TEST_F(TrayIconTest, TheIconComesBackWhenTheShellRestarts)
{
    tray->SetVisible(true);
    const size_t before = Notifies().size();
    SendMessageA(tray->UtilityWindow(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    ASSERT_EQ(before + 1, Notifies().size());
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), Notifies().back().Message);
    tray->SetVisible(false);
    SendMessageA(tray->UtilityWindow(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_NE(static_cast<DWORD>(NIM_ADD), Notifies().back().Message) << "not while hidden";
}

TEST_F(TrayIconTest, EveryReplacedIconHandleIsDestroyed)
{
    tray->SetImageList(images);
    std::vector<HICON> sent;
    for (int i = 0; i < 200; ++i) {
        tray->SetImageIndex(i & 1);
        sent.push_back(tray->WorkingIcon());
    }
    for (size_t i = 0; i + 1 < sent.size(); ++i) {
        ICONINFO info;
        EXPECT_FALSE(GetIconInfo(sent[i], &info)) << "icon " << i << " still alive";
    }
    ICONINFO info;
    EXPECT_TRUE(GetIconInfo(sent.back(), &info)) << "the current one lives";
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

TEST_F(TrayIconTest, ALogOffQueryRemovesTheIconAndStillSaysYes)
{
    tray->SetVisible(true);
    EXPECT_EQ(1, SendMessageA(tray->UtilityWindow(), WM_QUERYENDSESSION, 0, 0));
    EXPECT_FALSE(tray->Visible());
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), Notifies().back().Message);
}

TEST_F(TrayIconTest, HideOnRestoreIgnoresAStoredVisibleWhileLoading)
{
    TOwnedPtr<TForm> stored(new TForm(nullptr));
    TFormReader::ReadRoot(*stored, "object F: TForm\n"
                                   "  object Tray: TvyTrayIcon\n"
                                   "    Options = [oHideOnRestore]\n"
                                   "    Visible = True\n"
                                   "  end\n"
                                   "end\n");
    auto* t = dynamic_cast<TvyTrayIcon*>(stored->FindComponent("Tray"));
    ASSERT_NE(nullptr, t);
    EXPECT_FALSE(t->Visible());
    for (const auto& n : Notifies()) EXPECT_NE(static_cast<DWORD>(NIM_ADD), n.Message) << "added while loading";
    const size_t before = Notifies().size();
    t->MinimizeToTray();
    EXPECT_TRUE(t->Visible());
    bool added = false;
    for (size_t i = before; i < Notifies().size(); ++i) added = added || Notifies()[i].Message == NIM_ADD;
    EXPECT_TRUE(added) << "the first minimise adds the icon";
}

// The main window's two actions on the icon, per tick.
TEST(TrayOnMainWindowTest, TooltipAndImageIndexFollowTheTicks)
{
    TestPlatform().Notifies.clear();
    TestPlatform().Resources = [](unsigned short sel) -> unsigned short { return sel == 0 ? 57 : sel == 2 ? 80 : 66; };
    TOwnedPtr<TForm1> form(Application->CreateForm<TForm1>());
    form->Timer->SetEnabled(false);
    EXPECT_EQ(1, form->vyTrayIcon->ImageIndex()) << "FormCreate stores the first picture and shows image 1";
    EXPECT_TRUE(form->vyTrayIcon->Visible());
    form->TimerTimer(form->Timer);
    EXPECT_EQ("System: 57%, User: 80%, GDI: 66%", form->vyTrayIcon->Hint());
    EXPECT_EQ("System: 57%, User: 80%, GDI: 66%", Tip(TestPlatform().Notifies.back()));
    EXPECT_EQ(0, form->vyTrayIcon->ImageIndex());
    form->TimerTimer(form->Timer);
    EXPECT_EQ(1, form->vyTrayIcon->ImageIndex()) << "0, 1, 0, ... from tick to tick";
    form.reset();
    Application->SetMainForm(nullptr);
    TestPlatform().Resources = nullptr;
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), TestPlatform().Notifies.back().Message) << "the icon goes with the window";
}

} // namespace

namespace {

// Runs inside a copy of this program that Wine tells it is Windows 98 (see below).
TEST(TrayIconWin98Test, TheBalloonIsNeverSentBeforeWindows2000)
{
    if (!(GetVersion() & 0x80000000u)) GTEST_SKIP() << "runs only as Windows 95/98";
    EXPECT_FALSE(IsWin2KOrLater());
    TestPlatform().Notifies.clear();
    TOwnedPtr<TForm> form(new TForm(nullptr));
    auto* tray = new TvyTrayIcon(form.get());
    tray->Win2kInfoBalloon()->SetEnabled(true);
    tray->Win2kInfoBalloon()->SetText("balloon");
    tray->SetVisible(true);
    tray->ShowBalloon();
    for (const auto& n : TestPlatform().Notifies) {
        EXPECT_EQ(88u, Record(n).cbSize) << "message " << n.Message;
        EXPECT_EQ(0u, Record(n).uFlags & 0x10u) << "no balloon flag, message " << n.Message;
    }
}

// A copy of this program under another name, which Wine's per-program settings make report
// Windows 98, runs the test above for real.
TEST(TrayIconWin98Test, RunsAsWindows98InACopyOfThisProgram)
{
    if (GetVersion() & 0x80000000u) GTEST_SKIP() << "this is the copy";
    const TChildResult r = RunAsWindowsVersion(
        "win98", "--gtest_filter=TrayIconWin98Test.TheBalloonIsNeverSentBeforeWindows2000", "TG_TRAY_CHILD", "1");
    EXPECT_TRUE(r.Finished) << r.Output;
    EXPECT_EQ(0u, r.ExitCode) << r.Output;
    EXPECT_NE(std::string::npos, r.Output.find("[  PASSED  ] 1 test")) << r.Output;
    EXPECT_EQ(std::string::npos, r.Output.find("SKIPPED")) << "the copy did not report Windows 98:\n" << r.Output;
}

} // namespace
