// tests/win/vyAppAutoRunTest.cpp
// The auto-run entry and the log-on notice in the test prefix's real registry, read back
// with the bare registry calls; the button under real mouse input; the "/autorun" argument
// of a real second run of this program.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "Forms.h"
#include "Pictures.h"
#include "TestRegistry.h"
#include "TitleBar.h"
#include "WinTest.h"
#include "vyAppAutoRun.h"

namespace {

constexpr const char* Title = "Tallyglass AutoRun Test";
const std::string RunBase = "Software\\Microsoft\\Windows\\CurrentVersion\\";

// The six keys in probe order: (RunFor, RunOnce), root, path.
struct TRow {
    TvyAutoRunFor RunFor;
    bool RunOnce;
    HKEY Root;
    std::string Path;
};
const std::array<TRow, 6> Rows = {{
    {TvyAutoRunFor::rfCurrentUser, true, HKEY_CURRENT_USER, RunBase + "RunOnce"},
    {TvyAutoRunFor::rfCurrentUser, false, HKEY_CURRENT_USER, RunBase + "Run"},
    {TvyAutoRunFor::rfLocalMachine, true, HKEY_LOCAL_MACHINE, RunBase + "RunOnce"},
    {TvyAutoRunFor::rfLocalMachine, false, HKEY_LOCAL_MACHINE, RunBase + "Run"},
    {TvyAutoRunFor::rfService, true, HKEY_LOCAL_MACHINE, RunBase + "RunServicesOnce"},
    {TvyAutoRunFor::rfService, false, HKEY_LOCAL_MACHINE, RunBase + "RunServices"},
}};
constexpr int CU_ONCE = 0, CU = 1, LM_ONCE = 2, LM = 3, SVC_ONCE = 4, SVC = 5, NONE = -1;

std::string Expected()
{
    return "\"" + SelfPath() + "\" /autorun";
}

class AppAutoRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OldTitle = Application->Title();
        Application->SetTitle(Title);
        for (size_t i = 0; i < Rows.size(); ++i) {
            Existed[i] = KeyPresent(Rows[i].Root, Rows[i].Path);
            if (!Existed[i]) CreateKey(Rows[i].Root, Rows[i].Path);
        }
        Clean();
        form.reset(new TForm(nullptr));
        form->SetBorderStyle(TFormBorderStyle::bsSingle);
        form->SetBorderIcons(BorderIconBit(TBorderIcon::biSystemMenu));
        form->SetBounds(120, 120, 320, 120);
        form->SetCaption("Auto-run");
    }
    void TearDown() override
    {
        form.reset();
        Clean();
        for (size_t i = 0; i < Rows.size(); ++i)
            if (!Existed[i]) DeleteTree(Rows[i].Root, Rows[i].Path);
        Application->SetTitle(OldTitle);
    }
    // Removes the test's entry (under either name) from all six keys.
    void Clean()
    {
        for (const TRow& r : Rows)
            for (const std::string& name : {std::string(Title), SelfPath()}) DeleteRawValue(r.Root, r.Path, name);
    }
    // The rows whose key holds a value of that name, and what each holds.
    std::vector<std::pair<int, std::string>> Holders(const std::string& name = Title)
    {
        std::vector<std::pair<int, std::string>> out;
        for (size_t i = 0; i < Rows.size(); ++i)
            if (std::optional<std::string> v = RawText(Rows[i].Root, Rows[i].Path, name))
                out.emplace_back(static_cast<int>(i), *v);
        return out;
    }
    std::vector<std::pair<int, std::string>> Only(int row)
    {
        if (row == NONE) return {};
        return {{row, Expected()}};
    }
    TvyAppAutoRun* LoadedAutoRun()
    {
        auto* a = new TvyAppAutoRun(form.get());
        static_cast<TComponent*>(a)->Loaded();
        return a;
    }
    std::string OldTitle;
    std::array<bool, 6> Existed{};
    TOwnedPtr<TForm> form;
};

TEST_F(AppAutoRunTest, TheEntryIsNamedByTheTitleOrElseByThePath)
{
    {
        auto* a = new TvyAppAutoRun(form.get());
        EXPECT_FALSE(a->Visible()) << "the button starts hidden";
        EXPECT_EQ("Auto-run at StartUp", a->Hint());
        EXPECT_EQ(GetMenuItemCount(GetSystemMenu(form->Handle(), FALSE)), a->SystemMenu()->Position()) << "at the end";
        ASSERT_NE(nullptr, AutoRunGlyph(false));
        EXPECT_NE(AutoRunGlyph(false), a->Glyph()) << "a copy, never the shared bitmap";
        EXPECT_TRUE(AutoRunGlyph(true)->Monochrome());
        EXPECT_TRUE(Holders().empty()) << "construction touches no registry";
        a->Free();
    }
    for (const std::string& title : {std::string(Title), std::string()}) {
        Application->SetTitle(title);
        const std::string name = title.empty() ? SelfPath() : title;
        EXPECT_EQ(name, TvyAppAutoRun::EntryName());
        auto* a = LoadedAutoRun();
        a->SetAutoRun(true);
        EXPECT_EQ(Only(CU), Holders(name)) << "title [" << title << "]";
        a->SetAutoRun(false);
        EXPECT_TRUE(Holders(name).empty()) << "title [" << title << "]";
        a->Free();
    }
    EXPECT_EQ(Expected(), TvyAppAutoRun::EntryData()) << "the quoted path, a blank, the switch";
}

// Loading probes the six keys in order, takes the first exact match, and rewrites: the entry
// ends up in at most the key where it was found; stale entries go.
TEST_F(AppAutoRunTest, LoadingFindsTheFirstMatchAndLeavesOnlyIt)
{
    const std::string stale = "\"C:\\Elsewhere\\Tallyglass.exe\" /autorun";
    std::string shouted = Expected();
    shouted.replace(shouted.size() - 8, 8, "/AUTORUN");
    const struct {
        const char* Case;
        std::vector<std::pair<int, std::string>> Before;
        bool AutoRun;
        int Found;
    } cases[] = {
        {"nothing stored", {}, false, NONE},
        {"a stale entry in RunServices", {{SVC, stale}}, false, NONE},
        {"the data in other letters", {{CU, shouted}}, false, NONE},
        {"both current user and local machine Run", {{CU, Expected()}, {LM, Expected()}}, true, CU},
        {"stale first, then a match", {{CU_ONCE, stale}, {LM, Expected()}}, true, LM},
        {"only in RunServicesOnce", {{SVC_ONCE, Expected()}}, true, SVC_ONCE},
        {"in the current user's RunOnce and RunServices", {{SVC, Expected()}, {CU_ONCE, Expected()}}, true, CU_ONCE},
    };
    for (const auto& c : cases) {
        auto* a = new TvyAppAutoRun(form.get());
        a->SetAutoRun(!c.AutoRun); // the stored value is provisional
        Clean();
        for (const auto& [row, data] : c.Before) SetText(Rows[row].Root, Rows[row].Path, Title, data);
        static_cast<TComponent*>(a)->Loaded();
        EXPECT_EQ(c.AutoRun, a->AutoRun()) << c.Case;
        if (c.Found != NONE) {
            EXPECT_EQ(Rows[c.Found].RunFor, a->RunFor()) << c.Case;
            EXPECT_EQ(Rows[c.Found].RunOnce, a->RunOnce()) << c.Case;
        }
        EXPECT_EQ(Only(c.Found), Holders()) << c.Case;
        EXPECT_EQ(PixelsOf(*AutoRunGlyph(c.AutoRun)), PixelsOf(*a->Glyph())) << c.Case << ": the glyph shows the state";
        a->Free();
        EXPECT_EQ(Only(c.Found), Holders()) << c.Case << ": destruction leaves the registry alone";
        Clean();
    }
}

TEST_F(AppAutoRunTest, TheSettersMoveTheEntryBetweenKeys)
{
    auto* a = LoadedAutoRun();
    a->SystemMenu()->SetApplyToMenu(true);
    SetText(HKEY_CURRENT_USER, RunBase + "Run", "Other program", "C:\\other.exe");
    const struct {
        const char* Step;
        std::function<void()> Do;
        int Holder;
        bool AutoRun;
    } steps[] = {
        {"AutoRun on", [&] { a->SetAutoRun(true); }, CU, true},
        {"RunFor service", [&] { a->SetRunFor(TvyAutoRunFor::rfService); }, SVC, true},
        {"RunOnce on", [&] { a->SetRunOnce(true); }, SVC_ONCE, true},
        {"RunFor local machine", [&] { a->SetRunFor(TvyAutoRunFor::rfLocalMachine); }, LM_ONCE, true},
        {"the same RunFor again", [&] { a->SetRunFor(TvyAutoRunFor::rfLocalMachine); }, LM_ONCE, true},
        {"AutoRun off", [&] { a->SetAutoRun(false); }, NONE, false},
        {"RunFor current user while off", [&] { a->SetRunFor(TvyAutoRunFor::rfCurrentUser); }, NONE, false},
        {"AutoRun on, now for the current user's RunOnce", [&] { a->SetAutoRun(true); }, CU_ONCE, true},
    };
    for (const auto& s : steps) {
        s.Do();
        EXPECT_EQ(Only(s.Holder), Holders()) << s.Step;
        EXPECT_EQ(s.AutoRun, a->AutoRun()) << s.Step;
        const UINT state = GetMenuState(GetSystemMenu(form->Handle(), FALSE), a->Identifier(), MF_BYCOMMAND);
        EXPECT_EQ(s.AutoRun, (state & MF_CHECKED) != 0) << s.Step << ": the menu check mark";
        EXPECT_EQ(PixelsOf(*AutoRunGlyph(s.AutoRun)), PixelsOf(*a->Glyph())) << s.Step << ": the glyph";
    }
    EXPECT_EQ(std::optional<std::string>("C:\\other.exe"), RawText(HKEY_CURRENT_USER, RunBase + "Run", "Other program"))
        << "other programs' entries stay";
    DeleteRawValue(HKEY_CURRENT_USER, RunBase + "Run", "Other program");

    // A key that is missing is never created; the state still shows on until the next start.
    DeleteTree(HKEY_CURRENT_USER, Rows[CU_ONCE].Path);
    a->SetAutoRun(true);
    EXPECT_TRUE(a->AutoRun());
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, Rows[CU_ONCE].Path)) << "the key was created";
    EXPECT_TRUE(Holders().empty());
}

// Real clicks on the real title bar; then the system-menu entry; the check mark survives the
// window being re-created.
TEST_F(AppAutoRunTest, TwoClicksRestoreTheFirstStateAndReportTrueThenFalse)
{
    SetText(HKEY_LOCAL_MACHINE, Rows[LM].Path, Title, Expected());
    auto* a = LoadedAutoRun();
    ASSERT_TRUE(a->AutoRun());
    const auto first = Holders();
    a->SetVisible(true);
    a->SystemMenu()->SetApplyToMenu(true);
    std::vector<std::string> events;
    a->OnClick = [&](TObject*) { events.push_back("Click"); };
    a->OnButtonClick = [&](TObject*, bool on) { events.push_back(on ? "ButtonClick on" : "ButtonClick off"); };
    form->Show();
    SetForegroundWindow(form->Handle());
    ASSERT_TRUE(PumpUntil([&] { return a->ButtonRect().right > 0; })) << "the button is painted";
    // The button as the screen shows it, in the classic look: the on glyph in the button text
    // colour, the off glyph in grey.
    a->SetStyle(TvyCaptionButtonStyle::cbsWin9x);
    auto inked = [&](COLORREF ink) {
        const POINT c = CaptionButtonCentre(*a);
        TBitmap shot;
        CaptureScreen(RECT{c.x - 5, c.y - 5, c.x + 5, c.y + 5}, shot);
        const auto px = PixelsOf(shot);
        return std::count(px.begin(), px.end(), ink);
    };
    const COLORREF text = GetSysColor(COLOR_BTNTEXT), grey = RGB(128, 128, 128);
    auto saveTitle = [&](const char* name) {
        RECT wr;
        GetWindowRect(form->Handle(), &wr);
        TBitmap title;
        CaptureScreen(RECT{wr.left, wr.top, wr.right, wr.top + GetSystemMetrics(SM_CYCAPTION) + 8}, title);
        SaveArtifact(title, name);
    };
    EXPECT_TRUE(PumpUntil([&] { return inked(text) >= 8 && inked(grey) == 0; })) << "the on glyph";
    saveTitle("vyAppAutoRun-on");

    ASSERT_TRUE(ClickCaptionButton(*a));
    EXPECT_FALSE(a->AutoRun());
    EXPECT_TRUE(Holders().empty());
    EXPECT_TRUE(PumpUntil([&] { return inked(grey) >= 8 && inked(text) == 0; })) << "the off glyph";
    saveTitle("vyAppAutoRun-off");
    PumpFor(GetDoubleClickTime() + 50); // not a double click
    ASSERT_TRUE(ClickCaptionButton(*a));
    EXPECT_TRUE(a->AutoRun());
    EXPECT_EQ(first, Holders()) << "back where it was found";
    EXPECT_EQ((std::vector<std::string>{"Click", "ButtonClick off", "Click", "ButtonClick on"}), events);

    HMENU sys = GetSystemMenu(form->Handle(), FALSE);
    EXPECT_EQ(static_cast<UINT>(MF_CHECKED), GetMenuState(sys, a->Identifier(), MF_BYCOMMAND) & MF_CHECKED);
    // The window is re-created: the entry comes back with the check mark of AutoRun.
    form->SetBorderStyle(TFormBorderStyle::bsSizeable);
    HWND after = form->Handle();
    ASSERT_TRUE(PumpUntil([&] { return a->WindowHandle() == after && a->SystemMenu()->Inserted(); }));
    sys = GetSystemMenu(after, FALSE);
    EXPECT_EQ(static_cast<UINT>(MF_CHECKED), GetMenuState(sys, a->Identifier(), MF_BYCOMMAND) & MF_CHECKED)
        << "the re-inserted entry shows AutoRun";

    events.clear();
    SendMessageA(after, WM_SYSCOMMAND, a->Identifier(), 0);
    EXPECT_FALSE(a->AutoRun());
    EXPECT_EQ(0u, GetMenuState(sys, a->Identifier(), MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ((std::vector<std::string>{"Click", "ButtonClick off"}), events) << "the menu entry clicks too";
}

TEST_F(AppAutoRunTest, TheLogonNoticeIsWrittenOnlyWhileEnabled)
{
    // On the NT platform, of any generation, the notice lives under "Windows NT".
    const bool nt = (GetVersion() & 0x80000000u) == 0;
    const std::string key = nt ? "Software\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon"
                               : "Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon";
    EXPECT_EQ(key, TvyAutoRunLogonNotice::KeyPath().substr(nt ? 1 : 0));
    ASSERT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, key)) << key;
    auto* a = LoadedAutoRun();
    TvyAutoRunLogonNotice& n = *a->LogonNotice();
    using O = std::optional<std::string>;
    const struct {
        const char* Step;
        std::function<void()> Do;
        O Caption, Text;
    } steps[] = {
        {"enabled with nothing set", [&] { n.SetEnabled(true); }, O(""), O("")},
        {"text", [&] { n.SetText("Authorised users only"); }, O(""), O("Authorised users only")},
        {"caption", [&] { n.SetCaption("Notice"); }, O("Notice"), O("Authorised users only")},
        {"disabled", [&] { n.SetEnabled(false); }, std::nullopt, std::nullopt},
        {"text while disabled", [&] { n.SetText("Later"); }, std::nullopt, std::nullopt},
    };
    for (const auto& s : steps) {
        s.Do();
        EXPECT_EQ(s.Caption, RawText(HKEY_LOCAL_MACHINE, key, "LegalNoticeCaption")) << s.Step;
        EXPECT_EQ(s.Text, RawText(HKEY_LOCAL_MACHINE, key, "LegalNoticeText")) << s.Step;
    }
    EXPECT_EQ("Later", n.Text()) << "the settings keep their values";
}

// The switch is read from this run's real command line: the program runs again as a child.
TEST_F(AppAutoRunTest, StartedByAutoRunOnlyForAnExactFirstArgument)
{
    const struct {
        const char* Args;
        bool Started;
    } cases[] = {{"/autorun", true}, {"/AUTORUN", false}, {"-x /autorun", false}};
    for (const auto& c : cases) {
        const std::string cmd = "\"" + SelfPath() + "\" " + c.Args + " --gtest_filter=AppAutoRunChild.Report";
        const TChildResult r = RunChild(cmd, "TG_AUTORUN_CHILD", "1");
        ASSERT_TRUE(r.Finished) << c.Args << "\n" << r.Output;
        EXPECT_EQ(0u, r.ExitCode) << c.Args << "\n" << r.Output;
        const std::string expected = std::string("StartedByAutoRun=") + (c.Started ? "1" : "0") +
                                     " OnAutoRun=" + (c.Started ? "1" : "0") + " beforeShow=1";
        EXPECT_NE(std::string::npos, r.Output.find(expected)) << c.Args << ": expected " << expected << "\n" << r.Output;
    }
}

// The child's half of the test above; skipped when not run by it.
TEST(AppAutoRunChild, Report)
{
    if (!std::getenv("TG_AUTORUN_CHILD")) GTEST_SKIP() << "run as a child by StartedByAutoRunOnlyForAnExactFirstArgument";
    TOwnedPtr<TForm> form(new TForm(nullptr));
    auto* a = new TvyAppAutoRun(form.get());
    int fired = 0;
    bool hidden = true;
    a->OnAutoRun = [&](TObject*) {
        ++fired;
        hidden = hidden && !IsWindowVisible(form->Handle());
    };
    static_cast<TComponent*>(a)->Loaded();
    std::printf("StartedByAutoRun=%d OnAutoRun=%d beforeShow=%d\n", a->StartedByAutoRun() ? 1 : 0, fired, hidden ? 1 : 0);
    std::fflush(stdout);
}

} // namespace
