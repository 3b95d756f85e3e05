// Collects the PIN-unblock code and a new PIN1 (template 118). Init
// parameter: the unblock attempts left. After IDOK m_szPuk and m_szNewPin
// hold the codes.
#pragma once

#include "ui/PinDialog.h"

class CUnlockPukDialog : public IPinDialog {
public:
    CUnlockPukDialog() = default;
    ~CUnlockPukDialog() override = default;

    unsigned m_nPinMin = 4;
    unsigned m_nPinMax = 8;
    unsigned m_nPukMin = 8;
    unsigned m_nPukMax = 8;
    wchar_t m_szPuk[kPinChars] = {};
    wchar_t m_szNewPin[kPinChars] = {};

    void WipeCodes() override
    {
        SecureWipe(m_szPuk);
        SecureWipe(m_szNewPin);
    }

private:
    void OnInitDialog(HWND hDlg, LPARAM attemptsLeft) override;
    void OnOk(HWND hDlg) override;
};
