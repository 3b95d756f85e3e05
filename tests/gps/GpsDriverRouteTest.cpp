// The modem preparation and GPS control as the program runs them: the
// product key under HKEY_LOCAL_MACHINE, reached only through the stand-in
// misc driver's registry service.
#include "modem/GpsControl.h"
#include "modem/ModemPreparation.h"

#include "tests/gps/GpsTestBench.h"

#include "SimDriverControl.h"

#include <gtest/gtest.h>

namespace gpstest {
namespace {

const wchar_t* const kValues[] = {L"GPSOption",   L"GPSStatus", L"DontShowConfirmDialog",
                                  L"ServiceName", L"PortName",  L"GPSPortName"};

class GpsDriverRouteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        service.DisconnectModem();
        simmodem::Reset();
        ASSERT_TRUE(simmodem::UseVariant(L"full"));
        simwmi::Reset();
        ASSERT_TRUE(simwmi::RegisterServer());
        simdriver::ClearAllFaults();
        for (const wchar_t* name : kValues)
            simdriver::DeleteValue(name);
    }

    void TearDown() override
    {
        service.DisconnectModem();
        registry.Terminate();
        for (const wchar_t* name : kValues)
            simdriver::DeleteValue(name);
        simmodem::Reset();
        simwmi::Reset();
    }

    std::optional<DWORD> Stored(const wchar_t* name) const
    {
        DWORD value = 0;
        if (!simdriver::ReadDword(name, &value))
            return std::nullopt;
        return value;
    }

    CSimService& service = CSimService::Instance();
    CRegAccess registry;
    LogCapture log;
    RecordedDelays delays;
};

TEST_F(GpsDriverRouteTest, FirstStartRunsOnTheDriversProductKey)
{
    ASSERT_TRUE(simdriver::SetDword(L"GPSOption", 1));
    ASSERT_TRUE(simdriver::SetString(L"ServiceName", L"mdmsvc"));
    ASSERT_TRUE(simdriver::SetString(L"PortName", L"Modem Diag (COM"));
    ASSERT_TRUE(simdriver::SetString(L"GPSPortName", L"Modem GPS (COM"));
    simwmi::SetEntities(
        {L"qcusbserps2k|Sierra Wireless DM Port (COM5)", L"mdmsvc|Modem Diag (COM21)", L"mdmsvc|Modem GPS (COM22)"});
    simmodem::SetValue(L"GpsTracking", 1);
    ASSERT_EQ(0u, registry.Initialize(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane")) << "driver channel";

    int cancelled = 7;
    ASSERT_EQ(1, PrepareConnectModem(cancelled)) << ::testing::PrintToString(log.Messages());
    EXPECT_EQ(1u, service.GetGpsOption());
    EXPECT_EQ(21, service.GetDmPort()) << "prefixes read through the driver";
    EXPECT_EQ(22, service.GetNmeaPort());
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_INVALID), Stored(L"GPSStatus"));
    EXPECT_EQ(std::optional<DWORD>(0), Stored(L"DontShowConfirmDialog"));

    EXPECT_EQ(1, GetGPSStatusRegAndSetModule());
    EXPECT_EQ(0u, simmodem::GetValue(L"GpsTracking", 0xDEAD));
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_DISABLE), Stored(L"GPSStatus"));

    EXPECT_EQ(1, SetGPSStatus(1, GPS_STATUS_ENABLE));
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_ENABLE), Stored(L"GPSStatus"));
    EXPECT_EQ(1, SetGPSModuleDisable());
    EXPECT_EQ(0u, simmodem::GetValue(L"GpsTracking", 0xDEAD));
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_ENABLE), Stored(L"GPSStatus")) << "the choice outlives the exit";
}

} // namespace
} // namespace gpstest
