// framework/Registry.cpp
#include "Registry.h"


TRegistry::TRegistry(HKEY root, REGSAM access) noexcept : FRoot(root), FAccess(access) {}

TRegistry::~TRegistry()
{
    CloseKey();
}

void TRegistry::SetRootKey(HKEY root)
{
    CloseKey();
    FRoot = root;
}

HKEY TRegistry::Base(const std::string& path, std::string& sub) const
{
    const bool fromRoot = !path.empty() && path.front() == '\\';
    sub = fromRoot ? path.substr(1) : path;
    // Windows 95 refuses a path that ends in a backslash.
    while (!sub.empty() && sub.back() == '\\') sub.pop_back();
    return fromRoot || !FKey ? FRoot : FKey;
}

bool TRegistry::OpenKey(const std::string& path, bool canCreate)
{
    std::string sub;
    HKEY base = Base(path, sub);
    HKEY key = nullptr;
    LONG result;
    if (canCreate) {
        DWORD disposition = 0;
        result = RegCreateKeyExA(base, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, FAccess, nullptr, &key,
                                 &disposition);
    } else {
        result = RegOpenKeyExA(base, sub.c_str(), 0, FAccess, &key);
    }
    if (result != ERROR_SUCCESS) return false;
    CloseKey();
    FKey = key;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& path)
{
    const REGSAM saved = FAccess;
    FAccess = KEY_READ;
    const bool opened = OpenKey(path, false);
    FAccess = saved;
    return opened;
}

void TRegistry::CloseKey()
{
    if (FKey) RegCloseKey(FKey);
    FKey = nullptr;
}

bool TRegistry::KeyExists(const std::string& path) const
{
    std::string sub;
    HKEY base = Base(path, sub);
    HKEY key = nullptr;
    if (RegOpenKeyExA(base, sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool TRegistry::ValueExists(HKEY key, const std::string& name)
{
    if (!key) return false;
    DWORD type = 0, size = 0;
    return RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const std::string& name) const
{
    return ValueExists(FKey, name);
}

std::optional<std::string> TRegistry::ReadString(const std::string& name) const
{
    if (!FKey) return std::nullopt;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(FKey, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    // The value may grow between the two calls: ask again with the new size.
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
        std::string buffer(size + 1, '\0');
        DWORD got = size;
        const LONG result =
            RegQueryValueExA(FKey, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (result == ERROR_MORE_DATA) {
            size = got;
            continue;
        }
        if (result != ERROR_SUCCESS) return std::nullopt;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
        // Stored text need not end in a zero; it ends at the first one or with its data.
        buffer.resize(got);
        const auto end = buffer.find('\0');
        if (end != std::string::npos) buffer.resize(end);
        return buffer;
    }
    return std::nullopt;
}

std::optional<int> TRegistry::ReadInteger(const std::string& name) const
{
    if (!FKey) return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(FKey, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_DWORD || size != sizeof value) return std::nullopt;
    return static_cast<int>(value);
}

std::optional<bool> TRegistry::ReadBool(const std::string& name) const
{
    const std::optional<int> v = ReadInteger(name);
    return v ? std::optional<bool>(*v != 0) : std::nullopt;
}

bool TRegistry::WriteString(const std::string& name, const std::string& value)
{
    if (!FKey) return false;
    // The terminating zero is part of the data.
    return RegSetValueExA(FKey, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool TRegistry::WriteInteger(const std::string& name, int value)
{
    if (!FKey) return false;
    const DWORD data = static_cast<DWORD>(value);
    return RegSetValueExA(FKey, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) ==
           ERROR_SUCCESS;
}

bool TRegistry::WriteBool(const std::string& name, bool value)
{
    return WriteInteger(name, value ? 1 : 0);
}

std::optional<std::string> TRegistry::ReadBinary(const std::string& name) const
{
    if (!FKey) return std::nullopt;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(FKey, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_BINARY)
        return std::nullopt;
    std::string bytes(size, '\0');
    DWORD got = size;
    if (size && RegQueryValueExA(FKey, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &got) !=
                    ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_BINARY) return std::nullopt;
    bytes.resize(got);
    return bytes;
}

bool TRegistry::WriteBinary(const std::string& name, const std::string& bytes)
{
    if (!FKey) return false;
    return RegSetValueExA(FKey, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const std::string& name)
{
    return FKey && RegDeleteValueA(FKey, name.c_str()) == ERROR_SUCCESS;
}

std::vector<std::string> TRegistry::GetKeyNames() const
{
    std::vector<std::string> names;
    if (!FKey) return names;
    // Key names are at most 255 characters (MAX_PATH covers Windows 95's limit too).
    char name[MAX_PATH + 1];
    for (DWORD i = 0; RegEnumKeyA(FKey, i, name, sizeof name) == ERROR_SUCCESS; ++i) names.emplace_back(name);
    return names;
}
