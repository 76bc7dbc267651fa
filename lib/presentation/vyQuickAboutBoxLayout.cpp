// lib/presentation/vyQuickAboutBoxLayout.cpp
#include "vyQuickAboutBoxLayout.h"

namespace {

// A separator's right end keeps clear of the dialog's frame.
constexpr int BevelRightGap = 17;
// Rows below each other: a separator 2 pixels under the text above it, the next text 5 under
// the separator, the web row 14 under the e-mail row, the button 23 under the web row, and
// the client area ending 31 under the button's top.
constexpr int CopyrightTop = 28;
constexpr int BelowText = 2;
constexpr int BelowBevel = 5;
constexpr int RowHeight = 14;
constexpr int ButtonGap = 23;
constexpr int ClientBelowButton = 31;

} // namespace

TvyAboutBoxLayout AboutBoxWidths(int width)
{
    TvyAboutBoxLayout l;
    l.TitleWidth = width - vyAboutTitleLeft;
    l.BevelWidth = width - vyAboutBevelLeft - BevelRightGap;
    l.DescriptionWidth = l.BevelWidth + 4;
    l.ButtonLeft = width / 2 - vyAboutButtonWidth / 2;
    return l;
}

TvyAboutBoxLayout AboutBoxLayout(int width, int copyrightHeight, bool hasDescription, int descriptionHeight)
{
    TvyAboutBoxLayout l = AboutBoxWidths(width);
    int h = copyrightHeight;
    l.Bevel1Top = h + CopyrightTop + BelowText;
    h = l.Bevel1Top + BelowBevel;
    if (hasDescription) {
        l.DescriptionTop = h;
        h += descriptionHeight + BelowText;
        l.Bevel2Top = h;
        h += BelowBevel;
    }
    l.EmailTop = h;
    h += RowHeight;
    l.WebTop = h;
    l.ButtonTop = h + ButtonGap;
    l.ClientHeight = l.ButtonTop + ClientBelowButton;
    return l;
}

std::string AboutMailMessage(const std::string& winVersion, const std::string& winVersionNumber, int cpuMHz)
{
    return "PS: I'm using " + winVersion + " (" + winVersionNumber + "); CPU: " + std::to_string(cpuMHz) + "MHz.";
}
