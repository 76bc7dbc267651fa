// framework/ExtCtrls.h
// TTimer: a component that calls OnTimer every Interval milliseconds, driven by a system
// timer on a hidden utility window of its own.
#pragma once

#include <windows.h>

#include "Classes.h"

struct TMessage;

class TTimer : public TComponent {
public:
    TG_DECLARE_CLASS()

    // Defaults, used by the constructor and by the form writer alike.
    static constexpr bool DefaultEnabled = true;
    static constexpr unsigned DefaultInterval = 1000;

    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool value);
    // Milliseconds between ticks; 0 stops the timer.
    unsigned Interval() const noexcept { return FInterval; }
    void SetInterval(unsigned value);
    // The handler is a property rather than a plain member because the system timer runs
    // only while one is set.
    const TNotifyEvent& OnTimer() const noexcept { return FOnTimer; }
    void SetOnTimer(TNotifyEvent value);

    // True while a system timer is set for this component (tests, diagnostics).
    bool Running() const noexcept { return FRunning; }

    void Loaded() override;

protected:
    // One tick: fires OnTimer. Exceptions are caught by the caller.
    virtual void Timer();

private:
    // Kills any system timer, then sets a new one when the component should tick.
    void UpdateTimer();
    void WndProc(TMessage& message);

    HWND FWindow = nullptr;
    bool FRunning = false;
    bool FEnabled = DefaultEnabled;
    unsigned FInterval = DefaultInterval;
    TNotifyEvent FOnTimer;
};
