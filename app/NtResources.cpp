// app/NtResources.cpp
//
// Mapping: where the system reports the session's totals in one call (GetGuiResources on
// the pseudo-handle GR_GLOBAL, Windows 7 and later) they are measured against the
// session's limit of 65,536 objects of each kind. Elsewhere the busiest process (the one
// using the most objects of that kind) is measured against the per-process quota from the
// registry (10,000 by default), since that is the limit a program actually meets first.
// Either way the counts are refreshed at most once a second: the sampling step asks sixty
// times a second and walking every process that often would cost more than the program.
#include "NtResources.h"

#include <windows.h>

#include "ObjectCounts.h"
#include "Registry.h"
#include "SysUtils.h"
#include "WinUtils.h"

namespace {

constexpr DWORD GR_GDIOBJECTS_ = 0;
constexpr DWORD GR_USEROBJECTS_ = 1;
const HANDLE GR_GLOBAL_ = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2));
constexpr uint32_t SessionLimit = 65536;
constexpr uint32_t DefaultProcessQuota = 10000;

using TGetGuiResources = DWORD(WINAPI*)(HANDLE, DWORD);
using TEnumProcesses = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);

TGetGuiResources GetGuiResourcesFn()
{
    static const auto fn = GetProc<TGetGuiResources>("user32.dll", "GetGuiResources");
    return fn;
}

TEnumProcesses EnumProcessesFn()
{
    static const auto fn = GetProc<TEnumProcesses>("psapi.dll", "EnumProcesses");
    return fn;
}

uint32_t QuotaFromRegistry(const char* value)
{
    TRegistry reg(HKEY_LOCAL_MACHINE);
    if (!reg.OpenKeyReadOnly("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows")) return DefaultProcessQuota;
    const auto quota = static_cast<uint32_t>(reg.ReadInteger(value).value_or(0));
    return quota > 0 ? quota : DefaultProcessQuota;
}

[[noreturn]] void NotImplemented()
{
    throw Exception("Can't get address of GetFreeSystemResources!");
}

// The largest use of each kind over all processes we may look at.
TObjectUse BusiestProcess(TGetGuiResources count)
{
    TObjectUse use;
    use.UserLimit = QuotaFromRegistry("USERProcessHandleQuota");
    use.GdiLimit = QuotaFromRegistry("GDIProcessHandleQuota");
    DWORD ids[1024];
    DWORD bytes = 0;
    TEnumProcesses enumerate = EnumProcessesFn();
    if (!enumerate || !enumerate(ids, sizeof ids, &bytes)) {
        // Without a process list, this process is all there is to measure.
        SetLastError(0);
        use.UserUsed = count(GetCurrentProcess(), GR_USEROBJECTS_);
        use.GdiUsed = count(GetCurrentProcess(), GR_GDIOBJECTS_);
        if (use.UserUsed == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) NotImplemented();
        return use;
    }
    for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) {
        HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, ids[i]);
        if (!p) continue;
        SetLastError(0);
        DWORD u = count(p, GR_USEROBJECTS_);
        if (u == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
            CloseHandle(p);
            NotImplemented();
        }
        DWORD g = count(p, GR_GDIOBJECTS_);
        CloseHandle(p);
        if (u > use.UserUsed) use.UserUsed = u;
        if (g > use.GdiUsed) use.GdiUsed = g;
    }
    return use;
}

TObjectUse Measure()
{
    TGetGuiResources count = GetGuiResourcesFn();
    if (!count) throw Exception("Can't load USER.EXE!");
    SetLastError(0);
    DWORD user = count(GR_GLOBAL_, GR_USEROBJECTS_);
    if (user == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) NotImplemented();
    if (user != 0) {
        TObjectUse use;
        use.UserUsed = user;
        use.GdiUsed = count(GR_GLOBAL_, GR_GDIOBJECTS_);
        use.UserLimit = use.GdiLimit = SessionLimit;
        return use;
    }
    return BusiestProcess(count);
}

} // namespace

bool ObjectCountsAvailable()
{
    return GetGuiResourcesFn() != nullptr;
}

unsigned short ObjectCountsFreeResources(unsigned short selector)
{
    static TObjectUse last;
    static DWORD measuredAt = 0;
    static bool have = false;
    const DWORD now = GetTickCount();
    if (MeasurementDue(now, measuredAt, have)) {
        last = Measure();
        measuredAt = now;
        have = true;
    }
    return static_cast<unsigned short>(FreeFigure(last, selector));
}
