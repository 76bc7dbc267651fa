// bench/TrayFloor.cpp
// The floor for the sampling benchmark: the least a plain Win32 program must do to show a
// fresh 16 x 16 three-bar picture in the notification area twenty times a second. Every
// 50 ms it draws the picture, makes an icon of it, hands it with the three-figure tooltip to
// the notification area (NIM_MODIFY) and frees the icon it replaced. What the real program
// costs beyond this is the price of its framework.
// With "/queries" on its command line it also asks for the three free-resource figures each
// tick the way the program does under Wine (load USER.EXE, look up GetFreeSystemResources,
// free the module, call it through kernel32's generic 16-bit callback) and draws those.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "StartupTrace.h"

namespace {

constexpr UINT TrayCallback = WM_APP + 1;

HDC gDc;
HBITMAP gColor;
HBITMAP gMask;
HICON gIcon;
NOTIFYICONDATAA gData;

// The figures the 16-bit heaps report under Wine; whole percentages as the program has them.
int Figures[3] = {99, 99, 99};

// The 16-bit services of kernel32 (ordinals 35, 36, 37 and 55), set only with "/queries".
using TLoad16 = WORD(WINAPI*)(LPCSTR);
using TFree16 = void(WINAPI*)(WORD);
using TProc16 = DWORD(WINAPI*)(WORD, LPCSTR);
using TCallback16 = BOOL(WINAPI*)(DWORD, DWORD, DWORD, void*, DWORD*);
TLoad16 gLoad16;
TFree16 gFree16;
TProc16 gProc16;
TCallback16 gCallback16;

bool SetUpQueries()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto ordinal = [kernel](WORD n) { return GetProcAddress(kernel, MAKEINTRESOURCEA(n)); };
    gLoad16 = reinterpret_cast<TLoad16>(reinterpret_cast<void*>(ordinal(35)));
    gFree16 = reinterpret_cast<TFree16>(reinterpret_cast<void*>(ordinal(36)));
    gProc16 = reinterpret_cast<TProc16>(reinterpret_cast<void*>(ordinal(37)));
    gCallback16 = reinterpret_cast<TCallback16>(reinterpret_cast<void*>(ordinal(55)));
    return gLoad16 && gFree16 && gProc16 && gCallback16;
}

// selector 0: system, 1: GDI, 2: User resources, as the program asks for them.
int QueryFree(WORD selector)
{
    const WORD user = gLoad16("USER.EXE");
    if (user < 32) return 0;
    gFree16(user); // the module stays loaded by the system; the program frees it here too
    const DWORD proc = gProc16(user, "GetFreeSystemResources");
    if (!proc) return 0;
    DWORD result = 0;
    gCallback16(proc, 0 /* Pascal */, sizeof selector, &selector, &result);
    return static_cast<int>(result & 0xFFFF);
}

void DrawPicture()
{
    static const HPEN black = static_cast<HPEN>(GetStockObject(BLACK_PEN));
    static const HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    static const HBRUSH lime = CreateSolidBrush(RGB(0, 255, 0));
    RECT all{0, 0, 16, 16};
    FillRect(gDc, &all, face);
    SelectObject(gDc, black);
    MoveToEx(gDc, 0, 15, nullptr);
    LineTo(gDc, 16, 15);
    SelectObject(gDc, lime);
    for (int i = 0; i < 3; ++i) {
        const int top = 16 - (Figures[i] * 16 + 50) / 100;
        if (top < 16) Rectangle(gDc, i * 5, top, i * 5 + 6, 16);
    }
}

void Tick(HWND wnd)
{
    if (gLoad16) {
        Figures[0] = QueryFree(0);
        Figures[1] = QueryFree(2);
        Figures[2] = QueryFree(1);
    }
    DrawPicture();
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = gColor;
    info.hbmMask = gMask;
    // The icon copies the bitmaps, so they may stay selected and be drawn again next time.
    HICON icon = CreateIconIndirect(&info);
    gData.hWnd = wnd;
    gData.uFlags = NIF_ICON | NIF_TIP;
    gData.hIcon = icon;
    std::snprintf(gData.szTip, sizeof gData.szTip, "System: %d%%, User: %d%%, GDI: %d%%", Figures[0], Figures[1],
                  Figures[2]);
    Shell_NotifyIconA(NIM_MODIFY, &gData);
    if (gIcon) DestroyIcon(gIcon);
    gIcon = icon;
}

LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_TIMER: Tick(wnd); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(wnd, msg, wp, lp);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    TraceStartup("main");
    if (std::strstr(commandLine, "/queries") && !SetUpQueries()) return 1;
    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = "TrayFloor";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(0, "TrayFloor", "Tray floor", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                               instance, nullptr);
    HDC screen = GetDC(nullptr);
    gDc = CreateCompatibleDC(screen);
    gColor = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(nullptr, screen);
    gMask = CreateBitmap(16, 16, 1, 1, nullptr); // all black: every pixel opaque
    SelectObject(gDc, gColor);

    gData.cbSize = sizeof gData;
    gData.hWnd = wnd;
    gData.uID = 1;
    gData.uFlags = NIF_MESSAGE | NIF_TIP;
    gData.uCallbackMessage = TrayCallback;
    lstrcpyA(gData.szTip, "Tray floor");
    Shell_NotifyIconA(NIM_ADD, &gData);
    TraceStartup("tray");
    Tick(wnd);
    TraceStartup("live");
    SetTimer(wnd, 1, 50, nullptr);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    gData.uFlags = 0;
    Shell_NotifyIconA(NIM_DELETE, &gData);
    if (gIcon) DestroyIcon(gIcon);
    return 0;
}
