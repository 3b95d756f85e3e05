// simctl against a running brindle.exe: it changes the simulated SIM under
// the program, and the program shows the change once simctl has sent it the
// refresh message; bad arguments change nothing. The tray is the harness's
// stand-in, which records the tooltip the program sets.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "sim/gobiapi/SimModemControl.h"
#include "sim/wmi/SimWmiKey.h"
#include "tests/e2e/EndToEndFixture.h"
#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/MessagePump.h"
#include "tests/e2e/RemoteDialog.h"
#include "tests/e2e/RemotePopupMenu.h"
#include "tests/e2e/ScreenCapture.h"
#include "tests/support/BrindleTexts.h"

namespace e2e {
namespace {

namespace text = brindletext;

constexpr DWORD kStartMs = 90000;
constexpr DWORD kStepMs = 20000;
constexpr DWORD kSimctlMs = 60000;

constexpr int kPinEdit = 1007; // the PIN verify dialog's entry field

std::string Narrow(const std::wstring& text)
{
    std::string out;
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    out.resize(size);
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

// A tooltip window of this process showing text as the shell shows the tray
// icon's tip, for the pictures in the documentation. Destroyed with the holder.
class CTooltipPicture : CUncopyable {
public:
    explicit CTooltipPicture(const std::wstring& text) : m_text(text)
    {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        m_window = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX, 0, 0, 0, 0,
                                   nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (m_window == nullptr)
            return;
        TOOLINFOW tool = {};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
        tool.lpszText = &m_text[0];
        SendMessageW(m_window, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        // Room for the longest line: the tip's lines end at its line breaks.
        SendMessageW(m_window, TTM_SETMAXTIPWIDTH, 0, 600);
        SendMessageW(m_window, TTM_TRACKPOSITION, 0, MAKELPARAM(200, 200));
        SendMessageW(m_window, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
        PumpFor(300);
    }
    ~CTooltipPicture()
    {
        if (m_window != nullptr)
            DestroyWindow(m_window);
    }
    HWND Window() const { return m_window; }

private:
    std::wstring m_text;
    HWND m_window = nullptr;
};

class SimctlBrindleTest : public EndToEndTest {
protected:
    // Runs simctl.exe in this prefix; its exit code, ~0u when it did not end.
    DWORD Simctl(const std::wstring& arguments)
    {
        LaunchOptions options;
        options.program = WindowsPath(SIMCTL_EXE);
        options.arguments = arguments;
        CTestProcess* simctl = Start(options);
        if (simctl == nullptr || !simctl->WaitForExit(kSimctlMs))
            return ~0u;
        return simctl->ExitCode();
    }

    CTestProcess* StartBrindle()
    {
        const std::wstring program = DefaultProgram();
        if (program.empty()) {
            ADD_FAILURE() << "no brindle.exe in this build tree";
            return nullptr;
        }
        CTestProcess* brindle = Start(OptionsFor(program));
        if (brindle == nullptr)
            return nullptr;
        if (brindle->WaitForWindow(kMainWindowClass, kMainWindowTitle, kStartMs, &m_window) !=
                CTestProcess::Outcome::Window ||
            !WaitFor([&] { return Tray().HasIcon(m_window) || !brindle->IsRunning(); }, kStartMs) ||
            !Tray().HasIcon(m_window)) {
            ADD_FAILURE() << "brindle.exe did not come up; exit code " << brindle->ExitCode();
            return nullptr;
        }
        return brindle;
    }

    // simctl sets the scenario, then sends the refresh; the tooltip follows.
    void ExpectTipAfter(const wchar_t* scenario, const wchar_t* pinLine)
    {
        EXPECT_EQ(0u, Simctl(std::wstring(L"scenario ") + scenario)) << Narrow(scenario);
        EXPECT_EQ(0u, Simctl(L"send device-refresh")) << Narrow(scenario);
        const std::wstring tip = text::TipText(pinLine);
        EXPECT_TRUE(WaitFor([&] { return Tray().TipOf(m_window) == tip; }, kStepMs))
            << Narrow(scenario) << ": the tip is " << Narrow(Tray().TipOf(m_window));
    }

    void PictureOfTip(const std::string& name)
    {
        CTooltipPicture picture(Tray().TipOf(m_window));
        ASSERT_NE(nullptr, picture.Window());
        EXPECT_FALSE(Screenshot(name, picture.Window()).empty()) << name;
    }

    HWND m_window = nullptr;
};

TEST_F(SimctlBrindleTest, SimChangesShowInTheTrayAfterDeviceRefreshAndSendExitEndsTheProgram)
{
    ASSERT_TRUE(ProductKey().SetDword(L"BRINDLEReleaseDebugPrintEnable", 1));
    CTestProcess* brindle = StartBrindle();
    ASSERT_NE(nullptr, brindle);
    EXPECT_EQ(text::TipText(text::kPinNeeded), Tray().TipOf(m_window)) << Narrow(Tray().TipOf(m_window));
    PictureOfTip("tray_tooltip_pin_needed");
    HWND verify = WaitForDialog(brindle->Id(), kPinEdit, nullptr, kStepMs);
    ASSERT_NE(nullptr, verify) << "the verify dialog opens by itself while PIN1 is needed";
    Screenshot("verify_dialog", verify);

    // The refresh closes the open dialog before it looks at the SIM again.
    ExpectTipAfter(L"blocked", text::kPukNeeded);
    EXPECT_TRUE(WaitForWindowGone(verify, kStepMs));
    PictureOfTip("tray_tooltip_blocked");
    ExpectTipAfter(L"perm-blocked", text::kCardLocked);
    ExpectTipAfter(L"no-card", text::kCardAbsent);
    ExpectTipAfter(L"ready", text::kUsable);
    PictureOfTip("tray_tooltip_ready");
    EXPECT_TRUE(VisibleDialogs(brindle->Id()).empty()) << "a usable SIM asks for nothing";

    // A click as the shell reports it: the menu follows once the
    // double-click time has passed.
    EXPECT_EQ(0u, Simctl(L"send tray-click"));
    HWND menu = WaitForPopupMenu(brindle->Id(), kStepMs);
    ASSERT_NE(nullptr, menu) << "no menu after simctl's click";
    Screenshot("tray_menu", menu);
    EXPECT_TRUE(DismissMenu(menu));
    EXPECT_TRUE(WaitForWindowGone(menu, kStepMs));

    // simctl waits for the end of the program it told to exit.
    EXPECT_EQ(0u, Simctl(L"send exit"));
    EXPECT_FALSE(brindle->IsRunning());
    EXPECT_EQ(0u, brindle->ExitCode());
    EXPECT_EQ(1u, Tray().CountOf(NIM_DELETE, m_window));
}

TEST_F(SimctlBrindleTest, BadArgumentsChangeNothingAndSendingNeedsARunningProgram)
{
    simmodem::SetValue(L"PinLeft", 2);
    EXPECT_EQ(2u, Simctl(L"scenario blocked now"));
    EXPECT_EQ(2u, Simctl(L"scenario ports COM5 COM5"));
    EXPECT_EQ(2u, Simctl(L"scenario modem-slow many"));
    EXPECT_EQ(2u, Simctl(L"driver fault Sleepy 1"));
    EXPECT_EQ(2u, Simctl(L""));
    EXPECT_EQ(2u, simmodem::GetValue(L"PinLeft", 0));
    HKEY wmi = nullptr;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, simwmi::kWmiKeyPath, 0, KEY_READ, &wmi))
        << "the port list was written";
    if (wmi != nullptr)
        RegCloseKey(wmi);

    EXPECT_EQ(1u, Simctl(L"send device-refresh")) << "no Brindle runs";
    EXPECT_EQ(0u, Simctl(L"scenario perm-blocked"));
    EXPECT_EQ(0u, simmodem::GetValue(L"PukLeft", 10));
    EXPECT_EQ(0u, Simctl(L"scenario ports COM3 COM4"));
    EXPECT_EQ(0u, Simctl(L"show"));
}

} // namespace
} // namespace e2e
