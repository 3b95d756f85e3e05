// The notification area as the program under test sees it. Wine's shell32
// sends every Shell_NotifyIconW call as WM_COPYDATA to the first top-level
// window of class "Shell_TrayWnd" it finds; one created in the test process
// after Explorer's is found first. This one records each call, keeps the
// icons a real shell would show, and answers TRUE or FALSE as scripted (the
// answer is what the program's Shell_NotifyIconW returns).
// Calls arrive only while the test thread pumps (MessagePump.h).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/Uncopyable.h"
#include "tests/e2e/TrayIconRecord.h"

namespace e2e {

struct TrayCall {
    TrayIconRecord record;
    BOOL answer = FALSE;
};

struct TrayIcon {
    HWND window = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0;
    std::wstring tip;
    bool hasIcon = false;
};

class CFakeTray : CUncopyable {
public:
    enum class Answer {
        AsShell, // what a shell answers: add only a new icon, modify or delete only a known one
        Accept,
        Refuse,
    };

    CFakeTray() = default;
    ~CFakeTray();

    // Creates the window (once). True when shell32 will find it first.
    bool Create();
    HWND Window() const { return m_window; }
    bool IsFoundFirst() const;

    // How calls of one action (NIM_ADD, NIM_MODIFY, NIM_DELETE, ...) are answered
    // from now on; AsShell for every action until told otherwise.
    void SetAnswer(DWORD action, Answer answer);
    // The next count calls of action are refused, whatever SetAnswer said.
    void RefuseNext(DWORD action, unsigned count);

    const std::vector<TrayCall>& Calls() const { return m_calls; }
    std::vector<TrayCall> CallsOf(DWORD action, HWND window = nullptr) const;
    size_t CountOf(DWORD action, HWND window = nullptr) const;
    void ClearCalls() { m_calls.clear(); }

    // The icons shown now, after the accepted calls.
    std::vector<TrayIcon> Icons() const;
    bool HasIcon(HWND window, UINT id = 0) const;
    // The tip of the icon, empty when there is none.
    std::wstring TipOf(HWND window, UINT id = 0) const;
    // The first icon whose window belongs to processId (null window when none).
    TrayIcon IconOfProcess(DWORD processId) const;

    // What Explorer's restart looks like to a program: a new shell knows no
    // icon, then "TaskbarCreated" is broadcast to every top-level window.
    void RestartShell();
    void ForgetIcons() { m_icons.clear(); }
    static UINT TaskbarCreatedMessage();
    static void BroadcastTaskbarCreated();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnCall(DWORD action, const COPYDATASTRUCT& data);
    BOOL Decide(const TrayIconRecord& record) const;
    void Apply(const TrayIconRecord& record);

    HWND m_window = nullptr;
    std::vector<TrayCall> m_calls;
    std::map<std::pair<HWND, UINT>, TrayIcon> m_icons;
    std::map<DWORD, Answer> m_answers;
    std::map<DWORD, unsigned> m_refusals;
};

} // namespace e2e
