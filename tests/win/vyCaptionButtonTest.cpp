// tests/win/vyCaptionButtonTest.cpp
// Title-bar buttons on a real form: layout from the system metrics, the press cycle,
// the system-menu entry, hints and re-creation.
#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Forms.h"
#include "Pictures.h"
#include "WinTest.h"
#include "vyCaptionButton.h"

#include <windowsx.h> // after the framework: its macros clash with member names

namespace {

std::vector<std::string> Events;

class TProbe : public TvyFormHookComponent {
public:
    using TvyFormHookComponent::TvyFormHookComponent;
    std::vector<UINT> Seen;
    void BeforeMessage(TMessage& m, bool&) override { Seen.push_back(m.Msg); }
};

class CaptionButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Events.clear();
        TestPlatform().Boxes.clear();
        form.reset(new TForm(nullptr));
        form->SetBorderStyle(TFormBorderStyle::bsSingle);
        form->SetBorderIcons(BorderIconBit(TBorderIcon::biSystemMenu));
        form->SetBounds(100, 100, 320, 120);
        form->SetCaption("Buttons");
        form->Show();
    }
    TvyCaptionButton* Add(const std::string& tag)
    {
        auto* b = new TvyCaptionButton(form.get());
        b->SetName(tag);
        b->OnButtonClick = [tag](TObject*) { Events.push_back(tag + " ButtonClick"); };
        b->OnMenuClick = [tag](TObject*) { Events.push_back(tag + " MenuClick"); };
        b->OnClick = [tag](TObject*) { Events.push_back(tag + " Click"); };
        b->OnPressed = [tag](TObject*) { Events.push_back(tag + " Pressed"); };
        b->OnReleased = [tag](TObject*) { Events.push_back(tag + " Released"); };
        return b;
    }
    // The screen point in the middle of the button, as the hit test reads it.
    LPARAM PointOn(TvyCaptionButton* b)
    {
        RECT r = b->ButtonRect();
        POINT p{(r.left + r.right) / 2 + 1, -GetSystemMetrics(SM_CYCAPTION) / 2};
        ClientToScreen(form->Handle(), &p);
        return MAKELPARAM(p.x, p.y);
    }
    // A full click as the system delivers it: hit test, button down, release.
    void ClickOn(TvyCaptionButton* b, bool doubleClick = false)
    {
        HWND h = form->Handle();
        LPARAM p = PointOn(b);
        ASSERT_EQ(static_cast<LRESULT>(b->Identifier()), SendMessageA(h, WM_NCHITTEST, 0, p)) << "hit test";
        SendMessageA(h, doubleClick ? WM_NCLBUTTONDBLCLK : WM_NCLBUTTONDOWN, b->Identifier(), p);
        SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 65535 - 5));
    }
    std::string MenuText(UINT id)
    {
        char buf[128] = {};
        GetMenuStringA(GetSystemMenu(form->Handle(), FALSE), id, buf, sizeof buf, MF_BYCOMMAND);
        return buf;
    }
    int MenuPos(UINT id)
    {
        HMENU m = GetSystemMenu(form->Handle(), FALSE);
        for (int i = 0; i < GetMenuItemCount(m); ++i)
            if (GetMenuItemID(m, i) == id) return i;
        return -1;
    }
    TOwnedPtr<TForm> form;
};

TEST_F(CaptionButtonTest, ButtonsStandRightToLeftByOrderBesideTheSystemButtons)
{
    TvyCaptionButton* b[4];
    for (int i = 0; i < 4; ++i) b[i] = Add("B" + std::to_string(i));
    // Created in reverse of the wanted order, then ordered.
    for (int i = 0; i < 4; ++i) b[i]->SetBtnOrder(3 - i);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(3 - i, b[i]->BtnOrder());
    for (auto* x : b) x->Repaint();
    const int w = GetSystemMetrics(SM_CXSIZE), bw = w, fx = GetSystemMetrics(SM_CXDLGFRAME);
    RECT wr;
    GetWindowRect(form->Handle(), &wr);
    const int W = (wr.right - wr.left) - bw; // the close box only
    for (int i = 0; i < 4; ++i) {
        const int order = 3 - i;
        const int offset = 2 + (order + 1) * (w - 2);
        EXPECT_EQ(offset, b[i]->Offset()) << "order " << order;
        EXPECT_EQ(W - offset - 2 * fx, b[i]->ButtonRect().left) << "order " << order;
        EXPECT_EQ(b[i]->ButtonRect().left + bw - 2, b[i]->ButtonRect().right) << "order " << order;
    }
    // On screen: each button's face where the layout put it, with its sign on it. The
    // classic face is checked here (the automatic style follows the theme of the system).
    for (auto* x : b) x->SetStyle(TvyCaptionButtonStyle::cbsWin9x);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const int t = GetSystemMetrics(SM_CYDLGFRAME) + 2;
    const int shotWidth = wr.right - wr.left;
    struct TFace {
        int Faces, Dark, Area;
    };
    // Each button's face: pixels of the face colour and dark ones (its sign and the frame's
    // shadow), painted at x = left + t, y = top, (bw - 2) x (bh - 4) pixels.
    auto faces = [&](const std::vector<COLORREF>& px) {
        std::vector<TFace> result;
        for (int i = 0; i < 4; ++i) {
            const RECT r = b[i]->ButtonRect();
            const int x0 = r.left + t, y0 = r.top, w2 = bw - 2, h2 = GetSystemMetrics(SM_CYSIZE) - 4;
            TFace f{0, 0, w2 * h2};
            for (int y = y0; y < y0 + h2; ++y)
                for (int x = x0; x < x0 + w2; ++x) {
                    COLORREF c = px[static_cast<size_t>(y) * shotWidth + x];
                    f.Faces += c == face;
                    f.Dark += GetRValue(c) + GetGValue(c) + GetBValue(c) < 150;
                }
            result.push_back(f);
        }
        return result;
    };
    auto looksRight = [](const TFace& f) { return f.Faces > f.Area / 3 && f.Dark > 3; };
    // The window's surface reaches the screen asynchronously: read it until every button
    // shows, or time is up.
    TBitmap shot;
    std::vector<TFace> seen;
    PumpUntil([&] {
        CaptureScreen(wr, shot);
        seen = faces(PixelsOf(shot));
        return std::all_of(seen.begin(), seen.end(), looksRight);
    });
    SaveArtifact(shot, "vyCaptionButtons");
    for (int i = 0; i < 4; ++i) {
        EXPECT_GT(seen[i].Faces, seen[i].Area / 3) << "button of order " << 3 - i << ": face colour at its place";
        EXPECT_GT(seen[i].Dark, 3) << "button of order " << 3 - i << ": the sign and the frame's shadow";
    }

    // Hiding order 1 closes the gap: orders 2 and 3 move right by one button.
    const int before2 = b[1]->Offset(), before3 = b[0]->Offset();
    b[2]->SetVisible(false);
    EXPECT_EQ(before2 - (w - 2), b[1]->Offset());
    EXPECT_EQ(before3 - (w - 2), b[0]->Offset());
    EXPECT_EQ(2 + (w - 2), b[3]->Offset()) << "order 0 stays next to the close box";
}

TEST_F(CaptionButtonTest, MinimiseOrMaximiseBoxesMoveTheButtonsLeftByTwoWidths)
{
    auto* b = Add("B");
    b->Repaint();
    const int plain = b->ButtonRect().left;
    RECT before;
    GetWindowRect(form->Handle(), &before);
    form->SetBorderIcons(BorderIconBit(TBorderIcon::biSystemMenu) | BorderIconBit(TBorderIcon::biMinimize));
    PumpQueued(); // the hooks re-attach to the new window
    RECT after;
    GetWindowRect(form->Handle(), &after);
    b->Repaint();
    const int widthChange = (after.right - after.left) - (before.right - before.left);
    EXPECT_EQ(plain + widthChange - 2 * GetSystemMetrics(SM_CXSIZE), b->ButtonRect().left);
}

TEST_F(CaptionButtonTest, AllowPressFlipsDownAndEventsComeInOrder)
{
    auto* b = Add("B");
    b->SetAllowPress(true);
    b->SystemMenu()->SetApplyToMenu(true);
    b->SetHint("Press me");
    ClickOn(b);
    EXPECT_TRUE(b->Down());
    EXPECT_EQ(static_cast<UINT>(MF_CHECKED), GetMenuState(GetSystemMenu(form->Handle(), FALSE), b->Identifier(), MF_BYCOMMAND) & MF_CHECKED);
    ClickOn(b);
    EXPECT_FALSE(b->Down());
    EXPECT_EQ(0u, GetMenuState(GetSystemMenu(form->Handle(), FALSE), b->Identifier(), MF_BYCOMMAND) & MF_CHECKED);
    const std::vector<std::string> expected = {"B Pressed", "B ButtonClick", "B Click", "B Released", "B ButtonClick", "B Click"};
    EXPECT_EQ(expected, Events);
    EXPECT_FALSE(b->Captured());
}

TEST_F(CaptionButtonTest, AButtonLeftOfThePrimaryMonitorIsHitAtANegativeScreenX)
{
    auto* b = Add("B");
    form->SetBounds(-300, 100, 320, 120);
    const LPARAM p = PointOn(b);
    ASSERT_LT(GET_X_LPARAM(p), 0) << "the button lies left of the screen's origin";
    EXPECT_EQ(static_cast<LRESULT>(b->Identifier()), SendMessageA(form->Handle(), WM_NCHITTEST, 0, p));
}

TEST_F(CaptionButtonTest, WithoutAllowPressDownStaysFalse)
{
    auto* b = Add("B");
    b->SetDown(true);
    EXPECT_FALSE(b->Down());
    ClickOn(b);
    EXPECT_FALSE(b->Down());
    EXPECT_EQ((std::vector<std::string>{"B ButtonClick", "B Click"}), Events);
    EXPECT_FALSE(b->DrawnPressed()) << "painted released after the click";
}

TEST_F(CaptionButtonTest, ReleasingElsewhereFiresNoClickButStillOpensThePopup)
{
    auto* b = Add("B");
    TPopupMenu menu(nullptr);
    menu.Items()->Add(new TMenuItem(&menu));
    menu.Items()->Items(0)->SetCaption("Item");
    int popups = 0;
    menu.OnPopup = [&](TObject*) {
        ++popups;
        // Close the menu from inside its own loop.
        SetTimer(nullptr, 0, 50, &CloseMenu);
    };
    b->SetPopupMenu(&menu);
    HWND h = form->Handle();
    LPARAM p = PointOn(b);
    SendMessageA(h, WM_NCHITTEST, 0, p);
    SendMessageA(h, WM_NCLBUTTONDOWN, b->Identifier(), p);
    EXPECT_TRUE(b->DrawnPressed());
    // Leaving the caption band downwards shows the released look.
    SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 40));
    EXPECT_FALSE(b->DrawnPressed());
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(10, 40));
    EXPECT_TRUE(Events.empty()) << "no click";
    EXPECT_EQ(1, popups) << "the menu opened all the same";
    b->SetPopupMenu(nullptr);
}

TEST_F(CaptionButtonTest, RightClicksAreSwallowedAndADoubleClickIsTwoPresses)
{
    auto* probe = new TProbe(form.get());
    auto* b = Add("B");
    LPARAM p = PointOn(b);
    SendMessageA(form->Handle(), WM_NCRBUTTONUP, b->Identifier(), p);
    SendMessageA(form->Handle(), WM_NCRBUTTONDOWN, b->Identifier(), p);
    for (UINT m : probe->Seen) EXPECT_TRUE(m != WM_NCRBUTTONUP && m != WM_NCRBUTTONDOWN) << "message " << m << " reached the window";
    SendMessageA(form->Handle(), WM_NCRBUTTONUP, HTCAPTION, p);
    EXPECT_NE(std::find(probe->Seen.begin(), probe->Seen.end(), static_cast<UINT>(WM_NCRBUTTONUP)), probe->Seen.end())
        << "a right click elsewhere goes on";
    b->SetAllowPress(true);
    ClickOn(b);
    ClickOn(b, true);
    EXPECT_FALSE(b->Down()) << "two presses: down, then up again";
    EXPECT_EQ((std::vector<std::string>{"B Pressed", "B ButtonClick", "B Click", "B Released", "B ButtonClick", "B Click"}), Events);
}

TEST_F(CaptionButtonTest, SystemMenuEntryPlacementCaptionAndClick)
{
    HMENU sys = GetSystemMenu(form->Handle(), FALSE);
    const int count = GetMenuItemCount(sys);
    ASSERT_GE(count, 7);
    auto* a = Add("A");
    a->SystemMenu()->SetSeparators(MenuSeparatorBit(TvyMenuSeparator::seBefore));
    a->SystemMenu()->SetPosition(7);
    a->SystemMenu()->SetCaption("Always on &top");
    a->SystemMenu()->SetApplyToMenu(true);
    EXPECT_EQ(7, MenuPos(a->Identifier() + 1000)) << "separator at 7";
    EXPECT_EQ(8, MenuPos(a->Identifier())) << "entry at 8";
    EXPECT_EQ("Always on &top", MenuText(a->Identifier()));

    auto* b = Add("B");
    b->SetHint("About");
    b->SystemMenu()->SetPosition(500);
    b->SystemMenu()->SetApplyToMenu(true);
    EXPECT_EQ(GetMenuItemCount(sys) - 1, MenuPos(b->Identifier())) << "beyond the count: appended";
    EXPECT_EQ("About", MenuText(b->Identifier())) << "an empty caption shows the hint";

    b->SetEnabled(false);
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), GetMenuState(sys, b->Identifier(), MF_BYCOMMAND) & MF_GRAYED);
    b->SetEnabled(true);
    SendMessageA(form->Handle(), WM_SYSCOMMAND, b->Identifier(), 0);
    EXPECT_EQ((std::vector<std::string>{"B MenuClick", "B Click"}), Events) << "never ButtonClick";

    // Changing a setting moves the entry; switching it off removes it.
    a->SystemMenu()->SetPosition(0);
    EXPECT_EQ(0, MenuPos(a->Identifier() + 1000));
    EXPECT_EQ(1, MenuPos(a->Identifier()));
    a->SystemMenu()->SetApplyToMenu(false);
    EXPECT_EQ(-1, MenuPos(a->Identifier()));
    EXPECT_EQ(-1, MenuPos(a->Identifier() + 1000));

    // An entry whose sub-menu is the button's drop-down menu is moved without destroying it.
    TPopupMenu drop(nullptr);
    drop.Items()->Add(new TMenuItem(&drop));
    b->SetPopupMenu(&drop);
    b->SystemMenu()->SetCaption("Moved");
    EXPECT_TRUE(IsMenu(drop.Handle())) << "the drop-down menu outlives its old entry";
    MENUITEMINFOA entry{};
    entry.cbSize = 44;
    entry.fMask = MIIM_SUBMENU;
    EXPECT_TRUE(GetMenuItemInfoA(sys, b->Identifier(), FALSE, &entry));
    EXPECT_EQ(drop.Handle(), entry.hSubMenu) << "and is the new entry's sub-menu";
    b->SetPopupMenu(nullptr);
    EXPECT_TRUE(IsMenu(drop.Handle()));
}

TEST_F(CaptionButtonTest, TheHintToolFollowsHintEnabledAndVisible)
{
    HWND tip = CaptionButtonToolTip();
    ASSERT_NE(nullptr, tip);
    auto* b = Add("B");
    static_cast<TComponent*>(b)->Loaded(); // registers the tool, as after reading a stored form
    b->SetHint("Minimize to System Tray");
    b->Repaint();
    auto tool = [&] {
        TOOLINFOA ti{};
        char text[128] = {};
        ti.cbSize = 40;
        ti.hwnd = form->Handle();
        // The newest tool of this window is ours: find it by walking the tools.
        const int n = static_cast<int>(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            TOOLINFOA t{};
            t.cbSize = 40;
            t.lpszText = text;
            SendMessageA(tip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&t));
            if (t.hwnd == form->Handle()) ti = t;
        }
        return std::make_pair(ti.rect, std::string(text));
    };
    auto [rect, text] = tool();
    EXPECT_EQ("Minimize to System Tray", text);
    EXPECT_EQ(b->ButtonRect().left + 1, rect.left);
    EXPECT_EQ(-GetSystemMetrics(SM_CYCAPTION), rect.top);
    EXPECT_EQ(0, rect.bottom);
    b->SetEnabled(false);
    EXPECT_EQ(0, tool().first.right) << "disabled: no tool area";
    b->SetEnabled(true);
    b->SetVisible(false);
    EXPECT_EQ(0, tool().first.right) << "hidden: no tool area";
}

TEST_F(CaptionButtonTest, ReCreatingTheWindowKeepsButtonsToolsAndMenuEntries)
{
    auto* b = Add("B");
    b->SetHint("About");
    b->SystemMenu()->SetApplyToMenu(true);
    static_cast<TComponent*>(b)->Loaded();
    HWND before = form->Handle();
    form->SetBorderStyle(TFormBorderStyle::bsSizeable);
    HWND after = form->Handle();
    ASSERT_NE(before, after);
    ASSERT_TRUE(PumpUntil([&] { return b->WindowHandle() == after; }));
    EXPECT_EQ(0, b->BtnOrder());
    EXPECT_NE(-1, MenuPos(b->Identifier())) << "the entry is in the new window's system menu";
    b->Repaint();
    ClickOn(b);
    EXPECT_EQ((std::vector<std::string>{"B ButtonClick", "B Click"}), Events) << "clickable on the new window";
}

// Real input, as a user's mouse makes it: the system hit-tests the title bar, captures,
// and delivers the clicks and double clicks itself.
TEST_F(CaptionButtonTest, RealMouseClicksOnTheTitleBar)
{
    auto* b = Add("B");
    b->SetAllowPress(true);
    b->SystemMenu()->SetApplyToMenu(true);
    SetForegroundWindow(form->Handle());
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == form->Handle(); })) << "the form in front";
    PumpQueued();
    auto centre = [&] {
        RECT wr;
        GetWindowRect(form->Handle(), &wr);
        RECT r = b->ButtonRect();
        const int t = GetSystemMetrics(SM_CYDLGFRAME) + 2;
        return POINT{wr.left + r.left + t + (GetSystemMetrics(SM_CXSIZE) - 2) / 2, wr.top + r.top + (GetSystemMetrics(SM_CYSIZE) - 4) / 2};
    };
    auto click = [&](DWORD down, DWORD up) {
        POINT p = centre();
        SetCursorPos(p.x, p.y);
        PumpQueued();
        mouse_event(down, 0, 0, 0, 0);
        PumpQueued();
        mouse_event(up, 0, 0, 0, 0);
        PumpQueued();
    };
    HMENU sys = GetSystemMenu(form->Handle(), FALSE);
    click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(PumpUntil([&] { return b->Down(); }, 2000)) << "a real click presses the button";
    EXPECT_EQ(static_cast<UINT>(MF_CHECKED), GetMenuState(sys, b->Identifier(), MF_BYCOMMAND) & MF_CHECKED);
    // Whether a click is a double click is a matter of time alone: outlast that time.
    const auto outlastDoubleClick = [] { PumpFor(GetDoubleClickTime() + 20); };
    outlastDoubleClick();
    click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(PumpUntil([&] { return !b->Down(); }, 2000));
    EXPECT_EQ(0u, GetMenuState(sys, b->Identifier(), MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ((std::vector<std::string>{"B Pressed", "B ButtonClick", "B Click", "B Released", "B ButtonClick", "B Click"}), Events);

    // Two quick clicks: the second arrives as a double click and still counts as a press.
    Events.clear();
    outlastDoubleClick();
    click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(PumpUntil([&] { return Events.size() >= 6; }, 2000));
    EXPECT_EQ((std::vector<std::string>{"B Pressed", "B ButtonClick", "B Click", "B Released", "B ButtonClick", "B Click"}), Events);

    // A right click on the button opens no menu.
    Events.clear();
    click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    PumpFor(QuietMs);
    EXPECT_EQ(nullptr, FindWindowA("#32768", nullptr)) << "a menu opened";
    EXPECT_TRUE(Events.empty());
}

TEST_F(CaptionButtonTest, IdentifiersCountUpFromTheProcessWideCounter)
{
    const UINT next = NextCaptionButtonIdentifier();
    EXPECT_GE(next, 5734u);
    auto* a = Add("A");
    auto* b = Add("B");
    EXPECT_EQ(next, a->Identifier());
    EXPECT_EQ(next + 1, b->Identifier());
}

} // namespace
