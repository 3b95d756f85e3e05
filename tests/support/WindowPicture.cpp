#include "tests/support/WindowPicture.h"

#include "tests/support/PngWriter.h"

BITMAPINFO TopDownBitmapInfo(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

void BgrxToRgb(const std::uint8_t* bgrx, std::size_t pixels, std::vector<std::uint8_t>& rgb)
{
    rgb.resize(pixels * 3);
    for (std::size_t pixel = 0; pixel < pixels; ++pixel) {
        rgb[pixel * 3] = bgrx[pixel * 4 + 2];
        rgb[pixel * 3 + 1] = bgrx[pixel * 4 + 1];
        rgb[pixel * 3 + 2] = bgrx[pixel * 4];
    }
}

bool CaptureRect(HDC dc, const RECT& area, std::vector<std::uint8_t>& rgb)
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (dc == nullptr || width <= 0 || height <= 0)
        return false;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, dc, area.left, area.top, SRCCOPY | CAPTUREBLT);
    SelectObject(memory, old);

    BITMAPINFO info = TopDownBitmapInfo(width, height);
    std::vector<std::uint8_t> bgrx(static_cast<std::size_t>(width) * height * 4);
    const bool read = copied && GetDIBits(memory, bitmap, 0, height, bgrx.data(), &info, DIB_RGB_COLORS) == height;
    DeleteObject(bitmap);
    DeleteDC(memory);
    if (read)
        BgrxToRgb(bgrx.data(), static_cast<std::size_t>(width) * height, rgb);
    return read;
}

bool WritePngFile(const std::wstring& path, int width, int height, const std::vector<std::uint8_t>& rgb)
{
    const std::vector<std::uint8_t> png = EncodePng(width, height, rgb);
    if (png.empty())
        return false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr) && written == png.size();
    CloseHandle(file);
    return ok;
}

bool WriteWindowPng(HWND window, const std::wstring& path)
{
    RECT frame;
    if (!GetWindowRect(window, &frame))
        return false;
    const RECT area = {0, 0, frame.right - frame.left, frame.bottom - frame.top};
    std::vector<std::uint8_t> rgb;
    HDC dc = GetWindowDC(window);
    const bool captured = CaptureRect(dc, area, rgb);
    ReleaseDC(window, dc);
    return captured && WritePngFile(path, area.right, area.bottom, rgb);
}
