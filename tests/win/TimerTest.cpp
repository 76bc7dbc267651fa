// tests/win/TimerTest.cpp
// TTimer against real system timers: ticks arrive through the message loop, stop when
// told, survive a throwing handler, and wait for Loaded in stored forms.
#include "ExtCtrls.h"
#include "FormReader.h"
#include "Forms.h"
#include "WinTest.h"
#include "WinUtils.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Every test sees the exceptions handed to HandleException during it, and no message box.
class TimerTest : public TCatchingTest {};

constexpr DWORD Patience = 5000;

TEST_F(TimerTest, DefaultsAndTicks)
{
    TTimer timer(nullptr);
    EXPECT_TRUE(timer.Enabled()) << "default Enabled";
    EXPECT_EQ(1000u, timer.Interval()) << "default Interval";
    EXPECT_FALSE(timer.Running()) << "no handler, no system timer";

    int ticks = 0;
    TObject* sender = nullptr;
    timer.SetInterval(20);
    timer.SetOnTimer([&](TObject* s) {
        ++ticks;
        sender = s;
    });
    EXPECT_TRUE(timer.Running()) << "a handler starts the timer";
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 5; }, Patience)) << "ticks seen: " << ticks;
    EXPECT_EQ(&timer, sender) << "OnTimer's sender";
    EXPECT_TRUE(Caught.empty()) << "no exception expected";
}

TEST_F(TimerTest, DisabledTimerStopsTicking)
{
    TTimer timer(nullptr);
    int ticks = 0;
    timer.SetInterval(20);
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 2; }, Patience)) << "ticks before disabling: " << ticks;

    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Running()) << "after disabling";
    const int stoppedAt = ticks;
    ASSERT_TRUE(PumpTicks(20, 3)) << "a timer of the same interval";
    EXPECT_EQ(stoppedAt, ticks) << "ticks while disabled";

    timer.SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return ticks >= stoppedAt + 2; }, Patience)) << "ticks after enabling again";
}

TEST_F(TimerTest, HandlerThatPausesItselfKeepsTicking)
{
    // The program's own handler turns the timer off while it works and on at its end.
    TTimer timer(nullptr);
    int ticks = 0;
    std::vector<bool> runningInside;
    timer.SetInterval(20);
    timer.SetOnTimer([&](TObject* sender) {
        auto* self = static_cast<TTimer*>(sender);
        self->SetEnabled(false);
        runningInside.push_back(self->Running());
        ++ticks;
        self->SetEnabled(true);
    });
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 4; }, Patience)) << "ticks seen: " << ticks;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_TRUE(timer.Running()) << "running again after the handler";
    for (size_t i = 0; i < runningInside.size(); ++i) EXPECT_FALSE(runningInside[i]) << "still running inside tick " << i;
}

TEST_F(TimerTest, ThrowingHandlerReachesHandleExceptionOncePerTick)
{
    TTimer timer(nullptr);
    int ticks = 0;
    timer.SetInterval(20);
    timer.SetOnTimer([&](TObject* sender) {
        ++ticks;
        // Stop after the third so the count can be compared exactly.
        if (ticks == 3) static_cast<TTimer*>(sender)->SetEnabled(false);
        throw Exception("tick " + std::to_string(ticks));
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }, Patience)) << "the loop went on after a throw; ticks: " << ticks;
    ASSERT_TRUE(PumpTicks(20, 3)) << "a timer of the same interval";
    EXPECT_EQ(3, ticks) << "ticks after stopping";
    ASSERT_EQ(3u, Caught.size()) << "HandleException calls";
    for (size_t i = 0; i < Caught.size(); ++i) {
        EXPECT_EQ(&timer, Caught[i].Sender) << "caught by the timer, not by the window thunk, tick " << i + 1;
        EXPECT_EQ("tick " + std::to_string(i + 1), Caught[i].Message);
    }
}

TEST_F(TimerTest, NothingRunsWithoutIntervalHandlerOrEnabled)
{
    int ticks = 0;
    TNotifyEvent count([&](TObject*) { ++ticks; });

    TTimer zero(nullptr);
    zero.SetInterval(0);
    zero.SetOnTimer(count);
    EXPECT_FALSE(zero.Running()) << "interval 0";

    TTimer off(nullptr);
    off.SetEnabled(false);
    off.SetInterval(20);
    off.SetOnTimer(count);
    EXPECT_FALSE(off.Running()) << "disabled";

    TTimer designing(nullptr);
    designing.SetDesigning(true);
    designing.SetInterval(20);
    designing.SetOnTimer(count);
    EXPECT_FALSE(designing.Running()) << "designing";

    ASSERT_TRUE(PumpTicks(20, 3)) << "a timer of the same interval";
    EXPECT_EQ(0, ticks) << "ticks from timers that should not run";

    zero.SetInterval(20);
    EXPECT_TRUE(zero.Running()) << "an interval starts it";
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }, Patience)) << "ticks after setting the interval";
    zero.SetOnTimer(TNotifyEvent());
    EXPECT_FALSE(zero.Running()) << "clearing the handler stops it";
}

TEST_F(TimerTest, DestroyedTimerTicksNoMore)
{
    int ticks = 0;
    auto timer = std::make_unique<TTimer>(nullptr);
    timer->SetInterval(20);
    timer->SetOnTimer([&](TObject*) { ++ticks; });
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }, Patience));
    timer.reset();
    const int at = ticks;
    ASSERT_TRUE(PumpTicks(20, 3)) << "a timer of the same interval";
    EXPECT_EQ(at, ticks) << "ticks after destruction";
}

BOOL CALLBACK CollectUtilityWindow(HWND wnd, LPARAM found)
{
    char name[32] = {};
    GetClassNameA(wnd, name, sizeof name);
    if (std::string(name) == "TgUtilWindow") reinterpret_cast<std::vector<HWND>*>(found)->push_back(wnd);
    return TRUE;
}

// A task killer asks every top-level window of a process to close, hidden ones included. The
// main window's sampling handler pauses its timer and lets messages through, so the request
// may reach the timer's window right then: the handler starts the timer again all the same.
TEST_F(TimerTest, TicksGoOnAfterEveryWindowOfTheThreadWasAskedToClose)
{
    TTimer timer(nullptr);
    int ticks = 0;
    std::vector<HWND> asked;
    timer.SetInterval(20);
    timer.SetOnTimer([&](TObject*) {
        ++ticks;
        timer.SetEnabled(false);
        if (ticks == 2) {
            EnumThreadWindows(GetCurrentThreadId(), &CollectUtilityWindow, reinterpret_cast<LPARAM>(&asked));
            for (HWND wnd : asked) SendMessageA(wnd, WM_CLOSE, 0, 0);
        }
        timer.SetEnabled(true);
    });
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 5; }, Patience)) << "ticks seen: " << ticks;
    EXPECT_FALSE(asked.empty()) << "the timer's window was among those asked";
    for (HWND wnd : asked) EXPECT_TRUE(IsWindow(wnd)) << "a utility window went on WM_CLOSE";
    EXPECT_TRUE(Caught.empty()) << (Caught.empty() ? "" : Caught[0].Message);
}

// --- SetTimer failure ------------------------------------------------------------------

// Starts the timer on a thread of its own, so that its window belongs to that thread and
// goes when the thread ends.
DWORD WINAPI StartOnThread(void* param)
{
    auto* timer = static_cast<TTimer*>(param);
    timer->SetOnTimer([](TObject*) {});
    timer->SetEnabled(false);
    return 0;
}

TEST_F(TimerTest, SetTimerFailureRaisesOutOfResources)
{
    TTimer timer(nullptr);
    timer.SetInterval(20);
    HANDLE thread = CreateThread(nullptr, 0, &StartOnThread, &timer, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    // The window is gone with its thread: the system refuses a timer for it.
    try {
        timer.SetEnabled(true);
        ADD_FAILURE() << "SetTimer on a destroyed window succeeded";
    } catch (const EOutOfResources& e) {
        EXPECT_EQ("Not enough timers available", e.Message());
    }
    EXPECT_FALSE(timer.Running()) << "after a failed start";
}

// --- stored forms ----------------------------------------------------------------------

class TTimerTestForm : public TComponent {
public:
    TG_DECLARE_CLASS()
    using TComponent::TComponent;
    int Ticks = 0;
    // What the root saw of Timer1 in its own Loaded, which runs before the timer's.
    std::vector<bool> RunningWhenRootLoaded;
    void TimerTimer(TObject*) { ++Ticks; }

    void Loaded() override
    {
        TComponent::Loaded();
        if (auto* t = dynamic_cast<TTimer*>(FindComponent("Timer1"))) RunningWhenRootLoaded.push_back(t->Running());
    }
};

const TClassInfo& TTimerTestForm::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TTimerTestForm", &TComponent::StaticClassInfo(), &CreateComponentOf<TTimerTestForm>, {}, {}};
        i.Methods.push_back(Method("TimerTimer", &TTimerTestForm::TimerTimer));
        return i;
    }();
    return info;
}

[[maybe_unused]] const bool FormRegistered = [] {
    RegisterComponentClass(TTimerTestForm::StaticClassInfo());
    return true;
}();

const char TimerForm[] = R"(object TimerTestForm: TTimerTestForm
  object Timer1: TTimer
    Interval = 20
    OnTimer = TimerTimer
  end
  object Timer2: TTimer
    Enabled = False
    OnTimer = TimerTimer
  end
end
)";

// The handler comes before the interval here, so the timer has everything it needs to run
// while it is still being read.
const char HandlerFirstForm[] = R"(object TimerTestForm: TTimerTestForm
  object Timer1: TTimer
    OnTimer = TimerTimer
    Interval = 20
  end
  object Timer2: TTimer
    OnTimer = TimerTimer
    Enabled = False
  end
end
)";

TEST_F(TimerTest, StoredTimerStartsAfterLoaded)
{
    std::unique_ptr<TComponent> root(TFormReader::CreateRoot(HandlerFirstForm, nullptr));
    auto* form = dynamic_cast<TTimerTestForm*>(root.get());
    ASSERT_NE(nullptr, form);
    auto* timer1 = dynamic_cast<TTimer*>(form->FindComponent("Timer1"));
    auto* timer2 = dynamic_cast<TTimer*>(form->FindComponent("Timer2"));
    ASSERT_TRUE(timer1 && timer2) << "timers read";

    EXPECT_EQ((std::vector<bool>{false}), form->RunningWhenRootLoaded) << "Timer1 ran before its own Loaded";
    EXPECT_TRUE(timer1->Running()) << "Timer1 after loading";
    EXPECT_FALSE(timer2->Running()) << "Timer2 is stored disabled";
    EXPECT_EQ(20u, timer1->Interval());
    EXPECT_EQ(1000u, timer2->Interval()) << "default interval kept";
    EXPECT_TRUE(PumpUntil([&] { return form->Ticks >= 3; }, Patience)) << "wired handler ticks: " << form->Ticks;
}

TEST_F(TimerTest, StoredTimerWritesBackOnlyWhatDiffers)
{
    std::unique_ptr<TComponent> root(TFormReader::CreateRoot(TimerForm, nullptr));
    EXPECT_EQ(ParseFormText(TimerForm), TFormWriter::WriteTree(*root)) << TFormWriter::Write(*root);
}

} // namespace
