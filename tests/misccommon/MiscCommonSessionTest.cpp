// The handshake against the stand-in driver core, and each way a driver can
// make it fail.

#include <gtest/gtest.h>

#include <cstring>

#include "ByteOrder.h"
#include "FakeMiscDevice.h"
#include "MiscCommonTestPeer.h"

namespace MiscCommon {
namespace {

const std::wstring kPhase1Failed = L"MiscCommon::CMiscCommon::_Initialize: DeviceIoControl failed.";
const std::wstring kPhase2Failed = L"MiscCommon::CMiscCommon::_Initialize: DeviceIoControl (phase2) failed.";
const std::wstring kPhase3Failed = L"MiscCommon::CMiscCommon::_Initialize: DeviceIoControl (phase3) failed.";
const std::wstring kAuthFailed = L"MiscCommon::CMiscCommon::_Initialize: Driver Authentication Failed.";
const std::wstring kDecipherFailed = L"MiscCommon::CMiscCommon::_Initialize: BlowfishDecipher failed.";

std::pair<uint32_t, uint32_t> Encipher(const BlowfishContext* context, uint32_t left, uint32_t right)
{
    BlowfishEncipher(context, &left, &right);
    return {left, right};
}

class MiscCommonSessionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0u, channel.OpenDriver()); }

    uint32_t Phase1SessionId() const
    {
        const auto answers = device.RequestsOf(RequestKind::Phase1);
        if (answers.empty() || answers.back()->Answer.size() < 4)
            return 0;
        return Crypto::LoadLe32(answers.back()->Answer.data());
    }

    std::vector<uint32_t> ClosedSessionIds() const
    {
        std::vector<uint32_t> ids;
        for (const RecordedRequest* request : device.RequestsOf(RequestKind::SessionClose))
            ids.push_back(request->Input.size() == 4 ? Crypto::LoadLe32(request->Input.data()) : 0xFFFFFFFFu);
        return ids;
    }

    void ExpectNoSession(const char* context)
    {
        EXPECT_EQ(nullptr, peer.Cipher()) << context;
        EXPECT_EQ(0u, peer.SessionId()) << context;
        EXPECT_EQ(TRUE, peer.SecureSession()) << context;
    }

    CFakeMiscDevice device;
    CMiscCommon channel{&device};
    CMiscCommonTestPeer peer{channel};
};

TEST_F(MiscCommonSessionTest, FullHandshakeSharesTheSessionKey)
{
    peer.SetSequence(7);
    ASSERT_EQ(0u, channel._Initialize()) << Narrow(peer.LastErrorText());

    const DWORD id = peer.SessionId();
    EXPECT_NE(0u, id);
    EXPECT_EQ(Phase1SessionId(), id);
    EXPECT_EQ(0, peer.Sequence());
    EXPECT_EQ(TRUE, peer.SecureSession());
    EXPECT_EQ(L"", peer.LastErrorText());
    EXPECT_TRUE(device.RequestsOf(RequestKind::SessionClose).empty());

    const BlowfishContext* driverCipher = device.Core().SessionCipher(id, reinterpret_cast<uintptr_t>(device.Handle()));
    ASSERT_NE(nullptr, driverCipher) << "the driver has no established session " << id;
    ASSERT_NE(nullptr, peer.Cipher());
    EXPECT_EQ(Encipher(driverCipher, 0x01234567, 0x89ABCDEF), Encipher(peer.Cipher(), 0x01234567, 0x89ABCDEF));
    EXPECT_EQ(Encipher(driverCipher, 0, 0), Encipher(peer.Cipher(), 0, 0));
}

TEST_F(MiscCommonSessionTest, CloseDriverEndsTheSessionOnce)
{
    ASSERT_EQ(0u, channel._Initialize());
    const DWORD id = peer.SessionId();

    channel.CloseDriver();
    channel.CloseDriver();

    EXPECT_EQ(std::vector<uint32_t>{id}, ClosedSessionIds());
    EXPECT_EQ(0u, device.Core().SessionCount());
    EXPECT_EQ(1, device.CloseCalls);
    EXPECT_EQ(INVALID_HANDLE_VALUE, peer.Device());
    ExpectNoSession("after CloseDriver");
    EXPECT_EQ(0, peer.Sequence());
}

TEST_F(MiscCommonSessionTest, RefusedProbeLeavesAPlainChannel)
{
    device.RefuseSessions = true;
    EXPECT_EQ(0u, channel._Initialize());
    EXPECT_EQ(FALSE, peer.SecureSession());
    EXPECT_EQ(nullptr, peer.Cipher());
    ASSERT_EQ(1u, device.Requests.size()) << "nothing but the probe may be sent";
    EXPECT_EQ(RequestKind::Probe, device.Requests[0].Kind);
}

// A probe that went through but left a stale ERROR_NOT_SUPPORTED must not
// switch the channel to clear text.
TEST_F(MiscCommonSessionTest, StaleNotSupportedAfterAnAnsweredProbeStillHandshakes)
{
    device.Scripts[RequestKind::Probe].StaleNotSupported = true;
    EXPECT_EQ(0u, channel._Initialize()) << Narrow(peer.LastErrorText());
    EXPECT_EQ(TRUE, peer.SecureSession());
    EXPECT_NE(nullptr, peer.Cipher());
}

TEST_F(MiscCommonSessionTest, TooOldDriverSendsNothing)
{
    CFakeMiscDevice oldDevice;
    oldDevice.VersionText = L"1.0.7.99";
    CMiscCommon oldChannel(&oldDevice);
    ASSERT_EQ(0u, oldChannel.OpenDriver());
    EXPECT_EQ(10u, oldChannel._Initialize());
    EXPECT_TRUE(oldDevice.Requests.empty());
}

TEST_F(MiscCommonSessionTest, WrongLastByteOfTheDriverProofFailsAuthentication)
{
    device.Scripts[RequestKind::Phase2].FlipAnswerByte = 19;
    EXPECT_EQ(6u, channel._Initialize());
    EXPECT_EQ(kAuthFailed, peer.LastErrorText());
    EXPECT_EQ(std::vector<uint32_t>{Phase1SessionId()}, ClosedSessionIds());
    EXPECT_TRUE(device.RequestsOf(RequestKind::Phase3).empty());
    ExpectNoSession("after a wrong proof");
}

class MiscCommonConfirmationTest : public MiscCommonSessionTest, public ::testing::WithParamInterface<int> {};

TEST_P(MiscCommonConfirmationTest, OneChangedByteOfAuthMiscFails)
{
    StepScript& script = device.Scripts[RequestKind::Phase3];
    script.ReplaceConfirmation = true;
    std::memcpy(script.Confirmation.data(), "AuthMisc", 8);
    script.Confirmation[GetParam()] ^= 0x20;

    EXPECT_EQ(2u, channel._Initialize()) << "byte " << GetParam();
    EXPECT_EQ(kDecipherFailed, peer.LastErrorText()) << "byte " << GetParam();
    EXPECT_EQ(std::vector<uint32_t>{Phase1SessionId()}, ClosedSessionIds());
    ExpectNoSession("after a wrong confirmation");
}

INSTANTIATE_TEST_SUITE_P(EveryByte, MiscCommonConfirmationTest, ::testing::Range(0, 8));

TEST_F(MiscCommonSessionTest, UnchangedAuthMiscThroughTheScriptSucceeds)
{
    // Guards the table above: the re-enciphering itself is not the failure.
    StepScript& script = device.Scripts[RequestKind::Phase3];
    script.ReplaceConfirmation = true;
    std::memcpy(script.Confirmation.data(), "AuthMisc", 8);
    EXPECT_EQ(0u, channel._Initialize()) << Narrow(peer.LastErrorText());
}

struct PhaseFailure {
    const char* Name;
    RequestKind Phase;
    bool Fail; // the call fails with Error; otherwise a wrong size
    DWORD Error;
    int ReportedBytes;
    const std::wstring* Message;
    bool EndsSession;
};

void PrintTo(const PhaseFailure& row, std::ostream* os)
{
    *os << row.Name;
}

class MiscCommonPhaseFailureTest : public MiscCommonSessionTest, public ::testing::WithParamInterface<PhaseFailure> {};

TEST_P(MiscCommonPhaseFailureTest, FailsWithThePhaseMessageAndError)
{
    const PhaseFailure& row = GetParam();
    StepScript& script = device.Scripts[row.Phase];
    script.Fail = row.Fail;
    script.Error = row.Error;
    script.ReportedBytes = row.ReportedBytes;

    EXPECT_EQ(2u, channel._Initialize());
    EXPECT_EQ(row.Error, GetLastError());
    EXPECT_EQ(*row.Message, peer.LastErrorText());
    if (row.EndsSession)
        EXPECT_EQ(std::vector<uint32_t>{Phase1SessionId()}, ClosedSessionIds());
    else
        EXPECT_TRUE(ClosedSessionIds().empty()) << "no session to end before phase 1 succeeded";
    ExpectNoSession(row.Name);
}

// A wrong answer size from a call that succeeded carries no error of its
// own; the channel reports ERROR_INVALID_DATA for it.
INSTANTIATE_TEST_SUITE_P(
    Rows, MiscCommonPhaseFailureTest,
    ::testing::Values(
        PhaseFailure{"Phase1CallFails", RequestKind::Phase1, true, ERROR_GEN_FAILURE, -1, &kPhase1Failed, false},
        PhaseFailure{"Phase1Answers159", RequestKind::Phase1, false, ERROR_INVALID_DATA, 159, &kPhase1Failed, false},
        PhaseFailure{"Phase1Answers161", RequestKind::Phase1, false, ERROR_INVALID_DATA, 161, &kPhase1Failed, false},
        PhaseFailure{"Phase2CallFails", RequestKind::Phase2, true, ERROR_IO_DEVICE, -1, &kPhase2Failed, true},
        PhaseFailure{"Phase2Answers19", RequestKind::Phase2, false, ERROR_INVALID_DATA, 19, &kPhase2Failed, true},
        PhaseFailure{"Phase2Answers21", RequestKind::Phase2, false, ERROR_INVALID_DATA, 21, &kPhase2Failed, true},
        PhaseFailure{"Phase3CallFails", RequestKind::Phase3, true, ERROR_SEM_TIMEOUT, -1, &kPhase3Failed, true},
        PhaseFailure{"Phase3Answers7", RequestKind::Phase3, false, ERROR_INVALID_DATA, 7, &kPhase3Failed, true},
        PhaseFailure{"Phase3Answers9", RequestKind::Phase3, false, ERROR_INVALID_DATA, 9, &kPhase3Failed, true}),
    [](const ::testing::TestParamInfo<PhaseFailure>& info) { return info.param.Name; });

TEST_F(MiscCommonSessionTest, SecondHandshakeAfterAFailureSucceeds)
{
    device.Scripts[RequestKind::Phase2].FlipAnswerByte = 0;
    ASSERT_EQ(6u, channel._Initialize());
    device.Scripts.clear();
    EXPECT_EQ(0u, channel._Initialize()) << Narrow(peer.LastErrorText());
    EXPECT_NE(nullptr, peer.Cipher());
    EXPECT_EQ(1u, device.Core().SessionCount()) << "the failed session was ended";
}

} // namespace
} // namespace MiscCommon
