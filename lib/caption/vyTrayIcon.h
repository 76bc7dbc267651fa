// lib/caption/vyTrayIcon.h
// Unit vyTrayIcon: an icon in the notification area that mirrors a picture and a tooltip,
// turns clicks into events, a menu and hiding or restoring its form; at the same time a
// title-bar button that minimises the form to the tray.
#pragma once

#include <memory>

#include "ImgList.h"
#include "vyCaptionButton.h"
#include "vyGraphics.h"

enum class TvyTrayIconOption { oHideOnRestore, oMinimizeToTray, oOneClickRestore, oDblClickRestore, oShowAtDesignTime, oShowMenuOnLeftClick };
using TvyTrayIconOptions = unsigned; // bit i = TvyTrayIconOption i
constexpr TvyTrayIconOptions TrayOption(TvyTrayIconOption o) { return 1u << static_cast<unsigned>(o); }

enum class TvyWin2kInfoIcon { iiNone, iiInfo, iiWarning, iiError };

// The Windows 2000 information balloon's settings.
class TvyWin2kInfoBalloon : public TPersistent {
public:
    TG_DECLARE_CLASS()
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool v) { FEnabled = v; }
    const std::string& Text() const noexcept { return FText; }
    void SetText(const std::string& v) { FText = v; }
    const std::string& Title() const noexcept { return FTitle; }
    void SetTitle(const std::string& v) { FTitle = v; }
    int Timeout() const noexcept { return FTimeout; }
    void SetTimeout(int v) { FTimeout = static_cast<unsigned short>(v); }
    TvyWin2kInfoIcon Icon() const noexcept { return FIcon; }
    void SetIcon(TvyWin2kInfoIcon v) { FIcon = v; }

private:
    bool FEnabled = false;
    std::string FText;
    std::string FTitle;
    int FTimeout = 0;
    TvyWin2kInfoIcon FIcon = TvyWin2kInfoIcon::iiNone;
};

// The notification record as Windows 2000 reads it (488 bytes); the first 88 bytes with a
// 64-character tip are the record every Windows reads.
#pragma pack(push, 4)
struct TvyNotifyIconData {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    UINT uTimeout;
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
};
#pragma pack(pop)
static_assert(sizeof(TvyNotifyIconData) == 488, "the Windows 2000 notification record");
constexpr DWORD NotifyIconDataV1Size = 88;

class TvyTrayIcon : public TvyCustomCaptionButton {
public:
    TG_DECLARE_CLASS()
    explicit TvyTrayIcon(TComponent* owner);
    ~TvyTrayIcon() override;

    bool Animate() const noexcept { return FAnimate; }
    void SetAnimate(bool v);
    int AnimateInterval() const noexcept { return FAnimateInterval; }
    void SetAnimateInterval(int v);
    // The tray's own Hint, ShowHint, PopupMenu and Visible hide the button's: the button's
    // are reached through CaptionButton (and the base class) instead.
    const std::string& Hint() const noexcept { return FHint; }
    void SetHint(const std::string& v);
    TvyIcon* Icon() const noexcept { return FIcon.get(); }
    void SetIcon(TIcon* v);
    TCustomImageList* ImageList() const noexcept { return FImageList; }
    void SetImageList(TCustomImageList* v);
    int ImageIndex() const noexcept { return FImageIndex; }
    void SetImageIndex(int v);
    TvyTrayIconOptions Options() const noexcept { return FOptions; }
    void SetOptions(TvyTrayIconOptions v);
    bool PlaySysActionSounds() const noexcept { return FPlaySysActionSounds; }
    void SetPlaySysActionSounds(bool v) { FPlaySysActionSounds = v; }
    TPopupMenu* PopupMenu() const noexcept { return FTrayPopupMenu; }
    void SetPopupMenu(TPopupMenu* v);
    TMenuItem* PopupMenuRestoreItem() const noexcept { return FRestoreItem; }
    void SetPopupMenuRestoreItem(TMenuItem* v);
    TMenuItem* PopupMenuTrayMinimizeItem() const noexcept { return FMinimizeItem; }
    void SetPopupMenuTrayMinimizeItem(TMenuItem* v);
    bool StartMinimized() const noexcept { return FStartMinimized; }
    void SetStartMinimized(bool v);
    bool ShowHint() const noexcept { return FShowHint; }
    void SetShowHint(bool v);
    bool Visible() const noexcept { return FVisible; }
    void SetVisible(bool v);
    TvyWin2kInfoBalloon* Win2kInfoBalloon() const noexcept { return FBalloon.get(); }
    // The icon handle last sent to the notification area.
    HICON WorkingIcon() const;

    TNotifyEvent OnAnimate;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnPopupMenu;
    TNotifyEvent OnRestore;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;

    void AppBeforeMessage(TMessage& m, bool& handled) override;
    virtual void MinimizeToTray();
    virtual void RestoreFromTray();
    virtual void ShowBalloon();

    void Click() override;

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void UtilityWndProc(TMessage& m) override;

private:
    void BuildRecord(TvyNotifyIconData& d, bool balloon) const;
    void NotifyAdd();
    void NotifyModify();
    // The icon is in the notification area: shown, and at design time only when asked.
    bool InTray() const;
    void NotifyDelete();
    // Sends a record to the notification area and remembers the tooltip it carried.
    void Notify(DWORD message, TvyNotifyIconData& d);
    void FetchPicture();
    void RestartAnimation();
    void SyncMenuItems();
    void ShowMenu();
    void TrayMouse(UINT mouseMessage);
    bool FormVisible() const;
    bool Terminating() const;

    bool FAnimate = false;
    int FAnimateInterval = 200;
    std::string FHint;
    std::string FSentTip; // the tooltip the notification area holds
    std::unique_ptr<TvyIcon> FIcon;
    std::unique_ptr<TIcon> FWorkingIcon;
    TCustomImageList* FImageList = nullptr;
    int FImageIndex = 0;
    TvyTrayIconOptions FOptions = TrayOption(TvyTrayIconOption::oDblClickRestore) | TrayOption(TvyTrayIconOption::oShowAtDesignTime);
    bool FPlaySysActionSounds = true;
    TPopupMenu* FTrayPopupMenu = nullptr;
    TMenuItem* FRestoreItem = nullptr;
    TMenuItem* FMinimizeItem = nullptr;
    TNotifyEvent FSavedRestoreClick;
    TNotifyEvent FSavedMinimizeClick;
    bool FStartMinimized = false;
    bool FShowHint = true;
    bool FVisible = false;
    std::unique_ptr<TvyWin2kInfoBalloon> FBalloon;
    bool FLeftPressed = false;
    UINT FTaskbarCreated = 0;
};
