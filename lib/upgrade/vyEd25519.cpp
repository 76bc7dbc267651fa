// lib/upgrade/vyEd25519.cpp
#include "vyEd25519.h"

#include "vyDigest.h"

namespace {

// --- The field of p = 2^255 - 19 ---------------------------------------------------------
//
// An element is sum(v[i] * 2^ceil(25.5 i)): limbs of 26 bits at even i, 25 at odd i. Every
// operation ends with Carry, which leaves |v[i]| at most 2^25 (a few thousand more for
// v[1]), so that a product of two limbs, even doubled and times 19, and ten such summed,
// stays far below 2^63.
struct Fe {
    std::int32_t v[10];
};

constexpr int LimbBits(int i)
{
    return i % 2 ? 25 : 26;
}

constexpr Fe FeOne = {{1}};

// Rounds each limb to its width; the carry out of the top limb is worth 19 (2^255 = 19).
void Carry(std::int64_t h[10], Fe& out)
{
    for (int i = 0; i < 10; ++i) {
        const int b = LimbBits(i);
        const std::int64_t c = (h[i] + (std::int64_t(1) << (b - 1))) >> b;
        h[i] -= c * (std::int64_t(1) << b);
        if (i < 9)
            h[i + 1] += c;
        else
            h[0] += 19 * c;
    }
    const std::int64_t c = (h[0] + (std::int64_t(1) << 25)) >> 26;
    h[0] -= c * (std::int64_t(1) << 26);
    h[1] += c;
    for (int i = 0; i < 10; ++i) out.v[i] = static_cast<std::int32_t>(h[i]);
}

void FeAdd(Fe& out, const Fe& a, const Fe& b)
{
    std::int64_t h[10];
    for (int i = 0; i < 10; ++i) h[i] = std::int64_t(a.v[i]) + b.v[i];
    Carry(h, out);
}

void FeSub(Fe& out, const Fe& a, const Fe& b)
{
    std::int64_t h[10];
    for (int i = 0; i < 10; ++i) h[i] = std::int64_t(a.v[i]) - b.v[i];
    Carry(h, out);
}

void FeNeg(Fe& out, const Fe& a)
{
    FeSub(out, Fe{}, a);
}

// Limb i times limb j weighs 2^(w(i) + w(j)), which is 2^w(i+j), doubled when i and j are
// both odd; a weight from 2^255 up comes back down times 19. out may be f or g.
void FeMul(Fe& out, const Fe& f, const Fe& g)
{
    std::int32_t f2[10], g19[10];
    for (int i = 0; i < 10; ++i) {
        f2[i] = i % 2 ? 2 * f.v[i] : f.v[i];
        g19[i] = 19 * g.v[i];
    }
    std::int64_t h[10] = {};
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j) {
            const std::int32_t a = j % 2 ? f2[i] : f.v[i];
            if (i + j < 10)
                h[i + j] += std::int64_t(a) * g.v[j];
            else
                h[i + j - 10] += std::int64_t(a) * g19[j];
        }
    Carry(h, out);
}

// The low 255 bits of 32 little-endian bytes; the top bit is the caller's.
void FeFromBytes(Fe& out, const std::uint8_t s[32])
{
    int bit = 0;
    for (int i = 0; i < 10; ++i) {
        std::uint32_t limb = 0;
        for (int k = 0; k < LimbBits(i); ++k, ++bit) limb |= std::uint32_t((s[bit >> 3] >> (bit & 7)) & 1) << k;
        out.v[i] = static_cast<std::int32_t>(limb);
    }
}

// The one representative below p, as 32 little-endian bytes (the top bit clear).
void FeToBytes(std::uint8_t s[32], const Fe& f)
{
    std::int64_t h[10];
    for (int i = 0; i < 10; ++i) h[i] = f.v[i];
    // Carrying by floor twice makes every limb non-negative and below its width: the first
    // pass's top carry is 0 or -1, and a second pass can only borrow through all the limbs
    // when limb 0 starts close to its width, so the 19 it takes back leaves it non-negative.
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < 10; ++i) {
            const int b = LimbBits(i);
            const std::int64_t c = h[i] >> b;
            h[i] -= c * (std::int64_t(1) << b);
            if (i < 9)
                h[i + 1] += c;
            else
                h[0] += 19 * c;
        }
    // Now 0 <= value < 2^255; it is p or more exactly when value + 19 reaches 2^255, and
    // then value - p is value + 19 without that bit.
    std::int64_t t[10];
    std::int64_t c = 19;
    for (int i = 0; i < 10; ++i) {
        const int b = LimbBits(i);
        t[i] = h[i] + c;
        c = t[i] >> b;
        t[i] -= c * (std::int64_t(1) << b);
    }
    const std::int64_t take = -c; // all ones when value >= p
    for (int i = 0; i < 10; ++i) h[i] = (h[i] & ~take) | (t[i] & take);
    std::uint64_t acc = 0;
    int bits = 0, n = 0;
    for (int i = 0; i < 10; ++i) {
        acc |= std::uint64_t(h[i]) << bits;
        bits += LimbBits(i);
        for (; bits >= 8; bits -= 8, acc >>= 8) s[n++] = static_cast<std::uint8_t>(acc);
    }
    s[n] = static_cast<std::uint8_t>(acc);
}

bool FeIsZero(const Fe& f)
{
    std::uint8_t s[32];
    FeToBytes(s, f);
    const std::uint8_t zero[32] = {};
    return vyEqualBytes(s, zero, 32);
}

bool FeIsNegative(const Fe& f)
{
    std::uint8_t s[32];
    FeToBytes(s, f);
    return (s[0] & 1) != 0;
}

// a^e for an exponent of 256 little-endian bits, by square and multiply.
void FePow(Fe& out, const Fe& a, const std::uint8_t e[32])
{
    Fe r = FeOne;
    for (int bit = 255; bit >= 0; --bit) {
        FeMul(r, r, r);
        if ((e[bit >> 3] >> (bit & 7)) & 1) FeMul(r, r, a);
    }
    out = r;
}

// p - 2 (the inverse by Fermat) and (p - 5) / 8 (the square root's exponent).
constexpr std::uint8_t ExpInvert[32] = {0xeb, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                                        0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                                        0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7f};
constexpr std::uint8_t ExpRoot[32] = {0xfd, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                                      0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                                      0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x0f};
// The curve's d = -121665 / 121666, and sqrt(-1) = 2^((p - 1) / 4).
constexpr std::uint8_t CurveD[32] = {0xa3, 0x78, 0x59, 0x13, 0xca, 0x4d, 0xeb, 0x75, 0xab, 0xd8, 0x41,
                                     0x41, 0x4d, 0x0a, 0x70, 0x00, 0x98, 0xe8, 0x79, 0x77, 0x79, 0x40,
                                     0xc7, 0x8c, 0x73, 0xfe, 0x6f, 0x2b, 0xee, 0x6c, 0x03, 0x52};
constexpr std::uint8_t SqrtMinusOne[32] = {0xb0, 0xa0, 0x0e, 0x4a, 0x27, 0x1b, 0xee, 0xc4, 0x78, 0xe4, 0x2f,
                                           0xad, 0x06, 0x18, 0x43, 0x2f, 0xa7, 0xd7, 0xfb, 0x3d, 0x99, 0x00,
                                           0x4d, 0x2b, 0x0b, 0xdf, 0xc1, 0x4f, 0x80, 0x24, 0x83, 0x2b};
// The base point: y = 4/5 with x positive.
constexpr std::uint8_t BaseEncoding[32] = {0x58, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66,
                                           0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66,
                                           0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66};

// --- Points of -x^2 + y^2 = 1 + d x^2 y^2, extended coordinates x = X/Z, y = Y/Z, xy = T/Z

struct Point {
    Fe X, Y, Z, T;
};

struct TCurve {
    Fe D, D2, SqrtM1;
    TCurve()
    {
        FeFromBytes(D, CurveD);
        FeAdd(D2, D, D);
        FeFromBytes(SqrtM1, SqrtMinusOne);
    }
};

// The unified addition of extended coordinates: complete on this curve, so it doubles too.
// r may be p or q.
void PointAdd(const TCurve& k, Point& r, const Point& p, const Point& q)
{
    Fe a, b, c, d, e, f, g, h, t;
    FeSub(a, p.Y, p.X);
    FeSub(t, q.Y, q.X);
    FeMul(a, a, t);
    FeAdd(b, p.Y, p.X);
    FeAdd(t, q.Y, q.X);
    FeMul(b, b, t);
    FeMul(c, p.T, q.T);
    FeMul(c, c, k.D2);
    FeMul(d, p.Z, q.Z);
    FeAdd(d, d, d);
    FeSub(e, b, a);
    FeSub(f, d, c);
    FeAdd(g, d, c);
    FeAdd(h, b, a);
    FeMul(r.X, e, f);
    FeMul(r.Y, g, h);
    FeMul(r.T, e, h);
    FeMul(r.Z, f, g);
}

// Decoding by the rules: y below p; x from x^2 = (y^2 - 1) / (d y^2 + 1), computed as
// u v^3 (u v^7)^((p-5)/8) and fixed by sqrt(-1) when that squares to -u/v; no root, or a
// zero x with its sign bit set, is no point.
bool PointDecode(const TCurve& k, Point& out, const std::uint8_t s[32])
{
    Fe y;
    FeFromBytes(y, s);
    std::uint8_t again[32];
    FeToBytes(again, y);
    again[31] = static_cast<std::uint8_t>(again[31] | (s[31] & 0x80));
    if (!vyEqualBytes(again, s, 32)) return false;
    Fe y2, u, v, v3, x, t;
    FeMul(y2, y, y);
    FeSub(u, y2, FeOne);
    FeMul(v, y2, k.D);
    FeAdd(v, v, FeOne);
    FeMul(v3, v, v);
    FeMul(v3, v3, v);
    FeMul(t, v3, v3);
    FeMul(t, t, v);
    FeMul(t, t, u);
    FePow(t, t, ExpRoot);
    FeMul(x, u, v3);
    FeMul(x, x, t);
    Fe vx2;
    FeMul(vx2, x, x);
    FeMul(vx2, vx2, v);
    FeSub(t, vx2, u);
    if (!FeIsZero(t)) {
        FeAdd(t, vx2, u);
        if (!FeIsZero(t)) return false;
        FeMul(x, x, k.SqrtM1);
    }
    const bool sign = (s[31] & 0x80) != 0;
    if (sign && FeIsZero(x)) return false;
    if (FeIsNegative(x) != sign) FeNeg(x, x);
    out.X = x;
    out.Y = y;
    out.Z = FeOne;
    FeMul(out.T, x, y);
    return true;
}

void PointEncode(std::uint8_t s[32], const Point& p)
{
    Fe zi, x, y;
    FePow(zi, p.Z, ExpInvert);
    FeMul(x, p.X, zi);
    FeMul(y, p.Y, zi);
    FeToBytes(s, y);
    if (FeIsNegative(x)) s[31] = static_cast<std::uint8_t>(s[31] | 0x80);
}

// Of order 1, 2, 4 or 8: eight times it is the neutral point, whose x is 0.
bool PointSmallOrder(const TCurve& k, const Point& p)
{
    Point q = p;
    for (int i = 0; i < 3; ++i) PointAdd(k, q, q, q);
    return FeIsZero(q.X);
}

// --- Scalars modulo L = 2^252 + 27742317777372353535851937790883648493 -------------------

constexpr std::uint32_t OrderL[8] = {0x5cf5d3ed, 0x5812631a, 0xa2f79cd6, 0x14def9de, 0, 0, 0, 0x10000000};

// r - L into t; true when that borrows (r < L).
bool SubtractL(std::uint32_t t[8], const std::uint32_t r[8])
{
    std::uint32_t borrow = 0;
    for (int i = 0; i < 8; ++i) {
        const std::uint64_t d = std::uint64_t(r[i]) - OrderL[i] - borrow;
        t[i] = static_cast<std::uint32_t>(d);
        borrow = static_cast<std::uint32_t>(d >> 63);
    }
    return borrow != 0;
}

void LoadWords(std::uint32_t w[8], const std::uint8_t s[32])
{
    for (int i = 0; i < 8; ++i)
        w[i] = std::uint32_t(s[4 * i]) | std::uint32_t(s[4 * i + 1]) << 8 | std::uint32_t(s[4 * i + 2]) << 16 |
               std::uint32_t(s[4 * i + 3]) << 24;
}

bool ScalarCanonical(const std::uint8_t s[32])
{
    std::uint32_t w[8], t[8];
    LoadWords(w, s);
    return SubtractL(t, w);
}

// A 512-bit little-endian number modulo L, bit by bit from the top: r = 2r + bit, less L
// when that reaches L. r stays below L < 2^253, so 2r + 1 fits 256 bits.
void ReduceModL(std::uint8_t out[32], const std::uint8_t in[64])
{
    std::uint32_t r[8] = {};
    for (int bit = 511; bit >= 0; --bit) {
        std::uint32_t carry = (in[bit >> 3] >> (bit & 7)) & 1;
        for (int i = 0; i < 8; ++i) {
            const std::uint32_t next = r[i] >> 31;
            r[i] = (r[i] << 1) | carry;
            carry = next;
        }
        std::uint32_t t[8];
        const std::uint32_t keep = SubtractL(t, r) ? 0u : ~0u;
        for (int i = 0; i < 8; ++i) r[i] = (r[i] & ~keep) | (t[i] & keep);
    }
    for (int i = 0; i < 32; ++i) out[i] = static_cast<std::uint8_t>(r[i / 4] >> (8 * (i % 4)));
}

bool Bit(const std::uint8_t s[32], int i)
{
    return (s[i >> 3] >> (i & 7)) & 1;
}

} // namespace

bool vyEd25519KeyUsable(const std::uint8_t publicKey[vyEd25519KeySize])
{
    const TCurve k;
    Point a;
    return PointDecode(k, a, publicKey) && !PointSmallOrder(k, a);
}

// Verifies [S]B = R + [k]A with k = SHA-512(R || A || M) mod L, by computing [S]B - [k]A and
// comparing its encoding with R's bytes.
bool vyEd25519Verify(const std::uint8_t publicKey[vyEd25519KeySize],
                     const std::uint8_t signature[vyEd25519SignatureSize], std::string_view message,
                     std::string_view more)
{
    const std::uint8_t* r = signature;
    const std::uint8_t* s = signature + 32;
    if (!ScalarCanonical(s)) return false;
    const TCurve k;
    Point a, b;
    if (!PointDecode(k, a, publicKey) || PointSmallOrder(k, a)) return false;
    PointDecode(k, b, BaseEncoding);
    FeNeg(a.X, a.X);
    FeNeg(a.T, a.T);

    TvySha512 hash;
    hash.Update(r, 32);
    hash.Update(publicKey, 32);
    hash.Update(message);
    hash.Update(more);
    const TvySha512::TDigest digest = hash.Final();
    std::uint8_t h[32];
    ReduceModL(h, digest.data());

    // S and h are public: plain double and add, both at once.
    Point acc{{}, FeOne, FeOne, {}};
    for (int i = 252; i >= 0; --i) {
        PointAdd(k, acc, acc, acc);
        if (Bit(s, i)) PointAdd(k, acc, acc, b);
        if (Bit(h, i)) PointAdd(k, acc, acc, a);
    }
    std::uint8_t computed[32];
    PointEncode(computed, acc);
    return vyEqualBytes(computed, r, 32);
}
