// lib/upgrade/vyAppUpdaterUpgradeMsg.h
// Unit vyAppUpdaterUpgradeMsg: the dialog that announces a newer version and asks whether to
// upgrade now (Yes) or later.
#pragma once

#include "vyAppUpdaterWizard.h"
#include "vyPropImage.h"
#include "vyRichLabel.h"

class TvyAppUpdaterUpgradeMessageForm : public TvyAppUpdaterForm {
public:
    TG_DECLARE_CLASS()
    explicit TvyAppUpdaterUpgradeMessageForm(TComponent* owner);

    TvyRichLabel* vyRichLabel1 = nullptr;
    TvyProportionalImage* Icon = nullptr;
    TPanel* BottomPanel = nullptr;
    TButton* YesBtn = nullptr;
    TButton* LaterBtn = nullptr;

    // Fills in the texts for the announced message; the height follows the message.
    void Prepare(const std::string& upgradeMsg);

protected:
    void WndProc(TMessage& m) override;
};
