// lib/upgrade/swap/vySwap.cpp
// vySwap.exe: started by a program that upgrades itself, with the program's executable and
// "+" + restart parameters + a method digit ("0" replace files, "1" run a setup). It waits
// until the program has ended, moves every "<name>.uTMP" of the program's folder over
// <name>, and starts the program again (after the setup, for the setup method).
//
// Plain Win32 without a run-time library, so that the copy embedded in every upgrading
// program stays a few kilobytes and loads on every Windows since 95.
#include <windows.h>

#include "vySwapRules.h"

using vyswap::TText;

// The compiler may turn loops into these calls; there is no library to provide them.
extern "C" void* memset(void* dest, int c, size_t n)
{
    auto* d = static_cast<unsigned char*>(dest);
    while (n--) *d++ = static_cast<unsigned char>(c);
    return dest;
}

extern "C" size_t strlen(const char* s)
{
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

extern "C" void* memcpy(void* dest, const void* src, size_t n)
{
    auto* d = static_cast<unsigned char*>(dest);
    const auto* s = static_cast<const unsigned char*>(src);
    while (n--) *d++ = *s++;
    return dest;
}

namespace {

// Exit codes; nobody but a test reads them.
constexpr UINT ExitDone = 0;
constexpr UINT ExitGaveUp = 1;    // the program did not end: no file was touched
constexpr UINT ExitBadCommand = 2; // no usable target, or too long: no file was touched

// How long the program that started us may take to end. The environment may shorten it
// (a test of giving up cannot wait minutes).
constexpr DWORD DefaultWaitLimitMs = 5 * 60 * 1000;
constexpr DWORD PauseMs = 50;

constexpr unsigned MaxFiles = 256;

TText Folder, TargetName, SetupPath, Line, Final, FinalPath, SourcePath, BackupPath;
char Found[MaxFiles][MAX_PATH];
vyswap::TSwapCommand Command;

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

DWORD WaitLimitMs()
{
    char text[16];
    const DWORD n = GetEnvironmentVariableA("VYSWAP_WAIT_MS", text, sizeof text);
    if (n == 0 || n >= sizeof text) return DefaultWaitLimitMs;
    DWORD value = 0;
    for (DWORD i = 0; i < n; ++i) {
        if (text[i] < '0' || text[i] > '9') return DefaultWaitLimitMs;
        value = value * 10 + static_cast<DWORD>(text[i] - '0');
    }
    return value;
}

// Waits until path can be opened for writing with no sharing, which is when the program
// running from it has ended, pausing between attempts and handling our messages.
// limitMs 0 waits for ever. A file that has gone counts as free.
bool WaitForExclusiveWrite(const char* path, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
        if (limitMs != 0 && GetTickCount() - start >= limitMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, PauseMs, QS_ALLINPUT);
    }
}

bool Exists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Moves source over target so that target always names either the old file or the new
// one: the old one is set aside as target + ".bak" and put back when the move fails.
// On failure source stays where it is, for the next upgrade.
bool PutInPlace(const char* source, const char* target)
{
    const DWORD oldAttributes = GetFileAttributesA(target);
    if (oldAttributes == INVALID_FILE_ATTRIBUTES) return MoveFileA(source, target) != FALSE;
    if (oldAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;

    BackupPath.Clear();
    BackupPath.Append(target);
    BackupPath.Append(".bak");
    if (BackupPath.Overflow) return false;
    SetFileAttributesA(BackupPath.S, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(BackupPath.S); // left over from an upgrade that failed
    SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
    if (!MoveFileA(target, BackupPath.S)) {
        SetFileAttributesA(target, oldAttributes);
        return false;
    }
    if (!MoveFileA(source, target)) {
        MoveFileA(BackupPath.S, target);
        SetFileAttributesA(target, oldAttributes);
        return false;
    }
    DeleteFileA(BackupPath.S);
    return true;
}

// The program (or setup) path quoted, so that its first parameter is the restart
// parameters however many blanks the path holds; then the parameters.
void Start(const TText& path)
{
    Line.Clear();
    Line.Append('"');
    Line.Append(path.S, path.Len);
    Line.Append("\" ");
    Line.Append(Command.RestartParams.S, Command.RestartParams.Len);
    if (!Line.Overflow) WinExec(Line.S, SW_SHOWNORMAL);
}

// The names of the folder's "*.uTMP" files in listing order, before any is renamed.
unsigned ListUpgradeFiles()
{
    Line.Clear();
    Line.Append(Folder.S, Folder.Len);
    Line.Append("*.uTMP");
    if (Line.Overflow) return 0;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(Line.S, &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    unsigned count = 0;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        unsigned n = 0;
        while (data.cFileName[n] && n < MAX_PATH - 1) {
            Found[count][n] = data.cFileName[n];
            ++n;
        }
        Found[count][n] = 0;
        ++count;
    } while (count < MaxFiles && FindNextFileA(find, &data));
    FindClose(find);
    return count;
}

UINT Swap()
{
    TText& target = Command.Target;
    Folder.Assign(target.S, vyswap::FolderLength(target));

    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(target.S, &data);
    if (find != INVALID_HANDLE_VALUE) {
        FindClose(find);
        TargetName.Clear();
        TargetName.Append(data.cFileName);
        // A read-only program (copied from a CD) could never be opened for writing.
        if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesA(target.S, data.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
        if (!WaitForExclusiveWrite(target.S, WaitLimitMs())) return ExitGaveUp;
    } else {
        TargetName.Assign(target.S + Folder.Len, target.Len - Folder.Len);
    }

    Line.Clear();
    Line.Append(target.S, target.Len);
    Line.Append(".uTMP");
    bool ownUpdate = !Line.Overflow && Exists(Line.S);
    bool setupReady = false;
    SetupPath.Clear();

    const unsigned count = ListUpgradeFiles();
    for (unsigned i = 0; i < count; ++i) {
        if (!vyswap::FinalNameOf(Found[i], Final)) continue;
        bool isSetup = false;
        if (!ownUpdate && vyswap::IsExecutableName(Final)) {
            // The first new executable is the program under its own name, or the setup.
            if (Command.ExternalSetup)
                isSetup = true;
            else
                Final.Assign(TargetName.S, TargetName.Len);
            ownUpdate = true;
        }
        FinalPath.Assign(Folder.S, Folder.Len);
        FinalPath.Append(Final.S, Final.Len);
        SourcePath.Assign(Folder.S, Folder.Len);
        SourcePath.Append(Found[i]);
        if (FinalPath.Overflow || SourcePath.Overflow) continue;
        if (!PutInPlace(SourcePath.S, FinalPath.S)) continue;
        SetFileAttributesA(FinalPath.S, isSetup ? FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_ARCHIVE);
        if (isSetup) {
            SetupPath.Assign(FinalPath.S, FinalPath.Len);
            setupReady = true;
        }
    }

    if (Command.ExternalSetup && setupReady) {
        Start(SetupPath);
        WaitForExclusiveWrite(SetupPath.S, 0); // a setup takes as long as its user does
        SetFileAttributesA(SetupPath.S, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(SetupPath.S);
    }
    Start(target);
    return ExitDone;
}

} // namespace

extern "C" void SwapEntry()
{
    char own[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameA(nullptr, own, MAX_PATH);
    own[n <= MAX_PATH ? n : MAX_PATH] = 0;
    if (!vyswap::ParseSwapCommand(vyswap::SkipProgramName(GetCommandLineA(), own), Command)) ExitProcess(ExitBadCommand);
    if (Command.ParamCount == 0) {
        MessageBoxA(nullptr,
                    "Self-upgrading mechanism for AppUpdater component.\r\n"
                    "It puts downloaded files in place and restarts the program that started it.",
                    "vySwap v1.0", MB_OK | MB_ICONINFORMATION);
        ExitProcess(ExitDone);
    }
    // Without a target name the folder would be wherever we were started.
    if (!vyswap::IsPlainTarget(Command.Target)) ExitProcess(ExitBadCommand);
    ExitProcess(Swap());
}
