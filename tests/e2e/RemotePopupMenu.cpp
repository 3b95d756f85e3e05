#include "tests/e2e/RemotePopupMenu.h"

#include "tests/e2e/MessagePump.h"
#include "tests/e2e/RemoteDialog.h"
#include "tests/e2e/TestProcess.h"

#ifndef MN_GETHMENU
#define MN_GETHMENU 0x01E1
#endif

namespace e2e {

HWND FindPopupMenu(DWORD processId)
{
    for (HWND window : TopLevelWindows(processId, L"#32768")) {
        if (IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

HWND WaitForPopupMenu(DWORD processId, DWORD timeoutMs)
{
    HWND menu = nullptr;
    WaitFor([&] { return (menu = FindPopupMenu(processId)) != nullptr; }, timeoutMs);
    return menu;
}

bool ReadMenuItems(HWND menuWindow, std::vector<MenuItem>& items)
{
    items.clear();
    DWORD_PTR handle = 0;
    if (!SendMessageTimeoutW(menuWindow, MN_GETHMENU, 0, 0, SMTO_ABORTIFHUNG, 5000, &handle) || !handle)
        return false;
    HMENU menu = reinterpret_cast<HMENU>(handle);
    const int count = GetMenuItemCount(menu);
    if (count <= 0)
        return false;
    for (int position = 0; position < count; ++position) {
        MenuItem item;
        item.state = GetMenuState(menu, position, MF_BYPOSITION);
        if (item.state == static_cast<UINT>(-1))
            return false;
        item.id = GetMenuItemID(menu, position);
        wchar_t text[256] = L"";
        GetMenuStringW(menu, position, text, ARRAYSIZE(text), MF_BYPOSITION);
        item.text = text;
        items.push_back(item);
    }
    return true;
}

bool ChooseMenuItem(HWND menuWindow, const std::vector<MenuItem>& items, unsigned position)
{
    if (position >= items.size() || (items[position].state & MF_SEPARATOR))
        return false;
    // Nothing is selected when the menu opens: the first Down selects the
    // first item, and each further Down passes over separators.
    unsigned presses = 0;
    for (unsigned i = 0; i <= position; ++i) {
        if (!(items[i].state & MF_SEPARATOR))
            ++presses;
    }
    for (unsigned i = 0; i < presses; ++i) {
        if (!PostKeyStroke(menuWindow, VK_DOWN))
            return false;
    }
    return PostKeyStroke(menuWindow, VK_RETURN);
}

bool PressMenuMnemonic(HWND menuWindow, wchar_t letter)
{
    return PostMessageW(menuWindow, WM_CHAR, letter, 1);
}

bool DismissMenu(HWND menuWindow)
{
    return PostKeyStroke(menuWindow, VK_ESCAPE);
}

} // namespace e2e
