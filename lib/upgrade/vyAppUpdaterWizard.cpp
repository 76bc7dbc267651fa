// lib/upgrade/vyAppUpdaterWizard.cpp
#include "vyAppUpdaterWizard.h"

#include "Platform.h"
#include "vyAppUpdaterPassword.h"
#include "vyAppUpdaterUpgradeMsg.h"
#include "vyAppUpdaterWizardText.h"
#include "vyGraphics.h"
#include "vyPropImage.h"

const std::vector<std::string>& AppUpdaterLanguageNames()
{
    static const std::vector<std::string> names = {"wlAuto",       "wlEnglish",    "wlRussian", "wlGerman",
                                                   "wlDutch",      "wlItalian",    "wlChineseBIG5",
                                                   "wlPortuguese", "wlEstonian",   "wlDanish",  "wlUkrainian",
                                                   "wlFrench"};
    return names;
}

// --- TvyAppUpdaterWizard -------------------------------------------------------------------

const TClassInfo& TvyAppUpdaterWizard::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using W = TvyAppUpdaterWizard;
        TClassInfo i{"TvyAppUpdaterWizard", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        auto& p = i.Props;
        p.push_back(BoolProp("Enabled", &W::Enabled, &W::SetEnabled, DefaultEnabled));
        p.push_back(ObjProp("Pic118x218", &W::Pic118x218));
        p.push_back(EnumProp("Language", &W::Language, &W::SetLanguage, AppUpdaterLanguageNames(),
                             std::optional(DefaultLanguage)));
        p.push_back(BoolProp("ShowTaskIcon", &W::ShowTaskIcon, &W::SetShowTaskIcon, DefaultShowTaskIcon));
        p.push_back(BoolProp("StayOnTop", &W::StayOnTop, &W::SetStayOnTop, DefaultStayOnTop));
        return i;
    }();
    return info;
}

TvyAppUpdaterWizard::TvyAppUpdaterWizard(TvyAppUpdaterEngineLink& engine)
    : FEngine(engine), FPic118x218(std::make_unique<TvyPicture>()), FBaseId(vyAppUpdaterLanguageBase(DefaultLanguage))
{
}

TvyAppUpdaterWizard::~TvyAppUpdaterWizard()
{
    DestroyForms();
}

bool TvyAppUpdaterWizard::Enabled() const { return FEnabled; }
void TvyAppUpdaterWizard::SetEnabled(bool v) { FEnabled = v; }
TvyPicture* TvyAppUpdaterWizard::Pic118x218() const { return FPic118x218.get(); }
TvyAppUpdaterLanguage TvyAppUpdaterWizard::Language() const { return FLanguage; }
bool TvyAppUpdaterWizard::ShowTaskIcon() const { return FShowTaskIcon; }
void TvyAppUpdaterWizard::SetShowTaskIcon(bool v) { FShowTaskIcon = v; }
bool TvyAppUpdaterWizard::StayOnTop() const { return FStayOnTop; }
void TvyAppUpdaterWizard::SetStayOnTop(bool v) { FStayOnTop = v; }
int TvyAppUpdaterWizard::BaseId() const { return FBaseId; }

void TvyAppUpdaterWizard::SetPic118x218(TvyPicture* v)
{
    if (v == FPic118x218.get()) return;
    FPic118x218->SetGraphic(v ? v->Graphic() : nullptr);
}

void TvyAppUpdaterWizard::SetLanguage(TvyAppUpdaterLanguage v)
{
    if (v == FLanguage) return;
    FLanguage = v;
    // Fixed now: a change of the user's locale during the run is not followed.
    FBaseId = vyAppUpdaterLanguageBase(v);
    FEngine.LanguageChanged(FBaseId);
}

std::string TvyAppUpdaterWizard::Text(int n) const
{
    return vyLoadUpgradeText(FBaseId + n);
}

std::string TvyAppUpdaterWizard::Text(int n, std::initializer_list<TvyTextArg> args) const
{
    return vyLoadUpgradeText(FBaseId + n, args);
}

template <class T>
T* TvyAppUpdaterWizard::NewForm()
{
    // Not through CreateForm: a dialog must never become the application's main form.
    auto* form = new T(Application);
    form->SetWizard(this);
    try {
        form->AfterConstruction();
    } catch (...) {
        form->SetWizard(nullptr);
        form->Free();
        throw;
    }
    return form;
}

void TvyAppUpdaterWizard::FormGone(TCustomForm* form)
{
    if (form == FUpgradeForm) FUpgradeForm = nullptr;
    if (form == FPasswordForm) FPasswordForm = nullptr;
    if (form == FWizardForm) FWizardForm = nullptr;
}

template <class T, class A>
TModalResult TvyAppUpdaterWizard::AskModal(T*& slot, const A& argument)
{
    // One question at a time: a second one while the first is open is not asked.
    if (slot) return mrCancel;
    slot = NewForm<T>();
    T* form = slot;
    TModalResult result = mrCancel;
    try {
        form->Prepare(argument);
        result = form->ShowModal();
    } catch (...) {
        form->Free();
        throw;
    }
    form->Free();
    return result;
}

bool TvyAppUpdaterWizard::ShowUpgradeMessage(const std::string& upgradeMsg)
{
    return AskModal(FUpgradeForm, upgradeMsg) == mrYes;
}

bool TvyAppUpdaterWizard::ShowPasswordDialog(const std::string& fileName)
{
    return AskModal(FPasswordForm, fileName) == mrOk;
}

void TvyAppUpdaterWizard::ShowWizard()
{
    if (!FWizardForm) FWizardForm = NewForm<TvyAppUpdaterWizardForm>();
    FFileSize = 0;
    FWizardForm->Start();
}

bool TvyAppUpdaterWizard::WizardOpen() const
{
    return FWizardForm != nullptr;
}

void TvyAppUpdaterWizard::WizardFile(const std::string& address, int index, int count)
{
    if (FWizardForm) FWizardForm->FileStep(address, index, count);
}

void TvyAppUpdaterWizard::WizardProgress(const TvyTransferFigures& figures, int totalPercentsDone)
{
    WizardProgress(figures, totalPercentsDone, FFileSize);
}

void TvyAppUpdaterWizard::WizardProgress(const TvyTransferFigures& figures, int totalPercentsDone, int fileSize)
{
    FFileSize = fileSize;
    if (FWizardForm) FWizardForm->Progress(figures, totalPercentsDone, fileSize);
}

void TvyAppUpdaterWizard::WizardFinishPage()
{
    if (FWizardForm) FWizardForm->FinishPage();
}

HWND TvyAppUpdaterWizard::WizardHandle() const
{
    return FWizardForm && FWizardForm->HandleAllocated() ? FWizardForm->Handle() : nullptr;
}

void TvyAppUpdaterWizard::FocusWizard()
{
    if (FWizardForm) FWizardForm->TakeFocus();
}

void TvyAppUpdaterWizard::DestroyForms()
{
    // A modal dialog is ended through its own loop, which then frees it; the wizard may be in
    // the middle of one of its own messages, so it goes once they are done.
    if (FUpgradeForm) FUpgradeForm->SetModalResult(mrCancel);
    if (FPasswordForm) FPasswordForm->SetModalResult(mrCancel);
    if (TvyAppUpdaterWizardForm* form = FWizardForm) {
        FWizardForm = nullptr;
        form->SetWizard(nullptr);
        form->Hide();
        form->Release();
    }
}

// --- TvyAppUpdaterForm ---------------------------------------------------------------------

const TClassInfo& TvyAppUpdaterForm::StaticClassInfo()
{
    static const TClassInfo info{"TvyAppUpdaterForm", &TForm::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

void TvyAppUpdaterForm::BeforeDestruction()
{
    if (FWizard) FWizard->FormGone(this);
    FWizard = nullptr;
    TForm::BeforeDestruction();
}

void TvyAppUpdaterForm::MakeTopmost()
{
    if (HandleAllocated())
        SetWindowPos(FHandle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

// --- TvyAppUpdaterWizardForm ---------------------------------------------------------------

const TClassInfo& TvyAppUpdaterWizardForm::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using F = TvyAppUpdaterWizardForm;
        TClassInfo i{"TvyAppUpdaterWizardForm", &TvyAppUpdaterForm::StaticClassInfo(), &CreateComponentOf<F>, {}, {}};
        i.Methods.push_back(Method("FormCloseQuery", &F::FormCloseQuery));
        i.Methods.push_back(Method("FormClose", &F::FormClose));
        i.Methods.push_back(Method("FileURLKeyPress", &F::FileURLKeyPress));
        i.Methods.push_back(Method("FinishBtnClick", &F::FinishBtnClick));
        i.Methods.push_back(Method("CancelBtnClick", &F::CancelBtnClick));
        i.Fields = {Field("Panel1", &F::Panel1),
                    Field("Image1", &F::Image1),
                    Field("WizardTitle", &F::WizardTitle),
                    Field("AfterNote", &F::AfterNote),
                    Field("LCurrentFile", &F::LCurrentFile),
                    Field("LDownloadingFileFrom", &F::LDownloadingFileFrom),
                    Field("FileURL", &F::FileURL),
                    Field("FileSizeLab", &F::FileSizeLab),
                    Field("TransferRateLab", &F::TransferRateLab),
                    Field("EstimatedTimeLeftLab", &F::EstimatedTimeLeftLab),
                    Field("ProgressCurrentFile", &F::ProgressCurrentFile),
                    Field("LAllFiles", &F::LAllFiles),
                    Field("AllDownloading", &F::AllDownloading),
                    Field("ProgressAllFiles", &F::ProgressAllFiles),
                    Field("Bevel1", &F::Bevel1),
                    Field("AboutLabel", &F::AboutLabel),
                    Field("AboutShadow", &F::AboutShadow),
                    Field("FinishBtn", &F::FinishBtn),
                    Field("CancelBtn", &F::CancelBtn)};
        return i;
    }();
    return info;
}

namespace {
[[maybe_unused]] const bool Registered = [] {
    RegisterComponentClass(TvyAppUpdaterWizardForm::StaticClassInfo());
    return true;
}();
} // namespace

TvyAppUpdaterWizardForm::TvyAppUpdaterWizardForm(TComponent* owner) : TvyAppUpdaterForm(owner)
{
    LoadFromResource();
}

bool TvyAppUpdaterWizardForm::Downloading() const
{
    return !FinishBtn->Enabled();
}

void TvyAppUpdaterWizardForm::SetTitle(const std::string& title)
{
    // A long title in some language gets a smaller font rather than run off the window.
    WizardTitle->Font()->SetHeight(TitleFontHeight);
    WizardTitle->SetCaption(title);
    const int room = ClientWidth() - WizardTitle->Left() - 8;
    while (WizardTitle->Width() > room && WizardTitle->Font()->Height() < MinTitleFontHeight)
        WizardTitle->Font()->SetHeight(WizardTitle->Font()->Height() + 1);
}

void TvyAppUpdaterWizardForm::Start()
{
    const std::string signature = " " + vyLoadUpgradeText(vyUpgradeTextSignature) + " ";
    AboutLabel->SetCaption(signature);
    AboutShadow->SetCaption(signature);
    HandleNeeded();
    if (FWizard->StayOnTop()) MakeTopmost();
    if (PictureHasContent(FWizard->Pic118x218())) Image1->SetPicture(FWizard->Pic118x218());
    EstimatedTimeLeftLab->SetCaption(FWizard->Text(utPreparing));
    SetCaption(FWizard->Text(utWizardCaption));
    SetTitle(FWizard->Text(utDownloadingTitle));
    LCurrentFile->SetCaption(" " + FWizard->Text(utCurrentFile) + " ");
    LAllFiles->SetCaption(" " + FWizard->Text(utAllFiles) + " ");
    LDownloadingFileFrom->SetCaption(FWizard->Text(utDownloadingFrom));
    FinishBtn->SetCaption(FWizard->Text(utNext));
    CancelBtn->SetCaption(FWizard->Text(utCancel));
    Show();
}

void TvyAppUpdaterWizardForm::FileStep(const std::string& address, int index, int count)
{
    FileURL->SetText(address);
    AllDownloading->SetCaption(FWizard->Text(utDownloadingNofM, {index + 1, count}));
}

void TvyAppUpdaterWizardForm::Progress(const TvyTransferFigures& figures, int totalPercentsDone, int fileSize)
{
    ProgressCurrentFile->SetPosition(figures.PercentsDone);
    ProgressAllFiles->SetPosition(totalPercentsDone);
    FileSizeLab->SetCaption(FWizard->Text(utFileSize, {Kilobytes(fileSize)}));
    TransferRateLab->SetCaption(FWizard->Text(utTransferRate, {static_cast<double>(figures.TransferRate)}));
    const TvyTimeLeft left = TimeLeftParts(figures.EstimatedTimeLeft);
    EstimatedTimeLeftLab->SetCaption(FWizard->Text(utTimeLeft, {left.Hours, left.Minutes, left.Seconds}));
}

void TvyAppUpdaterWizardForm::FinishPage()
{
    SetTitle(FWizard->Text(utCompletedTitle));
    AfterNote->SetCaption(FWizard->Text(utFinishNote, {Application ? Application->Title() : std::string()}));
    AfterNote->SetAutoSize(true);
    LCurrentFile->Hide();
    LAllFiles->Hide();
    CancelBtn->SetEnabled(false);
    FinishBtn->SetCaption(FWizard->Text(utOK));
    FinishBtn->SetEnabled(true);
    FinishBtn->SetDefault(true);
    CancelBtn->SetDefault(false);
    if (Visible()) FinishBtn->SetFocus();
}

void TvyAppUpdaterWizardForm::TakeFocus()
{
    if (!HandleAllocated() || !Visible()) return;
    // Taking the focus from a button of its own between its press and its release would
    // cancel the click: focus already inside stays where it is.
    const HWND focus = GetFocus();
    if (focus && (focus == Handle() || IsChild(Handle(), focus))) return;
    if (FinishBtn->Enabled() && FinishBtn->Visible())
        FinishBtn->SetFocus();
    else
        SetFocus();
}

void TvyAppUpdaterWizardForm::FormCloseQuery(TObject*, bool& canClose)
{
    // Without its wizard object (the engine has stopped) nothing is left to abort.
    if (!Downloading() || !FWizard) return;
    const std::string text = FWizard ? FWizard->Text(utAbortQuestion) : std::string();
    const std::string title = Application ? Application->Title() : std::string();
    canClose = Platform().MessageBoxA(Handle(), text.c_str(), title.c_str(), MB_ICONQUESTION | MB_YESNO) == IDYES;
}

void TvyAppUpdaterWizardForm::FormClose(TObject*, TCloseAction& action)
{
    action = TCloseAction::caFree;
    TvyAppUpdaterWizard* wizard = FWizard;
    // Forgotten at once: the engine sees the wizard closed before the form is freed.
    FWizard = nullptr;
    if (!wizard) return;
    wizard->FormGone(this);
    if (Downloading()) {
        try {
            wizard->Engine().AbortUpgrade();
        } catch (...) {
        }
    }
}

void TvyAppUpdaterWizardForm::FileURLKeyPress(TObject*, char& key)
{
    key = 0;
}

void TvyAppUpdaterWizardForm::FinishBtnClick(TObject*)
{
    Close();
}

void TvyAppUpdaterWizardForm::CancelBtnClick(TObject*)
{
    Close();
}
