// lib/window/vyAppCursors.h
// Unit vyAppCursors: TvyAppCursors chooses the mouse cursor over every window of the
// application's thread by hit-test area: client, foreign windows, each border and corner,
// caption, menus, scroll bars and title-bar buttons.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "vyClasses.h"

enum class TvyAppObject {
    aoBorderNonResize, aoBorderBottom, aoBorderBottomLeft, aoBorderBottomRight, aoBorderLeft, aoBorderRight,
    aoBorderTop, aoBorderTopLeft, aoBorderTopRight, aoBtnClose, aoBtnHelp, aoBtnMaximize, aoBtnMinimize,
    aoCaption, aoClient, aoClientNonVCL, aoMainMenu, aoMenuItem, aoScrollHorz, aoScrollVert, aoSystemMenu,
    aoTransparent
};
constexpr int kvyAppObjectCount = 22;

const std::vector<std::string>& AppObjectNames();

// Asked before a cursor is set; Cursor 0 leaves it to Windows.
using TvyMouseOverObjectEvent = TEvent<TObject*, TvyAppObject, int, TCursor&>;

// The area of a WM_SETCURSOR's hit-test code (its lParam), or -1 for areas left to the
// window: HTCAPTION with no mouse message (menu mode) is the menu item's.
int AppObjectOfHitTest(LPARAM setCursorLParam);

class TvyAppCursors : public TvyComponent {
public:
    TG_DECLARE_CLASS()
    static constexpr bool DefaultActive = true;
    // The default of each area, in TvyAppObject order: borders follow the size arrows.
    static constexpr std::array<TCursor, kvyAppObjectCount> DefaultCursors{
        crDefault,  crSizeNS,   crSizeNESW, crSizeNWSE, crSizeWE,  crSizeWE,  crSizeNS,  crSizeNWSE,
        crSizeNESW, crDefault,  crDefault,  crDefault,  crDefault, crDefault, crDefault, crDefault,
        crDefault,  crDefault,  crDefault,  crDefault,  crDefault, crDefault};

    explicit TvyAppCursors(TComponent* owner);
    ~TvyAppCursors() override;

    bool Active() const noexcept { return FActive; }
    void SetActive(bool v) { FActive = v; }
    TCursor Cursors(TvyAppObject o) const { return FCursors.at(static_cast<size_t>(o)); }
    void SetCursors(TvyAppObject o, TCursor c) { FCursors.at(static_cast<size_t>(o)) = c; }
    template <TvyAppObject O>
    TCursor CursorOf() const { return Cursors(O); }
    template <TvyAppObject O>
    void SetCursorOf(TCursor c) { SetCursors(O, c); }

    // The instance that owns the thread's hook (the first made at run time), or null.
    static TvyAppCursors* CursorOwner() noexcept;

    TvyMouseOverObjectEvent OnMouseOverObject;

private:
    friend struct TvyAppCursorsHook;
    void Subclass(HWND wnd);
    void Restore();
    void SubclassedProc(HWND wnd, WNDPROC own, TMessage& m);
    // Answers one WM_SETCURSOR; true when a cursor was set and the window is not asked.
    bool SetCursorFor(HWND wnd, WNDPROC own, TMessage& m);
    bool Apply(int area, HWND wnd);

    bool FActive = DefaultActive;
    std::array<TCursor, kvyAppObjectCount> FCursors = DefaultCursors;
    HWND FWindow = nullptr;
    WNDPROC FOwnProc = nullptr;
    WNDPROC FThunk = nullptr;
    bool FSubclassed = false;
};
