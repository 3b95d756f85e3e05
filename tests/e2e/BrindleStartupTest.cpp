// brindle.exe on the simulated platform, from start to exit. Every start
// sits through the modem's real settling time, so each test checks as much
// as it can per start.
#include "sim/gobiapi/SimModemControl.h"
#include "tests/e2e/EndToEndFixture.h"
#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/MessagePump.h"
#include "tests/e2e/RemoteDialog.h"
#include "tests/e2e/RemotePopupMenu.h"
#include "tests/e2e/ScreenCapture.h"

namespace e2e {
namespace {

constexpr DWORD kStartMs = 90000;
constexpr DWORD kStepMs = 20000;

// The PIN verify dialog (template 114).
constexpr int kPinEdit = 1007;
constexpr int kPinNote = 1008;
constexpr wchar_t kVerifyCaption[] = L"PIN1コード照合";

constexpr wchar_t kTipPinNeeded[] = L"Brindle\nPIN ： PIN1コードの照合が必要です。";
constexpr wchar_t kTipUsable[] = L"Brindle\nPIN ： 使用可能です。";
constexpr wchar_t kTipUsableGpsOnCom7[] = L"Brindle\nPIN ： 使用可能です。\nGPS ： 使用可能です。[ポート:COM7]";

// Menu 106 as its resource lays it out; after a successful verification
// 40003 is greyed.
const std::vector<MenuItem> kTrayMenu = {{kCmdOpenSettings, 0, L"Brindleを開く(&O)"},
                                         {kCmdVerifyPin, MF_GRAYED, L"PIN1を照合する(&C)"},
                                         {0, MF_SEPARATOR, L""},
                                         {kCmdAbout, 0, L"バージョン情報(&V)"},
                                         {kCmdExit, 0, L"終了(&X)"}};

std::string Narrow(const std::wstring& text)
{
    std::string out;
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    out.resize(size);
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

class BrindleTest : public EndToEndTest {
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        if (HasFatalFailure())
            return;
        m_program = DefaultProgram();
        if (m_program.empty())
            GTEST_SKIP() << "no brindle.exe in this build tree";
        ASSERT_TRUE(ProductKey().SetDword(L"BRINDLEReleaseDebugPrintEnable", 1));
    }

    // Starts brindle.exe and waits until its window has put the icon in the
    // tray (the window exists from the start of its creation, which
    // connects the modem first; the icon marks the end of it).
    CTestProcess* StartBrindle()
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
            ADD_FAILURE() << "no tray icon; running " << brindle->IsRunning() << ", exit code "
                          << brindle->ExitCode() << DescribeLog();
            return nullptr;
        }
        return brindle;
    }

    bool WaitForTip(const std::wstring& tip)
    {
        return WaitFor([&] { return Tray().TipOf(m_window) == tip; }, kStepMs);
    }

    std::string TipNow() { return Narrow(Tray().TipOf(m_window)); }

    std::string DescribeLog() const
    {
        std::string text = "\nlog:";
        for (const std::string& line : LogLines())
            text += "\n  " + line;
        return text;
    }

    // Types the code into the verify dialog that opens by itself and confirms it.
    void VerifyPinInDialog(CTestProcess& brindle, const wchar_t* code, const std::string& screenshot)
    {
        HWND dialog = WaitForDialog(brindle.Id(), kPinEdit, kVerifyCaption, kStepMs);
        ASSERT_NE(nullptr, dialog) << "the verify dialog did not open by itself" << DescribeLog();
        EXPECT_NE(std::wstring::npos, ItemText(dialog, kPinNote).find(L"あと3回"))
            << "note: " << Narrow(ItemText(dialog, kPinNote));
        EXPECT_EQ(0u, simmodem::CallCount("UIMVerifyPIN")) << "nothing is verified before the user confirms";
        ASSERT_TRUE(TypeInto(dialog, kPinEdit, code));
        Screenshot(screenshot, dialog);
        ASSERT_TRUE(ClickButton(dialog, IDOK));
        EXPECT_TRUE(WaitForWindowGone(dialog, kStepMs));
    }

    void ExpectOrderlyExit(CTestProcess& brindle)
    {
        ASSERT_TRUE(brindle.WaitForExit(kStepMs)) << "still running after the exit command";
        EXPECT_EQ(0u, brindle.ExitCode());
        EXPECT_EQ(1u, Tray().CountOf(NIM_DELETE, m_window));
        EXPECT_TRUE(Tray().Icons().empty());
    }

    // Up to the exit: the final disconnect finds no open link (every request
    // closes its own), which the stand-in answers with "not connected".
    void ExpectNoFailureLogged(DWORD processId) const
    {
        for (const LogLine& line : LogOf(processId))
            EXPECT_EQ(std::string::npos, line.message.find("FAIL")) << line.message;
    }

    std::wstring m_program;
    HWND m_window = nullptr;
};

TEST_F(BrindleTest, PinNeededAtStartIsVerifiedThenASecondStartIsRefusedAndMenuExitEndsWithZero)
{
    CTestProcess* brindle = StartBrindle();
    ASSERT_NE(nullptr, brindle);
    EXPECT_EQ(kTipPinNeeded, Tray().TipOf(m_window)) << TipNow();
    const TrayIcon icon = Tray().IconOfProcess(brindle->Id());
    EXPECT_EQ(kTrayNotify, icon.callbackMessage);
    EXPECT_TRUE(icon.hasIcon);

    VerifyPinInDialog(*brindle, L"1234", "verify_dialog");
    EXPECT_TRUE(WaitForTip(kTipUsable)) << TipNow() << DescribeLog();
    EXPECT_EQ(1u, simmodem::CallCount("UIMVerifyPIN"));

    // A second start in the same session ends at once, silently.
    const size_t callsBefore = Tray().Calls().size();
    CTestProcess* second = Start(OptionsFor(m_program));
    ASSERT_NE(nullptr, second);
    bool showedDialog = false;
    EXPECT_TRUE(WaitFor([&] {
        showedDialog = showedDialog || !VisibleDialogs(second->Id()).empty();
        return !second->IsRunning();
    }, kStepMs));
    EXPECT_EQ(1u, second->ExitCode());
    EXPECT_FALSE(showedDialog);
    EXPECT_EQ(callsBefore, Tray().Calls().size()) << "the second instance touched the tray";
    EXPECT_TRUE(brindle->IsRunning());
    EXPECT_TRUE(VisibleDialogs(brindle->Id()).empty());

    // Explorer restarts: the icon comes back with the tip of the moment.
    Tray().RestartShell();
    EXPECT_TRUE(WaitFor([&] { return Tray().CountOf(NIM_ADD, m_window) == 2 && Tray().HasIcon(m_window); },
                        kStepMs));
    EXPECT_EQ(kTipUsable, Tray().TipOf(m_window)) << TipNow();

    // A session end that was called off changes nothing.
    ASSERT_TRUE(PostEndSession(m_window, false));
    PumpFor(500);
    EXPECT_TRUE(brindle->IsRunning());
    EXPECT_EQ(0u, Tray().CountOf(NIM_DELETE, m_window));

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
    VerifyPinInDialog(*brindle, L"1234", "verify_dialog_gps");
    EXPECT_TRUE(WaitForTip(kTipUsableGpsOnCom7)) << TipNow() << DescribeLog();
    EXPECT_EQ(1u, simmodem::GetValue(L"GpsTracking", 0)) << "the stored choice 2 is applied at start";

    ExpectNoFailureLogged(brindle->Id());
    // Exit the way a user does: a click on the icon, the menu, its last item.
    ASSERT_TRUE(PostTrayMouse(m_window, WM_LBUTTONDOWN));
    HWND menu = WaitForPopupMenu(brindle->Id(), kStepMs);
    ASSERT_NE(nullptr, menu) << "a single click shows the menu once the double-click time has passed";
    Screenshot("tray_menu", menu);
    ASSERT_TRUE(ChooseMenuItem(menu, kTrayMenu, 4));
    ExpectOrderlyExit(*brindle);
    EXPECT_EQ(0u, simmodem::GetValue(L"GpsTracking", 1)) << "GPS is switched off at exit";
    std::uint32_t stored = 0;
    EXPECT_TRUE(ProductKey().GetDword(L"GPSStatus", stored));
    EXPECT_EQ(2u, stored) << "the user's choice survives the exit";
}

} // namespace
} // namespace e2e
