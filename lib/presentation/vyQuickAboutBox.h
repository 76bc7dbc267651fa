// lib/presentation/vyQuickAboutBox.h
// Unit vyQuickAboutBox: TvyQuickAboutBox holds what an about dialog says (title, credits,
// description, icon, e-mail address and web site) and how it looks, and shows the stored
// dialog of vyQuickAboutBoxForm modally, laid out for those texts, on each Execute.
#pragma once

#include <memory>
#include <string>

#include "Graphics.h"
#include "vyClasses.h"
#include "vyCursors.h"
#include "vyGraphics.h"

class TvyQuickAboutBoxForm;

// The cursors of the dialog's areas.
class TvyQuickAboutBoxFormCursors : public TPersistent {
public:
    TG_DECLARE_CLASS()
    static constexpr TCursor DefaultLinks = crLinkSelect;

    TCursor Caption() const noexcept { return FCaption; }
    void SetCaption(TCursor v) { FCaption = v; }
    TCursor Client() const noexcept { return FClient; }
    void SetClient(TCursor v) { FClient = v; }
    TCursor Border() const noexcept { return FBorder; }
    void SetBorder(TCursor v) { FBorder = v; }
    TCursor BtnClose() const noexcept { return FBtnClose; }
    void SetBtnClose(TCursor v) { FBtnClose = v; }
    TCursor Buttons() const noexcept { return FButtons; }
    void SetButtons(TCursor v) { FButtons = v; }
    TCursor Links() const noexcept { return FLinks; }
    void SetLinks(TCursor v) { FLinks = v; }

private:
    TCursor FCaption = crDefault, FClient = crDefault, FBorder = crDefault, FBtnClose = crDefault,
            FButtons = crDefault, FLinks = DefaultLinks;
};

// The gradient of the dialog's background.
class TvyQuickAboutBoxGradientBackground : public TPersistent {
public:
    TG_DECLARE_CLASS()
    static constexpr TColor DefaultColor1 = clBtnFace;
    static constexpr TColor DefaultColor2 = cl3DLight;
    static constexpr TvyGradientDirection DefaultDirection = TvyGradientDirection::gdHorizontal;
    static constexpr bool DefaultEnabled = true;

    TColor Color1() const noexcept { return FColor1; }
    void SetColor1(TColor v) { FColor1 = v; }
    TColor Color2() const noexcept { return FColor2; }
    void SetColor2(TColor v) { FColor2 = v; }
    TvyGradientDirection Direction() const noexcept { return FDirection; }
    void SetDirection(TvyGradientDirection v) { FDirection = v; }
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool v) { FEnabled = v; }

private:
    TColor FColor1 = DefaultColor1;
    TColor FColor2 = DefaultColor2;
    TvyGradientDirection FDirection = DefaultDirection;
    bool FEnabled = DefaultEnabled;
};

// The dialog's own words.
class TvyQuickAboutBoxLocalization : public TPersistent {
public:
    TG_DECLARE_CLASS()
    static constexpr const char* DefaultAbout = "About";
    static constexpr const char* DefaultOK = "OK";

    const std::string& stAbout() const noexcept { return FAbout; }
    void SetstAbout(const std::string& v) { FAbout = v; }
    const std::string& stOK() const noexcept { return FOK; }
    void SetstOK(const std::string& v) { FOK = v; }

private:
    std::string FAbout = DefaultAbout;
    std::string FOK = DefaultOK;
};

class TvyQuickAboutBox : public TvyComponent {
public:
    TG_DECLARE_CLASS()
    static constexpr bool DefaultAnimationOnShow = true;
    static constexpr bool DefaultAnimationOnHide = true;
    static constexpr WORD DefaultAnimationDelay = 80;
    static constexpr const char* DefaultCaption = "Program Name";
    static constexpr const char* DefaultCopyright = "[B]Your Program[] version 1.0\r\nCopyright \xA9 Your Company";
    static constexpr TColor DefaultDescriptionColor = clHighlightText;
    static constexpr bool DefaultShowBevels = true;
    static constexpr bool DefaultShowFrames = false;
    static constexpr bool DefaultShowHints = true;
    static constexpr const char* DefaultEmail = "support@yourcompany.example";
    static constexpr const char* DefaultWebSite = "http://www.yourcompany.example";
    static constexpr int DefaultWidth = 260;

    explicit TvyQuickAboutBox(TComponent* owner);
    ~TvyQuickAboutBox() override;

    // Builds the dialog, shows it modally and frees it again, also when something fails
    // (the failure then reaches the caller).
    void Execute();

    bool AnimationOnShow() const noexcept { return FAnimationOnShow; }
    void SetAnimationOnShow(bool v) { FAnimationOnShow = v; }
    bool AnimationOnHide() const noexcept { return FAnimationOnHide; }
    void SetAnimationOnHide(bool v) { FAnimationOnHide = v; }
    WORD AnimationDelay() const noexcept { return FAnimationDelay; }
    void SetAnimationDelay(WORD v) { FAnimationDelay = v; }
    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& v) { FCaption = v; }
    const std::string& Copyright() const noexcept { return FCopyright; }
    void SetCopyright(const std::string& v) { FCopyright = v; }
    TvyQuickAboutBoxFormCursors* Cursors() const noexcept { return FCursors.get(); }
    TvyQuickAboutBoxGradientBackground* GradientBackground() const noexcept { return FGradientBackground.get(); }
    const std::string& Description() const noexcept { return FDescription; }
    void SetDescription(const std::string& v) { FDescription = v; }
    TColor DescriptionColor() const noexcept { return FDescriptionColor; }
    void SetDescriptionColor(TColor v) { FDescriptionColor = v; }
    TvyIcon* Icon() const noexcept { return FIcon.get(); }
    // Takes a copy: the caller keeps its icon.
    void SetIcon(TIcon* v);
    TvyQuickAboutBoxLocalization* Localization() const noexcept { return FLocalization.get(); }
    bool ShowBevels() const noexcept { return FShowBevels; }
    void SetShowBevels(bool v) { FShowBevels = v; }
    bool ShowFrames() const noexcept { return FShowFrames; }
    void SetShowFrames(bool v) { FShowFrames = v; }
    bool ShowHints() const noexcept { return FShowHints; }
    void SetShowHints(bool v) { FShowHints = v; }
    const std::string& Email() const noexcept { return FEmail; }
    void SetEmail(const std::string& v) { FEmail = v; }
    const std::string& WebSite() const noexcept { return FWebSite; }
    void SetWebSite(const std::string& v) { FWebSite = v; }
    int Width() const noexcept { return FWidth; }
    void SetWidth(int v) { FWidth = v; }

private:
    void LayOut(TvyQuickAboutBoxForm& form) const;
    bool FAnimationOnShow = DefaultAnimationOnShow;
    bool FAnimationOnHide = DefaultAnimationOnHide;
    WORD FAnimationDelay = DefaultAnimationDelay;
    std::string FCaption = DefaultCaption;
    std::string FCopyright = DefaultCopyright;
    std::unique_ptr<TvyQuickAboutBoxFormCursors> FCursors;
    std::unique_ptr<TvyQuickAboutBoxGradientBackground> FGradientBackground;
    std::string FDescription;
    TColor FDescriptionColor = DefaultDescriptionColor;
    std::unique_ptr<TvyIcon> FIcon;
    std::unique_ptr<TvyQuickAboutBoxLocalization> FLocalization;
    bool FShowBevels = DefaultShowBevels;
    bool FShowFrames = DefaultShowFrames;
    bool FShowHints = DefaultShowHints;
    std::string FEmail = DefaultEmail;
    std::string FWebSite = DefaultWebSite;
    int FWidth = DefaultWidth;
};
