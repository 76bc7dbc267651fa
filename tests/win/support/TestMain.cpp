// tests/win/support/TestMain.cpp
// The main of every Windows test executable: the framework's application and screen
// objects exist for the whole run, and nothing a test does can open a real message box.
#include <gtest/gtest.h>

#include "Forms.h"
#include "WinTest.h"

int TRecordingPlatform::MessageBoxA(HWND wnd, const char* text, const char* caption, UINT type)
{
    Boxes.push_back({text ? text : "", caption ? caption : "", type, wnd});
    if (Answers.empty()) return IDOK;
    const int answer = Answers.front();
    Answers.erase(Answers.begin());
    return answer;
}

unsigned short TRecordingPlatform::FreeResources(unsigned short selector)
{
    return Resources ? Resources(selector) : TPlatform::FreeResources(selector);
}

namespace {
std::optional<std::string> Text(const char* s)
{
    return s ? std::optional<std::string>(s) : std::nullopt;
}
} // namespace

HINSTANCE TRecordingPlatform::ShellExecuteA(HWND wnd, const char* verb, const char* file, const char* params,
                                           const char* dir, int show)
{
    ShellCalls.push_back({wnd, Text(verb), Text(file), Text(params), Text(dir), show});
    return reinterpret_cast<HINSTANCE>(33); // above 32: success
}

UINT TRecordingPlatform::WinExec(const char* cmdLine, UINT show)
{
    Execs.push_back({cmdLine ? cmdLine : "", show});
    return ExecResult;
}

BOOL TRecordingPlatform::PlaySoundA(const char* sound, HMODULE module, DWORD flags)
{
    Sounds.push_back({Text(sound), module, flags});
    return TRUE;
}

BOOL TRecordingPlatform::NotifyIcon(DWORD message, NOTIFYICONDATAA* data)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    Notifies.push_back({message, std::vector<unsigned char>(bytes, bytes + data->cbSize)});
    return TRUE;
}

TRecordingPlatform& TestPlatform()
{
    static TRecordingPlatform platform;
    return platform;
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    SetPlatform(&TestPlatform());
    InitFramework();
    int result = RUN_ALL_TESTS();
    DoneFramework();
    SetPlatform(nullptr);
    return result;
}
