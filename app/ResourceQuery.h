// app/ResourceQuery.h
// How much of the System, GDI and User resources is free, as whole percentages.
#pragma once

#include <cstdint>

// 0 selects the system resources, 1 the GDI resources, 2 the User resources. Returns the
// free percentage unscaled, or raises Exception with "Can't load USER.EXE!" or
// "Can't get address of GetFreeSystemResources!". Goes through the platform seam.
unsigned short QueryFreeResources(unsigned short selector);

// --- the 16-bit path ---------------------------------------------------------------------

// The kernel services the 16-bit path calls, found at run time. Laid out for the assembly
// routine: keep the order.
struct TResourceApi16 {
    uint16_t(__stdcall* LoadLibrary16)(const char* name);               // kernel32 ordinal 35
    void(__stdcall* FreeLibrary16)(uint16_t module);                    // ordinal 36
    uint32_t(__stdcall* GetProcAddress16)(uint16_t module, const char* name); // ordinal 37
    void* QT_Thunk;                                                      // far address in EDX
    // When set, step 7 calls the far address through this helper instead of QT_Thunk.
    uint32_t(__cdecl* Call16)(uint32_t proc, uint32_t selector);
};
static_assert(sizeof(TResourceApi16) == 20, "the assembly routine reads fixed offsets");

// The two process-wide values of the 16-bit path: the last module handle obtained and the
// last far address of GetFreeSystemResources (0: not found). Written on every call.
extern "C" int32_t tgUserModule;
extern "C" uint32_t tgFreeResourcesProc;

// The 16-bit path itself, with the services given (tests hand in their own).
unsigned short QueryFreeResources16(unsigned short selector, const TResourceApi16& api);

// Where the figures come from on this machine, chosen once.
enum class TResourceSource {
    Thunk16,         // Windows 95/98: QT_Thunk into the 16-bit window manager
    Thunk16Callback, // Wine: the same 16-bit module, called through the generic callback
    ObjectCounts,    // NT-family Windows: USER and GDI object use against their limits
    None,            // nothing to ask
};
TResourceSource ChosenResourceSource();
