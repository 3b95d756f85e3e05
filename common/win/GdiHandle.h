// One scoped holder for the GDI and USER objects a window keeps for its
// lifetime: bitmaps, fonts and icons. Ownership is in the type, as in WTL's
// CBitmapT: CGdiHandleT<H> deletes what it holds when it is reset or goes
// away; CGdiHandleT<H, false> only refers to one that someone else owns.
#pragma once

#include <windows.h>

inline void ReleaseGdiHandle(HBITMAP bitmap)
{
    ::DeleteObject(bitmap);
}
inline void ReleaseGdiHandle(HFONT font)
{
    ::DeleteObject(font);
}
// An icon from LoadImage without LR_SHARED is the caller's to destroy.
inline void ReleaseGdiHandle(HICON icon)
{
    ::DestroyIcon(icon);
}

template <typename H, bool t_bManaged = true>
class CGdiHandleT {
public:
    CGdiHandleT() = default;
    explicit CGdiHandleT(H handle) : m_handle(handle) {}
    ~CGdiHandleT() { Reset(); }
    CGdiHandleT(const CGdiHandleT&) = delete;
    CGdiHandleT& operator=(const CGdiHandleT&) = delete;

    H Get() const { return m_handle; }
    bool IsNull() const { return m_handle == nullptr; }
    // Releases what is held (when owned) and holds handle instead.
    void Reset(H handle = nullptr)
    {
        if (t_bManaged && m_handle != nullptr && m_handle != handle)
            ReleaseGdiHandle(m_handle);
        m_handle = handle;
    }

private:
    H m_handle = nullptr;
};

using CBitmapHandle = CGdiHandleT<HBITMAP>;
using CFontHandle = CGdiHandleT<HFONT>;
using CIconHandle = CGdiHandleT<HICON>;
