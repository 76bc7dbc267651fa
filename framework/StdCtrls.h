// framework/StdCtrls.h
// Labels.
#pragma once

#include "Controls.h"

enum class TTextLayout { tlTop, tlCenter, tlBottom };

class TCustomLabel : public TGraphicControl {
public:
    TG_DECLARE_CLASS()
    explicit TCustomLabel(TComponent* owner);

    bool AutoSize() const noexcept { return FAutoSize; }
    void SetAutoSize(bool v);
    bool Transparent() const noexcept { return FTransparent; }
    void SetTransparent(bool v);
    TAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TAlignment v);
    TTextLayout Layout() const noexcept { return FLayout; }
    void SetLayout(TTextLayout v);
    bool WordWrap() const noexcept { return FWordWrap; }
    void SetWordWrap(bool v);
    bool ShowAccelChar() const noexcept { return FShowAccelChar; }
    void SetShowAccelChar(bool v);

protected:
    void Paint() override;
    void AdjustBounds() override;
    // The DrawText flags for the current settings.
    UINT DrawTextFlags() const;
    // Draws the caption into rect with the canvas's font (DT_CALCRECT in flags measures).
    virtual void DoDrawText(RECT& rect, UINT flags);

private:
    bool FAutoSize = true;
    bool FTransparent = false;
    TAlignment FAlignment = TAlignment::taLeftJustify;
    TTextLayout FLayout = TTextLayout::tlTop;
    bool FWordWrap = false;
    bool FShowAccelChar = true;
};

class TLabel : public TCustomLabel {
public:
    TG_DECLARE_CLASS()
    explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};
