// The installers' own code, shared by the MSI (custom actions) and the setup
// program and its uninstaller (System::Call from a copy in $PLUGINSDIR):
// - ending the running Brindle the way the tray menu's exit does, so GPS is
//   switched off and the tray icon removed, and the program file is free to
//   be replaced or deleted without a reboot. A window's class and title are
//   anyone's to take, so the command goes only to windows whose process runs
//   the installed file;
// - the folder rule: HKLM Run starts the installed file for every user, so it
//   may only lie where administrators alone can write;
// - the MSI's refusal to install over the setup program's installation.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/win/ProcAddress.h"
#include "misccommon/RegKeyHandle.h"

namespace {

constexpr WPARAM kMenuExit = 40005;
// Brindle disconnects the modem after its window has gone; only then is its
// file free.
constexpr DWORD kExitWaitMs = 30000;
// The component that holds brindle.exe in every version of the MSI.
constexpr wchar_t kProgramComponent[] = L"{3C5A1F08-7E24-4B6D-8F93-A2E0D47C61B5}";
// PROCESS_QUERY_LIMITED_INFORMATION, which Windows XP's headers lack.
constexpr DWORD kQueryLimitedInformation = 0x1000;
constexpr wchar_t kSetupUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brindle";

class CProcessHandle {
public:
    explicit CProcessHandle(HANDLE handle) : m_handle(handle) {}
    ~CProcessHandle()
    {
        if (m_handle != nullptr)
            ::CloseHandle(m_handle);
    }
    CProcessHandle(CProcessHandle&& other) noexcept : m_handle(other.m_handle) { other.m_handle = nullptr; }
    CProcessHandle(const CProcessHandle&) = delete;
    CProcessHandle& operator=(const CProcessHandle&) = delete;
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

// Absolute, without "." and "..", long names for the part that exists, upper
// case: two spellings of one file compare equal, and a prefix test cannot be
// walked out of.
std::wstring Canonical(const std::wstring& path)
{
    wchar_t full[MAX_PATH * 2];
    const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    if (length == 0 || length >= MAX_PATH * 2)
        return std::wstring();
    std::wstring head = full, tail;
    while (!head.empty()) {
        wchar_t longer[MAX_PATH * 2];
        const DWORD size = ::GetLongPathNameW(head.c_str(), longer, MAX_PATH * 2);
        if (size != 0 && size < MAX_PATH * 2) {
            head = longer;
            break;
        }
        const std::wstring::size_type slash = head.find_last_of(L'\\');
        if (slash == std::wstring::npos)
            break;
        tail = head.substr(slash) + tail;
        head.resize(slash);
    }
    std::wstring result = head + tail;
    while (result.size() > 3 && result.back() == L'\\')
        result.pop_back();
    if (!result.empty())
        ::CharUpperBuffW(&result[0], static_cast<DWORD>(result.size()));
    return result;
}

// The file the process was started from, as the kernel knows it: a process
// can rewrite the module list that GetModuleFileNameEx reads, so that is only
// the fallback for Windows XP, which lacks QueryFullProcessImageNameW.
std::wstring ImageOf(HANDLE process)
{
    using QueryImage = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
    static const QueryImage queryImage =
        FindProc<QueryImage>(::GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW");
    wchar_t path[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    if (queryImage != nullptr)
        return queryImage(process, 0, path, &size) ? std::wstring(path, size) : std::wstring();
    size = ::GetModuleFileNameExW(process, nullptr, path, MAX_PATH * 2);
    return size != 0 ? std::wstring(path, size) : std::wstring();
}

struct Search {
    std::vector<std::wstring> programs;
    std::vector<DWORD> processIds;
    std::vector<CProcessHandle> processes;
};

BOOL PostExitToProgram(HWND window, Search& search)
{
    wchar_t text[16];
    if (::GetClassNameW(window, text, 16) == 0 || lstrcmpW(text, L"Brindle") != 0 ||
        ::GetWindowTextW(window, text, 16) == 0 || lstrcmpW(text, L"Brindle") != 0)
        return TRUE;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    // Opened before the command is posted, so the end can still be watched;
    // Vista's limited right first, XP's full one for its fallback.
    HANDLE process = ::OpenProcess(SYNCHRONIZE | kQueryLimitedInformation, FALSE, processId);
    if (process == nullptr)
        process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == nullptr)
        return TRUE;
    CProcessHandle holder(process);
    const std::wstring image = Canonical(ImageOf(process));
    if (image.empty() || std::find(search.programs.begin(), search.programs.end(), image) == search.programs.end())
        return TRUE;
    // Posted, not sent: a program still starting handles it once its message
    // loop runs instead of making the installation wait on a send.
    ::PostMessageW(window, WM_COMMAND, kMenuExit, 0);
    for (DWORD known : search.processIds) {
        if (known == processId)
            return TRUE;
    }
    if (search.processes.size() < MAXIMUM_WAIT_OBJECTS) {
        search.processIds.push_back(processId);
        search.processes.push_back(std::move(holder));
    }
    return TRUE;
}

// No exception crosses user32, nor (in the exports below) the installer that
// called us.
BOOL CALLBACK PostExitToProgramOf(HWND window, LPARAM context)
{
    try {
        return PostExitToProgram(window, *reinterpret_cast<Search*>(context));
    } catch (...) {
        return FALSE;
    }
}

// Ends every Brindle on this desktop that runs one of programs and waits for
// them all; how many there were.
UINT EndPrograms(const std::vector<std::wstring>& programs)
{
    Search search;
    for (const std::wstring& program : programs) {
        const std::wstring canonical = Canonical(program);
        if (!canonical.empty())
            search.programs.push_back(canonical);
    }
    if (search.programs.empty())
        return 0;
    ::EnumWindows(PostExitToProgramOf, reinterpret_cast<LPARAM>(&search));
    std::vector<HANDLE> handles;
    for (const CProcessHandle& process : search.processes)
        handles.push_back(process.Get());
    if (!handles.empty())
        ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, kExitWaitMs);
    return static_cast<UINT>(handles.size());
}

bool IsBelow(const std::wstring& path, const std::wstring& root)
{
    return !root.empty() && path.size() > root.size() + 1 && path.compare(0, root.size(), root) == 0 &&
           path[root.size()] == L'\\';
}

std::wstring MsiText(MSIHANDLE install, const wchar_t* property, bool targetPath)
{
    wchar_t value[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    const UINT result = targetPath ? ::MsiGetTargetPathW(install, property, value, &size)
                                   : ::MsiGetPropertyW(install, property, value, &size);
    return result == ERROR_SUCCESS ? std::wstring(value) : std::wstring();
}

// Shown in full UI, written to the log when quiet.
void MsiError(MSIHANDLE install, const std::wstring& text)
{
    const MSIHANDLE record = ::MsiCreateRecord(1);
    ::MsiRecordSetStringW(record, 0, text.c_str());
    ::MsiProcessMessage(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), record);
    ::MsiCloseHandle(record);
}

} // namespace

// Whether folder lies below the Program Files folder, whose ACL lets only
// administrators and SYSTEM write. A folder elsewhere could be given such an
// ACL, but a folder that already exists may have been handed to users before
// and keep their write access in places an ACL check would have to find: the
// rule is the one that is easy to keep.
extern "C" __declspec(dllexport) BOOL __stdcall InstallFolderAllowed(const wchar_t* folder)
try {
    const std::wstring path = Canonical(folder);
    for (int id : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86}) {
        wchar_t root[MAX_PATH] = {};
        if (SUCCEEDED(::SHGetFolderPathW(nullptr, id, nullptr, 0, root)) && IsBelow(path, Canonical(root)))
            return TRUE;
    }
    return FALSE;
} catch (...) {
    return FALSE;
}

// For the setup program: ends the Brindle that runs program; how many ended.
extern "C" __declspec(dllexport) UINT __stdcall EndBrindleAt(const wchar_t* program)
try {
    return EndPrograms({program});
} catch (...) {
    return 0;
}

// The installed program, wherever the installed version put it, and the one
// this installation will write.
extern "C" __declspec(dllexport) UINT __stdcall EndBrindle(MSIHANDLE install)
try {
    std::vector<std::wstring> programs;
    wchar_t installed[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    if (::MsiLocateComponentW(kProgramComponent, installed, &size) == INSTALLSTATE_LOCAL)
        programs.push_back(installed);
    const std::wstring folder = MsiText(install, L"INSTALLDIR", true);
    if (!folder.empty())
        programs.push_back(folder + (folder.back() == L'\\' ? L"" : L"\\") + L"brindle.exe");
    EndPrograms(programs);
    return ERROR_SUCCESS;
} catch (...) {
    return ERROR_SUCCESS;
}

// Refuses a folder outside Program Files, and an installation over the setup
// program's: both own the same file and logon entry, and removing either
// would break the other.
extern "C" __declspec(dllexport) UINT __stdcall CheckBrindleInstall(MSIHANDLE install)
try {
    const std::wstring folder = MsiText(install, L"INSTALLDIR", true);
    if (!InstallFolderAllowed(folder.c_str())) {
        MsiError(install, L"Brindle installs only below the Program Files folder, where only administrators can "
                          L"write; it is started at every user's logon. Refused: INSTALLDIR=" +
                              folder);
        return ERROR_INSTALL_FAILURE;
    }
    CRegKeyHandle key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSetupUninstallKey, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, key.Receive()) !=
        ERROR_SUCCESS)
        return ERROR_SUCCESS;
    wchar_t uninstaller[MAX_PATH * 2] = {};
    DWORD size = sizeof uninstaller - sizeof(wchar_t);
    ::RegQueryValueExW(key.Get(), L"UninstallString", nullptr, nullptr, reinterpret_cast<BYTE*>(uninstaller), &size);
    MsiError(install, std::wstring(L"Brindle is already installed by its setup program (brindle-setup). Remove it "
                                   L"first, under Programs and Features or with: ") +
                          uninstaller + L" /S");
    return ERROR_INSTALL_FAILURE;
} catch (...) {
    return ERROR_INSTALL_FAILURE;
}
