// lib/classes/vyClassesUtils.cpp
// The Win32 side of the shared routines: each gathers what the system says and hands it
// to the portable logic of vyClassesText.
#include "vyClassesUtils.h"

#include <mmsystem.h>

#include <cpuid.h>

#include <cstring>
#include <vector>

#include "Forms.h"
#include "Platform.h"
#include "Registry.h"
#include "WinUtils.h"

namespace {

TvyVersionRecord ReadVersionRecord()
{
    OSVERSIONINFOA info;
    static_assert(sizeof info == 148, "the version record Windows 95 knows");
    InitStruct(&info, sizeof info);
    TvyVersionRecord record;
    if (!GetVersionExA(&info)) return record;
    record.MajorVersion = info.dwMajorVersion;
    record.MinorVersion = info.dwMinorVersion;
    record.PlatformId = info.dwPlatformId;
    // The text need not end in a terminating zero when it fills the whole field.
    const char* text = info.szCSDVersion;
    const void* end = std::memchr(text, 0, sizeof info.szCSDVersion);
    record.CSDVersion.assign(text, end ? static_cast<const char*>(end) : text + sizeof info.szCSDVersion);
    return record;
}

std::string LowerCaseAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// A key under HKEY_CLASSES_ROOT, read-only.
struct TClassesKey : TRegistry {
    TClassesKey() : TRegistry(HKEY_CLASSES_ROOT, KEY_READ) {}
    bool Open(const std::string& path) { return OpenKey(path, false); }
    // The default value as text; empty when it is absent or holds something else.
    std::string ReadDefault() const { return ReadString("").value_or(std::string()); }
};

// The default value of a key; empty when the key does not open.
std::string ReadDefaultOf(const std::string& path)
{
    TClassesKey key;
    return key.Open(path) ? key.ReadDefault() : std::string();
}

std::string AssociatedCommand(const std::string& extension)
{
    const std::string fileType = ReadDefaultOf(extension);
    if (fileType.empty()) return {};
    const std::string typeKey = "\\" + fileType;
    {
        TClassesKey key;
        if (!key.Open(typeKey)) return {};
    }
    {
        TClassesKey open;
        if (open.Open(typeKey + "\\shell\\open\\command")) return open.ReadDefault();
    }
    TClassesKey shell;
    if (!shell.Open(typeKey + "\\shell\\")) return {};
    const std::vector<std::string> verbs = shell.GetKeyNames();
    for (const std::string& verb : verbs)
        if (LowerCaseAscii(verb).find("open") != std::string::npos)
            return ReadDefaultOf(typeKey + "\\shell\\" + verb + "\\command");
    std::string command;
    for (const std::string& verb : verbs) {
        if (!command.empty()) break;
        command = ReadDefaultOf(typeKey + "\\shell\\" + verb + "\\command");
    }
    return command;
}

template <UINT (WINAPI* Call)(LPSTR, UINT)>
std::string SystemPlace()
{
    char buffer[MAX_PATH];
    UINT n = Call(buffer, sizeof buffer);
    if (n < sizeof buffer) return AddBackslash(std::string(buffer, n));
    // A longer path than the classic limit: ask again with room for it.
    std::vector<char> larger(n + 1);
    n = Call(larger.data(), n + 1);
    return AddBackslash(n <= larger.size() - 1 ? std::string(larger.data(), n) : std::string());
}

UINT WINAPI TempPath(LPSTR buffer, UINT size)
{
    return GetTempPathA(size, buffer);
}

void ShellOpen(const char* file, const char* params)
{
    Platform().ShellExecuteA(GetDesktopWindow(), "open", file, params, nullptr, SW_SHOWNORMAL);
}

// CPUID function 1, EDX: the time-stamp counter is there.
constexpr unsigned TscFlag = 1u << 4;

bool HasTimeStampCounter()
{
    // __get_cpuid first checks that the processor knows CPUID at all (a 486 may not).
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & TscFlag) != 0;
}

std::uint32_t TimeStamp()
{
    return static_cast<std::uint32_t>(__builtin_ia32_rdtsc());
}

// A counter that stops advancing must not hold the machine at time-critical priority.
constexpr DWORD PollLimitMs = 500;

// Polls the counter until it has advanced by counts from start; stamp is the time-stamp
// counter read after the last poll. False when the counter stood still.
bool PollCounter(std::uint32_t start, std::uint32_t counts, std::uint32_t& reached, std::uint32_t& stamp)
{
    const DWORD began = GetTickCount();
    LARGE_INTEGER now;
    for (unsigned polls = 1;; ++polls) {
        QueryPerformanceCounter(&now);
        stamp = TimeStamp();
        reached = now.LowPart;
        if (reached - start >= counts) return true;
        if (polls % 1024 == 0 && GetTickCount() - began > PollLimitMs) return false;
    }
}

TvyClockSample MeasureOnce()
{
    const HANDLE thread = GetCurrentThread();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const int priority = GetThreadPriority(thread);
    const bool raised = priority != THREAD_PRIORITY_ERROR_RETURN &&
                        SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
    TvyClockSample sample;
    std::uint32_t start = 0, end = 0, startStamp = 0, endStamp = 0;
    if (PollCounter(now.LowPart, 50, start, startStamp) && PollCounter(start, 1000, end, endStamp)) {
        sample.Counts = end - start;
        sample.Ticks = endStamp - startStamp;
    }
    if (raised) SetThreadPriority(thread, priority);
    return sample;
}

} // namespace

TvyOSVersion GetOSVersion()
{
    return OSVersionOf(ReadVersionRecord());
}

bool IsWinNT()
{
    return IsNTGeneration(GetOSVersion());
}

bool IsWin2KOrLater()
{
    return IsWin2KOrLaterRecord(ReadVersionRecord());
}

bool IsWinXPOrLater()
{
    return IsWinXPOrLaterRecord(ReadVersionRecord());
}

bool IsWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

bool ThemesActive()
{
    if (!IsWinXPOrLater()) return false;
    HMODULE lib = LoadLibraryA("uxtheme.dll");
    if (!lib) return false;
    using TIsThemeActive = BOOL(WINAPI*)();
    const auto isThemeActive = ProcAs<TIsThemeActive>(GetProcAddress(lib, "IsThemeActive"));
    const bool active = isThemeActive && isThemeActive() != 0;
    FreeLibrary(lib);
    return active;
}

std::string GetAssociatedProgram(const std::string& extension)
{
    if (extension.empty() || extension == ".") return {};
    try {
        std::string program = AssociatedCommand(extension);
        std::string params;
        SplitCommandLine(program, params);
        return program;
    } catch (...) {
        return {};
    }
}

std::string GetTempDir()
{
    return SystemPlace<TempPath>();
}

std::string GetSystemDir()
{
    return SystemPlace<GetSystemDirectoryA>();
}

std::string GetWindowsDir()
{
    return SystemPlace<GetWindowsDirectoryA>();
}

std::string GetEnvVar(const std::string& name)
{
    char probe[1];
    DWORD size = GetEnvironmentVariableA(name.c_str(), probe, 0);
    // The variable may grow between the calls; ask again with the new size.
    for (int attempt = 0; size != 0 && attempt < 4; ++attempt) {
        std::vector<char> buffer(size);
        const DWORD n = GetEnvironmentVariableA(name.c_str(), buffer.data(), size);
        if (n < size) return std::string(buffer.data(), n);
        size = n;
    }
    return {};
}

bool RegValueExists(HKEY key, const std::string& name)
{
    return TRegistry::ValueExists(key, name);
}

void OpenURL(const std::string& url, bool newWindow)
{
    try {
        const std::string address = url.find("://") == std::string::npos ? "http://" + url : url;
        if (newWindow) {
            const std::string browser = GetAssociatedProgram(".html");
            if (!browser.empty()) {
                // Quoted: the browser takes it as one address, never as switches of its own.
                ShellOpen(browser.c_str(), ("\"" + address + "\"").c_str());
                return;
            }
        }
        ShellOpen(address.c_str(), nullptr);
    } catch (...) {
    }
}

void SendMail(const std::string& address, const std::string& name, const std::string& subject,
              const std::string& body, const std::string& copyTo, const std::string& blindCopyTo)
{
    try {
        std::string mail = name.empty() ? "mailto:" + address : "mailto:" + name + " <" + address + ">";
        mail += "?Subject=" + subject + "&Body=" + body + "&CC=" + copyTo + "&BCC=" + blindCopyTo;
        ShellOpen(mail.c_str(), nullptr);
    } catch (...) {
    }
}

void PlaySystemSound(int sound, bool async, bool noWait)
{
    const std::string alias = SystemSoundName(sound);
    if (alias.empty()) return;
    const DWORD mode = async || noWait ? SND_ASYNC : SND_SYNC;
    Platform().PlaySoundA(alias.c_str(), nullptr, SND_ALIAS | SND_NODEFAULT | mode);
}

TShiftState GetShiftState()
{
    TShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= static_cast<unsigned>(TShiftStateFlag::ssShift);
    if (GetKeyState(VK_MENU) < 0) shift |= static_cast<unsigned>(TShiftStateFlag::ssAlt);
    if (GetKeyState(VK_CONTROL) < 0) shift |= static_cast<unsigned>(TShiftStateFlag::ssCtrl);
    return shift;
}

std::string GetKeyName(LPARAM keyData)
{
    char name[256];
    const int n = GetKeyNameTextA(static_cast<LONG>(keyData), name, sizeof name);
    return n > 0 && n < static_cast<int>(sizeof name) ? std::string(name, static_cast<std::size_t>(n)) : std::string();
}

bool LoadResourceToStream(HINSTANCE module, const char* name, const char* type, TMemoryStream* stream)
{
    if (!stream || !name || !type) return false;
    HRSRC info = FindResourceA(module, name, type);
    if (!info) return false;
    HGLOBAL handle = LoadResource(module, info);
    if (!handle) return false;
    const void* data = LockResource(handle);
    if (!data) return false;
    const DWORD size = SizeofResource(module, info);
    if (size == 0) return false;
    try {
        return stream->Write(data, static_cast<long>(size)) == static_cast<long>(size);
    } catch (...) {
        return false;
    }
}

void CloseApplication()
{
    if (!Application) return;
    if (TCustomForm* form = Application->MainForm()) form->Close();
    Application->Terminate();
}

int GetCPUSpeed()
{
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) return 0;
    if (!HasTimeStampCounter()) return 0;
    return MeasureCPUSpeed(frequency.QuadPart, MeasureOnce);
}
