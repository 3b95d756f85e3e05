#include "tests/e2e/RemoteMessage.h"

#include <algorithm>

#include "tests/e2e/MessagePump.h"
#include "tests/e2e/RemoteDialog.h"

namespace e2e {
namespace {

// The dialog's margins around its text and button, in pixels.
constexpr LONG kMargin = 12;

int ChildCount(HWND window)
{
    int count = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ++count;
    return count;
}

} // namespace

HWND FindMessageDialog(DWORD processId, const wchar_t* caption)
{
    for (HWND dialog : VisibleDialogs(processId)) {
        if (GetDlgItem(dialog, IDOK) && ChildCount(dialog) == 1 && TextOf(dialog) == caption)
            return dialog;
    }
    return nullptr;
}

HWND WaitForMessageDialog(DWORD processId, const wchar_t* caption, DWORD timeoutMs)
{
    HWND dialog = nullptr;
    WaitFor([&] { return (dialog = FindMessageDialog(processId, caption)) != nullptr; }, timeoutMs);
    return dialog;
}

SIZE MessageClientSize(const std::wstring& text, SIZE buttonSize)
{
    // The program measures as it paints: its own process has the same
    // prefix, hence the same message font and screen resolution.
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    HFONT font = nullptr;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        font = CreateFontIndirectW(&metrics.lfMessageFont);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    const int length = static_cast<int>(text.size());
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text.c_str(), length, &extent);
    // As wide as the whole text on one line: word breaking then breaks only
    // at the line ends.
    RECT rc = {0, 0, extent.cx, 0};
    DrawTextW(dc, text.c_str(), length, &rc, DT_CALCRECT | DT_WORDBREAK);
    if (old)
        SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    if (font)
        DeleteObject(font);

    // The program counts both edges of every measured extent.
    const LONG textWidth = rc.right - rc.left + 1;
    const LONG textHeight = rc.bottom - rc.top + 1;
    const LONG buttonWidth = buttonSize.cx + 1;
    const LONG buttonHeight = buttonSize.cy + 1;
    SIZE client;
    client.cx = std::max(textWidth, buttonWidth) + 2 * kMargin;
    client.cy = std::max(buttonHeight + textHeight + 3 * kMargin, buttonHeight + 2 * kMargin);
    return client;
}

bool IsSizedForText(HWND dialog, const std::wstring& text, std::string* why)
{
    RECT button = {};
    RECT client = {};
    if (!GetWindowRect(GetDlgItem(dialog, IDOK), &button) || !GetClientRect(dialog, &client)) {
        if (why)
            *why = "no message dialog to measure";
        return false;
    }
    const SIZE expected = MessageClientSize(text, {button.right - button.left, button.bottom - button.top});
    const LONG width = client.right - client.left;
    const LONG height = client.bottom - client.top;
    if (width == expected.cx && height == expected.cy)
        return true;
    if (why) {
        *why = "client " + std::to_string(width) + "x" + std::to_string(height) + ", the expected text gives " +
               std::to_string(expected.cx) + "x" + std::to_string(expected.cy);
    }
    return false;
}

} // namespace e2e
