// lib/sysinfo/vySystemInfoText.cpp
#include "vySystemInfoText.h"

#include <climits>

namespace {

constexpr TvyScreenSize Sizes[vyScreenResolutionCount] = {
    {640, 480}, {800, 600}, {1024, 768}, {1152, 864}, {1280, 960}, {1280, 1024}, {1600, 1200}, {1920, 1080}, {1920, 1200}};

} // namespace

TvyScreenSize ResolutionSize(TvyScreenResolution r)
{
    const int i = static_cast<int>(r);
    return i >= 0 && i < vyScreenResolutionCount ? Sizes[i] : Sizes[0];
}

TvyScreenResolution ResolutionOf(int width, int height)
{
    for (int i = 0; i < vyScreenResolutionCount; ++i)
        if (Sizes[i].Width == width && Sizes[i].Height == height) return static_cast<TvyScreenResolution>(i);
    return TvyScreenResolution::sr640x480;
}

int ColorModeBits(int ordinal)
{
    static constexpr int bits[] = {4, 8, 16, 24, 32};
    return ordinal >= 0 && ordinal < 5 ? bits[ordinal] : 0;
}

int StepDown(int wanted, const std::function<bool(int)>& accepts)
{
    for (int i = wanted; i >= 0; --i)
        if (accepts(i)) return i;
    return -1;
}

TvyCPUArchitecture CPUArchitectureOf(std::uint16_t architecture)
{
    switch (architecture) {
    case 1: return TvyCPUArchitecture::paMIPS;
    case 2: return TvyCPUArchitecture::paALPHA;
    case 3: return TvyCPUArchitecture::paPPC;
    case 0xFFFF: return TvyCPUArchitecture::paUNKNOWN;
    default: return TvyCPUArchitecture::paINTEL;
    }
}

TvyCPUType CPUTypeOf(TvyCPUArchitecture architecture, std::uint32_t processorType)
{
    if (architecture != TvyCPUArchitecture::paINTEL) return TvyCPUType::ptUNKNOWN;
    switch (processorType) {
    case 386: return TvyCPUType::ptIntel386;
    case 486: return TvyCPUType::ptIntel486;
    case 586: return TvyCPUType::ptPentium;
    default: return TvyCPUType::ptUNKNOWN;
    }
}

std::string VolumeSerialText(std::uint32_t serial)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text(9, '-');
    for (int i = 0, pos = 8; i < 8; ++i, --pos) {
        if (pos == 4) --pos;
        text[static_cast<size_t>(pos)] = digits[(serial >> (4 * i)) & 0xF];
    }
    return text;
}

std::string JoinVersionNumber(int major, int minor, int build)
{
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build);
}

std::string WithoutMaker(std::string productName)
{
    static const std::string maker = "Microsoft ";
    const size_t at = productName.find(maker);
    if (at != std::string::npos) productName.erase(at, maker.size());
    return productName;
}

int UpTimeSeconds(std::uint32_t tickCount)
{
    return static_cast<int>(tickCount / 1000u);
}

int ClampedCount(std::uint64_t count)
{
    return count > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(count);
}
