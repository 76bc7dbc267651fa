// bench/PackBench.cpp
// Throughput of the packed image stream against a plain memory copy of the same bytes,
// side by side, for data shaped like pictures, like noise and like a blank area. Portable:
// it runs under Wine from the Windows build and natively as well.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "BenchTiming.h"
#include "vyPackedStream.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr size_t kSize = 4 * 1024 * 1024;

// Rows of a 24-bit picture: flat areas, gradients and a little noise, like icons and
// screenshots stored in forms.
Bytes PictureLike()
{
    Bytes b(kSize);
    std::mt19937 rng(1);
    for (size_t i = 0; i < b.size(); ++i) {
        const size_t x = (i / 3) % 512, y = i / (3 * 512);
        if ((x / 64 + y / 64) % 3 == 0)
            b[i] = 0xC0; // flat button face
        else if ((x / 64 + y / 64) % 3 == 1)
            b[i] = static_cast<unsigned char>(x / 2); // horizontal gradient
        else
            b[i] = static_cast<unsigned char>(0x80 + rng() % 8); // grain
    }
    return b;
}

Bytes Noise()
{
    Bytes b(kSize);
    std::mt19937 rng(2);
    for (auto& c : b) c = static_cast<unsigned char>(rng());
    return b;
}

Bytes Blank()
{
    return Bytes(kSize, 0xFF);
}

double MegabytesPerSecond(size_t bytes, const std::function<void()>& f)
{
    return static_cast<double>(bytes) / BestSecondsPerCall(f, 0.2) / (1024.0 * 1024.0);
}

volatile unsigned gSink = 0;

void Row(const char* name, const Bytes& data)
{
    const Bytes packed = PackBytes(data.data(), data.size());
    if (UnpackBytes(packed.data(), packed.size()) != data) {
        std::printf("%-12s  round trip FAILED\n", name);
        return;
    }
    Bytes copy(data.size());
    const double memcpyRate = MegabytesPerSecond(data.size(), [&] {
        std::memcpy(copy.data(), data.data(), data.size());
        gSink = gSink + copy[copy.size() / 2];
    });
    const double packRate = MegabytesPerSecond(data.size(), [&] {
        const Bytes p = PackBytes(data.data(), data.size());
        gSink = gSink + p[p.size() / 2];
    });
    const double unpackRate = MegabytesPerSecond(data.size(), [&] {
        const Bytes u = UnpackBytes(packed.data(), packed.size());
        gSink = gSink + u[u.size() / 2];
    });
    TMemoryStream source;
    source.WriteBuffer(packed.data(), static_cast<long>(packed.size()));
    const double streamRate = MegabytesPerSecond(data.size(), [&] {
        source.SetPosition(0);
        auto u = UnpackStream(source);
        gSink = gSink + u->Memory()[data.size() / 2];
    });
    std::printf("%-12s %7.1f%% %10.0f %10.0f %10.0f %10.0f   %5.1fx %5.1fx\n", name,
                100.0 * static_cast<double>(packed.size()) / static_cast<double>(data.size()), memcpyRate, packRate,
                unpackRate, streamRate, memcpyRate / packRate, memcpyRate / unpackRate);
}

} // namespace

int main()
{
    std::printf("Packed image stream, %zu MB inputs, MB/s (best of 5 rounds of >= 0.2 s)\n", kSize / (1024 * 1024));
    std::printf("%-12s %8s %10s %10s %10s %10s   %6s %6s\n", "data", "packed", "memcpy", "pack", "unpack",
                "unpack", "pack", "unpack");
    std::printf("%-12s %8s %10s %10s %10s %10s   %6s %6s\n", "", "size", "", "", "(bytes)", "(stream)", "slower",
                "slower");
    Row("picture-like", PictureLike());
    Row("noise", Noise());
    Row("blank", Blank());
    return 0;
}
