// The tray icon as the card changes under a running instance: the tooltip,
// the shell's restart, and the refresh that outside senders post.
#include <functional>

#include "sim/gobiapi/SimModemControl.h"
#include "tests/e2e/BrindleFixture.h"
#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/MessagePump.h"
#include "tests/e2e/RemoteDialog.h"

namespace e2e {
namespace {

namespace text = brindletext;

constexpr int kSimultaneousStarts = 10;

struct CardCase {
    const char* name;
    std::function<void()> arrange; // from a usable card
    const wchar_t* pinText;
};

void UsableCard()
{
    simmodem::Reset();
    simmodem::SetValue(L"PinVerified", 1);
}

// First match wins: no card, then an unreadable status, then no unblock
// attempts left, then the status itself.
const CardCase kCardCases[] = {
    {"NoCard", [] { simmodem::SetValue(L"CardPresent", 0); }, text::kCardAbsent},
    {"UnknownStatus", [] { simmodem::SetValue(L"StatusOverride", 7); }, text::kUnknown},
    {"CompletelyLocked",
     [] {
         simmodem::SetValue(L"PinLeft", 0);
         simmodem::SetValue(L"PukLeft", 0);
     },
     text::kCardLocked},
    {"PukNeeded", [] { simmodem::SetValue(L"PinLeft", 0); }, text::kPukNeeded},
    {"ProtectionOff", [] { simmodem::SetValue(L"PinProtection", 0); }, text::kUsable},
};

TEST_F(BrindleTest, TenStartsAtOnceLeaveOneInstanceWhoseTipFollowsTheCard)
{
    UsableCard();
    std::vector<CTestProcess*> starts;
    for (int i = 0; i < kSimultaneousStarts; ++i) {
        CTestProcess* process = Start(OptionsFor(m_program));
        ASSERT_NE(nullptr, process);
        starts.push_back(process);
    }
    // The losers end at once; the one that stays sits through the settling time.
    bool showedDialog = false;
    auto running = [&] {
        std::vector<CTestProcess*> alive;
        for (CTestProcess* process : starts) {
            showedDialog = showedDialog || !VisibleDialogs(process->Id()).empty();
            if (process->IsRunning())
                alive.push_back(process);
        }
        return alive;
    };
    EXPECT_TRUE(WaitFor([&] { return running().size() <= 1; }, kStepMs));
    std::vector<CTestProcess*> stayed = running();
    ASSERT_EQ(1u, stayed.size());
    EXPECT_FALSE(showedDialog);
    for (CTestProcess* process : starts) {
        if (process != stayed[0]) {
            EXPECT_EQ(1u, process->ExitCode()) << "process " << process->Id();
        }
    }
    CTestProcess& brindle = *stayed[0];
    ASSERT_TRUE(WaitUntilStarted(brindle));
    EXPECT_EQ(1u, Tray().CountOf(NIM_ADD));
    EXPECT_EQ(1u, Tray().Icons().size());
    EXPECT_EQ(TipText(text::kUsable), Tray().TipOf(m_window)) << TipNow();

    // Nothing to verify: 40003 is greyed out from the start.
    ExpectMenuItemGreyed(brindle, kMenuVerifyPin);

    for (const CardCase& c : kCardCases) {
        SCOPED_TRACE(c.name);
        UsableCard();
        c.arrange();
        ASSERT_TRUE(PostDeviceRefresh(m_window));
        EXPECT_TRUE(WaitForTip(TipText(c.pinText))) << "tip: " << TipNow();
    }
    EXPECT_TRUE(VisibleDialogs(brindle.Id()).empty()) << "no case needs PIN1 verified";

    // Explorer restarted so fast that the icon is still there: NIM_ADD fails,
    // NIM_MODIFY with the status of the moment does the job, nobody is told.
    UsableCard();
    simmodem::SetValue(L"CardPresent", 0);
    const size_t addsBefore = Tray().CountOf(NIM_ADD, m_window);
    const size_t modifiesBefore = Tray().CountOf(NIM_MODIFY, m_window);
    CFakeTray::BroadcastTaskbarCreated();
    EXPECT_TRUE(WaitForLogMessage("Shell_NotifyIcon(NIM_MODIFY): TRUE", kStepMs, brindle.Id())) << DescribeLog();
    EXPECT_TRUE(HasLogMessage("Shell_NotifyIcon(NIM_ADD): FAIL ", brindle.Id()));
    const std::vector<TrayCall> adds = Tray().CallsOf(NIM_ADD, m_window);
    ASSERT_EQ(addsBefore + 1, adds.size());
    EXPECT_FALSE(adds.back().answer);
    const std::vector<TrayCall> modifies = Tray().CallsOf(NIM_MODIFY, m_window);
    ASSERT_EQ(modifiesBefore + 1, modifies.size());
    EXPECT_TRUE(modifies.back().answer);
    EXPECT_EQ(Narrow(TipText(text::kCardAbsent)), Narrow(modifies.back().record.tip));
    ExpectNoDialogNow(brindle);
    EXPECT_TRUE(brindle.IsRunning());

    // A refresh that finds PIN1 to verify opens the verify dialog by itself.
    UsableCard();
    simmodem::SetValue(L"PinVerified", 0);
    ASSERT_TRUE(PostDeviceRefresh(m_window));
    HWND dialog = WaitForDialog(brindle.Id(), kVerifyPin, kVerifyCaption, kStepMs);
    ASSERT_NE(nullptr, dialog) << DescribeLog();
    EXPECT_TRUE(WaitForTip(TipText(text::kPinNeeded))) << TipNow();
    // Cancelled, it stays available in the menu.
    ASSERT_TRUE(ClickButton(dialog, IDCANCEL));
    EXPECT_TRUE(WaitForWindowGone(dialog, kStepMs));
    HWND menu = OpenTrayMenu(brindle);
    ASSERT_NE(nullptr, menu);
    ASSERT_TRUE(ChooseMenuItem(menu, kTrayMenu, kMenuVerifyPin));
    EnterPin(brindle, L"1234", 3);
    EXPECT_TRUE(WaitForTip(TipText(text::kUsable))) << TipNow();
    EXPECT_EQ(1u, simmodem::CallCount("UIMVerifyPIN"));

    ASSERT_TRUE(PostMenuCommand(m_window, kCmdExit));
    ExpectOrderlyExit(brindle);
}

} // namespace
} // namespace e2e
