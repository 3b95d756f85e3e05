// GPS control against the stand-in modem, with GPSStatus kept in the product
// key on the registry layer's direct route.
#include "modem/GpsControl.h"

#include "tests/gps/GpsTestBench.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gpstest {
namespace {

using Lines = std::vector<std::string>;

const char kStatusCheck[] = "SetGPSStatus:FAIL (Status Check) ";
// Every open first drops a link that is not there; the library says so.
const char kNoLinkToDrop[] = "CSimService::Open:FAIL (QCWWANDisconnect_) 1";

class GpsControlTest : public BenchTest {
protected:
    void SetTracking(std::uint32_t value) { simmodem::SetValue(L"GpsTracking", value); }
    std::uint32_t Tracking() const { return simmodem::GetValue(L"GpsTracking", 0xDEAD); }
    std::optional<DWORD> Stored() const { return settings->Dword(L"GPSStatus"); }
};

TEST_F(GpsControlTest, EnablingWhenAlreadyOnReadsOnceAndChangesNothing)
{
    LoadWithGps();
    SetTracking(1);
    EXPECT_EQ(1, SetGPSStatus(1, GPS_STATUS_ENABLE));
    EXPECT_EQ(1u, simmodem::CallCount("GetServiceAutomaticTracking"));
    EXPECT_EQ(0u, simmodem::CallCount("SetServiceAutomaticTracking"));
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_ENABLE), Stored());
    EXPECT_EQ(Lines{kNoLinkToDrop}, Log());
}

struct SwitchCase {
    const char* name;
    std::uint32_t trackingBefore;
    std::uint32_t requested;
    int persist;
    std::uint32_t trackingAfter;
    std::optional<DWORD> stored; // GPSStatus afterwards; preset to 5 when not persisting
};

class GpsSwitchTest : public GpsControlTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(GpsSwitchTest, ReachesTheRequestedStateAndPersistsOnlyWhenAsked)
{
    const SwitchCase& c = GetParam();
    LoadWithGps();
    SetTracking(c.trackingBefore);
    if (c.persist == 0)
        settings->SetDword(L"GPSStatus", GPS_STATUS_INVALID);
    EXPECT_EQ(1, SetGPSStatus(c.persist, c.requested));
    EXPECT_EQ(c.trackingAfter, Tracking());
    EXPECT_EQ(c.stored, Stored());
    EXPECT_EQ(1u, simmodem::CallCount("SetServiceAutomaticTracking"));
    EXPECT_EQ(Lines{kNoLinkToDrop}, Log());
    EXPECT_EQ(std::vector<std::uint32_t>{}, g_waits);
}

INSTANTIATE_TEST_SUITE_P(Switches, GpsSwitchTest,
                         ::testing::Values(SwitchCase{"EnablePersisted", 0, GPS_STATUS_ENABLE, 1, 1, 2u},
                                           SwitchCase{"DisablePersisted", 1, GPS_STATUS_DISABLE, 1, 0, 0u},
                                           SwitchCase{"DisableUnpersisted", 1, GPS_STATUS_DISABLE, 0, 0, 5u},
                                           SwitchCase{"EnableUnpersisted", 0, GPS_STATUS_ENABLE, 0, 1, 5u}),
                         [](const ::testing::TestParamInfo<SwitchCase>& info) { return info.param.name; });

class GpsParamTest : public GpsControlTest, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(GpsParamTest, RefusesAnyOtherStatusWithoutOpeningTheModem)
{
    LoadWithGps();
    EXPECT_EQ(0, SetGPSStatus(1, GetParam()));
    EXPECT_EQ(Lines{"SetGPSStatus:FAIL (Param)"}, Log());
    EXPECT_EQ(0u, simmodem::CallCount("QCWWAN2kConnect"));
    EXPECT_EQ(0u, simmodem::CallCount("QCWWANDisconnect"));
    EXPECT_EQ(std::nullopt, Stored());
}

INSTANTIATE_TEST_SUITE_P(Statuses, GpsParamTest,
                         ::testing::Values(1u, GPS_STATUS_CHECKING, GPS_STATUS_CHANGING, GPS_STATUS_INVALID,
                                           0xFFFFFFFFu));

TEST_F(GpsControlTest, StickyModuleFailsAfterThreeRoundsKeepingTheStateRead)
{
    LoadWithGps();
    SetTracking(0);
    simmodem::SetValue(L"GpsSticky", 1);
    EXPECT_EQ(0, SetGPSStatus(1, GPS_STATUS_ENABLE));
    EXPECT_EQ((Lines{kNoLinkToDrop, kStatusCheck, kStatusCheck, kStatusCheck}), Log());
    EXPECT_EQ(3u, simmodem::CallCount("SetServiceAutomaticTracking"));
    EXPECT_EQ(6u, simmodem::CallCount("GetServiceAutomaticTracking"));
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_DISABLE), Stored()) << "the read-back, not the accepted request";
    EXPECT_EQ((std::vector<std::uint32_t>{100, 100, 100}), g_waits);
    EXPECT_EQ(1u, simmodem::CallCount("QCWWAN2kConnect")) << "one link for the whole change";
}

struct RefusalCase {
    std::uint32_t trackingBefore;
    std::uint32_t requested;
    const char* refusal;
    const char* operation;
};

class GpsRefusalTest : public GpsControlTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(GpsRefusalTest, RefusedChangeIsLoggedAndGpsStatusEndsOnTheReadBack)
{
    const RefusalCase& c = GetParam();
    LoadWithGps();
    SetTracking(c.trackingBefore);
    simmodem::FailCall("SetServiceAutomaticTracking", 1005);
    EXPECT_EQ(0, SetGPSStatus(1, c.requested));
    Lines round = {c.refusal, c.operation, kStatusCheck};
    Lines expected = {kNoLinkToDrop};
    for (int i = 0; i < 3; ++i)
        expected.insert(expected.end(), round.begin(), round.end());
    EXPECT_EQ(expected, Log());
    EXPECT_EQ(std::optional<DWORD>(c.trackingBefore == 1 ? GPS_STATUS_ENABLE : GPS_STATUS_DISABLE), Stored());
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, GpsRefusalTest,
    ::testing::Values(RefusalCase{0, GPS_STATUS_ENABLE, "SetGPSModule (2):FAIL (SetServiceAutomaticTracking) (1005)",
                                  "SetGPSStatus:FAIL (SetGPSModule(GPS_STATUS_ENABLE))"},
                      RefusalCase{1, GPS_STATUS_DISABLE, "SetGPSModule (0):FAIL (SetServiceAutomaticTracking) (1005)",
                                  "SetGPSStatus:FAIL (SetGPSModule(GPS_STATUS_DISABLE)) 2"}));

// Failures that end: the retries carry a read or a change through, with
// exactly the waits and log lines of the attempts that failed.
struct RecoveryCase {
    const char* name;
    const char* failing; // answers 77 on its next `failures` calls
    std::uint32_t failures;
    bool change; // SetGPSStatus(1, 2) from off; else GetGPSStatus with tracking on
    Lines log;   // after the open's line
    std::vector<std::uint32_t> waits;
    std::uint32_t reads;
    std::uint32_t changes;
};

class GpsRecoveryTest : public GpsControlTest, public ::testing::WithParamInterface<RecoveryCase> {};

TEST_P(GpsRecoveryTest, RetriesCarryTheOperationThrough)
{
    const RecoveryCase& c = GetParam();
    LoadWithGps();
    SetTracking(c.change ? 0 : 1);
    simmodem::FailCalls(c.failing, 77, c.failures);
    std::uint32_t status = 0xBAD;
    EXPECT_EQ(1, c.change ? SetGPSStatus(1, GPS_STATUS_ENABLE) : GetGPSStatus(status));
    if (!c.change) {
        EXPECT_EQ(GPS_STATUS_ENABLE, status);
    }
    EXPECT_EQ(1u, Tracking());
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_ENABLE), Stored());
    Lines expected = {kNoLinkToDrop};
    expected.insert(expected.end(), c.log.begin(), c.log.end());
    EXPECT_EQ(expected, Log());
    EXPECT_EQ(c.waits, g_waits);
    EXPECT_EQ(c.reads, simmodem::CallCount("GetServiceAutomaticTracking"));
    EXPECT_EQ(c.changes, simmodem::CallCount("SetServiceAutomaticTracking"));
    EXPECT_EQ(1u, simmodem::CallCount("QCWWAN2kConnect")) << "one link throughout";
}

const char kGet[] = "GetServiceAutomaticTracking";
const char kSet[] = "SetServiceAutomaticTracking";
const Lines kRefusedEnable = {"SetGPSModule (2):FAIL (SetServiceAutomaticTracking) (77)",
                              "SetGPSStatus:FAIL (SetGPSModule(GPS_STATUS_ENABLE))", kStatusCheck};

Lines Twice(const Lines& lines)
{
    Lines both = lines;
    both.insert(both.end(), lines.begin(), lines.end());
    return both;
}

INSTANTIATE_TEST_SUITE_P(
    Recoveries, GpsRecoveryTest,
    ::testing::Values(RecoveryCase{"ReadOnSecondAttempt", kGet, 1, false, {}, {500}, 2, 0},
                      RecoveryCase{"ReadOnTenthAttempt", kGet, 9, false, {}, std::vector<std::uint32_t>(9, 500), 10, 0},
                      RecoveryCase{
                          "ReadInSecondRound",
                          kGet,
                          10,
                          false,
                          {"GetGPSModule:FAIL (GetServiceAutomaticTracking) 77", "GetGPSStatus:FAIL (GetGPSModule)"},
                          std::vector<std::uint32_t>(11, 500),
                          11,
                          0},
                      RecoveryCase{"ChangeInSecondRound", kSet, 1, true, kRefusedEnable, {100}, 4, 2},
                      RecoveryCase{"ChangeInThirdRound", kSet, 2, true, Twice(kRefusedEnable), {100, 100}, 6, 3}),
    [](const ::testing::TestParamInfo<RecoveryCase>& info) { return info.param.name; });

struct FlagCase {
    std::uint32_t flag;
    std::uint32_t status;
};

class GpsFlagTest : public GpsControlTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(GpsFlagTest, OnlyFlagOneReadsAsEnabled)
{
    LoadWithGps();
    SetTracking(GetParam().flag);
    std::uint32_t status = 0xBAD;
    EXPECT_EQ(1, GetGPSStatus(status)) << "flag " << GetParam().flag;
    EXPECT_EQ(GetParam().status, status) << "flag " << GetParam().flag;
    EXPECT_EQ(std::optional<DWORD>(GetParam().status), Stored());
}

INSTANTIATE_TEST_SUITE_P(Flags, GpsFlagTest,
                         ::testing::Values(FlagCase{0, GPS_STATUS_DISABLE}, FlagCase{1, GPS_STATUS_ENABLE},
                                           FlagCase{2, GPS_STATUS_DISABLE}, FlagCase{5, GPS_STATUS_DISABLE},
                                           FlagCase{0xFFFFFFFF, GPS_STATUS_DISABLE}));

TEST_F(GpsControlTest, UnreadableModuleIsTriedThirtyTimesAndStoresInvalid)
{
    LoadWithGps();
    simmodem::FailCall("GetServiceAutomaticTracking", 77);
    std::uint32_t status = 0;
    EXPECT_EQ(0, GetGPSStatus(status));
    EXPECT_EQ(GPS_STATUS_INVALID, status);
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_INVALID), Stored());
    EXPECT_EQ(30u, simmodem::CallCount("GetServiceAutomaticTracking"));
    std::vector<std::uint32_t> attempt(10, 500);
    attempt.push_back(500);
    std::vector<std::uint32_t> waits;
    Lines expected = {kNoLinkToDrop};
    for (int i = 0; i < 3; ++i) {
        waits.insert(waits.end(), attempt.begin(), attempt.end());
        expected.push_back("GetGPSModule:FAIL (GetServiceAutomaticTracking) 77");
        expected.push_back("GetGPSStatus:FAIL (GetGPSModule)");
    }
    expected.push_back("GetGPSStatus:FAIL (Retry)");
    EXPECT_EQ(waits, g_waits);
    EXPECT_EQ(expected, Log());
    EXPECT_EQ(1u, simmodem::CallCount("QCWWAN2kConnect")) << "opened once";
}

TEST_F(GpsControlTest, WithoutTheLibraryEveryOperationStoresInvalidAfterThreeOpenTries)
{
    settings->SetDword(L"GPSStatus", GPS_STATUS_ENABLE);
    std::uint32_t status = 0;
    EXPECT_EQ(0, GetGPSStatus(status));
    EXPECT_EQ(GPS_STATUS_INVALID, status);
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_INVALID), Stored());
    EXPECT_EQ("GetGPSStatus:FAIL (Open Retry)", Log().back());

    settings->SetDword(L"GPSStatus", GPS_STATUS_ENABLE);
    log.Clear();
    g_waits.clear();
    EXPECT_EQ(0, SetGPSStatus(1, GPS_STATUS_ENABLE));
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_INVALID), Stored());
    EXPECT_EQ((std::vector<std::uint32_t>{1000, 1000, 1000}), g_waits);
    EXPECT_EQ("SetGPSStatus:FAIL (Open Retry)", Log().back());

    settings->SetDword(L"GPSStatus", GPS_STATUS_ENABLE);
    EXPECT_EQ(0, SetGPSStatus(0, GPS_STATUS_DISABLE));
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_ENABLE), Stored()) << "not persisting";
}

struct ReapplyCase {
    DWORD stored;
    std::uint32_t trackingBefore;
    std::uint32_t trackingAfter;
    DWORD storedAfter;
};

class GpsReapplyTest : public GpsControlTest, public ::testing::WithParamInterface<ReapplyCase> {};

TEST_P(GpsReapplyTest, StoredChoiceIsEnforcedAndAnythingButEnabledMeansOff)
{
    const ReapplyCase& c = GetParam();
    LoadWithGps();
    settings->SetDword(L"GPSStatus", c.stored);
    SetTracking(c.trackingBefore);
    EXPECT_EQ(1, GetGPSStatusRegAndSetModule()) << "stored " << c.stored;
    EXPECT_EQ(c.trackingAfter, Tracking()) << "stored " << c.stored;
    EXPECT_EQ(std::optional<DWORD>(c.storedAfter), Stored()) << "stored " << c.stored;
}

INSTANTIATE_TEST_SUITE_P(Stored, GpsReapplyTest,
                         ::testing::Values(ReapplyCase{GPS_STATUS_ENABLE, 0, 1, GPS_STATUS_ENABLE},
                                           ReapplyCase{GPS_STATUS_DISABLE, 1, 0, GPS_STATUS_DISABLE},
                                           ReapplyCase{GPS_STATUS_INVALID, 1, 0, GPS_STATUS_DISABLE},
                                           ReapplyCase{7, 1, 0, GPS_STATUS_DISABLE}));

TEST_F(GpsControlTest, ReapplyAndExitLeaveTheModuleAloneWithoutAStoredChoice)
{
    LoadWithGps();
    SetTracking(1);
    EXPECT_EQ(0, GetGPSStatusRegAndSetModule());
    EXPECT_EQ(0, SetGPSModuleDisable());
    EXPECT_EQ((Lines{"GetGPSStatusRegAndSetModule:FAIL (Read Registry)", "SetGPSModuleDisable:FAIL (Read Registry)"}),
              Log());
    EXPECT_EQ(0u, simmodem::CallCount("QCWWAN2kConnect"));
    EXPECT_EQ(1u, Tracking());
}

TEST_F(GpsControlTest, ExitSwitchesGpsOffButKeepsTheStoredChoice)
{
    LoadWithGps();
    settings->SetDword(L"GPSStatus", GPS_STATUS_ENABLE);
    SetTracking(1);
    EXPECT_EQ(1, SetGPSModuleDisable());
    EXPECT_EQ(0u, Tracking());
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_ENABLE), Stored());

    // Stored off: the user's choice is already in force, the modem is not asked.
    settings->SetDword(L"GPSStatus", GPS_STATUS_DISABLE);
    SetTracking(1);
    std::uint32_t connects = simmodem::CallCount("QCWWAN2kConnect");
    EXPECT_EQ(1, SetGPSModuleDisable());
    EXPECT_EQ(connects, simmodem::CallCount("QCWWAN2kConnect"));
}

TEST_F(GpsControlTest, InitCreatesOnlyMissingValuesFromTheModulesState)
{
    LoadWithGps();
    SetTracking(1);
    EXPECT_EQ(1, InitGPSSettings());
    EXPECT_EQ(std::optional<DWORD>(0), settings->Dword(L"DontShowConfirmDialog"));
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_ENABLE), Stored());

    settings->SetDword(L"DontShowConfirmDialog", 1);
    settings->SetDword(L"GPSStatus", GPS_STATUS_DISABLE);
    std::uint32_t reads = simmodem::CallCount("GetServiceAutomaticTracking");
    EXPECT_EQ(1, InitGPSSettings());
    EXPECT_EQ(std::optional<DWORD>(1), settings->Dword(L"DontShowConfirmDialog"));
    EXPECT_EQ(std::optional<DWORD>(GPS_STATUS_DISABLE), Stored());
    EXPECT_EQ(reads, simmodem::CallCount("GetServiceAutomaticTracking"));
}

TEST_F(GpsControlTest, WithoutARegistryLayerNothingIsStoredAndInitDoesNothing)
{
    LoadWithGps();
    settings.reset();
    ASSERT_EQ(nullptr, CRegAccess::Instance());
    SetTracking(0);
    EXPECT_EQ(0, InitGPSSettings());
    EXPECT_EQ(0u, simmodem::CallCount("QCWWAN2kConnect"));
    EXPECT_EQ(1, SetGPSStatus(1, GPS_STATUS_ENABLE)) << "the module still follows";
    EXPECT_EQ(1u, Tracking());
    EXPECT_EQ(0, GetGPSStatusRegAndSetModule());
}

} // namespace
} // namespace gpstest
