// Base fixture of the end-to-end tests: a fake tray that exists before any
// program starts, a home folder of the test's own (where the debug log
// lands), the simulated platform reset, the registry put back afterwards,
// and no started program left running after the test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/FakeTray.h"
#include "tests/e2e/LogLine.h"
#include "tests/e2e/PlatformKnobs.h"
#include "tests/e2e/TestProcess.h"

namespace e2e {

// The program under test: the BRINDLE_E2E_PROGRAM environment variable if
// set, else the build tree's brindle.exe; empty when neither exists.
// A build-tree path as CMake writes it ("Z:/work/...") with Windows separators.
std::wstring WindowsPath(std::wstring path);
std::wstring DefaultProgram();
// The folder of one build of the stand-in GobiApi.dll ("full", "no-<Export>").
std::wstring GobiApiFolder(const wchar_t* variant = L"full");
// Executables whose leftovers are ended before each suite and after each test.
void KillLeftovers();
// UTF-8, for failure messages and printed paths.
std::string Narrow(const std::wstring& text);

class EndToEndTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Home folder, working folder and the stand-in modem library for program.
    LaunchOptions OptionsFor(const std::wstring& program) const;
    // Starts a program that the fixture ends after the test; null (with a
    // failure recorded) when it cannot be started.
    CTestProcess* Start(const LaunchOptions& options);

    CFakeTray& Tray() { return *m_tray; }
    const std::wstring& Home() const { return m_home->Path(); }

    // The home folder's BRINDLELOG.txt, line by line.
    std::vector<std::string> LogLines() const;
    // The parsed lines written by processId (0: by anyone).
    std::vector<LogLine> LogOf(DWORD processId = 0) const;
    bool HasLogMessage(const std::string& message, DWORD processId = 0) const;
    bool WaitForLogMessage(const std::string& message, DWORD timeoutMs, DWORD processId = 0);

    // <screenshots>/e2e/<suite>_<test>_<name>.png of the whole screen, or of
    // window's part of it.
    std::wstring Screenshot(const std::string& name, HWND window = nullptr) const;

    // The program finds GobiApi.dll beside itself before looking anywhere
    // else: to run it with another build of the stand-in ("full",
    // "no-<Export>", or "none" for no library at all), copy both into a
    // folder of the test's own. Returns the copy's path, empty on failure.
    std::wstring CopyProgramWithLibrary(const std::wstring& program, const wchar_t* variant);

    CProductKey& ProductKey() { return *m_productKey; }
    CCommonKey& CommonKey() { return *m_commonKey; }
    // Made on first use: most tests leave the machine's product type alone.
    CProductOptions& ProductOptions();
    // Wine's settings for one executable (made on first use, put back after the test).
    CProgramDefaults& ProgramDefaults(const std::wstring& exeName);

private:
    std::unique_ptr<CFakeTray> m_tray;
    std::unique_ptr<CTempFolder> m_home;
    std::unique_ptr<CProductKey> m_productKey;
    std::unique_ptr<CCommonKey> m_commonKey;
    std::unique_ptr<CProductOptions> m_productOptions;
    std::vector<std::unique_ptr<CProgramDefaults>> m_programDefaults;
    std::vector<std::unique_ptr<CTestProcess>> m_processes;
};

} // namespace e2e
