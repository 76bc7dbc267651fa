// lib/upgrade/vyAppUpdaterWizardText.cpp
#include "vyAppUpdaterWizardText.h"

std::string UpgradeProgramName(const std::string& title, const std::string& designMarker,
                               const std::string& designName)
{
    if (!designMarker.empty() && title.find(designMarker) != std::string::npos) return designName;
    return title;
}

std::string UpgradeMessageBlock(const std::string& message)
{
    if (message.empty()) return message;
    return "\n" + message + "[DEF]\n";
}

TvyTimeLeft TimeLeftParts(int seconds)
{
    if (seconds < 0) seconds = 0;
    return {seconds / 3600, (seconds / 60) % 60, seconds % 60};
}

double Kilobytes(int bytes)
{
    return bytes / 1024.0;
}

std::string CutCredential(const std::string& value)
{
    return value.substr(0, MaxCredentialLength);
}
