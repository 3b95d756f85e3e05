// Reading and driving the dialogs of another process as a user would. Texts
// travel by WM_GETTEXT / WM_SETTEXT (marshalled across processes for the
// standard controls); clicks and keys are posted, so the dialog's own loop
// handles them as it handles the user's.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// Visible dialogs (class "#32770") of processId, topmost first.
std::vector<HWND> VisibleDialogs(DWORD processId);
// The first visible dialog of processId that has a control controlId (0: any)
// and that caption (null: any); null when there is none.
HWND FindDialog(DWORD processId, int controlId, const wchar_t* caption = nullptr);
HWND WaitForDialog(DWORD processId, int controlId, const wchar_t* caption, DWORD timeoutMs);
// Waits until window is destroyed or hidden.
bool WaitForWindowGone(HWND window, DWORD timeoutMs);

std::wstring ClassOf(HWND window);
// WM_GETTEXT with a time limit: a hung program yields an empty text.
std::wstring TextOf(HWND window);
std::wstring ItemText(HWND dialog, int id);
bool ItemExists(HWND dialog, int id);
bool ItemEnabled(HWND dialog, int id);
bool ItemVisible(HWND dialog, int id);

// Replaces the control's text at once, as pasting would.
bool SetItemText(HWND dialog, int id, const std::wstring& text);
// One WM_CHAR per character, as typing would: the edit's ES_NUMBER and text
// limit apply. Sent, so the text is in place when this returns.
bool TypeInto(HWND dialog, int id, const std::wstring& text);
// BM_CLICK, posted: the button notifies its dialog as for a mouse click.
bool ClickButton(HWND dialog, int id);
// WM_COMMAND for the control, posted (IDOK, IDCANCEL or a button's id).
bool PostCommand(HWND dialog, int id);
// A key press (WM_KEYDOWN, WM_KEYUP) posted to the control that has the
// focus in window's thread (window itself when none does): Esc and Enter
// then reach the dialog through its IsDialogMessage.
bool PressKey(HWND window, UINT virtualKey);
// A key down and up posted to target; true when the key down was taken.
bool PostKeyStroke(HWND target, UINT virtualKey);
// The control with the keyboard focus in window's thread, or null.
HWND FocusOf(HWND window);

} // namespace e2e
