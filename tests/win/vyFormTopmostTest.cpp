// tests/win/vyFormTopmostTest.cpp
// The always-on-top button on a real form: real clicks on the title bar against another
// always-on-top window, on screen; changes made by other components; the stored form.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "FormReader.h"
#include "Forms.h"
#include "Pictures.h"
#include "TitleBar.h"
#include "WinTest.h"
#include "vyFormMagnet.h"
#include "vyFormTopmost.h"

namespace {

bool IsTopmost(HWND w)
{
    return (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

bool MenuChecked(HWND w, UINT id)
{
    return (GetMenuState(GetSystemMenu(w, FALSE), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// Whether a comes before b in the system's z-order of top-level windows.
bool Above(HWND a, HWND b)
{
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (h == a) return true;
        if (h == b) return false;
    }
    return false;
}

int MenuPos(HWND w, UINT id)
{
    HMENU m = GetSystemMenu(w, FALSE);
    for (int i = 0; i < GetMenuItemCount(m); ++i)
        if (GetMenuItemID(m, i) == id) return i;
    return -1;
}

// Counts the always-on-top notices reaching a window, ahead of every component's hook. Past
// a cap it swallows them, so that a loop of notices ends (well before Wine's own limit on
// nested messages) and shows in the count.
struct TNoticeCounter {
    static constexpr int Cap = 40;
    static inline int Count = 0;
    static inline WNDPROC Prev = nullptr;
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == VY_TOPMOST_CHANGED && ++Count > Cap) return 0;
        return CallWindowProcA(Prev, w, msg, wp, lp);
    }
};

class FormTopmostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.reset(new TForm(nullptr));
        form->SetBorderStyle(TFormBorderStyle::bsSingle);
        form->SetBorderIcons(BorderIconBit(TBorderIcon::biSystemMenu));
        form->SetBounds(100, 100, 320, 160);
        form->SetCaption("Topmost");
    }
    TvyFormTopmost* AddButton()
    {
        auto* b = new TvyFormTopmost(form.get());
        b->OnTopmostChanged = [this](TObject*, bool topmost) { Changes.push_back(topmost); };
        return b;
    }
    TOwnedPtr<TForm> form;
    std::vector<bool> Changes;
};

// The button pins the form above another always-on-top window and lets it drop behind it
// again: the real mouse on the real title bar, checked on the extended style, the menu
// check mark, the events and the screen where the other window overlaps the form.
// The form must be the foreground window before the other one appears: a click that
// activates it is not a click on the button, and a program later in a wineserver's life may
// not take the foreground by itself. So a real click on its client area activates it first,
// and the other window is shown without taking the activation (Wine's X11 driver raises an
// activated window on screen, even above an always-on-top one).
TEST_F(FormTopmostTest, RealClicksPutTheWindowAboveAnotherTopmostWindowAndBack)
{
    auto* b = AddButton();
    form->Show();
    RECT client;
    GetClientRect(form->Handle(), &client);
    MapWindowPoints(form->Handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    ASSERT_TRUE(MoveMouseTo(POINT{client.left + 20, client.top + 20}));
    HWND active = form->Handle();
    ASSERT_TRUE(MouseEvent(MOUSEEVENTF_LEFTDOWN, [&] { return GetForegroundWindow() == active; }))
        << "a real click activates the form";
    MouseEvent(MOUSEEVENTF_LEFTUP, [] { return false; }, QuietMs);

    TOwnedPtr<TForm> other(new TForm(nullptr));
    other->SetBorderStyle(TFormBorderStyle::bsNone);
    other->SetColor(clRed);
    other->SetFormStyle(TFormStyle::fsStayOnTop);
    other->SetBounds(260, 180, 240, 140);
    ASSERT_TRUE(IsTopmost(other->Handle()));
    SetWindowPos(other->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(form->Handle(), GetForegroundWindow()) << "the other window leaves the form active";
    EXPECT_TRUE(Above(other->Handle(), form->Handle()));

    // The overlap of the two windows, in the form's client area.
    RECT overlap{270, 190, 400, 240};
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF red = RGB(255, 0, 0);
    TBitmap shot;
    auto share = [&](COLORREF c) {
        CaptureScreen(overlap, shot);
        const auto px = PixelsOf(shot);
        size_t n = 0;
        for (COLORREF p : px) n += p == c;
        return static_cast<double>(n) / static_cast<double>(px.size());
    };
    auto saveScene = [&](const std::string& name) {
        TBitmap scene;
        CaptureScreen(RECT{80, 80, 520, 340}, scene);
        SaveArtifact(scene, name);
    };
    EXPECT_TRUE(PumpUntil([&] { return share(red) > 0.95; })) << "the other window covers the form at first";
    saveScene("vyFormTopmost-0-below");

    ASSERT_TRUE(ClickCaptionButton(*b)) << "first click";
    EXPECT_TRUE(b->Down());
    EXPECT_TRUE(IsTopmost(form->Handle()));
    EXPECT_TRUE(b->Topmost());
    EXPECT_TRUE(MenuChecked(form->Handle(), b->Identifier()));
    EXPECT_TRUE(Above(form->Handle(), other->Handle()));
    EXPECT_TRUE(PumpUntil([&] { return share(face) > 0.95; })) << "the pinned form is drawn above the other window";
    saveScene("vyFormTopmost-1-pinned");

    PumpFor(GetDoubleClickTime() + 50); // not a double click
    ASSERT_TRUE(ClickCaptionButton(*b)) << "second click";
    EXPECT_FALSE(b->Down());
    EXPECT_FALSE(IsTopmost(form->Handle()));
    EXPECT_FALSE(MenuChecked(form->Handle(), b->Identifier()));
    EXPECT_TRUE(Above(other->Handle(), form->Handle())) << "the system puts the form behind the other window";
    // Wine's X11 driver only ever raises windows on screen, never lowers one, so the screen
    // follows a window dropping behind another only once that other is shown again. Shown
    // without a change of z-order or activation, it takes the place the system gives it.
    ShowWindow(other->Handle(), SW_HIDE);
    SetWindowPos(other->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_TRUE(PumpUntil([&] { return share(red) > 0.95; })) << "unpinned, the form drops behind the other window";
    saveScene("vyFormTopmost-2-unpinned");

    EXPECT_EQ((std::vector<bool>{true, false}), Changes);
}

TEST_F(FormTopmostTest, ChangesFromAnywhereReachEveryButtonOnceAndRepeatsFireNothing)
{
    const int items = GetMenuItemCount(GetSystemMenu(form->Handle(), FALSE));
    auto* b = AddButton();
    EXPECT_EQ(items, MenuPos(form->Handle(), b->Identifier() + 1000)) << "the separator, at the end";
    EXPECT_EQ(items + 1, MenuPos(form->Handle(), b->Identifier())) << "then the entry";
    EXPECT_EQ("Always on top", b->Hint());
    std::vector<bool> second;
    auto* c = new TvyFormTopmost(form.get());
    c->OnTopmostChanged = [&](TObject*, bool topmost) { second.push_back(topmost); };
    auto* plain = new TvyFormHookComponent(form.get());
    HWND w = form->Handle();
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };

    const struct {
        const char* How;
        std::function<void()> Do;
        bool Expected;
        bool Fires;
    } steps[] = {
        {"the hook base of another component", [&] { plain->SetTopmost(true); }, true, true},
        {"the same value again", [&] { plain->SetTopmost(true); }, true, false},
        {"the button's own property, unchanged", [&] { b->SetTopmost(true); }, true, false},
        {"the other button's system-menu entry", [&] { SendMessageA(w, WM_SYSCOMMAND, c->Identifier(), 0); }, false, true},
        {"this button's system-menu entry", [&] { SendMessageA(w, WM_SYSCOMMAND, b->Identifier(), 0); }, true, true},
        {"the button's own property", [&] { b->SetTopmost(false); }, false, true},
    };
    std::vector<bool> expected;
    for (const auto& s : steps) {
        s.Do();
        if (s.Fires) expected.push_back(s.Expected);
        EXPECT_EQ(s.Expected, IsTopmost(w)) << s.How;
        EXPECT_EQ(s.Expected, b->Down()) << s.How;
        EXPECT_EQ(s.Expected, c->Down()) << s.How;
        EXPECT_EQ(s.Expected, MenuChecked(w, b->Identifier())) << s.How;
        EXPECT_EQ(s.Expected, MenuChecked(w, c->Identifier())) << s.How;
        EXPECT_EQ(expected, Changes) << "after " << s.How;
        EXPECT_EQ(expected, second) << "the other button, after " << s.How;
    }
    EXPECT_EQ(1, clicks) << "only the entry of this button clicks it";
}

// A form owned by a visible always-on-top form stays in the band whatever it is told: each
// component settles on that, nobody is told of a change that did not happen, and the
// components do not answer one another without end.
TEST_F(FormTopmostTest, AWindowThatRefusesTheChangeHearsNoNewsAndDoesNotLoop)
{
    TOwnedPtr<TForm> owner(new TForm(nullptr));
    owner->SetFormStyle(TFormStyle::fsStayOnTop);
    owner->SetBounds(60, 60, 200, 120);
    owner->Show();
    ASSERT_TRUE(IsTopmost(owner->Handle()));
    for (const bool withButton : {false, true}) {
        const char* what = withButton ? "a magnet and a button" : "a magnet alone";
        Changes.clear();
        auto* magnet = new TvyFormMagnet(form.get());
        TvyFormTopmost* b = withButton ? AddButton() : nullptr;
        HWND w = form->Handle();
        form->Show();
        TNoticeCounter::Prev = reinterpret_cast<WNDPROC>(
            SetWindowLongA(w, GWL_WNDPROC, reinterpret_cast<LONG>(&TNoticeCounter::Proc)));
        auto notices = [] { return std::exchange(TNoticeCounter::Count, 0); };

        magnet->SetFormTopmost(true);
        EXPECT_TRUE(IsTopmost(w)) << what;
        EXPECT_EQ(1, notices()) << what << ": one notice of the real change";
        SetWindowLongA(w, GWL_HWNDPARENT, reinterpret_cast<LONG>(owner->Handle()));
        magnet->SetFormTopmost(false);
        EXPECT_TRUE(IsTopmost(w)) << what << ": the owner keeps it in the band";
        EXPECT_EQ(0, notices()) << what << ": refused, so no news";
        magnet->RestoreState();
        EXPECT_EQ(0, notices()) << what << ": the stored state is the window's";
        if (b) {
            SendMessageA(w, WM_SYSCOMMAND, b->Identifier(), 0);
            EXPECT_EQ(0, notices()) << what << ": the button's entry, refused";
            EXPECT_TRUE(b->Down()) << what << ": the button shows what holds";
            EXPECT_TRUE(MenuChecked(w, b->Identifier())) << what;
        }
        EXPECT_EQ(withButton ? std::vector<bool>{true} : std::vector<bool>{}, Changes) << what;
        SetWindowLongA(w, GWL_WNDPROC, reinterpret_cast<LONG>(TNoticeCounter::Prev));
        form.reset(new TForm(nullptr));
    }
}

TEST_F(FormTopmostTest, AStoredFormPlacesTheEntryAndLoadingMirrorsTheWindow)
{
    const int items = GetMenuItemCount(GetSystemMenu(form->Handle(), FALSE));
    ASSERT_GE(items, 7) << "the system menu of a bordered window";
    TFormReader::ReadRoot(*form, "object F: TForm\n"
                                 "  object Pin: TvyFormTopmost\n"
                                 "    SystemMenu.Position = 7\n"
                                 "    SystemMenu.Separators = [seBefore]\n"
                                 "    Topmost = True\n"
                                 "  end\n"
                                 "  object Mirror: TvyFormTopmost\n"
                                 "    SystemMenu.ApplyToMenu = False\n"
                                 "  end\n"
                                 "end\n");
    auto* pin = dynamic_cast<TvyFormTopmost*>(form->FindComponent("Pin"));
    auto* mirror = dynamic_cast<TvyFormTopmost*>(form->FindComponent("Mirror"));
    ASSERT_NE(nullptr, pin);
    ASSERT_NE(nullptr, mirror);
    EXPECT_EQ(7, MenuPos(form->Handle(), pin->Identifier() + 1000)) << "separator at 7";
    EXPECT_EQ(8, MenuPos(form->Handle(), pin->Identifier())) << "entry at 8";
    EXPECT_EQ(-1, MenuPos(form->Handle(), mirror->Identifier()));
    EXPECT_TRUE(IsTopmost(form->Handle())) << "the stored state is applied once loading ends";
    EXPECT_TRUE(pin->Down());
    EXPECT_TRUE(mirror->Down()) << "every button shows the window's state after loading";
    EXPECT_TRUE(MenuChecked(form->Handle(), pin->Identifier()));
    for (TBitmap* glyph : {pin->Glyph(), pin->GlyphDown()}) {
        EXPECT_EQ(12, glyph->Width());
        EXPECT_EQ(11, glyph->Height());
    }
    EXPECT_NE(PixelsOf(*pin->Glyph()), PixelsOf(*pin->GlyphDown())) << "a glyph for each state";

    // Written back, the state is stored because it differs from the default.
    const std::string text = TFormWriter::Write(*form);
    EXPECT_NE(std::string::npos, text.find("Topmost = True")) << text;
}

} // namespace
