// tests/win/vyAppUpdaterTest.cpp
// TvyAppUpdater against the test server on 127.0.0.1 with the real client, real files
// beside this program and the recording platform: the automatic check, what the
// information file leads to, downloads with their events and progress, every way an upgrade
// is abandoned (and the temporary files it leaves: none), the swap program and its command
// line, the stored settings, and whole upgrades of a running stand-in program whose
// questions are answered with the real mouse and keyboard.
#include "FormReader.h"
#include "Forms.h"
#include "ChildProcess.h"
#include "HttpTestServer.h"
#include "Pictures.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "WinTest.h"
#include "XInput.h"
#include "vyAppUpdater.h"
#include "vyAppUpdaterLanguage.h"
#include "vyAppUpdaterLanguageText.h"
#include "vyAppUpdaterPassword.h"
#include "vyAppUpdaterUpgradeMsg.h"
#include "vyClasses.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr DWORD Patience = 15000;
using Lines = std::vector<std::string>;

// The temporary files of upgrades in the program's folder.
Lines TemporaryFiles()
{
    return FilesIn(ExeFolder(), "*.uTMP");
}

void DeleteTemporaryFiles()
{
    for (const std::string& name : TemporaryFiles()) {
        const std::string path = ExeFolder() + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
}

std::string InfoText(const std::string& date, const Lines& files, const std::string& method = "0")
{
    std::string text = "#date=" + date + "\r\n#method=" + method + "\r\n#message={A [B]newer[/B] release}\r\n";
    for (size_t i = 0; i < files.size(); ++i)
        text += (i == 0 ? "#url=" : "#url" + std::to_string(i + 1) + "=") + files[i] + "\r\n";
    return text;
}

struct TProgressStep {
    std::string File;
    int Percent, Total;
};

class vyAppUpdaterTest : public TCatchingTest {
protected:
    void SetUp() override
    {
        TCatchingTest::SetUp();
        DeleteTemporaryFiles();
        TestPlatform().Boxes.clear();
        TestPlatform().Execs.clear();
        TestPlatform().ShellCalls.clear();
        TestPlatform().Answers.clear();
        Updater.reset(new TvyAppUpdater(nullptr));
        Updater->Wizard()->SetEnabled(false);
        Updater->SetShowMessages(0);
        Updater->SetVersionDate("07/07/2002");
        Updater->SetInfoFileURL(Server.URL("/upgrades/tg.inf"));
        Wire(*Updater);
    }
    void TearDown() override
    {
        Updater.reset();
        TestPlatform().Boxes.clear(); // the ones a test asked for; it has checked them
        Server.Stop();
        TestPlatform().Answers.clear();
        TakeBackQuit();
        DeleteFileA(SwapProgramPath().c_str());
        DeleteTemporaryFiles();
        TCatchingTest::TearDown();
        EXPECT_TRUE(Caught.empty()) << "exception shown: " << (Caught.empty() ? "" : Caught[0].Message);
    }

    void Wire(TvyAppUpdater& u)
    {
        u.OnBeginUpgrade = [this](TObject*, const std::string& msg, TvyUpgradeMethod method, TStringList* files,
                                  bool& canUpgrade) {
            Log.push_back("begin " + std::to_string(static_cast<int>(method)) + " " + std::to_string(files->Count()) +
                          " " + msg);
            if (BeginHandler) BeginHandler(canUpgrade);
        };
        u.OnLaterUpgrade = [this](TObject*) { Log.push_back("later"); };
        u.OnProgress = [this](TObject*, const std::string& url, int, int, int, int, uint8_t percent, uint8_t total,
                              float) {
            Progress.push_back({URLFileName(url), percent, total});
            if (ProgressHandler) ProgressHandler();
        };
        u.OnFileDone = [this](TObject*, const std::string& name) { Log.push_back("filedone " + name); };
        u.OnEndUpgrade = [this](TObject*) {
            Log.push_back("end");
            TemporaryAtEnd = TemporaryFiles();
        };
        u.OnAborted = [this](TObject*) { Log.push_back("aborted"); };
        u.OnConnLost = [this](TObject*) { Log.push_back("connlost"); };
        u.OnHostUnreachable = [this](TObject*, const std::string& url, const std::string& host) {
            Log.push_back("unreachable " + URLFileName(url) + " " + host);
        };
        u.OnNoUpdateAvailable = [this](TObject*) { Log.push_back("noupdate"); };
        u.OnNoInfoFile = [this](TObject*) { Log.push_back("noinfo"); };
        u.OnLostFile = [this](TObject*, const std::string& url, int code, bool& continueUpgrade) {
            Log.push_back("lost " + URLFileName(url) + " " + std::to_string(code));
            continueUpgrade = SkipLostFiles;
        };
        u.OnPasswordRequest = [this](TObject*, bool& tryAgain) {
            Log.push_back("password");
            if (PasswordHandler) PasswordHandler(tryAgain);
        };
    }

    // The information file announces these files (already full addresses).
    void Announce(const Lines& files, const std::string& date = "07/08/2002", const std::string& method = "0")
    {
        Server.Route("/upgrades/tg.inf", "", InfoText(date, files, method));
    }
    std::string File(const std::string& name) const { return Server.URL("/dl/" + name); }

    // Waits until the log holds `last` (an event that ends the run) and the client is idle.
    bool WaitFor(const std::string& last)
    {
        return PumpUntil(
            [&] {
                return std::find(Log.begin(), Log.end(), last) != Log.end() && !Updater->Busy() &&
                       !Updater->HTTP()->Worker()->Finishing();
            },
            Patience);
    }

    THttpTestServer Server;
    TOwnedPtr<TvyAppUpdater> Updater;
    Lines Log;
    std::vector<TProgressStep> Progress;
    Lines TemporaryAtEnd;
    bool SkipLostFiles = false;
    std::function<void(bool&)> BeginHandler;
    std::function<void()> ProgressHandler;
    std::function<void(bool&)> PasswordHandler;
};

// --- Automatic check ---------------------------------------------------------------------

TEST_F(vyAppUpdaterTest, AutomaticCheckWaitsUntilOnlineThenChecksOnce)
{
    const std::string key = "System\\CurrentControlSet\\Services\\RemoteAccess";
    const bool keyWasThere = KeyPresent(HKEY_LOCAL_MACHINE, key);
    SetDword(HKEY_LOCAL_MACHINE, key, "Remote Connection", 0);
    Announce({File("tgupd-a.bin")}, "07/07/2002"); // the program's own date: nothing newer
    Updater->SetShowMessages(vyMessageBit(mNoUpdateAvailable));
    Updater->SetAutoCheck(true);

    // Ticks while offline ask for nothing.
    for (int tick = 0; tick < 3; ++tick) SendMessageA(Updater->UtilityWindow(), WM_TIMER, TvyAppUpdater::CheckTimer, 0);
    PumpFor(QuietMs);
    EXPECT_EQ(0u, Server.RequestCount()) << "no request while offline";

    SetDword(HKEY_LOCAL_MACHINE, key, "Remote Connection", 1);
    ASSERT_TRUE(WaitFor("noupdate")) << "the 5-second timer checks once online";
    EXPECT_EQ(1u, Server.RequestCount());
    EXPECT_EQ((Lines{"noupdate"}), Log) << "equal dates: nothing newer";
    EXPECT_FALSE(KillTimer(Updater->UtilityWindow(), TvyAppUpdater::CheckTimer)) << "the timer is gone for good";
    SendMessageA(Updater->UtilityWindow(), WM_TIMER, TvyAppUpdater::CheckTimer, 0);
    PumpFor(QuietMs);
    EXPECT_EQ(1u, Server.RequestCount()) << "the automatic check runs once per run";

    ASSERT_EQ(1u, TestPlatform().Boxes.size()) << TestPlatform().Boxes[0].Text << " / " << TestPlatform().Boxes[1].Text;
    EXPECT_EQ(Updater->Wizard()->Text(24), TestPlatform().Boxes[0].Text);
    EXPECT_EQ(Updater->Wizard()->Text(0), TestPlatform().Boxes[0].Caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), TestPlatform().Boxes[0].Type);
    EXPECT_EQ("no-cache", Server.Requests()[0].Header("Pragma")) << "the information file bypasses the cache";
    EXPECT_EQ(TvyAppUpdater::Agent, Server.Requests()[0].Header("User-Agent"));

    if (keyWasThere)
        DeleteRawValue(HKEY_LOCAL_MACHINE, key, "Remote Connection");
    else
        DeleteTree(HKEY_LOCAL_MACHINE, key);
}

// --- The information file ----------------------------------------------------------------

TEST_F(vyAppUpdaterTest, WhatTheInformationFileLeadsTo)
{
    const std::string closed = "http://127.0.0.1:" + std::to_string(THttpTestServer::ClosedPort()) + "/tg.inf";
    struct TCase {
        const char* Name;
        std::string InfoQuery;            // the information file's own answer
        std::string Text;                 // its body
        std::string InfoURL;              // instead of the server's, when set
        bool Refuse;                      // OnBeginUpgrade clears CanUpgrade
        Lines Log;
        size_t Shell;                     // shell calls
    } cases[] = {
        {"equal date", "", InfoText("07/07/2002", {File("a.bin")}), "", false, {"noupdate"}, 0},
        {"newer, no files", "", "#date=07/08/2002", "", false, {"noupdate"}, 0},
        {"refused by the handler", "", InfoText("12/31/2002", {File("a.bin")}), "", true,
         {"begin 0 1 A [B]newer[/B] release", "later"}, 0},
        {"error page with a length", "status=404", "<html>gone</html>", "", false, {"noinfo"}, 0},
        {"error page without one", "status=500&nolength=1", "oops", "", false, {"noinfo"}, 0},
        {"host unreachable", "", "", closed, false, {"unreachable tg.inf 127.0.0.1"}, 0},
        {"redirect to a local program", "", InfoText("07/08/2002", {"C:\\windows\\calc.exe"}, "2"), "", false,
         {"noupdate"}, 0},
        {"redirect to a file address", "", InfoText("07/08/2002", {"file:///C:/windows/calc.exe"}, "2"), "", false,
         {"noupdate"}, 0},
        {"an information file past 64 KB", "", InfoText("07/08/2002", {File("a.bin")}) + std::string(65536, ' '), "",
         false, {"noinfo"}, 0},
        {"redirect with switches for the browser", "",
         InfoText("07/08/2002", {"http://www.pellory.example/new.html --some-switch=\"x\""}, "2"), "", false,
         {"noupdate"}, 0},
        {"redirect to a web page", "", InfoText("07/08/2002", {"http://www.pellory.example/new.html"}, "2"), "", false,
         {"begin 2 1 A [B]newer[/B] release"}, 1},
        {"redirect to a web page without a scheme", "", InfoText("07/08/2002", {"www.pellory.example/new.html"}, "2"),
         "", false, {"begin 2 1 A [B]newer[/B] release"}, 1},
    };
    for (const TCase& c : cases) {
        Log.clear();
        TestPlatform().ShellCalls.clear();
        const size_t before = Server.RequestCount();
        Server.Route("/upgrades/tg.inf", c.InfoQuery, c.Text);
        Updater->SetInfoFileURL(c.InfoURL.empty() ? Server.URL("/upgrades/tg.inf") : c.InfoURL);
        BeginHandler = [&](bool& can) { can = !c.Refuse; };
        Updater->CheckUpdate();
        ASSERT_TRUE(WaitFor(c.Log.back())) << c.Name;
        PumpFor(QuietMs);
        EXPECT_EQ(c.Log, Log) << c.Name;
        EXPECT_EQ(c.Shell, TestPlatform().ShellCalls.size()) << c.Name;
        EXPECT_EQ(before + (c.InfoURL.empty() ? 1 : 0), Server.RequestCount()) << c.Name << ": nothing downloaded";
    }
    // The web page went to the shell, as the file or as the browser's one quoted parameter.
    const auto& call = TestPlatform().ShellCalls.at(0);
    EXPECT_TRUE(call.File == "http://www.pellory.example/new.html" ||
                call.Params == "\"http://www.pellory.example/new.html\"")
        << call.File.value_or("-") << " " << call.Params.value_or("-");
    EXPECT_TRUE(TestPlatform().Boxes.empty()) << "no dialogs were asked for";
    EXPECT_TRUE(TestPlatform().Execs.empty());
}

TEST_F(vyAppUpdaterTest, AfterARedirectASecondCheckWorks)
{
    Announce({"https://www.pellory.example/new.html"}, "07/08/2002", "2");
    Updater->CheckUpdate();
    ASSERT_TRUE(PumpUntil([&] { return !TestPlatform().ShellCalls.empty() && !Updater->Busy(); }, Patience));
    Announce({File("tgupd-a.bin")}, "07/06/2002");
    Updater->CheckUpdate();
    ASSERT_TRUE(WaitFor("noupdate"));
    EXPECT_EQ((Lines{"begin 2 1 A [B]newer[/B] release", "noupdate"}), Log);
    EXPECT_EQ(2u, Server.RequestCount());
}

TEST_F(vyAppUpdaterTest, MessagesSayWhatWentWrong)
{
    Updater->SetShowMessages(vyMessageBit(mHostUnreachable) | vyMessageBit(mNoInfoFile));
    Updater->SetInfoFileURL("http://127.0.0.1:" + std::to_string(THttpTestServer::ClosedPort()) + "/tg.inf");
    Updater->CheckUpdate();
    ASSERT_TRUE(WaitFor("unreachable tg.inf 127.0.0.1"));
    Server.Route("/upgrades/tg.inf", "status=404", "gone");
    Updater->SetInfoFileURL(Server.URL("/upgrades/tg.inf"));
    Updater->CheckUpdate();
    ASSERT_TRUE(WaitFor("noinfo"));
    const auto& boxes = TestPlatform().Boxes;
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(Updater->Wizard()->Text(26, {"'http://127.0.0.1'"}), boxes[0].Text);
    EXPECT_EQ(Updater->Wizard()->Text(0), boxes[0].Caption);
    EXPECT_EQ(Updater->Wizard()->Text(25), boxes[1].Text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), boxes[1].Type);
}

// --- Downloads ---------------------------------------------------------------------------

TEST_F(vyAppUpdaterTest, ThreeFilesTheSecondLostAndSkipped)
{
    // The first asks for a password, the second is gone, the third comes without a length.
    Server.Route("/dl/tgupd-1.bin", "auth=tally:secret&size=3000");
    Server.Route("/dl/tgupd-2.bin", "status=404", "<html>not here</html>");
    Server.Route("/dl/tgupd-3.bin", "nolength=1&size=5000");
    Announce({File("tgupd-1.bin"), File("tgupd-2.bin"), File("tgupd-3.bin")});
    Updater->SetShowMessages(vyMessageBit(mLostFile));
    TestPlatform().Answers = {IDYES};
    PasswordHandler = [&](bool& tryAgain) {
        Updater->SetHTTPUsername("tally");
        Updater->SetHTTPPassword("secret");
        tryAgain = true;
    };
    Updater->CheckUpdate();
    ASSERT_TRUE(WaitFor("end"));
    EXPECT_EQ((Lines{"begin 0 3 A [B]newer[/B] release", "password", "filedone tgupd-1.bin", "lost tgupd-2.bin 404",
                     "filedone tgupd-3.bin", "end"}),
              Log);

    EXPECT_EQ((Lines{"tgupd-1.bin.uTMP", "tgupd-3.bin.uTMP"}), TemporaryAtEnd) << "nothing for the lost file";
    EXPECT_EQ(THttpTestServer::Pattern(3000), ReadAll(ExeFolder() + "tgupd-1.bin.uTMP"));
    EXPECT_EQ(THttpTestServer::Pattern(5000), ReadAll(ExeFolder() + "tgupd-3.bin.uTMP"))
        << "a body without a length is stored too";
    const DWORD attributes = GetFileAttributesA((ExeFolder() + "tgupd-3.bin.uTMP").c_str());
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN), attributes & FILE_ATTRIBUTE_HIDDEN) << attributes;

    ASSERT_EQ(1u, TestPlatform().Boxes.size());
    const auto& box = TestPlatform().Boxes[0];
    EXPECT_EQ(Updater->Wizard()->Text(28, {"tgupd-2.bin"}), box.Text);
    EXPECT_EQ(Updater->Wizard()->Text(21) + " #404", box.Caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONWARNING), box.Type);
    EXPECT_EQ(Application->Handle(), box.Wnd) << "the application's message box";

    // The swap program is written out and started; the application is asked to end.
    TOwnedPtr<TMemoryStream> resource(new TMemoryStream);
    ASSERT_TRUE(LoadResourceToStream(MainInstance(), "VYUPG", "VYUPG", resource.get()));
    const std::string embedded(reinterpret_cast<const char*>(resource->Memory()),
                               static_cast<size_t>(resource->Size()));
    EXPECT_TRUE(embedded == ReadAll(SwapProgramPath())) << "the embedded program, byte for byte";
    ASSERT_EQ(1u, TestPlatform().Execs.size());
    EXPECT_EQ("\"" + SwapProgramPath() + "\" \"" + ParamStr(0) + "\" +/afterupgrade0", TestPlatform().Execs[0].CmdLine);
    EXPECT_EQ(static_cast<UINT>(SW_SHOWNORMAL), TestPlatform().Execs[0].Show);
    EXPECT_TRUE(Application->Terminated());

    // A component created later deletes the leftover swap program.
    TOwnedPtr<TvyAppUpdater> next(new TvyAppUpdater(nullptr));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(SwapProgramPath().c_str()));
}

TEST_F(vyAppUpdaterTest, TotalProgressCoversEachFileItsHalf)
{
    Server.Route("/dl/tgupd-1.bin", "size=20000&chunk=4096&delay=5");
    Server.Route("/dl/tgupd-2.bin", "size=20000&chunk=4096&delay=5");
    Announce({File("tgupd-1.bin"), File("tgupd-2.bin")}, "07/08/2002", "1");
    Updater->SetRestartParams("");
    EXPECT_EQ(" ", Updater->RestartParams()) << "empty is kept as one blank";
    Updater->CheckUpdate();
    ASSERT_TRUE(WaitFor("end"));
    ASSERT_FALSE(Progress.empty());
    int last = 0;
    for (const TProgressStep& p : Progress) {
        const bool first = p.File == "tgupd-1.bin";
        EXPECT_GE(p.Total, first ? 0 : 50) << p.File << " at " << p.Percent;
        EXPECT_LE(p.Total, first ? 50 : 100) << p.File << " at " << p.Percent;
        EXPECT_EQ((first ? 0 : 50) + p.Percent / 2, p.Total) << p.File;
        EXPECT_GE(p.Total, last) << "never backwards";
        last = p.Total;
    }
    const auto second =
        std::find_if(Progress.begin(), Progress.end(), [](const TProgressStep& p) { return p.File != "tgupd-1.bin"; });
    ASSERT_NE(Progress.begin(), second);
    EXPECT_EQ(50, second[-1].Total) << "the first file ends at half";
    EXPECT_EQ(100, Progress.back().Total);
    ASSERT_EQ(1u, TestPlatform().Execs.size());
    EXPECT_EQ("\"" + SwapProgramPath() + "\" \"" + ParamStr(0) + "\" + 1", TestPlatform().Execs[0].CmdLine)
        << "external setup, restart parameters a blank";
}

// What the engine's wait on the finish page does, from a timer inside it.
std::function<void()> InsideTheWait;
void CALLBACK RunInsideTheWait(HWND, UINT, UINT_PTR, DWORD)
{
    if (InsideTheWait) InsideTheWait();
}

DWORD WINAPI ClickFromAnotherThread(LPVOID point)
{
    const POINT at = *static_cast<POINT*>(point);
    return XClick(at.x, at.y) ? 0 : 1;
}

// While the engine waits on the wizard's finish page, OK clicked with the real mouse closes
// it and the upgrade goes on. The wait needs an application not yet asked to end, and the
// upgrades of the other tests here have asked it: a fresh copy of this program runs it.
TEST(vyAppUpdaterFinishPage, TakesARealClickOnOK)
{
    const std::string cmd = "\"" + SelfPath() + "\" --gtest_filter=vyAppUpdaterTest.FinishPageChild";
    const TChildResult r = RunChild(cmd, "TG_FINISH_PAGE_CHILD", "1");
    ASSERT_TRUE(r.Finished) << r.Output;
    EXPECT_EQ(0u, r.ExitCode) << r.Output;
    EXPECT_NE(std::string::npos, r.Output.find("[  PASSED  ] 1 test.")) << r.Output;
}

// The child's half of the test above; skipped when not run by it. The click comes from
// another thread, as a person's does, so that this one stays in the engine's own wait and
// its passes run between the button's press and its release.
TEST_F(vyAppUpdaterTest, FinishPageChild)
{
    if (!std::getenv("TG_FINISH_PAGE_CHILD")) GTEST_SKIP() << "run as a child by TakesARealClickOnOK";
    ASSERT_FALSE(Application->Terminated());
    Server.Route("/dl/tgupd-1.bin", "size=3000");
    Announce({File("tgupd-1.bin")});
    Updater->Wizard()->SetEnabled(true);
    POINT at{};
    HANDLE clicker = nullptr;
    DWORD clickedAt = 0;
    bool gaveUp = false;
    InsideTheWait = [&] {
        TvyAppUpdaterWizardForm* wizard = Updater->Wizard()->WizardForm();
        if (!wizard || !wizard->FinishBtn->Enabled()) return;
        if (!clicker) {
            at = wizard->FinishBtn->ClientToScreen(
                POINT{wizard->FinishBtn->Width() / 2, wizard->FinishBtn->Height() / 2});
            clicker = CreateThread(nullptr, 0, &ClickFromAnotherThread, &at, 0, nullptr);
            clickedAt = GetTickCount();
        } else if (!gaveUp && WaitForSingleObject(clicker, 0) == WAIT_OBJECT_0 && GetTickCount() - clickedAt > 5000) {
            // The click went by: the test ends the wait itself.
            gaveUp = true;
            wizard->FinishBtnClick(wizard);
        }
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, &RunInsideTheWait);
    Updater->CheckUpdate();
    const bool ended = WaitFor("end");
    KillTimer(nullptr, timer);
    InsideTheWait = nullptr;
    ASSERT_NE(nullptr, clicker) << "the finish page was shown";
    WaitForSingleObject(clicker, Patience);
    DWORD clickOk = 1;
    GetExitCodeThread(clicker, &clickOk);
    CloseHandle(clicker);
    EXPECT_EQ(0u, clickOk) << "xdotool click";
    EXPECT_TRUE(ended);
    EXPECT_FALSE(gaveUp) << "the click on OK closed the wizard";
    EXPECT_EQ(nullptr, Updater->Wizard()->WizardForm());
    EXPECT_EQ((Lines{"begin 0 1 A [B]newer[/B] release", "filedone tgupd-1.bin", "end"}), Log);
    EXPECT_EQ(1u, TestPlatform().Execs.size()) << "the swap program is started";
}

// --- Abandoned upgrades ------------------------------------------------------------------

TEST_F(vyAppUpdaterTest, AnAbandonedUpgradeLeavesNoTemporaryFile)
{
    const std::string closed = "http://127.0.0.1:" + std::to_string(THttpTestServer::ClosedPort()) + "/dl/tgupd-2.bin";
    struct TCase {
        const char* Name;
        std::string SecondQuery;
        std::string Second; // the second address, when not the server's
        bool AbortInProgress;
        bool Skip;
        Lines Log;
        int Box = -1;              // the text of the message box shown, of the second file
        std::string InTheWay = {}; // a folder made at this path first
        UINT ExecResult = 33;
        bool AllBad = false;       // every address refused
        bool Ask = false;          // asked whether to skip, and answered No
    } cases[] = {
        {"connection lost", "size=20000&cut=5000", "", false, false,
         {"filedone tgupd-1.bin", "connlost"}},
        {"lost file not skipped", "status=404", "", false, false,
         {"filedone tgupd-1.bin", "lost tgupd-2.bin 404", "aborted"}},
        {"an error page with a length", "status=500&size=700", "", false, false,
         {"filedone tgupd-1.bin", "lost tgupd-2.bin 500", "aborted"}},
        {"aborted while it comes", "size=60000&chunk=2000&delay=20", "", true, false,
         {"filedone tgupd-1.bin", "aborted"}},
        {"host unreachable", "", closed, false, false, {"filedone tgupd-1.bin", "unreachable tgupd-2.bin 127.0.0.1"}},
        {"a name that leaves the folder", "", "http://127.0.0.1/dl/..", false, false,
         {"filedone tgupd-1.bin", "lost .. 0", "aborted"}},
        {"a name with a query", "", "http://127.0.0.1/get?f=x.exe", false, false,
         {"filedone tgupd-1.bin", "lost get?f=x.exe 0", "aborted"}},
        {"a bad name skipped", "", "http://127.0.0.1/dl/", false, true,
         {"filedone tgupd-1.bin", "lost  0", "filedone tgupd-3.bin", "end"}},
        {"a bad name asked about", "", "http://127.0.0.1/dl/com\xB9", false, false,
         {"filedone tgupd-1.bin", "lost com\xB9 0", "aborted"}, utNameNotAllowed, "", 33, false, true},
        {"a temporary file that cannot be made", "size=2000", "", false, false, {"filedone tgupd-1.bin", "aborted"},
         utCannotStoreFile, ExeFolder() + "tgupd-2.bin.uTMP"},
        {"an executable cut short without a length", "", Server.URL("/dl/tgupd-2.exe"), false, false,
         {"filedone tgupd-1.bin", "filedone tgupd-2.exe", "filedone tgupd-3.bin", "aborted"}, utDamagedFile},
        {"a swap program that cannot be written", "size=100", "", false, false,
         {"filedone tgupd-1.bin", "filedone tgupd-2.bin", "filedone tgupd-3.bin", "end", "aborted"}, utSwapNotStarted,
         SwapProgramPath()},
        {"a swap program that cannot start", "size=100", "", false, false,
         {"filedone tgupd-1.bin", "filedone tgupd-2.bin", "filedone tgupd-3.bin", "end", "aborted"}, utSwapNotStarted,
         "", 2},
        {"every file skipped", "", "", false, true, {"lost  0", "lost .. 0", "aborted"}, -1, "", 33, true},
    };
    const std::string exe = ReadAll(ExeFolder() + "UpdaterStandIn.exe");
    Server.Route("/dl/tgupd-2.exe", "nolength=1", exe.substr(0, exe.size() / 3)); // a third, without a length
    Server.Route("/dl/tgupd-1.bin", "size=3000");
    Server.Route("/dl/tgupd-3.bin", "size=100");
    for (const TCase& c : cases) {
        Log.clear();
        TemporaryAtEnd.clear();
        TestPlatform().Execs.clear();
        TestPlatform().Boxes.clear();
        TestPlatform().ExecResult = c.ExecResult;
        DeleteFileA(SwapProgramPath().c_str());
        if (!c.InTheWay.empty()) CreateDirectoryA(c.InTheWay.c_str(), nullptr);
        Updater->SetShowMessages(c.Ask ? vyMessageBit(mLostFile) : 0);
        TestPlatform().Answers = {IDNO};
        Server.Route("/dl/tgupd-2.bin", c.SecondQuery);
        if (c.AllBad)
            Announce({"http://127.0.0.1/dl/", "http://127.0.0.1/dl/.."});
        else
            Announce({File("tgupd-1.bin"), c.Second.empty() ? File("tgupd-2.bin") : c.Second, File("tgupd-3.bin")});
        SkipLostFiles = c.Skip;
        ProgressHandler = [&] {
            if (c.AbortInProgress && Progress.back().File == "tgupd-2.bin") Updater->AbortUpgrade();
        };
        Updater->CheckUpdate();
        ASSERT_TRUE(WaitFor(c.Log.back())) << c.Name;
        PumpFor(QuietMs);
        if (!c.InTheWay.empty()) RemoveDirectoryA(c.InTheWay.c_str());
        TestPlatform().ExecResult = 33;
        Log.erase(Log.begin()); // "begin"
        EXPECT_EQ(c.Log, Log) << c.Name;
        const auto& boxes = TestPlatform().Boxes;
        const std::string second = URLFileName(c.Second.empty() ? "tgupd-2.bin" : c.Second);
        EXPECT_EQ(c.Box < 0 ? "" : Updater->Wizard()->Text(c.Box, {second}) + "|" + Updater->Wizard()->Text(utError),
                  boxes.empty() ? "" : boxes.back().Text + "|" + boxes.back().Caption)
            << c.Name;
        if (c.Skip && !c.AllBad) {
            EXPECT_EQ((Lines{"tgupd-1.bin.uTMP", "tgupd-3.bin.uTMP"}), TemporaryAtEnd) << c.Name;
            EXPECT_EQ(1u, TestPlatform().Execs.size()) << c.Name;
        } else {
            EXPECT_EQ(Lines{}, TemporaryFiles()) << c.Name << ": what this upgrade wrote is gone";
            EXPECT_EQ(c.ExecResult > 31 ? 0u : 1u, TestPlatform().Execs.size()) << c.Name << ": no swap program runs";
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(SwapProgramPath().c_str())) << c.Name;
        }
        DeleteTemporaryFiles();
        TakeBackQuit();
    }
}

// Two instances of a program in one folder: the second, checking while the first upgrades,
// starts no upgrade of its own, and going it deletes nothing of the first's.
TEST_F(vyAppUpdaterTest, OneUpgradeAtATimePerFolder)
{
    Server.Route("/dl/tgupd-1.bin", "size=3000");
    Announce({File("tgupd-1.bin")});
    TOwnedPtr<TvyAppUpdater> second(new TvyAppUpdater(nullptr));
    second->SetShowMessages(0);
    second->SetVersionDate("07/07/2002");
    second->SetInfoFileURL(Server.URL("/upgrades/tg.inf"));
    Lines secondLog;
    second->OnBeginUpgrade = [&](TObject*, const std::string&, TvyUpgradeMethod, TStringList*, bool&) {
        secondLog.push_back("begin");
    };
    ProgressHandler = [&] {
        if (Server.RequestCount() > 2) return;
        second->CheckUpdate(); // while the first's file comes
        PumpUntil([&] { return Server.RequestCount() == 3 && !second->Busy() && !second->HTTP()->Worker()->Finishing(); },
                  Patience);
    };
    Updater->CheckUpdate();
    ASSERT_TRUE(WaitFor("end"));
    EXPECT_EQ(Lines{}, secondLog) << "the second offers no upgrade";
    second.reset();
    EXPECT_EQ((Lines{"tgupd-1.bin.uTMP"}), TemporaryFiles()) << "the first's file stays";
}

// --- End to end --------------------------------------------------------------------------

// Windows of another process, found by class (and a test of each candidate).
struct TWindowSearch {
    DWORD Pid;
    const char* Class;
    std::function<bool(HWND)> Match;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectWindow(HWND wnd, LPARAM param)
{
    auto& s = *reinterpret_cast<TWindowSearch*>(param);
    char cls[64] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid == s.Pid && std::string(cls) == s.Class && IsWindowVisible(wnd) && (!s.Match || s.Match(wnd)))
        s.Found.push_back(wnd);
    return TRUE;
}

// The visible top-level window of process pid of that class that matches; null when none.
HWND WindowOf(DWORD pid, const char* className, std::function<bool(HWND)> match = {})
{
    TWindowSearch search{pid, className, std::move(match), {}};
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found.empty() ? nullptr : search.Found.front();
}

// The visible windows of that class inside parent, top to bottom.
std::vector<HWND> ChildrenOf(HWND parent, const char* className)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(parent, &pid);
    TWindowSearch search{pid, className, {}, {}};
    EnumChildWindows(parent, &CollectWindow, reinterpret_cast<LPARAM>(&search));
    std::stable_sort(search.Found.begin(), search.Found.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.top < rb.top;
    });
    return search.Found;
}

// A window's text, asked of the window itself (an edit of another process keeps its own).
std::string TextOf(HWND wnd)
{
    char text[512] = {};
    DWORD_PTR n = 0;
    SendMessageTimeoutA(wnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &n);
    return text;
}

HWND ButtonOf(HWND parent, const std::string& caption)
{
    for (HWND b : ChildrenOf(parent, "TButton"))
        if (TextOf(b) == caption) return b;
    return nullptr;
}

// A click with the real mouse in the middle of a window.
bool ClickCentre(HWND wnd)
{
    RECT r;
    return wnd && GetWindowRect(wnd, &r) && XClick((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

std::string UpgradeText(int n)
{
    return vyLoadUpgradeText(vyAppUpdaterLanguageBase(wlAuto) + n);
}

// The publisher's tool (tools/upgrade/publish.py), run by the machine's Python beside
// Wine in a folder of /tmp: two key pairs, and information files signed by either.
struct TPublisher {
    std::string Unix = "/tmp/tg-publish-" + std::to_string(GetCurrentProcessId()) + "/";
    std::string Win = "Z:" + Unix;
    std::string Key; // the public key, 64 hexadecimal digits

    TPublisher()
    {
        std::replace(Win.begin(), Win.end(), '/', '\\');
        CreateDirectoryA(Win.c_str(), nullptr);
        Key = NewKey("key");
        NewKey("other");
    }
    ~TPublisher()
    {
        for (const std::string& name : FilesIn(Win)) DeleteFileA((Win + name).c_str());
        RemoveDirectoryA(Win.c_str());
    }
    bool Run(const std::string& arguments)
    {
        return RunXCommand("/usr/bin/python3 " TG_SOURCE_DIR "/tools/upgrade/publish.py " + arguments, 30000);
    }
    std::string NewKey(const std::string& name)
    {
        Run("keygen " + Unix + name + ".pem >" + Unix + name + ".pub");
        return ReadAll(Win + name + ".pub").substr(0, 64);
    }
    // The information file signed by a key, with the digests of the files given.
    std::string Sign(const std::string& info, const std::vector<std::pair<std::string, std::string>>& files,
                     const std::string& key)
    {
        WriteAll(Win + "info.in", info);
        for (const auto& [name, bytes] : files) WriteAll(Win + name, bytes);
        DeleteFileA((Win + "info.inf").c_str());
        Run("sign " + Unix + key + ".pem " + Unix + "info.in " + Unix + "info.inf");
        return ReadAll(Win + "info.inf");
    }
};

// What the wizard showed while the program's new executable was coming.
struct TWizardSeen {
    std::string Address, AllFiles;
    int Current = -1, Total = -1;
    bool Topmost = false;
    std::string Shot;
    int ShownBar = -1; // columns of the current file's bar drawn in the highlight colour
};

// The person in front of the stand-in: answers each of its questions once, as it comes,
// with the real mouse and keyboard, and notes what was done.
struct TStandInUser {
    DWORD Pid;
    bool WatchDownload; // looks at the wizard while the first file comes
    Lines Acts;
    TWizardSeen Seen;
    std::string Said; // what the error box said

    // Each question is answered once, whether or not the answer got through.
    bool Did(const std::string& act) const
    {
        return std::find_if(Acts.begin(), Acts.end(), [&](const std::string& a) { return a.rfind(act, 0) == 0; }) !=
               Acts.end();
    }
    void Act(const std::string& act, bool done)
    {
        Acts.push_back(done ? act : act + " failed");
    }

    void Look()
    {
        if (HWND ask = WindowOf(Pid, "TvyAppUpdaterUpgradeMessageForm"); ask && !Did("ask: yes"))
            Act("ask: yes", ClickCentre(ButtonOf(ask, UpgradeText(utYes))));
        if (HWND box = WindowOf(Pid, "#32770", [](HWND w) {
                const std::string caption = TextOf(w);
                return caption.size() > 4 && caption.compare(caption.size() - 5, 5, " #404") == 0;
            });
            box && !Did("lost: yes"))
            Act("lost: yes", ClickCentre(GetDlgItem(box, IDYES)));
        if (HWND box = WindowOf(Pid, "#32770", [](HWND w) { return TextOf(w) == UpgradeText(utError); });
            box && !Did("error: ok")) {
            for (HWND text : ChildrenOf(box, "Static")) Said += TextOf(text);
            Act("error: ok", ClickCentre(GetDlgItem(box, IDOK)));
        }
        if (HWND dialog = WindowOf(Pid, "TvyAppUpdaterPasswordForm"); dialog && !Did("password: tally")) {
            const std::vector<HWND> edits = ChildrenOf(dialog, "TvyEdit");
            Act("password: tally", edits.size() == 2 && ClickCentre(edits[0]) && XType("tally") &&
                                       ClickCentre(edits[1]) && XType("secret") &&
                                       ClickCentre(ButtonOf(dialog, UpgradeText(utOK))));
        }
        HWND wizard = WindowOf(Pid, "TvyAppUpdaterWizardForm");
        if (!wizard) return;
        HWND finish = ButtonOf(wizard, UpgradeText(utOK));
        if (finish && IsWindowEnabled(finish) && !Did("wizard: ok")) {
            Act("wizard: ok", ClickCentre(finish));
            return;
        }
        if (WatchDownload && Seen.Shot.empty()) WatchWizard(wizard);
    }

    // While the first file comes, part of it is done, and the window shows so.
    void WatchWizard(HWND wizard)
    {
        const std::vector<HWND> address = ChildrenOf(wizard, "TEdit");
        const std::vector<HWND> bars = ChildrenOf(wizard, "TProgressBar");
        if (address.size() != 1 || bars.size() != 2) return;
        const int current = static_cast<int>(SendMessageA(bars[0], PBM_GETPOS, 0, 0));
        const int total = static_cast<int>(SendMessageA(bars[1], PBM_GETPOS, 0, 0));
        if (current < 10 || current > 90) return;
        Seen.Address = TextOf(address[0]);
        Seen.Current = current;
        Seen.Total = total;
        Seen.Topmost = (GetWindowLongA(wizard, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        // The current file's bar on screen: its middle row, drawn up to its position.
        RECT bar;
        GetWindowRect(bars[0], &bar);
        const COLORREF fill = GetSysColor(COLOR_HIGHLIGHT);
        TBitmap row;
        PumpUntil([&] {
            CaptureScreen(RECT{bar.left, (bar.top + bar.bottom) / 2, bar.right, (bar.top + bar.bottom) / 2 + 1}, row);
            const auto px = PixelsOf(row);
            Seen.ShownBar = static_cast<int>(std::count(px.begin(), px.end(), fill));
            return Seen.ShownBar > 0;
        });
        RECT r;
        GetWindowRect(wizard, &r);
        TBitmap shot;
        CaptureScreen(r, shot);
        Seen.Shot = SavePngArtifact(shot, "vyAppUpdater-e2e-wizard.png") ? "vyAppUpdater-e2e-wizard.png" : "not saved";
    }
};

// A program carrying an upgrader (UpdaterStandIn, version 1) in a folder whose name has a
// blank checks after 5 seconds and fetches what the information file lists: its new
// executable (version 2) and other files. The test answers its questions as a person would,
// with the real mouse and keyboard: Yes to the upgrade, Yes to skip a lost file, a user name
// and password typed into their dialog, OK on the wizard's finish page. A complete upgrade
// ends the program; the swap program puts the files in place and starts version 2 with
// "/afterupgrade", where OnAfterRestart fires. An abandoned one leaves the program running
// and nothing behind. With a public key, the information file is signed by the publisher's
// tool; a file not signed by that key is no information file, and a download other than
// the one signed is refused before the swap program is written.
TEST(vyAppUpdaterEndToEnd, RealUpgradesOfARunningProgram)
{
    const std::string standIn = ReadAll(ExeFolder() + "UpdaterStandIn.exe");
    ASSERT_FALSE(standIn.empty()) << "UpdaterStandIn.exe beside the test program";
    const std::string v1 = standIn + "TGVER=1", v2 = standIn + "TGVER=2";
    const std::string key = "System\\CurrentControlSet\\Services\\RemoteAccess";
    const bool keyWasThere = KeyPresent(HKEY_LOCAL_MACHINE, key);
    SetDword(HKEY_LOCAL_MACHINE, key, "Remote Connection", 1);
    // The new executable comes in about forty pieces a tenth of a second apart, so that the
    // wizard can be seen at work.
    const std::string slowly = "chunk=" + std::to_string(v2.size() / 40 + 1) + "&delay=100";
    // A "release" by somebody else: whole, runnable, not the one signed.
    const std::string v3 = standIn + "TGVER=3";
    enum TSigning { sgNone, sgSigned, sgTamperedInfo, sgTamperedFile, sgUnsigned, sgOtherKey };
    TPublisher publisher;
    ASSERT_EQ(64u, publisher.Key.size()) << "the publisher's tool made a key";
    const std::string told = vyLoadUpgradeText(vyAppUpdaterLanguageBase(wlAuto) + utUnverifiedFile,
                                               {"UpdaterStandIn.exe"});

    struct TScenario {
        const char* Name;
        std::vector<std::pair<std::string, std::string>> Files; // name, the server's answer
        const char* Messages;
        bool Wizard;
        Lines Acts; // what the person did
        bool Upgraded;
        std::string Log;
        Lines FolderAfter;
        const char* Folder = "tg upgrade e2e";
        TSigning Signing = sgNone;
    } scenarios[] = {
        {"two files, asked and shown in the wizard", {{"UpdaterStandIn.exe", slowly}, {"readme.txt", ""}},
         "[mAskUpgrade]", true, {"ask: yes", "wizard: ok"}, true,
         "start|1|\nend\nstart|2|/afterupgrade\nafterrestart|2\n", {"UpdaterStandIn.exe", "readme.txt", "run.log"}},
        {"the second of three lost and skipped",
         {{"UpdaterStandIn.exe", ""}, {"gone.txt", "status=404"}, {"notes.txt", ""}}, "[mLostFile]", true,
         {"lost: yes", "wizard: ok"}, true, "start|1|\nlost|gone.txt|404\nend\nstart|2|/afterupgrade\nafterrestart|2\n",
         {"UpdaterStandIn.exe", "notes.txt", "run.log"}},
        {"a password asked for", {{"readme.txt", ""}, {"UpdaterStandIn.exe", "auth=tally:secret"}},
         "[mPasswordRequest]", true, {"password: tally", "wizard: ok"}, true,
         "start|1|\nend\nstart|2|/afterupgrade\nafterrestart|2\n", {"UpdaterStandIn.exe", "readme.txt", "run.log"}},
        {"an error page with a length", {{"UpdaterStandIn.exe", "status=500"}}, "[]", false, {}, false,
         "start|1|\nlost|UpdaterStandIn.exe|500\naborted\n", {"UpdaterStandIn.exe", "run.log"}},
        {"the connection dropped mid-file", {{"readme.txt", ""}, {"UpdaterStandIn.exe", "cut=20000"}}, "[]", false,
         {}, false, "start|1|\nconnlost\n", {"UpdaterStandIn.exe", "run.log"}},
        {"the new executable cut short without a length",
         {{"readme.txt", ""}, {"UpdaterStandIn.exe", "nolength=1&cut=" + std::to_string(v2.size() / 3)}}, "[]", false,
         {"error: ok"}, false, "start|1|\naborted\n", {"UpdaterStandIn.exe", "run.log"}},
        {"a folder with a plus and two blanks", {{"UpdaterStandIn.exe", ""}, {"readme.txt", ""}}, "[]", false, {},
         true, "start|1|\nend\nstart|2|/afterupgrade\nafterrestart|2\n", {"UpdaterStandIn.exe", "readme.txt", "run.log"},
         "tg+upgrade  e2e"},
        {"signed", {{"UpdaterStandIn.exe", ""}, {"readme.txt", ""}}, "[]", false, {}, true,
         "start|1|\nend\nstart|2|/afterupgrade\nafterrestart|2\n", {"UpdaterStandIn.exe", "readme.txt", "run.log"},
         "tg upgrade e2e", sgSigned},
        {"signed, information file changed", {{"UpdaterStandIn.exe", ""}}, "[]", false, {}, false,
         "start|1|\nnoinfo\n", {"UpdaterStandIn.exe", "run.log"}, "tg upgrade e2e", sgTamperedInfo},
        {"signed, another executable served", {{"readme.txt", ""}, {"UpdaterStandIn.exe", ""}}, "[]", true,
         {"error: ok"}, false, "start|1|\naborted\n", {"UpdaterStandIn.exe", "run.log"}, "tg upgrade e2e",
         sgTamperedFile},
        {"not signed", {{"UpdaterStandIn.exe", ""}}, "[]", false, {}, false, "start|1|\nnoinfo\n",
         {"UpdaterStandIn.exe", "run.log"}, "tg upgrade e2e", sgUnsigned},
        {"signed by another key", {{"UpdaterStandIn.exe", ""}}, "[]", false, {}, false, "start|1|\nnoinfo\n",
         {"UpdaterStandIn.exe", "run.log"}, "tg upgrade e2e", sgOtherKey},
    };
    TWizardSeen seen;
    for (const TScenario& c : scenarios) {
        const std::string folder = Scratch(c.Folder);
        const std::string exe = folder + "UpdaterStandIn.exe";
        const std::string log = folder + "run.log";
        ASSERT_TRUE(WriteAll(exe, v1)) << c.Name;

        THttpTestServer server;
        Lines urls;
        std::vector<std::pair<std::string, std::string>> release;
        for (const auto& [name, answer] : c.Files) {
            release.emplace_back(name, name == "UpdaterStandIn.exe" ? v2 : name + " 2\r\n");
            const bool swapped = c.Signing == sgTamperedFile && name == "UpdaterStandIn.exe";
            server.Route("/dl/" + name, answer, swapped ? v3 : release.back().second);
            urls.push_back(server.URL("/dl/" + name));
        }
        std::string info = InfoText("07/08/2002", urls);
        if (c.Signing != sgNone && c.Signing != sgUnsigned)
            info = publisher.Sign(info, release, c.Signing == sgOtherKey ? "other" : "key");
        if (c.Signing == sgTamperedInfo) info.replace(info.find("07/08/2002"), 10, "07/09/2002");
        server.Route("/upgrades/tg.inf", "", info);
        SetEnvironmentVariableA("TG_UPD_KEY", c.Signing == sgNone ? nullptr : publisher.Key.c_str());
        SetEnvironmentVariableA("TG_UPD_INFO", server.URL("/upgrades/tg.inf").c_str());
        SetEnvironmentVariableA("TG_UPD_LOG", log.c_str());
        SetEnvironmentVariableA("TG_UPD_MESSAGES", c.Messages);
        SetEnvironmentVariableA("TG_UPD_WIZARD", c.Wizard ? "1" : nullptr);

        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::string command = "\"" + exe + "\"";
        ASSERT_TRUE(CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                   &si, &pi))
            << c.Name;
        CloseHandle(pi.hThread);
        TStandInUser user{pi.dwProcessId, c.Files[0].second == slowly, {}, {}, {}};
        const std::string last = c.Log.substr(c.Log.rfind('\n', c.Log.size() - 2) + 1);
        const bool ended = PumpUntil(
            [&] {
                user.Look();
                return ReadAll(log).find(last) != std::string::npos;
            },
            60000);
        const std::string caption = c.Upgraded ? "UpdaterStandIn 2" : "UpdaterStandIn 1";
        HWND window = nullptr;
        const bool shown = PumpUntil([&] { return (window = FindWindowA(nullptr, caption.c_str())) != nullptr; });
        const bool firstEnded = WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
        const bool swapGone =
            PumpUntil([&] { return GetFileAttributesA(SwapProgramPath().c_str()) == INVALID_FILE_ATTRIBUTES; });
        if (window) PostMessageA(window, WM_CLOSE, 0, 0);
        PumpUntil([&] { return !FindWindowA(nullptr, caption.c_str()); });
        if (WaitForSingleObject(pi.hProcess, c.Upgraded ? 0 : 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        if (user.WatchDownload) seen = user.Seen;

        EXPECT_EQ(c.Acts, user.Acts) << c.Name << ": what the person was asked and did";
        if (c.Signing == sgTamperedFile) {
            EXPECT_EQ(told, user.Said) << c.Name << ": the user is told why";
        }
        EXPECT_TRUE(ended) << c.Name << ": log " << ReadAll(log);
        EXPECT_EQ(c.Log, ReadAll(log)) << c.Name;
        EXPECT_TRUE(shown) << c.Name << ": the program shows " << caption;
        EXPECT_EQ(c.Upgraded, firstEnded) << c.Name << ": version 1 ended only for an upgrade";
        EXPECT_TRUE((c.Upgraded ? v2 : v1) == ReadAll(exe)) << c.Name << ": the executable, byte for byte";
        EXPECT_EQ(c.FolderAfter, FilesIn(folder)) << c.Name << ": no .uTMP or .bak left behind";
        for (const auto& [name, answer] : c.Files) {
            if (name != "UpdaterStandIn.exe" && c.Upgraded && answer.empty()) {
                EXPECT_EQ(name + " 2\r\n", ReadAll(folder + name)) << c.Name;
            }
        }
        EXPECT_TRUE(swapGone) << c.Name << ": no swap program left";
    }

    // The wizard, seen while the new executable came: its address, its bars, on top.
    EXPECT_EQ("vyAppUpdater-e2e-wizard.png", seen.Shot) << "the wizard was seen at work";
    EXPECT_NE(std::string::npos, seen.Address.find("/dl/UpdaterStandIn.exe")) << seen.Address;
    EXPECT_GE(seen.Total, seen.Current / 2) << "all files: the first of two is half of them";
    EXPECT_LE(seen.Total, 50);
    EXPECT_TRUE(seen.Topmost) << "the wizard stays on top";
    EXPECT_GT(seen.ShownBar, 0) << "the current file's bar is drawn on screen";

    for (const char* name : {"TG_UPD_INFO", "TG_UPD_LOG", "TG_UPD_MESSAGES", "TG_UPD_WIZARD", "TG_UPD_KEY"})
        SetEnvironmentVariableA(name, nullptr);
    if (keyWasThere)
        DeleteRawValue(HKEY_LOCAL_MACHINE, key, "Remote Connection");
    else
        DeleteTree(HKEY_LOCAL_MACHINE, key);
    for (const char* name : {"tg upgrade e2e", "tg+upgrade  e2e"}) RemoveDirectoryA(Scratch(name).c_str());
}

// --- Stored settings ---------------------------------------------------------------------

TEST(vyAppUpdater, DefaultsAndStoredSettings)
{
    TOwnedPtr<TForm> root(new TForm(nullptr));
    root->SetName("Holder");
    auto* u = new TvyAppUpdater(root.get());
    u->SetName("AppUpdater1");
    EXPECT_FALSE(u->AutoCheck());
    EXPECT_EQ("http://", u->InfoFileURL());
    EXPECT_EQ("/afterupgrade", u->RestartParams());
    EXPECT_EQ(75u, u->ShowMessages());
    EXPECT_EQ(FormatVersionDate(Today()), u->VersionDate());
    EXPECT_TRUE(u->VersionDateAutoSet());
    EXPECT_EQ(TThreadPriority::tpNormal, u->ThreadPriority());
    EXPECT_TRUE(u->Wizard()->Enabled());

    u->SetVersionDate("07/07/2002");
    u->SetInfoFileURL("http://www.pellory.example/software/upgrades/tallyglass.inf");
    u->InfoFile()->SetUpgradeMethod(TvyUpgradeMethod::umRedirectToURL);
    u->SetShowMessages(vyMessageBit(mAskUpgrade) | vyMessageBit(mNoInfoFile));
    u->SetThreadPriority(TThreadPriority::tpLower);
    u->Proxy()->SetAccessType(TvyHTTPAccessType::atDirect);
    u->SetHTTPUsername("tally");
    u->SetHTTPPassword("secret");
    u->Wizard()->SetEnabled(false);
    const std::string text = TFormWriter::Write(*root);
    for (const char* line : {"VersionDate = '07/07/2002'", "VersionDateAutoSet = True",
                             "ShowMessages = [mAskUpgrade, mNoInfoFile]", "ThreadPriority = tpLower",
                             "InfoFile.UpgradeMethod = umRedirectToURL", "Proxy.AccessType = atDirect",
                             "Wizard.Enabled = False", "LInfo = {"})
        EXPECT_NE(std::string::npos, text.find(line)) << line << " in\n" << text;
    EXPECT_EQ(std::string::npos, text.find("RestartParams")) << "defaults are not stored";
    EXPECT_EQ(std::string::npos, text.find("PublicKey")) << "no key by default";
    EXPECT_EQ(std::string::npos, text.find("secret")) << "credentials are scrambled";

    TOwnedPtr<TComponent> copy(TFormReader::CreateRoot(text, nullptr));
    auto* read = dynamic_cast<TvyAppUpdater*>(copy->FindComponent("AppUpdater1"));
    ASSERT_NE(nullptr, read);
    EXPECT_EQ("07/07/2002", read->VersionDate()) << "the stored date is used unchanged at run time";
    EXPECT_EQ(u->InfoFileURL(), read->InfoFileURL());
    EXPECT_EQ(u->ShowMessages(), read->ShowMessages());
    EXPECT_EQ(TThreadPriority::tpLower, read->HTTP()->Priority());
    EXPECT_EQ("tally", read->HTTP()->HTTPUsername()) << "credentials reach the client";
    EXPECT_EQ("secret", read->HTTP()->HTTPPassword());
    EXPECT_FALSE(read->Wizard()->Enabled());
}

// --- What the user answers, and what the engine says ------------------------------------

// Clicks a button of a dialog the engine holds open, from inside its modal loop, once the
// dialog shows; a message to the real button, as its click.
std::function<TButton*()> DialogButton;
void CALLBACK ClickDialogButton(HWND, UINT, UINT_PTR id, DWORD)
{
    TButton* button = DialogButton ? DialogButton() : nullptr;
    if (!button || !IsWindowVisible(button->Handle())) return;
    KillTimer(nullptr, id);
    DialogButton = nullptr;
    SendMessageA(button->Handle(), BM_CLICK, 0, 0);
}

TEST_F(vyAppUpdaterTest, AnswersInTheDialogsAndTheBoxesOfALostConnection)
{
    Server.Route("/dl/tgupd-1.bin", "auth=tally:secret&size=3000");
    Server.Route("/dl/tgupd-2.bin", "size=20000&cut=5000");
    const TvyAppUpdaterWizard& wizard = *Updater->Wizard();
    struct TCase {
        const char* Name;
        unsigned Messages;
        std::string File;
        std::function<TButton*()> Answer;
        Lines Log;
    } cases[] = {
        {"Later in the upgrade message", vyMessageBit(mAskUpgrade), "tgupd-1.bin",
         [&]() -> TButton* { return wizard.UpgradeMessageForm() ? wizard.UpgradeMessageForm()->LaterBtn : nullptr; },
         {"later"}},
        {"Cancel in the password dialog", vyMessageBit(mPasswordRequest), "tgupd-1.bin",
         [&]() -> TButton* { return wizard.PasswordForm() ? wizard.PasswordForm()->CancelBtn : nullptr; },
         {"password", "aborted"}},
        {"the connection lost", vyMessageBit(mConnLost), "tgupd-2.bin", nullptr, {"connlost"}},
    };
    for (const TCase& c : cases) {
        Log.clear();
        TestPlatform().Boxes.clear();
        const size_t requests = Server.RequestCount();
        Updater->SetShowMessages(c.Messages);
        Announce({File(c.File)});
        DialogButton = c.Answer;
        const UINT_PTR timer = c.Answer ? SetTimer(nullptr, 0, 20, &ClickDialogButton) : 0;
        Updater->CheckUpdate();
        const bool ended = WaitFor(c.Log.back());
        if (timer) KillTimer(nullptr, timer);
        DialogButton = nullptr;
        ASSERT_TRUE(ended) << c.Name;
        Log.erase(Log.begin()); // "begin"
        EXPECT_EQ(c.Log, Log) << c.Name;
        EXPECT_EQ(Lines{}, TemporaryFiles()) << c.Name;
        EXPECT_TRUE(TestPlatform().Execs.empty()) << c.Name;
        if (c.Messages == vyMessageBit(mAskUpgrade)) {
            EXPECT_EQ(requests + 1, Server.RequestCount()) << "nothing fetched after Later";
        }
        if (c.Messages != vyMessageBit(mConnLost)) {
            EXPECT_TRUE(TestPlatform().Boxes.empty()) << c.Name;
            continue;
        }
        ASSERT_EQ(1u, TestPlatform().Boxes.size()) << c.Name;
        EXPECT_EQ(Updater->Wizard()->Text(31), TestPlatform().Boxes[0].Text);
        EXPECT_EQ(Updater->Wizard()->Text(0), TestPlatform().Boxes[0].Caption);
        EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), TestPlatform().Boxes[0].Type);
    }
}

// Freed in the middle of an upgrade, the component deletes what the upgrade wrote: the
// finished first file and the unfinished second.
TEST_F(vyAppUpdaterTest, FreedMidDownloadItLeavesNoTemporaryFile)
{
    Server.Route("/dl/tgupd-1.bin", "size=3000");
    Server.Route("/dl/tgupd-2.bin", "size=60000&chunk=2000&delay=20");
    Announce({File("tgupd-1.bin"), File("tgupd-2.bin")});
    Updater->CheckUpdate();
    ASSERT_TRUE(PumpUntil([&] { return TemporaryFiles().size() == 2; }, Patience)) << "both files begun";
    Updater.reset();
    EXPECT_EQ(Lines{}, TemporaryFiles());
}

} // namespace
