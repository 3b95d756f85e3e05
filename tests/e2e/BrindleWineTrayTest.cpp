// brindle.exe with Wine's own notification area instead of the fake tray, so
// that the icon is drawn on the display. Not part of the regular run (the
// fake tray is what the scenarios observe); tools/screenshots winetray runs
// it, and it names the pictures it takes.
#include <iostream>

#include "sim/gobiapi/SimModemControl.h"
#include "tests/e2e/BrindleFixture.h"
#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/MessagePump.h"
#include "tests/e2e/PlatformKnobs.h"
#include "tests/e2e/ScreenCapture.h"
#include "tests/e2e/TempFolder.h"

namespace e2e {
namespace {

constexpr wchar_t kWineTrayTitle[] = L"Wine System Tray";

std::string Describe(HWND window)
{
    wchar_t name[256] = L"";
    GetClassNameW(window, name, ARRAYSIZE(name));
    RECT rect = {};
    GetWindowRect(window, &rect);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return Narrow(name) + " of process " + std::to_string(process) + " at (" + std::to_string(rect.left) + "," +
           std::to_string(rect.top) + ")-(" + std::to_string(rect.right) + "," + std::to_string(rect.bottom) + ")";
}

TEST(BrindleWineTrayTest, DISABLED_IconOnWinesOwnTray)
{
    const std::wstring program = DefaultProgram();
    if (program.empty())
        FAIL() << "no brindle.exe in this build tree: the product did not build";
    KillLeftovers();
    simmodem::Reset();
    simmodem::SetValue(L"PinVerified", 1);
    CTempFolder home(L"e2e-home");
    CProgramDefaults defaults(L"brindle.exe");
    ASSERT_TRUE(defaults.SetUnmanagedWindows());
    CProductKey productKey;

    LaunchOptions options;
    options.program = program;
    options.homeFolder = home.Path();
    options.dllFolders.push_back(GobiApiFolder());
    CTestProcess brindle;
    ASSERT_TRUE(brindle.Start(options));
    HWND window = nullptr;
    ASSERT_EQ(CTestProcess::Outcome::Window,
              brindle.WaitForWindow(kMainWindowClass, kMainWindowTitle, kStartMs, &window));
    // Without a tray manager on the display (Xvfb has none) Wine's X11
    // driver shows the icons in a window of its own once the first one
    // comes, after the settling time.
    HWND trayWindow = nullptr;
    WaitFor(
        [&] {
            trayWindow = FindWindowW(nullptr, kWineTrayTitle);
            return trayWindow && IsWindowVisible(trayWindow);
        },
        kStartMs);
    ASSERT_NE(nullptr, trayWindow) << "no \"Wine System Tray\" window";
    EXPECT_TRUE(IsWindowVisible(trayWindow));
    std::cout << "Wine's tray: " << Describe(trayWindow) << "\n";
    std::cout << "tray picture: " << Narrow(SaveWindowPng(trayWindow, L"BrindleWineTrayTest_tray")) << "\n";
    std::cout << "screen: " << Narrow(SaveScreenPng(L"BrindleWineTrayTest_screen")) << "\n";

    ASSERT_TRUE(PostMenuCommand(window, kCmdExit));
    EXPECT_TRUE(brindle.WaitForExit(kStepMs));
    EXPECT_EQ(0u, brindle.ExitCode());
    simmodem::Reset();
}

} // namespace
} // namespace e2e
