// The popup menu another process tracks (TrackPopupMenu): its window is a
// top-level "#32768" of that process while it is shown. The menu's own loop
// takes key messages from the thread's queue, so keys posted to the menu
// window move the selection, choose an item or dismiss the menu.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

struct MenuItem {
    UINT id = 0;    // 0 for a separator
    UINT state = 0; // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_SEPARATOR... as GetMenuState
    std::wstring text;
};

HWND FindPopupMenu(DWORD processId);
HWND WaitForPopupMenu(DWORD processId, DWORD timeoutMs);

// The items of the menu shown in menuWindow, through MN_GETHMENU. False when
// the menu cannot be read from this process.
bool ReadMenuItems(HWND menuWindow, std::vector<MenuItem>& items);

// Chooses the item at position (separators count as positions, as in the
// menu resource) with arrow keys and Enter. The menu's loop does not stop on
// separators, and it moves onto greyed items, where Enter does nothing.
bool ChooseMenuItem(HWND menuWindow, const std::vector<MenuItem>& items, unsigned position);
// Types the item's mnemonic (the letter after '&').
bool PressMenuMnemonic(HWND menuWindow, wchar_t letter);
bool DismissMenu(HWND menuWindow);

} // namespace e2e
