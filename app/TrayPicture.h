// app/TrayPicture.h
// The arithmetic of the 16 x 16 tray picture and the gauge colours. Portable.
#pragma once

// One bar of the picture: columns Left..Right-1, rows Top..15 (Top 16 draws nothing).
struct TrayBar {
    int Left;
    int Right;
    int Top;
};

// Bar index 0 system, 1 User, 2 GDI; figure 0..100 (taken as a byte, as drawn).
TrayBar TrayBarFor(int index, unsigned char figure);

// The gauge colour for a figure, as a Windows colour value: lime at 40 and above,
// yellow from 20 to 39, red below 20.
int ColorForFigure(int figure);
