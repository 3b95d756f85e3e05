// The fake tray against shell32 itself (calls from the test thread) and
// against a program in another process.
#include <windows.h>
#include <shellapi.h>

#include "tests/e2e/TrayAppFixture.h"

namespace e2e {
namespace {

// A window of the test's own to hang icons on.
class COwnWindow : CUncopyable {
public:
    COwnWindow()
    {
        m_window = CreateWindowExW(0, L"STATIC", L"icon owner", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    }
    ~COwnWindow() { DestroyWindow(m_window); }
    HWND Get() const { return m_window; }

private:
    HWND m_window;
};

NOTIFYICONDATAW IconData(HWND window, UINT id, UINT flags, const wchar_t* tip)
{
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = id;
    data.uFlags = flags;
    data.uCallbackMessage = WM_APP + 1;
    data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(data.szTip, tip, ARRAYSIZE(data.szTip));
    return data;
}

using FakeTrayTest = EndToEndTest;

TEST_F(FakeTrayTest, RecordsWhatShell32SendsForAddModifyDelete)
{
    COwnWindow owner;
    // 127 characters: the longest tip that fits with its terminator.
    std::wstring longTip = L"Brindle\nPIN ： 使用可能です。";
    longTip.resize(127, L'z');
    NOTIFYICONDATAW data = IconData(owner.Get(), 0x1234567, NIF_MESSAGE | NIF_ICON | NIF_TIP, longTip.c_str());
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));

    ASSERT_EQ(1u, Tray().Calls().size());
    const TrayIconRecord& add = Tray().Calls()[0].record;
    EXPECT_EQ(static_cast<std::uint32_t>(NIM_ADD), add.action);
    EXPECT_EQ(owner.Get(), reinterpret_cast<HWND>(static_cast<ULONG_PTR>(add.window)));
    EXPECT_EQ(0x1234567u, add.id);
    EXPECT_EQ(static_cast<std::uint32_t>(NIF_MESSAGE | NIF_ICON | NIF_TIP), add.flags);
    EXPECT_EQ(static_cast<std::uint32_t>(WM_APP + 1), add.callbackMessage);
    EXPECT_EQ(longTip, add.tip);
    EXPECT_EQ(static_cast<std::uint32_t>(GetSystemMetrics(SM_CXICON)), add.iconWidth)
        << "the icon's size follows the record";

    data = IconData(owner.Get(), 0x1234567, NIF_TIP, L"second");
    data.uCallbackMessage = WM_APP + 9; // not flagged: must not change the icon
    ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
    EXPECT_EQ(L"second", Tray().TipOf(owner.Get(), 0x1234567));
    EXPECT_EQ(static_cast<UINT>(WM_APP + 1), Tray().Icons().at(0).callbackMessage);

    data = IconData(owner.Get(), 0x1234567, 0, L"");
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    EXPECT_FALSE(Tray().HasIcon(owner.Get(), 0x1234567));
    EXPECT_EQ(3u, Tray().Calls().size());
    EXPECT_EQ(L"", Tray().Calls()[2].record.tip) << "shell32 copies the tip only with NIF_TIP";
}

TEST_F(FakeTrayTest, AnswersAsAShellWouldAndAsScripted)
{
    COwnWindow owner;
    NOTIFYICONDATAW data = IconData(owner.Get(), 0, NIF_TIP, L"t");
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data)) << "modify of an unknown icon";
    EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &data)) << "delete of an unknown icon";
    EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data)) << "second add of the same icon";
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));

    Tray().RefuseNext(NIM_MODIFY, 2);
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data)) << "only the next two were to be refused";

    Tray().SetAnswer(NIM_ADD, CFakeTray::Answer::Accept);
    EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &data)) << "accepted although the icon exists";
    Tray().SetAnswer(NIM_MODIFY, CFakeTray::Answer::Refuse);
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
    EXPECT_EQ(10u, Tray().Calls().size());
    EXPECT_EQ(6u, Tray().CountOf(NIM_MODIFY, owner.Get()));
}

class ProgramTrayTest : public TrayAppTest {};

TEST_F(ProgramTrayTest, TipFlagsAndCallbackOfAnotherProcessAreSeen)
{
    CTestProcess* app = StartTrayApp(L"--tip \"Line one\\n： two\"");
    ASSERT_NE(nullptr, app);
    const std::vector<TrayCall> adds = Tray().CallsOf(NIM_ADD, AppWindow());
    ASSERT_EQ(1u, adds.size());
    EXPECT_TRUE(adds[0].answer);
    EXPECT_EQ(0u, adds[0].record.id);
    EXPECT_EQ(static_cast<std::uint32_t>(NIF_MESSAGE | NIF_ICON | NIF_TIP), adds[0].record.flags);
    EXPECT_EQ(static_cast<std::uint32_t>(TRAYAPP_TRAY_NOTIFY), adds[0].record.callbackMessage);
    EXPECT_EQ(L"Line one\n： two", Tray().TipOf(AppWindow()));
    EXPECT_EQ(AppWindow(), Tray().IconOfProcess(app->Id()).window);

    PostMessageW(AppWindow(), WM_COMMAND, TRAYAPP_CMD_EXIT, 0);
    ASSERT_TRUE(app->WaitForExit(kStepMs));
    EXPECT_EQ(1u, Tray().CountOf(NIM_DELETE, AppWindow()));
    EXPECT_TRUE(Tray().Icons().empty()) << "the icon must go with the program";
}

TEST_F(ProgramTrayTest, RefusedAddsAreSeenAndAnsweredFalse)
{
    Tray().RefuseNext(NIM_ADD, 2);
    CTestProcess* app = StartTrayApp(L"--add-tries 5");
    ASSERT_NE(nullptr, app);
    const std::vector<TrayCall> adds = Tray().CallsOf(NIM_ADD, AppWindow());
    ASSERT_EQ(3u, adds.size());
    EXPECT_FALSE(adds[0].answer);
    EXPECT_FALSE(adds[1].answer);
    EXPECT_TRUE(adds[2].answer);
    // The program sees FALSE: it logs each failure and tries the modify it falls back to.
    size_t failures = 0;
    for (const LogLine& line : LogOf(app->Id()))
        failures += line.message == "Shell_NotifyIcon(NIM_ADD): FAIL ";
    EXPECT_EQ(2u, failures);
    EXPECT_EQ(2u, Tray().CountOf(NIM_MODIFY, AppWindow()));
}

TEST_F(ProgramTrayTest, RefusedAddButAcceptedModifyCountsAsShown)
{
    Tray().SetAnswer(NIM_ADD, CFakeTray::Answer::Refuse);
    Tray().SetAnswer(NIM_MODIFY, CFakeTray::Answer::Accept);
    CTestProcess* app = StartTrayApp(L"", false);
    ASSERT_NE(nullptr, app);
    ASSERT_TRUE(WaitForLogMessage("Shell_NotifyIcon(NIM_MODIFY): TRUE", kStepMs, app->Id()));
    EXPECT_TRUE(app->IsRunning());
}

TEST_F(ProgramTrayTest, ShellRestartBringsTheIconBack)
{
    CTestProcess* app = StartTrayApp(L"--tip \"Before\"");
    ASSERT_NE(nullptr, app);
    Tray().RestartShell();
    ASSERT_TRUE(
        WaitFor([&] { return Tray().CountOf(NIM_ADD, AppWindow()) == 2 && Tray().HasIcon(AppWindow()); }, kStepMs));
    EXPECT_EQ(L"Before", Tray().TipOf(AppWindow()));
    EXPECT_TRUE(HasLogMessage("TaskbarCreated", app->Id()));
}

TEST_F(ProgramTrayTest, TaskbarCreatedWhileTheIconStillExistsEndsInAModify)
{
    CTestProcess* app = StartTrayApp(L"--add-tries 3");
    ASSERT_NE(nullptr, app);
    CFakeTray::BroadcastTaskbarCreated();
    ASSERT_TRUE(WaitForLogMessage("Shell_NotifyIcon(NIM_MODIFY): TRUE", kStepMs, app->Id()));
    const std::vector<TrayCall> adds = Tray().CallsOf(NIM_ADD, AppWindow());
    ASSERT_EQ(2u, adds.size());
    EXPECT_FALSE(adds[1].answer) << "a shell refuses to add an icon it already shows";
    EXPECT_TRUE(Tray().HasIcon(AppWindow()));
}

} // namespace
} // namespace e2e
