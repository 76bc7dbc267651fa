// tests/win/support/ChildProcess.cpp
#include "ChildProcess.h"

#include <cstdio>

std::string SelfPath()
{
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    return std::string(self, n);
}

TChildResult RunChild(const std::string& commandLine, const char* name, const char* value, DWORD timeoutMs)
{
    TChildResult result;
    char temp[MAX_PATH], out[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    if (!GetTempFileNameA(temp, "tgc", 0, out)) return result;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE file = CreateFileA(out, GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return result;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = file;
    PROCESS_INFORMATION pi{};
    std::string cmd = commandLine;
    // The child inherits our environment as it is at its start.
    char report[MAX_PATH * 2] = {};
    const bool hadReport = GetEnvironmentVariableA("GTEST_OUTPUT", report, sizeof report) > 0;
    SetEnvironmentVariableA("GTEST_OUTPUT", nullptr);
    SetEnvironmentVariableA(name, value);
    const bool started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA(name, nullptr);
    if (hadReport) SetEnvironmentVariableA("GTEST_OUTPUT", report);
    CloseHandle(file);
    if (started) {
        result.Finished = WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
        if (!result.Finished) TerminateProcess(pi.hProcess, 1);
        GetExitCodeProcess(pi.hProcess, &result.ExitCode);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    if (std::FILE* f = std::fopen(out, "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) result.Output.append(buf, n);
        std::fclose(f);
    }
    DeleteFileA(out);
    return result;
}

TChildResult RunAsWindowsVersion(const std::string& version, const std::string& args, const char* name,
                                 const char* value, DWORD timeoutMs)
{
    const std::string self = SelfPath();
    std::string copy = self;
    copy.replace(copy.rfind(".exe"), 4, "-" + version + ".exe");
    if (!CopyFileA(self.c_str(), copy.c_str(), FALSE)) return {};
    const std::string exeName = copy.substr(copy.find_last_of("\\/") + 1);
    const std::string path = "Software\\Wine\\AppDefaults\\" + exeName;
    HKEY key;
    TChildResult result;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                       static_cast<DWORD>(version.size() + 1));
        RegCloseKey(key);
        result = RunChild("\"" + copy + "\" " + args, name, value, timeoutMs);
        RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
    }
    DeleteFileA(copy.c_str());
    return result;
}
