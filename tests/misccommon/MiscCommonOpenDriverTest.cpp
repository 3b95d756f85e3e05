// Finding and opening the driver, its version, and closing, through the
// scripted device.

#include <gtest/gtest.h>

#include <string>

#include "FakeMiscDevice.h"
#include "MiscCommonTestPeer.h"

namespace MiscCommon {
namespace {

const wchar_t kPrefix[] = L"MiscCommon::CMiscCommon::OpenDriver: ";

struct OpenFailure {
    const char* Name;
    MiscFindResult Step; // kFindOk: the lookup works and CreateFile fails
    DWORD Error;
    const wchar_t* Message;
    DWORD Result;
};

void PrintTo(const OpenFailure& row, std::ostream* os)
{
    *os << row.Name;
}

class MiscCommonOpenFailureTest : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(MiscCommonOpenFailureTest, ReportsTheFailingStep)
{
    const OpenFailure& row = GetParam();
    CFakeMiscDevice device;
    device.FindFailure = row.Step;
    device.FindError = row.Error;
    device.OpenFails = row.Step == kFindOk;
    device.OpenError = row.Error;
    CMiscCommon channel(&device);
    CMiscCommonTestPeer peer(channel);

    EXPECT_EQ(row.Result, channel.OpenDriver());
    EXPECT_EQ(row.Error, GetLastError());
    EXPECT_EQ(std::wstring(kPrefix) + row.Message, peer.LastErrorText());
    EXPECT_EQ(INVALID_HANDLE_VALUE, peer.Device());
    if (row.Step != kFindOk) {
        EXPECT_EQ(nullptr, peer.VersionText()) << "a failed lookup must leave the version unread";
    }

    // Once the device is there, the same object opens and reads the version.
    device.FindFailure = kFindOk;
    device.OpenFails = false;
    EXPECT_EQ(0u, channel.OpenDriver());
    EXPECT_EQ(L"", peer.LastErrorText());
    EXPECT_EQ(1u, peer.Major());
    EXPECT_EQ(8u, peer.Build());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MiscCommonOpenFailureTest,
    ::testing::Values(
        OpenFailure{"NoClassList", kFindNoClassList, ERROR_INVALID_DATA, L"SetupDiGetClassDevs failed.", 2},
        OpenFailure{"NoInterface", kFindNoInterface, ERROR_NO_MORE_ITEMS, L"SetupDiEnumDeviceInterfaces failed.", 6},
        OpenFailure{"DetailSize", kFindDetailSize, ERROR_INVALID_USER_BUFFER,
                    L"SetupDiGetDeviceInterfaceDetail (First time) failed.", 2},
        OpenFailure{"DetailMemory", kFindDetailMemory, ERROR_NOT_ENOUGH_MEMORY, L"HeapAlloc failed.", 5},
        OpenFailure{"Detail", kFindDetail, ERROR_INVALID_PARAMETER,
                    L"SetupDiGetDeviceInterfaceDetail (Second time) failed.", 2},
        OpenFailure{"DriverKey", kFindDriverKey, ERROR_INVALID_HANDLE, L"SetupDiOpenDevRegKey failed.", 2},
        OpenFailure{"DriverVersion", kFindDriverVersion, ERROR_FILE_NOT_FOUND, L"RegQueryValueEx failed.", 2},
        OpenFailure{"CreateFile", kFindOk, ERROR_ACCESS_DENIED, L"CreateFile failed.", 11}),
    [](const ::testing::TestParamInfo<OpenFailure>& info) { return info.param.Name; });

struct VersionRow {
    const wchar_t* Text;
    DWORD Major, Minor, Build, Revision;
    bool Supported;
};

void PrintTo(const VersionRow& row, std::ostream* os)
{
    *os << Narrow(row.Text);
}

class MiscCommonVersionTest : public ::testing::TestWithParam<VersionRow> {};

TEST_P(MiscCommonVersionTest, ParsesAndGatesTheHandshake)
{
    const VersionRow& row = GetParam();
    CFakeMiscDevice device;
    device.VersionText = row.Text;
    CMiscCommon channel(&device);
    CMiscCommonTestPeer peer(channel);

    ASSERT_EQ(0u, channel.OpenDriver()) << "an old driver still opens";
    EXPECT_EQ(256u, device.LastVersionBytes);
    EXPECT_EQ(row.Major, peer.Major());
    EXPECT_EQ(row.Minor, peer.Minor());
    EXPECT_EQ(row.Build, peer.Build());
    EXPECT_EQ(row.Revision, peer.Revision());
    EXPECT_EQ(row.Supported, channel.IsDriverVersionSupported());
    EXPECT_EQ(row.Supported ? 0u : 10u, channel._Initialize()) << Narrow(peer.LastErrorText());
}

INSTANTIATE_TEST_SUITE_P(
    Table, MiscCommonVersionTest,
    ::testing::Values(VersionRow{L"1.0.8.0", 1, 0, 8, 0, true}, VersionRow{L"1.0.7.99", 1, 0, 7, 99, false},
                      VersionRow{L"1.1.0.0", 1, 1, 0, 0, true}, VersionRow{L"2.0.0.0", 2, 0, 0, 0, true},
                      VersionRow{L"0.9.9.9", 0, 9, 9, 9, false}, VersionRow{L"1.0.12.3", 1, 0, 12, 3, true},
                      VersionRow{L"1.0.8", 1, 0, 8, 0, true}, VersionRow{L"1.0", 1, 0, 0, 0, false},
                      VersionRow{L"v1.0.8.0", 0, 0, 0, 0, false}, VersionRow{L"", 0, 0, 0, 0, false},
                      VersionRow{L"1.0.x.5", 1, 0, 0, 0, false}));

TEST(MiscCommonOpenDriverTest, OverlongVersionTextFailsTheRead)
{
    CFakeMiscDevice device;
    device.VersionText = L"1.0.8.0" + std::wstring(121, L' '); // 128 characters
    CMiscCommon channel(&device);
    CMiscCommonTestPeer peer(channel);

    EXPECT_EQ(2u, channel.OpenDriver());
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(L"MiscCommon::CMiscCommon::OpenDriver: RegQueryValueEx failed.", peer.LastErrorText());
    EXPECT_EQ(nullptr, peer.VersionText());
}

TEST(MiscCommonOpenDriverTest, LongestVersionTextThatFitsIsRead)
{
    CFakeMiscDevice device;
    device.VersionText = L"1.0.8.0" + std::wstring(120, L' '); // 127 characters
    CMiscCommon channel(&device);
    CMiscCommonTestPeer peer(channel);

    EXPECT_EQ(0u, channel.OpenDriver()) << Narrow(peer.LastErrorText());
    EXPECT_TRUE(channel.IsDriverVersionSupported());
}

TEST(MiscCommonOpenDriverTest, SecondOpenDoesNotReadTheVersionAgain)
{
    CFakeMiscDevice device;
    CMiscCommon channel(&device);
    CMiscCommonTestPeer peer(channel);

    ASSERT_EQ(0u, channel.OpenDriver());
    channel.CloseDriver();
    device.VersionText = L"0.1.0.0";
    ASSERT_EQ(0u, channel.OpenDriver());

    EXPECT_EQ(2, device.FindCalls);
    EXPECT_EQ(1, device.VersionReads);
    EXPECT_EQ(1u, peer.Major()) << "the version of the first read stays";
    EXPECT_EQ(8u, peer.Build());
    EXPECT_EQ(std::wstring(L"1.0.8.0"), peer.VersionText());
}

TEST(MiscCommonOpenDriverTest, OpenOnAnOpenChannelClosesTheFirstHandle)
{
    CFakeMiscDevice device;
    CMiscCommon channel(&device);
    ASSERT_EQ(0u, channel.OpenDriver());
    ASSERT_EQ(0u, channel.OpenDriver());
    EXPECT_EQ(1, device.CloseCalls);
}

TEST(MiscCommonCloseDriverTest, ClosedChannelDoesNothing)
{
    CFakeMiscDevice device;
    {
        CMiscCommon channel(&device);
        channel.CloseDriver();
        channel.CloseDriver();
    }
    EXPECT_EQ(0, device.CloseCalls);
    EXPECT_TRUE(device.Requests.empty());
}

TEST(MiscCommonCloseDriverTest, OpenChannelWithoutSessionOnlyClosesTheHandle)
{
    CFakeMiscDevice device;
    CMiscCommon channel(&device);
    CMiscCommonTestPeer peer(channel);
    ASSERT_EQ(0u, channel.OpenDriver());

    channel.CloseDriver();

    EXPECT_EQ(1, device.CloseCalls);
    EXPECT_TRUE(device.Requests.empty()) << "no session-close request without a session";
    EXPECT_EQ(INVALID_HANDLE_VALUE, peer.Device());
}

TEST(MiscCommonCloseDriverTest, PlainChannelSendsNoSessionClose)
{
    CFakeMiscDevice device;
    device.RefuseSessions = true;
    CMiscCommon channel(&device);
    ASSERT_EQ(0u, channel.OpenDriver());
    ASSERT_EQ(0u, channel._Initialize());

    channel.CloseDriver();

    EXPECT_TRUE(device.RequestsOf(RequestKind::SessionClose).empty());
    EXPECT_EQ(1, device.CloseCalls);
}

TEST(MiscCommonCloseDriverTest, DestructorEndsTheSession)
{
    CFakeMiscDevice device;
    {
        CMiscCommon channel(&device);
        ASSERT_EQ(0u, channel.OpenDriver());
        ASSERT_EQ(0u, channel._Initialize());
    }
    EXPECT_EQ(1u, device.RequestsOf(RequestKind::SessionClose).size());
    EXPECT_EQ(0u, device.Core().SessionCount());
}

} // namespace
} // namespace MiscCommon
