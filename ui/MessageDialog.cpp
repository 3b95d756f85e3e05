#include "ui/MessageDialog.h"

#include "common/DebugLog.h"
#include "common/FormatW.h"
#include "res/resource.h"
#include "ui/ConfigStatusChoice.h"
#include "ui/MessageLayout.h"

#include <cwchar>

namespace {

// The window style the size is computed for; the template's modal frame has
// the same border width as WS_CAPTION's dialog frame.
constexpr DWORD kMessageStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;

// The structure as Windows XP knows it: without iPaddedBorderWidth, which
// XP rejects.
static_assert(sizeof(NONCLIENTMETRICSW) == 500, "NONCLIENTMETRICSW must have its XP size");

} // namespace

INT_PTR CMessageDialog::Show(HWND hParent, const wchar_t* text, const wchar_t* caption, unsigned stringId)
{
    // The texts of a message already on screen must stay where they are: the
    // mutex is taken here, before the pointers change, and a second message
    // (from a timer or a nested loop while the first is open) is turned away
    // whole. It is only logged, so that it leaves a trace: by its string id
    // alone, since the log is written byte by byte without a locale and a
    // Japanese text would cut the line short and run the next one into it.
    CMutexLockHolder hold(m_lock);
    if (!hold.Acquired()) {
        DebugPrint(L"ShowMessage:FAIL (Lock) (%u)\n", stringId);
        return -1;
    }
    if (m_hWnd != nullptr) {
        DebugPrint(L"ShowMessage:FAIL (Open) (%u)\n", stringId);
        return -1;
    }
    m_pszText = text;
    m_pszCaption = caption;
    INT_PTR result = DoModal(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MESSAGE), hParent, 0);
    // Callers hand in texts that live on their stack.
    m_pszText = nullptr;
    m_pszCaption = nullptr;
    return result;
}

INT_PTR CMessageDialog::ShowString(HWND hParent, HINSTANCE module, unsigned stringId)
{
    wchar_t text[kResStringChars];
    wchar_t caption[kResStringChars];
    ::LoadResString(module, stringId, text);
    ::LoadResString(module, IDS_PRODUCT_TITLE, caption);
    return Show(hParent, text, caption, stringId);
}

INT_PTR CMessageDialog::ShowError(HWND hParent, HINSTANCE module, int code, int detail)
{
    const unsigned stringId = ErrorMessageId(code);
    // Only the error-code text has placeholders.
    if (stringId != IDS_ERROR_CODE)
        return ShowString(hParent, module, stringId);
    wchar_t format[kResStringChars];
    wchar_t text[kResStringChars];
    wchar_t caption[kResStringChars];
    ::LoadResString(module, stringId, format);
    FormatW(text, kResStringChars, format, code, detail);
    ::LoadResString(module, IDS_PRODUCT_TITLE, caption);
    return Show(hParent, text, caption, stringId);
}

INT_PTR CMessageDialog::DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(hDlg);
    case WM_PAINT:
        OnPaint(hDlg);
        return TRUE;
    case WM_COMMAND:
        if (EndOnOkOrCancel(hDlg, wParam))
            return TRUE;
        break;
    }
    return DefaultDialogProc(hDlg, message, wParam, lParam);
}

BOOL CMessageDialog::OnInitDialog(HWND hDlg)
{
    BringToForeground();
    ::SetWindowTextW(hDlg, m_pszCaption != nullptr ? m_pszCaption : L"");
    CreateMessageFont(hDlg);
    Layout(hDlg);
    return TRUE;
}

void CMessageDialog::CreateMessageFont(HWND hDlg)
{
    m_font.Reset();
    HDC hdc = ::GetDC(hDlg);
    if (hdc == nullptr)
        return;
    NONCLIENTMETRICSW metrics;
    ZeroMemory(&metrics, sizeof(metrics));
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        m_font.Reset(::CreateFontIndirectW(&metrics.lfMessageFont));
    ::ReleaseDC(hDlg, hdc);
}

void CMessageDialog::Layout(HWND hDlg)
{
    const wchar_t* text = Text();
    const int length = static_cast<int>(std::wcslen(text));

    LONG textWidth = 0;
    LONG textHeight = 0;
    HDC hdc = ::GetDC(hDlg);
    if (hdc != nullptr) {
        HGDIOBJ oldFont = !m_font.IsNull() ? ::SelectObject(hdc, m_font.Get()) : nullptr;
        // The single-line extent of everything is wider than any of its
        // lines, so word breaking within it only breaks at the "\n"s and the
        // rectangle comes back as wide as the widest line.
        SIZE extent = {};
        ::GetTextExtentPoint32W(hdc, text, length, &extent);
        RECT rc = {0, 0, extent.cx, 0};
        ::DrawTextW(hdc, text, length, &rc, DT_CALCRECT | DT_WORDBREAK);
        textWidth = rc.right - rc.left + 1;
        textHeight = rc.bottom - rc.top + 1;
        if (oldFont != nullptr)
            ::SelectObject(hdc, oldFont);
        ::ReleaseDC(hDlg, hdc);
    }

    HWND hButton = ::GetDlgItem(hDlg, IDOK);
    RECT rcButton = {};
    ::GetWindowRect(hButton, &rcButton);
    const LONG buttonWidth = rcButton.right - rcButton.left + 1;
    const LONG buttonHeight = rcButton.bottom - rcButton.top + 1;

    const MessageLayout layout = ComputeMessageLayout(textWidth, textHeight, buttonWidth, buttonHeight);

    RECT rcWindow = {0, 0, layout.clientWidth - 1, layout.clientHeight - 1};
    if (!::AdjustWindowRect(&rcWindow, kMessageStyle, FALSE)) {
        rcWindow.left -= 3;
        rcWindow.top -= 24;
        rcWindow.right += 3;
        rcWindow.bottom += 3;
    }

    m_rcText.left = layout.textLeft;
    m_rcText.top = layout.textTop;
    m_rcText.right = layout.textRight;
    m_rcText.bottom = layout.textBottom;

    ::SetWindowPos(hButton, nullptr, layout.buttonX, layout.buttonY, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SetWindowPos(hDlg, nullptr, 0, 0, rcWindow.right - rcWindow.left + 1, rcWindow.bottom - rcWindow.top + 1,
                   SWP_NOMOVE | SWP_NOZORDER);

    // The template centres on the owner; messages belong in the middle of
    // the primary screen, whatever window reports them.
    RECT rcNow = {};
    ::GetWindowRect(hDlg, &rcNow);
    std::int32_t x = 0;
    std::int32_t y = 0;
    CentreOnScreen(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), rcNow.right - rcNow.left,
                   rcNow.bottom - rcNow.top, x, y);
    ::SetWindowPos(hDlg, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CMessageDialog::OnPaint(HWND hDlg)
{
    PAINTSTRUCT ps;
    HDC hdc = ::BeginPaint(hDlg, &ps);
    if (hdc == nullptr)
        return;
    HGDIOBJ oldFont = !m_font.IsNull() ? ::SelectObject(hdc, m_font.Get()) : nullptr;
    int oldMode = ::SetBkMode(hdc, TRANSPARENT);
    const wchar_t* text = Text();
    RECT rc = m_rcText;
    ::DrawTextW(hdc, text, static_cast<int>(std::wcslen(text)), &rc, DT_WORDBREAK);
    if (oldMode != 0)
        ::SetBkMode(hdc, oldMode);
    if (oldFont != nullptr)
        ::SelectObject(hdc, oldFont);
    ::EndPaint(hDlg, &ps);
}
