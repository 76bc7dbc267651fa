// lib/upgrade/vyAppUpdaterSignature.h
// Signed information files. An upgrader given a publisher's public key (Ed25519) acts only
// on an information file that carries the entry "#signature=" followed by 128 hexadecimal
// digits: the signature of the file's exact bytes with those 128 digits left out (the
// "#signature=" itself and every other byte, line ends included, are signed). Such a file
// also states the SHA-256 of every file it lists, 64 hexadecimal digits under the key named
// after the file's url key: "#sha256=" beside "#url=", "#sha2560=" beside "#url0=",
// "#sha256<n>=" beside "#url<n>=". tools/upgrade/publish.py writes such files.
//
// Portable (no <windows.h>): unit-tested natively and fuzzed.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "vyAppUpdaterInfo.h"

using TvyPublicKey = std::array<std::uint8_t, 32>;
using TvyFileDigest = std::array<std::uint8_t, 32>;

// A key written as 64 hexadecimal digits that can verify anything; nothing otherwise.
std::optional<TvyPublicKey> vyParsePublicKey(std::string_view hex);

// The bytes the signature covers (Before, then After: the text around the signature's
// digits) and the signature; nothing when the text has no signature entry, or its value is
// not exactly 128 hexadecimal digits.
struct TvySignedInfo {
    std::string_view Before, After;
    std::array<std::uint8_t, 64> Signature;
};
std::optional<TvySignedInfo> vySplitSignedInfo(std::string_view text);

// Whether the text carries a good signature by key.
bool vyInfoSignatureValid(std::string_view text, const TvyPublicKey& key);

// The digest the file states for an address (the first file of its list with that address);
// nothing when the address is not listed or its digest is not 64 hexadecimal digits.
std::optional<TvyFileDigest> vyInfoFileDigest(const TvyInfoFile& info, std::string_view address);
