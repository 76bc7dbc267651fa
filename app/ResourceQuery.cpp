// app/ResourceQuery.cpp
#include "ResourceQuery.h"

#include <windows.h>

#include <cstring>

#include "NtResources.h"
#include "Platform.h"
#include "SysUtils.h"
#include "WinUtils.h"
#include "vyClassesUtils.h"

extern "C" {
int32_t tgUserModule = 0;
uint32_t tgFreeResourcesProc = 0;
uint32_t __stdcall tgQueryFree16(uint32_t selector, const TResourceApi16* api);
}

namespace {

const char LoadFailedText[] = "Can't load USER.EXE!";
const char LookupFailedText[] = "Can't get address of GetFreeSystemResources!";

// Finds an export of a loaded module by ordinal by reading its export table. Windows 95/98
// refuse GetProcAddress by ordinal on kernel32, and a load-time import by ordinal would
// stop the program from starting on NT, where these ordinals are other functions.
// Forwarded exports ("KRNL386.EXE16.LoadLibrary16", as Wine has them) are followed.
FARPROC ExportByOrdinal(HMODULE module, WORD ordinal)
{
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (!module || dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return nullptr;
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (!dir.VirtualAddress || !dir.Size) return nullptr;
    auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    if (ordinal < exports->Base || ordinal - exports->Base >= exports->NumberOfFunctions) return nullptr;
    auto* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
    DWORD rva = functions[ordinal - exports->Base];
    if (!rva) return nullptr;
    if (rva < dir.VirtualAddress || rva >= dir.VirtualAddress + dir.Size)
        return reinterpret_cast<FARPROC>(reinterpret_cast<INT_PTR>(base + rva));
    // A forwarder: "MODULE.Function" or "MODULE.#ordinal".
    const char* forward = reinterpret_cast<const char*>(base + rva);
    const char* dot = std::strrchr(forward, '.');
    if (!dot || dot == forward || dot - forward >= MAX_PATH) return nullptr;
    char target[MAX_PATH];
    std::memcpy(target, forward, static_cast<size_t>(dot - forward));
    target[dot - forward] = '\0';
    HMODULE next = GetModuleHandleA(target);
    if (!next) next = LoadLibraryA(target);
    if (!next) return nullptr;
    if (dot[1] == '#') {
        long n = std::strtol(dot + 2, nullptr, 10);
        if (n <= 0 || n > 0xFFFF) return nullptr;
        return ExportByOrdinal(next, static_cast<WORD>(n));
    }
    return GetProcAddress(next, dot + 1);
}

// The generic 16-bit callback of kernel32 (ordinal 55): BOOL (DWORD proc16, DWORD flags,
// DWORD argBytes, void* args, DWORD* result).
using TCallback16Ex = BOOL(WINAPI*)(DWORD, DWORD, DWORD, void*, DWORD*);
TCallback16Ex Callback16Ex = nullptr;

// Wine 8's QT_Thunk returns with EAX cleared (its register entry points return through
// NtSetContextThread, which does not restore EAX on i386), so under Wine the far address
// is called through the generic callback instead: Pascal convention, one word argument.
uint32_t __cdecl CallThroughCallback(uint32_t proc, uint32_t selector)
{
    WORD arg = static_cast<WORD>(selector);
    DWORD result = 0;
    constexpr DWORD WCB16_PASCAL = 0;
    Callback16Ex(proc, WCB16_PASCAL, sizeof arg, &arg, &result);
    return result & 0xFFFF;
}

struct TChosen {
    TResourceSource Source = TResourceSource::None;
    TResourceApi16 Api{};
};

TChosen Choose()
{
    TChosen c;
    const bool win9x = (GetVersion() & 0x80000000u) != 0;
    const bool wine = IsWine();
    if (win9x || wine) {
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        c.Api.LoadLibrary16 = ProcAs<decltype(c.Api.LoadLibrary16)>(ExportByOrdinal(kernel, 35));
        c.Api.FreeLibrary16 = ProcAs<decltype(c.Api.FreeLibrary16)>(ExportByOrdinal(kernel, 36));
        c.Api.GetProcAddress16 = ProcAs<decltype(c.Api.GetProcAddress16)>(ExportByOrdinal(kernel, 37));
        c.Api.QT_Thunk = ProcAs<void*>(GetProcAddress(kernel, "QT_Thunk"));
        if (wine) {
            Callback16Ex = ProcAs<TCallback16Ex>(ExportByOrdinal(kernel, 55));
            if (Callback16Ex) c.Api.Call16 = &CallThroughCallback;
        }
        const bool complete = c.Api.LoadLibrary16 && c.Api.FreeLibrary16 && c.Api.GetProcAddress16 &&
                              (c.Api.Call16 || (!wine && c.Api.QT_Thunk));
        if (complete) {
            c.Source = wine ? TResourceSource::Thunk16Callback : TResourceSource::Thunk16;
            return c;
        }
    }
    c.Source = ObjectCountsAvailable() ? TResourceSource::ObjectCounts : TResourceSource::None;
    return c;
}

const TChosen& Chosen()
{
    static const TChosen chosen = Choose();
    return chosen;
}

unsigned short RealFreeResources(unsigned short selector)
{
    const TChosen& c = Chosen();
    switch (c.Source) {
    case TResourceSource::Thunk16:
    case TResourceSource::Thunk16Callback: return QueryFreeResources16(selector, c.Api);
    case TResourceSource::ObjectCounts: return ObjectCountsFreeResources(selector);
    case TResourceSource::None: break;
    }
    throw Exception(LoadFailedText);
}

struct TInstallSource {
    TInstallSource() { SetRealFreeResources(&RealFreeResources); }
} InstallSource;

} // namespace

unsigned short QueryFreeResources16(unsigned short selector, const TResourceApi16& api)
{
    uint32_t r = tgQueryFree16(selector, &api);
    if (r == 0xFFFF0001u) throw Exception(LoadFailedText);
    if (r == 0xFFFF0002u) throw Exception(LookupFailedText);
    return static_cast<unsigned short>(r);
}

TResourceSource ChosenResourceSource()
{
    return Chosen().Source;
}

unsigned short QueryFreeResources(unsigned short selector)
{
    return Platform().FreeResources(selector);
}
