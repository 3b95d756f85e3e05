// The version code, the supported-OS rule, the version query and the switch
// that silences the future-OS question.
#include "app/OsCheck.h"
#include "app/OsVersion.h"
#include "app/WinVersion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct OsCase {
    const char* name;
    OsVersionFacts facts;
    bool future;
    bool supported;
};

void PrintTo(const OsCase& c, std::ostream* os)
{
    *os << c.name;
}

const std::uint8_t kServer = 3;
const std::uint8_t kDomainController = 2;

const OsCase kOsCases[] = {
    {"Win98", {true, kPlatformWin32Windows, 4, 10, 0}, false, false},
    {"WinMe", {true, kPlatformWin32Windows, 4, 90, 0}, false, false},
    {"Nt4", {true, kPlatformWin32Nt, 4, 0, kProductWorkstation}, false, false},
    {"Win2000", {true, kPlatformWin32Nt, 5, 0, kProductWorkstation}, false, false},
    {"WinXp", {true, kPlatformWin32Nt, 5, 1, kProductWorkstation}, false, true},
    {"WinXpX64", {true, kPlatformWin32Nt, 5, 2, kProductWorkstation}, false, true},
    {"Server2003", {true, kPlatformWin32Nt, 5, 2, kServer}, false, false},
    {"Vista", {true, kPlatformWin32Nt, 6, 0, kProductWorkstation}, false, true},
    {"Server2008", {true, kPlatformWin32Nt, 6, 0, kServer}, false, false},
    {"Win7", {true, kPlatformWin32Nt, 6, 1, kProductWorkstation}, false, true},
    {"Server2008R2DomainController", {true, kPlatformWin32Nt, 6, 1, kDomainController}, false, false},
    {"Nt6Minor255", {true, kPlatformWin32Nt, 6, 255, kProductWorkstation}, false, true},
    {"Nt7Workstation", {true, kPlatformWin32Nt, 7, 0, kProductWorkstation}, true, true},
    {"Nt10Workstation", {true, kPlatformWin32Nt, 10, 0, kProductWorkstation}, true, true},
    {"Nt10Server", {true, kPlatformWin32Nt, 10, 0, kServer}, true, false},
    {"Nt7ShortStructure", {true, kPlatformWin32Nt, 7, 0, 0}, true, false},
    {"NineXMajor7", {true, kPlatformWin32Windows, 7, 0, 0}, false, false},
    {"QueryFailed", {false, kPlatformWin32Nt, 10, 0, kProductWorkstation}, false, false},
};

class OsVersionTest : public ::testing::TestWithParam<OsCase> {};

TEST_P(OsVersionTest, CodeAndSupport)
{
    const OsCase& c = GetParam();
    const std::uint16_t code = WinVersionCode(c.facts);
    EXPECT_EQ(c.future, code == kFutureOsVersionCode) << "code 0x" << std::hex << code;
    EXPECT_EQ(c.supported, IsSupportedOsVersion(c.facts));
    if (!c.facts.read) {
        EXPECT_EQ(0, code) << "a failed query has code 0";
    }
}

INSTANTIATE_TEST_SUITE_P(Systems, OsVersionTest, ::testing::ValuesIn(kOsCases),
                         [](const ::testing::TestParamInfo<OsCase>& info) { return std::string(info.param.name); });

// What the fake version query plays, and what it was asked.
struct FakeSystem {
    OSVERSIONINFOEXW info;
    bool fail;
    bool refuseExtended; // Windows 9x: only the short structure
    std::vector<DWORD> askedSizes;
};
FakeSystem g_system;

BOOL FakeQuery(OSVERSIONINFOW* info)
{
    g_system.askedSizes.push_back(info->dwOSVersionInfoSize);
    if (g_system.fail)
        return FALSE;
    if (info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXW)) {
        if (g_system.refuseExtended)
            return FALSE;
        OSVERSIONINFOEXW* extended = reinterpret_cast<OSVERSIONINFOEXW*>(info);
        *extended = g_system.info;
        extended->dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
        return TRUE;
    }
    if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW))
        return FALSE;
    std::memcpy(info, &g_system.info, sizeof(OSVERSIONINFOW));
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    return TRUE;
}

class WinVersionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_system = FakeSystem();
        previous_ = SetVersionQueryFunction(&FakeQuery);
    }
    void TearDown() override { SetVersionQueryFunction(previous_); }

    static void Play(DWORD platform, DWORD major, DWORD minor, BYTE productType)
    {
        g_system.info.dwPlatformId = platform;
        g_system.info.dwMajorVersion = major;
        g_system.info.dwMinorVersion = minor;
        g_system.info.wProductType = productType;
    }

    VersionQueryFunction previous_ = nullptr;
};

TEST_F(WinVersionTest, NewerNtWorkstationIsFutureAndSupported)
{
    Play(VER_PLATFORM_WIN32_NT, 10, 0, VER_NT_WORKSTATION);
    CWinVersion version;
    EXPECT_EQ(kFutureOsVersionCode, version.Code());
    EXPECT_EQ(VER_NT_WORKSTATION, version.Facts().productType) << "the extended structure gives the product type";
    EXPECT_TRUE(IsSupportedOs());
}

TEST_F(WinVersionTest, WindowsNineXIsReadWithoutTheExtendedStructure)
{
    Play(VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0);
    g_system.refuseExtended = true;
    CWinVersion version;
    ASSERT_EQ(1u, g_system.askedSizes.size()) << "9x is never asked for the extended structure";
    EXPECT_EQ(sizeof(OSVERSIONINFOW), g_system.askedSizes[0]);
    EXPECT_TRUE(version.Facts().read);
    EXPECT_NE(0, version.Code());
    EXPECT_FALSE(IsSupportedOs());
}

TEST_F(WinVersionTest, FailedQueryGivesCodeZeroAndRejection)
{
    Play(VER_PLATFORM_WIN32_NT, 10, 0, VER_NT_WORKSTATION);
    g_system.fail = true;
    CWinVersion version;
    EXPECT_EQ(0, version.Code());
    EXPECT_FALSE(IsSupportedOs());
}

TEST_F(WinVersionTest, ServerEditionIsRejected)
{
    Play(VER_PLATFORM_WIN32_NT, 6, 1, VER_NT_SERVER);
    CWinVersion version;
    EXPECT_NE(kFutureOsVersionCode, version.Code());
    EXPECT_FALSE(IsSupportedOs());
}

TEST(WinVersionSystemTest, ThePrefixReportsASupportedWorkstation)
{
    // The test prefix plays Windows 7; the program must start on it.
    CWinVersion version;
    EXPECT_TRUE(version.Facts().read);
    EXPECT_NE(kFutureOsVersionCode, version.Code());
    EXPECT_TRUE(IsSupportedOs());
}

// The switch is read from a key of the test's own under HKEY_CURRENT_USER.
struct SwitchCase {
    const char* name;
    DWORD type;
    std::vector<BYTE> data; // empty: no value at all
    bool disabled;
};

void PrintTo(const SwitchCase& c, std::ostream* os)
{
    *os << c.name;
}

class FutureOsSwitchTest : public ::testing::TestWithParam<SwitchCase> {
protected:
    void SetUp() override
    {
        path_ = L"Software\\BrindleTest\\OsCheck-" + std::to_wstring(GetCurrentProcessId());
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key_, nullptr));
    }
    void TearDown() override
    {
        RegCloseKey(key_);
        RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
    }

    std::wstring path_;
    HKEY key_ = nullptr;
};

TEST_P(FutureOsSwitchTest, OnlyTheDwordOneSwitchesTheQuestionOff)
{
    const SwitchCase& c = GetParam();
    if (!c.data.empty()) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key_, kDisableFutureOSWarningValue, 0, c.type, c.data.data(),
                                                static_cast<DWORD>(c.data.size())));
    }
    EXPECT_EQ(c.disabled, IsFutureOsWarningDisabled(HKEY_CURRENT_USER, path_.c_str(), 0));
}

std::vector<BYTE> Bytes(const void* p, std::size_t n)
{
    const BYTE* b = static_cast<const BYTE*>(p);
    return std::vector<BYTE>(b, b + n);
}

const wchar_t kTextOne[] = L"1";
const BYTE kDwordOne[] = {1, 0, 0, 0};
const BYTE kDwordTwo[] = {2, 0, 0, 0};
const BYTE kLongOne[300] = {1};

INSTANTIATE_TEST_SUITE_P(Values, FutureOsSwitchTest,
                         ::testing::Values(SwitchCase{"DwordOne", REG_DWORD, Bytes(kDwordOne, 4), true},
                                           SwitchCase{"DwordTwo", REG_DWORD, Bytes(kDwordTwo, 4), false},
                                           SwitchCase{"StringOne", REG_SZ, Bytes(kTextOne, sizeof(kTextOne)), false},
                                           SwitchCase{"BinaryOne", REG_BINARY, Bytes(kDwordOne, 4), false},
                                           SwitchCase{"LongerThanTheBuffer", REG_DWORD,
                                                      Bytes(kLongOne, sizeof(kLongOne)), false},
                                           SwitchCase{"Missing", REG_NONE, {}, false}),
                         [](const ::testing::TestParamInfo<SwitchCase>& info) { return std::string(info.param.name); });

TEST(FutureOsSwitchMissingKeyTest, AMissingKeyLeavesTheQuestionOn)
{
    EXPECT_FALSE(IsFutureOsWarningDisabled(HKEY_CURRENT_USER, L"Software\\BrindleTest\\NoSuchKey", 0));
}

} // namespace
