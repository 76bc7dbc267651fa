// lib/presentation/vyPropImageGeometry.h
// The portable side of unit vyPropImage: where a picture lands in the control, scaled or not,
// at one of nine alignments. No <windows.h> here: compiled natively too and unit-tested.
#pragma once

enum class TvyImageAlignment { iaCenter, iaLeft, iaTop, iaRight, iaBottom, iaTopLeft, iaTopRight, iaBottomLeft, iaBottomRight };

struct TvyImageRect {
    int Left, Top, Right, Bottom;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TvyImageRect&) const = default;
};

// The rectangle a pw x ph picture is drawn into in a cw x ch client area. Stretch scales it
// to the client; Proportional keeps its aspect ratio and also shrinks a picture that does not
// fit. Without either it keeps its size and may reach outside the client (negative offsets).
TvyImageRect ProportionalImageRect(int pw, int ph, int cw, int ch, bool stretch, bool proportional,
                                   TvyImageAlignment alignment);
