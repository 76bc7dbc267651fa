// tests/win/support/ChildProcess.cpp
#include "ChildProcess.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace {

std::optional<std::string> Env(const char* name)
{
    const DWORD n = GetEnvironmentVariableA(name, nullptr, 0);
    if (n == 0) return std::nullopt;
    std::vector<char> buf(n);
    GetEnvironmentVariableA(name, buf.data(), n);
    return std::string(buf.data());
}

// Sets a variable for the lifetime of the object and puts the old value back afterwards.
class TEnvOverride {
public:
    TEnvOverride(const char* name, const char* value) : FName(name), FOld(Env(name))
    {
        SetEnvironmentVariableA(name, value);
    }
    ~TEnvOverride() { SetEnvironmentVariableA(FName.c_str(), FOld ? FOld->c_str() : nullptr); }
    TEnvOverride(const TEnvOverride&) = delete;
    TEnvOverride& operator=(const TEnvOverride&) = delete;

private:
    std::string FName;
    std::optional<std::string> FOld;
};

} // namespace

std::string SelfPath()
{
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    return std::string(self, n);
}

TChildResult RunChild(const std::string& commandLine, const std::string& name, const std::string& value, DWORD timeoutMs)
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
    {
        TEnvOverride report("GTEST_OUTPUT", nullptr);
        std::optional<TEnvOverride> extra;
        if (!name.empty()) extra.emplace(name.c_str(), value.c_str());
        result.Started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    }
    CloseHandle(file);
    if (result.Started) {
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
