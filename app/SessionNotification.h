// Whether the workstation is locked or the console disconnected, as the
// session notifications tell the main window.
#pragma once

#include "common/Uncopyable.h"
#include "common/win/CriticalSection.h"

#include <windows.h>

class CSessionNotification : private CUncopyable {
public:
    CSessionNotification() = default;
    // Unregisters.
    ~CSessionNotification();

    // Registers window for this session's notifications: up to tries calls,
    // waiting wait ms after each failed one. 1 registered, 0 not (also when
    // a window is registered already, or wtsapi32.dll or the function is
    // missing). Resets the flags.
    int Register(HWND window, int tries, DWORD wait);
    // Ends the registration, if any, and resets the flags.
    void Unregister();
    // Called for every message of the main window with GetLock() held;
    // releases it. Only WM_WTSSESSION_CHANGE to the registered window
    // changes the flags.
    void OnSessionChange(HWND window, UINT message, WPARAM wParam);

    CCriticalSectionLock& GetLock() { return m_lock; }
    HWND RegisteredWindow() const { return m_hWnd; }
    BOOL IsSessionLocked() const { return m_bSessionLocked; }
    BOOL IsConsoleConnected() const { return m_bConsoleConnected; }

private:
    void ResetFlags();

    CCriticalSectionLock m_lock;
    HWND m_hWnd = nullptr;
    BOOL m_bSessionLocked = FALSE;
    BOOL m_bConsoleConnected = TRUE;
};
