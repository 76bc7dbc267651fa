// lib/upgrade/vyAppUpdater.cpp
#include "vyAppUpdater.h"

#include "Forms.h"
#include "Platform.h"
#include "WinUtils.h"
#include "vyAppUpdaterText.h"
#include "vyClasses.h"
#include "vyDigest.h"
#include "swap/vySwapRules.h"

#include <cctype>
#include <cstring>

namespace {

std::string GSwapProgramPath;

void InitUnit()
{
    GSwapProgramPath = GetTempDir() + "vySwap.exe";
}

[[maybe_unused]] const bool Registered = [] {
    RegisterComponentClass(TvyAppUpdater::StaticClassInfo());
    RegisterUnitInitialization(UnitOrder::AppUpdater, "vyAppUpdater", &InitUnit, nullptr);
    return true;
}();

std::string StreamText(TStream* s)
{
    if (!s) return {};
    s->SetPosition(0);
    std::string text(static_cast<size_t>(s->Size()), '\0');
    if (!text.empty()) text.resize(static_cast<size_t>(s->Read(text.data(), static_cast<long>(text.size()))));
    return text;
}

std::string ExeFolder()
{
    const std::string exe = ParamStr(0);
    return exe.substr(0, exe.rfind('\\') + 1);
}

// The first parameter after the program's name. The swap program restarts the program by
// its path unquoted, so a path with blanks is skipped whole, as the swap program does.
std::string FirstParameter()
{
    const std::string own = ParamStr(0);
    const std::vector<std::string> params =
        SplitParams(std::string("- ") + vyswap::SkipProgramName(GetCommandLineA(), own.c_str()));
    return params.size() > 1 ? params[1] : std::string();
}

} // namespace

const std::string& SwapProgramPath()
{
    if (GSwapProgramPath.empty()) InitUnit();
    return GSwapProgramPath;
}

const TClassInfo& TvyAppUpdater::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyAppUpdater;
        TClassInfo i{"TvyAppUpdater", &TvyLoginComponent::StaticClassInfo(), &CreateComponentOf<C>, {}, {}};
        i.Props.push_back(BoolProp("AutoCheck", &C::AutoCheck, &C::SetAutoCheck, false));
        i.Props.push_back(ObjProp("InfoFile", &C::InfoFile));
        i.Props.push_back(
            StrProp<C>("InfoFileURL", &C::InfoFileURL, &C::SetInfoFileURL, std::string(DefaultInfoFileURL)));
        i.Props.push_back(ObjProp("Proxy", &C::Proxy));
        i.Props.push_back(
            StrProp<C>("RestartParams", &C::RestartParams, &C::SetRestartParams, std::string(DefaultRestartParams)));
        i.Props.push_back(EnumProp("ThreadPriority", &C::ThreadPriority, &C::SetThreadPriority,
                                   {"tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest",
                                    "tpTimeCritical"},
                                   std::optional(TThreadPriority::tpNormal)));
        i.Props.push_back(EnumProp("VersionControl", &C::VersionControl, &C::SetVersionControl,
                                   {"byDate", "byNumber"}, std::optional(TvyAppUpdaterVersionControl::byDate)));
        // Today's date by default: always stored.
        i.Props.push_back(StrProp<C>("VersionDate", &C::VersionDate, &C::SetVersionDate, std::nullopt));
        i.Props.push_back(
            BoolProp("VersionDateAutoSet", &C::VersionDateAutoSet, &C::SetVersionDateAutoSet, std::nullopt));
        i.Props.push_back(StrProp<C>("VersionNumber", &C::VersionNumber, &C::SetVersionNumber));
        i.Props.push_back(SetProp("ShowMessages", &C::ShowMessages, &C::SetShowMessages,
                                  {"mAskUpgrade", "mConnLost", "mHostUnreachable", "mLostFile", "mNoInfoFile",
                                   "mNoUpdateAvailable", "mPasswordRequest"},
                                  static_cast<long long>(DefaultShowMessages)));
        i.Props.push_back(ObjProp("Wizard", &C::Wizard));
        i.Props.push_back(StrProp<C>("PublicKey", &C::PublicKey, &C::SetPublicKey));
        i.Props.push_back(EventProp("OnAfterRestart", &C::OnAfterRestart));
        i.Props.push_back(EventProp("OnBeginUpgrade", &C::OnBeginUpgrade));
        i.Props.push_back(EventProp("OnLaterUpgrade", &C::OnLaterUpgrade));
        i.Props.push_back(EventProp("OnProgress", &C::OnProgress));
        i.Props.push_back(EventProp("OnFileDone", &C::OnFileDone));
        i.Props.push_back(EventProp("OnEndUpgrade", &C::OnEndUpgrade));
        i.Props.push_back(EventProp("OnAborted", &C::OnAborted));
        i.Props.push_back(EventProp("OnConnLost", &C::OnConnLost));
        i.Props.push_back(EventProp("OnHostUnreachable", &C::OnHostUnreachable));
        i.Props.push_back(EventProp("OnNoUpdateAvailable", &C::OnNoUpdateAvailable));
        i.Props.push_back(EventProp("OnNoInfoFile", &C::OnNoInfoFile));
        i.Props.push_back(EventProp("OnLostFile", &C::OnLostFile));
        i.Props.push_back(EventProp("OnPasswordRequest", &C::OnPasswordRequest));
        return i;
    }();
    return info;
}

TvyAppUpdater::TvyAppUpdater(TComponent* owner)
    : TvyLoginComponent(owner), FHTTP(new TvyCustomHTTP(nullptr)), FInfoFile(new TvyAppUpdaterInfo),
      FFiles(new TStringList)
{
    FHTTP->SetAgent(Agent);
    FHTTP->OnDone = [this](TObject*, const std::string&, int, TStream* data) { HTTPDone(data); };
    FHTTP->OnProgress = [this](TObject*, const std::string&, int fileSize, int bytesRead, int elapsed, int left,
                               uint8_t percents, float rate,
                               TStream*) { HTTPProgress(fileSize, bytesRead, elapsed, left, percents, rate); };
    FHTTP->OnConnLost = [this](TObject*, const std::string&, int, int, TStream*) { HTTPConnLost(); };
    FHTTP->OnHTTPError = [this](TObject*, int status, TStream*) { HTTPError(status); };
    FHTTP->OnFailed = [this](TObject*) { HTTPFailed(); };
    FHTTP->OnHostUnreachable = [this](TObject*) { HTTPHostUnreachable(); };
    FHTTP->OnPasswordRequest = [this](TObject*, bool& tryAgain) { HTTPPasswordRequest(tryAgain); };
    FVersionDate = FormatVersionDate(Today());
    FWizard.reset(new TvyAppUpdaterWizard(*this));
    FBaseId = FWizard->BaseId();
    FUtilityWindow = AllocateHWnd([this](TMessage& m) { UtilityWndProc(m); });
    // A swap program left from an earlier upgrade has done its work. Right after it has
    // restarted the program it may still be ending: then it is tried again for a while.
    if (!DeleteLeftoverSwapProgram()) {
        FSwapCleanupTries = SwapCleanupTries;
        SetTimer(FUtilityWindow, SwapCleanupTimer, SwapCleanupMs, nullptr);
    }
}

bool TvyAppUpdater::DeleteLeftoverSwapProgram()
{
    const std::string& path = SwapProgramPath();
    return DeleteFileA(path.c_str()) || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

TvyAppUpdater::~TvyAppUpdater()
{
    *FAlive = false;
    FAutoCheck = false;
    KillTimer(FUtilityWindow, CheckTimer);
    KillTimer(FUtilityWindow, SwapCleanupTimer);
    DeallocateHWnd(FUtilityWindow);
    FWizard.reset();
    FFiles.reset();
    FInfoFile.reset();
    // Ends a running transfer and closes its file; an upgrade cut short leaves nothing.
    FHTTP.reset();
    DeleteWrittenFiles();
    ReleaseUpgradeLock();
}

void TvyAppUpdater::Loaded()
{
    TvyLoginComponent::Loaded();
    if (Designing() && FVersionDateAutoSet) FVersionDate = FormatVersionDate(Today());
    UpdateTimer();
    if (OnAfterRestart && FirstParameter() == FRestartParams) OnAfterRestart(this);
}

std::string TvyAppUpdater::GetHTTPUsername() const
{
    return TvyLoginComponent::GetHTTPUsername();
}

void TvyAppUpdater::SetHTTPUsername(const std::string& value)
{
    TvyLoginComponent::SetHTTPUsername(value);
    FHTTP->SetHTTPUsername(value);
}

std::string TvyAppUpdater::GetHTTPPassword() const
{
    return TvyLoginComponent::GetHTTPPassword();
}

void TvyAppUpdater::SetHTTPPassword(const std::string& value)
{
    TvyLoginComponent::SetHTTPPassword(value);
    FHTTP->SetHTTPPassword(value);
}

void TvyAppUpdater::SetAutoCheck(bool value)
{
    if (value == FAutoCheck) return;
    FAutoCheck = value;
    // While a form is read, Loaded starts the timer.
    if (!Loading()) UpdateTimer();
}

void TvyAppUpdater::SetRestartParams(const std::string& value)
{
    FRestartParams = RestartParamsValue(value);
}

TThreadPriority TvyAppUpdater::ThreadPriority() const
{
    return FHTTP->Priority();
}

void TvyAppUpdater::SetThreadPriority(TThreadPriority value)
{
    FHTTP->SetPriority(value);
}

void TvyAppUpdater::SetVersionDateAutoSet(bool value)
{
    FVersionDateAutoSet = value;
    if (value && Designing()) FVersionDate = FormatVersionDate(Today());
}

// --- Automatic check -------------------------------------------------------------------

void TvyAppUpdater::UpdateTimer()
{
    if (Designing() || !FUtilityWindow) return;
    KillTimer(FUtilityWindow, CheckTimer);
    if (FAutoCheck && !FCheckedOnce && SetTimer(FUtilityWindow, CheckTimer, CheckIntervalMs, nullptr) == 0)
        throw EOutOfResources("Not enough timers available");
}

void TvyAppUpdater::UtilityWndProc(TMessage& m)
{
    switch (m.Msg) {
    case WM_TIMER:
        if (m.WParam == SwapCleanupTimer) {
            if (DeleteLeftoverSwapProgram() || --FSwapCleanupTries <= 0) KillTimer(FUtilityWindow, SwapCleanupTimer);
            break;
        }
        try {
            // At most once per run, whatever tick may still arrive.
            if (FAutoCheck && !FCheckedOnce && IsOnline()) {
                FCheckedOnce = true;
                UpdateTimer();
                CheckUpdate();
            }
        } catch (...) {
            HandleException(this);
        }
        break;
    case WM_QUERYENDSESSION: m.Result = 1; break;
    default: m.Result = DefWindowProcA(FUtilityWindow, m.Msg, m.WParam, m.LParam);
    }
}

void TvyAppUpdater::CheckUpdate()
{
    if (Busy()) return;
    FInfoMode = true;
    FHTTP->SetUseCache(false);
    FHTTP->SetMaxBodySize(static_cast<int>(MaxInfoFileBytes));
    FHTTP->SetURL(FInfoFileURL);
    FHTTP->SetFileName("");
    FHTTP->Get();
}

// --- Texts and message boxes -----------------------------------------------------------

std::string TvyAppUpdater::Text(int n) const
{
    return vyLoadUpgradeText(FBaseId + n);
}

int TvyAppUpdater::Box(int text, const std::string& caption, UINT type, std::initializer_list<TvyTextArg> args)
{
    const std::string body = args.size() ? vyLoadUpgradeText(FBaseId + text, args) : Text(text);
    return Platform().MessageBoxA(Application ? Application->Handle() : nullptr, body.c_str(), caption.c_str(), type);
}

// --- The client's events ---------------------------------------------------------------

void TvyAppUpdater::HTTPDone(TStream* data)
{
    if (FInfoMode) {
        // Anything but the file itself (an error page that came whole) is no information file.
        if (FHTTP->StatusCode() != 200)
            HTTPError(FHTTP->StatusCode());
        else
            InfoFileReceived(data);
        return;
    }
    // A body without a length reaches its file only now, complete.
    SetFileAttributesA(FTempPath.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY);
    FStored.emplace_back((*FFiles)[FIndex], FTempPath);
    std::shared_ptr<bool> alive = FAlive;
    OnFileDone(this, URLFileName((*FFiles)[FIndex]));
    if (*alive) NextDownload(false);
}

void TvyAppUpdater::HTTPFailed()
{
    // Any other failure is told by the event that follows.
    if (!FHTTP->FailedAlone()) return;
    if (FInfoMode) {
        // Too large, or not readable at all: no information file.
        NoInfoFile();
        return;
    }
    Abandon(utCannotStoreFile, FIndex < FFiles->Count() ? URLFileName((*FFiles)[FIndex]) : std::string());
}

void TvyAppUpdater::HTTPProgress(int fileSize, int bytesRead, int elapsed, int left, uint8_t percents, float rate)
{
    // An error page being read is no progress of the file.
    const int status = FHTTP->StatusCode();
    if (FInfoMode || FIndex >= FFiles->Count() || (status != 200 && status != 206)) return;
    std::shared_ptr<bool> alive = FAlive;
    const unsigned run = FRun;
    if (!FFirstChunk) {
        FFirstChunk = true;
        // Without a length the body is kept in memory and its file written at the end.
        const bool onDisk = fileSize > 0 || GetFileAttributesA(FTempPath.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (onDisk && !SetFileAttributesA(FTempPath.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY) &&
            Box(30, Text(21), MB_YESNO | MB_ICONERROR) != IDYES) {
            if (*alive) AbortUpgrade();
            return;
        }
        if (!*alive || run != FRun) return;
    }
    const uint8_t total = UpgradeTotalPercent(FIndex, FFiles->Count(), percents);
    OnProgress(this, (*FFiles)[FIndex], fileSize, bytesRead, elapsed, left, percents, total, rate);
    if (!*alive || run != FRun) return; // the handler ended the upgrade
    if (FWizard->WizardOpen()) {
        TvyTransferFigures figures;
        figures.PercentsDone = percents;
        figures.ElapsedTime = elapsed;
        figures.EstimatedTimeLeft = left;
        figures.TransferRate = rate;
        FWizard->WizardProgress(figures, total, fileSize);
    }
}

void TvyAppUpdater::HTTPConnLost()
{
    std::shared_ptr<bool> alive = FAlive;
    OnConnLost(this);
    if (!*alive) return;
    if (Wants(mConnLost)) Box(31, Text(0), MB_ICONERROR);
    if (*alive) StopStep();
}

void TvyAppUpdater::HTTPError(int status)
{
    if (FInfoMode) {
        NoInfoFile();
        return;
    }
    LostFile(status);
}

void TvyAppUpdater::NoInfoFile()
{
    std::shared_ptr<bool> alive = FAlive;
    OnNoInfoFile(this);
    if (*alive && Wants(mNoInfoFile)) Box(25, Text(0), MB_ICONERROR);
}

void TvyAppUpdater::HTTPHostUnreachable()
{
    std::shared_ptr<bool> alive = FAlive;
    const std::string url = FHTTP->URL();
    const std::string host = URLHost(url);
    OnHostUnreachable(this, url, host);
    if (!*alive) return;
    if (Wants(mHostUnreachable)) Box(26, Text(0), MB_ICONERROR, {"'http://" + host + "'"});
    if (*alive) StopStep();
}

void TvyAppUpdater::HTTPPasswordRequest(bool& tryAgain)
{
    std::shared_ptr<bool> alive = FAlive;
    OnPasswordRequest(this, tryAgain);
    if (!*alive || tryAgain || !Wants(mPasswordRequest)) return;
    // The dialog stores what was typed through the setters.
    tryAgain = FWizard->ShowPasswordDialog(URLFileName(FHTTP->URL()));
    if (*alive && !tryAgain) AbortUpgrade();
}

// --- The steps of an upgrade -----------------------------------------------------------

// With a public key, a file it did not sign is no information file: nothing in it counts.
bool TvyAppUpdater::InfoFileTrusted(const std::string& text) const
{
    if (FPublicKey.empty()) return true;
    const auto key = vyParsePublicKey(FPublicKey);
    return key && vyInfoSignatureValid(text, *key);
}

void TvyAppUpdater::InfoFileReceived(TStream* data)
{
    if (data && data->Size() > static_cast<long>(MaxInfoFileBytes)) {
        NoInfoFile();
        return;
    }
    const std::string text = StreamText(data);
    if (!InfoFileTrusted(text)) {
        NoInfoFile();
        return;
    }
    TvyInfoFile info = ReadInfoFile(text);
    FFiles->Clear();
    for (const std::string& file : info.Files) FFiles->Add(file);
    bool offers = InfoOffersUpdate(info, FVersionControl, FVersionDate, FVersionNumber, Today());
    // A redirect hands its address to the shell: only a web page may be opened so.
    if (offers && info.Method == TvyUpgradeMethod::umRedirectToURL && !RedirectAddress(info.Files.front()))
        offers = false;
    if (!offers) {
        NoUpdate();
        return;
    }
    // Another instance of the program is upgrading this folder: it alone goes on.
    if (info.Method != TvyUpgradeMethod::umRedirectToURL && !TakeUpgradeLock()) return;
    FMethod = info.Method;
    bool canUpgrade = true;
    std::shared_ptr<bool> alive = FAlive;
    OnBeginUpgrade(this, info.Message, FMethod, FFiles.get(), canUpgrade);
    if (!*alive) return;
    if (!canUpgrade || (Wants(mAskUpgrade) && !FWizard->ShowUpgradeMessage(info.Message))) {
        if (!*alive) return;
        ReleaseUpgradeLock();
        OnLaterUpgrade(this);
        return;
    }
    if (!*alive) return;
    if (FMethod == TvyUpgradeMethod::umRedirectToURL) {
        // The handler may have changed the list: the same rule holds for what it left.
        if (FFiles->Count() > 0)
            if (const auto address = RedirectAddress((*FFiles)[0])) OpenURL(*address, true);
        return;
    }
    // The downloads are checked against this file's digests.
    FInfo = std::move(info);
    NextDownload(true);
}

void TvyAppUpdater::NoUpdate()
{
    std::shared_ptr<bool> alive = FAlive;
    OnNoUpdateAvailable(this);
    if (*alive && Wants(mNoUpdateAvailable)) Box(24, Text(0), MB_ICONERROR);
}

void TvyAppUpdater::NextDownload(bool first)
{
    if (first) {
        FInfoMode = false;
        FHTTP->SetUseCache(true);
        FHTTP->SetMaxBodySize(0);
        FIndex = 0;
        FWritten.clear();
        FStored.clear();
        if (FWizard->Enabled()) FWizard->ShowWizard();
    } else
        ++FIndex;
    // Refused names are skipped here, one after the other, not by calling back in.
    for (;; ++FIndex) {
        if (FIndex >= FFiles->Count()) {
            FinishUpgrade();
            return;
        }
        FFirstChunk = false;
        const std::string address = (*FFiles)[FIndex];
        if (FWizard->WizardOpen()) FWizard->WizardFile(address, FIndex, FFiles->Count());
        if (const auto name = UpgradeFileName(address)) {
            FTempPath = ExeFolder() + *name + ".uTMP";
            FWritten.push_back(FTempPath);
            FHTTP->SetURL(address);
            FHTTP->SetFileName(FTempPath);
            FHTTP->Get();
            return;
        }
        // A name that would leave the program's folder is not fetched at all.
        FTempPath.clear();
        if (!SkipLostFile(0, true)) return;
    }
}

void TvyAppUpdater::LostFile(int status)
{
    if (SkipLostFile(status, false)) NextDownload(false);
}

// OnLostFile and, when wanted, the question whether to skip the current file. True when
// the upgrade goes on without it; otherwise it has been abandoned (or the component is gone).
bool TvyAppUpdater::SkipLostFile(int status, bool nameRefused)
{
    const std::string address = (*FFiles)[FIndex];
    bool continueUpgrade = false;
    std::shared_ptr<bool> alive = FAlive;
    const unsigned run = FRun;
    OnLostFile(this, address, status, continueUpgrade);
    if (!*alive || run != FRun) return false;
    if (Wants(mLostFile)) {
        // A refused name was never asked for: no status to show, and the reason said.
        continueUpgrade =
            nameRefused
                ? Box(utNameNotAllowed, Text(utError), MB_YESNO | MB_ICONWARNING, {URLFileName(address)}) == IDYES
                : Box(utFileNotFound, Text(utError) + " #" + IntToStr(status), MB_YESNO | MB_ICONWARNING,
                      {URLFileName(address)}) == IDYES;
    }
    if (!*alive || run != FRun) return false;
    if (!continueUpgrade) {
        AbortUpgrade();
        return false;
    }
    // A skipped file leaves nothing, not even what an earlier upgrade left under its name.
    if (!FTempPath.empty()) {
        SetFileAttributesA(FTempPath.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(FTempPath.c_str());
    }
    return true;
}

// The failure is told, and the upgrade abandoned: its files deleted, the program running.
void TvyAppUpdater::Abandon(int text, const std::string& file)
{
    std::shared_ptr<bool> alive = FAlive;
    StopStep();
    if (file.empty())
        Box(text, Text(utError), MB_ICONERROR);
    else
        Box(text, Text(utError), MB_ICONERROR, {file});
    if (*alive) OnAborted(this);
}

namespace {

// The whole content of a file; empty when it cannot be read.
std::string FileBytes(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    const DWORD size = GetFileSize(file, nullptr);
    DWORD got = 0;
    if (size != INVALID_FILE_SIZE) {
        bytes.resize(size);
        if (!ReadFile(file, bytes.data(), size, &got, nullptr) || got != size) bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

bool EndsWithNoCase(const std::string& s, const char* tail)
{
    const size_t n = std::strlen(tail);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != tail[i]) return false;
    return true;
}

} // namespace

// With a public key, a file counts only with the digest the signed information file states.
bool TvyAppUpdater::StoredFileVerified(const std::string& address, const std::string& bytes) const
{
    if (FPublicKey.empty()) return true;
    const auto stated = vyInfoFileDigest(FInfo, address);
    const TvyFileDigest actual = vySha256(bytes);
    return stated && vyEqualBytes(stated->data(), actual.data(), actual.size());
}

// Every stored download is checked here, before anything is put in place; a file that
// fails is lost and cannot be skipped. False when the upgrade was abandoned.
bool TvyAppUpdater::CheckStoredFiles()
{
    for (const auto& [address, path] : FStored) {
        const std::string name = URLFileName(address);
        const std::string bytes = FileBytes(path);
        // An executable cut short would leave the user without a program.
        if (EndsWithNoCase(name, ".exe") && !IsWholePEImage(bytes)) {
            Abandon(utDamagedFile, name);
            return false;
        }
        if (!StoredFileVerified(address, bytes)) {
            Abandon(utUnverifiedFile, name);
            return false;
        }
    }
    return true;
}

void TvyAppUpdater::FinishUpgrade()
{
    std::shared_ptr<bool> alive = FAlive;
    // Every file skipped: nothing to put in place, nothing to restart.
    if (FStored.empty()) {
        StopStep();
        OnAborted(this);
        return;
    }
    if (!CheckStoredFiles()) return;
    if (FWizard->WizardOpen()) {
        FWizard->WizardFinishPage();
        while (*alive && FWizard->WizardOpen() && !(Application && Application->Terminated())) {
            FWizard->FocusWizard();
            if (Application)
                Application->HandleMessage();
            else
                WaitMessage();
        }
        if (!*alive) return;
    }
    OnEndUpgrade(this);
    if (*alive) StartSwapProgram();
}

void TvyAppUpdater::StartSwapProgram()
{
    const std::string& path = SwapProgramPath();
    bool written = false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        TOwnedPtr<TMemoryStream> program(new TMemoryStream);
        LoadResourceToStream(MainInstance(), "VYUPG", "VYUPG", program.get());
        const DWORD size = static_cast<DWORD>(program->Size());
        DWORD done = 0;
        written = size > 0 && WriteFile(file, program->Memory(), size, &done, nullptr) && done == size;
        CloseHandle(file);
    }
    const std::string command = SwapCommandLine(path, ParamStr(0), FRestartParams, FMethod);
    // The program closes only once the swap program runs; otherwise it stays, and so do
    // the old files.
    if (!written || Platform().WinExec(command.c_str(), SW_SHOWNORMAL) <= 31) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
        Abandon(utSwapNotStarted);
        return;
    }
    // From here on the files belong to the swap program.
    FWritten.clear();
    CloseApplication();
}

void TvyAppUpdater::StopStep()
{
    ++FRun;
    FHTTP->Abort();
    FWizard->DestroyForms();
    DeleteWrittenFiles();
    FStored.clear();
    ReleaseUpgradeLock();
}

bool TvyAppUpdater::TakeUpgradeLock()
{
    if (FUpgradeLock) return true;
    // Named after the folder the ".uTMP" files go to; a name holds no "\\".
    std::string folder = ExeFolder();
    unsigned hash = 2166136261u;
    for (char c : folder) hash = (hash ^ static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c)))) * 16777619u;
    char name[64];
    wsprintfA(name, "vyAppUpdater.%08X.%u", hash, static_cast<unsigned>(folder.size()));
    HANDLE lock = CreateMutexA(nullptr, FALSE, name);
    if (!lock) return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(lock);
        return false;
    }
    FUpgradeLock = lock;
    return true;
}

void TvyAppUpdater::ReleaseUpgradeLock()
{
    if (FUpgradeLock) CloseHandle(FUpgradeLock);
    FUpgradeLock = nullptr;
}

void TvyAppUpdater::AbortUpgrade()
{
    // A wizard closing while the component is destroyed ends nothing more.
    if (!*FAlive) return;
    StopStep();
    OnAborted(this);
}

void TvyAppUpdater::DeleteWrittenFiles()
{
    for (const std::string& path : FWritten) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
    FWritten.clear();
}
