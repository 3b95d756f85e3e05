#include "tests/e2e/MainWindowMessages.h"

#include "tests/e2e/FakeTray.h"

#ifndef WM_WTSSESSION_CHANGE
#define WM_WTSSESSION_CHANGE 0x02B1
#endif

namespace e2e {

bool PostTrayMouse(HWND mainWindow, UINT mouseMessage, UINT iconId)
{
    return PostMessageW(mainWindow, kTrayNotify, iconId, mouseMessage);
}

bool PostMenuCommand(HWND mainWindow, UINT commandId)
{
    // As a menu delivers it: notification code 0, no control.
    return PostMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

bool PostDeviceRefresh(HWND mainWindow)
{
    return PostMessageW(mainWindow, kDeviceRefresh, 0, 0);
}

bool PostTaskbarCreated(HWND mainWindow)
{
    return PostMessageW(mainWindow, CFakeTray::TaskbarCreatedMessage(), 0, 0);
}

bool PostEndSession(HWND mainWindow, bool ending)
{
    return PostMessageW(mainWindow, WM_ENDSESSION, ending ? TRUE : FALSE, 0);
}

bool PostQueryEndSession(HWND mainWindow)
{
    return PostMessageW(mainWindow, WM_QUERYENDSESSION, 0, 0);
}

bool PostPowerBroadcast(HWND mainWindow, WPARAM event)
{
    return PostMessageW(mainWindow, WM_POWERBROADCAST, event, 0);
}

bool PostSessionChange(HWND mainWindow, WPARAM code)
{
    // lParam is the session id; the program reads only the code.
    return PostMessageW(mainWindow, WM_WTSSESSION_CHANGE, code, 1);
}

bool SendQueryEndSession(HWND mainWindow, LRESULT& answer, DWORD timeoutMs)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(mainWindow, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result))
        return false;
    answer = static_cast<LRESULT>(result);
    return true;
}

} // namespace e2e
