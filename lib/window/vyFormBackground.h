// lib/window/vyFormBackground.h
// Unit vyFormBackground: TvyFormBackground paints its form's background with a gradient or
// a picture, in place of the form's plain colour, on every erase of the form.
#pragma once

#include <windows.h>

#include <memory>

#include "Graphics.h"
#include "vyClasses.h"
#include "vyGraphics.h"

class TvyFormBackground : public TvyFormHookComponent {
public:
    TG_DECLARE_CLASS()
    static constexpr bool DefaultActive = true;
    static constexpr TColor DefaultGradientColor1 = clBlue;
    static constexpr TColor DefaultGradientColor2 = clBlack;
    static constexpr TvyGradientDirection DefaultGradientDirection = TvyGradientDirection::gdVertical;
    static constexpr TvyBackgroundKind DefaultKind = TvyBackgroundKind::bkPicture;
    static constexpr TvyBackgroundPictureStyle DefaultPictureStyle = TvyBackgroundPictureStyle::bsTile;

    explicit TvyFormBackground(TComponent* owner);
    ~TvyFormBackground() override;

    void BeforeMessage(TMessage& m, bool& handled) override;
    void AfterMessage(TMessage& m) override;
    void RestoreState() override;

    bool Active() const { return FActive; }
    void SetActive(bool value);
    TColor GradientColor1() const { return FGradientColor1; }
    void SetGradientColor1(TColor value);
    TColor GradientColor2() const { return FGradientColor2; }
    void SetGradientColor2(TColor value);
    TvyGradientDirection GradientDirection() const { return FGradientDirection; }
    void SetGradientDirection(TvyGradientDirection value);
    TvyBackgroundKind Kind() const { return FKind; }
    void SetKind(TvyBackgroundKind value);
    TvyPicture* Picture() const { return FPicture.get(); }
    // Copies value's graphic into the component's own picture.
    void SetPicture(TvyPicture* value);
    TvyBackgroundPictureStyle PictureStyle() const { return FPictureStyle; }
    void SetPictureStyle(TvyBackgroundPictureStyle value);

    // True while one erase is being painted.
    bool Busy() const { return FBusy; }
    // Has the form repainted with the current settings (only when active, idle and not
    // designing).
    void Repaint();

private:
    void EraseBackground(TMessage& m, bool& handled);

    bool FActive = DefaultActive;
    TColor FGradientColor1 = DefaultGradientColor1;
    TColor FGradientColor2 = DefaultGradientColor2;
    TvyGradientDirection FGradientDirection = DefaultGradientDirection;
    TvyBackgroundKind FKind = DefaultKind;
    TvyBackgroundPictureStyle FPictureStyle = DefaultPictureStyle;
    std::unique_ptr<TvyPicture> FPicture;
    std::unique_ptr<TCanvas> FCanvas;
    bool FBusy = false;
};
