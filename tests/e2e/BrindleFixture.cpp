#include "tests/e2e/BrindleFixture.h"

#include "sim/gobiapi/SimModemControl.h"
#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/MessagePump.h"
#include "tests/e2e/MessageText.h"
#include "tests/e2e/RemoteDialog.h"

namespace e2e {

const wchar_t kCardAbsent[] = L"vevUIMカードが装着されていません。";
const wchar_t kStatusUnknown[] = L"状態が不明です。";
const wchar_t kPukNeeded[] = L"PINロックの解除が必要です。";
const wchar_t kPinNeeded[] = L"PIN1コードの照合が必要です。";
const wchar_t kCardUsable[] = L"使用可能です。";
const wchar_t kCardLocked[] = L"vevUIMカードが完全にロックされています。";
const wchar_t kGpsUsable[] = L"使用可能です。";
const wchar_t kGpsUsableOnCom7[] = L"使用可能です。[ポート:COM7]";
const wchar_t kPinWrongMessage[] = L"PIN1コードが誤っています。";
const wchar_t kPinBlockedMessage[] =
    L"PINロックされました。\nこのvevUIMカードを使用するには、PINロックの解除を行ってください。";
const wchar_t kNoDeviceMessage[] = L"デバイスが見つかりませんでした。";
const wchar_t kOsUnsupportedMessage[] = L"現在のＯＳでは使用できません。";

const std::vector<MenuItem> kTrayMenu = {{40002, 0, L"Brindleを開く(&O)"},
                                         {40003, MF_GRAYED, L"PIN1を照合する(&C)"},
                                         {0, MF_SEPARATOR, L""},
                                         {40004, 0, L"バージョン情報(&V)"},
                                         {40005, 0, L"終了(&X)"}};

std::wstring Tip(const std::wstring& pinText)
{
    return L"Brindle\nPIN ： " + pinText;
}

std::wstring TipWithGps(const std::wstring& pinText, const std::wstring& gpsText)
{
    return Tip(pinText) + L"\nGPS ： " + gpsText;
}

std::wstring PinAttemptsNote(int attemptsLeft)
{
    return L"注意: あと" + std::to_wstring(attemptsLeft) + L"回PIN1コードを誤ると、vevUIMカードはPINロックされます。";
}

std::string Utf8(const std::wstring& text)
{
    std::string out;
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    out.resize(size);
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr,
                            nullptr);
    return out;
}

void BrindleTest::SetUp()
{
    EndToEndTest::SetUp();
    if (HasFatalFailure())
        return;
    m_program = DefaultProgram();
    if (m_program.empty())
        GTEST_SKIP() << "no brindle.exe in this build tree";
    ASSERT_TRUE(ProductKey().SetDword(L"BRINDLEReleaseDebugPrintEnable", 1));
}

CTestProcess* BrindleTest::StartBrindle()
{
    CTestProcess* brindle = Start(OptionsFor(m_program));
    if (!brindle)
        return nullptr;
    m_window = nullptr;
    if (brindle->WaitForWindow(kMainWindowClass, kMainWindowTitle, kBrindleStartMs, &m_window) !=
        CTestProcess::Outcome::Window) {
        ADD_FAILURE() << "no main window; exit code " << brindle->ExitCode() << DescribeLog();
        return nullptr;
    }
    if (!WaitFor([&] { return Tray().HasIcon(m_window) || !brindle->IsRunning(); }, kBrindleStartMs) ||
        !Tray().HasIcon(m_window)) {
        ADD_FAILURE() << "no tray icon; running " << brindle->IsRunning() << ", exit code " << brindle->ExitCode()
                      << DescribeLog();
        return nullptr;
    }
    return brindle;
}

BrindleTest::EndOfStart BrindleTest::StartExpectingEnd(DWORD timeoutMs)
{
    CTestProcess* process = Start(OptionsFor(m_program));
    if (!process)
        return EndOfStart();
    return WatchUntilEnd(*process, timeoutMs);
}

BrindleTest::EndOfStart BrindleTest::WatchUntilEnd(CTestProcess& process, DWORD timeoutMs)
{
    EndOfStart end;
    end.ended = WaitFor([&] {
        end.showedDialog = end.showedDialog || !VisibleDialogs(process.Id()).empty();
        end.madeMainWindow = end.madeMainWindow || !TopLevelWindows(process.Id(), kMainWindowClass).empty();
        return !process.IsRunning();
    }, timeoutMs);
    end.exitCode = process.ExitCode();
    return end;
}

bool BrindleTest::WaitForTip(const std::wstring& tip)
{
    return WaitFor([&] { return Tray().TipOf(m_window) == tip; }, kBrindleStepMs);
}

std::string BrindleTest::DescribeLog() const
{
    std::string text = "\nlog:";
    for (const std::string& line : LogLines())
        text += "\n  " + line;
    return text;
}

void BrindleTest::EnterPin(CTestProcess& brindle, const wchar_t* code, int attemptsLeft,
                           const std::string& screenshot)
{
    HWND dialog = WaitForDialog(brindle.Id(), kPinEdit, kVerifyCaption, kBrindleStepMs);
    ASSERT_NE(nullptr, dialog) << "no verify dialog" << DescribeLog();
    EXPECT_EQ(Utf8(PinAttemptsNote(attemptsLeft)), Utf8(ItemText(dialog, kPinNote)));
    ASSERT_TRUE(TypeInto(dialog, kPinEdit, code));
    if (!screenshot.empty())
        Screenshot(screenshot, dialog);
    ASSERT_TRUE(ClickButton(dialog, IDOK));
    EXPECT_TRUE(WaitForWindowGone(dialog, kBrindleStepMs));
}

void BrindleTest::ConfirmMessage(CTestProcess& brindle, const std::wstring& text,
                                 const std::wstring& mistakenMessage, DWORD timeoutMs)
{
    HWND message = WaitForMessageWindow(brindle.Id(), kMessageCaption, timeoutMs);
    ASSERT_NE(nullptr, message) << "no message \"" << Utf8(text) << "\"" << DescribeLog();
    std::string why;
    EXPECT_TRUE(WaitForMessageText(message, text, 3000, why)) << "expected \"" << Utf8(text) << "\": " << why;
    if (!mistakenMessage.empty()) {
        EXPECT_FALSE(MessageShows(message, mistakenMessage, why))
            << "also reads as \"" << Utf8(mistakenMessage) << "\"";
    }
    ASSERT_TRUE(ClickButton(message, IDOK));
    EXPECT_TRUE(WaitForWindowGone(message, kBrindleStepMs));
}

HWND BrindleTest::OpenTrayMenu(CTestProcess& brindle)
{
    if (!PostTrayMouse(m_window, WM_LBUTTONDOWN) || !PostTrayMouse(m_window, WM_LBUTTONUP))
        return nullptr;
    return WaitForPopupMenu(brindle.Id(), kBrindleStepMs);
}

void BrindleTest::ExpectMenuItemGreyed(CTestProcess& brindle, unsigned position)
{
    HWND menu = OpenTrayMenu(brindle);
    ASSERT_NE(nullptr, menu) << "a single click shows the menu once the double-click time has passed";
    ASSERT_TRUE(ChooseMenuItem(menu, kTrayMenu, position));
    EXPECT_TRUE(WaitFor([&] { return FindPopupMenu(brindle.Id()) == nullptr; }, kBrindleStepMs));
    ExpectNoDialogFor(brindle, 1000);
}

void BrindleTest::ExpectNoDialogFor(CTestProcess& brindle, DWORD milliseconds)
{
    HWND shown = nullptr;
    WaitFor([&] {
        const std::vector<HWND> dialogs = VisibleDialogs(brindle.Id());
        shown = dialogs.empty() ? nullptr : dialogs.front();
        return shown != nullptr;
    }, milliseconds);
    EXPECT_EQ(nullptr, shown) << "a dialog \"" << Utf8(TextOf(shown)) << "\" came up";
}

void BrindleTest::ExpectOrderlyExit(CTestProcess& brindle)
{
    ASSERT_TRUE(brindle.WaitForExit(kBrindleStepMs)) << "still running after the exit command";
    EXPECT_EQ(0u, brindle.ExitCode());
    EXPECT_EQ(1u, Tray().CountOf(NIM_DELETE, m_window));
    EXPECT_TRUE(Tray().Icons().empty());
}

void BrindleTest::ExpectNoFailureLogged(DWORD processId) const
{
    for (const LogLine& line : LogOf(processId))
        EXPECT_EQ(std::string::npos, line.message.find("FAIL")) << line.message;
}

size_t BrindleTest::CountLogMessages(const std::string& message, DWORD processId) const
{
    size_t count = 0;
    for (const LogLine& line : LogOf(processId))
        count += line.message == message;
    return count;
}

} // namespace e2e
