// fuzz/vyAppUpdaterSignatureFuzz.cpp
// Signed information files and the Ed25519 verifier meet whatever answers in the
// publisher's place. Random bytes must never fault and never verify: not as an information
// file under a fixed key, not as key, signature and message of their own. The signed bytes
// are always the text less exactly the 128 digits of its signature.
#include "lib/upgrade/vyAppUpdaterSignature.h"
#include "lib/upgrade/vyDigest.h"
#include "lib/upgrade/vyEd25519.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // The test key of the unit tests (private key 00 01 ... 1f); the seed is signed by another.
    static const auto key = vyParsePublicKey("03a107bff3ce10be1d70dd18e74bc09967e4d6309ba50d5f1ddc8664125531b8");
    if (!key || vyInfoSignatureValid(text, *key)) __builtin_trap();
    if (const auto parts = vySplitSignedInfo(text); parts && parts->Before.size() + parts->After.size() + 128 != size)
        __builtin_trap();
    const TvyInfoFile info = ReadInfoFile(text);
    if (info.Digests.size() != info.Files.size()) __builtin_trap();
    for (const std::string& file : info.Files) vyInfoFileDigest(info, file);
    if (size >= 64) vyParsePublicKey(text.substr(0, 64));

    // The bytes as a key, a signature and a message.
    if (size >= 96 && vyEd25519Verify(data, data + 32, text.substr(96))) __builtin_trap();
    if (size >= 32) vyEd25519KeyUsable(data);
    return 0;
}
