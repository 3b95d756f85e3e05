// A dialog of another process found, read, typed into and ended.
#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/RemoteDialog.h"
#include "tests/e2e/ScreenCapture.h"
#include "tests/e2e/TrayAppFixture.h"

namespace e2e {
namespace {

class RemoteDialogTest : public TrayAppTest {
protected:
    HWND OpenCodeDialog()
    {
        m_app = StartTrayApp();
        if (!m_app)
            return nullptr;
        PostTrayMouse(AppWindow(), WM_LBUTTONDBLCLK);
        return WaitForDialog(m_app->Id(), TRAYAPP_EDIT, nullptr, kStepMs);
    }

    CTestProcess* m_app = nullptr;
};

TEST_F(RemoteDialogTest, TypingObeysTheEditsRulesAndOkHandsTheCodeOver)
{
    HWND dialog = OpenCodeDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(dialog, FindDialog(m_app->Id(), 0, L"コード入力")) << "found by caption too";
    EXPECT_EQ(L"コードを入力してください。", ItemText(dialog, TRAYAPP_NOTE));
    EXPECT_TRUE(ItemVisible(dialog, TRAYAPP_EDIT));
    EXPECT_FALSE(ItemEnabled(dialog, IDOK)) << "OK waits for a code";
    EXPECT_TRUE(ItemEnabled(dialog, IDCANCEL));
    EXPECT_FALSE(ItemExists(dialog, 4711));

    ASSERT_TRUE(TypeInto(dialog, TRAYAPP_EDIT, L"12a3-4"));
    EXPECT_EQ(L"1234", ItemText(dialog, TRAYAPP_EDIT)) << "ES_NUMBER drops what is not a digit";
    EXPECT_TRUE(ItemEnabled(dialog, IDOK));
    ASSERT_TRUE(TypeInto(dialog, TRAYAPP_EDIT, L"567890"));
    EXPECT_EQ(L"12345678", ItemText(dialog, TRAYAPP_EDIT)) << "the text limit holds typed input";
    EXPECT_FALSE(SaveWindowPng(dialog, L"RemoteDialogTest_code_dialog").empty());

    ASSERT_TRUE(ClickButton(dialog, IDOK));
    EXPECT_TRUE(WaitForWindowGone(dialog, kStepMs));
    EXPECT_TRUE(WaitFor([&] { return Tray().TipOf(AppWindow()) == L"Helper\nEntered 12345678"; }, kStepMs))
        << "tip now: " << std::string(Tray().TipOf(AppWindow()).begin(), Tray().TipOf(AppWindow()).end());
    EXPECT_TRUE(HasLogMessage("Dialog:OK 12345678", m_app->Id()));
}

struct EndingCase {
    const char* name;
    bool (*end)(HWND dialog);
    const char* logged;
};

class DialogEndingTest : public RemoteDialogTest, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(DialogEndingTest, EndsTheDialogAsTheUserWould)
{
    HWND dialog = OpenCodeDialog();
    ASSERT_NE(nullptr, dialog);
    // Pasted text skips ES_NUMBER, as a paste does.
    ASSERT_TRUE(SetItemText(dialog, TRAYAPP_EDIT, L"4x2"));
    EXPECT_EQ(L"4x2", ItemText(dialog, TRAYAPP_EDIT));
    ASSERT_TRUE(WaitFor([&] { return ItemEnabled(dialog, IDOK); }, kStepMs));
    ASSERT_TRUE(GetParam().end(dialog));
    EXPECT_TRUE(WaitForWindowGone(dialog, kStepMs));
    EXPECT_TRUE(WaitForLogMessage(GetParam().logged, kStepMs, m_app->Id()));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, DialogEndingTest,
    ::testing::Values(EndingCase{"EnterKey", [](HWND d) { return PressKey(d, VK_RETURN); }, "Dialog:OK 4x2"},
                      EndingCase{"EscapeKey", [](HWND d) { return PressKey(d, VK_ESCAPE); }, "Dialog:CANCEL"},
                      EndingCase{"CommandOk", [](HWND d) { return PostCommand(d, IDOK); }, "Dialog:OK 4x2"},
                      EndingCase{"CommandCancel", [](HWND d) { return PostCommand(d, IDCANCEL); }, "Dialog:CANCEL"},
                      EndingCase{"ClickCancel", [](HWND d) { return ClickButton(d, IDCANCEL); }, "Dialog:CANCEL"}),
    [](const ::testing::TestParamInfo<EndingCase>& info) { return std::string(info.param.name); });

TEST_F(RemoteDialogTest, NoDialogIsFoundBeforeItOpensOrAfterTheProgramEnds)
{
    CTestProcess* app = StartTrayApp();
    ASSERT_NE(nullptr, app);
    EXPECT_EQ(nullptr, FindDialog(app->Id(), 0));
    EXPECT_EQ(nullptr, WaitForDialog(app->Id(), TRAYAPP_EDIT, nullptr, 300));
    PostTrayMouse(AppWindow(), WM_LBUTTONDBLCLK);
    HWND dialog = WaitForDialog(app->Id(), TRAYAPP_EDIT, nullptr, kStepMs);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(nullptr, FindDialog(app->Id(), TRAYAPP_EDIT, L"another caption"));
    app->Terminate();
    EXPECT_TRUE(WaitForWindowGone(dialog, kStepMs));
}

} // namespace
} // namespace e2e
