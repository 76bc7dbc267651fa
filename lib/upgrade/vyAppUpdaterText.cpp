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
    if (base.size() != 4 || !(base.starts_with("COM") || base.starts_with("LPT"))) return false;
    // The system takes the superscript digits one to three (Windows-1252) for ports too.
    const auto digit = static_cast<unsigned char>(base[3]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
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
    for (char c : url) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= ' ' || u > 126 || c == '"' || c == '\'' || c == '\\') return false;
    }
    for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://")})
        if (StartsWithNoCase(url, scheme)) {
            const std::string_view rest = url.substr(scheme.size());
            return !rest.empty() && rest.front() != '/' && rest.front() != '\\';
        }
    return false;
}

std::optional<std::string> RedirectAddress(std::string_view entry)
{
    std::string address = entry.find("://") == std::string_view::npos ? "http://" + std::string(entry)
                                                                        : std::string(entry);
    if (!IsWebAddress(address)) return std::nullopt;
    return address;
}

namespace {

// Little-endian fields of a PE image; 0 past the end (callers check the bounds first).
std::uint32_t Le(std::string_view b, size_t at, size_t size)
{
    std::uint32_t v = 0;
    for (size_t i = size; i-- > 0;) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

} // namespace

bool IsWholePEImage(std::string_view b)
{
    constexpr size_t DosHeader = 64, FileHeader = 20, SectionHeader = 40;
    if (b.size() < DosHeader || b[0] != 'M' || b[1] != 'Z') return false;
    const std::uint64_t pe = Le(b, 0x3C, 4);
    if (pe + 4 + FileHeader > b.size() || b.substr(pe, 4) != std::string_view("PE\0\0", 4)) return false;
    const std::uint64_t sections = Le(b, pe + 6, 2);
    const std::uint64_t optional = Le(b, pe + 20, 2);
    const std::uint64_t table = pe + 4 + FileHeader + optional;
    if (sections == 0 || table + sections * SectionHeader > b.size()) return false;
    for (std::uint64_t i = 0; i < sections; ++i) {
        const size_t at = static_cast<size_t>(table + i * SectionHeader);
        const std::uint64_t rawSize = Le(b, at + 16, 4), rawStart = Le(b, at + 20, 4);
        if (rawSize != 0 && rawStart + rawSize > b.size()) return false;
    }
    return true;
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
    return "\"" + std::string(swapPath) + "\" \"" + std::string(exePath) + "\" " + SwapParameter(restartParams, method);
}

std::uint8_t UpgradeTotalPercent(int index, int count, std::uint8_t percentsDone)
{
    if (count <= 0) return 0;
    return static_cast<std::uint8_t>(std::min(100, Percent(index, count) + percentsDone / count));
}
