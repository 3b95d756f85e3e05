// Pictures of the test display for a person to look at later, as PNG files
// under <build>/screenshots/e2e/.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// The folder the pictures go to (Wine's view of the build tree).
std::wstring ScreenshotFolder();

// Reads a rectangle of the screen as the display shows it (every process's
// windows) into rows of RGB, top row first.
bool CaptureScreenRect(const RECT& area, std::vector<std::uint8_t>& rgb);

// The header of a 32-bit bitmap of that size with its top row first, and
// such a bitmap's BGRX pixels as rows of RGB: how the screen and drawn
// comparisons are read.
BITMAPINFO TopDownBitmapInfo(int width, int height);
void BgrxToRgb(const std::uint8_t* bgrx, size_t pixels, std::vector<std::uint8_t>& rgb);

// <folder>/<name>.png of the whole screen, or of window's rectangle of it.
// Returns the file's path, empty when capturing or writing failed.
std::wstring SaveScreenPng(const std::wstring& name);
std::wstring SaveWindowPng(HWND window, const std::wstring& name);

} // namespace e2e
