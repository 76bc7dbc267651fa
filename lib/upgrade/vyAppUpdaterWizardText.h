// lib/upgrade/vyAppUpdaterWizardText.h
// The upgrade dialogs' text rules, free of Windows: the program name they show, the block an
// announced message becomes, the parts of the time left, and credentials' length.
#pragma once

#include <string>

// The application title, or designName when the title carries the design environment's
// marker (an empty marker never matches).
std::string UpgradeProgramName(const std::string& title, const std::string& designMarker,
                               const std::string& designName);

// An announced message stands on lines of its own, and any style it sets ends with it;
// an empty message stays empty.
std::string UpgradeMessageBlock(const std::string& message);

// Hours (unbounded), minutes and seconds of a time left; an unknown (negative) time counts as 0.
struct TvyTimeLeft {
    int Hours, Minutes, Seconds;
};
TvyTimeLeft TimeLeftParts(int seconds);

// File sizes are shown in kilobytes of 1,024 bytes.
double Kilobytes(int bytes);

// Credentials are short strings: at most 255 characters are kept.
constexpr size_t MaxCredentialLength = 255;
std::string CutCredential(const std::string& value);
