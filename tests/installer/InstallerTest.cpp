// The setup program and the MSI, silent, in the test prefix: what they put
// where, and an upgrade and an uninstall that end a running Brindle through
// its exit command (and no other program that names its window so) and take
// back exactly what was installed; a file held open left for the next
// restart; and their refusals: a folder outside Program Files, each other.
#include <windows.h>
#include <msi.h>
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
// The MSI's UpgradeCode: every version of the MSI product carries it.
constexpr wchar_t kUpgradeCode[] = L"{6B0D2E4A-3F71-4C8E-9A52-1D7C4B9E0F36}";
constexpr wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";
// Exit codes: the installers' refusals and a restart that is due.
constexpr DWORD kInstallFailure = 1603;
constexpr DWORD kOtherPackageInstalled = 1638;
constexpr DWORD kRebootRequired = 3010;
constexpr WPARAM kMenuExit = 40005;
constexpr WPARAM kMenuAbout = 40004;

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

// The versions of the installed MSI products of Brindle.
std::vector<std::wstring> InstalledMsiVersions()
{
    std::vector<std::wstring> versions;
    wchar_t code[39] = {};
    for (DWORD i = 0; MsiEnumRelatedProductsW(kUpgradeCode, 0, i, code) == ERROR_SUCCESS; ++i) {
        wchar_t version[64] = {};
        DWORD size = 64;
        MsiGetProductInfoW(code, INSTALLPROPERTY_VERSIONSTRING, version, &size);
        versions.push_back(version);
    }
    return versions;
}

std::wstring MsiProductInfo(const wchar_t* property)
{
    wchar_t code[39] = {};
    if (MsiEnumRelatedProductsW(kUpgradeCode, 0, 0, code) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t value[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (MsiGetProductInfoW(code, property, value, &size) != ERROR_SUCCESS)
        return std::wstring();
    return value;
}

// The file operations waiting for the next restart; absent is not empty.
bool PendingRenames(std::wstring* names)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    const bool present = RegQueryValueExW(key, kPendingRenames, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
    names->assign(size / sizeof(wchar_t), L'\0');
    if (present && size > 0)
        RegQueryValueExW(key, kPendingRenames, nullptr, nullptr, reinterpret_cast<BYTE*>(&(*names)[0]), &size);
    RegCloseKey(key);
    return present;
}

// Whether a file of ours waits for a reboot to be replaced or deleted.
bool RebootPendingFor(const std::wstring& folder)
{
    std::wstring names;
    PendingRenames(&names);
    std::wstring lowerNames = names, lowerFolder = folder;
    for (std::wstring* text : {&lowerNames, &lowerFolder})
        std::transform(text->begin(), text->end(), text->begin(), towlower);
    return lowerNames.find(lowerFolder) != std::wstring::npos;
}

class InstallerTest : public EndToEndTest {
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        if (HasFatalFailure())
            return;
        m_setup = WindowsPath(BRINDLE_SETUP);
        ASSERT_TRUE(Exists(m_setup)) << Narrow(m_setup);
        m_folder = ProgramFiles() + L"\\Norvane\\Brindle";
        m_program = m_folder + L"\\brindle.exe";
        // Put back whatever the machine had, also after a failed run.
        m_run = std::make_unique<CScopedRegistryKey>(HKEY_LOCAL_MACHINE, kRunKey, kView32);
        m_uninstall = std::make_unique<CScopedRegistryKey>(HKEY_LOCAL_MACHINE, kUninstallKey, kView32);
        m_run->MarkChanged();
        m_uninstall->MarkChanged();
        // A delete left for a restart would hit the next test's installation.
        m_hadPendingRenames = PendingRenames(&m_pendingRenames);
        // An MSI product left by a failed run would be upgraded by the next.
        wchar_t code[39] = {};
        while (MsiEnumRelatedProductsW(kUpgradeCode, 0, 0, code) == ERROR_SUCCESS)
            ASSERT_EQ(0u, RunToEnd(MsiExec(), std::wstring(L"/x ") + code + L" /qn")) << "removing a left MSI product";
        RemoveLeftInstallation();
    }

    void TearDown() override
    {
        EndToEndTest::TearDown();
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            if (m_hadPendingRenames)
                RegSetValueExW(key, kPendingRenames, 0, REG_MULTI_SZ,
                               reinterpret_cast<const BYTE*>(m_pendingRenames.data()),
                               static_cast<DWORD>(m_pendingRenames.size() * sizeof(wchar_t)));
            else
                RegDeleteValueW(key, kPendingRenames);
            RegCloseKey(key);
        }
        RemoveLeftInstallation();
        m_uninstall.reset();
        m_run.reset();
    }

    // Also the copies Windows Installer leaves for a pending replacement.
    void RemoveLeftInstallation()
    {
        for (const std::wstring& name : FilesIn(m_folder))
            DeleteFileW((m_folder + L"\\" + name).c_str());
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

    static std::wstring MsiExec()
    {
        wchar_t folder[MAX_PATH] = {};
        GetSystemDirectoryW(folder, MAX_PATH);
        return std::wstring(folder) + L"\\msiexec.exe";
    }

    // Starts the installed program and waits until its tray icon is there.
    CTestProcess* StartInstalled(HWND* window)
    {
        CTestProcess* brindle = Start(OptionsFor(m_program));
        if (brindle == nullptr)
            return nullptr;
        EXPECT_EQ(CTestProcess::Outcome::Window,
                  brindle->WaitForWindow(kMainWindowClass, kMainWindowTitle, kStartMs, window));
        EXPECT_TRUE(WaitFor([&] { return Tray().HasIcon(*window) || !brindle->IsRunning(); }, kStartMs) &&
                    Tray().HasIcon(*window))
            << "brindle.exe did not come up; exit code " << brindle->ExitCode();
        return brindle;
    }

    // Another program's window of Brindle's class and title, made after
    // brindle.exe's, so a search by name finds it first.
    CTestProcess* StartImpostor(HWND* window)
    {
        LaunchOptions options = OptionsFor(WindowsPath(E2E_TRAY_APP));
        options.arguments = L"--class Brindle --title Brindle";
        CTestProcess* impostor = Start(options);
        if (impostor != nullptr) {
            EXPECT_EQ(CTestProcess::Outcome::Window, impostor->WaitForWindow(L"Brindle", L"Brindle", kStartMs, window));
        }
        return impostor;
    }

    // Not sent the exit command: the menu command posted now is answered,
    // and nothing came before it.
    void ExpectUntouched(CTestProcess* impostor, HWND window, const char* by)
    {
        ASSERT_TRUE(impostor->IsRunning()) << by << " ended another program";
        PostMessageW(window, WM_COMMAND, kMenuAbout, 0);
        ASSERT_TRUE(WaitForLogMessage("Command:40004", kStopMs, impostor->Id())) << by;
        EXPECT_FALSE(HasLogMessage("Command:" + std::to_string(kMenuExit), impostor->Id()))
            << by << " sent the exit command to another program";
    }

    // The test holds the installed program open, as a Brindle of another
    // session would: no exit command reaches it.
    HANDLE HoldProgramOpen()
    {
        HANDLE file = CreateFileW(m_program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, file) << Narrow(m_program);
        return file;
    }

    // Ended as the menu's exit ends it: exit code 0, its icon taken away,
    // not killed.
    void ExpectEndedByExit(CTestProcess* brindle, HWND window, const char* by)
    {
        ASSERT_TRUE(brindle->WaitForExit(kStopMs)) << by << " left Brindle running";
        EXPECT_EQ(0u, brindle->ExitCode()) << by;
        EXPECT_EQ(1u, Tray().CountOf(NIM_DELETE, window)) << by;
    }

    // The program and the logon entry, as both packages install them.
    void ExpectInstalled(const std::vector<std::wstring>& expectedFiles)
    {
        std::vector<std::wstring> files = FilesIn(m_folder);
        std::sort(files.begin(), files.end());
        EXPECT_EQ(expectedFiles, files) << "in " << Narrow(m_folder);
        EXPECT_EQ(ReadFileBytes(DefaultProgram()), ReadFileBytes(m_program))
            << "the installed program is the built one";
        std::wstring text;
        EXPECT_TRUE(m_run->GetString(L"Brindle", text));
        EXPECT_EQ(L"\"" + m_program + L"\"", text) << Narrow(text);
        EXPECT_FALSE(ValueExists(kRunKey, KEY_WOW64_64KEY, L"Brindle"))
            << "a 32-bit program's entry in the 64-bit view";
    }

    // Nothing left but the platform's product key.
    void ExpectUninstalled()
    {
        EXPECT_FALSE(Exists(ProgramFiles() + L"\\Norvane")) << "the emptied Norvane folder stays";
        std::wstring text;
        EXPECT_FALSE(m_run->GetString(L"Brindle", text)) << "the logon entry stays: " << Narrow(text);
        std::uint32_t pinMin = 0;
        EXPECT_TRUE(ProductKey().GetDword(L"PinMin", pinMin)) << "the product key belongs to the platform";
        EXPECT_EQ(6u, pinMin);
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
    bool m_hadPendingRenames = false;
    std::wstring m_pendingRenames;
};

TEST_F(InstallerTest, SetupProgramInstallsThenItsUninstallerEndsTheRunningProgramAndRemovesWhatItInstalled)
{
    ASSERT_FALSE(ProgramFiles().empty());
    ASSERT_TRUE(ProductKey().SetDword(L"PinMin", 6));

    ASSERT_EQ(0u, RunToEnd(m_setup, L"/S")) << "silent install";
    // The program, its uninstaller and nothing else: no stand-in goes along.
    ExpectInstalled({L"brindle.exe", L"uninstall.exe"});
    const std::wstring uninstaller = m_folder + L"\\uninstall.exe";
    const std::pair<const wchar_t*, std::wstring> entries[] = {
        {L"DisplayName", L"Brindle"},
        {L"Publisher", L"Norvane"},
        {L"DisplayVersion", BRINDLE_VERSION},
        {L"InstallLocation", m_folder},
        {L"UninstallString", L"\"" + uninstaller + L"\""},
        {L"QuietUninstallString", L"\"" + uninstaller + L"\" /S"},
    };
    for (const auto& entry : entries) {
        std::wstring text;
        EXPECT_TRUE(m_uninstall->GetString(entry.first, text)) << Narrow(entry.first);
        EXPECT_EQ(entry.second, text) << Narrow(entry.first);
    }
    EXPECT_EQ(kInstallFailure, RunToEnd(MsiExec(), L"/i \"" + WindowsPath(BRINDLE_MSI) + L"\" /qn"))
        << "the MSI over the setup program's installation";
    EXPECT_TRUE(InstalledMsiVersions().empty());

    HWND window = nullptr, impostorWindow = nullptr;
    CTestProcess* brindle = StartInstalled(&window);
    CTestProcess* impostor = StartImpostor(&impostorWindow);
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(0u, RunToEnd(uninstaller, L"/S")) << "silent uninstall";
    ExpectEndedByExit(brindle, window, "the uninstaller");
    ExpectUntouched(impostor, impostorWindow, "the uninstaller");
    ASSERT_TRUE(WaitUntilUninstalled()) << "left: " << FilesIn(m_folder).size() << " file(s) in " << Narrow(m_folder);
    ExpectUninstalled();
}

// The MSI as an administrator deploys it: an older version first, the current
// one over it while Brindle runs, then removal while it runs again.
TEST_F(InstallerTest, MsiUpgradesAndUninstallsWhileTheProgramRunsAndLeavesNothingBehind)
{
    ASSERT_FALSE(ProgramFiles().empty());
    ASSERT_TRUE(ProductKey().SetDword(L"PinMin", 6));
    const std::wstring msi = WindowsPath(BRINDLE_MSI);
    const std::wstring olderMsi = WindowsPath(BRINDLE_OLDER_MSI);
    ASSERT_TRUE(Exists(msi)) << Narrow(msi);
    ASSERT_TRUE(Exists(olderMsi)) << Narrow(olderMsi);

    ASSERT_EQ(0u, RunToEnd(MsiExec(), L"/i \"" + olderMsi + L"\" /qn")) << "installing the older MSI";
    EXPECT_EQ((std::vector<std::wstring>{BRINDLE_OLDER_VERSION}), InstalledMsiVersions());
    const std::string olderProgram = ReadFileBytes(WindowsPath(BRINDLE_OLDER_PROGRAM));
    ASSERT_NE(ReadFileBytes(DefaultProgram()), olderProgram) << "the upgrade would show no failed replacement";
    EXPECT_EQ(olderProgram, ReadFileBytes(m_program));
    EXPECT_EQ(kOtherPackageInstalled, RunToEnd(m_setup, L"/S")) << "the setup program over the MSI's installation";
    EXPECT_FALSE(KeyExists32(kUninstallKey));
    HWND window = nullptr, impostorWindow = nullptr;
    CTestProcess* brindle = StartInstalled(&window);
    CTestProcess* impostor = StartImpostor(&impostorWindow);
    ASSERT_FALSE(HasFailure());

    // 0, not 3010: nothing waits for a reboot.
    ASSERT_EQ(0u, RunToEnd(MsiExec(), L"/i \"" + msi + L"\" /qn")) << "upgrading";
    ExpectEndedByExit(brindle, window, "the upgrade");
    ExpectUntouched(impostor, impostorWindow, "the upgrade");
    EXPECT_EQ((std::vector<std::wstring>{BRINDLE_VERSION}), InstalledMsiVersions()) << "the older version stays";
    ExpectInstalled({L"brindle.exe"});
    // The Add/Remove Programs entry.
    const std::pair<const wchar_t*, const wchar_t*> entries[] = {
        {INSTALLPROPERTY_INSTALLEDPRODUCTNAME, L"Brindle"},
        {INSTALLPROPERTY_PUBLISHER, L"Norvane"},
        {INSTALLPROPERTY_VERSIONSTRING, BRINDLE_VERSION},
    };
    for (const auto& entry : entries)
        EXPECT_EQ(entry.second, MsiProductInfo(entry.first)) << Narrow(entry.first);
    // Windows Installer keeps the entry's icon in a cache of its own.
    const std::wstring icon = MsiProductInfo(INSTALLPROPERTY_PRODUCTICON);
    EXPECT_TRUE(icon.size() > 11 && icon.compare(icon.size() - 11, 11, L"brindle.ico") == 0) << Narrow(icon);
    EXPECT_TRUE(Exists(icon)) << Narrow(icon);

    brindle = StartInstalled(&window);
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(0u, RunToEnd(MsiExec(), L"/x \"" + msi + L"\" /qn")) << "removing";
    ExpectEndedByExit(brindle, window, "the removal");
    EXPECT_TRUE(InstalledMsiVersions().empty());
    EXPECT_FALSE(Exists(m_folder)) << FilesIn(m_folder).size() << " file(s) left in " << Narrow(m_folder);
    EXPECT_FALSE(RebootPendingFor(m_folder)) << "a file waits for a reboot";
    EXPECT_FALSE(Exists(icon)) << Narrow(icon);
    ExpectUninstalled();
}

// A Brindle of another session holds the file: both packages remove what they
// can, leave the file for the next restart and say that one is due.
TEST_F(InstallerTest, AProgramFileHeldOpenWaitsForTheNextRestartAndBothPackagesSaySo)
{
    ASSERT_EQ(0u, RunToEnd(m_setup, L"/S"));
    HANDLE file = HoldProgramOpen();
    // Run in place (_?=), so its exit code is the uninstaller's own.
    EXPECT_EQ(kRebootRequired, RunToEnd(m_folder + L"\\uninstall.exe", L"/S _?=" + m_folder)) << "setup program";
    CloseHandle(file);
    EXPECT_TRUE(RebootPendingFor(m_program)) << "setup program";
    EXPECT_FALSE(KeyExists32(kUninstallKey)) << "the Add/Remove entry stays";
    std::wstring text;
    EXPECT_FALSE(m_run->GetString(L"Brindle", text)) << "the logon entry stays";

    // Wine's msi leaves a file it cannot delete without a word, but replaces
    // one in use at the next restart, as Windows does.
    RemoveLeftInstallation();
    ASSERT_EQ(0u, RunToEnd(MsiExec(), L"/i \"" + WindowsPath(BRINDLE_OLDER_MSI) + L"\" /qn"));
    file = HoldProgramOpen();
    const std::wstring msi = WindowsPath(BRINDLE_MSI);
    EXPECT_EQ(kRebootRequired, RunToEnd(MsiExec(), L"/i \"" + msi + L"\" /qn")) << "MSI upgrade";
    CloseHandle(file);
    EXPECT_TRUE(RebootPendingFor(m_program)) << "MSI upgrade";
    EXPECT_EQ((std::vector<std::wstring>{BRINDLE_VERSION}), InstalledMsiVersions());
    EXPECT_EQ(0u, RunToEnd(MsiExec(), L"/x \"" + msi + L"\" /qn"));
}

// HKLM Run starts the program for every user: neither package puts it where
// users may write, however the folder is spelt.
TEST_F(InstallerTest, BothPackagesRefuseAFolderOutsideProgramFiles)
{
    const std::wstring folders[] = {
        L"C:\\users\\Public\\Brindle",
        ProgramFiles() + L"\\..\\Brindle",
        ProgramFiles() + L"Brindle",
    };
    for (const std::wstring& folder : folders) {
        EXPECT_EQ(kInstallFailure, RunToEnd(m_setup, L"/S /D=" + folder)) << "setup program, " << Narrow(folder);
        EXPECT_EQ(kInstallFailure,
                  RunToEnd(MsiExec(), L"/i \"" + WindowsPath(BRINDLE_MSI) + L"\" /qn INSTALLDIR=\"" + folder + L"\""))
            << "MSI, " << Narrow(folder);
        EXPECT_FALSE(Exists(folder)) << Narrow(folder);
    }
    EXPECT_TRUE(InstalledMsiVersions().empty());
    EXPECT_FALSE(KeyExists32(kUninstallKey));
    std::wstring text;
    EXPECT_FALSE(m_run->GetString(L"Brindle", text)) << Narrow(text);
}

} // namespace
} // namespace e2e
