// framework/WinUtils.h
// The Win32 plumbing every windowed part of the framework shares: window procedures bound
// to objects, hidden utility windows bound to a method, and the one place exceptions
// caught at a system boundary are handed to.
#pragma once

#include <windows.h>

#include <functional>

#include "Classes.h"

// A window message as the framework passes it around. Handlers set Result.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

// A method that handles a window's messages.
using TWndMethod = std::function<void(TMessage&)>;

// A window procedure entry point bound to one method: a few bytes of machine code that
// push the bound object and jump to a shared dispatcher. Freed with FreeObjectInstance;
// freeing one from inside a message it dispatches is safe: the release waits until the
// outermost dispatch through it has returned.
WNDPROC MakeObjectInstance(TWndMethod method);
void FreeObjectInstance(WNDPROC instance);

// A hidden window whose messages go to method; used for timers, tray callbacks and
// posted notices. Free it with DeallocateHWnd.
HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND wnd);

// Puts a window into the topmost band or takes it out, without moving, sizing or activating
// it. Wine keeps an owned window above its owner: when a hidden owner (the application
// window) is the first window below the band, "not topmost" lands the window after the last
// topmost one, topmost still. An owner that nobody sees (hidden, or of no size like the
// application window) then goes to the bottom, and the window follows.
void SetWindowTopmost(HWND wnd, bool topmost) noexcept;

// The system's modal loops of this thread under way (menus, and moving or sizing a window),
// counted from WM_ENTERMENULOOP/WM_EXITMENULOOP and WM_ENTERSIZEMOVE/WM_EXITSIZEMOVE as the
// framework's windows receive them. Code running inside such a loop (a timer tick) must leave
// keyboard and mouse input queued: the loop takes it from the queue itself, and a button
// release taken from a move loop would leave the window stuck to the pointer.
void ModalLoopEntered() noexcept;
void ModalLoopLeft() noexcept;
bool InModalLoop() noexcept;
// Whether keyboard or mouse input waits first in this thread's queue.
bool InputWaiting() noexcept;

// Hands an exception caught at a system boundary (window procedure, hook, timer, thread
// hand-over) to the application's standard exception display. Call only from a catch
// block. Never throws.
void HandleException(TObject* sender) noexcept;

// Installed by the application object: shows the current exception. Until it is set,
// HandleException shows a plain message box.
using TExceptionHandler = void (*)(TObject* sender, const std::exception& e);
void SetExceptionHandler(TExceptionHandler handler);

// The module instance the program's resources live in.
HINSTANCE MainInstance();

// The program's parameters: ParamStr(0) is the executable's full path, 1 to ParamCount()
// the arguments of its command line (SplitParams); beyond them, empty.
std::string ParamStr(int index);
int ParamCount();

// A function found at run time (newer than Windows 95, or found by ordinal), as its type.
template <class F>
F ProcAs(FARPROC proc)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(proc));
}
// Looks a function up in a system DLL, loading the DLL if it is not loaded yet; nullptr
// when either is missing.
template <class F>
F GetProc(const char* module, const char* name)
{
    HMODULE m = GetModuleHandleA(module);
    if (!m) m = LoadLibraryA(module);
    return m ? ProcAs<F>(GetProcAddress(m, name)) : nullptr;
}

// The user's locale formats, read once at start and again on a settings change when the
// application's UpdateFormatSettings is on.
struct TFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    std::string ShortDateFormat = "M/d/yyyy";
    std::string LongTimeFormat = "h:mm:ss tt";
};
extern TFormatSettings FormatSettings;
void GetFormatSettings();
