// tests/win/support/WinTest.h
// Shared helpers of the Windows test executables.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Classes.h"
#include "Platform.h"

// Records what would have left the process instead of doing it: message boxes never
// block a test run. Every test executable runs with one installed (see TestMain.cpp).
class TRecordingPlatform : public TPlatform {
public:
    struct TBox {
        std::string Text;
        std::string Caption;
        UINT Type;
        HWND Wnd = nullptr;
    };
    std::vector<TBox> Boxes;
    // The answers the next message boxes give, first in first out; IDOK when none is left.
    std::vector<int> Answers;
    int MessageBoxA(HWND wnd, const char* text, const char* caption, UINT type) override;

    // When set, the resource figures come from here instead of the real query.
    std::function<unsigned short(unsigned short)> Resources;
    unsigned short FreeResources(unsigned short selector) override;

    // Shell, program start and sounds are recorded, never done; each call succeeds.
    // A null text argument is recorded as no value.
    struct TShellCall {
        HWND Wnd;
        std::optional<std::string> Verb, File, Params, Dir;
        int Show;
    };
    std::vector<TShellCall> ShellCalls;
    HINSTANCE ShellExecuteA(HWND wnd, const char* verb, const char* file, const char* params, const char* dir,
                           int show) override;
    struct TExec {
        std::string CmdLine;
        UINT Show;
    };
    std::vector<TExec> Execs;
    UINT ExecResult = 33; // what WinExec answers: above 31 is a started program
    UINT WinExec(const char* cmdLine, UINT show) override;
    struct TSound {
        std::optional<std::string> Sound;
        HMODULE Module;
        DWORD Flags;
    };
    std::vector<TSound> Sounds;
    BOOL PlaySoundA(const char* sound, HMODULE module, DWORD flags) override;
    // Notification-area calls: the message and the record's bytes, as long as its size says.
    struct TNotify {
        DWORD Message;
        std::vector<unsigned char> Record;
    };
    std::vector<TNotify> Notifies;
    BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA* data) override;
};

TRecordingPlatform& TestPlatform();

// Pumps messages until pred() holds or timeoutMs passes; returns pred()'s last answer.
bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 5000);
// Pumps messages for about ms milliseconds. Only for showing that nothing else happens:
// anything a test waits for has a condition to wait on (PumpUntil, PumpQueued, PumpTicks).
void PumpFor(DWORD ms);
// How long a test looks to see that nothing else happens, where nothing can tell it.
constexpr DWORD QuietMs = 30;
// Dispatches the messages waiting now, including sent ones, paints, and those that they
// post in turn, until the queue is empty (at most timeoutMs).
void PumpQueued(DWORD timeoutMs = 2000);
// Pumps messages until a thread timer of intervalMs has fired ticks times: as long as a
// timer of that interval needs to fire that often under the machine's present load.
bool PumpTicks(UINT intervalMs, int ticks);
// A message sent by another thread is waiting for this thread to take it.
bool SentMessageWaiting();
// Removes the quit requests a test left in this thread's queue (ending the application
// posts one), so the rest of the run keeps its message loop.
void TakeBackQuit();
// A timer procedure that closes the tracked pop-up menu from inside its own loop:
// SetTimer(nullptr, 0, ms, &CloseMenu) before the menu opens.
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD);
// Bytes as upper-case hexadecimal digits, two a byte, as stored forms write binary data.
std::string HexBytes(const std::vector<unsigned char>& bytes);

// A fixture that collects the exceptions handed to the standard exception display during a
// test (through the application's exception event) and fails the test if a message box was
// shown instead.
class TCatchingTest : public ::testing::Test {
protected:
    struct TCaught {
        TObject* Sender;
        std::string Message;
    };
    void SetUp() override;
    void TearDown() override;
    std::vector<TCaught> Caught;
};
