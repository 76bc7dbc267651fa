// lib/upgrade/vyAppUpdaterSignature.cpp
#include "vyAppUpdaterSignature.h"

#include "vyDigest.h"
#include "vyEd25519.h"

std::optional<TvyPublicKey> vyParsePublicKey(std::string_view hex)
{
    TvyPublicKey key;
    if (!vyHexToBytes(hex, key.data(), key.size()) || !vyEd25519KeyUsable(key.data())) return std::nullopt;
    return key;
}

std::optional<TvySignedInfo> vySplitSignedInfo(std::string_view text)
{
    const auto span = InfoFileValueSpan(text, "signature", false);
    TvySignedInfo parts;
    if (!span || !vyHexToBytes(text.substr(span->Start, span->Length), parts.Signature.data(), parts.Signature.size()))
        return std::nullopt;
    parts.Before = text.substr(0, span->Start);
    parts.After = text.substr(span->Start + span->Length);
    return parts;
}

bool vyInfoSignatureValid(std::string_view text, const TvyPublicKey& key)
{
    const auto parts = vySplitSignedInfo(text);
    return parts && vyEd25519Verify(key.data(), parts->Signature.data(), parts->Before, parts->After);
}

std::optional<TvyFileDigest> vyInfoFileDigest(const TvyInfoFile& info, std::string_view address)
{
    for (size_t i = 0; i < info.Files.size() && i < info.Digests.size(); ++i) {
        if (info.Files[i] != address) continue;
        TvyFileDigest digest;
        if (!vyHexToBytes(info.Digests[i], digest.data(), digest.size())) return std::nullopt;
        return digest;
    }
    return std::nullopt;
}
