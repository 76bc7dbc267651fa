// lib/classes/vyClassesText.cpp
#include "vyClassesText.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <iterator>

namespace {

// Blanks and control characters, as the run-time library's Trim sees them. Bytes above
// 127 are letters of the ANSI code page, never blanks.
bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::string Trim(const std::string& s)
{
    std::size_t first = 0, last = s.size();
    while (first < last && IsBlank(s[first])) ++first;
    while (last > first && IsBlank(s[last - 1])) --last;
    return s.substr(first, last - first);
}

// ASCII case only: the names compared here (".DLL", "RUNDLL", "open") are plain ASCII,
// and the ANSI code page's other letters must not depend on the C library's locale.
std::string UpperCase(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// The extension with its dot: the text after the last dot that follows the last "\" or ":".
std::string ExtractFileExt(const std::string& path)
{
    const std::size_t i = path.find_last_of("\\:.");
    return i != std::string::npos && path[i] == '.' ? path.substr(i) : std::string();
}

std::size_t FileNameStart(const std::string& path)
{
    const std::size_t i = path.find_last_of("\\:");
    return i == std::string::npos ? 0 : i + 1;
}

void DeleteFirst(std::string& s, char c)
{
    const std::size_t i = s.find(c);
    if (i != std::string::npos) s.erase(i, 1);
}

// A command whose program part is a DLL run through RUNDLL: the program is the RUNDLL
// executable, everything after the blank that ends its name the parameters.
void SplitRunDll(const std::string& whole, std::string& command, std::string& params)
{
    const std::size_t nameStart = FileNameStart(whole);
    std::string name;
    SplitString(" ", whole.substr(nameStart), 0, false, name, params);
    if (UpperCase(name).find("RUNDLL") != std::string::npos) {
        command = whole.substr(0, nameStart) + name;
        return;
    }
    // The DLL argument carries a path of its own, so the last path part is the DLL, not
    // RUNDLL: split after the RUNDLL program's name instead.
    const std::size_t runDll = UpperCase(whole).find("RUNDLL");
    const std::size_t blank = whole.find(' ', runDll);
    if (blank == std::string::npos) {
        command = whole;
        params.clear();
    } else {
        command = whole.substr(0, blank);
        params = whole.substr(blank + 1);
    }
}

} // namespace

TvyOSVersion OSVersionOf(const TvyVersionRecord& record)
{
    if (record.PlatformId == 2) {
        switch (record.MajorVersion) {
        case 3: return osNT3;
        case 4: return osNT4;
        case 5: return record.MinorVersion == 0 ? os2K : osXP;
        default: return osUnknown;
        }
    }
    if (record.MajorVersion != 4) return osUnknown;
    const std::string service = Trim(record.CSDVersion);
    if (record.MinorVersion == 0) return service == "B" ? os95OSR2 : os95;
    if (record.MinorVersion == 10) return service == "A" ? os98SE : os98;
    return osUnknown;
}

bool IsNTGeneration(TvyOSVersion version)
{
    return version == osNT3 || version == osNT4 || version == os2K || version == osXP;
}

bool IsWin2KOrLaterRecord(const TvyVersionRecord& record)
{
    return record.PlatformId == 2 && record.MajorVersion > 4;
}

bool IsWinXPOrLaterRecord(const TvyVersionRecord& record)
{
    return (record.MajorVersion == 5 && record.MinorVersion > 0) || record.MajorVersion > 5;
}

std::string AddBackslash(const std::string& s)
{
    return !s.empty() && s.back() == '\\' ? s : s + '\\';
}

std::string RemoveBackslashes(const std::string& s)
{
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == '\\') --n;
    return s.substr(0, n);
}

void SplitString(const std::string& separator, const std::string& text, unsigned keepSeparator,
                 bool notFoundGoesRight, std::string& left, std::string& right)
{
    const std::size_t at = separator.empty() ? std::string::npos : text.find(separator);
    if (at == std::string::npos) {
        // Copies first: text may be one of the outputs.
        std::string whole = text;
        left = notFoundGoesRight ? std::string() : whole;
        right = notFoundGoesRight ? whole : std::string();
        return;
    }
    std::string l = text.substr(0, at);
    std::string r = text.substr(at + separator.size());
    if (keepSeparator & vyKeepSepLeft) l += separator;
    if (keepSeparator & vyKeepSepRight) r.insert(0, separator);
    left = std::move(l);
    right = std::move(r);
}

void SplitCommandLine(std::string& command, std::string& params)
{
    params.clear();
    command = Trim(command);
    if (command.empty()) return;

    bool quotePair = false;
    const std::size_t q1 = command.find('"');
    if (q1 != std::string::npos) {
        command.erase(q1, 1);
        const std::size_t q2 = command.find('"');
        if (q2 != std::string::npos) {
            command.erase(q2, 1);
            quotePair = true;
            // The blank between program and parameters goes with the trimming; a quote
            // that follows without one must not cost the neighbouring character.
            if (q1 == 0) {
                // A quoted program path, then the parameters.
                params = Trim(command.substr(q2));
                command.erase(q2);
                DeleteFirst(params, '"');
                DeleteFirst(params, '"');
            } else {
                // A quoted parameter after an unquoted program.
                params = command.substr(q1);
                command.erase(q1);
            }
        }
    }

    if (!quotePair) {
        const std::string whole = command;
        static const struct {
            const char* Separator;
            unsigned Keep;
        } separators[] = {{" -", vyKeepSepRight}, {" /", vyKeepSepRight}, {" \\", vyKeepSepRight}, {",", 0},
                          {" %", vyKeepSepRight}};
        for (const auto& sep : separators) {
            if (!params.empty()) break;
            std::string program, rest;
            SplitString(sep.Separator, command, sep.Keep, false, program, rest);
            // A split that cuts the program's own extension off is inside the path
            // ("C:\My -Tools\x.exe"), not before the parameters.
            if (!ExtractFileExt(command).empty() && ExtractFileExt(program).empty()) continue;
            command = program;
            params = rest;
        }
        if (UpperCase(ExtractFileExt(command)) == ".DLL" && UpperCase(command).find("RUNDLL") != std::string::npos)
            SplitRunDll(whole, command, params);
    }

    command = Trim(command);
    params = Trim(params);
}

std::string ByteToHex(std::uint8_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[value >> 4], digits[value & 15]};
}

std::string WordToHex(std::uint16_t value)
{
    return ByteToHex(static_cast<std::uint8_t>(value >> 8)) + ByteToHex(static_cast<std::uint8_t>(value & 0xFF));
}

std::string LongToHex(std::uint32_t value)
{
    std::string s = WordToHex(static_cast<std::uint16_t>(value >> 16)) + WordToHex(static_cast<std::uint16_t>(value & 0xFFFF));
    std::size_t zeros = 0;
    while (zeros + 1 < s.size() && s[zeros] == '0') ++zeros;
    return s.substr(zeros);
}

void InitStruct(void* record, std::size_t size)
{
    if (!record) return;
    std::memset(record, 0, size);
    // A record too small for the size field is only cleared.
    if (size >= sizeof(std::uint32_t)) {
        const auto field = static_cast<std::uint32_t>(size);
        std::memcpy(record, &field, sizeof field);
    }
}

long double RoundHalfEven(long double value)
{
    const long double lower = std::floor(value);
    const long double fraction = value - lower;
    if (fraction < 0.5L) return lower;
    if (fraction > 0.5L) return lower + 1;
    return std::fmod(lower, 2.0L) == 0 ? lower : lower + 1;
}

std::uint8_t Percent(long double part, long double whole)
{
    if (whole == 0 || !std::isfinite(whole) || !std::isfinite(part)) return 0;
    const long double rounded = RoundHalfEven(part * 100 / whole);
    // Overflow, or a figure a byte cannot hold, counts as a failed computation.
    if (!std::isfinite(rounded) || rounded < 0 || rounded > 255) return 0;
    return static_cast<std::uint8_t>(rounded);
}

std::string SystemSoundName(int index)
{
    static const char* const names[vySystemSoundCount] = {
        "",          "SystemAsterisk", "Close",   "SystemHand",  ".Default",       "SystemExclamation",
        "SystemExit", "Maximize",      "MenuCommand", "MenuPopup", "Minimize",     "MailBeep",
        "Open",      "AppGPFault",     "SystemQuestion", "RestoreDown", "RestoreUp", "SystemStart"};
    return index >= 0 && index < vySystemSoundCount ? names[index] : "";
}

long long CounterMicroseconds(std::uint32_t counts, long long frequency)
{
    if (frequency <= 0) return 0;
    return static_cast<long long>(RoundHalfEven(counts * 100000.0L / (frequency * 0.1L)));
}

long long SnapCPUSpeed(long long mhz)
{
    static const long long points[] = {0, 20, 33, 50, 60, 66, 80, 90, 100};
    if (mhz < 0) return 0;
    const long long r = mhz % 100;
    for (std::size_t i = 1; i < std::size(points); ++i) {
        if (points[i] > r) {
            const long long lo = points[i - 1], hi = points[i];
            return mhz - r + (r - lo < hi - r ? lo : hi);
        }
    }
    return mhz; // not reached: every remainder lies below 100
}

long long CPUSpeedFromTotals(std::uint64_t totalTicks, std::uint64_t totalMicroseconds)
{
    if (totalMicroseconds == 0) return 0;
    const long double mhz = static_cast<long double>(totalTicks) / static_cast<long double>(totalMicroseconds);
    if (mhz >= 1e15L) return 0; // no clock; and beyond this the rounding leaves the integers
    return SnapCPUSpeed(static_cast<long long>(RoundHalfEven(mhz)));
}

int MeasureCPUSpeed(long long frequency, const std::function<TvyClockSample()>& measure)
{
    if (frequency <= 0 || !measure) return 0;
    long long f0 = 0, f1 = 0, f2 = 0, sum = 0;
    std::uint64_t totalMicroseconds = 0, totalTicks = 0;
    int count = 0;
    auto agrees = [&](long long f) {
        const long long d = 3 * f - sum;
        return d >= -3 && d <= 3;
    };
    do {
        f2 = f1;
        f1 = f0;
        const TvyClockSample sample = measure();
        const long long us = CounterMicroseconds(sample.Counts, frequency);
        totalMicroseconds += static_cast<std::uint64_t>(us);
        totalTicks += sample.Ticks;
        // A counter so fast that no whole microsecond passed gives no figure of its own.
        f0 = us > 0 ? static_cast<long long>(RoundHalfEven(static_cast<long double>(sample.Ticks) / us)) : 0;
        sum = f0 + f1 + f2;
        ++count;
    } while (count < 3 || (count < 20 && !(agrees(f0) && agrees(f1) && agrees(f2))));
    const long long mhz = CPUSpeedFromTotals(totalTicks, totalMicroseconds);
    return mhz > INT_MAX ? INT_MAX : static_cast<int>(mhz);
}
