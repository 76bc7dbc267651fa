// lib/sysinfo/vySystemInfo.cpp
#include "vySystemInfo.h"

#include <lmcons.h>

#include "IniFiles.h"
#include "Platform.h"
#include "Registry.h"
#include "vyHTTP.h"

namespace {

const char* const ShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const CurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const CurrentVersionNT = "Software\\Microsoft\\Windows NT\\CurrentVersion";
const char* const VNetSup = "System\\CurrentControlSet\\Services\\VxD\\VNETSUP";
const char* const ComputerNameKey = "System\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
const char* const ControlKey = "System\\CurrentControlSet\\Control";
const char* const DirectXKey = "\\Software\\Microsoft\\DirectX";
const char* const CentralProcessor = "\\hardware\\DESCRIPTION\\System\\CentralProcessor\\0";
const char* const DesktopKey = "Control Panel\\Desktop";

const char* const NotOnNT = "(not available on NT)";
const char* const ReadOnlyText = "This property is READ-ONLY.\r\nYou could not change this value.";

// The display-mode and version records as Windows 95 knows them.
constexpr WORD DevModeSize = 148;
constexpr DWORD VersionRecordSize = 148;

// Processor data, gathered once when the unit starts: GetSystemInfo is immediate.
struct TProcessorData {
    int Count = 1;
    TvyCPUArchitecture Architecture = TvyCPUArchitecture::paINTEL;
    TvyCPUType Type = TvyCPUType::ptUNKNOWN;
};
TProcessorData gProcessor;

void InitUnit()
{
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    gProcessor.Count = static_cast<int>(info.dwNumberOfProcessors);
    gProcessor.Architecture = CPUArchitectureOf(info.wProcessorArchitecture);
    gProcessor.Type = CPUTypeOf(gProcessor.Architecture, info.dwProcessorType);
}

struct TRegisterUnit {
    TRegisterUnit()
    {
        RegisterComponentClass(TvySystemInfo::StaticClassInfo());
        RegisterUnitInitialization(UnitOrder::SystemInfo, "vySystemInfo", &InitUnit, nullptr);
    }
} gRegisterUnit;

std::string ReadText(HKEY root, const std::string& key, const std::string& name)
{
    try {
        TRegistry reg(root, KEY_READ);
        if (!reg.OpenKey(key, false)) return {};
        return reg.ReadString(name).value_or(std::string());
    } catch (...) {
        return {};
    }
}

const char* OwnerKey(bool nt)
{
    return nt ? CurrentVersionNT : CurrentVersion;
}

std::string SystemIni()
{
    return GetWindowsDir() + "system.ini";
}

// The version record; false when the call fails.
bool ReadVersion(OSVERSIONINFOA& info)
{
    info = OSVERSIONINFOA{};
    info.dwOSVersionInfoSize = VersionRecordSize;
    return GetVersionExA(&info) != 0;
}

// Tests a display mode, then makes it the current and the stored one.
bool TryDisplayMode(DWORD fields, DWORD width, DWORD height, DWORD bits)
{
    DEVMODEA mode{};
    mode.dmSize = DevModeSize;
    mode.dmFields = fields;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmBitsPerPel = bits;
    if (ChangeDisplaySettingsA(&mode, CDS_TEST) != DISP_CHANGE_SUCCESSFUL) return false;
    ChangeDisplaySettingsA(&mode, CDS_UPDATEREGISTRY);
    return true;
}

MEMORYSTATUS MemoryStatus()
{
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    return status;
}

const std::vector<std::string>& ResolutionNames()
{
    static const std::vector<std::string> names{"sr640x480",   "sr800x600",   "sr1024x768",
                                                "sr1152x864",  "sr1280x960",  "sr1280x1024",
                                                "sr1600x1200", "sr1920x1080", "sr1920x1200"};
    return names;
}

const std::vector<std::string>& ColorModeNames()
{
    static const std::vector<std::string> names{"sm4bit", "sm8bit", "sm16bit", "sm24bit", "sm32bit"};
    return names;
}

} // namespace

const TClassInfo& TvySystemInfo::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using T = TvySystemInfo;
        TClassInfo i{"TvySystemInfo", &TvyComponent::StaticClassInfo(), &CreateComponentOf<T>, {}, {}};
        auto& p = i.Props;
        const auto never = [](const TPersistent&) { return false; };
        // Every fact lives in the system: only ALLOW_EDIT is stored with a form.
        auto add = [&](TPropInfo prop) {
            prop.Stored = never;
            p.push_back(std::move(prop));
        };
        add(AboutProp());
        p.push_back(BoolProp("ALLOW_EDIT", &T::ALLOW_EDIT, &T::SetALLOW_EDIT, DefaultAllowEdit));
        const auto text = [&](const char* name, std::string (T::*get)() const, void (T::*set)(const std::string&)) {
            add(StrProp<T>(name, get, set, std::nullopt));
        };
        const auto number = [&](const char* name, int (T::*get)() const) {
            add(IntProp(name, get, &T::SetReadOnlyNumber, std::nullopt));
        };
        text("ComputerDescription", &T::ComputerDescription, &T::SetComputerDescription);
        text("ComputerName", &T::ComputerName, &T::SetComputerName);
        text("ComputerWorkgroup", &T::ComputerWorkgroup, &T::SetComputerWorkgroup);
        text("CPUIdentifier", &T::CPUIdentifier, &T::SetReadOnlyText);
        text("CPUVendor", &T::CPUVendor, &T::SetReadOnlyText);
        text("CurrentUserName", &T::CurrentUserName, &T::SetCurrentUserName);
        text("DefaultBrowser", &T::DefaultBrowser, &T::SetReadOnlyText);
        text("DirAppData", &T::DirAppData, &T::SetDirAppData);
        text("DirAppDataAll", &T::DirAppDataAll, &T::SetDirAppDataAll);
        text("DirCache", &T::DirCache, &T::SetDirCache);
        text("DirCommonFiles", &T::DirCommonFiles, &T::SetDirCommonFiles);
        text("DirCookies", &T::DirCookies, &T::SetDirCookies);
        text("DirDesktop", &T::DirDesktop, &T::SetDirDesktop);
        text("DirFavorites", &T::DirFavorites, &T::SetDirFavorites);
        text("DirFavoritesAll", &T::DirFavoritesAll, &T::SetDirFavoritesAll);
        text("DirFonts", &T::DirFonts, &T::SetDirFonts);
        text("DirHistory", &T::DirHistory, &T::SetDirHistory);
        text("DirMedia", &T::DirMedia, &T::SetDirMedia);
        text("DirMyPictures", &T::DirMyPictures, &T::SetDirMyPictures);
        text("DirNetHood", &T::DirNetHood, &T::SetDirNetHood);
        text("DirPersonal", &T::DirPersonal, &T::SetDirPersonal);
        text("DirPrintHood", &T::DirPrintHood, &T::SetDirPrintHood);
        text("DirProgramFiles", &T::DirProgramFiles, &T::SetDirProgramFiles);
        text("DirPrograms", &T::DirPrograms, &T::SetDirPrograms);
        text("DirProgramsAll", &T::DirProgramsAll, &T::SetDirProgramsAll);
        text("DirRecent", &T::DirRecent, &T::SetDirRecent);
        text("DirSendTo", &T::DirSendTo, &T::SetDirSendTo);
        text("DirStartMenu", &T::DirStartMenu, &T::SetDirStartMenu);
        text("DirStartMenuAll", &T::DirStartMenuAll, &T::SetDirStartMenuAll);
        text("DirStartup", &T::DirStartup, &T::SetDirStartup);
        text("DirStartupAll", &T::DirStartupAll, &T::SetDirStartupAll);
        text("DirSystem", &T::DirSystem, &T::SetReadOnlyText);
        text("DirTemp", &T::DirTemp, &T::SetReadOnlyText);
        text("DirTemplates", &T::DirTemplates, &T::SetDirTemplates);
        text("DirTemplatesAll", &T::DirTemplatesAll, &T::SetDirTemplatesAll);
        text("DirWindows", &T::DirWindows, &T::SetReadOnlyText);
        number("DiskCSerialNumber", &T::DiskCSerialNumber);
        text("DiskCSerialNumberStr", &T::DiskCSerialNumberStr, &T::SetReadOnlyText);
        text("OwnerCompany", &T::OwnerCompany, &T::SetOwnerCompany);
        text("OwnerName", &T::OwnerName, &T::SetOwnerName);
        text("ScreenSaver", &T::ScreenSaver, &T::SetScreenSaver);
        text("SystemPathes", &T::SystemPathes, &T::SetReadOnlyText);
        text("WinDirectXVersion", &T::WinDirectXVersion, &T::SetReadOnlyText);
        text("WinProductID", &T::WinProductID, &T::SetReadOnlyText);
        text("WinProductName", &T::WinProductName, &T::SetReadOnlyText);
        text("WinVersion", &T::WinVersion, &T::SetReadOnlyText);
        text("WinVersionNumber", &T::WinVersionNumber, &T::SetReadOnlyText);
        text("WinVersionSubNumber", &T::WinVersionSubNumber, &T::SetReadOnlyText);
        number("CPUFrequency", &T::CPUFrequency);
        number("CPUsNumber", &T::CPUsNumber);
        number("MemAvailPhisical", &T::MemAvailPhisical);
        number("MemAvailVirtual", &T::MemAvailVirtual);
        number("MemLoad", &T::MemLoad);
        number("MemTotalPhisical", &T::MemTotalPhisical);
        number("MemTotalVirtual", &T::MemTotalVirtual);
        number("SystemUpTime", &T::SystemUpTime);
        number("WinVersionBuild", &T::WinVersionBuild);
        number("WinVersionMajor", &T::WinVersionMajor);
        number("WinVersionMinor", &T::WinVersionMinor);
        add(BoolProp("WinNT", &T::WinNT, &T::SetReadOnlySwitch, std::nullopt));
        add(EnumProp("CPUArchitecture", &T::CPUArchitecture, &T::SetReadOnlyChoice<TvyCPUArchitecture>,
                     {"paINTEL", "paMIPS", "paALPHA", "paPPC", "paUNKNOWN"}, std::optional<TvyCPUArchitecture>()));
        add(EnumProp("CPUType", &T::CPUType, &T::SetReadOnlyChoice<TvyCPUType>,
                     {"ptIntel386", "ptIntel486", "ptPentium", "ptMIPS_R4000", "ptALPHA_21064", "ptUNKNOWN"},
                     std::optional<TvyCPUType>()));
        add(EnumProp("InternetStatus", &T::InternetStatus, &T::SetReadOnlyChoice<TvyInternetStatus>,
                     {"iOffline", "iOnline"}, std::optional<TvyInternetStatus>()));
        add(EnumProp("OSVersion", &T::OSVersion, &T::SetReadOnlyChoice<TvyOSVersion>,
                     {"osUnknown", "os95", "os95OSR2", "os98", "os98SE", "osNT3", "osNT4", "os2K", "osME", "osXP"},
                     std::optional<TvyOSVersion>()));
        add(EnumProp("ScreenColorMode", &T::ScreenColorMode, &T::SetScreenColorMode, ColorModeNames(),
                     std::optional<TvyScreenColorMode>()));
        add(EnumProp("ScreenResolution", &T::ScreenResolution, &T::SetScreenResolution, ResolutionNames(),
                     std::optional<TvyScreenResolution>()));
        return i;
    }();
    return info;
}

TvySystemInfo::TvySystemInfo(TComponent* owner) : TvyComponent(owner) {}

bool TvySystemInfo::CanWrite() const
{
    return FAllowEdit && !Loading();
}

void TvySystemInfo::ReadOnlyWrite()
{
    if (Designing() && !Loading() && FAllowEdit)
        Platform().MessageBoxA(nullptr, ReadOnlyText, Name().c_str(), MB_ICONINFORMATION);
}

void TvySystemInfo::SetReadOnlyText(const std::string&) { ReadOnlyWrite(); }
void TvySystemInfo::SetReadOnlyNumber(int) { ReadOnlyWrite(); }
void TvySystemInfo::SetReadOnlySwitch(bool) { ReadOnlyWrite(); }

bool TvySystemInfo::OnNT()
{
    return IsWinNT() || IsWin2KOrLater();
}

void TvySystemInfo::WriteText(HKEY root, const std::string& key, const std::string& name, const std::string& value)
{
    if (!CanWrite()) return;
    try {
        TRegistry reg(root, KEY_WRITE);
        if (reg.OpenKey(key, false)) reg.WriteString(name, value);
    } catch (...) {
        // A refused write changes nothing, silently.
    }
}

// --- special folders ------------------------------------------------------------------

std::string TvySystemInfo::UserFolder(const char* name) const { return ReadText(HKEY_CURRENT_USER, ShellFolders, name); }
void TvySystemInfo::SetUserFolder(const char* name, const std::string& value) { WriteText(HKEY_CURRENT_USER, ShellFolders, name, value); }
std::string TvySystemInfo::CommonFolder(const char* name) const { return ReadText(HKEY_LOCAL_MACHINE, ShellFolders, name); }
void TvySystemInfo::SetCommonFolder(const char* name, const std::string& value) { WriteText(HKEY_LOCAL_MACHINE, ShellFolders, name, value); }

#define VY_FOLDER(Prop, Kind, ValueName)                                                     \
    std::string TvySystemInfo::Prop() const { return Kind##Folder(ValueName); }              \
    void TvySystemInfo::Set##Prop(const std::string& value) { Set##Kind##Folder(ValueName, value); }

VY_FOLDER(DirAppData, User, "AppData")
VY_FOLDER(DirCache, User, "Cache")
VY_FOLDER(DirCookies, User, "Cookies")
VY_FOLDER(DirDesktop, User, "Desktop")
VY_FOLDER(DirFavorites, User, "Favorites")
VY_FOLDER(DirFonts, User, "Fonts")
VY_FOLDER(DirHistory, User, "History")
VY_FOLDER(DirMyPictures, User, "My Pictures")
VY_FOLDER(DirNetHood, User, "NetHood")
VY_FOLDER(DirPersonal, User, "Personal")
VY_FOLDER(DirPrintHood, User, "PrintHood")
VY_FOLDER(DirPrograms, User, "Programs")
VY_FOLDER(DirRecent, User, "Recent")
VY_FOLDER(DirSendTo, User, "SendTo")
VY_FOLDER(DirStartMenu, User, "Start Menu")
VY_FOLDER(DirStartup, User, "Startup")
VY_FOLDER(DirTemplates, User, "Templates")
VY_FOLDER(DirAppDataAll, Common, "Common AppData")
VY_FOLDER(DirFavoritesAll, Common, "Common Favorites")
VY_FOLDER(DirProgramsAll, Common, "Common Programs")
VY_FOLDER(DirStartMenuAll, Common, "Common Start Menu")
VY_FOLDER(DirStartupAll, Common, "Common Startup")
VY_FOLDER(DirTemplatesAll, Common, "Common Templates")
#undef VY_FOLDER

// --- the machine, its user and owner ----------------------------------------------------

std::string TvySystemInfo::NetworkText(const char* name) const
{
    return OnNT() ? NotOnNT : ReadText(HKEY_LOCAL_MACHINE, VNetSup, name);
}

void TvySystemInfo::SetNetworkText(const char* name, const std::string& value)
{
    if (!OnNT()) WriteText(HKEY_LOCAL_MACHINE, VNetSup, name, value);
}

std::string TvySystemInfo::ComputerDescription() const { return NetworkText("Comment"); }
void TvySystemInfo::SetComputerDescription(const std::string& value) { SetNetworkText("Comment", value); }
std::string TvySystemInfo::ComputerWorkgroup() const { return NetworkText("Workgroup"); }
void TvySystemInfo::SetComputerWorkgroup(const std::string& value) { SetNetworkText("Workgroup", value); }

std::string TvySystemInfo::ComputerName() const
{
    std::string name = ReadText(HKEY_LOCAL_MACHINE, ComputerNameKey, "ComputerName");
    if (!name.empty()) return name;
    char buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof buffer;
    return GetComputerNameA(buffer, &size) ? std::string(buffer) : std::string();
}

void TvySystemInfo::SetComputerName(const std::string& value)
{
    WriteText(HKEY_LOCAL_MACHINE, ComputerNameKey, "ComputerName", value);
}

std::string TvySystemInfo::CurrentUserName() const
{
    std::string name = ReadText(HKEY_LOCAL_MACHINE, ControlKey, "Current User");
    if (!name.empty()) return name;
    char buffer[UNLEN + 1] = {};
    DWORD size = sizeof buffer;
    return GetUserNameA(buffer, &size) ? std::string(buffer) : std::string();
}

void TvySystemInfo::SetCurrentUserName(const std::string& value)
{
    WriteText(HKEY_LOCAL_MACHINE, ControlKey, "Current User", value);
}

std::string TvySystemInfo::OwnerName() const { return ReadText(HKEY_LOCAL_MACHINE, OwnerKey(OnNT()), "RegisteredOwner"); }
void TvySystemInfo::SetOwnerName(const std::string& value) { WriteText(HKEY_LOCAL_MACHINE, OwnerKey(OnNT()), "RegisteredOwner", value); }
std::string TvySystemInfo::OwnerCompany() const { return ReadText(HKEY_LOCAL_MACHINE, OwnerKey(OnNT()), "RegisteredOrganization"); }
void TvySystemInfo::SetOwnerCompany(const std::string& value) { WriteText(HKEY_LOCAL_MACHINE, OwnerKey(OnNT()), "RegisteredOrganization", value); }
std::string TvySystemInfo::DirCommonFiles() const { return ReadText(HKEY_LOCAL_MACHINE, CurrentVersion, "CommonFilesDir"); }
void TvySystemInfo::SetDirCommonFiles(const std::string& value) { WriteText(HKEY_LOCAL_MACHINE, CurrentVersion, "CommonFilesDir", value); }
std::string TvySystemInfo::DirMedia() const { return ReadText(HKEY_LOCAL_MACHINE, CurrentVersion, "MediaPath"); }
void TvySystemInfo::SetDirMedia(const std::string& value) { WriteText(HKEY_LOCAL_MACHINE, CurrentVersion, "MediaPath", value); }
std::string TvySystemInfo::DirProgramFiles() const { return ReadText(HKEY_LOCAL_MACHINE, CurrentVersion, "ProgramFilesDir"); }

void TvySystemInfo::SetDirProgramFiles(const std::string& value)
{
    WriteText(HKEY_LOCAL_MACHINE, CurrentVersion, "ProgramFilesPath", value);
    WriteText(HKEY_LOCAL_MACHINE, CurrentVersion, "ProgramFilesDir", value);
}

std::string TvySystemInfo::ScreenSaver() const
{
    if (OnNT()) return ReadText(HKEY_CURRENT_USER, DesktopKey, "SCRNSAVE.EXE");
    return TIniFile(SystemIni()).ReadString("boot", "scrnsave.exe", DirWindows() + "\\FLYING~1.SCR");
}

void TvySystemInfo::SetScreenSaver(const std::string& value)
{
    if (!CanWrite()) return;
    if (OnNT())
        WriteText(HKEY_CURRENT_USER, DesktopKey, "SCRNSAVE.EXE", value);
    else
        TIniFile(SystemIni()).WriteString("boot", "scrnsave.exe", value);
}

// --- read-only facts ------------------------------------------------------------------------

std::string TvySystemInfo::WinDirectXVersion() const { return ReadText(HKEY_LOCAL_MACHINE, DirectXKey, "Version"); }
std::string TvySystemInfo::CPUIdentifier() const { return ReadText(HKEY_LOCAL_MACHINE, CentralProcessor, "Identifier"); }
std::string TvySystemInfo::CPUVendor() const { return ReadText(HKEY_LOCAL_MACHINE, CentralProcessor, "VendorIdentifier"); }
std::string TvySystemInfo::WinProductID() const { return ReadText(HKEY_LOCAL_MACHINE, OwnerKey(OnNT()), "ProductId"); }
std::string TvySystemInfo::WinProductName() const { return ReadText(HKEY_LOCAL_MACHINE, OwnerKey(OnNT()), "ProductName"); }

std::string TvySystemInfo::WinVersion() const
{
    if (OnNT()) return WithoutMaker(WinProductName());
    return ReadText(HKEY_LOCAL_MACHINE, CurrentVersion, "Version");
}

std::string TvySystemInfo::WinVersionNumber() const
{
    std::string number = ReadText(HKEY_LOCAL_MACHINE, CurrentVersion, "VersionNumber");
    if (!number.empty()) return number;
    return JoinVersionNumber(WinVersionMajor(), WinVersionMinor(), WinVersionBuild());
}

std::string TvySystemInfo::WinVersionSubNumber() const { return ReadText(HKEY_LOCAL_MACHINE, CurrentVersion, "SubVersionNumber"); }
std::string TvySystemInfo::DefaultBrowser() const { return GetAssociatedProgram(".html"); }
std::string TvySystemInfo::DirSystem() const { return RemoveBackslashes(GetSystemDir()); }
std::string TvySystemInfo::DirTemp() const { return RemoveBackslashes(GetTempDir()); }
std::string TvySystemInfo::DirWindows() const { return RemoveBackslashes(GetWindowsDir()); }

int TvySystemInfo::DiskCSerialNumber() const
{
    DWORD serial = 0;
    GetVolumeInformationA("C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
    return static_cast<int>(serial);
}

std::string TvySystemInfo::DiskCSerialNumberStr() const
{
    return VolumeSerialText(static_cast<std::uint32_t>(DiskCSerialNumber()));
}

TvyInternetStatus TvySystemInfo::InternetStatus() const
{
    return IsOnline() ? TvyInternetStatus::iOnline : TvyInternetStatus::iOffline;
}

int TvySystemInfo::MemLoad() const { return static_cast<int>(MemoryStatus().dwMemoryLoad); }
int TvySystemInfo::MemTotalPhisical() const { return ClampedCount(MemoryStatus().dwTotalPhys); }
int TvySystemInfo::MemAvailPhisical() const { return ClampedCount(MemoryStatus().dwAvailPhys); }
int TvySystemInfo::MemTotalVirtual() const { return ClampedCount(MemoryStatus().dwTotalVirtual); }
int TvySystemInfo::MemAvailVirtual() const { return ClampedCount(MemoryStatus().dwAvailVirtual); }
TvyOSVersion TvySystemInfo::OSVersion() const { return GetOSVersion(); }
bool TvySystemInfo::WinNT() const { return OnNT(); }
TvyCPUArchitecture TvySystemInfo::CPUArchitecture() const { return gProcessor.Architecture; }
TvyCPUType TvySystemInfo::CPUType() const { return gProcessor.Type; }
int TvySystemInfo::CPUsNumber() const { return gProcessor.Count; }
int TvySystemInfo::CPUFrequency() const { return GetCPUSpeed(); }
int TvySystemInfo::SystemUpTime() const { return UpTimeSeconds(GetTickCount()); }
std::string TvySystemInfo::SystemPathes() const { return GetEnvVar("PATH"); }

int TvySystemInfo::WinVersionBuild() const
{
    OSVERSIONINFOA info;
    return ReadVersion(info) ? static_cast<int>(info.dwBuildNumber & 0xFFFF) : -1;
}

int TvySystemInfo::WinVersionMajor() const
{
    OSVERSIONINFOA info;
    return ReadVersion(info) ? static_cast<int>(info.dwMajorVersion) : -1;
}

int TvySystemInfo::WinVersionMinor() const
{
    OSVERSIONINFOA info;
    return ReadVersion(info) ? static_cast<int>(info.dwMinorVersion) : -1;
}

// --- the display ----------------------------------------------------------------------------

TvyScreenColorMode TvySystemInfo::ScreenColorMode() const
{
    return ::ScreenColorMode();
}

void TvySystemInfo::SetScreenColorMode(TvyScreenColorMode value)
{
    if (!CanWrite()) return;
    StepDown(static_cast<int>(value),
             [](int mode) { return TryDisplayMode(DM_BITSPERPEL, 0, 0, static_cast<DWORD>(ColorModeBits(mode))); });
}

TvyScreenResolution TvySystemInfo::ScreenResolution() const
{
    return ResolutionOf(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

void TvySystemInfo::SetScreenResolution(TvyScreenResolution value)
{
    if (!CanWrite()) return;
    StepDown(static_cast<int>(value), [](int r) {
        const TvyScreenSize size = ResolutionSize(static_cast<TvyScreenResolution>(r));
        return TryDisplayMode(DM_PELSWIDTH | DM_PELSHEIGHT, static_cast<DWORD>(size.Width),
                              static_cast<DWORD>(size.Height), 0);
    });
}
