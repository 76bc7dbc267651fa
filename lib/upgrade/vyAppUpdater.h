// lib/upgrade/vyAppUpdater.h
// Unit vyAppUpdater: TvyAppUpdater keeps the program up to date from a web server. It
// fetches the information file, decides whether something newer is announced, asks the
// user, downloads the files beside the executable as "<name>.uTMP", then writes out the
// embedded swap program, starts it and ends the program; the swap program moves the files
// into place and restarts the program with RestartParams.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "vyAppUpdaterInfo.h"
#include "vyAppUpdaterSignature.h"
#include "vyAppUpdaterWizard.h"
#include "vyHTTP.h"

// Which built-in dialogs the upgrader shows: a set, member i is bit i.
enum TvyAppUpdaterShowMessage : unsigned {
    mAskUpgrade, mConnLost, mHostUnreachable, mLostFile, mNoInfoFile, mNoUpdateAvailable, mPasswordRequest };
using TvyAppUpdaterShowMessages = unsigned;
constexpr TvyAppUpdaterShowMessages vyMessageBit(TvyAppUpdaterShowMessage m)
{
    return 1u << m;
}

using TvyAUBeginUpgradeEvent = TEvent<TObject*, const std::string& /*UpgradeMsg*/, TvyUpgradeMethod /*UpgradeMethod*/,
                                      TStringList* /*Files*/, bool& /*CanUpgrade*/>;
using TvyAUProgressEvent = TEvent<TObject*, const std::string& /*FileURL*/, int /*FileSize*/, int /*BytesRead*/,
                                  int /*ElapsedTime*/, int /*EstimatedTimeLeft*/, uint8_t /*PercentsDone*/,
                                  uint8_t /*TotalPercentsDone*/, float /*TransferRate*/>;
using TvyAUFileDoneEvent = TEvent<TObject*, const std::string& /*FileURL*/>;
using TvyAULostFileEvent =
    TEvent<TObject*, const std::string& /*FileURL*/, int /*ErrorCode*/, bool& /*ContinueUpgrade*/>;
using TvyAUHostUnreachableEvent = TEvent<TObject*, const std::string& /*URL*/, const std::string& /*Hostname*/>;

class TvyAppUpdater : public TvyLoginComponent, public TvyAppUpdaterEngineLink {
public:
    TG_DECLARE_CLASS()
    static constexpr const char* DefaultInfoFileURL = "http://";
    static constexpr const char* DefaultRestartParams = "/afterupgrade";
    static constexpr TvyAppUpdaterShowMessages DefaultShowMessages =
        vyMessageBit(mAskUpgrade) | vyMessageBit(mConnLost) | vyMessageBit(mLostFile) |
        vyMessageBit(mPasswordRequest);
    static constexpr const char* Agent = "AppUpdater component (www.pellory.example)";
    // The timer of the automatic check: its identifier and interval.
    static constexpr UINT_PTR CheckTimer = 1;
    static constexpr UINT CheckIntervalMs = 5000;
    // Retrying to delete a swap program that is still ending: every half second, ten seconds long.
    static constexpr UINT_PTR SwapCleanupTimer = 2;
    static constexpr UINT SwapCleanupMs = 500;
    static constexpr int SwapCleanupTries = 20;

    explicit TvyAppUpdater(TComponent* owner);
    ~TvyAppUpdater() override;
    void Loaded() override;

    // Credentials, forwarded to the client.
    std::string GetHTTPUsername() const override;
    void SetHTTPUsername(const std::string& value) override;
    std::string GetHTTPPassword() const override;
    void SetHTTPPassword(const std::string& value) override;

    bool AutoCheck() const noexcept { return FAutoCheck; }
    void SetAutoCheck(bool value);
    TvyAppUpdaterInfo* InfoFile() const noexcept { return FInfoFile.get(); }
    const std::string& InfoFileURL() const noexcept { return FInfoFileURL; }
    void SetInfoFileURL(const std::string& value) { FInfoFileURL = value; }
    TvyHTTPProxy* Proxy() const noexcept { return FHTTP->Proxy(); }
    const std::string& RestartParams() const noexcept { return FRestartParams; }
    // An empty text is kept as one blank.
    void SetRestartParams(const std::string& value);
    TThreadPriority ThreadPriority() const;
    void SetThreadPriority(TThreadPriority value);
    TvyAppUpdaterVersionControl VersionControl() const noexcept { return FVersionControl; }
    void SetVersionControl(TvyAppUpdaterVersionControl value) noexcept { FVersionControl = value; }
    // MM/DD/YYYY, the program's own release date.
    const std::string& VersionDate() const noexcept { return FVersionDate; }
    void SetVersionDate(const std::string& value) { FVersionDate = value; }
    bool VersionDateAutoSet() const noexcept { return FVersionDateAutoSet; }
    void SetVersionDateAutoSet(bool value);
    const std::string& VersionNumber() const noexcept { return FVersionNumber; }
    void SetVersionNumber(const std::string& value) { FVersionNumber = value; }
    TvyAppUpdaterShowMessages ShowMessages() const noexcept { return FShowMessages; }
    void SetShowMessages(TvyAppUpdaterShowMessages value) noexcept { FShowMessages = value; }
    TvyAppUpdaterWizard* Wizard() const noexcept { return FWizard.get(); }
    // The publisher's Ed25519 public key, 64 hexadecimal digits. Empty: information files
    // are taken as they come. Set: only an information file it signed is acted on, and only
    // files whose SHA-256 that file states are put in place (vyAppUpdaterSignature.h); a
    // value that is no usable key trusts nothing.
    const std::string& PublicKey() const noexcept { return FPublicKey; }
    void SetPublicKey(const std::string& value) { FPublicKey = value; }

    // Fetches the information file unless a transfer is running.
    void CheckUpdate();
    // Ends the upgrade under way: the stop step, then OnAborted.
    void AbortUpgrade() override;
    bool Busy() const { return FHTTP->Busy(); }
    void LanguageChanged(int baseId) override { FBaseId = baseId; }

    // For diagnostics and tests: the client, the timer's window, the texts' base.
    TvyCustomHTTP* HTTP() const noexcept { return FHTTP.get(); }
    HWND UtilityWindow() const noexcept { return FUtilityWindow; }
    int BaseId() const noexcept { return FBaseId; }

    TNotifyEvent OnAfterRestart;
    TvyAUBeginUpgradeEvent OnBeginUpgrade;
    TNotifyEvent OnLaterUpgrade;
    TvyAUProgressEvent OnProgress;
    TvyAUFileDoneEvent OnFileDone;
    TNotifyEvent OnEndUpgrade;
    TNotifyEvent OnAborted;
    TNotifyEvent OnConnLost;
    TvyAUHostUnreachableEvent OnHostUnreachable;
    TNotifyEvent OnNoUpdateAvailable;
    TNotifyEvent OnNoInfoFile;
    TvyAULostFileEvent OnLostFile;
    TvyHTTPPasswordRequestEvent OnPasswordRequest;

private:
    void UpdateTimer();
    bool DeleteLeftoverSwapProgram();
    void UtilityWndProc(TMessage& m);
    bool Wants(TvyAppUpdaterShowMessage m) const noexcept { return (FShowMessages & vyMessageBit(m)) != 0; }
    int Box(int text, const std::string& caption, UINT type, std::initializer_list<TvyTextArg> args = {});
    std::string Text(int n) const;

    void HTTPDone(TStream* data);
    void HTTPFailed();
    void HTTPProgress(int fileSize, int bytesRead, int elapsed, int left, uint8_t percents, float rate);
    void HTTPConnLost();
    void HTTPError(int status);
    void HTTPHostUnreachable();
    void HTTPPasswordRequest(bool& tryAgain);

    void InfoFileReceived(TStream* data);
    bool InfoFileTrusted(const std::string& text) const;
    void NoInfoFile();
    void NoUpdate();
    void NextDownload(bool first);
    void LostFile(int status);
    bool SkipLostFile(int status, bool nameRefused);
    void Abandon(int text, const std::string& file = {});
    bool StoredFileVerified(const std::string& address, const std::string& bytes) const;
    bool CheckStoredFiles();
    void FinishUpgrade();
    void StopStep();
    void DeleteWrittenFiles();
    void StartSwapProgram();
    bool TakeUpgradeLock();
    void ReleaseUpgradeLock();

    TOwnedPtr<TvyCustomHTTP> FHTTP;
    TOwnedPtr<TvyAppUpdaterInfo> FInfoFile;
    TOwnedPtr<TStringList> FFiles;
    TOwnedPtr<TvyAppUpdaterWizard> FWizard;
    HWND FUtilityWindow = nullptr;

    bool FAutoCheck = false;
    std::string FInfoFileURL = DefaultInfoFileURL;
    std::string FRestartParams = DefaultRestartParams;
    TvyAppUpdaterVersionControl FVersionControl = TvyAppUpdaterVersionControl::byDate;
    std::string FVersionDate;
    bool FVersionDateAutoSet = true;
    std::string FVersionNumber;
    TvyAppUpdaterShowMessages FShowMessages = DefaultShowMessages;
    std::string FPublicKey;

    bool FCheckedOnce = false;
    int FSwapCleanupTries = 0;
    bool FInfoMode = false;
    TvyUpgradeMethod FMethod = TvyUpgradeMethod::umSelfUpgrade;
    int FIndex = 0;
    bool FFirstChunk = false;
    std::string FTempPath;
    // The ".uTMP" files this upgrade has written or begun: an abandoned upgrade deletes
    // them, so that a later swap program never installs a broken set.
    std::vector<std::string> FWritten;
    // The files this upgrade has stored whole: address and temporary path.
    std::vector<std::pair<std::string, std::string>> FStored;
    // The information file the downloads are checked against (its digests).
    TvyInfoFile FInfo;
    // Held from the offer of an upgrade until it ends: one upgrade at a time per folder,
    // whatever instance of the program runs it.
    HANDLE FUpgradeLock = nullptr;
    int FBaseId = 0;
    // Counts the stop steps: a step that fires an event sees by it whether the upgrade ended.
    unsigned FRun = 0;
    // False once the destructor has run: handlers may free the component.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

// Where the swap program is written: the temporary folder + "vySwap.exe", fixed at start-up.
const std::string& SwapProgramPath();
