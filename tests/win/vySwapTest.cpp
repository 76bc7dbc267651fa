// tests/win/vySwapTest.cpp
// The swap program for real: the copy embedded in the resources is written out and started
// with the command line an upgrading program gives it, against a stand-in program
// (SwapStandIn.exe) that holds its executable while it runs and records every start. The
// folder's final state and the recorded starts are what is checked.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "Pictures.h"
#include "TestFiles.h"
#include "WinTest.h"
#include "vyAppUpdaterText.h"
#include "vyClasses.h"

namespace {

const char* const RestartParams = "/afterupgrade";

std::string ResourceBytes(HMODULE module)
{
    TMemoryStream stream;
    if (!LoadResourceToStream(module, "VYUPG", "VYUPG", &stream)) return {};
    return std::string(reinterpret_cast<const char*>(stream.Memory()), stream.Bytes().size());
}

std::vector<std::string> Split(const std::string& s, char sep)
{
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t at; (at = s.find(sep, from)) != std::string::npos; from = at + 1) parts.push_back(s.substr(from, at - from));
    parts.push_back(s.substr(from));
    return parts;
}

// A process we started, waited for and closed.
class TProcess {
public:
    explicit TProcess(std::string cmd)
    {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        FStarted = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &FInfo) != FALSE;
    }
    ~TProcess()
    {
        if (!FStarted) return;
        if (WaitForSingleObject(FInfo.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(FInfo.hProcess, 99);
            WaitForSingleObject(FInfo.hProcess, 10000);
        }
        CloseHandle(FInfo.hProcess);
        CloseHandle(FInfo.hThread);
    }
    TProcess(const TProcess&) = delete;
    TProcess& operator=(const TProcess&) = delete;

    bool Started() const { return FStarted; }
    // The exit code, or nothing when it has not ended within timeoutMs.
    std::optional<DWORD> Wait(DWORD timeoutMs) const
    {
        if (!FStarted || WaitForSingleObject(FInfo.hProcess, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        GetExitCodeProcess(FInfo.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION FInfo{};
    bool FStarted = false;
};

// One recorded start or end of a stand-in.
struct TRecord {
    std::string Event, Path;
    DWORD Attributes = 0;
    int ParamCount = -1;
    std::string FirstParam;
};

class SwapTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // In a folder with blanks, and started by its unquoted path, as the upgrader does.
        SwapPath = Scratch("tg swap bin\\with blanks") + "vySwap.exe";
        ASSERT_TRUE(WriteAll(SwapPath, ResourceBytes(GetModuleHandleA(nullptr)))) << SwapPath;
        StandIn = ReadAll(ExeFolder() + "SwapStandIn.exe");
        ASSERT_FALSE(StandIn.empty()) << "SwapStandIn.exe beside the test program";
    }

    void SetUp() override
    {
        LogPath = Scratch("tg swap") + "standin.log";
        SetEnvironmentVariableA("TG_STANDIN_LOG", LogPath.c_str());
        SetEnvironmentVariableA("TG_STANDIN_HOLD_MS", "600");
        SetEnvironmentVariableA("VYSWAP_WAIT_MS", nullptr);
    }

    // A stand-in executable tagged with its content, or a plain file holding only the tag.
    void Put(const std::string& folder, const std::string& name, const std::string& tag, bool executable)
    {
        ASSERT_TRUE(WriteAll(folder + name, (executable ? StandIn : std::string()) + tag)) << folder + name;
    }

    // Every file of the folder with its tag.
    std::map<std::string, std::string> Contents(const std::string& folder)
    {
        std::map<std::string, std::string> out;
        for (const auto& name : FilesIn(folder)) {
            std::string bytes = ReadAll(folder + name);
            if (bytes.compare(0, StandIn.size(), StandIn) == 0) bytes.erase(0, StandIn.size());
            out[name] = bytes;
        }
        return out;
    }

    std::vector<TRecord> Records()
    {
        std::vector<TRecord> out;
        for (const auto& line : Split(ReadAll(LogPath), '\n')) {
            if (line.empty()) continue;
            const auto f = Split(line, '|');
            TRecord r;
            r.Event = f[0];
            r.Path = f.size() > 1 ? f[1] : "";
            if (f.size() >= 3) r.Attributes = std::strtoul(f[2].c_str(), nullptr, 16);
            if (f.size() == 5) {
                r.ParamCount = std::atoi(f[3].c_str());
                r.FirstParam = f[4];
            }
            out.push_back(r);
        }
        return out;
    }

    bool WaitForRecords(size_t count, DWORD timeoutMs = 20000)
    {
        return PumpUntil([&] { return Records().size() >= count; }, timeoutMs);
    }

    // Starts the folder's app.exe as the running old program and waits until it holds its file.
    std::unique_ptr<TProcess> StartOldProgram(const std::string& folder)
    {
        auto old = std::make_unique<TProcess>("\"" + folder + "app.exe\" old");
        EXPECT_TRUE(old->Started());
        EXPECT_TRUE(WaitForRecords(1)) << "the old program did not start";
        return old;
    }

    // The command line of the upgrader.
    static std::string SwapCommand(const std::string& target, char method)
    {
        return SwapCommandLine(SwapPath, target, RestartParams,
                               method == '1' ? TvyUpgradeMethod::umUseExternalSetup : TvyUpgradeMethod::umSelfUpgrade);
    }

    static inline std::string SwapPath, StandIn;
    std::string LogPath;
};

TEST(SwapResource, TheEmbeddedProgramIsTheBuiltOne)
{
    const std::string built = ReadAll(ExeFolder() + "lib\\upgrade\\swap\\vySwap.exe");
    ASSERT_GT(built.size(), 1024u) << "the built swap program";
    const std::string own = ResourceBytes(GetModuleHandleA(nullptr));
    EXPECT_TRUE(own == built) << "this test program's copy: " << own.size() << " bytes, built " << built.size();

    HMODULE product = LoadLibraryExA((ExeFolder() + "app\\Tallyglass.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, product) << "app\\Tallyglass.exe";
    const std::string shipped = ResourceBytes(product);
    EXPECT_TRUE(shipped == built) << "Tallyglass.exe's copy: " << shipped.size() << " bytes, built " << built.size();
    FreeLibrary(product);
}

struct TFile {
    const char* Name;
    const char* Tag;
    bool Executable;
};

struct TReplaceCase {
    const char* Name;
    const char* Folder; // under the temporary folder; blanks on purpose
    std::vector<TFile> Before;
    const char* Locked; // held open by this process, without delete sharing, while the swap runs
    std::map<std::string, std::string> After;
    bool ReadOnly = false; // the program is read-only, as copied from a CD
};

TEST_F(SwapTest, ReplacesFilesAndRestartsTheProgram)
{
    const TReplaceCase cases[] = {
        {"the program and a text file, in a folder with blanks",
         "tg swap\\My Program Files\\App One",
         {{"app.exe", "OLD", true}, {"app.exe.uTMP", "NEW", true}, {"readme.txt", "old text", false},
          {"readme.txt.uTMP", "new text", false}},
         nullptr,
         {{"app.exe", "NEW"}, {"readme.txt", "new text"}}},
        {"a new executable under another name becomes the program",
         "tg swap\\App Two",
         {{"app.exe", "OLD", true}, {"app2.exe.uTMP", "NEW", true}},
         nullptr,
         {{"app.exe", "NEW"}}},
        {"SETUP.EXE is no executable by the rule and keeps its name",
         "tg swap\\App Three",
         {{"app.exe", "OLD", true}, {"SETUP.EXE.uTMP", "setup", false}},
         nullptr,
         {{"app.exe", "OLD"}, {"SETUP.EXE", "setup"}}},
        {"a target held open keeps the old file and the new one waits for next time",
         "tg swap\\App Four",
         {{"app.exe", "OLD", true}, {"app.exe.uTMP", "NEW", true}, {"readme.txt", "old text", false},
          {"readme.txt.uTMP", "new text", false}},
         "readme.txt",
         {{"app.exe", "NEW"}, {"readme.txt", "old text"}, {"readme.txt.uTMP", "new text"}}},
        {"a new file held open is put back after the old one was set aside",
         "tg swap\\App Five",
         {{"app.exe", "OLD", true}, {"app.exe.uTMP", "NEW", true}, {"readme.txt", "old text", false},
          {"readme.txt.uTMP", "new text", false}},
         "readme.txt.uTMP",
         {{"app.exe", "NEW"}, {"readme.txt", "old text"}, {"readme.txt.uTMP", "new text"}}},
        {"names that are no file names are left alone",
         "tg swap\\App Six",
         {{"app.exe", "OLD", true}, {"..uTMP", "dots", false}, {"...uTMP", "more dots", false}},
         nullptr,
         {{"app.exe", "OLD"}, {"..uTMP", "dots"}, {"...uTMP", "more dots"}}},
        {"a folder with a plus and two blanks in a row", "tg swap\\A+B  Two",
         {{"app.exe", "OLD", true}, {"app.exe.uTMP", "NEW", true}}, nullptr, {{"app.exe", "NEW"}}},
        {"a read-only program", "tg swap\\From CD", {{"app.exe", "OLD", true}, {"app.exe.uTMP", "NEW", true}},
         nullptr, {{"app.exe", "NEW"}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        DeleteFileA(LogPath.c_str());
        const std::string folder = Scratch(c.Folder);
        for (const auto& f : c.Before) Put(folder, f.Name, f.Tag, f.Executable);
        if (c.ReadOnly) SetFileAttributesA((folder + "app.exe").c_str(), FILE_ATTRIBUTE_READONLY);
        SetEnvironmentVariableA("VYSWAP_WAIT_MS", "15000"); // a swap that never gets the file gives up
        SetEnvironmentVariableA("TG_STANDIN_HOLD_MS", c.ReadOnly ? "3000" : "600");  // time for the swap to start
        auto old = StartOldProgram(folder);

        HANDLE lock = INVALID_HANDLE_VALUE;
        if (c.Locked)
            lock = CreateFileA((folder + c.Locked).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        TProcess swap(SwapCommand(folder + "app.exe", '0'));
        ASSERT_TRUE(swap.Started()) << SwapCommand(folder + "app.exe", '0');
        EXPECT_EQ(std::optional<DWORD>(0), swap.Wait(30000)) << "exit code of the swap program";
        if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);

        // The old program's start and end, then the restarted program's.
        ASSERT_TRUE(WaitForRecords(4)) << ReadAll(LogPath);
        const auto r = Records();
        EXPECT_EQ("end", r[1].Event) << "the old program ended before anything was moved\n" << ReadAll(LogPath);
        // Root under Wine may write a read-only file: that the swap program cleared the
        // attribute while the old program still ran is what shows it would not wait for ever.
        if (c.ReadOnly) EXPECT_EQ(0u, r[1].Attributes & FILE_ATTRIBUTE_READONLY) << "read-only until the old program ended";
        EXPECT_EQ("start", r[2].Event);
        EXPECT_TRUE(SameText(folder + "app.exe", r[2].Path)) << r[2].Path;
        EXPECT_EQ(1, r[2].ParamCount) << "the restart parameters are one parameter";
        EXPECT_EQ(RestartParams, r[2].FirstParam);
        EXPECT_EQ("end", r[3].Event) << "one restart only\n" << ReadAll(LogPath);
        EXPECT_EQ(c.After, Contents(folder));
    }
}

TEST_F(SwapTest, RunsTheSetupHiddenDeletesItAndRestartsTheProgram)
{
    const std::string folder = Scratch("tg swap\\Setup Case");
    Put(folder, "app.exe", "OLD", true);
    Put(folder, "setup.exe.uTMP", "SETUP", true);
    Put(folder, "readme.txt.uTMP", "new text", false);
    auto old = StartOldProgram(folder);
    TProcess swap(SwapCommand(folder + "app.exe", '1'));
    EXPECT_EQ(std::optional<DWORD>(0), swap.Wait(30000)) << "exit code of the swap program";

    // Old program, setup, program: each ends before the next starts.
    ASSERT_TRUE(WaitForRecords(6)) << ReadAll(LogPath);
    const auto r = Records();
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"start", "app.exe"}, {"end", "app.exe"}, {"start", "setup.exe"},
        {"end", "setup.exe"}, {"start", "app.exe"}, {"end", "app.exe"}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].first, r[i].Event) << "record " << i << "\n" << ReadAll(LogPath);
        EXPECT_TRUE(SameText(folder + expected[i].second, r[i].Path)) << "record " << i << ": " << r[i].Path;
    }
    EXPECT_EQ(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE,
              r[2].Attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY))
        << "the setup is hidden while it runs";
    EXPECT_EQ(RestartParams, r[2].FirstParam) << "the setup's parameters";
    EXPECT_EQ(1, r[4].ParamCount);
    EXPECT_EQ(RestartParams, r[4].FirstParam) << "the restarted program's parameters";
    const std::map<std::string, std::string> after = {{"app.exe", "OLD"}, {"readme.txt", "new text"}};
    EXPECT_EQ(after, Contents(folder)) << "the setup is deleted after it ended";
}

TEST_F(SwapTest, GivesUpWithoutTouchingAFileWhenTheProgramDoesNotEnd)
{
    const std::string folder = Scratch("tg swap\\Never Ends");
    Put(folder, "app.exe", "OLD", true);
    Put(folder, "app.exe.uTMP", "NEW", true);
    SetEnvironmentVariableA("TG_STANDIN_HOLD_MS", "60000");
    auto old = StartOldProgram(folder);
    SetEnvironmentVariableA("VYSWAP_WAIT_MS", "300");
    TProcess swap(SwapCommand(folder + "app.exe", '0'));
    EXPECT_EQ(std::optional<DWORD>(1), swap.Wait(30000)) << "the swap program gives up";
    old.reset(); // ends the old program
    const std::map<std::string, std::string> same = {{"app.exe", "OLD"}, {"app.exe.uTMP", "NEW"}};
    EXPECT_EQ(same, Contents(folder));
    EXPECT_EQ(1u, Records().size()) << "nothing was restarted\n" << ReadAll(LogPath);
}

BOOL CALLBACK CollectText(HWND child, LPARAM texts)
{
    char buf[512];
    if (GetWindowTextA(child, buf, sizeof buf) > 0) reinterpret_cast<std::vector<std::string>*>(texts)->push_back(buf);
    return TRUE;
}

TEST_F(SwapTest, WithoutParametersItOnlyShowsWhatItIs)
{
    TProcess swap(SwapPath);
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (box = FindWindowA(nullptr, "vySwap v1.0")) != nullptr; }, 20000))
        << "the information box";
    std::vector<std::string> texts;
    EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&texts));
    const std::string lead = "Self-upgrading mechanism for AppUpdater component.";
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.rfind(lead, 0) == 0; }))
        << "no text of the box begins with the lead line; found " << ::testing::PrintToString(texts);

    // For people to look at: the box as the screen shows it.
    RECT r;
    GetWindowRect(box, &r);
    TBitmap shot;
    auto drawn = [&] {
        CaptureScreen(r, shot);
        const auto px = PixelsOf(shot);
        return std::count_if(px.begin(), px.end(), [](COLORREF c) {
                   return GetRValue(c) < 64 && GetGValue(c) < 64 && GetBValue(c) < 64;
               }) > 100;
    };
    EXPECT_TRUE(PumpUntil(drawn, 5000)) << "the box's text on the screen";
    EXPECT_FALSE(SaveArtifact(shot, "vySwapInfoBox").empty());

    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(std::optional<DWORD>(0), swap.Wait(20000)) << "closing the box ends the program";
}

} // namespace
