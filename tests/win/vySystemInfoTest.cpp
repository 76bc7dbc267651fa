// tests/win/vySystemInfoTest.cpp
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "FormReader.h"
#include "IniFiles.h"
#include "TestRegistry.h"
#include "WinTest.h"
#include "vySystemInfo.h"

namespace {

const char* const ShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const CurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const CurrentVersionNT = "Software\\Microsoft\\Windows NT\\CurrentVersion";
const char* const VNetSup = "System\\CurrentControlSet\\Services\\VxD\\VNETSUP";
const char* const Desktop = "Control Panel\\Desktop";

std::string SystemIni()
{
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\system.ini";
}

// Puts a registry value back as it was when the test began.
class TKeptValue {
public:
    TKeptValue(HKEY root, std::string path, std::string name)
        : FRoot(root), FPath(std::move(path)), FName(std::move(name)), FSaved(RawValue(FRoot, FPath, FName))
    {
    }
    ~TKeptValue()
    {
        if (FSaved)
            SetValue(FRoot, FPath, FName.c_str(), FSaved->Data.data(), static_cast<DWORD>(FSaved->Data.size()), FSaved->Type);
        else
            DeleteRawValue(FRoot, FPath, FName);
    }
    TKeptValue(const TKeptValue&) = delete;
    TKeptValue& operator=(const TKeptValue&) = delete;

private:
    HKEY FRoot;
    std::string FPath, FName;
    std::optional<TRawValue> FSaved;
};

// The same for the screen saver's line of "system.ini".
class TKeptIniValue {
public:
    TKeptIniValue() : FPresent(TIniFile(SystemIni()).ReadString("boot", "scrnsave.exe", "?") != "?"),
                      FSaved(TIniFile(SystemIni()).ReadString("boot", "scrnsave.exe", {})) {}
    ~TKeptIniValue()
    {
        TIniFile ini(SystemIni());
        if (FPresent)
            ini.WriteString("boot", "scrnsave.exe", FSaved);
        else
            ini.DeleteKey("boot", "scrnsave.exe");
    }

private:
    bool FPresent;
    std::string FSaved;
};

// What a test writes before asking, for each platform branch.
const char* const Owner9x = "Owner of 98";
const char* const Company9x = "Company of 98";
const char* const OwnerNT = "Owner of NT";
const char* const CompanyNT = "Company of NT";
const char* const Description9x = "Desk by the window";
const char* const Workgroup9x = "WORKGROUP98";
const char* const VersionNumber9x = "4.10.2222";
const char* const Version9x = "Windows 98";
const char* const ProductNT = "Microsoft Windows XP";
const char* const Saver9x = "C:\\WINDOWS\\MARBLE.SCR";
const char* const SaverNT = "C:\\WINDOWS\\system32\\ssmarque.scr";

// Every value the platform branches read, set to the values above while it lives.
class TPlatformFixture {
public:
    TPlatformFixture()
    {
        for (const char* key : {CurrentVersion, CurrentVersionNT})
            for (const char* name : {"RegisteredOwner", "RegisteredOrganization", "ProductName"})
                FKept.emplace_back(std::make_unique<TKeptValue>(HKEY_LOCAL_MACHINE, key, name));
        for (const char* name : {"Version", "VersionNumber"})
            FKept.emplace_back(std::make_unique<TKeptValue>(HKEY_LOCAL_MACHINE, CurrentVersion, name));
        FKept.emplace_back(std::make_unique<TKeptValue>(HKEY_CURRENT_USER, Desktop, "SCRNSAVE.EXE"));
        FHadVNetSup = KeyPresent(HKEY_LOCAL_MACHINE, VNetSup);
        SetText(HKEY_LOCAL_MACHINE, CurrentVersion, "RegisteredOwner", Owner9x);
        SetText(HKEY_LOCAL_MACHINE, CurrentVersion, "RegisteredOrganization", Company9x);
        SetText(HKEY_LOCAL_MACHINE, CurrentVersion, "ProductName", "Microsoft Windows 98");
        SetText(HKEY_LOCAL_MACHINE, CurrentVersion, "Version", Version9x);
        SetText(HKEY_LOCAL_MACHINE, CurrentVersionNT, "RegisteredOwner", OwnerNT);
        SetText(HKEY_LOCAL_MACHINE, CurrentVersionNT, "RegisteredOrganization", CompanyNT);
        SetText(HKEY_LOCAL_MACHINE, CurrentVersionNT, "ProductName", ProductNT);
        SetText(HKEY_LOCAL_MACHINE, VNetSup, "Comment", Description9x);
        SetText(HKEY_LOCAL_MACHINE, VNetSup, "Workgroup", Workgroup9x);
        SetText(HKEY_CURRENT_USER, Desktop, "SCRNSAVE.EXE", SaverNT);
        TIniFile(SystemIni()).WriteString("boot", "scrnsave.exe", Saver9x);
    }
    ~TPlatformFixture()
    {
        if (!FHadVNetSup) DeleteTree(HKEY_LOCAL_MACHINE, VNetSup);
    }
    // Windows 98 keeps the version number in the registry; NT has none there.
    void SetVersionNumber(bool present)
    {
        if (present)
            SetText(HKEY_LOCAL_MACHINE, CurrentVersion, "VersionNumber", VersionNumber9x);
        else
            DeleteRawValue(HKEY_LOCAL_MACHINE, CurrentVersion, "VersionNumber");
    }

private:
    std::vector<std::unique_ptr<TKeptValue>> FKept;
    TKeptIniValue FIni;
    bool FHadVNetSup = false;
};

const char* const ChildVariable = "TG_SYSINFO_PLATFORM";

std::string ChildPlatform()
{
    const char* v = std::getenv(ChildVariable);
    return v ? v : "";
}

// Runs in a copy of this program that reports Windows 98, over the parent's fixture.
TEST(SystemInfoPlatformChild, Windows98Branch)
{
    if (ChildPlatform() != "win98") GTEST_SKIP() << "runs in the Windows 98 copy";
    ASSERT_TRUE(GetVersion() & 0x80000000u) << "the copy reports the Windows 95/98 platform";
    TOwnedPtr<TvySystemInfo> info(new TvySystemInfo(nullptr));
    EXPECT_FALSE(info->WinNT());
    EXPECT_TRUE(info->OSVersion() == os98 || info->OSVersion() == os98SE) << info->OSVersion();
    EXPECT_EQ(Owner9x, info->OwnerName()) << "owner from the Windows key";
    EXPECT_EQ(Company9x, info->OwnerCompany());
    EXPECT_EQ(Description9x, info->ComputerDescription());
    EXPECT_EQ(Workgroup9x, info->ComputerWorkgroup());
    EXPECT_EQ(VersionNumber9x, info->WinVersionNumber()) << "the stored version number";
    EXPECT_EQ(Version9x, info->WinVersion()) << "the stored version name, untouched";
    EXPECT_EQ(Saver9x, info->ScreenSaver()) << "from system.ini";

    info->SetALLOW_EDIT(true);
    info->SetScreenSaver("C:\\WINDOWS\\BLANK.SCR");
    EXPECT_EQ("C:\\WINDOWS\\BLANK.SCR", TIniFile(SystemIni()).ReadString("boot", "scrnsave.exe", {})) << "written to system.ini";
    EXPECT_EQ(SaverNT, RawText(HKEY_CURRENT_USER, Desktop, "SCRNSAVE.EXE").value_or("")) << "not to the NT value";
    info->SetComputerDescription("Desk by the door");
    EXPECT_EQ("Desk by the door", RawText(HKEY_LOCAL_MACHINE, VNetSup, "Comment").value_or(""));

    TIniFile(SystemIni()).DeleteKey("boot", "scrnsave.exe");
    EXPECT_EQ(info->DirWindows() + "\\FLYING~1.SCR", info->ScreenSaver()) << "the default when system.ini names none";
}

// Runs in a copy of this program that reports Windows XP.
TEST(SystemInfoPlatformChild, WindowsXPBranch)
{
    if (ChildPlatform() != "winxp") GTEST_SKIP() << "runs in the Windows XP copy";
    TOwnedPtr<TvySystemInfo> info(new TvySystemInfo(nullptr));
    EXPECT_TRUE(info->WinNT());
    EXPECT_EQ(osXP, info->OSVersion());
    EXPECT_EQ(OwnerNT, info->OwnerName()) << "owner from the Windows NT key";
    EXPECT_EQ(CompanyNT, info->OwnerCompany());
    EXPECT_EQ("(not available on NT)", info->ComputerDescription());
    EXPECT_EQ("(not available on NT)", info->ComputerWorkgroup());
    EXPECT_EQ("Windows XP", info->WinVersion()) << "the product name without its maker";
    EXPECT_EQ("5.1.2600", info->WinVersionNumber()) << "joined from major, minor and build";
    EXPECT_EQ(SaverNT, info->ScreenSaver()) << "from the desktop settings";

    info->SetALLOW_EDIT(true);
    info->SetComputerDescription("Desk by the door");
    EXPECT_EQ(Description9x, RawText(HKEY_LOCAL_MACHINE, VNetSup, "Comment").value_or("")) << "never written on NT";
    info->SetScreenSaver("C:\\WINDOWS\\system32\\logon.scr");
    EXPECT_EQ("C:\\WINDOWS\\system32\\logon.scr", RawText(HKEY_CURRENT_USER, Desktop, "SCRNSAVE.EXE").value_or(""));
    EXPECT_EQ(Saver9x, TIniFile(SystemIni()).ReadString("boot", "scrnsave.exe", {})) << "system.ini untouched";
}

TEST(SystemInfoPlatform, EachBranchReadsWhatTheTestWrote)
{
    if (!ChildPlatform().empty()) GTEST_SKIP() << "this is a copy";
    struct {
        const char* Version;
        bool VersionNumberStored;
        const char* Test;
    } runs[] = {{"win98", true, "Windows98Branch"}, {"winxp", false, "WindowsXPBranch"}};
    for (const auto& run : runs) {
        TPlatformFixture fixture;
        fixture.SetVersionNumber(run.VersionNumberStored);
        const TChildResult r = RunAsWindowsVersion(
            run.Version, std::string("--gtest_filter=SystemInfoPlatformChild.") + run.Test, ChildVariable, run.Version);
        EXPECT_TRUE(r.Finished) << run.Version << ":\n" << r.Output;
        EXPECT_EQ(0u, r.ExitCode) << run.Version << ":\n" << r.Output;
        EXPECT_NE(std::string::npos, r.Output.find("[  PASSED  ] 1 test")) << run.Version << ":\n" << r.Output;
        EXPECT_EQ(std::string::npos, r.Output.find("SKIPPED")) << run.Version << " did not run as such:\n" << r.Output;
    }
}

} // namespace
namespace {

TEST(SystemInfo, WritesChangeNothingUntilAllowed)
{
    TKeptValue desktop(HKEY_CURRENT_USER, ShellFolders, "Desktop");
    TKeptValue programFiles(HKEY_LOCAL_MACHINE, CurrentVersion, "ProgramFilesDir");
    TKeptValue programFilesPath(HKEY_LOCAL_MACHINE, CurrentVersion, "ProgramFilesPath");
    SetText(HKEY_CURRENT_USER, ShellFolders, "Desktop", "C:\\Desk");
    TOwnedPtr<TvySystemInfo> info(new TvySystemInfo(nullptr));
    EXPECT_FALSE(info->ALLOW_EDIT()) << "off by default";
    EXPECT_EQ("C:\\Desk", info->DirDesktop());

    const int width = GetSystemMetrics(SM_CXSCREEN);
    info->SetDirDesktop("C:\\Elsewhere");
    info->SetScreenResolution(TvyScreenResolution::sr640x480);
    EXPECT_EQ("C:\\Desk", RawText(HKEY_CURRENT_USER, ShellFolders, "Desktop").value_or("")) << "written while not allowed";
    EXPECT_EQ(width, GetSystemMetrics(SM_CXSCREEN)) << "display changed while not allowed";

    info->SetALLOW_EDIT(true);
    info->SetDirDesktop("C:\\Elsewhere");
    EXPECT_EQ("C:\\Elsewhere", RawText(HKEY_CURRENT_USER, ShellFolders, "Desktop").value_or("")) << "allowed write";
    EXPECT_EQ("C:\\Elsewhere", info->DirDesktop()) << "read anew";
    info->SetDirProgramFiles("D:\\Programs");
    EXPECT_EQ("D:\\Programs", RawText(HKEY_LOCAL_MACHINE, CurrentVersion, "ProgramFilesDir").value_or(""));
    EXPECT_EQ("D:\\Programs", RawText(HKEY_LOCAL_MACHINE, CurrentVersion, "ProgramFilesPath").value_or(""));
}

TEST(SystemInfo, AFormBeingReadWritesNothing)
{
    TKeptValue desktop(HKEY_CURRENT_USER, ShellFolders, "Desktop");
    SetText(HKEY_CURRENT_USER, ShellFolders, "Desktop", "C:\\Desk");
    TOwnedPtr<TForm> form(new TForm(nullptr));
    TFormReader::ReadRoot(*form, "object F: TForm\n"
                                 "  object Info: TvySystemInfo\n"
                                 "    ALLOW_EDIT = True\n"
                                 "    DirDesktop = 'C:\\Stored'\n"
                                 "  end\n"
                                 "end\n");
    auto* info = dynamic_cast<TvySystemInfo*>(form->FindComponent("Info"));
    ASSERT_NE(nullptr, info);
    EXPECT_TRUE(info->ALLOW_EDIT()) << "the switch is stored";
    EXPECT_EQ("C:\\Desk", RawText(HKEY_CURRENT_USER, ShellFolders, "Desktop").value_or("")) << "written while loading";
    const std::string written = TFormWriter::Write(*form);
    const std::string stored = written.substr(written.find("object Info"));
    EXPECT_EQ("object Info: TvySystemInfo\r\n    ALLOW_EDIT = True\r\n  end\r\nend\r\n", stored) << "only the switch is stored";
}

TEST(SystemInfo, ReadOnlyWritesAreRefusedAloudOnlyInTheDesigner)
{
    TOwnedPtr<TvySystemInfo> info(new TvySystemInfo(nullptr));
    info->SetName("SysInfo");
    const TPropInfo* version = nullptr;
    for (const TPropInfo& p : TvySystemInfo::StaticClassInfo().Props)
        if (p.Name == "WinVersion") version = &p;
    ASSERT_NE(nullptr, version);
    const std::string before = info->WinVersion();
    struct {
        bool Designing, AllowEdit;
        size_t Boxes;
    } cases[] = {{false, true, 0}, {true, false, 0}, {true, true, 1}};
    for (const auto& c : cases) {
        TestPlatform().Boxes.clear();
        info->SetDesigning(c.Designing);
        info->SetALLOW_EDIT(c.AllowEdit);
        version->Set(*info, TPropValue(std::string("Windows 3.1")));
        EXPECT_EQ(before, info->WinVersion()) << "designing " << c.Designing << ", allowed " << c.AllowEdit;
        ASSERT_EQ(c.Boxes, TestPlatform().Boxes.size()) << "designing " << c.Designing << ", allowed " << c.AllowEdit;
    }
    EXPECT_EQ("This property is READ-ONLY.\r\nYou could not change this value.", TestPlatform().Boxes[0].Text);
    EXPECT_EQ("SysInfo", TestPlatform().Boxes[0].Caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), TestPlatform().Boxes[0].Type);
}

TEST(SystemInfo, DriveSerialAndPlacesAsTheSystemHasThem)
{
    TOwnedPtr<TvySystemInfo> info(new TvySystemInfo(nullptr));
    DWORD serial = 0;
    GetVolumeInformationA("C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(static_cast<int>(serial), info->DiskCSerialNumber());
    char text[16];
    std::snprintf(text, sizeof text, "%04lX-%04lX", serial >> 16, serial & 0xFFFF);
    EXPECT_EQ(text, info->DiskCSerialNumberStr());

    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    EXPECT_EQ(dir, info->DirWindows()) << "without a trailing backslash";
    EXPECT_NE('\\', info->DirTemp().back());

    const int up = info->SystemUpTime();
    EXPECT_NEAR(static_cast<double>(GetTickCount() / 1000u), up, 1.0);

    if (!(GetVersion() & 0x80000000u) && IsWin2KOrLater()) {
        EXPECT_TRUE(info->WinNT()) << "every NT generation is the NT platform";
        EXPECT_EQ("(not available on NT)", info->ComputerDescription()) << "not the Windows 98 network key";
    }
}

// Only where the test owns the display: the Wine desktop of the test run, which offers the
// modes up to the size of the X screen beneath it.
TEST(SystemInfo, ATooLargeResolutionStepsDownToTheLargestTheDisplayTakes)
{
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    DEVMODEA small{};
    small.dmSize = 148;
    small.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    small.dmPelsWidth = 800;
    small.dmPelsHeight = 600;
    if (width != 1024 || height != 768 || ChangeDisplaySettingsA(&small, CDS_TEST) != DISP_CHANGE_SUCCESSFUL)
        GTEST_SKIP() << "needs the 1024 x 768 test desktop, which also offers 800 x 600";
    ASSERT_EQ(DISP_CHANGE_SUCCESSFUL, ChangeDisplaySettingsA(&small, 0));
    TOwnedPtr<TvySystemInfo> info(new TvySystemInfo(nullptr));
    EXPECT_TRUE(PumpUntil([&] { return info->ScreenResolution() == TvyScreenResolution::sr800x600; }))
        << GetSystemMetrics(SM_CXSCREEN) << " x " << GetSystemMetrics(SM_CYSCREEN);

    info->SetALLOW_EDIT(true);
    // Neither 1920 x 1200 nor any size down to 1152 x 864 fits a 1024 x 768 screen.
    info->SetScreenResolution(TvyScreenResolution::sr1920x1200);
    EXPECT_TRUE(PumpUntil([&] { return info->ScreenResolution() == TvyScreenResolution::sr1024x768; }))
        << GetSystemMetrics(SM_CXSCREEN) << " x " << GetSystemMetrics(SM_CYSCREEN);
    info->SetScreenResolution(TvyScreenResolution::sr800x600);
    EXPECT_TRUE(PumpUntil([&] { return info->ScreenResolution() == TvyScreenResolution::sr800x600; }));

    small.dmPelsWidth = static_cast<DWORD>(width);
    small.dmPelsHeight = static_cast<DWORD>(height);
    ChangeDisplaySettingsA(&small, CDS_UPDATEREGISTRY);
    EXPECT_TRUE(PumpUntil([&] { return GetSystemMetrics(SM_CXSCREEN) == width; })) << "the test desktop is back";
}

TEST(IniFile, ReadsAndWritesTextsAndNumbers)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string path = std::string(temp) + "tg-inifile.ini";
    DeleteFileA(path.c_str());
    TIniFile ini(path);
    EXPECT_EQ("none", ini.ReadString("boot", "shell", "none")) << "no file yet";
    EXPECT_EQ(7, ini.ReadInteger("boot", "count", 7));
    EXPECT_TRUE(ini.WriteString("boot", "shell", "Explorer.exe"));
    EXPECT_TRUE(ini.WriteInteger("boot", "count", -42));
    EXPECT_TRUE(ini.WriteString("boot", "mask", "0x1F"));
    EXPECT_TRUE(ini.WriteString("boot", "word", "12ab"));
    const std::string longText(3000, 'x');
    EXPECT_TRUE(ini.WriteString("long", "text", longText));
    EXPECT_EQ("Explorer.exe", ini.ReadString("BOOT", "Shell", "")) << "names are not case-sensitive";
    EXPECT_EQ(-42, ini.ReadInteger("boot", "count", 0));
    EXPECT_EQ(31, ini.ReadInteger("boot", "mask", 0));
    EXPECT_EQ(5, ini.ReadInteger("boot", "word", 5)) << "not a number";
    EXPECT_EQ(longText, ini.ReadString("long", "text", "")) << "longer than the first buffer";
    EXPECT_TRUE(ini.DeleteKey("boot", "shell"));
    EXPECT_EQ("gone", ini.ReadString("boot", "shell", "gone"));
    EXPECT_EQ("d", TIniFile("Z:\\no\\such\\folder\\x.ini").ReadString("a", "b", "d")) << "an unreachable file";
    EXPECT_FALSE(TIniFile("Z:\\no\\such\\folder\\x.ini").WriteString("a", "b", "c"));
    DeleteFileA(path.c_str());
}

} // namespace
