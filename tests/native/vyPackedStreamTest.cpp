// tests/native/vyPackedStreamTest.cpp
// The packed image stream: exact layouts of both chunk modes, chunking of long inputs, the
// work buffer, round trips, reading on after a block, and damaged blocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "vyPackedStream.h"

namespace {

using Bytes = std::vector<unsigned char>;

unsigned Get16(const Bytes& b, size_t at)
{
    return static_cast<unsigned>(b.at(at)) | (static_cast<unsigned>(b.at(at + 1)) << 8);
}

uint32_t Get32(const Bytes& b, size_t at)
{
    return Get16(b, at) | (static_cast<uint32_t>(Get16(b, at + 2)) << 16);
}

Bytes RoundTrip(const Bytes& input)
{
    const Bytes packed = PackBytes(input.data(), input.size());
    size_t consumed = 0;
    Bytes out = UnpackBytes(packed.data(), packed.size(), &consumed);
    EXPECT_EQ(packed.size(), consumed) << "bytes consumed by the unpacker, input size " << input.size();
    return out;
}

Bytes Random(size_t n, uint32_t seed, int distinct = 256)
{
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& c : b) c = static_cast<unsigned char>(rng() % static_cast<uint32_t>(distinct));
    return b;
}

// Every value 0..254 in turn, no two neighbours equal: no runs, and 255 never occurs, so the
// packer stays in escape mode and writes every byte as a literal.
Bytes Incompressible(size_t n)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(i % 255);
    return b;
}

// The chunk lengths S of a packed stream, in order.
std::vector<unsigned> ChunkLengths(const Bytes& packed)
{
    std::vector<unsigned> lengths;
    const size_t end = 4 + Get32(packed, 0);
    for (size_t at = 8; at < end; at += 2 + lengths.back()) lengths.push_back(Get16(packed, at));
    return lengths;
}

// A stream that is not a memory stream, so the unpacker takes its buffered path.
class TVectorStream : public TStream {
public:
    explicit TVectorStream(Bytes data) : FData(std::move(data)) {}
    long Read(void* buffer, long count) override
    {
        if (count <= 0 || FPos >= static_cast<long>(FData.size())) return 0;
        long n = std::min<long>(count, static_cast<long>(FData.size()) - FPos);
        std::memcpy(buffer, FData.data() + FPos, static_cast<size_t>(n));
        FPos += n;
        ++Reads;
        return n;
    }
    long Write(const void*, long) override { return 0; }
    long Seek(long offset, TSeekOrigin origin) override
    {
        long base = origin == TSeekOrigin::Beginning ? 0 : origin == TSeekOrigin::Current ? FPos : static_cast<long>(FData.size());
        FPos = std::max(0L, base + offset);
        return FPos;
    }
    int Reads = 0;

private:
    Bytes FData;
    long FPos = 0;
};

// reason: the text after "Packed image data is damaged: ", when the case says which it is.
void ExpectDamaged(const Bytes& block, const char* what, const char* reason = nullptr)
{
    try {
        UnpackBytes(block.data(), block.size());
        ADD_FAILURE() << what << ": unpacked without an error";
    } catch (const EPackedDataError& e) {
        if (reason)
            EXPECT_EQ(std::string("Packed image data is damaged: ") + reason, e.Message()) << what;
        else
            EXPECT_EQ(0u, std::string(e.Message()).find("Packed image data is damaged")) << what << ": " << e.Message();
    }
}

// A packed stream built by hand: N, unpacked size, then the given chunks (S added).
Bytes Block(uint32_t unpacked, const std::vector<Bytes>& chunks)
{
    Bytes body;
    for (int i = 0; i < 4; ++i) body.push_back(static_cast<unsigned char>(unpacked >> (8 * i)));
    for (const Bytes& c : chunks) {
        body.push_back(static_cast<unsigned char>(c.size() & 0xFF));
        body.push_back(static_cast<unsigned char>(c.size() >> 8));
        body.insert(body.end(), c.begin(), c.end());
    }
    Bytes out;
    const uint32_t n = static_cast<uint32_t>(body.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(n >> (8 * i)));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A table-mode chunk: H, 254 filler literals, then data, then the raw table bytes (H =
// 256 + data size, so the data starts at offset 256).
Bytes TableChunk(const Bytes& data, const Bytes& table)
{
    const size_t h = 256 + data.size();
    Bytes c = {static_cast<unsigned char>(h & 0xFF), static_cast<unsigned char>(h >> 8)};
    c.insert(c.end(), 254, '.');
    c.insert(c.end(), data.begin(), data.end());
    c.insert(c.end(), table.begin(), table.end());
    return c;
}

} // namespace

TEST(PackedStreamLayout, ThousandEqualBytesMakeOneLongRunInEscapeMode)
{
    const Bytes input(1000, 0x41);
    const Bytes packed = PackBytes(input.data(), input.size());
    // N = 13: unpacked size, S = 7, H = escape 0, then escape, value, 0, 999.
    const Bytes expected = {0x0D, 0, 0, 0, 0xE8, 0x03, 0, 0, 0x07, 0, 0x00, 0x00, 0x00, 0x41, 0x00, 0xE7, 0x03};
    EXPECT_EQ(expected, packed);
}

TEST(PackedStreamLayout, EveryByteValueOnceGivesTableModeWithEmptyTable)
{
    Bytes input(256);
    for (int i = 0; i < 256; ++i) input[static_cast<size_t>(i)] = static_cast<unsigned char>(i);
    const Bytes packed = PackBytes(input.data(), input.size());
    ASSERT_EQ(4u + 4 + 2 + 258, packed.size());
    EXPECT_EQ(264u, Get32(packed, 0)) << "N";
    EXPECT_EQ(256u, Get32(packed, 4)) << "unpacked size";
    EXPECT_EQ(258u, Get16(packed, 8)) << "S: nothing after the data, so the table is empty";
    EXPECT_EQ(258u, Get16(packed, 10)) << "H";
    EXPECT_TRUE(std::equal(input.begin(), input.end(), packed.begin() + 12)) << "the 256 literals";
}

TEST(PackedStreamLayout, EscapeModeRunsStartAtFourAndUseTwoBytesAbove256)
{
    // 'a' x3 stays literal, 'b' x4 is the shortest run, 'c' x256 the longest one-byte
    // count, 'd' x257 the shortest two-byte count. Escape: 0 does not occur.
    Bytes input;
    input.insert(input.end(), 3, 'a');
    input.insert(input.end(), 4, 'b');
    input.insert(input.end(), 256, 'c');
    input.insert(input.end(), 257, 'd');
    const Bytes packed = PackBytes(input.data(), input.size());
    const Bytes items(packed.begin() + 12, packed.end());
    const Bytes expected = {'a', 'a', 'a', 0, 'b', 3, 0, 'c', 255, 0, 'd', 0, 0x00, 0x01};
    EXPECT_EQ(expected, items);
    EXPECT_EQ(0u, Get16(packed, 10)) << "escape byte";
    EXPECT_EQ(input, RoundTrip(input));
}

TEST(PackedStreamLayout, EscapeIsTheSmallestAbsentValue)
{
    Bytes input;
    for (int v = 0; v < 7; ++v) input.push_back(static_cast<unsigned char>(v));
    input.push_back(8);
    const Bytes packed = PackBytes(input.data(), input.size());
    EXPECT_EQ(7u, Get16(packed, 10)) << "escape byte";
    EXPECT_EQ(input, RoundTrip(input));
    // Every value but 255: 255 is still an escape, not a reason for table mode.
    Bytes all255(255);
    for (size_t v = 0; v < 255; ++v) all255[v] = static_cast<unsigned char>(v);
    EXPECT_EQ(255u, Get16(PackBytes(all255.data(), all255.size()), 10)) << "escape byte 255";
}

TEST(PackedStreamLayout, TableModeRunsStartAtFiveWithTableLastRunFirst)
{
    // All 256 values occur; then runs of 4 (literal), 5 (shortest run) and 300 (two-byte).
    Bytes input(256);
    for (int i = 0; i < 256; ++i) input[static_cast<size_t>(i)] = static_cast<unsigned char>(i);
    input.insert(input.end(), 4, 0x10);
    input.insert(input.end(), 5, 0x20);
    input.insert(input.end(), 300, 0x30);
    const Bytes packed = PackBytes(input.data(), input.size());
    // Data: 256 literals (offsets 2..257), 4 x 0x10 (258..261), 0x20 at 262 with count 4
    // at 263, 0x30 at 264 with 0, 299 at 265..267; H = 268; table 265, 263.
    const size_t data = 10;
    ASSERT_EQ(data + 272, packed.size());
    EXPECT_EQ(268u, Get16(packed, data)) << "H";
    EXPECT_EQ(0x10, packed[data + 261]);
    EXPECT_EQ(0x20, packed[data + 262]);
    EXPECT_EQ(4, packed[data + 263]) << "count of the 5-byte run";
    EXPECT_EQ(0x30, packed[data + 264]);
    EXPECT_EQ(0, packed[data + 265]) << "two-byte count marker";
    EXPECT_EQ(299u, Get16(packed, data + 266));
    EXPECT_EQ(265u, Get16(packed, data + 268)) << "table entry 1: the last run";
    EXPECT_EQ(263u, Get16(packed, data + 270)) << "table entry 2: the first run";
    EXPECT_EQ(input, RoundTrip(input));
}

TEST(PackedStreamChunks, TwoHundredThousandBytesMakeFourChunks)
{
    // Equal bytes: each chunk is one run whose count tells how many input bytes it packs.
    const Bytes input(200000, 'x');
    const Bytes packed = PackBytes(input.data(), input.size());
    const auto lengths = ChunkLengths(packed);
    ASSERT_EQ(4u, lengths.size());
    const unsigned expected[4] = {65533, 65533, 65533, 3401};
    size_t at = 8;
    for (size_t i = 0; i < 4; ++i) {
        ASSERT_EQ(7u, lengths[i]) << "chunk " << i << " length";
        EXPECT_EQ('x', packed[at + 5]) << "chunk " << i << " run value";
        EXPECT_EQ(0, packed[at + 6]) << "chunk " << i << " two-byte count";
        EXPECT_EQ(expected[i] - 1, Get16(packed, at + 7)) << "chunk " << i << " input bytes - 1";
        at += 2 + lengths[i];
    }
    EXPECT_EQ(input, RoundTrip(input));

    const Bytes random = Random(200000, 7);
    const Bytes packedRandom = PackBytes(random.data(), random.size());
    EXPECT_EQ(4u, ChunkLengths(packedRandom).size()) << "random 200,000 bytes";
    EXPECT_EQ(random, RoundTrip(random));
}

TEST(PackedStreamChunks, WorkBufferFollowsTheRuleAndCoversTheWorstCase)
{
    EXPECT_EQ(263u, PackWorkBufferSize(0));
    EXPECT_EQ(263u, PackWorkBufferSize(254));
    EXPECT_EQ(255u + 8, PackWorkBufferSize(255));
    EXPECT_EQ(200000u + 4 * 3 + 8, PackWorkBufferSize(200000));
    // 65534 and 65535 bytes need two chunk headers, which the plain rule (size + 8) lacks.
    EXPECT_EQ(65534u + 12, PackWorkBufferSize(65534));
    EXPECT_EQ(65535u + 12, PackWorkBufferSize(65535));
    EXPECT_EQ(65533u + 8, PackWorkBufferSize(65533)) << "one chunk exactly";
    // The largest input whose block fits 32 bits: 4294705147 + 8 + 4 x 65535 chunk headers = 2^32 - 1.
    EXPECT_TRUE(PackableSize(4294705147u));
    EXPECT_FALSE(PackableSize(4294705148u));
    EXPECT_FALSE(PackableSize(SIZE_MAX));
    const unsigned char byte = 0;
    EXPECT_THROW(PackBytes(&byte, 4294705148u), EStreamError) << "refused before a byte is read";
    for (size_t size : {size_t{0}, size_t{1}, size_t{254}, size_t{255}, size_t{65533}, size_t{65534}, size_t{65535},
                        size_t{65536}, size_t{131066}, size_t{131067}, size_t{131069}, size_t{196599}}) {
        const Bytes input = Incompressible(size);
        const Bytes packed = PackBytes(input.data(), input.size());
        const size_t chunks = (size + 65532) / 65533;
        EXPECT_EQ(4 + 4 + size + 4 * chunks, packed.size()) << "incompressible input of " << size;
        EXPECT_LE(packed.size() - 4, PackWorkBufferSize(size)) << "block fits its work buffer, size " << size;
        EXPECT_EQ(input, RoundTrip(input)) << "size " << size;
    }
}

TEST(PackedStreamRoundTrip, RandomAndAdversarialInputs)
{
    for (size_t size : {0u, 1u, 2u, 3u, 4u, 5u, 255u, 256u, 257u, 1000u, 65532u, 65533u, 65534u, 70000u})
        for (int distinct : {1, 2, 3, 255, 256}) {
            const Bytes input = Random(size, static_cast<uint32_t>(size * 31 + static_cast<size_t>(distinct)), distinct);
            EXPECT_EQ(input, RoundTrip(input)) << "random, size " << size << ", distinct values " << distinct;
        }
    std::mt19937 rng(42);
    for (int round = 0; round < 200; ++round) {
        // Runs of random lengths around every threshold, over all 256 values or fewer.
        Bytes input;
        const uint32_t values = round % 2 ? 256 : 200;
        const size_t target = rng() % 140000;
        while (input.size() < target) {
            const size_t lengths[] = {1, 3, 4, 5, 6, 255, 256, 257, 258, 65532, 65533, 65534};
            const size_t len = rng() % 3 ? 1 + rng() % 6 : lengths[rng() % 12];
            input.insert(input.end(), len, static_cast<unsigned char>(rng() % values));
        }
        EXPECT_EQ(input, RoundTrip(input)) << "round " << round << ", size " << input.size();
    }
    // A table-mode chunk whose runs sit right against the chunk boundary.
    Bytes edge(65533 - 300);
    for (size_t i = 0; i < edge.size(); ++i) edge[i] = static_cast<unsigned char>(i);
    edge.insert(edge.end(), 600, 0xAB);
    EXPECT_EQ(edge, RoundTrip(edge)) << "run across a chunk boundary";
    // Two table-mode chunks with runs: each chunk's table holds its own runs only.
    Bytes twice;
    while (twice.size() < 2 * 65533) {
        for (int v = 0; v < 256; ++v) twice.push_back(static_cast<unsigned char>(v));
        twice.insert(twice.end(), 7, 0x07);
    }
    EXPECT_EQ(twice, RoundTrip(twice)) << "two table-mode chunks";
    // 16 MB: the sizes' top bytes are written and read.
    const Bytes big(16u << 20, 0x5A);
    EXPECT_EQ(big, RoundTrip(big)) << "16 MB";
}

TEST(PackedStreamStreams, UnpackingLeavesTheSourceRightAfterTheBlock)
{
    const Bytes input = Random(5000, 3, 4);
    TMemoryStream packedFrom;
    packedFrom.WriteBuffer("junk", 4);
    packedFrom.WriteBuffer(input.data(), static_cast<long>(input.size()));
    packedFrom.SetPosition(0);
    // PackStream takes the whole source from its start.
    TMemoryStream source;
    source.WriteBuffer("abc", 3);
    PackStream(packedFrom, source);
    const long blockEnd = source.Position();
    source.WriteBuffer("xyz", 3);

    source.SetPosition(3);
    auto unpacked = UnpackStream(source);
    EXPECT_EQ(blockEnd, source.Position()) << "memory source position";
    char tail[3] = {};
    source.ReadBuffer(tail, 3);
    EXPECT_EQ("xyz", std::string(tail, 3)) << "reading on after the block";
    ASSERT_EQ(static_cast<long>(input.size() + 4), unpacked->Size());
    EXPECT_EQ(0, unpacked->Position()) << "unpacked stream starts at 0";
    EXPECT_EQ("junk", std::string(reinterpret_cast<const char*>(unpacked->Memory()), 4));
    EXPECT_TRUE(std::equal(input.begin(), input.end(), unpacked->Memory() + 4)) << "unpacked data";

    TVectorStream other(source.Bytes());
    other.SetPosition(3);
    auto again = UnpackStream(other);
    EXPECT_EQ(blockEnd, other.Position()) << "non-memory source position";
    EXPECT_EQ(unpacked->Bytes(), again->Bytes()) << "same data through the buffered path";
    EXPECT_LE(other.Reads, 3) << "the buffered path reads N, then the rest at once";
}

TEST(PackedStreamStreams, OtherSourcesAndShortBlocks)
{
    // Any source is packed whole from its start, and a memory source is left at its end.
    const Bytes input = Random(3000, 5, 3);
    TVectorStream vector(input);
    vector.SetPosition(3);
    TMemoryStream fromVector, fromMemory, memory;
    PackStream(vector, fromVector);
    EXPECT_EQ(PackBytes(input.data(), input.size()), fromVector.Bytes());
    memory.WriteBuffer(input.data(), static_cast<long>(input.size()));
    memory.SetPosition(0);
    PackStream(memory, fromMemory);
    EXPECT_EQ(static_cast<long>(input.size()), memory.Position());

    // Short blocks through the buffered path: the empty block, and two damaged ones.
    TVectorStream empty(Bytes{4, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(0, UnpackStream(empty)->Size());
    EXPECT_EQ(8, empty.Position());
    for (const auto& [bytes, reason] : {std::pair{Bytes{3, 0, 0, 0}, "the block is shorter than its header"},
                                        {Bytes{4, 0, 0, 0}, "the block runs past the end of the data"},
                                        {Bytes{'a', 'b', 'c', 12, 0, 0, 0, 1, 0, 0, 0, 3, 0, 5, 0}, "the block runs past the end of the data"},
                                        {Bytes{'a', 'b', 'c', 8, 0, 0, 0, 1, 0, 0, 0, 3, 0, 5, 0}, "a chunk runs past the end of the block"}})
        for (const bool inMemory : {false, true}) {
            TVectorStream other(bytes);
            TMemoryStream memoryStream;
            memoryStream.WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
            TStream& source = inMemory ? static_cast<TStream&>(memoryStream) : other;
            const long start = bytes[0] == 'a' ? 3 : 0;
            source.SetPosition(start);
            try {
                UnpackStream(source);
                ADD_FAILURE() << reason << ": unpacked";
            } catch (const EPackedDataError& e) {
                EXPECT_EQ(std::string("Packed image data is damaged: ") + reason, e.Message()) << inMemory;
            }
            EXPECT_EQ(start, source.Position()) << reason << ": the source is left where it was";
        }
}

TEST(PackedStreamDamage, EveryTruncationIsRejected)
{
    for (const Bytes& input : {Bytes(1000, 0x41), Random(3000, 9), Random(3000, 10, 3)}) {
        const Bytes packed = PackBytes(input.data(), input.size());
        for (size_t cut = 0; cut < packed.size(); ++cut) {
            // An exact-size copy, so that a read past the end is an overflow for the sanitizer.
            const Bytes part(packed.begin(), packed.begin() + static_cast<long>(cut));
            ExpectDamaged(part, ("cut at " + std::to_string(cut)).c_str());
            TMemoryStream ms;
            ms.WriteBuffer(part.data(), static_cast<long>(part.size()));
            ms.SetPosition(0);
            EXPECT_THROW(UnpackStream(ms), EPackedDataError) << "memory stream cut at " << cut;
            TVectorStream vs(part);
            EXPECT_THROW(UnpackStream(vs), EPackedDataError) << "other stream cut at " << cut;
        }
    }
}

TEST(PackedStreamDamage, BrokenFramingAndCountsAreRejected)
{
    const char* const past = "the run table is out of order";
    ExpectDamaged({2, 0, 0, 0, 0, 0}, "N below 4", "the block is shorter than its header");
    ExpectDamaged({3, 0, 0, 0, 0, 0, 0}, "N of 3", "the block is shorter than its header");
    ExpectDamaged({4, 0, 0, 0}, "N alone", "the block runs past the end of the data");
    ExpectDamaged({10, 0, 0, 0, 1, 0, 0, 0, 3, 0, 5, 0, 'a', 0}, "a stray byte after the last chunk",
                  "a chunk length is cut off");
    ExpectDamaged({14, 0, 0, 0, 2, 0, 0, 0, 3, 0, 5, 0, 'a', 4, 0, 5, 0, 'b'}, "the second chunk one byte too long",
                  "a chunk runs past the end of the block");
    ExpectDamaged(Block(0, {{}}), "a chunk without its mode word", "a chunk is too short");
    ExpectDamaged(Block(65534, {{0x05, 0x00, 'a'}}), "one chunk announcing 65534 bytes",
                  "it announces more data than its chunks can hold");
    ExpectDamaged(Block(0, {{0x00}}), "chunk of one byte", "a chunk is too short");
    ExpectDamaged({0x0A, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0x00, 0, 0, 0, 0}, "chunk length past the block",
                  "a chunk runs past the end of the block");
    ExpectDamaged(Block(1, {{0x00, 0x00, 0x00}}), "escape as the last byte", "a run is cut off");
    ExpectDamaged(Block(4, {{0x00, 0x00, 0x00, 'a'}}), "escape run without its count", "a run count is cut off");
    ExpectDamaged(Block(400, {{0x00, 0x00, 0x00, 'a', 0x00, 0x01}}), "two-byte count cut off", "a run count is cut off");
    ExpectDamaged(Block(2, {{0x05, 0x00, 'a', 'b', 'c'}}), "more data than announced", "it holds more data than it announces");
    ExpectDamaged(Block(5, {{0x00, 0x00, 'a', 'b', 'c', 0x00, 'x', 3}}), "literals and a run, together too many",
                  "it holds more data than it announces");
    ExpectDamaged(Block(4, {{0x05, 0x00, 'a', 'b', 'c'}}), "less data than announced", "it holds less data than it announces");
    ExpectDamaged(Block(0xFFFFFFFFu, {{0x05, 0x00, 'a'}}), "a size the chunks cannot hold",
                  "it announces more data than its chunks can hold");
    ExpectDamaged(Block(65534, {{0x00, 0x00, 0x00, 'a', 0x00, 0xFD, 0xFF}, {0x00, 0x00}}),
                  "one chunk unpacking past 65533 bytes", "a chunk unpacks to more than 65533 bytes");
    ExpectDamaged(Block(0, {{0x00, 0x02}}), "table starting past the chunk", "the run table starts past the chunk's end");
    // Table mode: 254 filler literals (offsets 2..255), then a short pattern at 256.
    ExpectDamaged(Block(261, {TableChunk({'a', 4, 'b', 'c'}, {0x01})}), "table of odd length", "the run table has an odd length");
    ExpectDamaged(Block(261, {TableChunk({'a', 4, 'b', 'c'}, {2, 0})}), "run count at offset 2: no value before it", past);
    ExpectDamaged(Block(261, {TableChunk({'a', 4, 'b', 'c'}, {1, 1, 1, 1})}), "the same run twice", past);
    ExpectDamaged(Block(261, {TableChunk({'a', 4, 'b', 'c'}, {4, 1})}), "count offset inside the table", past);
    ExpectDamaged(Block(261, {TableChunk({'a', 'b', 0}, {2, 1})}), "two-byte count running into the table",
                  "a run count is cut off");
    // A two-byte count of 0, which the packer never writes, is still a run of one.
    const Bytes one = Block(1, {{0x00, 0x00, 0x00, 'x', 0x00, 0x00, 0x00}});
    EXPECT_EQ(Bytes{'x'}, UnpackBytes(one.data(), one.size()));
    const Bytes empty = Block(0, {{0x00, 0x00}});
    EXPECT_TRUE(UnpackBytes(empty.data(), empty.size()).empty()) << "a chunk of its mode word alone";
    // Mode word 256, the lowest of table mode: a 0 among the literals is no escape.
    Bytes literals(254, 'z');
    literals[100] = 0;
    Bytes chunk = {0x00, 0x01};
    chunk.insert(chunk.end(), literals.begin(), literals.end());
    const Bytes table256 = Block(254, {chunk});
    EXPECT_EQ(literals, UnpackBytes(table256.data(), table256.size()));
    // The same chunk, well formed, unpacks: the filler, 'a' x5, 'b', 'c'.
    const Bytes good = Block(261, {TableChunk({'a', 4, 'b', 'c'}, {1, 1})});
    Bytes expected(254, '.');
    expected.insert(expected.end(), 5, 'a');
    expected.push_back('b');
    expected.push_back('c');
    EXPECT_EQ(expected, UnpackBytes(good.data(), good.size()));
}

TEST(PackedStreamDamage, EmptyInputPacksToAnEmptyBlock)
{
    const Bytes packed = PackBytes(nullptr, 0);
    EXPECT_EQ((Bytes{4, 0, 0, 0, 0, 0, 0, 0}), packed);
    EXPECT_TRUE(UnpackBytes(packed.data(), packed.size()).empty());
}
