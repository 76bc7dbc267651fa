// lib/window/vyPackedStream.h
// The packed image stream stored in the "SFP" property of icons and pictures: a 4-byte
// block length N, then the block (4-byte unpacked size and a sequence of chunks, each a
// 2-byte length and at most 65533 input bytes packed by runs, in escape or table mode).
// Portable (no <windows.h>): the unpacker reads form descriptions, so it is unit-tested
// and fuzzed natively.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "Classes.h"

// The largest slice of input one chunk packs, so that every length fits in 16 bits.
inline constexpr size_t PackedChunkInput = 65533;

// A packed block that cannot be unpacked: truncated, lengths past its end, a run table out
// of order, or more or less data than the block announces.
class EPackedDataError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// Bytes the packer reserves for the block (without N) of an input of `size` bytes: 263 up
// to 254 bytes, else size + 4 x (size div 65535) + 8, raised to the worst case where that
// falls short (sizes just above a multiple of 65533 need one chunk header more).
size_t PackWorkBufferSize(size_t size);

// Whether the block of `size` bytes stays below 4 GB, N and the unpacked size being 32-bit.
bool PackableSize(size_t size);

// N followed by the packed block of data[0, size); EStreamError when !PackableSize(size).
std::vector<unsigned char> PackBytes(const unsigned char* data, size_t size);

// Unpacks the block that starts at data (with N) and sets *consumed to 4 + N. Never reads
// past available; a damaged block raises EPackedDataError.
std::vector<unsigned char> UnpackBytes(const unsigned char* data, size_t available, size_t* consumed = nullptr);

// Packs all of source, from its start, and writes N and the block to dest at its position.
void PackStream(TStream& source, TStream& dest);

// Unpacks the block at source's position into a new memory stream (positioned at 0) and
// leaves source just after the block. A memory stream is read in place; any other stream
// has its N - 4 bytes read into a temporary buffer.
std::unique_ptr<TMemoryStream> UnpackStream(TStream& source);
