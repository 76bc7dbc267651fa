// lib/upgrade/vyAppUpdaterUpgradeMsg.cpp
#include "vyAppUpdaterUpgradeMsg.h"

#include "vyAppUpdaterWizardText.h"

#include <algorithm>

const TClassInfo& TvyAppUpdaterUpgradeMessageForm::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using F = TvyAppUpdaterUpgradeMessageForm;
        TClassInfo i{"TvyAppUpdaterUpgradeMessageForm", &TvyAppUpdaterForm::StaticClassInfo(), &CreateComponentOf<F>, {}, {}};
        i.Fields = {Field("vyRichLabel1", &F::vyRichLabel1), Field("Icon", &F::Icon), Field("BottomPanel", &F::BottomPanel),
                    Field("YesBtn", &F::YesBtn), Field("LaterBtn", &F::LaterBtn)};
        return i;
    }();
    return info;
}

namespace {
[[maybe_unused]] const bool Registered = [] {
    RegisterComponentClass(TvyAppUpdaterUpgradeMessageForm::StaticClassInfo());
    return true;
}();
} // namespace

TvyAppUpdaterUpgradeMessageForm::TvyAppUpdaterUpgradeMessageForm(TComponent* owner) : TvyAppUpdaterForm(owner)
{
    LoadFromResource();
}

void TvyAppUpdaterUpgradeMessageForm::Prepare(const std::string& upgradeMsg)
{
    const std::string name = UpgradeProgramName(Application ? Application->Title() : std::string(),
                                                vyLoadUpgradeText(vyUpgradeTextDesignEnv),
                                                vyLoadUpgradeText(vyUpgradeTextAppTitle));
    vyRichLabel1->SetCaption(FWizard->Text(utUpgradeMessage, {name, UpgradeMessageBlock(upgradeMsg)}));
    SetCaption(FWizard->Text(utWizardCaption));
    YesBtn->SetCaption(FWizard->Text(utYes));
    LaterBtn->SetCaption(FWizard->Text(utLater));
    // The client size is the window's own only once there is a window.
    HandleNeeded();
    const int wanted = vyRichLabel1->Top() + vyRichLabel1->Height() + BottomPanel->Height();
    // Never taller than the work area: the title bar and the buttons stay within reach, and
    // a long message is cut at the bottom instead.
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int room = work.bottom - work.top - (Height() - ClientHeight());
    SetClientSize(ClientWidth(), std::max(BottomPanel->Height(), std::min(wanted, room)));
    if (wanted > room) {
        // Centred on the screen it would reach under a taskbar: centred in the work area.
        SetPosition(TPosition::poDesigned);
        SetBounds(work.left + (work.right - work.left - Width()) / 2, work.top, Width(), Height());
    }
    // The buttons stay at the bottom of the grown or shrunk window.
    BottomPanel->SetBounds(0, ClientHeight() - BottomPanel->Height(), ClientWidth(), BottomPanel->Height());
}

void TvyAppUpdaterUpgradeMessageForm::WndProc(TMessage& m)
{
    TvyAppUpdaterForm::WndProc(m);
    if (m.Msg == WM_SHOWWINDOW && m.WParam) MakeTopmost();
}
