// lib/presentation/vyQuickAboutBoxForm.h
// Unit vyQuickAboutBoxForm: the about dialog, a stored form that TvyQuickAboutBox lays out
// and shows. When shown it offers an e-mail whose text names the Windows version and the
// processor clock of the machine it runs on.
#pragma once

#include <string>

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "vyAnimationEffect.h"
#include "vyAppCursors.h"
#include "vyFormBackground.h"
#include "vyLabels.h"
#include "vyPropImage.h"
#include "vyRichLabel.h"
#include "vySystemInfo.h"

class TvyQuickAboutBoxForm : public TForm {
public:
    TG_DECLARE_CLASS()
    // Reads the stored dialog.
    explicit TvyQuickAboutBoxForm(TComponent* owner);

    TvyProportionalImage* Icon = nullptr;
    TvyLabel* TitleLabel = nullptr;
    TvyRichLabel* CopyrightLabel = nullptr;
    TBevel* Bevel1 = nullptr;
    TvyRichLabel* DescriptionLabel = nullptr;
    TBevel* Bevel2 = nullptr;
    TLabel* EmailLabel = nullptr;
    TvyURLLabel* EmailLab = nullptr;
    TLabel* WWWLabel = nullptr;
    TvyURLLabel* WWWLab = nullptr;
    TButton* OKBtn = nullptr;
    TvyAnimationEffect* AnimEffect = nullptr;
    TvySystemInfo* vySystemInfo = nullptr;
    TvyAppCursors* vyAppCursors = nullptr;
    TvyFormBackground* vyFormBackground = nullptr;

    void FormShow(TObject* sender);

    // What the e-mail's text says about the system, as of the last showing.
    const std::string& SystemDescription() const noexcept { return FSystemDescription; }

private:
    std::string FSystemDescription;
};
