// fuzz/vyLInfoFuzz.cpp
// "LInfo" comes from stored form data a user may edit: the reader must reject anything the
// writer cannot have made with EvyLInfoError, never read past the data, and whatever it
// accepts must be written back byte for byte.
#include "vyHTTPText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly size bytes, so any read past the end is caught.
    std::vector<unsigned char> bytes(data, data + size);
    std::string user = "unchanged", password = "unchanged";
    try {
        DecodeLInfo(bytes.empty() ? nullptr : bytes.data(), bytes.size(), user, password);
    } catch (const EvyLInfoError&) {
        if (user != "unchanged" || password != "unchanged") __builtin_trap(); // half-read credentials
        return 0;
    }
    if (user.size() + password.size() > VyLInfoCredentialsMax) __builtin_trap();
    if (EncodeLInfo(user, password) != bytes) __builtin_trap(); // not what the writer makes
    return 0;
}
