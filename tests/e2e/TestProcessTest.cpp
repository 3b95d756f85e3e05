// Starting programs, their exit codes, their environment, and leftovers.
#include "tests/e2e/TrayAppFixture.h"

namespace e2e {
namespace {

class ExitCodeTest : public TrayAppTest, public ::testing::WithParamInterface<DWORD> {};

TEST_P(ExitCodeTest, EarlyExitIsReportedWithItsCode)
{
    LaunchOptions options = OptionsFor(E2E_TRAY_APP);
    options.arguments = L"--exit-at-start " + std::to_wstring(GetParam());
    CTestProcess* app = Start(options);
    ASSERT_NE(nullptr, app);
    EXPECT_EQ(CTestProcess::Outcome::Exited, app->WaitForWindow(L"E2eTrayApp", nullptr, kStartMs));
    ASSERT_TRUE(app->WaitForExit(kStepMs));
    EXPECT_EQ(GetParam(), app->ExitCode());
    EXPECT_TRUE(Tray().Calls().empty());
}

INSTANTIATE_TEST_SUITE_P(Codes, ExitCodeTest, ::testing::Values(0u, 1u, 7u, 255u));

using TestProcessTest = TrayAppTest;

TEST_F(TestProcessTest, ExitThroughTheMenuCommandGivesTheProgramsCode)
{
    CTestProcess* app = StartTrayApp(L"--exit-code 5");
    ASSERT_NE(nullptr, app);
    EXPECT_TRUE(app->IsRunning());
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), app->ExitCode());
    PostMessageW(AppWindow(), WM_COMMAND, TRAYAPP_CMD_EXIT, 0);
    ASSERT_TRUE(app->WaitForExit(kStepMs));
    EXPECT_EQ(5u, app->ExitCode());
}

TEST_F(TestProcessTest, HomeFolderTakesTheLogOfThisProcessOnly)
{
    CTestProcess* app = StartTrayApp();
    ASSERT_NE(nullptr, app);
    const std::vector<LogLine> lines = LogOf(app->Id());
    ASSERT_FALSE(lines.empty()) << "no BRINDLELOG.txt in the test's home folder";
    EXPECT_EQ("Start", lines.front().message);
    EXPECT_EQ(lines.size(), LogOf().size()) << "every line must come from the started program";
}

TEST_F(TestProcessTest, ExtraEnvironmentReachesTheProgram)
{
    // The home folder comes from the environment; a chosen one wins over the fixture's.
    CTempFolder otherHome(L"e2e-other");
    LaunchOptions options = OptionsFor(E2E_TRAY_APP);
    options.arguments = L"--exit-at-start 0";
    options.environment.emplace_back(L"HOMEPATH", otherHome.Path().substr(2));
    CTestProcess* app = Start(options);
    ASSERT_NE(nullptr, app);
    ASSERT_TRUE(app->WaitForExit(kStepMs));
    EXPECT_TRUE(LogLines().empty());
    EXPECT_FALSE(ReadFileBytes(otherHome.File(L"BRINDLELOG.txt")).empty());
}

TEST_F(TestProcessTest, LeftoversAreKilledAndTheirMutexFreed)
{
    const wchar_t* mutexName = L"Global\\e2e-leftover-test";
    LaunchOptions options = OptionsFor(E2E_TRAY_APP);
    options.arguments = std::wstring(L"--no-window --mutex ") + mutexName;
    CTestProcess* app = Start(options);
    ASSERT_NE(nullptr, app);
    const DWORD id = app->Id();
    ASSERT_TRUE(WaitForLogMessage("Mutex:TAKEN Global\\e2e-leftover-test", kStartMs, id));
    app->Detach(); // as if an earlier run had crashed and left it behind

    const std::vector<DWORD> found = FindProcesses(L"E2E_TRAY_APP.EXE");
    ASSERT_EQ(1u, found.size()) << "names compare without regard to case";
    EXPECT_EQ(id, found[0]);
    EXPECT_EQ(1u, KillProcesses(L"e2e_tray_app.exe"));
    EXPECT_TRUE(FindProcesses(L"e2e_tray_app.exe").empty());

    HANDLE mutex = CreateMutexW(nullptr, FALSE, mutexName);
    ASSERT_NE(nullptr, mutex);
    const DWORD wait = WaitForSingleObject(mutex, 0);
    EXPECT_TRUE(wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) << "wait result " << wait;
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

TEST_F(TestProcessTest, ProgramCopiedBesideAChosenLibraryRunsFromTheCopy)
{
    const std::wstring copy = CopyProgramWithLibrary(E2E_TRAY_APP, L"no-UIMVerifyPIN");
    ASSERT_FALSE(copy.empty());
    const std::wstring folder = copy.substr(0, copy.find_last_of(L'\\'));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder + L"\\GobiApi.dll").c_str()));
    LaunchOptions options = OptionsFor(copy);
    options.arguments = L"--exit-at-start 3";
    CTestProcess* app = Start(options);
    ASSERT_NE(nullptr, app);
    ASSERT_TRUE(app->WaitForExit(kStepMs));
    EXPECT_EQ(3u, app->ExitCode());

    ASSERT_EQ(copy, CopyProgramWithLibrary(E2E_TRAY_APP, L"none"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder + L"\\GobiApi.dll").c_str()))
        << "no library at all must leave none behind";
}

TEST_F(TestProcessTest, HolderEndsWhatIsStillRunning)
{
    DWORD id = 0;
    {
        CTestProcess app;
        LaunchOptions options = OptionsFor(E2E_TRAY_APP);
        options.arguments = L"--no-window";
        ASSERT_TRUE(app.Start(options));
        id = app.Id();
        EXPECT_EQ(1u, FindProcesses(L"e2e_tray_app.exe").size());
    }
    EXPECT_TRUE(FindProcesses(L"e2e_tray_app.exe").empty()) << "process " << id << " survived its holder";
}

} // namespace
} // namespace e2e
