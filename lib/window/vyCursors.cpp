// lib/window/vyCursors.cpp
#include "vyCursors.h"

#include <cctype>

#include "Forms.h"
#include "WinUtils.h"

namespace {

// 32649 is IDC_HAND and 32631 the pen; the SDK names them only for newer Windows.
constexpr WORD SystemHand = 32649;
constexpr WORD SystemPen = 32631;

const TvyCursorInfo Set[] = {
    {crLinkSelect, "crLinkSelect", SystemHand, "CRHAND"},
    {crHandwriting, "crHandwriting", SystemPen, "CRPEN"},
    {cr3dAppStart, "cr3dAppStart", 0, nullptr},
    {cr3dArrow, "cr3dArrow", 0, nullptr},
    {cr3dArrowNE, "cr3dArrowNE", 0, nullptr},
    {cr3dArrowScrollHorz, "cr3dArrowScrollHorz", 0, nullptr},
    {cr3dArrowScrollVert, "cr3dArrowScrollVert", 0, nullptr},
    {cr3dArrowSize, "cr3dArrowSize", 0, nullptr},
    {cr3dArrowResize, "cr3dArrowResize", 0, nullptr},
    {cr3dArrowWarning, "cr3dArrowWarning", 0, nullptr},
    {cr3dCross, "cr3dCross", 0, nullptr},
    {cr3dDragSelection, "cr3dDragSelection", 0, nullptr},
    {cr3dDragSelectionPlus, "cr3dDragSelectionPlus", 0, nullptr},
    {cr3dHandwriting, "cr3dHandwriting", 0, nullptr},
    {cr3dHelp, "cr3dHelp", 0, nullptr},
    {cr3dHourGlass, "cr3dHourGlass", 0, nullptr},
    {cr3dIBeam, "cr3dIBeam", 0, nullptr},
    {cr3dNo, "cr3dNo", 0, nullptr},
    {cr3dSize, "cr3dSize", 0, nullptr},
    {cr3dSizeNESW, "cr3dSizeNESW", 0, nullptr},
    {cr3dSizeNS, "cr3dSizeNS", 0, nullptr},
    {cr3dSizeNWSE, "cr3dSizeNWSE", 0, nullptr},
    {cr3dSizeWE, "cr3dSizeWE", 0, nullptr},
    {cr3dTool, "cr3dTool", 0, nullptr},
    {cr3dUpArrow, "cr3dUpArrow", 0, nullptr},
    {crArrowNE, "crArrowNE", 0, nullptr},
    {crArrowNW, "crArrowNW", 0, nullptr},
    {crArrowScrollHorz, "crArrowScrollHorz", 0, nullptr},
    {crArrowScrollVert, "crArrowScrollVert", 0, nullptr},
    {crArrowSE, "crArrowSE", 0, nullptr},
    {crArrowSize, "crArrowSize", 0, nullptr},
    {crArrowResize, "crArrowResize", 0, nullptr},
    {crArrowSW, "crArrowSW", 0, nullptr},
    {crDragFile, "crDragFile", 0, nullptr},
    {crDragFiles, "crDragFiles", 0, nullptr},
    {crDragSelection, "crDragSelection", 0, nullptr},
    {crDragSelectionPlus, "crDragSelectionPlus", 0, nullptr},
    {crHand, "crHand", 0, nullptr},
    {crItBeam, "crItBeam", 0, nullptr},
    {crPen, "crPen", 0, nullptr},
    {crTool, "crTool", 0, nullptr},
    {crZoomIn, "crZoomIn", 0, nullptr},
    {crZoomOut, "crZoomOut", 0, nullptr},
};

// The names need no Screen, so a form read before InitCursorSet (or without it, in a
// tool) already knows them.
[[maybe_unused]] const bool IdentsRegistered = (RegisterCursorIdents(), true);

} // namespace

std::span<const TvyCursorInfo> CursorSet()
{
    return Set;
}

std::string CursorResourceName(const TvyCursorInfo& info)
{
    std::string name = info.Name;
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

void RegisterCursorIdents()
{
    static bool done = false;
    if (done) return;
    done = true;
    TIdentMap& idents = CursorIdents();
    // Each Add(..., true) goes in front, so adding the last first keeps the set's order.
    for (auto it = std::rbegin(Set); it != std::rend(Set); ++it) idents.Add(it->Name, it->Value, true);
}

HCURSOR LoadSystemCursorOr(WORD systemCursor, HINSTANCE instance, const char* fallback)
{
    if (HCURSOR c = LoadCursorA(nullptr, MAKEINTRESOURCEA(systemCursor))) return c;
    return fallback ? LoadCursorA(instance, fallback) : nullptr;
}

void InitCursorSet()
{
    RegisterCursorIdents();
    // Loading all 43 took a large share of start-up under Wine; most are never shown.
    Screen->SetCursorLoader(Set[std::size(Set) - 1].Value, Set[0].Value, [](int id) -> HCURSOR {
        const TvyCursorInfo& info = Set[Set[0].Value - id];
        // LoadCursorA hands out shared cursors, which must never be destroyed.
        return info.SystemCursor ? LoadSystemCursorOr(info.SystemCursor, MainInstance(), info.Fallback)
                                 : LoadCursorA(MainInstance(), CursorResourceName(info).c_str());
    });
}
