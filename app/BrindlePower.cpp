// Suspend and resume: the modem session ends before the machine sleeps and is
// rebuilt on a timer afterwards, waiting while nobody is at the console.
#include "app/Brindle.h"

#include "app/MainWindowIds.h"
#include "common/DebugLog.h"
#include "modem/GobiApi.h"
#include "modem/GpsControl.h"
#include "modem/SimCodes.h"
#include "modem/SimService.h"
#include "res/resource.h"

void CBrindle::OnSuspend(HWND window)
{
    ::KillTimer(window, TIMER_RESUME);
    CSimService& service = CSimService::Instance();
    {
        CCriticalSectionGuard guard(service.GetLock());
        if (CallQCWWANDisconnect() != GOBI_SUCCESS)
            DebugPrint(L"DisconnectModem:FAIL (QCWWANDisconnect)\n");
    }
    m_popupMenu.EnableItem(IDM_OPEN_SETTINGS, FALSE);
    m_popupMenu.EnableItem(IDM_VERIFY_PIN, FALSE);
    CloseAllDialogs();
}

void CBrindle::OnResume(HWND window)
{
    ::KillTimer(window, TIMER_RESUME);
    CSimService& service = CSimService::Instance();
    {
        // The library's state does not survive a suspend: it is loaded afresh.
        CCriticalSectionGuard guard(service.GetLock());
        if (g_gobiApi.QCWWANDisconnect != nullptr)
            g_gobiApi.QCWWANDisconnect();
        service.UnloadQMI();
        if (service.LoadQMI() != 0)
            DebugPrint(L"PrepareConnectModem:FAIL (ReloadQMI)\n");
    }
    if (service.GetGpsOption() != 0)
        SetGpsStatusText(window, GPS_STATUS_CHECKING, 1);
    SetPinStatusString(window, IDS_CARD_CHECKING, 1);

    if (m_sessionNotification.RegisteredWindow() == nullptr)
        m_sessionNotification.Register(window, 1, 0);
    m_resumeTries.Start(m_settings.ResumeTryCount);
    ::SetTimer(window, TIMER_RESUME, kFirstResumeTryMs, nullptr);
}

void CBrindle::OnResumeTimer(HWND window)
{
    // Nobody can answer a PIN prompt at a locked or switched-away console;
    // the tries are counted only once someone is back.
    if (m_sessionNotification.IsSessionLocked() || !m_sessionNotification.IsConsoleConnected()) {
        ::SetTimer(window, TIMER_RESUME, m_settings.ResumeDelay, nullptr);
        return;
    }
    ::KillTimer(window, TIMER_RESUME);
    CSimService& service = CSimService::Instance();
    if (service.ConnectModem() != 0) {
        int detail = 0;
        const int status = service.GetPinStatus(detail);
        if (service.GetGpsOption() != 0)
            GetGPSStatusRegAndSetModule();
        FollowPinStatus(window, status);
        UpdateStatusTexts(window, 1);
        return;
    }
    if (m_resumeTries.CountFailedTry()) {
        ::SetTimer(window, TIMER_RESUME, m_settings.ResumeDelay, nullptr);
        return;
    }

    if (service.GetGpsOption() != 0)
        SetGpsStatusText(window, GPS_STATUS_INVALID, 1);
    SetPinStatusUnknown(window, 1);
    ShowClosingMessage(IDS_NO_DEVICE_AT_START);
    if (IsWindowGone(window))
        return;
    m_popupMenu.EnableItem(IDM_OPEN_SETTINGS, TRUE);
    CloseAllDialogs();
    ::PostMessageW(window, WM_CLOSE, 0, 0);
}
