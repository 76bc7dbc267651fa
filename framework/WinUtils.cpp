// framework/WinUtils.cpp
#include "WinUtils.h"

#include "Platform.h"
#include "SysUtils.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

// --- window-procedure thunks -----------------------------------------------------------
//
// Each thunk is 16 bytes of i386 code in an executable block:
//   58             pop  eax          ; return address
//   68 <object>    push object       ; becomes the dispatcher's first argument
//   50             push eax          ; return address back on top
//   E9 <rel32>     jmp  StdWndProc
// so StdWndProc sees (object, hwnd, msg, wparam, lparam) and returns with ret 20 the way
// the system expects of a 4-argument stdcall procedure.

struct TThunk;

// The bound method, and how many dispatches are running through it. A thunk freed while a
// dispatch runs (an object freed from inside its own message) is only marked: its method and
// its code stay until the outermost dispatch has returned.
struct TThunkTarget {
    TWndMethod Method;
    TThunk* Thunk = nullptr;
    int Depth = 0;
    bool Freed = false;
};

void ReleaseThunk(TThunk* t);

LRESULT __stdcall StdWndProc(TThunkTarget* target, HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    // Nothing is left to call once the owner has let go of a thunk: a window still pointing
    // at it gets the system's handling.
    if (target->Freed) return DefWindowProcA(wnd, msg, wp, lp);
    TMessage m{msg, wp, lp, 0};
    ++target->Depth;
    bool failed = false;
    try {
        target->Method(m);
    } catch (...) {
        HandleException(nullptr);
        failed = true;
    }
    if (--target->Depth == 0 && target->Freed) ReleaseThunk(target->Thunk);
    // After a failure, the system's handling keeps the window usable.
    return failed ? DefWindowProcA(wnd, msg, wp, lp) : m.Result;
}

#pragma pack(push, 1)
struct TThunk {
    unsigned char PopEax;   // 58
    unsigned char PushImm;  // 68
    TThunkTarget* Target;
    unsigned char PushEax;  // 50
    unsigned char Jmp;      // E9
    LONG Offset;
    unsigned char Pad[4];   // keeps slots 16 bytes apart
};
#pragma pack(pop)
static_assert(sizeof(TThunk) == 16, "thunk layout");

constexpr size_t BlockSize = 4096;
constexpr size_t ThunksPerBlock = (BlockSize - sizeof(void*)) / sizeof(TThunk);

// Blocks are chained through their first word; free slots form a list threaded through
// their Target field (PopEax == 0 marks a free slot).
struct TThunkBlock {
    TThunkBlock* Next;
    TThunk Thunks[ThunksPerBlock];
};

TThunkBlock* Blocks = nullptr;
TThunk* FreeList = nullptr;

TThunk* AllocThunk()
{
    if (!FreeList) {
        void* mem = VirtualAlloc(nullptr, BlockSize, MEM_COMMIT, PAGE_EXECUTE_READWRITE);
        if (!mem) throw EOutOfResources("Out of system resources");
        auto* block = static_cast<TThunkBlock*>(mem);
        block->Next = Blocks;
        Blocks = block;
        for (size_t i = 0; i < ThunksPerBlock; ++i) {
            TThunk& t = block->Thunks[i];
            t.PopEax = 0;
            t.Target = reinterpret_cast<TThunkTarget*>(FreeList);
            FreeList = &t;
        }
    }
    TThunk* t = FreeList;
    FreeList = reinterpret_cast<TThunk*>(t->Target);
    return t;
}

void ReleaseThunk(TThunk* t)
{
    delete t->Target;
    t->PopEax = 0;
    t->Target = reinterpret_cast<TThunkTarget*>(FreeList);
    FreeList = t;
}

// --- utility windows -------------------------------------------------------------------

const char UtilWindowClass[] = "TgUtilWindow";

LRESULT CALLBACK UtilWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    // The real procedure is set right after creation; until then the system's.
    return msg == WM_CLOSE ? 0 : DefWindowProcA(wnd, msg, wp, lp);
}

void RegisterUtilClass()
{
    WNDCLASSA existing;
    if (GetClassInfoA(MainInstance(), UtilWindowClass, &existing)) return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = UtilWndProc;
    wc.hInstance = MainInstance();
    wc.lpszClassName = UtilWindowClass;
    RegisterClassA(&wc);
}

TExceptionHandler ExceptionHandler = nullptr;

} // namespace

WNDPROC MakeObjectInstance(TWndMethod method)
{
    auto target = std::make_unique<TThunkTarget>();
    target->Method = std::move(method);
    TThunk* t = AllocThunk();
    target->Thunk = t;
    t->PopEax = 0x58;
    t->PushImm = 0x68;
    t->Target = target.release();
    t->PushEax = 0x50;
    t->Jmp = 0xE9;
    t->Offset = static_cast<LONG>(reinterpret_cast<const char*>(&StdWndProc) - reinterpret_cast<const char*>(&t->Pad[0]));
    std::memset(t->Pad, 0xCC, sizeof t->Pad);
    FlushInstructionCache(GetCurrentProcess(), t, sizeof *t);
    return reinterpret_cast<WNDPROC>(t);
}

void FreeObjectInstance(WNDPROC instance)
{
    if (!instance) return;
    auto* t = reinterpret_cast<TThunk*>(instance);
    if (t->Target->Depth > 0)
        t->Target->Freed = true;
    else
        ReleaseThunk(t);
}

namespace {
int ModalLoops = 0; // the user interface runs on one thread
} // namespace

void ModalLoopEntered() noexcept
{
    ++ModalLoops;
}

void ModalLoopLeft() noexcept
{
    if (ModalLoops > 0) --ModalLoops;
}

bool InModalLoop() noexcept
{
    return ModalLoops > 0;
}

bool InputWaiting() noexcept
{
    MSG m;
    if (!PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE)) return false;
    return (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) ||
           (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST) ||
           (m.message >= WM_NCMOUSEMOVE && m.message <= WM_NCMBUTTONDBLCLK);
}

HWND AllocateHWnd(TWndMethod method)
{
    RegisterUtilClass();
    HWND wnd = CreateWindowExA(WS_EX_TOOLWINDOW, UtilWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               MainInstance(), nullptr);
    if (!wnd) throw EOutOfResources("Error creating window");
    // Only its owner destroys a utility window: a task killer asks every top-level window of
    // the process to close, the hidden ones too, and the system's answer to WM_CLOSE would
    // take the window away from under a component still using it.
    if (!method) return wnd;
    WNDPROC proc = MakeObjectInstance([method = std::move(method)](TMessage& m) {
        if (m.Msg == WM_CLOSE)
            m.Result = 0;
        else
            method(m);
    });
    SetWindowLongA(wnd, GWL_WNDPROC, reinterpret_cast<LONG>(proc));
    return wnd;
}

void DeallocateHWnd(HWND wnd)
{
    if (!wnd) return;
    auto proc = reinterpret_cast<WNDPROC>(GetWindowLongA(wnd, GWL_WNDPROC));
    DestroyWindow(wnd);
    if (proc != UtilWndProc) FreeObjectInstance(proc);
}

void SetExceptionHandler(TExceptionHandler handler)
{
    ExceptionHandler = handler;
}

void HandleException(TObject* sender) noexcept
{
    try {
        throw;
    } catch (const std::exception& e) {
        try {
            if (ExceptionHandler)
                ExceptionHandler(sender, e);
            else
                Platform().MessageBoxA(nullptr, e.what(), "Error", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
        } catch (...) {
            // The display itself failed: nothing sensible is left to do at a system boundary.
        }
    } catch (...) {
        if (ExceptionHandler) {
            try {
                ExceptionHandler(sender, Exception("Unknown exception"));
            } catch (...) {
            }
        }
    }
}

HINSTANCE MainInstance()
{
    static HINSTANCE instance = GetModuleHandleA(nullptr);
    return instance;
}

std::string ParamStr(int index)
{
    if (index == 0) {
        char path[MAX_PATH];
        const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
        return std::string(path, n);
    }
    const std::vector<std::string> params = SplitParams(GetCommandLineA());
    return index > 0 && static_cast<size_t>(index) < params.size() ? params[static_cast<size_t>(index)] : std::string();
}

int ParamCount()
{
    const size_t n = SplitParams(GetCommandLineA()).size();
    return n > 0 ? static_cast<int>(n) - 1 : 0;
}

TFormatSettings FormatSettings;

namespace {
std::string LocaleText(LCTYPE item, const std::string& fallback)
{
    char buf[128] = {};
    const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, item, buf, sizeof buf);
    return n > 1 ? std::string(buf, static_cast<size_t>(n - 1)) : fallback;
}
char LocaleChar(LCTYPE item, char fallback)
{
    const std::string s = LocaleText(item, std::string(1, fallback));
    return s.empty() ? fallback : s[0];
}
} // namespace

void GetFormatSettings()
{
    const TFormatSettings d;
    FormatSettings.DecimalSeparator = LocaleChar(LOCALE_SDECIMAL, d.DecimalSeparator);
    FormatSettings.ThousandSeparator = LocaleChar(LOCALE_STHOUSAND, d.ThousandSeparator);
    FormatSettings.DateSeparator = LocaleChar(LOCALE_SDATE, d.DateSeparator);
    FormatSettings.TimeSeparator = LocaleChar(LOCALE_STIME, d.TimeSeparator);
    FormatSettings.ShortDateFormat = LocaleText(LOCALE_SSHORTDATE, d.ShortDateFormat);
    FormatSettings.LongTimeFormat = LocaleText(LOCALE_STIMEFORMAT, d.LongTimeFormat);
}

void SetWindowTopmost(HWND wnd, bool topmost) noexcept
{
    constexpr UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(wnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, keep);
    if (topmost || !(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST)) return;
    HWND owner = GetWindow(wnd, GW_OWNER);
    RECT r{};
    if (!owner || (IsWindowVisible(owner) && GetWindowRect(owner, &r) && !IsRectEmpty(&r))) return;
    SetWindowPos(owner, HWND_BOTTOM, 0, 0, 0, 0, keep);
    SetWindowPos(wnd, HWND_NOTOPMOST, 0, 0, 0, 0, keep);
}
