// lib/upgrade/vyAppUpdaterPassword.h
// Unit vyAppUpdaterPassword: the dialog that asks for the user name and password of a
// protected upgrade file; OK hands both to the engine.
#pragma once

#include "vyAppUpdaterWizard.h"
#include "vyEdit.h"
#include "vyPropImage.h"
#include "vyRichLabel.h"

class TvyAppUpdaterPasswordForm : public TvyAppUpdaterForm {
public:
    TG_DECLARE_CLASS()
    explicit TvyAppUpdaterPasswordForm(TComponent* owner);

    TvyRichLabel* vyRichLabel1 = nullptr;
    TvyProportionalImage* Image1 = nullptr;
    TPanel* BottomPanel = nullptr;
    TvyEdit* UsernameEdit = nullptr;
    TvyEdit* PasswordEdit = nullptr;
    TButton* OKBtn = nullptr;
    TButton* CancelBtn = nullptr;

    // Fills in the texts for the protected file and the user name the engine has.
    void Prepare(const std::string& fileName);

    void OKBtnClick(TObject* sender);
};
