// fuzz/vyAppUpdaterLanguageTextFuzz.cpp
// The upgrade texts are format strings that translators write: any text, with any
// arguments, must format without reading out of bounds or asking for unbounded memory.
#include "lib/upgrade/vyAppUpdaterLanguageText.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string format(reinterpret_cast<const char*>(data), size);
    // Without arguments every placeholder empties and "%%" halves: never longer than the text.
    const std::string bare = vyFormatText(format, {});
    if (bare.size() > format.size()) __builtin_trap();
    const std::size_t placeholders = vyTextPlaceholders(format).size();
    if (placeholders > format.size() / 2) __builtin_trap();
    // With arguments of every kind each placeholder adds at most its width or a number's text.
    const std::string filled = vyFormatText(format, {"text", -1234567, 1.0e300, 7, "", 0.5});
    if (filled.size() > format.size() + placeholders * 1024) __builtin_trap();
    return 0;
}
