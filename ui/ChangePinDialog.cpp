#include "ui/ChangePinDialog.h"

#include "res/resource.h"

namespace {

const int kEdits[] = {IDC_CHANGE_OLD_PIN, IDC_CHANGE_NEW_PIN, IDC_CHANGE_NEW_PIN_CONFIRM};

} // namespace

void CChangePinDialog::OnInitDialog(HWND hDlg, LPARAM attemptsLeft)
{
    SetAttemptNote(hDlg, IDC_CHANGE_PIN_NOTE, IDS_PIN_RETRIES_NOTE, attemptsLeft);
    SecureWipe(m_szOldPin);
    SecureWipe(m_szNewPin);
    for (int edit : kEdits)
        LimitEdit(hDlg, edit, m_nPinMax);
    ::SetFocus(::GetDlgItem(hDlg, IDC_CHANGE_OLD_PIN));
}

void CChangePinDialog::OnOk(HWND hDlg)
{
    wchar_t confirmation[kPinChars];
    ReadEdit(hDlg, IDC_CHANGE_OLD_PIN, m_szOldPin);
    ReadEdit(hDlg, IDC_CHANGE_NEW_PIN, m_szNewPin);
    ReadEdit(hDlg, IDC_CHANGE_NEW_PIN_CONFIRM, confirmation);
    const PinEntryRule rules[] = {{m_szOldPin, m_nPinMin, m_nPinMax},
                                  {m_szNewPin, m_nPinMin, m_nPinMax},
                                  {confirmation, m_nPinMin, m_nPinMax}};
    const UINT names[] = {IDS_PIN1_NAME, IDS_PIN1_NAME, IDS_PIN1_NAME};
    wchar_t complaint[kResStringChars];
    bool passed = CheckEntries(rules, names, 3, m_szNewPin, confirmation, complaint);
    SecureWipe(confirmation);
    if (passed) {
        ::EndDialog(hDlg, IDOK);
        return;
    }

    INT_PTR result = ShowComplaint(hDlg, complaint);
    SecureWipe(m_szOldPin);
    SecureWipe(m_szNewPin);
    if (result == DLG_CLOSED_BY_OWNER || m_hWnd == nullptr)
        return;
    ResetEdits(hDlg, kEdits, 3);
}
