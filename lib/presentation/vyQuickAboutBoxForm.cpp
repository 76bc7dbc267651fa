// lib/presentation/vyQuickAboutBoxForm.cpp
#include "vyQuickAboutBoxForm.h"

#include "vyQuickAboutBoxLayout.h"

namespace {
struct TRegisterForm {
    TRegisterForm() { RegisterComponentClass(TvyQuickAboutBoxForm::StaticClassInfo()); }
} RegisterForm;
} // namespace

const TClassInfo& TvyQuickAboutBoxForm::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using T = TvyQuickAboutBoxForm;
        TClassInfo i{"TvyQuickAboutBoxForm", &TForm::StaticClassInfo(), &CreateComponentOf<T>, {}, {}};
        i.Methods.push_back(Method("FormShow", &T::FormShow));
        i.Fields = {Field("Icon", &T::Icon),
                    Field("TitleLabel", &T::TitleLabel),
                    Field("CopyrightLabel", &T::CopyrightLabel),
                    Field("Bevel1", &T::Bevel1),
                    Field("DescriptionLabel", &T::DescriptionLabel),
                    Field("Bevel2", &T::Bevel2),
                    Field("EmailLabel", &T::EmailLabel),
                    Field("EmailLab", &T::EmailLab),
                    Field("WWWLabel", &T::WWWLabel),
                    Field("WWWLab", &T::WWWLab),
                    Field("OKBtn", &T::OKBtn),
                    Field("AnimEffect", &T::AnimEffect),
                    Field("vySystemInfo", &T::vySystemInfo),
                    Field("vyAppCursors", &T::vyAppCursors),
                    Field("vyFormBackground", &T::vyFormBackground)};
        return i;
    }();
    return info;
}

TvyQuickAboutBoxForm::TvyQuickAboutBoxForm(TComponent* owner) : TForm(owner)
{
    LoadFromResource();
}

void TvyQuickAboutBoxForm::FormShow(TObject*)
{
    FSystemDescription =
        AboutMailMessage(vySystemInfo->WinVersion(), vySystemInfo->WinVersionNumber(), vySystemInfo->CPUFrequency());
    EmailLab->Email()->SetSubject(TitleLabel->Caption());
    EmailLab->Email()->SetMessage(FSystemDescription);
}
