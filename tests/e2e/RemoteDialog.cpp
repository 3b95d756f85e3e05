#include "tests/e2e/RemoteDialog.h"

#include "tests/e2e/MessagePump.h"
#include "tests/e2e/TestProcess.h"

namespace e2e {
namespace {

constexpr UINT kSendTimeoutMs = 5000;

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result = nullptr)
{
    DWORD_PTR answer = 0;
    const bool sent =
        SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer) != 0;
    if (result)
        *result = answer;
    return sent;
}

} // namespace

std::vector<HWND> VisibleDialogs(DWORD processId)
{
    std::vector<HWND> dialogs;
    for (HWND window : TopLevelWindows(processId, L"#32770")) {
        if (IsWindowVisible(window))
            dialogs.push_back(window);
    }
    return dialogs;
}

HWND FindDialog(DWORD processId, int controlId, const wchar_t* caption)
{
    for (HWND dialog : VisibleDialogs(processId)) {
        if (controlId != 0 && !GetDlgItem(dialog, controlId))
            continue;
        if (caption && TextOf(dialog) != caption)
            continue;
        return dialog;
    }
    return nullptr;
}

HWND WaitForDialog(DWORD processId, int controlId, const wchar_t* caption, DWORD timeoutMs)
{
    HWND dialog = nullptr;
    WaitFor([&] { return (dialog = FindDialog(processId, controlId, caption)) != nullptr; }, timeoutMs);
    return dialog;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs)
{
    return WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = L"";
    GetClassNameW(window, name, ARRAYSIZE(name));
    return name;
}

std::wstring TextOf(HWND window)
{
    DWORD_PTR length = 0;
    if (!window || !Send(window, WM_GETTEXTLENGTH, 0, 0, &length))
        return std::wstring();
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), &copied))
        return std::wstring();
    text.resize(copied < text.size() ? copied : text.size() - 1);
    return text;
}

std::wstring ItemText(HWND dialog, int id)
{
    return TextOf(GetDlgItem(dialog, id));
}

bool ItemExists(HWND dialog, int id)
{
    return GetDlgItem(dialog, id) != nullptr;
}

bool ItemEnabled(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    return item && IsWindowEnabled(item);
}

bool ItemVisible(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    return item && IsWindowVisible(item);
}

bool SetItemText(HWND dialog, int id, const std::wstring& text)
{
    HWND item = GetDlgItem(dialog, id);
    return item && Send(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool TypeInto(HWND dialog, int id, const std::wstring& text)
{
    HWND item = GetDlgItem(dialog, id);
    if (!item)
        return false;
    for (wchar_t c : text) {
        if (!Send(item, WM_CHAR, c, 1))
            return false;
    }
    return true;
}

bool ClickButton(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    return item && PostMessageW(item, BM_CLICK, 0, 0);
}

bool PostCommand(HWND dialog, int id)
{
    return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

bool PostKeyStroke(HWND target, UINT virtualKey)
{
    const UINT scan = MapVirtualKeyW(virtualKey, 0);
    const LPARAM down = 1 | static_cast<LPARAM>(scan) << 16;
    const LPARAM up = down | static_cast<LPARAM>(0xC0000000u);
    if (!PostMessageW(target, WM_KEYDOWN, virtualKey, down))
        return false;
    // The key down may end the dialog or menu (Esc, Enter) before the key up
    // is posted; the key up then has no window left to go to, as with a
    // keyboard.
    PostMessageW(target, WM_KEYUP, virtualKey, up);
    return true;
}

bool PressKey(HWND window, UINT virtualKey)
{
    HWND target = FocusOf(window);
    return PostKeyStroke(target ? target : window, virtualKey);
}

} // namespace e2e
