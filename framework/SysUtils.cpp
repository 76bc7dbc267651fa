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
