// The PIN verify flow that opens by itself at start: wrong codes, the block,
// and what the menu allows afterwards.
#include "sim/gobiapi/SimModemControl.h"
#include "tests/e2e/BrindleFixture.h"
#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/MessagePump.h"
#include "tests/e2e/RemoteDialog.h"

namespace e2e {
namespace {

namespace text = brindletext;

TEST_F(BrindleTest, WrongCodesCountDownToTheBlockAfterWhichVerifyIsGreyedOut)
{
    CTestProcess* brindle = StartBrindle();
    ASSERT_NE(nullptr, brindle);

    // Each wrong code: string 111, then the dialog again with one attempt fewer.
    EnterPin(*brindle, L"0000", 3);
    ConfirmMessage(*brindle, text::kPinWrong, text::kPinBlocked);
    EnterPin(*brindle, L"9999", 2);
    ConfirmMessage(*brindle, text::kPinWrong, text::kPinBlocked);
    // The last attempt blocks PIN1: string 113, and the flow ends.
    EnterPin(*brindle, L"1111", 1);
    ConfirmMessage(*brindle, text::kPinBlocked, text::kPinWrong);
    ExpectNoDialogNow(*brindle);
    EXPECT_TRUE(WaitForTip(TipText(text::kPukNeeded))) << TipNow();
    EXPECT_EQ(3u, simmodem::CallCount("UIMVerifyPIN"));
    EXPECT_EQ(0u, simmodem::GetValue(L"PinLeft", 99));
    EXPECT_EQ(2u, CountLogMessages("AtCpin:FAIL (UIMVerifyPIN) (1012)", brindle->Id())) << DescribeLog();
    EXPECT_EQ(1u, CountLogMessages("AtCpin:FAIL (UIMVerifyPIN) (1035)", brindle->Id())) << DescribeLog();

    ExpectMenuItemGreyed(*brindle, kMenuVerifyPin);
    EXPECT_EQ(3u, simmodem::CallCount("UIMVerifyPIN"));
    // A refresh with PIN1 blocked has nothing to verify either.
    ASSERT_TRUE(PostDeviceRefresh(m_window));
    ExpectNoDialogNow(*brindle);
    EXPECT_EQ(TipText(text::kPukNeeded), Tray().TipOf(m_window)) << TipNow();

    // The same keys on an enabled item do choose it.
    HWND menu = OpenTrayMenu(*brindle);
    ASSERT_NE(nullptr, menu);
    ASSERT_TRUE(ChooseMenuItem(menu, kTrayMenu, kMenuAbout));
    HWND about = WaitForDialog(brindle->Id(), 0, kAboutCaption, kStepMs);
    EXPECT_NE(nullptr, about) << "the About dialog did not open";

    // Exit closes the About dialog with the rest.
    ASSERT_TRUE(PostMenuCommand(m_window, kCmdExit));
    ExpectOrderlyExit(*brindle);
}

} // namespace
} // namespace e2e
