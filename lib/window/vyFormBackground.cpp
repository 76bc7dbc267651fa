// lib/window/vyFormBackground.cpp
// Hook rules: BeforeMessage takes WM_ERASEBKGND (handled, so the form does not erase over
// the painting, unless there is nothing to paint) and the invalidate notice; AfterMessage
// sees sizes and scrolls once the form has handled them.
#include "vyFormBackground.h"

#include "Forms.h"

namespace {

// The framework's invalidate notice: posted to the form after a size change so that the
// whole client area is repainted once the size has settled.
constexpr UINT kInvalidateMessage = 0xB00D;

[[maybe_unused]] const bool gRegistered = (RegisterComponentClass(TvyFormBackground::StaticClassInfo()), true);

} // namespace

const TClassInfo& TvyFormBackground::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyFormBackground;
        TClassInfo i{"TvyFormBackground", &TvyFormHookComponent::StaticClassInfo(), &CreateComponentOf<C>, {}, {}};
        i.Props.push_back(BoolProp("Active", &C::Active, &C::SetActive, std::optional<bool>(DefaultActive)));
        i.Props.push_back(
            IntProp("GradientColor1", &C::GradientColor1, &C::SetGradientColor1, DefaultGradientColor1, &ColorIdents()));
        i.Props.push_back(
            IntProp("GradientColor2", &C::GradientColor2, &C::SetGradientColor2, DefaultGradientColor2, &ColorIdents()));
        i.Props.push_back(EnumProp("GradientDirection", &C::GradientDirection, &C::SetGradientDirection,
                                   GradientDirectionNames(), std::optional(DefaultGradientDirection)));
        i.Props.push_back(EnumProp("Kind", &C::Kind, &C::SetKind, BackgroundKindNames(), std::optional(DefaultKind)));
        i.Props.push_back(ObjProp("Picture", &C::Picture));
        i.Props.push_back(EnumProp("PictureStyle", &C::PictureStyle, &C::SetPictureStyle, BackgroundPictureStyleNames(),
                                   std::optional(DefaultPictureStyle)));
        return i;
    }();
    return info;
}

TvyFormBackground::TvyFormBackground(TComponent* owner)
    : TvyFormHookComponent(owner), FPicture(std::make_unique<TvyPicture>()), FCanvas(std::make_unique<TCanvas>())
{
    FPicture->OnChange.Set([this](TObject*) { Repaint(); });
}

TvyFormBackground::~TvyFormBackground()
{
    FCanvas.reset();
    FPicture.reset();
}

void TvyFormBackground::BeforeMessage(TMessage& m, bool& handled)
{
    TvyFormHookComponent::BeforeMessage(m, handled);
    if (Designing()) return;
    switch (m.Msg) {
    case WM_ERASEBKGND:
        if (FActive) EraseBackground(m, handled);
        break;
    case kInvalidateMessage:
        // The framework posts this notice without handling it; the whole area goes.
        InvalidateRect(WindowHandle(), nullptr, TRUE);
        break;
    default: break;
    }
}

void TvyFormBackground::EraseBackground(TMessage& m, bool& handled)
{
    if (!FCanvas || !FPicture || !FHost) return;
    RECT client{};
    GetClientRect(WindowHandle(), &client);
    handled = true;
    m.Result = 1;
    if (FBusy) return;
    FBusy = true;
    // The canvas lends itself to this message's context only: the context dies with it.
    FCanvas->SetHandle(reinterpret_cast<HDC>(m.WParam));
    try {
        if (FKind == TvyBackgroundKind::bkGradient)
            DrawGradient(FCanvas.get(), client, FGradientColor1, FGradientDirection, FHost->Color(), FGradientColor2);
        else if (PictureHasContent(FPicture.get()))
            DrawPicture(FCanvas.get(), client, FPicture.get(), FPictureStyle, FHost->Color());
        else
            handled = false; // the form erases in its own colour
    } catch (...) {
        FCanvas->SetHandle(nullptr);
        FBusy = false;
        throw;
    }
    FCanvas->SetHandle(nullptr);
    FBusy = false;
}

void TvyFormBackground::AfterMessage(TMessage& m)
{
    TvyFormHookComponent::AfterMessage(m);
    if (Designing()) return;
    switch (m.Msg) {
    case WM_SIZE:
        if (m.WParam == SIZE_RESTORED || m.WParam == SIZE_MAXIMIZED) PostMessageA(WindowHandle(), kInvalidateMessage, 0, 0);
        break;
    case WM_HSCROLL:
    case WM_VSCROLL: Repaint(); break;
    default: break;
    }
}

void TvyFormBackground::RestoreState()
{
    TvyFormHookComponent::RestoreState();
    Repaint();
}

void TvyFormBackground::Repaint()
{
    if (!FActive || FBusy || Designing()) return;
    TCustomForm* form = OwnerForm();
    if (form && form->FormStyle() == TFormStyle::fsMDIForm) {
        HWND window = WindowHandle();
        RECT client{};
        GetClientRect(window, &client);
        InvalidateRect(window, &client, TRUE);
        return;
    }
    if (FHost) FHost->Invalidate();
}

void TvyFormBackground::SetActive(bool value)
{
    if (value == FActive) return;
    // Switching off repaints while still active, so the form shows its plain colour once;
    // switching on repaints once active, so the background appears at once.
    if (!value) Repaint();
    FActive = value;
    if (value) Repaint();
}

void TvyFormBackground::SetGradientColor1(TColor value)
{
    if (value == FGradientColor1) return;
    FGradientColor1 = value;
    Repaint();
}

void TvyFormBackground::SetGradientColor2(TColor value)
{
    if (value == FGradientColor2) return;
    FGradientColor2 = value;
    Repaint();
}

void TvyFormBackground::SetGradientDirection(TvyGradientDirection value)
{
    if (value == FGradientDirection) return;
    FGradientDirection = value;
    Repaint();
}

void TvyFormBackground::SetKind(TvyBackgroundKind value)
{
    FKind = value;
    Repaint();
}

void TvyFormBackground::SetPicture(TvyPicture* value)
{
    if (value != FPicture.get()) {
        if (value)
            FPicture->Assign(*value);
        else
            FPicture->SetGraphic(nullptr);
    }
    Repaint();
}

void TvyFormBackground::SetPictureStyle(TvyBackgroundPictureStyle value)
{
    if (value == FPictureStyle) return;
    FPictureStyle = value;
    Repaint();
}
