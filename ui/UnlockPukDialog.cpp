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
    CheckCodeAndNewPin(hDlg, kEdits, m_szPuk, m_nPukMin, m_nPukMax, IDS_PUK_NAME, m_szNewPin, m_nPinMin, m_nPinMax);
}
