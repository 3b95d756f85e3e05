// The kernel-mode stand-in in the Wine prefix, end to end: the shared suite
// over the program's own SetupAPI device, what other tools see in the
// registry, and the installer commands that make the driver old or absent.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "DriverServiceSuite.h"
#include "SimDriverControl.h"
#include "misccommon/MiscCommon.h"

namespace MiscDriverTest {

INSTANTIATE_TEST_SUITE_P(Kernel, DriverServiceTest,
                         ::testing::Values(EnvironmentParam{"Kernel", &MakeKernelEnvironment}), EnvironmentName);

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE;

class Stopwatch {
public:
    double Seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - _start).count(); }

private:
    std::chrono::steady_clock::time_point _start = std::chrono::steady_clock::now();
};

// Runs `command` with its output in a file and returns that output.
std::string RunCaptured(const std::wstring& command)
{
    wchar_t folder[MAX_PATH];
    wchar_t file[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"drv", 0, file);
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE out =
        CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return std::string();
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process = {};
    std::wstring line = command;
    if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, 30000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    std::ifstream read(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(read)), std::istreambuf_iterator<char>());
    read.close();
    DeleteFileW(file);
    return text;
}

class MiscDriverPlatformTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        simdriver::ClearAllFaults();
        ASSERT_TRUE(simdriver::WaitForInterface(10000)) << "the stand-in is not serving";
    }
    void TearDown() override
    {
        simdriver::ClearAllFaults();
        simdriver::DeleteValue(L"DriverTestValue");
    }
};

TEST_F(MiscDriverPlatformTest, WrittenValueIsWhatRegQuerySees)
{
    MiscCommon::CMiscCommon channel;
    ASSERT_EQ(0u, channel.OpenDriver());
    ASSERT_EQ(0u, channel._Initialize());
    const DWORD value = 0x2A;
    ASSERT_EQ(0u, channel.SetRegistry(kMachine, simdriver::kProductKey, L"DriverTestValue", &value));

    DWORD read = 0;
    EXPECT_TRUE(simdriver::ReadDword(L"DriverTestValue", &read));
    EXPECT_EQ(value, read);
    const std::string listing =
        RunCaptured(L"reg query \"HKLM\\SOFTWARE\\Norvane\\brindle\" /v DriverTestValue /reg:64");
    EXPECT_NE(std::string::npos, listing.find("REG_DWORD")) << listing;
    EXPECT_NE(std::string::npos, listing.find("0x2a")) << listing;

    // The program never reads the 32-bit view; the driver never writes it.
    HKEY redirected = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, simdriver::kProductKey, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &redirected) ==
        ERROR_SUCCESS) {
        EXPECT_NE(ERROR_SUCCESS, RegQueryValueExW(redirected, L"DriverTestValue", nullptr, nullptr, nullptr, nullptr));
        RegCloseKey(redirected);
    }
}

TEST_F(MiscDriverPlatformTest, OldVersionTextMakesTheDriverTooOld)
{
    Stopwatch watch;
    ASSERT_TRUE(simdriver::SetDriverVersion(L"1.0.7.99"));
    std::cout << "driversetup version: " << watch.Seconds() << " s\n";
    {
        MiscCommon::CMiscCommon channel;
        ASSERT_EQ(0u, channel.OpenDriver());
        EXPECT_FALSE(channel.IsDriverVersionSupported());
        EXPECT_EQ(10u, channel._Initialize());
        const DWORD value = 1;
        EXPECT_EQ(10u, channel.SetRegistry(kMachine, simdriver::kProductKey, L"DriverTestValue", &value));
    }
    ASSERT_TRUE(simdriver::SetDriverVersion(L"1.0.8.0"));
    MiscCommon::CMiscCommon channel;
    ASSERT_EQ(0u, channel.OpenDriver());
    EXPECT_TRUE(channel.IsDriverVersionSupported());
    EXPECT_EQ(0u, channel._Initialize());
}

TEST_F(MiscDriverPlatformTest, RemovedDriverIsNotFoundUntilInstalledAgain)
{
    Stopwatch removal;
    ASSERT_TRUE(simdriver::RemoveDriver());
    const bool gone = simdriver::WaitForInterfaceGone(10000);
    std::cout << "driversetup remove: " << removal.Seconds() << " s\n";
    EXPECT_TRUE(gone);
    {
        MiscCommon::CMiscCommon channel;
        EXPECT_EQ(6u, channel.OpenDriver()) << "no interface at index 0";
    }

    Stopwatch install;
    ASSERT_TRUE(simdriver::InstallDriver()) << "the stand-in did not come back";
    std::cout << "driversetup install: " << install.Seconds() << " s\n";
    MiscCommon::CMiscCommon channel;
    ASSERT_EQ(0u, channel.OpenDriver());
    EXPECT_TRUE(channel.IsDriverVersionSupported());
    EXPECT_EQ(0u, channel._Initialize());
    BYTE status = 0xFF;
    EXPECT_EQ(0u, channel.QueryMiscFeatures(&status, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0, status);
}

} // namespace
} // namespace MiscDriverTest
