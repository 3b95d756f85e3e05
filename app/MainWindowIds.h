// The main window's private messages and timers.
#pragma once

#include "ui/TrayUpdate.h"

#include <windows.h>

// The tray icon's callback; lParam is the mouse message.
constexpr UINT WM_TRAY_NOTIFY = WM_APP + 1;
// WM_TRAY_UPDATE (WM_APP + 3) comes from ui/TrayUpdate.h: whoever changed
// the PIN or GPS status text posts it.
// Comes from outside the program: re-check the SIM and refresh.
constexpr UINT WM_DEVICE_REFRESH = WM_APP + 5;

// A single click shows the menu once the double-click time has passed.
constexpr UINT_PTR TIMER_TRAY_CLICK = 0;
// Reconnecting the modem after a resume.
constexpr UINT_PTR TIMER_RESUME = 1;
constexpr UINT kFirstResumeTryMs = 10000;
