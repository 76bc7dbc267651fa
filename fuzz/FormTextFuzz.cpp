// fuzz/FormTextFuzz.cpp
// Form text comes from resources and files a user may edit: the parser must reject
// anything malformed with EParserError and nothing else, and whatever it accepts must
// survive a write and a second read unchanged.
#include "framework/FormText.h"
#include "framework/SysUtils.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TFormObject first;
    try {
        first = ParseFormText(text);
    } catch (const EParserError&) {
        return 0;
    }

    const std::string written = WriteFormText(first);
    TFormObject second;
    try {
        second = ParseFormText(written);
    } catch (const EParserError&) {
        __builtin_trap(); // the writer produced text its own parser rejects
    }
    if (!(first == second)) __builtin_trap();
    if (WriteFormText(second) != written) __builtin_trap();
    return 0;
}
