// framework/Platform.h
// The seam: calls whose effect cannot be seen from inside the process go through here.
// The default is the real call; tests install a subclass that records or redirects.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

class TPlatform {
public:
    virtual ~TPlatform() = default;

    // The notification area.
    virtual BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA* data);
    // ShellExecuteA, with every argument as given (named as the calls, so no A/W macro renames them).
    virtual HINSTANCE ShellExecuteA(HWND wnd, const char* verb, const char* file, const char* params,
                                   const char* dir, int show);
    // Program start (WinExec).
    virtual UINT WinExec(const char* cmdLine, UINT show);
    // PlaySoundA.
    virtual BOOL PlaySoundA(const char* sound, HMODULE module, DWORD flags);
    // MessageBoxA.
    virtual int MessageBoxA(HWND wnd, const char* text, const char* caption, UINT type);
    // The free-resource figure for a selector (0 system, 1 GDI, 2 User): the program's
    // real resource query where it has installed one, else "Can't load USER.EXE!".
    virtual unsigned short FreeResources(unsigned short selector);
};

// The program installs its real resource query here at start-up.
using TFreeResourcesFunc = unsigned short (*)(unsigned short selector);
void SetRealFreeResources(TFreeResourcesFunc func);

// The seam in force. Never null.
TPlatform& Platform();
// Installs another seam (tests); nullptr restores the real one. Returns the previous.
TPlatform* SetPlatform(TPlatform* platform);
