// tests/win/standin/UpdaterStandIn.cpp
// A small program that carries an upgrader, for the upgrader's end-to-end test. Its version
// is the text after the last "TGVER=" in its own file (the test appends it to a copy) and
// shows in its caption, "UpdaterStandIn <version>". Settings through the environment:
//   TG_UPD_INFO    the information file's address
//   TG_UPD_LOG     a file it appends lines to: "start|<version>|<first parameter>", and
//                  one for each event of the upgrader: "afterrestart|<version>", "end",
//                  "aborted", "connlost", "lost|<file name>|<status>", "noupdate", "noinfo"
//   TG_UPD_WIZARD  "1": the wizard is on; otherwise off
//   TG_UPD_MESSAGES the upgrader's ShowMessages as a stored form writes it; "[]" when unset
//   TG_UPD_KEY     the upgrader's PublicKey; none when unset
// Version 1 has the release date 01/01/2002, any other 07/08/2002.
#include <windows.h>

#include <string>

#include "FormReader.h"
#include "Forms.h"
#include "vyAppUpdater.h"

namespace {

std::string Env(const char* name)
{
    char buf[1024];
    const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string Version()
{
    std::string bytes;
    HANDLE f = CreateFileA(ParamStr(0).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "?";
    const DWORD size = GetFileSize(f, nullptr);
    const DWORD tail = size < 64 ? size : 64;
    SetFilePointer(f, static_cast<LONG>(size - tail), nullptr, FILE_BEGIN);
    bytes.resize(tail);
    DWORD read = 0;
    ReadFile(f, bytes.data(), tail, &read, nullptr);
    CloseHandle(f);
    const size_t at = bytes.rfind("TGVER=");
    return at == std::string::npos ? "?" : bytes.substr(at + 6);
}

void AppendLine(const std::string& line)
{
    const std::string log = Env("TG_UPD_LOG");
    if (log.empty()) return;
    HANDLE f = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    SetFilePointer(f, 0, nullptr, FILE_END);
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
}

std::string FormText(const std::string& version)
{
    const std::string messages = Env("TG_UPD_MESSAGES");
    return "object UpdaterForm: TUpdaterForm\n"
           "  Left = 120\n  Top = 120\n  ClientWidth = 320\n  ClientHeight = 60\n"
           "  Caption = 'UpdaterStandIn " + version + "'\n"
           "  object AppUpdater1: TvyAppUpdater\n"
           "    AutoCheck = True\n"
           "    InfoFileURL = '" + Env("TG_UPD_INFO") + "'\n"
           "    VersionDate = '" + std::string(version == "1" ? "01/01/2002" : "07/08/2002") + "'\n" +
           "    ShowMessages = " + (messages.empty() ? "[]" : messages) + "\n" +
           (Env("TG_UPD_KEY").empty() ? "" : "    PublicKey = '" + Env("TG_UPD_KEY") + "'\n") +
           (Env("TG_UPD_WIZARD") == "1" ? "" : "    Wizard.Enabled = False\n") +
           "    OnAfterRestart = AppUpdater1AfterRestart\n"
           "    OnEndUpgrade = AppUpdater1EndUpgrade\n"
           "    OnAborted = AppUpdater1Aborted\n"
           "    OnConnLost = AppUpdater1ConnLost\n"
           "    OnLostFile = AppUpdater1LostFile\n"
           "    OnNoUpdateAvailable = AppUpdater1NoUpdateAvailable\n"
           "    OnNoInfoFile = AppUpdater1NoInfoFile\n"
           "  end\n"
           "end\n";
}

class TUpdaterForm : public TForm {
public:
    TG_DECLARE_CLASS()
    explicit TUpdaterForm(TComponent* owner) : TForm(owner) { TFormReader::ReadRoot(*this, FormText(Version())); }
    void AppUpdater1AfterRestart(TObject*) { AppendLine("afterrestart|" + Version()); }
    void AppUpdater1EndUpgrade(TObject*) { AppendLine("end"); }
    void AppUpdater1Aborted(TObject*) { AppendLine("aborted"); }
    void AppUpdater1ConnLost(TObject*) { AppendLine("connlost"); }
    void AppUpdater1LostFile(TObject*, const std::string& url, int status, bool&)
    {
        AppendLine("lost|" + URLFileName(url) + "|" + std::to_string(status));
    }
    void AppUpdater1NoUpdateAvailable(TObject*) { AppendLine("noupdate"); }
    void AppUpdater1NoInfoFile(TObject*) { AppendLine("noinfo"); }
    TvyAppUpdater* AppUpdater1 = nullptr;
};

const TClassInfo& TUpdaterForm::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TUpdaterForm", &TForm::StaticClassInfo(), &CreateComponentOf<TUpdaterForm>, {}, {}};
        using F = TUpdaterForm;
        i.Methods = {Method("AppUpdater1AfterRestart", &F::AppUpdater1AfterRestart),
                     Method("AppUpdater1EndUpgrade", &F::AppUpdater1EndUpgrade),
                     Method("AppUpdater1Aborted", &F::AppUpdater1Aborted),
                     Method("AppUpdater1ConnLost", &F::AppUpdater1ConnLost),
                     Method("AppUpdater1LostFile", &F::AppUpdater1LostFile),
                     Method("AppUpdater1NoUpdateAvailable", &F::AppUpdater1NoUpdateAvailable),
                     Method("AppUpdater1NoInfoFile", &F::AppUpdater1NoInfoFile)};
        i.Fields = {Field("AppUpdater1", &TUpdaterForm::AppUpdater1)};
        return i;
    }();
    return info;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        InitFramework();
        RegisterComponentClass(TUpdaterForm::StaticClassInfo());
        Application->Initialize();
        AppendLine("start|" + Version() + "|" + ParamStr(1));
        Application->CreateForm<TUpdaterForm>();
        Application->Run();
    } catch (...) {
        HandleException(Application);
    }
    DoneFramework();
    return 0;
}
