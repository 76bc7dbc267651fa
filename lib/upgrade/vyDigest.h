// lib/upgrade/vyDigest.h
// SHA-256 and SHA-512, for checking what the upgrader downloads and for its signatures. No
// Windows 9x system library offers either, so they are written here, portable (no
// <windows.h>), for 32- and 64-bit builds alike.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vydigest {

// The buffering and padding both sizes share; each size brings its block function.
class TSha2Base {
public:
    void Update(const void* data, size_t size);
    void Update(std::string_view data) { Update(data.data(), data.size()); }

protected:
    using TBlockFunction = void (*)(TSha2Base& self, const std::uint8_t* block);
    TSha2Base(size_t blockSize, TBlockFunction block) : FBlockSize(blockSize), FBlock(block) {}
    // The padding and the length in bits, hashed: the state then holds the digest.
    void Pad();

private:
    std::uint8_t FBuffer[128];
    size_t FBlockSize;
    TBlockFunction FBlock;
    size_t FBuffered = 0;
    std::uint64_t FLength = 0; // bytes; files and messages here stay far below 2^61
};

// Word is the 32- or 64-bit word of the algorithm.
template <typename Word, int Rounds>
class TSha2 : public TSha2Base {
public:
    static constexpr size_t BlockSize = 16 * sizeof(Word);
    static constexpr size_t DigestSize = 8 * sizeof(Word);
    using TDigest = std::array<std::uint8_t, DigestSize>;

    TSha2();
    // The digest; the object is spent afterwards.
    TDigest Final();

private:
    static void Block(TSha2Base& self, const std::uint8_t* p);

    Word FState[8];
};

extern template class TSha2<std::uint32_t, 64>;
extern template class TSha2<std::uint64_t, 80>;

} // namespace vydigest

using TvySha256 = vydigest::TSha2<std::uint32_t, 64>;
using TvySha512 = vydigest::TSha2<std::uint64_t, 80>;

TvySha256::TDigest vySha256(std::string_view data);
TvySha512::TDigest vySha512(std::string_view data);

// Whether two byte ranges of the same size are equal, in a time that depends on the size only.
bool vyEqualBytes(const std::uint8_t* a, const std::uint8_t* b, size_t size);

// Hexadecimal digits, two per byte, either case; false unless text holds exactly 2 * size.
bool vyHexToBytes(std::string_view text, std::uint8_t* out, size_t size);
