// framework/Buttons.h
// TSpeedButton: a button without a window of its own, painted by its parent, showing a
// glyph (a bitmap of up to four side-by-side images: up, disabled, pressed, held down).
#pragma once

#include <memory>

#include "Controls.h"

class TSpeedButton : public TGraphicControl {
public:
    TG_DECLARE_CLASS()
    explicit TSpeedButton(TComponent* owner);
    ~TSpeedButton() override;

    // The picture; its bottom-left pixel's colour shows the button face through.
    TBitmap* Glyph() const noexcept { return FGlyph.get(); }
    void SetGlyph(TBitmap* glyph);
    int NumGlyphs() const noexcept { return FNumGlyphs; }
    void SetNumGlyphs(int v);
    // True while the mouse holds the button pressed.
    bool Pressed() const noexcept { return FPressed; }

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    void DrawGlyph(int x, int y);
    std::unique_ptr<TBitmap> FGlyph;
    int FNumGlyphs = 1;
    bool FPressed = false;
    bool FTracking = false;
};
