// lib/upgrade/vyThread.cpp
#include "vyThread.h"

#include "Forms.h"
#include "WinUtils.h"

#include <exception>
#include <iterator>

namespace {

constexpr int PriorityTable[] = {
    THREAD_PRIORITY_IDLE,          // tpIdle: -15
    THREAD_PRIORITY_LOWEST,        // tpLowest: -2
    THREAD_PRIORITY_BELOW_NORMAL,  // tpLower: -1
    THREAD_PRIORITY_NORMAL,        // tpNormal: 0
    THREAD_PRIORITY_ABOVE_NORMAL,  // tpHigher: 1
    THREAD_PRIORITY_HIGHEST,       // tpHighest: 2
    THREAD_PRIORITY_TIME_CRITICAL, // tpTimeCritical: 15
};

// What a run waiting for its end (WaitForFinish) looks at. Shared, so that it outlives both
// the thread object and the component.
struct TRunState {
    bool Finished = true;
};

// What a thread keeps of its own stack below the caller when it hands the rest back: room for
// the system call below and the thread's exit, many times over.
constexpr UINT_PTR StackKept = 32 * 1024;

// Tells the system that the thread's stack below the caller holds nothing of value, so that
// its pages need no memory until they are used again. Wine 8 writes almost 1 MB of every
// thread's stack and keeps an ended thread's stack until another thread ends; Windows 95/98
// refuse MEM_RESET, which costs nothing.
__attribute__((noinline)) void ReleaseUnusedStack()
{
    const auto here = reinterpret_cast<UINT_PTR>(__builtin_frame_address(0));
    UINT_PTR low; // the thread's lowest committed stack page, from its information block
    __asm__("movl %%fs:%c1, %0" : "=r"(low) : "i"(offsetof(NT_TIB, StackLimit)));
    if (here < StackKept) return;
    const UINT_PTR high = (here - StackKept) & ~UINT_PTR{0xFFF};
    if (low == 0 || low >= high) return;
    VirtualAlloc(reinterpret_cast<void*>(low), high - low, MEM_RESET, PAGE_READWRITE);
}

} // namespace

int ThreadPriorityToOS(TThreadPriority priority)
{
    auto i = static_cast<size_t>(priority);
    return i < std::size(PriorityTable) ? PriorityTable[i] : THREAD_PRIORITY_NORMAL;
}

TThreadPriority ThreadPriorityFromOS(int value)
{
    TThreadPriority result = TThreadPriority::tpNormal;
    for (size_t i = 0; i < std::size(PriorityTable); ++i)
        if (PriorityTable[i] == value) result = static_cast<TThreadPriority>(i);
    return result;
}

// One system thread for one run. Created suspended; never resumed twice for a new run.
//
// Who frees it: the component, from the main thread (Dispose), while it is attached. A
// thread object that is detached while its finish step runs on the main thread (the
// chaining rule, FreeOwnerOnFinish, or a component destroyed from OnFinish) frees itself
// on its own thread once that hand-over has returned; nothing reads it after that.
class TvyEventThread {
public:
    // Created -> Running (the thread claims it) -> Finished (end of its finish step); or
    // Created -> Quitting (disposed before it ever ran: it returns at its first line).
    enum TStage { stCreated, stRunning, stFinished, stQuitting };

    TvyEventThread(TvyCustomThread* owner, std::shared_ptr<bool> alive)
        : Owner(owner), Alive(std::move(alive)), Run(std::make_shared<TRunState>())
    {
        Handle = CreateThread(nullptr, 0, &TvyEventThread::Proc, this, CREATE_SUSPENDED, &Id);
        if (!Handle) throw EOutOfResources("Thread creation error");
    }
    ~TvyEventThread() { CloseHandle(Handle); }
    TvyEventThread(const TvyEventThread&) = delete;
    TvyEventThread& operator=(const TvyEventThread&) = delete;

    TvyCustomThread* const Owner;
    const std::shared_ptr<bool> Alive;
    HANDLE Handle = nullptr;
    DWORD Id = 0;

    std::atomic<bool> Executing{false};
    std::atomic<bool> TerminateRequested{false};
    // Written by the worker (running) and by the finish step on the main thread (finished).
    std::atomic<int> Stage{stCreated};
    std::shared_ptr<TRunState> Run;

    // Main thread only.
    bool OSSuspended = true; // as the framework keeps it: cleared when a resume reaches zero
    bool Resumed = false;    // it has been let run once
    bool InFinish = false;   // its finish step is running on the main thread right now
    // Set on the main thread during the finish hand-over, read by the worker after it.
    bool Orphan = false;

    // Taken when the thread is first let run, so the worker never reads what the main
    // thread may be changing.
    TNotifyEvent Job;
    bool CatchAll = true;

private:
    static DWORD WINAPI Proc(LPVOID param);
    void Body();
};

DWORD WINAPI TvyEventThread::Proc(LPVOID param)
{
    auto* t = static_cast<TvyEventThread*>(param);
    int expected = stCreated;
    if (!t->Stage.compare_exchange_strong(expected, stRunning)) return 0; // not wanted any more
    t->Body();
    try {
        // The finish step runs on the main thread while this thread waits.
        Synchronize([t] { TvyCustomThread::FinishStep(t); });
    } catch (...) {
        // The hand-over could not be made (no main thread any more): nothing to report to.
        t->Stage = stFinished;
    }
    if (t->Orphan) delete t;
    ReleaseUnusedStack();
    return 0;
}

void TvyEventThread::Body()
{
    Executing = true;
    std::exception_ptr error;
    try {
        if (Job) Job(Owner);
    } catch (...) {
        error = std::current_exception();
    }
    // Cleared before the exception is reported, so Executing reads false in OnException
    // as well as in OnFinish.
    Executing = false;
    if (!error) return;

    TvyCustomThread* owner = Owner;
    std::shared_ptr<bool> alive = Alive;
    const bool catchAll = CatchAll;
    if (catchAll && owner->IsDestroying()) return;
    try {
        Synchronize([owner, alive, error, catchAll] {
            if (!*alive || owner->IsDestroying()) return;
            owner->ExceptionStep(error, catchAll, alive);
        });
    } catch (...) {
        // No main thread to report to.
    }
}

const TClassInfo& TvyCustomThread::StaticClassInfo()
{
    static const TClassInfo info{"TvyCustomThread", &TvyComponent::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

TvyCustomThread::TvyCustomThread(TComponent* owner) : TvyComponent(owner), FAlive(std::make_shared<bool>(true))
{
    // The hand-over window must belong to the main thread, which is the one making us.
    InitThreads();
    FThread = new TvyEventThread(this, FAlive);
}

TvyCustomThread::~TvyCustomThread()
{
    Destroying();
    // A running job is ended without a report; an ended run only has its handle closed.
    if (FThread) Dispose(FThread);
    FThread = nullptr;
    *FAlive = false;
}

void TvyCustomThread::Loaded()
{
    TvyComponent::Loaded();
    if (Designing()) return;
    if (FSuspended != FThread->OSSuspended) {
        if (FSuspended) {
            FThread->OSSuspended = true;
            SuspendThread(FThread->Handle);
        } else
            Resume();
    }
}

void TvyCustomThread::SetSuspended(bool value)
{
    FSuspended = value;
    // While a stored form is read the value waits for Loaded.
    if (Designing() || Loading()) return;
    if (value == FThread->OSSuspended) return;
    if (value) {
        FThread->OSSuspended = true;
        SuspendThread(FThread->Handle);
    } else
        Resume();
}

void TvyCustomThread::Resume()
{
    TvyEventThread* t = FThread;
    if (!t->Resumed) {
        t->Job = OnExecute;
        t->CatchAll = FHandleException;
    }
    DWORD previous = ResumeThread(t->Handle);
    if (previous == 1) {
        t->OSSuspended = false;
        t->Resumed = true;
    }
}

TvyEventThread* TvyCustomThread::Clone()
{
    auto* fresh = new TvyEventThread(this, FAlive);
    fresh->Executing = false;
    fresh->Run->Finished = true;
    // The old system thread's priority, also one set on it from outside the component.
    FPriority = Priority();
    SetThreadPriority(fresh->Handle, ThreadPriorityToOS(FPriority));
    return fresh;
}

void TvyCustomThread::Replace()
{
    // The clone first: if it cannot be had, the current thread is left as it was.
    TvyEventThread* fresh = Clone();
    TvyEventThread* old = FThread;
    FThread = fresh;
    Dispose(old);
}

void TvyCustomThread::Dispose(TvyEventThread* t)
{
    if (t->InFinish) {
        // We are inside its finish step: its thread has nothing left to do but return from
        // this hand-over, so it is let go and frees itself then.
        t->Orphan = true;
        return;
    }
    int expected = TvyEventThread::stCreated;
    if (t->Stage.compare_exchange_strong(expected, TvyEventThread::stQuitting)) {
        // It has never run a line of ours. It is not ended by force: a thread still in the
        // system's start-up (the loader lock; and Wine's own start-up, which crashes when
        // a new thread is terminated) is let run instead, and returns at once.
        DWORD previous;
        do
            previous = ResumeThread(t->Handle);
        while (previous != 0xFFFFFFFF && previous > 1);
        WaitForSingleObject(t->Handle, INFINITE);
    } else if (t->Stage == TvyEventThread::stFinished) {
        // Past its finish step; it needs nothing more from this thread to end.
        WaitForSingleObject(t->Handle, INFINITE);
    } else
        TerminateThreadAndWait(t->Handle, t->Id);
    // Whoever waits for this run must not wait for ever.
    t->Run->Finished = true;
    delete t;
}

void TvyCustomThread::Execute()
{
    Replace();
    TvyEventThread* t = FThread;
    auto run = std::make_shared<TRunState>();
    run->Finished = false;
    t->Run = run;
    t->Executing = true;
    std::shared_ptr<bool> alive = FAlive;
    Resume();
    if (!FWaitForFinish) return;
    while (!run->Finished && *alive) {
        if (Application)
            Application->ProcessMessages();
        else {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        if (!run->Finished && *alive) MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    // The finish step may have destroyed us (FreeOwnerOnFinish): then nothing here is ours.
    if (!*alive) return;
    if (FThread->Run == run) Replace();
}

void TvyCustomThread::Synchronize(std::function<void()> method)
{
    if (Owner() && Owner()->IsDestroying()) return;
    ::Synchronize(std::move(method));
}

void TvyCustomThread::Stop(bool force)
{
    if (force)
        Replace();
    else
        FThread->TerminateRequested = true;
}

bool TvyCustomThread::Executing() const
{
    return FThread->Executing;
}

bool TvyCustomThread::Finishing() const
{
    return FThread->Stage == TvyEventThread::stRunning && !FThread->Executing;
}

bool TvyCustomThread::Terminated() const
{
    return FThread->TerminateRequested;
}

TThreadPriority TvyCustomThread::Priority() const
{
    int value = GetThreadPriority(FThread->Handle);
    if (value == THREAD_PRIORITY_ERROR_RETURN) return FPriority;
    return ThreadPriorityFromOS(value);
}

void TvyCustomThread::SetPriority(TThreadPriority value)
{
    FPriority = value;
    SetThreadPriority(FThread->Handle, ThreadPriorityToOS(value));
}

HANDLE TvyCustomThread::ThreadHandle() const
{
    return FThread->Handle;
}

DWORD TvyCustomThread::ThreadID() const
{
    return FThread->Id;
}

void TvyCustomThread::ExceptionStep(std::exception_ptr error, bool catchAll, const std::shared_ptr<bool>& alive)
{
    if (catchAll) {
        if (!OnException) return;
        try {
            OnException(this);
        } catch (...) {
            ::HandleException(*alive ? this : nullptr);
        }
        return;
    }
    // Not caught by the component: the exception still never crosses the thread's edge; it
    // goes to the application's standard display.
    try {
        std::rethrow_exception(error);
    } catch (...) {
        ::HandleException(this);
    }
}

void TvyCustomThread::FinishStep(TvyEventThread* t)
{
    // The thread object stays valid throughout: while this runs, disposing it only detaches
    // it. The component may go away inside OnFinish; after that only Alive tells.
    t->InFinish = true;
    std::shared_ptr<bool> alive = t->Alive;
    std::shared_ptr<TRunState> run = t->Run;
    TvyCustomThread* c = t->Owner;
    if (*alive) {
        const bool freeOwner = c->FFreeOwnerOnFinish;
        if (!c->IsDestroying() && c->OnFinish) {
            try {
                c->OnFinish(c);
            } catch (...) {
                ::HandleException(*alive ? c : nullptr);
            }
        }
        run->Finished = true;
        if (freeOwner && *alive && c->Owner() && !c->Owner()->IsDestroying()) {
            try {
                if (c->FThread == t) {
                    c->FThread = c->Clone();
                    t->Orphan = true;
                }
                c->Owner()->Free();
            } catch (...) {
                ::HandleException(nullptr);
            }
        }
    }
    run->Finished = true;
    t->Stage = TvyEventThread::stFinished;
    t->InFinish = false;
}
