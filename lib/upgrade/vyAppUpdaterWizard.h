// lib/upgrade/vyAppUpdaterWizard.h
// Unit vyAppUpdaterWizard: the upgrader's dialogs and download wizard. TvyAppUpdaterWizard is
// the upgrader's published Wizard object (options, language, the three forms' lifetimes);
// TvyAppUpdaterWizardForm is the modeless wizard showing the downloads and the finish page.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "vyAppUpdaterLanguage.h"
#include "vyHTTPText.h" // TvyTransferFigures

class TvyPicture;            // lib/window/vyGraphics.h
class TvyProportionalImage;  // lib/presentation/vyPropImage.h
class TvyAppUpdaterUpgradeMessageForm;
class TvyAppUpdaterPasswordForm;
class TvyAppUpdaterWizardForm;

// What the dialogs need from the engine; TvyAppUpdater implements it.
class TvyAppUpdaterEngineLink {
public:
    virtual ~TvyAppUpdaterEngineLink() = default;
    virtual std::string GetHTTPUsername() const = 0;
    virtual void SetHTTPUsername(const std::string& value) = 0;   // engine's setters
    virtual void SetHTTPPassword(const std::string& value) = 0;
    virtual void AbortUpgrade() = 0;                              // the wizard closed early
    virtual void LanguageChanged(int baseId) = 0;                 // engine keeps its base
};

class TvyAppUpdaterWizard : public TPersistent {
public:
    TG_DECLARE_CLASS()
    static constexpr bool DefaultEnabled = true;
    static constexpr TvyAppUpdaterLanguage DefaultLanguage = wlAuto;
    static constexpr bool DefaultShowTaskIcon = false;
    static constexpr bool DefaultStayOnTop = true;

    explicit TvyAppUpdaterWizard(TvyAppUpdaterEngineLink& engine);
    ~TvyAppUpdaterWizard() override;       // destroys any open form
    // published: Enabled (True), Pic118x218, Language (wlAuto), ShowTaskIcon (False), StayOnTop (True)
    bool Enabled() const;               void SetEnabled(bool);
    TvyPicture* Pic118x218() const;     void SetPic118x218(TvyPicture*);   // copies
    TvyAppUpdaterLanguage Language() const; void SetLanguage(TvyAppUpdaterLanguage); // recomputes base
    bool ShowTaskIcon() const;          void SetShowTaskIcon(bool);
    bool StayOnTop() const;             void SetStayOnTop(bool);
    int BaseId() const;                                   // base of the current language
    std::string Text(int n) const;                        // text base + n
    std::string Text(int n, std::initializer_list<TvyTextArg> args) const;

    bool ShowUpgradeMessage(const std::string& upgradeMsg);   // modal; True for Yes
    bool ShowPasswordDialog(const std::string& fileName);     // modal; True for OK
    void ShowWizard();                                         // modeless, downloading page
    bool WizardOpen() const;
    void WizardFile(const std::string& address, int index, int count);
    void WizardProgress(const TvyTransferFigures& figures, int totalPercentsDone);
    void WizardFinishPage();
    HWND WizardHandle() const;                                 // 0 when closed
    void FocusWizard();                                        // the engine's wait on the finish page
    void DestroyForms();                                       // the engine's stop step

    // The progress report with the current file's size in bytes (the size line shows it);
    // the two-argument form keeps the size last given.
    void WizardProgress(const TvyTransferFigures& figures, int totalPercentsDone, int fileSize);
    TvyAppUpdaterEngineLink& Engine() const noexcept { return FEngine; }
    // The open forms (nullptr when none): tests and the engine's focus handling.
    TvyAppUpdaterUpgradeMessageForm* UpgradeMessageForm() const noexcept { return FUpgradeForm; }
    TvyAppUpdaterPasswordForm* PasswordForm() const noexcept { return FPasswordForm; }
    TvyAppUpdaterWizardForm* WizardForm() const noexcept { return FWizardForm; }
    // A form tells that it is going away (closed or freed).
    void FormGone(TCustomForm* form);

private:
    // Creates a form owned by the application (never its main form) that reports its end here.
    template <class T>
    T* NewForm();
    // Shows a modal dialog prepared with argument in slot and frees it once answered.
    template <class T, class A>
    TModalResult AskModal(T*& slot, const A& argument);

    TvyAppUpdaterEngineLink& FEngine;
    bool FEnabled = DefaultEnabled;
    std::unique_ptr<TvyPicture> FPic118x218;
    TvyAppUpdaterLanguage FLanguage = DefaultLanguage;
    bool FShowTaskIcon = DefaultShowTaskIcon;
    bool FStayOnTop = DefaultStayOnTop;
    int FBaseId = 0;
    int FFileSize = 0;
    TvyAppUpdaterUpgradeMessageForm* FUpgradeForm = nullptr;
    TvyAppUpdaterPasswordForm* FPasswordForm = nullptr;
    TvyAppUpdaterWizardForm* FWizardForm = nullptr;
};

// The stored language names.
const std::vector<std::string>& AppUpdaterLanguageNames();

// A form of the upgrader: it knows the wizard object that made it and tells it when it goes.
class TvyAppUpdaterForm : public TForm {
public:
    TG_DECLARE_CLASS()
    explicit TvyAppUpdaterForm(TComponent* owner) : TForm(owner) {}
    void SetWizard(TvyAppUpdaterWizard* wizard) noexcept { FWizard = wizard; }
    TvyAppUpdaterWizard* Wizard() const noexcept { return FWizard; }
    void BeforeDestruction() override;

protected:
    // Puts the form above every window that is not topmost, without activating it.
    void MakeTopmost();
    TvyAppUpdaterWizard* FWizard = nullptr;
};

class TvyAppUpdaterWizardForm : public TvyAppUpdaterForm {
public:
    TG_DECLARE_CLASS()
    explicit TvyAppUpdaterWizardForm(TComponent* owner);

    TPanel* Panel1 = nullptr;
    TvyProportionalImage* Image1 = nullptr;
    TLabel* WizardTitle = nullptr;
    TLabel* AfterNote = nullptr;
    TGroupBox* LCurrentFile = nullptr;
    TLabel* LDownloadingFileFrom = nullptr;
    TEdit* FileURL = nullptr;
    TLabel* FileSizeLab = nullptr;
    TLabel* TransferRateLab = nullptr;
    TLabel* EstimatedTimeLeftLab = nullptr;
    TProgressBar* ProgressCurrentFile = nullptr;
    TGroupBox* LAllFiles = nullptr;
    TLabel* AllDownloading = nullptr;
    TProgressBar* ProgressAllFiles = nullptr;
    TBevel* Bevel1 = nullptr;
    TLabel* AboutLabel = nullptr;
    TLabel* AboutShadow = nullptr;
    TButton* FinishBtn = nullptr;
    TButton* CancelBtn = nullptr;

    // The steps of the downloads, with the wizard's texts.
    void Start();
    void FileStep(const std::string& address, int index, int count);
    void Progress(const TvyTransferFigures& figures, int totalPercentsDone, int fileSize);
    void FinishPage();
    // The title's font height as stored, and the smallest a long title may shrink to.
    static constexpr int TitleFontHeight = -19;
    static constexpr int MinTitleFontHeight = -13;
    // Shows title, shrinking its font while it does not fit the window.
    void SetTitle(const std::string& title);
    // True until the finish page: closing now aborts the upgrade.
    bool Downloading() const;
    // Gives the wizard the keyboard focus unless a control of its own has it.
    void TakeFocus();

    void FormCloseQuery(TObject* sender, bool& canClose);
    void FormClose(TObject* sender, TCloseAction& action);
    void FileURLKeyPress(TObject* sender, char& key);
    void FinishBtnClick(TObject* sender);
    void CancelBtnClick(TObject* sender);
};
