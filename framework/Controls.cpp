// framework/Controls.cpp
#include "Controls.h"

#include <windowsx.h>

#include <algorithm>

#include "Forms.h"
#include "GdiGuards.h"
#include "Menus.h"

namespace {

// The control whose window is being created: the first message its window gets binds the
// window to the control's thunk (CreateWindowEx gives no other way in before WM_CREATE).
TWinControl* CreationControl = nullptr;

// The window property through which a window leads back to its control.
constexpr const char* kControlProp = "TgWinControl";

LRESULT CALLBACK InitWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

} // namespace

// The window-procedure bootstrap needs to reach TWinControl internals.
struct TWinControlAccess {
    static LRESULT Bind(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        TWinControl* c = CreationControl;
        CreationControl = nullptr;
        if (!c) return DefWindowProcA(wnd, msg, wp, lp);
        c->FHandle = wnd;
        SetPropA(wnd, kControlProp, c);
        SetWindowLongA(wnd, GWL_WNDPROC, reinterpret_cast<LONG>(c->FObjectInstance));
        return CallWindowProcA(c->FObjectInstance, wnd, msg, wp, lp);
    }
};

namespace {
LRESULT CALLBACK InitWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return TWinControlAccess::Bind(wnd, msg, wp, lp);
}
} // namespace

TIdentMap& CursorIdents()
{
    static TIdentMap& map = [] () -> TIdentMap& {
        TIdentMap& m = IdentMap("TCursor");
        const std::pair<const char*, int> names[] = {
            {"crDefault", crDefault}, {"crNone", crNone}, {"crArrow", crArrow}, {"crCross", crCross},
            {"crIBeam", crIBeam}, {"crSizeNESW", crSizeNESW}, {"crSizeNS", crSizeNS}, {"crSizeNWSE", crSizeNWSE},
            {"crSizeWE", crSizeWE}, {"crUpArrow", crUpArrow}, {"crHourGlass", crHourGlass}, {"crDrag", crDrag},
            {"crNoDrop", crNoDrop}, {"crHSplit", crHSplit}, {"crVSplit", crVSplit}, {"crMultiDrag", crMultiDrag},
            {"crSQLWait", crSQLWait}, {"crNo", crNo}, {"crAppStart", crAppStart}, {"crHelp", crHelp},
            {"crHandPoint", crHandPoint}, {"crSizeAll", crSizeAll}, {"crSize", crSize}};
        for (auto& n : names) m.Add(n.first, n.second);
        return m;
    }();
    return map;
}

TWinControl* FindControl(HWND wnd)
{
    if (!wnd) return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(wnd, &process);
    // Another process's property would be an address in that process.
    if (process != GetCurrentProcessId()) return nullptr;
    return static_cast<TWinControl*>(GetPropA(wnd, kControlProp));
}

TWinControl* FindVCLWindow(POINT screenPoint)
{
    // Up through child windows only: a pop-up's parent is its owner, another window.
    for (HWND wnd = WindowFromPoint(screenPoint); wnd;) {
        if (TWinControl* c = FindControl(wnd)) return c;
        wnd = (GetWindowLongA(wnd, GWL_STYLE) & WS_CHILD) ? GetParent(wnd) : nullptr;
    }
    return nullptr;
}

TShiftState KeysToShiftState(WPARAM keys)
{
    TShiftState s = 0;
    if (keys & MK_SHIFT) s |= static_cast<unsigned>(TShiftStateFlag::ssShift);
    if (keys & MK_CONTROL) s |= static_cast<unsigned>(TShiftStateFlag::ssCtrl);
    if (keys & MK_LBUTTON) s |= static_cast<unsigned>(TShiftStateFlag::ssLeft);
    if (keys & MK_RBUTTON) s |= static_cast<unsigned>(TShiftStateFlag::ssRight);
    if (keys & MK_MBUTTON) s |= static_cast<unsigned>(TShiftStateFlag::ssMiddle);
    if (GetKeyState(VK_MENU) < 0) s |= static_cast<unsigned>(TShiftStateFlag::ssAlt);
    return s;
}

// --- TControlWatch ---------------------------------------------------------------------

namespace {
// The watches alive now, newest first (all on the thread that owns the windows).
TControlWatch* gWatches = nullptr;
} // namespace

TControlWatch::TControlWatch(const TControl* control) noexcept : FControl(control), FNext(gWatches)
{
    gWatches = this;
}

TControlWatch::~TControlWatch()
{
    for (TControlWatch** w = &gWatches; *w; w = &(*w)->FNext)
        if (*w == this) {
            *w = FNext;
            break;
        }
}

// --- TControl --------------------------------------------------------------------------

std::vector<TPropInfo> ControlProps()
{
    std::vector<TPropInfo> p;
    p.push_back(IntProp("Left", &TControl::Left, &TControl::SetLeft, 0));
    p.push_back(IntProp("Top", &TControl::Top, &TControl::SetTop, 0));
    p.push_back(IntProp("Width", &TControl::Width, &TControl::SetWidth, std::nullopt));
    p.push_back(IntProp("Height", &TControl::Height, &TControl::SetHeight, std::nullopt));
    p.push_back(StrProp<TControl>("Caption", &TControl::Caption, &TControl::SetCaption));
    p.push_back(IntProp("Color", &TControl::Color, &TControl::SetColor, clBtnFace, &ColorIdents()));
    p.back().Stored = [](const TPersistent& o) { auto& c = static_cast<const TControl&>(o); return !c.ParentColor(); };
    p.push_back(BoolProp("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, true));
    p.push_back(ObjProp("Font", &TControl::Font));
    p.push_back(BoolProp("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true));
    p.push_back(IntProp("Cursor", &TControl::Cursor, &TControl::SetCursor, crDefault, &CursorIdents()));
    p.push_back(StrProp<TControl>("Hint", &TControl::Hint, &TControl::SetHint));
    p.push_back(BoolProp("ShowHint", &TControl::ShowHint, &TControl::SetShowHint, false));
    p.push_back(BoolProp("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint, true));
    p.push_back(BoolProp("Visible", &TControl::Visible, &TControl::SetVisible, true));
    p.push_back(BoolProp("Enabled", &TControl::Enabled, &TControl::SetEnabled, true));
    p.push_back(IntProp("Tag", &TControl::Tag, &TControl::SetTag, 0));
    p.push_back(CompProp("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu));
    p.push_back(EventProp("OnClick", &TControl::OnClick));
    p.push_back(EventProp("OnDblClick", &TControl::OnDblClick));
    p.push_back(EventProp("OnMouseDown", &TControl::OnMouseDown));
    p.push_back(EventProp("OnMouseUp", &TControl::OnMouseUp));
    p.push_back(EventProp("OnMouseMove", &TControl::OnMouseMove));
    return p;
}

const TClassInfo& TControl::StaticClassInfo()
{
    static const TClassInfo info{"TControl", &TComponent::StaticClassInfo(), nullptr, ControlProps(), {}};
    return info;
}

TControl::TControl(TComponent* owner) : TComponent(owner), FFont(std::make_unique<TFont>())
{
    WindowProc = [this](TMessage& m) { WndProc(m); };
    FFont->OnChange = [this](TObject*) {
        // An explicit font change detaches the control from its parent's font.
        if (!FApplyingParentFont) FParentFont = false;
        FontChanged();
    };
}

TControl::~TControl()
{
    Destroying();
    if (Screen && Screen->ActiveControl() == this) Screen->SetActiveControl(nullptr);
    if (FParent) FParent->RemoveControl(this);
    for (TControlWatch* w = gWatches; w; w = w->FNext)
        if (w->FControl == this) w->FControl = nullptr;
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    bool visible = FVisible && FParent && FParent->HandleAllocated();
    if (visible) Invalidate();
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    if (visible) Invalidate();
}

void TControl::SetClientSize(int width, int height)
{
    RECT r = ClientRect();
    SetBounds(FLeft, FTop, FWidth + width - r.right, FHeight + height - r.bottom);
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == FParent) return;
    if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent) FParent->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

void TControl::SetVisible(bool v)
{
    if (v == FVisible) return;
    VisibleChanging();
    if (FVisible) Invalidate();
    FVisible = v;
    Perform(CM_VISIBLECHANGED, v);
    if (FVisible) Invalidate();
}

void TControl::SetEnabled(bool v)
{
    if (v == FEnabled) return;
    FEnabled = v;
    Perform(CM_ENABLEDCHANGED);
    Invalidate();
}

void TControl::SetText(const std::string& s)
{
    if (s == FText) return;
    FText = s;
    Perform(CM_TEXTCHANGED);
    TextChanged();
    AdjustBounds();
    Invalidate();
}

void TControl::SetColor(TColor c)
{
    FParentColor = false;
    if (c == FColor) return;
    FColor = c;
    Perform(CM_COLORCHANGED);
    Invalidate();
}

void TControl::SetParentColor(bool v)
{
    if (v == FParentColor) return;
    FParentColor = v;
    if (v) ParentColorChanged();
}

void TControl::ParentColorChanged()
{
    if (!FParentColor || !FParent) return;
    if (FColor != FParent->Color()) {
        FColor = FParent->Color();
        Invalidate();
    }
}

void TControl::SetParentFont(bool v)
{
    if (v == FParentFont) return;
    FParentFont = v;
    if (v) ParentFontChanged();
}

void TControl::ParentFontChanged()
{
    if (!FParentFont || !FParent) return;
    FApplyingParentFont = true;
    try {
        FFont->Assign(*FParent->Font());
    } catch (...) {
        FApplyingParentFont = false;
        throw;
    }
    FApplyingParentFont = false;
}

void TControl::FontChanged()
{
    Perform(CM_FONTCHANGED);
    AdjustBounds();
    Invalidate();
}

void TControl::SetCursor(TCursor c)
{
    FCursor = c;
}

void TControl::SetPopupMenu(TPopupMenu* menu)
{
    if (menu == FPopupMenu) return;
    if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = menu;
    if (menu) menu->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == TOperation::Remove && component == FPopupMenu) FPopupMenu = nullptr;
}

LRESULT TControl::Perform(UINT msg, WPARAM wp, LPARAM lp)
{
    TMessage m{msg, wp, lp, 0};
    WindowProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& m)
{
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (m.Msg == WM_LBUTTONDBLCLK && (FControlStyle & csDoubleClicks)) {
            const TControlWatch self(this);
            OnDblClick(this);
            if (!self.Alive()) return;
        }
        FClicked = (FControlStyle & csClickEvents) != 0;
        MouseDown(TMouseButton::mbLeft, KeysToShiftState(m.WParam), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
        return;
    case WM_LBUTTONUP: {
        int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
        bool click = FClicked && x >= 0 && y >= 0 && x < FWidth && y < FHeight;
        FClicked = false;
        if (click) {
            // The handler may free this control (or its parent): nothing of it is used after.
            const TControlWatch self(this);
            Click();
            if (!self.Alive()) return;
        }
        MouseUp(TMouseButton::mbLeft, KeysToShiftState(m.WParam), x, y);
        return;
    }
    case WM_RBUTTONDOWN:
        MouseDown(TMouseButton::mbRight, KeysToShiftState(m.WParam), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
        return;
    case WM_RBUTTONUP: {
        const TControlWatch self(this);
        MouseUp(TMouseButton::mbRight, KeysToShiftState(m.WParam), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
        if (self.Alive() && FPopupMenu && FPopupMenu->AutoPopup()) {
            POINT p = ClientToScreen(POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
            FPopupMenu->SetPopupComponent(this);
            FPopupMenu->Popup(p.x, p.y);
        }
        return;
    }
    case WM_MOUSEMOVE:
        MouseMove(KeysToShiftState(m.WParam), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
        return;
    case CM_PARENTFONTCHANGED:
        ParentFontChanged();
        return;
    case CM_COLORCHANGED:
        return;
    default: break;
    }
    DefaultHandler(m);
}

void TControl::DefaultHandler(TMessage& m)
{
    m.Result = 0;
}

void TControl::Click()
{
    OnClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y)
{
    OnMouseMove(this, shift, x, y);
}

void TControl::Invalidate()
{
    if (!FParent || !FParent->HandleAllocated() || !FVisible) return;
    RECT r = BoundsRect();
    // An opaque control paints all of its rectangle: skip the erase to avoid flicker.
    InvalidateRect(FParent->Handle(), &r, (FControlStyle & csOpaque) ? FALSE : TRUE);
}

void TControl::Update()
{
    if (FParent) FParent->Update();
}

void TControl::Repaint()
{
    Invalidate();
    Update();
}

POINT TControl::ClientToScreen(POINT p) const
{
    if (auto* w = dynamic_cast<const TWinControl*>(this); w && w->HandleAllocated()) {
        ::ClientToScreen(const_cast<TWinControl*>(w)->Handle(), &p);
        return p;
    }
    if (FParent) return FParent->ClientToScreen(POINT{p.x + FLeft, p.y + FTop});
    return p;
}

POINT TControl::ScreenToClient(POINT p) const
{
    if (auto* w = dynamic_cast<const TWinControl*>(this); w && w->HandleAllocated()) {
        ::ScreenToClient(const_cast<TWinControl*>(w)->Handle(), &p);
        return p;
    }
    if (FParent) {
        POINT q = FParent->ScreenToClient(p);
        return POINT{q.x - FLeft, q.y - FTop};
    }
    return p;
}

TComponent* TControl::GetParentComponent() const
{
    return FParent;
}

void TControl::SetParentComponent(TComponent* parent)
{
    auto* w = dynamic_cast<TWinControl*>(parent);
    if (!w) throw EInvalidOperation("Control " + Name() + " has no parent window");
    SetParent(w);
}

void TControl::Loaded()
{
    TComponent::Loaded();
    if (FParentFont) ParentFontChanged();
    if (FParentColor) ParentColorChanged();
    AdjustBounds();
}

// --- TWinControl -----------------------------------------------------------------------

const TClassInfo& TWinControl::StaticClassInfo()
{
    static const TClassInfo info{"TWinControl", &TControl::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner)
{
    FObjectInstance = MakeObjectInstance([this](TMessage& m) { MainWndProc(m); });
}

TWinControl::~TWinControl()
{
    Destroying();
    // Children go with their parent's window; those owned elsewhere are only detached.
    while (!FControls.empty()) {
        TControl* c = FControls.back();
        RemoveControl(c);
    }
    if (FHandle) DestroyHandle();
    FreeObjectInstance(FObjectInstance);
}

void TWinControl::MainWndProc(TMessage& m)
{
    try {
        // The control a restored application gives the focus back to, whichever of its
        // handlers takes the message.
        if (m.Msg == WM_SETFOCUS && Screen && !dynamic_cast<TCustomForm*>(this)) Screen->SetActiveControl(this);
        WindowProc(m);
    } catch (...) {
        HandleException(this);
    }
}

void TWinControl::CreateParams(TCreateParams& params)
{
    params.Caption = Caption();
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (Visible()) params.Style |= WS_VISIBLE;
    if (!Enabled()) params.Style |= WS_DISABLED;
    params.X = Left();
    params.Y = Top();
    params.Width = Width();
    params.Height = Height();
    params.WndParent = Parent() ? Parent()->Handle() : nullptr;
    params.ClassName = ClassName();
    params.WindowClass.style = CS_DBLCLKS;
    params.WindowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    params.WindowClass.hbrBackground = nullptr;
}

void TWinControl::CreateWnd()
{
    TCreateParams params;
    CreateParams(params);
    HINSTANCE inst = MainInstance();
    WNDCLASSA existing{};
    if (params.SystemClass) {
        if (!GetClassInfoA(nullptr, params.SystemClass, &existing)) throw EOutOfResources("No window class " + std::string(params.SystemClass));
        FDefWndProc = existing.lpfnWndProc;
        // A subclass of the system class with our bootstrap procedure in front.
        if (!GetClassInfoA(inst, params.ClassName.c_str(), &existing)) {
            WNDCLASSA wc;
            GetClassInfoA(nullptr, params.SystemClass, &wc);
            wc.hInstance = inst;
            wc.lpszClassName = params.ClassName.c_str();
            wc.lpfnWndProc = InitWndProc;
            wc.style &= ~CS_GLOBALCLASS;
            if (!RegisterClassA(&wc)) throw EOutOfResources("Cannot register window class " + params.ClassName);
        }
    } else {
        FDefWndProc = DefWindowProcA;
        if (!GetClassInfoA(inst, params.ClassName.c_str(), &existing)) {
            WNDCLASSA wc = params.WindowClass;
            wc.hInstance = inst;
            wc.lpszClassName = params.ClassName.c_str();
            wc.lpfnWndProc = InitWndProc;
            if (!RegisterClassA(&wc)) throw EOutOfResources("Cannot register window class " + params.ClassName);
        }
    }
    CreateWindowHandle(params);
    if (!FHandle) throw EOutOfResources("Error creating window " + Name());
}

void TWinControl::CreateWindowHandle(const TCreateParams& params)
{
    CreationControl = this;
    HWND wnd = CreateWindowExA(params.ExStyle, params.ClassName.c_str(), params.Caption.c_str(), params.Style, params.X,
                               params.Y, params.Width, params.Height, params.WndParent, nullptr, MainInstance(), nullptr);
    CreationControl = nullptr;
    if (!wnd) FHandle = nullptr;
}

void TWinControl::CreateHandle()
{
    if (FHandle) return;
    CreateWnd();
    SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0);
    // Child windows follow in z-order of the list.
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Visible()) w->HandleNeeded();
}

HWND TWinControl::Handle()
{
    if (!FHandle) {
        if (Parent()) Parent()->HandleNeeded();
        CreateHandle();
    }
    return FHandle;
}

void TWinControl::DestroyHandle()
{
    if (!FHandle) return;
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    DestroyWnd();
}

void TWinControl::DestroyWnd()
{
    HWND wnd = FHandle;
    if (!wnd) return;
    // Keep the caption: it lives in the window while there is one.
    RemovePropA(wnd, kControlProp);
    DestroyWindow(wnd);
    FHandle = nullptr;
}

void TWinControl::RecreateWnd()
{
    if (!FHandle) return;
    FRecreating = true;
    try {
        DestroyHandle();
        HandleNeeded();
    } catch (...) {
        FRecreating = false;
        throw;
    }
    FRecreating = false;
}

void TWinControl::InsertControl(TControl* c)
{
    FControls.push_back(c);
    c->FParent = this;
    if (!c->Loading()) {
        c->ParentFontChanged();
        c->ParentColorChanged();
    }
    if (auto* w = dynamic_cast<TWinControl*>(c); w && FHandle) w->HandleNeeded();
    c->Invalidate();
}

void TWinControl::RemoveControl(TControl* c)
{
    c->Invalidate();
    if (FMouseCapture == c) ReleaseMouseCapture();
    if (FMouseControl == c) FMouseControl = nullptr;
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated()) w->DestroyHandle();
    FControls.erase(std::remove(FControls.begin(), FControls.end(), c), FControls.end());
    c->FParent = nullptr;
}

void TWinControl::GetChildren(std::vector<TComponent*>& out, TComponent* root) const
{
    for (TControl* c : FControls)
        if (c->Owner() == root) out.push_back(c);
    if (this == root) TComponent::GetChildren(out, root);
}

TControl* TWinControl::ControlAtPos(POINT p, bool allowDisabled) const
{
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (!c->Visible() || (!allowDisabled && !c->Enabled())) continue;
        RECT r = c->BoundsRect();
        if (PtInRect(&r, p)) return c;
    }
    return nullptr;
}

RECT TWinControl::ClientRect() const
{
    if (FHandle) {
        RECT r;
        GetClientRect(FHandle, &r);
        return r;
    }
    return TControl::ClientRect();
}

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    if (FHandle) {
        if (left != Left() || top != Top() || width != Width() || height != Height())
            SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        // WM_WINDOWPOSCHANGED brings the new bounds back; the system may have adjusted them.
        RECT r;
        GetWindowRect(FHandle, &r);
        POINT tl{r.left, r.top};
        if (HWND parent = GetParent(FHandle); parent && (GetWindowLongA(FHandle, GWL_STYLE) & WS_CHILD))
            ::ScreenToClient(parent, &tl);
        TControl::SetBounds(tl.x, tl.y, r.right - r.left, r.bottom - r.top);
    } else {
        TControl::SetBounds(left, top, width, height);
    }
}

void TWinControl::WMWindowPosChanged(TMessage& m)
{
    auto* wp = reinterpret_cast<WINDOWPOS*>(m.LParam);
    if (!(wp->flags & SWP_NOMOVE) || !(wp->flags & SWP_NOSIZE)) {
        RECT r;
        GetWindowRect(FHandle, &r);
        POINT tl{r.left, r.top};
        if (HWND parent = GetParent(FHandle); parent && (GetWindowLongA(FHandle, GWL_STYLE) & WS_CHILD))
            ::ScreenToClient(parent, &tl);
        FLeft = tl.x;
        FTop = tl.y;
        FWidth = r.right - r.left;
        FHeight = r.bottom - r.top;
    }
}

void TWinControl::SetText(const std::string& s)
{
    if (s == Caption()) return;
    TControl::SetText(s);
    if (FHandle) SetWindowTextA(FHandle, s.c_str());
}

bool TWinControl::ShowingWanted() const
{
    return Visible();
}

void TWinControl::UpdateShowing()
{
    if (ShowingWanted()) {
        if (!Loading()) {
            HWND h = Handle();
            ShowWindow(h, SW_SHOW);
        }
    } else if (FHandle) {
        ShowWindow(FHandle, SW_HIDE);
    }
}

void TWinControl::SetVisible(bool v)
{
    if (v == Visible()) return;
    TControl::SetVisible(v);
    UpdateShowing();
}

void TWinControl::SetEnabled(bool v)
{
    if (v == Enabled()) return;
    TControl::SetEnabled(v);
    if (FHandle) EnableWindow(FHandle, v);
}

void TWinControl::Invalidate()
{
    if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Update()
{
    if (FHandle) UpdateWindow(FHandle);
}

bool TWinControl::Focused() const
{
    return FHandle && GetFocus() == FHandle;
}

void TWinControl::SetFocus()
{
    ::SetFocus(Handle());
}

void TWinControl::FontChanged()
{
    if (FHandle) SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE);
    for (TControl* c : FControls) c->Perform(CM_PARENTFONTCHANGED);
    TControl::FontChanged();
}

void TWinControl::EraseBackground(HDC dc)
{
    RECT r;
    GetClientRect(FHandle, &r);
    HBRUSH b = CreateSolidBrush(ColorToRGB(Color()));
    FillRect(dc, &r, b);
    DeleteObject(b);
}

void TWinControl::PaintControls(HDC dc, const RECT& clip)
{
    for (TControl* c : FControls) {
        auto* g = dynamic_cast<TGraphicControl*>(c);
        if (!g || !g->Visible()) continue;
        RECT r = g->BoundsRect(), both;
        if (!IntersectRect(&both, &r, &clip)) continue;
        // Clipping and origin come back with the saved state, also when the child throws.
        TSavedDC saved(dc);
        IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
        OffsetViewportOrgEx(dc, r.left, r.top, nullptr);
        g->PaintTo(dc);
    }
}

void TWinControl::Paint(HDC, const RECT&) {}

void TWinControl::WMPaint(TMessage& m)
{
    m.Result = 0;
    if (m.WParam) {
        const HDC dc = reinterpret_cast<HDC>(m.WParam);
        RECT clip;
        GetClientRect(FHandle, &clip);
        Paint(dc, clip);
        PaintControls(dc, clip);
        return;
    }
    // A paint that throws still ends: the context goes back and the area counts as painted.
    TPaintDC paint(FHandle);
    Paint(paint.DC(), paint.PaintRect());
    PaintControls(paint.DC(), paint.PaintRect());
}

bool TWinControl::HandleSetCursor(TMessage& m)
{
    if (LOWORD(m.LParam) != HTCLIENT || reinterpret_cast<HWND>(m.WParam) != FHandle) return false;
    TCursor cursor = Screen ? Screen->Cursor() : crDefault;
    if (cursor == crDefault) {
        POINT p;
        GetCursorPos(&p);
        ::ScreenToClient(FHandle, &p);
        TControl* c = ControlAtPos(p, true);
        cursor = c ? c->Cursor() : crDefault;
        if (cursor == crDefault) cursor = Cursor();
    }
    if (cursor == crDefault) return false;
    ::SetCursor(Screen ? Screen->Cursors(cursor) : LoadCursorA(nullptr, IDC_ARROW));
    m.Result = TRUE;
    return true;
}

void TWinControl::ReleaseMouseCapture()
{
    if (!FMouseCapture) return;
    FMouseCapture = nullptr;
    if (FHandle && GetCapture() == FHandle) ReleaseCapture();
}

bool TWinControl::HandleMouse(TMessage& m)
{
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    TControl* target = FMouseCapture ? FMouseCapture : ControlAtPos(p);
    const TControlWatch self(this);
    if (target && target != this) {
        if (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) {
            if (target->ControlStyle() & csCaptureMouse) {
                FMouseCapture = target;
                SetCapture(FHandle);
            }
        }
        TMessage child = m;
        child.LParam = MAKELPARAM(p.x - target->Left(), p.y - target->Top());
        target->WindowProc(child);
        // A handler may have freed this control; one that freed the child took the capture
        // back already (RemoveControl).
        if (!self.Alive()) return false;
        if (m.Msg == WM_LBUTTONUP || m.Msg == WM_RBUTTONUP) ReleaseMouseCapture();
        m.Result = child.Result;
        return true;
    }
    TControl::WndProc(m);
    return self.Alive();
}

void TWinControl::WndProc(TMessage& m)
{
    switch (m.Msg) {
    case WM_PAINT: WMPaint(m); return;
    case WM_ERASEBKGND:
        EraseBackground(reinterpret_cast<HDC>(m.WParam));
        m.Result = 1;
        return;
    case WM_SETCURSOR:
        if (HandleSetCursor(m)) return;
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MOUSEMOVE:
        if (!HandleMouse(m)) return;
        // Windowed controls still let the system see mouse input.
        if (m.Msg != WM_MOUSEMOVE) DefaultHandler(m);
        else WMMouseMove(m);
        return;
    case WM_CAPTURECHANGED:
        // Someone else took the mouse (a message box opened from a mouse-down handler): the
        // child that had it no longer gets the messages meant for others.
        if (reinterpret_cast<HWND>(m.LParam) != FHandle) FMouseCapture = nullptr;
        break;
    case WM_MOUSELEAVE:
        FTrackingLeave = false;
        SetMouseControl(nullptr);
        break;
    case WM_KEYDOWN:
        if (WMKeyDownDialogKey(m)) return;
        break;
    case WM_WINDOWPOSCHANGED:
        WMWindowPosChanged(m);
        break;
    case WM_SETTEXT: {
        DefaultHandler(m);
        const char* text = reinterpret_cast<const char*>(m.LParam);
        std::string s = text ? text : "";
        if (s != Caption()) TControl::SetText(s);
        return;
    }
    case WM_NCDESTROY:
        DefaultHandler(m);
        FHandle = nullptr;
        FTrackingLeave = false;
        return;
    case CM_INVALIDATE:
        Invalidate();
        return;
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (ReflectToChild(m)) return;
        break;
    case CM_DIALOGKEY:
        DialogKey(m);
        return;
    default: break;
    }
    TControl::WndProc(m);
}

bool TWinControl::ReflectToChild(TMessage& m)
{
    // WM_COMMAND names the child in LPARAM (zero for menus and accelerators), the colour
    // messages too.
    HWND child = reinterpret_cast<HWND>(m.LParam);
    if (!child) return false;
    for (TControl* c : FControls) {
        auto* w = dynamic_cast<TWinControl*>(c);
        if (!w || w->FHandle != child) continue;
        m.Result = w->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
        // A child that picks no colours leaves them to the system's default.
        return m.Msg == WM_COMMAND || m.Result != 0;
    }
    return false;
}

bool TWinControl::WMKeyDownDialogKey(TMessage& m)
{
    // Enter, Escape and Tab act on the form's buttons and focus, as in a dialog box, unless the
    // control wants them itself (a multi-line edit) or Alt or Ctrl is held.
    const WPARAM key = m.WParam;
    if (key != VK_RETURN && key != VK_ESCAPE && key != VK_TAB) return false;
    if (GetKeyState(VK_MENU) < 0 || GetKeyState(VK_CONTROL) < 0 || !FHandle) return false;
    // Asked without the message: an edit given one takes itself to be in a dialog box.
    const LRESULT code = SendMessageA(FHandle, WM_GETDLGCODE, key, 0);
    if ((code & DLGC_WANTALLKEYS) || (key == VK_TAB && (code & DLGC_WANTTAB))) return false;
    TWinControl* root = this;
    while (root->Parent()) root = root->Parent();
    const HWND wnd = FHandle;
    if (!root->Perform(CM_DIALOGKEY, key, m.LParam)) return false;
    // The key was translated already: its character must not reach the control as well.
    MSG ch;
    if (IsWindow(wnd) && PeekMessageA(&ch, wnd, WM_CHAR, WM_CHAR, PM_NOREMOVE) && ch.wParam == key)
        PeekMessageA(&ch, wnd, WM_CHAR, WM_CHAR, PM_REMOVE);
    m.Result = 0;
    return true;
}

void TWinControl::DialogKey(TMessage& m)
{
    // The first child that acts on the key ends the search; copies, since a click may
    // change the list.
    const std::vector<TControl*> children = FControls;
    for (TControl* c : children) {
        m.Result = c->Perform(CM_DIALOGKEY, m.WParam, m.LParam);
        if (m.Result) return;
    }
    m.Result = 0;
}

void TWinControl::WMMouseMove(const TMessage& m)
{
    if (!FTrackingLeave && FHandle) {
        // Newer than Windows 95: user32 has it from Windows 98, comctl32 4.70 emulates it.
        using TTrack = BOOL(WINAPI*)(LPTRACKMOUSEEVENT);
        static const TTrack track = [] {
            auto f = GetProc<TTrack>("user32.dll", "TrackMouseEvent");
            return f ? f : GetProc<TTrack>("comctl32.dll", "_TrackMouseEvent");
        }();
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, FHandle, 0};
        FTrackingLeave = track && track(&tme);
    }
    TControl* now = ControlAtPos(POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
    // Over a child window this window gets no moves at all; over anything else of its own
    // area the mouse is over this control.
    if (!now || dynamic_cast<TWinControl*>(now)) now = this;
    SetMouseControl(now);
}

void TWinControl::SetMouseControl(TControl* now)
{
    if (now == FMouseControl) return;
    TControl* was = FMouseControl;
    FMouseControl = now;
    if (was) was->Perform(CM_MOUSELEAVE);
    if (now && now == FMouseControl) now->Perform(CM_MOUSEENTER);
}

void TWinControl::DefaultHandler(TMessage& m)
{
    if (FHandle && FDefWndProc)
        m.Result = CallWindowProcA(FDefWndProc, FHandle, m.Msg, m.WParam, m.LParam);
    else
        m.Result = 0;
}

// --- TGraphicControl / TCustomControl --------------------------------------------------

const TClassInfo& TGraphicControl::StaticClassInfo()
{
    static const TClassInfo info{"TGraphicControl", &TControl::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner), FCanvas(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::PaintTo(HDC dc)
{
    const TCanvasDC lent(*FCanvas, dc);
    FCanvas->Font()->Assign(*Font());
    Paint();
}

const TClassInfo& TCustomControl::StaticClassInfo()
{
    static const TClassInfo info{"TCustomControl", &TWinControl::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), FCanvas(std::make_unique<TCanvas>()) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::Paint(HDC dc, const RECT&)
{
    const TCanvasDC lent(*FCanvas, dc);
    FCanvas->Font()->Assign(*Font());
    Paint();
}
