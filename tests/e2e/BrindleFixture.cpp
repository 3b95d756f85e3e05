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
// Idle time granted to the program after one of its timers is due.
constexpr DWORD kTimerSlackMs = 1000;

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
    ExpectNoDialogNow(brindle);
}

bool BrindleTest::RoundTrip()
{
    // A tip update is a message of the program's own that it answers
    // through the fake tray. Posted, it queues behind everything posted
    // before it, and behind what a message sent before has left behind.
    // The first comes back once the program is in a message loop again;
    // the program may have posted to itself on its way there, after the
    // first was queued, so the second, posted only now, queues behind
    // that too. A dialog that something before opened is created before
    // its loop dispatches either.
    for (int pass = 0; pass < 2; ++pass) {
        const size_t modifies = Tray().CountOf(NIM_MODIFY, m_window);
        if (!PostMessageW(m_window, kTrayUpdate, 0, 0) ||
            !WaitFor([&] { return Tray().CountOf(NIM_MODIFY, m_window) > modifies; }, kStepMs)) {
            ADD_FAILURE() << "the program did not answer a round trip" << DescribeLog();
            return false;
        }
    }
    return true;
}

bool BrindleTest::RoundTripAfterTimer(DWORD milliseconds)
{
    // Once the first round trip is back, the message that started the
    // timer has been handled, so by the test's clock the timer is due
    // within milliseconds from then, however slowly the program ran up to
    // that point. Windows hands a thread its due timers only when nothing
    // is posted to it, so the test delivers nothing meanwhile and adds
    // kTimerSlackMs of idle in which the program takes the timer; the
    // round trip after that finds what the timer did. On a machine that
    // leaves the program unscheduled for longer than that, the second
    // round trip may overtake the timer: a fault could then pass unseen,
    // but a sound program never fails.
    if (!RoundTrip())
        return false;
    const DWORD started = GetTickCount();
    WaitFor([&] { return GetTickCount() - started > milliseconds + kTimerSlackMs; }, milliseconds + kStepMs);
    return RoundTrip();
}

void BrindleTest::ExpectNoDialogNow(const CTestProcess& brindle)
{
    if (!RoundTrip())
        return;
    // Hidden ones count: a modal dialog shows itself only once its loop
    // has run dry.
    const std::vector<HWND> dialogs = TopLevelWindows(brindle.Id(), L"#32770");
    EXPECT_TRUE(dialogs.empty()) << "a dialog \"" << Narrow(TextOf(dialogs.front())) << "\" came up";
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
