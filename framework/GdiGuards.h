// framework/GdiGuards.h
// Small owners of device contexts, GDI objects and device-context state. Each gives back
// what it took when it goes out of scope: EOutOfResources is thrown exactly when GDI runs
// low, and a drawing path it passes through must not keep a context or a selection then.
#pragma once

#include <windows.h>

#include <utility>

#include "SysUtils.h"

// The text of the EOutOfResources the guards throw when the system refuses a context.
inline constexpr const char* kGdiOutOfResources = "Out of system resources";

// A GDI object this code made (pen, brush, bitmap, region), deleted when the owner goes.
// Null is allowed and owns nothing; Release hands the object on.
class TGdiObject {
public:
    explicit TGdiObject(HGDIOBJ object = nullptr) noexcept : FObject(object) {}
    ~TGdiObject()
    {
        if (FObject) DeleteObject(FObject);
    }
    TGdiObject(const TGdiObject&) = delete;
    TGdiObject& operator=(const TGdiObject&) = delete;
    HGDIOBJ Get() const noexcept { return FObject; }
    HGDIOBJ Release() noexcept { return std::exchange(FObject, nullptr); }

private:
    HGDIOBJ FObject;
};

// BeginPaint/EndPaint of one WM_PAINT.
class TPaintDC {
public:
    explicit TPaintDC(HWND wnd) noexcept : FWnd(wnd), FDC(BeginPaint(wnd, &FPaint)) {}
    ~TPaintDC() { EndPaint(FWnd, &FPaint); }
    TPaintDC(const TPaintDC&) = delete;
    TPaintDC& operator=(const TPaintDC&) = delete;
    HDC DC() const noexcept { return FDC; }
    const RECT& PaintRect() const noexcept { return FPaint.rcPaint; }

private:
    HWND FWnd;
    PAINTSTRUCT FPaint{};
    HDC FDC;
};

// GetDC/ReleaseDC of a window's client area, or of the screen when the window is null.
class TScreenDC {
public:
    explicit TScreenDC(HWND wnd = nullptr) noexcept : FWnd(wnd), FDC(GetDC(wnd)) {}
    ~TScreenDC()
    {
        if (FDC) ReleaseDC(FWnd, FDC);
    }
    TScreenDC(const TScreenDC&) = delete;
    TScreenDC& operator=(const TScreenDC&) = delete;
    HDC DC() const noexcept { return FDC; }

private:
    HWND FWnd;
    HDC FDC;
};

// GetWindowDC/ReleaseDC: the whole window, frame and caption included.
class TWindowDC {
public:
    explicit TWindowDC(HWND wnd) noexcept : FWnd(wnd), FDC(GetWindowDC(wnd)) {}
    ~TWindowDC()
    {
        if (FDC) ReleaseDC(FWnd, FDC);
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC DC() const noexcept { return FDC; }

private:
    HWND FWnd;
    HDC FDC;
};

// A memory context compatible with the screen (or with `like`), optionally with one bitmap
// selected; the context's own bitmap goes back in before it is deleted, so the selected one
// is free again. Throws EOutOfResources when the context or the selection is refused.
class TMemoryDC {
public:
    explicit TMemoryDC(HBITMAP bitmap = nullptr, HDC like = nullptr) : FDC(CreateCompatibleDC(like))
    {
        if (!FDC) throw EOutOfResources(kGdiOutOfResources);
        if (bitmap) {
            FOld = SelectObject(FDC, bitmap);
            if (!FOld) {
                DeleteDC(FDC);
                throw EOutOfResources(kGdiOutOfResources);
            }
        }
    }
    ~TMemoryDC()
    {
        if (FOld) SelectObject(FDC, FOld);
        DeleteDC(FDC);
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    HDC DC() const noexcept { return FDC; }

private:
    HDC FDC;
    HGDIOBJ FOld = nullptr;
};

// SaveDC/RestoreDC: every setting of the context (selections, colours, modes, clipping,
// origin) made while the guard lives is undone when it goes.
class TSavedDC {
public:
    explicit TSavedDC(HDC dc) noexcept : FDC(dc), FLevel(SaveDC(dc)) {}
    ~TSavedDC()
    {
        if (FLevel) RestoreDC(FDC, FLevel);
    }
    TSavedDC(const TSavedDC&) = delete;
    TSavedDC& operator=(const TSavedDC&) = delete;

private:
    HDC FDC;
    int FLevel;
};

// One object selected into a context for a while; the previous one goes back in.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ object) noexcept : FDC(dc), FOld(SelectObject(dc, object)) {}
    ~TSelectObject()
    {
        if (FOld) SelectObject(FDC, FOld);
    }
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;
    // Whether the context took the object.
    explicit operator bool() const noexcept { return FOld != nullptr; }

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// The text and background colours of a context, set for a while (a monochrome bitmap drawn
// onto colour takes them) and put back afterwards.
class TDCColors {
public:
    TDCColors(HDC dc, COLORREF text, COLORREF back) noexcept
        : FDC(dc), FText(SetTextColor(dc, text)), FBack(SetBkColor(dc, back))
    {
    }
    ~TDCColors()
    {
        SetBkColor(FDC, FBack);
        SetTextColor(FDC, FText);
    }
    TDCColors(const TDCColors&) = delete;
    TDCColors& operator=(const TDCColors&) = delete;

private:
    HDC FDC;
    COLORREF FText, FBack;
};

// The background colour of a context alone (a colour-to-monochrome copy reads it as the
// colour that becomes white).
class TDCBkColor {
public:
    TDCBkColor(HDC dc, COLORREF back) noexcept : FDC(dc), FBack(SetBkColor(dc, back)) {}
    ~TDCBkColor() { SetBkColor(FDC, FBack); }
    TDCBkColor(const TDCBkColor&) = delete;
    TDCBkColor& operator=(const TDCBkColor&) = delete;

private:
    HDC FDC;
    COLORREF FBack;
};

// The stretch mode of a context, set for a while.
class TStretchMode {
public:
    TStretchMode(HDC dc, int mode) noexcept : FDC(dc), FOld(SetStretchBltMode(dc, mode)) {}
    ~TStretchMode()
    {
        if (FOld) SetStretchBltMode(FDC, FOld);
    }
    TStretchMode(const TStretchMode&) = delete;
    TStretchMode& operator=(const TStretchMode&) = delete;

private:
    HDC FDC;
    int FOld;
};
