// lib/upgrade/vyThread.h
// Unit vyThread: TvyCustomThread, a non-visual component that runs one job at a time on a
// brand-new worker thread of the system and reports an exception in the job and the end of
// the job back on the main thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>

#include "Threads.h"
#include "vyClasses.h"

// The system's thread priority for each TThreadPriority.
int ThreadPriorityToOS(TThreadPriority priority);
// Back from the system's value: a value not in the table reads as tpNormal; if two entries
// matched, the later would win.
TThreadPriority ThreadPriorityFromOS(int value);

class TvyEventThread;

class TvyCustomThread : public TvyComponent {
public:
    TG_DECLARE_CLASS()

    static constexpr bool DefaultSuspended = true;
    static constexpr bool DefaultHandleException = true;
    static constexpr bool DefaultFreeOwnerOnFinish = false;
    static constexpr bool DefaultWaitForFinish = false;

    explicit TvyCustomThread(TComponent* owner);
    ~TvyCustomThread() override;

    void Loaded() override;

    // Starts a run on a fresh thread, ending the previous one first (whatever state it is in).
    // With WaitForFinish it returns only after the finish step, pumping messages meanwhile.
    virtual void Execute();
    // Runs method on the main thread and waits for it; nothing when the Owner is being
    // destroyed. Called from inside the job. An exception in method comes back here.
    virtual void Synchronize(std::function<void()> method);
    // Force: end the current thread at once and put a fresh suspended one in its place.
    // Otherwise: only set the terminate request the job may poll (Terminated).
    void Stop(bool force);

    bool Executing() const;
    // The job has returned and its finish step is still to run (or running) on the main thread.
    bool Finishing() const;
    // The terminate request of the current run (Stop(false)).
    bool Terminated() const;

    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority value);
    bool Suspended() const noexcept { return FSuspended; }
    void SetSuspended(bool value);
    bool HandleException() const noexcept { return FHandleException; }
    void SetHandleException(bool value) noexcept { FHandleException = value; }
    bool FreeOwnerOnFinish() const noexcept { return FFreeOwnerOnFinish; }
    void SetFreeOwnerOnFinish(bool value) noexcept { FFreeOwnerOnFinish = value; }
    bool WaitForFinish() const noexcept { return FWaitForFinish; }
    void SetWaitForFinish(bool value) noexcept { FWaitForFinish = value; }

    // The job (on the worker thread), and the two reports (on the main thread). Sender is
    // this component. Every replacement thread runs with them.
    TNotifyEvent OnExecute;
    TNotifyEvent OnException;
    TNotifyEvent OnFinish;

    // The current system thread, for diagnostics and tests.
    HANDLE ThreadHandle() const;
    DWORD ThreadID() const;

private:
    friend class TvyEventThread;

    // A fresh suspended thread object carrying the priority of the current one.
    TvyEventThread* Clone();
    // Replaces the current thread object with a fresh clone and ends the old one.
    void Replace();
    // Ends a thread object that is no longer current, as its state allows.
    void Dispose(TvyEventThread* thread);
    // Lets the current thread object's system thread run.
    void Resume();
    // The reports, on the main thread.
    void ExceptionStep(std::exception_ptr error, bool catchAll, const std::shared_ptr<bool>& alive);
    static void FinishStep(TvyEventThread* thread);

    TvyEventThread* FThread = nullptr;
    bool FSuspended = DefaultSuspended;
    bool FHandleException = DefaultHandleException;
    bool FFreeOwnerOnFinish = DefaultFreeOwnerOnFinish;
    bool FWaitForFinish = DefaultWaitForFinish;
    // The last priority set or seen, for a thread whose priority can no longer be read.
    TThreadPriority FPriority = TThreadPriority::tpNormal;
    // False once the destructor has run: hand-overs and waits that outlive the component
    // look here and never at the component itself.
    std::shared_ptr<bool> FAlive;
};
