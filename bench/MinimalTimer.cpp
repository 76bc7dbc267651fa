// bench/MinimalTimer.cpp
// The yardstick for the sampling benchmark: a bare Win32 program with one window and a
// 50 ms timer that does nothing. Whatever the real program costs beyond this is its own.
#include <windows.h>

namespace {
LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_TIMER: return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(wnd, msg, wp, lp);
    }
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = "MinimalTimer";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(0, "MinimalTimer", "Minimal timer", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                               nullptr, instance, nullptr);
    SetTimer(wnd, 1, 50, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
