// End to end: the registry layer over the kernel-mode stand-in driver in the
// test prefix, found through SetupAPI by the product's own lookup, over an
// authenticated, enciphered session. The values live in the 64-bit view of
// HKEY_LOCAL_MACHINE\SOFTWARE\Norvane\brindle, where the driver keeps them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MiscCommonTestPeer.h"
#include "misccommon/MiscCommon.h"
#include "misccommon/RegAccess.h"
#include "misccommon/SharedChannel.h"
#include "tests/support/HeapUse.h"

namespace MiscCommon {
namespace {

const wchar_t kProductKey[] = L"SOFTWARE\\Norvane\\brindle";
const wchar_t kTestValues[][24] = {L"E2ePinMin",  L"E2eServiceName", L"E2eGPSStatus",
                                   L"E2eMissing", L"E2eTextPinMin",  L"E2eBinarySwitch"};

// reg.exe as an administrator would use it; /reg:64 reaches the view the
// 64-bit driver reads, whatever this 32-bit test is redirected to.
DWORD RunReg(const std::wstring& arguments)
{
    std::wstring command = L"reg.exe " + arguments + L" /reg:64";
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process))
        return GetLastError() | 0x10000000u;
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

bool ReadDword64(const wchar_t* name, DWORD* value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = sizeof(*value);
    const LONG result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_DWORD;
}

void DeleteTestValues()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return;
    for (const wchar_t* name : kTestValues)
        RegDeleteValueW(key, name);
    RegCloseKey(key);
}

class RegAccessDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetChannelDeviceFactory(nullptr);
        DeleteTestValues();
        ASSERT_EQ(0u, RunReg(std::wstring(L"add HKLM\\") + kProductKey + L" /v E2ePinMin /t REG_DWORD /d 6 /f"));
        ASSERT_EQ(
            0u, RunReg(std::wstring(L"add HKLM\\") + kProductKey + L" /v E2eServiceName /t REG_SZ /d qcusbser-e2e /f"));
    }
    void TearDown() override
    {
        registry.Terminate();
        DeleteTestValues();
    }

    CRegAccess registry;
};

TEST_F(RegAccessDriverTest, ReadsAndWritesTheProductKeyOverAnEncipheredSession)
{
    ASSERT_EQ(RegResult::kOk, registry.Initialize(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane"))
        << "is the stand-in driver installed and serving its interface?";
    ASSERT_NE(nullptr, SharedChannel());
    CMiscCommonTestPeer peer(*SharedChannel());
    EXPECT_EQ(TRUE, peer.SecureSession()) << "the driver must take an authenticated session";
    EXPECT_NE(nullptr, peer.Cipher());
    EXPECT_NE(0u, peer.SessionId());

    DWORD value = 0;
    EXPECT_EQ(RegResult::kOk, registry.QueryDword(L"E2ePinMin", &value))
        << Narrow(peer.LastErrorText()) << " error " << GetLastError();
    EXPECT_EQ(6u, value);

    wchar_t text[261];
    DWORD size = sizeof(text);
    EXPECT_EQ(RegResult::kOk, registry.QueryString(L"E2eServiceName", text, &size))
        << Narrow(peer.LastErrorText()) << " error " << GetLastError();
    EXPECT_EQ(std::wstring(L"qcusbser-e2e"), std::wstring(text));
    EXPECT_EQ(26u, size);

    EXPECT_EQ(RegResult::kNoValue, registry.QueryDword(L"E2eMissing", &value));

    EXPECT_EQ(RegResult::kOk, registry.SetDword(L"E2eGPSStatus", 2))
        << Narrow(peer.LastErrorText()) << " error " << GetLastError();
    DWORD stored = 0;
    EXPECT_TRUE(ReadDword64(L"E2eGPSStatus", &stored)) << "the write reached the 64-bit key";
    EXPECT_EQ(2u, stored);
    EXPECT_EQ(RegResult::kOk, registry.QueryDword(L"E2eGPSStatus", &value));
    EXPECT_EQ(2u, value);
    EXPECT_GE(peer.Sequence(), 6) << "every request travelled in its own capsule";

    registry.Terminate();
    EXPECT_EQ(nullptr, SharedChannel());
}

// A tray utility makes these requests for weeks: a thousand rounds of reads
// and writes, found and missing, leave the heaps exactly as they were.
TEST_F(RegAccessDriverTest, RequestsLeaveTheHeapAsItWas)
{
    ASSERT_EQ(RegResult::kOk, registry.Initialize(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane"));
    const auto round = [this] {
        DWORD value = 0;
        wchar_t text[261];
        DWORD size = sizeof text;
        return registry.QueryDword(L"E2ePinMin", &value) == RegResult::kOk &&
               registry.SetDword(L"E2eGPSStatus", 2) == RegResult::kOk &&
               registry.QueryString(L"E2eServiceName", text, &size) == RegResult::kOk &&
               registry.QueryDword(L"E2eMissing", &value) == RegResult::kNoValue;
    };
    bool ok = false;
    const testsupport::HeapChange growth = testsupport::HeapGrowth(round, 1000, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(0, growth.blocks);
    EXPECT_EQ(0, growth.bytes);
}

// Only a REG_DWORD is a number: a string's characters or a binary value's
// bytes must not come back as one, so the reader falls back to its default.
TEST_F(RegAccessDriverTest, ValuesOfAnotherTypeDoNotReadAsNumbers)
{
    const struct {
        const wchar_t* name;
        const wchar_t* typeAndData;
    } cases[] = {
        {L"E2eTextPinMin", L"/t REG_SZ /d 6"},
        {L"E2eBinarySwitch", L"/t REG_BINARY /d 01000000"},
    };
    for (const auto& c : cases)
        ASSERT_EQ(0u,
                  RunReg(std::wstring(L"add HKLM\\") + kProductKey + L" /v " + c.name + L" " + c.typeAndData + L" /f"));
    ASSERT_EQ(RegResult::kOk, registry.Initialize(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane"));
    for (const auto& c : cases) {
        DWORD value = 0xA5A5A5A5;
        EXPECT_NE(RegResult::kOk, registry.QueryDword(c.name, &value)) << Narrow(c.name);
        EXPECT_EQ(0xA5A5A5A5u, value) << Narrow(c.name) << ": written only on success";
    }
    DWORD value = 0;
    EXPECT_EQ(RegResult::kOk, registry.QueryDword(L"E2ePinMin", &value)) << "the session is still good";
    EXPECT_EQ(6u, value);
}

TEST_F(RegAccessDriverTest, FeatureQueryOverAPrivateChannel)
{
    CMiscCommon channel;
    ASSERT_EQ(0u, channel.OpenDriver());
    ASSERT_TRUE(channel.IsDriverVersionSupported());
    ASSERT_EQ(0u, channel._Initialize());
    BYTE status = 0xFF;
    WORD words[4] = {};
    EXPECT_EQ(0u, channel.QueryMiscFeatures(&status, &words[0], &words[1], &words[2], &words[3]));
    EXPECT_EQ(0, status);
    EXPECT_EQ(1, words[0] & 1);
    EXPECT_EQ(1, words[1] & 1);
    channel.CloseDriver();
}

} // namespace
} // namespace MiscCommon
