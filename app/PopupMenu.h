// The tray's popup menu (menu 106, its first popup).
#pragma once

#include "common/Uncopyable.h"

#include <windows.h>

class CPopupMenu : private CUncopyable {
public:
    CPopupMenu() = default;
    ~CPopupMenu() { Destroy(); }

    // Loads menu 106 from instance for owner. FALSE when a menu is already
    // loaded, instance or owner is null, or the menu has no popup.
    BOOL Load(HINSTANCE instance, HWND owner);
    // Clears (enable) or sets (grey out) MFS_DISABLED and MFS_GRAYED of the
    // item with that command id. FALSE when no menu is loaded or the item
    // cannot be read or written.
    BOOL EnableItem(UINT id, BOOL enable);
    // Loaded, readable and neither disabled nor greyed.
    BOOL IsItemEnabled(UINT id) const;
    // Makes the item at position the bold default item.
    BOOL SetDefaultItem(UINT position);
    // Shows the menu at the cursor and returns when it is dismissed; the
    // chosen command reaches the owner as WM_COMMAND. Does nothing when no
    // menu is loaded or it is already up.
    void Track();
    // Ends a menu that is up (WM_CANCELMODE to the owner).
    void CancelTracking();
    // Ends a menu that is up, destroys the popup and the menu, forgets the owner.
    void Destroy();

    BOOL IsLoaded() const { return m_hMenu != nullptr; }
    BOOL IsTracking() const { return m_bTracking; }
    HMENU SubMenu() const { return m_hSubMenu; }
    HWND Owner() const { return m_hOwner; }

private:
    BOOL ReadState(UINT id, UINT& state) const;

    HMENU m_hMenu = nullptr;
    HMENU m_hSubMenu = nullptr;
    HWND m_hOwner = nullptr;
    BOOL m_bTracking = FALSE;
};
