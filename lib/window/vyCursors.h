// lib/window/vyCursors.h
// The library's own cursor set: identifiers -151 to -193 in the screen's cursor list, and
// their names for stored forms (Cursor = cr3dArrow). Each is loaded when first used; the
// pictures are drawn by tools/cursors/make_cursors.py into resources named after each
// identifier in upper case (cr3dArrow: CR3DARROW, declared in resources/vyCursors.rc).
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "Controls.h"

constexpr TCursor crLinkSelect = -151, crHandwriting = -152, cr3dAppStart = -153, cr3dArrow = -154,
                  cr3dArrowNE = -155, cr3dArrowScrollHorz = -156, cr3dArrowScrollVert = -157,
                  cr3dArrowSize = -158, cr3dArrowResize = -159, cr3dArrowWarning = -160, cr3dCross = -161,
                  cr3dDragSelection = -162, cr3dDragSelectionPlus = -163, cr3dHandwriting = -164,
                  cr3dHelp = -165, cr3dHourGlass = -166, cr3dIBeam = -167, cr3dNo = -168, cr3dSize = -169,
                  cr3dSizeNESW = -170, cr3dSizeNS = -171, cr3dSizeNWSE = -172, cr3dSizeWE = -173,
                  cr3dTool = -174, cr3dUpArrow = -175, crArrowNE = -176, crArrowNW = -177,
                  crArrowScrollHorz = -178, crArrowScrollVert = -179, crArrowSE = -180, crArrowSize = -181,
                  crArrowResize = -182, crArrowSW = -183, crDragFile = -184, crDragFiles = -185,
                  crDragSelection = -186, crDragSelectionPlus = -187, crHand = -188, crItBeam = -189,
                  crPen = -190, crTool = -191, crZoomIn = -192, crZoomOut = -193;

struct TvyCursorInfo {
    TCursor Value;
    const char* Name;
    // Non-zero: a cursor of the system (IDC_ number), else the resource named Name in
    // upper case.
    WORD SystemCursor;
    // For a system cursor: the resource standing in where the system has none.
    const char* Fallback;
};

// The 43 cursors, -151 first.
std::span<const TvyCursorInfo> CursorSet();

// The resource name of a cursor of the set: its name in upper case.
std::string CursorResourceName(const TvyCursorInfo& info);

// Puts the set's names into CursorIdents(), ahead of the framework's own. Once per process;
// later calls do nothing.
void RegisterCursorIdents();

// The system's cursor, or the shared cursor resource `fallback` of `instance` when the
// system has none (Windows 95 and NT 4 have no hand cursor); null if neither loads.
HCURSOR LoadSystemCursorOr(WORD systemCursor, HINSTANCE instance, const char* fallback);

// The graphics module's start-up: registers the names and lets Screen load each cursor of
// the set when it is first asked for. The program entry calls it once, after
// InitFramework(). A cursor that cannot be loaded leaves a null handle under its identifier.
void InitCursorSet();
