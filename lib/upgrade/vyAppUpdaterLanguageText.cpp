// lib/upgrade/vyAppUpdaterLanguageText.cpp
#include "vyAppUpdaterLanguageText.h"

#include <cstdio>

namespace {

constexpr int FirstBase = 50950; // the base of position 0, wlAuto, which has no block
constexpr unsigned short PrimaryLangMask = 0x3FF;
// Width and precision beyond this are no placeholder of ours: left as written, so a damaged
// text cannot ask for a huge padding.
constexpr int FieldMax = 255;

struct TPlaceholder {
    bool Left = false;
    int Width = 0;
    int Precision = -1;
    char Type = 0;
    std::size_t Length = 0; // characters from the "%" to the type letter, both included
};

// Reads the placeholder starting at format[at] == '%'; false when there is none.
bool ParsePlaceholder(const std::string& format, std::size_t at, TPlaceholder& ph)
{
    std::size_t i = at + 1;
    // Reads digits into value; false when they exceed FieldMax.
    auto number = [&](int& value) {
        value = 0;
        for (; i < format.size() && format[i] >= '0' && format[i] <= '9'; ++i) {
            value = value * 10 + (format[i] - '0');
            if (value > FieldMax) return false;
        }
        return true;
    };
    if (i < format.size() && format[i] == '-') {
        ph.Left = true;
        ++i;
    }
    if (!number(ph.Width)) return false;
    if (i < format.size() && format[i] == '.') {
        ++i;
        if (!number(ph.Precision)) return false;
    }
    if (i >= format.size()) return false;
    const char type = format[i];
    if (type != 's' && type != 'd' && type != 'f') return false;
    ph.Type = type;
    ph.Length = i - at + 1;
    return true;
}

std::string Digits(long long value, int precision)
{
    // Through unsigned, so the most negative value has a magnitude too.
    const bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (precision > 0 && digits.size() < static_cast<std::size_t>(precision))
        digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
    return negative ? "-" + digits : digits;
}

std::string Fixed(double value, int precision)
{
    char buf[FieldMax + 400];
    const int n = std::snprintf(buf, sizeof buf, "%.*f", precision < 0 ? 2 : precision, value);
    if (n < 0) return {};
    std::string text(buf, static_cast<std::size_t>(n) < sizeof buf ? static_cast<std::size_t>(n) : sizeof buf - 1);
    // The C library may follow a locale with another decimal separator.
    for (char& c : text)
        if (c == ',') c = '.';
    return text;
}

// The text of one placeholder, or "" when the argument is missing or of another kind.
std::string Render(const TPlaceholder& ph, const TvyTextArg* arg)
{
    if (!arg) return {};
    std::string text;
    switch (ph.Type) {
    case 's':
        if (arg->Kind != TvyTextArg::akString) return {};
        text = ph.Precision >= 0 ? arg->Str.substr(0, static_cast<std::size_t>(ph.Precision)) : arg->Str;
        break;
    case 'd':
        if (arg->Kind != TvyTextArg::akInteger) return {};
        text = Digits(arg->Int, ph.Precision);
        break;
    case 'f':
        if (arg->Kind == TvyTextArg::akReal)
            text = Fixed(arg->Real, ph.Precision);
        else if (arg->Kind == TvyTextArg::akInteger)
            text = Fixed(static_cast<double>(arg->Int), ph.Precision);
        else
            return {};
        break;
    default:
        return {};
    }
    if (text.size() < static_cast<std::size_t>(ph.Width)) {
        const std::string pad(static_cast<std::size_t>(ph.Width) - text.size(), ' ');
        text = ph.Left ? text + pad : pad + text;
    }
    return text;
}

} // namespace

const std::vector<TvyUpgradeLanguageInfo>& vyUpgradeLanguages()
{
    static const std::vector<TvyUpgradeLanguageInfo> languages{
        {wlEnglish, 0x09, 1252, "English"},       {wlRussian, 0x19, 1251, "Russian"},
        {wlGerman, 0x07, 1252, "German"},         {wlDutch, 0x13, 1252, "Dutch"},
        {wlItalian, 0x10, 1252, "Italian"},       {wlChineseBIG5, 0x04, 950, "Chinese (Big5)"},
        {wlPortuguese, 0x16, 1252, "Portuguese"}, {wlEstonian, 0x25, 1257, "Estonian"},
        {wlDanish, 0x06, 1252, "Danish"},         {wlUkrainian, 0x22, 1251, "Ukrainian"},
        {wlFrench, 0x0C, 1252, "French"}};
    return languages;
}

int vyAppUpdaterLanguageBase(TvyAppUpdaterLanguage language, unsigned short userLangId)
{
    TvyAppUpdaterLanguage chosen = wlEnglish;
    if (language == wlAuto) {
        const unsigned short primary = userLangId & PrimaryLangMask;
        for (const TvyUpgradeLanguageInfo& info : vyUpgradeLanguages()) {
            if (info.PrimaryLangId == primary) {
                chosen = info.Language;
                break;
            }
        }
    } else if (language <= wlFrench) {
        chosen = language;
    }
    // A value beyond the enumeration (a damaged stored form) gets English too.
    return FirstBase + vyUpgradeBlockSize * static_cast<int>(chosen);
}

std::string vyFormatText(const std::string& format, const TvyTextArg* args, std::size_t count)
{
    std::string out;
    out.reserve(format.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size();) {
        if (format[i] != '%') {
            out += format[i++];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        TPlaceholder ph;
        if (!ParsePlaceholder(format, i, ph)) {
            out += format[i++];
            continue;
        }
        out += Render(ph, next < count ? args + next : nullptr);
        ++next;
        i += ph.Length;
    }
    return out;
}

std::string vyFormatText(const std::string& format, std::initializer_list<TvyTextArg> args)
{
    return vyFormatText(format, args.begin(), args.size());
}

std::vector<std::string> vyTextPlaceholders(const std::string& format)
{
    std::vector<std::string> found;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        if (i + 1 < format.size() && format[i + 1] == '%') {
            ++i;
            continue;
        }
        TPlaceholder ph;
        if (ParsePlaceholder(format, i, ph)) {
            found.push_back(format.substr(i, ph.Length));
            i += ph.Length - 1;
        }
    }
    return found;
}
