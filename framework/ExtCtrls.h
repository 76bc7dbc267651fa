// framework/ExtCtrls.h
// TTimer: a component that calls OnTimer every Interval milliseconds, driven by a system
// timer on a hidden utility window of its own. TPanel: a windowed container with 3-D bevels.
#pragma once

#include <windows.h>

#include "Classes.h"
#include "Controls.h"

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

enum class TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };

class TCustomPanel : public TCustomControl {
public:
    TG_DECLARE_CLASS()
    explicit TCustomPanel(TComponent* owner);

    TPanelBevel BevelInner() const noexcept { return FBevelInner; }
    void SetBevelInner(TPanelBevel v);
    TPanelBevel BevelOuter() const noexcept { return FBevelOuter; }
    void SetBevelOuter(TPanelBevel v);
    int BevelWidth() const noexcept { return FBevelWidth; }
    void SetBevelWidth(int v);
    int BorderWidth() const noexcept { return FBorderWidth; }
    void SetBorderWidth(int v);
    TAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TAlignment v);

protected:
    using TCustomControl::Paint;
    void Paint() override;

private:
    TPanelBevel FBevelInner = TPanelBevel::bvNone;
    TPanelBevel FBevelOuter = TPanelBevel::bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TAlignment FAlignment = TAlignment::taCenter;
};

class TPanel : public TCustomPanel {
public:
    TG_DECLARE_CLASS()
    explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

// Draws width rings inside rect, top and left in topColor, bottom and right in bottomColor,
// and shrinks rect by them.
void Frame3D(TCanvas* canvas, RECT& rect, TColor topColor, TColor bottomColor, int width);

// A 3-D line or frame without a window, drawn by its parent (group lines, box edges).
enum class TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum class TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
public:
    TG_DECLARE_CLASS()
    explicit TBevel(TComponent* owner);

    TBevelShape Shape() const noexcept { return FShape; }
    void SetShape(TBevelShape v);
    TBevelStyle Style() const noexcept { return FStyle; }
    void SetStyle(TBevelStyle v);

protected:
    void Paint() override;

private:
    TBevelShape FShape = TBevelShape::bsBox;
    TBevelStyle FStyle = TBevelStyle::bsLowered;
};
