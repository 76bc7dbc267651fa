// lib/presentation/vyAnimationEffect.cpp
// Hook rules: BeforeMessage only watches. A WM_SHOWWINDOW that shows the form plays the
// effect before the form handles it; the first message that finds the form's window no
// longer visible plays the reverse. Nothing is ever marked handled.
#include "vyAnimationEffect.h"

#include <random>

#include "Forms.h"

namespace {

[[maybe_unused]] const bool gRegistered = (RegisterComponentClass(TvyAnimationEffect::StaticClassInfo()), true);

// One generator for the process, seeded once: each etRandom animation draws afresh from it.
int RandomEffect()
{
    static std::minstd_rand generator = [] {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        return std::minstd_rand(static_cast<unsigned>(now.QuadPart) ^ GetTickCount());
    }();
    return static_cast<int>(generator() % 5) + 1;
}

// Restores what Animate changed, however it is left.
class TAnimationScope {
public:
    TAnimationScope()
    {
        FPriority = GetPriorityClass(GetCurrentProcess());
        SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
    }
    ~TAnimationScope()
    {
        if (FDC) {
            SelectObject(FDC, FOldPen);
            ReleaseDC(FDesktop, FDC);
        }
        if (FPen) DeleteObject(FPen);
        if (FPriority) SetPriorityClass(GetCurrentProcess(), FPriority);
    }
    TAnimationScope(const TAnimationScope&) = delete;
    TAnimationScope& operator=(const TAnimationScope&) = delete;

    // The desktop's drawing context with an inverting 1-pixel pen.
    HDC Open()
    {
        FDesktop = GetDesktopWindow();
        FDC = GetWindowDC(FDesktop);
        if (!FDC) return nullptr;
        FPen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
        FOldPen = SelectObject(FDC, FPen);
        SetROP2(FDC, R2_NOT);
        return FDC;
    }

private:
    DWORD FPriority = 0;
    HWND FDesktop = nullptr;
    HDC FDC = nullptr;
    HPEN FPen = nullptr;
    HGDIOBJ FOldPen = nullptr;
};

// How long an animation lets the window system show what was uncovered before it starts.
constexpr DWORD ExposureWaitMs = 40;

// EnumThreadWindows: repaints a visible window other than the one at lParam, at once.
BOOL CALLBACK RepaintNow(HWND window, LPARAM animated)
{
    if (window != reinterpret_cast<HWND>(animated) && IsWindowVisible(window))
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return TRUE;
}

} // namespace

const std::vector<std::string>& AnimationEffectTypeNames()
{
    static const std::vector<std::string> names{"etRandom", "etSpin",  "etVortex",
                                                "etScatterGather", "etSpike", "etFireworks"};
    return names;
}

const TClassInfo& TvyAnimationEffect::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyAnimationEffect;
        TClassInfo i{"TvyAnimationEffect", &TvyFormHookComponent::StaticClassInfo(), &CreateComponentOf<C>, {}, {}};
        i.Props.push_back(BoolProp("AnimateOnShow", &C::AnimateOnShow, &C::SetAnimateOnShow,
                                   std::optional<bool>(DefaultAnimateOnShow)));
        i.Props.push_back(BoolProp("AnimateOnHide", &C::AnimateOnHide, &C::SetAnimateOnHide,
                                   std::optional<bool>(DefaultAnimateOnHide)));
        i.Props.push_back(IntProp("Delay", &C::Delay, &C::SetDelay, DefaultDelay));
        i.Props.push_back(IntProp("FireworkBlasts", &C::FireworkBlasts, &C::SetFireworkBlasts, DefaultFireworkBlasts));
        i.Props.push_back(IntProp("Frames", &C::Frames, &C::SetFrames, DefaultFrames));
        i.Props.push_back(EnumProp("EffectType", &C::EffectType, &C::SetEffectType, AnimationEffectTypeNames(),
                                   std::optional(DefaultEffectType)));
        i.Props.push_back(IntProp("Steps", &C::Steps, &C::SetSteps, DefaultSteps));
        i.Props.push_back(EventProp("OnShowEffect", &C::OnShowEffect));
        i.Props.push_back(EventProp("OnCloseEffect", &C::OnCloseEffect));
        return i;
    }();
    return info;
}

TvyAnimationEffect::TvyAnimationEffect(TComponent* owner) : TvyFormHookComponent(owner) {}

void TvyAnimationEffect::BeforeMessage(TMessage& m, bool& handled)
{
    TvyFormHookComponent::BeforeMessage(m, handled);
    if (Designing()) return;
    if (m.Msg == WM_SHOWWINDOW && m.WParam != 0 && FAnimateOnShow) Animate(true);
    const HWND window = WindowHandle();
    if (!FWasVisible) {
        FWasVisible = window && IsWindowVisible(window);
    } else if (!window || !IsWindowVisible(window)) {
        FWasVisible = false;
        if (FAnimateOnHide) {
            // Let the application window's own hiding settle first.
            if (FHost && FHost->Owner() == Application) Sleep(100);
            Animate(false);
        }
    }
}

void TvyAnimationEffect::Animate(bool showing)
{
    // The animation holds this thread: its other windows paint now, or what was last over
    // them (the form just hidden, a hint) stays on the screen until it ends. Wine brings an
    // uncovered part back only while the thread waits for messages and reads the X server's
    // exposures, which come a moment after the hiding: the thread waits that moment, and the
    // windows repaint whole.
    for (const DWORD start = GetTickCount(); GetTickCount() - start < ExposureWaitMs;)
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ExposureWaitMs - (GetTickCount() - start), QS_ALLINPUT);
    EnumThreadWindows(GetCurrentThreadId(), &RepaintNow, reinterpret_cast<LPARAM>(WindowHandle()));
    GdiFlush();
    TAnimationScope scope;
    if (showing)
        OnShowEffect(this);
    else
        OnCloseEffect(this);
    CentreOnScreen();
    const HDC dc = scope.Open();
    if (!dc || !FHost) return;

    FLastEffect = FEffectType == TvyAnimationEffectType::etRandom ? static_cast<TvyAnimationEffectType>(RandomEffect())
                                                                   : FEffectType;
    const TvyEffectGeometry geometry(FLastEffect, FHost->Left(), FHost->Top(), FHost->Width(), FHost->Height(),
                                     FSteps, FFireworkBlasts);
    const std::vector<int> order = DrawOrder(showing, FSteps, FFrames);
    for (size_t i = 0; i < order.size(); ++i) {
        DrawStep(dc, geometry, order[i]);
        StepDrawn(static_cast<int>(i), static_cast<int>(order.size()));
        Pause();
    }
    GdiFlush();
}

void TvyAnimationEffect::DrawStep(HDC dc, const TvyEffectGeometry& g, int k)
{
    for (const TvyPolygon& poly : g.Step(k)) {
        MoveToEx(dc, poly.front().X, poly.front().Y, nullptr);
        for (size_t i = 1; i < poly.size(); ++i) LineTo(dc, poly[i].X, poly[i].Y);
        LineTo(dc, poly.front().X, poly.front().Y);
    }
}

void TvyAnimationEffect::StepDrawn(int, int) {}

void TvyAnimationEffect::Pause()
{
    LARGE_INTEGER frequency{}, start{}, now{};
    if (FDelay == 0) return;
    if (!QueryPerformanceFrequency(&frequency) || !QueryPerformanceCounter(&start)) {
        // No counter: the tick count, to the millisecond, rounded up.
        const DWORD until = GetTickCount() + (static_cast<DWORD>(FDelay) * kvyDelayUnitMicroseconds + 999) / 1000;
        while (static_cast<LONG>(GetTickCount() - until) < 0) {}
        return;
    }
    const int64_t ticks = DelayTicks(FDelay, frequency.QuadPart);
    do {
        QueryPerformanceCounter(&now);
    } while (now.QuadPart - start.QuadPart < ticks);
}

void TvyAnimationEffect::CentreOnScreen()
{
    auto* form = dynamic_cast<TCustomForm*>(FHost);
    if (!form || form->Position() != TPosition::poScreenCenter) return;
    int availableWidth = Screen->Width(), availableHeight = Screen->Height();
    if (form->FormStyle() == TFormStyle::fsMDIChild && Application->MainForm()) {
        availableWidth = Application->MainForm()->ClientWidth();
        availableHeight = Application->MainForm()->ClientHeight();
    }
    const int left = (availableWidth - form->Width()) / 2, top = (availableHeight - form->Height()) / 2;
    form->SetBounds(left < 0 ? 0 : left, top < 0 ? 0 : top, form->Width(), form->Height());
}
