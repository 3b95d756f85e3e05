// The program's message box (template 123): a text in the system's message
// font and an OK button, sized to the text and centred on the primary screen.
#pragma once

#include "ui/DialogHelper.h"

class CMessageDialog : public IDialogHelper {
public:
    CMessageDialog() = default;

    INT_PTR DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) override;

    // Sets text and caption and opens template 123 of the process's module
    // modal over hParent. The pointers must stay valid until it returns.
    // While a message is open another is refused (-1) and leaves the open
    // one as it is; the refusal is logged with stringId, the text's string.
    INT_PTR Show(HWND hParent, const wchar_t* text, const wchar_t* caption, unsigned stringId = 0);
    // String stringId of module, captioned with the product title.
    INT_PTR ShowString(HWND hParent, HINSTANCE module, unsigned stringId);
    // The message for a failed SIM request with result code and detail.
    INT_PTR ShowError(HWND hParent, HINSTANCE module, int code, int detail);

    // The message; "\n" breaks lines. Not copied: set before every DoModal.
    const wchar_t* m_pszText = nullptr;
    // The window caption; same rules.
    const wchar_t* m_pszCaption = nullptr;

    // Where the text is drawn, in client pixels (inclusive of the measured extent).
    const RECT& TextRect() const { return m_rcText; }

private:
    BOOL OnInitDialog(HWND hDlg);
    void CreateMessageFont(HWND hDlg);
    void Layout(HWND hDlg);
    void OnPaint(HWND hDlg);
    const wchar_t* Text() const { return m_pszText != nullptr ? m_pszText : L""; }

    CFontHandle m_font;
    RECT m_rcText = {};
};
