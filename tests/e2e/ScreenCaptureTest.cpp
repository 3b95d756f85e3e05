// Screenshots read what the display shows, other processes' windows included.
// They matter only to the pictures, so tools/screenshots runs these checks
// before it draws them, and the test run does not.
#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/RemoteDialog.h"
#include "tests/e2e/ScreenCapture.h"
#include "tests/e2e/TrayAppFixture.h"

#include <set>

namespace e2e {
namespace {

using ScreenCaptureTest = TrayAppTest;

TEST_F(ScreenCaptureTest, DISABLED_WholeScreenIsWrittenAsAPngOfTheScreensSize)
{
    const std::wstring path = SaveScreenPng(L"ScreenCaptureTest_whole_screen");
    ASSERT_FALSE(path.empty());
    const std::string png = ReadFileBytes(path);
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(std::string("\x89PNG\r\n\x1A\n", 8), png.substr(0, 8));
    auto be32 = [&](size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(png[at])) << 24 |
               static_cast<unsigned char>(png[at + 1]) << 16 | static_cast<unsigned char>(png[at + 2]) << 8 |
               static_cast<unsigned char>(png[at + 3]);
    };
    EXPECT_EQ(static_cast<std::uint32_t>(GetSystemMetrics(SM_CXSCREEN)), be32(16));
    EXPECT_EQ(static_cast<std::uint32_t>(GetSystemMetrics(SM_CYSCREEN)), be32(20));
}

TEST_F(ScreenCaptureTest, DISABLED_AnotherProcesssDialogIsOnThePicture)
{
    CTestProcess* app = StartTrayApp();
    ASSERT_NE(nullptr, app);
    RECT area = {0, 0, 200, 100};
    PostTrayMouse(AppWindow(), WM_LBUTTONDBLCLK);
    HWND dialog = WaitForDialog(app->Id(), TRAYAPP_EDIT, nullptr, kStepMs);
    ASSERT_NE(nullptr, dialog);
    PumpFor(300);
    ASSERT_TRUE(GetWindowRect(dialog, &area));
    std::vector<std::uint8_t> rgb;
    ASSERT_TRUE(CaptureScreenRect(area, rgb));
    std::set<std::uint32_t> colours;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        colours.insert(rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2]);
    EXPECT_GT(colours.size(), 3u) << "a dialog with a caption, text and buttons is more than a flat area";
    EXPECT_FALSE(SaveWindowPng(dialog, L"ScreenCaptureTest_dialog").empty());
}

} // namespace
} // namespace e2e
