// tests/win/vyClassesHooksTest.cpp
// The hook chain on real windows: order, removal, re-creation, caption watching, topmost.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Forms.h"
#include "WinTest.h"
#include "vyClasses.h"

namespace {

std::vector<std::string> Seen;
constexpr UINT WM_PROBE = WM_APP + 40;
constexpr UINT WM_FAIL = WM_APP + 41;

class TProbeForm : public TForm {
public:
    using TForm::TForm;

protected:
    void WndProc(TMessage& m) override
    {
        if (m.Msg == WM_PROBE) {
            Seen.push_back("form");
            m.Result = 7;
            return;
        }
        TForm::WndProc(m);
    }
};

class TProbeHook : public TvyHFormHookComponent {
public:
    TProbeHook(TComponent* owner, std::string tag) : TvyHFormHookComponent(owner), Tag(std::move(tag)) {}
    std::string Tag;
    bool Handle = false;
    int Restored = 0;
    int TopmostNotices = 0;
    void BeforeMessage(TMessage& m, bool& handled) override
    {
        if (m.Msg == WM_PROBE) {
            Seen.push_back("before " + Tag);
            handled = Handle;
            if (Handle) m.Result = 99;
        }
        if (m.Msg == VY_TOPMOST_CHANGED) ++TopmostNotices;
        if (m.Msg == WM_FAIL) throw EInvalidOperation("hook " + Tag + " failed");
    }
    void AfterMessage(TMessage& m) override
    {
        if (m.Msg == WM_PROBE) Seen.push_back("after " + Tag + " result " + std::to_string(m.Result));
    }
    void RestoreState() override
    {
        ++Restored;
        TvyHFormHookComponent::RestoreState();
    }
};

class TCaptionProbe : public TvyHFormHookComponentWatchCaption {
public:
    using TvyHFormHookComponentWatchCaption::TvyHFormHookComponentWatchCaption;
    bool InsideGetText = false;
    int Changes = 0;
    bool ReportedInside = false;
    void BeforeMessage(TMessage& m, bool&) override
    {
        if (m.Msg == WM_GETTEXT) InsideGetText = true;
    }
    void AfterMessage(TMessage& m) override
    {
        TvyHFormHookComponentWatchCaption::AfterMessage(m);
        if (m.Msg == WM_GETTEXT) InsideGetText = false;
    }

protected:
    void CaptionChanged() override
    {
        ++Changes;
        if (InsideGetText) ReportedInside = true;
    }
};

class TAppProbe : public TvyAppHookComponent {
public:
    TAppProbe(TComponent* owner, std::string tag) : TvyAppHookComponent(owner), Tag(std::move(tag)) {}
    std::string Tag;
    void AppBeforeMessage(TMessage& m, bool&) override
    {
        if (m.Msg == WM_PROBE) Seen.push_back("app before " + Tag);
    }
    void AppAfterMessage(TMessage& m) override
    {
        if (m.Msg == WM_PROBE) Seen.push_back("app after " + Tag);
    }
};

class HooksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Seen.clear();
        TestPlatform().Boxes.clear();
        form.reset(new TProbeForm(nullptr));
    }
    TOwnedPtr<TProbeForm> form;
};

TEST_F(HooksTest, BeforeRunsNewestFirstAfterRunsOldestFirstAroundTheWindow)
{
    new TProbeHook(form.get(), "A");
    auto* b = new TProbeHook(form.get(), "B");
    new TProbeHook(form.get(), "C");
    EXPECT_EQ(7, SendMessageA(form->Handle(), WM_PROBE, 0, 0));
    const std::vector<std::string> expected = {"before C", "before B", "before A", "form",
                                               "after A result 7", "after B result 7", "after C result 7"};
    EXPECT_EQ(expected, Seen);

    // B handles it: A and the form never see it, B's own after-step still does.
    Seen.clear();
    b->Handle = true;
    EXPECT_EQ(99, SendMessageA(form->Handle(), WM_PROBE, 0, 0));
    const std::vector<std::string> handled = {"before C", "before B", "after B result 99", "after C result 99"};
    EXPECT_EQ(handled, Seen);
}

TEST_F(HooksTest, RemovingTheMiddleComponentKeepsTheOthersChained)
{
    const LONG formProc = GetWindowLongA(form->Handle(), GWL_WNDPROC);
    auto* a = new TProbeHook(form.get(), "A");
    auto* b = new TProbeHook(form.get(), "B");
    auto* c = new TProbeHook(form.get(), "C");
    b->Free();
    SendMessageA(form->Handle(), WM_PROBE, 0, 0);
    EXPECT_EQ((std::vector<std::string>{"before C", "before A", "form", "after A result 7", "after C result 7"}), Seen);
    // Then the newest, then the last: the window ends with its own procedure again.
    c->Free();
    a->Free();
    EXPECT_EQ(formProc, GetWindowLongA(form->Handle(), GWL_WNDPROC)) << "the window's own procedure again";
    Seen.clear();
    EXPECT_EQ(7, SendMessageA(form->Handle(), WM_PROBE, 0, 0));
    EXPECT_EQ(std::vector<std::string>{"form"}, Seen);
    EXPECT_EQ(nullptr, TvyHookList::Instance()) << "the list goes with its last component";
}

TEST_F(HooksTest, ReCreatingTheWindowReattachesEveryComponentAndRestoresStateOnce)
{
    auto* a = new TProbeHook(form.get(), "A");
    auto* b = new TProbeHook(form.get(), "B");
    a->SetTopmost(true);
    HWND before = form->Handle();
    form->SetBorderStyle(TFormBorderStyle::bsDialog);
    HWND after = form->Handle();
    ASSERT_NE(before, after);
    EXPECT_TRUE(PumpUntil([&] { return a->Restored == 1 && b->Restored == 1; }));
    PumpFor(50);
    EXPECT_EQ(1, a->Restored);
    EXPECT_EQ(1, b->Restored);
    EXPECT_EQ(after, a->WindowHandle());
    EXPECT_TRUE(a->Hooked());
    EXPECT_TRUE(GetWindowLongA(after, GWL_EXSTYLE) & WS_EX_TOPMOST) << "the stored topmost state is applied again";
    Seen.clear();
    EXPECT_EQ(7, SendMessageA(after, WM_PROBE, 0, 0));
    EXPECT_EQ((std::vector<std::string>{"before B", "before A", "form", "after A result 7", "after B result 7"}), Seen);
}

TEST_F(HooksTest, DestroyingTheFormPostsNoReattachRequest)
{
    // A hook on another form keeps the list (and its window) alive to look at.
    TOwnedPtr<TProbeForm> other(new TProbeForm(nullptr));
    new TProbeHook(other.get(), "keeper");
    new TProbeHook(form.get(), "A");
    HWND list = TvyHookList::Instance()->Handle();
    form.reset();
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, list, VY_REATTACH_HOOKS, VY_REATTACH_HOOKS, PM_NOREMOVE));
}

TEST_F(HooksTest, ACaptionChangeIsReportedOnceAfterTheGetTextThatRevealedIt)
{
    auto* w = new TCaptionProbe(form.get());
    char buf[64];
    GetWindowTextA(form->Handle(), buf, sizeof buf);
    PumpFor(30);
    const int initial = w->Changes;
    form->SetCaption("New caption");
    PumpFor(30);
    EXPECT_EQ(initial, w->Changes) << "nothing before a WM_GETTEXT reaches the window";
    SendMessageA(form->Handle(), WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    EXPECT_EQ(initial, w->Changes) << "not from inside the message";
    EXPECT_TRUE(PumpUntil([&] { return w->Changes == initial + 1; }));
    SendMessageA(form->Handle(), WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    PumpFor(30);
    EXPECT_EQ(initial + 1, w->Changes) << "reported once";
    EXPECT_FALSE(w->ReportedInside);
}

TEST_F(HooksTest, TopmostToItsCurrentValueSendsNothing)
{
    auto* a = new TProbeHook(form.get(), "A");
    auto* b = new TProbeHook(form.get(), "B");
    a->SetTopmost(false);
    EXPECT_EQ(0, a->TopmostNotices);
    a->SetTopmost(true);
    EXPECT_EQ(1, a->TopmostNotices);
    EXPECT_EQ(1, b->TopmostNotices);
    EXPECT_TRUE(b->Topmost()) << "every component on the window learns the state";
    a->SetTopmost(true);
    EXPECT_EQ(1, a->TopmostNotices);
}

TEST_F(HooksTest, AnOwnerThatIsNoWindowedControlIsRefused)
{
    TComponent plain(nullptr);
    const int before = TvyHookList::Instance() ? TvyHookList::Instance()->Count() : 0;
    try {
        new TvyFormHookComponent(&plain);
        ADD_FAILURE() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ("Owner must be TWinControl or its successor!", e.Message());
    }
    EXPECT_EQ(before, TvyHookList::Instance() ? TvyHookList::Instance()->Count() : 0);
    EXPECT_EQ(0, plain.ComponentCount()) << "the refused component is gone again";
}

TEST_F(HooksTest, AnExceptionInAHookIsShownAndTheMessageReturns)
{
    new TProbeHook(form.get(), "A");
    SendMessageA(form->Handle(), WM_FAIL, 0, 0);
    ASSERT_EQ(1u, TestPlatform().Boxes.size());
    EXPECT_EQ("hook A failed.", TestPlatform().Boxes[0].Text);
    EXPECT_EQ(7, SendMessageA(form->Handle(), WM_PROBE, 0, 0)) << "the chain still works";
}

TEST_F(HooksTest, ApplicationWindowHooksNestAndUnnest)
{
    const LONG original = GetWindowLongA(Application->Handle(), GWL_WNDPROC);
    auto* x = new TAppProbe(form.get(), "X");
    auto* y = new TAppProbe(form.get(), "Y");
    SendMessageA(Application->Handle(), WM_PROBE, 0, 0);
    EXPECT_EQ((std::vector<std::string>{"app before Y", "app before X", "app after X", "app after Y"}), Seen);
    y->Free();
    x->Free();
    EXPECT_EQ(original, GetWindowLongA(Application->Handle(), GWL_WNDPROC));
}

} // namespace
