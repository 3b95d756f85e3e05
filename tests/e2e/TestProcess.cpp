#include "tests/e2e/TestProcess.h"

#include <tlhelp32.h>

#include <algorithm>

#include "tests/e2e/MessagePump.h"

namespace e2e {
namespace {

std::wstring Lower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return towlower(c); });
    return text;
}

std::vector<std::wstring> CurrentEnvironment()
{
    wchar_t* block = GetEnvironmentStringsW();
    std::vector<std::wstring> entries = SplitEnvironmentBlock(block);
    FreeEnvironmentStringsW(block);
    return entries;
}

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    const wchar_t* title;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId)
        return TRUE;
    wchar_t text[256];
    if (search->className && (!GetClassNameW(window, text, ARRAYSIZE(text)) || lstrcmpW(text, search->className) != 0))
        return TRUE;
    // GetWindowTextW reads another process's title from the server, without a message.
    if (search->title) {
        text[0] = 0;
        GetWindowTextW(window, text, ARRAYSIZE(text));
        if (lstrcmpW(text, search->title) != 0)
            return TRUE;
    }
    search->found.push_back(window);
    return TRUE;
}

} // namespace

bool CTestProcess::Start(const LaunchOptions& options)
{
    Terminate();
    EnvironmentOverrides overrides;
    if (!options.homeFolder.empty() && options.homeFolder.size() >= 2 && options.homeFolder[1] == L':') {
        overrides.emplace_back(L"HOMEDRIVE", options.homeFolder.substr(0, 2));
        overrides.emplace_back(L"HOMEPATH", options.homeFolder.size() > 2 ? options.homeFolder.substr(2) : L"\\");
    }
    const std::vector<std::wstring> current = CurrentEnvironment();
    if (!options.dllFolders.empty()) {
        std::wstring path;
        for (const std::wstring& folder : options.dllFolders)
            path += folder + L";";
        overrides.emplace_back(L"PATH", path + EnvironmentValue(current, L"PATH"));
    }
    overrides.insert(overrides.end(), options.environment.begin(), options.environment.end());
    std::wstring environment = BuildEnvironmentBlock(current, overrides);

    std::wstring commandLine = L"\"" + options.program + L"\"";
    if (!options.arguments.empty())
        commandLine += L" " + options.arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    const wchar_t* folder = options.homeFolder.empty() ? nullptr : options.homeFolder.c_str();
    if (!CreateProcessW(options.program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        &environment[0], folder, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    m_process = info.hProcess;
    m_processId = info.dwProcessId;
    return true;
}

bool CTestProcess::IsRunning() const
{
    return m_process && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

DWORD CTestProcess::ExitCode() const
{
    DWORD code = ~0u;
    if (!m_process || !GetExitCodeProcess(m_process, &code))
        return ~0u;
    return code;
}

bool CTestProcess::WaitForExit(DWORD timeoutMs)
{
    return m_process && WaitForHandle(m_process, timeoutMs);
}

CTestProcess::Outcome CTestProcess::WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs,
                                                  HWND* window)
{
    if (window)
        *window = nullptr;
    HWND found = nullptr;
    const bool done = WaitFor(
        [&] {
            const std::vector<HWND> windows = TopLevelWindows(m_processId, className, title);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr || !IsRunning();
        },
        timeoutMs);
    if (found) {
        if (window)
            *window = found;
        return Outcome::Window;
    }
    return done ? Outcome::Exited : Outcome::TimedOut;
}

void CTestProcess::Terminate()
{
    if (!m_process)
        return;
    if (IsRunning()) {
        TerminateProcess(m_process, 0xDEAD);
        WaitForHandle(m_process, 10000);
    }
    Detach();
}

void CTestProcess::Detach()
{
    if (m_process)
        CloseHandle(m_process);
    m_process = nullptr;
    m_processId = 0;
}

std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className, const wchar_t* title)
{
    WindowSearch search{processId, className, title, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<DWORD> FindProcesses(const wchar_t* exeName)
{
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return ids;
    const std::wstring wanted = Lower(exeName);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        std::wstring name = entry.szExeFile;
        const size_t slash = name.find_last_of(L"\\/");
        if (slash != std::wstring::npos)
            name = name.substr(slash + 1);
        if (Lower(name) == wanted && entry.th32ProcessID != GetCurrentProcessId())
            ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

size_t KillProcesses(const wchar_t* exeName, DWORD timeoutMs)
{
    const std::vector<DWORD> ids = FindProcesses(exeName);
    for (DWORD id : ids) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (!process)
            continue;
        TerminateProcess(process, 0xDEAD);
        WaitForHandle(process, timeoutMs);
        CloseHandle(process);
    }
    return ids.size();
}

} // namespace e2e
