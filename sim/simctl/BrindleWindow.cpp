#include "sim/simctl/BrindleWindow.h"

namespace simctl {
namespace {

constexpr UINT kTrayNotify = WM_APP + 1;
constexpr UINT kDeviceRefresh = WM_APP + 5;
constexpr WORD kMenuExit = 40005;

// Not in the XP-era headers the project builds against.
constexpr UINT kSessionChange = 0x02B1; // WM_WTSSESSION_CHANGE
constexpr WPARAM kSessionLock = 7;
constexpr WPARAM kSessionUnlock = 8;
constexpr WPARAM kPowerSuspend = 4;            // PBT_APMSUSPEND
constexpr WPARAM kPowerResumeSuspend = 7;      // PBT_APMRESUMESUSPEND
constexpr WPARAM kPowerResumeAutomatic = 0x12; // PBT_APMRESUMEAUTOMATIC

bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return PostMessageW(window, message, wParam, lParam) != FALSE;
}

// The shell reports each button transition of a click on the icon.
bool PostTrayMice(HWND window, const UINT* mouseMessages, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (!Post(window, kTrayNotify, 0, static_cast<LPARAM>(mouseMessages[i])))
            return false;
    }
    return true;
}

} // namespace

HWND FindBrindleWindow()
{
    return FindWindowW(L"Brindle", L"Brindle");
}

bool DeliverSignal(HWND window, Signal signal)
{
    switch (signal) {
    case Signal::Suspend:
        return Post(window, WM_POWERBROADCAST, kPowerSuspend, 0);
    case Signal::Resume:
        // Windows reports the automatic resume first and, once the user is
        // there, the resume from suspend.
        return Post(window, WM_POWERBROADCAST, kPowerResumeAutomatic, 0) &&
               Post(window, WM_POWERBROADCAST, kPowerResumeSuspend, 0);
    case Signal::Lock:
        // lParam: the session id, which the program does not read.
        return Post(window, kSessionChange, kSessionLock, 1);
    case Signal::Unlock:
        return Post(window, kSessionChange, kSessionUnlock, 1);
    case Signal::TaskbarCreated: {
        const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
        return message != 0 && Post(window, message, 0, 0);
    }
    case Signal::DeviceRefresh:
        return Post(window, kDeviceRefresh, 0, 0);
    case Signal::Exit:
        // As the menu delivers it: notification code 0, no control.
        return Post(window, WM_COMMAND, MAKEWPARAM(kMenuExit, 0), 0);
    case Signal::TrayClick: {
        const UINT click[] = {WM_LBUTTONDOWN, WM_LBUTTONUP};
        return PostTrayMice(window, click, 2);
    }
    case Signal::TrayDoubleClick: {
        const UINT doubleClick[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
        return PostTrayMice(window, doubleClick, 4);
    }
    }
    return false;
}

CWindowOwner::CWindowOwner(HWND window)
{
    GetWindowThreadProcessId(window, &m_processId);
    if (m_processId != 0)
        m_process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, m_processId);
}

CWindowOwner::~CWindowOwner()
{
    if (m_process != nullptr)
        CloseHandle(m_process);
}

bool CWindowOwner::WaitForExit(DWORD timeoutMs, DWORD& exitCode) const
{
    if (m_process == nullptr || WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    if (!GetExitCodeProcess(m_process, &code))
        return false;
    exitCode = code;
    return true;
}

} // namespace simctl
