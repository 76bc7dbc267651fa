// fuzz/vyAppUpdaterInfoFuzz.cpp
// The upgrade information file comes from a web server, or from whatever answers in its
// place. Any bytes must read without a fault; the one-pass reader must agree with the
// literal key look-up; every value must obey its terminator; dates that parse must be
// real and write back to themselves; no stored name of a download may leave the folder.
// Inputs run up to 1 MB (each is also read repeated to a large size), and the bytes the
// reader allocates are counted: they stay within a bound of the input's, never its square.
#include "lib/upgrade/vyAppUpdaterInfo.h"
#include "lib/upgrade/vyAppUpdaterText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sanitizer/allocator_interface.h>
#include <string>
#include <vector>

namespace {

constexpr size_t MaxInput = 1 << 20;

// Bytes allocated while Counting is set, seen through the sanitizer's allocation hook.
bool Counting = false;
size_t Allocated = 0;

void CountAllocation(const volatile void*, size_t size)
{
    if (Counting) Allocated += size;
}

void IgnoreFree(const volatile void*) {}

// What reading may allocate, whatever the text: the message (at most the text, at most
// MaxInfoFileBytes), the file list's characters, one refused candidate, date, version and
// method, and the list's own array; nothing that grows with the number of entries.
size_t ReadBound(size_t size)
{
    return std::min(size, MaxInfoFileBytes) + MaxInfoListBytes + 5 * MaxInfoValue + MaxInfoFiles * 64 + 8192;
}

TvyInfoFile CountedRead(std::string_view text)
{
    Allocated = 0;
    Counting = true;
    TvyInfoFile info = ReadInfoFile(text);
    Counting = false;
    if (Allocated > ReadBound(text.size())) __builtin_trap();
    return info;
}

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

// Inputs up to 1 MB unless the command line says otherwise.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    __sanitizer_install_malloc_and_free_hooks(&CountAllocation, &IgnoreFree);
    static std::vector<char*> args(*argv, *argv + *argc);
    static char maxLen[] = "-max_len=1048576";
    for (char* a : args)
        if (std::strncmp(a, "-max_len=", 9) == 0) return 0;
    args.insert(args.begin() + 1, maxLen);
    args.push_back(nullptr);
    *argc = static_cast<int>(args.size() - 1);
    *argv = args.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const TvyInfoFile info = CountedRead(text);
    if (size > 0 && size < MaxInput / 2) {
        // The same bytes over and over, to 1 MB for one input in eight and to 128 KB for the
        // others (a dense file of entries takes a while under the sanitizers): no line end
        // may make reading square.
        const size_t target = size % 8 == 0 ? MaxInput : MaxInput / 8;
        std::string big(text);
        big.reserve(MaxInput);
        while (big.size() * 2 <= target) big.append(big);
        CountedRead(big);
    }
    // The literal look-up below copies the text per key: only for inputs of a real file's size.
    if (size > MaxInfoFileBytes) return 0;

    if (info.Files.size() > MaxInfoFiles) __builtin_trap();
    size_t listBytes = 0;
    for (const auto& file : info.Files) {
        listBytes += file.size();
        if (file.empty() || HasControl(file) || file.size() > size || file.size() > MaxInfoValue) __builtin_trap();
        // A stored name never leads out of the program's folder.
        if (const auto name = UpgradeFileName(file))
            if (name->empty() || *name == "." || *name == ".." || HasControl(*name) ||
                name->find_first_of("\\/:") != std::string::npos)
                __builtin_trap();
    }
    if (listBytes > MaxInfoListBytes) __builtin_trap();
    if (HasControl(info.Date) || HasControl(info.Version)) __builtin_trap();
    if (info.Message.find('}') != std::string::npos) __builtin_trap();
    if (info.Date != InfoFileValue(text, "date", false)) __builtin_trap();
    if (info.Version != InfoFileValue(text, "Version", false)) __builtin_trap();
    if (info.Message != InfoFileValue(text, "message", true)) __builtin_trap();
    if (info.Method != InfoFileMethod(InfoFileValue(text, "METHOD", false))) __builtin_trap();

    // The list by the literal look-up, key by key.
    std::vector<std::string> files;
    size_t bytes = 0;
    const auto add = [&](const std::string& v) {
        if (files.size() == MaxInfoFiles || bytes + v.size() > MaxInfoListBytes) return false;
        bytes += v.size();
        files.push_back(v);
        return true;
    };
    bool full = false;
    for (const char* key : {"url", "url0"}) {
        std::string v = InfoFileValue(text, key, false);
        if (!full && !v.empty()) full = !add(v);
    }
    for (size_t n = files.size() + 1; !full && n <= info.Files.size() + 1; ++n) {
        std::string v = InfoFileValue(text, "url" + std::to_string(n), false);
        if (v.empty() || !add(v)) break;
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
