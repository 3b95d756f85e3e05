#include "modem/SimCodes.h"
#include "modem/SimService.h"
#include "modem/SimServiceObserver.h"
#include "tests/common/LogCapture.h"
#include "tests/modem/FakeGobiApi.h"
#include "tests/support/RecordedDelays.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

const int kUntouched = -77;

// The windows act on these numbers and show them in the error message, so
// each constant is pinned to its number here.
TEST(SimCodesTest, ResultAndDetailCodesKeepTheirNumbers)
{
#define PINNED(code, number)                                                                                           \
    {                                                                                                                  \
#code, code, number                                                                                            \
    }
    const struct {
        const char* name;
        int code;
        int number;
    } pinned[] = {PINNED(SIM_OK, 0),
                  PINNED(SIM_PIN_READY, 1),
                  PINNED(SIM_PIN_VERIFY_REQUIRED, 2),
                  PINNED(SIM_PUK_REQUIRED, 3),
                  PINNED(SIM_PROTECTION_ON, 4),
                  PINNED(SIM_PROTECTION_OFF, 5),
                  PINNED(SIM_NO_DEVICE, 6),
                  PINNED(SIM_BUSY, 8),
                  PINNED(SIM_NOT_CONNECTED, 9),
                  PINNED(SIM_BAD_PARAMETER, 10),
                  PINNED(SIM_STATUS_FAILED, 12),
                  PINNED(SIM_CONVERSION_FAILED, 13),
                  PINNED(SIM_INVALID_REQUEST, 14),
                  PINNED(SIM_NOT_INITIALIZED, 15),
                  PINNED(SIM_PIN_BLOCKED, 17),
                  PINNED(SIM_WRONG_CODE, 19),
                  PINNED(SIM_FAILED, 22),
                  PINNED(SIM_DETAIL_STATUS_QUERY, 0),
                  PINNED(SIM_DETAIL_PROTECTION_QUERY, 1),
                  PINNED(SIM_DETAIL_SET_PROTECTION, 2),
                  PINNED(SIM_DETAIL_VERIFY, 3),
                  PINNED(SIM_DETAIL_CHANGE, 4),
                  PINNED(SIM_DETAIL_UNBLOCK, 5),
                  PINNED(SIM_DETAIL_RETRIES, 6)};
#undef PINNED
    for (const auto& p : pinned)
        EXPECT_EQ(p.number, p.code) << p.name;
}

// The service as a process-wide object starts each test unloaded, with the
// table empty, waits recorded instead of slept and the log in a temp folder.
class SimServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Reset();
        log.Clear();
    }

    void TearDown() override { Reset(); }

    static void Reset()
    {
        CSimService::Instance().DisconnectModem();
        RemoveFakeGobiApi();
    }

    CSimService& service = CSimService::Instance();
    LogCapture log;
    RecordedDelays delays;
};

std::vector<std::string> ThreeFailedOpens()
{
    std::vector<std::string> lines;
    for (int i = 0; i < 3; ++i) {
        lines.push_back("CSimService::Open:FAIL (QCWWANDisconnect_) 9");
        lines.push_back("CSimService::Open:FAIL (QCWWANConnect_) 9");
    }
    return lines;
}

TEST_F(SimServiceTest, WithoutLibraryARequestFailsWith9AfterThreeOpenAttempts)
{
    int detail = kUntouched;
    int verifyLeft = -1;
    int unblockLeft = -1;
    EXPECT_EQ(SIM_NOT_CONNECTED, service.GetPinRetries(detail, verifyLeft, unblockLeft));
    EXPECT_EQ(kUntouched, detail);
    EXPECT_EQ(-1, verifyLeft) << "counters untouched when the result is not 0";
    EXPECT_EQ(-1, unblockLeft);
    EXPECT_EQ((std::vector<std::uint32_t>{1000, 1000, 1000}), g_waits);
    EXPECT_EQ(ThreeFailedOpens(), log.Messages()) << "no close step after a failed open";
}

struct EntryCase {
    const char* name;
    std::function<int(CSimService&, int&)> call;
    const int FakeGobiState::*calls;
    const char* first;
    const char* second;
};

std::ostream& operator<<(std::ostream& out, const EntryCase& c)
{
    return out << c.name;
}

class SimServiceEntryTest : public SimServiceTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(SimServiceEntryTest, OpensCallsTheMatchingFunctionAndCloses)
{
    const EntryCase& c = GetParam();
    InstallFakeGobiApi();
    int detail = kUntouched;
    c.call(service, detail);

    EXPECT_EQ(1, g_fake.*(c.calls)) << "one library call per request";
    EXPECT_EQ(1, g_fake.enumerateCalls);
    EXPECT_EQ("FAKE\\MODEM1", g_fake.connectedId);
    EXPECT_EQ("KEY1", g_fake.connectedKey);
    EXPECT_EQ(2, g_fake.disconnectCalls) << "one drop before the connect, one close";
    if (c.first != nullptr) {
        EXPECT_EQ(c.first, g_fake.lastFirst);
    }
    if (c.second != nullptr) {
        EXPECT_EQ(c.second, g_fake.lastSecond);
    }
    EXPECT_TRUE(g_waits.empty());
    EXPECT_TRUE(log.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    SevenEntryPoints, SimServiceEntryTest,
    ::testing::Values(
        EntryCase{"GetPinStatus", [](CSimService& s, int& d) { return s.GetPinStatus(d); }, &FakeGobiState::statusCalls,
                  nullptr, nullptr},
        EntryCase{"VerifyPin", [](CSimService& s, int& d) { return s.VerifyPin(d, L"1234"); },
                  &FakeGobiState::verifyCalls, "1234", nullptr},
        EntryCase{"ChangePin", [](CSimService& s, int& d) { return s.ChangePin(d, L"1234", L"98765432"); },
                  &FakeGobiState::changeCalls, "1234", "98765432"},
        EntryCase{"GetPinProtection", [](CSimService& s, int& d) { return s.GetPinProtection(d); },
                  &FakeGobiState::statusCalls, nullptr, nullptr},
        EntryCase{"SetPinProtection", [](CSimService& s, int& d) { return s.SetPinProtection(d, 1, L"0000"); },
                  &FakeGobiState::protectionCalls, "0000", nullptr},
        EntryCase{"UnblockPin", [](CSimService& s, int& d) { return s.UnblockPin(d, L"12345678", L"4321"); },
                  &FakeGobiState::unblockCalls, "12345678", "4321"},
        EntryCase{"GetPinRetries",
                  [](CSimService& s, int& d) {
                      int v = 0;
                      int u = 0;
                      return s.GetPinRetries(d, v, u);
                  },
                  &FakeGobiState::statusCalls, nullptr, nullptr}),
    [](const ::testing::TestParamInfo<EntryCase>& info) { return std::string(info.param.name); });

TEST_F(SimServiceTest, UnconvertibleTextGives13AndLeavesNoCodeBehind)
{
    InstallFakeGobiApi();
    int detail = kUntouched;
    ASSERT_EQ(SIM_OK, service.VerifyPin(detail, L"1234"));
    g_fake = FakeGobiState();

    EXPECT_EQ(SIM_CONVERSION_FAILED, service.VerifyPin(detail, L"12\x3042"));
    EXPECT_EQ(SIM_CONVERSION_FAILED, service.ChangePin(detail, L"1234", L"\x65e5\x672c"))
        << "kinds with two texts check both";
    EXPECT_EQ(SIM_CONVERSION_FAILED, service.UnblockPin(detail, nullptr, L"1234"));
    EXPECT_EQ(0, g_fake.enumerateCalls) << "a failed conversion never reaches the modem";
    EXPECT_EQ(kUntouched, detail);

    int verifyLeft = 0;
    int unblockLeft = 0;
    service.ExecuteRequest(detail, verifyLeft, unblockLeft);
    EXPECT_EQ(0, g_fake.verifyCalls)
        << "the accepted request's code went as soon as it was used, and a failed conversion stores none";
}

TEST_F(SimServiceTest, AnyNonZeroEnableIsStoredAsOn)
{
    InstallFakeGobiApi();
    int detail = kUntouched;
    service.SetPinProtection(detail, 5, L"1234");
    EXPECT_EQ(1u, g_fake.lastEnable);
    service.SetPinProtection(detail, 0, L"1234");
    EXPECT_EQ(0u, g_fake.lastEnable);
}

TEST_F(SimServiceTest, FailedCloseIsLoggedAndTheResultStands)
{
    InstallFakeGobiApi();
    g_fake.disconnectResult = 3;
    int detail = kUntouched;
    EXPECT_EQ(SIM_PIN_VERIFY_REQUIRED, service.GetPinStatus(detail));
    EXPECT_EQ((std::vector<std::string>{"CSimService::Open:FAIL (QCWWANDisconnect_) 3",
                                        "CSimService::Close:FAIL (QCWWANDisconnect_) 3"}),
              log.Messages());
}

TEST_F(SimServiceTest, ConnectStepReportsEnumerationFailuresAndMissingDevices)
{
    InstallFakeGobiApi();
    g_fake.enumerateResult = 5;
    EXPECT_EQ(5u, QCWWANConnect());
    g_fake.enumerateResult = 0;
    g_fake.deviceCount = 0;
    EXPECT_EQ(static_cast<GobiResult>(SIM_NO_DEVICE), QCWWANConnect());
    EXPECT_EQ(0, g_fake.connectCalls);
    EXPECT_EQ((std::vector<std::string>{"QCWWANConnect() : FAIL (QCWWAN2kEnumerateDevices) result=5",
                                        "QCWWANConnect() : FAIL (QCWWAN2kEnumerateDevices) dev_id_key_size = 0"}),
              log.Messages());

    g_gobiApi.QCWWAN2kConnect = nullptr;
    EXPECT_EQ(9u, QCWWANConnect());
}

TEST_F(SimServiceTest, ConnectModemProbesAndClosesTheLink)
{
    InstallFakeGobiApi();
    EXPECT_EQ(1, service.ConnectModem());
    EXPECT_EQ(1, g_fake.connectCalls);
    EXPECT_EQ(1, g_fake.disconnectCalls);

    g_fake.disconnectResult = 4;
    EXPECT_EQ(1, service.ConnectModem()) << "a failed disconnect is only logged";
    g_fake.connectResult = 5;
    EXPECT_EQ(0, service.ConnectModem());
    RemoveFakeGobiApi();
    EXPECT_EQ(0, service.ConnectModem());
    EXPECT_EQ(
        (std::vector<std::string>{"ConnectModem:FAIL (QCWWANDisconnect_) 4", "ConnectModem:FAIL (QCWWANConnect_) 5",
                                  "ConnectModem:FAIL (QCWWANConnect_) 9"}),
        log.Messages());
}

TEST_F(SimServiceTest, DisconnectModemForgetsPortsAndConnection)
{
    service.SetDmPort(5);
    service.SetNmeaPort(7);
    service.SetGpsOption(0);
    service.SetConnected(1);
    service.DisconnectModem();
    EXPECT_EQ(-1, service.GetDmPort());
    EXPECT_EQ(-1, service.GetNmeaPort());
    EXPECT_EQ(1u, service.GetGpsOption());
    EXPECT_EQ(0u, service.IsConnected());
    EXPECT_EQ(std::vector<std::string>{"DisconnectModem:FAIL (QCWWANDisconnect)"}, log.Messages());
}

// The worker blocks inside its first open attempt until the test lets go.
HANDLE g_entered = nullptr;
HANDLE g_release = nullptr;

void BlockingWait(std::uint32_t)
{
    SetEvent(g_entered);
    WaitForSingleObject(g_release, INFINITE);
}

TEST_F(SimServiceTest, RequestWhileTheWorkerRunsIsBusy)
{
    g_entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetDelayFunction(&BlockingWait);
    ASSERT_EQ(1, service.Start(0, 0, THREAD_PRIORITY_NORMAL));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_entered, 10000)) << "the worker never reached its wait";

    InstallFakeGobiApi();
    int detail = kUntouched;
    int verifyLeft = -1;
    int unblockLeft = -1;
    EXPECT_EQ(SIM_BUSY, service.VerifyPin(detail, L"1234"));
    EXPECT_EQ(SIM_BUSY, service.GetPinRetries(detail, verifyLeft, unblockLeft));
    EXPECT_EQ(-1, verifyLeft);
    EXPECT_EQ(0, g_fake.enumerateCalls + g_fake.disconnectCalls) << "busy requests leave the modem alone";
    RemoveFakeGobiApi();

    SetDelayFunction(&RecordWait);
    SetEvent(g_release);
    DWORD exitCode = 99;
    EXPECT_EQ(1, service.Wait(INFINITE, 0, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_EQ(0, service.Wait(0, 0, nullptr)) << "the handle is released with the first answer";
    CloseHandle(g_entered);
    CloseHandle(g_release);

    InstallFakeGobiApi();
    EXPECT_EQ(SIM_OK, service.VerifyPin(detail, L"1234")) << "an ended worker no longer blocks requests";
}

class RecordingObserver : public ISimServiceObserver {
public:
    void OnPinStatus(int r, int d) override { Note("OnPinStatus", r, d); }
    void OnVerifyPin(int r, int d) override { Note("OnVerifyPin", r, d); }
    void OnChangePin(int r, int d) override { Note("OnChangePin", r, d); }
    void OnPinProtection(int r, int d) override { Note("OnPinProtection", r, d); }
    void OnSetPinProtection(int r, int d) override { Note("OnSetPinProtection", r, d); }
    void OnUnblockPin(int r, int d) override { Note("OnUnblockPin", r, d); }
    void OnPinRetries(int r, int d, int v, int u) override
    {
        Note("OnPinRetries", r, d);
        calls.back() += " " + std::to_string(v) + "/" + std::to_string(u);
    }

    std::vector<std::string> calls;

private:
    void Note(const char* name, int r, int d)
    {
        calls.push_back(std::string(name) + " " + std::to_string(r) + " " + std::to_string(d));
    }
};

TEST_F(SimServiceTest, WorkerReportsEachKindToItsObserverOperation)
{
    struct Case {
        int kind;
        const wchar_t* first;
        const wchar_t* second;
        const char* expected;
    };
    const Case cases[] = {
        {SIM_REQUEST_PIN_STATUS, nullptr, nullptr, "OnPinStatus 2 0"},
        {SIM_REQUEST_VERIFY_PIN, L"1234", nullptr, "OnVerifyPin 19 0"},
        {SIM_REQUEST_CHANGE_PIN, L"1234", L"5678", "OnChangePin 0 0"},
        {SIM_REQUEST_PIN_PROTECTION, nullptr, nullptr, "OnPinProtection 4 0"},
        {SIM_REQUEST_SET_PIN_PROTECTION, L"1234", nullptr, "OnSetPinProtection 22 2"},
        {SIM_REQUEST_UNBLOCK_PIN, L"12345678", L"1234", "OnUnblockPin 0 0"},
        {SIM_REQUEST_PIN_RETRIES, nullptr, nullptr, "OnPinRetries 0 0 3/10"},
    };
    InstallFakeGobiApi();
    g_fake.verifyResult = 1012;
    g_fake.protectionResult = 7;
    for (const Case& c : cases) {
        RecordingObserver observer;
        ASSERT_EQ(SIM_OK, service.StartRequest(observer, c.kind, 1, c.first, c.second)) << "kind " << c.kind;
        ASSERT_EQ(1, service.Wait(INFINITE, 0, nullptr));
        EXPECT_EQ(std::vector<std::string>{c.expected}, observer.calls) << "kind " << c.kind;
    }
    RecordingObserver observer;
    EXPECT_EQ(SIM_INVALID_REQUEST, service.StartRequest(observer, 8, 0, nullptr, nullptr));
}

} // namespace
