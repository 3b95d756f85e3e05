// The capsule transport over the stand-in driver core and over scripted
// answers: framing, encipherment, sequence numbers, and what the channel does
// with answers that do not fit or lie about their sizes.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "CapsuleTestSupport.h"
#include "MiscCommonTestPeer.h"
#include "MiscWire.h"

namespace MiscCommon {
namespace {

const std::wstring kInvalidArguments = L"MiscCommon::CMiscCommon::EncapsuledDeviceIoControl: Invalid Argument(s).";
const std::wstring kSessionNotInitialized =
    L"MiscCommon::CMiscCommon::EncapsuledDeviceIoControl: Session Not Initialized.";

constexpr uint8_t kGuard = 0xA5;

class MiscCommonCapsuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, channel.OpenDriver());
        ASSERT_EQ(0u, channel._Initialize()) << Narrow(peer.LastErrorText());
    }

    const BlowfishContext* DriverCipher()
    {
        return device.Core().SessionCipher(peer.SessionId(), reinterpret_cast<uintptr_t>(device.Handle()));
    }

    InnerFields LastInner()
    {
        InnerFields fields;
        const auto capsules = device.RequestsOf(RequestKind::Capsule);
        EXPECT_FALSE(capsules.empty());
        if (!capsules.empty()) {
            EXPECT_TRUE(ReadInner(RequestPayload(*capsules.back(), DriverCipher()), &fields))
                << ToHex(capsules.back()->Input.data(), capsules.back()->Input.size());
        }
        return fields;
    }

    // A feature query through the transport: the core answers it in full.
    BOOL SendFeatureQuery(DWORD* returned)
    {
        uint8_t packet[22];
        MiscWire::WriteFeatureQuery(packet);
        return channel.EncapsuledDeviceIoControl(MiscWire::kFuncCall, packet, sizeof(packet), packet, sizeof(packet),
                                                 returned);
    }

    CFakeMiscDevice device;
    CMiscCommon channel{&device};
    CMiscCommonTestPeer peer{channel};
};

struct CapsuleSizeCase {
    DWORD Payload;
    DWORD Size;
};

class MiscCommonCapsuleSizeTest : public MiscCommonCapsuleTest,
                                  public ::testing::WithParamInterface<CapsuleSizeCase> {};

TEST_P(MiscCommonCapsuleSizeTest, CapsuleIsFramedForItsPayload)
{
    const CapsuleSizeCase c = GetParam();
    std::vector<uint8_t> source(c.Payload, 0x3C);
    BYTE* capsule = peer.InitializeMessageCapsule(c.Payload, source.empty() ? nullptr : source.data());
    ASSERT_NE(nullptr, capsule);
    EXPECT_EQ(c.Payload, MiscWire::LoadLe32(capsule)) << "payload " << c.Payload;
    EXPECT_EQ(c.Size, MiscWire::LoadLe32(capsule + 4)) << "payload " << c.Payload;
    EXPECT_EQ(c.Size, static_cast<DWORD>(HeapSize(GetProcessHeap(), 0, capsule)));
    EXPECT_EQ(0u, MiscWire::LoadLe32(capsule + 8));
    for (DWORD i = 0; i < c.Payload; ++i)
        EXPECT_EQ(0x3C, capsule[12 + i]) << "byte " << i;
    for (DWORD i = 12 + c.Payload; i < c.Size; ++i)
        EXPECT_EQ(0, capsule[i]) << "padding byte " << i << " of payload " << c.Payload;
    HeapFree(GetProcessHeap(), 0, capsule);
}

INSTANTIATE_TEST_SUITE_P(Payloads, MiscCommonCapsuleSizeTest,
                         ::testing::Values(CapsuleSizeCase{0, 16}, CapsuleSizeCase{1, 24}, CapsuleSizeCase{8, 24},
                                           CapsuleSizeCase{9, 32}, CapsuleSizeCase{24, 40}));

TEST_F(MiscCommonCapsuleTest, EncryptAndDecryptAreInversesAndLeaveTheFrameInClear)
{
    const uint8_t text[17] = "sixteen bytes!!";
    BYTE* capsule = peer.InitializeMessageCapsule(sizeof(text), text);
    ASSERT_NE(nullptr, capsule);
    const DWORD size = MiscWire::LoadLe32(capsule + 4);
    std::vector<uint8_t> before(capsule, capsule + size);
    ASSERT_EQ(0u, peer.Encrypt(capsule, size));
    EXPECT_EQ(0, std::memcmp(capsule, before.data(), 12)) << "the header is never enciphered";
    EXPECT_EQ(0u, MiscWire::LoadLe32(capsule + size - 4)) << "the trailing word stays zero";
    EXPECT_NE(0, std::memcmp(capsule + 12, before.data() + 12, size - 16));
    ASSERT_EQ(0u, peer.Decrypt(capsule, size));
    EXPECT_EQ(before, std::vector<uint8_t>(capsule, capsule + size));
    HeapFree(GetProcessHeap(), 0, capsule);

    EXPECT_EQ(3u, peer.Encrypt(nullptr, 16));
    EXPECT_EQ(L"MiscCommon::CMiscCommon::_Encrypt: capsule is NULL", peer.LastErrorText());
    EXPECT_EQ(3u, peer.Decrypt(nullptr, 16));
    EXPECT_EQ(L"MiscCommon::CMiscCommon::_Decrypt: capsule is NULL", peer.LastErrorText());
}

TEST_F(MiscCommonCapsuleTest, RequestWithoutInputHasInnerSize24)
{
    uint8_t answer[8];
    DWORD returned = 99;
    channel.EncapsuledDeviceIoControl(MiscWire::kFuncRegQuery, nullptr, 0, answer, sizeof(answer), &returned);
    const InnerFields inner = LastInner();
    EXPECT_EQ(24u, inner.InnerSize);
    EXPECT_EQ(0u, inner.InputLength);
    EXPECT_EQ(MiscWire::kFuncRegQuery, inner.Function);
    EXPECT_EQ(8u, inner.AnswerCapacity);
    EXPECT_EQ(0u, inner.Sequence);
    const auto capsules = device.RequestsOf(RequestKind::Capsule);
    ASSERT_EQ(1u, capsules.size());
    EXPECT_EQ(40u, capsules[0]->Input.size());
    EXPECT_EQ(peer.SessionId(), MiscWire::LoadLe32(capsules[0]->Input.data() + 8));
    EXPECT_EQ(24u, capsules[0]->OutputSize) << "answer capsule for a capacity of 8";
}

TEST_F(MiscCommonCapsuleTest, FeatureQueryRoundTripsThroughTheCore)
{
    DWORD returned = 0;
    ASSERT_TRUE(SendFeatureQuery(&returned)) << GetLastError() << " " << Narrow(peer.LastErrorText());
    EXPECT_EQ(22u, returned);
    EXPECT_EQ(1, peer.Sequence());
}

TEST_F(MiscCommonCapsuleTest, AnswerOfTwelveBytesIsAcceptedElevenIsNot)
{
    device.Respond = AnswerWith(MakeAnswerCapsule(DriverCipher(), {}), TRUE, ERROR_SUCCESS, 12);
    uint8_t answer[8] = {};
    DWORD returned = 99;
    EXPECT_TRUE(channel.EncapsuledDeviceIoControl(MiscWire::kFuncCall, nullptr, 0, answer, sizeof(answer), &returned));
    EXPECT_EQ(0u, returned);

    device.Respond = AnswerWith(MakeAnswerCapsule(DriverCipher(), {}), TRUE, ERROR_SUCCESS, 11);
    SetLastError(0);
    EXPECT_FALSE(channel.EncapsuledDeviceIoControl(MiscWire::kFuncCall, nullptr, 0, answer, sizeof(answer), &returned));
    EXPECT_EQ(L"MiscCommon::CMiscCommon::EncapsuledDeviceIoControl: Invalid structure returned. "
              L"size = 11",
              peer.LastErrorText());
    EXPECT_NE(0u, GetLastError()) << "a short answer must not look like success";
    EXPECT_EQ(2, peer.Sequence()) << "both calls returned bytes";
}

TEST_F(MiscCommonCapsuleTest, FailedCallReturningNothingConsumesNoSequenceNumber)
{
    DWORD returned = 0;
    ASSERT_TRUE(SendFeatureQuery(&returned));
    ASSERT_EQ(1, peer.Sequence());

    device.Scripts[RequestKind::Capsule].Fail = true;
    device.Scripts[RequestKind::Capsule].Error = ERROR_GEN_FAILURE;
    EXPECT_FALSE(SendFeatureQuery(&returned));
    EXPECT_EQ(ERROR_GEN_FAILURE, GetLastError());
    EXPECT_EQ(L"MiscCommon::CMiscCommon::EncapsuledDeviceIoControl: Invalid structure returned. "
              L"size = 0",
              peer.LastErrorText());
    EXPECT_EQ(1, peer.Sequence());

    // The driver checks the numbers: had the failure consumed one, this
    // request would be refused as out of order.
    device.Scripts.clear();
    EXPECT_TRUE(SendFeatureQuery(&returned)) << GetLastError();
    EXPECT_EQ(2, peer.Sequence());
    EXPECT_EQ(1u, LastInner().Sequence);
}

TEST_F(MiscCommonCapsuleTest, FailedCallThatReturnedBytesConsumesASequenceNumber)
{
    device.Respond = AnswerWith(MakeAnswerCapsule(DriverCipher(), {1, 2, 3, 4}), FALSE, ERROR_MORE_DATA);
    uint8_t answer[4] = {};
    DWORD returned = 0;
    EXPECT_FALSE(channel.EncapsuledDeviceIoControl(MiscWire::kFuncCall, nullptr, 0, answer, sizeof(answer), &returned));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(4u, returned);
    EXPECT_EQ(1, peer.Sequence());
}

TEST_F(MiscCommonCapsuleTest, LongerAnswerIsCutToTheCapacityWithMoreData)
{
    std::vector<uint8_t> payload(20);
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<uint8_t>(i + 1);
    device.Respond = AnswerWith(MakeAnswerCapsule(DriverCipher(), payload));
    uint8_t answer[12];
    std::memset(answer, kGuard, sizeof(answer));
    DWORD returned = 0;
    EXPECT_FALSE(channel.EncapsuledDeviceIoControl(MiscWire::kFuncCall, nullptr, 0, answer, 8, &returned));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(8u, returned);
    EXPECT_EQ(0, std::memcmp(answer, payload.data(), 8)) << ToHex(answer, sizeof(answer));
    for (size_t i = 8; i < sizeof(answer); ++i)
        EXPECT_EQ(kGuard, answer[i]) << "byte " << i << " is past the capacity";
}

// Answers whose header words lie: the channel must stay inside its buffers
// and report a failure or a cut answer, never more bytes than it holds.
struct HostileAnswerCase {
    const char* Name;
    uint32_t PayloadLength;
    uint32_t DeclaredSize;
    size_t TotalBytes;
    int ReportedBytes;
    BOOL Expected;
    DWORD ExpectedError; // checked when Expected is FALSE
    DWORD ExpectedReturned;
};

class MiscCommonHostileAnswerTest : public MiscCommonCapsuleTest,
                                    public ::testing::WithParamInterface<HostileAnswerCase> {};

TEST_P(MiscCommonHostileAnswerTest, StaysInsideItsBuffers)
{
    const HostileAnswerCase c = GetParam();
    device.Respond = AnswerWith(
        MakeAnswerCapsule(DriverCipher(), c.PayloadLength, c.DeclaredSize, std::vector<uint8_t>(8, 0x77), c.TotalBytes),
        TRUE, ERROR_SUCCESS, c.ReportedBytes);
    uint8_t answer[16];
    std::memset(answer, kGuard, sizeof(answer));
    DWORD returned = 12345;
    SetLastError(0);
    const BOOL result = channel.EncapsuledDeviceIoControl(MiscWire::kFuncCall, nullptr, 0, answer, 8, &returned);
    EXPECT_EQ(c.Expected, result) << c.Name;
    if (!c.Expected) {
        EXPECT_EQ(c.ExpectedError, GetLastError()) << c.Name;
    }
    EXPECT_EQ(c.ExpectedReturned, returned) << c.Name;
    for (size_t i = c.ExpectedReturned; i < sizeof(answer); ++i)
        EXPECT_EQ(kGuard, answer[i]) << c.Name << ": byte " << i << " was not handed back";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, MiscCommonHostileAnswerTest,
    // A size field below 16 + the payload rounded up to 8 left payload
    // blocks undeciphered: no byte of such an answer is used.
    ::testing::Values(HostileAnswerCase{"HugePayloadLength", 0xFFFFFFF0u, 24, 24, -1, FALSE, ERROR_INVALID_DATA, 0},
                      HostileAnswerCase{"HugeDeclaredSize", 8, 0xFFFFFFF8u, 24, -1, TRUE, 0, 8},
                      HostileAnswerCase{"SizeNotAMultipleOfEight", 8, 21, 24, -1, FALSE, ERROR_INVALID_DATA, 0},
                      HostileAnswerCase{"SizeZero", 4, 0, 24, -1, FALSE, ERROR_INVALID_DATA, 0},
                      HostileAnswerCase{"SizeOneBlockBelowThePayload", 16, 24, 32, -1, FALSE, ERROR_INVALID_DATA, 0},
                      HostileAnswerCase{"PayloadBeyondWhatArrived", 8, 24, 24, 12, FALSE, ERROR_INVALID_DATA, 0},
                      HostileAnswerCase{"LastBlockCutShort", 8, 24, 24, 19, FALSE, ERROR_INVALID_DATA, 0},
                      HostileAnswerCase{"MoreBytesReportedThanTheBuffer", 8, 24, 24, 4096, TRUE, 0, 8},
                      HostileAnswerCase{"CapacityExceededByOne", 9, 32, 32, -1, FALSE, ERROR_MORE_DATA, 8}),
    [](const ::testing::TestParamInfo<HostileAnswerCase>& info) { return info.param.Name; });

struct InvalidArgumentCase {
    const char* Name;
    bool Input;
    DWORD InputLength;
    bool Answer;
    DWORD Capacity;
    bool Returned;
};

class MiscCommonCapsuleArgumentTest : public MiscCommonCapsuleTest,
                                      public ::testing::WithParamInterface<InvalidArgumentCase> {};

TEST_P(MiscCommonCapsuleArgumentTest, IsRefusedBeforeAnythingIsSent)
{
    const InvalidArgumentCase c = GetParam();
    uint8_t input[8] = {};
    uint8_t answer[8] = {};
    DWORD returned = 0;
    const size_t before = device.Requests.size();
    EXPECT_FALSE(channel.EncapsuledDeviceIoControl(MiscWire::kFuncCall, c.Input ? input : nullptr, c.InputLength,
                                                   c.Answer ? answer : nullptr, c.Capacity,
                                                   c.Returned ? &returned : nullptr))
        << c.Name;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError()) << c.Name;
    EXPECT_EQ(kInvalidArguments, peer.LastErrorText()) << c.Name;
    EXPECT_EQ(before, device.Requests.size()) << c.Name;
    EXPECT_EQ(0, peer.Sequence()) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(Arguments, MiscCommonCapsuleArgumentTest,
                         ::testing::Values(InvalidArgumentCase{"NullInputWithLength", false, 4, true, 8, true},
                                           InvalidArgumentCase{"NullAnswerWithCapacity", true, 8, false, 8, true},
                                           InvalidArgumentCase{"InputWithoutLength", true, 0, true, 8, true},
                                           InvalidArgumentCase{"AnswerWithoutCapacity", true, 8, true, 0, true},
                                           InvalidArgumentCase{"NoReturnedCount", true, 8, true, 8, false}),
                         [](const ::testing::TestParamInfo<InvalidArgumentCase>& info) { return info.param.Name; });

TEST(MiscCommonCapsuleSessionTest, WithoutSessionAnEncipheringChannelSendsNothing)
{
    CFakeMiscDevice device;
    CMiscCommon channel{&device};
    CMiscCommonTestPeer peer{channel};
    ASSERT_EQ(0u, channel.OpenDriver());
    uint8_t answer[8];
    DWORD returned = 0;
    EXPECT_FALSE(channel.EncapsuledDeviceIoControl(MiscWire::kFuncCall, nullptr, 0, answer, sizeof(answer), &returned));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(kSessionNotInitialized, peer.LastErrorText());
    EXPECT_TRUE(device.RequestsOf(RequestKind::Capsule).empty());
    EXPECT_EQ(8u, peer.Encrypt(answer, sizeof(answer)));
    EXPECT_EQ(L"MiscCommon::CMiscCommon::_Encrypt: BlowFish Context is not initialized.", peer.LastErrorText());
}

TEST(MiscCommonCapsuleSessionTest, OldDriverGetsNoCapsule)
{
    CFakeMiscDevice device;
    device.VersionText = L"1.0.7.99";
    CMiscCommon channel{&device};
    ASSERT_EQ(0u, channel.OpenDriver());
    uint8_t answer[8];
    DWORD returned = 0;
    EXPECT_FALSE(channel.EncapsuledDeviceIoControl(MiscWire::kFuncCall, nullptr, 0, answer, sizeof(answer), &returned));
    EXPECT_TRUE(device.RequestsOf(RequestKind::Capsule).empty());
}

TEST(MiscCommonCapsuleSessionTest, ClearTextCapsulesWhenTheDriverRefusesSessions)
{
    CFakeMiscDevice device;
    device.Registry.SetFault(MiscDriver::kFaultRefuseSessions, 1);
    CMiscCommon channel{&device};
    CMiscCommonTestPeer peer{channel};
    ASSERT_EQ(0u, channel.OpenDriver());
    ASSERT_EQ(0u, channel._Initialize());
    ASSERT_EQ(FALSE, peer.SecureSession());
    ASSERT_EQ(nullptr, peer.Cipher());

    uint8_t packet[22];
    MiscWire::WriteFeatureQuery(packet);
    DWORD returned = 0;
    ASSERT_TRUE(channel.EncapsuledDeviceIoControl(MiscWire::kFuncCall, packet, sizeof(packet), packet, sizeof(packet),
                                                  &returned))
        << GetLastError();
    EXPECT_EQ(22u, returned);
    EXPECT_EQ(0, packet[0]) << "status of the feature query";

    const auto capsules = device.RequestsOf(RequestKind::Capsule);
    ASSERT_EQ(1u, capsules.size());
    InnerFields inner;
    ASSERT_TRUE(ReadInner(RequestPayload(*capsules[0], nullptr), &inner));
    EXPECT_EQ(MiscWire::kFuncCall, inner.Function);
    EXPECT_EQ(22u, inner.InputLength);
    EXPECT_EQ(46u, inner.InnerSize);
    EXPECT_EQ(0x11, inner.Input[0]) << "the packet is readable as sent";
}

} // namespace
} // namespace MiscCommon
