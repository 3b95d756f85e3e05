// The settings dialog's PIN1 flows: verify, protection on and off, change
// and unblock, each a PIN dialog asked again as long as the card answers
// "wrong code".
#include "ui/ConfigDialog.h"

#include "modem/SimCodes.h"
#include "modem/SimService.h"
#include "res/resource.h"
#include "ui/PinAnswerChoice.h"

void CConfigDialog::RunCodeDialog(HWND hDlg, IPinDialog& dialog, UINT templateId, bool showUnblockCount,
                                  const std::function<int(int& detail)>& request,
                                  const std::function<bool(int result, int detail, Attempts& left)>& onAnswer)
{
    Attempts left;
    if (!ReadAttemptsOrEnd(hDlg, left.verify, left.unblock))
        return;
    for (;;) {
        const LPARAM count = showUnblockCount ? left.unblock : left.verify;
        if (dialog.DoModal(m_hInstance, MAKEINTRESOURCEW(templateId), hDlg, count) != IDOK) {
            dialog.WipeCodes();
            return;
        }
        int detail = 0;
        const int result = request(detail);
        dialog.WipeCodes();
        if (!onAnswer(result, detail, left))
            return;
    }
}

void CConfigDialog::OnPinCommand(HWND hDlg, int id)
{
    CSimService& service = CSimService::Instance();
    const wchar_t* pin = m_checkPinDialog.m_szPin;
    const int protectionAfter = id == IDC_PIN_PROTECT_OFF ? SIM_PROTECTION_OFF : SIM_PROTECTION_ON;
    RunCodeDialog(
        hDlg, m_checkPinDialog, IDD_CHECK_PIN, false,
        [&](int& detail) {
            switch (id) {
            case IDC_PIN_VERIFY:
                return service.VerifyPin(detail, pin);
            case IDC_PIN_PROTECT_ON:
                return service.SetPinProtection(detail, 1, pin);
            default:
                return service.SetPinProtection(detail, 0, pin);
            }
        },
        [&](int result, int detail, Attempts& left) {
            return OnPinAnswer(hDlg, result, detail, protectionAfter, left.verify);
        });
}

void CConfigDialog::OnChangeCommand(HWND hDlg)
{
    CSimService& service = CSimService::Instance();
    RunCodeDialog(
        hDlg, m_changePinDialog, IDD_CHANGE_PIN, false,
        [&](int& detail) {
            return service.ChangePin(detail, m_changePinDialog.m_szOldPin, m_changePinDialog.m_szNewPin);
        },
        [&](int result, int detail, Attempts& left) {
            return OnPinAnswer(hDlg, result, detail, SIM_PROTECTION_ON, left.verify);
        });
}

bool CConfigDialog::ReadAttemptsOrEnd(HWND hDlg, int& verifyLeft, int& unblockLeft)
{
    int detail = 0;
    const int result = CSimService::Instance().GetPinRetries(detail, verifyLeft, unblockLeft);
    if (result == SIM_OK)
        return true;
    EndWithError(hDlg, result, detail);
    return false;
}

bool CConfigDialog::OnPinAnswer(HWND hDlg, int result, int detail, int protectionAfter, int& verifyLeft)
{
    const PinAnswerChoice choice = ChoosePinAnswer(result);
    if (choice.next == PinAnswerNext::Fail) {
        EndWithError(hDlg, result, detail);
        return false;
    }
    if (choice.messageId != 0 && OwnerClosed(ShowMessage(hDlg, choice.messageId)))
        return false;
    if (choice.next == PinAnswerNext::AskAgain) {
        int unblockLeft = 0;
        return ReadAttemptsOrEnd(hDlg, verifyLeft, unblockLeft);
    }
    UpdatePinControls(hDlg, choice.pinStatusAfter, choice.protectionOnAfter ? SIM_PROTECTION_ON : protectionAfter,
                      kUnblockAttemptsNotRead);
    FocusCloseButton(hDlg);
    return false;
}

void CConfigDialog::OnUnlockCommand(HWND hDlg)
{
    CSimService& service = CSimService::Instance();
    RunCodeDialog(
        hDlg, m_unlockPukDialog, IDD_UNLOCK_PUK, true,
        [&](int& detail) {
            return service.UnblockPin(detail, m_unlockPukDialog.m_szPuk, m_unlockPukDialog.m_szNewPin);
        },
        [&](int result, int detail, Attempts& left) { return OnUnblockAnswer(hDlg, result, detail, left); });
}

bool CConfigDialog::OnUnblockAnswer(HWND hDlg, int result, int detail, Attempts& left)
{
    if (result == SIM_OK) {
        UpdatePinControls(hDlg, SIM_PIN_READY, SIM_PROTECTION_ON, kUnblockAttemptsNotRead);
        FocusCloseButton(hDlg);
        return false;
    }
    if (result == SIM_WRONG_CODE)
        return !OwnerClosed(ShowMessage(hDlg, IDS_PUK_WRONG)) && ReadAttemptsOrEnd(hDlg, left.verify, left.unblock);

    // The attempts query keeps its own detail: the message after a
    // failed query must name the unblock request's detail.
    int retriesDetail = 0;

    // The card refuses a used-up unblock code with an error of its own,
    // not as a wrong code; only the attempts left show what happened.
    const int again = CSimService::Instance().GetPinRetries(retriesDetail, left.verify, left.unblock);
    if (again == SIM_OK && left.unblock == 0) {
        if (OwnerClosed(ShowMessage(hDlg, IDS_CARD_LOCKED_NOW)))
            return false;
        UpdatePinControls(hDlg, kStatusNotRead, kProtectionNotRead, 0);
        FocusCloseButton(hDlg);
        return false;
    }
    EndWithError(hDlg, result, detail);
    return false;
}
