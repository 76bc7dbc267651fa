// fuzz/ParamsFuzz.cpp
// A command line is whatever the starting program passed. Splitting it must never fail,
// no argument keeps a quote, and quoting every argument again gives the same arguments.
#include "framework/SysUtils.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> params = SplitParams(line);
    std::string joined;
    for (const std::string& p : params) {
        if (p.find('"') != std::string::npos) __builtin_trap();
        joined += "\"" + p + "\" ";
    }
    if (SplitParams(joined) != params) __builtin_trap();
    return 0;
}
