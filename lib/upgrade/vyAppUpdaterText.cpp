// lib/upgrade/vyAppUpdaterText.cpp
#include "vyAppUpdaterText.h"

#include <algorithm>
#include <array>

#include "vyClassesText.h"
#include "vyHTTPText.h"

namespace {

char UpperAZ(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (UpperAZ(text[i]) != UpperAZ(prefix[i])) return false;
    return true;
}

bool IsDeviceName(std::string_view name)
{
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    std::transform(base.begin(), base.end(), base.begin(), UpperAZ);
    static constexpr std::array<std::string_view, 5> plain = {"CON", "PRN", "AUX", "NUL", "CLOCK$"};
    if (std::find(plain.begin(), plain.end(), base) != plain.end()) return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' &&
           base[3] <= '9';
}

} // namespace

std::optional<std::string> UpgradeFileName(std::string_view url)
{
    const std::string name = FileNameOfURL(url);
    if (name.find_first_not_of(". ") == std::string::npos) return std::nullopt;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 32 || c == 127) return std::nullopt;
        if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) return std::nullopt;
    }
    if (IsDeviceName(name)) return std::nullopt;
    return name;
}

bool IsWebAddress(std::string_view url)
{
    for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://")})
        if (StartsWithNoCase(url, scheme)) {
            const std::string_view rest = url.substr(scheme.size());
            return !rest.empty() && rest.front() != '/' && rest.front() != '\\';
        }
    return false;
}

std::string RestartParamsValue(std::string_view value)
{
    return value.empty() ? std::string(" ") : std::string(value);
}

std::string SwapParameter(std::string_view restartParams, TvyUpgradeMethod method)
{
    return "+" + std::string(restartParams) + (method == TvyUpgradeMethod::umUseExternalSetup ? "1" : "0");
}

std::string SwapCommandLine(std::string_view swapPath, std::string_view exePath, std::string_view restartParams,
                            TvyUpgradeMethod method)
{
    return std::string(swapPath) + " " + std::string(exePath) + " " + SwapParameter(restartParams, method);
}

std::uint8_t UpgradeTotalPercent(int index, int count, std::uint8_t percentsDone)
{
    if (count <= 0) return 0;
    return static_cast<std::uint8_t>(std::min(100, Percent(index, count) + percentsDone / count));
}
