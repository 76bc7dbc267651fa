// lib/window/vyFormPlacementRules.cpp
#include "vyFormPlacementRules.h"

#include <algorithm>
#include <climits>

namespace {

// The origin on one axis that puts [origin, origin + size) inside [low, high), moving as
// little as possible; low when the size does not fit.
int Inside(int origin, int size, int low, int high)
{
    // 64-bit: stored values may be anything a registry value can hold.
    const long long last = static_cast<long long>(high) - std::max(size, 0);
    if (last < low) return low;
    return static_cast<int>(std::clamp<long long>(origin, low, last));
}

bool Overlaps(int origin, int size, int low, int high)
{
    return size > 0 && origin < high && static_cast<long long>(origin) + size > low;
}

int FarEdge(int origin, int size)
{
    return static_cast<int>(std::clamp<long long>(static_cast<long long>(origin) + size, INT_MIN, INT_MAX));
}

} // namespace

TvyPlacementArea BoundsArea(const TvyPlacementBounds& bounds)
{
    return {bounds.Left, bounds.Top, FarEdge(bounds.Left, bounds.Width), FarEdge(bounds.Top, bounds.Height)};
}

TvyPlacementBounds KeepOnWorkArea(const TvyPlacementBounds& bounds, const TvyPlacementArea& area)
{
    if (Overlaps(bounds.Left, bounds.Width, area.Left, area.Right) &&
        Overlaps(bounds.Top, bounds.Height, area.Top, area.Bottom))
        return bounds;
    TvyPlacementBounds moved = bounds;
    moved.Left = Inside(bounds.Left, bounds.Width, area.Left, area.Right);
    moved.Top = Inside(bounds.Top, bounds.Height, area.Top, area.Bottom);
    return moved;
}
