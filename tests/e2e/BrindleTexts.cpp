#include "tests/e2e/BrindleTexts.h"

#include "tests/e2e/MainWindowMessages.h"

namespace e2e {

const std::vector<MenuItem> kTrayMenu = {{kCmdOpenSettings, 0, L"Brindleを開く(&O)"},
                                         {kCmdVerifyPin, 0, L"PIN1を照合する(&C)"},
                                         {0, MF_SEPARATOR, L""},
                                         {kCmdAbout, 0, L"バージョン情報(&V)"},
                                         {kCmdExit, 0, L"終了(&X)"}};

std::wstring TipText(const std::wstring& pin)
{
    return L"Brindle\nPIN ： " + pin;
}

std::wstring TipText(const std::wstring& pin, const std::wstring& gps)
{
    return TipText(pin) + L"\nGPS ： " + gps;
}

std::wstring PinAttemptsNote(int attemptsLeft)
{
    return L"注意: " + AttemptsLeft(attemptsLeft) + L"PIN1コードを誤ると、vevUIMカードはPINロックされます。";
}

std::wstring AttemptsLeft(int attemptsLeft)
{
    return L"あと" + std::to_wstring(attemptsLeft) + L"回";
}

namespace brindletext {

std::wstring ErrorCode(int code, int detail)
{
    return L"エラーコード: " + std::to_wstring(code) + L"(" + std::to_wstring(detail) + L")\n予期しないエラーが発生しました。";
}

std::wstring Pin1Length(unsigned shortest, unsigned longest)
{
    if (shortest == longest)
        return L"PIN1コードは" + std::to_wstring(shortest) + L"桁で入力してください。";
    return L"PIN1コードは" + std::to_wstring(shortest) + L"桁から" + std::to_wstring(longest) + L"桁で入力してください。";
}

} // namespace brindletext

} // namespace e2e
