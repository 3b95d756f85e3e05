// The core's capsule service in-process: hostile and malformed requests, the
// bounds of every answer, sequence numbers, and the faults' finer rules. The
// service as the program sees it is the shared suite, instantiated here for
// the in-process core.

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "DriverServiceSuite.h"
#include "InProcessDevice.h"
#include "MiscWire.h"
#include "RawChannel.h"
#include "tests/misccommon/MiscCommonTestPeer.h"

namespace MiscDriverTest {

INSTANTIATE_TEST_SUITE_P(InProcess, DriverServiceTest,
                         ::testing::Values(EnvironmentParam{"InProcess", &MakeInProcessEnvironment}), EnvironmentName);

namespace {

using MiscDriver::MiscDriverStatus;

const wchar_t kKey[] = L"SOFTWARE\\Norvane\\brindle";
const uint8_t kGuard = 0xCC;
const size_t kGuardBytes = 64;

class MiscDriverCapsuleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0u, channel.Open()); }

    uintptr_t Owner()
    {
        return reinterpret_cast<uintptr_t>(MiscCommon::CMiscCommonTestPeer(channel.Channel()).Device());
    }

    // The capsule of `inner` with the channel's session, enciphered.
    Bytes Wrap(const Bytes& inner) { return channel.Capsule(inner, channel.SessionId(), true); }
    Bytes InnerFor(uint32_t function, const Bytes& input, uint32_t capacity)
    {
        return CRawChannel::Inner(sequence, function, input, capacity);
    }

    // Straight into the core, with separate input and output buffers and
    // guard bytes behind the output: nothing may be written past capacity.
    MiscDriverStatus Dispatch(const Bytes& request, uint32_t outputCapacity)
    {
        output.assign(outputCapacity + kGuardBytes, kGuard);
        returned = 0xFFFFFFFF;
        const MiscDriverStatus status =
            device.Core().Dispatch(Owner(), 0x222008, request.data(), static_cast<uint32_t>(request.size()),
                                   output.data(), outputCapacity, &returned);
        for (size_t i = outputCapacity; i < output.size(); ++i) {
            if (output[i] != kGuard) {
                ADD_FAILURE() << "written past the capacity at " << i;
                break;
            }
        }
        EXPECT_LE(returned, outputCapacity);
        if (MiscDriver::MiscDriverReturnsData(status))
            ++sequence;
        else
            EXPECT_EQ(0u, returned) << "a refusal returns nothing";
        return status;
    }

    // The deciphered payload of the last answer.
    Bytes AnswerPayload()
    {
        Bytes answer(output.begin(), output.begin() + returned);
        const BlowfishContext* cipher = MiscCommon::CMiscCommonTestPeer(channel.Channel()).Cipher();
        const uint32_t blocks = MiscWire::CapsuleBlockCount(MiscWire::LoadLe32(&answer[4]), answer.size());
        for (uint32_t i = 0; i < blocks; ++i) {
            uint8_t* block = answer.data() + 12 + 8 * i;
            uint32_t left = MiscWire::LoadLe32(block);
            uint32_t right = MiscWire::LoadLe32(block + 4);
            BlowfishDecipher(cipher, &left, &right);
            MiscWire::StoreLe32(block, left);
            MiscWire::StoreLe32(block + 4, right);
        }
        return Bytes(answer.begin() + 12, answer.end());
    }

    CInProcessDevice device;
    CRawChannel channel{&device};
    uint32_t sequence = 0;
    Bytes output;
    uint32_t returned = 0;
};

TEST_F(MiscDriverCapsuleTest, HostileRegistryRecordsTouchNothing)
{
    struct Case {
        const char* What;
        uint32_t Function;
        Bytes Record;
    };
    std::vector<Case> cases;
    const Bytes write = RegWriteRecord(kKey, L"Name", 1);
    const Bytes query = RegQueryRecord(kKey, L"Name", 19);
    const uint32_t pathBytes = static_cast<uint32_t>(Utf16(kKey).size());

    Bytes oddPath = write;
    MiscWire::StoreLe32(oddPath.data() + 12, pathBytes - 1);
    cases.push_back({"odd path length", MiscWire::kFuncRegWrite, oddPath});
    Bytes nameBeyond = write;
    MiscWire::StoreLe32(nameBeyond.data() + 16, 0xFFFFFFFE);
    cases.push_back({"data offset far beyond the record", MiscWire::kFuncRegWrite, nameBeyond});
    Bytes sizeBeyond = write;
    MiscWire::StoreLe32(sizeBeyond.data() + 8, static_cast<uint32_t>(write.size()) + 2);
    cases.push_back({"record size beyond the input", MiscWire::kFuncRegWrite, sizeBeyond});
    Bytes notDword = write;
    MiscWire::StoreLe32(notDword.data() + 4, 1);
    cases.push_back({"value type other than REG_DWORD", MiscWire::kFuncRegWrite, notDword});
    Bytes unterminated = write;
    unterminated[24 + pathBytes - 2] = 'x';
    cases.push_back({"path without its terminator", MiscWire::kFuncRegWrite, unterminated});
    Bytes embedded = write;
    embedded[24 + 16] = 0; // a null inside "SOFTWARE\Norvane\brindle"
    embedded[24 + 17] = 0;
    cases.push_back({"null inside the path", MiscWire::kFuncRegWrite, embedded});
    Bytes wrongMagic = write;
    wrongMagic[0] = 'X';
    cases.push_back({"write magic", MiscWire::kFuncRegWrite, wrongMagic});
    cases.push_back({"query record sent as a write", MiscWire::kFuncRegWrite, query});

    Bytes pathPastSize = query;
    MiscWire::StoreLe32(pathPastSize.data() + 12, 0x10000);
    cases.push_back({"query path beyond the record", MiscWire::kFuncRegQuery, pathPastSize});
    Bytes querySize = query;
    MiscWire::StoreLe32(querySize.data() + 4, 0xFFFFFFFF);
    cases.push_back({"query size beyond the input", MiscWire::kFuncRegQuery, querySize});
    Bytes tinyQuery = query;
    MiscWire::StoreLe32(tinyQuery.data() + 4, 3);
    cases.push_back({"query size below its header", MiscWire::kFuncRegQuery, tinyQuery});
    cases.push_back({"write record sent as a query", MiscWire::kFuncRegQuery, write});
    cases.push_back({"empty query", MiscWire::kFuncRegQuery, Bytes()});

    for (const Case& c : cases) {
        EXPECT_EQ(MiscDriver::kStatusInvalidParameter, Dispatch(Wrap(InnerFor(c.Function, c.Record, 64)), 80))
            << c.What << ": " << ToHex(c.Record, 4);
    }
    EXPECT_EQ(0, device.Registry.Writes);
    EXPECT_EQ(0, device.Registry.Queries);
    EXPECT_EQ(0u, device.Registry.ValueCount());
}

struct PathCase {
    const wchar_t* Path;
    MiscDriverStatus Expected;
};

class MiscDriverPathTest : public MiscDriverCapsuleTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(MiscDriverPathTest, OnlyTheProductTreeIsServed)
{
    const Bytes record = RegWriteRecord(GetParam().Path, L"Value", 7);
    EXPECT_EQ(GetParam().Expected, Dispatch(Wrap(InnerFor(MiscWire::kFuncRegWrite, record, 0)), 16));
    const bool written = GetParam().Expected == MiscDriver::kStatusSuccess;
    EXPECT_EQ(written ? 1 : 0, device.Registry.Writes);
    if (written) {
        EXPECT_EQ(std::u16string(GetParam().Path, GetParam().Path + wcslen(GetParam().Path)), device.Registry.LastPath);
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, MiscDriverPathTest,
                         ::testing::Values(PathCase{L"SOFTWARE\\Norvane", MiscDriver::kStatusSuccess},
                                           PathCase{L"SOFTWARE\\Norvane\\brindle", MiscDriver::kStatusSuccess},
                                           PathCase{L"software\\NORVANE\\Common", MiscDriver::kStatusSuccess},
                                           PathCase{L"SOFTWARE\\Norvane\\a\\b\\c", MiscDriver::kStatusSuccess},
                                           PathCase{L"SOFTWARE\\Norvane\\", MiscDriver::kStatusAccessDenied},
                                           PathCase{L"SOFTWARE\\Norvane\\\\brindle", MiscDriver::kStatusAccessDenied},
                                           PathCase{L"SOFTWARE\\NorvaneX", MiscDriver::kStatusAccessDenied},
                                           PathCase{L"SOFTWARE\\Norvan", MiscDriver::kStatusAccessDenied},
                                           PathCase{L"\\SOFTWARE\\Norvane", MiscDriver::kStatusAccessDenied},
                                           PathCase{L"SOFTWARE\\Microsoft", MiscDriver::kStatusAccessDenied},
                                           PathCase{L"", MiscDriver::kStatusAccessDenied}));

TEST_F(MiscDriverCapsuleTest, SequenceMovesOnlyWithAnsweredCapsules)
{
    const Bytes good = RegWriteRecord(kKey, L"Counter", 1);
    const Bytes refused = RegWriteRecord(L"SOFTWARE\\Other", L"Counter", 1);
    EXPECT_EQ(MiscDriver::kStatusAccessDenied,
              Dispatch(Wrap(CRawChannel::Inner(0, MiscWire::kFuncRegWrite, refused, 0)), 16));
    EXPECT_EQ(MiscDriver::kStatusSuccess, Dispatch(Wrap(CRawChannel::Inner(0, MiscWire::kFuncRegWrite, good, 0)), 16))
        << "the refusal consumed no number";
    EXPECT_EQ(MiscDriver::kStatusInvalidParameter,
              Dispatch(Wrap(CRawChannel::Inner(0, MiscWire::kFuncRegWrite, good, 0)), 16));
    EXPECT_EQ(MiscDriver::kStatusInvalidParameter,
              Dispatch(Wrap(CRawChannel::Inner(2, MiscWire::kFuncRegWrite, good, 0)), 16))
        << "no skipping ahead either";

    // A partial answer carries bytes, so it counts as the program counts it.
    device.Registry.SetFault(MiscDriver::kFaultWritePayload, 4);
    EXPECT_EQ(MiscDriver::kStatusMoreData, Dispatch(Wrap(CRawChannel::Inner(1, MiscWire::kFuncRegWrite, good, 0)), 16));
    device.Registry.RemoveFault(MiscDriver::kFaultWritePayload);
    EXPECT_EQ(MiscDriver::kStatusSuccess, Dispatch(Wrap(CRawChannel::Inner(2, MiscWire::kFuncRegWrite, good, 0)), 16));
}

struct PacketCase {
    const char* What;
    uint8_t Function;
    uint8_t SubFunction;
    uint16_t Selector;
    uint16_t RequestLength; // declared; the packet is always 22 bytes
    uint16_t AnswerLength;
    MiscDriverStatus Expected;
    int StatusByte; // -1: no answer to look at
};

class MiscDriverPacketTest : public MiscDriverCapsuleTest, public ::testing::WithParamInterface<PacketCase> {};

TEST_P(MiscDriverPacketTest, AnswersEachPacket)
{
    const PacketCase& c = GetParam();
    Bytes packet(22, 0);
    packet[0] = c.Function;
    packet[1] = c.SubFunction;
    MiscWire::StoreLe16(packet.data() + 2, c.RequestLength);
    MiscWire::StoreLe16(packet.data() + 4, c.AnswerLength);
    MiscWire::StoreLe16(packet.data() + 8, c.Selector);
    EXPECT_EQ(c.Expected, Dispatch(Wrap(InnerFor(MiscWire::kFuncCall, packet, 22)), 40)) << c.What;
    if (c.StatusByte < 0)
        return;
    const Bytes answer = AnswerPayload();
    ASSERT_GE(answer.size(), c.AnswerLength) << c.What;
    EXPECT_EQ(c.StatusByte, answer[0]) << c.What << ": " << ToHex(answer, 4);
    EXPECT_EQ(c.SubFunction, answer[1]) << c.What;
}

INSTANTIATE_TEST_SUITE_P(
    Packets, MiscDriverPacketTest,
    ::testing::Values(
        PacketCase{"feature query", 0x11, 1, 0x800A, 22, 22, MiscDriver::kStatusSuccess, 0},
        PacketCase{"other function", 0x12, 1, 0x800A, 22, 22, MiscDriver::kStatusSuccess, 1},
        PacketCase{"other sub-function", 0x11, 2, 0x800A, 22, 22, MiscDriver::kStatusSuccess, 1},
        PacketCase{"other selector", 0x11, 1, 0x800B, 22, 22, MiscDriver::kStatusSuccess, 2},
        PacketCase{"answer too short for the words", 0x11, 1, 0x800A, 22, 16, MiscDriver::kStatusSuccess, 2},
        PacketCase{"declared request length differs", 0x11, 1, 0x800A, 21, 22, MiscDriver::kStatusInvalidParameter, -1},
        PacketCase{"answer shorter than a header", 0x11, 1, 0x800A, 22, 4, MiscDriver::kStatusInvalidParameter, -1},
        PacketCase{"answer longer than the capacity", 0x11, 1, 0x800A, 22, 200, MiscDriver::kStatusMoreData, -1}),
    [](const ::testing::TestParamInfo<PacketCase>& info) {
        std::string name;
        for (const char* c = info.param.What; *c != '\0'; ++c) {
            if (std::isalnum(static_cast<unsigned char>(*c)))
                name += *c;
        }
        return name;
    });

TEST_F(MiscDriverCapsuleTest, PartialAnswersCarryTheirFrameAndNothingElse)
{
    // Declared far beyond the caller's room: only the frame and zeros travel.
    device.Registry.SetFault(MiscDriver::kFaultWritePayload, 0xFFFFFFFF);
    const Bytes write = RegWriteRecord(kKey, L"Name", 1);
    EXPECT_EQ(MiscDriver::kStatusMoreData, Dispatch(Wrap(InnerFor(MiscWire::kFuncRegWrite, write, 0)), 16));
    EXPECT_EQ(16u, returned);
    EXPECT_EQ(MiscDriver::kMaxFaultPayload, MiscWire::LoadLe32(output.data())) << "the fault's payload is capped";
    EXPECT_EQ(MiscWire::CapsuleSize(MiscDriver::kMaxFaultPayload), MiscWire::LoadLe32(output.data() + 4));

    // A query whose room is below even the answer header.
    device.Registry.SetDword(u"SOFTWARE\\Norvane\\brindle", u"Name", 5);
    const Bytes query = RegQueryRecord(kKey, L"Name", 19);
    EXPECT_EQ(MiscDriver::kStatusMoreData, Dispatch(Wrap(InnerFor(MiscWire::kFuncRegQuery, query, 5)), 24));
    EXPECT_EQ(24u, returned);
    EXPECT_EQ(12u, MiscWire::LoadLe32(output.data()));
    EXPECT_EQ(Bytes(12, 0), AnswerPayload()) << "no header bytes were cut in half";
}

TEST_F(MiscDriverCapsuleTest, TheSmallerOfTheTwoAnnouncedCapacitiesHolds)
{
    device.Registry.SetDword(u"SOFTWARE\\Norvane\\brindle", u"Name", 5);
    // The record announces 15 (no data buffer) while the transport offers 64.
    const Bytes query = RegQueryRecord(kKey, L"Name", 15);
    EXPECT_EQ(MiscDriver::kStatusMoreData, Dispatch(Wrap(InnerFor(MiscWire::kFuncRegQuery, query, 64)), 80));
    const Bytes answer = AnswerPayload();
    ASSERT_GE(answer.size(), 12u);
    EXPECT_EQ(4u, MiscWire::LoadLe32(answer.data()));
    EXPECT_EQ(0, std::memcmp(answer.data() + 4, "RgQO", 4));
    EXPECT_EQ(12u, MiscWire::LoadLe32(output.data())) << "header only";
}

TEST_F(MiscDriverCapsuleTest, NoAnswerOutgrowsTheLargestCapsule)
{
    // A value bigger than any capsule, asked for with a buffer bigger still.
    const uint32_t huge = MiscWire::kMaxPayloadLength + 0x10000;
    device.Registry.SetValue(u"SOFTWARE\\Norvane\\brindle", u"Blob", REG_BINARY, Bytes(huge, 0x42));
    const uint32_t offered = 2 * MiscWire::kMaxPayloadLength;
    const Bytes query = RegQueryRecord(kKey, L"Blob", offered);
    EXPECT_EQ(MiscDriver::kStatusMoreData, Dispatch(Wrap(InnerFor(MiscWire::kFuncRegQuery, query, offered)),
                                                    MiscWire::CapsuleSize(MiscWire::kMaxPayloadLength) + offered));
    EXPECT_EQ(32u, returned);
    const Bytes answer = AnswerPayload();
    ASSERT_GE(answer.size(), 12u);
    EXPECT_EQ(huge, MiscWire::LoadLe32(answer.data())) << "the length it would need";
}

TEST_F(MiscDriverCapsuleTest, InjectedStatusesAreAlwaysFailures)
{
    const Bytes write = RegWriteRecord(kKey, L"Name", 1);
    for (uint32_t configured : {0xC0000185u, 0x80000005u, 0x00000103u, 0x00000001u}) {
        device.Registry.SetFault(MiscDriver::kFaultFailCapsule, configured);
        EXPECT_EQ(MiscDriver::kStatusInjectedFailure, Dispatch(Wrap(InnerFor(MiscWire::kFuncRegWrite, write, 0)), 16));
        const uint32_t expected = (configured & 0x80000000u) != 0 ? configured : 0xC0000001u;
        EXPECT_EQ(expected, device.Core().InjectedStatus()) << std::hex << configured;
    }
    EXPECT_EQ(0, device.Registry.Writes);
}

TEST_F(MiscDriverCapsuleTest, MangledCapsulesNeverWritePastTheAnswer)
{
    // A cheap, repeatable relative of the fuzzer: valid requests with bytes
    // changed at random, before and after encipherment.
    const Bytes records[] = {
        RegWriteRecord(kKey, L"Name", 1),
        RegQueryRecord(kKey, L"Name", 40),
        FeatureQueryPacket(),
    };
    const uint32_t functions[] = {MiscWire::kFuncRegWrite, MiscWire::kFuncRegQuery, MiscWire::kFuncCall};
    device.Registry.SetString(u"SOFTWARE\\Norvane\\brindle", u"Name", u"a text value");
    uint32_t state = 0x9E3779B9u;
    auto next = [&state]() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    for (int round = 0; round < 600; ++round) {
        const size_t kind = round % 3;
        Bytes inner = CRawChannel::Inner(sequence, functions[kind], records[kind], 40);
        const bool afterCipher = (next() & 1) != 0;
        if (!afterCipher)
            inner[next() % inner.size()] ^= static_cast<uint8_t>(1u << (next() % 8));
        Bytes request = Wrap(inner);
        if (afterCipher)
            request[12 + next() % (request.size() - 16)] ^= static_cast<uint8_t>(next());
        const uint32_t capacity = next() % 96;
        const MiscDriverStatus status = Dispatch(request, capacity);
        if (MiscDriver::MiscDriverReturnsData(status)) {
            EXPECT_GE(returned, 16u) << "round " << round;
            EXPECT_EQ(channel.SessionId(), MiscWire::LoadLe32(output.data() + 8));
        }
        if (HasFailure())
            break;
    }
}

} // namespace
} // namespace MiscDriverTest
