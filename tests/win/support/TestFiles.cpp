// tests/win/support/TestFiles.cpp
#include "TestFiles.h"

#include <windows.h>

#include <algorithm>

std::string ExeFolder()
{
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    std::string path(buf, n);
    return path.substr(0, path.find_last_of('\\') + 1);
}

std::string ReadAll(const std::string& path)
{
    std::string out;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return out;
    char buf[8192];
    DWORD n = 0;
    while (ReadFile(file, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
    CloseHandle(file);
    return out;
}

bool WriteAll(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

std::vector<std::string> FilesIn(const std::string& folder, const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Scratch(const std::string& relative)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string path = temp;
    for (size_t at = 0; at != std::string::npos;) {
        at = relative.find('\\', at == 0 ? 0 : at + 1);
        CreateDirectoryA((path + relative.substr(0, at)).c_str(), nullptr);
    }
    path += relative + "\\";
    for (const auto& name : FilesIn(path)) {
        SetFileAttributesA((path + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA((path + name).c_str());
    }
    return path;
}
