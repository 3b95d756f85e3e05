// brindle.exe on the simulated platform, as the user and Windows meet it.
// Every start that gets as far as the modem sits through its real settling
// time, so the tests built on this fixture check as much as they can per
// start.
#pragma once

#include <string>
#include <vector>

#include "tests/e2e/EndToEndFixture.h"
#include "tests/e2e/RemotePopupMenu.h"

namespace e2e {

constexpr DWORD kBrindleStartMs = 90000;
constexpr DWORD kBrindleStepMs = 20000;

// The PIN verify dialog (template 114).
constexpr int kPinEdit = 1007;
constexpr int kPinNote = 1008;
constexpr wchar_t kVerifyCaption[] = L"PIN1コード照合";
// Caption of every message (string 120).
constexpr wchar_t kMessageCaption[] = L"Brindle";
constexpr wchar_t kAboutCaption[] = L"Brindleのバージョン情報";

// The tooltip: string 105 (or 106) filled with the status texts.
std::wstring Tip(const std::wstring& pinText);
std::wstring TipWithGps(const std::wstring& pinText, const std::wstring& gpsText);
// The verify dialog's note (string 104) for attempts left.
std::wstring PinAttemptsNote(int attemptsLeft);

// Status texts, strings 115 to 128.
extern const wchar_t kCardAbsent[];
extern const wchar_t kStatusUnknown[];
extern const wchar_t kPukNeeded[];
extern const wchar_t kPinNeeded[];
extern const wchar_t kCardUsable[];
extern const wchar_t kCardLocked[];
extern const wchar_t kGpsUsable[];
extern const wchar_t kGpsUsableOnCom7[];
// Messages.
extern const wchar_t kPinWrongMessage[];      // 111
extern const wchar_t kPinBlockedMessage[];    // 113
extern const wchar_t kNoDeviceMessage[];      // 133
extern const wchar_t kOsUnsupportedMessage[]; // 134

// Menu 106 as its resource lays it out; item states as after start-up
// without a PIN to verify.
extern const std::vector<MenuItem> kTrayMenu;
constexpr unsigned kMenuOpenSettings = 0;
constexpr unsigned kMenuVerifyPin = 1;
constexpr unsigned kMenuAbout = 3;
constexpr unsigned kMenuExit = 4;

std::string Utf8(const std::wstring& text);

class BrindleTest : public EndToEndTest {
protected:
    // What a start that ends by itself showed on the way.
    struct EndOfStart {
        bool ended = false;
        DWORD exitCode = ~0u;
        bool showedDialog = false;
        bool madeMainWindow = false;
    };

    void SetUp() override;

    // Starts brindle.exe and waits until its window has put the icon in the
    // tray (the window exists from the start of its creation, which
    // connects the modem first; the icon marks the end of it).
    CTestProcess* StartBrindle();
    // Starts brindle.exe and watches it until it ends by itself.
    EndOfStart StartExpectingEnd(DWORD timeoutMs = kBrindleStepMs);
    // Watches process until it ends by itself.
    EndOfStart WatchUntilEnd(CTestProcess& process, DWORD timeoutMs);

    bool WaitForTip(const std::wstring& tip);
    std::string TipNow() { return Utf8(Tray().TipOf(m_window)); }
    std::string DescribeLog() const;

    // Types the code into the verify dialog (open or about to open), checks
    // its note, and confirms it.
    void EnterPin(CTestProcess& brindle, const wchar_t* code, int attemptsLeft,
                  const std::string& screenshot = std::string());
    // Waits for the message with text, checks it is not mistakenMessage
    // (proof that the reading tells texts apart), and confirms it with OK.
    void ConfirmMessage(CTestProcess& brindle, const std::wstring& text, const std::wstring& mistakenMessage,
                        DWORD timeoutMs = kBrindleStepMs);
    // A single click on the icon, then the menu it brings after the
    // double-click time; null when no menu came.
    HWND OpenTrayMenu(CTestProcess& brindle);
    // Enter on a greyed item only closes the menu: the item's state cannot be
    // read from outside, so this is how a test sees it.
    void ExpectMenuItemGreyed(CTestProcess& brindle, unsigned position);
    // No dialog of brindle becomes visible within milliseconds.
    void ExpectNoDialogFor(CTestProcess& brindle, DWORD milliseconds);

    void ExpectOrderlyExit(CTestProcess& brindle);
    // Up to the exit: the final disconnect finds no open link (every request
    // closes its own), which the stand-in answers with "not connected".
    void ExpectNoFailureLogged(DWORD processId) const;
    size_t CountLogMessages(const std::string& message, DWORD processId) const;

    std::wstring m_program;
    HWND m_window = nullptr;
};

} // namespace e2e
