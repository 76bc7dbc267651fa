// lib/window/vyFormMagnetGeometry.cpp
#include "vyFormMagnetGeometry.h"

#include <cstdlib>

void TvyMagnetRect::MoveTo(int left, int top)
{
    const int w = Width(), h = Height();
    Left = left;
    Top = top;
    Right = left + w;
    Bottom = top + h;
}

TvyMagnetRect MagnetRectOf(int left, int top, int width, int height)
{
    return TvyMagnetRect{left, top, left + width, top + height};
}

bool WithinPower(int a, int b, int power)
{
    // In 64 bits: edges far outside the screen must not overflow the distance.
    const long long d = std::llabs(static_cast<long long>(a) - b);
    return d > 0 && d < power;
}

TvyMagnetRect FollowCursor(int cursorX, int cursorY, int gripX, int gripY, int width, int height)
{
    return MagnetRectOf(cursorX - gripX, cursorY - gripY, width, height);
}

bool SnapToWindow(TvyMagnetRect& r, const TvyMagnetRect& o, int power, const std::function<bool()>& allow)
{
    bool snapped = false;
    auto snap = [&](int left, int top) {
        if (allow && !allow()) return;
        r.MoveTo(left, top);
        snapped = true;
    };
    if (r.Right > o.Left && o.Right > r.Left) {
        if (WithinPower(r.Bottom, o.Top, power)) snap(r.Left, o.Top - r.Height());
        if (WithinPower(r.Top, o.Bottom, power)) snap(r.Left, o.Bottom);
    }
    if (r.Bottom > o.Top && o.Bottom > r.Top) {
        if (WithinPower(r.Right, o.Left, power)) snap(o.Left - r.Width(), r.Top);
        if (WithinPower(r.Left, o.Right, power)) snap(o.Right, r.Top);
    }
    return snapped;
}

void SnapToArea(TvyMagnetRect& r, const TvyMagnetRect& area, int power, TvyScreenEdges edges)
{
    auto has = [edges](TvyScreenEdge e) { return (edges & ScreenEdgeBit(e)) != 0; };
    if (has(TvyScreenEdge::seTop) && WithinPower(r.Top, area.Top, power)) r.MoveTo(r.Left, area.Top);
    if (has(TvyScreenEdge::seBottom) && WithinPower(r.Bottom, area.Bottom, power))
        r.MoveTo(r.Left, area.Bottom - r.Height());
    if (has(TvyScreenEdge::seLeft) && WithinPower(r.Left, area.Left, power)) r.MoveTo(area.Left, r.Top);
    if (has(TvyScreenEdge::seRight) && WithinPower(r.Right, area.Right, power))
        r.MoveTo(area.Right - r.Width(), r.Top);
}

bool DockRect(TvyMagnetRect& r, const std::vector<TvyMagnetTarget>& targets, int power, const TvyMagnetRect& area,
              int screenPower, TvyScreenEdges edges, bool alwaysArea)
{
    bool snapped = false;
    for (const TvyMagnetTarget& t : targets)
        if (SnapToWindow(r, t.Rect, power, t.Allow)) snapped = true;
    if (!snapped || alwaysArea) SnapToArea(r, area, screenPower, edges);
    return snapped;
}

bool GluedTo(const TvyMagnetRect& own, const TvyMagnetRect& other)
{
    return own.Bottom == other.Top || own.Right == other.Left || other.Bottom == own.Top || other.Right == own.Left;
}
