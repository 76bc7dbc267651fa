// lib/upgrade/vyAppUpdaterPassword.cpp
#include "vyAppUpdaterPassword.h"

#include "vyAppUpdaterWizardText.h"

const TClassInfo& TvyAppUpdaterPasswordForm::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using F = TvyAppUpdaterPasswordForm;
        TClassInfo i{"TvyAppUpdaterPasswordForm", &TvyAppUpdaterForm::StaticClassInfo(), &CreateComponentOf<F>, {}, {}};
        i.Methods.push_back(Method("OKBtnClick", &F::OKBtnClick));
        i.Fields = {Field("vyRichLabel1", &F::vyRichLabel1), Field("Image1", &F::Image1),
                    Field("BottomPanel", &F::BottomPanel),   Field("UsernameEdit", &F::UsernameEdit),
                    Field("PasswordEdit", &F::PasswordEdit), Field("OKBtn", &F::OKBtn),
                    Field("CancelBtn", &F::CancelBtn)};
        return i;
    }();
    return info;
}

namespace {
[[maybe_unused]] const bool Registered = [] {
    RegisterComponentClass(TvyAppUpdaterPasswordForm::StaticClassInfo());
    return true;
}();
} // namespace

TvyAppUpdaterPasswordForm::TvyAppUpdaterPasswordForm(TComponent* owner) : TvyAppUpdaterForm(owner)
{
    LoadFromResource();
}

void TvyAppUpdaterPasswordForm::Prepare(const std::string& fileName)
{
    vyRichLabel1->SetCaption(FWizard->Text(utPasswordProtected, {fileName}));
    SetCaption(FWizard->Text(utPasswordCaption));
    // Each label ends where the message starts, whatever the language's word length.
    const std::pair<TvyEdit*, TvyUpgradeText> labels[] = {{UsernameEdit, utUserName}, {PasswordEdit, utPassword}};
    for (const auto& [edit, text] : labels) {
        edit->AttachedLabel()->SetCaption(FWizard->Text(text));
        edit->AttachedLabel()->SetSpacing(edit->Left() - vyRichLabel1->Left());
    }
    UsernameEdit->SetText(FWizard->Engine().GetHTTPUsername());
    PasswordEdit->SetText(std::string());
    OKBtn->SetCaption(FWizard->Text(utOK));
    CancelBtn->SetCaption(FWizard->Text(utCancel));
    // The client size is the window's own only once there is a window.
    HandleNeeded();
    SetClientSize(ClientWidth(), vyRichLabel1->Top() + vyRichLabel1->Height() + BottomPanel->Height());
    BottomPanel->SetBounds(0, ClientHeight() - BottomPanel->Height(), ClientWidth(), BottomPanel->Height());
}

void TvyAppUpdaterPasswordForm::OKBtnClick(TObject*)
{
    TvyAppUpdaterEngineLink& engine = FWizard->Engine();
    engine.SetHTTPUsername(CutCredential(UsernameEdit->Text()));
    engine.SetHTTPPassword(CutCredential(PasswordEdit->Text()));
}
