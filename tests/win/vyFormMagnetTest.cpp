// tests/win/vyFormMagnetTest.cpp
// The form magnet on real forms in the Wine desktop: real mouse drags by the title bar and
// by the client area snap to the work area's edge and come free again; glued forms travel
// with their leader; the vetoes, switching the magnet on and the stored form.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "FormReader.h"
#include "Forms.h"
#include "Pictures.h"
#include "StdCtrls.h"
#include "TitleBar.h"
#include "WinTest.h"
#include "XInput.h"
#include "vyFormMagnet.h"

namespace {

RECT WorkArea()
{
    RECT r{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

std::string XY(POINT p)
{
    return std::to_string(p.x) + " " + std::to_string(p.y);
}

// A real drag with the left button: pressed at from, moved through the path, released. The
// system's move loop runs inside the test's message pump until the button comes up, so the
// whole drag is one command; the pauses let the loop take every step.
bool XDrag(POINT from, const std::vector<POINT>& path)
{
    std::string cmd = "xdotool mousemove 0 0 mousemove --sync " + XY(from) + " sleep 0.2 mousedown 1";
    for (POINT p : path) cmd += " sleep 0.2 mousemove " + XY(p);
    cmd += " sleep 0.2 mouseup 1";
    return RunXCommand(cmd);
}

POINT Offset(POINT p, int dx, int dy)
{
    return POINT{p.x + dx, p.y + dy};
}

// What reached the form's own procedure while it was moved.
struct TMoveLog {
    int EnterSizeMove = 0, ExitSizeMove = 0;
    std::vector<int> MovingLefts;  // WM_MOVING's rectangle, as the magnet left it
    std::vector<int> Lefts;        // where the window went
    void Clear() { *this = TMoveLog{}; }
};

class FormMagnetTest : public TCatchingTest {
protected:
    void TearDown() override
    {
        for (TForm* f : Forms) f->Free();
        TCatchingTest::TearDown();
    }
    // A form owned by the application, where magnets look for each other, with a named
    // magnet, as a form designer leaves it.
    TvyFormMagnet* AddForm(int left, int top, TColor color = clBtnFace, TMoveLog* log = nullptr)
    {
        auto* f = new TForm(Application);
        Forms.push_back(f);
        f->SetBorderStyle(TFormBorderStyle::bsSingle);
        f->SetBounds(left, top, 200, 120);
        f->SetColor(color);
        f->SetCaption("Magnet " + std::to_string(Forms.size()));
        auto* m = new TvyFormMagnet(f);
        m->SetName("Magnet");
        if (log) {
            TWndMethod previous = f->WindowProc;
            f->WindowProc = [previous, log, f](TMessage& msg) {
                if (msg.Msg == WM_ENTERSIZEMOVE) ++log->EnterSizeMove;
                if (msg.Msg == WM_EXITSIZEMOVE) ++log->ExitSizeMove;
                if (msg.Msg == WM_MOVING) log->MovingLefts.push_back(reinterpret_cast<RECT*>(msg.LParam)->left);
                previous(msg);
                if (msg.Msg == WM_WINDOWPOSCHANGED) log->Lefts.push_back(f->Left());
            };
        }
        f->Show();
        return m;
    }
    TForm* FormOf(TvyFormMagnet* m) { return static_cast<TForm*>(m->Owner()); }
    std::vector<TForm*> Forms;
};

// The acceptance drags, by the title bar and by the client area: let go 10 pixels from the
// work area's left edge, the form lands on it; pulled 10 and then 40 pixels away in one
// drag, it stays on the edge first and comes free after.
TEST_F(FormMagnetTest, ARealDragSnapsToTheWorkAreaEdgeAndPullingFurtherFreesIt)
{
    const RECT area = WorkArea();
    TMoveLog log;
    TvyFormMagnet* m = AddForm(area.left + 300, area.top + 200, clBtnFace, &log);
    m->SetFormDragable(true);
    TForm* f = FormOf(m);
    const struct {
        const char* How;
        std::function<POINT()> Grip;  // where the drag takes hold, on screen
    } grips[] = {
        {"by the title bar",
         [&] {
             RECT w;
             GetWindowRect(f->Handle(), &w);
             return POINT{w.left + 60, w.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};
         }},
        {"by the client area", [&] { return f->ClientToScreen(POINT{120, 70}); }},
    };
    for (const auto& g : grips) {
        SCOPED_TRACE(g.How);
        f->SetBounds(area.left + 300, area.top + 200, 200, 120);
        log.Clear();
        POINT p = g.Grip();
        const int toTen = area.left + 10 - f->Left();
        ASSERT_TRUE(XDrag(p, {Offset(p, toTen / 2, 20), Offset(p, toTen, 40)}));
        EXPECT_TRUE(PumpUntil([&] { return log.ExitSizeMove == 1; })) << "the move ended";
        EXPECT_EQ(area.left, f->Left()) << "let go 10 pixels from the edge, it lands on it";
        EXPECT_EQ(area.top + 240, f->Top()) << "the other axis follows the cursor";
        EXPECT_EQ(1, log.EnterSizeMove);
        ASSERT_FALSE(log.MovingLefts.empty()) << "the move loop of the Wine desktop reports the moves";
        EXPECT_EQ(area.left, log.MovingLefts.back()) << "snapped while still dragged";
        for (int left : log.Lefts) EXPECT_NE(area.left + 10, left) << "never shown off the edge";

        log.Clear();
        p = g.Grip();
        ASSERT_TRUE(XDrag(p, {Offset(p, 10, 0), Offset(p, 40, 0)}));
        EXPECT_TRUE(PumpUntil([&] { return log.ExitSizeMove == 1; })) << "the second move ended";
        ASSERT_GE(log.MovingLefts.size(), 2u);
        EXPECT_NE(log.MovingLefts.end(), std::find(log.MovingLefts.begin(), log.MovingLefts.end(), area.left))
            << "10 pixels out it still holds to the edge";
        EXPECT_EQ(area.left + 40, f->Left()) << "40 pixels out it is free";
    }
}

// A form inside another one snaps to its parent's client edges: the system reports its moves
// in the parent's coordinates, the magnet places it in screen pixels.
TEST_F(FormMagnetTest, AFormInsideAnotherSnapsToItsParentsClientEdge)
{
    auto* host = new TForm(Application);
    Forms.push_back(host);
    host->SetBounds(100, 100, 700, 500);
    host->Show();
    TvyFormMagnet* m = AddForm(0, 0);
    m->SetFormDragable(true);
    TForm* f = FormOf(m);
    // Re-parented while hidden: the window is created anew inside the host.
    f->Hide();
    f->SetParent(host);
    f->SetBounds(100, 100, 200, 120);
    f->Show();
    PumpQueued();
    const POINT p = f->ClientToScreen(POINT{120, 70});
    ASSERT_TRUE(XDrag(p, {Offset(p, -45, 10), Offset(p, -90, 20)}));
    EXPECT_TRUE(PumpUntil([&] { return f->Left() == 0; })) << "10 pixels from the host's edge, now at " << f->Left();
    EXPECT_EQ(120, f->Top()) << "the other axis follows the cursor";
}

// Presses that drag the form by its client area, and presses that do not.
TEST_F(FormMagnetTest, OnlyBareBackgroundAndDisabledControlsDragTheForm)
{
    TvyFormMagnet* m = AddForm(300, 200);
    TForm* f = FormOf(m);
    auto label = [&](int top, bool enabled) {
        auto* l = new TLabel(f);
        l->SetParent(f);
        l->SetBounds(10, top, 120, 20);
        l->SetCaption(enabled ? "Enabled" : "Disabled");
        l->SetEnabled(enabled);
        return l;
    };
    label(10, true);
    label(40, false);
    const struct {
        const char* What;
        bool Dragable;
        POINT Client;
        bool Moves;
    } cases[] = {
        {"bare background, FormDragable off", false, {150, 80}, false},
        {"bare background", true, {150, 80}, true},
        {"an enabled label", true, {20, 15}, false},
        {"a disabled label", true, {20, 45}, true},
    };
    for (const auto& c : cases) {
        m->SetFormDragable(c.Dragable);
        f->SetBounds(300, 200, 200, 120);
        const POINT p = f->ClientToScreen(c.Client);
        ASSERT_TRUE(XDrag(p, {Offset(p, 15, 10), Offset(p, 30, 20)})) << c.What;
        const bool moved = PumpUntil([&] { return f->Left() == 330 && f->Top() == 220; }, c.Moves ? 3000 : QuietMs);
        EXPECT_EQ(c.Moves, moved) << c.What << ": now at " << f->Left() << ", " << f->Top();
    }
}

// The leader carries every form with an edge on the line of its opposite edge, near or far,
// unless OnGlue refuses; a refused form stays and still attracts.
TEST_F(FormMagnetTest, GluedFormsTravelWithTheirLeader)
{
    TvyFormMagnet* a = AddForm(300, 200, clBtnFace);
    TvyFormMagnet* b = AddForm(500, 200, clAqua);   // touching on the right
    TvyFormMagnet* c = AddForm(500, 480, clYellow); // on the same line, far below
    TvyFormMagnet* d = AddForm(300, 320, clRed);    // touching below, refused
    TvyFormMagnet* e = AddForm(700, 600, clLime);   // nowhere near
    a->SetGlue(true);
    a->SetFormDragable(true);
    std::vector<TCustomForm*> asked;
    a->OnGlue = [&](TObject* sender, TCustomForm* other, bool& allow) {
        EXPECT_EQ(a, sender);
        asked.push_back(other);
        allow = other != FormOf(d);
    };
    PumpQueued();
    const POINT p = FormOf(a)->ClientToScreen(POINT{100, 40});
    ASSERT_TRUE(XDrag(p, {Offset(p, 30, -40), Offset(p, 60, -80)}));
    EXPECT_TRUE(PumpUntil([&] { return FormOf(a)->Left() == 360; }));
    EXPECT_EQ((std::vector<TCustomForm*>{FormOf(b), FormOf(c), FormOf(d)}), asked) << "asked in the forms' order";
    const struct {
        const char* What;
        TvyFormMagnet* Magnet;
        POINT Expected;
    } where[] = {
        {"the leader", a, {360, 120}},
        {"the neighbour on the right", b, {560, 120}},
        {"the form on the same line", c, {560, 400}},
        {"the refused form", d, {300, 320}},
        {"the form nowhere near", e, {700, 600}},
    };
    for (const auto& w : where) {
        EXPECT_EQ(w.Expected.x, FormOf(w.Magnet)->Left()) << w.What;
        EXPECT_EQ(w.Expected.y, FormOf(w.Magnet)->Top()) << w.What;
    }
    EXPECT_EQ(0, a->GlueList().Count()) << "the list lasts one move";

    // On screen: the neighbour's colour right of the leader, the leader's own colour where
    // it went, and the refused form where it was.
    const RECT scene{280, 100, 780, 740};
    TBitmap shot;
    auto colourAt = [&](TvyFormMagnet* m) {
        const POINT s = FormOf(m)->ClientToScreen(POINT{100, 50});
        CaptureScreen(RECT{s.x, s.y, s.x + 1, s.y + 1}, shot);
        return PixelsOf(shot).at(0);
    };
    EXPECT_TRUE(PumpUntil([&] {
        return colourAt(b) == RGB(0, 255, 255) && colourAt(c) == RGB(255, 255, 0) && colourAt(d) == RGB(255, 0, 0) &&
               colourAt(a) == GetSysColor(COLOR_BTNFACE);
    })) << "every form is drawn where it now is";
    CaptureScreen(scene, shot);
    SavePngArtifact(shot, "vyFormMagnet-glued.png");
}

// One step of a move as the move loop reports it, with the cursor at cursor: the rectangle
// the magnet leaves for the system to apply.
RECT SentMove(TForm* f, POINT cursor)
{
    EXPECT_TRUE(MoveMouseTo(cursor));
    RECT r{};
    GetWindowRect(f->Handle(), &r);
    SendMessageA(f->Handle(), WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}

// Sent moves: another form attracts unless OnMagnet refuses; without moDockOnMoving the form
// moves freely and snaps when the move ends; switched on, the magnet snaps at once.
TEST_F(FormMagnetTest, SentMovesSnapAsTheVetoesAndOptionsSay)
{
    const RECT area = WorkArea();
    TvyFormMagnet* a = AddForm(area.left + 300, area.top + 300);
    AddForm(area.left + 510, area.top + 300); // a 10-pixel gap on the right
    TForm* f = FormOf(a);
    int steps = 0;
    a->OnDragMove = [&](TObject* sender) { steps += sender == a; };
    const POINT grip = f->ClientToScreen(POINT{50, 50});
    for (bool allow : {true, false}) {
        a->OnMagnet = [&, allow](TObject* sender, TCustomForm* other, bool& answer) {
            EXPECT_EQ(a, sender);
            EXPECT_EQ(Forms[1], other);
            answer = allow;
        };
        steps = 0;
        SentMove(f, grip);
        const RECT r = SentMove(f, Offset(grip, 3, 7)); // where the system proposes it is ignored
        EXPECT_EQ(area.left + (allow ? 310 : 303), r.left) << "allowed " << allow;
        EXPECT_EQ(area.top + 307, r.top) << "allowed " << allow;
        SendMessageA(f->Handle(), WM_EXITSIZEMOVE, 0, 0);
        EXPECT_EQ(2, steps) << "OnDragMove once a step";
    }

    // Glued to the other form's left edge, which the final snap carries along.
    a->SetOptions(a->Options() & ~MagnetOptionBit(TvyMagnetOption::moDockOnMoving));
    a->SetGlue(true);
    f->SetBounds(area.left + 310, area.top + 5, 200, 120);
    EXPECT_EQ(area.top + 5, SentMove(f, f->ClientToScreen(POINT{50, 50})).top) << "free while moving";
    SendMessageA(f->Handle(), WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(area.top, f->Top()) << "snapped when the move ends";
    EXPECT_EQ(area.top + 295, Forms[1]->Top()) << "the glued form comes along";
    EXPECT_EQ(0, a->GlueList().Count()) << "no list outlives its move";
    a->SetGlue(false);

    a->SetActive(false);
    f->SetBounds(area.left + 5, area.top + 100, 200, 120);
    SendMessageA(f->Handle(), WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(area.left + 5, f->Left()) << "inactive, nothing snaps";
    a->SetActive(true);
    EXPECT_EQ(area.left, f->Left()) << "switched on, it snaps at once";
}

TEST_F(FormMagnetTest, AStoredFormSetsItsPropertiesAndTheWindowOnceLoaded)
{
    TForm* f = FormOf(AddForm(300, 300));
    f->FindComponent("Magnet")->Free();
    TFormReader::ReadRoot(*f, "object F: TForm\n"
                              "  object Magnet: TvyFormMagnet\n"
                              "    FormDragable = True\n"
                              "    FormTopmost = True\n"
                              "    Options = [moDockOnMoving, moGlueChains]\n"
                              "    Power = 300\n"
                              "    ScreenMagnet.Area = saFullScreen\n"
                              "    ScreenMagnet.Edges = [seLeft, seTop]\n"
                              "  end\n"
                              "end\n");
    auto* m = dynamic_cast<TvyFormMagnet*>(f->FindComponent("Magnet"));
    ASSERT_NE(nullptr, m);
    EXPECT_TRUE(m->FormDragable());
    EXPECT_TRUE(GetWindowLongA(f->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) << "applied to the window after loading";
    EXPECT_EQ(9u, m->Options());
    EXPECT_EQ(255, m->Power()) << "a byte";
    EXPECT_EQ(TvyScreenArea::saFullScreen, m->ScreenMagnet()->Area());
    EXPECT_EQ(3u, m->ScreenMagnet()->Edges());
    EXPECT_EQ(16, m->ScreenMagnet()->ScreenPower());
    const std::string text = TFormWriter::Write(*f);
    EXPECT_NE(std::string::npos, text.find("ScreenMagnet.Edges = [seLeft, seTop]")) << text;
    EXPECT_EQ(std::string::npos, text.find("Active")) << "defaults are not stored: " << text;
}

} // namespace
