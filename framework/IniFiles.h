// framework/IniFiles.h
// The INI-file object: sections of "key=value" lines in one file, read and written through
// the system's profile calls. Like the registry object it never throws: a read that finds
// nothing gives the default, a write says whether it worked.
#pragma once

#include <string>

class TIniFile {
public:
    // A name without a folder is looked for in the Windows directory, as the system does.
    explicit TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}
    const std::string& FileName() const noexcept { return FFileName; }

    // The key's text; def when the file, the section or the key is missing.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    // A decimal number (or hexadecimal after "0x"); def when missing or not a whole number.
    long ReadInteger(const std::string& section, const std::string& key, long def) const;
    bool WriteInteger(const std::string& section, const std::string& key, long value);
    bool DeleteKey(const std::string& section, const std::string& key);

private:
    std::string FFileName;
};
