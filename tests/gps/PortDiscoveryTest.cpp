// Port discovery through the product's own COM path (CoCreateInstance of
// CLSID_WbemLocator), which the prefix points at the stand-in WMI.
#include "modem/WmiOptionAppPortFinder.h"

#include "tests/gps/GpsTestBench.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <string>
#include <vector>

namespace gpstest {
namespace {

const wchar_t kDm5[] = L"qcusbserps2k|Sierra Wireless DM Port (COM5)";
const wchar_t kNmea7[] = L"qcusbserps2k|Sierra Wireless NMEA Port (COM7)";

class PortDiscoveryTest : public BenchTest {
protected:
    std::uint32_t Queries() const { return simwmi::GetValue(simwmi::kQueries, 0); }
};

TEST_F(PortDiscoveryTest, DefaultCaptionsGiveDmFiveAndNmeaSeven)
{
    EXPECT_EQ(1, service.FindModemPorts());
    EXPECT_EQ(5, service.GetDmPort());
    EXPECT_EQ(7, service.GetNmeaPort());
    EXPECT_EQ(1u, Queries());
    EXPECT_EQ(0u, simwmi::GetValue(simwmi::kOverReleases, 0)) << "every WMI object released once";
}

TEST_F(PortDiscoveryTest, SecondSearchAfterSuccessMakesNoQuery)
{
    ASSERT_EQ(1, service.FindModemPorts());
    simwmi::SetEntities({});
    EXPECT_EQ(1, service.FindModemPorts());
    EXPECT_EQ(1u, Queries());
    EXPECT_EQ(7, service.GetNmeaPort()) << "the NMEA port found with the DM port stays";
}

struct ScanCase {
    const char* name;
    std::vector<std::wstring> entities;
    std::uint32_t gpsOption;
    int result;
    int dmPort;
    int nmeaPort;
};

class PortScanTest : public PortDiscoveryTest, public ::testing::WithParamInterface<ScanCase> {};

TEST_P(PortScanTest, FindsThePortsOfTheModemsDriverOnly)
{
    const ScanCase& c = GetParam();
    simwmi::SetEntities(c.entities);
    service.SetGpsOption(c.gpsOption);
    EXPECT_EQ(c.result, service.FindModemPorts());
    EXPECT_EQ(c.dmPort, service.GetDmPort());
    EXPECT_EQ(c.nmeaPort, service.GetNmeaPort());
}

INSTANTIATE_TEST_SUITE_P(
    Entities, PortScanTest,
    ::testing::Values(
        ScanCase{"OtherServiceIgnored",
                 {L"usbser|Sierra Wireless DM Port (COM5)", L"usbser|Sierra Wireless NMEA Port (COM7)"},
                 1,
                 0,
                 -1,
                 -1},
        ScanCase{"ServiceComparedWithCase", {L"QCUSBSERPS2K|Sierra Wireless DM Port (COM5)"}, 1, 0, -1, -1},
        ScanCase{"DmPrefixThenLetterIgnored", {L"qcusbserps2k|Sierra Wireless DM Port (COMX)", kNmea7}, 1, 0, -1, -1},
        ScanCase{"MissingAndNullPropertiesIgnored",
                 {L"|Sierra Wireless DM Port (COM3)", L"(null)|Sierra Wireless DM Port (COM3)", L"qcusbserps2k|",
                  L"qcusbserps2k|(null)", kDm5},
                 0,
                 1,
                 5,
                 -1},
        ScanCase{"MultiDigitPort", {L"qcusbserps2k|Sierra Wireless DM Port (COM123)", kNmea7}, 1, 1, 123, 7},
        ScanCase{"WithoutGpsStopsAtTheFirstDmPort", {kDm5, kNmea7}, 0, 1, 5, -1},
        ScanCase{"WithoutGpsNmeaSeenBeforeIsKept", {kNmea7, kDm5}, 0, 1, 5, 7},
        ScanCase{"WithGpsDmAloneIsEnough", {kDm5}, 1, 1, 5, -1},
        ScanCase{"NmeaAloneIsNotTheModem", {kNmea7}, 1, 0, -1, -1}, ScanCase{"NoEntities", {}, 1, 0, -1, -1}),
    [](const ::testing::TestParamInfo<ScanCase>& info) { return info.param.name; });

TEST_F(PortDiscoveryTest, PrefixesAndServiceNameComeFromTheProductKey)
{
    settings->SetString(L"ServiceName", L"mdmsvc");
    settings->SetString(L"PortName", L"Modem Diag (COM");
    settings->SetString(L"GPSPortName", L"Modem GPS (COM");
    simwmi::SetEntities({kDm5, L"mdmsvc|Modem GPS (COM12)", L"mdmsvc|Modem Diag (COM11)"});
    EXPECT_EQ(1, service.FindModemPorts());
    EXPECT_EQ(11, service.GetDmPort());
    EXPECT_EQ(12, service.GetNmeaPort());
}

TEST_F(PortDiscoveryTest, PersistentEnumerationErrorEndsTheScan)
{
    simwmi::SetValue(simwmi::kNextError, 0x80041001); // WBEM_E_FAILED on every call
    EXPECT_EQ(0, service.FindModemPorts());
    EXPECT_EQ(-1, service.GetDmPort());
    EXPECT_EQ(1u, Queries());
}

TEST_F(PortDiscoveryTest, TimeOutsAreWaitedThrough)
{
    simwmi::SetValue(simwmi::kTimeoutsBefore, 3);
    EXPECT_EQ(1, service.FindModemPorts());
    EXPECT_EQ(5, service.GetDmPort());
    EXPECT_EQ(7, service.GetNmeaPort());
}

TEST_F(PortDiscoveryTest, WmiThatOnlyTimesOutDoesNotHoldTheSearchForEver)
{
    simwmi::SetValue(simwmi::kTimeoutsBefore, 1000000);
    EXPECT_EQ(0, service.FindModemPorts());
    EXPECT_EQ(-1, service.GetDmPort());
}

// Only an answer of WBEM_S_NO_ERROR carries an object worth examining; one
// that comes with another result is passed over, so nothing is found here.
TEST_F(PortDiscoveryTest, ObjectsThatComeWithAnotherResultAreNotExamined)
{
    for (std::uint32_t result : {0x1u /* WBEM_S_FALSE */, 0x40004u /* WBEM_S_TIMEDOUT */}) {
        simwmi::SetValue(simwmi::kObjectResult, result);
        EXPECT_EQ(0, service.FindModemPorts()) << result;
        EXPECT_EQ(-1, service.GetDmPort()) << result;
        EXPECT_EQ(-1, service.GetNmeaPort()) << result;
    }
}

struct WmiFailure {
    const wchar_t* value;
    std::uint32_t hresult;
};

class PortWmiFailureTest : public PortDiscoveryTest, public ::testing::WithParamInterface<WmiFailure> {};

TEST_P(PortWmiFailureTest, FailureKeepsWhatTheServiceKnew)
{
    simwmi::SetValue(GetParam().value, GetParam().hresult);
    service.SetNmeaPort(4);
    EXPECT_EQ(0, service.FindModemPorts());
    EXPECT_EQ(-1, service.GetDmPort());
    EXPECT_EQ(4, service.GetNmeaPort());
}

INSTANTIATE_TEST_SUITE_P(Failures, PortWmiFailureTest,
                         ::testing::Values(WmiFailure{simwmi::kFailConnect, 0x8004100E},
                                           WmiFailure{simwmi::kFailQuery, 0x80041017}));

TEST_F(PortDiscoveryTest, LeavesTheThreadsComAsItFoundIt)
{
    // Nothing set up before: the search's own initialisation is undone.
    ASSERT_EQ(1, service.FindModemPorts());
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(S_OK, hr) << "COM still initialised after the search";
    if (SUCCEEDED(hr))
        CoUninitialize();

    // A single-threaded apartment set up by the thread's owner: the search
    // cannot join it and must not tear it down.
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    service.DisconnectModem();
    EXPECT_EQ(0, service.FindModemPorts());
    hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(S_FALSE, hr) << "the owner's apartment was torn down";
    if (SUCCEEDED(hr))
        CoUninitialize();
    CoUninitialize();
}

} // namespace
} // namespace gpstest
