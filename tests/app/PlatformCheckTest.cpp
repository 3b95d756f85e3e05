// The start-up platform probe over a scripted misc driver.
#include "app/StartupChecks.h"
#include "tests/misccommon/FakeMiscDevice.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using MiscCommon::CFakeMiscDevice;
using MiscCommon::RequestKind;

struct ProbeCase {
    const char* name;
    const wchar_t* version;
    long word12; // -1: the driver's default (bit set)
    long word14;
    bool busyAlways;
    bool supported;
};

void PrintTo(const ProbeCase& c, std::ostream* os)
{
    *os << c.name;
}

class PlatformCheckTest : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(PlatformCheckTest, NeedsASessionAndBothFeatureBits)
{
    const ProbeCase& c = GetParam();
    CFakeMiscDevice device;
    device.VersionText = c.version;
    if (c.word12 >= 0)
        device.Registry.SetFault(MiscDriver::kFaultFeatureWord12, static_cast<uint32_t>(c.word12));
    if (c.word14 >= 0)
        device.Registry.SetFault(MiscDriver::kFaultFeatureWord14, static_cast<uint32_t>(c.word14));
    if (c.busyAlways)
        device.Registry.SetFault(MiscDriver::kFaultBusyAlways, 1);

    EXPECT_EQ(c.supported, CheckPlatformSupport(&device));
    EXPECT_EQ(device.OpenCalls, device.CloseCalls) << "the probe's channel is closed in every case";
}

INSTANTIATE_TEST_SUITE_P(Drivers, PlatformCheckTest,
                         ::testing::Values(ProbeCase{"BothBits", L"1.0.8.0", -1, -1, false, true},
                                           ProbeCase{"OtherBitsDoNotMatter", L"1.0.8.0", 0xFFFF, 0x0001, false, true},
                                           ProbeCase{"NoBitAt12", L"1.0.8.0", 0x0002, -1, false, false},
                                           ProbeCase{"NoBitAt14", L"1.0.8.0", -1, 0xFFFE, false, false},
                                           ProbeCase{"NoBits", L"1.0.8.0", 0, 0, false, false},
                                           ProbeCase{"BusyDriver", L"1.0.8.0", -1, -1, true, false},
                                           ProbeCase{"NewerDriver", L"1.2.0.0", -1, -1, false, true},
                                           ProbeCase{"DriverOlderThan108", L"1.0.7.9", -1, -1, false, false}),
                         [](const ::testing::TestParamInfo<ProbeCase>& info) { return std::string(info.param.name); });

TEST(PlatformCheckDeviceTest, MissingDriverFailsWithoutARequest)
{
    CFakeMiscDevice device;
    device.FindFailure = MiscCommon::kFindNoInterface;
    device.FindError = ERROR_NO_MORE_ITEMS;
    EXPECT_FALSE(CheckPlatformSupport(&device));
    EXPECT_TRUE(device.Requests.empty());
}

TEST(PlatformCheckDeviceTest, OldDriverIsNotAskedForASession)
{
    CFakeMiscDevice device;
    device.VersionText = L"1.0.7.0";
    EXPECT_FALSE(CheckPlatformSupport(&device));
    EXPECT_TRUE(device.RequestsOf(RequestKind::Phase1).empty());
    EXPECT_TRUE(device.RequestsOf(RequestKind::Capsule).empty()) << "an old driver gets no feature query";
}

TEST(PlatformCheckDeviceTest, RefusedSessionFailsTheProbe)
{
    CFakeMiscDevice device;
    device.Scripts[RequestKind::Phase2].Fail = true;
    device.Scripts[RequestKind::Phase2].Error = ERROR_GEN_FAILURE;
    EXPECT_FALSE(CheckPlatformSupport(&device));
    EXPECT_TRUE(device.RequestsOf(RequestKind::Capsule).empty());
}

} // namespace
