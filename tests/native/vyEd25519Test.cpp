// tests/native/vyEd25519Test.cpp
// Ed25519 verification: RFC 8032's examples; the encodings it must refuse; and thousands of
// random key pairs, messages and signatures made by OpenSSL through python3-cryptography,
// each accepted, and refused with one bit flipped in the message, signature or key.
#include "vyEd25519.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "vyDigest.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromHex(const std::string& hex)
{
    Bytes out(hex.size() / 2);
    EXPECT_TRUE(vyHexToBytes(hex, out.data(), out.size())) << hex;
    return out;
}

bool Verify(const Bytes& key, const Bytes& sig, const Bytes& msg)
{
    const std::string_view m(reinterpret_cast<const char*>(msg.data()), msg.size());
    // In two pieces, as a signed information file is verified.
    return key.size() == 32 && sig.size() == 64 &&
           vyEd25519Verify(key.data(), sig.data(), m.substr(0, m.size() / 3), m.substr(m.size() / 3));
}

const char* const Test1Key = "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a";
const char* const Test1Sig = "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e06522490155"
                             "5fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b";

TEST(Ed25519, VerifiesTheExamplesOfRfc8032)
{
    const struct {
        const char *Key, *Message, *Signature;
    } cases[] = {
        {Test1Key, "", Test1Sig},
        {"3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c", "72",
         "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da"
         "085ac1e43e15996e458f3613d0f11d8c387b2eaeb4302aeeb00d291612bb0c00"},
        {"fc51cd8e6218a1a38da47ed00230f0580816ed13ba3303ac5deb911548908025", "af82",
         "6291d657deec24024827e69c3abe01a30ce548a284743a445e3680d7db5ac3ac"
         "18ff9b538d16f290ae67f760984dc6594a7c15e9716ed28dc027beceea1ec40a"},
        {"ec172b93ad5e563bf4932c70e1245034c35467ef2efd4d64ebf819683467e2bf",
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
         "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f",
         "dc2a4459e7369633a52b1bf277839a00201009a3efbf3ecb69bea2186c26b589"
         "09351fc9ac90b3ecfdfbc7c66431e0303dca179c138ac17ad9bef1177331a704"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(Verify(FromHex(c.Key), FromHex(c.Signature), FromHex(c.Message))) << c.Key;
        EXPECT_TRUE(vyEd25519KeyUsable(FromHex(c.Key).data())) << c.Key;
    }
}

// Each of these would pass a lax verifier, or be a second encoding of a good value. The
// small-order points and their encodings were worked out apart from this code (Python with
// plain integers: the eight points of order dividing 8, from [L] of a random point).
TEST(Ed25519, RefusesNonCanonicalAndSmallOrderEncodings)
{
    const std::string identityR = "01" + std::string(62, '0'), zeroS(64, '0');
    const struct {
        const char* Name;
        std::string Key, Signature;
    } cases[] = {
        {"S + L", Test1Key,
         std::string(Test1Sig).substr(0, 64) + "4c8c7872aa064e049dbb3013fbf29380d25bf5f0595bbe24655141438e7a101b"},
        {"S = L", Test1Key, std::string(Test1Sig).substr(0, 64) +
                                "edd3f55c1a631258d69cf7a2def9de1400000000000000000000000000000010"},
        {"key y = p", "edffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f", identityR + zeroS},
        {"key y = p + 1, the neutral point again", "eeffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",
         identityR + zeroS},
        {"key y = 2, no x", "02" + std::string(62, '0'), identityR + zeroS},
        {"key x = -0", "01" + std::string(60, '0') + "80", identityR + zeroS},
        {"key: the neutral point", "01" + std::string(62, '0'), identityR + zeroS},
        {"key of order 2", "ecffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f", identityR + zeroS},
        {"key of order 4", std::string(64, '0'), identityR + zeroS},
        {"key of order 8", "26e8958fc2b227b045c3f489f2ef98f0d5dfac05d3c63339b13802886d53fc05", identityR + zeroS},
        {"key of order 8, other", "c7176a703d4dd84fba3c0b760d10670f2a2053fa2c39ccc64ec7fd7792ac037a",
         identityR + zeroS},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(Verify(FromHex(c.Key), FromHex(c.Signature), {})) << c.Name;
        if (c.Key != Test1Key) EXPECT_FALSE(vyEd25519KeyUsable(FromHex(c.Key).data())) << c.Name;
    }
}

// The oracle: python3-cryptography makes the cases from a fixed seed (tests/native/
// ed25519_oracle.py); each is accepted, and refused with one bit flipped in each part.
TEST(Ed25519, AgreesWithOpenSsl)
{
    const int keys = 2000;
    const std::string command =
        "/usr/bin/python3 " TG_SOURCE_DIR "/tests/native/ed25519_oracle.py 28 " + std::to_string(keys) + " 10000";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe) << command;
    std::string line;
    int count = 0, longest = 0;
    for (int ch; (ch = std::fgetc(pipe.get())) != EOF;) {
        if (ch != '\n') {
            line += static_cast<char>(ch);
            continue;
        }
        const size_t a = line.find(' '), b = line.find(' ', a + 1);
        ASSERT_NE(std::string::npos, b) << line;
        Bytes key = FromHex(line.substr(0, a)), sig = FromHex(line.substr(a + 1, b - a - 1)),
              msg = FromHex(line.substr(b + 1));
        line.clear();
        longest = std::max(longest, static_cast<int>(msg.size()));
        ASSERT_TRUE(Verify(key, sig, msg)) << "case " << count;
        // A different bit in each case, over the whole of each part.
        for (int part = 0; part < 3; ++part) {
            Bytes k = key, s = sig, m = msg;
            Bytes& flipped = part == 0 ? m : part == 1 ? s : k;
            if (flipped.empty()) continue;
            const size_t bit = (static_cast<size_t>(count) * 7919 + part) % (flipped.size() * 8);
            flipped[bit / 8] ^= static_cast<std::uint8_t>(1 << (bit % 8));
            EXPECT_FALSE(Verify(k, s, m)) << "case " << count << ", part " << part << ", bit " << bit;
        }
        ++count;
    }
    EXPECT_EQ(keys, count) << "cases read from " << command;
    EXPECT_GT(longest, 9000) << "messages up to 10,000 bytes";
}

} // namespace
