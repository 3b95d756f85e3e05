#include "ui/CheckPinDialog.h"

#include "res/resource.h"

void CCheckPinDialog::OnInitDialog(HWND hDlg, LPARAM attemptsLeft)
{
    // Opened from the tray, this dialog has no owner on screen to come up over.
    BringToForeground();
    SetAttemptNote(hDlg, IDC_CHECK_PIN_NOTE, IDS_PIN_RETRIES_NOTE, attemptsLeft);
    SecureWipe(m_szPin);
    LimitEdit(hDlg, IDC_CHECK_PIN, m_nPinMax);
    if (m_hIcon != nullptr)
        ::SendMessageW(hDlg, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    if (m_bAppWindow) {
        ::SetLastError(0);
        LONG exStyle = ::GetWindowLongW(hDlg, GWL_EXSTYLE);
        if (exStyle != 0 || ::GetLastError() == 0)
            ::SetWindowLongW(hDlg, GWL_EXSTYLE, exStyle | WS_EX_APPWINDOW);
    }
    ::SetFocus(::GetDlgItem(hDlg, IDC_CHECK_PIN));
}

void CCheckPinDialog::OnOk(HWND hDlg)
{
    ReadEdit(hDlg, IDC_CHECK_PIN, m_szPin);
    const PinEntryRule rules[] = {{m_szPin, m_nPinMin, m_nPinMax}};
    const UINT names[] = {IDS_PIN1_NAME};
    wchar_t complaint[kResStringChars];
    if (CheckEntries(rules, names, 1, nullptr, nullptr, complaint)) {
        ::EndDialog(hDlg, IDOK);
        return;
    }

    ShowComplaint(hDlg, complaint);
    SecureWipe(m_szPin);
    // The owner may have destroyed this window while the complaint was up.
    if (m_hWnd == nullptr)
        return;
    const int edits[] = {IDC_CHECK_PIN};
    ResetEdits(hDlg, edits, 1);
}
