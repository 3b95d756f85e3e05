// The program's message dialog seen from another process. It paints its
// text itself, so no control holds it and WM_GETTEXT reads only the caption;
// but it sizes itself to the text in the system's message font, so the test
// measures the text it expects with the same font and compares the sizes.
// Texts of different widths or line counts are told apart this way; two
// texts of one size are not.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// The first visible dialog of processId with that caption whose only child
// is its OK button: the message dialog, not the settings or GPS dialogs
// that share its caption.
HWND FindMessageDialog(DWORD processId, const wchar_t* caption);
HWND WaitForMessageDialog(DWORD processId, const wchar_t* caption, DWORD timeoutMs);

// The client size the message dialog takes for text ("\n" breaks lines)
// with an OK button of buttonSize (window rectangle).
SIZE MessageClientSize(const std::wstring& text, SIZE buttonSize);

// True when dialog's client area is the size text gives it; otherwise why
// (when given) says what was seen and expected.
bool IsSizedForText(HWND dialog, const std::wstring& text, std::string* why = nullptr);

} // namespace e2e
