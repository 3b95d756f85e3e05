#include "tests/e2e/MessageText.h"

#include <cstdint>
#include <map>
#include <vector>

#include "tests/e2e/MessagePump.h"
#include "tests/e2e/RemoteDialog.h"
#include "tests/e2e/ScreenCapture.h"

namespace e2e {
namespace {

constexpr DWORD kPaintPollMs = 200;
// Room around the drawn text, so that no glyph touches the bitmap's edge.
constexpr int kMargin = 4;
// Wide enough that DrawTextW breaks lines only at "\n", as the dialog (sized
// to its longest line) does.
constexpr int kUnwrappedWidth = 4000;

struct InkMask {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> ink; // 1 where the text is
};

std::uint32_t PixelAt(const std::vector<std::uint8_t>& rgb, size_t pixel)
{
    return static_cast<std::uint32_t>(rgb[pixel * 3]) << 16 | static_cast<std::uint32_t>(rgb[pixel * 3 + 1]) << 8 |
           rgb[pixel * 3 + 2];
}

int Luminance(std::uint32_t pixel)
{
    return static_cast<int>((pixel >> 16 & 0xFF) * 3 + (pixel >> 8 & 0xFF) * 6 + (pixel & 0xFF)) / 10;
}

// The colour most pixels have: the background around the text.
std::uint32_t BackgroundOf(const std::vector<std::uint8_t>& rgb)
{
    std::map<std::uint32_t, size_t> counts;
    for (size_t pixel = 0; pixel < rgb.size() / 3; ++pixel)
        ++counts[PixelAt(rgb, pixel)];
    std::uint32_t most = 0xFFFFFF;
    size_t mostCount = 0;
    for (const auto& entry : counts) {
        if (entry.second > mostCount) {
            most = entry.first;
            mostCount = entry.second;
        }
    }
    return most;
}

// Ink is what is nearer the black text than the background; the mask is cut
// to the ink's bounding box, so the text's place in the dialog does not count.
InkMask InkOf(const std::vector<std::uint8_t>& rgb, int width, int height, std::uint32_t background)
{
    const int threshold = Luminance(background) / 2;
    int left = width, top = height, right = -1, bottom = -1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (Luminance(PixelAt(rgb, static_cast<size_t>(y) * width + x)) < threshold) {
                left = x < left ? x : left;
                right = x > right ? x : right;
                top = y < top ? y : top;
                bottom = y > bottom ? y : bottom;
            }
        }
    }
    InkMask mask;
    if (right < 0)
        return mask;
    mask.width = right - left + 1;
    mask.height = bottom - top + 1;
    mask.ink.resize(static_cast<size_t>(mask.width) * mask.height);
    for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
            const size_t pixel = static_cast<size_t>(top + y) * width + left + x;
            mask.ink[static_cast<size_t>(y) * mask.width + x] = Luminance(PixelAt(rgb, pixel)) < threshold;
        }
    }
    return mask;
}

// text drawn as the message dialog draws it: the message font, DT_WORDBREAK,
// black without a background, on background.
bool DrawExpected(const std::wstring& text, std::uint32_t background, std::vector<std::uint8_t>& rgb, int& width,
                  int& height)
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return false;
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldFont = SelectObject(dc, font);
    const int length = static_cast<int>(text.size());
    RECT extent = {0, 0, kUnwrappedWidth, 0};
    DrawTextW(dc, text.c_str(), length, &extent, DT_CALCRECT | DT_WORDBREAK);
    width = extent.right + 2 * kMargin;
    height = extent.bottom + 2 * kMargin;

    BITMAPINFO info = TopDownBitmapInfo(width, height);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool drawn = false;
    if (bitmap && bits) {
        HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
        const COLORREF fill = RGB(background >> 16 & 0xFF, background >> 8 & 0xFF, background & 0xFF);
        HBRUSH brush = CreateSolidBrush(fill);
        const RECT all = {0, 0, width, height};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        RECT place = {kMargin, kMargin, kUnwrappedWidth, height};
        DrawTextW(dc, text.c_str(), length, &place, DT_WORDBREAK);
        GdiFlush();
        BgrxToRgb(static_cast<const std::uint8_t*>(bits), static_cast<size_t>(width) * height, rgb);
        SelectObject(dc, oldBitmap);
        drawn = true;
    }
    if (bitmap)
        DeleteObject(bitmap);
    SelectObject(dc, oldFont);
    DeleteObject(font);
    DeleteDC(dc);
    return drawn;
}

// The client area above the OK button, in screen coordinates.
bool TextArea(HWND dialog, RECT& area)
{
    RECT client;
    RECT button;
    HWND ok = GetDlgItem(dialog, IDOK);
    if (!ok || !GetClientRect(dialog, &client) || !GetWindowRect(ok, &button))
        return false;
    POINT origin = {0, 0};
    ClientToScreen(dialog, &origin);
    area = {origin.x, origin.y, origin.x + client.right, button.top};
    return area.right > area.left && area.bottom > area.top;
}

size_t CountChildren(HWND window)
{
    size_t count = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ++count;
    return count;
}

} // namespace

HWND FindMessageWindow(DWORD processId, const wchar_t* caption)
{
    for (HWND dialog : VisibleDialogs(processId)) {
        if (GetDlgItem(dialog, IDOK) && CountChildren(dialog) == 1 && TextOf(dialog) == caption)
            return dialog;
    }
    return nullptr;
}

HWND WaitForMessageWindow(DWORD processId, const wchar_t* caption, DWORD timeoutMs)
{
    HWND dialog = nullptr;
    WaitFor([&] { return (dialog = FindMessageWindow(processId, caption)) != nullptr; }, timeoutMs);
    return dialog;
}

bool MessageShows(HWND dialog, const std::wstring& text, std::string& why)
{
    RECT area;
    if (!TextArea(dialog, area)) {
        why = "no text area (the dialog or its OK button is gone)";
        return false;
    }
    std::vector<std::uint8_t> seenRgb;
    if (!CaptureScreenRect(area, seenRgb)) {
        why = "the screen could not be read";
        return false;
    }
    const std::uint32_t background = BackgroundOf(seenRgb);
    const InkMask seen = InkOf(seenRgb, area.right - area.left, area.bottom - area.top, background);

    std::vector<std::uint8_t> expectedRgb;
    int width = 0;
    int height = 0;
    if (!DrawExpected(text, background, expectedRgb, width, height)) {
        why = "the expected text could not be drawn";
        return false;
    }
    const InkMask expected = InkOf(expectedRgb, width, height, background);
    if (seen.width != expected.width || seen.height != expected.height) {
        why = "the text's ink is " + std::to_string(seen.width) + "x" + std::to_string(seen.height) +
              " pixels, the expected text's " + std::to_string(expected.width) + "x" + std::to_string(expected.height);
        return false;
    }
    size_t differing = 0;
    for (size_t pixel = 0; pixel < seen.ink.size(); ++pixel)
        differing += seen.ink[pixel] != expected.ink[pixel];
    if (differing != 0) {
        why = std::to_string(differing) + " of " + std::to_string(seen.ink.size()) +
              " pixels differ from the expected text";
        return false;
    }
    why.clear();
    return true;
}

bool WaitForMessageText(HWND dialog, const std::wstring& text, DWORD timeoutMs, std::string& why)
{
    const DWORD start = GetTickCount();
    for (;;) {
        // Painting follows the dialog's appearance by a moment.
        PumpFor(kPaintPollMs);
        if (MessageShows(dialog, text, why))
            return true;
        if (GetTickCount() - start >= timeoutMs || !IsWindow(dialog))
            return false;
    }
}

} // namespace e2e
