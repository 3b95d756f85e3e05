// The real SetupAPI path: a class that nothing serves, and the stand-in
// driver that the test prefix has installed.

#include <gtest/gtest.h>

#include <string>

#include "MiscCommonTestPeer.h"
#include "misccommon/MiscCommon.h"

namespace MiscCommon {
namespace {

// A class no driver registers.
const GUID kUnservedClass = {0x6C0FFEE5, 0x51B3, 0x4A7E, {0x9D, 0x21, 0x3B, 0x40, 0x8E, 0x55, 0x17, 0xC2}};

TEST(SetupApiDeviceTest, ClassWithoutInterfaceFailsTheLookupCleanly)
{
    CSetupApiDevice device(kUnservedClass);
    CMiscCommon channel(&device);
    CMiscCommonTestPeer peer(channel);

    const DWORD result = channel.OpenDriver();
    const DWORD error = GetLastError();
    const std::wstring text = peer.LastErrorText();

    // Wine either gives an empty list (then the enumeration fails) or no list.
    if (result == 6) {
        EXPECT_EQ(L"MiscCommon::CMiscCommon::OpenDriver: SetupDiEnumDeviceInterfaces failed.", text);
        EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), error);
    } else {
        EXPECT_EQ(2u, result) << Narrow(text) << " error " << error;
        EXPECT_EQ(L"MiscCommon::CMiscCommon::OpenDriver: SetupDiGetClassDevs failed.", text);
    }
    EXPECT_EQ(INVALID_HANDLE_VALUE, peer.Device());
    EXPECT_EQ(nullptr, peer.VersionText());

    channel.CloseDriver();
    EXPECT_EQ(result, channel.OpenDriver()) << "the object stays usable";
}

TEST(SetupApiDeviceTest, OpenWithoutALookupFails)
{
    CSetupApiDevice device;
    EXPECT_EQ(INVALID_HANDLE_VALUE, device.OpenFoundInterface());
}

// Whether the installed driver takes sessions or refuses them, the handshake
// must come to 0 over the real calls.
TEST(SetupApiDeviceTest, InstalledStandInDriverOpensAndHandshakes)
{
    CMiscCommon channel;
    CMiscCommonTestPeer peer(channel);

    ASSERT_EQ(0u, channel.OpenDriver()) << Narrow(peer.LastErrorText()) << " error " << GetLastError();
    ASSERT_NE(nullptr, peer.VersionText());
    EXPECT_EQ(L"", peer.LastErrorText());
    EXPECT_NE(INVALID_HANDLE_VALUE, peer.Device());
    const bool supported = channel.IsDriverVersionSupported();

    EXPECT_EQ(supported ? 0u : 10u, channel._Initialize())
        << Narrow(peer.LastErrorText()) << " version " << Narrow(peer.VersionText());
    if (supported && peer.SecureSession()) {
        EXPECT_NE(nullptr, peer.Cipher());
        EXPECT_NE(0u, peer.SessionId());
    } else {
        EXPECT_EQ(nullptr, peer.Cipher());
    }
    channel.CloseDriver();
    EXPECT_EQ(INVALID_HANDLE_VALUE, peer.Device());
}

} // namespace
} // namespace MiscCommon
