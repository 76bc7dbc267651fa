// lib/window/vyPackedStream.cpp
// Chunk layout (offsets from the chunk's data, after its 2-byte length S):
//   0..1  H: below 256 the escape byte (escape mode), else where the run table starts;
//   escape mode: literals, and runs as escape, value, C (C = length - 1 >= 3) or
//                escape, value, 0, C16 when C exceeds 255;
//   table mode:  data 2..H-1 where each run is its value once and then C (>= 4) or 0, C16;
//                H..S-1 the offsets of the count bytes, last run first.
#include "vyPackedStream.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <string>

namespace {

constexpr size_t kSmallInput = 254;
constexpr size_t kSmallWorkBuffer = 263;
// Chunk header: 2-byte length S and 2-byte mode word H.
constexpr size_t kChunkHeader = 4;
constexpr size_t kEscapeMinRun = 4;
constexpr size_t kTableMinRun = 5;
constexpr unsigned kTableModeStart = 256;

void Put16(unsigned char* p, size_t v)
{
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

void Put32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

unsigned Get16(const unsigned char* p)
{
    return static_cast<unsigned>(p[0]) | (static_cast<unsigned>(p[1]) << 8);
}

uint32_t Get32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

[[noreturn]] void Corrupt(const std::string& what)
{
    throw EPackedDataError("Packed image data is damaged: " + what);
}

size_t RunLength(const unsigned char* in, size_t i, size_t n)
{
    const unsigned char v = in[i];
    size_t j = i + 1;
    while (j < n && in[j] == v) ++j;
    return j - i;
}

// Writes a run count: C in one byte, or 0 and C in two when it exceeds 255.
unsigned char* PutCount(unsigned char* p, size_t count)
{
    if (count <= 255) {
        *p++ = static_cast<unsigned char>(count);
    } else {
        *p++ = 0;
        Put16(p, count);
        p += 2;
    }
    return p;
}

// Packs in[0, n), n <= PackedChunkInput, at out; returns the bytes written (2 + S). Neither
// mode ever writes more items than input bytes, so S <= 2 + n <= 65535.
size_t PackChunk(const unsigned char* in, size_t n, unsigned char* out, std::vector<unsigned>& runs)
{
    bool present[256] = {};
    for (size_t i = 0; i < n; ++i) present[in[i]] = true;
    unsigned escape = 256;
    for (unsigned v = 0; v < 256; ++v)
        if (!present[v]) {
            escape = v;
            break;
        }

    unsigned char* const data = out + 2;
    unsigned char* p = data + 2;
    const bool tableMode = escape >= kTableModeStart;
    const size_t minRun = tableMode ? kTableMinRun : kEscapeMinRun;
    runs.clear();
    // Literals are copied a span at a time, up to the next run worth writing.
    size_t literal = 0;
    for (size_t i = 0; i < n;) {
        const size_t run = RunLength(in, i, n);
        if (run < minRun) {
            i += run;
            continue;
        }
        std::memcpy(p, in + literal, i - literal);
        p += i - literal;
        if (tableMode) {
            *p++ = in[i];
            runs.push_back(static_cast<unsigned>(p - data));
        } else {
            *p++ = static_cast<unsigned char>(escape);
            *p++ = in[i];
        }
        p = PutCount(p, run - 1);
        i += run;
        literal = i;
    }
    std::memcpy(p, in + literal, n - literal);
    p += n - literal;
    if (tableMode) {
        Put16(data, static_cast<size_t>(p - data));
        for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
            Put16(p, *it);
            p += 2;
        }
    } else {
        Put16(data, escape);
    }
    const size_t s = static_cast<size_t>(p - data);
    Put16(out, s);
    return 2 + s;
}

// Output of one chunk, never past its end.
class TChunkOutput {
public:
    TChunkOutput(unsigned char* p, size_t room) : FP(p), FRoom(room) {}
    void Copy(const unsigned char* src, size_t n)
    {
        if (n == 0) return; // out may be null for an empty result
        Need(n);
        std::memcpy(FP, src, n);
        Advance(n);
    }
    void Fill(unsigned char v, size_t n)
    {
        if (n == 0) return;
        Need(n);
        std::memset(FP, v, n);
        Advance(n);
    }
    size_t Written() const { return FWritten; }

private:
    void Need(size_t n) const
    {
        if (n > FRoom) Corrupt("it holds more data than it announces");
        if (FWritten + n > PackedChunkInput) Corrupt("a chunk unpacks to more than 65533 bytes");
    }
    void Advance(size_t n)
    {
        FP += n;
        FRoom -= n;
        FWritten += n;
    }
    unsigned char* FP;
    size_t FRoom;
    size_t FWritten = 0;
};

// Reads a run count at d[at] (chunk data of `end` bytes); returns the index after it.
size_t GetCount(const unsigned char* d, size_t at, size_t end, size_t& count)
{
    if (at >= end) Corrupt("a run count is cut off");
    count = d[at];
    if (count != 0) return at + 1;
    if (at + 3 > end) Corrupt("a run count is cut off");
    count = Get16(d + at + 1);
    return at + 3;
}

void UnpackEscapeChunk(const unsigned char* d, size_t s, unsigned char escape, TChunkOutput& out)
{
    size_t i = 2;
    while (i < s) {
        const auto* hit = static_cast<const unsigned char*>(std::memchr(d + i, escape, s - i));
        const size_t next = hit ? static_cast<size_t>(hit - d) : s;
        out.Copy(d + i, next - i);
        if (next == s) return;
        if (next + 1 >= s) Corrupt("a run is cut off");
        const unsigned char value = d[next + 1];
        size_t count = 0;
        i = GetCount(d, next + 2, s, count);
        out.Fill(value, count + 1);
    }
}

void UnpackTableChunk(const unsigned char* d, size_t s, size_t h, TChunkOutput& out)
{
    if (h > s) Corrupt("the run table starts past the chunk's end");
    if ((s - h) % 2 != 0) Corrupt("the run table has an odd length");
    size_t pos = 2;
    // The table is stored last run first: reading it backwards gives ascending offsets.
    for (size_t t = s; t > h; t -= 2) {
        const size_t at = Get16(d + t - 2);
        // The run's value is the literal just before its count, inside the current span.
        if (at <= pos || at >= h) Corrupt("the run table is out of order");
        out.Copy(d + pos, at - pos);
        size_t count = 0;
        pos = GetCount(d, at, h, count);
        out.Fill(d[at - 1], count);
    }
    out.Copy(d + pos, h - pos);
}

void UnpackChunk(const unsigned char* d, size_t s, TChunkOutput& out)
{
    if (s < 2) Corrupt("a chunk is too short");
    const unsigned h = Get16(d);
    if (h < kTableModeStart)
        UnpackEscapeChunk(d, s, static_cast<unsigned char>(h), out);
    else
        UnpackTableChunk(d, s, h, out);
}

struct TBlock {
    const unsigned char* Chunks; // first chunk
    size_t ChunkBytes;           // N - 4
    size_t Unpacked;
};

// Checks N and the chunk framing, and that the chunks can hold the announced size.
TBlock CheckBlock(const unsigned char* data, size_t available)
{
    if (available < 4) Corrupt("the block length is cut off");
    const uint64_t n = Get32(data);
    if (n < 4) Corrupt("the block is shorter than its header");
    if (n > static_cast<uint64_t>(available) - 4) Corrupt("the block runs past the end of the data");
    TBlock block{data + 8, static_cast<size_t>(n - 4), Get32(data + 4)};
    uint64_t chunks = 0;
    for (size_t at = 0; at < block.ChunkBytes; ++chunks) {
        if (block.ChunkBytes - at < 2) Corrupt("a chunk length is cut off");
        const size_t s = Get16(block.Chunks + at);
        if (s > block.ChunkBytes - at - 2) Corrupt("a chunk runs past the end of the block");
        at += 2 + s;
    }
    if (static_cast<uint64_t>(block.Unpacked) > chunks * PackedChunkInput)
        Corrupt("it announces more data than its chunks can hold");
    return block;
}

void UnpackBlock(const TBlock& block, unsigned char* out)
{
    size_t room = block.Unpacked;
    for (size_t at = 0; at < block.ChunkBytes;) {
        const size_t s = Get16(block.Chunks + at);
        TChunkOutput chunk(out, room);
        UnpackChunk(block.Chunks + at + 2, s, chunk);
        out += chunk.Written();
        room -= chunk.Written();
        at += 2 + s;
    }
    if (room != 0) Corrupt("it holds less data than it announces");
}

} // namespace

size_t PackWorkBufferSize(size_t size)
{
    const size_t rule = size <= kSmallInput ? kSmallWorkBuffer : size + 4 * (size / 65535) + 8;
    // Unpacked size, then per chunk its header and at most its input bytes.
    const size_t chunks = (size + PackedChunkInput - 1) / PackedChunkInput;
    const size_t worst = 4 + size + kChunkHeader * chunks;
    return rule < worst ? worst : rule;
}

bool PackableSize(size_t size)
{
    const uint64_t s = size;
    if (s > 0xFFFFFFFFull) return false; // and nothing below can overflow
    return s + 8 + kChunkHeader * (s / PackedChunkInput + 1) <= 0xFFFFFFFFull;
}

std::vector<unsigned char> PackBytes(const unsigned char* data, size_t size)
{
    if (!PackableSize(size)) throw EStreamError("Data too large to pack");
    std::vector<unsigned char> out(4 + PackWorkBufferSize(size));
    unsigned char* const block = out.data() + 4;
    Put32(block, static_cast<uint32_t>(size));
    size_t used = 4;
    std::vector<unsigned> runs;
    for (size_t at = 0; at < size; at += PackedChunkInput) {
        const size_t n = size - at < PackedChunkInput ? size - at : PackedChunkInput;
        used += PackChunk(data + at, n, block + used, runs);
    }
    Put32(out.data(), static_cast<uint32_t>(used));
    out.resize(4 + used);
    return out;
}

std::vector<unsigned char> UnpackBytes(const unsigned char* data, size_t available, size_t* consumed)
{
    const TBlock block = CheckBlock(data, available);
    std::vector<unsigned char> out;
    try {
        out.resize(block.Unpacked);
    } catch (const std::bad_alloc&) {
        throw EPackedDataError("Not enough memory to unpack the image data");
    }
    UnpackBlock(block, out.data());
    if (consumed) *consumed = 8 + block.ChunkBytes;
    return out;
}

void PackStream(TStream& source, TStream& dest)
{
    std::vector<unsigned char> packed;
    if (auto* memory = dynamic_cast<TMemoryStream*>(&source)) {
        packed = PackBytes(memory->Memory(), memory->Bytes().size());
        memory->Seek(0, TSeekOrigin::End);
    } else {
        source.SetPosition(0);
        std::vector<unsigned char> input(static_cast<size_t>(source.Size()));
        source.ReadBuffer(input.data(), static_cast<long>(input.size()));
        packed = PackBytes(input.data(), input.size());
    }
    dest.WriteBuffer(packed.data(), static_cast<long>(packed.size()));
}

std::unique_ptr<TMemoryStream> UnpackStream(TStream& source)
{
    const long start = source.Position();
    const long size = source.Size();
    const size_t available = start < size ? static_cast<size_t>(size - start) : 0;
    std::vector<unsigned char> buffer;
    const unsigned char* data = nullptr;
    size_t length = available;
    if (auto* memory = dynamic_cast<TMemoryStream*>(&source)) {
        data = memory->Memory() + (available ? start : 0);
    } else {
        // Only N - 4 more bytes once N is known, and never more than the stream holds.
        unsigned char header[4];
        if (available < sizeof header) Corrupt("the block length is cut off");
        source.ReadBuffer(header, sizeof header);
        const uint64_t n = Get32(header);
        const uint64_t want = n < 4 ? 0 : n;
        if (want > static_cast<uint64_t>(available) - 4) {
            source.SetPosition(start); // as every other refusal leaves it
            Corrupt("the block runs past the end of the data");
        }
        buffer.resize(4 + static_cast<size_t>(want));
        std::memcpy(buffer.data(), header, sizeof header);
        source.ReadBuffer(buffer.data() + 4, static_cast<long>(want));
        data = buffer.data();
        length = buffer.size();
        source.SetPosition(start);
    }
    const TBlock block = CheckBlock(data, length);
    auto result = std::make_unique<TMemoryStream>();
    try {
        result->SetSize(static_cast<long>(block.Unpacked));
    } catch (const std::bad_alloc&) {
        throw EPackedDataError("Not enough memory to unpack the image data");
    }
    UnpackBlock(block, result->Memory());
    source.SetPosition(start + static_cast<long>(8 + block.ChunkBytes));
    return result;
}
