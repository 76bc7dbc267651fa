// lib/classes/vyClassesText.h
// The portable half of unit vyClasses' shared routines: strings, paths, the command-line
// splitter, hexadecimal, the guarded percentage, the operating-system generation decided
// from a plain version record, and the processor-clock arithmetic. No <windows.h>: these
// are compiled natively too, tested with sanitizers and fuzzed. Callers include
// "vyClasses.h", which brings this in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The operating-system generation, in this order (ordinals 0 to 9).
enum TvyOSVersion { osUnknown, os95, os95OSR2, os98, os98SE, osNT3, osNT4, os2K, osME, osXP };

// What GetVersionExA reports, without the Windows types.
struct TvyVersionRecord {
    unsigned long MajorVersion = 0;
    unsigned long MinorVersion = 0;
    unsigned long PlatformId = 0; // 2: the NT platform
    std::string CSDVersion;       // the additional-information text, as found
};

TvyOSVersion OSVersionOf(const TvyVersionRecord& record);
bool IsNTGeneration(TvyOSVersion version);
bool IsWin2KOrLaterRecord(const TvyVersionRecord& record);
bool IsWinXPOrLaterRecord(const TvyVersionRecord& record);

// Paths and strings.
std::string AddBackslash(const std::string& s);
std::string RemoveBackslashes(const std::string& s);

// Keep-separator bits of SplitString.
constexpr unsigned vyKeepSepLeft = 1;  // append the separator to the left part
constexpr unsigned vyKeepSepRight = 2; // prepend it to the right part

// Splits text at the first occurrence of separator. When the separator is not found
// (an empty one never is), the whole text goes right with notFoundGoesRight, else left.
void SplitString(const std::string& separator, const std::string& text, unsigned keepSeparator,
                 bool notFoundGoesRight, std::string& left, std::string& right);

// Splits a command line as the registry stores it into program and parameters: command
// comes back as the program part.
void SplitCommandLine(std::string& command, std::string& params);

// Hexadecimal, upper case.
std::string ByteToHex(std::uint8_t value);
std::string WordToHex(std::uint16_t value);
std::string LongToHex(std::uint32_t value); // without leading zeros; 0 gives "0"

// Zero-fills a system record and stores its size in its first 32-bit field.
void InitStruct(void* record, std::size_t size);

// part x 100 / whole to the nearest whole number (ties to even); 0 when whole is 0 or
// the result is no percentage a byte can hold.
std::uint8_t Percent(long double part, long double whole);

// The registry event name of a system sound index; empty for 0 and anything outside the table.
std::string SystemSoundName(int index);
constexpr int vySystemSoundCount = 18;

// Nearest whole number, exact halves to the even neighbour, whatever the FPU's mode.
long double RoundHalfEven(long double value);

// Processor clock.
// One measurement: the high-resolution counter's advance and the time-stamp counter's.
struct TvyClockSample {
    std::uint32_t Counts = 0;
    std::uint32_t Ticks = 0;
};
// Microseconds for a counter advance at the counter's frequency; 0 for no frequency.
long long CounterMicroseconds(std::uint32_t counts, long long frequency);
// Moves a MHz figure to the nearest point of the table 0, 20, 33, 50, 60, 66, 80, 90, 100
// within its hundred (a tie goes up).
long long SnapCPUSpeed(long long mhz);
// The MHz figure from the totals of all measurements, rounded and then snapped; 0 when no
// time passed.
long long CPUSpeedFromTotals(std::uint64_t totalTicks, std::uint64_t totalMicroseconds);
// Takes 3 to 20 measurements until the last three agree and returns the snapped MHz
// figure; 0 without a counter frequency.
int MeasureCPUSpeed(long long frequency, const std::function<TvyClockSample()>& measure);
