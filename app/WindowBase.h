// Binds a C++ object to its window and routes the window's messages to the
// object's WindowProc.
#pragma once

#include "common/Uncopyable.h"

#include <windows.h>

// Name of the window property that holds the object's address.
extern const wchar_t kWindowObjectProperty[];

class IWindowBase : private CUncopyable {
public:
    IWindowBase() = default;
    virtual ~IWindowBase() = default;

    virtual LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Registers windowClass with the shared window procedure and creates the
    // window with this object as its creation parameter. rect: left, top,
    // right, bottom; null for CW_USEDEFAULT everywhere. TRUE when both succeed.
    virtual BOOL Create(WNDCLASSEXW windowClass, const wchar_t* title, DWORD style, DWORD exStyle, const RECT* rect,
                        HWND parent, HMENU menu) = 0;

    // The bound window; null before the first message and after WM_DESTROY.
    HWND m_hWnd = nullptr;
    // The procedure a subclassed window had before; null for our own class.
    WNDPROC m_pfnPrevWndProc = nullptr;
};

class IWindowHelper : public IWindowBase {
public:
    IWindowHelper() = default;
    // Detaches from a window that still exists.
    ~IWindowHelper() override;

    BOOL Create(WNDCLASSEXW windowClass, const wchar_t* title, DWORD style, DWORD exStyle, const RECT* rect,
                HWND parent, HMENU menu) override;

    // The procedure every window of the class has. Before WM_NCCREATE and
    // after WM_DESTROY messages go to DefWindowProcW; no exception leaves it.
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // The object bound to window, or null.
    static IWindowBase* FromWindow(HWND window);

protected:
    // The previous procedure when one was recorded, else DefWindowProcW.
    LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // A handler that ran a nested message loop (a modal dialog) checks this
    // before it goes on: the window may have been destroyed meanwhile.
    bool IsWindowGone(HWND window) const { return window == nullptr || m_hWnd != window; }

    // Undoes the binding: previous procedure back, property removed, handle
    // forgotten.
    void Detach();

private:
    BOOL Attach(HWND window);
};
