// framework/Threads.h
// Thread support: the hand-over of a call from a worker thread to the main thread's message
// loop (Synchronize), ending a worker at once without leaving hand-overs behind that would
// run on a dead thread's behalf, thread priorities, and a critical section.
#pragma once

#include <windows.h>

#include <functional>

// Thread priorities, in the order the stored forms and the priority table use.
enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Records the calling thread as the main thread and creates the hidden window that
// hand-overs are sent to. Idempotent; call it on the main thread before the first worker
// starts (InitFramework does, and so does every worker component's constructor).
void InitThreads();
// Destroys the hand-over window again. Workers still running then can no longer hand over.
void DoneThreads();

// The main thread's id (0 before InitThreads).
DWORD MainThreadID();
bool InMainThread();

// Runs method on the main thread and returns when it has run. On the main thread itself it
// simply runs. From a worker, the call is sent to the main thread's hand-over window, so it
// runs whenever the main thread takes messages (its loop, a modal loop, a message pump);
// the worker is blocked until then. An exception thrown by method is caught on the main
// thread and thrown again here, on the calling thread.
// The method is kept on the heap, never on the worker's stack: when the worker is ended by
// TerminateThreadAndWait while a hand-over waits, it is dropped unrun, and one already
// running finishes safely. A method that may outlive its thread that way must not refer to
// the thread's own stack.
// Throws EInvalidOperation from a worker when InitThreads has not run.
void Synchronize(std::function<void()> method);

// Ends a thread at once (TerminateThread, exit code 0) and waits until it is gone; the
// hand-overs it left queued are then dropped unrun. Main thread only. The ended thread
// gets no chance to clean up: what it held is the caller's to release. Only for a thread
// that has begun running its own code: one still in its start-up may hold the loader lock,
// and Wine crashes terminating a thread it has not finished starting.
void TerminateThreadAndWait(HANDLE thread, DWORD threadId);

// A Win32 critical section. Not for anything a thread might be ended inside.
class TCriticalSection {
public:
    TCriticalSection() { InitializeCriticalSection(&FSection); }
    ~TCriticalSection() { DeleteCriticalSection(&FSection); }
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;
    void Enter() { EnterCriticalSection(&FSection); }
    void Leave() { LeaveCriticalSection(&FSection); }

private:
    CRITICAL_SECTION FSection;
};

// Holds a critical section for the lifetime of the guard.
class TCriticalSectionGuard {
public:
    explicit TCriticalSectionGuard(TCriticalSection& section) : FSection(section) { FSection.Enter(); }
    ~TCriticalSectionGuard() { FSection.Leave(); }
    TCriticalSectionGuard(const TCriticalSectionGuard&) = delete;
    TCriticalSectionGuard& operator=(const TCriticalSectionGuard&) = delete;

private:
    TCriticalSection& FSection;
};
