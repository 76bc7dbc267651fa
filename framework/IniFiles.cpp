// framework/IniFiles.cpp
#include "IniFiles.h"

#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace {

// GetPrivateProfileStringA says a value did not fit only by filling the buffer to its end.
bool ReadProfile(const std::string& file, const std::string& section, const std::string& key, const char* def,
                 std::string& out)
{
    std::vector<char> buffer(256);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD n =
            GetPrivateProfileStringA(section.c_str(), key.c_str(), def, buffer.data(), size, file.c_str());
        if (n + 1 < size || buffer.size() >= (1u << 20)) {
            out.assign(buffer.data(), n < size ? n : size - 1);
            return true;
        }
        buffer.resize(buffer.size() * 4);
    }
}

} // namespace

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const
{
    try {
        std::string value;
        ReadProfile(FFileName, section, key, def.c_str(), value);
        return value;
    } catch (...) {
        return def;
    }
}

bool TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), FFileName.c_str()) != 0;
}

long TIniFile::ReadInteger(const std::string& section, const std::string& key, long def) const
{
    const std::string text = ReadString(section, key, {});
    if (text.empty()) return def;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* begin = text.c_str() + (hex ? 2 : 0);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, hex ? 16 : 10);
    if (end == begin || *end != '\0' || errno == ERANGE) return def;
    return value;
}

bool TIniFile::WriteInteger(const std::string& section, const std::string& key, long value)
{
    return WriteString(section, key, std::to_string(value));
}

bool TIniFile::DeleteKey(const std::string& section, const std::string& key)
{
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, FFileName.c_str()) != 0;
}
