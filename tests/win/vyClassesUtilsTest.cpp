// tests/win/vyClassesUtilsTest.cpp
// The shared routines against the real system: version record, directories, environment,
// registry associations, keyboard state, resources, the processor clock; shell and sound
// calls as the seam records them.
#include <gtest/gtest.h>

#include <mmsystem.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "Forms.h"
#include "TestRegistry.h"
#include "WinTest.h"
#include "vyClasses.h"
#include "vyClassesUtils.h"

namespace {

// --- Operating system ------------------------------------------------------------------

TEST(OSVersionWinTest, WhatThisSystemReports)
{
    // The test prefix is Wine's default: Windows 7 (6.1 on the NT platform) with visual
    // styles on. 6.1 lies beyond the generation table, so it is no NT generation by name.
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    ASSERT_EQ(6u, info.dwMajorVersion) << "the prefix reports another system";
    ASSERT_EQ(1u, info.dwMinorVersion) << "the prefix reports another system";
    ASSERT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_NT), info.dwPlatformId);

    EXPECT_EQ(osUnknown, GetOSVersion());
    EXPECT_FALSE(IsWinNT()) << "only the named NT generations";
    EXPECT_TRUE(IsWin2KOrLater());
    EXPECT_TRUE(IsWinXPOrLater());
    const bool loadedBefore = GetModuleHandleA("uxtheme.dll") != nullptr;
    EXPECT_TRUE(ThemesActive()) << "Wine's styles are on";
    EXPECT_EQ(loadedBefore, GetModuleHandleA("uxtheme.dll") != nullptr) << "the library is freed again";
}

// --- Directories and environment -------------------------------------------------------

void ExpectDirectory(const std::string& dir, const char* what)
{
    ASSERT_FALSE(dir.empty()) << what;
    EXPECT_EQ('\\', dir.back()) << what << " " << dir;
    if (dir.size() >= 2) {
        EXPECT_NE('\\', dir[dir.size() - 2]) << what << " has one trailing backslash: " << dir;
    }
    const DWORD attributes = GetFileAttributesA(RemoveBackslashes(dir).c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes) << what << " exists: " << dir;
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY) << what << " is a folder: " << dir;
}

TEST(SystemPlacesTest, EndInOneBackslashAndExist)
{
    ExpectDirectory(GetTempDir(), "temporary folder");
    ExpectDirectory(GetSystemDir(), "system folder");
    ExpectDirectory(GetWindowsDir(), "Windows folder");

    char buffer[MAX_PATH];
    const UINT n = GetWindowsDirectoryA(buffer, sizeof buffer);
    EXPECT_EQ(AddBackslash(std::string(buffer, n)), GetWindowsDir());
    const UINT s = GetSystemDirectoryA(buffer, sizeof buffer);
    EXPECT_EQ(AddBackslash(std::string(buffer, s)), GetSystemDir());
}

TEST(EnvironmentTest, ValuesOfAnyLengthAndUnsetOnes)
{
    const char* name = "TALLYGLASS_TEST_VARIABLE";
    ASSERT_TRUE(SetEnvironmentVariableA(name, "short value"));
    EXPECT_EQ("short value", GetEnvVar(name));

    const std::string longValue(3000, 'x');
    ASSERT_TRUE(SetEnvironmentVariableA(name, longValue.c_str()));
    EXPECT_EQ(longValue, GetEnvVar(name)) << "longer than any first guess";

    SetEnvironmentVariableA(name, nullptr);
    EXPECT_EQ("", GetEnvVar(name)) << "unset";
    EXPECT_EQ("", GetEnvVar(""));
    EXPECT_FALSE(GetEnvVar("PATH").empty()) << "the path is always set";
}

// --- Registry --------------------------------------------------------------------------

const char* const TestKey = "Software\\TallyglassTest";

TEST(RegistryTest, RegValueExistsAsksTheOpenKey)
{
    DeleteTree(HKEY_CURRENT_USER, TestKey);
    SetText(HKEY_CURRENT_USER, TestKey, "Present", "yes");
    SetDword(HKEY_CURRENT_USER, TestKey, "Number", 7);
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, TestKey, 0, KEY_READ, &key));
    EXPECT_TRUE(RegValueExists(key, "Present"));
    EXPECT_TRUE(RegValueExists(key, "present")) << "value names compare without case";
    EXPECT_TRUE(RegValueExists(key, "Number")) << "of any type";
    EXPECT_FALSE(RegValueExists(key, "Absent"));
    RegCloseKey(key);
    EXPECT_FALSE(RegValueExists(nullptr, "Present")) << "no key";
    DeleteTree(HKEY_CURRENT_USER, TestKey);
}

// Associations under HKEY_CLASSES_ROOT, with keys of our own and, for OpenURL, a borrowed
// ".html" whose default value is put back afterwards.
class AssociationTest : public testing::Test {
protected:
    void SetUp() override
    {
        Clean();
        HKEY key;
        HtmlKeyExisted = RegOpenKeyExA(HKEY_CLASSES_ROOT, ".html", 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (HtmlKeyExisted) {
            char data[512];
            DWORD size = sizeof data, type = 0;
            if (RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS &&
                type == REG_SZ)
                HtmlDefault = std::string(data);
            RegCloseKey(key);
        }
        TestPlatform().ShellCalls.clear();
    }
    void TearDown() override
    {
        if (!HtmlKeyExisted) {
            DeleteTree(HKEY_CLASSES_ROOT, ".html");
        } else if (HtmlDefault) {
            SetText(HKEY_CLASSES_ROOT, ".html", "", *HtmlDefault);
        } else {
            HKEY key;
            if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ".html", 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
                RegDeleteValueA(key, "");
                RegCloseKey(key);
            }
        }
        Clean();
        TestPlatform().ShellCalls.clear();
    }
    static void Clean()
    {
        for (const char* k : {".tgtest1", ".tgtest2", ".tgtest3", ".tgtest4", ".tgtest5", ".tgtest6", ".tgtest7",
                              "TallyglassTest.Open", "TallyglassTest.Verbs", "TallyglassTest.Walk",
                              "TallyglassTest.Expand", "TallyglassTest.NoCommand", "TallyglassTest.Html",
                              "TallyglassTest.Bare"})
            DeleteTree(HKEY_CLASSES_ROOT, k);
    }

    bool HtmlKeyExisted = false;
    std::optional<std::string> HtmlDefault;
};

TEST_F(AssociationTest, OpenCommandGivesTheProgramWithoutParameters)
{
    SetText(HKEY_CLASSES_ROOT, ".tgtest1", "", "TallyglassTest.Open");
    SetText(HKEY_CLASSES_ROOT, "TallyglassTest.Open", "", "Tally test file");
    SetText(HKEY_CLASSES_ROOT, "TallyglassTest.Open\\shell\\open\\command", "",
             "\"C:\\Program Files\\Tally\\viewer.exe\" \"%1\"");
    EXPECT_EQ("C:\\Program Files\\Tally\\viewer.exe", GetAssociatedProgram(".tgtest1"));
    EXPECT_EQ("C:\\Program Files\\Tally\\viewer.exe", GetAssociatedProgram(".TGTEST1")) << "keys ignore case";

    SetText(HKEY_CLASSES_ROOT, ".tgtest6", "", "TallyglassTest.Expand");
    SetText(HKEY_CLASSES_ROOT, "TallyglassTest.Expand\\shell\\open\\command", "",
             "%SystemRoot%\\NOTEPAD.EXE %1", REG_EXPAND_SZ);
    EXPECT_EQ("%SystemRoot%\\NOTEPAD.EXE", GetAssociatedProgram(".tgtest6")) << "expandable text is read as it stands";
}

TEST_F(AssociationTest, AVerbContainingOpenIsChosenFirst)
{
    SetText(HKEY_CLASSES_ROOT, ".tgtest2", "", "TallyglassTest.Verbs");
    SetText(HKEY_CLASSES_ROOT, "TallyglassTest.Verbs\\shell\\edit\\command", "", "C:\\EDITOR.EXE %1");
    SetText(HKEY_CLASSES_ROOT, "TallyglassTest.Verbs\\shell\\OpenInViewer\\command", "", "C:\\VIEWER.EXE /v %1");
    EXPECT_EQ("C:\\VIEWER.EXE", GetAssociatedProgram(".tgtest2"));

    // A verb containing "open" without a command of its own gives nothing, however
    // many other verbs have one.
    SetText(HKEY_CLASSES_ROOT, ".tgtest7", "", "TallyglassTest.NoCommand");
    SetText(HKEY_CLASSES_ROOT, "TallyglassTest.NoCommand\\shell\\edit\\command", "", "C:\\EDITOR.EXE %1");
    CreateKey(HKEY_CLASSES_ROOT, "TallyglassTest.NoCommand\\shell\\reopen");
    EXPECT_EQ("", GetAssociatedProgram(".tgtest7"));
}

TEST_F(AssociationTest, WithoutAnOpenVerbTheFirstCommandFoundIsUsed)
{
    SetText(HKEY_CLASSES_ROOT, ".tgtest3", "", "TallyglassTest.Walk");
    CreateKey(HKEY_CLASSES_ROOT, "TallyglassTest.Walk\\shell\\aaprint");
    SetText(HKEY_CLASSES_ROOT, "TallyglassTest.Walk\\shell\\play\\command", "", "C:\\PLAYER.EXE -play %1");
    EXPECT_EQ("C:\\PLAYER.EXE", GetAssociatedProgram(".tgtest3")) << "a verb without a command is passed over";
}

TEST_F(AssociationTest, MissingPiecesGiveNothing)
{
    EXPECT_EQ("", GetAssociatedProgram(""));
    EXPECT_EQ("", GetAssociatedProgram("."));
    EXPECT_EQ("", GetAssociatedProgram(".tgtest-none")) << "no such extension";

    CreateKey(HKEY_CLASSES_ROOT, ".tgtest4");
    EXPECT_EQ("", GetAssociatedProgram(".tgtest4")) << "no file type";
    SetText(HKEY_CLASSES_ROOT, ".tgtest4", "", "TallyglassTest.Missing");
    EXPECT_EQ("", GetAssociatedProgram(".tgtest4")) << "file type without a key";
    SetText(HKEY_CLASSES_ROOT, ".tgtest4", "", "TallyglassTest.Bare");
    CreateKey(HKEY_CLASSES_ROOT, "TallyglassTest.Bare");
    EXPECT_EQ("", GetAssociatedProgram(".tgtest4")) << "file type without verbs";

    SetDword(HKEY_CLASSES_ROOT, ".tgtest5", "", 42);
    EXPECT_EQ("", GetAssociatedProgram(".tgtest5")) << "a file type that is no text";
}

// --- Shell -----------------------------------------------------------------------------

void ExpectShellOpen(const TRecordingPlatform::TShellCall& call, const std::string& file,
                     std::optional<std::string> params, const char* what)
{
    EXPECT_EQ(GetDesktopWindow(), call.Wnd) << what;
    EXPECT_EQ(std::optional<std::string>("open"), call.Verb) << what;
    EXPECT_EQ(std::optional<std::string>(file), call.File) << what;
    EXPECT_EQ(params, call.Params) << what;
    EXPECT_EQ(std::nullopt, call.Dir) << what << ": no directory";
    EXPECT_EQ(SW_SHOWNORMAL, call.Show) << what;
}

TEST_F(AssociationTest, OpenURLPutsHttpInFrontOfBareAddresses)
{
    OpenURL("www.example.com/tallyglass", false);
    OpenURL("ftp://files.example.com/", false);
    ASSERT_EQ(2u, TestPlatform().ShellCalls.size());
    ExpectShellOpen(TestPlatform().ShellCalls[0], "http://www.example.com/tallyglass", std::nullopt, "bare address");
    ExpectShellOpen(TestPlatform().ShellCalls[1], "ftp://files.example.com/", std::nullopt, "address with a scheme");
}

TEST_F(AssociationTest, OpenURLInANewWindowStartsTheBrowserAfresh)
{
    SetText(HKEY_CLASSES_ROOT, ".html", "", "TallyglassTest.Html");
    SetText(HKEY_CLASSES_ROOT, "TallyglassTest.Html\\shell\\open\\command", "",
             "\"C:\\Program Files\\Browser\\browse.exe\" -nohome");
    OpenURL("www.example.com", true);
    ASSERT_EQ(1u, TestPlatform().ShellCalls.size());
    ExpectShellOpen(TestPlatform().ShellCalls[0], "C:\\Program Files\\Browser\\browse.exe",
                    std::string("\"http://www.example.com\""), "browser started with the address, quoted");

    // No browser registered: the address is opened as in the same window.
    TestPlatform().ShellCalls.clear();
    SetText(HKEY_CLASSES_ROOT, ".html", "", "TallyglassTest.Missing");
    OpenURL("http://www.example.com", true);
    ASSERT_EQ(1u, TestPlatform().ShellCalls.size());
    ExpectShellOpen(TestPlatform().ShellCalls[0], "http://www.example.com", std::nullopt, "no browser registered");
}

TEST(SendMailTest, ComposesTheWholeMailtoText)
{
    TestPlatform().ShellCalls.clear();
    SendMail("someone@example.com");
    SendMail("jo@example.com", "Jo Bloggs", "Hello there", "PS: I'm using Windows", "cc@example.com",
             "bcc@example.com");
    ASSERT_EQ(2u, TestPlatform().ShellCalls.size());
    ExpectShellOpen(TestPlatform().ShellCalls[0], "mailto:someone@example.com?Subject=&Body=&CC=&BCC=", std::nullopt,
                    "address only");
    ExpectShellOpen(TestPlatform().ShellCalls[1],
                    "mailto:Jo Bloggs <jo@example.com>?Subject=Hello there&Body=PS: I'm using Windows"
                    "&CC=cc@example.com&BCC=bcc@example.com",
                    std::nullopt, "every part, nothing encoded");
    TestPlatform().ShellCalls.clear();
}

// --- Sounds and keyboard ---------------------------------------------------------------

TEST(PlaySystemSoundTest, PlaysTheEventByAliasNeverTheDefault)
{
    auto& sounds = TestPlatform().Sounds;
    sounds.clear();
    PlaySystemSound(10, true);
    PlaySystemSound(1, false, false);
    PlaySystemSound(17, false, true);
    ASSERT_EQ(3u, sounds.size());
    EXPECT_EQ(std::optional<std::string>("Minimize"), sounds[0].Sound);
    EXPECT_EQ(nullptr, sounds[0].Module) << "no module handle";
    EXPECT_EQ(static_cast<DWORD>(SND_ALIAS | SND_NODEFAULT | SND_ASYNC), sounds[0].Flags) << "asynchronous";
    EXPECT_EQ(std::optional<std::string>("SystemAsterisk"), sounds[1].Sound);
    EXPECT_EQ(static_cast<DWORD>(SND_ALIAS | SND_NODEFAULT | SND_SYNC), sounds[1].Flags) << "synchronous";
    EXPECT_EQ(std::optional<std::string>("SystemStart"), sounds[2].Sound);
    EXPECT_EQ(static_cast<DWORD>(SND_ALIAS | SND_NODEFAULT | SND_ASYNC), sounds[2].Flags) << "the second flag";

    sounds.clear();
    PlaySystemSound(0, true);
    PlaySystemSound(-1, true);
    PlaySystemSound(18, true);
    EXPECT_TRUE(sounds.empty()) << "index 0 and indices outside the table play nothing";
}

TEST(KeyboardTest, ShiftStateFollowsTheKeyStates)
{
    BYTE saved[256];
    ASSERT_TRUE(GetKeyboardState(saved));
    BYTE keys[256];
    std::memcpy(keys, saved, sizeof keys);
    const auto set = [&](bool shift, bool alt, bool ctrl) {
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        keys[VK_MENU] = alt ? 0x80 : 0;
        keys[VK_CONTROL] = ctrl ? 0x81 : 0x01; // the toggle bit alone means nothing
        SetKeyboardState(keys);
    };
    const unsigned shift = static_cast<unsigned>(TShiftStateFlag::ssShift);
    const unsigned alt = static_cast<unsigned>(TShiftStateFlag::ssAlt);
    const unsigned ctrl = static_cast<unsigned>(TShiftStateFlag::ssCtrl);
    set(false, false, false);
    EXPECT_EQ(0u, GetShiftState()) << "nothing down";
    set(true, false, true);
    EXPECT_EQ(shift | ctrl, GetShiftState()) << "Shift and Ctrl down";
    set(false, true, false);
    EXPECT_EQ(alt, GetShiftState()) << "Alt down";
    set(true, true, true);
    EXPECT_EQ(shift | alt | ctrl, GetShiftState()) << "all three down";
    SetKeyboardState(saved);
}

TEST(KeyboardTest, KeyNamesFromTheKeystrokeData)
{
    const LPARAM a = 0x1E << 16; // scan code of the A key
    EXPECT_EQ("A", GetKeyName(a));
    char direct[256];
    const LPARAM enter = 0x1C << 16;
    const int n = GetKeyNameTextA(static_cast<LONG>(enter), direct, sizeof direct);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(direct, static_cast<std::size_t>(n)), GetKeyName(enter));
}

// --- Resources and the application -----------------------------------------------------

TEST(ResourceTest, CopiesTheResourceBytesIntoTheStream)
{
    HINSTANCE module = GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(module, "TFORM1", MAKEINTRESOURCEA(10)); // RT_RCDATA
    ASSERT_NE(nullptr, info) << "the test carries the program's main form";
    const DWORD size = SizeofResource(module, info);
    const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module, info)));

    TMemoryStream stream;
    ASSERT_TRUE(LoadResourceToStream(module, "TFORM1", MAKEINTRESOURCEA(10), &stream));
    ASSERT_EQ(static_cast<long>(size), stream.Size());
    EXPECT_EQ(0, std::memcmp(data, stream.Memory(), size)) << "the same bytes";
    EXPECT_EQ(0, std::memcmp("object Form1", stream.Memory(), 12)) << "a form description";

    // Written at the stream's position, after what it held.
    TMemoryStream filled;
    filled.Write("head", 4);
    ASSERT_TRUE(LoadResourceToStream(module, "TFORM1", MAKEINTRESOURCEA(10), &filled));
    EXPECT_EQ(static_cast<long>(size) + 4, filled.Size());
    EXPECT_EQ(0, std::memcmp("headobject", filled.Memory(), 10));
}

TEST(ResourceTest, FailuresAnswerFalse)
{
    HINSTANCE module = GetModuleHandleA(nullptr);
    TMemoryStream stream;
    EXPECT_FALSE(LoadResourceToStream(module, "TFORM1", MAKEINTRESOURCEA(10), nullptr)) << "no stream";
    EXPECT_FALSE(LoadResourceToStream(module, "NOSUCHRESOURCE", MAKEINTRESOURCEA(10), &stream)) << "no resource";
    EXPECT_FALSE(LoadResourceToStream(module, "TFORM1", "NOSUCHTYPE", &stream)) << "wrong type";
    EXPECT_FALSE(LoadResourceToStream(module, nullptr, MAKEINTRESOURCEA(10), &stream)) << "no name";
    EXPECT_EQ(0, stream.Size()) << "nothing written on failure";
}

TEST(CloseApplicationTest, ClosesTheMainFormThenEndsTheApplication)
{
    TCustomForm* previous = Application->MainForm();
    auto* form = new TForm(Application);
    Application->SetMainForm(form);
    std::vector<std::string> events;
    form->OnCloseQuery = [&](TObject*, bool& canClose) {
        events.push_back("close query");
        canClose = false;
    };
    form->OnClose = [&](TObject*, TCloseAction&) { events.push_back("close"); };

    CloseApplication();
    EXPECT_EQ(std::vector<std::string>{"close query"}, events) << "a refused close stops at the query";
    EXPECT_TRUE(Application->Terminated()) << "the application is asked to end all the same";
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "a quit request waits";
    TakeBackQuit();

    events.clear();
    form->OnCloseQuery = [&](TObject*, bool&) { events.push_back("close query"); };
    CloseApplication();
    EXPECT_EQ((std::vector<std::string>{"close query", "close"}), events) << "an accepted close";
    TakeBackQuit();

    Application->SetMainForm(nullptr);
    CloseApplication(); // without a main form: only the request to end
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "without a main form";
    TakeBackQuit();
    form->Free();
    Application->SetMainForm(previous);
}

// --- Processor clock -------------------------------------------------------------------

TEST(CPUSpeedWinTest, LandsOnASnappingPointAndRestoresThePriority)
{
    const int priority = GetThreadPriority(GetCurrentThread());
    const int mhz = GetCPUSpeed();
    RecordProperty("MHz", mhz);
    EXPECT_EQ(priority, GetThreadPriority(GetCurrentThread())) << "thread priority restored";
    ASSERT_GT(mhz, 0) << "this machine has both counters";
    const int r = mhz % 100;
    EXPECT_TRUE(r == 0 || r == 20 || r == 33 || r == 50 || r == 60 || r == 66 || r == 80 || r == 90)
        << mhz << " MHz is no snapping point";
    EXPECT_LT(mhz, 20000) << "a plausible clock";
}

} // namespace
