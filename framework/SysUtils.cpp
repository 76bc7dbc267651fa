// framework/SysUtils.cpp
#include "SysUtils.h"

namespace {

std::string ReadErrorText(int line, const std::string& property, std::string_view what)
{
    std::string text;
    if (line > 0) text += "Line " + IntToStr(line) + ": ";
    if (!property.empty()) text += "property " + property + ": ";
    text += what;
    return text;
}

} // namespace

EReadError::EReadError(int line, std::string property, std::string_view what)
    : Exception(ReadErrorText(line, property, what)), FLine(line), FProperty(std::move(property))
{
}

std::string IntToStr(long long value)
{
    // By hand: old msvcrt.dll printf knows no %lld.
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    char buf[24];
    char* p = buf + sizeof buf;
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--p = '-';
    return std::string(p, buf + sizeof buf);
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::vector<std::string> SplitParams(std::string_view commandLine)
{
    std::vector<std::string> params;
    size_t i = 0;
    const auto blank = [&](size_t at) { return static_cast<unsigned char>(commandLine[at]) <= ' '; };
    for (;;) {
        while (i < commandLine.size() && blank(i)) ++i;
        if (i >= commandLine.size()) return params;
        std::string param;
        bool quoted = false;
        for (; i < commandLine.size() && (quoted || !blank(i)); ++i) {
            if (commandLine[i] == '"')
                quoted = !quoted;
            else
                param += commandLine[i];
        }
        params.push_back(std::move(param));
    }
}
