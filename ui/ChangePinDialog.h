// Collects the current and the new PIN1 (template 116). Init parameter: the
// verification attempts left. After IDOK m_szOldPin and m_szNewPin hold the codes.
#pragma once

#include "ui/PinDialog.h"

class CChangePinDialog : public IPinDialog {
public:
    CChangePinDialog() = default;
    ~CChangePinDialog() override = default;

    unsigned m_nPinMin = 4;
    unsigned m_nPinMax = 8;
    wchar_t m_szOldPin[kPinChars] = {};
    wchar_t m_szNewPin[kPinChars] = {};

    void WipeCodes() override
    {
        SecureWipe(m_szOldPin);
        SecureWipe(m_szNewPin);
    }

private:
    void OnInitDialog(HWND hDlg, LPARAM attemptsLeft) override;
    void OnOk(HWND hDlg) override;
};
