// brindle.exe when things go wrong: another user's instance, a shell that
// goes away or never takes the icon, a modem that fails the verify flow,
// power and session events that must or must not start a reconnect, and a
// library that is gone after a resume. Events are sent, not posted, as
// Windows sends them: when the send returns, the program has handled the
// event, so what did not happen has not happened.
#include "sim/gobiapi/SimModemControl.h"
#include "tests/e2e/BrindleFixture.h"
#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/MessagePump.h"
#include "tests/e2e/MessageText.h"
#include "tests/e2e/RemoteDialog.h"
#include "tests/e2e/RemotePopupMenu.h"

namespace e2e {
namespace {

namespace text = brindletext;

constexpr DWORD kFirstTryMs = 10000;
constexpr DWORD kShortResumeDelayMs = 300;
const char kSuspendDisconnectFailed[] = "DisconnectModem:FAIL (QCWWANDisconnect)";

class CHeldMutex : CUncopyable {
public:
    explicit CHeldMutex(const wchar_t* name)
        : m_handle(CreateMutexW(nullptr, TRUE, name)),
          m_held(m_handle != nullptr && GetLastError() != ERROR_ALREADY_EXISTS)
    {
    }
    ~CHeldMutex()
    {
        if (m_handle) {
            ReleaseMutex(m_handle);
            CloseHandle(m_handle);
        }
    }
    bool Held() const { return m_held; }

private:
    HANDLE m_handle;
    bool m_held;
};

class BrindleFailureTest : public BrindleTest {
protected:
    bool Deliver(UINT message, WPARAM wParam, LPARAM lParam = 0)
    {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutW(m_window, message, wParam, lParam, SMTO_NORMAL, kStepMs, &ignored) != 0;
    }

    // The menu item at position is greyed while the dialog (controlId,
    // caption) is not up: choosing it must not open that dialog. A command
    // the menu posted comes before the About command posted after it, so
    // once the About box shows the chosen item has had its turn.
    void ExpectGreyedNow(const CTestProcess& brindle, unsigned position, int controlId, const wchar_t* caption)
    {
        SCOPED_TRACE("menu item " + std::to_string(position) + ", expected greyed");
        HWND menu = OpenTrayMenu(brindle);
        ASSERT_NE(nullptr, menu);
        ASSERT_TRUE(ChooseMenuItem(menu, kTrayMenu, position));
        ASSERT_TRUE(WaitFor([&] { return FindPopupMenu(brindle.Id()) == nullptr; }, kStepMs));
        ASSERT_TRUE(PostMenuCommand(m_window, kCmdAbout));
        HWND about = WaitForDialog(brindle.Id(), kAboutVersion, kAboutCaption, kStepMs);
        ASSERT_NE(nullptr, about) << DescribeLog();
        EXPECT_EQ(nullptr, FindDialog(brindle.Id(), controlId, caption)) << "the greyed item opened its dialog";
        ASSERT_TRUE(ClickButton(about, IDOK));
        EXPECT_TRUE(WaitForWindowGone(about, kStepMs));
    }

    // The tip is set again at the end of every flow from the menu.
    bool WaitForFlowEnd(size_t modifiesBefore)
    {
        return WaitFor([&] { return Tray().CountOf(NIM_MODIFY, m_window) > modifiesBefore; }, kStepMs);
    }
};

TEST_F(BrindleFailureTest, AnotherUsersInstanceIsToldAndTheStartEndsWithOne)
{
    CHeldMutex held(L"Global\\9C6A5858_5A22_4EF0_B91D_6CF8EDE0AC5E");
    ASSERT_TRUE(held.Held());
    CTestProcess* brindle = Start(OptionsFor(m_program));
    ASSERT_NE(nullptr, brindle);
    ASSERT_TRUE(ConfirmMessage(*brindle, text::kOtherUser, text::kOsUnsupported));
    const EndOfStart end = WatchUntilEnd(*brindle, kStepMs);
    EXPECT_TRUE(end.ended);
    EXPECT_EQ(1u, end.exitCode);
    EXPECT_FALSE(end.madeMainWindow);
    EXPECT_TRUE(Tray().Calls().empty());
    EXPECT_EQ(0u, simmodem::CallCount("QCWWAN2kEnumerateDevices"));
}

// One start against a shell that goes away. While its notification area is
// gone, tip updates fail at once and the program keeps answering; the
// restarted shell gets the icon back with the tip of that moment. Then a
// message is open when a restarted shell never takes the icon (NIM_ADD, then
// NIM_MODIFY, a hundred times a second apart): the program closes the
// message, says why it ends, and ends.
TEST_F(BrindleFailureTest, AShellThatGoesAwayHoldsNothingAndARefusedIconEndsTheProgramWithItsMessage)
{
    constexpr size_t kTries = 100;
    constexpr DWORD kGiveUpMs = 200000;
    simmodem::SetValue(L"PinVerified", 1);
    CTestProcess* brindle = StartBrindle();
    ASSERT_NE(nullptr, brindle);
    const DWORD pid = brindle->Id();
    ASSERT_TRUE(WaitForTip(TipText(text::kUsable))) << TipNow();

    // The program handles sent messages while it calls the shell, so only a
    // posted round trip can show that the updates before it let go.
    Tray().SetAnswer(NIM_MODIFY, CFakeTray::Answer::Refuse);
    simmodem::SetValue(L"CardPresent", 0);
    size_t modifies = Tray().CountOf(NIM_MODIFY, m_window);
    ASSERT_TRUE(PostDeviceRefresh(m_window));
    ASSERT_TRUE(WaitFor([&] { return Tray().CountOf(NIM_MODIFY, m_window) > modifies; }, kStepMs));
    modifies = Tray().CountOf(NIM_MODIFY, m_window);
    for (int update = 0; update < 4; ++update)
        ASSERT_TRUE(PostMessageW(m_window, kTrayUpdate, 0, 0));
    ASSERT_TRUE(PostMenuCommand(m_window, kCmdAbout));
    HWND about = WaitForDialog(pid, kAboutVersion, kAboutCaption, kStepMs);
    ASSERT_NE(nullptr, about) << "the updates hold the program";
    EXPECT_EQ(modifies + 4, Tray().CountOf(NIM_MODIFY, m_window)) << "one try per update";
    ASSERT_TRUE(ClickButton(about, IDOK));
    ASSERT_TRUE(WaitForWindowGone(about, kStepMs));
    EXPECT_EQ(TipText(text::kUsable), Tray().TipOf(m_window)) << TipNow();
    Tray().RestartShell();
    EXPECT_TRUE(WaitForTip(TipText(text::kCardAbsent))) << TipNow();

    Tray().SetAnswer(NIM_ADD, CFakeTray::Answer::Refuse);
    simmodem::SetValue(L"CardPresent", 1);
    simmodem::FailCalls("UIMGetPINStatus", 1234, 1);
    ASSERT_TRUE(PostMenuCommand(m_window, kCmdVerifyPin));
    HWND open = WaitForMessageWindow(pid, text::kCaption, kStepMs);
    ASSERT_NE(nullptr, open) << DescribeLog();
    Tray().ClearCalls();
    Tray().RestartShell();
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(open); }, kGiveUpMs)) << "the open message stays";
    ASSERT_TRUE(ConfirmMessage(*brindle, text::kCannotStartYet, text::ErrorCode(22, 6)));
    ASSERT_TRUE(brindle->WaitForExit(kStepMs)) << "still running after the message";
    EXPECT_EQ(0u, brindle->ExitCode());
    EXPECT_EQ(kTries, Tray().CountOf(NIM_ADD, m_window));
}

// One start, PIN1 needed, codes of no minimum and at most 8 digits, and an
// unblock-code length no code can meet: the PIN1 lengths reach the verify
// dialog, where an empty code is still too short, the unblock lengths fall
// back to their defaults, every failure of the modem in the verify flow is
// told with its own message, the menu greys what must wait, a library that
// is gone after a resume is logged, and the exit logs its failed disconnect
// once.
TEST_F(BrindleFailureTest, VerifyFlowTellsEachModemFailure)
{
    ASSERT_TRUE(ProductKey().SetDword(L"PinMin", 0));
    ASSERT_TRUE(ProductKey().SetDword(L"PinMax", 8));
    ASSERT_TRUE(ProductKey().SetDword(L"PukMax", 0));
    simmodem::SetText(L"Pin", L"123456");
    // A copy beside a library of its own, which the test takes away later.
    const std::wstring program = CopyProgramWithLibrary(m_program, L"full");
    ASSERT_FALSE(program.empty());
    LaunchOptions options = OptionsFor(program);
    options.dllFolders.clear();
    CTestProcess* brindle = Start(options);
    ASSERT_NE(nullptr, brindle);
    ASSERT_TRUE(WaitUntilStarted(*brindle));
    const DWORD pid = brindle->Id();

    HWND verify = WaitForDialog(pid, kVerifyPin, kVerifyCaption, kStepMs);
    ASSERT_NE(nullptr, verify) << DescribeLog();
    DWORD_PTR limit = 0;
    ASSERT_TRUE(
        SendMessageTimeoutW(GetDlgItem(verify, kVerifyPin), EM_GETLIMITTEXT, 0, 0, SMTO_NORMAL, kStepMs, &limit));
    EXPECT_EQ(8u, limit);
    ASSERT_TRUE(ClickButton(verify, IDOK));
    ASSERT_TRUE(ConfirmMessage(*brindle, text::Pin1Length(1, 8), text::kPinWrong));
    EXPECT_TRUE(IsWindow(verify)) << "an empty code ends the dialog";
    EXPECT_EQ(0u, simmodem::CallCount("UIMVerifyPIN"));
    EXPECT_EQ(1u, CountLogMessages("ReadSettings:FAIL (PukMin 8 PukMax 0)", pid)) << DescribeLog();

    // 40002 waits while the verify dialog is up.
    ExpectGreyedNow(*brindle, kMenuOpenSettings, kSettingsPinLine, text::kCaption);

    // A wrong code, then the attempts cannot be read: both are told.
    simmodem::FailCalls("UIMGetPINStatus", 77, 1);
    ASSERT_TRUE(SetItemText(verify, kVerifyPin, L""));
    ASSERT_TRUE(TypeInto(verify, kVerifyPin, L"6543210"));
    size_t modifies = Tray().CountOf(NIM_MODIFY, m_window);
    ASSERT_TRUE(ClickButton(verify, IDOK));
    ASSERT_TRUE(ConfirmMessage(*brindle, text::kPinWrong, text::kPinBlocked));
    ASSERT_TRUE(ConfirmMessage(*brindle, text::ErrorCode(22, 6), text::kPinWrong));
    EXPECT_TRUE(WaitForFlowEnd(modifies));
    EXPECT_EQ(nullptr, FindDialog(pid, kVerifyPin, kVerifyCaption)) << "asked again without the attempts";
    EXPECT_EQ(1u, simmodem::CallCount("UIMVerifyPIN"));

    // The attempts query from the menu fails: no link at all, or the query.
    struct QueryFailure {
        const char* exportName;
        std::uint32_t code;
        std::uint32_t calls;
        std::wstring shown;
        std::wstring mistaken;
    };
    for (const QueryFailure& f : {QueryFailure{"QCWWAN2kConnect", 1, 3, text::kNoDevice, text::kCommFailed},
                                  QueryFailure{"UIMGetPINStatus", 1234, 1, text::ErrorCode(22, 6), text::kNoDevice}}) {
        SCOPED_TRACE(f.exportName);
        simmodem::FailCalls(f.exportName, f.code, f.calls);
        modifies = Tray().CountOf(NIM_MODIFY, m_window);
        ASSERT_TRUE(PostMenuCommand(m_window, kCmdVerifyPin));
        ASSERT_TRUE(ConfirmMessage(*brindle, f.shown, f.mistaken));
        EXPECT_TRUE(WaitForFlowEnd(modifies));
        EXPECT_EQ(nullptr, FindDialog(pid, kVerifyPin, kVerifyCaption));
    }

    // The verification itself answers something unexpected.
    ASSERT_TRUE(PostMenuCommand(m_window, kCmdVerifyPin));
    verify = WaitForDialog(pid, kVerifyPin, kVerifyCaption, kStepMs);
    ASSERT_NE(nullptr, verify) << DescribeLog();
    EXPECT_EQ(Narrow(PinAttemptsNote(2)), Narrow(ItemText(verify, kVerifyNote)));
    simmodem::FailCalls("UIMVerifyPIN", 4242, 1);
    ASSERT_TRUE(TypeInto(verify, kVerifyPin, L"123456"));
    modifies = Tray().CountOf(NIM_MODIFY, m_window);
    ASSERT_TRUE(ClickButton(verify, IDOK));
    ASSERT_TRUE(ConfirmMessage(*brindle, text::ErrorCode(22, 3), text::kPinWrong));
    EXPECT_TRUE(WaitForFlowEnd(modifies));
    EXPECT_EQ(2u, simmodem::GetValue(L"PinLeft", 3)) << "the refused call cost an attempt";

    // 40003 waits while the settings dialog is up and is back after it; a
    // 40003 posted as a start-up, refresh or resume posts it leaves the
    // settings dialog, which offers the verification itself, to the user.
    ASSERT_TRUE(PostMenuCommand(m_window, kCmdOpenSettings));
    HWND settings = WaitForDialog(pid, kSettingsPinLine, text::kCaption, kStepMs);
    ASSERT_NE(nullptr, settings) << DescribeLog();
    ASSERT_TRUE(PostMenuCommand(m_window, kCmdVerifyPin));
    ExpectGreyedNow(*brindle, kMenuVerifyPin, kVerifyPin, kVerifyCaption);
    EXPECT_TRUE(WaitFor([&] { return ItemEnabled(settings, kSettingsVerify); }, kStepMs));
    ASSERT_TRUE(PressKey(settings, VK_ESCAPE));
    ASSERT_TRUE(WaitForWindowGone(settings, kStepMs));
    HWND menu = OpenTrayMenu(*brindle);
    ASSERT_NE(nullptr, menu);
    ASSERT_TRUE(ChooseMenuItem(menu, kTrayMenu, kMenuVerifyPin));
    EnterPin(*brindle, L"123456", 2);
    EXPECT_TRUE(WaitForTip(TipText(text::kUsable))) << TipNow() << DescribeLog();

    // The library is gone when the machine wakes up: the suspend finds no
    // link to end, and the reload after the resume fails.
    const std::wstring library = program.substr(0, program.rfind(L'\\')) + L"\\GobiApi.dll";
    ASSERT_TRUE(MoveFileW(library.c_str(), (library + L".away").c_str())) << "error " << GetLastError();
    ASSERT_TRUE(Deliver(WM_POWERBROADCAST, kPowerSuspend));
    EXPECT_EQ(1u, CountLogMessages(kSuspendDisconnectFailed, pid)) << DescribeLog();
    ASSERT_TRUE(Deliver(WM_POWERBROADCAST, kPowerResumeSuspend));
    EXPECT_EQ(1u, CountLogMessages("LoadQMI() : Loading GobiApi.dll failed.", pid)) << DescribeLog();
    EXPECT_EQ(1u, CountLogMessages("PrepareConnectModem:FAIL (ReloadQMI)", pid)) << DescribeLog();
    ASSERT_TRUE(PostMenuCommand(m_window, kCmdExit));
    ExpectOrderlyExit(*brindle);
    EXPECT_EQ(2u, CountLogMessages(kSuspendDisconnectFailed, pid))
        << "one at the suspend, one at the exit" << DescribeLog();
}

// One start with GPS on and PIN1 verified: which resumes count, the console
// holding the reconnect back, and the end of the Windows session.
TEST_F(BrindleFailureTest, ResumesConsoleAndSessionEnd)
{
    ASSERT_TRUE(ProductKey().SetDword(L"GPSOption", 1));
    ASSERT_TRUE(ProductKey().SetDword(L"GPSStatus", 2));
    ASSERT_TRUE(ProductKey().SetDword(L"ResumeDelay", kShortResumeDelayMs));
    ASSERT_TRUE(ProductKey().SetDword(L"ResumeTryCount", 1));
    simmodem::SetValue(L"PinVerified", 1);
    CTestProcess* brindle = StartBrindle();
    ASSERT_NE(nullptr, brindle);
    const DWORD pid = brindle->Id();
    const std::wstring usable = TipText(text::kUsable, text::kGpsOnCom7);
    EXPECT_TRUE(WaitForTip(usable)) << TipNow();

    // Windows' own resume without a user: nothing is checked or reloaded.
    // A tip update posted after it comes after whatever it posted.
    const size_t modifies = Tray().CountOf(NIM_MODIFY, m_window);
    const std::uint32_t disconnects = simmodem::CallCount("QCWWANDisconnect");
    ASSERT_TRUE(Deliver(WM_POWERBROADCAST, kPowerResumeAutomatic));
    EXPECT_EQ(disconnects, simmodem::CallCount("QCWWANDisconnect")) << "the library was reloaded";
    ASSERT_TRUE(PostMessageW(m_window, kTrayUpdate, 0, 0));
    ASSERT_TRUE(WaitFor([&] { return Tray().CountOf(NIM_MODIFY, m_window) > modifies; }, kStepMs));
    ASSERT_TRUE(Deliver(WM_NULL, 0));
    EXPECT_EQ(modifies + 1, Tray().CountOf(NIM_MODIFY, m_window)) << "the resume changed the tip too";
    EXPECT_EQ(usable, Tray().TipOf(m_window)) << TipNow();

    // Suspended and resumed (the critical way) while the console is
    // elsewhere: the state is being checked, but nobody is asked until the
    // console is back, however many delays pass.
    ASSERT_TRUE(Deliver(WM_WTSSESSION_CHANGE, kSessionConsoleDisconnect, 1));
    ASSERT_TRUE(Deliver(WM_POWERBROADCAST, kPowerSuspend));
    EXPECT_EQ(1u, CountLogMessages(kSuspendDisconnectFailed, pid)) << DescribeLog();
    const DWORD resumedAt = GetTickCount();
    ASSERT_TRUE(Deliver(WM_POWERBROADCAST, kPowerResumeCritical));
    EXPECT_TRUE(WaitForTip(TipText(text::kCardChecking, text::kGpsChecking))) << TipNow();
    const std::uint32_t enumerations = simmodem::CallCount("QCWWAN2kEnumerateDevices");
    // The first try is due after 10 s and then every delay: the time itself
    // is the event here, and the round trip after it shows the program idle.
    WaitFor([&] { return GetTickCount() - resumedAt > kFirstTryMs + 5 * kShortResumeDelayMs; }, kFirstTryMs + kStepMs);
    ASSERT_TRUE(Deliver(WM_NULL, 0));
    EXPECT_EQ(enumerations, simmodem::CallCount("QCWWAN2kEnumerateDevices")) << "the modem was asked";
    EXPECT_TRUE(brindle->IsRunning()) << "a held-back try was counted";

    // The console is back: the one try allowed finds the modem, whose card
    // lost its power, so the verify dialog opens by itself.
    ASSERT_TRUE(Deliver(WM_WTSSESSION_CHANGE, kSessionConsoleConnect, 1));
    EnterPin(*brindle, L"1234", 3);
    EXPECT_TRUE(WaitForTip(usable)) << TipNow() << DescribeLog();
    EXPECT_LT(enumerations, simmodem::CallCount("QCWWAN2kEnumerateDevices"));
    EXPECT_EQ(1u, simmodem::GetValue(L"GpsTracking", 0)) << "the stored choice is applied after the resume";

    // The session ends: GPS off, choice kept, icon gone, and the process is
    // left for Windows to end: its loop still answers twice over (a
    // WM_QUIT would have ended it after the first).
    ASSERT_TRUE(Deliver(WM_ENDSESSION, TRUE));
    EXPECT_EQ(0u, simmodem::GetValue(L"GpsTracking", 1));
    std::uint32_t stored = 0;
    EXPECT_TRUE(ProductKey().GetDword(L"GPSStatus", stored));
    EXPECT_EQ(2u, stored);
    EXPECT_EQ(1u, Tray().CountOf(NIM_DELETE, m_window));
    EXPECT_TRUE(Tray().Icons().empty());
    EXPECT_TRUE(Deliver(WM_NULL, 0));
    EXPECT_TRUE(Deliver(WM_NULL, 0));
    EXPECT_TRUE(brindle->IsRunning());
}

// The settings dialog's verify dialog with a message over it, closed from
// outside twice: by a device refresh, then by a suspend. Every dialog ends
// and no caller asks the card afterwards; PIN1 still needs verification, so
// the verify dialog opens by itself after the refresh and after the resume.
TEST_F(BrindleFailureTest, NestedDialogsCloseForRefreshAndSuspend)
{
    CTestProcess* brindle = StartBrindle();
    ASSERT_NE(nullptr, brindle);
    const DWORD pid = brindle->Id();
    HWND verify = WaitForDialog(pid, kVerifyPin, kVerifyCaption, kStepMs);
    ASSERT_NE(nullptr, verify) << DescribeLog();
    ASSERT_TRUE(PressKey(verify, VK_ESCAPE));
    ASSERT_TRUE(WaitForWindowGone(verify, kStepMs));

    struct Closer {
        const char* name;
        UINT message;
        WPARAM wParam;
        std::uint32_t statusQueries; // by the event itself: the refresh asks once, then for the tip's texts
    };
    for (const Closer& c :
         {Closer{"refresh", kDeviceRefresh, 0, 4}, Closer{"suspend", WM_POWERBROADCAST, kPowerSuspend, 0}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WaitFor([&] { return VisibleDialogs(pid).empty(); }, kStepMs));
        ASSERT_TRUE(PostMenuCommand(m_window, kCmdOpenSettings));
        HWND settings = WaitForDialog(pid, kSettingsPinLine, text::kCaption, kStepMs);
        ASSERT_NE(nullptr, settings) << DescribeLog();
        ASSERT_TRUE(WaitFor([&] { return ItemEnabled(settings, kSettingsVerify); }, kStepMs));
        ASSERT_TRUE(ClickButton(settings, kSettingsVerify));
        HWND inner = WaitForDialog(pid, kVerifyPin, kVerifyCaption, kStepMs);
        ASSERT_NE(nullptr, inner) << DescribeLog();
        ASSERT_TRUE(TypeInto(inner, kVerifyPin, L"12"));
        ASSERT_TRUE(ClickButton(inner, IDOK));
        HWND message = WaitForMessageWindow(pid, text::kCaption, kStepMs);
        ASSERT_NE(nullptr, message) << "no message over the verify dialog";

        const std::uint32_t queries = simmodem::CallCount("UIMGetPINStatus");
        ASSERT_TRUE(Deliver(c.message, c.wParam));
        for (HWND window : {message, inner, settings})
            EXPECT_TRUE(WaitForWindowGone(window, kStepMs)) << Narrow(TextOf(window)) << " stays";
        if (c.message == kDeviceRefresh) {
            // The refresh finds PIN1 unverified; the verify flow asks for
            // the attempts, and nobody else asks anything.
            HWND again = WaitForDialog(pid, kVerifyPin, kVerifyCaption, kStepMs);
            ASSERT_NE(nullptr, again) << "the verify dialog did not open after the refresh" << DescribeLog();
            EXPECT_EQ(queries + c.statusQueries + 1, simmodem::CallCount("UIMGetPINStatus"));
            EXPECT_EQ(0u, simmodem::CallCount("UIMVerifyPIN"));
            ASSERT_TRUE(PressKey(again, VK_ESCAPE));
            ASSERT_TRUE(WaitForWindowGone(again, kStepMs));
        } else {
            ASSERT_TRUE(Deliver(WM_NULL, 0));
            EXPECT_EQ(queries + c.statusQueries, simmodem::CallCount("UIMGetPINStatus"));
            EXPECT_EQ(0u, simmodem::CallCount("UIMVerifyPIN"));
            EXPECT_TRUE(VisibleDialogs(pid).empty());
            ASSERT_TRUE(Deliver(WM_POWERBROADCAST, kPowerResumeSuspend));
            EnterPin(*brindle, L"1234", 3);
            EXPECT_TRUE(WaitForTip(TipText(text::kUsable))) << TipNow() << DescribeLog();
        }
    }
    ASSERT_TRUE(PostMenuCommand(m_window, kCmdExit));
    ExpectOrderlyExit(*brindle);
}

} // namespace
} // namespace e2e
