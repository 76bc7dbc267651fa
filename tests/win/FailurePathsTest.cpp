// tests/win/FailurePathsTest.cpp
// The framework under failure: what a failing paint, hint or resize takes from GDI it gives
// back, controls that go away in the middle of their own mouse handling, and a form read
// that fails half-way.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "Buttons.h"
#include "ExtCtrls.h"
#include "FormReader.h"
#include "Forms.h"
#include "GdiHandleTable.h"
#include "StdCtrls.h"
#include "WinTest.h"

namespace {

// A control whose painting fails the way it does when GDI runs out.
class TFailingPaint : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;

protected:
    void Paint() override
    {
        Canvas()->FillRect(ClientRect());
        throw EOutOfResources("painting failed on purpose");
    }
};

// Keeps this process's GDI handle table filled with brushes, so that objects made fail as
// they do on a machine out of GDI resources.
class TGdiExhausted {
public:
    TGdiExhausted() = default;
    // Fills the table up again, then gives back `spare` slots.
    void Level(int spare)
    {
        while (HBRUSH b = CreateSolidBrush(RGB(1, 2, 3))) FBrushes.push_back(b);
        for (int i = 0; i < spare && !FBrushes.empty(); ++i) {
            DeleteObject(FBrushes.back());
            FBrushes.pop_back();
        }
    }
    ~TGdiExhausted()
    {
        for (HBRUSH b : FBrushes) DeleteObject(b);
    }
    TGdiExhausted(const TGdiExhausted&) = delete;
    TGdiExhausted& operator=(const TGdiExhausted&) = delete;

private:
    std::vector<HBRUSH> FBrushes;
};

using FailurePathsTest = TCatchingTest;

// Each case fails 200 times; afterwards the process holds as many device contexts and GDI
// objects as before, and the context drawn on keeps the colours and mode it had.
TEST_F(FailurePathsTest, FailingDrawingGivesBackWhatItTook)
{
    constexpr int kRounds = 200;
    TOwnedPtr<TForm> form(new TForm(nullptr));
    form->SetBounds(100, 100, 200, 150);
    auto* painter = new TFailingPaint(form.get());
    painter->SetParent(form.get());
    painter->SetBounds(10, 10, 50, 30);
    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetCaption("System resources:");
    THintWindow hint(nullptr);
    TBitmap picture;
    picture.SetSize(16, 16);
    picture.SetTransparent(true);
    TBitmap target;
    target.SetSize(32, 32);
    const HDC probe = target.Canvas()->Handle();
    const COLORREF probeText = RGB(1, 2, 3), probeBack = RGB(4, 5, 6);
    SetTextColor(probe, probeText);
    SetBkColor(probe, probeBack);
    SetStretchBltMode(probe, HALFTONE);
    picture.Canvas()->Handle(); // its context made before GDI runs out

    struct TCase {
        const char* Name;
        int Spare;                     // GDI slots left free while it fails; -1: GDI not exhausted
        std::function<void()> Prepare; // before GDI runs out
        std::function<void()> Fail;    // must throw
    };
    const TCase cases[] = {
        {"failing paint", -1, [] {},
         [&] {
             RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
             if (Caught.empty()) return;
             Caught.clear();
             throw EOutOfResources("seen by the exception display");
         }},
        {"hint measured without a font", 0, [&] { hint.Font()->SetSize(hint.Font()->Size() == 8 ? 9 : 8); },
         [&] { hint.CalcHintRect(300, "GDI: 3%"); }},
        // Its measuring font loses its handle; the label's own font is put in it again.
        {"label resized without a font", 1, [&] { label->Canvas()->Font()->SetSize(20); },
         [&] { label->SetCaption(label->Caption() == "User:" ? "GDI:" : "User:"); }},
        {"transparent bitmap drawn without a mask", 0, [] {},
         [&] { target.Canvas()->Draw(0, 0, &picture); }},
    };
    form->Show();
    PumpQueued();
    Caught.clear();
    for (const TCase& c : cases) {
        // Once with GDI to spare before counting and again after: what is made on first use
        // (caches, a font's handle) is there both times.
        const auto once = [&c] {
            c.Prepare();
            try {
                c.Fail();
            } catch (const Exception&) {
            }
        };
        once();
        const TGdiCounts before = GdiCounts(GetCurrentProcess());
        int failed = 0;
        {
            TGdiExhausted low;
            for (int i = 0; i < kRounds; ++i) {
                c.Prepare();
                if (c.Spare >= 0) low.Level(c.Spare);
                try {
                    c.Fail();
                } catch (const Exception&) {
                    ++failed;
                }
            }
        }
        once();
        const TGdiCounts after = GdiCounts(GetCurrentProcess());
        EXPECT_EQ(kRounds, failed) << c.Name;
        EXPECT_EQ(before.DCs, after.DCs) << c.Name << ": device contexts";
        EXPECT_EQ(before.Objects, after.Objects) << c.Name << ": GDI objects";
        EXPECT_EQ(probeText, GetTextColor(probe)) << c.Name;
        EXPECT_EQ(probeBack, GetBkColor(probe)) << c.Name;
        EXPECT_EQ(HALFTONE, GetStretchBltMode(probe)) << c.Name;
    }
    ASSERT_GT(GdiCounts(GetCurrentProcess()).DCs, 0) << "the GDI handle table was read";
}

std::vector<std::string> Events;

// A speed button that tells when it hears the mouse go up and when it goes.
class TProbeButton : public TSpeedButton {
public:
    using TSpeedButton::TSpeedButton;
    ~TProbeButton() override { Events.push_back("destroyed " + Name()); }

protected:
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override
    {
        Events.push_back("up " + Name());
        TSpeedButton::MouseUp(button, shift, x, y);
    }
};

void Press(HWND wnd, UINT msg, int x, int y)
{
    SendMessageA(wnd, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
}

struct TMouseCase {
    const char* Name;
    std::function<void(TPanel&, TProbeButton&)> Act; // while the button holds the mouse
    bool ReleasedOverIt;                            // the release reaches the panel
    std::vector<std::string> Expected;
};

// A button on a panel gets the mouse pressed on it, then something takes it away while it
// holds the mouse. Nothing uses the button after it went, the system's capture never stays
// with a window whose button is gone, and a button that lost the capture does not hear a
// later press and release away from it.
TEST(MouseDispatchTest, AButtonThatGoesOrLosesTheMouseMidClickIsLeftAlone)
{
    const TMouseCase cases[] = {
        {"frees itself on click", [](TPanel&, TProbeButton& b) { b.OnClick = [&b](TObject*) { b.Free(); }; }, true,
         {"destroyed Button"}},
        {"frees its parent on click", [](TPanel& p, TProbeButton& b) { b.OnClick = [&p](TObject*) { p.Free(); }; },
         true, {"destroyed Button"}},
        {"freed while pressed", [](TPanel&, TProbeButton& b) { b.Free(); }, true, {"destroyed Button"}},
        {"taken off its parent while pressed", [](TPanel&, TProbeButton& b) { b.SetParent(nullptr); }, true, {}},
        // A message box takes the mouse and gives it back when it closes.
        {"loses the capture to a message box",
         [](TPanel& p, TProbeButton&) {
             SetCapture(GetParent(p.Handle()));
             ReleaseCapture();
         },
         false, {}},
    };
    for (const TMouseCase& c : cases) {
        TOwnedPtr<TForm> form(new TForm(nullptr));
        form->SetBounds(100, 100, 200, 150);
        auto* panel = new TPanel(form.get());
        panel->SetParent(form.get());
        panel->SetBounds(0, 0, 150, 100);
        auto* button = new TProbeButton(panel);
        button->SetName("Button");
        button->SetParent(panel);
        button->SetBounds(10, 10, 40, 30);
        form->Show();
        PumpQueued();
        const HWND panelWnd = panel->Handle();
        Events.clear();
        Press(panelWnd, WM_LBUTTONDOWN, 20, 20);
        ASSERT_EQ(panelWnd, GetCapture()) << c.Name << ": a pressed button holds the mouse";
        c.Act(*panel, *button);
        if (c.ReleasedOverIt && IsWindow(panelWnd)) Press(panelWnd, WM_LBUTTONUP, 20, 20);
        if (IsWindow(panelWnd)) {
            Press(panelWnd, WM_LBUTTONDOWN, 120, 80);
            Press(panelWnd, WM_LBUTTONUP, 120, 80);
        }
        EXPECT_EQ(c.Expected, Events) << c.Name;
        EXPECT_EQ(nullptr, GetCapture()) << c.Name;
        ReleaseCapture();
    }
}

// A stored form fails after a timer its root already had was read into: the timer is
// loaded and runs, as it did before the read.
TEST(FailedReadTest, AComponentReadIntoIsLoadedWhenTheReadFails)
{
    TComponent root(nullptr);
    auto* ticker = new TTimer(&root);
    ticker->SetName("Ticker");
    int ticks = 0;
    ticker->SetOnTimer([&](TObject*) { ++ticks; });
    EXPECT_THROW(TFormReader::ReadRoot(root, "object Root: TComponent\n  object Ticker: TTimer\n    Interval = 20\n  end\n"
                                             "  object Extra: TTimer\n    Colour = 1\n  end\nend\n"),
                 EReadError);
    EXPECT_EQ(nullptr, root.FindComponent("Extra")) << "what the read made is gone";
    EXPECT_FALSE(ticker->Loading());
    EXPECT_TRUE(ticker->Running());
    EXPECT_TRUE(PumpUntil([&] { return ticks > 0; })) << "the timer ticks";
}

} // namespace
