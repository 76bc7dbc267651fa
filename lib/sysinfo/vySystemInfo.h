// lib/sysinfo/vySystemInfo.h
// Unit vySystemInfo: facts about the computer, the operating system, the user and the
// display, each read from the system when it is asked for; nothing is kept. Writable
// facts change the system behind them, but only while ALLOW_EDIT is on.
#pragma once

#include <string>

#include "vyClasses.h"
#include "vyGraphics.h"
#include "vySystemInfoText.h"

class TvySystemInfo : public TvyComponent {
public:
    TG_DECLARE_CLASS()
    static constexpr bool DefaultAllowEdit = false;

    explicit TvySystemInfo(TComponent* owner);

    bool ALLOW_EDIT() const noexcept { return FAllowEdit; }
    void SetALLOW_EDIT(bool value) { FAllowEdit = value; }

    // Per-user special folders.
    std::string DirAppData() const;
    void SetDirAppData(const std::string& value);
    std::string DirCache() const;
    void SetDirCache(const std::string& value);
    std::string DirCookies() const;
    void SetDirCookies(const std::string& value);
    std::string DirDesktop() const;
    void SetDirDesktop(const std::string& value);
    std::string DirFavorites() const;
    void SetDirFavorites(const std::string& value);
    std::string DirFonts() const;
    void SetDirFonts(const std::string& value);
    std::string DirHistory() const;
    void SetDirHistory(const std::string& value);
    std::string DirMyPictures() const;
    void SetDirMyPictures(const std::string& value);
    std::string DirNetHood() const;
    void SetDirNetHood(const std::string& value);
    std::string DirPersonal() const;
    void SetDirPersonal(const std::string& value);
    std::string DirPrintHood() const;
    void SetDirPrintHood(const std::string& value);
    std::string DirPrograms() const;
    void SetDirPrograms(const std::string& value);
    std::string DirRecent() const;
    void SetDirRecent(const std::string& value);
    std::string DirSendTo() const;
    void SetDirSendTo(const std::string& value);
    std::string DirStartMenu() const;
    void SetDirStartMenu(const std::string& value);
    std::string DirStartup() const;
    void SetDirStartup(const std::string& value);
    std::string DirTemplates() const;
    void SetDirTemplates(const std::string& value);

    // All users' special folders.
    std::string DirAppDataAll() const;
    void SetDirAppDataAll(const std::string& value);
    std::string DirFavoritesAll() const;
    void SetDirFavoritesAll(const std::string& value);
    std::string DirProgramsAll() const;
    void SetDirProgramsAll(const std::string& value);
    std::string DirStartMenuAll() const;
    void SetDirStartMenuAll(const std::string& value);
    std::string DirStartupAll() const;
    void SetDirStartupAll(const std::string& value);
    std::string DirTemplatesAll() const;
    void SetDirTemplatesAll(const std::string& value);

    // The machine, its user and owner.
    std::string ComputerDescription() const;
    void SetComputerDescription(const std::string& value);
    std::string ComputerName() const;
    void SetComputerName(const std::string& value);
    std::string ComputerWorkgroup() const;
    void SetComputerWorkgroup(const std::string& value);
    std::string CurrentUserName() const;
    void SetCurrentUserName(const std::string& value);
    std::string OwnerName() const;
    void SetOwnerName(const std::string& value);
    std::string OwnerCompany() const;
    void SetOwnerCompany(const std::string& value);
    std::string DirCommonFiles() const;
    void SetDirCommonFiles(const std::string& value);
    std::string DirMedia() const;
    void SetDirMedia(const std::string& value);
    std::string DirProgramFiles() const;
    void SetDirProgramFiles(const std::string& value);
    std::string ScreenSaver() const;
    void SetScreenSaver(const std::string& value);

    // Read only.
    std::string WinDirectXVersion() const;
    std::string CPUIdentifier() const;
    std::string CPUVendor() const;
    std::string WinProductID() const;
    std::string WinProductName() const;
    std::string WinVersion() const;
    std::string WinVersionNumber() const;
    std::string WinVersionSubNumber() const;
    std::string DefaultBrowser() const;
    std::string DirSystem() const;
    std::string DirTemp() const;
    std::string DirWindows() const;
    int DiskCSerialNumber() const;
    std::string DiskCSerialNumberStr() const;
    TvyInternetStatus InternetStatus() const;
    int MemLoad() const;
    int MemTotalPhisical() const;
    int MemAvailPhisical() const;
    int MemTotalVirtual() const;
    int MemAvailVirtual() const;
    TvyOSVersion OSVersion() const;
    bool WinNT() const;
    TvyCPUArchitecture CPUArchitecture() const;
    TvyCPUType CPUType() const;
    int CPUsNumber() const;
    // Measured on each read (a fraction of a second), never at start-up.
    int CPUFrequency() const;
    int SystemUpTime() const;
    std::string SystemPathes() const;
    int WinVersionBuild() const;
    int WinVersionMajor() const;
    int WinVersionMinor() const;

    // The display: writes try the mode first and step down to smaller ones it refuses.
    TvyScreenColorMode ScreenColorMode() const;
    void SetScreenColorMode(TvyScreenColorMode value);
    TvyScreenResolution ScreenResolution() const;
    void SetScreenResolution(TvyScreenResolution value);

    // What a stored form's writer of a read-only property reaches: nothing changes; at
    // design time, with ALLOW_EDIT on, the designer is told so.
    void SetReadOnlyText(const std::string& value);
    void SetReadOnlyNumber(int value);
    void SetReadOnlySwitch(bool value);
    template <class E>
    void SetReadOnlyChoice(E)
    {
        ReadOnlyWrite();
    }

private:
    bool CanWrite() const;
    void ReadOnlyWrite();
    // The NT platform, including what came after XP.
    static bool OnNT();
    void WriteText(HKEY root, const std::string& key, const std::string& name, const std::string& value);
    std::string UserFolder(const char* name) const;
    void SetUserFolder(const char* name, const std::string& value);
    std::string CommonFolder(const char* name) const;
    void SetCommonFolder(const char* name, const std::string& value);
    std::string NetworkText(const char* name) const;
    void SetNetworkText(const char* name, const std::string& value);
    bool FAllowEdit = DefaultAllowEdit;
};
