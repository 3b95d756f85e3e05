// The platform knobs change what a program sees and leave nothing behind.
#include "tests/e2e/TrayAppFixture.h"

namespace e2e {
namespace {

constexpr wchar_t kScratchKey[] = L"Software\\BrindleE2eScratch";

TEST(ScopedRegistryKeyTest, PutsValuesSubkeysAndAbsenceBackExactly)
{
    RegistryDeleteTree(HKEY_CURRENT_USER, kScratchKey, 0);
    {
        CScopedRegistryKey absent(HKEY_CURRENT_USER, kScratchKey);
        EXPECT_TRUE(absent.SetDword(L"Added", 1));
        EXPECT_TRUE(absent.SetSubkeyString(L"Child", L"Text", L"x"));
    }
    HKEY key = nullptr;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kScratchKey, 0, KEY_READ, &key))
        << "a key that was absent must be absent again";

    ASSERT_TRUE(RegistrySetDword(HKEY_CURRENT_USER, kScratchKey, 0, L"Kept", 7));
    ASSERT_TRUE(RegistrySetString(HKEY_CURRENT_USER, std::wstring(kScratchKey) + L"\\Child", 0, L"Text", L"before"));
    {
        CScopedRegistryKey scoped(HKEY_CURRENT_USER, kScratchKey);
        EXPECT_TRUE(scoped.SetDword(L"Kept", 8));
        EXPECT_TRUE(scoped.SetString(L"New", L"n"));
        EXPECT_TRUE(scoped.SetSubkeyString(L"Child", L"Text", L"after"));
        std::uint32_t value = 0;
        EXPECT_TRUE(scoped.GetDword(L"Kept", value));
        EXPECT_EQ(8u, value);
        std::wstring text;
        EXPECT_TRUE(scoped.GetString(L"New", text));
        EXPECT_EQ(L"n", text);
    }
    CScopedRegistryKey check(HKEY_CURRENT_USER, kScratchKey);
    std::uint32_t kept = 0;
    EXPECT_TRUE(check.GetDword(L"Kept", kept));
    EXPECT_EQ(7u, kept);
    std::wstring text;
    EXPECT_FALSE(check.GetString(L"New", text)) << "a value added in the scope must go";
    CScopedRegistryKey child(HKEY_CURRENT_USER, std::wstring(kScratchKey) + L"\\Child");
    EXPECT_TRUE(child.GetString(L"Text", text));
    EXPECT_EQ(L"before", text);
    RegistryDeleteTree(HKEY_CURRENT_USER, kScratchKey, 0);
}

using ProductKeyTest = EndToEndTest;

TEST_F(ProductKeyTest, ValuesGoToThe64BitViewThatTheDriverSees)
{
    ASSERT_TRUE(ProductKey().SetDword(L"E2eProbe", 0x5A));
    CScopedRegistryKey wide(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane\\brindle", KEY_WOW64_64KEY);
    std::uint32_t value = 0;
    EXPECT_TRUE(wide.GetDword(L"E2eProbe", value));
    EXPECT_EQ(0x5Au, value);
    CScopedRegistryKey narrow(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane\\brindle", KEY_WOW64_32KEY);
    EXPECT_FALSE(narrow.GetDword(L"E2eProbe", value)) << "the 32-bit view is another key";
    ASSERT_TRUE(CommonKey().SetFutureOsWarningDisabled(true));
    CScopedRegistryKey common(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane\\Common", KEY_WOW64_64KEY);
    EXPECT_TRUE(common.GetDword(L"DisableFutureOSWarning", value));
    EXPECT_EQ(1u, value);
}

struct VersionCase {
    const wchar_t* wineName;
    const wchar_t* productType; // null: the machine's own
    const char* logged;
};

class WindowsVersionTest : public TrayAppTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(WindowsVersionTest, ProgramSeesTheChosenVersionAndProductType)
{
    const VersionCase& c = GetParam();
    if (c.wineName) {
        ASSERT_TRUE(ProgramDefaults(L"e2e_tray_app.exe").SetWindowsVersion(c.wineName));
    }
    if (c.productType) {
        ASSERT_TRUE(ProductOptions().SetProductType(c.productType));
    }
    LaunchOptions options = OptionsFor(E2E_TRAY_APP);
    options.arguments = L"--exit-at-start 0";
    CTestProcess* app = Start(options);
    ASSERT_NE(nullptr, app);
    ASSERT_TRUE(app->WaitForExit(kStepMs));
    std::string seen;
    for (const LogLine& line : LogOf(app->Id())) {
        if (line.message.rfind("Version:", 0) == 0)
            seen = line.message;
    }
    EXPECT_EQ(c.logged, seen);
}

INSTANTIATE_TEST_SUITE_P(Versions, WindowsVersionTest,
                         ::testing::Values(VersionCase{nullptr, nullptr, "Version:6.1.7601 product 1"},
                                           VersionCase{L"winxp", nullptr, "Version:5.1.2600 product 1"},
                                           VersionCase{L"win2003", nullptr, "Version:5.2.3790 product 3"},
                                           VersionCase{L"winxp64", nullptr, "Version:5.2.3790 product 1"},
                                           VersionCase{L"win2008", nullptr, "Version:6.0.6002 product 3"},
                                           VersionCase{L"win7", L"ServerNT", "Version:6.1.7601 product 3"},
                                           VersionCase{L"win10", nullptr, "Version:6.2.9200 product 1"}));

TEST_F(WindowsVersionTest, SettingsAreGoneAfterTheTest)
{
    {
        CProgramDefaults defaults(L"e2e_tray_app.exe");
        ASSERT_TRUE(defaults.SetWindowsVersion(L"winxp"));
        ASSERT_TRUE(defaults.SetUnmanagedWindows());
    }
    CScopedRegistryKey check(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\e2e_tray_app.exe");
    std::wstring version;
    EXPECT_FALSE(check.GetString(L"Version", version))
        << "left behind: " << std::string(version.begin(), version.end());
}

} // namespace
} // namespace e2e
