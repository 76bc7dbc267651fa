// tests/win/support/XInput.cpp
#include "XInput.h"

#include "WinTest.h"

namespace {
bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
} // namespace

bool RunXCommand(const std::string& shellCommand, DWORD timeoutMs)
{
    // A Unix process's handle cannot be waited on under Wine: the command leaves a marker
    // file when it is done, and the test watches for it through the Z: drive.
    static int serial = 0;
    const std::string name = "tg-xinput-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    const std::string unixMarker = "/tmp/" + name;
    const std::string marker = "Z:\\tmp\\" + name;
    DeleteFileA(marker.c_str());
    std::string cmd = "/bin/sh -c \"" + shellCommand + "; touch " + unixMarker + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Wine hands back no usable handles for a Unix process (the fields may hold leftovers
    // that name unrelated handles of this process), so they are left alone.
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    const bool done = PumpUntil([&] { return Exists(marker); }, timeoutMs);
    DeleteFileA(marker.c_str());
    return done;
}

bool XClick(int x, int y)
{
    // --sync waits for the pointer to move, forever when it is already there: go to the
    // corner first.
    return RunXCommand("xdotool mousemove 0 0 mousemove --sync " + std::to_string(x) + " " + std::to_string(y) +
                       " click 1");
}

bool XType(const std::string& text)
{
    return RunXCommand("xdotool type --delay 40 '" + text + "'");
}

bool XKey(const std::string& keys)
{
    return RunXCommand("xdotool key --delay 40 " + keys);
}
