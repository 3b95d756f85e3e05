// The start-up preparation against the stand-in modem and WMI.
#include "modem/ModemPreparation.h"

#include "modem/GobiApi.h"
#include "modem/GpsControl.h"

#include "tests/gps/GpsTestBench.h"

#include <gtest/gtest.h>

#include <vector>

namespace gpstest {
namespace {

using Waits = std::vector<std::uint32_t>;

class ModemPreparationTest : public BenchTest {
protected:
    void TearDown() override
    {
        // Whatever the test left queued must not reach the next one.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        if (window_ != nullptr)
            DestroyWindow(window_);
        BenchTest::TearDown();
    }

    HWND TestWindow()
    {
        if (window_ == nullptr)
            window_ = CreateWindowExW(0, L"STATIC", L"gps test", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        return window_;
    }

    std::uint32_t Queries() const { return simwmi::GetValue(simwmi::kQueries, 0); }
    std::uint32_t ConnectTries() const { return simmodem::CallCount("QCWWAN2kEnumerateDevices"); }

private:
    HWND window_ = nullptr;
};

TEST_F(ModemPreparationTest, AlreadyConnectedReturnsAtOnce)
{
    settings->SetDword(L"GPSOption", 1);
    service.SetGpsOption(0);
    service.SetConnected(1);
    int cancelled = 7;
    EXPECT_EQ(1, PrepareConnectModem(cancelled));
    EXPECT_EQ(0, cancelled);
    EXPECT_EQ(0u, service.GetGpsOption()) << "GPSOption was read";
    EXPECT_FALSE(service.IsLibraryLoaded());
    EXPECT_EQ(0u, Queries());
    EXPECT_EQ(Waits{}, g_waits);
}

class ModemPreparationNoGpsTest : public ModemPreparationTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ModemPreparationNoGpsTest, WithoutTheGpsOptionNoPortSearchAndNoTrackingFunctions)
{
    if (GetParam())
        settings->SetDword(L"GPSOption", 0);
    int cancelled = 7;
    EXPECT_EQ(1, PrepareConnectModem(cancelled));
    EXPECT_EQ(0, cancelled);
    EXPECT_EQ(1u, service.IsConnected());
    EXPECT_EQ(0u, service.GetGpsOption());
    EXPECT_EQ(0u, Queries());
    EXPECT_EQ(std::nullopt, settings->Dword(L"GPSStatus")) << "no GPS settings created";
    EXPECT_NE(nullptr, g_gobiApi.UIMVerifyPIN);
    EXPECT_EQ(nullptr, g_gobiApi.GetServiceAutomaticTracking);
    EXPECT_EQ(nullptr, g_gobiApi.SetServiceAutomaticTracking);
    EXPECT_EQ(Waits{10000}, g_waits);
    EXPECT_EQ(1u, ConnectTries());
}

INSTANTIATE_TEST_SUITE_P(GpsOption, ModemPreparationNoGpsTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Zero" : "Absent"; });

TEST_F(ModemPreparationTest, PortsAppearingOnTheThirdSearchAreWaitedFor)
{
    settings->SetDword(L"GPSOption", 1);
    settings->SetDword(L"GPSStatus", GPS_STATUS_DISABLE);
    settings->SetDword(L"DontShowConfirmDialog", 0);
    simwmi::SetValue(simwmi::kAppearAfter, 2);
    int cancelled = 7;
    EXPECT_EQ(1, PrepareConnectModem(cancelled));
    EXPECT_EQ(0, cancelled);
    EXPECT_EQ((Waits{3000, 3000, 10000}), g_waits);
    EXPECT_EQ(3u, Queries());
    EXPECT_EQ(5, service.GetDmPort());
    EXPECT_EQ(7, service.GetNmeaPort());
    EXPECT_NE(nullptr, g_gobiApi.SetServiceAutomaticTracking);
    EXPECT_EQ(1u, service.IsConnected());
}

TEST_F(ModemPreparationTest, PortsThatNeverAppearFailWithoutTearingDown)
{
    settings->SetDword(L"GPSOption", 1);
    settings->SetDword(L"GPSStatus", GPS_STATUS_DISABLE);
    settings->SetDword(L"DontShowConfirmDialog", 0);
    simwmi::SetValue(simwmi::kAppearAfter, 1000);
    ASSERT_EQ(0, service.LoadQMI());
    int cancelled = 7;
    EXPECT_EQ(0, PrepareConnectModem(cancelled));
    EXPECT_EQ(0, cancelled);
    EXPECT_EQ(Waits(20, 3000), g_waits);
    EXPECT_EQ(20u, Queries());
    EXPECT_TRUE(service.IsLibraryLoaded()) << "the library stays as it was";
    EXPECT_EQ(std::vector<std::string>{}, Log());
}

TEST_F(ModemPreparationTest, FirstStartStoresInvalidBeforeLoadingAndTheReapplySwitchesOff)
{
    settings->SetDword(L"GPSOption", 1);
    simmodem::SetValue(L"GpsTracking", 1);
    int cancelled = 7;
    ASSERT_EQ(1, PrepareConnectModem(cancelled));
    EXPECT_EQ((Waits{1000, 1000, 1000, 10000}), g_waits) << "GPS read while no library is loaded";
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_INVALID), settings->Dword(L"GPSStatus"));
    EXPECT_EQ(std::optional<DWORD>(0), settings->Dword(L"DontShowConfirmDialog"));
    EXPECT_EQ(0u, simmodem::CallCount("GetServiceAutomaticTracking"));

    EXPECT_EQ(1, GetGPSStatusRegAndSetModule());
    EXPECT_EQ(0u, simmodem::GetValue(L"GpsTracking", 0xDEAD));
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_DISABLE), settings->Dword(L"GPSStatus"));
}

TEST_F(ModemPreparationTest, EndOfLogonAfterTheFirstFailedConnectCancels)
{
    simmodem::SetValue(L"DeviceCount", 0);
    HWND window = TestWindow();
    ASSERT_NE(nullptr, window);
    g_onWait = [window](std::uint32_t milliseconds) {
        if (milliseconds == 3000)
            PostMessageW(window, WM_QUERYENDSESSION, 0, 0);
    };
    int cancelled = 7;
    EXPECT_EQ(0, PrepareConnectModem(cancelled));
    EXPECT_EQ(1, cancelled);
    EXPECT_EQ(1u, ConnectTries());
    EXPECT_EQ((Waits{10000, 3000}), g_waits);
    EXPECT_FALSE(service.IsLibraryLoaded());
    EXPECT_EQ(nullptr, GetModuleHandleW(L"GobiApi.dll"));
    EXPECT_EQ(0u, service.IsConnected());
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUERYENDSESSION, WM_QUERYENDSESSION, PM_NOREMOVE))
        << "the message is left for the window";
}

TEST_F(ModemPreparationTest, ModemThatNeverAnswersIsTriedTwentyTimesThenDisconnected)
{
    simmodem::SetValue(L"DeviceCount", 0);
    int cancelled = 7;
    EXPECT_EQ(0, PrepareConnectModem(cancelled));
    EXPECT_EQ(0, cancelled);
    EXPECT_EQ(20u, ConnectTries());
    Waits expected(21, 3000);
    expected[0] = 10000;
    EXPECT_EQ(expected, g_waits);
    EXPECT_FALSE(service.IsLibraryLoaded());
    EXPECT_EQ(1u, service.GetGpsOption()) << "disconnecting restores the default";
}

TEST_F(ModemPreparationTest, LibraryThatCannotBeLoadedFailsThePreparation)
{
    settings->SetDword(L"GPSOption", 1);
    settings->SetDword(L"GPSStatus", GPS_STATUS_DISABLE);
    settings->SetDword(L"DontShowConfirmDialog", 0);
    ASSERT_TRUE(simmodem::UseVariant(L"no-SetServiceAutomaticTracking"));
    int cancelled = 7;
    EXPECT_EQ(0, PrepareConnectModem(cancelled));
    EXPECT_EQ(0, cancelled);
    EXPECT_EQ((std::vector<std::string>{"GetFuncAddress() : GetProcAddress(SetServiceAutomaticTracking) failed.",
                                        "LoadQMI() : GetFuncAddress failed.", "PrepareConnectModem:FAIL (ReloadQMI)",
                                        "DisconnectModem:FAIL (QCWWANDisconnect)"}),
              Log());
    EXPECT_EQ(Waits{}, g_waits);
    EXPECT_EQ(-1, service.GetDmPort()) << "disconnected";
}

} // namespace
} // namespace gpstest
