// lib/upgrade/vyDigest.cpp
#include "vyDigest.h"

#include <cstring>

namespace vydigest {

namespace {

// The constants of FIPS 180-4: the first bits of the fractional parts of the cube roots (K)
// and square roots (initial state) of the first primes; and each size's rotations.
template <typename Word>
struct TTraits;

template <>
struct TTraits<std::uint64_t> {
    static constexpr std::uint64_t KTable[80] = {
    0x428a2f98d728ae22ull, 0x7137449123ef65cdull, 0xb5c0fbcfec4d3b2full, 0xe9b5dba58189dbbcull,
    0x3956c25bf348b538ull, 0x59f111f1b605d019ull, 0x923f82a4af194f9bull, 0xab1c5ed5da6d8118ull,
    0xd807aa98a3030242ull, 0x12835b0145706fbeull, 0x243185be4ee4b28cull, 0x550c7dc3d5ffb4e2ull,
    0x72be5d74f27b896full, 0x80deb1fe3b1696b1ull, 0x9bdc06a725c71235ull, 0xc19bf174cf692694ull,
    0xe49b69c19ef14ad2ull, 0xefbe4786384f25e3ull, 0x0fc19dc68b8cd5b5ull, 0x240ca1cc77ac9c65ull,
    0x2de92c6f592b0275ull, 0x4a7484aa6ea6e483ull, 0x5cb0a9dcbd41fbd4ull, 0x76f988da831153b5ull,
    0x983e5152ee66dfabull, 0xa831c66d2db43210ull, 0xb00327c898fb213full, 0xbf597fc7beef0ee4ull,
    0xc6e00bf33da88fc2ull, 0xd5a79147930aa725ull, 0x06ca6351e003826full, 0x142929670a0e6e70ull,
    0x27b70a8546d22ffcull, 0x2e1b21385c26c926ull, 0x4d2c6dfc5ac42aedull, 0x53380d139d95b3dfull,
    0x650a73548baf63deull, 0x766a0abb3c77b2a8ull, 0x81c2c92e47edaee6ull, 0x92722c851482353bull,
    0xa2bfe8a14cf10364ull, 0xa81a664bbc423001ull, 0xc24b8b70d0f89791ull, 0xc76c51a30654be30ull,
    0xd192e819d6ef5218ull, 0xd69906245565a910ull, 0xf40e35855771202aull, 0x106aa07032bbd1b8ull,
    0x19a4c116b8d2d0c8ull, 0x1e376c085141ab53ull, 0x2748774cdf8eeb99ull, 0x34b0bcb5e19b48a8ull,
    0x391c0cb3c5c95a63ull, 0x4ed8aa4ae3418acbull, 0x5b9cca4f7763e373ull, 0x682e6ff3d6b2b8a3ull,
    0x748f82ee5defb2fcull, 0x78a5636f43172f60ull, 0x84c87814a1f0ab72ull, 0x8cc702081a6439ecull,
    0x90befffa23631e28ull, 0xa4506cebde82bde9ull, 0xbef9a3f7b2c67915ull, 0xc67178f2e372532bull,
    0xca273eceea26619cull, 0xd186b8c721c0c207ull, 0xeada7dd6cde0eb1eull, 0xf57d4f7fee6ed178ull,
    0x06f067aa72176fbaull, 0x0a637dc5a2c898a6ull, 0x113f9804bef90daeull, 0x1b710b35131c471bull,
    0x28db77f523047d84ull, 0x32caab7b40c72493ull, 0x3c9ebe0a15c9bebcull, 0x431d67c49c100d4cull,
    0x4cc5d4becb3e42b6ull, 0x597f299cfc657e2aull, 0x5fcb6fab3ad6faecull, 0x6c44198c4a475817ull,
    };
    static constexpr std::uint64_t HTable[8] = {
    0x6a09e667f3bcc908ull, 0xbb67ae8584caa73bull, 0x3c6ef372fe94f82bull, 0xa54ff53a5f1d36f1ull,
    0x510e527fade682d1ull, 0x9b05688c2b3e6c1full, 0x1f83d9abfb41bd6bull, 0x5be0cd19137e2179ull,
    };
    static std::uint64_t K(int t) { return KTable[t]; }
    static std::uint64_t H(int i) { return HTable[i]; }
    static constexpr int S0[3] = {28, 34, 39}, S1[3] = {14, 18, 41};
    static constexpr int s0[3] = {1, 8, 7}, s1[3] = {19, 61, 6};
};

// SHA-256's constants are the first 32 bits of the same roots: the top halves of SHA-512's.
template <>
struct TTraits<std::uint32_t> {
    static std::uint32_t K(int t) { return static_cast<std::uint32_t>(TTraits<std::uint64_t>::KTable[t] >> 32); }
    static std::uint32_t H(int i) { return static_cast<std::uint32_t>(TTraits<std::uint64_t>::HTable[i] >> 32); }
    static constexpr int S0[3] = {2, 13, 22}, S1[3] = {6, 11, 25};
    static constexpr int s0[3] = {7, 18, 3}, s1[3] = {17, 19, 10};
};

template <typename Word>
constexpr Word Rotr(Word x, int n)
{
    return static_cast<Word>((x >> n) | (x << (8 * sizeof(Word) - n)));
}

// Two rotations and a third one (big sigma), or two rotations and a shift (small sigma).
template <typename Word>
constexpr Word BigSigma(Word x, const int (&r)[3])
{
    return Rotr(x, r[0]) ^ Rotr(x, r[1]) ^ Rotr(x, r[2]);
}

template <typename Word>
constexpr Word SmallSigma(Word x, const int (&r)[3])
{
    return Rotr(x, r[0]) ^ Rotr(x, r[1]) ^ (x >> r[2]);
}

template <typename Word>
Word LoadBig(const std::uint8_t* p)
{
    Word w = 0;
    for (size_t i = 0; i < sizeof(Word); ++i) w = static_cast<Word>((w << 8) | p[i]);
    return w;
}

template <typename Word>
void StoreBig(std::uint8_t* p, Word w)
{
    for (size_t i = sizeof(Word); i-- > 0; w >>= 8) p[i] = static_cast<std::uint8_t>(w);
}

} // namespace

template <typename Word, int Rounds>
TSha2<Word, Rounds>::TSha2() : TSha2Base(BlockSize, &Block)
{
    for (int i = 0; i < 8; ++i) FState[i] = TTraits<Word>::H(i);
}

template <typename Word, int Rounds>
void TSha2<Word, Rounds>::Block(TSha2Base& self, const std::uint8_t* p)
{
    using T = TTraits<Word>;
    Word* state = static_cast<TSha2&>(self).FState;
    Word w[Rounds];
    for (int t = 0; t < 16; ++t) w[t] = LoadBig<Word>(p + t * sizeof(Word));
    for (int t = 16; t < Rounds; ++t)
        w[t] = static_cast<Word>(SmallSigma(w[t - 2], T::s1) + w[t - 7] + SmallSigma(w[t - 15], T::s0) + w[t - 16]);
    Word a = state[0], b = state[1], c = state[2], d = state[3];
    Word e = state[4], f = state[5], g = state[6], h = state[7];
    for (int t = 0; t < Rounds; ++t) {
        const Word t1 = static_cast<Word>(h + BigSigma(e, T::S1) + ((e & f) ^ (~e & g)) + T::K(t) + w[t]);
        const Word t2 = static_cast<Word>(BigSigma(a, T::S0) + ((a & b) ^ (a & c) ^ (b & c)));
        h = g;
        g = f;
        f = e;
        e = static_cast<Word>(d + t1);
        d = c;
        c = b;
        b = a;
        a = static_cast<Word>(t1 + t2);
    }
    const Word v[8] = {a, b, c, d, e, f, g, h};
    for (int i = 0; i < 8; ++i) state[i] = static_cast<Word>(state[i] + v[i]);
}

void TSha2Base::Update(const void* data, size_t size)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    FLength += size;
    while (size > 0) {
        if (FBuffered == 0 && size >= FBlockSize) {
            FBlock(*this, p);
            p += FBlockSize;
            size -= FBlockSize;
            continue;
        }
        const size_t n = size < FBlockSize - FBuffered ? size : FBlockSize - FBuffered;
        std::memcpy(FBuffer + FBuffered, p, n);
        FBuffered += n;
        p += n;
        size -= n;
        if (FBuffered == FBlockSize) {
            FBlock(*this, FBuffer);
            FBuffered = 0;
        }
    }
}

void TSha2Base::Pad()
{
    // A one bit, zeros, then the length in bits in the block's last 8 (SHA-256) or 16 bytes.
    const std::uint64_t bits = FLength * 8;
    const size_t lengthField = FBlockSize / 8;
    std::uint8_t pad[2 * sizeof FBuffer] = {0x80};
    size_t n = FBlockSize - FBuffered;
    if (n < lengthField + 1) n += FBlockSize;
    StoreBig<std::uint64_t>(pad + n - 8, bits);
    Update(pad, n);
}

template <typename Word, int Rounds>
typename TSha2<Word, Rounds>::TDigest TSha2<Word, Rounds>::Final()
{
    Pad();
    TDigest out;
    for (int i = 0; i < 8; ++i) StoreBig<Word>(out.data() + i * sizeof(Word), FState[i]);
    return out;
}

template class TSha2<std::uint32_t, 64>;
template class TSha2<std::uint64_t, 80>;

} // namespace vydigest

TvySha256::TDigest vySha256(std::string_view data)
{
    TvySha256 h;
    h.Update(data);
    return h.Final();
}

TvySha512::TDigest vySha512(std::string_view data)
{
    TvySha512 h;
    h.Update(data);
    return h.Final();
}

bool vyEqualBytes(const std::uint8_t* a, const std::uint8_t* b, size_t size)
{
    unsigned diff = 0;
    for (size_t i = 0; i < size; ++i) diff |= static_cast<unsigned>(a[i] ^ b[i]);
    return diff == 0;
}

bool vyHexToBytes(std::string_view text, std::uint8_t* out, size_t size)
{
    if (text.size() != 2 * size) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            return false;
        if (i % 2 == 0)
            out[i / 2] = static_cast<std::uint8_t>(v << 4);
        else
            out[i / 2] = static_cast<std::uint8_t>(out[i / 2] | v);
    }
    return true;
}
