// Screenshots for a person to look at: the window as the screen shows it,
// written as a PNG with stored (uncompressed) deflate blocks.
#include "tests/ui/DialogScript.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

std::uint32_t Crc32(const std::uint8_t* data, size_t size, std::uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data)
{
    PutBe32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBe32(out, Crc32(body.data(), body.size()));
}

std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint8_t>& rgbRows)
{
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBe32(header, static_cast<std::uint32_t>(width));
    PutBe32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});   // 8-bit RGB
    PutChunk(png, "IHDR", header);

    std::vector<std::uint8_t> zlib = {0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (size_t pos = 0; pos < rgbRows.size() || pos == 0;) {
        size_t n = std::min<size_t>(65535, rgbRows.size() - pos);
        bool last = pos + n >= rgbRows.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<std::uint8_t>(n));
        zlib.push_back(static_cast<std::uint8_t>(n >> 8));
        zlib.push_back(static_cast<std::uint8_t>(~n));
        zlib.push_back(static_cast<std::uint8_t>(~n >> 8));
        for (size_t i = 0; i < n; ++i) {
            std::uint8_t byte = rgbRows[pos + i];
            zlib.push_back(byte);
            a = (a + byte) % 65521;
            b = (b + a) % 65521;
        }
        pos += n;
        if (last)
            break;
    }
    PutBe32(zlib, (b << 16) | a);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", {});
    return png;
}

} // namespace

void SaveScreenshot(HWND hWnd, const std::wstring& name)
{
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::GdiFlush();
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);

    // The window's own DC reads what the window drew, even where another
    // window overlaps it on the screen.
    HDC source = ::GetWindowDC(hWnd);
    HDC memory = ::CreateCompatibleDC(source);
    HBITMAP bitmap = ::CreateCompatibleBitmap(source, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;   // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint8_t> bgrx(static_cast<size_t>(width) * height * 4);
    ::GetDIBits(memory, bitmap, 0, height, bgrx.data(), &info, DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(hWnd, source);

    std::vector<std::uint8_t> rows;
    rows.reserve(static_cast<size_t>(height) * (width * 3 + 1));
    for (int y = 0; y < height; ++y) {
        rows.push_back(0);   // no filter
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* px = &bgrx[(static_cast<size_t>(y) * width + x) * 4];
            rows.insert(rows.end(), {px[2], px[1], px[0]});
        }
    }
    std::vector<std::uint8_t> png = EncodePng(width, height, rows);

    const std::wstring dir = BRINDLE_SCREENSHOT_DIR;
    ::CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring path = dir + L"/" + name + L".png";
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << "cannot write the screenshot " << std::string(path.begin(), path.end());
    DWORD written = 0;
    ::WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
    ::CloseHandle(file);
}
