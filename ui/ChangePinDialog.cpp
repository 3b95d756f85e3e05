#include "ui/ChangePinDialog.h"

#include "res/resource.h"

namespace {

const int kEdits[] = {IDC_CHANGE_OLD_PIN, IDC_CHANGE_NEW_PIN, IDC_CHANGE_NEW_PIN_CONFIRM};

} // namespace

void CChangePinDialog::OnInitDialog(HWND hDlg, LPARAM attemptsLeft)
{
    InitCodeAndNewPin(hDlg, IDC_CHANGE_PIN_NOTE, IDS_PIN_RETRIES_NOTE, attemptsLeft, kEdits, m_szOldPin, m_nPinMax,
                      m_szNewPin, m_nPinMax);
}

void CChangePinDialog::OnOk(HWND hDlg)
{
    CheckCodeAndNewPin(hDlg, kEdits, m_szOldPin, m_nPinMin, m_nPinMax, IDS_PIN1_NAME, m_szNewPin, m_nPinMin, m_nPinMax);
}
