#include "tests/e2e/BrindleAppFixture.h"

#include "tests/e2e/MessagePump.h"
#include "tests/e2e/RemoteDialog.h"
#include "tests/e2e/RemoteMessage.h"

namespace e2e {

std::wstring TipText(const std::wstring& pin)
{
    return L"Brindle\nPIN ： " + pin;
}

std::wstring TipText(const std::wstring& pin, const std::wstring& gps)
{
    return TipText(pin) + L"\nGPS ： " + gps;
}

std::string Narrow(const std::wstring& text)
{
    std::string out;
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0)
        return out;
    out.resize(size);
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

void BrindleAppTest::SetUp()
{
    EndToEndTest::SetUp();
    if (HasFatalFailure())
        return;
    m_program = DefaultProgram();
    if (m_program.empty())
        GTEST_SKIP() << "no brindle.exe in this build tree";
    ASSERT_TRUE(ProductKey().SetDword(L"BRINDLEReleaseDebugPrintEnable", 1));
}

CTestProcess* BrindleAppTest::StartBrindle()
{
    CTestProcess* brindle = Start(OptionsFor(m_program));
    if (!brindle)
        return nullptr;
    m_window = nullptr;
    if (brindle->WaitForWindow(kMainWindowClass, kMainWindowTitle, kStartMs, &m_window) !=
        CTestProcess::Outcome::Window) {
        ADD_FAILURE() << "no main window; exit code " << brindle->ExitCode() << DescribeLog();
        return nullptr;
    }
    if (!WaitFor([&] { return Tray().HasIcon(m_window) || !brindle->IsRunning(); }, kStartMs) ||
        !Tray().HasIcon(m_window)) {
        ADD_FAILURE() << "no tray icon; running " << brindle->IsRunning() << ", exit code " << brindle->ExitCode()
                      << DescribeLog();
        return nullptr;
    }
    // The icon comes before creation has ended: the card is asked once
    // more after it. A message sent now is answered only from the message
    // loop, that is once creation is over, so the test does not change the
    // card under that last question.
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(m_window, WM_NULL, 0, 0, SMTO_NORMAL, kStartMs, &ignored)) {
        ADD_FAILURE() << "the main window never reached its message loop" << DescribeLog();
        return nullptr;
    }
    return brindle;
}

bool BrindleAppTest::WaitForTip(const std::wstring& tip, DWORD timeoutMs)
{
    return WaitFor([&] { return Tray().TipOf(m_window) == tip; }, timeoutMs);
}

std::string BrindleAppTest::TipNow()
{
    return Narrow(Tray().TipOf(m_window));
}

bool BrindleAppTest::TipWasShown(const std::wstring& tip)
{
    for (const TrayCall& call : Tray().Calls()) {
        if (call.answer && call.record.tip == tip &&
            call.record.window == static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(m_window)))
            return true;
    }
    return false;
}

void BrindleAppTest::DoubleClickIcon(bool left)
{
    // The shell's order for a double click: the second press arrives as
    // the double-click message.
    const UINT down = left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
    const UINT up = left ? WM_LBUTTONUP : WM_RBUTTONUP;
    const UINT dblclk = left ? WM_LBUTTONDBLCLK : WM_RBUTTONDBLCLK;
    for (UINT message : {down, up, dblclk, up})
        PostTrayMouse(m_window, message);
}

void BrindleAppTest::ExpectMessageText(HWND message, const std::wstring& text, const std::wstring& mistaken)
{
    std::string why;
    EXPECT_TRUE(IsSizedForText(message, text, &why)) << "not the message \"" << Narrow(text) << "\": " << why;
    EXPECT_FALSE(IsSizedForText(message, mistaken)) << "the message cannot be told from \"" << Narrow(mistaken)
                                                    << "\"";
}

bool BrindleAppTest::ConfirmMessage(const CTestProcess& brindle, const std::wstring& text,
                                    const std::wstring& mistaken)
{
    HWND message = WaitForMessageDialog(brindle.Id(), brindletext::kCaption, kStepMs);
    if (!message) {
        ADD_FAILURE() << "no message \"" << Narrow(text) << "\"" << DescribeLog();
        return false;
    }
    ExpectMessageText(message, text, mistaken);
    EXPECT_TRUE(ClickButton(message, IDOK));
    EXPECT_TRUE(WaitForWindowGone(message, kStepMs)) << "the message stays after OK";
    return true;
}

size_t BrindleAppTest::CountLogLinesStartingWith(const std::string& prefix, DWORD processId) const
{
    size_t count = 0;
    for (const LogLine& line : LogOf(processId)) {
        if (line.message.compare(0, prefix.size(), prefix) == 0)
            ++count;
    }
    return count;
}

std::string BrindleAppTest::DescribeLog() const
{
    std::string text = "\nlog:";
    for (const std::string& line : LogLines())
        text += "\n  " + line;
    return text;
}

void BrindleAppTest::ExpectOrderlyExit(CTestProcess& brindle)
{
    ASSERT_TRUE(brindle.WaitForExit(kStepMs)) << "still running after the exit command";
    EXPECT_EQ(0u, brindle.ExitCode());
    EXPECT_EQ(1u, Tray().CountOf(NIM_DELETE, m_window));
    EXPECT_TRUE(Tray().Icons().empty());
}

} // namespace e2e
