// lib/presentation/vyQuickAboutBoxLayout.h
// The about dialog's layout arithmetic and the e-mail text it offers, free of Windows:
// where each row goes for a dialog width and the heights the two text labels took.
#pragma once

#include <string>

struct TvyAboutBoxLayout {
    int TitleWidth = 0;
    int BevelWidth = 0;        // both separators
    int DescriptionWidth = 0;
    int Bevel1Top = 0;
    int DescriptionTop = 0;    // only where there is a description
    int Bevel2Top = 0;         // likewise
    int EmailTop = 0;
    int WebTop = 0;
    int ButtonLeft = 0;
    int ButtonTop = 0;
    int ClientHeight = 0;
};

// The stored places the arithmetic starts from.
constexpr int vyAboutTitleLeft = 4;
constexpr int vyAboutBevelLeft = 32;
constexpr int vyAboutButtonWidth = 91;

// The widths for a dialog of outer width `width`, before any text is laid out.
TvyAboutBoxLayout AboutBoxWidths(int width);
// Everything, once the credits took copyrightHeight pixels and the description (when
// hasDescription) descriptionHeight at the width above.
TvyAboutBoxLayout AboutBoxLayout(int width, int copyrightHeight, bool hasDescription, int descriptionHeight);

// The body of the pre-filled e-mail: "PS: I'm using <version> (<number>); CPU: <MHz>MHz."
std::string AboutMailMessage(const std::string& winVersion, const std::string& winVersionNumber, int cpuMHz);
