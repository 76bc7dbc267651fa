// tests/win/support/TestRegistry.cpp
#include "TestRegistry.h"

#include <gtest/gtest.h>

#include <vector>

void DeleteTree(HKEY root, const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char name[MAX_PATH + 1];
    while (RegEnumKeyA(key, 0, name, sizeof name) == ERROR_SUCCESS) {
        DeleteTree(key, name);
        if (RegDeleteKeyA(key, name) != ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
    RegDeleteKeyA(root, path.c_str());
}

void SetValue(HKEY root, const std::string& path, const char* name, const void* data, DWORD size, DWORD type)
{
    HKEY key;
    DWORD disposition;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                             &disposition))
        << "creating " << path;
    if (data) RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void SetText(HKEY root, const std::string& path, const char* name, const std::string& text, DWORD type)
{
    SetValue(root, path, name, text.c_str(), static_cast<DWORD>(text.size() + 1), type);
}

void SetDword(HKEY root, const std::string& path, const char* name, DWORD data)
{
    SetValue(root, path, name, &data, sizeof data, REG_DWORD);
}

void CreateKey(HKEY root, const std::string& path)
{
    SetValue(root, path);
}

void DeleteRawValue(HKEY root, const std::string& path, const std::string& name)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
}

bool KeyPresent(HKEY root, const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::optional<TRawValue> RawValue(HKEY root, const std::string& path, const std::string& name)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, size = 0;
    std::optional<TRawValue> result;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<char> data(size + 1);
        if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
            ERROR_SUCCESS)
            result = TRawValue{type, std::string(data.data(), size)};
    }
    RegCloseKey(key);
    return result;
}

std::optional<std::string> RawText(HKEY root, const std::string& path, const std::string& name)
{
    std::optional<TRawValue> v = RawValue(root, path, name);
    if (!v || v->Type != REG_SZ) return std::nullopt;
    std::string text = v->Data;
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}
