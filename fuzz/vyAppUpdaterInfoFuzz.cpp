// fuzz/vyAppUpdaterInfoFuzz.cpp
// The upgrade information file comes from a web server, or from whatever answers in its
// place. Any bytes must read without a fault; the one-pass reader must agree with the
// literal key look-up; every value must obey its terminator; dates that parse must be
// real and write back to themselves; no stored name of a download may leave the folder.
#include "lib/upgrade/vyAppUpdaterInfo.h"
#include "lib/upgrade/vyAppUpdaterText.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void CheckDate(std::string_view text)
{
    const auto date = ParseVersionDate(text);
    if (!date) return;
    if (date->Month < 1 || date->Month > 12 || date->Day < 1 || date->Day > 31) __builtin_trap();
    if (date->Year < 1 || date->Year > 9999) __builtin_trap();
    if (ParseVersionDate(FormatVersionDate(*date)) != date) __builtin_trap();
}

bool HasControl(const std::string& s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) < 32) return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const TvyInfoFile info = ReadInfoFile(text);

    for (const auto& file : info.Files) {
        if (file.empty() || HasControl(file) || file.size() > size) __builtin_trap();
        // A stored name never leads out of the program's folder.
        if (const auto name = UpgradeFileName(file))
            if (name->empty() || *name == "." || *name == ".." || HasControl(*name) ||
                name->find_first_of("\\/:") != std::string::npos)
                __builtin_trap();
    }
    if (HasControl(info.Date) || HasControl(info.Version)) __builtin_trap();
    if (info.Message.find('}') != std::string::npos) __builtin_trap();
    if (info.Date != InfoFileValue(text, "date", false)) __builtin_trap();
    if (info.Version != InfoFileValue(text, "Version", false)) __builtin_trap();
    if (info.Message != InfoFileValue(text, "message", true)) __builtin_trap();
    if (info.Method != InfoFileMethod(InfoFileValue(text, "METHOD", false))) __builtin_trap();

    // The list by the literal look-up, key by key.
    std::vector<std::string> files;
    for (const char* key : {"url", "url0"}) {
        std::string v = InfoFileValue(text, key, false);
        if (!v.empty()) files.push_back(v);
    }
    for (size_t n = files.size() + 1; n <= info.Files.size() + 1; ++n) {
        std::string v = InfoFileValue(text, "url" + std::to_string(n), false);
        if (v.empty()) break;
        files.push_back(v);
    }
    if (files != info.Files) __builtin_trap();

    CheckDate(info.Date);
    CheckDate(text);
    const TvyDate today{2026, 12, 7};
    InfoOffersUpdate(info, TvyAppUpdaterVersionControl::byDate, text, text, today);
    if (InfoOffersUpdate(info, TvyAppUpdaterVersionControl::byNumber, info.Version, info.Version, today))
        __builtin_trap(); // nothing is newer than itself
    return 0;
}
