// Drives real dialogs from a test: a script of steps that a thread timer runs
// one per tick inside whatever modal loop is current, plus small helpers to
// find controls, type, click and read them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/BrindleTexts.h"

class CDialogScript {
public:
    CDialogScript() = default;
    CDialogScript(const CDialogScript&) = delete;
    CDialogScript& operator=(const CDialogScript&) = delete;

    // Runs action once. A step may block in a nested modal loop; the steps
    // after it keep running inside that loop.
    CDialogScript& Then(std::function<void()> action);
    // Waits (tick by tick) until condition holds.
    CDialogScript& WaitFor(std::function<bool()> condition);

    // Calls openModal (which opens a dialog modal and returns its result)
    // with the script ticking. When the script outlives its time, every dialog
    // of the thread is ended with -2 and a failure is recorded.
    INT_PTR RunModal(const std::function<INT_PTR()>& openModal);
    // Pumps this thread's messages (with IsDialogMessage for modeless
    // dialogs) until the script has run out.
    void RunModeless();

    bool Finished() const { return m_next >= m_steps.size(); }

private:
    struct Step {
        std::function<void()> action;
        std::function<bool()> condition;
    };
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();
    void Start();
    void Stop();

    std::vector<Step> m_steps;
    size_t m_next = 0;
    unsigned m_ticks = 0;
    bool m_timedOut = false;
    UINT_PTR m_timer = 0;
};

// Visible dialogs of this thread owned by owner (nullptr: any owner).
std::vector<HWND> ThreadDialogs(HWND owner = nullptr);
// The one visible dialog owned by owner, or nullptr.
HWND OwnedDialog(HWND owner);

std::wstring WindowText(HWND hWnd);
// The text of the message dialog that hDlg is, or nullptr for another dialog
// (a message draws its text itself: no control holds it).
const wchar_t* MessageTextOf(HWND hDlg);
std::wstring ItemText(HWND hDlg, int id);
bool ItemEnabled(HWND hDlg, int id);
// Types text into an edit one WM_CHAR at a time, as the keyboard would.
void TypeInto(HWND hDlg, int id, const wchar_t* text);
// Replaces an edit's text at once, as pasting would.
void PasteInto(HWND hDlg, int id, const wchar_t* text);
void Click(HWND hDlg, int id);
// Esc as the keyboard delivers it, through the dialog's own loop.
void PressEscape(HWND hDlg);

// Client rectangle of child id in hDlg's client coordinates.
RECT ItemRect(HWND hDlg, int id);

// Writes the window's picture to <screenshots>/<name>.png.
void SaveScreenshot(HWND hWnd, const std::wstring& name);
