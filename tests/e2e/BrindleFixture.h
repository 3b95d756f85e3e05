// brindle.exe started on the simulated platform and driven from outside as
// the user, the shell and Windows meet it: its tray icon, its dialogs and
// its messages. Every start that gets as far as the modem sits through its
// real settling time, so a test checks as much as it can per start and
// changes the simulated card between steps instead.
#pragma once

#include <string>

#include "tests/e2e/BrindleTexts.h"
#include "tests/e2e/EndToEndFixture.h"

namespace e2e {

// A start with the modem's settling time; any later step of the program.
constexpr DWORD kStartMs = 90000;
constexpr DWORD kStepMs = 20000;

class BrindleTest : public EndToEndTest {
protected:
    // What a start that ends by itself showed on the way.
    struct EndOfStart {
        bool ended = false;
        DWORD exitCode = ~0u;
        bool showedDialog = false;
        bool madeMainWindow = false;
    };

    // Skips without a program; switches the debug log on.
    void SetUp() override;

    // Starts brindle.exe and waits until its start has finished; null (with
    // a failure recorded) when it did not.
    CTestProcess* StartBrindle();
    // Waits for brindle's main window (m_window), its tray icon and the end
    // of the window's creation. False (with a failure recorded) when one of
    // them does not come.
    bool WaitUntilStarted(CTestProcess& brindle);
    // Starts brindle.exe and watches it until it ends by itself.
    EndOfStart StartExpectingEnd(DWORD timeoutMs = kStepMs);
    // Watches process until it ends by itself.
    EndOfStart WatchUntilEnd(CTestProcess& process, DWORD timeoutMs);

    bool WaitForTip(const std::wstring& tip, DWORD timeoutMs = kStepMs);
    std::string TipNow();
    // Whether the icon had that tip at any time since the last ClearCalls.
    bool TipWasShown(const std::wstring& tip);

    // What a user's single or double click on the icon delivers.
    void ClickIcon(bool left);
    void DoubleClickIcon(bool left);
    // A single click on the icon, then the menu it brings after the
    // double-click time; null when no menu came.
    HWND OpenTrayMenu(const CTestProcess& brindle, bool left = true);
    // Enter on a greyed item only closes the menu: the item's state cannot be
    // read from outside, so this is how a test sees it.
    void ExpectMenuItemGreyed(const CTestProcess& brindle, unsigned position);
    // Returns once the program has handled everything delivered to it
    // before, and whatever it posted itself on the way there. False (with
    // a failure recorded) when it did not answer.
    bool RoundTrip();
    // For what the program does on a timer of its own, of milliseconds,
    // started by what was delivered before: a round trip once that timer
    // has come due.
    bool RoundTripAfterTimer(DWORD milliseconds);
    // No dialog of brindle, shown or still about to be, once everything
    // delivered before has been handled.
    void ExpectNoDialogNow(const CTestProcess& brindle);

    // Types the code into the verify dialog (open or about to open), checks
    // its note, and confirms it.
    void EnterPin(const CTestProcess& brindle, const std::wstring& code, int attemptsLeft,
                  const std::string& screenshot = std::string());
    // Checks that the message shows text and does not read as mistaken, the
    // text a fault would most likely show instead (which also proves that
    // the reading tells the two apart).
    void ExpectMessageText(HWND message, const std::wstring& text, const std::wstring& mistaken);
    // Waits for the message, checks its text as above and confirms it with
    // OK. False (with a failure recorded) when no message came.
    bool ConfirmMessage(const CTestProcess& brindle, const std::wstring& text, const std::wstring& mistaken,
                        DWORD timeoutMs = kStepMs);

    void ExpectOrderlyExit(CTestProcess& brindle);
    // Up to the exit (the final disconnect finds no open link, as every
    // request closes its own): no failure but the dropping of a link that
    // is not there, which each request begins with.
    void ExpectNoFailureLogged(DWORD processId) const;
    // The lines of processId that are message, or that begin with prefix.
    size_t CountLogMessages(const std::string& message, DWORD processId) const;
    size_t CountLogMessagesStartingWith(const std::string& prefix, DWORD processId) const;
    std::string DescribeLog() const;

    std::wstring m_program;
    HWND m_window = nullptr;
};

} // namespace e2e
