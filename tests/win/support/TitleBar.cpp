// tests/win/support/TitleBar.cpp
#include "TitleBar.h"

#include "WinTest.h"
#include "vyCaptionButton.h"

POINT CaptionButtonCentre(const TvyCustomCaptionButton& button)
{
    RECT wr;
    GetWindowRect(button.WindowHandle(), &wr);
    const RECT r = button.ButtonRect();
    // Painted at x = left + top inset, y = top, (bw - 2) x (bh - 4) pixels.
    const int t = GetSystemMetrics(SM_CYDLGFRAME) + 2;
    return POINT{wr.left + r.left + t + (GetSystemMetrics(SM_CXSIZE) - 2) / 2,
                 wr.top + r.top + (GetSystemMetrics(SM_CYSIZE) - 4) / 2};
}

bool MoveMouseTo(POINT p)
{
    SetCursorPos(p.x, p.y);
    return PumpUntil([&] {
        POINT at;
        return GetCursorPos(&at) && at.x == p.x && at.y == p.y;
    });
}

bool MouseEvent(DWORD flags, const std::function<bool()>& seen, DWORD timeoutMs)
{
    mouse_event(flags, 0, 0, 0, 0);
    return PumpUntil(seen, timeoutMs);
}

bool ClickCaptionButton(TvyCustomCaptionButton& button)
{
    if (!MoveMouseTo(CaptionButtonCentre(button))) return false;
    if (!MouseEvent(MOUSEEVENTF_LEFTDOWN, [&] { return button.Captured(); })) return false;
    return MouseEvent(MOUSEEVENTF_LEFTUP, [&] { return !button.Captured(); });
}
