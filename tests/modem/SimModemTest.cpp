// The modem service against the stand-in GobiApi.dll.
#include "modem/GobiApi.h"
#include "modem/SimCodes.h"
#include "modem/SimService.h"
#include "sim/gobiapi/SimModemControl.h"
#include "tests/common/LogCapture.h"
#include "tests/support/RecordedDelays.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const int kUntouched = -77;

bool TableIsEmpty()
{
    const GobiApiTable empty = {};
    return std::memcmp(&g_gobiApi, &empty, sizeof(empty)) == 0;
}

const char kNoLinkToDrop[] = "CSimService::Open:FAIL (QCWWANDisconnect_) 1";

class SimModemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        service.DisconnectModem();
        simmodem::Reset();
        ASSERT_TRUE(simmodem::UseVariant(L"full"));
        log.Clear();
    }

    void TearDown() override
    {
        service.DisconnectModem();
        simmodem::Reset();
    }

    void Load()
    {
        ASSERT_EQ(0, service.LoadQMI()) << "log: " << ::testing::PrintToString(log.Messages());
        log.Clear();
    }

    // The log without the line every request starts with: the library
    // answers 1 when the link dropped before each open is not there.
    std::vector<std::string> Failures() const
    {
        std::vector<std::string> lines;
        for (const std::string& line : log.Messages()) {
            if (line != kNoLinkToDrop)
                lines.push_back(line);
        }
        return lines;
    }

    int Retries(int& verifyLeft, int& unblockLeft)
    {
        int detail = kUntouched;
        return service.GetPinRetries(detail, verifyLeft, unblockLeft);
    }

    CSimService& service = CSimService::Instance();
    LogCapture log;
    RecordedDelays delays;
};

TEST_F(SimModemTest, LoadQMITwiceLoadsTheLibraryOnce)
{
    ASSERT_EQ(0, service.LoadQMI());
    EXPECT_EQ(0, service.LoadQMI());
    EXPECT_NE(nullptr, GetModuleHandleW(L"GobiApi.dll"));
    service.UnloadQMI();
    EXPECT_EQ(nullptr, GetModuleHandleW(L"GobiApi.dll")) << "a second LoadLibrary would keep it loaded now";
    EXPECT_TRUE(TableIsEmpty());
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(SimModemTest, MissingLibraryFailsLoading)
{
    ASSERT_TRUE(simmodem::UseVariant(L"none"));
    EXPECT_EQ(1, service.LoadQMI());
    EXPECT_FALSE(service.IsLibraryLoaded());
    EXPECT_EQ(std::vector<std::string>{"LoadQMI() : Loading GobiApi.dll failed."}, log.Messages());
}

struct MissingExportCase {
    const char* exportName;
    bool gpsOnly;
};

class SimModemMissingExportTest : public SimModemTest, public ::testing::WithParamInterface<MissingExportCase> {};

TEST_P(SimModemMissingExportTest, LoadingFailsWithThatSlotsLine)
{
    const MissingExportCase& c = GetParam();
    std::string name = c.exportName;
    ASSERT_TRUE(simmodem::UseVariant((L"no-" + std::wstring(name.begin(), name.end())).c_str()));

    ASSERT_EQ(1u, service.GetGpsOption());
    EXPECT_EQ(1, service.LoadQMI()) << "with the GPS option every export is required";
    EXPECT_EQ((std::vector<std::string>{"GetFuncAddress() : GetProcAddress(" + name + ") failed.",
                                        "LoadQMI() : GetFuncAddress failed."}),
              log.Messages());
    EXPECT_FALSE(service.IsLibraryLoaded());
    EXPECT_EQ(nullptr, GetModuleHandleW(L"GobiApi.dll")) << "the library is freed again";
    EXPECT_TRUE(TableIsEmpty()) << "slots resolved before the missing one are emptied";

    log.Clear();
    service.SetGpsOption(0);
    EXPECT_EQ(c.gpsOnly ? 0 : 1, service.LoadQMI()) << "without the GPS option";
    if (c.gpsOnly) {
        EXPECT_TRUE(log.Messages().empty());
        EXPECT_EQ(nullptr, g_gobiApi.GetServiceAutomaticTracking);
        EXPECT_EQ(nullptr, g_gobiApi.SetServiceAutomaticTracking);
        EXPECT_NE(nullptr, g_gobiApi.UIMVerifyPIN);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryExport, SimModemMissingExportTest,
    ::testing::Values(MissingExportCase{"QCWWAN2kEnumerateDevices", false}, MissingExportCase{"QCWWAN2kConnect", false},
                      MissingExportCase{"QCWWANDisconnect", false}, MissingExportCase{"UIMChangePIN", false},
                      MissingExportCase{"UIMGetPINStatus", false}, MissingExportCase{"UIMSetPINProtection", false},
                      MissingExportCase{"UIMUnblockPIN", false}, MissingExportCase{"UIMVerifyPIN", false},
                      MissingExportCase{"GetServiceAutomaticTracking", true},
                      MissingExportCase{"SetServiceAutomaticTracking", true}),
    [](const ::testing::TestParamInfo<MissingExportCase>& info) { return std::string(info.param.exportName); });

TEST_F(SimModemTest, NoDeviceFailsEveryOpenAttempt)
{
    Load();
    simmodem::SetValue(L"DeviceCount", 0);
    int detail = kUntouched;
    EXPECT_EQ(SIM_NOT_CONNECTED, service.GetPinStatus(detail));
    std::vector<std::string> expected;
    for (int i = 0; i < 3; ++i) {
        expected.push_back(kNoLinkToDrop);
        expected.push_back("QCWWANConnect() : FAIL (QCWWAN2kEnumerateDevices) dev_id_key_size = 0");
        expected.push_back("CSimService::Open:FAIL (QCWWANConnect_) 6");
    }
    EXPECT_EQ(expected, log.Messages());
    EXPECT_EQ((std::vector<std::uint32_t>{1000, 1000, 1000}), g_waits);
    EXPECT_EQ(0u, simmodem::CallCount("UIMGetPINStatus"));
    EXPECT_EQ(0, service.ConnectModem());
}

TEST_F(SimModemTest, SlowModemIsReachedWithinThreeAttempts)
{
    Load();
    simmodem::SetValue(L"ConnectFailures", 2);
    int detail = kUntouched;
    EXPECT_EQ(SIM_PIN_VERIFY_REQUIRED, service.GetPinStatus(detail));
    EXPECT_EQ((std::vector<std::string>{kNoLinkToDrop, "CSimService::Open:FAIL (QCWWANConnect_) 1", kNoLinkToDrop,
                                        "CSimService::Open:FAIL (QCWWANConnect_) 1", kNoLinkToDrop}),
              log.Messages());
    EXPECT_EQ((std::vector<std::uint32_t>{1000, 1000}), g_waits);
}

TEST_F(SimModemTest, MissingOrUninitialisedCard)
{
    Load();
    simmodem::SetValue(L"CardPresent", 0);
    int detail = kUntouched;
    EXPECT_EQ(SIM_NOT_INITIALIZED, service.GetPinStatus(detail));
    EXPECT_EQ(SIM_STATUS_FAILED, service.GetPinProtection(detail));
    EXPECT_EQ(kUntouched, detail);
    int verifyLeft = -1;
    int unblockLeft = -1;
    EXPECT_EQ(SIM_FAILED, service.GetPinRetries(detail, verifyLeft, unblockLeft));
    EXPECT_EQ(SIM_DETAIL_RETRIES, detail);
    EXPECT_EQ(-1, verifyLeft);
    EXPECT_EQ(-1, unblockLeft);
    EXPECT_EQ((std::vector<std::string>{"AtCpin:FAIL (UIMGetPINStatus) (1003)", "AtClck:FAIL (UIMGetPINStatus) (1037)",
                                        "AtOercn:FAIL (UIMGetPINStatus) (1037)"}),
              Failures());
}

TEST_F(SimModemTest, WrongThenRightPin)
{
    Load();
    int detail = kUntouched;
    int verifyLeft = 0;
    int unblockLeft = 0;
    EXPECT_EQ(SIM_PIN_VERIFY_REQUIRED, service.GetPinStatus(detail));
    EXPECT_EQ(SIM_WRONG_CODE, service.VerifyPin(detail, L"0000"));
    ASSERT_EQ(SIM_OK, Retries(verifyLeft, unblockLeft));
    EXPECT_EQ(2, verifyLeft);
    EXPECT_EQ(10, unblockLeft);
    EXPECT_EQ(SIM_OK, service.VerifyPin(detail, L"1234"));
    ASSERT_EQ(SIM_OK, Retries(verifyLeft, unblockLeft));
    EXPECT_EQ(3, verifyLeft) << "a right PIN restores the attempts";
    EXPECT_EQ(SIM_PIN_READY, service.GetPinStatus(detail));
    EXPECT_EQ(kUntouched, detail);
    EXPECT_EQ(std::vector<std::string>{"AtCpin:FAIL (UIMVerifyPIN) (1012)"}, Failures());
}

TEST_F(SimModemTest, ThirdWrongPinBlocksAndThePukUnblocks)
{
    Load();
    int detail = kUntouched;
    EXPECT_EQ(SIM_WRONG_CODE, service.VerifyPin(detail, L"0000"));
    EXPECT_EQ(SIM_WRONG_CODE, service.VerifyPin(detail, L"0000"));
    EXPECT_EQ(SIM_PIN_BLOCKED, service.VerifyPin(detail, L"0000"));
    EXPECT_EQ(SIM_PUK_REQUIRED, service.GetPinStatus(detail));
    EXPECT_EQ(SIM_PIN_BLOCKED, service.VerifyPin(detail, L"1234")) << "the right PIN no longer helps";

    EXPECT_EQ(SIM_WRONG_CODE, service.UnblockPin(detail, L"00000000", L"4321"));
    int verifyLeft = 0;
    int unblockLeft = 0;
    ASSERT_EQ(SIM_OK, Retries(verifyLeft, unblockLeft));
    EXPECT_EQ(0, verifyLeft);
    EXPECT_EQ(9, unblockLeft);

    EXPECT_EQ(SIM_OK, service.UnblockPin(detail, L"12345678", L"4321"));
    EXPECT_EQ(L"4321", simmodem::GetText(L"Pin", L""));
    EXPECT_EQ(SIM_PIN_READY, service.GetPinStatus(detail));
    EXPECT_EQ(SIM_OK, service.VerifyPin(detail, L"4321"));
    EXPECT_EQ(kUntouched, detail);
}

TEST_F(SimModemTest, ChangePinReplacesIt)
{
    Load();
    int detail = kUntouched;
    EXPECT_EQ(SIM_WRONG_CODE, service.ChangePin(detail, L"1111", L"9999"));
    EXPECT_EQ(L"1234", simmodem::GetText(L"Pin", L"1234"));
    EXPECT_EQ(SIM_OK, service.ChangePin(detail, L"1234", L"9999"));
    EXPECT_EQ(L"9999", simmodem::GetText(L"Pin", L""));
    EXPECT_EQ(SIM_WRONG_CODE, service.VerifyPin(detail, L"1234"));
    EXPECT_EQ(SIM_OK, service.VerifyPin(detail, L"9999"));
    EXPECT_EQ(std::vector<std::string>({"AtClck:FAIL (UIMChangePIN) (1012)", "AtCpin:FAIL (UIMVerifyPIN) (1012)"}),
              Failures());
}

TEST_F(SimModemTest, ProtectionOffAndOn)
{
    Load();
    int detail = kUntouched;
    EXPECT_EQ(SIM_PROTECTION_ON, service.GetPinProtection(detail));
    EXPECT_EQ(SIM_WRONG_CODE, service.SetPinProtection(detail, 0, L"0000"));
    EXPECT_EQ(SIM_PROTECTION_ON, service.GetPinProtection(detail)) << "a wrong PIN changes nothing";
    EXPECT_EQ(SIM_OK, service.SetPinProtection(detail, 0, L"1234"));
    EXPECT_EQ(SIM_PROTECTION_OFF, service.GetPinProtection(detail));
    EXPECT_EQ(SIM_PIN_READY, service.GetPinStatus(detail));
    EXPECT_EQ(SIM_OK, service.SetPinProtection(detail, 7, L"1234")) << "any non-zero flag means on";
    EXPECT_EQ(SIM_PROTECTION_ON, service.GetPinProtection(detail));
    EXPECT_EQ(kUntouched, detail);
}

TEST_F(SimModemTest, PermanentBlockReadsAsReadyWithNoPukAttempts)
{
    Load();
    simmodem::SetValue(L"PinLeft", 0);
    simmodem::SetValue(L"PukLeft", 1);
    int detail = kUntouched;
    EXPECT_EQ(SIM_FAILED, service.UnblockPin(detail, L"00000000", L"4321"));
    EXPECT_EQ(SIM_DETAIL_UNBLOCK, detail);
    detail = kUntouched;
    EXPECT_EQ(SIM_PIN_READY, service.GetPinStatus(detail)) << "only the PUK attempts reveal it";
    int verifyLeft = -1;
    int unblockLeft = -1;
    ASSERT_EQ(SIM_OK, Retries(verifyLeft, unblockLeft));
    EXPECT_EQ(0, unblockLeft);
    EXPECT_EQ(SIM_FAILED, service.UnblockPin(detail, L"12345678", L"4321")) << "the right PUK is refused too";
    EXPECT_EQ(SIM_DETAIL_UNBLOCK, detail);
    EXPECT_EQ((std::vector<std::string>{"AtCpin:FAIL (UIMUnblockPIN) (1036)", "AtCpin:FAIL (UIMUnblockPIN) (1036)"}),
              Failures());
}

TEST_F(SimModemTest, FailedRetriesQueryLeavesCountersAlone)
{
    Load();
    simmodem::FailCall("UIMGetPINStatus", 3);
    int verifyLeft = -1;
    int unblockLeft = -1;
    int detail = kUntouched;
    EXPECT_EQ(SIM_FAILED, service.GetPinRetries(detail, verifyLeft, unblockLeft));
    EXPECT_EQ(SIM_DETAIL_RETRIES, detail);
    EXPECT_EQ(-1, verifyLeft);
    EXPECT_EQ(-1, unblockLeft);
}

TEST_F(SimModemTest, EachRequestOpensAndClosesItsOwnLink)
{
    Load();
    int detail = kUntouched;
    EXPECT_EQ(SIM_PIN_VERIFY_REQUIRED, service.GetPinStatus(detail));
    EXPECT_EQ(SIM_OK, service.VerifyPin(detail, L"1234"));
    EXPECT_EQ(2u, simmodem::CallCount("QCWWAN2kConnect"));
    EXPECT_EQ(4u, simmodem::CallCount("QCWWANDisconnect"));
    EXPECT_EQ(1u, simmodem::CallCount("UIMVerifyPIN"));

    EXPECT_EQ(1, service.ConnectModem());
    EXPECT_EQ(3u, simmodem::CallCount("QCWWAN2kConnect"));
    EXPECT_EQ(5u, simmodem::CallCount("QCWWANDisconnect"));
    EXPECT_EQ((std::vector<std::string>{kNoLinkToDrop, kNoLinkToDrop}), log.Messages())
        << "one per request; the probe closes the link it opened";
}

} // namespace
