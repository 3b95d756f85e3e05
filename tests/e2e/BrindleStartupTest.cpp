// brindle.exe from start to exit: the normal road, the second instance, and
// the start-up checks that refuse to run.
#include <functional>
#include <iostream>

#include "SimDriverControl.h"
#include "sim/gobiapi/SimModemControl.h"
#include "tests/e2e/BrindleFixture.h"
#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/MessagePump.h"
#include "tests/e2e/MessageText.h"
#include "tests/e2e/RemoteDialog.h"

namespace e2e {
namespace {

namespace text = brindletext;

// A visible window of the test's own, to take the foreground from.
class CForegroundProbe : CUncopyable {
public:
    CForegroundProbe()
    {
        m_window = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"e2e foreground probe", WS_POPUP | WS_VISIBLE, 0, 0, 40,
                                   40, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~CForegroundProbe()
    {
        if (m_window)
            DestroyWindow(m_window);
    }
    HWND Window() const { return m_window; }

private:
    HWND m_window = nullptr;
};

TEST_F(BrindleTest, PinNeededAtStartIsVerifiedThenASecondStartIsRefusedAndMenuExitEndsWithZero)
{
    CTestProcess* brindle = StartBrindle();
    ASSERT_NE(nullptr, brindle);
    EXPECT_EQ(TipText(text::kPinNeeded), Tray().TipOf(m_window)) << TipNow();
    const TrayIcon icon = Tray().IconOfProcess(brindle->Id());
    EXPECT_EQ(kTrayNotify, icon.callbackMessage);
    EXPECT_TRUE(icon.hasIcon);

    EXPECT_EQ(0u, simmodem::CallCount("UIMVerifyPIN")) << "nothing is verified before the user confirms";
    ASSERT_NE(nullptr, WaitForDialog(brindle->Id(), kVerifyPin, kVerifyCaption, kStepMs))
        << "the verify dialog did not open by itself" << DescribeLog();
    std::cout << "screen with the verify dialog: " << Narrow(Screenshot("verify_dialog_screen")) << "\n"
              << "tip seen by the tray: " << Narrow(Tray().TipOf(m_window)) << "\n";
    EnterPin(*brindle, L"1234", 3, "verify_dialog");
    EXPECT_TRUE(WaitForTip(TipText(text::kUsable))) << TipNow() << DescribeLog();
    EXPECT_EQ(1u, simmodem::CallCount("UIMVerifyPIN"));
    std::cout << "tip seen by the tray after the verification: " << Narrow(Tray().TipOf(m_window)) << "\n";

    // A second start in the same session ends at once, silently, and brings
    // the running instance forward.
    CForegroundProbe probe;
    ASSERT_NE(nullptr, probe.Window());
    SetForegroundWindow(probe.Window());
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == probe.Window(); }, kStepMs))
        << "the probe did not take the foreground";
    const size_t callsBefore = Tray().Calls().size();
    CTestProcess* second = Start(OptionsFor(m_program));
    ASSERT_NE(nullptr, second);
    const EndOfStart end = WatchUntilEnd(*second, kStepMs);
    EXPECT_TRUE(end.ended);
    EXPECT_EQ(1u, end.exitCode);
    EXPECT_FALSE(end.showedDialog);
    EXPECT_FALSE(end.madeMainWindow);
    EXPECT_EQ(callsBefore, Tray().Calls().size()) << "the second instance touched the tray";
    EXPECT_EQ(m_window, GetForegroundWindow());
    EXPECT_TRUE(brindle->IsRunning());
    EXPECT_TRUE(VisibleDialogs(brindle->Id()).empty());

    // Explorer restarts: the icon comes back with the tip of the moment.
    Tray().RestartShell();
    EXPECT_TRUE(WaitFor([&] { return Tray().CountOf(NIM_ADD, m_window) == 2 && Tray().HasIcon(m_window); }, kStepMs));
    EXPECT_EQ(TipText(text::kUsable), Tray().TipOf(m_window)) << TipNow();

    // A session end that was called off changes nothing. Sent, as Windows
    // sends it: once the send is back, the program has handled it.
    const size_t callsBeforeEndSession = Tray().Calls().size();
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutW(m_window, WM_ENDSESSION, FALSE, 0, SMTO_NORMAL, kStepMs, &ignored));
    EXPECT_TRUE(brindle->IsRunning());
    EXPECT_EQ(callsBeforeEndSession, Tray().Calls().size());
    EXPECT_TRUE(VisibleDialogs(brindle->Id()).empty());

    ExpectNoFailureLogged(brindle->Id());
    ASSERT_TRUE(PostMenuCommand(m_window, kCmdExit));
    ExpectOrderlyExit(*brindle);
}

TEST_F(BrindleTest, WithTheGpsOptionTheTipHasTheGpsLineAndMenuExitSwitchesTheModuleOff)
{
    ASSERT_TRUE(ProductKey().SetDword(L"GPSOption", 1));
    ASSERT_TRUE(ProductKey().SetDword(L"GPSStatus", 2));
    CTestProcess* brindle = StartBrindle();
    ASSERT_NE(nullptr, brindle);
    EXPECT_EQ(TipText(text::kPinNeeded, text::kGpsOnCom7), Tray().TipOf(m_window)) << TipNow();
    EnterPin(*brindle, L"1234", 3, "verify_dialog_gps");
    EXPECT_TRUE(WaitForTip(TipText(text::kUsable, text::kGpsOnCom7))) << TipNow() << DescribeLog();
    EXPECT_EQ(1u, simmodem::GetValue(L"GpsTracking", 0)) << "the stored choice 2 is applied at start";

    ExpectNoFailureLogged(brindle->Id());
    // Exit the way a user does: a click on the icon, the menu, its last item.
    HWND menu = OpenTrayMenu(*brindle);
    ASSERT_NE(nullptr, menu) << "a single click shows the menu once the double-click time has passed";
    Screenshot("tray_menu", menu);
    ASSERT_TRUE(ChooseMenuItem(menu, kTrayMenu, kMenuExit));
    ExpectOrderlyExit(*brindle);
    EXPECT_EQ(0u, simmodem::GetValue(L"GpsTracking", 1)) << "GPS is switched off at exit";
    std::uint32_t stored = 0;
    EXPECT_TRUE(ProductKey().GetDword(L"GPSStatus", stored));
    EXPECT_EQ(2u, stored) << "the user's choice survives the exit";
}

// The platform check refuses silently: no message, no window, no icon, and
// the modem library is never touched. Each case is undone and a start then
// gets past the checks, which shows that the case, and nothing left over
// from another, made the difference.
struct PlatformCase {
    const char* name;
    std::function<bool()> spoil;
    std::function<bool()> repair;
    bool refused;
};

class PlatformCheckTest : public BrindleTest, public ::testing::WithParamInterface<PlatformCase> {
protected:
    void TearDown() override
    {
        if (m_spoiled)
            GetParam().repair();
        BrindleTest::TearDown();
    }

    void ExpectPastTheChecks(const char* when)
    {
        CTestProcess* brindle = Start(OptionsFor(m_program));
        ASSERT_NE(nullptr, brindle);
        EXPECT_EQ(CTestProcess::Outcome::Window, brindle->WaitForWindow(kMainWindowClass, kMainWindowTitle, kStepMs))
            << when << ", the start was refused; exit code " << brindle->ExitCode();
        brindle->Terminate();
    }

    bool m_spoiled = false;
};

TEST_P(PlatformCheckTest, RefusalIsSilentAndUndoingItLetsTheStartThrough)
{
    const PlatformCase& c = GetParam();
    m_spoiled = true;
    ASSERT_TRUE(c.spoil()) << "could not set up " << c.name;

    if (!c.refused) {
        ExpectPastTheChecks("with this driver");
    } else {
        const EndOfStart end = StartExpectingEnd();
        EXPECT_TRUE(end.ended) << "still running";
        EXPECT_EQ(1u, end.exitCode);
        EXPECT_FALSE(end.showedDialog);
        EXPECT_FALSE(end.madeMainWindow);
        EXPECT_TRUE(Tray().Calls().empty());
        EXPECT_EQ(0u, simmodem::CallCount("QCWWAN2kEnumerateDevices")) << "the modem library was loaded";
        EXPECT_TRUE(LogLines().empty()) << "the debug log is switched on only after the platform check"
                                        << DescribeLog();
    }

    ASSERT_TRUE(c.repair()) << "could not undo " << c.name;
    m_spoiled = false;
    ExpectPastTheChecks("undone");
}

bool ClearFaults()
{
    simdriver::ClearAllFaults();
    return true;
}

// Bit 0 alone counts: the other bits stay set.
constexpr DWORD kAllButBitZero = 0xFFFE;
constexpr DWORD kStatusUnsuccessful = 0xC0000001;

INSTANTIATE_TEST_SUITE_P(
    Platform, PlatformCheckTest,
    ::testing::Values(
        PlatformCase{"FeatureBitAt12Missing",
                     [] { return simdriver::SetFault(simdriver::fault::kFeatureWord12, kAllButBitZero); }, ClearFaults,
                     true},
        PlatformCase{"FeatureBitAt14Missing",
                     [] { return simdriver::SetFault(simdriver::fault::kFeatureWord14, kAllButBitZero); }, ClearFaults,
                     true},
        // The feature query's answer carries a status other than 0.
        PlatformCase{"DriverBusy", [] { return simdriver::SetFault(simdriver::fault::kBusyAlways, 1); }, ClearFaults,
                     true},
        PlatformCase{"CapsulesFail",
                     [] { return simdriver::SetFault(simdriver::fault::kFailCapsule, kStatusUnsuccessful); },
                     ClearFaults, true},
        PlatformCase{"Driver107", [] { return simdriver::SetDriverVersion(L"1.0.7.0"); },
                     [] { return simdriver::SetDriverVersion(L"1.0.8.0"); }, true},
        PlatformCase{"NoDriver", [] { return simdriver::RemoveDriver() && simdriver::WaitForInterfaceGone(10000); },
                     [] { return simdriver::InstallDriver(); }, true},
        // A driver that has no sessions takes its requests in clear: that
        // is no reason to refuse.
        PlatformCase{"DriverWithoutSessions", [] { return simdriver::SetFault(simdriver::fault::kRefuseSessions, 1); },
                     ClearFaults, false}),
    [](const ::testing::TestParamInfo<PlatformCase>& info) { return std::string(info.param.name); });

// Systems the program refuses show string 134 and end with 1; two starts at
// once show it only once. The accepted ones get past the check.
struct OsCase {
    const char* name;
    const wchar_t* wineVersion;
    const wchar_t* productType; // null: the machine's own
    bool accepted;
};

class OsCheckTest : public BrindleTest, public ::testing::WithParamInterface<OsCase> {};

TEST_P(OsCheckTest, WorkstationsFromXpOnRunAndOthersAreToldOnce)
{
    const OsCase& c = GetParam();
    ASSERT_TRUE(ProgramDefaults(L"brindle.exe").SetWindowsVersion(c.wineVersion));
    if (c.productType) {
        ASSERT_TRUE(ProductOptions().SetProductType(c.productType));
    }

    if (c.accepted) {
        CTestProcess* brindle = Start(OptionsFor(m_program));
        ASSERT_NE(nullptr, brindle);
        EXPECT_EQ(CTestProcess::Outcome::Window, brindle->WaitForWindow(kMainWindowClass, kMainWindowTitle, kStepMs))
            << "refused; exit code " << brindle->ExitCode();
        EXPECT_TRUE(VisibleDialogs(brindle->Id()).empty());
        return;
    }

    CTestProcess* first = Start(OptionsFor(m_program));
    CTestProcess* second = Start(OptionsFor(m_program));
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    HWND message = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            message = FindMessageWindow(first->Id(), text::kCaption);
            if (!message)
                message = FindMessageWindow(second->Id(), text::kCaption);
            return message != nullptr;
        },
        kStepMs))
        << "no message";
    DWORD teller = 0;
    GetWindowThreadProcessId(message, &teller);
    CTestProcess& told = teller == first->Id() ? *first : *second;
    CTestProcess& silent = teller == first->Id() ? *second : *first;

    const EndOfStart quiet = WatchUntilEnd(silent, kStepMs);
    EXPECT_TRUE(quiet.ended);
    EXPECT_EQ(1u, quiet.exitCode);
    EXPECT_FALSE(quiet.showedDialog) << "the message came twice";

    std::string why;
    EXPECT_TRUE(WaitForMessageText(message, text::kOsUnsupported, 3000, why)) << why;
    EXPECT_TRUE(GetWindow(message, GW_OWNER) == nullptr) << "no window exists yet to own the message";
    Screenshot("message", message);
    EXPECT_TRUE(told.IsRunning()) << "the message waits for the user";
    ASSERT_TRUE(ClickButton(message, IDOK));
    const EndOfStart end = WatchUntilEnd(told, kStepMs);
    EXPECT_TRUE(end.ended);
    EXPECT_EQ(1u, end.exitCode);
    EXPECT_FALSE(end.madeMainWindow);
    EXPECT_TRUE(Tray().Calls().empty());
    EXPECT_EQ(0u, simmodem::CallCount("QCWWAN2kEnumerateDevices"));
}

INSTANTIATE_TEST_SUITE_P(Systems, OsCheckTest,
                         ::testing::Values(OsCase{"Windows2000", L"win2k", nullptr, false},
                                           OsCase{"Server2003", L"win2003", nullptr, false},
                                           OsCase{"Server2008", L"win2008", nullptr, false},
                                           OsCase{"Windows7Server", L"win7", L"ServerNT", false},
                                           OsCase{"WindowsXP", L"winxp", nullptr, true},
                                           OsCase{"WindowsXP64", L"winxp64", nullptr, true},
                                           // Wine 8 caps what a program without a newer manifest
                                           // entry sees at 6.2: no question about a newer Windows.
                                           OsCase{"Windows10SeenAs62", L"win10", nullptr, true}),
                         [](const ::testing::TestParamInfo<OsCase>& info) { return std::string(info.param.name); });

// Without a modem the window's creation fails: string 133, exit code 1, and
// no icon was ever added.
struct NoModemCase {
    const char* name;
    const wchar_t* library; // the stand-in build beside the program
    std::uint32_t deviceCount;
    DWORD timeoutMs;
    const char* logged; // a line the debug log has loggedTimes times
    size_t loggedTimes;
};

class NoModemTest : public BrindleTest, public ::testing::WithParamInterface<NoModemCase> {};

TEST_P(NoModemTest, StartEndsWithTheNoDeviceMessage)
{
    const NoModemCase& c = GetParam();
    simmodem::SetValue(L"DeviceCount", c.deviceCount);
    LaunchOptions options = OptionsFor(m_program);
    options.program = CopyProgramWithLibrary(m_program, c.library);
    ASSERT_FALSE(options.program.empty());
    // Only the copy's own folder may offer GobiApi.dll.
    options.dllFolders.clear();
    CTestProcess* brindle = Start(options);
    ASSERT_NE(nullptr, brindle);

    ConfirmMessage(*brindle, text::kNoDevice, text::kCannotStartYet, c.timeoutMs);
    const EndOfStart end = WatchUntilEnd(*brindle, kStepMs);
    EXPECT_TRUE(end.ended);
    EXPECT_EQ(1u, end.exitCode);
    EXPECT_TRUE(Tray().Calls().empty());
    EXPECT_EQ(c.loggedTimes, CountLogMessages(c.logged, brindle->Id())) << c.logged << DescribeLog();
}

INSTANTIATE_TEST_SUITE_P(
    Modem, NoModemTest,
    ::testing::Values(NoModemCase{"NoLibrary", L"none", 1, kStepMs, "PrepareConnectModem:FAIL (ReloadQMI)", 1},
                      // Twenty connects three seconds apart after the settling time; 6:
                      // the library answered, but with no device.
                      NoModemCase{"NoDevice", L"full", 0, 120000, "ConnectModem:FAIL (QCWWANConnect_) 6", 20}),
    [](const ::testing::TestParamInfo<NoModemCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace e2e
