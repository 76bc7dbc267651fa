// framework/Registry.h
// The registry object: one open key under a root key, read and written by value name.
// Components keep their state here; none of them reports a registry failure, so nothing
// here throws: opening says whether it worked, reading gives no value, writing says false.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

class TRegistry {
public:
    // access is what keys are opened (and created) with.
    explicit TRegistry(HKEY root = HKEY_CURRENT_USER, REGSAM access = KEY_ALL_ACCESS) noexcept;
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const noexcept { return FRoot; }
    // Closes the open key first.
    void SetRootKey(HKEY root);
    REGSAM Access() const noexcept { return FAccess; }
    void SetAccess(REGSAM access) noexcept { FAccess = access; }

    // Opens a key and makes it the current one. A path that starts with "\" is taken from
    // the root key, any other from the current key (from the root when none is open).
    // Without canCreate a missing key is never made: the call fails and nothing changes.
    bool OpenKey(const std::string& path, bool canCreate);
    // The same, with read access only (for keys a user may not write).
    bool OpenKeyReadOnly(const std::string& path);
    void CloseKey();
    HKEY CurrentKey() const noexcept { return FKey; }
    // Whether a key exists, asked without opening it for the caller.
    bool KeyExists(const std::string& path) const;

    // Values of the current key. "" names the key's default value.
    bool ValueExists(const std::string& name) const;
    // REG_SZ or REG_EXPAND_SZ text (unexpanded); none when absent, of another type or unreadable.
    std::optional<std::string> ReadString(const std::string& name) const;
    // A REG_DWORD; none otherwise.
    std::optional<int> ReadInteger(const std::string& name) const;
    // A REG_DWORD, non-zero meaning true.
    std::optional<bool> ReadBool(const std::string& name) const;
    bool WriteString(const std::string& name, const std::string& value);
    bool WriteInteger(const std::string& name, int value);
    bool WriteBool(const std::string& name, bool value);
    // REG_BINARY bytes; none when absent, of another type or unreadable.
    std::optional<std::string> ReadBinary(const std::string& name) const;
    bool WriteBinary(const std::string& name, const std::string& bytes);
    bool DeleteValue(const std::string& name);
    // Names of the current key's subkeys, in the system's order.
    std::vector<std::string> GetKeyNames() const;

    // Whether an open key holds a value of that name, for keys opened elsewhere.
    static bool ValueExists(HKEY key, const std::string& name);

private:
    // The key a path starts from and the path below it.
    HKEY Base(const std::string& path, std::string& sub) const;
    HKEY FRoot;
    REGSAM FAccess;
    HKEY FKey = nullptr;
};
