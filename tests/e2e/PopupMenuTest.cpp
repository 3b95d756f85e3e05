// The popup menu another process tracks: seen, read, chosen from, dismissed.
#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/RemotePopupMenu.h"
#include "tests/e2e/TrayAppFixture.h"

namespace e2e {
namespace {

class PopupMenuTest : public TrayAppTest {
protected:
    HWND OpenMenu()
    {
        PostTrayMouse(AppWindow(), WM_RBUTTONUP);
        return WaitForPopupMenu(m_app->Id(), kStepMs);
    }
    // A chosen item posts its command before the menu goes, so a message
    // posted once it has gone is handled after that command.
    bool RoundTrip()
    {
        static unsigned mark = 0;
        ++mark;
        return PostMessageW(AppWindow(), kDeviceRefresh, mark, 0) &&
               WaitForLogMessage("Message:DeviceRefresh " + std::to_string(mark), kStepMs, m_app->Id());
    }
    void SetUp() override
    {
        TrayAppTest::SetUp();
        m_app = StartTrayApp();
        ASSERT_NE(nullptr, m_app);
    }

    CTestProcess* m_app = nullptr;
};

// The tray program's menu as its resource lays it out, for choosing by keys.
std::vector<MenuItem> KnownLayout()
{
    return {{TRAYAPP_CMD_OPEN, 0, L""},
            {TRAYAPP_CMD_GREYED, MF_GRAYED, L""},
            {0, MF_SEPARATOR, L""},
            {TRAYAPP_CMD_ABOUT, 0, L""},
            {TRAYAPP_CMD_EXIT, 0, L""}};
}

TEST_F(PopupMenuTest, ItemStatesOfAnotherProcessCannotBeRead)
{
    HWND menu = OpenMenu();
    ASSERT_NE(nullptr, menu);
    // Under Wine a menu handle is private to its process: MN_GETHMENU hands
    // it over, but GetMenuState and friends refuse a foreign one.
    std::vector<MenuItem> items;
    EXPECT_FALSE(ReadMenuItems(menu, items));
    ASSERT_TRUE(DismissMenu(menu));
    EXPECT_TRUE(WaitFor([&] { return FindPopupMenu(m_app->Id()) == nullptr; }, kStepMs));
}

TEST_F(PopupMenuTest, ArrowKeysAndEnterChooseAnItem)
{
    HWND menu = OpenMenu();
    ASSERT_NE(nullptr, menu);
    ASSERT_TRUE(ChooseMenuItem(menu, KnownLayout(), 3));
    EXPECT_TRUE(WaitForLogMessage("Command:40004", kStepMs, m_app->Id()));
    EXPECT_EQ(nullptr, FindPopupMenu(m_app->Id()));
}

// Item states cannot be read from outside; what shows a greyed item is that
// choosing it ends the menu without a command.
TEST_F(PopupMenuTest, EnterOnAGreyedItemEndsTheMenuWithoutACommand)
{
    HWND menu = OpenMenu();
    ASSERT_NE(nullptr, menu);
    ASSERT_TRUE(ChooseMenuItem(menu, KnownLayout(), 1));
    EXPECT_TRUE(WaitFor([&] { return FindPopupMenu(m_app->Id()) == nullptr; }, kStepMs));
    ASSERT_TRUE(RoundTrip());
    EXPECT_FALSE(HasLogMessage("Command:40003", m_app->Id()));
    ASSERT_NE(nullptr, OpenMenu()) << "the menu must open again";
    ASSERT_TRUE(ChooseMenuItem(FindPopupMenu(m_app->Id()), KnownLayout(), 0));
    EXPECT_TRUE(WaitForLogMessage("Command:40002", kStepMs, m_app->Id())) << "the enabled item next to it works";
}

TEST_F(PopupMenuTest, EscapeDismissesWithoutACommandAndMnemonicChooses)
{
    HWND menu = OpenMenu();
    ASSERT_NE(nullptr, menu);
    ASSERT_TRUE(DismissMenu(menu));
    ASSERT_TRUE(WaitFor([&] { return FindPopupMenu(m_app->Id()) == nullptr; }, kStepMs));
    ASSERT_TRUE(RoundTrip());
    for (const LogLine& line : LogOf(m_app->Id()))
        EXPECT_NE(0u, line.message.rfind("Command:", 0)) << "dismissing chose " << line.message;

    menu = OpenMenu();
    ASSERT_NE(nullptr, menu) << "the menu must open again after a dismissal";
    ASSERT_TRUE(PressMenuMnemonic(menu, L'x'));
    EXPECT_TRUE(m_app->WaitForExit(kStepMs)) << "the mnemonic of the exit item";
    EXPECT_TRUE(HasLogMessage("Command:40005", m_app->Id()));
}

} // namespace
} // namespace e2e
