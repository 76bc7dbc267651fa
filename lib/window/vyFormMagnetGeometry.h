// lib/window/vyFormMagnetGeometry.h
// The portable side of unit vyFormMagnet: where a moving window lands when it comes near
// another magnet window or an edge of the screen area. No <windows.h> here: compiled
// natively too and unit-tested.
#pragma once

#include <functional>
#include <vector>

// A window's rectangle in screen pixels. A moving window keeps its size: every snap moves
// both opposite edges.
struct TvyMagnetRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    // Moves the rectangle, keeping its size.
    void MoveTo(int left, int top);
    bool operator==(const TvyMagnetRect&) const = default;
};

TvyMagnetRect MagnetRectOf(int left, int top, int width, int height);

// The screen area's edges that attract; set bit i = member i.
enum class TvyScreenEdge { seLeft, seTop, seRight, seBottom };
using TvyScreenEdges = unsigned;
constexpr TvyScreenEdges ScreenEdgeBit(TvyScreenEdge e) { return 1u << static_cast<unsigned>(e); }
constexpr TvyScreenEdges AllScreenEdges = 15;

// An edge at a attracts one at b when they are apart, but by less than power pixels.
bool WithinPower(int a, int b, int power);

// The window's rectangle while the cursor holds it at the grip offset (cursor minus the
// window's top-left corner when the drag began).
TvyMagnetRect FollowCursor(int cursorX, int cursorY, int gripX, int gripY, int width, int height);

// Snaps r to the outer edges of another window's rectangle o: above it, then below it
// (when they overlap horizontally), then left of it, then right of it (when they overlap
// vertically, as r is by then). allow() (when set) is asked before each snap and may veto it.
// Returns whether any snap happened.
bool SnapToWindow(TvyMagnetRect& r, const TvyMagnetRect& o, int power, const std::function<bool()>& allow);

// Snaps r to the edges of the area that are in edges: top, bottom, left, right, in that
// order, so the bottom and right edges win when r is nearly as large as the area.
void SnapToArea(TvyMagnetRect& r, const TvyMagnetRect& area, int power, TvyScreenEdges edges);

// Another magnet window that attracts, and who is asked before r snaps to it.
struct TvyMagnetTarget {
    TvyMagnetRect Rect;
    std::function<bool()> Allow;
};

// Docks r: to each target in turn (later ones see r as earlier ones left it, so the last
// one wins along each axis), then, unless a target took it and alwaysArea is off, to the
// area's edges with screenPower. Returns whether a target took it.
bool DockRect(TvyMagnetRect& r, const std::vector<TvyMagnetTarget>& targets, int power, const TvyMagnetRect& area,
              int screenPower, TvyScreenEdges edges, bool alwaysArea);

// Whether another window is glued to own: one of its edges lies on the line of own's
// opposite edge, wherever along that line it is.
bool GluedTo(const TvyMagnetRect& own, const TvyMagnetRect& other);
