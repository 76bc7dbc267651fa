// tests/win/vyClassesHooksTest.cpp
// The hook chain on real windows: order, removal, re-creation, caption watching, topmost.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

// A hook that frees itself (or is freed) during a message. Its memory is filled with a
// pattern and never given back, so any read through it after the free lands on garbage
// instead of on stale but plausible values.
constexpr UINT WM_FREE_BEFORE = WM_APP + 42;
constexpr UINT WM_FREE_AFTER = WM_APP + 43;

class TSelfFreeingHook : public TvyHFormHookComponent {
public:
    TSelfFreeingHook(TComponent* owner, std::string tag) : TvyHFormHookComponent(owner), Tag(std::move(tag)) {}
    ~TSelfFreeingHook() override { Seen.push_back("freed " + Tag); }
    static void operator delete(void* p, std::size_t size) { std::memset(p, 0xCC, size); }
    std::string Tag;
    bool FreeSelf = false;
    void BeforeMessage(TMessage& m, bool&) override
    {
        if (m.Msg == WM_FREE_BEFORE || m.Msg == WM_FREE_AFTER || m.Msg == WM_PROBE) Seen.push_back("before " + Tag);
        if (m.Msg == WM_FREE_BEFORE && FreeSelf) Free();
    }
    void AfterMessage(TMessage& m) override
    {
        if (m.Msg == WM_FREE_BEFORE || m.Msg == WM_FREE_AFTER || m.Msg == WM_PROBE)
            Seen.push_back("after " + Tag + " result " + std::to_string(m.Result));
        if (m.Msg == WM_FREE_AFTER && FreeSelf) Free();
    }
};

// Frees the given components while the message passes through the window itself.
class TFreeingForm : public TProbeForm {
public:
    using TProbeForm::TProbeForm;
    std::vector<TComponent*> ToFree;

protected:
    void WndProc(TMessage& m) override
    {
        if (m.Msg == WM_FREE_BEFORE || m.Msg == WM_FREE_AFTER) {
            Seen.push_back("form");
            for (TComponent* c : ToFree) c->Free();
            ToFree.clear();
            m.Result = 5;
            return;
        }
        TProbeForm::WndProc(m);
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
    PumpQueued();
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
    PumpQueued();
    const int initial = w->Changes;
    form->SetCaption("New caption");
    PumpQueued();
    EXPECT_EQ(initial, w->Changes) << "nothing before a WM_GETTEXT reaches the window";
    SendMessageA(form->Handle(), WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    EXPECT_EQ(initial, w->Changes) << "not from inside the message";
    EXPECT_TRUE(PumpUntil([&] { return w->Changes == initial + 1; }));
    SendMessageA(form->Handle(), WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    PumpQueued();
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

TEST_F(HooksTest, AComponentFreedDuringAMessageLetsItFinishThroughTheRestOfTheChain)
{
    struct TCase {
        const char* Name;
        UINT Msg;
        bool FreeFromForm; // else the middle component B frees itself
        std::vector<std::string> Expected;
    };
    const TCase cases[] = {
        {"own before-step", WM_FREE_BEFORE, false,
         {"before C", "before B", "freed B", "before A", "form", "after A result 5", "after C result 5"}},
        {"own after-step", WM_FREE_AFTER, false,
         {"before C", "before B", "before A", "form", "after A result 5", "after B result 5", "freed B", "after C result 5"}},
        {"the window, freeing all three", WM_FREE_BEFORE, true,
         {"before C", "before B", "before A", "form", "freed C", "freed B", "freed A"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Seen.clear();
        TOwnedPtr<TFreeingForm> f(new TFreeingForm(nullptr));
        const LONG formProc = GetWindowLongA(f->Handle(), GWL_WNDPROC);
        auto* a = new TSelfFreeingHook(f.get(), "A");
        auto* b = new TSelfFreeingHook(f.get(), "B");
        auto* cc = new TSelfFreeingHook(f.get(), "C");
        if (c.FreeFromForm)
            f->ToFree = {cc, b, a};
        else
            b->FreeSelf = true;
        EXPECT_EQ(5, SendMessageA(f->Handle(), c.Msg, 0, 0));
        EXPECT_EQ(c.Expected, Seen);
        if (!c.FreeFromForm) {
            // The survivors still work, in order.
            Seen.clear();
            EXPECT_EQ(7, SendMessageA(f->Handle(), WM_PROBE, 0, 0));
            EXPECT_EQ((std::vector<std::string>{"before C", "before A", "form", "after A result 7", "after C result 7"}), Seen);
            cc->Free();
            a->Free();
        }
        EXPECT_EQ(formProc, GetWindowLongA(f->Handle(), GWL_WNDPROC)) << "the window's own procedure again";
        EXPECT_EQ(nullptr, TvyHookList::Instance()) << "no link left behind";
    }
}

TEST_F(HooksTest, ApplicationWindowHooksComeOffInAnyOrder)
{
    const LONG original = GetWindowLongA(Application->Handle(), GWL_WNDPROC);
    std::vector<int> order = {0, 1, 2};
    do {
        const std::string tags[] = {"X", "Y", "Z"};
        std::vector<TAppProbe*> hooks;
        for (const auto& t : tags) hooks.push_back(new TAppProbe(form.get(), t));
        std::vector<int> alive = {0, 1, 2};
        std::string trace = "removal order";
        for (int i : order) trace += " " + tags[i];
        SCOPED_TRACE(trace);
        for (int i : order) {
            hooks[static_cast<size_t>(i)]->Free();
            alive.erase(std::find(alive.begin(), alive.end(), i));
            std::vector<std::string> expected;
            for (auto it = alive.rbegin(); it != alive.rend(); ++it) expected.push_back("app before " + tags[*it]);
            for (int j : alive) expected.push_back("app after " + tags[j]);
            Seen.clear();
            SendMessageA(Application->Handle(), WM_PROBE, 0, 0);
            EXPECT_EQ(expected, Seen) << "after removing " << tags[i];
        }
        EXPECT_EQ(original, GetWindowLongA(Application->Handle(), GWL_WNDPROC));
    } while (std::next_permutation(order.begin(), order.end()));
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
