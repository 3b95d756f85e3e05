// Binds a C++ object to its dialog window and routes the window's messages
// to the object's DialogProc.
#pragma once

#include <windows.h>

class IDialogBase {
public:
    IDialogBase() = default;
    // Unbinds from a window that is still open (its old procedure restored).
    virtual ~IDialogBase();
    IDialogBase(const IDialogBase&) = delete;
    IDialogBase& operator=(const IDialogBase&) = delete;

    // The class's handler. WM_INITDIALOG carries the caller's init parameter.
    virtual INT_PTR DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // The one dialog procedure handed to the system. The creation parameter
    // must be the object; messages before WM_INITDIALOG are not routed.
    static INT_PTR CALLBACK StaticDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

    // Binds this object to hDlg and makes StaticDialogProc its procedure.
    BOOL Attach(HWND hDlg);

    // The window while the dialog is open; NULL when it is closed.
    HWND m_hWnd = nullptr;

protected:
    // What a concrete DialogProc returns for messages it does not handle.
    INT_PTR DefaultDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
    // For WM_COMMAND: IDOK and IDCANCEL end the dialog with their own id
    // (true); any other command is left to the caller (false).
    static bool EndOnOkOrCancel(HWND hDlg, WPARAM wParam);

    DLGPROC m_pfnPrevDlgProc = nullptr;
    LPARAM m_lInitParam = 0;

private:
    void Detach();
};

// Name of the window property that holds the object pointer.
extern const wchar_t kDialogObjectProperty[];
