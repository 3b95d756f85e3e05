// Weeks in the tray, compressed: one brindle.exe driven through a seeded
// random sequence of what its user, Windows, the shell and a faulty platform
// do to it, checked after every step, until time or the step count runs out.
//
// Settings come from the environment (tools/soak sets them; ctest runs the
// defaults, a short soak with a fixed seed and a fixed number of steps):
//   BRINDLE_SOAK_SEED      the seed (default 20261209)
//   BRINDLE_SOAK_STEPS     most steps (default 150)
//   BRINDLE_SOAK_SECONDS   stop after this long (default: no limit)
//   BRINDLE_SOAK_REPLAY_TO stop just before this step and leave the program
//                          running until it is ended from outside
//   BRINDLE_SOAK_PROGRESS  a file rewritten after every step with
//                          "steps faults seconds handles gdi user"
//   BRINDLE_SOAK_KINDS     only these kinds of step, e.g. "about,lock-unlock"
//                          (to tell which kind a growth comes with)
//
// Each step ends with the platform put right again and the program told so
// (a refresh), so every check below holds after every step; a fault shows
// only in how the program got there. The program's own mandated waits
// (a modem link tried three times a second apart, a GPS read ten times
// half a second apart, the first reconnect ten seconds after a resume) are
// added to the step's time bound for exactly the faults the step armed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "SimDriverControl.h"
#include "sim/gobiapi/SimModemControl.h"
#include "sim/wmi/SimWmiControl.h"
#include "tests/e2e/BrindleFixture.h"
#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/MessagePump.h"
#include "tests/e2e/MessageText.h"
#include "tests/e2e/RemoteDialog.h"
#include "tests/e2e/RemotePopupMenu.h"
#include "tests/soak/ProcessObjects.h"
#include "tests/soak/QuotedLogLines.h"
#include "tests/soak/RemoteHeapCensus.h"
#include "tests/soak/SoakPlatform.h"
#include "tests/soak/SoakRandom.h"
#include "tests/support/ProcessHandles.h"

namespace e2e {
namespace {

namespace text = brindletext;

// The settings dialog's close button (its other controls: BrindleTexts.h).
constexpr int kSettingsClose = IDOK;

// What any step may take on a loaded machine, before the program's own
// mandated waits for the faults it armed.
constexpr DWORD kBaseBoundMs = 20000;
constexpr DWORD kLinkRetryMs = 1000;       // each failed open of the modem link
constexpr DWORD kGpsReadRetryMs = 500;     // each failed read of the tracking state
constexpr DWORD kFirstReconnectMs = 10000; // after a resume, fixed
constexpr DWORD kResumeDelayMs = 5000;     // the default between later tries
constexpr unsigned kRecentSteps = 20;
constexpr unsigned kWarmUpSteps = 100;
// The program's own heap growth from the warm-up to the end (all heaps,
// Wine 8's static-control blocks apart) that still passes, in bytes per
// 1,000 steps. Measured it is exactly 0 (ctest's 50 steps after the warm-up,
// a 5-minute soak's 411), so any growth is a leak; the bound leaves room for
// a stray block of the runtime in a long run (a 60-minute soak's 5,700 steps
// may gain 5.8 KB). 64 bytes lost at every opening of the settings dialog
// come to 7,680 in ctest's soak (6 openings in 50 steps).
constexpr double kHeapBoundPer1000Steps = 1024;

// The growth between two censuses that is the program's own: Wine 8's
// static-control blocks, 12 bytes each, taken apart.
struct OwnGrowth {
    long long wineBlocks;
    long long blocks;
    long long bytes;
};

OwnGrowth OwnHeapGrowth(const soak::HeapCensus& before, const soak::HeapCensus& after)
{
    const long long wine =
        static_cast<long long>(after.wineStaticBlocks) - static_cast<long long>(before.wineStaticBlocks);
    return {wine, static_cast<long long>(after.blocks) - static_cast<long long>(before.blocks) - wine,
            static_cast<long long>(after.bytes) - static_cast<long long>(before.bytes) - 12 * wine};
}

std::uint64_t EnvNumber(const wchar_t* name, std::uint64_t fallback)
{
    wchar_t value[64];
    const DWORD length = GetEnvironmentVariableW(name, value, 64);
    if (length == 0 || length >= 64)
        return fallback;
    return _wcstoui64(value, nullptr, 10);
}

std::wstring EnvText(const wchar_t* name)
{
    wchar_t value[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(value, length);
}

enum class Group { User, Windows, Fault };

enum class Kind {
    VerifyRight,
    VerifyWrong,
    VerifyBlock,
    VerifyCancel,
    MenuVerify,
    Settings,
    Unblock,
    UnblockWrong,
    ChangePin,
    Protection,
    GpsOn,
    GpsOff,
    About,
    MenuDismiss,
    SuspendResume,
    LockUnlock,
    ConsoleCycle,
    TaskbarCreated,
    DeviceRefresh,
    ModemAbsent,
    ModemSlow,
    FailExport,
    CardOutIn,
    PowerCycle,
    DriverBusy,
    CardSwap,
};

struct KindInfo {
    Kind kind;
    const char* name;
    Group group;
    unsigned weight;
};

// Weights: the expensive steps (a resume waits ten seconds, a missing modem
// costs every request three seconds) are rarer.
const KindInfo kKinds[] = {
    {Kind::VerifyRight, "verify-right", Group::User, 60},
    {Kind::VerifyWrong, "verify-wrong", Group::User, 30},
    {Kind::VerifyBlock, "verify-block", Group::User, 10},
    {Kind::VerifyCancel, "verify-cancel", Group::User, 30},
    {Kind::MenuVerify, "menu-verify", Group::User, 30},
    {Kind::Settings, "settings-open-close", Group::User, 50},
    {Kind::Unblock, "unblock", Group::User, 40},
    {Kind::UnblockWrong, "unblock-wrong", Group::User, 10},
    {Kind::ChangePin, "change-pin", Group::User, 20},
    {Kind::Protection, "protection-switch", Group::User, 20},
    {Kind::GpsOn, "gps-on", Group::User, 30},
    {Kind::GpsOff, "gps-off", Group::User, 30},
    {Kind::About, "about", Group::User, 30},
    {Kind::MenuDismiss, "menu-dismiss", Group::User, 20},
    {Kind::SuspendResume, "suspend-resume", Group::Windows, 12},
    {Kind::LockUnlock, "lock-unlock", Group::Windows, 40},
    {Kind::ConsoleCycle, "console-disconnect-connect", Group::Windows, 30},
    {Kind::TaskbarCreated, "taskbar-created", Group::Windows, 40},
    {Kind::DeviceRefresh, "device-refresh", Group::Windows, 50},
    {Kind::ModemAbsent, "modem-absent", Group::Fault, 6},
    {Kind::ModemSlow, "modem-slow", Group::Fault, 30},
    {Kind::FailExport, "gobi-export-fails", Group::Fault, 100},
    {Kind::CardOutIn, "card-out-and-in", Group::Fault, 20},
    {Kind::PowerCycle, "card-power-cycle", Group::Fault, 30},
    {Kind::DriverBusy, "driver-busy", Group::Fault, 30},
    {Kind::CardSwap, "card-replaced", Group::Fault, 2},
};

const KindInfo& InfoOf(Kind kind)
{
    for (const KindInfo& info : kKinds) {
        if (info.kind == kind)
            return info;
    }
    return kKinds[0];
}

using soak::Card;
using soak::CountMessageWindows;
using soak::CountWindows;
using soak::DwordOf;
using soak::OtherCode;
using soak::PinTextOf;
using soak::ReadCard;
using soak::ReadProductKey;
using soak::ValueSnapshot;
using testsupport::ProcessHandleCount;

class SoakTest : public BrindleTest {
protected:
    void RunSoak();

private:
    // Step running.
    Kind Choose();
    bool RunStep(Kind kind);
    bool CheckInvariants();
    std::string KeyProblem();
    std::string DescribeDialogs();
    bool Violation(const std::string& invariant);
    void Report(const std::string& invariant);
    void Leak(const std::string& what);
    void JudgeGrowth(unsigned steps, DWORD handles0, DWORD handles, const soak::HeapCensus& heap0,
                     const soak::HeapCensus& heap);
    void Note(const std::string& detail) { m_detail += (m_detail.empty() ? "" : ", ") + detail; }
    void CountFault(const std::string& kind)
    {
        ++m_faults[kind];
        ++m_faultTotal;
    }
    void WriteProgress(unsigned steps, double seconds);
    void SampleObjects(DWORD& handles, DWORD& gdi, DWORD& user);

    // Waiting on the program.
    bool Answering();
    bool Barrier();
    bool Settle();
    bool Expect(const std::function<bool()>& condition, const std::string& what);
    HWND ExpectDialog(int controlId, const wchar_t* caption, const std::string& what);
    bool ExpectGone(HWND window, const std::string& what);
    bool ConfirmOneMessage(const std::string& what);

    // The program's dialogs.
    HWND VerifyDialog() { return FindDialog(m_pid, kVerifyPin, kVerifyCaption); }
    HWND OpenSettings();
    bool CloseSettings(HWND settings);
    // keyboard: Esc may be among the ways. The About dialog is modeless and
    // gets its keys from the main message loop, which does not run while a
    // modal dialog's loop does: with the verify dialog up, only the mouse
    // closes it.
    bool CloseDialogAnyWay(HWND dialog, bool keyboard = true);
    bool WaitForPinLine(HWND settings, const std::wstring& line);
    bool TypeCodes(HWND dialog, std::initializer_list<std::pair<int, std::wstring>> entries);
    HWND OpenMenu();

    // Putting the platform right and telling the program.
    void DisarmAll();
    bool RefreshClean();
    std::wstring ExpectedTip();

    // The steps.
    bool StepVerify(Kind kind);
    bool StepMenuVerify();
    bool StepSettings();
    bool StepUnblock(bool right);
    bool StepChangePin();
    bool StepProtection();
    bool StepGps(bool on);
    bool StepAbout();
    bool StepMenuDismiss();
    bool StepSuspendResume();
    bool StepSessionPair(WPARAM first, WPARAM second);
    bool StepTaskbarCreated();
    bool StepModemAbsent();
    bool StepModemSlow();
    bool StepFailExport();
    bool StepCardOutIn();
    bool StepPowerCycle();
    bool StepDriverBusy();
    bool StepCardSwap();

    soak::CSoakRandom m_random{0};
    CTestProcess* m_brindle = nullptr;
    DWORD m_pid = 0;
    DWORD m_boundMs = kBaseBoundMs;
    unsigned m_step = 0;
    std::string m_detail;
    std::string m_violation;
    unsigned m_violations = 0;
    unsigned m_crashes = 0;
    std::vector<std::string> m_leaks;
    bool m_logSwitchedOn = false;
    unsigned m_logLines = 0;
    unsigned m_refusals = 0; // requests the modem refused outright; each is logged
    std::deque<std::string> m_recent;
    std::map<std::string, unsigned> m_steps;
    std::map<std::string, unsigned> m_faults;
    unsigned m_faultTotal = 0;
    unsigned m_messages = 0;
    std::uint64_t m_seed = 0;
    std::map<std::wstring, ValueSnapshot> m_key;
    DWORD m_dontShow = 0;
    size_t m_logOffset = 0;
    std::wstring m_progressFile;
    std::wstring m_onlyKinds; // ",about,lock-unlock," or empty for all
};

// ---------------------------------------------------------------- waiting

bool SoakTest::Answering()
{
    if (!m_brindle->IsRunning()) {
        ++m_crashes;
        return Violation("brindle.exe is alive (it ended with exit code " + std::to_string(m_brindle->ExitCode()) +
                         ")");
    }
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(m_window, WM_NULL, 0, 0, SMTO_NORMAL, m_boundMs, &ignored)) {
        ++m_crashes;
        return Violation("the message loop answers WM_NULL within " + std::to_string(m_boundMs) + " ms");
    }
    return true;
}

// A WM_TRAY_UPDATE posted now is handled after everything posted before
// it; its NIM_MODIFY is the sign. A modify the program sent before the post
// is let in first (a thread waiting in SendMessage takes sent messages), so
// only the program's own updates still queued can come before it; the
// checks that follow therefore wait for their state rather than read it once.
bool SoakTest::Barrier()
{
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(m_window, WM_NULL, 0, 0, SMTO_NORMAL, m_boundMs, &ignored))
        return Answering();
    PumpMessages();
    Tray().ClearCalls();
    if (!PostMessageW(m_window, kTrayUpdate, 0, 0))
        return Answering() && Violation("the main window takes posted messages");
    if (WaitFor([&] { return Tray().CountOf(NIM_MODIFY, m_window) > 0 || !m_brindle->IsRunning(); }, m_boundMs) &&
        m_brindle->IsRunning())
        return true;
    return Answering() && Violation("a posted tooltip update is handled within " + std::to_string(m_boundMs) + " ms");
}

// Until everything the step set off has been handled: two barriers (the
// second one after whatever the handlers posted while the first waited),
// and each message the program shows on the way confirmed with OK.
bool SoakTest::Settle()
{
    for (int round = 0; round < 20; ++round) {
        if (!Barrier() || !Barrier())
            return false;
        HWND message = FindMessageWindow(m_pid, text::kCaption);
        if (!message)
            return true;
        if (CountMessageWindows(m_pid) > 1)
            return Violation("no second message dialog is stacked");
        ++m_messages;
        Note("message");
        ClickButton(message, IDOK);
        if (!ExpectGone(message, "the message goes with OK"))
            return false;
    }
    return Violation("the program stops showing messages");
}

bool SoakTest::Expect(const std::function<bool()>& condition, const std::string& what)
{
    if (WaitFor([&] { return condition() || !m_brindle->IsRunning(); }, m_boundMs) && m_brindle->IsRunning())
        return true;
    return Answering() && Violation(what);
}

HWND SoakTest::ExpectDialog(int controlId, const wchar_t* caption, const std::string& what)
{
    HWND dialog = nullptr;
    Expect([&] { return (dialog = FindDialog(m_pid, controlId, caption)) != nullptr; }, what);
    return dialog;
}

bool SoakTest::ExpectGone(HWND window, const std::string& what)
{
    return Expect([&] { return !IsWindow(window) || !IsWindowVisible(window); }, what);
}

bool SoakTest::ConfirmOneMessage(const std::string& what)
{
    HWND message = nullptr;
    if (!Expect([&] { return (message = FindMessageWindow(m_pid, text::kCaption)) != nullptr; }, what))
        return false;
    if (CountMessageWindows(m_pid) > 1)
        return Violation("no second message dialog is stacked");
    ++m_messages;
    ClickButton(message, IDOK);
    return ExpectGone(message, "the message goes with OK");
}

// ---------------------------------------------------------------- dialogs

HWND SoakTest::OpenMenu()
{
    ClickIcon(m_random.Chance(50));
    HWND menu = nullptr;
    Expect([&] { return (menu = FindPopupMenu(m_pid)) != nullptr; }, "a click on the icon shows the menu");
    return menu;
}

HWND SoakTest::OpenSettings()
{
    if (m_random.Chance(50)) {
        Note("by double click");
        DoubleClickIcon(true);
    } else {
        Note("from the menu");
        HWND menu = OpenMenu();
        if (!menu || !ChooseMenuItem(menu, kTrayMenu, kMenuOpenSettings))
            return nullptr;
    }
    HWND settings = ExpectDialog(kSettingsPinLine, text::kCaption, "the settings dialog opens");
    if (!settings)
        return nullptr;
    if (!Expect(
            [&] {
                const std::wstring line = ItemText(settings, kSettingsPinLine);
                return !line.empty() && line != text::kCardChecking;
            },
            "the settings dialog reads the card"))
        return nullptr;
    return settings;
}

bool DialogHasFocus(HWND dialog)
{
    const HWND focus = FocusOf(dialog);
    return focus == dialog || IsChild(dialog, focus);
}

// Esc, the dialog's own button or the close box, as the user likes.
bool SoakTest::CloseDialogAnyWay(HWND dialog, bool keyboard)
{
    const std::uint32_t way = m_random.Below(3);
    switch (keyboard ? way : 1 + way % 2) {
    case 0:
        Note("Esc");
        // The key goes where the focus is. After the tray menu the hidden
        // main window keeps the foreground, and the user first clicks the
        // dialog; bringing it forward does what that click does.
        if (!DialogHasFocus(dialog))
            SetForegroundWindow(dialog);
        if (!Expect([&] { return DialogHasFocus(dialog); }, "a dialog takes the focus"))
            return false;
        PressKey(dialog, VK_ESCAPE);
        break;
    case 1:
        Note("button");
        ClickButton(dialog, GetDlgItem(dialog, IDCANCEL) ? IDCANCEL : IDOK);
        break;
    default:
        Note("close box");
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
    if (WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, m_boundMs))
        return true;
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return Answering() &&
           Violation("the dialog closes (focus " + Narrow(ClassOf(info.hwndFocus)) + ", active " +
                     Narrow(TextOf(info.hwndActive)) + ", flags " + std::to_string(info.flags) + ", menu owner " +
                     std::to_string(reinterpret_cast<UINT_PTR>(info.hwndMenuOwner)) + ", capture " +
                     Narrow(ClassOf(info.hwndCapture)) + ", dialogs " + DescribeDialogs() + ")");
}

// Every dialog window of the program, hidden ones too, for a report.
std::string SoakTest::DescribeDialogs()
{
    std::string text;
    for (HWND window : TopLevelWindows(m_pid, L"#32770"))
        text += "[\"" + Narrow(TextOf(window)) + "\"" + (IsWindowVisible(window) ? " shown" : " hidden") +
                (IsWindowEnabled(window) ? "" : " disabled") + "]";
    return text;
}

bool SoakTest::CloseSettings(HWND settings)
{
    if (m_random.Chance(30)) {
        Note("close button");
        ClickButton(settings, kSettingsClose);
        return ExpectGone(settings, "the settings dialog closes");
    }
    return CloseDialogAnyWay(settings);
}

bool SoakTest::WaitForPinLine(HWND settings, const std::wstring& line)
{
    if (WaitFor([&] { return ItemText(settings, kSettingsPinLine) == line || !m_brindle->IsRunning(); }, m_boundMs) &&
        m_brindle->IsRunning())
        return true;
    return Answering() && Violation("the settings dialog shows the card's state \"" + Narrow(line) + "\" (it shows \"" +
                                    Narrow(ItemText(settings, kSettingsPinLine)) + "\")");
}

bool SoakTest::TypeCodes(HWND dialog, std::initializer_list<std::pair<int, std::wstring>> entries)
{
    for (const auto& entry : entries) {
        if (!TypeInto(dialog, entry.first, entry.second))
            return Answering() && Violation("the code dialog takes typed codes");
    }
    ClickButton(dialog, IDOK);
    return ExpectGone(dialog, "the code dialog closes with OK");
}

// ---------------------------------------------------------------- platform

void SoakTest::DisarmAll()
{
    for (const char* name : {"QCWWAN2kEnumerateDevices", "QCWWAN2kConnect", "QCWWANDisconnect", "UIMChangePIN",
                             "UIMGetPINStatus", "UIMSetPINProtection", "UIMUnblockPIN", "UIMVerifyPIN",
                             "GetServiceAutomaticTracking", "SetServiceAutomaticTracking"}) {
        const std::string code = std::string("Fail.") + name;
        const std::string count = std::string("FailCount.") + name;
        simmodem::ClearValue(std::wstring(code.begin(), code.end()).c_str());
        simmodem::ClearValue(std::wstring(count.begin(), count.end()).c_str());
    }
    simmodem::ClearValue(L"DeviceCount");
    simmodem::ClearValue(L"ConnectFailures");
    simdriver::ClearAllFaults();
}

std::wstring SoakTest::ExpectedTip()
{
    const bool tracking = simmodem::GetValue(L"GpsTracking", 0) != 0;
    return TipText(PinTextOf(ReadCard()), tracking ? text::kGpsOnCom7 : text::kGpsOff);
}

// The platform right again, and the program told: it closes its dialogs,
// reads the card and opens the verify dialog when PIN1 is wanted.
bool SoakTest::RefreshClean()
{
    DisarmAll();
    m_boundMs = kBaseBoundMs;
    PostDeviceRefresh(m_window);
    if (!Settle())
        return false;
    // The dialog shows once its loop first finds the queue empty.
    return !ReadCard().NeedsPin() ||
           ExpectDialog(kVerifyPin, kVerifyCaption, "after a refresh with PIN1 wanted the verify dialog opens");
}

// ---------------------------------------------------------------- steps

bool SoakTest::StepVerify(Kind kind)
{
    HWND dialog = VerifyDialog();
    const Card card = ReadCard();
    if (kind == Kind::VerifyCancel)
        return CloseDialogAnyWay(dialog) && Settle();
    const bool right = kind == Kind::VerifyRight;
    const std::wstring code = right ? card.pin : OtherCode(card.pin, L"0000", L"9999");
    if (!TypeCodes(dialog, {{kVerifyPin, code}}))
        return false;
    if (right)
        return Settle() && (ReadCard().Usable() || Violation("the right PIN1 makes the card usable"));
    // A wrong code: string 111 and the dialog again with one attempt fewer,
    // or string 113 when that was the last attempt.
    if (!ConfirmOneMessage("a wrong PIN1 brings a message"))
        return false;
    if (kind == Kind::VerifyBlock)
        return Settle() && (ReadCard().Blocked() || Violation("the last wrong PIN1 blocks the card"));
    HWND again = ExpectDialog(kVerifyPin, kVerifyCaption, "the verify dialog opens again after a wrong PIN1");
    if (!again)
        return false;
    const std::wstring note = PinAttemptsNote(static_cast<int>(card.pinLeft) - 1);
    if (!Expect([&] { return ItemText(again, kVerifyNote) == note; },
                "the verify dialog counts the attempts left (" + Narrow(ItemText(again, kVerifyNote)) + ")"))
        return false;
    return Settle();
}

bool SoakTest::StepMenuVerify()
{
    HWND menu = OpenMenu();
    if (!menu || !ChooseMenuItem(menu, kTrayMenu, kMenuVerifyPin))
        return false;
    return ExpectDialog(kVerifyPin, kVerifyCaption, "the menu's verify item opens the verify dialog") && Settle();
}

bool SoakTest::StepSettings()
{
    HWND settings = OpenSettings();
    return settings && WaitForPinLine(settings, PinTextOf(ReadCard())) && CloseSettings(settings) && Settle();
}

bool SoakTest::StepUnblock(bool right)
{
    const Card card = ReadCard();
    HWND settings = OpenSettings();
    if (!settings || !WaitForPinLine(settings, text::kPukNeeded))
        return false;
    ClickButton(settings, kUnblock);
    HWND dialog = ExpectDialog(kUnblockPuk, text::kUnblockCaption, "the unblock dialog opens");
    const std::wstring newPin = OtherCode(card.pin, L"1234", L"2468");
    if (!dialog)
        return false;
    const std::wstring puk = right ? card.puk : OtherCode(card.puk, L"87654321", L"11223344");
    if (!TypeCodes(dialog, {{kUnblockPuk, puk}, {kUnblockNewPin, newPin}, {kUnblockConfirm, newPin}}))
        return false;
    if (!right) {
        if (!ConfirmOneMessage("a wrong unblock code brings a message"))
            return false;
        HWND again = ExpectDialog(kUnblockPuk, text::kUnblockCaption, "the unblock dialog opens again");
        if (!again || !CloseDialogAnyWay(again))
            return false;
    }
    // What the card says once the program is through (reading it now could
    // come before the program's own call).
    if (!WaitForPinLine(settings, right ? text::kUsable : text::kPukNeeded) || !CloseSettings(settings) || !Settle())
        return false;
    if (right && (ReadCard().pin != newPin || !ReadCard().Usable()))
        return Violation("the right unblock code sets the new PIN1 and makes the card usable");
    return true;
}

bool SoakTest::StepChangePin()
{
    const Card card = ReadCard();
    const std::wstring newPin = OtherCode(card.pin, L"1234", L"2468");
    HWND settings = OpenSettings();
    if (!settings || !WaitForPinLine(settings, text::kUsable))
        return false;
    ClickButton(settings, kChange);
    HWND dialog = ExpectDialog(kChangeOldPin, text::kChangeCaption, "the change dialog opens");
    if (!dialog || !TypeCodes(dialog, {{kChangeOldPin, card.pin}, {kChangeNewPin, newPin}, {kChangeConfirm, newPin}}))
        return false;
    if (!Expect([&] { return ReadCard().pin == newPin; }, "the change dialog changes PIN1"))
        return false;
    return WaitForPinLine(settings, text::kUsable) && CloseSettings(settings) && Settle();
}

bool SoakTest::StepProtection()
{
    const Card card = ReadCard();
    HWND settings = OpenSettings();
    if (!settings || !WaitForPinLine(settings, text::kUsable))
        return false;
    Note(card.protection ? "off" : "on");
    ClickButton(settings, card.protection ? kProtectOff : kProtectOn);
    HWND dialog = ExpectDialog(kVerifyPin, kVerifyCaption, "the protection switch asks for PIN1");
    if (!dialog || !TypeCodes(dialog, {{kVerifyPin, card.pin}}))
        return false;
    if (!Expect([&] { return ReadCard().protection != card.protection; }, "the protection switch switches"))
        return false;
    return WaitForPinLine(settings, text::kUsable) && CloseSettings(settings) && Settle();
}

bool SoakTest::StepGps(bool on)
{
    HWND settings = OpenSettings();
    if (!settings)
        return false;
    ClickButton(settings, on ? kGpsOn : kGpsOff);
    bool switched = true;
    if (on && m_dontShow == 0) {
        HWND confirm = ExpectDialog(kDontShowAgain, text::kCaption, "switching GPS on asks first");
        if (!confirm)
            return false;
        const std::uint32_t choice = m_random.Below(100);
        if (choice < 25) {
            Note("not confirmed");
            switched = false;
            if (!CloseDialogAnyWay(confirm))
                return false;
        } else {
            if (choice < 28) {
                Note("do not ask again");
                ClickButton(confirm, kDontShowAgain);
                if (!Expect([&] { return IsDlgButtonChecked(confirm, kDontShowAgain) == BST_CHECKED; },
                            "the confirmation's check box takes a click"))
                    return false;
                m_dontShow = 1;
            }
            ClickButton(confirm, IDOK);
            if (!ExpectGone(confirm, "the confirmation closes with OK"))
                return false;
        }
    }
    const std::wstring line = on && switched ? text::kGpsOnCom7 : text::kGpsOff;
    if (!Expect([&] { return ItemText(settings, kGpsLine) == line; }, "the settings dialog shows GPS as \"" +
                                                                          Narrow(line) + "\" (it shows \"" +
                                                                          Narrow(ItemText(settings, kGpsLine)) + "\")"))
        return false;
    if ((simmodem::GetValue(L"GpsTracking", 0) != 0) != (on && switched))
        return Violation("the modem's GPS follows the settings dialog");
    return CloseSettings(settings) && Settle();
}

bool SoakTest::StepAbout()
{
    HWND menu = OpenMenu();
    if (!menu || !ChooseMenuItem(menu, kTrayMenu, kMenuAbout))
        return false;
    const bool modalLoop = VerifyDialog() != nullptr;
    HWND about = ExpectDialog(0, text::kAboutCaption, "the menu's version item opens the About dialog");
    return about && CloseDialogAnyWay(about, !modalLoop) && Settle();
}

bool SoakTest::StepMenuDismiss()
{
    HWND menu = OpenMenu();
    if (!menu)
        return false;
    DismissMenu(menu);
    return ExpectGone(menu, "Esc closes the menu") && Settle();
}

// A suspend takes the card's power (PIN1 is wanted again after it); the
// resume reloads the library and tries the modem ten seconds later.
bool SoakTest::StepSuspendResume()
{
    DWORD choice = 5;
    DwordOf(ReadProductKey(), L"GPSStatus", choice);
    const bool locked = m_random.Chance(40);
    if (locked) {
        Note("locked");
        PostSessionChange(m_window, kSessionLock);
    }
    PostPowerBroadcast(m_window, kPowerSuspend);
    if (!Settle())
        return false;
    if (!Expect([&] { return VisibleDialogs(m_pid).empty(); }, "a suspend closes every dialog"))
        return false;
    simmodem::PowerCycle();
    PostPowerBroadcast(m_window, kPowerResumeAutomatic);
    PostPowerBroadcast(m_window, m_random.Chance(80) ? kPowerResumeSuspend : kPowerResumeCritical);
    if (!Settle())
        return false;
    if (!Expect([&] { return Tray().TipOf(m_window) == TipText(text::kCardChecking, text::kGpsChecking); },
                "after a resume the tooltip says the state is being checked"))
        return false;
    if (locked)
        PostSessionChange(m_window, kSessionUnlock);
    m_boundMs = kBaseBoundMs + kFirstReconnectMs + kResumeDelayMs;
    const std::wstring tip = ExpectedTip();
    if (!Expect([&] { return Tray().TipOf(m_window) == tip; },
                "the modem is back after the resume (tooltip \"" + Narrow(Tray().TipOf(m_window)) + "\")"))
        return false;
    if (ReadCard().NeedsPin() &&
        !ExpectDialog(kVerifyPin, kVerifyCaption, "after a resume with PIN1 wanted the verify dialog opens"))
        return false;
    if (!Settle())
        return false;
    // The stored choice is put on the module again.
    if ((simmodem::GetValue(L"GpsTracking", 0) != 0) != (choice == 2))
        return Violation("after a resume GPS is as the stored GPSStatus " + std::to_string(choice) + " says");
    return true;
}

bool SoakTest::StepSessionPair(WPARAM first, WPARAM second)
{
    PostSessionChange(m_window, first);
    PostSessionChange(m_window, second);
    return Settle();
}

// Explorer restarted: a shell that knows no icon, then "TaskbarCreated".
bool SoakTest::StepTaskbarCreated()
{
    const std::wstring tip = ExpectedTip();
    Tray().RestartShell();
    if (!Expect([&] { return Tray().HasIcon(m_window) && Tray().TipOf(m_window) == tip; },
                "the icon comes back with its tooltip after TaskbarCreated"))
        return false;
    return Settle();
}

bool SoakTest::StepModemAbsent()
{
    CountFault("modem-absent");
    ++m_refusals;
    simmodem::SetValue(L"DeviceCount", 0);
    // Every request tries its link three times; a refresh makes four.
    m_boundMs = kBaseBoundMs + 4 * 3 * kLinkRetryMs;
    PostDeviceRefresh(m_window);
    if (!Settle())
        return false;
    return Expect([&] { return Tray().TipOf(m_window) == TipText(text::kUnknown, text::kUnknown); },
                  "without a modem the tooltip says the state is unknown (it says \"" + Narrow(Tray().TipOf(m_window)) +
                      "\")");
}

bool SoakTest::StepModemSlow()
{
    const std::uint32_t refusals = 1 + m_random.Below(2);
    Note(std::to_string(refusals) + " connect(s) refused");
    CountFault("modem-slow");
    simmodem::SetValue(L"ConnectFailures", refusals);
    m_boundMs = kBaseBoundMs + refusals * kLinkRetryMs;
    PostDeviceRefresh(m_window);
    if (!Settle())
        return false;
    // Within the link's three tries nothing shows.
    const std::wstring tip = ExpectedTip();
    return Expect([&] { return Tray().TipOf(m_window) == tip; },
                  "a modem slow to connect within the link's tries changes nothing (tooltip \"" +
                      Narrow(Tray().TipOf(m_window)) + "\")");
}

bool SoakTest::StepFailExport()
{
    struct Choice {
        const char* name;
        std::uint32_t mostCalls;
        DWORD retryMs;
    };
    const Choice refreshed[] = {
        {"UIMGetPINStatus", 2, 0},
        {"GetServiceAutomaticTracking", 4, kGpsReadRetryMs},
        {"QCWWANDisconnect", 2, 0},
        {"QCWWAN2kEnumerateDevices", 2, kLinkRetryMs},
        {"QCWWAN2kConnect", 2, kLinkRetryMs},
    };
    const Card card = ReadCard();
    const bool verifyOpen = VerifyDialog() != nullptr;
    std::vector<std::string> flows = {"refresh"};
    if (verifyOpen)
        flows.push_back("UIMVerifyPIN");
    if (!verifyOpen) {
        flows.push_back("SetServiceAutomaticTracking");
        if (card.Usable())
            flows.push_back("UIMSetPINProtection");
        if (card.Usable() && card.protection)
            flows.push_back("UIMChangePIN");
    }
    const std::string flow = flows[m_random.Below(static_cast<std::uint32_t>(flows.size()))];
    const std::uint32_t codes[] = {1, 6, 1003};
    const std::uint32_t code = codes[m_random.Below(3)];
    if (flow == "refresh") {
        const Choice& pick = refreshed[m_random.Below(5)];
        const std::uint32_t calls = 1 + m_random.Below(pick.mostCalls);
        Note(std::string(pick.name) + " fails " + std::to_string(calls) + "x with " + std::to_string(code));
        CountFault(std::string("fail:") + pick.name);
        simmodem::FailCalls(pick.name, code, calls);
        m_boundMs = kBaseBoundMs + 4 * calls * (pick.retryMs + kLinkRetryMs);
        PostDeviceRefresh(m_window);
        return Settle();
    }
    Note(flow + " fails once with " + std::to_string(code));
    CountFault("fail:" + flow);
    ++m_refusals;
    simmodem::FailCalls(flow.c_str(), code, 1);
    m_boundMs = kBaseBoundMs + 6 * kGpsReadRetryMs;
    if (flow == "UIMVerifyPIN") {
        // The right code, refused by the modem: an error message.
        return TypeCodes(VerifyDialog(), {{kVerifyPin, card.pin}}) && Settle();
    }
    HWND settings = OpenSettings();
    if (!settings)
        return false;
    if (flow == "SetServiceAutomaticTracking") {
        const bool on = simmodem::GetValue(L"GpsTracking", 0) == 0;
        ClickButton(settings, on ? kGpsOn : kGpsOff);
        if (on && m_dontShow == 0) {
            HWND confirm = ExpectDialog(kDontShowAgain, text::kCaption, "switching GPS on asks first");
            if (!confirm)
                return false;
            ClickButton(confirm, IDOK);
        }
    } else if (flow == "UIMSetPINProtection") {
        ClickButton(settings, card.protection ? kProtectOff : kProtectOn);
        HWND dialog = ExpectDialog(kVerifyPin, kVerifyCaption, "the protection switch asks for PIN1");
        if (!dialog || !TypeCodes(dialog, {{kVerifyPin, card.pin}}))
            return false;
    } else {
        ClickButton(settings, kChange);
        HWND dialog = ExpectDialog(kChangeOldPin, text::kChangeCaption, "the change dialog opens");
        const std::wstring newPin = OtherCode(card.pin, L"1234", L"2468");
        if (!dialog ||
            !TypeCodes(dialog, {{kChangeOldPin, card.pin}, {kChangeNewPin, newPin}, {kChangeConfirm, newPin}}))
            return false;
    }
    // Whatever the program said, the dialog is still there (a refused GPS
    // change closes it): the refresh that follows ends it.
    return Settle();
}

bool SoakTest::StepCardOutIn()
{
    CountFault("card-out-and-in");
    simmodem::SetValue(L"CardPresent", 0);
    PostDeviceRefresh(m_window);
    if (!Settle())
        return false;
    const std::wstring tip = ExpectedTip();
    if (!Expect([&] { return Tray().TipOf(m_window) == tip && !VerifyDialog(); },
                "without the card the tooltip says so and the verify dialog is not open (tooltip \"" +
                    Narrow(Tray().TipOf(m_window)) + "\")"))
        return false;
    simmodem::SetValue(L"CardPresent", 1);
    simmodem::PowerCycle();
    return true;
}

bool SoakTest::StepPowerCycle()
{
    CountFault("card-power-cycle");
    simmodem::PowerCycle();
    return true;
}

bool SoakTest::StepDriverBusy()
{
    const bool always = m_random.Chance(50);
    Note(always ? "every call" : "one call");
    CountFault(always ? "driver-busy-always" : "driver-busy-once");
    simdriver::SetFault(always ? simdriver::fault::kBusyAlways : simdriver::fault::kBusyOnce, 1);
    PostDeviceRefresh(m_window);
    return Settle();
}

bool SoakTest::StepCardSwap()
{
    CountFault("card-replaced");
    for (const wchar_t* name : {L"PinLeft", L"PukLeft", L"StatusOverride", L"Pin", L"Puk"})
        simmodem::ClearValue(name);
    simmodem::SetValue(L"CardPresent", 1);
    simmodem::SetValue(L"PinProtection", 1);
    simmodem::SetValue(L"PinVerified", 0);
    return true;
}

// ---------------------------------------------------------------- the run

Kind SoakTest::Choose()
{
    const Card card = ReadCard();
    const bool verifyOpen = VerifyDialog() != nullptr;
    const bool tracking = simmodem::GetValue(L"GpsTracking", 0) != 0;
    std::vector<const KindInfo*> open;
    unsigned total = 0;
    for (const KindInfo& info : kKinds) {
        const std::string name = info.name;
        if (!m_onlyKinds.empty() &&
            m_onlyKinds.find(L"," + std::wstring(name.begin(), name.end()) + L",") == std::wstring::npos)
            continue;
        bool fits = true;
        switch (info.kind) {
        case Kind::VerifyRight:
        case Kind::VerifyCancel:
            fits = verifyOpen;
            break;
        case Kind::VerifyWrong:
            fits = verifyOpen && card.pinLeft >= 2;
            break;
        case Kind::VerifyBlock:
            fits = verifyOpen && card.pinLeft == 1;
            break;
        case Kind::MenuVerify:
            fits = !verifyOpen && card.NeedsPin();
            break;
        case Kind::Unblock:
            fits = !verifyOpen && card.Blocked();
            break;
        case Kind::UnblockWrong:
            fits = !verifyOpen && card.Blocked() && card.pukLeft >= 3;
            break;
        case Kind::ChangePin:
            fits = !verifyOpen && card.Usable() && card.protection;
            break;
        case Kind::Protection:
            fits = !verifyOpen && card.Usable();
            break;
        case Kind::GpsOn:
            fits = !verifyOpen && !tracking;
            break;
        case Kind::GpsOff:
            fits = !verifyOpen && tracking;
            break;
        case Kind::Settings:
            fits = !verifyOpen;
            break;
        case Kind::CardSwap:
            fits = true;
            break;
        default:
            break;
        }
        if (info.kind == Kind::CardSwap && card.Locked()) {
            open.push_back(&info);
            total += 200; // a locked card is of no more use
            continue;
        }
        if (fits) {
            open.push_back(&info);
            total += info.weight;
        }
    }
    if (total == 0)
        return Kind::DeviceRefresh;
    std::uint32_t pick = m_random.Below(total);
    for (const KindInfo* info : open) {
        const unsigned weight = info->kind == Kind::CardSwap && card.Locked() ? 200 : info->weight;
        if (pick < weight)
            return info->kind;
        pick -= weight;
    }
    return Kind::DeviceRefresh;
}

bool SoakTest::RunStep(Kind kind)
{
    m_boundMs = kBaseBoundMs;
    bool ok = false;
    bool refreshAfter = false;
    switch (kind) {
    case Kind::VerifyRight:
    case Kind::VerifyWrong:
    case Kind::VerifyBlock:
    case Kind::VerifyCancel:
        ok = StepVerify(kind);
        break;
    case Kind::MenuVerify:
        ok = StepMenuVerify();
        break;
    case Kind::Settings:
        ok = StepSettings();
        break;
    case Kind::Unblock:
    case Kind::UnblockWrong:
        ok = StepUnblock(kind == Kind::Unblock);
        break;
    case Kind::ChangePin:
        ok = StepChangePin();
        break;
    case Kind::Protection:
        ok = StepProtection();
        break;
    case Kind::GpsOn:
    case Kind::GpsOff:
        ok = StepGps(kind == Kind::GpsOn);
        break;
    case Kind::About:
        ok = StepAbout();
        break;
    case Kind::MenuDismiss:
        ok = StepMenuDismiss();
        break;
    case Kind::SuspendResume:
        ok = StepSuspendResume();
        break;
    case Kind::LockUnlock:
        ok = StepSessionPair(kSessionLock, kSessionUnlock);
        break;
    case Kind::ConsoleCycle:
        ok = StepSessionPair(kSessionConsoleDisconnect, kSessionConsoleConnect);
        break;
    case Kind::TaskbarCreated:
        ok = StepTaskbarCreated();
        break;
    case Kind::DeviceRefresh:
        ok = true;
        refreshAfter = true;
        break;
    case Kind::ModemAbsent:
        ok = StepModemAbsent();
        refreshAfter = true;
        break;
    case Kind::ModemSlow:
        ok = StepModemSlow();
        refreshAfter = true;
        break;
    case Kind::FailExport:
        ok = StepFailExport();
        refreshAfter = true;
        break;
    case Kind::CardOutIn:
        ok = StepCardOutIn();
        refreshAfter = true;
        break;
    case Kind::PowerCycle:
        ok = StepPowerCycle();
        refreshAfter = true;
        break;
    case Kind::DriverBusy:
        ok = StepDriverBusy();
        refreshAfter = true;
        break;
    case Kind::CardSwap:
        ok = StepCardSwap();
        refreshAfter = true;
        break;
    }
    if (ok && refreshAfter)
        ok = RefreshClean();
    return ok;
}

// Empty when the product key is as the program may leave it: GPSStatus the
// state last read from the module, DontShowConfirmDialog changed only by
// the confirmation's check box, nothing else written or removed.
std::string SoakTest::KeyProblem()
{
    const auto key = ReadProductKey();
    for (const auto& value : key) {
        if (value.first == L"GPSStatus" || value.first == L"DontShowConfirmDialog")
            continue;
        const auto before = m_key.find(value.first);
        if (before == m_key.end() || !(before->second == value.second))
            return "the product key holds no value the program may not write (" + Narrow(value.first) + ")";
    }
    for (const auto& value : m_key) {
        if (key.find(value.first) == key.end())
            return "no value of the product key goes (" + Narrow(value.first) + ")";
    }
    DWORD gpsStatus = 9;
    const DWORD tracking = simmodem::GetValue(L"GpsTracking", 0) != 0 ? 2 : 0;
    if (!DwordOf(key, L"GPSStatus", gpsStatus) || gpsStatus != tracking)
        return "GPSStatus holds the state last read from the modem (" + std::to_string(gpsStatus) + ", the modem's " +
               std::to_string(tracking) + ")";
    DWORD dontShow = 9;
    if (!DwordOf(key, L"DontShowConfirmDialog", dontShow) || dontShow != m_dontShow)
        return "DontShowConfirmDialog changes only with the confirmation's check box (" + std::to_string(dontShow) +
               ")";
    return std::string();
}

bool SoakTest::CheckInvariants()
{
    if (!Answering())
        return false;
    // The tooltip tells the simulated card and GPS as they are now.
    const std::wstring tip = ExpectedTip();
    if (!Expect([&] { return Tray().TipOf(m_window) == tip; }, "the tooltip agrees with the card and GPS (it says \"" +
                                                                   Narrow(Tray().TipOf(m_window)) +
                                                                   "\", the platform says \"" + Narrow(tip) + "\")"))
        return false;

    // The product key: GPSStatus the last state read from the module,
    // DontShowConfirmDialog only by the confirmation's check box, nothing
    // else written.
    std::string problem;
    if (!WaitFor([&] { return (problem = KeyProblem()).empty(); }, m_boundMs))
        return Violation(problem);

    // Dialogs: each has its owner, no message is left, no stray dialog.
    const Card card = ReadCard();
    WaitFor(
        [&] {
            const std::vector<HWND> dialogs = VisibleDialogs(m_pid);
            return dialogs.empty() || (dialogs.size() == 1 && dialogs[0] == VerifyDialog());
        },
        m_boundMs);
    for (HWND dialog : VisibleDialogs(m_pid)) {
        const HWND owner = GetWindow(dialog, GW_OWNER);
        DWORD ownerPid = 0;
        if (!owner || !GetWindowThreadProcessId(owner, &ownerPid) || ownerPid != m_pid)
            return Violation("no dialog is left without its owner (\"" + Narrow(TextOf(dialog)) + "\")");
        if (dialog != VerifyDialog())
            return Violation("no dialog is left open after a step (\"" + Narrow(TextOf(dialog)) + "\")");
    }
    if (card.Usable() && VerifyDialog())
        return Violation("when the card is usable the verify dialog is not open");

    // The log: only the program's own lines, and only from this process.
    std::ifstream log(Narrow(Home() + L"\\BRINDLELOG.txt"), std::ios::binary);
    if (log) {
        log.seekg(static_cast<std::streamoff>(m_logOffset));
        std::string rest((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
        size_t lineStart = 0;
        for (size_t end; (end = rest.find('\n', lineStart)) != std::string::npos; lineStart = end + 1) {
            std::string line = rest.substr(lineStart, end - lineStart);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            LogLine parsed;
            if (!ParseLogLine(line, parsed) || parsed.processId != m_pid || !soak::IsQuotedLogLine(parsed.message))
                return Violation("the debug log holds only the program's own lines (\"" + line + "\")");
            ++m_logLines;
        }
        m_logOffset += lineStart;
    }
    if (m_logSwitchedOn && m_refusals > 0 && m_logLines == 0)
        return Violation("with BRINDLEReleaseDebugPrintEnable 1 the debug log holds the program's lines after " +
                         std::to_string(m_refusals) + " refused request(s) (" +
                         (log ? "the log has none of them" : "there is no log") + ")");
    return true;
}

bool SoakTest::Violation(const std::string& invariant)
{
    if (m_violation.empty())
        m_violation = invariant;
    return false;
}

void SoakTest::Report(const std::string& invariant)
{
    std::ostringstream out;
    const Card card = ReadCard();
    out << "\nSOAK VIOLATION\n  seed " << m_seed << ", step " << m_step << "\n  invariant: " << invariant
        << "\n  card: present " << card.present << ", protection " << card.protection << ", verified " << card.verified
        << ", PIN1 attempts " << card.pinLeft << ", unblock attempts " << card.pukLeft << "; GPS tracking "
        << simmodem::GetValue(L"GpsTracking", 0) << "; dialogs " << DescribeDialogs() << "\n  last steps:\n";
    for (const std::string& line : m_recent)
        out << "    " << line << "\n";
    out << "  replay: tools/soak --seed " << m_seed << " --replay-to " << m_step << "\n";
    std::printf("%s", out.str().c_str());
    std::fflush(stdout);
    ADD_FAILURE() << out.str();
}

// Wine 8 answers GetProcessHandleCount and GetGuiResources with 0 (stubs);
// its system handle list does show each process's handles, and the windows of
// the process (top-level and children) are the USER objects it owns that can
// be counted from outside. GDI objects cannot be counted from outside.
void SoakTest::SampleObjects(DWORD& handles, DWORD& gdi, DWORD& user)
{
    handles = ProcessHandleCount(m_pid);
    gdi = GetGuiResources(m_brindle->Handle(), GR_GDIOBJECTS);
    user = CountWindows(m_pid);
}

void SoakTest::WriteProgress(unsigned steps, double seconds)
{
    if (m_progressFile.empty())
        return;
    DWORD handles = 0, gdi = 0, user = 0;
    SampleObjects(handles, gdi, user);
    FILE* file = _wfopen(m_progressFile.c_str(), L"w");
    if (!file)
        return;
    std::fprintf(file, "%u %u %.1f %lu %lu %lu %lu\n", steps, m_faultTotal, seconds, m_pid, handles, gdi, user);
    std::fclose(file);
}

void SoakTest::RunSoak()
{
    m_seed = EnvNumber(L"BRINDLE_SOAK_SEED", 20261209);
    const unsigned maxSteps = static_cast<unsigned>(EnvNumber(L"BRINDLE_SOAK_STEPS", 150));
    const std::uint64_t seconds = EnvNumber(L"BRINDLE_SOAK_SECONDS", 0);
    const unsigned replayTo = static_cast<unsigned>(EnvNumber(L"BRINDLE_SOAK_REPLAY_TO", 0));
    m_progressFile = EnvText(L"BRINDLE_SOAK_PROGRESS");
    if (!EnvText(L"BRINDLE_SOAK_KINDS").empty())
        m_onlyKinds = L"," + EnvText(L"BRINDLE_SOAK_KINDS") + L",";
    m_random = soak::CSoakRandom(m_seed);

    // A machine with the GPS option, the About texts, the card wanting
    // PIN1; WMI slow to answer the port search at the start.
    ASSERT_TRUE(ProductKey().SetDword(L"GPSOption", 1));
    ASSERT_TRUE(ProductKey().SetString(L"Version", L"Version 1.0.0"));
    ASSERT_TRUE(ProductKey().SetString(L"Copyright", L"Copyright (C) Norvane"));
    ProductKey().DeleteValue(L"GPSStatus");
    ProductKey().DeleteValue(L"DontShowConfirmDialog");
    simwmi::SetValue(simwmi::kTimeoutsBefore, 2);
    CountFault("wmi-timeout");
    m_brindle = StartBrindle();
    ASSERT_NE(nullptr, m_brindle);
    m_pid = m_brindle->Id();
    simwmi::Reset();
    ASSERT_NE(nullptr, WaitForDialog(m_pid, kVerifyPin, kVerifyCaption, kStepMs)) << DescribeLog();
    m_key = ReadProductKey();
    DWORD logSwitch = 0;
    m_logSwitchedOn = DwordOf(m_key, L"BRINDLEReleaseDebugPrintEnable", logSwitch) && logSwitch == 1;
    std::printf("soak: seed %llu, brindle.exe process %lu, %u steps at most%s\n",
                static_cast<unsigned long long>(m_seed), m_pid, maxSteps,
                seconds ? (", " + std::to_string(seconds) + " s").c_str() : "");
    std::fflush(stdout);

    const DWORD startedAt = GetTickCount();
    DWORD handles0 = 0, gdi0 = 0, user0 = 0;
    unsigned warmStep = 0;
    soak::HeapCensus heap0;
    bool stopped = false;
    for (m_step = 1; m_step <= maxSteps; ++m_step) {
        const double elapsed = (GetTickCount() - startedAt) / 1000.0;
        if (seconds && elapsed >= seconds)
            break;
        const Kind kind = Choose();
        const KindInfo& info = InfoOf(kind);
        if (replayTo && m_step == replayTo) {
            std::printf("soak: stopped before step %u (%s); brindle.exe (process %lu) runs on until it is ended, "
                        "e.g. with simctl send exit\n",
                        m_step, info.name, m_pid);
            std::fflush(stdout);
            while (m_brindle->IsRunning())
                m_brindle->WaitForExit(60000);
            return;
        }
        m_detail.clear();
        const bool ok = RunStep(kind) && CheckInvariants();
        std::string line = std::to_string(m_step) + " " + info.name + (m_detail.empty() ? "" : " (" + m_detail + ")");
        m_recent.push_back(line);
        if (m_recent.size() > kRecentSteps)
            m_recent.pop_front();
        ++m_steps[info.name];
        if (!ok) {
            ++m_violations;
            Report(m_violation);
            stopped = true;
            break;
        }
        if (m_step == kWarmUpSteps) {
            SampleObjects(handles0, gdi0, user0);
            // A first load of the census may leave something in the program
            // for good (the loader's and its thread's first allocations), so
            // the count the end is compared with is the second.
            soak::HeapCensus priming;
            if (!soak::TakeHeapCensus(m_brindle->Handle(), priming) ||
                !soak::TakeHeapCensus(m_brindle->Handle(), heap0)) {
                ++m_violations;
                Report("the heap census can be taken at the warm-up");
                stopped = true;
                break;
            }
            warmStep = m_step;
        }
        WriteProgress(m_step, (GetTickCount() - startedAt) / 1000.0);
        if (m_step % 50 == 0) {
            std::printf("soak: %u steps, %u faults, %.0f s\n", m_step, m_faultTotal, elapsed);
            std::fflush(stdout);
        }
    }
    const unsigned done = stopped ? m_step : m_step - 1;
    const double elapsed = (GetTickCount() - startedAt) / 1000.0;
    DWORD handles = 0, gdi = 0, user = 0;
    soak::HeapCensus heap;
    bool heapTaken = false;
    if (!stopped) {
        SampleObjects(handles, gdi, user);
        // The census costs the program's memory a one-time megabyte or so
        // (Wine keeps what the loading thread used), so tools/soak samples
        // no more once the progress file is gone: it goes before the last
        // census.
        if (!m_progressFile.empty())
            DeleteFileW(m_progressFile.c_str());
        heapTaken = warmStep && soak::TakeHeapCensus(m_brindle->Handle(), heap);
        if (warmStep && !heapTaken)
            Leak("the heap census can be taken at the end");
        if (heapTaken && done > warmStep)
            JudgeGrowth(done - warmStep, handles0, handles, heap0, heap);
    }

    std::printf("\nsoak summary: seed %llu, %u steps in %.0f s, %u faults, %u messages confirmed\n",
                static_cast<unsigned long long>(m_seed), done, elapsed, m_faultTotal, m_messages);
    std::printf("  %-34s %8s\n", "steps by kind", "count");
    for (const auto& entry : m_steps)
        std::printf("  %-34s %8u\n", entry.first.c_str(), entry.second);
    std::printf("  %-34s %8s\n", "faults by kind", "count");
    for (const auto& entry : m_faults)
        std::printf("  %-34s %8u\n", entry.first.c_str(), entry.second);
    std::printf("  %-34s %8u\n  %-34s %8u\n", "violations", m_violations + static_cast<unsigned>(m_leaks.size()),
                "crashes or hangs", m_crashes);
    std::printf("  %-34s %8u (%s)\n", "debug-log lines of the program", m_logLines,
                m_logSwitchedOn ? "switched on" : "switched off");
    if (!stopped && warmStep) {
        std::printf("  %-34s %8lu -> %lu (Wine's handle list)\n", "handles after warm-up", handles0, handles);
        std::printf("  %-34s %8lu -> %lu (GetGuiResources: a stub in Wine 8)\n", "GDI objects after warm-up", gdi0,
                    gdi);
        std::printf("  %-34s %8lu -> %lu (windows of the process)\n", "USER objects after warm-up", user0, user);
    }
    if (heapTaken) {
        const OwnGrowth own = OwnHeapGrowth(heap0, heap);
        std::printf("  %-34s %8lu -> %lu blocks, %lu -> %lu bytes (%lu heaps)\n", "all heaps after warm-up",
                    heap0.blocks, heap.blocks, heap0.bytes, heap.bytes, heap.heaps);
        std::printf("  of its growth, Wine 8's static-control blocks (12 bytes naming a dialog's font): %+lld\n",
                    own.wineBlocks);
        std::printf("  the program's own growth: %+lld blocks, %+lld bytes, %+.1f bytes per 1,000 steps (bound %.0f)\n",
                    own.blocks, own.bytes, own.bytes * 1000.0 / (done - warmStep), kHeapBoundPer1000Steps);
    } else {
        std::printf("  heaps: no census taken\n");
    }
    if (heapTaken && done > warmStep) {
        std::printf("  handle growth per 1,000 steps after warm-up: %+.1f\n",
                    (static_cast<double>(handles) - handles0) * 1000.0 / (done - warmStep));
    }
    for (const std::string& leak : m_leaks)
        std::printf("SOAK LEAK: %s\n", leak.c_str());
    std::fflush(stdout);
    if (stopped)
        return;

    // The end of the day: the menu's exit, GPS off, the choice kept.
    DWORD choice = 9;
    DwordOf(ReadProductKey(), L"GPSStatus", choice);
    ASSERT_TRUE(PostMenuCommand(m_window, kCmdExit));
    ExpectOrderlyExit(*m_brindle);
    // A modem whose GPS was never switched has no value: off, as the stand-in reads it.
    EXPECT_EQ(0u, simmodem::GetValue(L"GpsTracking", 0)) << "GPS is switched off at exit";
    DWORD after = 9;
    EXPECT_TRUE(DwordOf(ReadProductKey(), L"GPSStatus", after));
    EXPECT_EQ(choice, after) << "the stored GPS choice survives the exit";
}

void SoakTest::Leak(const std::string& what)
{
    m_leaks.push_back(what);
    ADD_FAILURE() << "seed " << m_seed << ": " << what;
}

// Judged from the warm-up to the end, when no step is under way: handles
// must not grow at all; the heaps by no more than the bound, Wine 8's
// static-control blocks (the platform's, see HeapCensus.cpp) apart.
void SoakTest::JudgeGrowth(unsigned steps, DWORD handles0, DWORD handles, const soak::HeapCensus& heap0,
                           const soak::HeapCensus& heap)
{
    if (handles > handles0)
        Leak("handles do not grow after the warm-up (" + std::to_string(handles0) + " -> " + std::to_string(handles) +
             " over " + std::to_string(steps) + " steps)");
    const long long bytes = OwnHeapGrowth(heap0, heap).bytes;
    const double per1000 = bytes * 1000.0 / steps;
    if (per1000 > kHeapBoundPer1000Steps) {
        char figure[160];
        std::snprintf(figure, sizeof figure, "%+lld bytes over %u steps, %+.1f per 1,000 steps, bound %.0f", bytes,
                      steps, per1000, kHeapBoundPer1000Steps);
        Leak(std::string("the program's own heap does not grow after the warm-up (") + figure + ")");
    }
}

TEST_F(SoakTest, SeededSequenceKeepsEveryInvariant)
{
    RunSoak();
}

} // namespace
} // namespace e2e
