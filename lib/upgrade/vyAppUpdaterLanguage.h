// lib/upgrade/vyAppUpdaterLanguage.h
// The upgrader's localized texts, loaded from the program's string table
// (resources/vyAppUpdaterLanguage.rc); the rule and the formatter are portable
// (vyAppUpdaterLanguageText.h).
#pragma once

#include <initializer_list>
#include <string>

#include "vyAppUpdaterLanguageText.h"

// Base identifier of the language's block; wlAuto follows the user's default language.
int vyAppUpdaterLanguageBase(TvyAppUpdaterLanguage language);
// The text with this identifier from the program's resources; "" when there is none.
std::string vyLoadUpgradeText(int id);
// The same text used as a format string for args.
std::string vyLoadUpgradeText(int id, std::initializer_list<TvyTextArg> args);
