// lib/window/vyAppEvents.cpp
// The application has one slot per event; TvyAppEventList keeps the slots for as long as
// any TvyAppEvents lives and hands each event to all of them. The thread's keyboard and
// mouse hooks belong to one instance at a time: the first made, then, once it has gone,
// the next one made.
#include "vyAppEvents.h"

#include <algorithm>

#include "Forms.h"

namespace {

HHOOK gKeyHook = nullptr;
HHOOK gMouseHook = nullptr;
TvyAppEvents* gHookOwner = nullptr;
TvyAppEventList* gList = nullptr;

[[maybe_unused]] const bool gRegistered = (RegisterComponentClass(TvyAppEvents::StaticClassInfo()),
                                           RegisterUnitInitialization(UnitOrder::AppEvents, "vyAppEvents", nullptr,
                                                                      &TvyAppEventList::Release),
                                           true);

const std::vector<std::string> PriorityNames = {"apNormal", "apIdle", "apHigh", "apRealTime"};

DWORD PriorityValue(TvyAppPriorityClass p)
{
    switch (p) {
    case TvyAppPriorityClass::apIdle: return IDLE_PRIORITY_CLASS;
    case TvyAppPriorityClass::apHigh: return HIGH_PRIORITY_CLASS;
    case TvyAppPriorityClass::apRealTime: return REALTIME_PRIORITY_CLASS;
    default: return NORMAL_PRIORITY_CLASS;
    }
}

constexpr TShiftState Flag(TShiftStateFlag f) { return static_cast<TShiftState>(f); }

} // namespace

// --- the thread's hooks ----------------------------------------------------------------

struct TvyAppEventsHooks {
    static LRESULT CALLBACK Keyboard(int code, WPARAM wp, LPARAM lp)
    {
        if (code == HC_ACTION && gHookOwner) {
            const bool released = (static_cast<DWORD>(lp) & 0x80000000u) != 0;
            const TvyAppKeyEvent event = released ? gHookOwner->OnAppKeyUp : gHookOwner->OnAppKeyDown;
            if (event) {
                try {
                    WORD key = static_cast<WORD>(wp); // a copy: the handler cannot change the key
                    TShiftState shift = GetShiftState() & ~Flag(TShiftStateFlag::ssAlt);
                    if (lp & (1 << 29)) shift |= Flag(TShiftStateFlag::ssAlt);
                    // A press of a key already down, or any release.
                    const bool repeated = (static_cast<DWORD>(lp) & 0xC0000000u) != 0;
                    event(gHookOwner, key, shift, GetKeyName(lp), repeated);
                } catch (...) {
                    // Nothing may leave a hook.
                }
            }
        }
        return CallNextHookEx(gKeyHook, code, wp, lp);
    }

    static LRESULT CALLBACK Mouse(int code, WPARAM wp, LPARAM lp)
    {
        const auto* info = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lp);
        if (code == HC_ACTION && gHookOwner && info) {
            try {
                Report(static_cast<UINT>(wp), *info);
            } catch (...) {
                // Nothing may leave a hook.
            }
        }
        return CallNextHookEx(gMouseHook, code, wp, lp);
    }

    static void Report(UINT msg, const MOUSEHOOKSTRUCT& info)
    {
        TvyAppEvents* owner = gHookOwner;
        const int wnd = static_cast<int>(reinterpret_cast<INT_PTR>(info.hwnd));
        const int hit = static_cast<int>(info.wHitTestCode);
        const TShiftState shift = GetShiftState();
        if (msg == WM_MOUSEMOVE || msg == WM_NCMOUSEMOVE) {
            const TvyAppMouseMoveEvent event = owner->OnAppMouseMove;
            event(owner, shift, info.pt, wnd, hit);
            return;
        }
        TMouseButton button;
        TShiftStateFlag flag;
        bool down;
        switch (msg) {
        case WM_LBUTTONDOWN: case WM_NCLBUTTONDOWN: button = TMouseButton::mbLeft; flag = TShiftStateFlag::ssLeft; down = true; break;
        case WM_LBUTTONUP: case WM_NCLBUTTONUP: button = TMouseButton::mbLeft; flag = TShiftStateFlag::ssLeft; down = false; break;
        case WM_RBUTTONDOWN: case WM_NCRBUTTONDOWN: button = TMouseButton::mbRight; flag = TShiftStateFlag::ssRight; down = true; break;
        case WM_RBUTTONUP: case WM_NCRBUTTONUP: button = TMouseButton::mbRight; flag = TShiftStateFlag::ssRight; down = false; break;
        case WM_MBUTTONDOWN: case WM_NCMBUTTONDOWN: button = TMouseButton::mbMiddle; flag = TShiftStateFlag::ssMiddle; down = true; break;
        case WM_MBUTTONUP: case WM_NCMBUTTONUP: button = TMouseButton::mbMiddle; flag = TShiftStateFlag::ssMiddle; down = false; break;
        default: return; // double clicks and the rest
        }
        const TvyAppMouseEvent event = down ? owner->OnAppMouseDown : owner->OnAppMouseUp;
        event(owner, button, shift | Flag(flag), info.pt, wnd, hit);
    }
};

// --- TvyAppEventList -------------------------------------------------------------------

TvyAppEventList* TvyAppEventList::Instance() noexcept { return gList; }

TvyAppEventList& TvyAppEventList::Acquire()
{
    if (!gList) gList = new TvyAppEventList();
    return *gList;
}

void TvyAppEventList::Release()
{
    if (gList && gList->FTakenOver) gList->GiveBack();
    delete gList;
    gList = nullptr;
}

void TvyAppEventList::Add(TvyAppEvents* c)
{
    if (std::find(FItems.begin(), FItems.end(), c) != FItems.end()) return;
    FItems.push_back(c);
    if (!FTakenOver && !c->Designing()) TakeOver();
}

void TvyAppEventList::Remove(TvyAppEvents* c)
{
    FItems.erase(std::remove(FItems.begin(), FItems.end(), c), FItems.end());
    const bool anyRunning = std::any_of(FItems.begin(), FItems.end(), [](TvyAppEvents* e) { return !e->Designing(); });
    if (FTakenOver && !anyRunning) GiveBack();
}

// Every member's handler, the newest member first, then the handler saved before the
// first. Arguments passed by reference travel through all of them; a member freed by an
// earlier handler is skipped.
template <class Member, class... Args>
void TvyAppEventList::Fan(Member member, Args&&... args)
{
    const std::vector<TvyAppEvents*> items = FItems;
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        if ((*it)->Designing() || std::find(FItems.begin(), FItems.end(), *it) == FItems.end()) continue;
        const auto handler = (*it)->*member;
        handler(args...);
    }
}

void TvyAppEventList::TakeOver()
{
    if (!Application || !Screen) return;
    TApplication& a = *Application;
    FOnActivate = a.OnActivate;
    FOnDeactivate = a.OnDeactivate;
    FOnException = a.OnException;
    FOnIdle = a.OnIdle;
    FOnHelp = a.OnHelp;
    FOnHint = a.OnHint;
    FOnMessage = a.OnMessage;
    FOnMinimize = a.OnMinimize;
    FOnRestore = a.OnRestore;
    FOnShowHint = a.OnShowHint;
    FOnActiveControlChange = Screen->OnActiveControlChange;
    FOnActiveFormChange = Screen->OnActiveFormChange;
    FTakenOver = true;

    using E = TvyAppEvents;
    a.OnActivate = [this](TObject* s) { Fan(&E::OnActivate, s); FOnActivate(s); };
    a.OnDeactivate = [this](TObject* s) { Fan(&E::OnDeactivate, s); FOnDeactivate(s); };
    a.OnException = [this](TObject* s, const std::exception& e) {
        const bool anyone = static_cast<bool>(FOnException) ||
                            std::any_of(FItems.begin(), FItems.end(), [](E* c) { return !c->Designing() && c->OnException; });
        if (!anyone) {
            if (Application) Application->ShowException(e);
            return;
        }
        Fan(&E::OnException, s, e);
        FOnException(s, e);
    };
    a.OnIdle = [this](TObject* s, bool& done) { Fan(&E::OnIdle, s, done); FOnIdle(s, done); };
    a.OnHelp = [this](WORD command, LONG data, bool& callHelp, bool& result) {
        // The saved handler's answer if there is one, else the last member's.
        bool last = false;
        const std::vector<E*> items = FItems;
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
            E* c = *it;
            if (c->Designing() || !c->OnHelp || std::find(FItems.begin(), FItems.end(), c) == FItems.end()) continue;
            last = false;
            const THelpEvent handler = c->OnHelp;
            handler(command, data, callHelp, last);
        }
        if (FOnHelp) {
            bool saved = false;
            FOnHelp(command, data, callHelp, saved);
            last = saved;
        }
        result = last;
    };
    a.OnHint = [this](TObject* s) { Fan(&E::OnHint, s); FOnHint(s); };
    a.OnMessage = [this](MSG& msg, bool& handled) { Fan(&E::OnMessage, msg, handled); FOnMessage(msg, handled); };
    a.OnMinimize = [this](TObject* s) { Fan(&E::OnMinimize, s); FOnMinimize(s); };
    a.OnRestore = [this](TObject* s) { Fan(&E::OnRestore, s); FOnRestore(s); };
    a.OnShowHint = [this](std::string& hint, bool& canShow, THintInfo& info) {
        Fan(&E::OnShowHint, hint, canShow, info);
        FOnShowHint(hint, canShow, info);
    };
    Screen->OnActiveControlChange = [this](TObject* s) { Fan(&E::OnActiveControlChange, s); FOnActiveControlChange(s); };
    Screen->OnActiveFormChange = [this](TObject* s) { Fan(&E::OnActiveFormChange, s); FOnActiveFormChange(s); };
}

void TvyAppEventList::GiveBack()
{
    // The handlers that were there before the first member are put back, not lost.
    FTakenOver = false;
    if (Application) {
        TApplication& a = *Application;
        a.OnActivate = FOnActivate;
        a.OnDeactivate = FOnDeactivate;
        a.OnException = FOnException;
        a.OnIdle = FOnIdle;
        a.OnHelp = FOnHelp;
        a.OnHint = FOnHint;
        a.OnMessage = FOnMessage;
        a.OnMinimize = FOnMinimize;
        a.OnRestore = FOnRestore;
        a.OnShowHint = FOnShowHint;
    }
    if (Screen) {
        Screen->OnActiveControlChange = FOnActiveControlChange;
        Screen->OnActiveFormChange = FOnActiveFormChange;
    }
    FOnActivate = FOnDeactivate = FOnHint = FOnMinimize = FOnRestore = nullptr;
    FOnActiveControlChange = FOnActiveFormChange = nullptr;
    FOnException = nullptr;
    FOnIdle = nullptr;
    FOnHelp = nullptr;
    FOnMessage = nullptr;
    FOnShowHint = nullptr;
}

// --- TvyAppEvents ----------------------------------------------------------------------

const TClassInfo& TvyAppEvents::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyAppEvents;
        TClassInfo i{"TvyAppEvents", &TvyAppHookComponent::StaticClassInfo(), &CreateComponentOf<C>, {}, {}};
        auto& p = i.Props;
        p.push_back(AboutProp());
        p.push_back(BoolProp("AnimateIcon", &C::AnimateIcon, &C::SetAnimateIcon, std::nullopt));
        p.push_back(IntProp("AnimateInterval", &C::AnimateInterval, &C::SetAnimateInterval, std::nullopt));
        p.push_back(EnumProp("AppPriorityClass", &C::AppPriorityClass, &C::SetAppPriorityClass, PriorityNames,
                             std::optional(DefaultAppPriorityClass)));
        p.push_back(BoolProp("FixedMinimizeRestoreAnimation", &C::FixedMinimizeRestoreAnimation,
                             &C::SetFixedMinimizeRestoreAnimation, DefaultFixedMinimizeRestoreAnimation));
        p.push_back(IntProp("HintColor", &C::HintColor, &C::SetHintColor, DefaultHintColor, &ColorIdents()));
        p.push_back(ObjProp("HintFont", &C::HintFont));
        p.push_back(IntProp("HintPause", &C::HintPause, &C::SetHintPause, DefaultHintPause));
        p.push_back(ObjProp("Icon", &C::Icon));
        p.push_back(CompProp("ImageList", &C::ImageList, &C::SetImageList));
        p.push_back(IntProp("ImageIndex", &C::ImageIndex, &C::SetImageIndex, std::nullopt));
        p.push_back(BoolProp("ShowHint", &C::ShowHint, &C::SetShowHint, DefaultShowHint));
        p.push_back(BoolProp("UpdateFormatSettings", &C::UpdateFormatSettings, &C::SetUpdateFormatSettings,
                             DefaultUpdateFormatSettings));
        p.push_back(IntProp("HintShortPause", &C::HintShortPause, &C::SetHintShortPause, DefaultHintShortPause));
        p.push_back(IntProp("HintHidePause", &C::HintHidePause, &C::SetHintHidePause, DefaultHintHidePause));
        p.push_back(BoolProp("ShowMainForm", &C::ShowMainForm, &C::SetShowMainForm, DefaultShowMainForm));
        p.push_back(BoolProp("ShowTaskIcon", &C::ShowTaskIcon, &C::SetShowTaskIcon, DefaultShowTaskIcon));
        p.push_back(EventProp("OnSettingsChanged", &C::OnSettingsChanged));
        p.push_back(EventProp("OnActiveControlChange", &C::OnActiveControlChange));
        p.push_back(EventProp("OnActiveFormChange", &C::OnActiveFormChange));
        p.push_back(EventProp("OnActivate", &C::OnActivate));
        p.push_back(EventProp("OnDeactivate", &C::OnDeactivate));
        p.push_back(EventProp("OnException", &C::OnException));
        p.push_back(EventProp("OnIdle", &C::OnIdle));
        p.push_back(EventProp("OnHelp", &C::OnHelp));
        p.push_back(EventProp("OnHint", &C::OnHint));
        p.push_back(EventProp("OnMessage", &C::OnMessage));
        p.push_back(EventProp("OnMinimize", &C::OnMinimize));
        p.push_back(EventProp("OnRestore", &C::OnRestore));
        p.push_back(EventProp("OnShowHint", &C::OnShowHint));
        p.push_back(EventProp("OnAppKeyDown", &C::OnAppKeyDown));
        p.push_back(EventProp("OnAppKeyUp", &C::OnAppKeyUp));
        p.push_back(EventProp("OnAppMouseMove", &C::OnAppMouseMove));
        p.push_back(EventProp("OnAppMouseDown", &C::OnAppMouseDown));
        p.push_back(EventProp("OnAppMouseUp", &C::OnAppMouseUp));
        return i;
    }();
    return info;
}

TvyAppEvents::TvyAppEvents(TComponent* owner)
    : TvyAppHookComponent(owner), FHintFont(std::make_unique<TFont>()), FIcon(std::make_unique<TIcon>())
{
    if (!dynamic_cast<TCustomForm*>(owner)) throw EInvalidOperation("Owner must be a Form!");
    FHintFont->OnChange = [this](TObject*) { ApplyHintFont(); };
    if (!Designing() && !gHookOwner) {
        gHookOwner = this;
        gMouseHook = SetWindowsHookExA(WH_MOUSE, &TvyAppEventsHooks::Mouse, nullptr, GetCurrentThreadId());
        gKeyHook = SetWindowsHookExA(WH_KEYBOARD, &TvyAppEventsHooks::Keyboard, nullptr, GetCurrentThreadId());
    }
    TvyAppEventList::Acquire().Add(this);
}

TvyAppEvents::~TvyAppEvents()
{
    if (TvyAppEventList* list = TvyAppEventList::Instance()) list->Remove(this);
    if (gHookOwner == this) {
        // The next instance made may own the hooks again.
        if (gMouseHook) UnhookWindowsHookEx(gMouseHook);
        if (gKeyHook) UnhookWindowsHookEx(gKeyHook);
        gMouseHook = gKeyHook = nullptr;
        gHookOwner = nullptr;
    }
    StopTimer();
    if (FImageList) FImageList->RemoveFreeNotification(this);
}

TvyAppEvents* TvyAppEvents::HookOwner() noexcept { return gHookOwner; }

void TvyAppEvents::Loaded()
{
    TvyAppHookComponent::Loaded();
    ApplyHintSettings();
    RestartTimer();
    ApplyHintFont();
}

void TvyAppEvents::Notification(TComponent* component, TOperation operation)
{
    TvyAppHookComponent::Notification(component, operation);
    if (operation == TOperation::Remove && component == FImageList) {
        FImageList = nullptr;
        StopTimer();
    }
}

// --- settings --------------------------------------------------------------------------

void TvyAppEvents::ApplyHintSettings()
{
    if (Designing() || !Application) return;
    Application->SetHintColor(FHintColor);
    Application->SetHintHidePause(FHintHidePause);
    Application->SetHintPause(FHintPause);
    Application->SetHintShortPause(FHintShortPause);
    Application->SetShowHint(FShowHint);
    Application->SetUpdateFormatSettings(FUpdateFormatSettings);
}

void TvyAppEvents::ApplyHintFont()
{
    if (Designing() || !Application) return;
    if (THintWindow* w = Application->HintWindow()) w->Font()->Assign(*FHintFont);
}

TColor TvyAppEvents::HintColor() const
{
    return !Designing() && Application ? Application->HintColor() : FHintColor;
}

void TvyAppEvents::SetHintColor(TColor v)
{
    FHintColor = v;
    if (!Designing() && Application) Application->SetHintColor(v);
}

int TvyAppEvents::HintPause() const
{
    return !Designing() && Application ? Application->HintPause() : FHintPause;
}

void TvyAppEvents::SetHintPause(int v)
{
    FHintPause = v;
    if (!Designing() && Application) Application->SetHintPause(v);
}

int TvyAppEvents::HintShortPause() const
{
    return !Designing() && Application ? Application->HintShortPause() : FHintShortPause;
}

void TvyAppEvents::SetHintShortPause(int v)
{
    FHintShortPause = v;
    if (!Designing() && Application) Application->SetHintShortPause(v);
}

int TvyAppEvents::HintHidePause() const
{
    return !Designing() && Application ? Application->HintHidePause() : FHintHidePause;
}

void TvyAppEvents::SetHintHidePause(int v)
{
    FHintHidePause = v;
    if (!Designing() && Application) Application->SetHintHidePause(v);
}

bool TvyAppEvents::ShowHint() const
{
    return !Designing() && Application ? Application->ShowHint() : FShowHint;
}

void TvyAppEvents::SetShowHint(bool v)
{
    FShowHint = v;
    if (Designing() || !Application) return;
    Application->SetShowHint(v);
    ApplyHintFont(); // a new hint window starts with the default font
}

bool TvyAppEvents::UpdateFormatSettings() const
{
    return !Designing() && Application ? Application->UpdateFormatSettings() : FUpdateFormatSettings;
}

void TvyAppEvents::SetUpdateFormatSettings(bool v)
{
    FUpdateFormatSettings = v;
    if (!Designing() && Application) Application->SetUpdateFormatSettings(v);
}

bool TvyAppEvents::ShowMainForm() const
{
    return !Designing() && Application ? Application->ShowMainForm() : FShowMainForm;
}

void TvyAppEvents::SetShowMainForm(bool v)
{
    FShowMainForm = v;
    if (!Designing() && Application) Application->SetShowMainForm(v);
}

bool TvyAppEvents::ShowTaskIcon() const
{
    return !Designing() && Application ? Application->ShowTaskIcon() : FShowTaskIcon;
}

void TvyAppEvents::SetShowTaskIcon(bool v)
{
    FShowTaskIcon = v;
    if (!Designing() && Application) Application->SetShowTaskIcon(v);
}

TvyAppPriorityClass TvyAppEvents::AppPriorityClass() const
{
    if (Designing()) return FAppPriorityClass;
    switch (GetPriorityClass(GetCurrentProcess())) {
    case IDLE_PRIORITY_CLASS: return TvyAppPriorityClass::apIdle;
    case HIGH_PRIORITY_CLASS: return TvyAppPriorityClass::apHigh;
    case REALTIME_PRIORITY_CLASS: return TvyAppPriorityClass::apRealTime;
    default: return TvyAppPriorityClass::apNormal;
    }
}

void TvyAppEvents::SetAppPriorityClass(TvyAppPriorityClass v)
{
    if (v == AppPriorityClass()) return;
    FAppPriorityClass = v;
    if (!Designing()) SetPriorityClass(GetCurrentProcess(), PriorityValue(v));
}

void TvyAppEvents::SetHintFont(TFont* v)
{
    if (v) FHintFont->Assign(*v);
    ApplyHintFont();
}

// --- icon and its animation ------------------------------------------------------------

void TvyAppEvents::SetIcon(TIcon* v)
{
    if (v)
        FIcon->Assign(*v);
    else
        FIcon->SetHandle(nullptr);
    ApplyIcon();
}

void TvyAppEvents::SetImageList(TCustomImageList* v)
{
    if (v == FImageList) return;
    if (FImageList) FImageList->RemoveFreeNotification(this);
    FImageList = v;
    if (v)
        v->FreeNotification(this);
    else
        FAnimateIcon = false;
    ApplyIcon();
    RestartTimer();
}

void TvyAppEvents::SetImageIndex(int v)
{
    if (v == FImageIndex) return;
    FImageIndex = v;
    ApplyIcon();
}

void TvyAppEvents::ApplyIcon()
{
    if (Designing() || !Application) return;
    if (FImageList) {
        Application->Icon()->SetHandle(nullptr);
        FImageList->GetIcon(FImageIndex, Application->Icon());
    } else if (!FIcon->Empty()) {
        // Without an icon of its own the application keeps the program's.
        Application->Icon()->Assign(*FIcon);
    }
}

void TvyAppEvents::SetAnimateIcon(bool v)
{
    if (v == FAnimateIcon) return;
    FAnimateIcon = v;
    RestartTimer();
}

void TvyAppEvents::SetAnimateInterval(WORD v)
{
    if (v == FAnimateInterval) return;
    FAnimateInterval = v;
    RestartTimer();
}

void TvyAppEvents::StopTimer()
{
    if (FTimerRunning && UtilityWindow()) KillTimer(UtilityWindow(), AnimationTimer);
    FTimerRunning = false;
}

void TvyAppEvents::RestartTimer()
{
    StopTimer();
    if (Designing() || !FAnimateIcon || FAnimateInterval == 0 || !FImageList || !UtilityWindow()) return;
    if (!SetTimer(UtilityWindow(), AnimationTimer, FAnimateInterval, nullptr))
        throw EOutOfResources("Not enough timers available");
    FTimerRunning = true;
}

void TvyAppEvents::UtilityWndProc(TMessage& m)
{
    if (m.Msg == WM_TIMER && m.WParam == AnimationTimer) {
        const int count = FImageList ? FImageList->Count() : 0;
        if (count > 0) SetImageIndex(FImageIndex + 1 >= count ? 0 : FImageIndex + 1);
        m.Result = 0;
        return;
    }
    TvyAppHookComponent::UtilityWndProc(m);
}

// --- messages --------------------------------------------------------------------------

void TvyAppEvents::BeforeMessage(TMessage& m, bool& handled)
{
    if (FixedMinimizeRestore(m, false)) handled = true;
}

void TvyAppEvents::AppBeforeMessage(TMessage& m, bool& handled)
{
    if (m.Msg == WM_WININICHANGE && !Designing() && Application) {
        // A fresh hint window picks up the new system settings.
        if (Application->ShowHint()) {
            Application->SetShowHint(false);
            Application->SetShowHint(true);
            ApplyHintFont();
        }
        try {
            SettingsChanged();
        } catch (...) {
            ::HandleException(this);
        }
        return; // never consumed
    }
    if (FixedMinimizeRestore(m, true)) handled = true;
}

void TvyAppEvents::SettingsChanged()
{
    OnSettingsChanged(this);
}

bool TvyAppEvents::FixedMinimizeRestore(TMessage& m, bool atApplication)
{
    if (m.Msg != WM_SYSCOMMAND || !FFixedMinimizeRestoreAnimation || Designing() || !Application) return false;
    TCustomForm* form = OwnerForm();
    if (!form || Application->MainForm() != form) return false;
    HWND app = Application->Handle();
    switch (m.WParam & 0xFFF0) {
    case SC_MINIMIZE:
        if (IsIconic(app)) return false;
        SetShowTaskIcon(true);
        Application->NormalizeTopMosts();
        SetActiveWindow(app);
        // The application window takes the form's place, so the system animates the
        // form's rectangle down to the taskbar button.
        SetWindowPos(app, form->Handle(), form->Left(), form->Top(), form->Width(), 0, SWP_SHOWWINDOW);
        ShowWindow(app, SW_MINIMIZE);
        m.Result = 0;
        OnMinimize(this);
        return true;
    case SC_RESTORE:
        if (!atApplication || !IsIconic(app)) return false;
        SetActiveWindow(app);
        ShowWindow(app, SW_RESTORE);
        if (form->WindowState() == TWindowState::wsMinimized && !form->Visible()) {
            form->SetWindowState(TWindowState::wsNormal);
            form->Show();
        }
        Application->RestoreTopMosts();
        if (Screen)
            if (auto* active = dynamic_cast<TWinControl*>(Screen->ActiveControl()))
                if (active->HandleAllocated()) ::SetFocus(active->Handle());
        m.Result = 0;
        OnRestore(this);
        return true;
    default: return false;
    }
}
