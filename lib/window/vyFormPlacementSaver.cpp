// lib/window/vyFormPlacementSaver.cpp
//
// The placement is loaded from the form's first OnShow, when the form is about to appear
// and any hidden start (a tray program) is over; saving follows the form's and the
// application's close and end-of-session messages.
#include "vyFormPlacementSaver.h"

#include "WinUtils.h"
#include "vyClassesText.h"
#include "vyFormPlacementRules.h"

namespace {

const std::vector<std::string> RegLocationNames = {"rlCurrentUser", "rlLocalMachine"};
const std::vector<std::string> OptionNames = {"saveOnClose", "saveOnMoveResize"};

// Stands in for the form's show handler until the first show; recognisable by its type.
struct TShowThunk {
    TvyFormPlacementSaver* Saver;
    void (TvyFormPlacementSaver::*Handler)(TObject*);
    void operator()(TObject* sender) const { (Saver->*Handler)(sender); }
};

// Multiple-monitor calls of Windows 98, declared here as the Windows 95 headers lack them.
struct TMonitorInfo {
    DWORD cbSize;
    RECT rcMonitor;
    RECT rcWork;
    DWORD dwFlags;
};
constexpr DWORD MonitorDefaultToNearest = 2;
using TMonitorFromRect = HANDLE(WINAPI*)(const RECT*, DWORD);
using TGetMonitorInfo = BOOL(WINAPI*)(HANDLE, TMonitorInfo*);

// The work area of the monitor nearest to the bounds (Windows 98 and later), else the one
// the system reports for the primary screen.
TvyPlacementArea WorkAreaNear(const TvyPlacementBounds& b)
{
    static const auto monitorFromRect = GetProc<TMonitorFromRect>("user32.dll", "MonitorFromRect");
    static const auto getMonitorInfo = GetProc<TGetMonitorInfo>("user32.dll", "GetMonitorInfoA");
    RECT r{};
    if (monitorFromRect && getMonitorInfo) {
        const TvyPlacementArea covered = BoundsArea(b);
        const RECT at{covered.Left, covered.Top, covered.Right, covered.Bottom};
        TMonitorInfo info{};
        info.cbSize = sizeof info;
        if (HANDLE monitor = monitorFromRect(&at, MonitorDefaultToNearest); monitor && getMonitorInfo(monitor, &info))
            r = info.rcWork;
    }
    if (IsRectEmpty(&r) && !SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0))
        SetRect(&r, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return {r.left, r.top, r.right, r.bottom};
}

// "WindowState": one byte. Missing gives the form's designed state; any other type,
// length or value ends the load.
enum class TStoredState { Missing, Malformed, Valid };

TStoredState ReadWindowState(const TRegistry& reg, TWindowState& state)
{
    if (!reg.ValueExists("WindowState")) return TStoredState::Missing;
    const std::optional<std::string> bytes = reg.ReadBinary("WindowState");
    if (!bytes || bytes->size() != 1) return TStoredState::Malformed;
    const auto value = static_cast<unsigned char>((*bytes)[0]);
    if (value > static_cast<unsigned char>(TWindowState::wsMaximized)) return TStoredState::Malformed;
    state = static_cast<TWindowState>(value);
    return TStoredState::Valid;
}

} // namespace

const TClassInfo& TvyFormPlacementSaver::StaticClassInfo()
{
    using T = TvyFormPlacementSaver;
    static const TClassInfo info = [] {
        TClassInfo i{"TvyFormPlacementSaver", &TvyAppHookComponent::StaticClassInfo(), &CreateComponentOf<T>, {}, {}};
        auto& p = i.Props;
        p.push_back(AboutProp());
        p.push_back(BoolProp("Enabled", &T::Enabled, &T::SetEnabled, DefaultEnabled));
        p.push_back(EnumProp("RegLocation", &T::RegLocation, &T::SetRegLocation, RegLocationNames,
                             std::optional(DefaultRegLocation)));
        p.push_back(StrProp<T>("RegKey", &T::RegKey, &T::SetRegKey, std::string(DefaultRegKey)));
        p.push_back(BoolProp("RestoreFormSize", &T::RestoreFormSize, &T::SetRestoreFormSize, DefaultRestoreFormSize));
        p.push_back(SetProp("Options", &T::Options, &T::SetOptions, OptionNames, DefaultOptions));
        p.push_back(EventProp("OnLoadSettings", &T::OnLoadSettings));
        p.push_back(EventProp("OnSaveSettings", &T::OnSaveSettings));
        return i;
    }();
    return info;
}

namespace {
struct TRegisterPlacementSaver {
    TRegisterPlacementSaver() { RegisterComponentClass(TvyFormPlacementSaver::StaticClassInfo()); }
} RegisterPlacementSaver;
} // namespace

TvyFormPlacementSaver::TvyFormPlacementSaver(TComponent* owner) : TvyAppHookComponent(owner) {}

TvyFormPlacementSaver::~TvyFormPlacementSaver()
{
    RestoreFormShow();
}

void TvyFormPlacementSaver::SetRegKey(const std::string& v)
{
    FRegKey = RemoveBackslashes(v);
}

HKEY TvyFormPlacementSaver::Root() const
{
    return FRegLocation == TvyRegLocation::rlLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

void TvyFormPlacementSaver::Loaded()
{
    TvyAppHookComponent::Loaded();
    TCustomForm* form = OwnerForm();
    // Once: a second stand-in would take the first for the form's own handler.
    if (!FEnabled || Designing() || !form || FShowForm) return;
    FShowForm = form;
    FFormOnShow = form->OnShow;
    // Keeps the form's method name, so a form written meanwhile still names its own handler.
    form->OnShow.Set(TShowThunk{this, &TvyFormPlacementSaver::FormShow}, FFormOnShow.MethodName());
}

void TvyFormPlacementSaver::RestoreFormShow()
{
    if (!FShowForm) return;
    const TShowThunk* ours = FShowForm->OnShow.Get().target<TShowThunk>();
    if (ours && ours->Saver == this) FShowForm->OnShow = FFormOnShow;
    FShowForm = nullptr;
    FFormOnShow.Clear();
}

void TvyFormPlacementSaver::FormShow(TObject* sender)
{
    // Taken before our stand-in is replaced: it is running now and goes with the swap.
    const TNotifyEvent formOnShow = FFormOnShow;
    LoadPlacement();
    RestoreFormShow();
    formOnShow(sender);
}

void TvyFormPlacementSaver::LoadPlacement()
{
    TCustomForm* form = OwnerForm();
    if (!form) return;
    TRegistry reg(Root());
    if (!reg.OpenKey(FRegKey, false)) return;

    TWindowState state = form->WindowState();
    if (ReadWindowState(reg, state) == TStoredState::Malformed) return;
    form->SetWindowState(state);

    // A maximized form keeps its designed bounds to restore to.
    if (state != TWindowState::wsMaximized) {
        TvyPlacementBounds b{form->Left(), form->Top(), form->Width(), form->Height()};
        const char* const names[] = {"Left", "Top", "Width", "Height"};
        int* const fields[] = {&b.Left, &b.Top, &b.Width, &b.Height};
        const int count = FRestoreFormSize ? 4 : 2;
        int read = 0;
        for (; read < count; ++read) {
            const std::optional<int> v = reg.ReadInteger(names[read]);
            if (!v) break;
            *fields[read] = *v;
        }
        if (read > 0) {
            b = KeepOnWorkArea(b, WorkAreaNear(b));
            form->SetBounds(b.Left, b.Top, b.Width, b.Height);
        }
        if (read < count) return;
    }

    const std::optional<int> topmost = reg.ReadInteger("Topmost");
    if (!topmost) return;
    SetTopmost(*topmost != 0);
    form->SetPosition(TPosition::poDesigned);
    try {
        OnLoadSettings(this, reg);
    } catch (...) {
        // The program's own values are its own business; the placement stands.
    }
}

void TvyFormPlacementSaver::SavePlacement()
{
    TCustomForm* form = OwnerForm();
    // Until its first show has loaded the stored placement, the form holds only its designed
    // one: a program closed without ever showing its window must not overwrite the user's.
    if (!form || Designing() || FShowForm) return;
    TRegistry reg(Root());
    if (!reg.OpenKey(FRegKey, true)) return;
    reg.WriteInteger("Left", form->Left());
    reg.WriteInteger("Top", form->Top());
    reg.WriteInteger("Width", form->Width());
    reg.WriteInteger("Height", form->Height());
    reg.WriteBinary("WindowState", std::string(1, static_cast<char>(form->WindowState())));
    reg.WriteInteger("Topmost", (WindowExStyle() & WS_EX_TOPMOST) ? 1 : 0);
    try {
        OnSaveSettings(this, reg);
    } catch (...) {
        // As above: nothing the program adds may stop a close or a log-off.
    }
}

void TvyFormPlacementSaver::BeforeMessage(TMessage& m, bool& handled)
{
    TvyAppHookComponent::BeforeMessage(m, handled);
    if (!FEnabled || Designing()) return;
    switch (m.Msg) {
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
        if (FOptions & RegSaverOptionBit(TvyRegSaverOption::saveOnClose)) SavePlacement();
        break;
    case WM_EXITSIZEMOVE:
        if (FOptions & RegSaverOptionBit(TvyRegSaverOption::saveOnMoveResize)) SavePlacement();
        break;
    default: break;
    }
}

void TvyFormPlacementSaver::AfterMessage(TMessage& m)
{
    TvyAppHookComponent::AfterMessage(m);
    // The window is about to appear and our show handler has not run: the program has put
    // one of its own in its place since loading. The first show counts all the same (and
    // saving waits for it); the program's handler has had its turn already.
    if (m.Msg == WM_SHOWWINDOW && m.WParam && FShowForm && !Designing()) {
        LoadPlacement();
        RestoreFormShow();
    }
}

void TvyFormPlacementSaver::AppBeforeMessage(TMessage& m, bool& handled)
{
    BeforeMessage(m, handled);
}
