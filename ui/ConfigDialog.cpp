#include "ui/ConfigDialog.h"

#include "common/FormatW.h"
#include "modem/GpsControl.h"
#include "misccommon/RegValueNames.h"
#include "modem/SimCodes.h"
#include "modem/SimService.h"
#include "res/resource.h"
#include "ui/ConfigStatusChoice.h"
#include "ui/PinAnswerChoice.h"
#include "ui/SettingsStore.h"
#include "ui/TrayUpdate.h"


namespace {

// After an operation the unblock attempts are not read again; any non-zero
// count shows the card as not locked.
constexpr int kUnblockAttemptsNotRead = 10;
// A protection answer that is neither on nor off, for the states in which
// protection was not (or could not be) read.
constexpr int kProtectionNotRead = SIM_INVALID_REQUEST;
// A status that matches no row of its own, for a card found locked for good.
constexpr int kStatusNotRead = SIM_INVALID_REQUEST;

bool HasGpsOption()
{
    return CSimService::Instance().GetGpsOption() != 0;
}

// The suppression counts only when it can be read and is set; without a
// store, or when the read fails, the user is asked.
bool ConfirmationSuppressed()
{
    ISettingsStore* store = GetSettingsStore();
    std::uint32_t value = 0;
    return store != nullptr && store->QueryDword(Settings::kDontShowConfirmDialog, value) == 0 && value != 0;
}

void EnableItem(HWND hDlg, int id, bool enable)
{
    ::EnableWindow(::GetDlgItem(hDlg, id), enable ? TRUE : FALSE);
}

} // namespace

void CConfigDialog::Close(INT_PTR result)
{
    m_msgDialog.Close(DLG_CLOSED_BY_OWNER);
    m_checkPinDialog.Close(DLG_CLOSED_BY_OWNER);
    m_changePinDialog.Close(DLG_CLOSED_BY_OWNER);
    m_unlockPukDialog.Close(DLG_CLOSED_BY_OWNER);
    m_gpsConfirmDialog.Close(DLG_CLOSED_BY_OWNER);
    IDialogHelper::Close(result);
}

INT_PTR CConfigDialog::DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(hDlg);
        return TRUE;
    case WM_TIMER:
        if (wParam != TIMER_CONFIG_REFRESH)
            break;
        ::KillTimer(hDlg, TIMER_CONFIG_REFRESH);
        ::PostMessageW(hDlg, WM_CONFIG_REFRESH, 0, 0);
        return TRUE;
    case WM_CONFIG_REFRESH:
        OnRefresh(hDlg);
        return TRUE;
    case WM_COMMAND:
        if (OnCommand(hDlg, LOWORD(wParam)))
            return TRUE;
        break;
    }
    return DefaultDialogProc(hDlg, message, wParam, lParam);
}

void CConfigDialog::OnInitDialog(HWND hDlg)
{
    m_hwndNotify = ::GetParent(hDlg);
    if (HasGpsOption())
        UpdateGpsControls(hDlg, GPS_STATUS_CHECKING);

    m_checkPinDialog.m_nPinMin = m_nPinMin;
    m_checkPinDialog.m_nPinMax = m_nPinMax;
    m_changePinDialog.m_nPinMin = m_nPinMin;
    m_changePinDialog.m_nPinMax = m_nPinMax;
    m_unlockPukDialog.m_nPinMin = m_nPinMin;
    m_unlockPukDialog.m_nPinMax = m_nPinMax;
    m_unlockPukDialog.m_nPukMin = m_nPukMin;
    m_unlockPukDialog.m_nPukMax = m_nPukMax;

    const PinButtons none = {false, false, false, false, false};
    ShowPinLine(hDlg, IDS_CARD_CHECKING, none);

    if (m_hIcon != nullptr)
        ::SendMessageW(hDlg, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    BringToForeground();
    // The modem is read only once the dialog is on screen with its checking
    // lines: the reads block this thread for up to seconds.
    ::SetTimer(hDlg, TIMER_CONFIG_REFRESH, kConfigRefreshDelayMs, nullptr);
    LoadHeaderBitmap(hDlg, IDC_CONFIG_HEADER, m_headerBitmap);
}

void CConfigDialog::OnRefresh(HWND hDlg)
{
    if (HasGpsOption()) {
        std::uint32_t state = GPS_STATUS_INVALID;
        GetGPSStatus(state);
        UpdateGpsControls(hDlg, state);
    }

    CSimService& service = CSimService::Instance();
    int detail = 0;
    const int status = service.GetPinStatus(detail);
    if (status == SIM_NOT_INITIALIZED) {
        UpdatePinControls(hDlg, status, kProtectionNotRead, 0);
        return;
    }
    if (status > SIM_NO_DEVICE) {
        SetPinStatusUnknown(hDlg);
        EndWithError(hDlg, status, detail);
        return;
    }

    int verifyLeft = 0;
    int unblockLeft = 0;
    const int retries = service.GetPinRetries(detail, verifyLeft, unblockLeft);
    if (retries != SIM_OK) {
        SetPinStatusUnknown(hDlg);
        EndWithError(hDlg, retries, detail);
        return;
    }
    if (unblockLeft == 0) {
        UpdatePinControls(hDlg, status, kProtectionNotRead, 0);
        return;
    }

    const int protection = service.GetPinProtection(detail);
    if (protection <= SIM_PROTECTION_OFF) {
        UpdatePinControls(hDlg, status, protection, unblockLeft);
        return;
    }
    SetPinStatusUnknown(hDlg);
    EndWithError(hDlg, protection, detail);
}

bool CConfigDialog::OnCommand(HWND hDlg, int id)
{
    switch (id) {
    case IDOK:
    case IDCANCEL:
        // EndDialog hides the window at once, so the header control never
        // paints the picture after it is gone.
        ::EndDialog(hDlg, IDCANCEL);
        m_headerBitmap.Reset();
        return true;
    case IDC_PIN_PROTECT_ON:
    case IDC_PIN_VERIFY:
    case IDC_PIN_PROTECT_OFF:
        OnPinCommand(hDlg, id);
        return true;
    case IDC_PIN_CHANGE:
        OnChangeCommand(hDlg);
        return true;
    case IDC_PIN_UNBLOCK:
        OnUnlockCommand(hDlg);
        return true;
    case IDC_GPS_ON:
    case IDC_GPS_OFF:
        // Template 112 has no such buttons; a stray command must not switch
        // GPS on a machine without the option.
        if (HasGpsOption())
            OnGpsCommand(hDlg, id);
        return true;
    default:
        return false;
    }
}

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

void CConfigDialog::OnGpsCommand(HWND hDlg, int id)
{
    const bool enable = id == IDC_GPS_ON;
    if (enable && !ConfirmationSuppressed()) {
        if (m_gpsConfirmDialog.DoModal(m_hInstance, MAKEINTRESOURCEW(IDD_GPS_CONFIRM), hDlg, 0) != IDOK)
            return;
    }

    UpdateGpsControls(hDlg, GPS_STATUS_CHANGING);
    // The change blocks this thread for up to seconds with no WM_PAINT
    // dispatched; the changing line has to be painted now to be seen at all.
    ::RedrawWindow(hDlg, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);

    const std::uint32_t wanted = enable ? GPS_STATUS_ENABLE : GPS_STATUS_DISABLE;
    if (SetGPSStatus(1, wanted) != 0) {
        UpdateGpsControls(hDlg, wanted);
        FocusCloseButton(hDlg);
        return;
    }
    if (OwnerClosed(ShowMessage(hDlg, enable ? IDS_GPS_ENABLE_FAILED : IDS_GPS_DISABLE_FAILED)))
        return;
    ::EndDialog(hDlg, IDCANCEL);
}

void CConfigDialog::UpdatePinControls(HWND hDlg, int status, int protection, int unblockLeft)
{
    const PinControlsChoice choice = ChoosePinControls(status, protection, unblockLeft);
    ShowPinLine(hDlg, choice.stringId, choice.buttons);
}

void CConfigDialog::SetPinStatusUnknown(HWND hDlg)
{
    const PinButtons none = {false, false, false, false, false};
    ShowPinLine(hDlg, IDS_STATUS_UNKNOWN, none);
}

void CConfigDialog::ShowPinLine(HWND hDlg, unsigned stringId, const PinButtons& buttons)
{
    EnableItem(hDlg, IDC_PIN_PROTECT_ON, buttons.protectOn);
    EnableItem(hDlg, IDC_PIN_PROTECT_OFF, buttons.protectOff);
    EnableItem(hDlg, IDC_PIN_CHANGE, buttons.change);
    EnableItem(hDlg, IDC_PIN_VERIFY, buttons.verify);
    EnableItem(hDlg, IDC_PIN_UNBLOCK, buttons.unblock);

    wchar_t line[kResStringChars];
    LoadResString(line, stringId);
    ::SetDlgItemTextW(hDlg, IDC_PIN_STATUS, line);
    PublishStatusText(CSimService::Instance().PinStatusText(), line, m_hwndNotify);
}

void CConfigDialog::UpdateGpsControls(HWND hDlg, std::uint32_t state)
{
    CSimService& service = CSimService::Instance();
    const GpsControlsChoice choice = ChooseGpsControls(state, service.GetNmeaPort());
    EnableItem(hDlg, IDC_GPS_ON, choice.onEnabled);
    EnableItem(hDlg, IDC_GPS_OFF, choice.offEnabled);

    wchar_t format[kResStringChars];
    LoadResString(format, choice.stringId);
    wchar_t line[kResStringChars];
    FormatW(line, kResStringChars, format, static_cast<int>(service.GetNmeaPort()));
    ::SetDlgItemTextW(hDlg, IDC_GPS_STATUS, line);
    PublishStatusText(service.GpsStatusText(), line, m_hwndNotify);
}

INT_PTR CConfigDialog::ShowMessage(HWND hDlg, unsigned stringId)
{
    return m_msgDialog.ShowString(hDlg, m_hInstance, stringId);
}

INT_PTR CConfigDialog::ShowErrorMessage(HWND hDlg, int code, int detail)
{
    return m_msgDialog.ShowError(hDlg, m_hInstance, code, detail);
}

void CConfigDialog::EndWithError(HWND hDlg, int code, int detail)
{
    // Ending with IDCANCEL after the owner's close would replace the
    // owner's result, and the owner would go on as if the user had closed.
    if (OwnerClosed(ShowErrorMessage(hDlg, code, detail)))
        return;
    ::EndDialog(hDlg, IDCANCEL);
}

bool CConfigDialog::OwnerClosed(INT_PTR nestedResult) const
{
    return nestedResult == DLG_CLOSED_BY_OWNER || m_hWnd == nullptr;
}

void CConfigDialog::FocusCloseButton(HWND hDlg)
{
    // Through the dialog manager, so that the close button also becomes the
    // default again; the button just pressed may now be disabled.
    ::SendMessageW(hDlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(hDlg, IDOK)), TRUE);
}
