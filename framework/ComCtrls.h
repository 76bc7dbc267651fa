// framework/ComCtrls.h
// Controls over the common controls library (comctl32): the progress bar.
#pragma once

#include <windows.h>

#include "Controls.h"

// Registers the common control classes once, at the first control that needs them, so that
// nothing at program start waits for the library.
void InitCommonControlsOnce();

// The system's progress bar, filling from Min to Max as Position moves.
class TProgressBar : public TWinControl {
public:
    TG_DECLARE_CLASS()
    explicit TProgressBar(TComponent* owner);

    int Min() const noexcept { return FMin; }
    void SetMin(int v);
    int Max() const noexcept { return FMax; }
    void SetMax(int v);
    // Kept within Min to Max.
    int Position() const noexcept { return FPosition; }
    void SetPosition(int v);
    int Step() const noexcept { return FStep; }
    void SetStep(int v) { FStep = v; }
    void StepIt() { SetPosition(FPosition + FStep); }

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& m) override;

private:
    void ApplyRange();
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FStep = 10;
};
