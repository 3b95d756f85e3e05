#include "ui/UnlockPukDialog.h"

#include "res/resource.h"

namespace {

const int kEdits[] = {IDC_UNLOCK_PUK, IDC_UNLOCK_NEW_PIN, IDC_UNLOCK_NEW_PIN_CONFIRM};

} // namespace

void CUnlockPukDialog::OnInitDialog(HWND hDlg, LPARAM attemptsLeft)
{
    SetAttemptNote(hDlg, IDC_UNLOCK_PUK_NOTE, IDS_PUK_RETRIES_NOTE, attemptsLeft);
    SecureWipe(m_szPuk);
    SecureWipe(m_szNewPin);
    LimitEdit(hDlg, IDC_UNLOCK_PUK, m_nPukMax);
    LimitEdit(hDlg, IDC_UNLOCK_NEW_PIN, m_nPinMax);
    LimitEdit(hDlg, IDC_UNLOCK_NEW_PIN_CONFIRM, m_nPinMax);
    ::SetFocus(::GetDlgItem(hDlg, IDC_UNLOCK_PUK));
}

void CUnlockPukDialog::OnOk(HWND hDlg)
{
    wchar_t confirmation[kPinChars];
    ReadEdit(hDlg, IDC_UNLOCK_PUK, m_szPuk);
    ReadEdit(hDlg, IDC_UNLOCK_NEW_PIN, m_szNewPin);
    ReadEdit(hDlg, IDC_UNLOCK_NEW_PIN_CONFIRM, confirmation);
    const PinEntryRule rules[] = {{m_szPuk, m_nPukMin, m_nPukMax},
                                  {m_szNewPin, m_nPinMin, m_nPinMax},
                                  {confirmation, m_nPinMin, m_nPinMax}};
    const UINT names[] = {IDS_PUK_NAME, IDS_PIN1_NAME, IDS_PIN1_NAME};
    wchar_t complaint[kResStringChars];
    bool passed = CheckEntries(rules, names, 3, m_szNewPin, confirmation, complaint);
    SecureWipe(confirmation);
    if (passed) {
        ::EndDialog(hDlg, IDOK);
        return;
    }

    INT_PTR result = ShowComplaint(hDlg, complaint);
    SecureWipe(m_szPuk);
    SecureWipe(m_szNewPin);
    if (result == DLG_CLOSED_BY_OWNER || m_hWnd == nullptr)
        return;
    ResetEdits(hDlg, kEdits, 3);
}
