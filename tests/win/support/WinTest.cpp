// tests/win/support/WinTest.cpp
#include "WinTest.h"

#include "Forms.h"
#include "Menus.h"

bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - start > timeoutMs) return pred();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (pred()) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void PumpFor(DWORD ms)
{
    DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000);
}

void TCatchingTest::SetUp()
{
    TestPlatform().Boxes.clear();
    Application->OnException = [this](TObject* sender, const std::exception& e) { Caught.push_back({sender, e.what()}); };
}

void TCatchingTest::TearDown()
{
    Application->OnException = nullptr;
    EXPECT_TRUE(TestPlatform().Boxes.empty()) << "a message box was shown";
}

void PumpQueued(DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (GetTickCount() - start > timeoutMs) break;
    }
}

namespace {
int GTicks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD)
{
    ++GTicks;
}
} // namespace

bool PumpTicks(UINT intervalMs, int ticks)
{
    GTicks = 0;
    const UINT_PTR id = SetTimer(nullptr, 0, intervalMs, &CountTick);
    if (!id) return false;
    const bool done = PumpUntil([&] { return GTicks >= ticks; }, 10000 + intervalMs * ticks);
    KillTimer(nullptr, id);
    return done;
}

bool SentMessageWaiting()
{
    return (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0;
}

void TakeBackQuit()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    SendMessageA(TPopupMenu::PopupWindow(), WM_CANCELMODE, 0, 0);
}

std::string HexBytes(const std::vector<unsigned char>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}
