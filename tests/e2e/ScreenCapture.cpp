#include "tests/e2e/ScreenCapture.h"

#include "tests/e2e/MessagePump.h"
#include "tests/e2e/PngWriter.h"

namespace e2e {
namespace {

bool WritePng(const std::wstring& path, int width, int height, const std::vector<std::uint8_t>& rgb)
{
    const std::vector<std::uint8_t> png = EncodePng(width, height, rgb);
    if (png.empty())
        return false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr) &&
                    written == png.size();
    CloseHandle(file);
    return ok;
}

std::wstring SaveArea(const RECT& area, const std::wstring& name)
{
    // Let the other process finish painting what the test just asked for.
    PumpFor(300);
    std::vector<std::uint8_t> rgb;
    if (!CaptureScreenRect(area, rgb))
        return std::wstring();
    const std::wstring folder = ScreenshotFolder();
    // The parent first: CreateDirectoryW makes one level at a time.
    CreateDirectoryW(folder.substr(0, folder.find_last_of(L'\\')).c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = folder + L"\\" + name + L".png";
    return WritePng(path, area.right - area.left, area.bottom - area.top, rgb) ? path : std::wstring();
}

} // namespace

std::wstring ScreenshotFolder()
{
    std::wstring folder = BRINDLE_E2E_SCREENSHOT_DIR;
    for (wchar_t& c : folder) {
        if (c == L'/')
            c = L'\\';
    }
    return folder;
}

bool CaptureScreenRect(const RECT& area, std::vector<std::uint8_t>& rgb)
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    if (!screen)
        return false;
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
    SelectObject(memory, old);

    BITMAPINFO info = TopDownBitmapInfo(width, height);
    std::vector<std::uint8_t> bgrx(static_cast<size_t>(width) * height * 4);
    const bool read = copied && GetDIBits(memory, bitmap, 0, height, bgrx.data(), &info, DIB_RGB_COLORS) == height;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!read)
        return false;

    BgrxToRgb(bgrx.data(), static_cast<size_t>(width) * height, rgb);
    return true;
}

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

void BgrxToRgb(const std::uint8_t* bgrx, size_t pixels, std::vector<std::uint8_t>& rgb)
{
    rgb.resize(pixels * 3);
    for (size_t pixel = 0; pixel < pixels; ++pixel) {
        rgb[pixel * 3] = bgrx[pixel * 4 + 2];
        rgb[pixel * 3 + 1] = bgrx[pixel * 4 + 1];
        rgb[pixel * 3 + 2] = bgrx[pixel * 4];
    }
}

std::wstring SaveScreenPng(const std::wstring& name)
{
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return SaveArea(screen, name);
}

std::wstring SaveWindowPng(HWND window, const std::wstring& name)
{
    RECT area;
    if (!GetWindowRect(window, &area))
        return std::wstring();
    // Only the part on the screen can be read.
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT visible;
    if (!IntersectRect(&visible, &area, &screen))
        return std::wstring();
    return SaveArea(visible, name);
}

} // namespace e2e
