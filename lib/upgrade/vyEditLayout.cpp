// lib/upgrade/vyEditLayout.cpp
#include "vyEditLayout.h"

#include <algorithm>

TvyLayoutRect EditButtonRect(int width, int height, int bw, bool buttonVisible, const TvyEditFrame& frame)
{
    TvyLayoutRect r{width - bw, 0, 0, height};
    if (frame.NewStyle && frame.SingleBorder) {
        // A 3-D border is two pixels each side outside the client area; a flat one is one
        // pixel, and the button then keeps a pixel off it.
        if (frame.Ctl3D)
            r = TvyLayoutRect{width - bw - 4, 0, 0, height - 4};
        else
            r = TvyLayoutRect{width - bw - 2, 2, 0, height - 4};
    }
    r.Width = buttonVisible ? bw : 0;
    return r;
}

TvyTextArea EditTextArea(int clientWidth, int clientHeight, int panelWidth, bool buttonVisible)
{
    return TvyTextArea{clientWidth - (buttonVisible ? panelWidth : 0) - 2, clientHeight + 1};
}

int EditMinHeight(int cyBorder, int systemTextHeight, int fontTextHeight)
{
    return cyBorder / 4 + std::min(systemTextHeight, fontTextHeight) + 1;
}

TvyLayoutPoint AttachedLabelOrigin(const TvyLayoutRect& edit, int labelWidth, int labelHeight,
                                   TvyAttachedLabelPosition position, int spacing, TvyAttachedLabelSpacingKind kind)
{
    const bool far = kind == TvyAttachedLabelSpacingKind::skFarPoint;
    // A label taller than the edit reaches above and below it (the halving truncates).
    const int centre = edit.Top + (edit.Height - labelHeight) / 2;
    switch (position) {
    case TvyAttachedLabelPosition::lpAbove:
        return {edit.Left, far ? edit.Top - spacing : edit.Top - labelHeight - spacing};
    case TvyAttachedLabelPosition::lpBelow:
        return {edit.Left, far ? edit.Top + edit.Height + spacing - labelHeight : edit.Top + edit.Height + spacing};
    case TvyAttachedLabelPosition::lpLeft:
        return {far ? edit.Left - spacing : edit.Left - labelWidth - spacing, centre};
    case TvyAttachedLabelPosition::lpRight:
        return {far ? edit.Left + edit.Width + spacing - labelWidth : edit.Left + edit.Width + spacing, centre};
    }
    return {edit.Left, edit.Top};
}
