// Keeps every bitmap a dialog's header control has shown: the template's own,
// which the control loads as it is created, and the picture that replaces it
// at WM_INITDIALOG. Whether they still exist afterwards tells whether opening
// the dialog leaves GDI objects behind, also where the process's GDI count
// cannot be read.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <vector>

class CHeaderBitmapLog {
public:
    explicit CHeaderBitmapLog(int controlId) : m_controlId(controlId) {}

    // Call before and after the dialog procedure handles message.
    void Record(HWND hDlg, UINT message)
    {
        if (message == WM_INITDIALOG)
            Add(hDlg);
    }

    std::size_t Recorded() const { return m_bitmaps.size(); }
    // Room for this many, so that a heap count around the dialog does not
    // take the log's own growth for the dialog's.
    void Reserve(std::size_t bitmaps) { m_bitmaps.reserve(bitmaps); }
    // The recorded bitmaps that have not been deleted.
    std::size_t Alive() const
    {
        return static_cast<std::size_t>(std::count_if(
            m_bitmaps.begin(), m_bitmaps.end(), [](HGDIOBJ bitmap) { return ::GetObjectType(bitmap) == OBJ_BITMAP; }));
    }

private:
    void Add(HWND hDlg)
    {
        HGDIOBJ shown =
            reinterpret_cast<HGDIOBJ>(::SendDlgItemMessageW(hDlg, m_controlId, STM_GETIMAGE, IMAGE_BITMAP, 0));
        if (shown != nullptr && std::find(m_bitmaps.begin(), m_bitmaps.end(), shown) == m_bitmaps.end())
            m_bitmaps.push_back(shown);
    }

    int m_controlId;
    std::vector<HGDIOBJ> m_bitmaps;
};
