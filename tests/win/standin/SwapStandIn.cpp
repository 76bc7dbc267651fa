// tests/win/standin/SwapStandIn.cpp
// A stand-in for a program being upgraded (and for a downloaded setup), started by the swap
// program's tests. It holds its own executable open for TG_STANDIN_HOLD_MS milliseconds, as
// a running program does, and appends to the file TG_STANDIN_LOG one line when it starts,
//   start|<its path>|<its file attributes, hex>|<parameter count>|<first parameter>
// and one when it ends: end|<its path>|<its file attributes then, hex>.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::string Env(const char* name)
{
    char buf[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

// One write per line, at the end of the file, so that the lines of processes that follow
// each other stay whole and in order.
void AppendLine(const std::string& line)
{
    const std::string log = Env("TG_STANDIN_LOG");
    if (log.empty()) return;
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            SetFilePointer(file, 0, nullptr, FILE_END);
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return;
        }
        Sleep(20);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char own[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, own, sizeof own);
    const std::string self(own, n < sizeof own ? n : 0);
    HANDLE hold = CreateFileA(self.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);

    char attributes[16];
    wsprintfA(attributes, "%lx", GetFileAttributesA(self.c_str()));
    AppendLine("start|" + self + "|" + attributes + "|" + std::to_string(__argc - 1) + "|" +
               (__argc > 1 ? __argv[1] : "") + "\n");
    Sleep(static_cast<DWORD>(std::atoi(Env("TG_STANDIN_HOLD_MS").c_str())));
    wsprintfA(attributes, "%lx", GetFileAttributesA(self.c_str()));
    AppendLine("end|" + self + "|" + attributes + "\n");
    if (hold != INVALID_HANDLE_VALUE) CloseHandle(hold);
    return 0;
}
