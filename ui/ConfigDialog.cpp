// The settings dialog's view: its message table, the refresh of the PIN and
// GPS groups, the status lines (also published to the tray) and the messages.
// The PIN flows are in ConfigDialogPin.cpp, the GPS switch in
// ConfigDialogGps.cpp.
#include "ui/ConfigDialog.h"

#include "common/FormatW.h"
#include "modem/GpsControl.h"
#include "modem/SimCodes.h"
#include "modem/SimService.h"
#include "res/resource.h"
#include "ui/ConfigStatusChoice.h"
#include "ui/TrayUpdate.h"

namespace {

void EnableItem(HWND hDlg, int id, bool enable)
{
    ::EnableWindow(::GetDlgItem(hDlg, id), enable ? TRUE : FALSE);
}

} // namespace

bool CConfigDialog::HasGpsOption()
{
    return CSimService::Instance().GetGpsOption() != 0;
}

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
