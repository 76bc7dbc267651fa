// lib/caption/vyTrayIcon.cpp
#include "vyTrayIcon.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "Platform.h"

namespace {

const std::vector<std::string> OptionNames = {"oHideOnRestore", "oMinimizeToTray", "oOneClickRestore",
                                              "oDblClickRestore", "oShowAtDesignTime", "oShowMenuOnLeftClick"};
const std::vector<std::string> InfoIconNames = {"iiNone", "iiInfo", "iiWarning", "iiError"};
constexpr UINT AnimationTimer = 1;
constexpr UINT NIF_INFO_ = 0x10;
constexpr int SoundMinimize = 10;  // "Minimize"
constexpr int SoundRestoreUp = 16; // "RestoreUp"

// Copies text into a fixed field, cut to fit with its terminator.
void CopyField(char* field, size_t size, const std::string& text)
{
    const size_t n = std::min(text.size(), size - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

bool Has(TvyTrayIconOptions set, TvyTrayIconOption o)
{
    return (set & TrayOption(o)) != 0;
}

} // namespace

// --- TvyWin2kInfoBalloon ---------------------------------------------------------------

const TClassInfo& TvyWin2kInfoBalloon::StaticClassInfo()
{
    using B = TvyWin2kInfoBalloon;
    static const TClassInfo info = [] {
        TClassInfo i{"TvyWin2kInfoBalloon", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        auto& p = i.Props;
        p.push_back(BoolProp("Enabled", &B::Enabled, &B::SetEnabled, false));
        p.push_back(StrProp<B>("Text", &B::Text, &B::SetText));
        p.push_back(StrProp<B>("Title", &B::Title, &B::SetTitle));
        p.push_back(IntProp("Timeout", &B::Timeout, &B::SetTimeout, 0));
        p.push_back(EnumProp("Icon", &B::Icon, &B::SetIcon, InfoIconNames, std::optional(TvyWin2kInfoIcon::iiNone)));
        return i;
    }();
    return info;
}

// --- TvyTrayIcon -----------------------------------------------------------------------

const TClassInfo& TvyTrayIcon::StaticClassInfo()
{
    using T = TvyTrayIcon;
    static const TClassInfo info = [] {
        TClassInfo i{"TvyTrayIcon", &TvyCustomCaptionButton::StaticClassInfo(), &CreateComponentOf<TvyTrayIcon>, {}, {}};
        auto& p = i.Props;
        p.push_back(AboutProp());
        p.push_back(ObjProp("CaptionButton", &TvyCustomCaptionButton::CaptionButton));
        p.push_back(ObjProp("SystemMenu", &TvyCustomCaptionButton::SystemMenu));
        p.push_back(BoolProp("Animate", &T::Animate, &T::SetAnimate, false));
        p.push_back(IntProp("AnimateInterval", &T::AnimateInterval, &T::SetAnimateInterval, 200));
        p.push_back(StrProp<T>("Hint", &T::Hint, &T::SetHint));
        p.push_back(ObjProp("Icon", &T::Icon));
        p.push_back(CompProp("ImageList", &T::ImageList, &T::SetImageList));
        p.push_back(IntProp("ImageIndex", &T::ImageIndex, &T::SetImageIndex, 0));
        p.push_back(SetProp("Options", &T::Options, &T::SetOptions, OptionNames,
                            TrayOption(TvyTrayIconOption::oDblClickRestore) | TrayOption(TvyTrayIconOption::oShowAtDesignTime)));
        p.push_back(BoolProp("PlaySysActionSounds", &T::PlaySysActionSounds, &T::SetPlaySysActionSounds, true));
        p.push_back(CompProp("PopupMenu", &T::PopupMenu, &T::SetPopupMenu));
        p.push_back(CompProp("PopupMenuRestoreItem", &T::PopupMenuRestoreItem, &T::SetPopupMenuRestoreItem));
        p.push_back(CompProp("PopupMenuTrayMinimizeItem", &T::PopupMenuTrayMinimizeItem, &T::SetPopupMenuTrayMinimizeItem));
        p.push_back(BoolProp("StartMinimized", &T::StartMinimized, &T::SetStartMinimized, false));
        p.push_back(BoolProp("ShowHint", &T::ShowHint, &T::SetShowHint, true));
        p.push_back(BoolProp("Visible", &T::Visible, &T::SetVisible, false));
        p.push_back(ObjProp("Win2kInfoBalloon", &T::Win2kInfoBalloon));
        p.push_back(EventProp("OnAnimate", &T::OnAnimate));
        p.push_back(EventProp("OnMinimize", &T::OnMinimize));
        p.push_back(EventProp("OnClick", &TvyCustomCaptionButton::OnClick));
        p.push_back(EventProp("OnDblClick", &T::OnDblClick));
        p.push_back(EventProp("OnPopupMenu", &T::OnPopupMenu));
        p.push_back(EventProp("OnRestore", &T::OnRestore));
        p.push_back(EventProp("OnShow", &T::OnShow));
        p.push_back(EventProp("OnHide", &T::OnHide));
        p.push_back(EventProp("OnMouseMove", &T::OnMouseMove));
        p.push_back(EventProp("OnMouseDown", &T::OnMouseDown));
        p.push_back(EventProp("OnMouseUp", &T::OnMouseUp));
        return i;
    }();
    return info;
}

namespace {
struct TRegisterTray {
    TRegisterTray() { RegisterComponentClass(TvyTrayIcon::StaticClassInfo()); }
} RegisterTray;
} // namespace

TvyTrayIcon::TvyTrayIcon(TComponent* owner)
    : TvyCustomCaptionButton(owner),
      FIcon(std::make_unique<TvyIcon>()),
      FWorkingIcon(std::make_unique<TIcon>()),
      FBalloon(std::make_unique<TvyWin2kInfoBalloon>())
{
    Glyph()->LoadFromResourceName(MainInstance(), "VYCB_MINIMIZETOTRAY");
    TvyCustomCaptionButton::SetHint("Minimize to System Tray");
    Repaint();
    // A restarted shell (Explorer) forgets every icon; it says so with this message.
    FTaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    HookApp();
}

TvyTrayIcon::~TvyTrayIcon()
{
    Destroying();
    UnhookApp();
    SetVisible(false);
    // The menu items get their own handlers back: the replacements call into this component.
    SetPopupMenuRestoreItem(nullptr);
    SetPopupMenuTrayMinimizeItem(nullptr);
    if (UtilityWindow()) KillTimer(UtilityWindow(), AnimationTimer);
}

HICON TvyTrayIcon::WorkingIcon() const
{
    return FWorkingIcon->Empty() ? nullptr : FWorkingIcon->Handle();
}

bool TvyTrayIcon::FormVisible() const
{
    TCustomForm* form = OwnerForm();
    return form && form->Visible();
}

bool TvyTrayIcon::Terminating() const
{
    return !Application || Application->Terminated();
}

// --- the notification record -----------------------------------------------------------

void TvyTrayIcon::BuildRecord(TvyNotifyIconData& d, bool balloon) const
{
    std::memset(&d, 0, sizeof d);
    const bool withBalloon = balloon && IsWin2KOrLater();
    d.cbSize = withBalloon ? sizeof(TvyNotifyIconData) : NotifyIconDataV1Size;
    d.hWnd = UtilityWindow();
    d.uID = 0;
    d.uFlags = NIF_MESSAGE | NIF_TIP;
    if (FVisible) d.uFlags |= NIF_ICON;
    d.uCallbackMessage = VY_TRAY_CALLBACK;
    d.hIcon = WorkingIcon();
    if (FShowHint) {
        const size_t size = withBalloon ? 128 : 64;
        if (FHint.empty() && Application)
            CopyField(d.szTip, size, Application->Title());
        else
            CopyField(d.szTip, size, FHint); // no copy of the text on every new picture
    }
    if (withBalloon) {
        d.uFlags |= NIF_INFO_;
        CopyField(d.szInfo, sizeof d.szInfo, FBalloon->Text());
        CopyField(d.szInfoTitle, sizeof d.szInfoTitle, FBalloon->Title());
        d.uTimeout = static_cast<UINT>(FBalloon->Timeout());
        d.dwInfoFlags = static_cast<DWORD>(FBalloon->Icon());
    }
}

void TvyTrayIcon::Notify(DWORD message, TvyNotifyIconData& d)
{
    Platform().NotifyIcon(message, reinterpret_cast<NOTIFYICONDATAA*>(&d));
    if ((d.uFlags & NIF_TIP) && FSentTip != d.szTip) FSentTip = d.szTip;
}

void TvyTrayIcon::NotifyAdd()
{
    TvyNotifyIconData d;
    BuildRecord(d, FBalloon->Enabled());
    Notify(NIM_ADD, d);
}

void TvyTrayIcon::NotifyModify()
{
    // An icon not in the notification area has nothing to change there; NIM_ADD takes the
    // whole record when it is shown.
    if (!InTray()) return;
    TvyNotifyIconData d;
    BuildRecord(d, false);
    // Wine's notification area shows its tooltip again at the pointer, wherever that is, for
    // every record with a tooltip: one that has not changed stays out of the picture updates.
    static const bool wine = IsWine();
    if (wine && FSentTip == d.szTip) d.uFlags &= ~static_cast<UINT>(NIF_TIP);
    Notify(NIM_MODIFY, d);
}

void TvyTrayIcon::NotifyDelete()
{
    TvyNotifyIconData d;
    BuildRecord(d, false);
    Platform().NotifyIcon(NIM_DELETE, reinterpret_cast<NOTIFYICONDATAA*>(&d));
}

void TvyTrayIcon::ShowBalloon()
{
    TvyNotifyIconData d;
    BuildRecord(d, true);
    Notify(NIM_MODIFY, d);
}

// --- picture and animation -------------------------------------------------------------

void TvyTrayIcon::FetchPicture()
{
    if (!FImageList) return;
    // The working icon owns its handle: replacing it destroys the old one.
    const bool hadPicture = !FWorkingIcon->Empty();
    FWorkingIcon->SetHandle(nullptr);
    FImageList->GetIcon(FImageIndex, FWorkingIcon.get());
    // No picture before or after (an empty list, as when a stored form is read) changes
    // nothing in the notification area.
    if (hadPicture || !FWorkingIcon->Empty()) NotifyModify();
}

void TvyTrayIcon::RestartAnimation()
{
    if (UtilityWindow()) KillTimer(UtilityWindow(), AnimationTimer);
    if (FAnimate && FAnimateInterval > 0 && FImageList) {
        SetImageIndex(0);
        if (!SetTimer(UtilityWindow(), AnimationTimer, static_cast<UINT>(FAnimateInterval), nullptr))
            throw EOutOfResources("Not enough timers available");
    }
}

void TvyTrayIcon::SetImageIndex(int v)
{
    if (v == FImageIndex) return;
    FImageIndex = v;
    FetchPicture();
}

void TvyTrayIcon::SetImageList(TCustomImageList* v)
{
    if (FImageList) FImageList->RemoveFreeNotification(this);
    FImageList = v;
    if (v) {
        v->FreeNotification(this);
        FetchPicture();
    } else {
        FWorkingIcon->Assign(*FIcon);
        NotifyModify();
        FAnimate = false;
    }
    RestartAnimation();
}

void TvyTrayIcon::SetIcon(TIcon* v)
{
    if (v)
        FIcon->Assign(*v);
    else
        FIcon->SetHandle(nullptr);
    if (!FImageList) {
        FWorkingIcon->Assign(*FIcon);
        NotifyModify();
    }
}

void TvyTrayIcon::SetHint(const std::string& v)
{
    if (v == FHint) return;
    FHint = v;
    NotifyModify();
}

void TvyTrayIcon::SetShowHint(bool v)
{
    if (v == FShowHint) return;
    FShowHint = v;
    NotifyModify();
}

void TvyTrayIcon::SetAnimate(bool v)
{
    if (v == FAnimate) return;
    FAnimate = v;
    RestartAnimation();
}

void TvyTrayIcon::SetAnimateInterval(int v)
{
    v = static_cast<unsigned short>(v);
    if (v == FAnimateInterval) return;
    FAnimateInterval = v;
    RestartAnimation();
}

void TvyTrayIcon::SetOptions(TvyTrayIconOptions v)
{
    if (v == FOptions) return;
    const bool d = Designing() && Has(FOptions, TvyTrayIconOption::oShowAtDesignTime);
    const bool now = Has(v, TvyTrayIconOption::oShowAtDesignTime);
    if (FVisible && now != d) {
        if (now)
            NotifyAdd();
        else
            NotifyDelete();
    }
    FOptions = v;
}

bool TvyTrayIcon::InTray() const
{
    return FVisible && (!Designing() || Has(FOptions, TvyTrayIconOption::oShowAtDesignTime));
}

void TvyTrayIcon::SetVisible(bool v)
{
    if (v == FVisible) return;
    if (Has(FOptions, TvyTrayIconOption::oHideOnRestore) && Loading()) return;
    FVisible = v;
    if (InTray()) {
        NotifyAdd();
        OnShow(this);
    } else {
        NotifyDelete();
        OnHide(this);
        // Never leave the program with neither a window nor an icon.
        if (!IsDestroying() && OwnerForm() && !FormVisible()) RestoreFromTray();
    }
}

void TvyTrayIcon::SetStartMinimized(bool v)
{
    if (v == FStartMinimized) return;
    FStartMinimized = v;
    if (v && !Designing()) {
        if (Application) {
            Application->SetShowMainForm(false);
            ShowWindow(Application->Handle(), SW_HIDE);
        }
        MinimizeToTray();
    }
}

// --- menus -----------------------------------------------------------------------------

void TvyTrayIcon::SetPopupMenu(TPopupMenu* v)
{
    if (FTrayPopupMenu) FTrayPopupMenu->RemoveFreeNotification(this);
    FTrayPopupMenu = v;
    if (v) v->FreeNotification(this);
}

void TvyTrayIcon::SetPopupMenuRestoreItem(TMenuItem* v)
{
    if (FRestoreItem) {
        FRestoreItem->OnClick = FSavedRestoreClick;
        FRestoreItem->RemoveFreeNotification(this);
    }
    FRestoreItem = v;
    FSavedRestoreClick = TNotifyEvent();
    if (!v || Designing()) return;
    v->FreeNotification(this);
    FSavedRestoreClick = v->OnClick;
    v->OnClick.Set([this](TObject* sender) {
        FSavedRestoreClick(sender);
        RestoreFromTray();
    }, v->OnClick.MethodName());
}

void TvyTrayIcon::SetPopupMenuTrayMinimizeItem(TMenuItem* v)
{
    if (FMinimizeItem) {
        FMinimizeItem->OnClick = FSavedMinimizeClick;
        FMinimizeItem->RemoveFreeNotification(this);
    }
    FMinimizeItem = v;
    FSavedMinimizeClick = TNotifyEvent();
    if (!v || Designing()) return;
    v->FreeNotification(this);
    FSavedMinimizeClick = v->OnClick;
    v->OnClick.Set([this](TObject* sender) {
        FSavedMinimizeClick(sender);
        MinimizeToTray();
    }, v->OnClick.MethodName());
}

void TvyTrayIcon::SyncMenuItems()
{
    const bool shown = FormVisible();
    if (FMinimizeItem) {
        FMinimizeItem->SetEnabled(shown);
        FMinimizeItem->SetDefault(shown);
    }
    if (FRestoreItem) {
        FRestoreItem->SetEnabled(!shown);
        FRestoreItem->SetDefault(!shown);
    }
}

void TvyTrayIcon::ShowMenu()
{
    if (!FTrayPopupMenu || !FTrayPopupMenu->AutoPopup()) return;
    SyncMenuItems();
    POINT p;
    GetCursorPos(&p);
    Application->ProcessMessages();
    // Without the foreground the menu would not close on a click elsewhere.
    HWND formWindow = OwnerForm() ? OwnerForm()->Handle() : WindowHandle();
    SetForegroundWindow(formWindow);
    FTrayPopupMenu->SetPopupComponent(this);
    FTrayPopupMenu->Popup(p.x, p.y);
    PostMessageA(formWindow, WM_NULL, 0, 0);
    OnPopupMenu(this);
}

// --- hiding and restoring --------------------------------------------------------------

void TvyTrayIcon::MinimizeToTray()
{
    if (Designing()) return;
    SetVisible(true);
    if (Terminating()) return;
    TCustomForm* form = OwnerForm();
    if (Application && Application->Handle() && form && Application->MainForm() == form)
        ShowWindow(Application->Handle(), SW_HIDE);
    else if (form)
        ShowWindow(form->Handle(), SW_HIDE);
    if (form) form->SetVisible(false);
    if (FPlaySysActionSounds) PlaySystemSound(SoundMinimize, true);
    OnMinimize(this);
    SyncMenuItems();
}

void TvyTrayIcon::RestoreFromTray()
{
    if (Designing() || Terminating()) return;
    TCustomForm* form = OwnerForm();
    if (Application && Application->Handle() && form && Application->MainForm() == form) {
        ShowWindow(Application->Handle(), SW_SHOWNORMAL);
        SetForegroundWindow(Application->Handle());
    } else if (form) {
        ShowWindow(form->Handle(), SW_RESTORE);
        SetForegroundWindow(form->Handle());
    }
    if (form) form->SetVisible(true);
    if (Has(FOptions, TvyTrayIconOption::oHideOnRestore)) SetVisible(false);
    if (FPlaySysActionSounds) PlaySystemSound(SoundRestoreUp, true);
    OnRestore(this);
    SyncMenuItems();
}

void TvyTrayIcon::Click()
{
    TvyCustomCaptionButton::Click();
    MinimizeToTray();
}

// --- messages --------------------------------------------------------------------------

void TvyTrayIcon::AppBeforeMessage(TMessage& m, bool&)
{
    if (m.Msg == WM_SIZE && m.WParam == SIZE_MINIMIZED && Has(FOptions, TvyTrayIconOption::oMinimizeToTray) &&
        Application && Application->MainForm() && OwnerForm() == Application->MainForm())
        MinimizeToTray();
}

void TvyTrayIcon::TrayMouse(UINT mouseMessage)
{
    POINT p;
    GetCursorPos(&p);
    const TShiftState shift = GetShiftState();
    const unsigned left = static_cast<unsigned>(TShiftStateFlag::ssLeft);
    const unsigned right = static_cast<unsigned>(TShiftStateFlag::ssRight);
    const unsigned middle = static_cast<unsigned>(TShiftStateFlag::ssMiddle);
    HWND app = Application ? Application->Handle() : nullptr;
    switch (mouseMessage) {
    case WM_MOUSEMOVE: OnMouseMove(this, shift, p.x, p.y); break;
    case WM_LBUTTONDOWN:
        FLeftPressed = true;
        OnMouseDown(this, TMouseButton::mbLeft, shift | left, p.x, p.y);
        break;
    case WM_LBUTTONUP:
        SetForegroundWindow(app);
        OnMouseUp(this, TMouseButton::mbLeft, shift, p.x, p.y);
        if (FLeftPressed) {
            OnClick(this);
            if (Has(FOptions, TvyTrayIconOption::oShowMenuOnLeftClick)) ShowMenu();
            if (Has(FOptions, TvyTrayIconOption::oOneClickRestore) && !FormVisible()) RestoreFromTray();
        }
        FLeftPressed = false;
        break;
    case WM_LBUTTONDBLCLK:
        OnDblClick(this);
        if (FTrayPopupMenu && FTrayPopupMenu->AutoPopup() && !Has(FOptions, TvyTrayIconOption::oShowMenuOnLeftClick)) {
            SyncMenuItems();
            TMenuItem* items = FTrayPopupMenu->Items();
            for (int i = 0; i < items->Count(); ++i)
                if (items->Items(i)->Default()) {
                    items->Items(i)->Click();
                    break;
                }
            break;
        }
        if (Has(FOptions, TvyTrayIconOption::oDblClickRestore)) {
            if (FormVisible() && Has(FOptions, TvyTrayIconOption::oMinimizeToTray))
                MinimizeToTray();
            else
                RestoreFromTray();
        }
        break;
    case WM_RBUTTONDOWN: OnMouseDown(this, TMouseButton::mbRight, shift | right, p.x, p.y); break;
    case WM_RBUTTONUP:
        SetForegroundWindow(app);
        OnMouseUp(this, TMouseButton::mbRight, shift, p.x, p.y);
        ShowMenu();
        break;
    case WM_MBUTTONDOWN: OnMouseDown(this, TMouseButton::mbMiddle, shift | middle, p.x, p.y); break;
    case WM_MBUTTONUP:
        SetForegroundWindow(app);
        OnMouseUp(this, TMouseButton::mbMiddle, shift, p.x, p.y);
        break;
    default: break;
    }
}

void TvyTrayIcon::UtilityWndProc(TMessage& m)
{
    TvyCustomCaptionButton::UtilityWndProc(m);
    if (m.Msg == VY_TRAY_CALLBACK) {
        if (!Designing() && !Terminating()) TrayMouse(static_cast<UINT>(m.LParam));
    } else if (m.Msg == WM_QUERYENDSESSION) {
        // The icon goes before the session ends; the answer stays yes.
        SetVisible(false);
    } else if (m.Msg == WM_TIMER && m.WParam == AnimationTimer) {
        const int last = FImageList ? FImageList->Count() - 1 : 0;
        SetImageIndex(FImageIndex >= last ? 0 : FImageIndex + 1);
        // A published event that nothing fired would be a trap: it tells of each step.
        OnAnimate(this);
    } else if (m.Msg == FTaskbarCreated && FTaskbarCreated != 0) {
        if (FVisible) NotifyAdd();
    }
}

void TvyTrayIcon::Loaded()
{
    TvyCustomCaptionButton::Loaded();
    if (!FImageList) {
        if (FIcon->Empty()) {
            if (Application) FWorkingIcon->Assign(*Application->Icon());
        } else {
            FWorkingIcon->Assign(*FIcon);
        }
        NotifyModify();
    }
    if (FBalloon->Enabled()) ShowBalloon();
    SyncMenuItems();
}

void TvyTrayIcon::Notification(TComponent* component, TOperation operation)
{
    TvyCustomCaptionButton::Notification(component, operation);
    if (operation != TOperation::Remove) return;
    if (component == FTrayPopupMenu) FTrayPopupMenu = nullptr;
    if (component == FRestoreItem) FRestoreItem = nullptr;
    if (component == FMinimizeItem) FMinimizeItem = nullptr;
    if (component == FImageList) FImageList = nullptr;
}
