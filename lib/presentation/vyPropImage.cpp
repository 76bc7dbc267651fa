// lib/presentation/vyPropImage.cpp
#include "vyPropImage.h"

namespace {
[[maybe_unused]] const bool gRegistered = (RegisterComponentClass(TvyProportionalImage::StaticClassInfo()), true);
} // namespace

const std::vector<std::string>& ImageAlignmentNames()
{
    static const std::vector<std::string> names = {"iaCenter", "iaLeft", "iaTop", "iaRight", "iaBottom",
                                                   "iaTopLeft", "iaTopRight", "iaBottomLeft", "iaBottomRight"};
    return names;
}

const TClassInfo& TvyProportionalImage::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using T = TvyProportionalImage;
        TClassInfo i{"TvyProportionalImage", &TGraphicControl::StaticClassInfo(), &CreateComponentOf<T>, {}, {}};
        auto& p = i.Props;
        TPropInfo about = StrProp<T>("About", &T::About, &T::SetAbout);
        about.Stored = [](const TPersistent&) { return false; };
        p.push_back(std::move(about));
        p.push_back(EnumProp("Alignment", &T::Alignment, &T::SetAlignment, ImageAlignmentNames(), std::optional(DefaultAlignment)));
        p.push_back(BoolProp("AutoSize", &T::AutoSize, &T::SetAutoSize, false));
        p.push_back(BoolProp("FixedStretching", &T::FixedStretching, &T::SetFixedStretching, true));
        p.push_back(BoolProp("IncrementalDisplay", &T::IncrementalDisplay, &T::SetIncrementalDisplay, false));
        p.push_back(ObjProp("Picture", &T::Picture));
        p.push_back(BoolProp("Proportional", &T::Proportional, &T::SetProportional, true));
        p.push_back(BoolProp("Stretch", &T::Stretch, &T::SetStretch, false));
        p.push_back(BoolProp("Transparent", &T::Transparent, &T::SetTransparent, false));
        return i;
    }();
    return info;
}

TvyProportionalImage::TvyProportionalImage(TComponent* owner)
    : TGraphicControl(owner), FPicture(std::make_unique<TvyPicture>())
{
    SetControlStyle(ControlStyle() | csReplicatable);
    FPicture->OnChange = [this](TObject*) { PictureChanged(); };
    SetBounds(Left(), Top(), DefaultSize, DefaultSize);
}

TvyProportionalImage::~TvyProportionalImage()
{
    FPicture->OnChange = nullptr;
}

void TvyProportionalImage::SetAlignment(TvyImageAlignment v)
{
    if (v == FAlignment) return;
    FAlignment = v;
    PictureChanged();
}

void TvyProportionalImage::SetAutoSize(bool v)
{
    // Setting it again sizes the control to the picture again.
    FAutoSize = v;
    PictureChanged();
}

void TvyProportionalImage::SetFixedStretching(bool v)
{
    if (v == FFixedStretching) return;
    FFixedStretching = v;
    PictureChanged();
}

void TvyProportionalImage::SetPicture(TPicture* value)
{
    if (value)
        FPicture->Assign(*value);
    else
        FPicture->SetGraphic(nullptr);
}

void TvyProportionalImage::SetProportional(bool v)
{
    if (v == FProportional) return;
    FProportional = v;
    PictureChanged();
}

void TvyProportionalImage::SetStretch(bool v)
{
    if (v == FStretch) return;
    FStretch = v;
    PictureChanged();
}

void TvyProportionalImage::SetTransparent(bool v)
{
    if (v == FTransparent) return;
    FTransparent = v;
    PictureChanged();
}

void TvyProportionalImage::Loaded()
{
    TGraphicControl::Loaded();
    PictureChanged();
}

void TvyProportionalImage::PictureChanged()
{
    if (Loading()) return;
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
        SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
    if (FPicture->Graphic()) {
        // Only a picture stretched over the whole control covers every pixel of it.
        const unsigned style = ControlStyle();
        SetControlStyle(FStretch && !FProportional ? style | csOpaque : style & ~csOpaque);
        if (FDrawing) Update();
    } else {
        SetControlStyle(ControlStyle() & ~csOpaque);
    }
    if (!FDrawing) Invalidate();
}

RECT TvyProportionalImage::DestRect() const
{
    const TvyImageRect r = ProportionalImageRect(FPicture->Width(), FPicture->Height(), ClientWidth(), ClientHeight(),
                                                 FStretch, FProportional, FAlignment);
    return RECT{r.Left, r.Top, r.Right, r.Bottom};
}

void TvyProportionalImage::Paint()
{
    TCanvas* canvas = Canvas();
    if (Designing()) {
        canvas->Pen()->SetStyle(TPenStyle::psDash);
        canvas->Brush()->SetStyle(TBrushStyle::bsClear);
        canvas->Rectangle(0, 0, Width(), Height());
    }
    TGraphic* graphic = FPicture->Graphic();
    if (!graphic || graphic->Empty()) return;
    FDrawing = true;
    try {
        const RECT r = DestRect();
        if (!FFixedStretching || dynamic_cast<TIcon*>(graphic)) {
            canvas->StretchDraw(r, graphic);
        } else {
            // Scaling into a bitmap of the final size first keeps the result the same
            // whatever the target device does with stretched pictures.
            TBitmap scaled;
            scaled.SetSize(r.right - r.left, r.bottom - r.top);
            scaled.Canvas()->StretchDraw(RECT{0, 0, r.right - r.left, r.bottom - r.top}, graphic);
            canvas->Draw(r.left, r.top, &scaled);
        }
    } catch (...) {
        FDrawing = false;
        throw;
    }
    FDrawing = false;
}
