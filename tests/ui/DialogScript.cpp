#include "tests/ui/DialogScript.h"

#include "ui/DialogBase.h"
#include "ui/MessageDialog.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kTickMs = 20;
constexpr unsigned kMaxTicks = 500; // 10 s: far beyond any script's need

CDialogScript* g_running = nullptr;

BOOL CALLBACK CollectDialog(HWND hWnd, LPARAM lParam)
{
    auto* found = reinterpret_cast<std::vector<HWND>*>(lParam);
    wchar_t className[32] = {};
    ::GetClassNameW(hWnd, className, 32);
    if (std::wstring(className) == L"#32770" && ::IsWindowVisible(hWnd))
        found->push_back(hWnd);
    return TRUE;
}

} // namespace

CDialogScript& CDialogScript::Then(std::function<void()> action)
{
    m_steps.push_back(Step{std::move(action), nullptr});
    return *this;
}

CDialogScript& CDialogScript::WaitFor(std::function<bool()> condition)
{
    m_steps.push_back(Step{nullptr, std::move(condition)});
    return *this;
}

void CALLBACK CDialogScript::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_running != nullptr)
        g_running->Tick();
}

void CDialogScript::Tick()
{
    if (m_timedOut)
        return;
    if (++m_ticks > kMaxTicks) {
        m_timedOut = true;
        ADD_FAILURE() << "dialog script timed out at step " << m_next << " of " << m_steps.size();
        for (HWND hDlg : ThreadDialogs())
            ::EndDialog(hDlg, -2);
        return;
    }
    if (Finished())
        return;
    Step& step = m_steps[m_next];
    if (step.condition) {
        if (step.condition())
            ++m_next;
        return;
    }
    // Advance first: the action may not return until a nested modal loop
    // ends, and the ticks in that loop run the steps after it.
    ++m_next;
    step.action();
}

void CDialogScript::Start()
{
    ASSERT_EQ(nullptr, g_running) << "one script at a time";
    g_running = this;
    m_timer = ::SetTimer(nullptr, 0, kTickMs, &CDialogScript::OnTimer);
    ASSERT_NE(0u, m_timer);
}

void CDialogScript::Stop()
{
    ::KillTimer(nullptr, m_timer);
    m_timer = 0;
    g_running = nullptr;
    EXPECT_TRUE(Finished()) << "the dialog ended before its script: step " << m_next << " of " << m_steps.size();
}

INT_PTR CDialogScript::RunModal(const std::function<INT_PTR()>& openModal)
{
    Start();
    INT_PTR result = openModal();
    Stop();
    return result;
}

void CDialogScript::RunModeless()
{
    Start();
    MSG msg;
    while (!Finished() && !m_timedOut && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        HWND root = msg.hwnd != nullptr ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (root != nullptr && ::IsDialogMessageW(root, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    Stop();
}

std::vector<HWND> ThreadDialogs(HWND owner)
{
    std::vector<HWND> all;
    ::EnumThreadWindows(::GetCurrentThreadId(), &CollectDialog, reinterpret_cast<LPARAM>(&all));
    if (owner == nullptr)
        return all;
    std::vector<HWND> owned;
    for (HWND hWnd : all) {
        if (::GetWindow(hWnd, GW_OWNER) == owner)
            owned.push_back(hWnd);
    }
    return owned;
}

HWND OwnedDialog(HWND owner)
{
    std::vector<HWND> owned = ThreadDialogs(owner);
    return owned.size() == 1 ? owned[0] : nullptr;
}

std::wstring WindowText(HWND hWnd)
{
    wchar_t text[1024] = {};
    ::GetWindowTextW(hWnd, text, 1024);
    return text;
}

std::wstring ItemText(HWND hDlg, int id)
{
    return WindowText(::GetDlgItem(hDlg, id));
}

bool ItemEnabled(HWND hDlg, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(hDlg, id)) != FALSE;
}

void TypeInto(HWND hDlg, int id, const wchar_t* text)
{
    HWND hEdit = ::GetDlgItem(hDlg, id);
    for (; *text != L'\0'; ++text)
        ::SendMessageW(hEdit, WM_CHAR, *text, 1);
}

void PasteInto(HWND hDlg, int id, const wchar_t* text)
{
    ::SetDlgItemTextW(hDlg, id, text);
}

void Click(HWND hDlg, int id)
{
    ::SendMessageW(::GetDlgItem(hDlg, id), BM_CLICK, 0, 0);
}

void PressEscape(HWND hDlg)
{
    HWND target = ::GetFocus();
    if (target == nullptr || (target != hDlg && !::IsChild(hDlg, target)))
        target = hDlg;
    ::PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 1);
}

RECT ItemRect(HWND hDlg, int id)
{
    RECT rc = {};
    HWND hItem = ::GetDlgItem(hDlg, id);
    ::GetWindowRect(hItem, &rc);
    ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

const wchar_t* MessageTextOf(HWND hDlg)
{
    auto* dialog = dynamic_cast<CMessageDialog*>(static_cast<IDialogBase*>(::GetPropW(hDlg, kDialogObjectProperty)));
    if (dialog == nullptr)
        return nullptr;
    return dialog->m_pszText != nullptr ? dialog->m_pszText : L"";
}
