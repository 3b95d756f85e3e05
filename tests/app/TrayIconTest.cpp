// Registering the tray icon with a stand-in taskbar: Wine's shell sends each
// Shell_NotifyIconW call as WM_COPYDATA to the first "Shell_TrayWnd" window,
// and a window made here is found before explorer's. Machine-wide while it
// exists, so this runs alone.
#include "app/Brindle.h"
#include "app/MainWindowIds.h"
#include "modem/SimService.h"
#include "sim/gobiapi/SimModemControl.h"
#include "tests/app/TestWindow.h"
#include "tests/common/LogCapture.h"
#include "tests/support/BrindleTexts.h"
#include "tests/support/RecordedDelays.h"
#include "tests/ui/DialogScript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// The start of Wine's platform-independent copy of NOTIFYICONDATA.
struct NotifyRecord {
    LONG hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    WCHAR szTip[128];
};

struct TrayCall {
    DWORD action;
    HWND window;
    UINT id;
    UINT flags;
    UINT callbackMessage;
    std::wstring tip;
};

class StandInTaskbar {
public:
    StandInTaskbar()
    {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &StandInTaskbar::Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"Shell_TrayWnd";
        RegisterClassW(&windowClass);
        current_ = this;
        hwnd_ = CreateWindowExW(0, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, windowClass.hInstance,
                                nullptr);
    }
    ~StandInTaskbar()
    {
        DestroyWindow(hwnd_);
        current_ = nullptr;
    }

    HWND Get() const { return hwnd_; }
    std::vector<TrayCall> calls;
    // The answer to a call; accepts everything unless set.
    std::function<BOOL(DWORD action)> answer;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != WM_COPYDATA || current_ == nullptr)
            return DefWindowProcW(hwnd, message, wParam, lParam);
        const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        TrayCall call = {};
        call.action = static_cast<DWORD>(data->dwData);
        if (data->cbData >= sizeof(NotifyRecord)) {
            const NotifyRecord* record = static_cast<const NotifyRecord*>(data->lpData);
            call.window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(record->hWnd));
            call.id = record->uID;
            call.flags = record->uFlags;
            call.callbackMessage = record->uCallbackMessage;
            call.tip.assign(record->szTip, wcsnlen(record->szTip, 128));
        }
        current_->calls.push_back(call);
        return current_->answer ? current_->answer(call.action) : TRUE;
    }

    static StandInTaskbar* current_;
    HWND hwnd_ = nullptr;
};

StandInTaskbar* StandInTaskbar::current_ = nullptr;

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, taskbar.Get());
        ASSERT_NE(nullptr, window.Get());
        ASSERT_TRUE(app.LoadSmallIcon());
        CSimService& service = CSimService::Instance();
        service.SetGpsOption(0);
        wcscpy(service.PinStatusText(), L"pin");
    }
    void TearDown() override { CSimService::Instance().PinStatusText()[0] = L'\0'; }

    int Count(DWORD action) const
    {
        int n = 0;
        for (const TrayCall& call : taskbar.calls)
            n += call.action == action ? 1 : 0;
        return n;
    }

    StandInTaskbar taskbar;
    TestWindow window;
    CBrindle app{GetModuleHandleW(nullptr)};
    LogCapture log;
    RecordedDelays delays;
};

TEST_F(TrayIconTest, AddRegistersCallbackIconAndTooltip)
{
    ASSERT_TRUE(app.UpdateTrayIcon(window.Get(), NIM_ADD));
    ASSERT_EQ(1u, taskbar.calls.size());
    const TrayCall& call = taskbar.calls[0];
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), call.action);
    EXPECT_EQ(window.Get(), call.window);
    EXPECT_EQ(0u, call.id);
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP), call.flags & (NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(WM_TRAY_NOTIFY, call.callbackMessage);
    EXPECT_EQ(brindletext::TipText(L"pin"), call.tip);
    EXPECT_TRUE(g_waits.empty());
}

TEST_F(TrayIconTest, AnIconThatStillExistsIsTakenOverByModify)
{
    taskbar.answer = [](DWORD action) { return action == NIM_MODIFY ? TRUE : FALSE; };
    EXPECT_TRUE(app.UpdateTrayIcon(window.Get(), NIM_ADD));
    EXPECT_EQ(1, Count(NIM_ADD));
    EXPECT_EQ(1, Count(NIM_MODIFY));
    EXPECT_EQ(std::vector<std::uint32_t>{1000}, g_waits);
    EXPECT_EQ((std::vector<std::string>{"Shell_NotifyIcon(NIM_ADD): FAIL ", "Shell_NotifyIcon(NIM_MODIFY): TRUE"}),
              log.Messages());
}

TEST_F(TrayIconTest, AddGivesUpAfterAHundredTriesASecondApart)
{
    taskbar.answer = [](DWORD) { return FALSE; };
    EXPECT_FALSE(app.UpdateTrayIcon(window.Get(), NIM_ADD));
    EXPECT_EQ(100, Count(NIM_ADD));
    EXPECT_EQ(100, Count(NIM_MODIFY));
    EXPECT_EQ(std::vector<std::uint32_t>(100, 1000), g_waits);
    EXPECT_EQ(100u, log.Messages().size()) << "one line per failed NIM_ADD";
}

// A refused modify is not retried: while the shell's area is gone every try
// would fail, and the window would answer nothing meanwhile.
TEST_F(TrayIconTest, ARefusedModifyIsTriedOnceWithoutAWaitOrAnAdd)
{
    taskbar.answer = [](DWORD) { return FALSE; };
    EXPECT_FALSE(app.UpdateTrayIcon(window.Get(), NIM_MODIFY));
    EXPECT_EQ(0, Count(NIM_ADD));
    EXPECT_EQ(1, Count(NIM_MODIFY));
    EXPECT_TRUE(g_waits.empty());
    EXPECT_TRUE(log.Messages().empty());
}

// The whole start against a shell that never takes the icon, its hundred
// one-second tries counted rather than sat through: message 142, and the
// window's creation fails, which ends the start with exit code 1.
TEST_F(TrayIconTest, AStartWhoseIconIsNeverTakenSaysSoAndFails)
{
    simmodem::Reset();
    ASSERT_TRUE(simmodem::UseVariant(L"full"));
    taskbar.answer = [](DWORD) { return FALSE; };
    std::wstring shown;
    CDialogScript script;
    script.WaitFor([] { return !ThreadDialogs().empty(); }).Then([&] {
        HWND message = ThreadDialogs().front();
        shown = MessageTextOf(message) != nullptr ? MessageTextOf(message) : L"(not a message)";
        Click(message, IDOK);
    });
    WNDCLASSEXW windowClass = {};
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"BrindleTrayIconTestMain";
    BOOL created = TRUE;
    script.RunModal([&] {
        created = app.Create(windowClass, L"", WS_OVERLAPPEDWINDOW, 0, nullptr, nullptr, nullptr);
        return 0;
    });
    MSG quit;
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    CSimService::Instance().DisconnectModem();
    simmodem::Reset();

    EXPECT_TRUE(script.Finished());
    EXPECT_FALSE(created);
    EXPECT_EQ(std::wstring(brindletext::kCannotStartYet), shown);
    EXPECT_EQ(100, Count(NIM_ADD));
    EXPECT_EQ(100, Count(NIM_MODIFY)) << "an icon that still exists is looked for after each try";
    const std::vector<std::string> lines = log.Messages();
    EXPECT_EQ(100, std::count(lines.begin(), lines.end(), "Shell_NotifyIcon(NIM_ADD): FAIL "));
}

TEST_F(TrayIconTest, OtherActionsAreRefusedWithoutACall)
{
    EXPECT_FALSE(app.UpdateTrayIcon(window.Get(), NIM_DELETE));
    EXPECT_TRUE(taskbar.calls.empty());
}

TEST_F(TrayIconTest, DeleteNamesTheSameIcon)
{
    app.DeleteTrayIcon(window.Get());
    ASSERT_EQ(1u, taskbar.calls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), taskbar.calls[0].action);
    EXPECT_EQ(window.Get(), taskbar.calls[0].window);
    EXPECT_EQ(0u, taskbar.calls[0].id);
}

} // namespace
