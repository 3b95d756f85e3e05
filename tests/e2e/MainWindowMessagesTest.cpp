// What the harness posts to a main window arrives in the other process.
#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/TrayAppFixture.h"

namespace e2e {
namespace {

struct PostedCase {
    const char* name;
    bool (*post)(HWND window);
    const char* logged;
};

class MainWindowMessagesTest : public TrayAppTest, public ::testing::WithParamInterface<PostedCase> {};

TEST_P(MainWindowMessagesTest, ArrivesWithItsParameter)
{
    CTestProcess* app = StartTrayApp();
    ASSERT_NE(nullptr, app);
    ASSERT_TRUE(GetParam().post(AppWindow()));
    EXPECT_TRUE(WaitForLogMessage(GetParam().logged, kStepMs, app->Id()));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, MainWindowMessagesTest,
    ::testing::Values(
        PostedCase{"Suspend", [](HWND w) { return PostPowerBroadcast(w, kPowerSuspend); }, "Message:PowerBroadcast 4"},
        PostedCase{"ResumeCritical", [](HWND w) { return PostPowerBroadcast(w, kPowerResumeCritical); },
                   "Message:PowerBroadcast 6"},
        PostedCase{"ResumeSuspend", [](HWND w) { return PostPowerBroadcast(w, kPowerResumeSuspend); },
                   "Message:PowerBroadcast 7"},
        PostedCase{"ResumeAutomatic", [](HWND w) { return PostPowerBroadcast(w, kPowerResumeAutomatic); },
                   "Message:PowerBroadcast 18"},
        PostedCase{"Lock", [](HWND w) { return PostSessionChange(w, kSessionLock); }, "Message:SessionChange 7"},
        PostedCase{"Unlock", [](HWND w) { return PostSessionChange(w, kSessionUnlock); }, "Message:SessionChange 8"},
        PostedCase{"ConsoleConnect", [](HWND w) { return PostSessionChange(w, kSessionConsoleConnect); },
                   "Message:SessionChange 1"},
        PostedCase{"ConsoleDisconnect", [](HWND w) { return PostSessionChange(w, kSessionConsoleDisconnect); },
                   "Message:SessionChange 2"},
        PostedCase{"EndSession", [](HWND w) { return PostEndSession(w, true); }, "Message:EndSession 1"},
        PostedCase{"EndSessionCancelled", [](HWND w) { return PostEndSession(w, false); }, "Message:EndSession 0"},
        PostedCase{"QueryEndSession", [](HWND w) { return PostQueryEndSession(w); }, "Message:QueryEndSession 0"},
        PostedCase{"DeviceRefresh", [](HWND w) { return PostDeviceRefresh(w); }, "Message:DeviceRefresh 0"},
        PostedCase{"TaskbarCreated", [](HWND w) { return PostTaskbarCreated(w); }, "TaskbarCreated"},
        PostedCase{"MenuCommand", [](HWND w) { return PostMenuCommand(w, kCmdAbout); }, "Command:40004"}),
    [](const ::testing::TestParamInfo<PostedCase>& info) { return std::string(info.param.name); });

using SentMessageTest = TrayAppTest;

TEST_F(SentMessageTest, QueryEndSessionSentGetsTheWindowsAnswer)
{
    CTestProcess* app = StartTrayApp();
    ASSERT_NE(nullptr, app);
    LRESULT answer = 0;
    ASSERT_TRUE(SendQueryEndSession(AppWindow(), answer));
    EXPECT_EQ(TRUE, answer);
    EXPECT_TRUE(HasLogMessage("Message:QueryEndSession 0", app->Id()));
}

} // namespace
} // namespace e2e
