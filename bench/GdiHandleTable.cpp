// bench/GdiHandleTable.cpp
#include "GdiHandleTable.h"

#include <vector>

namespace {

// Wine's layout of one entry of the table (24 bytes, the same in 32- and 64-bit processes).
struct GdiEntry {
    unsigned long long object;
    unsigned long owner;
    unsigned short unique;
    unsigned char type;
    unsigned char flags;
    unsigned long long user;
};
static_assert(sizeof(GdiEntry) == 24);
constexpr int GdiMaxHandles = 0x10000;
constexpr DWORD PebGdiTableOffset = 0x94; // 32-bit PEB
constexpr unsigned char GdiTypeDC = 0x01;

struct BasicInfo {
    LONG exitStatus;
    void* peb;
    ULONG_PTR affinity;
    LONG priority;
    ULONG_PTR pid;
    ULONG_PTR parent;
};
using QueryProcess = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);

} // namespace

TGdiCounts GdiCounts(HANDLE process)
{
    static const auto query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    BasicInfo info{};
    if (!query || query(process, 0, &info, sizeof info, nullptr) != 0) return {};
    DWORD table = 0;
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, static_cast<char*>(info.peb) + PebGdiTableOffset, &table, sizeof table, &got) ||
        !table)
        return {};
    std::vector<GdiEntry> entries(GdiMaxHandles);
    if (!ReadProcessMemory(process, reinterpret_cast<void*>(static_cast<ULONG_PTR>(table)), entries.data(),
                           entries.size() * sizeof(GdiEntry), &got))
        return {};
    TGdiCounts counts{0, 0};
    for (size_t i = 0; i < got / sizeof(GdiEntry); ++i) {
        counts.Objects += entries[i].type != 0;
        counts.DCs += entries[i].type == GdiTypeDC;
    }
    return counts;
}
