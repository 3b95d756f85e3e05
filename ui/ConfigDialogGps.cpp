// The settings dialog's GPS switch.
#include "ui/ConfigDialog.h"

#include "misccommon/RegValueNames.h"
#include "modem/GpsControl.h"
#include "res/resource.h"
#include "ui/SettingsStore.h"

namespace {

// The suppression counts only when it can be read and is set; without a
// store, or when the read fails, the user is asked.
bool ConfirmationSuppressed()
{
    ISettingsStore* store = GetSettingsStore();
    std::uint32_t value = 0;
    return store != nullptr && store->QueryDword(Settings::kDontShowConfirmDialog, value) == 0 && value != 0;
}

} // namespace

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
