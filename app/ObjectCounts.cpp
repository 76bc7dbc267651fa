// app/ObjectCounts.cpp
#include "ObjectCounts.h"

int FreePercent(uint32_t used, uint32_t limit)
{
    if (limit == 0 || used >= limit) return 0;
    const uint64_t freeCount = static_cast<uint64_t>(limit) - used;
    return static_cast<int>((freeCount * 200 + limit) / (2ULL * limit));
}

int FreeFigure(const TObjectUse& use, unsigned short selector)
{
    const int user = FreePercent(use.UserUsed, use.UserLimit);
    const int gdi = FreePercent(use.GdiUsed, use.GdiLimit);
    switch (selector) {
    case 1: return gdi;
    case 2: return user;
    default: return user < gdi ? user : gdi;
    }
}

bool MeasurementDue(uint32_t now, uint32_t last, bool haveMeasurement)
{
    return !haveMeasurement || static_cast<uint32_t>(now - last) >= 1000;
}
