// The main window: its message table, creation and destruction, the menu
// commands and the flows they start.
#include "app/Brindle.h"

#include "app/MainWindowIds.h"
#include "modem/GpsControl.h"
#include "modem/ModemPreparation.h"
#include "modem/SimCodes.h"
#include "modem/SimService.h"
#include "res/resource.h"
#include "ui/PinAnswerChoice.h"

namespace {

const int kSessionRegisterTries = 10;
const DWORD kSessionRegisterWaitMs = 1000;

#ifdef BRINDLE_PLANTED_LEAK
// Only in the soak's test build (tests/soak), never in the shipped program:
// the leak the soak must be seen to fail on. Volatile, so that the compiler
// cannot drop an allocation nobody reads.
char* volatile g_plantedLeak = nullptr;
#endif

} // namespace

LRESULT CBrindle::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The lock/console flags must be current before any handler reads them,
    // and the lock must not be held while a handler runs a nested loop.
    m_sessionNotification.GetLock().Lock();
    if (m_sessionNotification.RegisteredWindow() != nullptr)
        m_sessionNotification.OnSessionChange(window, message, wParam);
    else
        m_sessionNotification.GetLock().Unlock();

    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_DESTROY:
        OnDestroy(window, true);
        return 0;
    case WM_ENDSESSION:
        // The system ends the process after this: no WM_QUIT.
        if (wParam != 0)
            OnDestroy(window, false);
        return 0;
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        return 0;
    case WM_TIMER:
        OnTimer(window, wParam);
        return 0;
    case WM_POWERBROADCAST:
        switch (wParam) {
        case PBT_APMSUSPEND:
            OnSuspend(window);
            return 0;
        case PBT_APMRESUMECRITICAL:
        case PBT_APMRESUMESUSPEND:
            OnResume(window);
            return 0;
        default:
            // PBT_APMRESUMEAUTOMATIC alone comes without a user to reconnect
            // for; PBT_APMRESUMESUSPEND follows once there is one.
            return DefaultWindowProc(window, message, wParam, lParam);
        }
    case WM_TRAY_NOTIFY:
        if (lParam >= WM_LBUTTONDOWN && lParam <= WM_RBUTTONDBLCLK)
            OnTrayNotify(window, static_cast<UINT>(lParam));
        return 0;
    case WM_TRAY_UPDATE:
        UpdateTrayIcon(window, NIM_MODIFY);
        return 0;
    case WM_DEVICE_REFRESH:
        OnDeviceRefresh(window);
        return 0;
    default:
        if (m_nTaskbarCreatedMessage != 0 && message == m_nTaskbarCreatedMessage)
            return OnTaskbarCreated(window, message, wParam, lParam);
        return DefaultWindowProc(window, message, wParam, lParam);
    }
}

LRESULT CBrindle::OnCreate(HWND window)
{
    if (m_smallIcon.IsNull())
        return -1;
    CSimService& service = CSimService::Instance();
    m_nTaskbarCreatedMessage = ::RegisterWindowMessageW(L"TaskbarCreated");

    ReadSettings();
    m_checkPinDialog.m_nPinMin = m_settings.PinMin;
    m_checkPinDialog.m_nPinMax = m_settings.PinMax;
    m_checkPinDialog.m_hIcon = m_smallIcon.Get();
    // Its owner is the hidden window: without a taskbar button the user
    // could lose it behind other windows.
    m_checkPinDialog.m_bAppWindow = TRUE;
    m_configDialog.m_nPinMin = m_settings.PinMin;
    m_configDialog.m_nPinMax = m_settings.PinMax;
    m_configDialog.m_nPukMin = m_settings.PukMin;
    m_configDialog.m_nPukMax = m_settings.PukMax;
    m_configDialog.m_hIcon = m_smallIcon.Get();

    int cancelled = 0;
    if (PrepareConnectModem(cancelled) == 0) {
        // Cancelled means Windows is ending the logon: no one to tell.
        if (cancelled == 0)
            ShowMessage(IDS_NO_DEVICE_AT_START);
        return -1;
    }
    if (service.GetGpsOption() != 0)
        GetGPSStatusRegAndSetModule();

    m_sessionNotification.Register(window, kSessionRegisterTries, kSessionRegisterWaitMs);
    UpdateStatusTexts(window, 0);
    if (!UpdateTrayIcon(window, NIM_ADD)) {
        ShowMessage(IDS_START_FAILED);
        m_sessionNotification.Unregister();
        return -1;
    }
    if (!m_popupMenu.Load(m_hInstance, window)) {
        // Not every system sends WM_DESTROY to a window whose creation fails.
        DeleteTrayIcon(window);
        m_sessionNotification.Unregister();
        return -1;
    }
    m_popupMenu.SetDefaultItem(0);

    int detail = 0;
    if (service.GetPinStatus(detail) == SIM_PIN_VERIFY_REQUIRED)
        QueueVerifyPin(window);
    else
        m_popupMenu.EnableItem(IDM_VERIFY_PIN, FALSE);
    return 0;
}

void CBrindle::OnDestroy(HWND window, bool quit)
{
    CSimService& service = CSimService::Instance();
    // The choice stays stored for the next start; only the module goes off.
    if (service.GetGpsOption() != 0)
        SetGPSModuleDisable();
    m_popupMenu.Destroy();
    DeleteTrayIcon(window);
    m_sessionNotification.Unregister();
    if (quit)
        ::PostQuitMessage(0);
}

void CBrindle::QueueVerifyPin(HWND window)
{
    m_popupMenu.CancelTracking();
    ::PostMessageW(window, WM_COMMAND, IDM_VERIFY_PIN, 0);
}

void CBrindle::FollowPinStatus(HWND window, int status)
{
    if (status == SIM_PIN_VERIFY_REQUIRED) {
        m_popupMenu.CancelTracking();
        m_popupMenu.EnableItem(IDM_OPEN_SETTINGS, TRUE);
        m_popupMenu.EnableItem(IDM_VERIFY_PIN, TRUE);
        ::PostMessageW(window, WM_COMMAND, IDM_VERIFY_PIN, 0);
    } else {
        m_popupMenu.EnableItem(IDM_OPEN_SETTINGS, TRUE);
        m_popupMenu.EnableItem(IDM_VERIFY_PIN, FALSE);
    }
}

void CBrindle::OnCommand(HWND window, UINT id)
{
    switch (id) {
    case IDM_OPEN_SETTINGS:
        OpenSettingsDialog(window);
        break;
    case IDM_VERIFY_PIN:
        VerifyPinFromMenu(window);
        break;
    case IDM_ABOUT:
        OpenAboutDialog(window);
        break;
    case IDM_EXIT:
        CloseAllDialogs();
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

void CBrindle::OnTimer(HWND window, UINT_PTR id)
{
    switch (id) {
    case TIMER_TRAY_CLICK:
        ::KillTimer(window, TIMER_TRAY_CLICK);
        m_popupMenu.Track();
        break;
    case TIMER_RESUME:
        OnResumeTimer(window);
        break;
    default:
        break;
    }
}

void CBrindle::OnTrayNotify(HWND window, UINT mouseMessage)
{
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        // A second click within the double-click time turns this into a
        // double click, which kills the timer before the menu comes up.
        ::SetTimer(window, TIMER_TRAY_CLICK, ::GetDoubleClickTime(), nullptr);
        break;
    case WM_LBUTTONDBLCLK:
        ::KillTimer(window, TIMER_TRAY_CLICK);
        if (m_popupMenu.IsItemEnabled(IDM_OPEN_SETTINGS))
            OpenSettingsDialog(window);
        break;
    case WM_RBUTTONDBLCLK:
        ::KillTimer(window, TIMER_TRAY_CLICK);
        break;
    default:
        break;
    }
}

void CBrindle::CloseAllDialogs()
{
    m_popupMenu.CancelTracking();
    m_msgDialog.Close(DLG_CLOSED_BY_OWNER);
    m_closingMsgDialog.Close(DLG_CLOSED_BY_OWNER);
    m_configDialog.Close(DLG_CLOSED_BY_OWNER);
    m_checkPinDialog.Close(DLG_CLOSED_BY_OWNER);
    m_aboutDialog.Close(0);
}

void CBrindle::OpenSettingsDialog(HWND window)
{
    if (m_configDialog.m_hWnd != nullptr) {
        m_configDialog.BringToForeground();
        return;
    }
#ifdef BRINDLE_PLANTED_LEAK
    g_plantedLeak = new char[64];
#endif
    CSimService& service = CSimService::Instance();
    m_popupMenu.EnableItem(IDM_VERIFY_PIN, FALSE);
    const UINT templateId = service.GetGpsOption() != 0 ? IDD_CONFIG_GPS : IDD_CONFIG;
    const INT_PTR result = m_configDialog.DoModal(m_hInstance, MAKEINTRESOURCEW(templateId), window, 0);
    if (result == DLG_CLOSED_BY_OWNER || IsWindowGone(window))
        return;
    int detail = 0;
    if (service.GetPinStatus(detail) == SIM_PIN_VERIFY_REQUIRED)
        m_popupMenu.EnableItem(IDM_VERIFY_PIN, TRUE);
    UpdateStatusTexts(window, 1);
}

void CBrindle::VerifyPinFromMenu(HWND window)
{
    if (m_checkPinDialog.m_hWnd != nullptr) {
        m_checkPinDialog.BringToForeground();
        return;
    }
    // The 40003 of a start-up, refresh or resume can come after a double
    // click that was queued first: two PIN flows must not interleave, and
    // the settings dialog shows the card's state and has its own verify.
    if (m_configDialog.m_hWnd != nullptr) {
        m_configDialog.BringToForeground();
        return;
    }
    m_popupMenu.EnableItem(IDM_OPEN_SETTINGS, FALSE);
    if (!AskAndVerifyPin(window))
        return;

    m_popupMenu.EnableItem(IDM_OPEN_SETTINGS, TRUE);
    int detail = 0;
    if (CSimService::Instance().GetPinStatus(detail) != SIM_PIN_VERIFY_REQUIRED)
        m_popupMenu.EnableItem(IDM_VERIFY_PIN, FALSE);
    UpdateStatusTexts(window, 1);
}

bool CBrindle::AskAndVerifyPin(HWND window)
{
    CSimService& service = CSimService::Instance();
    int detail = 0;
    int verifyLeft = 0;
    int unblockLeft = 0;
    int result = service.GetPinRetries(detail, verifyLeft, unblockLeft);
    if (result != SIM_OK)
        return !FlowStopped(window, ShowErrorMessage(result, detail));

    for (;;) {
        m_popupMenu.EnableItem(IDM_VERIFY_PIN, TRUE);
        const INT_PTR answer =
            m_checkPinDialog.DoModal(m_hInstance, MAKEINTRESOURCEW(IDD_CHECK_PIN), window, verifyLeft);
        if (FlowStopped(window, answer)) {
            m_checkPinDialog.WipeCodes();
            return false;
        }
        if (answer != IDOK)
            return true;

        result = service.VerifyPin(detail, m_checkPinDialog.m_szPin);
        m_checkPinDialog.WipeCodes();
        const PinAnswerChoice choice = ChoosePinAnswer(result);
        if (choice.greyVerifyItem)
            m_popupMenu.EnableItem(IDM_VERIFY_PIN, FALSE);
        INT_PTR shown = 0;
        if (choice.next == PinAnswerNext::Fail)
            shown = ShowErrorMessage(result, detail);
        else if (choice.messageId != 0)
            shown = ShowMessage(choice.messageId);
        if (FlowStopped(window, shown))
            return false;
        if (choice.next != PinAnswerNext::AskAgain)
            return true;

        result = service.GetPinRetries(detail, verifyLeft, unblockLeft);
        if (result != SIM_OK)
            return !FlowStopped(window, ShowErrorMessage(result, detail));
    }
}

bool CBrindle::FlowStopped(HWND window, INT_PTR nestedResult) const
{
    return nestedResult == DLG_CLOSED_BY_OWNER || IsWindowGone(window);
}

void CBrindle::OpenAboutDialog(HWND window)
{
    // Open brings a dialog that is already up to the front instead.
    m_aboutDialog.Open(m_hInstance, window);
}

void CBrindle::OnDeviceRefresh(HWND window)
{
    CloseAllDialogs();
    int detail = 0;
    FollowPinStatus(window, CSimService::Instance().GetPinStatus(detail));
    UpdateStatusTexts(window, 1);
}

LRESULT CBrindle::OnTaskbarCreated(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    UpdateStatusTexts(window, 0);
    if (!UpdateTrayIcon(window, NIM_ADD)) {
        ShowClosingMessage(IDS_START_FAILED);
        CloseAllDialogs();
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    return DefaultWindowProc(window, message, wParam, lParam);
}
