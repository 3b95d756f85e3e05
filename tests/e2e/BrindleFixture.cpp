#include "tests/e2e/BrindleFixture.h"

#include <functional>

#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/MessagePump.h"
#include "tests/e2e/MessageText.h"
#include "tests/e2e/RemoteDialog.h"
#include "tests/e2e/RemotePopupMenu.h"

namespace e2e {
namespace {

// How long a message dialog may take to paint after it appears.
constexpr DWORD kPaintMs = 3000;

size_t CountLines(const std::vector<LogLine>& lines, const std::function<bool(const std::string&)>& matches)
{
    size_t count = 0;
    for (const LogLine& line : lines)
        count += matches(line.message);
    return count;
}

} // namespace

void BrindleTest::SetUp()
{
    EndToEndTest::SetUp();
    if (HasFatalFailure())
        return;
    m_program = DefaultProgram();
    if (m_program.empty())
        FAIL() << "no brindle.exe in this build tree: the product did not build";
    ASSERT_TRUE(ProductKey().SetDword(L"BRINDLEReleaseDebugPrintEnable", 1));
}

CTestProcess* BrindleTest::StartBrindle()
{
    CTestProcess* brindle = Start(OptionsFor(m_program));
    if (!brindle || !WaitUntilStarted(*brindle))
        return nullptr;
    return brindle;
}

bool BrindleTest::WaitUntilStarted(CTestProcess& brindle)
{
    m_window = nullptr;
    if (brindle.WaitForWindow(kMainWindowClass, kMainWindowTitle, kStartMs, &m_window) !=
        CTestProcess::Outcome::Window) {
        ADD_FAILURE() << "no main window; exit code " << brindle.ExitCode() << DescribeLog();
        return false;
    }
    // The window exists from the start of its creation, which connects the
    // modem first; the icon comes near its end.
    if (!WaitFor([&] { return Tray().HasIcon(m_window) || !brindle.IsRunning(); }, kStartMs) ||
        !Tray().HasIcon(m_window)) {
        ADD_FAILURE() << "no tray icon; running " << brindle.IsRunning() << ", exit code " << brindle.ExitCode()
                      << DescribeLog();
        return false;
    }
    // The icon comes before creation has ended: the card is asked once
    // more after it. A message sent now is answered only from the message
    // loop, that is once creation is over, so the test does not change the
    // card under that last question.
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(m_window, WM_NULL, 0, 0, SMTO_NORMAL, kStartMs, &ignored)) {
        ADD_FAILURE() << "the main window never reached its message loop" << DescribeLog();
        return false;
    }
    return true;
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
    end.ended = WaitFor(
        [&] {
            end.showedDialog = end.showedDialog || !VisibleDialogs(process.Id()).empty();
            end.madeMainWindow = end.madeMainWindow || !TopLevelWindows(process.Id(), kMainWindowClass).empty();
            return !process.IsRunning();
        },
        timeoutMs);
    end.exitCode = process.ExitCode();
    return end;
}

bool BrindleTest::WaitForTip(const std::wstring& tip, DWORD timeoutMs)
{
    return WaitFor([&] { return Tray().TipOf(m_window) == tip; }, timeoutMs);
}

std::string BrindleTest::TipNow()
{
    return Narrow(Tray().TipOf(m_window));
}

bool BrindleTest::TipWasShown(const std::wstring& tip)
{
    for (const TrayCall& call : Tray().Calls()) {
        if (call.answer && call.record.tip == tip &&
            call.record.window == static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(m_window)))
            return true;
    }
    return false;
}

void BrindleTest::ClickIcon(bool left)
{
    PostTrayMouse(m_window, left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN);
    PostTrayMouse(m_window, left ? WM_LBUTTONUP : WM_RBUTTONUP);
}

void BrindleTest::DoubleClickIcon(bool left)
{
    // The shell's order for a double click: the second press arrives as
    // the double-click message.
    const UINT down = left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
    const UINT up = left ? WM_LBUTTONUP : WM_RBUTTONUP;
    const UINT dblclk = left ? WM_LBUTTONDBLCLK : WM_RBUTTONDBLCLK;
    for (UINT message : {down, up, dblclk, up})
        PostTrayMouse(m_window, message);
}

HWND BrindleTest::OpenTrayMenu(const CTestProcess& brindle, bool left)
{
    ClickIcon(left);
    return WaitForPopupMenu(brindle.Id(), kStepMs);
}

void BrindleTest::ExpectMenuItemGreyed(const CTestProcess& brindle, unsigned position)
{
    SCOPED_TRACE("menu item " + std::to_string(position) + ", expected greyed");
    HWND menu = OpenTrayMenu(brindle);
    ASSERT_NE(nullptr, menu) << "a single click shows the menu once the double-click time has passed";
    ASSERT_TRUE(ChooseMenuItem(menu, kTrayMenu, position));
    EXPECT_TRUE(WaitFor([&] { return FindPopupMenu(brindle.Id()) == nullptr; }, kStepMs));
    ExpectNoDialogFor(brindle, kQuietMs);
}

void BrindleTest::ExpectNoDialogFor(const CTestProcess& brindle, DWORD milliseconds)
{
    HWND shown = nullptr;
    WaitFor(
        [&] {
            const std::vector<HWND> dialogs = VisibleDialogs(brindle.Id());
            shown = dialogs.empty() ? nullptr : dialogs.front();
            return shown != nullptr;
        },
        milliseconds);
    EXPECT_EQ(nullptr, shown) << "a dialog \"" << Narrow(TextOf(shown)) << "\" came up";
}

void BrindleTest::EnterPin(const CTestProcess& brindle, const std::wstring& code, int attemptsLeft,
                           const std::string& screenshot)
{
    HWND dialog = WaitForDialog(brindle.Id(), kVerifyPin, kVerifyCaption, kStepMs);
    ASSERT_NE(nullptr, dialog) << "no verify dialog" << DescribeLog();
    EXPECT_EQ(Narrow(PinAttemptsNote(attemptsLeft)), Narrow(ItemText(dialog, kVerifyNote)));
    ASSERT_TRUE(TypeInto(dialog, kVerifyPin, code));
    if (!screenshot.empty())
        Screenshot(screenshot, dialog);
    ASSERT_TRUE(ClickButton(dialog, IDOK));
    EXPECT_TRUE(WaitForWindowGone(dialog, kStepMs)) << "the verify dialog stays after OK";
}

void BrindleTest::ExpectMessageText(HWND message, const std::wstring& text, const std::wstring& mistaken)
{
    std::string why;
    EXPECT_TRUE(WaitForMessageText(message, text, kPaintMs, why)) << "expected \"" << Narrow(text) << "\": " << why;
    EXPECT_FALSE(MessageShows(message, mistaken, why)) << "the message also reads as \"" << Narrow(mistaken) << "\"";
}

bool BrindleTest::ConfirmMessage(const CTestProcess& brindle, const std::wstring& text, const std::wstring& mistaken,
                                 DWORD timeoutMs)
{
    HWND message = WaitForMessageWindow(brindle.Id(), brindletext::kCaption, timeoutMs);
    if (!message) {
        ADD_FAILURE() << "no message \"" << Narrow(text) << "\"" << DescribeLog();
        return false;
    }
    ExpectMessageText(message, text, mistaken);
    EXPECT_TRUE(ClickButton(message, IDOK));
    EXPECT_TRUE(WaitForWindowGone(message, kStepMs)) << "the message stays after OK";
    return true;
}

void BrindleTest::ExpectOrderlyExit(CTestProcess& brindle)
{
    ASSERT_TRUE(brindle.WaitForExit(kStepMs)) << "still running after the exit command";
    EXPECT_EQ(0u, brindle.ExitCode());
    EXPECT_EQ(1u, Tray().CountOf(NIM_DELETE, m_window));
    EXPECT_TRUE(Tray().Icons().empty());
}

void BrindleTest::ExpectNoFailureLogged(DWORD processId) const
{
    // Each request first drops a link that is not there, which the library
    // answers with 1 ("not connected"); that is its normal road.
    for (const LogLine& line : LogOf(processId)) {
        if (line.message != "CSimService::Open:FAIL (QCWWANDisconnect_) 1") {
            EXPECT_EQ(std::string::npos, line.message.find("FAIL")) << line.message;
        }
    }
}

size_t BrindleTest::CountLogMessages(const std::string& message, DWORD processId) const
{
    return CountLines(LogOf(processId), [&](const std::string& line) { return line == message; });
}

size_t BrindleTest::CountLogMessagesStartingWith(const std::string& prefix, DWORD processId) const
{
    return CountLines(LogOf(processId),
                      [&](const std::string& line) { return line.compare(0, prefix.size(), prefix) == 0; });
}

std::string BrindleTest::DescribeLog() const
{
    std::string text = "\nlog:";
    for (const std::string& line : LogLines())
        text += "\n  " + line;
    return text;
}

} // namespace e2e
