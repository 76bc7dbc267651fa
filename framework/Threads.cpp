// framework/Threads.cpp
#include "Threads.h"

#include "WinUtils.h"

#include <atomic>
#include <exception>
#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace {

// Sent by a worker to the hand-over window; LPARAM is the TSyncRequest.
constexpr UINT CM_SYNCHRONIZE = WM_APP + 0x2E1;

struct TSyncRequest {
    std::function<void()> Method;
    std::exception_ptr Error;
    DWORD ThreadId = 0;
    long Serial = 0;
    bool Ran = false;
    // Set by the worker once it has taken its answer: it never touches the request again.
    std::atomic<bool> Released{false};
};

DWORD GMainThreadId = 0;
HWND GSyncWindow = nullptr;

// Every request gets the next number. A thread ended at serial S can only have made
// requests numbered S or lower, and a later thread that reuses its id only higher ones.
std::atomic<long> GSerial{0};
// Thread id -> the serial in force when that thread was ended. Main thread only.
std::map<DWORD, long> GEnded;
constexpr size_t EndedKept = 64;
// Requests answered here and not yet let go of by their worker. The main thread frees them
// once released, or when their worker was ended before it could let go. Main thread only.
std::vector<TSyncRequest*> GAnswered;

// Frees the answered requests nobody will touch again (and those of endedThread).
void FreeAnswered(DWORD endedThread)
{
    auto done = [endedThread](TSyncRequest* r) {
        if (!r->Released.load() && r->ThreadId != endedThread) return false;
        delete r;
        return true;
    };
    GAnswered.erase(std::remove_if(GAnswered.begin(), GAnswered.end(), done), GAnswered.end());
}

bool Abandoned(const TSyncRequest& r)
{
    auto it = GEnded.find(r.ThreadId);
    return it != GEnded.end() && r.Serial <= it->second;
}

// On the main thread, which frees every request: one of an ended worker at once, one that
// was answered once its worker has taken the answer (or has been ended meanwhile).
void RunRequest(TSyncRequest* r)
{
    FreeAnswered(0);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (Abandoned(*r)) {
        delete r;
        return;
    }
    try {
        r->Method();
    } catch (...) {
        r->Error = std::current_exception();
    }
    r->Ran = true;
    std::atomic_thread_fence(std::memory_order_seq_cst);
    // The method may have ended its own worker (a finish handler that starts the next run).
    if (Abandoned(*r))
        delete r;
    else
        GAnswered.push_back(r);
}

void SyncWndProc(TMessage& m)
{
    if (m.Msg == CM_SYNCHRONIZE)
        RunRequest(reinterpret_cast<TSyncRequest*>(m.LParam));
    else
        m.Result = DefWindowProcA(GSyncWindow, m.Msg, m.WParam, m.LParam);
}

} // namespace

void InitThreads()
{
    if (GSyncWindow) return;
    GMainThreadId = GetCurrentThreadId();
    GSyncWindow = AllocateHWnd(&SyncWndProc);
}

void DoneThreads()
{
    HWND wnd = GSyncWindow;
    GSyncWindow = nullptr;
    DeallocateHWnd(wnd);
    FreeAnswered(0);
}

DWORD MainThreadID()
{
    return GMainThreadId;
}

bool InMainThread()
{
    return GMainThreadId != 0 && GetCurrentThreadId() == GMainThreadId;
}

void Synchronize(std::function<void()> method)
{
    if (InMainThread()) {
        method();
        return;
    }
    HWND wnd = GSyncWindow;
    if (!wnd) throw EInvalidOperation("No main thread to synchronize with");
    // Owned by the main thread once it has run: this thread may be ended at any moment
    // after the answer, before it could free anything.
    auto* r = new TSyncRequest;
    r->Method = std::move(method);
    r->ThreadId = GetCurrentThreadId();
    r->Serial = ++GSerial;
    std::atomic_thread_fence(std::memory_order_seq_cst);
    SendMessageA(wnd, CM_SYNCHRONIZE, 0, reinterpret_cast<LPARAM>(r));
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (!r->Ran) {
        // Never delivered (the window went first): nobody else has seen it.
        delete r;
        throw EInvalidOperation("The main thread did not take the hand-over");
    }
    const std::exception_ptr error = r->Error;
    r->Released.store(true);
    if (error) std::rethrow_exception(error);
}

void TerminateThreadAndWait(HANDLE thread, DWORD threadId)
{
    TerminateThread(thread, 0);
    // TerminateThread only starts the ending; nothing the thread touches may be freed
    // before it is really gone. The wait needs nothing from this thread.
    WaitForSingleObject(thread, INFINITE);
    GEnded[threadId] = GSerial.load();
    FreeAnswered(threadId);
    if (GEnded.size() > EndedKept) {
        // The oldest entry's requests have long been taken from the queue.
        auto oldest = GEnded.begin();
        for (auto it = GEnded.begin(); it != GEnded.end(); ++it)
            if (it->second < oldest->second) oldest = it;
        GEnded.erase(oldest);
    }
}
