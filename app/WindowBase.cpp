#include "app/WindowBase.h"

#include "common/win/WindowBinding.h"

const wchar_t kWindowObjectProperty[] = L"IWINDOWBASE_CLASS";

IWindowHelper::~IWindowHelper()
{
    Detach();
}

IWindowBase* IWindowHelper::FromWindow(HWND window)
{
    return static_cast<IWindowBase*>(::GetPropW(window, kWindowObjectProperty));
}

BOOL IWindowHelper::Attach(HWND window)
{
    if (m_hWnd != nullptr)
        return FALSE;
    LONG_PTR previous = 0;
    if (!BindToWindow(window, kWindowObjectProperty, static_cast<IWindowBase*>(this), GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(&IWindowHelper::StaticWindowProc), previous))
        return FALSE;
    m_hWnd = window;
    m_pfnPrevWndProc = reinterpret_cast<WNDPROC>(previous);
    return TRUE;
}

void IWindowHelper::Detach()
{
    if (m_hWnd == nullptr)
        return;
    LONG_PTR previous = reinterpret_cast<LONG_PTR>(m_pfnPrevWndProc);
    UnbindFromWindow(m_hWnd, kWindowObjectProperty, GWLP_WNDPROC, previous);
    m_pfnPrevWndProc = nullptr;
    m_hWnd = nullptr;
}

LRESULT IWindowHelper::DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnPrevWndProc != nullptr)
        return ::CallWindowProcW(m_pfnPrevWndProc, window, message, wParam, lParam);
    return ::DefWindowProcW(window, message, wParam, lParam);
}

BOOL IWindowHelper::Create(WNDCLASSEXW windowClass, const wchar_t* title, DWORD style, DWORD exStyle, const RECT* rect,
                           HWND parent, HMENU menu)
{
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &IWindowHelper::StaticWindowProc;
    if (::RegisterClassExW(&windowClass) == 0)
        return FALSE;
    const int x = rect != nullptr ? rect->left : CW_USEDEFAULT;
    const int y = rect != nullptr ? rect->top : CW_USEDEFAULT;
    const int width = rect != nullptr ? rect->right - rect->left : CW_USEDEFAULT;
    const int height = rect != nullptr ? rect->bottom - rect->top : CW_USEDEFAULT;
    HWND window = ::CreateWindowExW(exStyle, windowClass.lpszClassName, title, style, x, y, width, height, parent, menu,
                                    windowClass.hInstance, static_cast<IWindowBase*>(this));
    return window != nullptr;
}

LRESULT CALLBACK IWindowHelper::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        IWindowHelper* self = static_cast<IWindowHelper*>(FromWindow(window));
        if (self == nullptr) {
            if (message != WM_NCCREATE && message != WM_CREATE)
                return ::DefWindowProcW(window, message, wParam, lParam);
            const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            IWindowBase* base = create != nullptr ? static_cast<IWindowBase*>(create->lpCreateParams) : nullptr;
            self = static_cast<IWindowHelper*>(base);
            if (self == nullptr || !self->Attach(window))
                return message == WM_NCCREATE ? FALSE : -1;
        }

        if (message == WM_NCDESTROY) {
            // Wine ends a window whose WM_CREATE failed without WM_DESTROY.
            self->Detach();
            return ::DefWindowProcW(window, message, wParam, lParam);
        }

        const LRESULT result = self->WindowProc(window, message, wParam, lParam);
        // The window lives on until WM_NCDESTROY, but the object lets go of
        // it here; handlers further up the stack (a modal loop that the
        // destruction ended) see IsWindowGone and touch nothing more.
        if (message == WM_DESTROY && self->m_hWnd == window)
            self->Detach();
        return result;
    } catch (...) {
        // Nothing may unwind through the system's dispatch code.
        if (message == WM_NCCREATE)
            return FALSE;
        if (message == WM_CREATE)
            return -1;
        return 0;
    }
}
