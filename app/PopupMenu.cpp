#include "app/PopupMenu.h"

#include "res/resource.h"

namespace {

const UINT kDisabledStates = MFS_DISABLED | MFS_GRAYED;

} // namespace

BOOL CPopupMenu::Load(HINSTANCE instance, HWND owner)
{
    if (m_hMenu != nullptr || instance == nullptr || owner == nullptr)
        return FALSE;
    HMENU menu = ::LoadMenuW(instance, MAKEINTRESOURCEW(IDR_TRAY_MENU));
    if (menu == nullptr)
        return FALSE;
    HMENU popup = ::GetSubMenu(menu, 0);
    if (popup == nullptr) {
        ::DestroyMenu(menu);
        return FALSE;
    }
    m_hMenu = menu;
    m_hSubMenu = popup;
    m_hOwner = owner;
    return TRUE;
}

BOOL CPopupMenu::ReadState(UINT id, UINT& state) const
{
    if (m_hMenu == nullptr)
        return FALSE;
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE;
    if (!::GetMenuItemInfoW(m_hSubMenu, id, FALSE, &info))
        return FALSE;
    state = info.fState;
    return TRUE;
}

BOOL CPopupMenu::EnableItem(UINT id, BOOL enable)
{
    UINT state = 0;
    if (!ReadState(id, state))
        return FALSE;
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE;
    info.fState = enable ? (state & ~kDisabledStates) : (state | kDisabledStates);
    return ::SetMenuItemInfoW(m_hSubMenu, id, FALSE, &info);
}

BOOL CPopupMenu::IsItemEnabled(UINT id) const
{
    UINT state = 0;
    return ReadState(id, state) && (state & kDisabledStates) == 0;
}

BOOL CPopupMenu::SetDefaultItem(UINT position)
{
    if (m_hSubMenu == nullptr)
        return FALSE;
    return ::SetMenuDefaultItem(m_hSubMenu, position, TRUE);
}

void CPopupMenu::Track()
{
    POINT cursor = {};
    ::GetCursorPos(&cursor);
    if (m_hMenu == nullptr || m_bTracking)
        return;
    // Without the foreground the menu would not close when the user clicks
    // elsewhere.
    ::SetForegroundWindow(m_hOwner);
    m_bTracking = TRUE;
    ::TrackPopupMenu(m_hSubMenu, 0, cursor.x, cursor.y, 0, m_hOwner, nullptr);
    m_bTracking = FALSE;
    // The shell's documented companion to the call above: a message of its
    // own makes the owner's next click close a menu that is still shown.
    ::PostMessageW(m_hOwner, WM_NULL, 0, 0);
}

void CPopupMenu::CancelTracking()
{
    if (m_hMenu != nullptr && m_bTracking)
        ::SendMessageW(m_hOwner, WM_CANCELMODE, 0, 0);
}

void CPopupMenu::Destroy()
{
    if (m_bTracking && m_hOwner != nullptr)
        ::SendMessageW(m_hOwner, WM_CANCELMODE, 0, 0);
    if (m_hMenu != nullptr) {
        // Detached first, so that destroying the menu does not reach the
        // popup handle a second time.
        ::RemoveMenu(m_hMenu, 0, MF_BYPOSITION);
        ::DestroyMenu(m_hSubMenu);
        ::DestroyMenu(m_hMenu);
    }
    m_hSubMenu = nullptr;
    m_hMenu = nullptr;
    m_hOwner = nullptr;
}
