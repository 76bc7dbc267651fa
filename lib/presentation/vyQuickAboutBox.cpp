// lib/presentation/vyQuickAboutBox.cpp
#include "vyQuickAboutBox.h"

#include "vyQuickAboutBoxForm.h"
#include "vyQuickAboutBoxLayout.h"

namespace {
struct TRegisterUnit {
    TRegisterUnit()
    {
        RegisterComponentClass(TvyQuickAboutBox::StaticClassInfo());
    }
} RegisterUnit;

// Margins of a framed description box.
constexpr int FrameMarginHorz = 10;
constexpr int FrameMarginVert = 4;
} // namespace

const TClassInfo& TvyQuickAboutBoxFormCursors::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyQuickAboutBoxFormCursors;
        TClassInfo i{"TvyQuickAboutBoxFormCursors", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        const auto cursor = [&](const char* name, TCursor (C::*get)() const, void (C::*set)(TCursor), TCursor def) {
            i.Props.push_back(IntProp(name, get, set, def, &CursorIdents()));
        };
        cursor("Border", &C::Border, &C::SetBorder, crDefault);
        cursor("BtnClose", &C::BtnClose, &C::SetBtnClose, crDefault);
        cursor("Buttons", &C::Buttons, &C::SetButtons, crDefault);
        cursor("Caption", &C::Caption, &C::SetCaption, crDefault);
        cursor("Client", &C::Client, &C::SetClient, crDefault);
        cursor("Links", &C::Links, &C::SetLinks, DefaultLinks);
        return i;
    }();
    return info;
}

const TClassInfo& TvyQuickAboutBoxGradientBackground::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyQuickAboutBoxGradientBackground;
        TClassInfo i{"TvyQuickAboutBoxGradientBackground", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        i.Props.push_back(IntProp("Color1", &C::Color1, &C::SetColor1, DefaultColor1, &ColorIdents()));
        i.Props.push_back(IntProp("Color2", &C::Color2, &C::SetColor2, DefaultColor2, &ColorIdents()));
        i.Props.push_back(EnumProp("Direction", &C::Direction, &C::SetDirection, GradientDirectionNames(),
                                   std::optional(DefaultDirection)));
        i.Props.push_back(BoolProp("Enabled", &C::Enabled, &C::SetEnabled, DefaultEnabled));
        return i;
    }();
    return info;
}

const TClassInfo& TvyQuickAboutBoxLocalization::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using C = TvyQuickAboutBoxLocalization;
        TClassInfo i{"TvyQuickAboutBoxLocalization", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        i.Props.push_back(StrProp<C>("stAbout", &C::stAbout, &C::SetstAbout, std::string(DefaultAbout)));
        i.Props.push_back(StrProp<C>("stOK", &C::stOK, &C::SetstOK, std::string(DefaultOK)));
        return i;
    }();
    return info;
}

const TClassInfo& TvyQuickAboutBox::StaticClassInfo()
{
    static const TClassInfo info = [] {
        using T = TvyQuickAboutBox;
        TClassInfo i{"TvyQuickAboutBox", &TvyComponent::StaticClassInfo(), &CreateComponentOf<T>, {}, {}};
        auto& p = i.Props;
        p.push_back(AboutProp());
        p.push_back(IntProp("AnimationDelay", &T::AnimationDelay, &T::SetAnimationDelay, DefaultAnimationDelay));
        p.push_back(BoolProp("AnimationOnHide", &T::AnimationOnHide, &T::SetAnimationOnHide, DefaultAnimationOnHide));
        p.push_back(BoolProp("AnimationOnShow", &T::AnimationOnShow, &T::SetAnimationOnShow, DefaultAnimationOnShow));
        p.push_back(StrProp<T>("Caption", &T::Caption, &T::SetCaption, std::string(DefaultCaption)));
        p.push_back(StrProp<T>("Copyright", &T::Copyright, &T::SetCopyright, std::string(DefaultCopyright)));
        p.push_back(ObjProp("Cursors", &T::Cursors));
        p.push_back(StrProp<T>("Description", &T::Description, &T::SetDescription));
        p.push_back(IntProp("DescriptionColor", &T::DescriptionColor, &T::SetDescriptionColor, DefaultDescriptionColor,
                            &ColorIdents()));
        p.push_back(StrProp<T>("Email", &T::Email, &T::SetEmail, std::string(DefaultEmail)));
        p.push_back(ObjProp("GradientBackground", &T::GradientBackground));
        p.push_back(ObjProp("Icon", &T::Icon));
        p.push_back(ObjProp("Localization", &T::Localization));
        p.push_back(BoolProp("ShowBevels", &T::ShowBevels, &T::SetShowBevels, DefaultShowBevels));
        p.push_back(BoolProp("ShowFrames", &T::ShowFrames, &T::SetShowFrames, DefaultShowFrames));
        p.push_back(BoolProp("ShowHints", &T::ShowHints, &T::SetShowHints, DefaultShowHints));
        p.push_back(StrProp<T>("WebSite", &T::WebSite, &T::SetWebSite, std::string(DefaultWebSite)));
        p.push_back(IntProp("Width", &T::Width, &T::SetWidth, DefaultWidth));
        return i;
    }();
    return info;
}

TvyQuickAboutBox::TvyQuickAboutBox(TComponent* owner)
    : TvyComponent(owner),
      FCursors(std::make_unique<TvyQuickAboutBoxFormCursors>()),
      FGradientBackground(std::make_unique<TvyQuickAboutBoxGradientBackground>()),
      FIcon(std::make_unique<TvyIcon>()),
      FLocalization(std::make_unique<TvyQuickAboutBoxLocalization>())
{
}

TvyQuickAboutBox::~TvyQuickAboutBox() = default;

void TvyQuickAboutBox::SetIcon(TIcon* v)
{
    if (v)
        FIcon->Assign(*v);
    else
        FIcon->SetHandle(nullptr);
}

void TvyQuickAboutBox::LayOut(TvyQuickAboutBoxForm& f) const
{
    f.SetShowHint(FShowHints);
    f.SetWidth(FWidth);
    const TvyAboutBoxLayout widths = AboutBoxWidths(FWidth);
    f.TitleLabel->SetWidth(widths.TitleWidth);
    f.Bevel1->SetWidth(widths.BevelWidth);
    f.Bevel2->SetWidth(widths.BevelWidth);

    f.SetCursor(FCursors->Client());
    f.EmailLab->SetCursor(FCursors->Links());
    f.WWWLab->SetCursor(FCursors->Links());
    f.OKBtn->SetCursor(FCursors->Buttons());
    f.vyAppCursors->SetCursors(TvyAppObject::aoCaption, FCursors->Caption());
    f.vyAppCursors->SetCursors(TvyAppObject::aoBorderNonResize, FCursors->Border());
    f.vyAppCursors->SetCursors(TvyAppObject::aoBtnClose, FCursors->BtnClose());

    f.vyFormBackground->SetActive(FGradientBackground->Enabled());
    f.vyFormBackground->SetGradientDirection(FGradientBackground->Direction());
    f.vyFormBackground->SetGradientColor1(FGradientBackground->Color1());
    f.vyFormBackground->SetGradientColor2(FGradientBackground->Color2());

    f.SetCaption(FLocalization->stAbout() + " " + FCaption);
    f.OKBtn->SetCaption(FLocalization->stOK());
    f.TitleLabel->SetCaption(FCaption);
    if (!FIcon->Empty()) f.Icon->Picture()->Assign(*FIcon);

    f.CopyrightLabel->SetCaption(FCopyright);
    const bool described = !FDescription.empty();
    int descriptionHeight = 0;
    if (described) {
        TvyRichLabel& d = *f.DescriptionLabel;
        if (FShowFrames) {
            d.SetColor(FDescriptionColor);
            d.SetShowFrame(true);
            d.SetShowShadow(true);
            d.SetMarginHorz(FrameMarginHorz);
            d.SetMarginVert(FrameMarginVert);
        }
        d.SetWidth(widths.DescriptionWidth);
        d.SetCaption(FDescription);
        descriptionHeight = d.Height();
    }
    const TvyAboutBoxLayout l = AboutBoxLayout(FWidth, f.CopyrightLabel->Height(), described, descriptionHeight);
    f.Bevel1->SetTop(l.Bevel1Top);
    if (described) {
        f.DescriptionLabel->SetTop(l.DescriptionTop);
        f.Bevel2->SetTop(l.Bevel2Top);
    }
    f.EmailLabel->SetTop(l.EmailTop);
    f.EmailLab->SetTop(l.EmailTop);
    f.EmailLab->SetCaption(FEmail);
    f.EmailLab->SetHint(FEmail);
    f.WWWLabel->SetTop(l.WebTop);
    f.WWWLab->SetTop(l.WebTop);
    f.WWWLab->SetCaption(FWebSite);
    f.WWWLab->SetHint(FWebSite);
    f.Bevel1->SetVisible(FShowBevels);
    f.Bevel2->SetVisible(FShowBevels && described);

    f.OKBtn->SetLeft(l.ButtonLeft);
    f.OKBtn->SetTop(l.ButtonTop);
    f.SetClientHeight(l.ClientHeight);
    f.AnimEffect->SetDelay(FAnimationDelay);
    f.AnimEffect->SetAnimateOnShow(FAnimationOnShow);
    f.AnimEffect->SetAnimateOnHide(FAnimationOnHide);

    // The dialog stays on top exactly when the form it belongs to does.
    if (auto* owner = dynamic_cast<TCustomForm*>(Owner()); owner && owner->HandleAllocated())
        f.AnimEffect->SetTopmost((GetWindowLongA(owner->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
}

void TvyQuickAboutBox::Execute()
{
    TOwnedPtr<TvyQuickAboutBoxForm> form(new TvyQuickAboutBoxForm(nullptr));
    LayOut(*form);
    form->ShowModal();
}
