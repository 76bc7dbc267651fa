// lib/window/vyAppEvents.h
// Unit vyAppEvents: TvyAppEvents puts the application's settings (main form at start,
// taskbar button, hints, priority, icon) and the application's and screen's events on a
// form, for any number of listeners at once; the first one made also reports every key and
// mouse button of the thread, and minimises and restores the main form itself.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "Graphics.h"
#include "ImgList.h"
#include "vyClasses.h"

enum class TvyAppPriorityClass { apNormal, apIdle, apHigh, apRealTime };

using TvyAppKeyEvent = TEvent<TObject*, WORD&, TShiftState, const std::string&, bool>;
using TvyAppMouseMoveEvent = TEvent<TObject*, TShiftState, POINT, int, int>;
using TvyAppMouseEvent = TEvent<TObject*, TMouseButton, TShiftState, POINT, int, int>;

class TvyAppEvents;

// The one process-wide list of TvyAppEvents. From the first run-time member on it holds
// the application's and the screen's twelve events and hands each to every member, the
// newest first, then to the handler that was there before.
class TvyAppEventList {
public:
    static TvyAppEventList* Instance() noexcept;
    static TvyAppEventList& Acquire();
    // Unit finalisation.
    static void Release();

    void Add(TvyAppEvents* c);
    void Remove(TvyAppEvents* c);
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    bool TakenOver() const noexcept { return FTakenOver; }

private:
    void TakeOver();
    void GiveBack();
    template <class Member, class... Args>
    void Fan(Member member, Args&&... args);

    std::vector<TvyAppEvents*> FItems;
    bool FTakenOver = false;
    TNotifyEvent FOnActivate, FOnDeactivate;
    TExceptionEvent FOnException;
    TIdleEvent FOnIdle;
    THelpEvent FOnHelp;
    TNotifyEvent FOnHint;
    TMessageEvent FOnMessage;
    TNotifyEvent FOnMinimize, FOnRestore;
    TShowHintEvent FOnShowHint;
    TNotifyEvent FOnActiveControlChange, FOnActiveFormChange;
};

class TvyAppEvents : public TvyAppHookComponent {
public:
    TG_DECLARE_CLASS()
    static constexpr bool DefaultAnimateIcon = false;
    static constexpr int DefaultAnimateInterval = 200;
    static constexpr TvyAppPriorityClass DefaultAppPriorityClass = TvyAppPriorityClass::apNormal;
    static constexpr bool DefaultFixedMinimizeRestoreAnimation = true;
    static constexpr TColor DefaultHintColor = clInfoBk;
    static constexpr int DefaultHintPause = 500;
    static constexpr int DefaultHintShortPause = 50;
    static constexpr int DefaultHintHidePause = 2500;
    static constexpr int DefaultImageIndex = 0;
    static constexpr bool DefaultShowHint = true;
    static constexpr bool DefaultShowMainForm = true;
    static constexpr bool DefaultShowTaskIcon = true;
    static constexpr bool DefaultUpdateFormatSettings = true;
    static constexpr UINT_PTR AnimationTimer = 1;

    // The owner must be a form.
    explicit TvyAppEvents(TComponent* owner);
    ~TvyAppEvents() override;

    bool AnimateIcon() const noexcept { return FAnimateIcon; }
    void SetAnimateIcon(bool v);
    WORD AnimateInterval() const noexcept { return FAnimateInterval; }
    void SetAnimateInterval(WORD v);
    TvyAppPriorityClass AppPriorityClass() const;
    void SetAppPriorityClass(TvyAppPriorityClass v);
    bool FixedMinimizeRestoreAnimation() const noexcept { return FFixedMinimizeRestoreAnimation; }
    void SetFixedMinimizeRestoreAnimation(bool v) { FFixedMinimizeRestoreAnimation = v; }
    TColor HintColor() const;
    void SetHintColor(TColor v);
    TFont* HintFont() const noexcept { return FHintFont.get(); }
    void SetHintFont(TFont* v);
    int HintPause() const;
    void SetHintPause(int v);
    int HintShortPause() const;
    void SetHintShortPause(int v);
    int HintHidePause() const;
    void SetHintHidePause(int v);
    TIcon* Icon() const noexcept { return FIcon.get(); }
    void SetIcon(TIcon* v);
    TCustomImageList* ImageList() const noexcept { return FImageList; }
    void SetImageList(TCustomImageList* v);
    int ImageIndex() const noexcept { return FImageIndex; }
    void SetImageIndex(int v);
    bool ShowHint() const;
    void SetShowHint(bool v);
    bool UpdateFormatSettings() const;
    void SetUpdateFormatSettings(bool v);
    bool ShowMainForm() const;
    void SetShowMainForm(bool v);
    bool ShowTaskIcon() const;
    void SetShowTaskIcon(bool v);

    // The instance that owns the thread's keyboard and mouse hooks, or null.
    static TvyAppEvents* HookOwner() noexcept;

    TNotifyEvent OnSettingsChanged;
    TNotifyEvent OnActiveControlChange;
    TNotifyEvent OnActiveFormChange;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TExceptionEvent OnException;
    TIdleEvent OnIdle;
    THelpEvent OnHelp;
    TNotifyEvent OnHint;
    TMessageEvent OnMessage;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
    TShowHintEvent OnShowHint;
    TvyAppKeyEvent OnAppKeyDown;
    TvyAppKeyEvent OnAppKeyUp;
    TvyAppMouseMoveEvent OnAppMouseMove;
    TvyAppMouseEvent OnAppMouseDown;
    TvyAppMouseEvent OnAppMouseUp;

    void BeforeMessage(TMessage& m, bool& handled) override;
    void AppBeforeMessage(TMessage& m, bool& handled) override;

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void UtilityWndProc(TMessage& m) override;
    virtual void ApplyHintSettings();
    virtual void ApplyIcon();
    virtual void SettingsChanged();

private:
    friend struct TvyAppEventsHooks;
    void ApplyHintFont();
    void RestartTimer();
    void StopTimer();
    // Minimises or restores the main form itself (true when the message was taken).
    bool FixedMinimizeRestore(TMessage& m, bool atApplication);

    bool FAnimateIcon = DefaultAnimateIcon;
    WORD FAnimateInterval = DefaultAnimateInterval;
    TvyAppPriorityClass FAppPriorityClass = DefaultAppPriorityClass;
    bool FFixedMinimizeRestoreAnimation = DefaultFixedMinimizeRestoreAnimation;
    TColor FHintColor = DefaultHintColor;
    int FHintPause = DefaultHintPause;
    int FHintShortPause = DefaultHintShortPause;
    int FHintHidePause = DefaultHintHidePause;
    bool FShowHint = DefaultShowHint;
    bool FUpdateFormatSettings = DefaultUpdateFormatSettings;
    bool FShowMainForm = DefaultShowMainForm;
    bool FShowTaskIcon = DefaultShowTaskIcon;
    int FImageIndex = DefaultImageIndex;
    TCustomImageList* FImageList = nullptr;
    std::unique_ptr<TFont> FHintFont;
    std::unique_ptr<TIcon> FIcon;
    bool FTimerRunning = false;
};
