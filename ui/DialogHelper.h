// Base of every concrete dialog: opens it modal or modeless behind a private
// mutex, closes it again, and offers the helpers several dialogs share.
#pragma once

#include "common/win/GdiHandle.h"
#include "common/win/MutexLock.h"
#include "common/win/ResString.h"
#include "ui/DialogBase.h"

#include <windows.h>

// Result of a dialog that the program ended because its owner is closing.
// Callers that see it stop at once and change nothing.
constexpr INT_PTR DLG_CLOSED_BY_OWNER = 3;

class IDialogHelper : public IDialogBase {
public:
    IDialogHelper() = default;
    ~IDialogHelper() override;

    // Opens the dialog modeless. FALSE when it is already open, its mutex is
    // busy or the window could not be created.
    virtual BOOL Create(HINSTANCE hInstance, LPCWSTR templateName, HWND hParent, LPARAM initParam);
    // Opens the dialog modal and returns its result: IDOK, IDCANCEL,
    // DLG_CLOSED_BY_OWNER, or -1 when it was not opened.
    virtual INT_PTR DoModal(HINSTANCE hInstance, LPCWSTR templateName, HWND hParent, LPARAM initParam);
    // Ends a modal dialog with result or destroys a modeless one; does nothing
    // when the dialog is closed.
    virtual void Close(INT_PTR result);

    // Makes the dialog the foreground window, also when another thread's
    // window has the input.
    BOOL BringToForeground();

    BOOL IsModal() const { return m_bModal; }

protected:
    // String id from m_hInstance into buffer; see ::LoadResString.
    int LoadResString(wchar_t (&buffer)[kResStringChars], UINT id) const
    {
        return ::LoadResString(m_hInstance, id, buffer);
    }

    // Puts the header picture for the screen's DPI into static control
    // controlId of hDlg. bitmap receives the loaded picture (a picture it
    // held before is deleted).
    BOOL LoadHeaderBitmap(HWND hDlg, int controlId, CBitmapHandle& bitmap);

    CMutexLock m_lock;
    HINSTANCE m_hInstance = nullptr;
    BOOL m_bModal = TRUE;
};
