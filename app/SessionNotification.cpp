#include "app/SessionNotification.h"

#include "common/win/ProcAddress.h"
#include "common/Delay.h"
#include "common/win/ModuleHandle.h"

namespace {

// Windows 2000 has no wtsapi32.dll: it is looked up, not imported, and only
// in the system directory.
const wchar_t kWtsApiDll[] = L"wtsapi32.dll";
const DWORD kNotifyForThisSession = 0; // NOTIFY_FOR_THIS_SESSION

typedef BOOL(WINAPI* WTSRegisterSessionNotificationFn)(HWND window, DWORD flags);
typedef BOOL(WINAPI* WTSUnRegisterSessionNotificationFn)(HWND window);

} // namespace

CSessionNotification::~CSessionNotification()
{
    Unregister();
}

void CSessionNotification::ResetFlags()
{
    m_bSessionLocked = FALSE;
    m_bConsoleConnected = TRUE;
}

int CSessionNotification::Register(HWND window, int tries, DWORD wait)
{
    CCriticalSectionGuard guard(m_lock);
    if (m_hWnd != nullptr)
        return 0;
    ResetFlags();

    CModuleHandle library;
    if (!library.LoadFromSystem(kWtsApiDll))
        return 0;
    WTSRegisterSessionNotificationFn registerNotification =
        FindProc<WTSRegisterSessionNotificationFn>(library.Get(), "WTSRegisterSessionNotification");
    if (registerNotification == nullptr)
        return 0;

    // Early in a logon the terminal service may not answer yet.
    bool registered = false;
    for (int attempt = 0; attempt < tries && !registered; ++attempt) {
        registered = registerNotification(window, kNotifyForThisSession) != FALSE;
        if (!registered)
            Delay(wait);
    }
    if (!registered)
        return 0;
    m_hWnd = window;
    return 1;
}

void CSessionNotification::Unregister()
{
    CCriticalSectionGuard guard(m_lock);
    if (m_hWnd == nullptr)
        return;
    HWND window = m_hWnd;
    m_hWnd = nullptr;
    CModuleHandle library;
    if (library.LoadFromSystem(kWtsApiDll)) {
        WTSUnRegisterSessionNotificationFn unregisterNotification =
            FindProc<WTSUnRegisterSessionNotificationFn>(library.Get(), "WTSUnRegisterSessionNotification");
        if (unregisterNotification != nullptr)
            unregisterNotification(window);
    }
    ResetFlags();
}

void CSessionNotification::OnSessionChange(HWND window, UINT message, WPARAM wParam)
{
    if (message == WM_WTSSESSION_CHANGE && window != nullptr && window == m_hWnd) {
        switch (wParam) {
        case WTS_SESSION_LOCK:
            m_bSessionLocked = TRUE;
            break;
        case WTS_SESSION_UNLOCK:
            m_bSessionLocked = FALSE;
            break;
        case WTS_CONSOLE_CONNECT:
            m_bConsoleConnected = TRUE;
            break;
        case WTS_CONSOLE_DISCONNECT:
            m_bConsoleConnected = FALSE;
            break;
        default:
            break;
        }
    }
    m_lock.Unlock();
}
