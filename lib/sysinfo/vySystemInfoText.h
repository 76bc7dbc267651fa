// lib/sysinfo/vySystemInfoText.h
// The portable decisions of unit vySystemInfo: the enumerations, the display sizes and
// the step down to a smaller mode, the processor codes, and the texts made from numbers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

enum class TvyInternetStatus { iOffline, iOnline };
enum class TvyCPUArchitecture { paINTEL, paMIPS, paALPHA, paPPC, paUNKNOWN };
enum class TvyCPUType { ptIntel386, ptIntel486, ptPentium, ptMIPS_R4000, ptALPHA_21064, ptUNKNOWN };
enum class TvyScreenResolution {
    sr640x480, sr800x600, sr1024x768, sr1152x864, sr1280x960, sr1280x1024, sr1600x1200, sr1920x1080, sr1920x1200
};
constexpr int vyScreenResolutionCount = 9;

struct TvyScreenSize {
    int Width;
    int Height;
};
TvyScreenSize ResolutionSize(TvyScreenResolution r);
// The member of that size; sr640x480 for any other size.
TvyScreenResolution ResolutionOf(int width, int height);
// Bits per pixel of colour mode ordinal 0..4 (4, 8, 16, 24, 32); 0 outside.
int ColorModeBits(int ordinal);

// The first of ordinals wanted, wanted - 1, ..., 0 that accepts takes; -1 when none does
// (or wanted is below 0). A mode the display refuses is retried one step smaller.
int StepDown(int wanted, const std::function<bool(int)>& accepts);

// From GetSystemInfo's processor fields.
TvyCPUArchitecture CPUArchitectureOf(std::uint16_t architecture);
TvyCPUType CPUTypeOf(TvyCPUArchitecture architecture, std::uint32_t processorType);

// A volume serial number as "XXXX-XXXX", upper-case digits, leading zeros kept.
std::string VolumeSerialText(std::uint32_t serial);
// "major.minor.build".
std::string JoinVersionNumber(int major, int minor, int build);
// The product name with its first "Microsoft " taken out.
std::string WithoutMaker(std::string productName);
// Whole seconds of a millisecond tick count.
int UpTimeSeconds(std::uint32_t tickCount);
// A byte count as an Integer property shows it: counts beyond its range read as its largest.
int ClampedCount(std::uint64_t count);
