// brindle.exe started on the simulated platform and driven from outside:
// its tray icon, its settings dialog and its messages. Every start sits
// through the modem's real settling time, so a test checks as much as it
// can per start and changes the simulated card between openings instead.
#pragma once

#include <string>

#include "tests/e2e/EndToEndFixture.h"
#include "tests/e2e/MainWindowMessages.h"

namespace e2e {

// The program's own texts, as its string table has them.
namespace brindletext {
constexpr wchar_t kCaption[] = L"Brindle";
constexpr wchar_t kCardChecking[] = L"vevUIMカードの状態をチェックしています。";
constexpr wchar_t kGpsChecking[] = L"GPSの状態をチェックしています。";
constexpr wchar_t kCardAbsent[] = L"vevUIMカードが装着されていません。";
constexpr wchar_t kUnknown[] = L"状態が不明です。";
constexpr wchar_t kPukNeeded[] = L"PINロックの解除が必要です。";
constexpr wchar_t kPinNeeded[] = L"PIN1コードの照合が必要です。";
constexpr wchar_t kUsable[] = L"使用可能です。";
constexpr wchar_t kCardLocked[] = L"vevUIMカードが完全にロックされています。";
constexpr wchar_t kGpsOnCom7[] = L"使用可能です。[ポート:COM7]";
constexpr wchar_t kGpsOff[] = L"無効状態です。";
// Messages.
constexpr wchar_t kPinWrong[] = L"PIN1コードが誤っています。";
constexpr wchar_t kPinBlocked[] =
    L"PINロックされました。\nこのvevUIMカードを使用するには、PINロックの解除を行ってください。";
constexpr wchar_t kPukWrong[] = L"PINロック解除コードが誤っています。";
constexpr wchar_t kCardLockedNow[] =
    L"PINロックの解除失敗により、このvevUIMカードは完全にロックされました。\nZADvevへご相談ください。";
constexpr wchar_t kNoDevice[] = L"デバイスが見つかりませんでした。";
constexpr wchar_t kCommFailed[] = L"デバイスとの通信に失敗しました。";
} // namespace brindletext

// The tooltip without and with the GPS option.
std::wstring TipText(const std::wstring& pin);
std::wstring TipText(const std::wstring& pin, const std::wstring& gps);

std::string Narrow(const std::wstring& text);

class BrindleAppTest : public EndToEndTest {
protected:
    static constexpr DWORD kStartMs = 90000;
    static constexpr DWORD kStepMs = 20000;
    // How long a test waits to be sure that something does not happen.
    static constexpr DWORD kQuietMs = 1500;

    // Skips without a program; switches the debug log on.
    void SetUp() override;

    // Starts brindle.exe and waits until its window has put the icon in the
    // tray and its creation, which connects the modem first, has ended.
    CTestProcess* StartBrindle();
    HWND MainWindow() const { return m_window; }

    bool WaitForTip(const std::wstring& tip, DWORD timeoutMs = kStepMs);
    std::string TipNow();
    // Whether the icon had that tip at any time since the last ClearCalls.
    bool TipWasShown(const std::wstring& tip);

    // What a user's double click on the icon delivers.
    void DoubleClickIcon(bool left);

    // Checks that message is sized for text and not for mistaken, the text
    // a fault would most likely show instead (which also proves that the
    // measure tells the two apart).
    void ExpectMessageText(HWND message, const std::wstring& text, const std::wstring& mistaken);
    // Waits for the message dialog, checks its text as above and confirms
    // it with OK. False (with a failure recorded) when no message came.
    bool ConfirmMessage(const CTestProcess& brindle, const std::wstring& text, const std::wstring& mistaken);

    // The lines of processId that begin with prefix.
    size_t CountLogLinesStartingWith(const std::string& prefix, DWORD processId) const;
    std::string DescribeLog() const;

    void ExpectOrderlyExit(CTestProcess& brindle);

    std::wstring m_program;
    HWND m_window = nullptr;
};

} // namespace e2e
