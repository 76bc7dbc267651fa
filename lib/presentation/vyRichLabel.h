// lib/presentation/vyRichLabel.h
// Unit vyRichLabel: TvyRichLabel, a label whose caption carries bracketed markup ("[b]",
// "[red]", "[DEF]", "[]"), with word wrap, margins, a frame and a dotted drop shadow. Every
// paint lays the caption out anew (vyRichLabelText), draws it into the label's off-screen
// bitmap and copies that to the screen in one piece.
#pragma once

#include <windows.h>

#include <memory>

#include "vyClasses.h"
#include "vyLabels.h"
#include "vyRichLabelText.h"

class TvyRichLabel : public TvyBaseLabel {
public:
    TG_DECLARE_CLASS()
    static constexpr bool DefaultAutoHeight = true;
    static constexpr int DefaultMarginHorz = 0;
    static constexpr int DefaultMarginVert = 0;
    static constexpr TColor DefaultShadowColor = clBlack;
    static constexpr bool DefaultShowFrame = false;
    static constexpr bool DefaultShowShadow = false;

    explicit TvyRichLabel(TComponent* owner);
    ~TvyRichLabel() override;

    bool AutoHeight() const noexcept { return FAutoHeight; }
    void SetAutoHeight(bool value);
    int MarginHorz() const noexcept { return FMarginHorz; }
    void SetMarginHorz(int value);
    int MarginVert() const noexcept { return FMarginVert; }
    void SetMarginVert(int value);
    TColor ShadowColor() const noexcept { return FShadowColor; }
    void SetShadowColor(TColor value);
    bool ShowFrame() const noexcept { return FShowFrame; }
    void SetShowFrame(bool value);
    bool ShowShadow() const noexcept { return FShowShadow; }
    void SetShowShadow(bool value);
    TvyTextStyle* TextStyle() const noexcept { return FTextStyle.get(); }

    void WndProc(TMessage& m) override;

    // The caption laid out at the current settings, as the next paint draws it.
    TvyRichLayout Layout();

protected:
    void Paint() override;

private:
    // Lays out and, with a target canvas, draws; sets the height when AutoHeight says so.
    void Render(TCanvas* target);
    // Paints onto the parent's window now, outside a paint message.
    void PaintNow();
    TvyRichLayoutParams LayoutParams() const;

    bool FAutoHeight = DefaultAutoHeight;
    int FMarginHorz = DefaultMarginHorz; // a word: 0 to 65535
    int FMarginVert = DefaultMarginVert;
    TColor FShadowColor = DefaultShadowColor;
    bool FShowFrame = DefaultShowFrame;
    bool FShowShadow = DefaultShowShadow;
    std::unique_ptr<TvyTextStyle> FTextStyle;
};
