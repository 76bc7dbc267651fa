// framework/Controls.h
// Controls over real windows. A TWinControl owns one window and reaches itself from the
// window procedure through a per-object thunk; a TGraphicControl has no window of its own
// and is painted and hit-tested by its parent.
#pragma once

#include <windows.h>

#include <vector>

#include "Classes.h"
#include "Graphics.h"
#include "WinUtils.h"

class TWinControl;
class TControl;
class TPopupMenu;

using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSize = -22,
                  crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10,
                  crHourGlass = -11, crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15,
                  crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20,
                  crHandPoint = -21, crSizeAll = -22;
// Cursor names a stored form may use (crArrow, later the library's own set).
TIdentMap& CursorIdents();

// The windowed control of this process that owns a window, or null.
TWinControl* FindControl(HWND wnd);
// The windowed control that owns the window at a screen point or, failing that, one of its
// parent windows; null over windows of no control.
TWinControl* FindVCLWindow(POINT screenPoint);

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum class TShiftStateFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
using TShiftState = unsigned;
TShiftState KeysToShiftState(WPARAM keys);

using TMouseEvent = TEvent<TObject*, TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = TEvent<TObject*, TShiftState, int, int>;

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// Private notices between controls and their parents (above WM_APP's range of the
// program's own; framework-internal only).
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_FONTCHANGED = CM_BASE + 1;   // the control's font changed
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 2;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 3;   // caption or text changed
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 4;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 5;
constexpr UINT CM_COLORCHANGED = CM_BASE + 6;
// Sent to a control when the mouse comes over it and when it leaves (windowed controls
// and those drawn by their parent alike).
constexpr UINT CM_MOUSEENTER = CM_BASE + 7;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 8;
constexpr UINT CM_INVALIDATE = CM_BASE + 0x0D;  // posted to a window: repaint all of it
// Sent to a form with a key (WPARAM) that a dialog acts on: Enter presses the default button,
// Escape the cancel button. Each control passes it to its children until one sets Result.
constexpr UINT CM_DIALOGKEY = CM_BASE + 0x40;

// Notices a parent window gets about a child (WM_COMMAND, WM_CTLCOLORxxx) handed back to the
// child control as CN_BASE + the message, so that each control answers for itself.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;

// Control style bits.
constexpr unsigned csOpaque = 1u << 0;      // paints every pixel of its bounds
constexpr unsigned csClickEvents = 1u << 1;
constexpr unsigned csCaptureMouse = 1u << 2;
constexpr unsigned csSetCaption = 1u << 3;
constexpr unsigned csDoubleClicks = 1u << 4;
constexpr unsigned csReplicatable = 1u << 8; // may be painted elsewhere through PaintTo

// Tells whether a control still exists after a call that may free it: a click handler may
// free its own button, or the button's parent, while the mouse message is still running
// through both.
class TControlWatch {
public:
    explicit TControlWatch(const TControl* control) noexcept;
    ~TControlWatch();
    TControlWatch(const TControlWatch&) = delete;
    TControlWatch& operator=(const TControlWatch&) = delete;
    bool Alive() const noexcept { return FControl != nullptr; }

private:
    friend class TControl;
    const TControl* FControl;
    TControlWatch* FNext;
};

class TControl : public TComponent {
public:
    TG_DECLARE_CLASS()
    explicit TControl(TComponent* owner);
    ~TControl() override;

    // Placement, in the parent's client coordinates.
    int Left() const noexcept { return FLeft; }
    int Top() const noexcept { return FTop; }
    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    virtual RECT ClientRect() const { return RECT{0, 0, FWidth, FHeight}; }
    int ClientWidth() const { return ClientRect().right; }
    int ClientHeight() const { return ClientRect().bottom; }
    virtual void SetClientSize(int width, int height);
    void SetClientWidth(int v) { SetClientSize(v, ClientHeight()); }
    void SetClientHeight(int v) { SetClientSize(ClientWidth(), v); }

    TWinControl* Parent() const noexcept { return FParent; }
    virtual void SetParent(TWinControl* parent);

    bool Visible() const noexcept { return FVisible; }
    virtual void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const noexcept { return FEnabled; }
    virtual void SetEnabled(bool v);

    const std::string& Caption() const noexcept { return FText; }
    void SetCaption(const std::string& s) { SetText(s); }
    virtual void SetText(const std::string& s);

    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor c);
    bool ParentColor() const noexcept { return FParentColor; }
    void SetParentColor(bool v);
    TFont* Font() const noexcept { return FFont.get(); }
    bool ParentFont() const noexcept { return FParentFont; }
    void SetParentFont(bool v);

    TCursor Cursor() const noexcept { return FCursor; }
    void SetCursor(TCursor c);
    const std::string& Hint() const noexcept { return FHint; }
    void SetHint(const std::string& s) { FHint = s; }
    bool ShowHint() const noexcept { return FShowHint; }
    void SetShowHint(bool v) { FShowHint = v; }
    bool ParentShowHint() const noexcept { return FParentShowHint; }
    void SetParentShowHint(bool v) { FParentShowHint = v; }
    int Tag() const noexcept { return FTag; }
    void SetTag(int v) { FTag = v; }
    TPopupMenu* PopupMenu() const noexcept { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* menu);

    unsigned ControlStyle() const noexcept { return FControlStyle; }
    void SetControlStyle(unsigned s) { FControlStyle = s; }

    // Sends a message straight to the control's handling (no window needed).
    LRESULT Perform(UINT msg, WPARAM wp = 0, LPARAM lp = 0);
    // The method messages go through; components may replace it and call the previous.
    TWndMethod WindowProc;
    virtual void WndProc(TMessage& m);
    virtual void DefaultHandler(TMessage& m);

    virtual void Invalidate();
    virtual void Update();
    void Repaint();
    // Client point of this control to screen and back.
    POINT ClientToScreen(POINT p) const;
    POINT ScreenToClient(POINT p) const;

    // Nesting in stored forms: a control lives inside its parent.
    TComponent* GetParentComponent() const override;
    bool HasParent() const override { return true; }
    void SetParentComponent(TComponent* parent) override;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    virtual void Click();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual void FontChanged();
    virtual void TextChanged() {}
    virtual void AdjustBounds() {}
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    // Applies the parent's font to a control that follows it.
    void ParentFontChanged();
    void ParentColorChanged();
    virtual void VisibleChanging() {}

    bool FClicked = false;

private:
    friend class TWinControl;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TWinControl* FParent = nullptr;
    bool FVisible = true;
    bool FEnabled = true;
    std::string FText;
    TColor FColor = clBtnFace;
    bool FParentColor = true;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    bool FApplyingParentFont = false;
    TCursor FCursor = crDefault;
    std::string FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    int FTag = 0;
    TPopupMenu* FPopupMenu = nullptr;
    unsigned FControlStyle = csClickEvents | csCaptureMouse | csSetCaption | csDoubleClicks;
};

// What a window is created with; a control adjusts it in CreateParams.
struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    std::string ClassName;         // the window class to create (registered on demand)
    WNDCLASSA WindowClass{};       // used when ClassName is not registered yet
    const char* SystemClass = nullptr; // a system class to subclass ("BUTTON", "EDIT", ...)
};

class TWinControl : public TControl {
public:
    TG_DECLARE_CLASS()
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    HWND Handle();
    bool HandleAllocated() const noexcept { return FHandle != nullptr; }
    void HandleNeeded() { Handle(); }
    // Destroys and creates the window again in place, keeping the control's state.
    void RecreateWnd();

    int ControlCount() const noexcept { return static_cast<int>(FControls.size()); }
    TControl* Controls(int i) const { return FControls.at(static_cast<size_t>(i)); }
    // The child control (window or not) at a client point, topmost first.
    TControl* ControlAtPos(POINT p, bool allowDisabled = false) const;

    RECT ClientRect() const override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetText(const std::string& s) override;
    void SetVisible(bool v) override;
    void SetEnabled(bool v) override;
    void Invalidate() override;
    void Update() override;
    void WndProc(TMessage& m) override;
    void DefaultHandler(TMessage& m) override;
    void GetChildren(std::vector<TComponent*>& out, TComponent* root) const override;

    bool Focused() const;
    void SetFocus();

    // Paints the non-windowed children onto dc (in this control's client coordinates).
    void PaintControls(HDC dc, const RECT& clip);
    // The background of the client area, in the control's colour.
    virtual void EraseBackground(HDC dc);

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void CreateHandle();
    virtual void DestroyHandle();
    virtual void DestroyWnd();
    // After the window exists: apply state that lives in the window.
    virtual void CreateWindowHandle(const TCreateParams& params);
    virtual void Paint(HDC dc, const RECT& clip);
    void UpdateShowing();
    virtual bool ShowingWanted() const;

    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    void FontChanged() override;

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;
    WNDPROC FObjectInstance = nullptr;
    bool FRecreating = false;

private:
    friend class TControl;
    friend struct TWinControlAccess;
    void MainWndProc(TMessage& m);
    // False when a handler freed this control: nothing of it may be used after.
    bool HandleMouse(TMessage& m);
    bool HandleSetCursor(TMessage& m);
    // Hands a child's notice to the child control as CN_BASE + the message.
    bool ReflectToChild(TMessage& m);
    void DialogKey(TMessage& m);
    bool WMKeyDownDialogKey(TMessage& m);
    void WMPaint(TMessage& m);
    void WMWindowPosChanged(TMessage& m);
    void WMMouseMove(const TMessage& m);
    // Forgets the child that had the mouse and gives the system's capture back if this
    // window holds it.
    void ReleaseMouseCapture();
    // Sends CM_MOUSELEAVE to the control the mouse was over and CM_MOUSEENTER to now.
    void SetMouseControl(TControl* now);
    std::vector<TControl*> FControls;
    TControl* FMouseCapture = nullptr;
    TControl* FMouseControl = nullptr; // this control or a child without a window
    bool FTrackingLeave = false;       // the window will say when the mouse leaves it
};

// A control without a window: drawn by its parent on its parent's canvas.
class TGraphicControl : public TControl {
public:
    TG_DECLARE_CLASS()
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const noexcept { return FCanvas.get(); }
    // Paints the control with the parent's dc; the origin is the control's top left.
    void PaintTo(HDC dc);

protected:
    virtual void Paint() {}

private:
    std::unique_ptr<TCanvas> FCanvas;
};

// A windowed control with a canvas of its own.
class TCustomControl : public TWinControl {
public:
    TG_DECLARE_CLASS()
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    TCanvas* Canvas() const noexcept { return FCanvas.get(); }

protected:
    void Paint(HDC dc, const RECT& clip) override;
    virtual void Paint() {}

private:
    std::unique_ptr<TCanvas> FCanvas;
};

// Shared tables for stored properties of controls.
std::vector<TPropInfo> ControlProps();
