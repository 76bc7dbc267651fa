// app/ObjectCounts.h
// How object use maps to free-resource figures where there is no 16-bit window manager
// (NT-family Windows). Portable arithmetic; NtResources.cpp gathers the counts.
//
// Windows 95/98 report the User and GDI heaps as percentages free and the system figure as
// the smaller of the two. NT has no such heaps; what runs out instead are USER and GDI
// objects, each against a limit. So each figure is the share of its limit still unused,
// and the system figure is again the smaller of the two.
#pragma once

#include <cstdint>

struct TObjectUse {
    uint32_t UserUsed = 0;
    uint32_t UserLimit = 0;
    uint32_t GdiUsed = 0;
    uint32_t GdiLimit = 0;
};

// The whole percentage of limit still free, rounded to nearest, 0..100. A limit of 0
// means nothing can be had: 0.
int FreePercent(uint32_t used, uint32_t limit);

// The figure for a selector: 0 system (the smaller of the two), 1 GDI, 2 User.
int FreeFigure(const TObjectUse& use, unsigned short selector);

// True when a measurement taken at tick `last` (milliseconds, wrapping) is older than a
// second at tick `now`, or when there is none yet.
bool MeasurementDue(uint32_t now, uint32_t last, bool haveMeasurement);
