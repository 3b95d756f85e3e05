// brindle.exe across suspend and resume, as Windows delivers them (posted
// power broadcasts; Wine sends none itself), with the workstation lock that
// holds back the reconnect and a modem that does not come back. ResumeDelay
// and ResumeTryCount are shortened through the product key; the first try
// after a resume keeps its fixed 10 s.
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

using BrindlePowerTest = BrindleTest;

TEST_F(BrindlePowerTest, SuspendClosesTheVerifyDialogAndResumeOpensItAgain)
{
    ASSERT_TRUE(ProductKey().SetDword(L"GPSOption", 1));
    ASSERT_TRUE(ProductKey().SetDword(L"GPSStatus", 2));
    CTestProcess* brindle = StartBrindle();
    ASSERT_NE(nullptr, brindle);
    const DWORD pid = brindle->Id();
    HWND verify = WaitForDialog(pid, kVerifyPin, kVerifyCaption, kStepMs);
    ASSERT_NE(nullptr, verify) << "the verify dialog did not open by itself" << DescribeLog();
    EXPECT_TRUE(WaitForTip(TipText(text::kPinNeeded, text::kGpsOnCom7))) << TipNow();

    const std::uint32_t disconnects = simmodem::CallCount("QCWWANDisconnect");
    ASSERT_TRUE(PostPowerBroadcast(m_window, kPowerSuspend));
    EXPECT_TRUE(WaitForWindowGone(verify, kStepMs)) << "the verify dialog stays through the suspend";
    EXPECT_TRUE(WaitFor([&] { return simmodem::CallCount("QCWWANDisconnect") > disconnects; }, kStepMs))
        << "the modem session was not ended";
    EXPECT_TRUE(brindle->IsRunning());

    // Both items greyed while suspended: a left double click opens nothing,
    // and Enter on either item only closes the menu.
    // The menu would come on the click timer, which the second press must
    // have killed.
    DoubleClickIcon(true);
    ASSERT_TRUE(RoundTripAfterTimer(GetDoubleClickTime()));
    EXPECT_TRUE(TopLevelWindows(pid, L"#32770").empty()) << "a left double click opened a dialog while 40002 is greyed";
    EXPECT_EQ(nullptr, FindPopupMenu(pid)) << "a double click shows no menu";
    for (unsigned position : {kMenuOpenSettings, kMenuVerifyPin}) {
        SCOPED_TRACE(kTrayMenu[position].id);
        ExpectMenuItemGreyed(*brindle, position);
    }

    // Resume: the tip says the state is being checked; 10 s later the
    // modem answers and, PIN1 still unverified, the verify dialog comes back.
    const std::uint32_t connects = simmodem::CallCount("QCWWAN2kConnect");
    ASSERT_TRUE(PostPowerBroadcast(m_window, kPowerResumeSuspend));
    EXPECT_TRUE(WaitForTip(TipText(text::kCardChecking, text::kGpsChecking))) << TipNow();
    EXPECT_EQ(connects, simmodem::CallCount("QCWWAN2kConnect")) << "a try came at once";
    verify = WaitForDialog(pid, kVerifyPin, kVerifyCaption, kFirstTryMs + kStepMs);
    ASSERT_NE(nullptr, verify) << "the verify dialog did not open again after the resume" << DescribeLog();
    EXPECT_LT(connects, simmodem::CallCount("QCWWAN2kConnect"));
    EXPECT_TRUE(WaitForTip(TipText(text::kPinNeeded, text::kGpsOnCom7))) << TipNow();
    EnterPin(*brindle, L"1234", 3);
    EXPECT_TRUE(WaitForTip(TipText(text::kUsable, text::kGpsOnCom7))) << TipNow() << DescribeLog();

    // Back to normal: a right double click still shows no menu, a single
    // right click does, and a left double click opens the settings again.
    DoubleClickIcon(false);
    ASSERT_TRUE(RoundTripAfterTimer(GetDoubleClickTime()));
    EXPECT_EQ(nullptr, FindPopupMenu(pid)) << "a right double click showed the menu";
    HWND menu = OpenTrayMenu(*brindle, false);
    ASSERT_NE(nullptr, menu) << "a single right click shows the menu";
    ASSERT_TRUE(DismissMenu(menu));
    EXPECT_TRUE(WaitForWindowGone(menu, kStepMs));
    DoubleClickIcon(true);
    HWND settings = WaitForDialog(pid, kSettingsPinLine, text::kCaption, kStepMs);
    ASSERT_NE(nullptr, settings) << "40002 is not enabled again after the resume";
    ASSERT_TRUE(PressKey(settings, VK_ESCAPE));
    EXPECT_TRUE(WaitForWindowGone(settings, kStepMs));

    ASSERT_TRUE(PostMenuCommand(m_window, kCmdExit));
    ExpectOrderlyExit(*brindle);
}

TEST_F(BrindlePowerTest, ResumeWhileLockedWaitsForTheUnlockAndGivesUpWithoutTheModem)
{
    constexpr std::uint32_t kTries = 3;
    ASSERT_TRUE(ProductKey().SetDword(L"GPSOption", 1));
    ASSERT_TRUE(ProductKey().SetDword(L"GPSStatus", 0));
    ASSERT_TRUE(ProductKey().SetDword(L"ResumeDelay", kShortResumeDelayMs));
    ASSERT_TRUE(ProductKey().SetDword(L"ResumeTryCount", kTries));
    simmodem::SetValue(L"PinVerified", 1);
    CTestProcess* brindle = StartBrindle();
    ASSERT_NE(nullptr, brindle);
    const DWORD pid = brindle->Id();
    EXPECT_EQ(TipText(text::kUsable, text::kGpsOff), Tray().TipOf(m_window)) << TipNow();

    ASSERT_TRUE(PostSessionChange(m_window, kSessionLock));
    ASSERT_TRUE(PostPowerBroadcast(m_window, kPowerSuspend));
    ASSERT_TRUE(PostPowerBroadcast(m_window, kPowerResumeSuspend));
    EXPECT_TRUE(WaitForTip(TipText(text::kCardChecking, text::kGpsChecking))) << TipNow();
    const std::uint32_t enumerations = simmodem::CallCount("QCWWAN2kEnumerateDevices");
    const std::uint32_t connects = simmodem::CallCount("QCWWAN2kConnect");

    // Locked well past the first try and ten more delays: no try at all.
    ASSERT_TRUE(RoundTripAfterTimer(kFirstTryMs + 10 * kShortResumeDelayMs));
    EXPECT_EQ(enumerations, simmodem::CallCount("QCWWAN2kEnumerateDevices")) << "the modem was asked while locked";
    EXPECT_EQ(connects, simmodem::CallCount("QCWWAN2kConnect")) << "a connect came while locked";
    EXPECT_TRUE(brindle->IsRunning());
    EXPECT_TRUE(VisibleDialogs(pid).empty());
    EXPECT_EQ(TipText(text::kCardChecking, text::kGpsChecking), Tray().TipOf(m_window)) << TipNow();

    // The modem is gone by the time the user unlocks: every try is counted
    // from here on, then the program tells the user and closes.
    simmodem::SetValue(L"DeviceCount", 0);
    ASSERT_TRUE(PostSessionChange(m_window, kSessionUnlock));
    HWND message = WaitForMessageWindow(pid, text::kCaption, kStepMs);
    ASSERT_NE(nullptr, message) << "no message after the tries" << DescribeLog();
    ExpectMessageText(message, text::kNoDevice, text::kCommFailed);
    EXPECT_EQ(kTries, simmodem::CallCount("QCWWAN2kEnumerateDevices") - enumerations);
    EXPECT_EQ(kTries, CountLogMessagesStartingWith("ConnectModem:FAIL", pid)) << DescribeLog();
    EXPECT_TRUE(WaitForTip(TipText(text::kUnknown, text::kUnknown))) << TipNow();
    ASSERT_TRUE(ClickButton(message, IDOK));
    ExpectOrderlyExit(*brindle);
    EXPECT_EQ(kTries, simmodem::CallCount("QCWWAN2kEnumerateDevices") - enumerations) << "a try after the message";
}

TEST_F(BrindlePowerTest, WithNoTriesConfiguredTheOneTryComesAfterTenSeconds)
{
    ASSERT_TRUE(ProductKey().SetDword(L"ResumeDelay", kShortResumeDelayMs));
    ASSERT_TRUE(ProductKey().SetDword(L"ResumeTryCount", 0));
    simmodem::SetValue(L"PinVerified", 1);
    CTestProcess* brindle = StartBrindle();
    ASSERT_NE(nullptr, brindle);
    const DWORD pid = brindle->Id();
    EXPECT_EQ(TipText(text::kUsable), Tray().TipOf(m_window)) << TipNow();

    simmodem::SetValue(L"DeviceCount", 0);
    const std::uint32_t enumerations = simmodem::CallCount("QCWWAN2kEnumerateDevices");
    const DWORD resumedAt = GetTickCount();
    ASSERT_TRUE(PostPowerBroadcast(m_window, kPowerResumeSuspend));
    EXPECT_TRUE(WaitForTip(TipText(text::kCardChecking))) << TipNow();
    HWND message = WaitForMessageWindow(pid, text::kCaption, kFirstTryMs + kStepMs);
    const DWORD elapsed = GetTickCount() - resumedAt;
    ASSERT_NE(nullptr, message) << "no message after the one try" << DescribeLog();
    // A little slack for the tick count's granularity.
    EXPECT_GE(elapsed, kFirstTryMs - 500) << "the try came before the first delay";
    ExpectMessageText(message, text::kNoDevice, text::kCommFailed);
    EXPECT_EQ(1u, simmodem::CallCount("QCWWAN2kEnumerateDevices") - enumerations);
    EXPECT_EQ(1u, CountLogMessagesStartingWith("ConnectModem:FAIL", pid)) << DescribeLog();
    EXPECT_TRUE(WaitForTip(TipText(text::kUnknown))) << TipNow();
    ASSERT_TRUE(ClickButton(message, IDOK));
    ExpectOrderlyExit(*brindle);
    EXPECT_EQ(1u, simmodem::CallCount("QCWWAN2kEnumerateDevices") - enumerations);
}

} // namespace
} // namespace e2e
