// framework/ExtCtrls.cpp
#include "ExtCtrls.h"

#include "WinUtils.h"

namespace {

// The one timer each component sets on its own window.
constexpr UINT_PTR TimerId = 1;

[[maybe_unused]] const bool Registered = [] {
    RegisterComponentClass(TTimer::StaticClassInfo());
    return true;
}();

} // namespace

const TClassInfo& TTimer::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TTimer", &TComponent::StaticClassInfo(), &CreateComponentOf<TTimer>, {}, {}};
        i.Props.push_back(BoolProp("Enabled", &TTimer::Enabled, &TTimer::SetEnabled, DefaultEnabled));
        i.Props.push_back(IntProp("Interval", &TTimer::Interval, &TTimer::SetInterval, DefaultInterval));
        i.Props.push_back(EventProp<TTimer>("OnTimer", &TTimer::FOnTimer));
        return i;
    }();
    return info;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner)
{
    // The window is made when the timer first starts: nothing system-side while a stored
    // form is being read, and nothing at all for a timer that never runs.
}

TTimer::~TTimer()
{
    FEnabled = false;
    UpdateTimer();
    DeallocateHWnd(FWindow);
}

void TTimer::SetEnabled(bool value)
{
    if (value == FEnabled) return;
    FEnabled = value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned value)
{
    if (value == FInterval) return;
    FInterval = value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent value)
{
    FOnTimer = std::move(value);
    UpdateTimer();
}

void TTimer::Loaded()
{
    TComponent::Loaded();
    // The reader wires OnTimer straight into the member and sets the others while loading,
    // so this is where a timer from a stored form starts.
    UpdateTimer();
}

void TTimer::Timer()
{
    FOnTimer(this);
}

void TTimer::UpdateTimer()
{
    if (FRunning) {
        KillTimer(FWindow, TimerId);
        FRunning = false;
    }
    if (!FEnabled || FInterval == 0 || !FOnTimer || Loading() || Designing() || IsDestroying()) return;
    if (!FWindow) FWindow = AllocateHWnd([this](TMessage& m) { WndProc(m); });
    if (SetTimer(FWindow, TimerId, FInterval, nullptr) == 0) throw EOutOfResources("Not enough timers available");
    FRunning = true;
}

void TTimer::WndProc(TMessage& message)
{
    if (message.Msg == WM_TIMER) {
        // A tick already queued when the timer was stopped is dropped.
        if (message.WParam == TimerId && FRunning) {
            // A handler's exception must not unwind into the system's dispatch loop.
            try {
                Timer();
            } catch (...) {
                HandleException(this);
            }
        }
        message.Result = 0;
        return;
    }
    message.Result = DefWindowProcA(FWindow, message.Msg, message.WParam, message.LParam);
}
