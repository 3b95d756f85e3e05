// The harness's tests run against the stand-in tray program (helpers/).
#pragma once

#include <string>

#include "tests/e2e/EndToEndFixture.h"
#include "tests/e2e/MessagePump.h"
#include "tests/e2e/helpers/TrayAppIds.h"

namespace e2e {

class TrayAppTest : public EndToEndTest {
protected:
    static constexpr DWORD kStartMs = 20000;
    static constexpr DWORD kStepMs = 10000;

    // Starts the tray program with arguments and waits for its window and its
    // icon; null (failure recorded) when either does not come.
    CTestProcess* StartTrayApp(const std::wstring& arguments = L"", bool waitForIcon = true)
    {
        LaunchOptions options = OptionsFor(E2E_TRAY_APP);
        options.arguments = arguments;
        CTestProcess* app = Start(options);
        if (!app)
            return nullptr;
        m_window = nullptr;
        if (app->WaitForWindow(L"E2eTrayApp", nullptr, kStartMs, &m_window) != CTestProcess::Outcome::Window) {
            ADD_FAILURE() << "no window from the tray program; exit code " << app->ExitCode();
            return nullptr;
        }
        if (waitForIcon && !WaitFor([&] { return Tray().HasIcon(m_window); }, kStartMs)) {
            ADD_FAILURE() << "the tray program's icon never came; calls seen: " << Tray().Calls().size();
            return nullptr;
        }
        return app;
    }

    HWND AppWindow() const { return m_window; }

private:
    HWND m_window = nullptr;
};

} // namespace e2e
