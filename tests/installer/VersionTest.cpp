// One version everywhere it is shown: the program's version resource and
// About window, the setup program's version resource, and the MSI's product
// version all carry the project version the build was configured with.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/EndToEndFixture.h"

namespace {

using e2e::WindowsPath;

struct VersionResource {
    std::wstring fixedFile;    // "a.b.c.d" from VS_FIXEDFILEINFO
    std::wstring fixedProduct; // "a.b.c.d"
    std::wstring fileVersion;  // the "FileVersion" string
    std::wstring productVersion;
};

std::wstring Quad(DWORD ms, DWORD ls)
{
    return std::to_wstring(HIWORD(ms)) + L"." + std::to_wstring(LOWORD(ms)) + L"." + std::to_wstring(HIWORD(ls)) +
           L"." + std::to_wstring(LOWORD(ls));
}

VersionResource ReadVersionResource(const std::wstring& file)
{
    VersionResource result;
    DWORD ignored = 0;
    std::vector<BYTE> data(GetFileVersionInfoSizeW(file.c_str(), &ignored));
    if (data.empty() || !GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data()))
        return result;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &size) && fixed != nullptr) {
        result.fixedFile = Quad(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
        result.fixedProduct = Quad(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
    }
    // The strings live in the block of the first translation.
    WORD* translation = nullptr;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &size) ||
        size < 2 * sizeof(WORD))
        return result;
    wchar_t block[64];
    swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    for (auto field : {std::make_pair(L"FileVersion", &result.fileVersion),
                       std::make_pair(L"ProductVersion", &result.productVersion)}) {
        wchar_t* text = nullptr;
        if (VerQueryValueW(data.data(), (std::wstring(block) + field.first).c_str(), reinterpret_cast<void**>(&text),
                           &size) &&
            text != nullptr)
            *field.second = text;
    }
    return result;
}

INT_PTR CALLBACK InertDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The About template's own version line, as a window made from the program
// file's template shows it.
std::wstring AboutTemplateVersionLine(const std::wstring& program)
{
    HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr)
        return L"(not loaded)";
    std::wstring line = L"(no window)";
    HWND dialog = CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_ABOUT), nullptr, InertDialogProc, 0);
    if (dialog != nullptr) {
        wchar_t text[256] = {};
        GetDlgItemTextW(dialog, IDC_ABOUT_VERSION, text, 256);
        line = text;
        DestroyWindow(dialog);
    }
    FreeLibrary(module);
    return line;
}

std::wstring MsiProperty(const std::wstring& package, const wchar_t* name)
{
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseW(package.c_str(), MSIDBOPEN_READONLY, &database) != ERROR_SUCCESS)
        return L"(not opened)";
    std::wstring value = L"(none)";
    MSIHANDLE view = 0;
    const std::wstring query = std::wstring(L"SELECT `Value` FROM `Property` WHERE `Property` = '") + name + L"'";
    if (MsiDatabaseOpenViewW(database, query.c_str(), &view) == ERROR_SUCCESS) {
        MSIHANDLE record = 0;
        if (MsiViewExecute(view, 0) == ERROR_SUCCESS && MsiViewFetch(view, &record) == ERROR_SUCCESS) {
            wchar_t text[64] = {};
            DWORD size = 64;
            if (MsiRecordGetStringW(record, 1, text, &size) == ERROR_SUCCESS)
                value = text;
            MsiCloseHandle(record);
        }
        MsiCloseHandle(view);
    }
    MsiCloseHandle(database);
    return value;
}

TEST(VersionTest, ProgramAboutWindowSetupProgramAndMsiCarryTheProjectVersion)
{
    const std::wstring version = BRINDLE_VERSION;
    const std::wstring quad = version + L".0";
    const std::wstring program = e2e::DefaultProgram();
    ASSERT_FALSE(program.empty());

    const VersionResource exe = ReadVersionResource(program);
    const VersionResource setup = ReadVersionResource(WindowsPath(BRINDLE_SETUP));
    const struct {
        const char* what;
        std::wstring expected;
        std::wstring actual;
    } rows[] = {
        {"program, fixed file version", quad, exe.fixedFile},
        {"program, fixed product version", quad, exe.fixedProduct},
        {"program, FileVersion", quad, exe.fileVersion},
        {"program, ProductVersion", quad, exe.productVersion},
        {"About template", L"Brindle " + quad, AboutTemplateVersionLine(program)},
        {"setup program, fixed product version", quad, setup.fixedProduct},
        {"setup program, FileVersion", version, setup.fileVersion},
        {"setup program, ProductVersion", version, setup.productVersion},
        {"MSI ProductVersion", version, MsiProperty(WindowsPath(BRINDLE_MSI), L"ProductVersion")},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, row.actual) << row.what;
}

} // namespace
