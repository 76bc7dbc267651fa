// lib/window/vyFormMagnet.cpp
//
// Everything happens inside the owner form's own messages: WM_MOVING places the form while
// it is dragged, WM_EXITSIZEMOVE snaps it once more when the move ends, and WM_NCHITTEST
// turns a press on the bare client area into one on the title bar. The rectangle always
// derives from where the cursor holds the window, so an earlier snap never sticks: pulling
// the cursor further than the snapping distance frees the form.
#include "vyFormMagnet.h"

#include <windowsx.h>

#include <algorithm>
#include <functional>

namespace {

const std::vector<std::string> OptionNames = {"moDockOnMoving", "moDockToInnerBorders", "moDockChains", "moGlueChains"};
const std::vector<std::string> AreaNames = {"saWorkArea", "saFullScreen"};
const std::vector<std::string> EdgeNames = {"seLeft", "seTop", "seRight", "seBottom"};

int ByteValue(int v)
{
    return std::clamp(v, 0, 255);
}

TvyMagnetRect ToMagnetRect(const RECT& r)
{
    return TvyMagnetRect{r.left, r.top, r.right, r.bottom};
}

struct TRegisterMagnet {
    TRegisterMagnet() { RegisterComponentClass(TvyFormMagnet::StaticClassInfo()); }
} RegisterMagnet;

} // namespace

const TClassInfo& TvyScreenMagnet::StaticClassInfo()
{
    using T = TvyScreenMagnet;
    static const TClassInfo info = [] {
        TClassInfo i{"TvyScreenMagnet", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        auto& p = i.Props;
        p.push_back(EnumProp("Area", &T::Area, &T::SetArea, AreaNames, std::optional(TvyScreenArea::saWorkArea)));
        p.push_back(SetProp("Edges", &T::Edges, &T::SetEdges, EdgeNames, static_cast<long long>(AllScreenEdges)));
        p.push_back(IntProp("ScreenPower", &T::ScreenPower, &T::SetScreenPower, T::DefaultScreenPower));
        return i;
    }();
    return info;
}

void TvyScreenMagnet::SetScreenPower(int v)
{
    FScreenPower = ByteValue(v);
}

bool TvyGlueList::Contains(const TvyFormMagnet* magnet) const
{
    return std::any_of(FItems.begin(), FItems.end(), [magnet](const TvyGluedObject& g) { return g.Magnet == magnet; });
}

POINT TvyGlueList::Offset(const TvyFormMagnet* magnet) const
{
    for (const TvyGluedObject& g : FItems)
        if (g.Magnet == magnet) return POINT{g.DX, g.DY};
    return POINT{0, 0};
}

const TClassInfo& TvyFormMagnet::StaticClassInfo()
{
    using T = TvyFormMagnet;
    static const TClassInfo info = [] {
        TClassInfo i{"TvyFormMagnet", &TvyFormHookComponent::StaticClassInfo(), &CreateComponentOf<TvyFormMagnet>, {}, {}};
        auto& p = i.Props;
        p.push_back(AboutProp());
        p.push_back(BoolProp("Active", &T::Active, &T::SetActive, true));
        p.push_back(BoolProp("FormDragable", &T::FormDragable, &T::SetFormDragable, false));
        p.push_back(BoolProp("FormTopmost", &T::FormTopmost, &T::SetFormTopmost, false));
        p.push_back(BoolProp("Glue", &T::Glue, &T::SetGlue, false));
        p.push_back(SetProp("Options", &T::Options, &T::SetOptions, OptionNames, static_cast<long long>(AllMagnetOptions)));
        p.push_back(IntProp("Power", &T::Power, &T::SetPower, T::DefaultPower));
        p.push_back(ObjProp("ScreenMagnet", &T::ScreenMagnet));
        p.push_back(EventProp("OnDragMove", &T::OnDragMove));
        p.push_back(EventProp("OnGlue", &T::OnGlue));
        p.push_back(EventProp("OnMagnet", &T::OnMagnet));
        return i;
    }();
    return info;
}

TvyFormMagnet::TvyFormMagnet(TComponent* owner)
    : TvyFormHookComponent(owner), FScreenMagnet(std::make_unique<TvyScreenMagnet>())
{
}

TvyFormMagnet::~TvyFormMagnet() = default;

TWinControl* TvyFormMagnet::Form() const
{
    return dynamic_cast<TWinControl*>(Host());
}

void TvyFormMagnet::SetActive(bool value)
{
    if (value == FActive) return;
    FActive = value;
    if (FActive && !Loading() && !Designing() && WindowHandle()) FinalSnap();
}

void TvyFormMagnet::SetFormTopmost(bool value)
{
    // No window changes while the form is read: the stored state waits for Loaded.
    if (Loading()) {
        FLoadedTopmost = value;
        return;
    }
    SetTopmost(value);
}

void TvyFormMagnet::SetPower(int value)
{
    FPower = ByteValue(value);
}

void TvyFormMagnet::Loaded()
{
    TvyFormHookComponent::Loaded();
    if (FLoadedTopmost) SetTopmost(*FLoadedTopmost);
    FLoadedTopmost.reset();
}

void TvyFormMagnet::BeforeMessage(TMessage& m, bool& handled)
{
    TvyFormHookComponent::BeforeMessage(m, handled);
    // Never handled here: the form's own procedure sees the adjusted rectangle.
    if (m.Msg == WM_MOVING)
        Moving(*reinterpret_cast<RECT*>(m.LParam));
    else if (m.Msg == WM_EXITSIZEMOVE)
        ExitSizeMove();
}

void TvyFormMagnet::AfterMessage(TMessage& m)
{
    TvyFormHookComponent::AfterMessage(m);
    if (m.Msg == WM_NCHITTEST) NcHitTest(m);
}

void TvyFormMagnet::Moving(RECT& proposed)
{
    if (!FActive || FCarried || !Form()) return;
    // A borderless tool window with a modal frame is a pop-up the user does not move.
    if ((WindowStyle() & WS_CAPTION) == 0 && (WindowExStyle() & WS_EX_TOOLWINDOW) != 0 &&
        (WindowExStyle() & WS_EX_DLGMODALFRAME) != 0)
        return;
    // A form inside a parent control is reported in the parent's client coordinates; it is
    // placed in screen pixels, as the area and the other forms are.
    const POINT origin = ParentOrigin();
    TvyMagnetRect r = ToMagnetRect(proposed);
    r.MoveTo(r.Left + origin.x, r.Top + origin.y);
    if (!FDragStarted) {
        // The first report comes when the cursor has already moved while the window has
        // not: the grip is measured against where the system would put the window for
        // this cursor position, or the window would trail the cursor by that first step.
        POINT cursor{};
        GetCursorPos(&cursor);
        FGrip = POINT{cursor.x - r.Left, cursor.y - r.Top};
        if (FGlue) CollectGlued();
        FDragStarted = true;
    }
    Place(r, true, DockOnMoving());
    proposed = RECT{r.Left - origin.x, r.Top - origin.y, r.Right - origin.x, r.Bottom - origin.y};
    OnDragMove(this);
}

void TvyFormMagnet::ExitSizeMove()
{
    FDragStarted = false;
    FGlueList.Clear();
    if (!FActive || FCarried || DockOnMoving() || !Form()) return;
    if (FGlue) CollectGlued();
    FinalSnap();
    // Nobody may later skip or carry a form by a list of a finished move.
    FGlueList.Clear();
}

void TvyFormMagnet::FinalSnap()
{
    TWinControl* form = Form();
    if (!form) return;
    // A form inside a parent control keeps parent-relative Left and Top: it is placed in
    // screen pixels, as the area and the other forms are, and put back relative.
    const POINT origin = ParentOrigin();
    TvyMagnetRect r = MagnetRectOf(form->Left() + origin.x, form->Top() + origin.y, form->Width(), form->Height());
    Place(r, false, true);
    form->SetBounds(r.Left - origin.x, r.Top - origin.y, form->Width(), form->Height());
}

std::vector<std::pair<TvyFormMagnet*, TCustomForm*>> TvyFormMagnet::Candidates() const
{
    std::vector<std::pair<TvyFormMagnet*, TCustomForm*>> out;
    TWinControl* own = Form();
    // Components placed at design time have names; an unnamed magnet looks no deeper than
    // the application's own components, where no magnet lives.
    if (!Application || !own || Name().empty()) return out;
    std::function<void(TComponent*)> walk = [&](TComponent* parent) {
        for (int i = 0; i < parent->ComponentCount(); ++i) {
            TComponent* c = parent->Components(i);
            if (c->ClassName() == ClassName()) {
                auto* magnet = dynamic_cast<TvyFormMagnet*>(c);
                auto* form = dynamic_cast<TCustomForm*>(parent);
                if (magnet && form && form != own && form->Parent() == own->Parent() && form->Visible() &&
                    magnet->Active())
                    out.emplace_back(magnet, form);
            }
            walk(c);
        }
    };
    walk(Application);
    return out;
}

void TvyFormMagnet::CollectGlued()
{
    FGlueList.Clear();
    TWinControl* own = Form();
    const TvyMagnetRect ownRect = MagnetRectOf(own->Left(), own->Top(), own->Width(), own->Height());
    for (auto [magnet, form] : Candidates()) {
        const TvyMagnetRect other = MagnetRectOf(form->Left(), form->Top(), form->Width(), form->Height());
        if (!GluedTo(ownRect, other)) continue;
        bool allow = true;
        OnGlue(this, form, allow);
        if (allow) FGlueList.Add(magnet, form->Left() - own->Left(), form->Top() - own->Top());
    }
}

POINT TvyFormMagnet::ParentOrigin() const
{
    POINT origin{0, 0};
    TWinControl* form = Form();
    if (form && form->Parent()) ClientToScreen(form->Parent()->Handle(), &origin);
    return origin;
}

TvyMagnetRect TvyFormMagnet::AreaRect() const
{
    RECT r{};
    TWinControl* form = Form();
    if (form && form->Parent()) {
        GetClientRect(form->Parent()->Handle(), &r);
        const POINT origin = ParentOrigin();
        OffsetRect(&r, origin.x, origin.y);
    } else if (FScreenMagnet->Area() == TvyScreenArea::saFullScreen) {
        GetWindowRect(GetDesktopWindow(), &r);
    } else {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    }
    return ToMagnetRect(r);
}

void TvyFormMagnet::Place(TvyMagnetRect& r, bool followCursor, bool dock)
{
    TWinControl* own = Form();
    const TvyMagnetRect area = AreaRect();
    const POINT origin = ParentOrigin();
    if (followCursor) {
        POINT cursor{};
        GetCursorPos(&cursor);
        r = FollowCursor(cursor.x, cursor.y, FGrip.x, FGrip.y, own->Width(), own->Height());
    }
    if (dock) {
        std::vector<TvyMagnetTarget> targets;
        for (auto [magnet, form] : Candidates()) {
            if (FGlueList.Contains(magnet)) continue;
            TCustomForm* other = form;
            targets.push_back({MagnetRectOf(other->Left() + origin.x, other->Top() + origin.y, other->Width(),
                                            other->Height()),
                               [this, other] {
                                   bool allow = true;
                                   OnMagnet(this, other, allow);
                                   return allow;
                               }});
        }
        DockRect(r, targets, FPower, area, FScreenMagnet->ScreenPower(), FScreenMagnet->Edges(), FGlue);
    }
    if (FGlue) {
        for (auto [magnet, form] : Candidates()) {
            if (!FGlueList.Contains(magnet)) continue;
            const POINT offset = FGlueList.Offset(magnet);
            magnet->FCarried = true;
            form->SetBounds(r.Left + offset.x - origin.x, r.Top + offset.y - origin.y, form->Width(), form->Height());
            magnet->FCarried = false;
        }
    }
}

void TvyFormMagnet::NcHitTest(TMessage& m)
{
    if (!FFormDragable || Designing() || m.Result != HTCLIENT) return;
    const int button = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
    if ((GetAsyncKeyState(button) & 0x8000) == 0) return;
    TWinControl* form = Form();
    if (!form) return;
    const POINT p = form->ScreenToClient(POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
    if (!form->ControlAtPos(p)) m.Result = HTCAPTION;
}
