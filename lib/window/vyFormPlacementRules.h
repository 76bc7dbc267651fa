// lib/window/vyFormPlacementRules.h
// Where a form restored from the registry may go: pure geometry, no windows.
#pragma once

// A form's bounds: origin and size, as the form's Left, Top, Width and Height.
struct TvyPlacementBounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TvyPlacementBounds&) const = default;
};

// An area of the screen by its edges; Right and Bottom lie just outside it.
struct TvyPlacementArea {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TvyPlacementArea&) const = default;
};

// The area the bounds cover. Stored values may be anything a registry value holds: a far
// edge beyond the range of an int stops at its limit.
TvyPlacementArea BoundsArea(const TvyPlacementBounds& bounds);

// A stored placement may come from a larger screen or a monitor no longer there. Bounds that
// share at least one pixel with the area are kept as they are; bounds wholly outside it move
// the shortest way inside, keeping their size (a form wider or taller than the area is put
// at its left or top edge).
TvyPlacementBounds KeepOnWorkArea(const TvyPlacementBounds& bounds, const TvyPlacementArea& area);
