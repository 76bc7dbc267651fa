// framework/Platform.cpp
#include "Platform.h"

#include <mmsystem.h>

#include "SysUtils.h"
#include "WinUtils.h"

namespace {
TPlatform RealPlatform;
TPlatform* Current = &RealPlatform;
TFreeResourcesFunc RealFreeResources = nullptr;
} // namespace

void SetRealFreeResources(TFreeResourcesFunc func)
{
    RealFreeResources = func;
}

BOOL TPlatform::NotifyIcon(DWORD message, NOTIFYICONDATAA* data)
{
    return Shell_NotifyIconA(message, data);
}

HINSTANCE TPlatform::ShellExecuteA(HWND wnd, const char* verb, const char* file, const char* params, const char* dir,
                                  int show)
{
    return ::ShellExecuteA(wnd, verb, file, params, dir, show);
}

UINT TPlatform::WinExec(const char* cmdLine, UINT show)
{
    return ::WinExec(cmdLine, show);
}

BOOL TPlatform::PlaySoundA(const char* sound, HMODULE module, DWORD flags)
{
    // Looked up when first wanted: the multimedia library (and what it loads) would
    // otherwise be loaded before the program's first line runs, for a sound that may never play.
    static const auto play = GetProc<decltype(&::PlaySoundA)>("winmm.dll", "PlaySoundA");
    return play ? play(sound, module, flags) : FALSE;
}

int TPlatform::MessageBoxA(HWND wnd, const char* text, const char* caption, UINT type)
{
    return ::MessageBoxA(wnd, text, caption, type);
}

unsigned short TPlatform::FreeResources(unsigned short selector)
{
    if (RealFreeResources) return RealFreeResources(selector);
    throw Exception("Can't load USER.EXE!");
}

TPlatform& Platform()
{
    return *Current;
}

TPlatform* SetPlatform(TPlatform* platform)
{
    TPlatform* previous = Current == &RealPlatform ? nullptr : Current;
    Current = platform ? platform : &RealPlatform;
    return previous;
}
