#include "tests/e2e/ScreenCapture.h"

#include "tests/e2e/MessagePump.h"

namespace e2e {
namespace {

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
    return WritePngFile(path, area.right - area.left, area.bottom - area.top, rgb) ? path : std::wstring();
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
    HDC screen = GetDC(nullptr);
    const bool captured = CaptureRect(screen, area, rgb);
    ReleaseDC(nullptr, screen);
    return captured;
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
