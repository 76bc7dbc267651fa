// framework/Gauges.h
// The horizontal bar gauge: a range, a bar in the fore colour on a white field, and the
// percentage written over it by inverting the pixels beneath.
#pragma once

#include <memory>

#include "Controls.h"

enum class TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };
enum class TGaugeBorderStyle { bsNone, bsSingle };

class TGauge : public TGraphicControl {
public:
    TG_DECLARE_CLASS()
    explicit TGauge(TComponent* owner);
    ~TGauge() override;

    TGaugeKind Kind() const noexcept { return FKind; }
    void SetKind(TGaugeKind v);
    int Progress() const noexcept { return FProgress; }
    // Values outside MinValue..MaxValue are clamped to the nearer end before they are stored.
    void SetProgress(int v);
    int MinValue() const noexcept { return FMinValue; }
    void SetMinValue(int v);
    int MaxValue() const noexcept { return FMaxValue; }
    void SetMaxValue(int v);
    TColor ForeColor() const noexcept { return FForeColor; }
    void SetForeColor(TColor c);
    TColor BackColor() const noexcept { return FBackColor; }
    void SetBackColor(TColor c);
    TGaugeBorderStyle BorderStyle() const noexcept { return FBorderStyle; }
    void SetBorderStyle(TGaugeBorderStyle v);
    bool ShowText() const noexcept { return FShowText; }
    void SetShowText(bool v);
    // The whole percentage shown, from the range.
    int PercentDone() const;
    // Composes the gauge into a bitmap of its size (what Paint copies to the screen).
    void Compose(TBitmap& target);

protected:
    void Paint() override;

private:
    void Changed(int oldPercent);
    TGaugeKind FKind = TGaugeKind::gkHorizontalBar;
    int FProgress = 0;
    int FMinValue = 0;
    int FMaxValue = 100;
    TColor FForeColor = clBlack;
    TColor FBackColor = clWhite;
    TGaugeBorderStyle FBorderStyle = TGaugeBorderStyle::bsSingle;
    bool FShowText = true;
    std::unique_ptr<TBitmap> FImage;
};
