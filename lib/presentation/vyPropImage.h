// lib/presentation/vyPropImage.h
// Unit vyPropImage: TvyProportionalImage, a picture control that can scale its picture to the
// control keeping the aspect ratio, and place it at one of nine positions.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "Controls.h"
#include "vyGraphics.h"
#include "vyPropImageGeometry.h"

class TvyProportionalImage : public TGraphicControl {
public:
    TG_DECLARE_CLASS()
    static constexpr TvyImageAlignment DefaultAlignment = TvyImageAlignment::iaCenter;
    static constexpr int DefaultSize = 105;

    explicit TvyProportionalImage(TComponent* owner);
    ~TvyProportionalImage() override;

    const std::string& About() const noexcept { return FAbout; }
    void SetAbout(const std::string&) {}
    TvyImageAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TvyImageAlignment v);
    bool AutoSize() const noexcept { return FAutoSize; }
    void SetAutoSize(bool v);
    bool FixedStretching() const noexcept { return FFixedStretching; }
    void SetFixedStretching(bool v);
    // Stored only: pictures are always drawn whole.
    bool IncrementalDisplay() const noexcept { return FIncrementalDisplay; }
    void SetIncrementalDisplay(bool v) { FIncrementalDisplay = v; }
    TvyPicture* Picture() const noexcept { return FPicture.get(); }
    // Copies value's graphic into the control's own picture.
    void SetPicture(TPicture* value);
    bool Proportional() const noexcept { return FProportional; }
    void SetProportional(bool v);
    bool Stretch() const noexcept { return FStretch; }
    void SetStretch(bool v);
    // Stored and repaints; the picture is drawn the same either way.
    bool Transparent() const noexcept { return FTransparent; }
    void SetTransparent(bool v);

    // Where the picture is drawn in the client area with the current settings.
    RECT DestRect() const;

protected:
    void Paint() override;
    void Loaded() override;

private:
    void PictureChanged();

    std::string FAbout;
    TvyImageAlignment FAlignment = DefaultAlignment;
    bool FAutoSize = false;
    bool FFixedStretching = true;
    bool FIncrementalDisplay = false;
    bool FProportional = true;
    bool FStretch = false;
    bool FTransparent = false;
    bool FDrawing = false;
    std::unique_ptr<TvyPicture> FPicture;
};

// The enumeration names stored forms use.
const std::vector<std::string>& ImageAlignmentNames();
