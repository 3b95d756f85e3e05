// Warning shown before GPS is switched on (template 131); its check box
// stops it from being shown again.
#pragma once

#include "ui/DialogHelper.h"

class CGPSConfirmDialog : public IDialogHelper {
public:
    CGPSConfirmDialog() = default;
    ~CGPSConfirmDialog() override = default;

    // IDOK: go ahead; any other result: GPS stays off.
    INT_PTR DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) override;
};
