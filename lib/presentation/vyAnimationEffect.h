// lib/presentation/vyAnimationEffect.h
// Unit vyAnimationEffect: TvyAnimationEffect plays an outline animation of its form's
// rectangle straight on the screen when the form is shown or hidden. Every outline is
// drawn with inverted pixels and drawn again to erase it, so the screen ends unchanged.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "vyAnimationEffectGeometry.h"
#include "vyClasses.h"

const std::vector<std::string>& AnimationEffectTypeNames();

class TvyAnimationEffect : public TvyFormHookComponent {
public:
    TG_DECLARE_CLASS()
    static constexpr bool DefaultAnimateOnShow = false;
    static constexpr bool DefaultAnimateOnHide = false;
    static constexpr WORD DefaultDelay = 100;
    static constexpr BYTE DefaultFireworkBlasts = 10;
    static constexpr BYTE DefaultFrames = 6;
    static constexpr TvyAnimationEffectType DefaultEffectType = TvyAnimationEffectType::etRandom;
    static constexpr BYTE DefaultSteps = 50;

    // The owner must be a form.
    explicit TvyAnimationEffect(TComponent* owner);

    void BeforeMessage(TMessage& m, bool& handled) override;

    // Plays the effect (showing) or its reverse (hiding) over the form's current bounds.
    // With Steps 0 nothing is drawn.
    void Animate(bool showing);

    bool AnimateOnShow() const noexcept { return FAnimateOnShow; }
    void SetAnimateOnShow(bool v) { FAnimateOnShow = v; }
    bool AnimateOnHide() const noexcept { return FAnimateOnHide; }
    void SetAnimateOnHide(bool v) { FAnimateOnHide = v; }
    WORD Delay() const noexcept { return FDelay; }
    void SetDelay(WORD v) { FDelay = v; }
    BYTE FireworkBlasts() const noexcept { return FFireworkBlasts; }
    void SetFireworkBlasts(BYTE v) { FFireworkBlasts = v; }
    BYTE Frames() const noexcept { return FFrames; }
    void SetFrames(BYTE v) { FFrames = v; }
    TvyAnimationEffectType EffectType() const noexcept { return FEffectType; }
    void SetEffectType(TvyAnimationEffectType v) { FEffectType = v; }
    BYTE Steps() const noexcept { return FSteps; }
    void SetSteps(BYTE v) { FSteps = v; }
    // The effect the last animation played (etRandom before the first).
    TvyAnimationEffectType LastEffect() const noexcept { return FLastEffect; }

    TNotifyEvent OnShowEffect;
    TNotifyEvent OnCloseEffect;

protected:
    // The pause after each drawing step: Delay units of 20 microseconds, by the
    // performance counter, so that it lasts as long on any processor.
    virtual void Pause();
    // Called after each outline has been drawn or erased (index into the drawing order).
    virtual void StepDrawn(int index, int count);

private:
    void CentreOnScreen();
    void DrawStep(HDC dc, const TvyEffectGeometry& g, int k);

    bool FAnimateOnShow = DefaultAnimateOnShow;
    bool FAnimateOnHide = DefaultAnimateOnHide;
    WORD FDelay = DefaultDelay;
    BYTE FFireworkBlasts = DefaultFireworkBlasts;
    BYTE FFrames = DefaultFrames;
    TvyAnimationEffectType FEffectType = DefaultEffectType;
    BYTE FSteps = DefaultSteps;
    TvyAnimationEffectType FLastEffect = TvyAnimationEffectType::etRandom;
    bool FWasVisible = false;
};
