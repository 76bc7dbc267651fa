// tests/win/FormsTest.cpp
// Forms, the application window and the standard exception display, on real windows.
#include <gtest/gtest.h>

#include <stdexcept>

#include "FormReader.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "WinTest.h"

namespace {

std::vector<std::string> Events;

class TProbe : public TComponent {
public:
    TG_DECLARE_CLASS()
    explicit TProbe(TComponent* owner) : TComponent(owner) {}
    ~TProbe() override { Events.push_back("destroy " + Name()); }
};

const TClassInfo& TProbe::StaticClassInfo()
{
    static const TClassInfo info{"TProbe", &TComponent::StaticClassInfo(), &CreateComponentOf<TProbe>, {}, {}};
    return info;
}

// A form whose handling of one private message throws, as a faulty handler would.
constexpr UINT WM_THROW = WM_APP + 17;

class TThrowingForm : public TForm {
public:
    using TForm::TForm;
    int Handled = 0;

protected:
    void WndProc(TMessage& m) override
    {
        if (m.Msg == WM_THROW) {
            ++Handled;
            throw EInvalidOperation("handler failed on purpose");
        }
        TForm::WndProc(m);
    }
};

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Events.clear();
        TestPlatform().Boxes.clear();
    }
};

TEST_F(FormsTest, TheApplicationWindowOwnsEveryForm)
{
    ASSERT_NE(nullptr, Application->Handle());
    TForm form(Application);
    TForm other(nullptr);
    EXPECT_EQ(Application->Handle(), GetWindow(form.Handle(), GW_OWNER));
    EXPECT_EQ(Application->Handle(), GetWindow(other.Handle(), GW_OWNER)) << "whoever owns the object";
    RECT r;
    GetWindowRect(Application->Handle(), &r);
    EXPECT_EQ(0, r.right - r.left) << "the application window is never seen itself";
    char cls[64];
    GetClassNameA(Application->Handle(), cls, sizeof cls);
    EXPECT_STREQ("TApplication", cls);
}

// A form leaves the topmost band even when its hidden owner, the application window, is the
// first window below the band: the place where Wine would otherwise keep it on top.
TEST_F(FormsTest, AFormLeavesTheTopmostBandWhateverItsOwnersPlace)
{
    TForm form(Application);
    form.Show();
    const auto topmost = [&] { return (GetWindowLongA(form.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    for (const bool ownerFirstBelowTheBand : {false, true}) {
        SetWindowTopmost(form.Handle(), true);
        ASSERT_TRUE(topmost());
        if (ownerFirstBelowTheBand)
            SetWindowPos(Application->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SetWindowTopmost(form.Handle(), false);
        EXPECT_FALSE(topmost()) << (ownerFirstBelowTheBand ? "owner just below the band" : "owner anywhere");
    }
}

// A tick run by the move loop of a window dragged by its title bar: brings the pointer on,
// then, once the window followed, releases the button and handles the waiting messages as
// the sampling tick does. Should the release go unheard, it presses and releases once more
// without handling anything, so that the loop ends.
struct {
    HWND Window;
    RECT Start;
    int Stage;
    int TicksAfterRelease;
    int StageAtExit;
} DragRun;

void CALLBACK TickInMove(HWND, UINT, UINT_PTR, DWORD)
{
    RECT r;
    GetWindowRect(DragRun.Window, &r);
    if (DragRun.Stage == 0) {
        POINT p;
        GetCursorPos(&p);
        SetCursorPos(p.x + 30, p.y + 20);
        DragRun.Stage = 1;
    } else if (DragRun.Stage == 1 && r.left != DragRun.Start.left) {
        mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
        Application->ProcessMessages();
        DragRun.Stage = 2;
    } else if (DragRun.Stage == 2 && DragRun.StageAtExit == 0 && ++DragRun.TicksAfterRelease > 100) {
        mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
        mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
        DragRun.Stage = 3;
    }
}

class TMoveProbeForm : public TForm {
public:
    using TForm::TForm;

protected:
    void WndProc(TMessage& m) override
    {
        if (m.Msg == WM_EXITSIZEMOVE) DragRun.StageAtExit = DragRun.Stage;
        TForm::WndProc(m);
    }
};

// A tick that runs inside the system's move loop and handles the waiting messages leaves the
// button's release to the loop: the move ends there, and the window does not stay stuck to
// the pointer.
TEST_F(FormsTest, ATickInsideTheMoveLoopLeavesTheReleaseToTheLoop)
{
    TMoveProbeForm form(Application);
    form.SetBounds(200, 200, 300, 150);
    form.Show();
    SetForegroundWindow(form.Handle());
    RECT r;
    GetWindowRect(form.Handle(), &r);
    SetCursorPos(r.left + 60, r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2);
    ASSERT_TRUE(PumpUntil([&] {
        POINT p;
        GetCursorPos(&p);
        return SendMessageA(form.Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)) == HTCAPTION;
    })) << "the pointer rests on the title bar";
    DragRun = {form.Handle(), r, 0, 0, 0};
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, TickInMove);
    ASSERT_NE(0u, timer);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    const bool ended = PumpUntil([&] { return DragRun.StageAtExit != 0; });
    KillTimer(nullptr, timer);
    ASSERT_TRUE(ended) << "the move loop ended";
    EXPECT_EQ(2, DragRun.StageAtExit) << "on the first release, handled by the loop itself";
    RECT now;
    GetWindowRect(form.Handle(), &now);
    EXPECT_EQ(r.left + 30, now.left);
    EXPECT_EQ(r.top + 20, now.top);
    EXPECT_FALSE(InModalLoop());
}

TEST_F(FormsTest, AnExceptionInAWindowProcedureIsShownOnceAndDoesNotEscape)
{
    TThrowingForm form(nullptr);
    HWND h = form.Handle();
    LRESULT r = SendMessageA(h, WM_THROW, 0, 0);
    EXPECT_EQ(0, r);
    EXPECT_EQ(1, form.Handled);
    ASSERT_EQ(1u, TestPlatform().Boxes.size()) << "the standard exception display runs once";
    EXPECT_EQ("handler failed on purpose.", TestPlatform().Boxes[0].Text);
    EXPECT_EQ(Application->Title(), TestPlatform().Boxes[0].Caption);
    // The window goes on working.
    SetWindowTextA(h, "still alive");
    EXPECT_EQ("still alive", form.Caption());
    // A posted one comes through the message loop the same way.
    PostMessageA(h, WM_THROW, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return form.Handled == 2; }));
    EXPECT_EQ(2u, TestPlatform().Boxes.size());
}

TEST_F(FormsTest, OnExceptionReplacesTheStandardDisplay)
{
    TThrowingForm form(nullptr);
    std::vector<std::string> seen;
    Application->OnException = [&](TObject* sender, const std::exception& e) {
        seen.push_back(e.what());
        EXPECT_EQ(&form, sender);
    };
    SendMessageA(form.Handle(), WM_THROW, 0, 0);
    Application->OnException = nullptr;
    EXPECT_EQ(std::vector<std::string>{"handler failed on purpose"}, seen);
    EXPECT_TRUE(TestPlatform().Boxes.empty());
}

TEST_F(FormsTest, DestroyingAFormRunsOnDestroyThenFreesComponentsNewestFirst)
{
    auto* form = new TForm(nullptr);
    form->SetName("F");
    for (const char* n : {"P1", "P2", "P3"}) (new TProbe(form))->SetName(n);
    form->OnDestroy = [](TObject*) { Events.push_back("OnDestroy"); };
    form->AfterConstruction();
    form->HandleNeeded();
    HWND h = form->Handle();
    form->Free();
    EXPECT_EQ((std::vector<std::string>{"OnDestroy", "destroy P3", "destroy P2", "destroy P1"}), Events);
    EXPECT_FALSE(IsWindow(h)) << "the window goes with the form";
}

TEST_F(FormsTest, RecreatingTheWindowKeepsCaptionBoundsAndChildren)
{
    TForm form(nullptr);
    form.SetBorderStyle(TFormBorderStyle::bsSingle);
    form.SetBorderIcons(BorderIconBit(TBorderIcon::biSystemMenu));
    form.SetBounds(40, 50, 200, 150);
    form.SetClientSize(180, 90);
    form.SetCaption("Recreated");
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    label->SetCaption("child");
    HWND before = form.Handle();
    const int cw = form.ClientWidth(), ch = form.ClientHeight();
    form.SetBorderStyle(TFormBorderStyle::bsDialog);
    HWND after = form.Handle();
    EXPECT_NE(before, after);
    EXPECT_FALSE(IsWindow(before));
    char text[64];
    GetWindowTextA(after, text, sizeof text);
    EXPECT_STREQ("Recreated", text);
    EXPECT_EQ(40, form.Left());
    EXPECT_EQ(50, form.Top());
    EXPECT_EQ(cw, form.ClientWidth()) << "the client size survives the new border";
    EXPECT_EQ(ch, form.ClientHeight());
    EXPECT_EQ(1, form.ControlCount());
    EXPECT_EQ(WS_EX_DLGMODALFRAME, static_cast<DWORD>(GetWindowLongA(after, GWL_EXSTYLE)) & WS_EX_DLGMODALFRAME);
}

TEST_F(FormsTest, ClientSizeAndBorderFollowTheStoredSettings)
{
    TForm form(nullptr);
    TFormReader::ReadRoot(form, "object F: TForm\n"
                                "  Left = 228\n  Top = 205\n"
                                "  BorderIcons = [biSystemMenu]\n  BorderStyle = bsSingle\n"
                                "  ClientHeight = 108\n  ClientWidth = 241\n"
                                "  Caption = 'Pellory'#174' Tallyglass'\n"
                                "end\n");
    HWND h = form.Handle();
    RECT client, window;
    GetClientRect(h, &client);
    GetWindowRect(h, &window);
    EXPECT_EQ(241, client.right);
    EXPECT_EQ(108, client.bottom);
    EXPECT_EQ(228, window.left);
    EXPECT_EQ(205, window.top);
    LONG style = GetWindowLongA(h, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MINIMIZEBOX) << "no minimise box";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX) << "no maximise box";
    EXPECT_FALSE(style & WS_THICKFRAME) << "single border, not resizable";
    char text[64];
    GetWindowTextA(h, text, sizeof text);
    EXPECT_STREQ("Pellory\xAE Tallyglass", text);
    EXPECT_FALSE(IsWindowVisible(h)) << "a stored form without Visible stays hidden";
}

TEST_F(FormsTest, ClosingTheMainFormEndsTheApplication)
{
    auto* form = new TForm(Application);
    TCustomForm* previous = Application->MainForm();
    Application->SetMainForm(form);
    bool closed = false;
    form->OnClose = [&](TObject*, TCloseAction&) { closed = true; };
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(Application->Terminated());
    TakeBackQuit();
    form->Free();
    Application->SetMainForm(previous);
}

TEST(ThunkTest, AThunkFreedInsideItsOwnDispatchIsReleasedWhenTheOutermostDispatchReturns)
{
    // Slots are handed out newest-freed first, so a slot released too early would come
    // straight back from the next MakeObjectInstance.
    WNDPROC self = nullptr;
    std::vector<WNDPROC> madeInside;
    int depth = 0;
    self = MakeObjectInstance([&](TMessage& m) {
        ++depth;
        if (depth == 1) {
            self(nullptr, WM_NULL, 0, 0); // nested dispatch through the same thunk
            FreeObjectInstance(self);
            madeInside.push_back(MakeObjectInstance([](TMessage&) {}));
        }
        m.Result = 42 + depth;
    });
    EXPECT_EQ(44, self(nullptr, WM_NULL, 0, 0));
    ASSERT_EQ(1u, madeInside.size());
    EXPECT_NE(self, madeInside[0]) << "the running thunk's slot was handed out again";
    WNDPROC after = MakeObjectInstance([](TMessage&) {});
    EXPECT_EQ(self, after) << "released once the outermost dispatch returned";
    FreeObjectInstance(after);
    FreeObjectInstance(madeInside[0]);
}

TEST_F(FormsTest, ReleaseFreesTheFormAfterTheCurrentMessage)
{
    auto* form = new TForm(nullptr);
    (new TProbe(form))->SetName("Inside");
    form->Release();
    EXPECT_TRUE(Events.empty()) << "not freed inside the call";
    EXPECT_TRUE(PumpUntil([] { return !Events.empty(); }));
    EXPECT_EQ(std::vector<std::string>{"destroy Inside"}, Events);
}

// The control a restore gives the focus back to: the last one focused, until it goes.
TEST_F(FormsTest, TheFocusedControlIsTheScreensActiveControlUntilItGoes)
{
    TOwnedPtr<TForm> form(new TForm(nullptr));
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    form->Show();
    edit->SetFocus();
    EXPECT_EQ(edit, Screen->ActiveControl());
    edit->Free();
    EXPECT_EQ(nullptr, Screen->ActiveControl());
}

TEST_F(FormsTest, ScreenKnowsTheSystemCursorsAndOwnsAddedOnes)
{
    // The system's cursors are loaded on first use; each identifier still gets its own.
    const struct {
        TCursor Id;
        const char* System;
    } system[] = {{crArrow, IDC_ARROW},       {crDefault, IDC_ARROW},    {crCross, IDC_CROSS},
                  {crIBeam, IDC_IBEAM},       {crSizeNESW, IDC_SIZENESW}, {crSizeNS, IDC_SIZENS},
                  {crSizeNWSE, IDC_SIZENWSE}, {crSizeWE, IDC_SIZEWE},    {crUpArrow, IDC_UPARROW},
                  {crHourGlass, IDC_WAIT},    {crNo, IDC_NO},            {crAppStart, IDC_APPSTARTING},
                  {crSizeAll, IDC_SIZEALL},   {crDrag, IDC_ARROW},       {crNoDrop, IDC_NO},
                  {crHSplit, IDC_SIZEWE},     {crVSplit, IDC_SIZENS},    {crMultiDrag, IDC_ARROW},
                  {crSQLWait, IDC_WAIT},      {crHandPoint, MAKEINTRESOURCEA(32649)},
                  {crHelp, MAKEINTRESOURCEA(32651)}};
    for (const auto& c : system) {
        ASSERT_NE(nullptr, LoadCursorA(nullptr, c.System)) << c.Id;
        EXPECT_EQ(LoadCursorA(nullptr, c.System), Screen->Cursors(c.Id)) << c.Id;
    }
    EXPECT_EQ(nullptr, Screen->Cursors(crNone));
    EXPECT_EQ(Screen->Cursors(crDefault), Screen->Cursors(-999)) << "an unknown identifier falls back to the arrow";
    HCURSOR mine = CopyCursor(LoadCursorA(nullptr, IDC_CROSS));
    Screen->SetCursors(-900, mine, true);
    EXPECT_EQ(mine, Screen->Cursors(-900));
    EXPECT_EQ(-3, *CursorIdents().ToInt("crCross"));
}

} // namespace

namespace {

TEST(LabelTest, AutoSizeFitsTheTextAndTransparentLeavesTheBackground)
{
    TOwnedPtr<TForm> form(new TForm(nullptr));
    form->SetColor(clYellow);
    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetBounds(10, 10, 5, 5);
    label->SetCaption("System resources:");
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, label->Font()->Handle());
    SIZE ext;
    GetTextExtentPoint32A(dc, "System resources:", 17, &ext);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(ext.cx, label->Width()) << "auto-size fits the text";
    EXPECT_EQ(ext.cy, label->Height());
    label->SetCaption("");
    EXPECT_EQ(ext.cy, label->Height()) << "an empty label keeps one line's height";
    EXPECT_LT(label->Width(), ext.cx);

    // Painted onto a bitmap the way the form paints it: opaque fills, transparent does not.
    label->SetCaption("x");
    TBitmap target;
    target.SetWidth(40);
    target.SetHeight(30);
    target.Canvas()->Brush()->SetColor(clYellow);
    target.Canvas()->FillRect(RECT{0, 0, 40, 30});
    label->SetColor(clAqua);
    label->PaintTo(target.Canvas()->Handle());
    EXPECT_EQ(RGB(0, 255, 255), target.Canvas()->Pixel(label->Width() - 1, label->Height() - 1)) << "opaque label";
    target.Canvas()->FillRect(RECT{0, 0, 40, 30});
    label->SetTransparent(true);
    label->PaintTo(target.Canvas()->Handle());
    EXPECT_EQ(RGB(255, 255, 0), target.Canvas()->Pixel(label->Width() - 1, label->Height() - 1)) << "transparent label";
}

} // namespace
