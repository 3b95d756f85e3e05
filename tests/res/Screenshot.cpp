#include "tests/res/Screenshot.h"

#include <cstdio>
#include <vector>

BOOL SaveWindowAsBmp(HWND window, const wchar_t* path)
{
    RECT rc;
    if (!GetWindowRect(window, &rc)) return FALSE;
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    const int stride = (width * 3 + 3) & ~3;

    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = width;
    bih.biHeight = height; // bottom-up, as a BMP file stores it
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    bih.biCompression = BI_RGB;
    bih.biSizeImage = stride * height;

    HDC windowDc = GetWindowDC(window);
    if (!windowDc) return FALSE;
    HDC memDc = CreateCompatibleDC(windowDc);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(windowDc, reinterpret_cast<BITMAPINFO*>(&bih), DIB_RGB_COLORS,
                                   &bits, nullptr, 0);
    BOOL ok = memDc && dib;
    if (ok) {
        HGDIOBJ old = SelectObject(memDc, dib);
        // Reading the window's own DC gets its current pixels, children
        // included, whatever lies above it on the screen.
        ok = BitBlt(memDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
        GdiFlush();
        SelectObject(memDc, old);
    }
    ReleaseDC(window, windowDc);

    if (ok) {
        BITMAPFILEHEADER bfh = {};
        bfh.bfType = 0x4D42; // "BM"
        bfh.bfOffBits = sizeof bfh + sizeof bih;
        bfh.bfSize = bfh.bfOffBits + bih.biSizeImage;
        FILE* f = _wfopen(path, L"wb");
        ok = f && fwrite(&bfh, sizeof bfh, 1, f) == 1 && fwrite(&bih, sizeof bih, 1, f) == 1 &&
             fwrite(bits, bih.biSizeImage, 1, f) == 1;
        if (f && fclose(f) != 0) ok = FALSE;
    }
    if (dib) DeleteObject(dib);
    if (memDc) DeleteDC(memDc);
    return ok;
}
