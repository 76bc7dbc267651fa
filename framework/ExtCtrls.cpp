// framework/ExtCtrls.cpp
#include "ExtCtrls.h"

#include "WinUtils.h"

namespace {

// The one timer each component sets on its own window.
constexpr UINT_PTR TimerId = 1;

[[maybe_unused]] const bool Registered = [] {
    RegisterComponentClass(TTimer::StaticClassInfo());
    return true;
}();

} // namespace

const TClassInfo& TTimer::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TTimer", &TComponent::StaticClassInfo(), &CreateComponentOf<TTimer>, {}, {}};
        i.Props.push_back(BoolProp("Enabled", &TTimer::Enabled, &TTimer::SetEnabled, DefaultEnabled));
        i.Props.push_back(IntProp("Interval", &TTimer::Interval, &TTimer::SetInterval, DefaultInterval));
        i.Props.push_back(EventProp<TTimer>("OnTimer", &TTimer::FOnTimer));
        return i;
    }();
    return info;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner)
{
    // The window is made when the timer first starts: nothing system-side while a stored
    // form is being read, and nothing at all for a timer that never runs.
}

TTimer::~TTimer()
{
    FEnabled = false;
    UpdateTimer();
    DeallocateHWnd(FWindow);
}

void TTimer::SetEnabled(bool value)
{
    if (value == FEnabled) return;
    FEnabled = value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned value)
{
    if (value == FInterval) return;
    FInterval = value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent value)
{
    FOnTimer = std::move(value);
    UpdateTimer();
}

void TTimer::Loaded()
{
    TComponent::Loaded();
    // The reader wires OnTimer straight into the member and sets the others while loading,
    // so this is where a timer from a stored form starts.
    UpdateTimer();
}

void TTimer::Timer()
{
    FOnTimer(this);
}

void TTimer::UpdateTimer()
{
    if (FRunning) {
        KillTimer(FWindow, TimerId);
        FRunning = false;
    }
    if (!FEnabled || FInterval == 0 || !FOnTimer || Loading() || Designing() || IsDestroying()) return;
    if (!FWindow) FWindow = AllocateHWnd([this](TMessage& m) { WndProc(m); });
    if (SetTimer(FWindow, TimerId, FInterval, nullptr) == 0) throw EOutOfResources("Not enough timers available");
    FRunning = true;
}

void TTimer::WndProc(TMessage& message)
{
    if (message.Msg == WM_TIMER) {
        // A tick already queued when the timer was stopped is dropped.
        if (message.WParam == TimerId && FRunning) {
            // A handler's exception must not unwind into the system's dispatch loop.
            try {
                Timer();
            } catch (...) {
                HandleException(this);
            }
        }
        message.Result = 0;
        return;
    }
    message.Result = DefWindowProcA(FWindow, message.Msg, message.WParam, message.LParam);
}

// --- TPanel ----------------------------------------------------------------------------

namespace {
const std::vector<std::string> PanelBevelNames = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
const std::vector<std::string> PanelAlignmentNames = {"taLeftJustify", "taRightJustify", "taCenter"};

[[maybe_unused]] const bool PanelRegistered = [] {
    RegisterComponentClass(TPanel::StaticClassInfo());
    return true;
}();
} // namespace

const TClassInfo& TCustomPanel::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TCustomPanel", &TCustomControl::StaticClassInfo(), nullptr, {}, {}};
        using P = TCustomPanel;
        auto& p = i.Props;
        p.push_back(EnumProp("BevelInner", &P::BevelInner, &P::SetBevelInner, PanelBevelNames, std::optional(TPanelBevel::bvNone)));
        p.push_back(EnumProp("BevelOuter", &P::BevelOuter, &P::SetBevelOuter, PanelBevelNames, std::optional(TPanelBevel::bvRaised)));
        p.push_back(IntProp("BevelWidth", &P::BevelWidth, &P::SetBevelWidth, 1));
        p.push_back(IntProp("BorderWidth", &P::BorderWidth, &P::SetBorderWidth, 0));
        p.push_back(EnumProp("Alignment", &P::Alignment, &P::SetAlignment, PanelAlignmentNames, std::optional(TAlignment::taCenter)));
        return i;
    }();
    return info;
}

const TClassInfo& TPanel::StaticClassInfo()
{
    static const TClassInfo info{"TPanel", &TCustomPanel::StaticClassInfo(), &CreateComponentOf<TPanel>, {}, {}};
    return info;
}

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner)
{
    SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetBevelInner(TPanelBevel v)
{
    if (v == FBevelInner) return;
    FBevelInner = v;
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TPanelBevel v)
{
    if (v == FBevelOuter) return;
    FBevelOuter = v;
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int v)
{
    if (v == FBevelWidth) return;
    FBevelWidth = v;
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int v)
{
    if (v == FBorderWidth) return;
    FBorderWidth = v;
    Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment v)
{
    if (v == FAlignment) return;
    FAlignment = v;
    Invalidate();
}

void Frame3D(TCanvas* canvas, RECT& rect, TColor topColor, TColor bottomColor, int width)
{
    canvas->Pen()->SetWidth(1);
    --rect.bottom;
    --rect.right;
    for (int i = 0; i < width; ++i) {
        canvas->Pen()->SetColor(topColor);
        const POINT top[] = {{rect.left, rect.bottom}, {rect.left, rect.top}, {rect.right, rect.top}};
        canvas->Polyline(top, 3);
        canvas->Pen()->SetColor(bottomColor);
        const POINT bottom[] = {{rect.right, rect.top}, {rect.right, rect.bottom}, {rect.left - 1, rect.bottom}};
        canvas->Polyline(bottom, 3);
        InflateRect(&rect, -1, -1);
    }
    ++rect.bottom;
    ++rect.right;
}

void TCustomPanel::Paint()
{
    TCanvas* c = Canvas();
    RECT r = ClientRect();
    auto bevel = [&](TPanelBevel b) {
        if (b == TPanelBevel::bvNone) return;
        const TColor top = b == TPanelBevel::bvLowered ? clBtnShadow : b == TPanelBevel::bvRaised ? clBtnHighlight : Color();
        const TColor bottom = b == TPanelBevel::bvLowered ? clBtnHighlight : b == TPanelBevel::bvRaised ? clBtnShadow : Color();
        Frame3D(c, r, top, bottom, FBevelWidth);
    };
    bevel(FBevelOuter);
    Frame3D(c, r, Color(), Color(), FBorderWidth);
    bevel(FBevelInner);
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    if (Caption().empty()) return;
    HDC dc = c->Handle();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Font()->Color()));
    const UINT align = FAlignment == TAlignment::taLeftJustify ? DT_LEFT : FAlignment == TAlignment::taRightJustify ? DT_RIGHT : DT_CENTER;
    std::string text = Caption();
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, align | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS);
}

// --- TBevel ------------------------------------------------------------------------------

namespace {
const std::vector<std::string> BevelShapeNames = {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine",
                                                  "bsLeftLine", "bsRightLine", "bsSpacer"};
const std::vector<std::string> BevelStyleNames = {"bsLowered", "bsRaised"};

[[maybe_unused]] const bool BevelRegistered = [] {
    RegisterComponentClass(TBevel::StaticClassInfo());
    return true;
}();
} // namespace

const TClassInfo& TBevel::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TBevel", &TGraphicControl::StaticClassInfo(), &CreateComponentOf<TBevel>, {}, {}};
        i.Props.push_back(EnumProp("Shape", &TBevel::Shape, &TBevel::SetShape, BevelShapeNames, std::optional(TBevelShape::bsBox)));
        i.Props.push_back(EnumProp("Style", &TBevel::Style, &TBevel::SetStyle, BevelStyleNames, std::optional(TBevelStyle::bsLowered)));
        return i;
    }();
    return info;
}

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner)
{
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape v)
{
    if (v == FShape) return;
    FShape = v;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle v)
{
    if (v == FStyle) return;
    FStyle = v;
    Invalidate();
}

void TBevel::Paint()
{
    TCanvas* c = Canvas();
    const TColor dark = FStyle == TBevelStyle::bsLowered ? clBtnShadow : clBtnHighlight;
    const TColor light = FStyle == TBevelStyle::bsLowered ? clBtnHighlight : clBtnShadow;
    const int w = Width(), h = Height();
    // A line is two pixels: the dark one, and the light one beside it that makes it look cut in.
    auto line = [c](TColor color, int x1, int y1, int x2, int y2) {
        c->Pen()->SetColor(color);
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    RECT r{0, 0, w, h};
    switch (FShape) {
    case TBevelShape::bsBox: Frame3D(c, r, dark, light, 1); break;
    case TBevelShape::bsFrame:
        r.right -= 1;
        r.bottom -= 1;
        Frame3D(c, r, dark, dark, 1);
        r = RECT{1, 1, w, h};
        Frame3D(c, r, light, light, 1);
        break;
    case TBevelShape::bsTopLine: line(dark, 0, 0, w, 0); line(light, 0, 1, w, 1); break;
    case TBevelShape::bsBottomLine: line(dark, 0, h - 2, w, h - 2); line(light, 0, h - 1, w, h - 1); break;
    case TBevelShape::bsLeftLine: line(dark, 0, 0, 0, h); line(light, 1, 0, 1, h); break;
    case TBevelShape::bsRightLine: line(dark, w - 2, 0, w - 2, h); line(light, w - 1, 0, w - 1, h); break;
    case TBevelShape::bsSpacer: break;
    }
}
