// tests/win/vyAppCursorsTest.cpp
// Cursors by window area: every hit-test code through a real WM_SETCURSOR and the thread
// hook; the client rules with the real mouse over framework controls, plain windows and
// edits, read back as the cursor the system shows; the main window's stored settings.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Forms.h"
#include "Main.h"
#include "StdCtrls.h"
#include "WinTest.h"
#include "vyAppCursors.h"
#include "vyCursors.h"

namespace {

using AO = TvyAppObject;

HCURSOR ShownCursor()
{
    CURSORINFO ci{};
    ci.cbSize = sizeof ci;
    return GetCursorInfo(&ci) ? ci.hCursor : nullptr;
}

// Moves the real mouse to p (by way of a neighbouring point, so that it surely moves) and
// waits for the system to show `expected`; returns what it shows in the end.
HCURSOR CursorAt(POINT p, HCURSOR expected)
{
    SetCursorPos(p.x + 3, p.y + 3);
    PumpFor(20);
    SetCursorPos(p.x, p.y);
    PumpUntil([&] { return ShownCursor() == expected; }, 3000);
    return ShownCursor();
}

HCURSOR SystemCursor(const char* id) { return LoadCursorA(nullptr, id); }

class AppCursorsTest : public TCatchingTest {
protected:
    static void SetUpTestSuite() { InitCursorSet(); }
    void SetUp() override
    {
        TCatchingTest::SetUp();
        form.reset(new TForm(Application));
        form->SetBounds(100, 100, 420, 300);
        cursors = new TvyAppCursors(form.get());
        ASSERT_EQ(TvyAppCursors::CursorOwner(), cursors);
    }
    void TearDown() override
    {
        for (HWND w : plain) DestroyWindow(w);
        form.reset();
        EXPECT_EQ(TvyAppCursors::CursorOwner(), nullptr) << "the owner lets go of the hook when freed";
        TCatchingTest::TearDown();
    }
    HWND Plain(const char* cls, DWORD style, int x, int y, int w, int h, HWND parent)
    {
        HWND wnd = CreateWindowExA(0, cls, "", style | WS_VISIBLE, x, y, w, h, parent, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
        plain.push_back(wnd);
        return wnd;
    }
    POINT Centre(HWND w)
    {
        RECT r;
        GetWindowRect(w, &r);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    TOwnedPtr<TForm> form;
    TvyAppCursors* cursors = nullptr;
    std::vector<HWND> plain;
};

TEST_F(AppCursorsTest, EachHitTestCodeSetsItsAreasCursor)
{
    // Area i shows cursor -160 - i: every one of them distinct.
    for (int i = 0; i < kvyAppObjectCount; ++i)
        if (i != static_cast<int>(AO::aoClient)) cursors->SetCursors(static_cast<AO>(i), -160 - i);
    struct TSeen {
        AO Area;
        int Wnd;
    };
    std::vector<TSeen> seen;
    cursors->OnMouseOverObject = [&](TObject* sender, AO area, int wnd, TCursor& cursor) {
        EXPECT_EQ(sender, cursors);
        seen.push_back({area, wnd});
        if (area == AO::aoBtnHelp) cursor = crDefault; // the handler may give the area back to Windows
    };
    const HWND wnd = form->Handle();
    struct Case {
        WORD Code, Mouse;
        int Area; // -1: left to the window
    } cases[] = {
        {HTBORDER, WM_MOUSEMOVE, 0},     {HTBOTTOM, WM_MOUSEMOVE, 1},     {HTBOTTOMLEFT, WM_MOUSEMOVE, 2},
        {HTBOTTOMRIGHT, WM_MOUSEMOVE, 3}, {HTLEFT, WM_MOUSEMOVE, 4},      {HTRIGHT, WM_MOUSEMOVE, 5},
        {HTTOP, WM_MOUSEMOVE, 6},         {HTTOPLEFT, WM_MOUSEMOVE, 7},   {HTTOPRIGHT, WM_MOUSEMOVE, 8},
        {HTCLOSE, WM_MOUSEMOVE, 9},       {HTHELP, WM_MOUSEMOVE, 10},     {HTMAXBUTTON, WM_MOUSEMOVE, 11},
        {HTMINBUTTON, WM_MOUSEMOVE, 12},  {HTCAPTION, WM_LBUTTONDOWN, 13}, {HTMENU, WM_MOUSEMOVE, 16},
        {HTCAPTION, 0, 17},               {HTHSCROLL, WM_MOUSEMOVE, 18},  {HTVSCROLL, WM_MOUSEMOVE, 19},
        {HTSYSMENU, WM_MOUSEMOVE, 20},    {0xFFFE, WM_LBUTTONDOWN, 21},   {HTNOWHERE, WM_MOUSEMOVE, -1},
        {HTGROWBOX, WM_MOUSEMOVE, -1},    {0xFFFF, WM_MOUSEMOVE, -1},     {HTCLIENT, WM_MOUSEMOVE, -1},
    };
    const HCURSOR sentinel = Screen->Cursors(crHand);
    for (const Case& c : cases) {
        seen.clear();
        SetCursor(sentinel);
        const LRESULT r = SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(c.Code, c.Mouse));
        const std::string what = "hit-test " + std::to_string(c.Code) + " mouse " + std::to_string(c.Mouse);
        if (c.Area < 0) {
            EXPECT_TRUE(seen.empty()) << what << ": left to the window";
            continue;
        }
        ASSERT_EQ(seen.size(), 1u) << what;
        EXPECT_EQ(static_cast<int>(seen[0].Area), c.Area) << what;
        EXPECT_EQ(seen[0].Wnd, static_cast<int>(reinterpret_cast<INT_PTR>(wnd))) << what;
        if (c.Area == static_cast<int>(AO::aoBtnHelp)) {
            EXPECT_NE(GetCursor(), Screen->Cursors(-170)) << what << ": the handler's 0 leaves it to Windows";
            continue;
        }
        EXPECT_EQ(r, TRUE) << what;
        EXPECT_EQ(GetCursor(), Screen->Cursors(-160 - c.Area)) << what;
    }
    // Inactive: nothing is chosen any more.
    cursors->SetActive(false);
    seen.clear();
    SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
    EXPECT_TRUE(seen.empty()) << "inactive";
    // The window's own procedure is back in place after every message.
    EXPECT_EQ(GetWindowLongA(wnd, GWL_WNDPROC), GetWindowLongA(form->Handle(), GWL_WNDPROC));
    EXPECT_TRUE(Caught.empty());
}

TEST_F(AppCursorsTest, ClientRulesWithTheRealMouse)
{
    cursors->SetCursors(AO::aoClient, cr3dArrow);
    cursors->SetCursors(AO::aoClientNonVCL, cr3dCross);
    auto* own = new TCustomControl(form.get());
    own->SetParent(form.get());
    own->SetBounds(10, 10, 90, 60);
    own->SetCursor(crHand);
    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetBounds(120, 10, 90, 30);
    label->SetCaption("label");
    label->SetCursor(crHelp);
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(230, 10, 150, 24);
    form->Show();
    const HWND fw = form->Handle();
    HWND plainEdit = Plain("EDIT", WS_CHILD | WS_BORDER, 230, 60, 150, 24, fw);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = SystemCursor(IDC_ARROW);
    wc.lpszClassName = "TgPlainWindow";
    RegisterClassA(&wc);
    HWND foreign = Plain("TgPlainWindow", WS_POPUP | WS_BORDER, 600, 100, 120, 80, nullptr);
    HWND foreignEdit = Plain("EDIT", WS_POPUP | WS_BORDER, 600, 300, 150, 24, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(fw) && IsWindowVisible(foreign); }));

    const POINT background = form->ClientToScreen(POINT{200, 200});
    const POINT onLabel = form->ClientToScreen(POINT{160, 25});
    struct Case {
        const char* What;
        POINT At;
        HCURSOR Expected;
    } cases[] = {
        {"form background", background, Screen->Cursors(cr3dArrow)},
        {"control with its own cursor", Centre(own->Handle()), Screen->Cursors(crHand)},
        {"graphic control with its own cursor", onLabel, Screen->Cursors(cr3dArrow)},
        {"framework edit", Centre(edit->Handle()), SystemCursor(IDC_IBEAM)},
        {"plain edit inside the form", Centre(plainEdit), SystemCursor(IDC_IBEAM)},
        {"plain window", Centre(foreign), Screen->Cursors(cr3dCross)},
        {"plain edit window", Centre(foreignEdit), SystemCursor(IDC_IBEAM)},
    };
    for (const Case& c : cases) EXPECT_EQ(CursorAt(c.At, c.Expected), c.Expected) << c.What;

    // Client at 0: neither client cursor is used; Windows and the controls choose.
    cursors->SetCursors(AO::aoClient, crDefault);
    EXPECT_EQ(CursorAt(background, SystemCursor(IDC_ARROW)), SystemCursor(IDC_ARROW)) << "background, Client 0";
    EXPECT_EQ(CursorAt(Centre(foreign), SystemCursor(IDC_ARROW)), SystemCursor(IDC_ARROW)) << "plain window, Client 0";
    EXPECT_EQ(CursorAt(Centre(own->Handle()), Screen->Cursors(crHand)), Screen->Cursors(crHand)) << "Client 0";
    EXPECT_TRUE(Caught.empty());
}

TEST_F(AppCursorsTest, OnlyTheFirstInstanceOwnsTheHook)
{
    TOwnedPtr<TForm> other(new TForm(Application));
    auto* second = new TvyAppCursors(other.get());
    EXPECT_EQ(TvyAppCursors::CursorOwner(), cursors);
    int firstAsked = 0, secondAsked = 0;
    cursors->OnMouseOverObject = [&](TObject*, AO, int, TCursor&) { ++firstAsked; };
    second->OnMouseOverObject = [&](TObject*, AO, int, TCursor&) { ++secondAsked; };
    const HWND wnd = other->Handle();
    SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
    EXPECT_EQ(firstAsked, 1) << "the owner decides for every window of the thread";
    EXPECT_EQ(secondAsked, 0);
    other.reset();
    EXPECT_EQ(TvyAppCursors::CursorOwner(), cursors) << "freeing a later instance keeps the owner";
}

// The main window as stored: its cursors over the background, the caption and the close
// box, and over the caption in menu mode.
TEST(AppCursorsMainWindow, StoredSettingsGiveTheirCursors)
{
    InitCursorSet();
    TOwnedPtr<TForm1> form(Application->CreateForm<TForm1>());
    form->Timer->SetEnabled(false);
    ASSERT_NE(form->vyAppCursors1, nullptr);
    form->Show();
    const HWND wnd = form->Handle();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(wnd) != 0; }));
    RECT r;
    GetWindowRect(wnd, &r);
    // Find the caption and the close box along the title bar by asking the window itself.
    POINT caption{-1, -1}, close{-1, -1};
    for (int y = r.top; y < r.top + 30 && close.x < 0; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const LRESULT ht = SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(x, y));
            if (ht == HTCAPTION && caption.x < 0 && x > r.left + 40) caption = {x, y};
            if (ht == HTCLOSE) {
                close = {x + 4, y + 4};
                break;
            }
        }
    ASSERT_GE(caption.x, 0) << "no caption found";
    ASSERT_GE(close.x, 0) << "no close box found";
    EXPECT_EQ(SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(close.x, close.y)), HTCLOSE);
    const POINT background = form->ClientToScreen(POINT{form->ClientWidth() - 5, form->ClientHeight() - 5});
    struct Case {
        const char* What;
        POINT At;
        TCursor Expected;
    } cases[] = {{"background", background, cr3dArrow},
                 {"caption", caption, cr3dArrowSize},
                 {"close box", close, cr3dArrowWarning}};
    for (const Case& c : cases)
        EXPECT_EQ(CursorAt(c.At, Screen->Cursors(c.Expected)), Screen->Cursors(c.Expected)) << c.What;
    SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCAPTION, 0));
    EXPECT_EQ(GetCursor(), Screen->Cursors(cr3dArrowNE)) << "caption in menu mode";
    form.reset();
    Application->SetMainForm(nullptr);
}

} // namespace
