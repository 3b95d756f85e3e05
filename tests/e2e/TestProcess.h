// One program started by a test, with an environment of its own. The holder
// owns the process: whatever is still running when it is destroyed is
// terminated, so no instance outlives the test that started it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/Uncopyable.h"
#include "tests/e2e/EnvironmentBlock.h"
#include "tests/e2e/TempFolder.h"

namespace e2e {

struct LaunchOptions {
    std::wstring program;   // full path as Wine sees it
    std::wstring arguments; // the command line after the quoted program path
    // HOMEDRIVE and HOMEPATH point here (where the debug log lands); also the
    // working folder. Empty: both inherited.
    std::wstring homeFolder;
    // Put in front of PATH, so that LoadLibraryW finds stand-in DLLs there.
    std::vector<std::wstring> dllFolders;
    EnvironmentOverrides environment;
};

class CTestProcess : CUncopyable {
public:
    enum class Outcome { Window, Exited, TimedOut };

    CTestProcess() = default;
    ~CTestProcess() { Terminate(); }

    // False when CreateProcessW failed (its error stays in GetLastError()).
    bool Start(const LaunchOptions& options);

    DWORD Id() const { return m_processId; }
    HANDLE Handle() const { return m_process; }
    bool IsRunning() const;
    // STILL_ACTIVE while running; ~0u when never started.
    DWORD ExitCode() const;

    // Pumps the test thread's messages while waiting.
    bool WaitForExit(DWORD timeoutMs);
    // Waits until the process has a top-level window of that class and title
    // (either may be null), or has ended, or time runs out.
    Outcome WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs, HWND* window = nullptr);

    // Ends the process if it still runs and waits until it is gone.
    void Terminate();
    // Lets go of the process without ending it (for tests of leftover handling).
    void Detach();

private:
    HANDLE m_process = nullptr;
    DWORD m_processId = 0;
};

// Top-level windows (hidden ones too) of processId, with that class and
// title when given.
std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className = nullptr, const wchar_t* title = nullptr);

// Process ids whose executable file is named exeName (without path, any case).
std::vector<DWORD> FindProcesses(const wchar_t* exeName);
// Terminates every process whose executable is named exeName and waits until
// they are gone. Returns how many were found.
size_t KillProcesses(const wchar_t* exeName, DWORD timeoutMs = 10000);

} // namespace e2e
