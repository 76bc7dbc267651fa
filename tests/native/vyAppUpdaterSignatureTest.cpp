// tests/native/vyAppUpdaterSignatureTest.cpp
// Signed information files: which bytes are signed, what a signature entry must look like,
// the digest stated for each file, and the publisher's key. The signatures were made with
// python3-cryptography over the bytes the rule names, apart from this code.
#include "vyAppUpdaterSignature.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// From the private key 00 01 02 ... 1f; Other from 01 02 ... 20.
const char* const Key = "03a107bff3ce10be1d70dd18e74bc09967e4d6309ba50d5f1ddc8664125531b8";
const char* const Other = "79b5562e8fe654f94078b112e8a98ba7901f853ae695bed7e0e3910bad049664";
const std::string SignedFirst =
    "#signature=d41ab00883426c6e917543875ade53844e223ad2eb9cb3857d8ad20e1e7e087741f4ca8796833eb86d7dc133f808ff7aa9e21"
    "1c3e09d0ed6b83abcf5ef1de700\r\n#url=http://h/a.exe\r\n#sha256=00\r\n";
const std::string SignedLastUpper =
    "#date=07/08/2002\n#SIGNATURE=93A6242C606E66533F6DCED5E0E8092C064D4EA5D68F73F738AB8A3790B85B90245FDC46E2155C5016"
    "7F1381E22C4241FA699C5B69B9BE4DC2BEF2FEB0351A0C";
const std::string SignedByOther =
    "#signature=d2eb3b8b3a309e2bfb9451413292864800fae86dada1bf0b95cffded8ded856056baaea32edb5ad1aec2bb63435f4484cc9ca"
    "ebc5562a6633702a2887b5c290d\n#signature=\n#url=a\n";

std::string Replace(std::string s, const std::string& from, const std::string& to)
{
    return s.replace(s.find(from), from.size(), to);
}

TEST(SignedInfo, AFileVerifiesOnlyWholeAndByItsKey)
{
    const struct {
        const char* Name;
        std::string Text;
        const char* KeyHex;
        bool Valid;
    } cases[] = {
        {"signature first, CR LF lines", SignedFirst, Key, true},
        {"signature last, key and digits in upper case", SignedLastUpper, Key, true},
        {"a later signature entry is signed like any text", SignedByOther, Other, true},
        {"by another key", SignedFirst, Other, false},
        {"one byte changed", Replace(SignedFirst, "a.exe", "b.exe"), Key, false},
        {"a line end changed", Replace(SignedFirst, "\r\n#url", "\n#url"), Key, false},
        {"a byte added after the signature", Replace(SignedFirst, "00\r\n#url", "00 \r\n#url"), Key, false},
        {"a digit missing", Replace(SignedFirst, "e700\r\n", "e70\r\n"), Key, false},
        {"a digit more", Replace(SignedFirst, "e700\r\n", "e7000\r\n"), Key, false},
        {"no signature", Replace(SignedFirst, "#signature=", "#signatur="), Key, false},
        {"an earlier signature entry", "#signature=\n" + SignedFirst, Key, false},
        {"empty", "", Key, false},
    };
    for (const auto& c : cases) {
        const auto key = vyParsePublicKey(c.KeyHex);
        ASSERT_TRUE(key) << c.KeyHex;
        EXPECT_EQ(c.Valid, vyInfoSignatureValid(c.Text, *key)) << c.Name;
    }
    const auto parts = vySplitSignedInfo(SignedFirst);
    ASSERT_TRUE(parts);
    EXPECT_EQ("#signature=", parts->Before);
    EXPECT_EQ("\r\n#url=http://h/a.exe\r\n#sha256=00\r\n", parts->After);
    EXPECT_EQ(0xd4, parts->Signature[0]);
}

TEST(SignedInfo, EachFileHasTheDigestBesideItsUrlKey)
{
    const std::string d1(64, '1'), d2(64, 'a'), d3(64, 'F');
    const TvyInfoFile info = ReadInfoFile("#url=u\n#SHA256=" + d1 + "\n#url0=v\n#sha2560=" + d2 + "\n#url3=w\n#sha2563=" +
                                          d3 + "\n#sha2561=" + d1 + "\n#url4=x\n#sha2564=" + d1.substr(1) + "\n#url5=y\n");
    const struct {
        const char* Address;
        int FirstByte; // -1: no digest
    } cases[] = {{"u", 0x11}, {"v", 0xaa}, {"w", 0xff}, {"x", -1}, {"y", -1}, {"unlisted", -1}};
    for (const auto& c : cases) {
        const auto digest = vyInfoFileDigest(info, c.Address);
        EXPECT_EQ(c.FirstByte >= 0, digest.has_value()) << c.Address;
        if (digest && c.FirstByte >= 0) EXPECT_EQ(c.FirstByte, (*digest)[31]) << c.Address;
    }
}

TEST(SignedInfo, APublicKeyIs64DigitsOfAUsablePoint)
{
    EXPECT_TRUE(vyParsePublicKey(Key));
    for (const std::string& bad : {std::string(Key).substr(1), std::string(Key) + "0", std::string(),
                                  "01" + std::string(62, '0') /* the neutral point */})
        EXPECT_FALSE(vyParsePublicKey(bad)) << bad;
}

} // namespace
