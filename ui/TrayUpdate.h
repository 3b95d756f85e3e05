// The message by which a window that changed one of the service's status
// texts asks the main window to refresh the tray tooltip from them.
#pragma once

#include <windows.h>

// wParam 0, lParam 0; posted, never sent.
constexpr UINT WM_TRAY_UPDATE = WM_APP + 3;
