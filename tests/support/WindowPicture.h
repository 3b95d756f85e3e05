// Pictures of windows for a person to look at, written as PNG files.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The header of a 32-bit bitmap of that size with its top row first, and
// such a bitmap's BGRX pixels as rows of RGB.
BITMAPINFO TopDownBitmapInfo(int width, int height);
void BgrxToRgb(const std::uint8_t* bgrx, std::size_t pixels, std::vector<std::uint8_t>& rgb);

// Reads a rectangle of dc into rows of RGB, top row first.
bool CaptureRect(HDC dc, const RECT& area, std::vector<std::uint8_t>& rgb);

// Writes rgb (rows of width * 3 bytes, top row first) as a PNG file.
bool WritePngFile(const std::wstring& path, int width, int height, const std::vector<std::uint8_t>& rgb);

// The window, frame included, as it drew itself: read from its own DC, so
// another window overlapping it on the screen does not show.
bool WriteWindowPng(HWND window, const std::wstring& path);
