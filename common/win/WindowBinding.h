// Binding a C++ object to a window: the object pointer in a window property,
// and our procedure in the window's procedure slot (GWLP_WNDPROC for a
// window, DWLP_DLGPROC for a dialog). A window that was created with our
// procedure keeps it; one made elsewhere is taken over and given back.
#pragma once

#include <windows.h>

// Stores object under property and, unless slot already holds ours, puts
// ours there; previous receives what it replaced (0 when nothing was).
// False, with nothing left behind, when either step fails.
inline bool BindToWindow(HWND window, const wchar_t* property, void* object, int slot, LONG_PTR ours,
                         LONG_PTR& previous)
{
    previous = 0;
    if (!::SetPropW(window, property, object))
        return false;
    if (::GetWindowLongPtrW(window, slot) == ours)
        return true;
    const LONG_PTR replaced = ::SetWindowLongPtrW(window, slot, ours);
    if (replaced == 0) {
        ::RemovePropW(window, property);
        return false;
    }
    previous = replaced;
    return true;
}

// Undoes BindToWindow: the replaced procedure (if any) goes back, the
// property goes; previous is cleared.
inline void UnbindFromWindow(HWND window, const wchar_t* property, int slot, LONG_PTR& previous)
{
    if (previous != 0) {
        ::SetWindowLongPtrW(window, slot, previous);
        previous = 0;
    }
    ::RemovePropW(window, property);
}
