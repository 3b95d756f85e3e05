#include "tests/e2e/FakeTray.h"

#include <shellapi.h>

namespace e2e {
namespace {

constexpr wchar_t kTrayClass[] = L"Shell_TrayWnd";

HWND ToWindow(std::uint32_t value)
{
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
}

} // namespace

CFakeTray::~CFakeTray()
{
    if (m_window)
        DestroyWindow(m_window);
}

bool CFakeTray::Create()
{
    if (!m_window) {
        static ATOM registered = 0;
        if (!registered) {
            WNDCLASSEXW windowClass = {};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = WindowProc;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = kTrayClass;
            registered = RegisterClassExW(&windowClass);
        }
        // Never shown: shell32 looks for the class, not for a visible window.
        m_window = CreateWindowExW(WS_EX_TOOLWINDOW, kTrayClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), this);
    }
    return IsFoundFirst();
}

bool CFakeTray::IsFoundFirst() const
{
    return m_window && FindWindowW(kTrayClass, nullptr) == m_window;
}

void CFakeTray::SetAnswer(DWORD action, Answer answer)
{
    m_answers[action] = answer;
}

void CFakeTray::RefuseNext(DWORD action, unsigned count)
{
    m_refusals[action] = count;
}

std::vector<TrayCall> CFakeTray::CallsOf(DWORD action, HWND window) const
{
    std::vector<TrayCall> calls;
    for (const TrayCall& call : m_calls) {
        if (call.record.action == action && (!window || ToWindow(call.record.window) == window))
            calls.push_back(call);
    }
    return calls;
}

size_t CFakeTray::CountOf(DWORD action, HWND window) const
{
    return CallsOf(action, window).size();
}

std::vector<TrayIcon> CFakeTray::Icons() const
{
    std::vector<TrayIcon> icons;
    for (const auto& entry : m_icons)
        icons.push_back(entry.second);
    return icons;
}

bool CFakeTray::HasIcon(HWND window, UINT id) const
{
    return m_icons.count({window, id}) != 0;
}

std::wstring CFakeTray::TipOf(HWND window, UINT id) const
{
    const auto found = m_icons.find({window, id});
    return found == m_icons.end() ? std::wstring() : found->second.tip;
}

TrayIcon CFakeTray::IconOfProcess(DWORD processId) const
{
    for (const auto& entry : m_icons) {
        DWORD owner = 0;
        GetWindowThreadProcessId(entry.second.window, &owner);
        if (owner == processId)
            return entry.second;
    }
    return TrayIcon();
}

void CFakeTray::RestartShell()
{
    ForgetIcons();
    BroadcastTaskbarCreated();
}

UINT CFakeTray::TaskbarCreatedMessage()
{
    return RegisterWindowMessageW(L"TaskbarCreated");
}

void CFakeTray::BroadcastTaskbarCreated()
{
    // Notify, not send: a send would wait for every top-level window of the
    // machine, the program's among them, while it calls back into this tray.
    SendNotifyMessageW(HWND_BROADCAST, TaskbarCreatedMessage(), 0, 0);
}

LRESULT CALLBACK CFakeTray::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<CFakeTray*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == WM_COPYDATA && lParam)
        return self->OnCall(static_cast<DWORD>(reinterpret_cast<const COPYDATASTRUCT*>(lParam)->dwData),
                            *reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    if (self && message == WM_NCDESTROY)
        self->m_window = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
}

BOOL CFakeTray::OnCall(DWORD action, const COPYDATASTRUCT& data)
{
    TrayCall call;
    if (!ParseTrayIconRecord(action, static_cast<const std::uint8_t*>(data.lpData), data.cbData, call.record))
        return FALSE;
    call.answer = Decide(call.record);
    auto refusals = m_refusals.find(action);
    if (refusals != m_refusals.end() && refusals->second > 0) {
        --refusals->second;
        call.answer = FALSE;
    }
    if (call.answer)
        Apply(call.record);
    m_calls.push_back(call);
    return call.answer;
}

BOOL CFakeTray::Decide(const TrayIconRecord& record) const
{
    const auto answer = m_answers.find(record.action);
    if (answer != m_answers.end() && answer->second != Answer::AsShell)
        return answer->second == Answer::Accept;
    const bool known = HasIcon(ToWindow(record.window), record.id);
    return record.action == NIM_ADD ? !known : known;
}

void CFakeTray::Apply(const TrayIconRecord& record)
{
    const auto key = std::make_pair(ToWindow(record.window), static_cast<UINT>(record.id));
    if (record.action == NIM_DELETE) {
        m_icons.erase(key);
        return;
    }
    if (record.action != NIM_ADD && record.action != NIM_MODIFY)
        return;
    TrayIcon& icon = m_icons[key];
    if (record.action == NIM_ADD)
        icon = TrayIcon();
    icon.window = key.first;
    icon.id = key.second;
    if (record.flags & NIF_MESSAGE)
        icon.callbackMessage = record.callbackMessage;
    if (record.flags & NIF_TIP)
        icon.tip = record.tip;
    if (record.flags & NIF_ICON)
        icon.hasIcon = record.iconWidth != 0;
}

} // namespace e2e
