// tests/win/support/TestRegistry.h
// Setting up and reading back the test prefix's real registry with the bare system calls,
// independently of the registry object under test.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// Deletes a key with everything below it; nothing when it does not exist.
void DeleteTree(HKEY root, const std::string& path);
// Creates the key (and the value, when data is given), as a test's fixture.
void SetValue(HKEY root, const std::string& path, const char* name = nullptr, const void* data = nullptr,
              DWORD size = 0, DWORD type = REG_SZ);
void SetText(HKEY root, const std::string& path, const char* name, const std::string& text, DWORD type = REG_SZ);
void SetDword(HKEY root, const std::string& path, const char* name, DWORD data);
void CreateKey(HKEY root, const std::string& path);
void DeleteRawValue(HKEY root, const std::string& path, const std::string& name);
bool KeyPresent(HKEY root, const std::string& path);
// A value as the system stores it: its type and bytes; none when the key or value is missing.
struct TRawValue {
    DWORD Type;
    std::string Data;
};
std::optional<TRawValue> RawValue(HKEY root, const std::string& path, const std::string& name);
// A REG_SZ value's text without its terminating zero; none when missing or of another type.
std::optional<std::string> RawText(HKEY root, const std::string& path, const std::string& name);
