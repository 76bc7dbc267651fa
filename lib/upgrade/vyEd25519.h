// lib/upgrade/vyEd25519.h
// Ed25519 signature verification (pure Ed25519, no context), portable (no <windows.h>) and
// written for 32-bit builds as well: field elements are ten signed limbs of alternately 26
// and 25 bits, whose products fit 64-bit integers.
//
// Strict about encodings: S must be below the group order, the public key must decode (its
// y below the field prime, x not "negative zero") and must not be of small order; R is
// compared byte for byte with the encoding of the computed point, so a non-canonical R
// never verifies either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

constexpr std::size_t vyEd25519KeySize = 32;
constexpr std::size_t vyEd25519SignatureSize = 64;

// The message is message followed by more: a signed text can be verified around a part
// left out without being copied.
bool vyEd25519Verify(const std::uint8_t publicKey[vyEd25519KeySize],
                     const std::uint8_t signature[vyEd25519SignatureSize], std::string_view message,
                     std::string_view more = {});

// Whether a public key could verify anything: it decodes and is not of small order.
bool vyEd25519KeyUsable(const std::uint8_t publicKey[vyEd25519KeySize]);
