// Collects PIN1 for verification (template 114). Init parameter: the
// verification attempts left. After IDOK m_szPin holds the code.
#pragma once

#include "ui/PinDialog.h"

class CCheckPinDialog : public IPinDialog {
public:
    CCheckPinDialog() = default;
    ~CCheckPinDialog() override = default;

    HICON m_hIcon = nullptr;   // small title-bar icon; not owned
    BOOL m_bAppWindow = FALSE; // show on the taskbar (no visible owner)
    unsigned m_nPinMin = 4;
    unsigned m_nPinMax = 8;
    wchar_t m_szPin[kPinChars] = {};

    // The owner calls this as soon as it has used the code, on every path.
    void WipeCodes() override { SecureWipe(m_szPin); }

private:
    void OnInitDialog(HWND hDlg, LPARAM attemptsLeft) override;
    void OnOk(HWND hDlg) override;
};
