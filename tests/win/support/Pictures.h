// tests/win/support/Pictures.h
// Reading pictures back pixel by pixel, and writing them out for people to look at.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Graphics.h"

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
