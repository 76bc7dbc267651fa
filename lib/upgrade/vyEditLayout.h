// lib/upgrade/vyEditLayout.h
// The portable side of units vyEdit and vyAttachedLabel: where the button sits inside the
// edit, how much of the edit the text may use, the edit's minimum height, and where the
// attached label goes. No <windows.h> here: compiled natively too and unit-tested.
#pragma once

enum class TvyAttachedLabelPosition { lpAbove, lpBelow, lpLeft, lpRight };
enum class TvyAttachedLabelSpacingKind { skNearPoint, skFarPoint };

struct TvyLayoutRect {
    int Left, Top, Width, Height;
    bool operator==(const TvyLayoutRect&) const = default;
};

struct TvyLayoutPoint {
    int X, Y;
    bool operator==(const TvyLayoutPoint&) const = default;
};

// What the button's place depends on: the system's control style (new-style controls since
// Windows 95), the edit's 3-D look and whether it has a single border.
struct TvyEditFrame {
    bool NewStyle;
    bool Ctl3D;
    bool SingleBorder;
};

// The host panel's rectangle in the edit's client coordinates for a button bw wide in an
// edit of width x height (outer size). Its width is bw when the button shows, else 0.
TvyLayoutRect EditButtonRect(int width, int height, int bw, bool buttonVisible, const TvyEditFrame& frame);

// The text rectangle (left, top, right, bottom = 0, 0, right, bottom) set on the edit so that
// typed text stops short of the button: two pixels to spare.
struct TvyTextArea {
    int Right, Bottom;
    bool operator==(const TvyTextArea&) const = default;
};
TvyTextArea EditTextArea(int clientWidth, int clientHeight, int panelWidth, bool buttonVisible);

// The smallest height the edit accepts: a quarter of the border height, the smaller of the
// system font's and the edit font's text height, and one pixel.
int EditMinHeight(int cyBorder, int systemTextHeight, int fontTextHeight);

// The top-left corner of a label of labelWidth x labelHeight attached to an edit with the
// given bounds. Near point: spacing is the gap between the facing edges. Far point: spacing
// runs from the edit's edge to the label's far edge. Left and right labels are centred
// vertically on the edit.
TvyLayoutPoint AttachedLabelOrigin(const TvyLayoutRect& edit, int labelWidth, int labelHeight,
                                   TvyAttachedLabelPosition position, int spacing, TvyAttachedLabelSpacingKind kind);
