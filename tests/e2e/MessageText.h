// Reading the text of the program's message dialog from outside. The dialog
// draws its text itself, so no control holds it and WM_GETTEXT gives only the
// caption. What the screen shows between the caption and the OK button is
// compared instead with the expected text drawn here in the same font (the
// system's message font, the same for every process of the prefix), black on
// the dialog's own background.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// A visible dialog of processId with that caption whose only control is its
// OK button; null when there is none.
HWND FindMessageWindow(DWORD processId, const wchar_t* caption);
HWND WaitForMessageWindow(DWORD processId, const wchar_t* caption, DWORD timeoutMs);

// Whether dialog shows exactly text ("\n" breaks lines); why says what the
// screen showed instead.
bool MessageShows(HWND dialog, const std::wstring& text, std::string& why);
// The same, waiting up to timeoutMs for the dialog to paint.
bool WaitForMessageText(HWND dialog, const std::wstring& text, DWORD timeoutMs, std::string& why);

} // namespace e2e
