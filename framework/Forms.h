// framework/Forms.h
// Forms, the application object and the screen object.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "Controls.h"

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = unsigned; // bit i = TBorderIcon i
constexpr TBorderIcons BorderIconBit(TBorderIcon i) { return 1u << static_cast<unsigned>(i); }
enum class TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum class TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = TEvent<TObject*, TCloseAction&>;

// What a modal form answers: the dialog-box identifiers (IDOK .. IDNO), 0 while it runs.
using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT, mrRetry = IDRETRY,
                       mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO;
// mrOk and the rest, as stored forms name them.
const TIdentMap& ModalResultIdents();
using TCloseQueryEvent = TEvent<TObject*, bool&>;

class TCustomForm : public TWinControl {
public:
    TG_DECLARE_CLASS()
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;

    TFormBorderStyle BorderStyle() const noexcept { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle v);
    TBorderIcons BorderIcons() const noexcept { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons v);
    TFormStyle FormStyle() const noexcept { return FFormStyle; }
    void SetFormStyle(TFormStyle v);
    TPosition Position() const noexcept { return FPosition; }
    void SetPosition(TPosition v) { FPosition = v; }
    TWindowState WindowState() const noexcept { return FWindowState; }
    void SetWindowState(TWindowState v);
    TIcon* Icon() const noexcept { return FIcon.get(); }
    int PixelsPerInch() const noexcept { return FPixelsPerInch; }
    void SetPixelsPerInch(int v) { FPixelsPerInch = v; }
    int TextHeight() const noexcept { return FTextHeight; }
    void SetTextHeight(int v) { FTextHeight = v; }
    bool KeyPreview() const noexcept { return FKeyPreview; }
    void SetKeyPreview(bool v) { FKeyPreview = v; }
    int StoredClientWidth() const { return FPendingClientWidth >= 0 ? FPendingClientWidth : ClientWidth(); }
    int StoredClientHeight() const { return FPendingClientHeight >= 0 ? FPendingClientHeight : ClientHeight(); }
    // Stored forms give each client dimension on its own line; while loading each is
    // kept until the border is known.
    void SetStoredClientWidth(int v);
    void SetStoredClientHeight(int v);
    void SetClientSize(int width, int height) override;

    void SetVisible(bool v) override;
    // Shows the form and runs messages until ModalResult is set and the form agrees to close;
    // the other windows of the thread are disabled meanwhile. Returns ModalResult.
    TModalResult ShowModal();
    TModalResult ModalResult() const noexcept { return FModalResult; }
    void SetModalResult(TModalResult v) { FModalResult = v; }
    bool Modal() const noexcept { return FModal; }
    // Gives the focus to the first enabled, visible tab stop (in creation order).
    void FocusFirstControl();
    // Tab and Shift+Tab: the next (or previous) enabled, visible tab stop, wrapping around.
    void FocusNextControl(bool backward);
    void Close();
    bool CloseQuery();
    void Release();
    // Creates the form's window from the form description stored as a resource under
    // the form's class name.
    void LoadFromResource();
    void LoadFromResource(const std::string& resourceName);

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;
    TNotifyEvent OnResize;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    // Runs OnCreate; the application calls it once the form is fully constructed.
    virtual void AfterConstruction();
    // Runs OnDestroy and frees the owned components while the whole form still exists.
    void BeforeDestruction() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& m) override;
    void Loaded() override;
    bool ShowingWanted() const override;
    void Paint(HDC dc, const RECT& clip) override;
    virtual void DoClose(TCloseAction& action);
    void Notification(TComponent* component, TOperation operation) override;

private:
    void ApplyIcon();
    TFormBorderStyle FBorderStyle = TFormBorderStyle::bsSizeable;
    TBorderIcons FBorderIcons = BorderIconBit(TBorderIcon::biSystemMenu) | BorderIconBit(TBorderIcon::biMinimize) |
                                BorderIconBit(TBorderIcon::biMaximize);
    TFormStyle FFormStyle = TFormStyle::fsNormal;
    TPosition FPosition = TPosition::poDesigned;
    TWindowState FWindowState = TWindowState::wsNormal;
    std::unique_ptr<TIcon> FIcon;
    int FPixelsPerInch = 96;
    int FTextHeight = 13;
    bool FKeyPreview = false;
    bool FCreated = false;
    bool FDestroyRan = false;
    bool FModal = false;
    bool FPositioned = false;
    TModalResult FModalResult = mrNone;
    // Client size requested before the window exists (stored forms give client sizes).
    int FPendingClientWidth = -1, FPendingClientHeight = -1;
};

class TForm : public TCustomForm {
public:
    TG_DECLARE_CLASS()
    explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

using TExceptionEvent = TEvent<TObject*, const std::exception&>;
using TMessageEvent = TEvent<MSG&, bool&>;
using TIdleEvent = TEvent<TObject*, bool&>;

// What the application is about to show as a hint; OnShowHint may change any of it.
struct THintInfo {
    TControl* HintControl = nullptr;
    POINT HintPos{};        // screen point of the hint window's top left corner
    int HintMaxWidth = 0;   // wider text wraps
    TColor HintColor = clInfoBk;
    RECT CursorRect{};      // client area of the control where the hint stays valid
    POINT CursorPos{};      // the mouse, in the control's client coordinates
    int ReshowTimeout = 0;
    int HideTimeout = 0;    // ms until the hint hides itself; 0 keeps it
    std::string HintStr;
};
using TShowHintEvent = TEvent<std::string&, bool&, THintInfo&>;
// Command, data, call help (in and out), and the answer (in and out, false on entry).
using THelpEvent = TEvent<WORD, LONG, bool&, bool&>;

// The part of a hint before "|" is shown in the hint window; the part after it is the
// long hint the application reports (the whole text when there is no "|").
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);

// The small pop-up that shows a control's hint: never activated, transparent to the mouse.
class THintWindow : public TCustomControl {
public:
    TG_DECLARE_CLASS()
    explicit THintWindow(TComponent* owner);
    // The window's bounds for hint at (0, 0), wrapped at maxWidth.
    virtual RECT CalcHintRect(int maxWidth, const std::string& hint);
    // Shows hint in rect (screen coordinates) without taking the focus.
    virtual void ActivateHint(const RECT& rect, const std::string& hint);
    void ReleaseHandle();
    bool Showing() const;

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& m) override;
    using TCustomControl::Paint;
    void Paint() override;
};

class TApplication : public TComponent {
public:
    TG_DECLARE_CLASS()
    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    void Initialize();
    // Creates a form of class T owned by the application; the first one is the main form.
    template <class T>
    T* CreateForm()
    {
        auto form = std::make_unique<T>(this);
        if (!FMainForm) FMainForm = form.get();
        T* f = form.release();
        try {
            f->AfterConstruction();
        } catch (...) {
            if (FMainForm == f) FMainForm = nullptr;
            f->Free();
            throw;
        }
        return f;
    }
    void Run();
    // Handles every message waiting, then returns.
    void ProcessMessages();
    // Waits for one message and handles it (and all behind it).
    void HandleMessage();
    void Terminate();
    bool Terminated() const noexcept { return FTerminated; }
    // The standard exception display: a message box with the text.
    void ShowException(const std::exception& e);
    // A message box owned by the application window (through the platform seam).
    int MessageBox(const std::string& text, const std::string& caption, UINT flags);
    void HandleException(TObject* sender);

    HWND Handle() const noexcept { return FHandle; }
    TCustomForm* MainForm() const noexcept { return FMainForm; }
    void SetMainForm(TCustomForm* form) { FMainForm = form; }
    bool ShowMainForm() const noexcept { return FShowMainForm; }
    void SetShowMainForm(bool v) { FShowMainForm = v; }
    const std::string& Title() const noexcept { return FTitle; }
    void SetTitle(const std::string& title);
    TIcon* Icon() const noexcept { return FIcon.get(); }
    // The program icon's own small image (title bars, taskbar buttons) while Icon is the
    // program icon; null once Icon was changed, so that the system shrinks the new one.
    HICON SmallIcon() const noexcept { return FSmallIcon->Handle(); }
    std::string ExeName() const;

    // Hint settings, for the application's own hint window.
    TColor HintColor() const noexcept { return FHintColor; }
    void SetHintColor(TColor c);
    int HintPause() const noexcept { return FHintPause; }
    void SetHintPause(int v) { FHintPause = v; }
    int HintHidePause() const noexcept { return FHintHidePause; }
    void SetHintHidePause(int v) { FHintHidePause = v; }
    int HintShortPause() const noexcept { return FHintShortPause; }
    void SetHintShortPause(int v) { FHintShortPause = v; }
    bool ShowHint() const noexcept { return FShowHint; }
    // Off frees the hint window, on makes a new one (with the system's present settings).
    void SetShowHint(bool v);
    const std::string& Hint() const noexcept { return FHint; }
    void SetHint(const std::string& h);
    // The hint window while hints are on, else nullptr.
    THintWindow* HintWindow() const noexcept { return FHintWindow; }
    // Hides the hint now and forgets the control it was for.
    void CancelHint();
    // Shows the hint of the control the mouse last rested on, now, for the mouse at
    // screenPoint (the pause timer calls it).
    void ActivateHint(POINT screenPoint);
    // Whether a settings change re-reads the locale's formats (FormatSettings).
    bool UpdateFormatSettings() const noexcept { return FUpdateFormatSettings; }
    void SetUpdateFormatSettings(bool v) { FUpdateFormatSettings = v; }
    // Whether the application window, and with it the taskbar button, may be visible at
    // all; off hides it even while forms are showing.
    bool ShowTaskIcon() const noexcept { return FShowTaskIcon; }
    void SetShowTaskIcon(bool v);
    // Help: OnHelp answers, else nothing (no help file).
    bool HelpCommand(WORD command, LONG data);
    bool HelpContext(LONG context) { return HelpCommand(HELP_CONTEXT, context); }
    // Takes the thread's visible topmost windows (other than the application window) out
    // of the topmost band, and puts them back; calls nest.
    void NormalizeTopMosts();
    void RestoreTopMosts();

    void Minimize();
    void Restore();
    void BringToFront();
    // Shows the application window (and with it the taskbar button) while a form is
    // visible, hides it when none is.
    void UpdateVisible();

    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
    TNotifyEvent OnHint;
    TExceptionEvent OnException;
    TMessageEvent OnMessage;
    TIdleEvent OnIdle;
    THelpEvent OnHelp;
    TShowHintEvent OnShowHint;

    // Forms register here so that modal loops and shutdown can find them.
    void AddForm(TCustomForm* f);
    void RemoveForm(TCustomForm* f);

    // The application window's procedure, replaceable by components (chain and call on).
    TWndMethod WindowProc;
    void WndProc(TMessage& m);

private:
    bool ProcessMessage(MSG& msg);
    void Idle();
    // Follows the mouse from control to control for hints; a key or button hides one.
    void HintMessage(const MSG& msg);
    void SetHintControl(TControl* control);
    void Notification(TComponent* component, TOperation operation) override;
    void SettingChange();
    THintWindow* FHintWindow = nullptr;
    TControl* FHintControl = nullptr;
    bool FUpdateFormatSettings = true;
    bool FShowTaskIcon = true;
    int FTopMostLevel = 0;
    std::vector<HWND> FTopMostList;
    HWND FHandle = nullptr;
    WNDPROC FObjectInstance = nullptr;
    TCustomForm* FMainForm = nullptr;
    bool FShowMainForm = true;
    bool FTerminated = false;
    bool FRunning = false;
    std::string FTitle;
    std::unique_ptr<TIcon> FIcon;
    std::unique_ptr<TIcon> FSmallIcon;
    TColor FHintColor = clInfoBk;
    int FHintPause = 500, FHintHidePause = 2500, FHintShortPause = 50;
    bool FShowHint = true;
    std::string FHint;
    std::vector<TCustomForm*> FForms;
    int FHandlingException = 0;
};

class TScreen : public TComponent {
public:
    TG_DECLARE_CLASS()
    explicit TScreen(TComponent* owner);
    ~TScreen() override;

    // Cursor handles by integer identifier: the system's at negative numbers, the
    // program's own where it adds them. An unknown identifier gives the arrow.
    HCURSOR Cursors(int id) const;
    // Puts a cursor under an identifier. Cursors from LoadCursorA are shared and never
    // destroyed; pass owned only for one the caller created (CreateCursor, CopyCursor).
    void SetCursors(int id, HCURSOR cursor, bool owned = false);
    // Identifiers from `low` to `high` not yet known get their cursor from `load` when first
    // asked for, and keep it (even a null one): a program's own cursors then cost nothing
    // until shown. Cursors put there by SetCursors first are never asked for.
    using TCursorLoader = HCURSOR (*)(int id);
    void SetCursorLoader(int low, int high, TCursorLoader load);
    // Overrides every control's cursor while not crDefault.
    TCursor Cursor() const noexcept { return FCursor; }
    void SetCursor(TCursor c);
    int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
    int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
    int PixelsPerInch() const noexcept { return FPixelsPerInch; }
    int FormCount() const noexcept { return static_cast<int>(FForms.size()); }
    TCustomForm* Forms(int i) const { return FForms.at(static_cast<size_t>(i)); }
    TCustomForm* ActiveForm() const noexcept { return FActiveForm; }
    TControl* ActiveControl() const noexcept { return FActiveControl; }

    TNotifyEvent OnActiveFormChange;
    TNotifyEvent OnActiveControlChange;

    // Called by forms.
    void AddForm(TCustomForm* f);
    void RemoveForm(TCustomForm* f);
    void SetActiveForm(TCustomForm* f);
    void SetActiveControl(TControl* c);

private:
    struct TCursorEntry {
        HCURSOR Handle;
        bool Owned;
    };
    mutable std::map<int, TCursorEntry> FCursors; // Cursors() fills in what the loader gives
    TCursorLoader FCursorLoader = nullptr;
    int FCursorLoaderLow = 0, FCursorLoaderHigh = -1;
    TCursor FCursor = crDefault;
    int FPixelsPerInch = 96;
    std::vector<TCustomForm*> FForms;
    TCustomForm* FActiveForm = nullptr;
    TControl* FActiveControl = nullptr;
};

extern TApplication* Application;
extern TScreen* Screen;

// The form a control sits on (the control itself when it is a form); nullptr when none.
TCustomForm* GetParentForm(TControl* control);

// Creates Application and Screen (once), then runs the units' initialisations in their
// order; the program entry and the test main call it.
void InitFramework();
// Runs the units' finalisations in reverse order, then destroys Application and Screen.
void DoneFramework();

// One-time initialisation and finalisation of a library unit (shared windows, bitmaps,
// registered identifiers). Units register from a static initialiser; InitFramework runs
// them by ascending order. Registering after InitFramework runs the initialisation at once.
using TUnitProc = void (*)();
void RegisterUnitInitialization(int order, const char* unit, TUnitProc init, TUnitProc done);

// The order of the library's initialisations at start-up.
namespace UnitOrder {
constexpr int Graphics = 10;      // cursors and colour names
constexpr int CaptionButton = 20; // shared tooltip window and face bitmaps
constexpr int AppUpdater = 30;    // the swap program's path
constexpr int AppAutoRun = 40;    // its two button bitmaps
constexpr int AppEvents = 45;     // nothing at start; the shared event list goes at the end
constexpr int SystemInfo = 50;    // processor architecture and type
constexpr int AnimationEffect = 60; // the processor clock
} // namespace UnitOrder
