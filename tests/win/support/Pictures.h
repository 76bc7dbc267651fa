// tests/win/support/Pictures.h
// Reading pictures back pixel by pixel, and writing them out for people to look at.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Graphics.h"

// A colour as the six hexadecimal digits of its COLORREF value (blue first).
std::string Hex(COLORREF c);

// The pixels of a bitmap, top row first, as COLORREF values.
std::vector<COLORREF> PixelsOf(TBitmap& bitmap);
// What the screen shows in a rectangle of screen coordinates, into bitmap.
void CaptureScreen(const RECT& r, TBitmap& bitmap);
// Where tests write pictures: $TG_ARTIFACTS (a Linux path is reached through Z:), else the
// folder of the test program.
std::string ArtifactFolder();
// Writes top-row-first pixels as a 24-bit BMP file.
bool WriteBmp(const std::string& path, int w, int h, const std::vector<COLORREF>& px);
// Writes a bitmap under ArtifactFolder() as name.bmp; returns the path ("" on failure).
std::string SaveArtifact(TBitmap& bitmap, const std::string& name);
// Writes a bitmap under ArtifactFolder() as name (a .png name) for people to look at.
bool SavePngArtifact(TBitmap& bitmap, const std::string& name);
// Writes rgb rows (3 bytes a pixel) as a PNG file (stored deflate blocks).
bool WritePng(const std::string& name, int width, int height, const std::vector<unsigned char>& rgb);

// A 32-bit top-down DIB section in a memory context with a canvas on it: exact pixels at any
// screen depth.
class TDibTarget {
public:
    TDibTarget(int width, int height, COLORREF fill);
    ~TDibTarget();
    TDibTarget(const TDibTarget&) = delete;
    TDibTarget& operator=(const TDibTarget&) = delete;

    HDC DC() const { return FDC; }
    TCanvas* Canvas() { return &FCanvas; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void Fill(COLORREF c);
    COLORREF Pixel(int x, int y) const;
    int CountOf(COLORREF c) const;
    bool SavePng(const std::string& name) const;

private:
    int FWidth, FHeight;
    HBITMAP FBitmap = nullptr;
    uint32_t* FBits = nullptr;
    HDC FDC = nullptr;
    HGDIOBJ FOld = nullptr;
    TCanvas FCanvas;
};

// Compares width x height pixels read by actual(x, y) with expected(x, y); reports the
// first few that differ and how many did.
void ExpectPixels(int width, int height, const std::function<COLORREF(int, int)>& actual,
                  const std::function<COLORREF(int, int)>& expected, const std::string& what);
void ExpectPixels(const TDibTarget& target, const std::function<COLORREF(int, int)>& expected,
                  const std::string& what);
// Both bitmaps have the same size and the same pixels.
void ExpectSamePixels(TBitmap& expected, TBitmap& actual, const std::string& what);

// The gradient's arithmetic written independently of the code under test: MulDiv as the
// exact quotient rounded half away from zero, the colour of band i of steps between two
// colours, and the band of 255 that covers position p of a length.
int Scaled(int a, int b, int c);
COLORREF Band(COLORREF c1, COLORREF c2, int i, int steps);
int BandAt(int p, int length);

// The client area of a shown window as the screen has it (pump first: drawing reaches the
// screen asynchronously).
std::unique_ptr<TDibTarget> ClientPicture(HWND window);
