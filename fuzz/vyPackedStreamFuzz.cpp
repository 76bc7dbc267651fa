// fuzz/vyPackedStreamFuzz.cpp
// Packed image data comes from form descriptions: the unpacker must reject anything damaged
// with EPackedDataError alone, never touch memory outside the block, and leave a stream
// right after what it consumed. Whatever it accepts must pack and unpack back unchanged, and
// the input itself, taken as plain data, must survive a round trip.
#include "lib/window/vyPackedStream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy: any read past the end is a heap overflow the sanitizer reports.
    const std::vector<unsigned char> input(data, data + size);

    std::vector<unsigned char> unpacked;
    size_t consumed = 0;
    bool accepted = true;
    try {
        unpacked = UnpackBytes(input.data(), input.size(), &consumed);
    } catch (const EPackedDataError&) {
        accepted = false;
    }
    if (accepted) {
        if (consumed < 8 || consumed > size) __builtin_trap();
        TMemoryStream stream;
        stream.WriteBuffer(input.data(), static_cast<long>(input.size()));
        stream.SetPosition(0);
        auto viaStream = UnpackStream(stream);
        if (viaStream->Bytes() != unpacked) __builtin_trap();
        if (stream.Position() != static_cast<long>(consumed)) __builtin_trap();
        const std::vector<unsigned char> repacked = PackBytes(unpacked.data(), unpacked.size());
        if (UnpackBytes(repacked.data(), repacked.size()) != unpacked) __builtin_trap();
    }

    const std::vector<unsigned char> packed = PackBytes(input.data(), input.size());
    if (packed.size() - 4 > PackWorkBufferSize(size)) __builtin_trap();
    size_t used = 0;
    if (UnpackBytes(packed.data(), packed.size(), &used) != input || used != packed.size()) __builtin_trap();
    return 0;
}
