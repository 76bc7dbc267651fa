// tests/native/vyDigestTest.cpp
// SHA-256 and SHA-512: the FIPS 180 examples and lengths at the padding's block boundaries
// (digests from Python's hashlib), hashed whole and in uneven pieces.
#include "vyDigest.h"

#include <gtest/gtest.h>

#include <string>

namespace {

template <typename Digest>
std::string Hex(const Digest& d)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : d) out += {digits[b >> 4], digits[b & 15]};
    return out;
}

TEST(Digest, Sha256AndSha512OfTheStandardExamples)
{
    const struct {
        const char* Name;
        std::string Message;
        const char* Sha256;
        const char* Sha512;
    } cases[] = {
        {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
         "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e"},
        {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
        {"448 bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
         "204a8fc6dda82f0a0ced7beb8e08a41657c16ef468b228a8279be331a703c33596fd15c13b1b07f9aa1d3bea57789ca031ad85c7a71dd70354ec631238ca3445"},
        {"896 bits",
         "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1",
         "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909"},
        {"56 a", std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a",
         "962b64aae357d2a4fee3ded8b539bdc9d325081822b0bfc55583133aab44f18bafe11d72a7ae16c79ce2ba620ae2242d5144809161945f1367f41b3972e26e04"},
        {"64 a", std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb",
         "01d35c10c6c38c2dcf48f7eebb3235fb5ad74a65ec4cd016e2354c637a8fb49b695ef3c1d6f7ae4cd74d78cc9c9bcac9d4f23a73019998a7f73038a5c9b2dbde"},
        {"112 a", std::string(112, 'a'), "f54353008a2553262ecdc4a34749563ba0950e8b0fc8652780b0a614b99683c1",
         "c01d080efd492776a1c43bd23dd99d0a2e626d481e16782e75d54c2503b5dc32bd05f0f1ba33e568b88fd2d970929b719ecbb152f58f130a407c8830604b70ca"},
        {"a million a", std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
         "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce577c31beb009c5c2c49aa2e4eadb217ad8cc09b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.Sha256, Hex(vySha256(c.Message))) << c.Name;
        EXPECT_EQ(c.Sha512, Hex(vySha512(c.Message))) << c.Name;
        // The same bytes in pieces of 1, 2, 3 ... bytes.
        TvySha256 h256;
        TvySha512 h512;
        for (size_t at = 0, n = 1; at < c.Message.size(); at += n, ++n) {
            const std::string piece = c.Message.substr(at, n);
            h256.Update(piece);
            h512.Update(piece);
        }
        EXPECT_EQ(c.Sha256, Hex(h256.Final())) << c.Name << " in pieces";
        EXPECT_EQ(c.Sha512, Hex(h512.Final())) << c.Name << " in pieces";
    }
}

TEST(Digest, HexDigitsAndComparison)
{
    std::uint8_t b[2] = {};
    EXPECT_TRUE(vyHexToBytes("0aF9", b, 2));
    EXPECT_EQ(0x0a, b[0]);
    EXPECT_EQ(0xf9, b[1]);
    for (const char* bad : {"0aF", "0aF90", "0g00", " a00", "0x0a"}) EXPECT_FALSE(vyHexToBytes(bad, b, 2)) << bad;
    const std::uint8_t x[3] = {1, 2, 3}, y[3] = {1, 2, 4};
    EXPECT_TRUE(vyEqualBytes(x, x, 3));
    EXPECT_FALSE(vyEqualBytes(x, y, 3));
    EXPECT_TRUE(vyEqualBytes(x, y, 2));
}

} // namespace
