// framework/ComCtrls.cpp
#include "ComCtrls.h"

#include <commctrl.h>

#include <algorithm>

void InitCommonControlsOnce()
{
    static const bool done = [] {
        InitCommonControls();
        return true;
    }();
    (void)done;
}

const TClassInfo& TProgressBar::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TProgressBar", &TWinControl::StaticClassInfo(), &CreateComponentOf<TProgressBar>, {}, {}};
        using P = TProgressBar;
        i.Props.push_back(IntProp("Min", &P::Min, &P::SetMin, 0));
        i.Props.push_back(IntProp("Max", &P::Max, &P::SetMax, 100));
        i.Props.push_back(IntProp("Position", &P::Position, &P::SetPosition, 0));
        i.Props.push_back(IntProp("Step", &P::Step, &P::SetStep, 10));
        return i;
    }();
    return info;
}

namespace {
[[maybe_unused]] const bool ProgressBarRegistered = [] {
    RegisterComponentClass(TProgressBar::StaticClassInfo());
    return true;
}();
} // namespace

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 150, 16);
}

void TProgressBar::CreateParams(TCreateParams& params)
{
    InitCommonControlsOnce();
    TWinControl::CreateParams(params);
    params.SystemClass = PROGRESS_CLASSA;
}

void TProgressBar::CreateWnd()
{
    TWinControl::CreateWnd();
    ApplyRange();
    SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

void TProgressBar::ApplyRange()
{
    // PBM_SETRANGE takes 16-bit bounds, which is all the first common controls know.
    if (FHandle) SendMessageA(FHandle, PBM_SETRANGE, 0, MAKELPARAM(FMin, FMax));
}

void TProgressBar::SetMin(int v)
{
    if (v == FMin) return;
    FMin = v;
    ApplyRange();
    SetPosition(FPosition);
}

void TProgressBar::SetMax(int v)
{
    if (v == FMax) return;
    FMax = v;
    ApplyRange();
    SetPosition(FPosition);
}

void TProgressBar::SetPosition(int v)
{
    // While loading, Min and Max may come after Position.
    if (!Loading()) v = std::clamp(v, std::min(FMin, FMax), std::max(FMin, FMax));
    if (v == FPosition) return;
    FPosition = v;
    if (FHandle) SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(v), 0);
}

void TProgressBar::WndProc(TMessage& m)
{
    switch (m.Msg) {
    case WM_PAINT:
    case WM_ERASEBKGND:
        // The system class paints itself.
        DefaultHandler(m);
        return;
    default: break;
    }
    TWinControl::WndProc(m);
}
