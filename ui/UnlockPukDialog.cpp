#include "ui/UnlockPukDialog.h"

#include "res/resource.h"

namespace {

const int kEdits[] = {IDC_UNLOCK_PUK, IDC_UNLOCK_NEW_PIN, IDC_UNLOCK_NEW_PIN_CONFIRM};

} // namespace

void CUnlockPukDialog::OnInitDialog(HWND hDlg, LPARAM attemptsLeft)
{
    InitCodeAndNewPin(hDlg, IDC_UNLOCK_PUK_NOTE, IDS_PUK_RETRIES_NOTE, attemptsLeft, kEdits, m_szPuk, m_nPukMax,
                      m_szNewPin, m_nPinMax);
}

void CUnlockPukDialog::OnOk(HWND hDlg)
{
    CheckCodeAndNewPin(hDlg, kEdits, m_szPuk, m_nPukMin, m_nPukMax, IDS_PUK_NAME, m_szNewPin, m_nPinMin, m_nPinMax);
}
