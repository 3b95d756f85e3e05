// Pictures of the test display for a person to look at later, as PNG files
// under <build>/screenshots/e2e/.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/WindowPicture.h"

namespace e2e {

// The folder the pictures go to (Wine's view of the build tree).
std::wstring ScreenshotFolder();

// Reads a rectangle of the screen as the display shows it (every process's
// windows) into rows of RGB, top row first.
bool CaptureScreenRect(const RECT& area, std::vector<std::uint8_t>& rgb);

// <folder>/<name>.png of the whole screen, or of window's rectangle of it.
// Returns the file's path, empty when capturing or writing failed.
std::wstring SaveScreenPng(const std::wstring& name);
std::wstring SaveWindowPng(HWND window, const std::wstring& name);

} // namespace e2e
