// framework/Forms.cpp
#include "Forms.h"

#include <algorithm>

#include "FormReader.h"
#include "GdiGuards.h"
#include "Threads.h"
#include "Platform.h"

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

void ApplicationExceptionHandler(TObject* sender, const std::exception& e)
{
    if (Application) {
        if (Application->OnException) {
            Application->OnException(sender, e);
            return;
        }
        Application->ShowException(e);
    } else {
        Platform().MessageBoxA(nullptr, e.what(), "Error", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
    }
}

const std::vector<std::string> BorderStyleNames = {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"};
const std::vector<std::string> BorderIconNames = {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"};
const std::vector<std::string> FormStyleNames = {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"};
const std::vector<std::string> PositionNames = {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter", "poDesktopCenter"};
const std::vector<std::string> WindowStateNames = {"wsNormal", "wsMinimized", "wsMaximized"};

} // namespace

const TIdentMap& ModalResultIdents()
{
    static TIdentMap& map = [] () -> TIdentMap& {
        TIdentMap& m = IdentMap("TModalResult");
        const std::pair<const char*, int> names[] = {{"mrNone", mrNone},   {"mrOk", mrOk},         {"mrCancel", mrCancel},
                                                     {"mrAbort", mrAbort}, {"mrRetry", mrRetry},   {"mrIgnore", mrIgnore},
                                                     {"mrYes", mrYes},     {"mrNo", mrNo}};
        for (auto& n : names) m.Add(n.first, n.second);
        return m;
    }();
    return map;
}

// --- TCustomForm -----------------------------------------------------------------------

const TClassInfo& TCustomForm::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TCustomForm", &TWinControl::StaticClassInfo(), nullptr, {}, {}};
        auto& p = i.Props;
        p.push_back(EnumProp("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle, BorderStyleNames,
                             std::optional(TFormBorderStyle::bsSizeable)));
        p.push_back(SetProp("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons, BorderIconNames, 7));
        p.push_back(EnumProp("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle, FormStyleNames,
                             std::optional(TFormStyle::fsNormal)));
        p.push_back(EnumProp("Position", &TCustomForm::Position, &TCustomForm::SetPosition, PositionNames,
                             std::optional(TPosition::poDesigned)));
        p.push_back(EnumProp("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState, WindowStateNames,
                             std::optional(TWindowState::wsNormal)));
        // Forms store their client size; the outer size follows from the border.
        p.push_back(IntProp("ClientWidth", &TCustomForm::StoredClientWidth, &TCustomForm::SetStoredClientWidth, std::nullopt));
        p.push_back(IntProp("ClientHeight", &TCustomForm::StoredClientHeight, &TCustomForm::SetStoredClientHeight, std::nullopt));
        p.push_back(IntProp("Width", &TControl::Width, &TControl::SetWidth, std::nullopt));
        p.back().Stored = [](const TPersistent&) { return false; };
        p.push_back(IntProp("Height", &TControl::Height, &TControl::SetHeight, std::nullopt));
        p.back().Stored = [](const TPersistent&) { return false; };
        p.push_back(IntProp("PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch, 96));
        p.push_back(IntProp("TextHeight", &TCustomForm::TextHeight, &TCustomForm::SetTextHeight, 13));
        p.push_back(BoolProp("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview, false));
        // A form is hidden until shown; its stored Visible is applied once loaded.
        p.push_back(BoolProp("Visible", &TControl::Visible, &TControl::SetVisible, false));
        p.push_back(IntProp("Color", &TControl::Color, &TControl::SetColor, clBtnFace, &ColorIdents()));
        p.push_back(EventProp("OnCreate", &TCustomForm::OnCreate));
        p.push_back(EventProp("OnDestroy", &TCustomForm::OnDestroy));
        p.push_back(EventProp("OnShow", &TCustomForm::OnShow));
        p.push_back(EventProp("OnHide", &TCustomForm::OnHide));
        p.push_back(EventProp("OnActivate", &TCustomForm::OnActivate));
        p.push_back(EventProp("OnDeactivate", &TCustomForm::OnDeactivate));
        p.push_back(EventProp("OnPaint", &TCustomForm::OnPaint));
        p.push_back(EventProp("OnResize", &TCustomForm::OnResize));
        p.push_back(EventProp("OnClose", &TCustomForm::OnClose));
        p.push_back(EventProp("OnCloseQuery", &TCustomForm::OnCloseQuery));
        return i;
    }();
    return info;
}

const TClassInfo& TForm::StaticClassInfo()
{
    static const TClassInfo info{"TForm", &TCustomForm::StaticClassInfo(), &CreateComponentOf<TForm>, {}, {}};
    return info;
}

namespace {
struct TRegisterForms {
    TRegisterForms() { RegisterComponentClass(TForm::StaticClassInfo()); }
} RegisterForms;
} // namespace

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner), FIcon(std::make_unique<TIcon>())
{
    // A form starts hidden; Show or a stored Visible makes it appear.
    TControl::SetVisible(false);
    TControl::SetBounds(0, 0, 320, 240);
    SetParentColor(false);
    SetParentFont(false);
    SetColor(clBtnFace);
    FIcon->OnChange = [this](TObject*) { ApplyIcon(); };
    if (Screen) Screen->AddForm(this);
    if (Application) Application->AddForm(this);
}

void TCustomForm::BeforeDestruction()
{
    if (!FDestroyRan && FCreated) {
        FDestroyRan = true;
        try {
            OnDestroy(this);
        } catch (...) {
            ::HandleException(this);
        }
    }
    // Owned components go while the form and its window are still whole: they may be
    // hooked into the window and need it to unhook.
    Destroying();
    DestroyComponents();
}

TCustomForm::~TCustomForm()
{
    // Deleted without Free: the descendant is gone already, so no OnDestroy now.
    FDestroyRan = true;
    Destroying();
    DestroyComponents();
    if (Screen) Screen->RemoveForm(this);
    if (Application) Application->RemoveForm(this);
}

void TCustomForm::AfterConstruction()
{
    FCreated = true;
    OnCreate(this);
}

void TCustomForm::LoadFromResource()
{
    LoadFromResource(ClassName());
}

void TCustomForm::LoadFromResource(const std::string& resourceName)
{
    HRSRC res = FindResourceA(MainInstance(), resourceName.c_str(), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!res) throw EReadError(0, "", "Resource " + resourceName + " not found");
    HGLOBAL data = LoadResource(MainInstance(), res);
    const char* text = static_cast<const char*>(LockResource(data));
    DWORD size = SizeofResource(MainInstance(), res);
    if (!text) throw EReadError(0, "", "Resource " + resourceName + " cannot be loaded");
    TFormReader::ReadRoot(*this, std::string_view(text, size));
}

void TCustomForm::Loaded()
{
    TWinControl::Loaded();
    if (FPendingClientWidth >= 0 || FPendingClientHeight >= 0) {
        int w = FPendingClientWidth >= 0 ? FPendingClientWidth : ClientWidth();
        int h = FPendingClientHeight >= 0 ? FPendingClientHeight : ClientHeight();
        FPendingClientWidth = FPendingClientHeight = -1;
        SetClientSize(w, h);
    }
    if (Visible()) {
        // Show the stored visible form the ordinary way, with OnShow.
        TControl::SetVisible(false);
        SetVisible(true);
    }
}

void TCustomForm::SetStoredClientWidth(int v)
{
    if (Loading())
        FPendingClientWidth = v;
    else
        SetClientSize(v, ClientHeight());
}

void TCustomForm::SetStoredClientHeight(int v)
{
    if (Loading())
        FPendingClientHeight = v;
    else
        SetClientSize(ClientWidth(), v);
}

void TCustomForm::SetClientSize(int width, int height)
{
    // The outer size follows from the border, which may still change while loading.
    if (Loading()) {
        FPendingClientWidth = width;
        FPendingClientHeight = height;
        return;
    }
    TCreateParams params;
    CreateParams(params);
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, params.Style, FALSE, params.ExStyle);
    SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
    if (HandleAllocated()) {
        // The caption may wrap the menu or the system may differ: correct to the real client.
        RECT c;
        GetClientRect(FHandle, &c);
        if (c.right != width || c.bottom != height)
            SetBounds(Left(), Top(), Width() + width - c.right, Height() + height - c.bottom);
    }
}

void TCustomForm::SetBorderStyle(TFormBorderStyle v)
{
    if (v == FBorderStyle) return;
    int cw = ClientWidth(), ch = ClientHeight();
    FBorderStyle = v;
    if (!Loading()) {
        RecreateWnd();
        SetClientSize(cw, ch);
    }
}

void TCustomForm::SetBorderIcons(TBorderIcons v)
{
    if (v == FBorderIcons) return;
    FBorderIcons = v;
    if (!Loading()) RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle v)
{
    if (v == FFormStyle) return;
    FFormStyle = v;
    if (HandleAllocated())
        SetWindowTopmost(FHandle, v == TFormStyle::fsStayOnTop);
}

void TCustomForm::SetWindowState(TWindowState v)
{
    if (v == FWindowState) return;
    FWindowState = v;
    if (HandleAllocated() && Visible())
        ShowWindow(FHandle, v == TWindowState::wsMinimized ? SW_MINIMIZE : v == TWindowState::wsMaximized ? SW_MAXIMIZE : SW_RESTORE);
}

void TCustomForm::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.Style = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    params.ExStyle = 0;
    params.WndParent = Application ? Application->Handle() : nullptr;
    params.WindowClass.style = CS_DBLCLKS;
    switch (FBorderStyle) {
    case TFormBorderStyle::bsNone: params.Style |= WS_POPUP; break;
    case TFormBorderStyle::bsSingle:
    case TFormBorderStyle::bsToolWindow: params.Style |= WS_CAPTION | WS_BORDER; break;
    case TFormBorderStyle::bsSizeable:
    case TFormBorderStyle::bsSizeToolWin: params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case TFormBorderStyle::bsDialog:
        params.Style |= WS_POPUP | WS_CAPTION;
        params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    }
    if (FBorderStyle == TFormBorderStyle::bsToolWindow || FBorderStyle == TFormBorderStyle::bsSizeToolWin)
        params.ExStyle |= WS_EX_TOOLWINDOW;
    if (FBorderStyle != TFormBorderStyle::bsNone && (FBorderIcons & BorderIconBit(TBorderIcon::biSystemMenu))) {
        params.Style |= WS_SYSMENU;
        if (FBorderStyle != TFormBorderStyle::bsDialog && FBorderStyle != TFormBorderStyle::bsToolWindow &&
            FBorderStyle != TFormBorderStyle::bsSizeToolWin) {
            if (FBorderIcons & BorderIconBit(TBorderIcon::biMinimize)) params.Style |= WS_MINIMIZEBOX;
            if (FBorderIcons & BorderIconBit(TBorderIcon::biMaximize)) params.Style |= WS_MAXIMIZEBOX;
        }
        if (FBorderIcons & BorderIconBit(TBorderIcon::biHelp)) params.ExStyle |= WS_EX_CONTEXTHELP;
    }
    if (FFormStyle == TFormStyle::fsStayOnTop) params.ExStyle |= WS_EX_TOPMOST;
    // Visibility is applied after creation so OnShow sees a complete window.
    params.Style &= ~static_cast<DWORD>(WS_VISIBLE);
}

void TCustomForm::CreateWnd()
{
    TWinControl::CreateWnd();
    ApplyIcon();
}

void TCustomForm::ApplyIcon()
{
    if (!HandleAllocated()) return;
    const bool own = !FIcon->Empty();
    HICON icon = own ? FIcon->Handle() : (Application ? Application->Icon()->Handle() : nullptr);
    HICON smallIcon = own || !Application ? nullptr : Application->SmallIcon();
    SendMessageA(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
}

bool TCustomForm::ShowingWanted() const
{
    return Visible() && !Loading();
}

void TCustomForm::SetVisible(bool v)
{
    if (v == Visible()) return;
    if (Loading()) {
        // Applied once the whole form is read.
        TControl::SetVisible(v);
        return;
    }
    TControl::SetVisible(v);
    if (v) {
        OnShow(this);
        HWND h = Handle();
        if (!FPositioned && (FPosition == TPosition::poScreenCenter || FPosition == TPosition::poDesktopCenter)) {
            // Centred once, when first shown; later moves by the user stay.
            RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            if (FPosition == TPosition::poDesktopCenter) SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
            SetBounds(work.left + (work.right - work.left - Width()) / 2, work.top + (work.bottom - work.top - Height()) / 2,
                      Width(), Height());
        }
        FPositioned = true;
        ShowWindow(h, FWindowState == TWindowState::wsMinimized ? SW_SHOWMINIMIZED
                      : FWindowState == TWindowState::wsMaximized ? SW_SHOWMAXIMIZED
                                                                  : SW_SHOWNORMAL);
        UpdateWindow(h);
    } else {
        if (HandleAllocated()) ShowWindow(FHandle, SW_HIDE);
        OnHide(this);
    }
    if (Application) Application->UpdateVisible();
}

void TCustomForm::DoClose(TCloseAction& action)
{
    OnClose(this, action);
}

bool TCustomForm::CloseQuery()
{
    bool canClose = true;
    OnCloseQuery(this, canClose);
    return canClose;
}

namespace {
BOOL CALLBACK CollectEnabledWindow(HWND wnd, LPARAM list)
{
    if (IsWindowVisible(wnd) && IsWindowEnabled(wnd)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(wnd);
    return TRUE;
}

// The enabled, visible tab stops of a window's children, depth first in creation order.
void CollectTabStops(TWinControl* control, std::vector<TWinControl*>& out)
{
    for (int i = 0; i < control->ControlCount(); ++i) {
        auto* w = dynamic_cast<TWinControl*>(control->Controls(i));
        if (!w || !w->Visible() || !w->Enabled() || !w->HandleAllocated()) continue;
        if (GetWindowLongA(w->Handle(), GWL_STYLE) & WS_TABSTOP) out.push_back(w);
        CollectTabStops(w, out);
    }
}
} // namespace

void TCustomForm::FocusFirstControl()
{
    std::vector<TWinControl*> stops;
    CollectTabStops(this, stops);
    if (!stops.empty()) stops.front()->SetFocus();
}

void TCustomForm::FocusNextControl(bool backward)
{
    std::vector<TWinControl*> stops;
    CollectTabStops(this, stops);
    if (stops.empty()) return;
    HWND focus = GetFocus();
    auto at = std::find_if(stops.begin(), stops.end(), [focus](TWinControl* w) { return w->Handle() == focus; });
    size_t n = stops.size(), i = at == stops.end() ? (backward ? 0 : n - 1) : static_cast<size_t>(at - stops.begin());
    stops[backward ? (i + n - 1) % n : (i + 1) % n]->SetFocus();
}

TModalResult TCustomForm::ShowModal()
{
    if (Visible() || FModal) throw EInvalidOperation("Cannot make a visible window modal");
    if (GetCapture()) ReleaseCapture();
    HWND active = GetActiveWindow();
    HWND own = Handle();
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), &CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
    disabled.erase(std::remove(disabled.begin(), disabled.end(), own), disabled.end());
    for (HWND w : disabled) EnableWindow(w, FALSE);
    FModal = true;
    FModalResult = mrNone;
    auto restore = [&] {
        for (HWND w : disabled)
            if (IsWindow(w)) EnableWindow(w, TRUE);
        FModal = false;
        if (HandleAllocated()) {
            // Hidden without activating another window first, so the one that was active returns.
            SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                         SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
            Hide();
        }
        if (active && IsWindow(active)) SetActiveWindow(active);
    };
    try {
        Show();
        FocusFirstControl();
        while (true) {
            Application->HandleMessage();
            if (Application->Terminated()) {
                if (!FModalResult) FModalResult = mrCancel;
                break;
            }
            if (!FModalResult) continue;
            // The form may still refuse: OnCloseQuery or an OnClose of caNone keep it open.
            TCloseAction action = TCloseAction::caNone;
            if (CloseQuery()) {
                action = TCloseAction::caHide;
                DoClose(action);
            }
            if (action == TCloseAction::caNone) {
                FModalResult = mrNone;
                continue;
            }
            if (action == TCloseAction::caFree) Release();
            break;
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return FModalResult;
}

void TCustomForm::Close()
{
    if (FModal) {
        // The modal loop asks the form and closes it.
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = (Application && Application->MainForm() == this) ? TCloseAction::caFree : TCloseAction::caHide;
    DoClose(action);
    if (action == TCloseAction::caNone) return;
    if (Application && Application->MainForm() == this) {
        // Closing the main form ends the application.
        Application->Terminate();
        return;
    }
    switch (action) {
    case TCloseAction::caHide: Hide(); break;
    case TCloseAction::caMinimize: SetWindowState(TWindowState::wsMinimized); break;
    case TCloseAction::caFree: Release(); break;
    default: break;
    }
}

namespace {
// Posted to the application window to free a form once the current message is done:
// the form's own window procedure must not free the form it is running in.
constexpr UINT CM_RELEASE = CM_BASE + 0x20;
} // namespace

void TCustomForm::Release()
{
    if (Application) PostMessageA(Application->Handle(), CM_RELEASE, 0, reinterpret_cast<LPARAM>(this));
}

void TCustomForm::Paint(HDC, const RECT&)
{
    OnPaint(this);
}

void TCustomForm::Notification(TComponent* component, TOperation operation)
{
    TWinControl::Notification(component, operation);
}

void TCustomForm::WndProc(TMessage& m)
{
    switch (m.Msg) {
    case WM_CLOSE:
        Close();
        m.Result = 0;
        return;
    case WM_ACTIVATE:
        if (LOWORD(m.WParam) != WA_INACTIVE) {
            if (Screen) Screen->SetActiveForm(this);
            OnActivate(this);
        } else {
            OnDeactivate(this);
        }
        break;
    case WM_SIZE:
        if (m.WParam == SIZE_MINIMIZED)
            FWindowState = TWindowState::wsMinimized;
        else if (m.WParam == SIZE_MAXIMIZED)
            FWindowState = TWindowState::wsMaximized;
        else if (m.WParam == SIZE_RESTORED)
            FWindowState = TWindowState::wsNormal;
        TWinControl::WndProc(m);
        OnResize(this);
        return;
    case WM_QUERYENDSESSION:
        m.Result = CloseQuery() ? TRUE : FALSE;
        return;
    case WM_ENTERMENULOOP:
    case WM_ENTERSIZEMOVE: ModalLoopEntered(); break;
    case WM_EXITMENULOOP:
    case WM_EXITSIZEMOVE: ModalLoopLeft(); break;
    case WM_HELP:
        // F1 anywhere on the form: the application decides what help means.
        if (Application) Application->HelpContext(0);
        m.Result = TRUE;
        return;
    case CM_DIALOGKEY:
        if (m.WParam == VK_TAB) {
            FocusNextControl(GetKeyState(VK_SHIFT) < 0);
            m.Result = 1;
            return;
        }
        break;
    default: break;
    }
    TWinControl::WndProc(m);
}

TCustomForm* GetParentForm(TControl* control)
{
    while (control && !dynamic_cast<TCustomForm*>(control)) control = control->Parent();
    return static_cast<TCustomForm*>(control);
}

// --- THintWindow -----------------------------------------------------------------------

namespace {
// Timers of the application window.
constexpr UINT_PTR kHintShowTimer = 0x4854; // the mouse rested long enough: show the hint
constexpr UINT_PTR kHintHideTimer = 0x4855; // the hint has shown long enough
constexpr int kHintMargin = 2;
} // namespace

std::string GetShortHint(const std::string& hint)
{
    const size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint)
{
    const size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

const TClassInfo& THintWindow::StaticClassInfo()
{
    static const TClassInfo info{"THintWindow", &TCustomControl::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner)
{
    TControl::SetVisible(false);
    SetParentColor(false);
    SetColor(Application ? Application->HintColor() : clInfoBk);
}

void THintWindow::CreateParams(TCreateParams& params)
{
    TCustomControl::CreateParams(params);
    params.Style = WS_POPUP | WS_BORDER;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    params.WndParent = Application ? Application->Handle() : nullptr;
    params.WindowClass.style |= CS_SAVEBITS;
}

void THintWindow::WndProc(TMessage& m)
{
    // The mouse goes through to the window below, which keeps its hint going.
    if (m.Msg == WM_NCHITTEST) {
        m.Result = HTTRANSPARENT;
        return;
    }
    TCustomControl::WndProc(m);
}

RECT THintWindow::CalcHintRect(int maxWidth, const std::string& hint)
{
    RECT r{0, 0, maxWidth, 0};
    {
        const TScreenDC screen;
        const TSelectObject font(screen.DC(), Font()->Handle());
        DrawTextA(screen.DC(), hint.c_str(), -1, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    }
    // Text, margin and the one-pixel border on each side.
    r.right += 2 * (kHintMargin + 1) + 2;
    r.bottom += 2 * (kHintMargin + 1);
    return r;
}

void THintWindow::ActivateHint(const RECT& rect, const std::string& hint)
{
    SetCaption(hint);
    RECT r = rect;
    // Kept on the screen.
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (r.right > sw) OffsetRect(&r, sw - r.right, 0);
    if (r.bottom > sh) OffsetRect(&r, 0, sh - r.bottom);
    if (r.left < 0) OffsetRect(&r, -r.left, 0);
    if (r.top < 0) OffsetRect(&r, 0, -r.top);
    TControl::SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    SetWindowPos(Handle(), HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void THintWindow::ReleaseHandle()
{
    if (HandleAllocated() && IsWindowVisible(FHandle))
        SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
}

bool THintWindow::Showing() const
{
    return FHandle && IsWindowVisible(FHandle);
}

void THintWindow::Paint()
{
    TCanvas* c = Canvas();
    RECT r = ClientRect();
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    InflateRect(&r, -kHintMargin, -kHintMargin);
    SetBkMode(c->Handle(), TRANSPARENT);
    SetTextColor(c->Handle(), ColorToRGB(Font()->Color()));
    DrawTextA(c->Handle(), Caption().c_str(), -1, &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

// --- TApplication ----------------------------------------------------------------------

const TClassInfo& TApplication::StaticClassInfo()
{
    static const TClassInfo info{"TApplication", &TComponent::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

TApplication::TApplication(TComponent* owner)
    : TComponent(owner), FIcon(std::make_unique<TIcon>()), FSmallIcon(std::make_unique<TIcon>())
{
    WindowProc = [this](TMessage& m) { WndProc(m); };
    SetExceptionHandler(&ApplicationExceptionHandler);
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string name = path;
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name = name.substr(0, dot);
    FTitle = name;
    // The program's main icon, when it has one.
    if (HICON icon = LoadIconA(MainInstance(), "MAINICON")) {
        FIcon->SetHandle(CopyIcon(icon));
        // LoadIcon gives the large image; a title bar would show it shrunk.
        FSmallIcon->SetHandle(static_cast<HICON>(LoadImageA(MainInstance(), "MAINICON", IMAGE_ICON,
                                                            GetSystemMetrics(SM_CXSMICON),
                                                            GetSystemMetrics(SM_CYSMICON), 0)));
    }

    static const char className[] = "TApplication";
    WNDCLASSA wc{};
    if (!GetClassInfoA(MainInstance(), className, &wc)) {
        wc = WNDCLASSA{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = MainInstance();
        wc.hIcon = FIcon->Empty() ? LoadIconA(nullptr, IDI_APPLICATION) : FIcon->Handle();
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = className;
        RegisterClassA(&wc);
    }
    // The application window: never seen itself, it carries the taskbar button and owns
    // every form.
    FHandle = CreateWindowExA(0, className, FTitle.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                              nullptr, MainInstance(), nullptr);
    if (!FHandle) throw EOutOfResources("Cannot create the application window");
    FObjectInstance = MakeObjectInstance([this](TMessage& m) {
        try {
            WindowProc(m);
        } catch (...) {
            HandleException(this);
        }
    });
    SetWindowLongA(FHandle, GWL_WNDPROC, reinterpret_cast<LONG>(FObjectInstance));
    if (!FIcon->Empty()) SendMessageA(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIcon->Handle()));
    if (SmallIcon()) SendMessageA(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(SmallIcon()));
    // A new application icon shows on the taskbar button at once.
    FIcon->OnChange = [this](TObject*) {
        if (!FHandle) return;
        SendMessageA(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIcon->Handle()));
        if (SmallIcon()) SendMessageA(FHandle, WM_SETICON, ICON_SMALL, 0);
        FSmallIcon->SetHandle(nullptr);
    };
    GetFormatSettings();
    if (FShowHint) FHintWindow = new THintWindow(this);
}

TApplication::~TApplication()
{
    Destroying();
    CancelHint();
    // Forms go first, the newest first; each removes itself from FForms.
    DestroyComponents();
    FHintWindow = nullptr;
    FMainForm = nullptr;
    if (FHandle) {
        SetWindowLongA(FHandle, GWL_WNDPROC, reinterpret_cast<LONG>(DefWindowProcA));
        DestroyWindow(FHandle);
        FHandle = nullptr;
    }
    FreeObjectInstance(FObjectInstance);
    SetExceptionHandler(nullptr);
}

void TApplication::Initialize() {}

void TApplication::SetTitle(const std::string& title)
{
    if (title == FTitle) return;
    FTitle = title;
    if (FHandle) SetWindowTextA(FHandle, title.c_str());
}

void TApplication::SetHint(const std::string& h)
{
    if (h == FHint) return;
    FHint = h;
    OnHint(this);
}

std::string TApplication::ExeName() const
{
    return ParamStr(0);
}

void TApplication::AddForm(TCustomForm* f)
{
    FForms.push_back(f);
}

void TApplication::RemoveForm(TCustomForm* f)
{
    FForms.erase(std::remove(FForms.begin(), FForms.end(), f), FForms.end());
    if (FMainForm == f) FMainForm = nullptr;
    // A visible form freed without being hidden takes the taskbar button along if it was
    // the last one.
    if (!IsDestroying()) UpdateVisible();
}

void TApplication::ShowException(const std::exception& e)
{
    std::string text = e.what();
    if (!text.empty() && text.back() > '.') text += '.';
    HWND owner = FMainForm && FMainForm->HandleAllocated() && IsWindowVisible(FMainForm->Handle()) ? FMainForm->Handle() : FHandle;
    Platform().MessageBoxA(owner, text.c_str(), FTitle.c_str(), MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags)
{
    return Platform().MessageBoxA(FHandle, text.c_str(), caption.c_str(), flags);
}

void TApplication::HandleException(TObject* sender)
{
    ::HandleException(sender);
}

bool TApplication::ProcessMessage(MSG& msg)
{
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    bool handled = false;
    if (OnMessage) {
        try {
            OnMessage(msg, handled);
        } catch (...) {
            ::HandleException(this);
        }
    }
    if (!handled) {
        try {
            HintMessage(msg);
        } catch (...) {
            ::HandleException(this);
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

void TApplication::ProcessMessages()
{
    MSG msg;
    // Called from a tick that a system modal loop dispatched, this must not take the loop's
    // input away from it: a click dispatched from here would never choose a menu item, and
    // a release would never end a move.
    while (!(InModalLoop() && InputWaiting()) && ProcessMessage(msg)) {
    }
}

void TApplication::Idle()
{
    bool done = true;
    if (OnIdle) {
        try {
            OnIdle(this, done);
        } catch (...) {
            ::HandleException(this);
        }
    }
    if (done) WaitMessage();
}

void TApplication::HandleMessage()
{
    MSG msg;
    if (!ProcessMessage(msg)) Idle();
}

void TApplication::Run()
{
    FRunning = true;
    if (FMainForm && FShowMainForm) {
        if (FMainForm->WindowState() == TWindowState::wsMinimized)
            Minimize();
        FMainForm->SetVisible(true);
    }
    while (!FTerminated) HandleMessage();
    FRunning = false;
}

void TApplication::Terminate()
{
    FTerminated = true;
    PostQuitMessage(0);
}

void TApplication::Minimize()
{
    if (IsIconic(FHandle)) return;
    ShowWindow(FHandle, SW_MINIMIZE);
    OnMinimize(this);
}

void TApplication::Restore()
{
    if (!IsIconic(FHandle)) return;
    ShowWindow(FHandle, SW_RESTORE);
    OnRestore(this);
}

void TApplication::UpdateVisible()
{
    if (!FHandle) return;
    const bool any = FShowTaskIcon && std::any_of(FForms.begin(), FForms.end(), [](TCustomForm* f) {
        return f->Visible() && f->HandleAllocated();
    });
    const bool shown = IsWindowVisible(FHandle) != 0;
    if (any && !shown)
        ShowWindow(FHandle, SW_SHOWNOACTIVATE);
    else if (!any && shown)
        ShowWindow(FHandle, SW_HIDE);
}

void TApplication::SetShowHint(bool v)
{
    if (v == FShowHint) return;
    FShowHint = v;
    if (v) {
        FHintWindow = new THintWindow(this);
    } else {
        CancelHint();
        THintWindow* w = FHintWindow;
        FHintWindow = nullptr;
        if (w) w->Free();
    }
}

void TApplication::SetHintColor(TColor c)
{
    FHintColor = c;
    if (FHintWindow) FHintWindow->SetColor(c);
}

namespace {
// A control's hint shows when it or, through ParentShowHint, a parent asks for it.
bool HintWanted(const TControl* c)
{
    for (; c; c = c->Parent()) {
        if (c->ShowHint()) return true;
        if (!c->ParentShowHint()) return false;
    }
    return false;
}

// The control of this program under a mouse message: a windowed control or the
// window-less child it has at that point.
TControl* ControlUnderMouse(const MSG& msg)
{
    TWinControl* w = FindControl(msg.hwnd);
    if (!w) return nullptr;
    POINT p = msg.pt;
    ScreenToClient(msg.hwnd, &p);
    TControl* child = w->ControlAtPos(p);
    return child && !dynamic_cast<TWinControl*>(child) ? child : w;
}
} // namespace

void TApplication::HintMessage(const MSG& msg)
{
    switch (msg.message) {
    case WM_MOUSEMOVE: {
        TControl* c = ControlUnderMouse(msg);
        if (c == FHintWindow) return;
        SetHintControl(c);
        break;
    }
    case WM_NCMOUSEMOVE: SetHintControl(nullptr); break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
        KillTimer(FHandle, kHintShowTimer);
        if (FHintWindow) FHintWindow->ReleaseHandle();
        break;
    default: break;
    }
}

void TApplication::SetHintControl(TControl* control)
{
    if (control == FHintControl) return;
    const bool wasShowing = FHintWindow && FHintWindow->Showing();
    CancelHint();
    FHintControl = control;
    if (control) control->FreeNotification(this);
    SetHint(control ? GetLongHint(control->Hint()) : std::string());
    if (control && FShowHint && FHintWindow && !control->Hint().empty() && HintWanted(control))
        SetTimer(FHandle, kHintShowTimer, static_cast<UINT>(wasShowing ? FHintShortPause : FHintPause), nullptr);
}

void TApplication::CancelHint()
{
    if (FHandle) {
        KillTimer(FHandle, kHintShowTimer);
        KillTimer(FHandle, kHintHideTimer);
    }
    if (FHintWindow) FHintWindow->ReleaseHandle();
    if (FHintControl) FHintControl->RemoveFreeNotification(this);
    FHintControl = nullptr;
}

void TApplication::ActivateHint(POINT screenPoint)
{
    TControl* c = FHintControl;
    if (!c || !FShowHint || !FHintWindow) return;
    THintInfo info;
    info.HintControl = c;
    info.CursorPos = c->ScreenToClient(screenPoint);
    info.CursorRect = c->ClientRect();
    // Below the mouse pointer.
    info.HintPos = {screenPoint.x, screenPoint.y + GetSystemMetrics(SM_CYCURSOR) * 2 / 3};
    info.HintMaxWidth = GetSystemMetrics(SM_CXSCREEN) / 2;
    info.HintColor = FHintColor;
    info.HideTimeout = FHintHidePause;
    info.HintStr = GetShortHint(c->Hint());
    std::string text = info.HintStr;
    bool canShow = true;
    OnShowHint(text, canShow, info);
    // OnShowHint may have freed the control or switched hints off.
    if (!canShow || text.empty() || FHintControl != c || !FHintWindow) return;
    FHintWindow->SetColor(info.HintColor);
    RECT r = FHintWindow->CalcHintRect(info.HintMaxWidth, text);
    OffsetRect(&r, info.HintPos.x, info.HintPos.y);
    FHintWindow->ActivateHint(r, text);
    if (info.HideTimeout > 0) SetTimer(FHandle, kHintHideTimer, static_cast<UINT>(info.HideTimeout), nullptr);
}

void TApplication::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation != TOperation::Remove) return;
    if (component == FHintControl) {
        FHintControl = nullptr;
        if (FHandle) KillTimer(FHandle, kHintShowTimer);
        if (FHintWindow) FHintWindow->ReleaseHandle();
    }
    if (component == FHintWindow) FHintWindow = nullptr;
}

void TApplication::SettingChange()
{
    if (FUpdateFormatSettings) GetFormatSettings();
}

void TApplication::SetShowTaskIcon(bool v)
{
    FShowTaskIcon = v;
    if (!FHandle) return;
    const bool shown = IsWindowVisible(FHandle) != 0;
    if (v && !shown)
        ShowWindow(FHandle, SW_SHOWNORMAL);
    else if (!v && shown)
        ShowWindow(FHandle, SW_HIDE);
}

bool TApplication::HelpCommand(WORD command, LONG data)
{
    bool callHelp = true, result = false;
    OnHelp(command, data, callHelp, result);
    return result;
}

namespace {
struct TTopMostSearch {
    HWND Application;
    std::vector<HWND>* Found;
};
BOOL CALLBACK CollectTopMost(HWND wnd, LPARAM lp)
{
    auto* s = reinterpret_cast<TTopMostSearch*>(lp);
    if (wnd != s->Application && IsWindowVisible(wnd) && (GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST))
        s->Found->push_back(wnd);
    return TRUE;
}
} // namespace

void TApplication::NormalizeTopMosts()
{
    if (FTopMostLevel++ > 0) return;
    FTopMostList.clear();
    TTopMostSearch search{FHandle, &FTopMostList};
    EnumThreadWindows(GetCurrentThreadId(), &CollectTopMost, reinterpret_cast<LPARAM>(&search));
    // A hint is no window of the user's: it only goes away.
    if (FHintWindow) FHintWindow->ReleaseHandle();
    for (HWND w : FTopMostList)
        SetWindowTopmost(w, false);
}

void TApplication::RestoreTopMosts()
{
    if (FTopMostLevel == 0 || --FTopMostLevel > 0) return;
    for (auto it = FTopMostList.rbegin(); it != FTopMostList.rend(); ++it)
        if (IsWindow(*it))
            SetWindowPos(*it, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    FTopMostList.clear();
}

void TApplication::BringToFront()
{
    if (FMainForm && FMainForm->HandleAllocated()) SetForegroundWindow(FMainForm->Handle());
}

void TApplication::WndProc(TMessage& m)
{
    switch (m.Msg) {
    case WM_CLOSE:
        if (FMainForm) FMainForm->Close();
        m.Result = 0;
        return;
    case CM_RELEASE: {
        auto* form = reinterpret_cast<TCustomForm*>(m.LParam);
        // Only a form that still exists: it may have gone with its owner meanwhile.
        if (std::find(FForms.begin(), FForms.end(), form) != FForms.end()) form->Free();
        return;
    }
    case WM_SYSCOMMAND:
        switch (m.WParam & 0xFFF0) {
        case SC_MINIMIZE: Minimize(); m.Result = 0; return;
        case SC_RESTORE: Restore(); m.Result = 0; return;
        default: break;
        }
        break;
    case WM_SETFOCUS:
        // The application window itself is never used: focus goes on to the main form.
        if (FMainForm && FMainForm->HandleAllocated() && IsWindowVisible(FMainForm->Handle()) &&
            IsWindowEnabled(FMainForm->Handle())) {
            SetFocus(FMainForm->Handle());
            m.Result = 0;
            return;
        }
        break;
    case WM_ACTIVATEAPP:
        if (m.WParam) {
            OnActivate(this);
        } else {
            CancelHint();
            OnDeactivate(this);
        }
        break;
    case WM_TIMER:
        if (m.WParam == kHintShowTimer) {
            KillTimer(FHandle, kHintShowTimer);
            POINT p;
            GetCursorPos(&p);
            ActivateHint(p);
            return;
        }
        if (m.WParam == kHintHideTimer) {
            KillTimer(FHandle, kHintHideTimer);
            if (FHintWindow) FHintWindow->ReleaseHandle();
            return;
        }
        break;
    case WM_WININICHANGE:
        SettingChange();
        break;
    case WM_QUERYENDSESSION:
        m.Result = FMainForm ? FMainForm->CloseQuery() : TRUE;
        return;
    case WM_ENDSESSION:
        if (m.WParam) Terminate();
        m.Result = 0;
        return;
    default: break;
    }
    m.Result = DefWindowProcA(FHandle, m.Msg, m.WParam, m.LParam);
}

// --- TScreen ---------------------------------------------------------------------------

const TClassInfo& TScreen::StaticClassInfo()
{
    static const TClassInfo info{"TScreen", &TComponent::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

namespace {
// The system's cursors behind the framework's identifiers, loaded when first asked for:
// twenty-odd loads at start would delay the first window for cursors most runs never show.
HCURSOR LoadSystemCursor(int id, bool& known)
{
    known = true;
    switch (id) {
    case crArrow: case crDefault: case crDrag: case crMultiDrag: return LoadCursorA(nullptr, IDC_ARROW);
    case crCross: return LoadCursorA(nullptr, IDC_CROSS);
    case crIBeam: return LoadCursorA(nullptr, IDC_IBEAM);
    case crSizeNESW: return LoadCursorA(nullptr, IDC_SIZENESW);
    case crSizeNS: case crVSplit: return LoadCursorA(nullptr, IDC_SIZENS);
    case crSizeNWSE: return LoadCursorA(nullptr, IDC_SIZENWSE);
    case crSizeWE: case crHSplit: return LoadCursorA(nullptr, IDC_SIZEWE);
    case crUpArrow: return LoadCursorA(nullptr, IDC_UPARROW);
    case crHourGlass: case crSQLWait: return LoadCursorA(nullptr, IDC_WAIT);
    case crNo: case crNoDrop: return LoadCursorA(nullptr, IDC_NO);
    case crAppStart: return LoadCursorA(nullptr, IDC_APPSTARTING);
    case crSizeAll: return LoadCursorA(nullptr, IDC_SIZEALL);
    // Newer systems have a real hand and help cursor; Windows 95 does not.
    case crHandPoint:
        if (HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649))) return hand;
        return LoadCursorA(nullptr, IDC_ARROW);
    case crHelp:
        if (HCURSOR help = LoadCursorA(nullptr, MAKEINTRESOURCEA(32651))) return help;
        return LoadCursorA(nullptr, IDC_ARROW);
    case crNone: return nullptr;
    default: known = false; return nullptr;
    }
}
} // namespace

TScreen::TScreen(TComponent* owner) : TComponent(owner)
{
    HDC dc = GetDC(nullptr);
    FPixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
}

TScreen::~TScreen()
{
    for (auto& c : FCursors)
        if (c.second.Owned && c.second.Handle) DestroyCursor(c.second.Handle);
}

HCURSOR TScreen::Cursors(int id) const
{
    auto it = FCursors.find(id);
    if (it != FCursors.end()) return it->second.Handle;
    bool known = false;
    HCURSOR system = LoadSystemCursor(id, known);
    if (known) return FCursors.emplace(id, TCursorEntry{system, false}).first->second.Handle;
    if (FCursorLoader && id >= FCursorLoaderLow && id <= FCursorLoaderHigh)
        return FCursors.emplace(id, TCursorEntry{FCursorLoader(id), false}).first->second.Handle;
    return Cursors(crDefault);
}

void TScreen::SetCursorLoader(int low, int high, TCursorLoader load)
{
    FCursorLoader = load;
    FCursorLoaderLow = low;
    FCursorLoaderHigh = high;
}

void TScreen::SetCursors(int id, HCURSOR cursor, bool owned)
{
    auto it = FCursors.find(id);
    if (it != FCursors.end() && it->second.Owned && it->second.Handle && it->second.Handle != cursor)
        DestroyCursor(it->second.Handle);
    FCursors[id] = {cursor, owned};
}

void TScreen::SetCursor(TCursor c)
{
    if (c == FCursor) return;
    FCursor = c;
    POINT p;
    GetCursorPos(&p);
    // Let the window under the mouse choose its cursor again.
    SetCursorPos(p.x, p.y);
    if (c != crDefault) ::SetCursor(Cursors(c));
}

void TScreen::AddForm(TCustomForm* f)
{
    FForms.push_back(f);
}

void TScreen::RemoveForm(TCustomForm* f)
{
    FForms.erase(std::remove(FForms.begin(), FForms.end(), f), FForms.end());
    if (FActiveForm == f) SetActiveForm(nullptr);
}

void TScreen::SetActiveForm(TCustomForm* f)
{
    if (f == FActiveForm) return;
    FActiveForm = f;
    OnActiveFormChange(this);
}

void TScreen::SetActiveControl(TControl* c)
{
    if (c == FActiveControl) return;
    FActiveControl = c;
    OnActiveControlChange(this);
}

namespace {
struct TUnitEntry {
    int Order;
    const char* Unit;
    TUnitProc Init;
    TUnitProc Done;
    bool Initialized;
};
std::vector<TUnitEntry>& Units()
{
    static std::vector<TUnitEntry> units;
    return units;
}
bool FrameworkUp = false;
} // namespace

void RegisterUnitInitialization(int order, const char* unit, TUnitProc init, TUnitProc done)
{
    auto& units = Units();
    auto at = std::find_if(units.begin(), units.end(), [&](const TUnitEntry& e) { return e.Order > order; });
    at = units.insert(at, TUnitEntry{order, unit, init, done, false});
    if (FrameworkUp) {
        if (at->Init) at->Init();
        at->Initialized = true;
    }
}

void InitFramework()
{
    InitThreads();
    if (!Screen) Screen = new TScreen(nullptr);
    if (!Application) Application = new TApplication(nullptr);
    if (FrameworkUp) return;
    FrameworkUp = true;
    for (auto& u : Units()) {
        if (u.Initialized) continue;
        if (u.Init) u.Init();
        u.Initialized = true;
    }
}

void DoneFramework()
{
    // The forms and their components go first: they still use what the units share.
    if (Application) {
        Application->Destroying();
        Application->DestroyComponents();
    }
    auto& units = Units();
    for (auto it = units.rbegin(); it != units.rend(); ++it) {
        if (!it->Initialized) continue;
        it->Initialized = false;
        if (it->Done) it->Done();
    }
    FrameworkUp = false;
    if (Application) Application->Free();
    Application = nullptr;
    if (Screen) Screen->Free();
    Screen = nullptr;
    DoneThreads();
}
