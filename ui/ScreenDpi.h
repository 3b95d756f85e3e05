// The screen's DPI, read through one replaceable function so that a test can
// choose the header picture's resolution, and the picture for each DPI.
#pragma once

// Returns the horizontal DPI, or 0 when it cannot be read.
using ScreenDpiReader = int (*)();

// The screen DC's LOGPIXELSX through the installed reader.
int ReadScreenDpi();

// Installs reader (nullptr restores the screen DC) and returns the one it replaced.
ScreenDpiReader SetScreenDpiReader(ScreenDpiReader reader);

// Bitmap resource of the dialog header for dpi: 148 from 144, 147 from 120, else 110.
int HeaderBitmapIdForDpi(int dpi);
