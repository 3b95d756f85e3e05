// The driver's registry service and misc functions as the channel uses them,
// over the stand-in driver core with its in-memory registry, and over
// scripted answers where the core would never misbehave.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "CapsuleTestSupport.h"
#include "MiscCommonTestPeer.h"
#include "MiscWire.h"
#include "tests/support/RecordedDelays.h"

namespace MiscCommon {
namespace {

const wchar_t kPath[] = L"SOFTWARE\\Norvane\\brindle";
const std::u16string kPath16 = u"SOFTWARE\\Norvane\\brindle";
const std::wstring kInvalidReturn = L"MiscCommon::CMiscCommon::QueryRegistry: Invalid return struct.";
const std::wstring kSetFailed = L"MiscCommon::CMiscCommon::SetRegistry: DeviceIoControl failed.";

std::vector<uint8_t> RegAnswer(uint32_t length, uint32_t type, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> answer(12 + data.size());
    MiscWire::WriteRegQueryAnswerHeader(answer.data(), length, type);
    if (!data.empty())
        std::memcpy(&answer[12], data.data(), data.size());
    return answer;
}

class MiscCommonRegistryTest : public ::testing::Test {
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

    std::vector<InnerFields> SentInner()
    {
        std::vector<InnerFields> sent;
        for (const RecordedRequest* request : device.RequestsOf(RequestKind::Capsule)) {
            InnerFields fields;
            EXPECT_TRUE(ReadInner(RequestPayload(*request, DriverCipher()), &fields));
            sent.push_back(fields);
        }
        return sent;
    }

    CFakeMiscDevice device;
    CMiscCommon channel{&device};
    CMiscCommonTestPeer peer{channel};
    RecordedDelays delays;
};

TEST_F(MiscCommonRegistryTest, WrittenDwordReachesTheDriversRegistry)
{
    const DWORD value = 0x12345678;
    ASSERT_EQ(0u, channel.SetRegistry(HKEY_LOCAL_MACHINE, kPath, L"GPSStatus", &value)) << Narrow(peer.LastErrorText());
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(device.Registry.GetValue(kPath16, u"GPSStatus", &type, &data));
    EXPECT_EQ(static_cast<uint32_t>(REG_DWORD), type);
    EXPECT_EQ((std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}), data);

    const std::vector<InnerFields> sent = SentInner();
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ(MiscWire::kFuncRegWrite, sent[0].Function);
    EXPECT_EQ(0u, sent[0].AnswerCapacity);
    MiscWire::RegWriteRecord record;
    ASSERT_TRUE(MiscWire::ReadRegWriteRecord(sent[0].Input.data(), sent[0].Input.size(), &record));
    EXPECT_EQ(sizeof(kPath), record.path.byteLength);
    EXPECT_EQ(0x12345678u, record.value);
}

TEST_F(MiscCommonRegistryTest, LengthQueryOfADwordGivesItsSizeAndType)
{
    device.Registry.SetDword(kPath16, u"PinMin", 6);
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(0u, channel.QueryRegistry(HKEY_LOCAL_MACHINE, kPath, L"PinMin", &type, nullptr, &size))
        << Narrow(peer.LastErrorText());
    EXPECT_EQ(4u, size);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(15u, SentInner().back().AnswerCapacity);
}

TEST_F(MiscCommonRegistryTest, StringLongerThanTheCapacityLeavesTheBufferUntouched)
{
    device.Registry.SetString(kPath16, u"PortName", u"COM1"); // 10 bytes with terminator
    uint8_t buffer[8];
    std::memset(buffer, 0xA5, sizeof(buffer));
    DWORD type = 0;
    DWORD size = 4;
    EXPECT_EQ(9u, channel.QueryRegistry(HKEY_LOCAL_MACHINE, kPath, L"PortName", &type, buffer, &size));
    EXPECT_EQ(10u, size);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    for (size_t i = 0; i < sizeof(buffer); ++i)
        EXPECT_EQ(0xA5, buffer[i]) << "byte " << i;
    EXPECT_EQ(19u, SentInner().back().AnswerCapacity);
}

TEST_F(MiscCommonRegistryTest, StringThatFitsIsCopiedWithItsLength)
{
    device.Registry.SetString(kPath16, u"PortName", u"COM1");
    wchar_t buffer[8];
    DWORD type = 0;
    DWORD size = sizeof(buffer);
    ASSERT_EQ(0u, channel.QueryRegistry(HKEY_LOCAL_MACHINE, kPath, L"PortName", &type, buffer, &size));
    EXPECT_EQ(10u, size);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::wstring(L"COM1"), buffer);
}

TEST_F(MiscCommonRegistryTest, MissingValueIsAFailure)
{
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(2u, channel.QueryRegistry(HKEY_LOCAL_MACHINE, kPath, L"Nothing", &type, nullptr, &size));
}

TEST_F(MiscCommonRegistryTest, WriteAnsweredWithAPayloadFails)
{
    device.Registry.SetFault(MiscDriver::kFaultWritePayload, 4);
    const DWORD value = 1;
    EXPECT_EQ(2u, channel.SetRegistry(HKEY_LOCAL_MACHINE, kPath, L"GPSStatus", &value));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(kSetFailed, peer.LastErrorText());
}

TEST_F(MiscCommonRegistryTest, AnswerWithoutItsMagicIsInvalid)
{
    device.Registry.SetDword(kPath16, u"PinMin", 6);
    device.Registry.SetFault(MiscDriver::kFaultWrongMagic, 1);
    DWORD value = 0;
    DWORD size = sizeof(value);
    EXPECT_EQ(2u, channel.QueryRegistry(HKEY_LOCAL_MACHINE, kPath, L"PinMin", nullptr, &value, &size));
    EXPECT_EQ(kInvalidReturn, peer.LastErrorText());
    EXPECT_EQ(0u, value);
}

TEST_F(MiscCommonRegistryTest, RefusedBeforeSending)
{
    const DWORD value = 1;
    DWORD size = 4;
    EXPECT_EQ(10u, channel.SetRegistry(HKEY_CURRENT_USER, kPath, L"X", &value));
    EXPECT_EQ(10u, channel.QueryRegistry(HKEY_CURRENT_USER, kPath, L"X", nullptr, nullptr, &size));
    EXPECT_EQ(3u, channel.SetRegistry(HKEY_LOCAL_MACHINE, nullptr, L"X", &value));
    EXPECT_EQ(3u, channel.SetRegistry(HKEY_LOCAL_MACHINE, kPath, nullptr, &value));
    EXPECT_EQ(3u, channel.SetRegistry(HKEY_LOCAL_MACHINE, kPath, L"X", nullptr));
    EXPECT_EQ(3u, channel.QueryRegistry(HKEY_LOCAL_MACHINE, kPath, nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(3u, channel.QueryRegistry(HKEY_LOCAL_MACHINE, kPath, L"X", nullptr, &size, nullptr));
    EXPECT_TRUE(device.RequestsOf(RequestKind::Capsule).empty());
}

TEST_F(MiscCommonRegistryTest, DriverRefusalOfTheRecordIsABadArgument)
{
    device.Respond = AnswerWith({}, FALSE, ERROR_INVALID_PARAMETER);
    DWORD size = 0;
    EXPECT_EQ(3u, channel.QueryRegistry(HKEY_LOCAL_MACHINE, kPath, L"X", nullptr, nullptr, &size));
}

// Registry answers that contradict themselves, delivered intact through the
// transport: the caller's buffer and size must not take them at their word.
struct HostileRegAnswerCase {
    const char* Name;
    std::vector<uint8_t> Answer;
    BOOL Transport;
    DWORD Error;
    DWORD Expected;
    DWORD ExpectedSize; // checked unless the result is 2
};

class MiscCommonHostileRegAnswerTest : public MiscCommonRegistryTest,
                                       public ::testing::WithParamInterface<HostileRegAnswerCase> {};

TEST_P(MiscCommonHostileRegAnswerTest, KeepsTheCallersBufferSafe)
{
    const HostileRegAnswerCase& c = GetParam();
    device.Respond = AnswerWith(MakeAnswerCapsule(DriverCipher(), c.Answer), c.Transport, c.Error);
    uint8_t buffer[12];
    std::memset(buffer, 0xA5, sizeof(buffer));
    DWORD type = 0;
    DWORD size = 8;
    EXPECT_EQ(c.Expected, channel.QueryRegistry(HKEY_LOCAL_MACHINE, kPath, L"Value", &type, buffer, &size)) << c.Name;
    if (c.Expected != 2) {
        EXPECT_EQ(c.ExpectedSize, size) << c.Name;
    } else {
        EXPECT_EQ(8u, size) << c.Name << ": a failure leaves the size alone";
    }
    const size_t firstGuard = c.Expected == 0 ? 8 : 0;
    for (size_t i = firstGuard; i < sizeof(buffer); ++i)
        EXPECT_EQ(0xA5, buffer[i]) << c.Name << ": byte " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Answers, MiscCommonHostileRegAnswerTest,
    ::testing::Values(
        HostileRegAnswerCase{"HugeDeclaredLength", RegAnswer(0xFFFFFFFFu, REG_SZ, {1, 2, 3, 4}), TRUE, 0, 9,
                             0xFFFFFFFFu},
        HostileRegAnswerCase{"DeclaresMoreThanItCarries", RegAnswer(8, REG_SZ, {1, 2}), TRUE, 0, 2, 0},
        HostileRegAnswerCase{"ShorterThanItsHeader", {1, 0, 0, 0, 'R', 'g', 'Q', 'O'}, TRUE, 0, 2, 0},
        HostileRegAnswerCase{"MoreDataWithoutHeader", std::vector<uint8_t>(12, 0), FALSE, ERROR_MORE_DATA, 2, 0},
        HostileRegAnswerCase{"MoreDataThoughItFits", RegAnswer(4, REG_DWORD, {}), FALSE, ERROR_BUFFER_OVERFLOW, 9, 4},
        HostileRegAnswerCase{"ExactFit", RegAnswer(8, REG_BINARY, {1, 2, 3, 4, 5, 6, 7, 8}), TRUE, 0, 0, 8}),
    [](const ::testing::TestParamInfo<HostileRegAnswerCase>& info) { return info.param.Name; });

// A DWORD answer (a 16-byte payload in a 32-byte capsule) of which only the
// first bytes arrived; the rest of the buffer holds the zeros it was given.
// Only the whole capsule may yield a value.
TEST_F(MiscCommonRegistryTest, AnswerCutShortIsNeverReadAsAValue)
{
    const struct {
        size_t arrived;
        DWORD expected;
    } cases[] = {{12, 2}, {20, 2}, {27, 2}, {32, 0}};
    for (const auto& c : cases) {
        std::vector<uint8_t> capsule = MakeAnswerCapsule(DriverCipher(), RegAnswer(4, REG_DWORD, {6, 0, 0, 0}));
        ASSERT_EQ(32u, capsule.size());
        capsule.resize(c.arrived);
        device.Respond = AnswerWith(capsule);
        DWORD value = 0xA5A5A5A5;
        DWORD type = REG_NONE;
        DWORD size = sizeof(value);
        EXPECT_EQ(c.expected, channel.QueryRegistry(HKEY_LOCAL_MACHINE, kPath, L"PinMin", &type, &value, &size))
            << c.arrived << " bytes";
        EXPECT_EQ(c.expected == 0 ? 6u : 0xA5A5A5A5u, value) << c.arrived << " bytes";
    }
}

TEST_F(MiscCommonRegistryTest, HugeCapacityIsNotAnnouncedBeyondWhatACapsuleCarries)
{
    device.Registry.SetDword(kPath16, u"PinMin", 6);
    DWORD value = 0;
    DWORD size = 0xFFFFFFF8u; // a caller's mistake; the data is 4 bytes
    EXPECT_EQ(0u, channel.QueryRegistry(HKEY_LOCAL_MACHINE, kPath, L"PinMin", nullptr, &value, &size));
    EXPECT_EQ(6u, value);
    EXPECT_EQ(4u, size);
    EXPECT_LE(SentInner().back().AnswerCapacity, MiscWire::kMaxPayloadLength);
}

TEST_F(MiscCommonRegistryTest, BusyMiscCallIsSentOnceMoreWithTheSavedRequest)
{
    device.Registry.SetFault(MiscDriver::kFaultBusyAlways, 1);
    uint8_t packet[22];
    MiscWire::WriteFeatureQuery(packet);
    const std::vector<uint8_t> request(packet, packet + sizeof(packet));
    ASSERT_EQ(0u, channel.CallMiscFunction(packet, sizeof(packet))) << Narrow(peer.LastErrorText());
    EXPECT_EQ(MiscWire::kMiscStatusBusy, packet[0]) << "the second busy answer is the caller's";

    const std::vector<InnerFields> sent = SentInner();
    ASSERT_EQ(2u, sent.size());
    EXPECT_EQ(request, sent[0].Input);
    EXPECT_EQ(request, sent[1].Input) << "the retry must not send the busy answer back";
    EXPECT_EQ(0u, sent[0].Sequence);
    EXPECT_EQ(1u, sent[1].Sequence);
    EXPECT_EQ(std::vector<uint32_t>{100}, g_waits);
    EXPECT_EQ(L"", peer.LastErrorText());
}

TEST_F(MiscCommonRegistryTest, BusyOnceThenServed)
{
    device.Registry.SetFault(MiscDriver::kFaultBusyOnce, 1);
    BYTE status = 0xFF;
    WORD words[4] = {};
    EXPECT_EQ(0u, channel.QueryMiscFeatures(&status, &words[0], &words[1], &words[2], &words[3]));
    EXPECT_EQ(0, status);
    EXPECT_EQ(1, words[0]);
    EXPECT_EQ(1, words[1]);
    EXPECT_EQ(2u, device.RequestsOf(RequestKind::Capsule).size());
    EXPECT_EQ(std::vector<uint32_t>{100}, g_waits);
}

TEST_F(MiscCommonRegistryTest, FeatureQuerySendsTheFeaturePacket)
{
    device.Registry.SetFault(MiscDriver::kFaultFeatureWord12, 0x0100);
    BYTE status = 0xFF;
    WORD words[4] = {9, 9, 9, 9};
    ASSERT_EQ(0u, channel.QueryMiscFeatures(&status, &words[0], &words[1], &words[2], &words[3]));
    EXPECT_EQ(0, status);
    EXPECT_EQ(0x0100, words[0]);
    EXPECT_EQ(0x0001, words[1]);
    EXPECT_TRUE(g_waits.empty());

    const std::vector<InnerFields> sent = SentInner();
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ(MiscWire::kFuncCall, sent[0].Function);
    EXPECT_EQ(22u, sent[0].AnswerCapacity);
    const std::vector<uint8_t> expected = {0x11, 0x01, 22, 0, 22, 0, 0, 0, 0x0A, 0x80, 0,
                                           0,    0,    0,  0, 0,  0, 0, 0, 0,    0,    0};
    EXPECT_EQ(expected, sent[0].Input) << ToHex(sent[0].Input.data(), sent[0].Input.size());
}

TEST_F(MiscCommonRegistryTest, MiscCallArgumentsAreCheckedBeforeSending)
{
    uint8_t packet[22];
    MiscWire::WriteFeatureQuery(packet);
    EXPECT_EQ(3u, channel.CallMiscFunction(nullptr, 22));
    EXPECT_EQ(L"MiscCommon::CMiscCommon::CallMiscFunction: pPacket is NULL", peer.LastErrorText());
    EXPECT_EQ(3u, channel.CallMiscFunction(packet, 0));
    EXPECT_EQ(L"MiscCommon::CMiscCommon::CallMiscFunction: sizePacket is '0'", peer.LastErrorText());
    // Lengths in the packet beyond its size would make the transport read
    // and write past the caller's packet.
    EXPECT_EQ(3u, channel.CallMiscFunction(packet, 21));
    EXPECT_EQ(3u, channel.CallMiscFunction(packet, 6));
    EXPECT_TRUE(device.RequestsOf(RequestKind::Capsule).empty());

    channel.CloseDriver();
    EXPECT_EQ(8u, channel.CallMiscFunction(packet, 22));
    EXPECT_EQ(L"MiscCommon::CMiscCommon::CallMiscFunction: _hDevice is NULL", peer.LastErrorText());
}

TEST_F(MiscCommonRegistryTest, MiscCallTransportFailureIsTwo)
{
    device.Scripts[RequestKind::Capsule].Fail = true;
    device.Scripts[RequestKind::Capsule].Error = ERROR_GEN_FAILURE;
    BYTE status = 0x77;
    EXPECT_EQ(2u, channel.QueryMiscFeatures(&status, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0x77, status) << "nothing was answered";
    EXPECT_EQ(static_cast<DWORD>(ERROR_GEN_FAILURE), GetLastError());
    EXPECT_EQ(L"MiscCommon::CMiscCommon::CallMiscFunction: DeviceIoControl failed.", peer.LastErrorText());
}

TEST(MiscCommonOldDriverTest, EveryServiceAnswersTenWithoutSending)
{
    CFakeMiscDevice device;
    device.VersionText = L"1.0.7.99";
    CMiscCommon channel{&device};
    ASSERT_EQ(0u, channel.OpenDriver());
    const DWORD value = 1;
    DWORD size = 0;
    uint8_t packet[22];
    MiscWire::WriteFeatureQuery(packet);
    BYTE status = 0x77;
    EXPECT_EQ(10u, channel.SetRegistry(HKEY_LOCAL_MACHINE, kPath, L"X", &value));
    EXPECT_EQ(10u, channel.QueryRegistry(HKEY_LOCAL_MACHINE, kPath, L"X", nullptr, nullptr, &size));
    EXPECT_EQ(10u, channel.CallMiscFunction(packet, sizeof(packet)));
    EXPECT_EQ(10u, channel.QueryMiscFeatures(&status, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0x77, status);
    EXPECT_TRUE(device.RequestsOf(RequestKind::Capsule).empty());
}

} // namespace
} // namespace MiscCommon
