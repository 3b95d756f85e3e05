// The driver's service as the program meets it, run against every
// environment: the in-process core and the kernel-mode stand-in under Wine.
// Each executable instantiates the suite with the environment it runs.

#include "DriverServiceSuite.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "MiscWire.h"
#include "RawChannel.h"
#include "misccommon/ControlCodes.h"

namespace MiscDriverTest {

namespace {

const wchar_t kTestKey[] = L"SOFTWARE\\Norvane\\DriverTest";
const HKEY kMachine = HKEY_LOCAL_MACHINE;
const DWORD kRegSz = REG_SZ;
const DWORD kRegDword = REG_DWORD;
const DWORD kStatusIoDeviceError = 0xC0000185;

DWORD DwordOf(const std::vector<BYTE>& data)
{
    DWORD value = 0;
    if (data.size() == sizeof(value))
        std::memcpy(&value, data.data(), sizeof(value));
    return value;
}

} // namespace

void DriverServiceTest::SetUp()
{
    env = GetParam().Make();
    env->ClearAllFaults();
    env->DeleteKey(kTestKey);
}

void DriverServiceTest::TearDown()
{
    env->ClearAllFaults();
    env->DeleteKey(kTestKey);
    env.reset();
}

std::unique_ptr<CRawChannel> DriverServiceTest::OpenChannel(MiscCommon::IMiscDevice* device)
{
    std::unique_ptr<CRawChannel> channel(new CRawChannel(device ? device : env->Device()));
    const DWORD opened = channel->Open();
    EXPECT_EQ(0u, opened) << "open and handshake";
    return channel;
}

TEST_P(DriverServiceTest, WrittenDwordLandsInTheRegistry)
{
    auto channel = OpenChannel();
    for (DWORD value : {42u, 0u, 0xFFFFFFFFu}) {
        EXPECT_EQ(0u, channel->Channel().SetRegistry(kMachine, kTestKey, L"Answer", &value)) << value;
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(env->ReadValue(kTestKey, L"Answer", &type, &data)) << value;
        EXPECT_EQ(kRegDword, type);
        EXPECT_EQ(value, DwordOf(data));
    }
}

TEST_P(DriverServiceTest, QueryReadsWhatTheRegistryHolds)
{
    env->SetDword(kTestKey, L"Number", 0x12345678);
    env->SetString(kTestKey, L"Port", L"COM7");
    auto channel = OpenChannel();
    MiscCommon::CMiscCommon& program = channel->Channel();

    DWORD type = 0;
    DWORD number = 0;
    DWORD size = sizeof(number);
    EXPECT_EQ(0u, program.QueryRegistry(kMachine, kTestKey, L"Number", &type, &number, &size));
    EXPECT_EQ(kRegDword, type);
    EXPECT_EQ(4u, size);
    EXPECT_EQ(0x12345678u, number);

    wchar_t text[32] = {};
    size = sizeof(text);
    EXPECT_EQ(0u, program.QueryRegistry(kMachine, kTestKey, L"Port", &type, text, &size));
    EXPECT_EQ(kRegSz, type);
    EXPECT_EQ(10u, size);
    EXPECT_STREQ(L"COM7", text);

    // Without a buffer: the length the caller needs.
    size = 0;
    type = 0;
    EXPECT_EQ(0u, program.QueryRegistry(kMachine, kTestKey, L"Number", &type, nullptr, &size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(kRegDword, type);

    // Too small a buffer: the stored length and type, the buffer untouched.
    wchar_t small[2] = {L'x', L'y'};
    size = sizeof(small);
    EXPECT_EQ(9u, program.QueryRegistry(kMachine, kTestKey, L"Port", &type, small, &size));
    EXPECT_EQ(10u, size);
    EXPECT_EQ(kRegSz, type);
    EXPECT_EQ(L'x', small[0]);
    EXPECT_EQ(L'y', small[1]);
}

TEST_P(DriverServiceTest, MissingValuesAndKeysFail)
{
    env->SetDword(kTestKey, L"Present", 1);
    auto channel = OpenChannel();
    DWORD value = 0;
    DWORD size = sizeof(value);
    EXPECT_EQ(2u, channel->Channel().QueryRegistry(kMachine, kTestKey, L"Absent", nullptr, &value, &size));
    size = sizeof(value);
    EXPECT_EQ(2u, channel->Channel().QueryRegistry(kMachine, L"SOFTWARE\\Norvane\\NoSuchKey", L"Present", nullptr,
                                                   &value, &size));
    size = sizeof(value);
    EXPECT_EQ(0u, channel->Channel().QueryRegistry(kMachine, kTestKey, L"Present", nullptr, &value, &size))
        << "the channel still serves after failures";
}

TEST_P(DriverServiceTest, PathsOutsideTheProductTreeAreRefused)
{
    auto channel = OpenChannel();
    MiscCommon::CMiscCommon& program = channel->Channel();
    const DWORD value = 5;
    for (const wchar_t* path : {L"SOFTWARE\\Microsoft\\Windows", L"SOFTWARE\\NorvaneX", L"SOFTWARE",
                                L"SYSTEM\\CurrentControlSet", L"SOFTWARE\\Norvane\\\\brindle"}) {
        EXPECT_EQ(2u, program.SetRegistry(kMachine, path, L"DriverTest", &value)) << ToHex(Utf16(path), 4);
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
        DWORD type = 0;
        std::vector<BYTE> data;
        EXPECT_FALSE(env->ReadValue(path, L"DriverTest", &type, &data));
    }
    DWORD size = 0;
    EXPECT_EQ(2u, program.QueryRegistry(kMachine, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"ProductName",
                                        nullptr, nullptr, &size));

    // The registry's names do not depend on case, so neither does the check.
    EXPECT_EQ(0u, program.SetRegistry(kMachine, L"software\\NORVANE\\DriverTest", L"Cased", &value));
}

TEST_P(DriverServiceTest, FeatureQueryReportsASupportedPlatform)
{
    auto channel = OpenChannel();
    BYTE status = 0xFF;
    WORD words[4] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    EXPECT_EQ(0u, channel->Channel().QueryMiscFeatures(&status, &words[0], &words[1], &words[2], &words[3]));
    EXPECT_EQ(0, status);
    EXPECT_EQ(1, words[0]);
    EXPECT_EQ(1, words[1]);
    EXPECT_EQ(0, words[2]);
    EXPECT_EQ(0, words[3]);
}

TEST_P(DriverServiceTest, FeatureWordsFollowTheirFaultValues)
{
    auto channel = OpenChannel();
    env->SetFault(L"FeatureWord12", 0);
    env->SetFault(L"FeatureWord14", 0x8002);
    BYTE status = 0xFF;
    WORD word12 = 0xFFFF;
    WORD word14 = 0xFFFF;
    EXPECT_EQ(0u, channel->Channel().QueryMiscFeatures(&status, &word12, &word14, nullptr, nullptr));
    EXPECT_EQ(0, status);
    EXPECT_EQ(0, word12) << "0 is a value here, not \"off\"";
    EXPECT_EQ(0x8002, word14);

    env->ClearAllFaults();
    EXPECT_EQ(0u, channel->Channel().QueryMiscFeatures(&status, &word12, &word14, nullptr, nullptr));
    EXPECT_EQ(1, word12);
    EXPECT_EQ(1, word14);
}

TEST_P(DriverServiceTest, BusyOnceIsAnsweredOnceAndThenCleared)
{
    auto channel = OpenChannel();
    env->SetFault(L"BusyOnce", 1);
    BYTE status = 0xFF;
    WORD word12 = 0;
    // The program's own retry takes the second answer.
    EXPECT_EQ(0u, channel->Channel().QueryMiscFeatures(&status, &word12, nullptr, nullptr, nullptr));
    EXPECT_EQ(0, status);
    EXPECT_EQ(1, word12);
    DWORD left = 0;
    EXPECT_FALSE(env->ReadFault(L"BusyOnce", &left)) << "still set: " << left;

    Exchange busy;
    env->SetFault(L"BusyOnce", 1);
    busy = channel->Send(MiscWire::kFuncCall, FeatureQueryPacket(), MiscWire::kFeaturePacketSize);
    ASSERT_TRUE(busy.Ok) << busy.Error;
    ASSERT_EQ(22u, busy.Payload.size());
    EXPECT_EQ(MiscWire::kMiscStatusBusy, busy.Payload[0]);
}

TEST_P(DriverServiceTest, BusyAlwaysReachesTheCaller)
{
    auto channel = OpenChannel();
    env->SetFault(L"BusyAlways", 1);
    BYTE status = 0xFF;
    EXPECT_EQ(0u, channel->Channel().QueryMiscFeatures(&status, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(MiscWire::kMiscStatusBusy, status);
    DWORD value = 0;
    EXPECT_TRUE(env->ReadFault(L"BusyAlways", &value)) << "BusyAlways stays";
}

TEST_P(DriverServiceTest, WritePayloadMakesTheWriteFailWithMoreData)
{
    auto channel = OpenChannel();
    env->SetFault(L"WritePayload", 8);
    const DWORD value = 77;
    EXPECT_EQ(2u, channel->Channel().SetRegistry(kMachine, kTestKey, L"Loud", &value));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(env->ReadValue(kTestKey, L"Loud", &type, &data)) << "the write itself happened";
    EXPECT_EQ(77u, DwordOf(data));

    env->ClearFault(L"WritePayload");
    EXPECT_EQ(0u, channel->Channel().SetRegistry(kMachine, kTestKey, L"Loud", &value))
        << "the session survived the partial answer";
}

TEST_P(DriverServiceTest, WrongMagicMakesTheQueryFail)
{
    env->SetDword(kTestKey, L"Number", 3);
    auto channel = OpenChannel();
    env->SetFault(L"WrongMagic", 1);
    DWORD number = 0;
    DWORD size = sizeof(number);
    EXPECT_EQ(2u, channel->Channel().QueryRegistry(kMachine, kTestKey, L"Number", nullptr, &number, &size));
    env->ClearFault(L"WrongMagic");
    size = sizeof(number);
    EXPECT_EQ(0u, channel->Channel().QueryRegistry(kMachine, kTestKey, L"Number", nullptr, &number, &size));
    EXPECT_EQ(3u, number);
}

TEST_P(DriverServiceTest, FailCapsuleFailsEveryCapsuleWithItsStatus)
{
    auto channel = OpenChannel();
    env->SetFault(L"FailCapsule", kStatusIoDeviceError);
    const DWORD value = 1;
    EXPECT_EQ(2u, channel->Channel().SetRegistry(kMachine, kTestKey, L"Failed", &value));
    EXPECT_EQ(static_cast<DWORD>(ERROR_IO_DEVICE), GetLastError());
    BYTE status = 0;
    EXPECT_EQ(2u, channel->Channel().QueryMiscFeatures(&status, nullptr, nullptr, nullptr, nullptr));

    // A failed capsule consumed no sequence number on either side.
    env->ClearFault(L"FailCapsule");
    EXPECT_EQ(0u, channel->Channel().SetRegistry(kMachine, kTestKey, L"Failed", &value));
}

TEST_P(DriverServiceTest, RefusedSessionsCarryCapsulesInClear)
{
    env->SetFault(L"RefuseSessions", 1);
    auto channel = OpenChannel();
    EXPECT_FALSE(channel->Secure());
    EXPECT_EQ(0u, channel->SessionId());

    const DWORD value = 9;
    EXPECT_EQ(0u, channel->Channel().SetRegistry(kMachine, kTestKey, L"Clear", &value));
    DWORD read = 0;
    DWORD size = sizeof(read);
    EXPECT_EQ(0u, channel->Channel().QueryRegistry(kMachine, kTestKey, L"Clear", nullptr, &read, &size));
    EXPECT_EQ(9u, read);

    // The answer travels in clear as well.
    const Exchange answer = channel->Send(MiscWire::kFuncCall, FeatureQueryPacket(), MiscWire::kFeaturePacketSize);
    ASSERT_TRUE(answer.Ok) << answer.Error;
    ASSERT_EQ(40u, answer.Raw.size());
    const Bytes expected = {0x00, 0x01, 22, 0, 22, 0, 0, 0, 0x0A, 0x80, 0, 0, 1, 0, 1, 0, 0, 0};
    EXPECT_EQ(expected, Bytes(answer.Raw.begin() + 12, answer.Raw.begin() + 30)) << ToHex(answer.Raw, 4);
}

TEST_P(DriverServiceTest, AnswerCapsuleIsFramedLikeTheRequest)
{
    auto channel = OpenChannel();
    const Exchange answer = channel->Send(MiscWire::kFuncCall, FeatureQueryPacket(), MiscWire::kFeaturePacketSize);
    ASSERT_TRUE(answer.Ok) << answer.Error;
    EXPECT_EQ(40u, answer.Returned);
    EXPECT_EQ(22u, answer.PayloadLength);
    EXPECT_EQ(40u, answer.Size);
    EXPECT_EQ(channel->SessionId(), answer.SessionId);
    ASSERT_EQ(40u, answer.Raw.size());
    EXPECT_EQ(0u, MiscWire::LoadLe32(answer.Raw.data() + 36)) << "trailing word";
    ASSERT_EQ(22u, answer.Payload.size());
    EXPECT_EQ(0x0A, answer.Payload[8]) << "the request's selector stays: " << ToHex(answer.Payload, 4);
    EXPECT_EQ(0x80, answer.Payload[9]);
}

TEST_P(DriverServiceTest, AnswerBeyondTheCapacityComesBackAsHeaderWithMoreData)
{
    env->SetString(kTestKey, L"Long", L"a string longer than the room");
    auto channel = OpenChannel();
    const Exchange answer = channel->Send(MiscWire::kFuncRegQuery, RegQueryRecord(kTestKey, L"Long", 15), 15);
    EXPECT_FALSE(answer.Ok);
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), answer.Error);
    EXPECT_EQ(32u, answer.Returned) << "the partial answer's bytes travel with the warning";
    ASSERT_EQ(12u, answer.Payload.size()) << ToHex(answer.Raw, 4);
    EXPECT_EQ(60u, MiscWire::LoadLe32(answer.Payload.data()));
    EXPECT_EQ(0, std::memcmp(answer.Payload.data() + 4, "RgQO", 4));
    EXPECT_EQ(kRegSz, MiscWire::LoadLe32(answer.Payload.data() + 8));
}

TEST_P(DriverServiceTest, ReplayedCapsuleIsRefused)
{
    env->SetDword(kTestKey, L"Number", 1);
    auto channel = OpenChannel();
    const Bytes inner =
        CRawChannel::Inner(channel->Sequence(), MiscWire::kFuncRegWrite, RegWriteRecord(kTestKey, L"Number", 2), 0);
    const Bytes capsule = channel->Capsule(inner, channel->SessionId(), true);
    const Exchange first = channel->SendRaw(MiscCommon::IOCTL_MISC_CAPSULE, capsule, 16);
    ASSERT_TRUE(first.Ok) << first.Error;
    env->SetDword(kTestKey, L"Number", 1);

    const Exchange replay = channel->SendRaw(MiscCommon::IOCTL_MISC_CAPSULE, capsule, 16);
    EXPECT_FALSE(replay.Ok);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), replay.Error);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(env->ReadValue(kTestKey, L"Number", &type, &data));
    EXPECT_EQ(1u, DwordOf(data)) << "the replay wrote nothing";
}

TEST_P(DriverServiceTest, SessionsServeOnlyTheirOwnHandle)
{
    auto owner = OpenChannel();
    auto other = OpenChannel();
    const Bytes inner =
        CRawChannel::Inner(owner->Sequence(), MiscWire::kFuncCall, FeatureQueryPacket(), MiscWire::kFeaturePacketSize);
    const Exchange stolen =
        other->SendRaw(MiscCommon::IOCTL_MISC_CAPSULE, owner->Capsule(inner, owner->SessionId(), true), 40);
    EXPECT_FALSE(stolen.Ok);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), stolen.Error);

    const Exchange own =
        owner->SendRaw(MiscCommon::IOCTL_MISC_CAPSULE, owner->Capsule(inner, owner->SessionId(), true), 40);
    EXPECT_TRUE(own.Ok) << own.Error;
}

TEST_P(DriverServiceTest, MalformedCapsulesAreRefusedAndTheSessionGoesOn)
{
    auto channel = OpenChannel();
    const uint32_t id = channel->SessionId();
    const Bytes feature = FeatureQueryPacket();
    const Bytes good = CRawChannel::Inner(channel->Sequence(), MiscWire::kFuncCall, feature, 22);

    struct Case {
        const char* What;
        Bytes Request;
        DWORD Output;
        DWORD Error;
    };
    std::vector<Case> cases;
    Bytes wrongSize = channel->Capsule(good, id, true);
    MiscWire::StoreLe32(wrongSize.data() + 4, 48);
    cases.push_back({"size field disagrees", wrongSize, 40, ERROR_INVALID_PARAMETER});
    Bytes hugeLength = channel->Capsule(good, id, true);
    MiscWire::StoreLe32(hugeLength.data(), 0xFFFFFFF0u);
    cases.push_back({"payload length beyond the buffer", hugeLength, 40, ERROR_INVALID_PARAMETER});
    Bytes shortened = channel->Capsule(good, id, true);
    shortened.resize(shortened.size() - 8);
    cases.push_back({"buffer shorter than declared", shortened, 40, ERROR_INVALID_PARAMETER});
    cases.push_back({"only a header", Bytes(8, 0), 40, ERROR_INVALID_PARAMETER});
    Bytes garbage(good.size());
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<uint8_t>(i * 37 + 11);
    cases.push_back({"undecipherable payload", channel->Capsule(garbage, id, false), 40, ERROR_INVALID_PARAMETER});
    Bytes innerTooLong = good;
    MiscWire::StoreLe32(innerTooLong.data() + 12, 0xFFFFFFF0u);
    cases.push_back(
        {"inner input length wraps", channel->Capsule(innerTooLong, id, true), 40, ERROR_INVALID_PARAMETER});
    cases.push_back({"unknown inner function",
                     channel->Capsule(CRawChannel::Inner(channel->Sequence(), 0x222950, feature, 22), id, true), 40,
                     ERROR_INVALID_FUNCTION});
    cases.push_back({"answer buffer below a frame", channel->Capsule(good, id, true), 8, ERROR_INSUFFICIENT_BUFFER});
    cases.push_back({"unknown session", channel->Capsule(good, id + 1, true), 40, ERROR_ACCESS_DENIED});

    for (const Case& c : cases) {
        const Exchange refused = channel->SendRaw(MiscCommon::IOCTL_MISC_CAPSULE, c.Request, c.Output);
        EXPECT_FALSE(refused.Ok) << c.What;
        EXPECT_EQ(c.Error, refused.Error) << c.What;
        EXPECT_EQ(0u, refused.Returned) << c.What;
    }

    const Exchange after = channel->SendRaw(MiscCommon::IOCTL_MISC_CAPSULE, channel->Capsule(good, id, true), 40);
    EXPECT_TRUE(after.Ok) << "refusals consumed no sequence number: " << after.Error;
}

TEST_P(DriverServiceTest, ClosingAHandleEndsItsSessions)
{
    CSessionCloseDropper dying(env->Device());
    dying.DropSessionClose = true;
    // Fill the session table from handles that never say goodbye.
    std::vector<std::unique_ptr<CRawChannel>> channels;
    const size_t kEnough = 16;
    while (channels.size() < kEnough) {
        std::unique_ptr<CRawChannel> channel(new CRawChannel(&dying));
        if (channel->Open() != 0)
            break;
        channels.push_back(std::move(channel));
    }
    ASSERT_LT(channels.size(), kEnough) << "the session table never filled";
    ASSERT_GT(channels.size(), 0u);
    const size_t held = channels.size();
    channels.clear();

    // The close reaches a kernel driver after CloseHandle has returned, so
    // the freed places may take a moment to show.
    for (size_t i = 0; i < held; ++i) {
        DWORD opened = 0;
        for (int attempt = 0; attempt < 30; ++attempt) {
            channels.emplace_back(new CRawChannel(env->Device()));
            opened = channels.back()->Open();
            if (opened == 0)
                break;
            channels.pop_back();
            Sleep(100);
        }
        EXPECT_EQ(0u, opened) << "session " << i << " of " << held;
    }
}

} // namespace MiscDriverTest
