// The settings dialog: PIN1 state and the five PIN1 operations, and on
// machines with the GPS option the GPS state, its NMEA port and the GPS
// switch. Template 140 with the GPS group, 112 without; the owner chooses by
// the service's GPS option. Every modem request is a synchronous call on
// this thread; every status line is also copied into the service's status
// texts for the tray tooltip.
#pragma once

#include "modem/SimCodes.h"
#include "ui/ChangePinDialog.h"
#include "ui/CheckPinDialog.h"
#include "ui/DialogHelper.h"
#include "ui/GPSConfirmDialog.h"
#include "ui/MessageDialog.h"
#include "ui/UnlockPukDialog.h"

#include <windows.h>

#include <cstdint>
#include <functional>

struct PinButtons;

// Posted by the dialog to itself: read the PIN and GPS state now.
constexpr UINT WM_CONFIG_REFRESH = WM_APP + 2;
// One-shot timer started at WM_INITDIALOG; its expiry posts WM_CONFIG_REFRESH.
constexpr UINT_PTR TIMER_CONFIG_REFRESH = 3;
constexpr UINT kConfigRefreshDelayMs = 100;

class CConfigDialog : public IDialogHelper {
public:
    CConfigDialog() = default;

    INT_PTR DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) override;

    // Ends whatever this dialog has opened (message, PIN dialogs, GPS
    // confirmation) with DLG_CLOSED_BY_OWNER first, so that the handler
    // waiting on it stops and this dialog's own loop can return result.
    void Close(INT_PTR result) override;

protected:
    CCheckPinDialog m_checkPinDialog;
    CChangePinDialog m_changePinDialog;
    CUnlockPukDialog m_unlockPukDialog;
    CMessageDialog m_msgDialog;
    CGPSConfirmDialog m_gpsConfirmDialog;

public:
    // Set by the owner before the first opening.
    HICON m_hIcon = nullptr; // small title-bar icon; not owned
    unsigned m_nPinMin = 4;
    unsigned m_nPinMax = 8;
    unsigned m_nPukMin = 8;
    unsigned m_nPukMax = 8;

protected:
    // Told about every status-text change; the dialog's parent.
    HWND m_hwndNotify = nullptr;
    CBitmapHandle m_headerBitmap;

private:
    // After an operation the unblock attempts are not read again; any
    // non-zero count shows the card as not locked.
    static constexpr int kUnblockAttemptsNotRead = 10;
    // A protection answer that is neither on nor off, for the states in
    // which protection was not (or could not be) read.
    static constexpr int kProtectionNotRead = SIM_INVALID_REQUEST;
    // A status that matches no row of its own, for a card found locked for good.
    static constexpr int kStatusNotRead = SIM_INVALID_REQUEST;

    static bool HasGpsOption();

    void OnInitDialog(HWND hDlg);
    void OnRefresh(HWND hDlg);
    bool OnCommand(HWND hDlg, int id);

    // The attempts left, as the PIN dialogs show them.
    struct Attempts {
        int verify = 0;
        int unblock = 0;
    };
    // Reads the attempts, then opens dialog (template templateId, showing
    // the verify or the unblock count) until the user gives up or onAnswer,
    // given what request answered, says the flow is over (false). The codes
    // are wiped after every request.
    void RunCodeDialog(HWND hDlg, IPinDialog& dialog, UINT templateId, bool showUnblockCount,
                       const std::function<int(int& detail)>& request,
                       const std::function<bool(int result, int detail, Attempts& left)>& onAnswer);
    // The PIN flows (ConfigDialogPin.cpp) and the GPS switch (ConfigDialogGps.cpp).
    void OnPinCommand(HWND hDlg, int id);
    void OnChangeCommand(HWND hDlg);
    void OnUnlockCommand(HWND hDlg);
    void OnGpsCommand(HWND hDlg, int id);
    // The attempts left; when they cannot be read the dialog ends with the error.
    bool ReadAttemptsOrEnd(HWND hDlg, int& verifyLeft, int& unblockLeft);
    // The card's answer to a PIN1 operation (verify, protection, change), as
    // ChoosePinAnswer decides. True when the user is to be asked again;
    // verifyLeft then holds the attempts left.
    bool OnPinAnswer(HWND hDlg, int result, int detail, int protectionAfter, int& verifyLeft);
    // The card's answer to an unblock request; true to ask again.
    bool OnUnblockAnswer(HWND hDlg, int result, int detail, Attempts& left);

    void UpdatePinControls(HWND hDlg, int status, int protection, int unblockLeft);
    void SetPinStatusUnknown(HWND hDlg);
    void UpdateGpsControls(HWND hDlg, std::uint32_t state);
    void ShowPinLine(HWND hDlg, unsigned stringId, const PinButtons& buttons);

    INT_PTR ShowMessage(HWND hDlg, unsigned stringId);
    INT_PTR ShowErrorMessage(HWND hDlg, int code, int detail);
    // The error message, then the dialog ends with IDCANCEL, unless the owner
    // closed it meanwhile.
    void EndWithError(HWND hDlg, int code, int detail);
    // True when a nested dialog's result means that the owner is closing
    // this one: nothing more may be done.
    bool OwnerClosed(INT_PTR nestedResult) const;
    static void FocusCloseButton(HWND hDlg);
};
