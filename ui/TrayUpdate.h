// The message by which a window that changed one of the service's status
// texts asks the main window to refresh the tray tooltip from them, and the
// one way to change such a text.
#pragma once

#include <windows.h>

// wParam 0, lParam 0; posted, never sent.
constexpr UINT WM_TRAY_UPDATE = WM_APP + 3;

// Copies text into serviceText (one of CSimService's status texts, cut to
// its capacity) and, when notifyWindow is not null, posts it WM_TRAY_UPDATE.
void PublishStatusText(wchar_t* serviceText, const wchar_t* text, HWND notifyWindow);
