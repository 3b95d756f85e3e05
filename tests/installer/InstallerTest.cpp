// The NSIS installer, silent, in the test prefix: what it puts where, and an
// uninstall that ends a running Brindle through its exit command and takes
// back exactly what was installed.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/EndToEndFixture.h"
#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/MessagePump.h"

namespace e2e {
namespace {

constexpr DWORD kInstallMs = 120000;
constexpr DWORD kStartMs = 90000;
constexpr DWORD kStopMs = 60000;

// A 32-bit installer writes to the 32-bit view, where Windows looks for a
// 32-bit program's entries.
constexpr REGSAM kView32 = KEY_WOW64_32KEY;
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brindle";

std::wstring WindowsPath(std::wstring path)
{
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return path;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// "C:\Program Files (x86)" for this 32-bit process on 64-bit Windows: the
// folder the 32-bit installer's $PROGRAMFILES names.
std::wstring ProgramFiles()
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, path)))
        return std::wstring();
    return path;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// Whether the key exists at all in the 32-bit view.
bool KeyExists32(const wchar_t* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | kView32, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool ValueExists(const wchar_t* path, REGSAM view, const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    const bool found = RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

class InstallerTest : public EndToEndTest {
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        if (HasFatalFailure())
            return;
        m_setup = WindowsPath(BRINDLE_SETUP);
        if (!Exists(m_setup))
            FAIL() << "no setup program in this build tree: the installer did not build";
        m_folder = ProgramFiles() + L"\\Norvane\\Brindle";
        m_program = m_folder + L"\\brindle.exe";
        // Put back whatever the machine had, also after a failed run.
        m_run = std::make_unique<CScopedRegistryKey>(HKEY_LOCAL_MACHINE, kRunKey, kView32);
        m_uninstall = std::make_unique<CScopedRegistryKey>(HKEY_LOCAL_MACHINE, kUninstallKey, kView32);
        m_run->MarkChanged();
        m_uninstall->MarkChanged();
        RemoveLeftInstallation();
    }

    void TearDown() override
    {
        EndToEndTest::TearDown();
        RemoveLeftInstallation();
        m_uninstall.reset();
        m_run.reset();
    }

    void RemoveLeftInstallation()
    {
        DeleteFileW((m_folder + L"\\brindle.exe").c_str());
        DeleteFileW((m_folder + L"\\uninstall.exe").c_str());
        RemoveDirectoryW(m_folder.c_str());
        RemoveDirectoryW((ProgramFiles() + L"\\Norvane").c_str());
    }

    // Runs one program to its end; its exit code, or ~0u when it did not end.
    DWORD RunToEnd(const std::wstring& program, const std::wstring& arguments)
    {
        LaunchOptions options;
        options.program = program;
        options.arguments = arguments;
        CTestProcess* process = Start(options);
        if (process == nullptr || !process->WaitForExit(kInstallMs))
            return ~0u;
        return process->ExitCode();
    }

    // The uninstaller copies itself to the temporary folder, starts the copy
    // and ends at once; the copy does the work.
    bool WaitUntilUninstalled()
    {
        return WaitFor([&] { return !Exists(m_folder) && !KeyExists32(kUninstallKey); }, kStopMs);
    }

    std::wstring m_setup;
    std::wstring m_folder;
    std::wstring m_program;
    std::unique_ptr<CScopedRegistryKey> m_run;
    std::unique_ptr<CScopedRegistryKey> m_uninstall;
};

TEST_F(InstallerTest, SilentInstallThenUninstallEndsTheRunningProgramAndRemovesWhatItInstalled)
{
    ASSERT_FALSE(ProgramFiles().empty());
    ASSERT_TRUE(ProductKey().SetDword(L"PinMin", 6));

    ASSERT_EQ(0u, RunToEnd(m_setup, L"/S")) << "silent install";

    // The program, its uninstaller and nothing else: no stand-in goes along.
    std::vector<std::wstring> files = FilesIn(m_folder);
    std::sort(files.begin(), files.end());
    ASSERT_EQ((std::vector<std::wstring>{L"brindle.exe", L"uninstall.exe"}), files)
        << "in " << Narrow(m_folder);
    EXPECT_EQ(ReadFileBytes(DefaultProgram()), ReadFileBytes(m_program)) << "the installed program is the built one";

    std::wstring text;
    EXPECT_TRUE(m_run->GetString(L"Brindle", text));
    EXPECT_EQ(L"\"" + m_program + L"\"", text) << Narrow(text);
    EXPECT_FALSE(ValueExists(kRunKey, KEY_WOW64_64KEY, L"Brindle")) << "a 32-bit program's entry in the 64-bit view";
    const std::wstring uninstaller = m_folder + L"\\uninstall.exe";
    const std::pair<const wchar_t*, std::wstring> entries[] = {
        {L"DisplayName", L"Brindle"},
        {L"Publisher", L"Norvane"},
        {L"DisplayVersion", L"1.0.0"},
        {L"InstallLocation", m_folder},
        {L"UninstallString", L"\"" + uninstaller + L"\""},
        {L"QuietUninstallString", L"\"" + uninstaller + L"\" /S"},
    };
    for (const auto& entry : entries) {
        text.clear();
        EXPECT_TRUE(m_uninstall->GetString(entry.first, text)) << Narrow(entry.first);
        EXPECT_EQ(entry.second, text) << Narrow(entry.first);
    }

    // The installed program runs (with the stand-in modem from the PATH).
    CTestProcess* brindle = Start(OptionsFor(m_program));
    ASSERT_NE(nullptr, brindle);
    HWND window = nullptr;
    ASSERT_EQ(CTestProcess::Outcome::Window,
              brindle->WaitForWindow(kMainWindowClass, kMainWindowTitle, kStartMs, &window));
    ASSERT_TRUE(WaitFor([&] { return Tray().HasIcon(window) || !brindle->IsRunning(); }, kStartMs) &&
                Tray().HasIcon(window))
        << "brindle.exe did not come up; exit code " << brindle->ExitCode();

    EXPECT_EQ(0u, RunToEnd(uninstaller, L"/S")) << "silent uninstall";
    // Ended as the menu's exit ends it: exit code 0, its icon taken away,
    // not killed.
    ASSERT_TRUE(brindle->WaitForExit(kStopMs)) << "the uninstaller left Brindle running";
    EXPECT_EQ(0u, brindle->ExitCode());
    EXPECT_EQ(1u, Tray().CountOf(NIM_DELETE, window));

    ASSERT_TRUE(WaitUntilUninstalled()) << "left: " << FilesIn(m_folder).size() << " file(s) in "
                                        << Narrow(m_folder);
    EXPECT_FALSE(Exists(ProgramFiles() + L"\\Norvane")) << "the emptied Norvane folder stays";
    EXPECT_FALSE(m_run->GetString(L"Brindle", text)) << "the logon entry stays: " << Narrow(text);
    std::uint32_t pinMin = 0;
    EXPECT_TRUE(ProductKey().GetDword(L"PinMin", pinMin)) << "the product key belongs to the platform";
    EXPECT_EQ(6u, pinMin);
}

} // namespace
} // namespace e2e
