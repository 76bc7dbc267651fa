// framework/Platform.cpp
#include "Platform.h"

#include <mmsystem.h>

#include "SysUtils.h"

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
    return ::PlaySoundA(sound, module, flags);
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
