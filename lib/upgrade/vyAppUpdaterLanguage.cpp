// lib/upgrade/vyAppUpdaterLanguage.cpp
#include "vyAppUpdaterLanguage.h"

#include <windows.h>

#include <vector>

#include "WinUtils.h"

int vyAppUpdaterLanguageBase(TvyAppUpdaterLanguage language)
{
    return vyAppUpdaterLanguageBase(language, GetUserDefaultLangID());
}

std::string vyLoadUpgradeText(int id)
{
    // LoadStringA cuts a text to the buffer without saying so: a text that filled the buffer
    // may have been cut, so it is read again into a larger one. Most texts are short; the
    // longest translations pass 128 bytes, and a string resource cannot pass 65535 characters.
    std::vector<char> buffer(128);
    for (;;) {
        const int n = LoadStringA(MainInstance(), static_cast<UINT>(id), buffer.data(), static_cast<int>(buffer.size()));
        if (n <= 0) return {};
        if (static_cast<size_t>(n) < buffer.size() - 1 || buffer.size() > 0x20000)
            return std::string(buffer.data(), static_cast<size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

std::string vyLoadUpgradeText(int id, std::initializer_list<TvyTextArg> args)
{
    return vyFormatText(vyLoadUpgradeText(id), args);
}
