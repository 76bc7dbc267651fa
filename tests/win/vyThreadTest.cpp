// tests/win/vyThreadTest.cpp
// TvyCustomThread against real system threads: a fresh thread for every run, reports on
// the main thread in their order, ending runs by force, priorities that survive restarts,
// the chaining rule, waiting for a run, freeing the owner, and the framework's hand-over.
#include "Forms.h"
#include "Threads.h"
#include "WinTest.h"
#include "WinUtils.h"
#include "vyThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr DWORD Patience = 10000;

// What happened, in order, from any thread.
class TLog {
public:
    void Add(const std::string& s)
    {
        TCriticalSectionGuard guard(FLock);
        FItems.push_back(s);
    }
    std::vector<std::string> Items() const
    {
        TCriticalSectionGuard guard(FLock);
        return FItems;
    }
    size_t Count() const
    {
        TCriticalSectionGuard guard(FLock);
        return FItems.size();
    }

private:
    mutable TCriticalSection FLock;
    std::vector<std::string> FItems;
};

std::string Where()
{
    return GetCurrentThreadId() == MainThreadID() ? "main" : "worker";
}

// A manual-reset event the test opens to let a blocked job go on.
class TGate {
public:
    TGate() : FEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~TGate() { CloseHandle(FEvent); }
    void Open() { SetEvent(FEvent); }
    // Bounded, so a test that goes wrong cannot hang the run.
    bool Wait(DWORD ms = Patience) { return WaitForSingleObject(FEvent, ms) == WAIT_OBJECT_0; }

private:
    HANDLE FEvent;
};

// Our own handle on the current system thread of a component, valid after the component
// has replaced or closed its own.
HANDLE KeepThread(const TvyCustomThread& t)
{
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), t.ThreadHandle(), GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    return copy;
}

bool Ended(HANDLE thread)
{
    return WaitForSingleObject(thread, Patience) == WAIT_OBJECT_0;
}

// Once a run's system thread has ended, nothing more of that run can reach the main thread
// except what it already queued: dispatching the queue shows it all.
void SettleRun(HANDLE thread)
{
    EXPECT_TRUE(Ended(thread)) << "the run's system thread ended";
    CloseHandle(thread);
    PumpQueued();
}

// Waits, without taking messages, until a worker's hand-over is waiting for this thread.
bool HandOverWaiting()
{
    const DWORD start = GetTickCount();
    while (!SentMessageWaiting()) {
        if (GetTickCount() - start > Patience) return false;
        Sleep(1);
    }
    return true;
}

// Pages of [from, to) held in memory (Wine reads them from the host); -1: it cannot say.
int ResidentPages(UINT_PTR from, UINT_PTR to)
{
    std::vector<std::pair<UINT_PTR, ULONG_PTR>> pages; // address, flags (bit 0: valid)
    for (UINT_PTR a = from; a < to; a += 4096) pages.push_back({a, 0});
    const auto query = GetProc<BOOL(WINAPI*)(HANDLE, void*, DWORD)>("kernel32.dll", "K32QueryWorkingSetEx");
    if (!query || !query(GetCurrentProcess(), pages.data(), pages.size() * sizeof pages[0])) return -1;
    return std::count_if(pages.begin(), pages.end(), [](const auto& p) { return p.second & 1; });
}

using vyThreadTest = TCatchingTest;

TEST(vyThreadPriority, TableAndItsWayBack)
{
    const int expected[] = {-15, -2, -1, 0, 1, 2, 15};
    for (int i = 0; i < 7; ++i) {
        const auto p = static_cast<TThreadPriority>(i);
        EXPECT_EQ(expected[i], ThreadPriorityToOS(p)) << "priority " << i;
        EXPECT_EQ(p, ThreadPriorityFromOS(expected[i])) << "back from " << expected[i];
    }
    for (int outside : {3, -3, 6, -7, 100, -100})
        EXPECT_EQ(TThreadPriority::tpNormal, ThreadPriorityFromOS(outside)) << "outside the table: " << outside;
}

TEST_F(vyThreadTest, Defaults)
{
    TOwnedPtr<TvyCustomThread> t(new TvyCustomThread(nullptr));
    EXPECT_TRUE(t->Suspended());
    EXPECT_TRUE(t->HandleException());
    EXPECT_FALSE(t->FreeOwnerOnFinish());
    EXPECT_FALSE(t->WaitForFinish());
    EXPECT_FALSE(t->Executing()) << "nothing runs before Execute";
    EXPECT_EQ(TThreadPriority::tpNormal, t->Priority());
    EXPECT_NE(nullptr, t->ThreadHandle()) << "a suspended system thread exists from the start";
}

TEST_F(vyThreadTest, RunReportsFinishOnTheMainThread)
{
    TLog log;
    TGate gate;
    TOwnedPtr<TvyCustomThread> t(new TvyCustomThread(nullptr));
    TObject* sender = nullptr;
    const NT_TIB* stack = nullptr;
    t->OnExecute = [&](TObject* s) {
        sender = s;
        stack = reinterpret_cast<NT_TIB*>(NtCurrentTeb());
        log.Add("execute@" + Where());
        gate.Wait();
    };
    t->OnFinish = [&](TObject*) { log.Add(std::string("finish@") + Where() + " executing=" + (t->Executing() ? "1" : "0")); };
    t->OnException = [&](TObject*) { log.Add("exception"); };
    t->Execute();
    HANDLE run = KeepThread(*t);
    EXPECT_TRUE(t->Executing()) << "executing right after Execute";
    ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 1; }, Patience)) << "the job did not start";
    EXPECT_TRUE(t->Executing()) << "executing while the job runs";
    gate.Open();
    ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 2; }, Patience)) << "run did not finish";
    const auto limit = reinterpret_cast<UINT_PTR>(stack->StackLimit), base = reinterpret_cast<UINT_PTR>(stack->StackBase);
    SettleRun(run);
    EXPECT_EQ((std::vector<std::string>{"execute@worker", "finish@main executing=0"}), log.Items());
    // Wine writes almost 1 MB of every thread's stack: below its top 64 KiB, an ended run's is given back.
    EXPECT_EQ(0, ResidentPages(limit, base - 0x10000)) << "resident pages of the ended run's stack";
    EXPECT_EQ(t.get(), sender) << "the job's sender";
    EXPECT_FALSE(t->Executing());
}

TEST_F(vyThreadTest, EveryRunGetsAFreshThread)
{
    std::vector<DWORD> ids;
    int finished = 0;
    TOwnedPtr<TvyCustomThread> t(new TvyCustomThread(nullptr));
    t->OnExecute = [&](TObject*) { ids.push_back(GetCurrentThreadId()); };
    t->OnFinish = [&](TObject*) { ++finished; };
    for (int run = 1; run <= 3; ++run) {
        t->Execute();
        ASSERT_TRUE(PumpUntil([&] { return finished == run; }, Patience)) << "run " << run;
    }
    ASSERT_EQ(3u, ids.size());
    EXPECT_NE(ids[0], ids[1]) << "runs 1 and 2 share a thread";
    EXPECT_NE(ids[1], ids[2]) << "runs 2 and 3 share a thread";
    EXPECT_NE(MainThreadID(), ids[0]);
}

TEST_F(vyThreadTest, JobThatThrowsReportsExceptionThenFinish)
{
    TLog log;
    TOwnedPtr<TvyCustomThread> t(new TvyCustomThread(nullptr));
    t->OnExecute = [&](TObject*) {
        log.Add("execute@" + Where());
        throw std::runtime_error("job failed");
    };
    t->OnException = [&](TObject* s) {
        log.Add(std::string("exception@") + Where() + " executing=" + (t->Executing() ? "1" : "0") +
                (s == t.get() ? " sender" : " other"));
    };
    t->OnFinish = [&](TObject*) { log.Add(std::string("finish@") + Where() + " executing=" + (t->Executing() ? "1" : "0")); };
    t->Execute();
    HANDLE run = KeepThread(*t);
    ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 3; }, Patience));
    SettleRun(run);
    EXPECT_EQ((std::vector<std::string>{"execute@worker", "exception@main executing=0 sender", "finish@main executing=0"}),
              log.Items());
    EXPECT_TRUE(Caught.empty()) << "swallowed, not shown: " << (Caught.empty() ? "" : Caught[0].Message);
}

TEST_F(vyThreadTest, WithoutHandleExceptionTheApplicationShowsIt)
{
    TLog log;
    TOwnedPtr<TvyCustomThread> t(new TvyCustomThread(nullptr));
    t->SetHandleException(false);
    t->OnExecute = [&](TObject*) { throw std::runtime_error("escaped"); };
    t->OnException = [&](TObject*) { log.Add("exception"); };
    t->OnFinish = [&](TObject*) { log.Add("finish executing=" + std::string(t->Executing() ? "1" : "0")); };
    t->Execute();
    HANDLE run = KeepThread(*t);
    ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 1; }, Patience));
    SettleRun(run);
    EXPECT_EQ((std::vector<std::string>{"finish executing=0"}), log.Items()) << "OnException is for caught jobs only";
    ASSERT_EQ(1u, Caught.size()) << "handed to the application's display";
    EXPECT_EQ("escaped", Caught[0].Message);
    EXPECT_EQ(t.get(), Caught[0].Sender);
}

TEST_F(vyThreadTest, ExecuteWhileRunningEndsTheRunAndStartsAnother)
{
    TLog log;
    TGate gate;
    std::atomic<int> runs{0};
    TOwnedPtr<TvyCustomThread> t(new TvyCustomThread(nullptr));
    t->OnExecute = [&](TObject*) {
        int n = ++runs;
        log.Add("execute " + std::to_string(n));
        gate.Wait();
        log.Add("done " + std::to_string(n));
    };
    t->OnFinish = [&](TObject*) { log.Add("finish"); };
    t->Execute();
    ASSERT_TRUE(PumpUntil([&] { return runs == 1; }, Patience)) << "first run started";
    HANDLE first = KeepThread(*t);
    t->Execute();
    EXPECT_TRUE(t->Executing()) << "executing again at once";
    EXPECT_TRUE(Ended(first)) << "the first run's thread was ended";
    DWORD code = 1;
    GetExitCodeThread(first, &code);
    EXPECT_EQ(0u, code) << "ended with exit code 0";
    CloseHandle(first);
    ASSERT_TRUE(PumpUntil([&] { return runs == 2; }, Patience)) << "second run started";
    HANDLE second = KeepThread(*t);
    gate.Open();
    ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 4; }, Patience));
    SettleRun(second);
    EXPECT_EQ((std::vector<std::string>{"execute 1", "execute 2", "done 2", "finish"}), log.Items())
        << "the ended run reports nothing";
}

TEST_F(vyThreadTest, PrioritySurvivesRestarts)
{
    std::vector<int> seen;
    int finished = 0;
    TOwnedPtr<TvyCustomThread> t(new TvyCustomThread(nullptr));
    t->OnExecute = [&](TObject*) { seen.push_back(GetThreadPriority(GetCurrentThread())); };
    t->OnFinish = [&](TObject*) { ++finished; };
    t->SetPriority(TThreadPriority::tpLower);
    EXPECT_EQ(TThreadPriority::tpLower, t->Priority()) << "read back before a run";
    for (int run = 1; run <= 2; ++run) {
        t->Execute();
        ASSERT_TRUE(PumpUntil([&] { return finished == run; }, Patience)) << "run " << run;
    }
    EXPECT_EQ((std::vector<int>{-1, -1}), seen) << "both system threads ran at -1";
    EXPECT_EQ(TThreadPriority::tpLower, t->Priority()) << "after two runs";

    // Set between runs, on a thread that has ended: the next run still gets it.
    t->SetPriority(TThreadPriority::tpHigher);
    t->Execute();
    ASSERT_TRUE(PumpUntil([&] { return finished == 3; }, Patience));
    EXPECT_EQ(1, seen.back()) << "priority set between runs";

    t->Stop(true);
    EXPECT_EQ(TThreadPriority::tpHigher, t->Priority()) << "Stop(True)'s fresh thread keeps it";
}

TEST_F(vyThreadTest, OutsidePriorityReadsNormal)
{
    // Priorities between the table's values exist only in a real-time process; set on the
    // thread from outside, they read as tpNormal, and a fresh thread takes that reading.
    TOwnedPtr<TvyCustomThread> t(new TvyCustomThread(nullptr));
    const DWORD oldClass = GetPriorityClass(GetCurrentProcess());
    ASSERT_TRUE(SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS)) << "the real-time class";
    struct TRestoreClass {
        DWORD Class;
        ~TRestoreClass() { SetPriorityClass(GetCurrentProcess(), Class); }
    } restore{oldClass};
    for (int outside : {3, 6, -3, -7}) {
        t->SetPriority(TThreadPriority::tpHighest);
        ASSERT_TRUE(SetThreadPriority(t->ThreadHandle(), outside)) << "the system refused " << outside;
        ASSERT_EQ(outside, GetThreadPriority(t->ThreadHandle())) << "set from outside";
        EXPECT_EQ(TThreadPriority::tpNormal, t->Priority()) << "system priority " << outside;
        t->Stop(true);
        EXPECT_EQ(THREAD_PRIORITY_NORMAL, GetThreadPriority(t->ThreadHandle()))
            << "the fresh thread after " << outside << " runs at the value read";
    }
}

TEST_F(vyThreadTest, StopWithoutForceOnlyAsks)
{
    TLog log;
    std::atomic<bool> started{false};
    TOwnedPtr<TvyCustomThread> t(new TvyCustomThread(nullptr));
    t->OnExecute = [&](TObject*) {
        started = true;
        DWORD start = GetTickCount();
        while (!t->Terminated() && GetTickCount() - start < Patience) Sleep(5);
        log.Add(t->Terminated() ? "saw the request" : "timed out");
    };
    t->OnFinish = [&](TObject*) { log.Add("finish"); };
    t->Execute();
    ASSERT_TRUE(PumpUntil([&] { return started.load(); }, Patience));
    EXPECT_FALSE(t->Terminated());
    t->Stop(false);
    EXPECT_TRUE(t->Executing()) << "still running after Stop(False)";
    ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 2; }, Patience));
    EXPECT_EQ((std::vector<std::string>{"saw the request", "finish"}), log.Items());
}

TEST_F(vyThreadTest, StopWithForceEndsAtOnceWithoutReports)
{
    TLog log;
    TGate gate;
    std::atomic<bool> started{false};
    TOwnedPtr<TvyCustomThread> t(new TvyCustomThread(nullptr));
    t->OnExecute = [&](TObject*) {
        started = true;
        gate.Wait();
        log.Add("job went on");
    };
    t->OnFinish = [&](TObject*) { log.Add("finish"); };
    t->Execute();
    ASSERT_TRUE(PumpUntil([&] { return started.load(); }, Patience));
    HANDLE old = KeepThread(*t);
    t->Stop(true);
    EXPECT_FALSE(t->Executing()) << "a fresh thread is in place";
    EXPECT_TRUE(Ended(old)) << "the job's thread was ended";
    CloseHandle(old);
    gate.Open();
    PumpQueued();
    EXPECT_TRUE(log.Items().empty()) << "nothing after a forced stop";
}

TEST_F(vyThreadTest, DestroyingWhileRunningCallsNoHandler)
{
    TLog log;
    TGate gate;
    std::atomic<bool> started{false};
    auto* t = new TvyCustomThread(nullptr);
    t->OnExecute = [&](TObject*) {
        started = true;
        gate.Wait();
        log.Add("job went on");
    };
    t->OnFinish = [&](TObject*) { log.Add("finish"); };
    t->OnException = [&](TObject*) { log.Add("exception"); };
    t->Execute();
    ASSERT_TRUE(PumpUntil([&] { return started.load(); }, Patience));
    HANDLE old = KeepThread(*t);
    t->Free();
    EXPECT_TRUE(Ended(old)) << "the job's thread was ended";
    CloseHandle(old);
    gate.Open();
    PumpQueued();
    EXPECT_TRUE(log.Items().empty()) << "no handler after destruction";
}

TEST_F(vyThreadTest, DestroyingAfterTheJobBeforeItsFinishStep)
{
    // The job is over, its finish hand-over waits for the main thread: destroying now must
    // drop it, not run it on a freed component.
    std::atomic<bool> jobDone{false};
    int finished = 0;
    auto* t = new TvyCustomThread(nullptr);
    t->OnExecute = [&](TObject*) { jobDone = true; };
    t->OnFinish = [&](TObject*) { ++finished; };
    t->Execute();
    // No pumping: the finish step's hand-over waits for this thread.
    ASSERT_TRUE(HandOverWaiting()) << "the finish step was not handed over";
    ASSERT_TRUE(jobDone.load());
    t->Free();
    PumpQueued();
    EXPECT_FALSE(SentMessageWaiting()) << "the hand-over was taken from the queue";
    EXPECT_EQ(0, finished) << "the dropped finish step";
}

TEST_F(vyThreadTest, ChainingFromOnFinish)
{
    TLog log;
    std::vector<DWORD> ids;
    std::vector<bool> executingAfterChain;
    // Each job waits until the finish step that started it has looked.
    HANDLE go = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    TOwnedPtr<TvyCustomThread> t(new TvyCustomThread(nullptr));
    int runs = 0;
    t->OnExecute = [&](TObject*) {
        ids.push_back(GetCurrentThreadId());
        WaitForSingleObject(go, Patience);
    };
    t->OnFinish = [&](TObject*) {
        ++runs;
        log.Add("finish " + std::to_string(runs));
        if (runs < 5) {
            t->Execute();
            executingAfterChain.push_back(t->Executing());
            SetEvent(go);
        }
    };
    t->Execute();
    SetEvent(go);
    ASSERT_TRUE(PumpUntil([&] { return runs == 5; }, Patience)) << "runs: " << runs;
    SettleRun(KeepThread(*t));
    CloseHandle(go);
    EXPECT_EQ((std::vector<std::string>{"finish 1", "finish 2", "finish 3", "finish 4", "finish 5"}), log.Items());
    EXPECT_EQ((std::vector<bool>(4, true)), executingAfterChain) << "Execute from OnFinish starts at once";
    ASSERT_EQ(5u, ids.size());
    for (size_t i = 1; i < ids.size(); ++i) EXPECT_NE(ids[i - 1], ids[i]) << "run " << i << " and " << i + 1;
    EXPECT_FALSE(t->Executing());
}

TEST_F(vyThreadTest, WaitForFinishReturnsAfterTheFinishStep)
{
    TLog log;
    TOwnedPtr<TvyCustomThread> t(new TvyCustomThread(nullptr));
    t->SetWaitForFinish(true);
    // The job's record is handed to the main thread: it is made only while Execute pumps.
    t->OnExecute = [&](TObject*) { t->Synchronize([&] { log.Add("execute"); }); };
    t->OnFinish = [&](TObject*) { log.Add("finish"); };
    t->Execute();
    log.Add("returned");
    t->Execute();
    log.Add("returned");
    EXPECT_EQ((std::vector<std::string>{"execute", "finish", "returned", "execute", "finish", "returned"}), log.Items());
    EXPECT_FALSE(t->Executing());
}

// An owner that says when it is gone.
class TOwnerProbe : public TComponent {
public:
    explicit TOwnerProbe(bool* gone) : TComponent(nullptr), FGone(gone) {}
    ~TOwnerProbe() override { *FGone = true; }

private:
    bool* FGone;
};

TEST_F(vyThreadTest, FreeOwnerOnFinishDestroysTheOwner)
{
    TLog log;
    bool ownerGone = false;
    auto* owner = new TOwnerProbe(&ownerGone);
    auto* t = new TvyCustomThread(owner);
    t->SetFreeOwnerOnFinish(true);
    t->OnExecute = [&](TObject*) { log.Add("execute"); };
    t->OnFinish = [&](TObject*) { log.Add("finish"); };
    t->Execute();
    HANDLE run = KeepThread(*t);
    ASSERT_TRUE(PumpUntil([&] { return ownerGone; }, Patience)) << "owner not destroyed";
    SettleRun(run);
    EXPECT_EQ((std::vector<std::string>{"execute", "finish"}), log.Items());
}

TEST_F(vyThreadTest, FreeOwnerOnFinishWhileWaiting)
{
    // Execute waits and the finish step frees the owner, and with it the component whose
    // Execute is still on the stack.
    TLog log;
    bool ownerGone = false;
    auto* owner = new TOwnerProbe(&ownerGone);
    auto* t = new TvyCustomThread(owner);
    t->SetFreeOwnerOnFinish(true);
    t->SetWaitForFinish(true);
    t->OnExecute = [&](TObject*) { log.Add("execute"); };
    t->OnFinish = [&](TObject*) { log.Add("finish"); };
    t->Execute();
    log.Add("returned");
    EXPECT_TRUE(ownerGone);
    EXPECT_EQ((std::vector<std::string>{"execute", "finish", "returned"}), log.Items());
}

TEST_F(vyThreadTest, DestroyedFromItsOwnOnFinish)
{
    TLog log;
    auto* t = new TvyCustomThread(nullptr);
    t->OnExecute = [&](TObject*) { log.Add("execute"); };
    t->OnFinish = [&](TObject* s) {
        log.Add("finish");
        static_cast<TvyCustomThread*>(s)->Free();
    };
    t->Execute();
    HANDLE run = KeepThread(*t);
    ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 2; }, Patience));
    SettleRun(run);
    EXPECT_EQ((std::vector<std::string>{"execute", "finish"}), log.Items());
    EXPECT_TRUE(Caught.empty()) << "shown: " << (Caught.empty() ? "" : Caught[0].Message);
}

TEST_F(vyThreadTest, SynchronizeFromTheJob)
{
    TLog log;
    int finished = 0;
    TOwnedPtr<TvyCustomThread> t(new TvyCustomThread(nullptr));
    t->OnExecute = [&](TObject*) {
        int value = 0;
        t->Synchronize([&] {
            log.Add("sync@" + Where());
            value = 42;
        });
        log.Add("job saw " + std::to_string(value));
        try {
            t->Synchronize([] { throw std::runtime_error("from the main thread"); });
            log.Add("no exception");
        } catch (const std::runtime_error& e) {
            log.Add(std::string("job caught: ") + e.what() + " @" + Where());
        }
    };
    t->OnFinish = [&](TObject*) { ++finished; };
    t->Execute();
    ASSERT_TRUE(PumpUntil([&] { return finished == 1; }, Patience));
    EXPECT_EQ((std::vector<std::string>{"sync@main", "job saw 42", "job caught: from the main thread @worker"}),
              log.Items());
}

TEST_F(vyThreadTest, FrameworkSynchronizeOnTheMainThreadJustRuns)
{
    int ran = 0;
    Synchronize([&] { ++ran; });
    EXPECT_EQ(1, ran) << "ran at once, without a message loop";
    EXPECT_THROW(Synchronize([] { throw std::runtime_error("x"); }), std::runtime_error);
}

DWORD WINAPI HandOverThenWait(LPVOID p)
{
    auto* counter = static_cast<std::atomic<int>*>(p);
    Synchronize([counter] { ++*counter; });
    return 0;
}

TEST_F(vyThreadTest, HandOversQueuedByAnEndedThreadAreDropped)
{
    // A thread hands over while the main thread does not pump; it is ended; then pumping
    // must not run the hand-over.
    std::atomic<int> ran{0};
    DWORD id = 0;
    HANDLE h = CreateThread(nullptr, 0, &HandOverThenWait, &ran, 0, &id);
    ASSERT_NE(nullptr, h);
    ASSERT_TRUE(HandOverWaiting()) << "the thread's hand-over never arrived";
    TerminateThreadAndWait(h, id);
    CloseHandle(h);
    PumpQueued();
    EXPECT_FALSE(SentMessageWaiting()) << "the hand-over was taken from the queue";
    EXPECT_EQ(0, ran.load()) << "a dead thread's hand-over ran";
}

struct THandOver {
    HANDLE Self = nullptr;
    std::shared_ptr<int> Token = std::make_shared<int>();
};

// Held still by the main thread between the answer and taking it, and ended there.
DWORD WINAPI HandOverAndStop(LPVOID p)
{
    const auto* h = static_cast<THandOver*>(p);
    Synchronize([self = h->Self, token = h->Token] { SuspendThread(self); });
    return 0;
}

TEST_F(vyThreadTest, AHandOverAnsweredToAThreadEndedBeforeItTookTheAnswerIsFreed)
{
    THandOver h;
    DWORD id = 0;
    h.Self = CreateThread(nullptr, 0, &HandOverAndStop, &h, CREATE_SUSPENDED, &id);
    ASSERT_NE(nullptr, h.Self);
    ResumeThread(h.Self);
    ASSERT_TRUE(HandOverWaiting()) << "the thread's hand-over never arrived";
    PumpQueued();
    TerminateThreadAndWait(h.Self, id);
    CloseHandle(h.Self);
    EXPECT_EQ(1, h.Token.use_count()) << "the hand-over and its method were kept";
}

TEST_F(vyThreadTest, StoredNotSuspendedStartsAtLoaded)
{
    std::atomic<int> runs{0};
    int finished = 0;
    TOwnedPtr<TvyCustomThread> t(new TvyCustomThread(nullptr));
    t->OnExecute = [&](TObject*) { ++runs; };
    t->OnFinish = [&](TObject*) { ++finished; };
    t->BeginLoading();
    t->SetSuspended(false);
    const DWORD count = SuspendThread(t->ThreadHandle());
    ResumeThread(t->ThreadHandle());
    EXPECT_EQ(1u, count) << "the system thread is still held while loading";
    EXPECT_EQ(0, runs.load()) << "nothing runs while loading";
    t->EndReading();
    t->Loaded();
    ASSERT_TRUE(PumpUntil([&] { return finished == 1; }, Patience)) << "the job starts at Loaded";
    EXPECT_EQ(1, runs.load());
    EXPECT_FALSE(t->Suspended());
}

TEST_F(vyThreadTest, SuspendedHoldsARunningJob)
{
    std::atomic<int> ticks{0};
    int finished = 0;
    TOwnedPtr<TvyCustomThread> t(new TvyCustomThread(nullptr));
    t->OnExecute = [&](TObject*) {
        DWORD start = GetTickCount();
        while (!t->Terminated() && GetTickCount() - start < Patience) {
            ++ticks;
            Sleep(2);
        }
    };
    t->OnFinish = [&](TObject*) { ++finished; };
    t->Execute();
    ASSERT_TRUE(PumpUntil([&] { return ticks > 5; }, Patience));
    t->SetSuspended(true);
    // The system suspends a thread asynchronously; reading its context waits until it is.
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    ASSERT_TRUE(GetThreadContext(t->ThreadHandle(), &context)) << "reading the held thread's context";
    const int held = ticks;
    Sleep(QuietMs); // a running job would tick every few milliseconds
    EXPECT_EQ(held, ticks.load()) << "ticks while suspended";
    t->SetSuspended(false);
    EXPECT_TRUE(PumpUntil([&] { return ticks > held + 5; }, Patience)) << "ticks after resuming";
    t->Stop(false);
    EXPECT_TRUE(PumpUntil([&] { return finished == 1; }, Patience));
}

} // namespace
