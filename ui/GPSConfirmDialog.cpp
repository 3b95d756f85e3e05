#include "ui/GPSConfirmDialog.h"

#include "misccommon/RegValueNames.h"
#include "res/resource.h"
#include "ui/SettingsStore.h"

INT_PTR CGPSConfirmDialog::DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK &&
            ::SendDlgItemMessageW(hDlg, IDC_DONT_SHOW_AGAIN, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            if (ISettingsStore* store = GetSettingsStore())
                store->SetDword(Settings::kDontShowConfirmDialog, 1);
        }
        if (EndOnOkOrCancel(hDlg, wParam))
            return TRUE;
        break;
    }
    return DefaultDialogProc(hDlg, message, wParam, lParam);
}
