// The start-up's first decisions, on conditions Wine cannot produce: a guest
// token and a Windows newer than the program knows. The version query and the
// token check are played; the message box and the message dialog are real.
#include "app/Brindle.h"
#include "app/StartupChecks.h"
#include "app/WinVersion.h"
#include "tests/ui/DialogScript.h"

#include <gtest/gtest.h>

namespace {

struct StartupCase {
    const char* name;
    DWORD major;
    BYTE productType;
    bool guest;
    int answer;             // to the future-OS question; 0: it must not be asked
    const wchar_t* message; // the message dialog's text; nullptr: none
    int exitCode;
};

// Texts as the program's messages quote them.
const wchar_t kGuestRefused[] = L"Guestアカウントでの実行はできません。";
const wchar_t kOsUnsupported[] = L"現在のＯＳでは使用できません。";

const StartupCase kCases[] = {
    {"NewerWindowsAnsweredNo", 10, VER_NT_WORKSTATION, false, IDNO, nullptr, 0},
    {"NewerServerAnsweredYes", 10, VER_NT_SERVER, false, IDYES, kOsUnsupported, 1},
    {"GuestOnSeven", 6, VER_NT_WORKSTATION, true, 0, kGuestRefused, 1},
    {"GuestOnNewerWindowsAnsweredYes", 10, VER_NT_WORKSTATION, true, IDYES, kGuestRefused, 1},
};

DWORD g_major;
BYTE g_productType;
bool g_guest;
int g_probes;

BOOL PlayedVersion(OSVERSIONINFOW* info)
{
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    info->dwMajorVersion = g_major;
    info->dwMinorVersion = 1;
    if (info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXW))
        reinterpret_cast<OSVERSIONINFOEXW*>(info)->wProductType = g_productType;
    return TRUE;
}

bool PlayedGuest()
{
    return g_guest;
}
bool CountedProbe()
{
    ++g_probes;
    return false;
}

class StartupOrderTest : public ::testing::TestWithParam<StartupCase> {
protected:
    void SetUp() override
    {
        const StartupCase& c = GetParam();
        g_major = c.major;
        g_productType = c.productType;
        g_guest = c.guest;
        g_probes = 0;
        m_version = SetVersionQueryFunction(&PlayedVersion);
        m_guest = SetGuestCheckFunction(&PlayedGuest);
        m_platform = SetPlatformCheckFunction(&CountedProbe);
    }
    void TearDown() override
    {
        SetVersionQueryFunction(m_version);
        SetGuestCheckFunction(m_guest);
        SetPlatformCheckFunction(m_platform);
    }

    VersionQueryFunction m_version = nullptr;
    StartupCheckFunction m_guest = nullptr;
    StartupCheckFunction m_platform = nullptr;
};

TEST_P(StartupOrderTest, EndsBeforeTheDriverWithTheRightWordsAndCode)
{
    const StartupCase& c = GetParam();
    int asked = 0;
    std::wstring shown;
    CDialogScript script;
    if (c.answer != 0) {
        script.WaitFor([] { return !ThreadDialogs().empty(); }).Then([&] {
            HWND box = ThreadDialogs().front();
            ASSERT_EQ(nullptr, MessageTextOf(box)) << "the question comes as a message box";
            ++asked;
            Click(box, c.answer);
        });
    }
    if (c.message != nullptr) {
        script
            .WaitFor([] {
                const std::vector<HWND> dialogs = ThreadDialogs();
                return !dialogs.empty() && MessageTextOf(dialogs.front()) != nullptr;
            })
            .Then([&] {
                HWND message = ThreadDialogs().front();
                shown = MessageTextOf(message);
                Click(message, IDOK);
            });
    }
    CBrindle brindle(::GetModuleHandleW(nullptr));
    int exitCode = -1;
    script.RunModal([&] {
        exitCode = brindle.Run();
        return 0;
    });
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(c.exitCode, exitCode);
    EXPECT_EQ(c.answer != 0 ? 1 : 0, asked);
    EXPECT_EQ(c.message != nullptr ? c.message : L"", shown);
    EXPECT_EQ(0, g_probes) << "start-up reached the driver";
}

INSTANTIATE_TEST_SUITE_P(Cases, StartupOrderTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
