// fuzz/vyClassesTextFuzz.cpp
// Command lines come from the registry, which any program may have written: the splitter
// must take any bytes without reading out of bounds, and what it returns must come from
// its input. SplitString rides along with the first byte choosing its flags.
#include "lib/classes/vyClassesText.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

bool Blank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

void CheckSplitString(const std::string& input)
{
    if (input.empty()) return;
    const unsigned keep = static_cast<unsigned char>(input[0]) & 3;
    const bool notFoundRight = (static_cast<unsigned char>(input[0]) & 4) != 0;
    const std::size_t sepLength = (static_cast<unsigned char>(input[0]) >> 3) % 4;
    const std::string rest = input.substr(1);
    const std::string separator = rest.substr(0, sepLength);
    const std::string text = rest.substr(separator.size());

    std::string left, right;
    SplitString(separator, text, keep, notFoundRight, left, right);
    const std::size_t at = separator.empty() ? std::string::npos : text.find(separator);
    if (at == std::string::npos) {
        if ((notFoundRight ? right : left) != text) __builtin_trap();
        if (!(notFoundRight ? left : right).empty()) __builtin_trap();
        return;
    }
    // Without the kept separators the two parts and the separator rebuild the text.
    const std::string bareLeft = keep & vyKeepSepLeft ? left.substr(0, left.size() - separator.size()) : left;
    const std::string bareRight = keep & vyKeepSepRight ? right.substr(separator.size()) : right;
    if (bareLeft + separator + bareRight != text) __builtin_trap();
    if (bareLeft.find(separator) != std::string::npos) __builtin_trap(); // split at the first one
}

void CheckSplitCommandLine(const std::string& input)
{
    std::string program = input, params = "stale";
    SplitCommandLine(program, params);
    // Both parts come back trimmed, and never longer than the line they came from.
    for (const std::string* part : {&program, &params}) {
        if (part->size() > input.size()) __builtin_trap();
        if (!part->empty() && (Blank(part->front()) || Blank(part->back()))) __builtin_trap();
    }
    // A second split of the program part never grows it.
    std::string again = program, moreParams;
    SplitCommandLine(again, moreParams);
    if (again.size() > program.size()) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    CheckSplitString(input);
    CheckSplitCommandLine(input);
    return 0;
}
