// The modeless version dialog (template 108): product title with the
// version and the copyright line from the product key, and the header picture.
#pragma once

#include "ui/DialogHelper.h"

class CAboutDialog : public IDialogHelper {
public:
    CAboutDialog() = default;

    INT_PTR DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) override;

    // Opens template 108 modeless over hParent, or brings the window that is
    // already open to the front. TRUE when the dialog is open afterwards.
    BOOL Open(HINSTANCE hInstance, HWND hParent);

private:
    void OnInitDialog(HWND hDlg);

    CBitmapHandle m_headerBitmap;
};
