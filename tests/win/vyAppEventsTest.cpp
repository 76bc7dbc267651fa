// tests/win/vyAppEventsTest.cpp
// Application events with real input: a held key, a right click on a title bar; the idle
// event handed to every listener in order; the taskbar button read from the Wine desktop's
// own taskbar; a stored ShowMainForm False that keeps the program hidden while it runs.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FormReader.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "ImgList.h"
#include "Pictures.h"
#include "WinTest.h"
#include "XInput.h"
#include "vyAppEvents.h"

namespace {

class AppEventsTest : public TCatchingTest {
protected:
    void TearDown() override
    {
        second.reset();
        form.reset();
        EXPECT_EQ(nullptr, TvyAppEvents::HookOwner()) << "the hooks go with their owner";
        TCatchingTest::TearDown();
    }
    TForm* NewForm(int x, int y, const std::string& caption)
    {
        auto* f = new TForm(Application);
        f->SetBounds(x, y, 300, 200);
        f->SetCaption(caption);
        return f;
    }
    TOwnedPtr<TForm> form;
    TOwnedPtr<TForm> second;
};

struct TKeySeen {
    bool Down;
    WORD Key;
    bool Repeated;
    std::string Name;
};

TEST_F(AppEventsTest, HeldKeyRepeatsAndEveryEventGoesToTheHookOwnerOnly)
{
    form.reset(NewForm(120, 120, "Keys"));
    auto* owner = new TvyAppEvents(form.get());
    auto* later = new TvyAppEvents(form.get());
    ASSERT_EQ(owner, TvyAppEvents::HookOwner()) << "the first instance owns the hooks";
    std::vector<TKeySeen> seen;
    int laterCalls = 0;
    owner->OnAppKeyDown = [&](TObject*, WORD& key, TShiftState, const std::string& name, bool repeated) {
        if (key == 'A') seen.push_back({true, key, repeated, name});
    };
    owner->OnAppKeyUp = [&](TObject*, WORD& key, TShiftState, const std::string& name, bool repeated) {
        if (key == 'A') seen.push_back({false, key, repeated, name});
    };
    later->OnAppKeyDown = [&](TObject*, WORD&, TShiftState, const std::string&, bool) { ++laterCalls; };
    form->Show();
    RECT r;
    GetWindowRect(form->Handle(), &r);
    ASSERT_TRUE(XClick(r.left + 150, r.top + 120)) << "xdotool click into the form";
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == form->Handle(); })) << "the form is in front";

    // Held for long enough that the X server repeats it.
    ASSERT_TRUE(RunXCommand("xdotool keydown a; sleep 1.2; xdotool keyup a"));
    ASSERT_TRUE(PumpUntil([&] { return !seen.empty() && !seen.back().Down; })) << "the key was released";

    ASSERT_GE(seen.size(), 3u) << "a press, at least one repeat and a release";
    EXPECT_TRUE(seen.front().Down) << "the press comes first";
    EXPECT_FALSE(seen.front().Repeated) << "the first press is no repeat";
    EXPECT_EQ("A", seen.front().Name) << "the key's name";
    for (size_t i = 1; i + 1 < seen.size(); ++i) {
        EXPECT_TRUE(seen[i].Down) << "event " << i << " is an auto-repeat press";
        EXPECT_TRUE(seen[i].Repeated) << "auto-repeat " << i << " says so";
    }
    EXPECT_TRUE(seen.back().Repeated) << "a release always counts as repeated";
    EXPECT_EQ(0, laterCalls) << "only the hook owner hears keys";

    // Once the owner has gone, the next instance made owns the hooks.
    owner->Free();
    auto* next = new TvyAppEvents(form.get());
    EXPECT_EQ(next, TvyAppEvents::HookOwner()) << "a new owner after the first has gone";
}

TEST_F(AppEventsTest, RightClickOnTitleBarIsReportedWithItsArea)
{
    form.reset(NewForm(200, 150, "Title"));
    // Without a system menu the right click opens no menu loop that would hold the test.
    form->SetBorderIcons(0);
    auto* events = new TvyAppEvents(form.get());
    struct TClick {
        bool Down;
        TMouseButton Button;
        TShiftState Shift;
        POINT At;
        int Window;
        int Hit;
    };
    std::vector<TClick> clicks;
    events->OnAppMouseDown = [&](TObject*, TMouseButton b, TShiftState s, POINT p, int w, int hit) {
        clicks.push_back({true, b, s, p, w, hit});
    };
    events->OnAppMouseUp = [&](TObject*, TMouseButton b, TShiftState s, POINT p, int w, int hit) {
        clicks.push_back({false, b, s, p, w, hit});
    };
    form->Show();
    RECT r;
    GetWindowRect(form->Handle(), &r);
    const POINT caption{r.left + 60, r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};
    ASSERT_TRUE(RunXCommand("xdotool mousemove 0 0 mousemove --sync " + std::to_string(caption.x) + " " +
                            std::to_string(caption.y) + " click 3"));
    ASSERT_TRUE(PumpUntil([&] { return clicks.size() >= 2; })) << "the right button went down and up";

    const TClick& down = clicks.front();
    EXPECT_TRUE(down.Down) << "the press is reported first";
    EXPECT_EQ(TMouseButton::mbRight, down.Button) << "the right button";
    EXPECT_TRUE(down.Shift & static_cast<TShiftState>(TShiftStateFlag::ssRight)) << "ssRight in the shift state";
    EXPECT_EQ(HTCAPTION, down.Hit) << "hit on the title bar";
    EXPECT_EQ(reinterpret_cast<INT_PTR>(form->Handle()), down.Window) << "the form's window";
    EXPECT_EQ(caption.x, down.At.x) << "screen point x";
    EXPECT_EQ(caption.y, down.At.y) << "screen point y";
    EXPECT_FALSE(clicks[1].Down) << "then the release";
    EXPECT_EQ(TMouseButton::mbRight, clicks[1].Button) << "of the right button";
}

TEST_F(AppEventsTest, IdleGoesToEveryListenerNewestFirstThenTheEarlierHandler)
{
    std::vector<std::string> order;
    std::vector<bool> doneSeen;
    Application->OnIdle = [&](TObject*, bool& done) {
        order.push_back("earlier");
        doneSeen.push_back(done);
        done = false; // keeps HandleMessage from waiting
    };
    form.reset(NewForm(100, 100, "One"));
    second.reset(NewForm(450, 100, "Two"));
    auto* first = new TvyAppEvents(form.get());
    auto* newer = new TvyAppEvents(second.get());
    first->OnIdle = [&](TObject* sender, bool& done) {
        order.push_back(sender == Application ? "first" : "first with a wrong sender");
        doneSeen.push_back(done);
    };
    newer->OnIdle = [&](TObject*, bool& done) {
        order.push_back("newer");
        doneSeen.push_back(done);
        done = false; // travels on to the older ones
    };
    PumpQueued();
    ASSERT_TRUE(PumpUntil([&] {
        Application->HandleMessage();
        return order.size() >= 3;
    })) << "an idle pass happened";
    EXPECT_EQ((std::vector<std::string>{"newer", "first", "earlier"}), std::vector<std::string>(order.begin(), order.begin() + 3));
    EXPECT_EQ((std::vector<bool>{true, false, false}), std::vector<bool>(doneSeen.begin(), doneSeen.begin() + 3))
        << "Done passes from one handler to the next";

    // With both listeners gone the earlier handler is the application's own again.
    newer->Free();
    first->Free();
    order.clear();
    ASSERT_TRUE(PumpUntil([&] {
        Application->HandleMessage();
        return !order.empty();
    })) << "an idle pass without listeners";
    EXPECT_EQ(std::vector<std::string>{"earlier"}, order);
    Application->OnIdle = nullptr;
}

// The Wine desktop's taskbar: a tray window whose visible child buttons are the start
// button and one owner-drawn button (no text of its own) for each window shown there.
HWND Taskbar() { return FindWindowA("Shell_TrayWnd", nullptr); }

int VisibleTaskbarButtons()
{
    // Wine's taskbar brings its buttons up to date when a top-level window comes or goes,
    // not when one is shown or hidden: a window that comes and goes makes it look.
    HWND nudge = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    DestroyWindow(nudge);
    PumpFor(QuietMs);
    int n = 0;
    for (HWND b = GetWindow(Taskbar(), GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT))
        if (IsWindowVisible(b)) ++n;
    return n;
}

bool SaveTaskbar(const std::string& name)
{
    RECT r;
    if (!GetWindowRect(Taskbar(), &r)) return false;
    TBitmap shot;
    CaptureScreen(r, shot);
    return SavePngArtifact(shot, name);
}

TEST_F(AppEventsTest, ShowTaskIconFalseLeavesNoTaskbarButtonUntilTheFormIsMinimised)
{
    ASSERT_NE(nullptr, Taskbar()) << "the test desktop has a taskbar";
    Application->SetTitle("Events Taskbar");
    form.reset(NewForm(150, 150, "Taskbar form"));
    Application->SetMainForm(form.get());
    auto* events = new TvyAppEvents(form.get());
    int minimised = 0, restored = 0;
    events->OnMinimize = [&](TObject*) { ++minimised; };
    events->OnRestore = [&](TObject*) { ++restored; };

    form->Show();
    EXPECT_TRUE(IsWindowVisible(Application->Handle())) << "the application window carries the button";
    const int shown = VisibleTaskbarButtons();
    ASSERT_GE(shown, 2) << "the start button and ours";
    PumpFor(200); // the taskbar paints the button it just made
    EXPECT_TRUE(SaveTaskbar("vyAppEvents-taskbar-shown.png"));

    events->SetShowTaskIcon(false);
    EXPECT_FALSE(IsWindowVisible(Application->Handle())) << "the application window is hidden";
    form->Hide();
    form->Show();
    EXPECT_TRUE(IsWindowVisible(form->Handle())) << "the form itself shows";
    EXPECT_FALSE(IsWindowVisible(Application->Handle())) << "showing a form does not bring the window back";
    EXPECT_FALSE(events->ShowTaskIcon());
    EXPECT_TRUE(PumpUntil([&] { return VisibleTaskbarButtons() == shown - 1; })) << "the button has gone";
    PumpFor(200);
    EXPECT_TRUE(SaveTaskbar("vyAppEvents-taskbar-hidden.png"));

    // Minimising the main form through its system menu brings the button back.
    SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ(1, minimised) << "OnMinimize fired once";
    EXPECT_TRUE(IsIconic(Application->Handle())) << "the application window is minimised";
    EXPECT_TRUE(events->ShowTaskIcon()) << "the task icon is on again";
    EXPECT_TRUE(PumpUntil([&] { return VisibleTaskbarButtons() == shown; })) << "the button is back";

    SendMessageA(Application->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_EQ(1, restored) << "OnRestore fired once";
    EXPECT_FALSE(IsIconic(Application->Handle())) << "restored";
    EXPECT_TRUE(IsWindowVisible(form->Handle())) << "the form shows again";
    events->Free();
    Application->SetShowTaskIcon(true);
    Application->SetMainForm(nullptr);
}

TEST_F(AppEventsTest, StoredShowMainFormFalseRunsWithNoWindowShown)
{
    form.reset(new TForm(Application));
    TFormReader::ReadRoot(*form, "object F: TForm\n"
                                 "  Caption = 'Hidden'\n"
                                 "  object Events: TvyAppEvents\n"
                                 "    ShowMainForm = False\n"
                                 "    ShowTaskIcon = False\n"
                                 "    AnimateIcon = False\n"
                                 "    AnimateInterval = 200\n"
                                 "    ImageIndex = 0\n"
                                 "  end\n"
                                 "end\n");
    auto* events = dynamic_cast<TvyAppEvents*>(form->FindComponent("Events"));
    ASSERT_NE(nullptr, events) << "the component was read";
    EXPECT_FALSE(Application->ShowMainForm()) << "in force as soon as it was read";
    Application->SetMainForm(form.get());
    bool formShown = true, appShown = true;
    int passes = 0;
    events->OnIdle = [&](TObject*, bool& done) {
        formShown = form->HandleAllocated() && IsWindowVisible(form->Handle());
        appShown = IsWindowVisible(Application->Handle()) != 0;
        done = false;
        // A few passes, so that anything posted at start has run.
        if (++passes == 3) Application->Terminate();
    };
    Application->Run();
    TakeBackQuit();
    EXPECT_EQ(3, passes);
    EXPECT_FALSE(formShown) << "the main form stays hidden";
    EXPECT_FALSE(appShown) << "no application window, so no taskbar button";
    Application->SetMainForm(nullptr);
    Application->SetShowMainForm(true);
    Application->SetShowTaskIcon(true);
}

TEST_F(AppEventsTest, PriorityIconAnimationAndOwnerCheck)
{
    form.reset(NewForm(100, 100, "Settings"));
    auto* events = new TvyAppEvents(form.get());

    events->SetAppPriorityClass(TvyAppPriorityClass::apHigh);
    EXPECT_EQ(static_cast<DWORD>(HIGH_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess())) << "the process's class";
    EXPECT_EQ(TvyAppPriorityClass::apHigh, events->AppPriorityClass()) << "read back";
    events->SetAppPriorityClass(TvyAppPriorityClass::apNormal);
    EXPECT_EQ(static_cast<DWORD>(NORMAL_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()));

    // Four images of different colours; the application icon follows the animation.
    auto* images = new TImageList(form.get());
    const TColor colours[] = {clRed, clLime, clBlue, clYellow};
    for (TColor c : colours) {
        TBitmap b;
        b.SetWidth(16);
        b.SetHeight(16);
        b.Canvas()->Brush()->SetColor(c);
        b.Canvas()->FillRect(RECT{0, 0, 16, 16});
        images->Add(&b, nullptr);
    }
    auto iconColour = [] {
        TBitmap b;
        b.SetWidth(16);
        b.SetHeight(16);
        DrawIconEx(b.Canvas()->Handle(), 0, 0, Application->Icon()->Handle(), 16, 16, 0, nullptr, DI_NORMAL);
        return GetPixel(b.Canvas()->Handle(), 8, 8);
    };
    events->SetImageList(images);
    EXPECT_EQ(ColorToRGB(clRed), iconColour()) << "image 0 is the application icon";
    events->SetAnimateInterval(200);
    events->SetAnimateIcon(true);
    std::vector<int> steps;
    ASSERT_TRUE(PumpUntil([&] {
        if (steps.empty() || steps.back() != events->ImageIndex()) steps.push_back(events->ImageIndex());
        return steps.size() >= 6;
    })) << "the animation runs";
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 0, 1}), steps) << "one step a tick, back to 0 after the last";
    EXPECT_EQ(ColorToRGB(colours[events->ImageIndex()]), iconColour()) << "the icon shows the current image";
    images->Free();
    EXPECT_EQ(nullptr, events->ImageList()) << "a freed image list is forgotten";
    const int at = events->ImageIndex();
    PumpFor(450);
    EXPECT_EQ(at, events->ImageIndex()) << "the animation stops with its list";

    TForm plainOwner(nullptr);
    TPanel* panel = new TPanel(&plainOwner);
    panel->SetParent(&plainOwner);
    try {
        new TvyAppEvents(panel);
        ADD_FAILURE() << "a panel is no form";
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ("Owner must be a Form!", e.what());
    }
}

// Pumps through the application's own message handling (where hints are followed) until
// pred() holds or timeoutMs passes.
bool AppPumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 5000)
{
    const DWORD start = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - start > timeoutMs) return pred();
        Application->ProcessMessages();
        if (pred()) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

TEST_F(AppEventsTest, HintShowsThroughOnShowHintAndASettingsChangeMakesANewHintWindow)
{
    form.reset(NewForm(300, 200, "Hints"));
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(20, 20, 200, 100);
    panel->SetHint("Short|Long text");
    panel->SetShowHint(true);
    auto* events = new TvyAppEvents(form.get());
    events->SetHintPause(100);
    events->SetHintHidePause(600);
    events->SetHintColor(clYellow);
    events->HintFont()->SetName("Arial");
    std::vector<std::string> shown;
    events->OnShowHint = [&](std::string& hint, bool& canShow, THintInfo& info) {
        shown.push_back(hint);
        EXPECT_TRUE(canShow) << "a hint may show unless someone says otherwise";
        EXPECT_EQ(panel, info.HintControl) << "the control the hint is for";
        hint += "!";
    };
    std::vector<std::string> hints;
    events->OnHint = [&](TObject*) { hints.push_back(Application->Hint()); };
    form->Show();
    PumpQueued();

    const POINT over = panel->ClientToScreen(POINT{100, 50});
    SetCursorPos(over.x, over.y);
    ASSERT_TRUE(AppPumpUntil([] { return Application->HintWindow() && Application->HintWindow()->Showing(); }))
        << "the hint shows once the mouse has rested";
    THintWindow* hint = Application->HintWindow();
    EXPECT_EQ(std::vector<std::string>{"Short"}, shown) << "OnShowHint sees the short hint";
    EXPECT_EQ("Short!", hint->Caption()) << "and what it made of it is shown";
    EXPECT_EQ(std::vector<std::string>{"Long text"}, hints) << "the application's hint is the long one";
    EXPECT_EQ("Arial", hint->Font()->Name()) << "the hint font";
    RECT r;
    GetWindowRect(hint->Handle(), &r);
    EXPECT_GT(r.top, over.y) << "below the mouse";
    // What the hint window draws reaches the screen a moment later.
    TBitmap shot;
    const auto marginPixel = [&] {
        CaptureScreen(r, shot);
        return PixelsOf(shot)[static_cast<size_t>(shot.Width() + shot.Width() / 2)];
    };
    EXPECT_TRUE(PumpUntil([&] { return marginPixel() == ColorToRGB(clYellow); }))
        << "the hint colour, in the margin inside the border";
    ASSERT_TRUE(AppPumpUntil([&] { return !hint->Showing(); })) << "the hint hides after HintHidePause";

    // A settings change: a new hint window (with the font again) and OnSettingsChanged.
    int changes = 0;
    events->OnSettingsChanged = [&](TObject* sender) {
        EXPECT_EQ(events, sender);
        ++changes;
    };
    SendMessageA(Application->Handle(), WM_WININICHANGE, 0, 0);
    EXPECT_EQ(1, changes) << "OnSettingsChanged fired";
    ASSERT_NE(nullptr, Application->HintWindow()) << "hints stay on";
    EXPECT_EQ("Arial", Application->HintWindow()->Font()->Name()) << "the new hint window has the hint font";

    // An exception nobody handles goes to the standard display.
    events->Free();
    Application->OnException = nullptr;
    auto* bare = new TvyAppEvents(form.get());
    TestPlatform().Boxes.clear();
    try {
        throw Exception("Nobody listens");
    } catch (...) {
        HandleException(bare);
    }
    ASSERT_EQ(1u, TestPlatform().Boxes.size()) << "the standard exception display";
    EXPECT_EQ("Nobody listens.", TestPlatform().Boxes[0].Text);
    TestPlatform().Boxes.clear();
}

} // namespace
