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

bool MoveMouseTo(POINT p, const std::function<bool()>& arrived)
{
    auto there = [&] {
        POINT c;
        return GetCursorPos(&c) && c.x == p.x && c.y == p.y && arrived();
    };
    // X may echo an earlier warp late and carry the pointer back: move again until it stays.
    for (int attempt = 0; attempt < 5; ++attempt) {
        SetCursorPos(p.x, p.y);
        if (!PumpUntil(there, 2000)) continue;
        if (!PumpUntil([&] { return !there(); }, 250)) return true;
    }
    return false;
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
