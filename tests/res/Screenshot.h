// Captures a window as the user sees it, for looking at templates by eye.
#pragma once

#include <windows.h>

// Writes the window (frame included) as a 24-bit BMP file. The window must
// be shown and painted. Returns FALSE when capturing or writing fails.
BOOL SaveWindowAsBmp(HWND window, const wchar_t* path);
