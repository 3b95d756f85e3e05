// What the shell, Windows and outside senders deliver to the program's hidden
// main window, posted from the test as they would arrive.
#pragma once

#include <windows.h>

namespace e2e {

constexpr wchar_t kMainWindowClass[] = L"Brindle";
constexpr wchar_t kMainWindowTitle[] = L"Brindle";

constexpr UINT kTrayNotify = WM_APP + 1; // wParam icon id 0, lParam the mouse message
constexpr UINT kTrayUpdate = WM_APP + 3;
constexpr UINT kDeviceRefresh = WM_APP + 5;

constexpr UINT kCmdOpenSettings = 40002;
constexpr UINT kCmdVerifyPin = 40003;
constexpr UINT kCmdAbout = 40004;
constexpr UINT kCmdExit = 40005;

// wParam of WM_POWERBROADCAST.
constexpr WPARAM kPowerSuspend = 4;            // PBT_APMSUSPEND
constexpr WPARAM kPowerResumeCritical = 6;     // PBT_APMRESUMECRITICAL
constexpr WPARAM kPowerResumeSuspend = 7;      // PBT_APMRESUMESUSPEND
constexpr WPARAM kPowerResumeAutomatic = 0x12; // PBT_APMRESUMEAUTOMATIC

// wParam of WM_WTSSESSION_CHANGE. Wine never sends these itself.
constexpr WPARAM kSessionConsoleConnect = 1;
constexpr WPARAM kSessionConsoleDisconnect = 2;
constexpr WPARAM kSessionLock = 7;
constexpr WPARAM kSessionUnlock = 8;

// Each returns PostMessageW's result.
bool PostTrayMouse(HWND mainWindow, UINT mouseMessage, UINT iconId = 0);
bool PostMenuCommand(HWND mainWindow, UINT commandId);
bool PostDeviceRefresh(HWND mainWindow);
// "TaskbarCreated" to this window only (CFakeTray broadcasts it to all).
bool PostTaskbarCreated(HWND mainWindow);
bool PostEndSession(HWND mainWindow, bool ending);
bool PostQueryEndSession(HWND mainWindow);
bool PostPowerBroadcast(HWND mainWindow, WPARAM event);
bool PostSessionChange(HWND mainWindow, WPARAM code);

// WM_QUERYENDSESSION sent as Windows sends it, with its answer; false when
// the window did not answer in time.
bool SendQueryEndSession(HWND mainWindow, LRESULT& answer, DWORD timeoutMs = 10000);

} // namespace e2e
