// The expected bytes here are written out from the protocol's layout tables,
// not produced by the codec, so a shared mistake in program and stand-in
// driver cannot hide behind the round trip.
#include "MiscWire.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/HexBytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

#define EXPECT_BYTES(expectedHex, actual)                                                                              \
    do {                                                                                                               \
        Bytes expectedBytes = FromHex(expectedHex);                                                                    \
        EXPECT_EQ(expectedBytes, (actual))                                                                             \
            << "expected " << ToHex(expectedBytes, 4) << "\n  actual " << ToHex(actual, 4);                            \
    } while (0)

// "A" and "B" as UTF-16LE with terminators.
const Bytes kPathA = {0x41, 0, 0, 0};
const Bytes kNameB = {0x42, 0, 0, 0};

} // namespace

TEST(MiscWireTest, CapsuleSizeRoundsThePayloadUpToWholeBlocks)
{
    EXPECT_EQ(16u, MiscWire::CapsuleSize(0));
    EXPECT_EQ(24u, MiscWire::CapsuleSize(1));
    EXPECT_EQ(24u, MiscWire::CapsuleSize(8));
    EXPECT_EQ(32u, MiscWire::CapsuleSize(9));
    EXPECT_EQ(0u, MiscWire::CapsuleSize(MiscWire::kMaxPayloadLength + 1)) << "a size that could wrap is refused";
    EXPECT_EQ(0u, MiscWire::CapsuleSize(0xFFFFFFFFu));
}

TEST(MiscWireTest, CapsuleFrameLayout)
{
    Bytes capsule(32, 0xEE);
    MiscWire::WriteCapsuleFrame(capsule.data(), 9, 0x01020304);
    EXPECT_BYTES("09000000 20000000 04030201 eeeeeeee eeeeeeee eeeeeeee eeeeeeee 00000000", capsule);

    MiscWire::CapsuleHeader header{};
    ASSERT_TRUE(MiscWire::ReadCapsuleHeader(capsule.data(), 12, &header));
    EXPECT_EQ(9u, header.payloadLength);
    EXPECT_EQ(32u, header.size);
    EXPECT_EQ(0x01020304u, header.sessionId);
    EXPECT_FALSE(MiscWire::ReadCapsuleHeader(capsule.data(), 11, &header));
}

TEST(MiscWireTest, BlockCountIsLimitedByTheBufferActuallyHeld)
{
    EXPECT_EQ(2u, MiscWire::CapsuleBlockCount(32, 32));
    EXPECT_EQ(1u, MiscWire::CapsuleBlockCount(0xFFFFFFF0u, 24)) << "declared size beyond the buffer";
    EXPECT_EQ(0u, MiscWire::CapsuleBlockCount(8, 64)) << "declared size below the frame";
    EXPECT_EQ(0u, MiscWire::CapsuleBlockCount(16, 16));
}

TEST(MiscWireTest, InnerRequestLayout)
{
    const Bytes input = {0xAA, 0xBB, 0xCC};
    Bytes inner(3 + 24, 0xEE);
    MiscWire::WriteInnerRequest(inner.data(), 5, MiscWire::kFuncRegQuery, input.data(), 3, 7);
    EXPECT_BYTES("05000000 1b000000 4c292200 03000000 07000000 aabbcc 00000000", inner);

    MiscWire::InnerRequest parsed{};
    ASSERT_TRUE(MiscWire::ReadInnerRequest(inner.data(), inner.size(), &parsed));
    EXPECT_EQ(5u, parsed.sequence);
    EXPECT_EQ(0x22294Cu, parsed.function);
    EXPECT_EQ(3u, parsed.inputLength);
    EXPECT_EQ(7u, parsed.answerCapacity);
    EXPECT_EQ(inner.data() + 20, parsed.input);
}

TEST(MiscWireTest, InnerRequestWithoutInputIs24Bytes)
{
    Bytes inner(24, 0xEE);
    MiscWire::WriteInnerRequest(inner.data(), 0, MiscWire::kFuncCall, nullptr, 0, 22);
    EXPECT_BYTES("00000000 18000000 44292200 00000000 16000000 00000000", inner);
}

TEST(MiscWireTest, InnerRequestParserRejectsInconsistentSizes)
{
    Bytes inner = FromHex("01000000 1b000000 44292200 03000000 00000000 aabbcc 00000000");
    MiscWire::InnerRequest parsed{};
    EXPECT_TRUE(MiscWire::ReadInnerRequest(inner.data(), inner.size(), &parsed));
    EXPECT_FALSE(MiscWire::ReadInnerRequest(inner.data(), inner.size() - 1, &parsed))
        << "input running past the received bytes";

    Bytes wrongTotal = inner;
    wrongTotal[4] = 0x1c;
    EXPECT_FALSE(MiscWire::ReadInnerRequest(wrongTotal.data(), wrongTotal.size(), &parsed));

    Bytes hugeInput = inner;
    hugeInput[12] = 0xF0;
    hugeInput[13] = hugeInput[14] = hugeInput[15] = 0xFF;
    hugeInput[4] = 0x08; // 0xFFFFFFF0 + 24 wraps to 8 in 32 bits
    hugeInput[5] = hugeInput[6] = hugeInput[7] = 0;
    EXPECT_FALSE(MiscWire::ReadInnerRequest(hugeInput.data(), hugeInput.size(), &parsed))
        << "a length whose sum wraps must not pass";
}

TEST(MiscWireTest, RegWriteRecordLayout)
{
    ASSERT_EQ(39u, MiscWire::RegWriteRecordSize(4, 4));
    Bytes record(39, 0xEE);
    MiscWire::WriteRegWriteRecord(record.data(), kPathA.data(), 4, kNameB.data(), 4, 0x11223344);
    EXPECT_BYTES("52656757 04000000 27000000 04000000 08000000 04000000"
                 "41000000 42000000 44332211 000000",
                 record);

    MiscWire::RegWriteRecord parsed{};
    ASSERT_TRUE(MiscWire::ReadRegWriteRecord(record.data(), record.size(), &parsed));
    EXPECT_EQ(record.data() + 24, parsed.path.bytes);
    EXPECT_EQ(4u, parsed.path.byteLength);
    EXPECT_EQ(record.data() + 28, parsed.name.bytes);
    EXPECT_EQ(4u, parsed.name.byteLength);
    EXPECT_EQ(0x11223344u, parsed.value);
}

TEST(MiscWireTest, RegWriteParserRejectsMalformedRecords)
{
    const Bytes good = FromHex("52656757 04000000 27000000 04000000 08000000 04000000"
                               "41000000 42000000 44332211 000000");
    MiscWire::RegWriteRecord parsed{};
    ASSERT_TRUE(MiscWire::ReadRegWriteRecord(good.data(), good.size(), &parsed));

    struct Case {
        const char* what;
        size_t offset;
        uint8_t value;
    } cases[] = {
        {"wrong magic", 3, 'X'},
        {"type other than REG_DWORD", 4, 1},
        {"record size disagrees", 8, 0x28},
        {"odd path length", 12, 3},
        {"data offset before the path end", 16, 2},
        {"data length other than 4", 20, 8},
        {"path without terminator", 26, 0x41},
        {"name without terminator", 30, 0x42},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        bad[c.offset] = c.value;
        EXPECT_FALSE(MiscWire::ReadRegWriteRecord(bad.data(), bad.size(), &parsed)) << c.what;
    }
    EXPECT_FALSE(MiscWire::ReadRegWriteRecord(good.data(), good.size() - 1, &parsed))
        << "record longer than the bytes received";

    Bytes hugePath = good;
    hugePath[12] = 0xFE;
    hugePath[13] = hugePath[14] = hugePath[15] = 0xFF;
    EXPECT_FALSE(MiscWire::ReadRegWriteRecord(hugePath.data(), hugePath.size(), &parsed));
}

TEST(MiscWireTest, RegQueryRecordLayout)
{
    ASSERT_EQ(27u, MiscWire::RegQueryRecordSize(4, 4));
    Bytes record(27, 0xEE);
    MiscWire::WriteRegQueryRecord(record.data(), kPathA.data(), 4, kNameB.data(), 4, 4 + 15);
    EXPECT_BYTES("52675149 1b000000 13000000 04000000 41000000 42000000 000000", record);

    MiscWire::RegQueryRecord parsed{};
    ASSERT_TRUE(MiscWire::ReadRegQueryRecord(record.data(), record.size(), &parsed));
    EXPECT_EQ(19u, parsed.answerCapacity);
    EXPECT_EQ(4u, parsed.path.byteLength);
    EXPECT_EQ(4u, parsed.name.byteLength);
    EXPECT_EQ(record.data() + 20, parsed.name.bytes);
}

TEST(MiscWireTest, RegQueryParserRejectsMalformedRecords)
{
    const Bytes good = FromHex("52675149 1b000000 13000000 04000000 41000000 42000000 000000");
    MiscWire::RegQueryRecord parsed{};
    Bytes shortPath = good;
    shortPath[12] = 0x18; // path claims to run past the record
    EXPECT_FALSE(MiscWire::ReadRegQueryRecord(shortPath.data(), shortPath.size(), &parsed));
    Bytes bigSize = good;
    bigSize[4] = 0x1c;
    EXPECT_FALSE(MiscWire::ReadRegQueryRecord(bigSize.data(), bigSize.size(), &parsed));
    Bytes noTerminator = good;
    noTerminator[22] = 0x43;
    EXPECT_FALSE(MiscWire::ReadRegQueryRecord(noTerminator.data(), noTerminator.size(), &parsed));
    Bytes magic = good;
    magic[0] = 'r';
    EXPECT_FALSE(MiscWire::ReadRegQueryRecord(magic.data(), magic.size(), &parsed));
}

TEST(MiscWireTest, RegQueryAnswerLayoutAndLimits)
{
    Bytes answer(16, 0xEE);
    MiscWire::WriteRegQueryAnswerHeader(answer.data(), 10, 1);
    EXPECT_BYTES("0a000000 5267514f 01000000 eeeeeeee", answer);

    MiscWire::RegQueryAnswer parsed{};
    ASSERT_TRUE(MiscWire::ReadRegQueryAnswer(answer.data(), answer.size(), &parsed));
    EXPECT_EQ(10u, parsed.dataLength);
    EXPECT_EQ(1u, parsed.type);
    EXPECT_EQ(4u, parsed.dataAvailable) << "only the bytes present may be read";

    ASSERT_TRUE(MiscWire::ReadRegQueryAnswer(answer.data(), 12, &parsed)) << "header alone";
    EXPECT_EQ(0u, parsed.dataAvailable);
    EXPECT_FALSE(MiscWire::ReadRegQueryAnswer(answer.data(), 11, &parsed));
    answer[7] = 'o';
    EXPECT_FALSE(MiscWire::ReadRegQueryAnswer(answer.data(), answer.size(), &parsed));
}

TEST(MiscWireTest, FeatureQueryPacket)
{
    Bytes packet(23, 0xEE);
    MiscWire::WriteFeatureQuery(packet.data());
    EXPECT_BYTES("11011600 16000000 0a800000 00000000 00000000 0000 ee", packet);

    const uint16_t words[4] = {0x0001, 0x8001, 0x1234, 0xFFFF};
    MiscWire::WriteFeatureWords(packet.data(), words);
    EXPECT_BYTES("11011600 16000000 0a800000 01000180 3412ffff 0000 ee", packet);
    uint16_t read[4] = {};
    MiscWire::ReadFeatureWords(packet.data(), read);
    EXPECT_EQ(0x8001, read[1]);

    MiscWire::MiscPacketHeader header{};
    ASSERT_TRUE(MiscWire::ReadMiscPacketHeader(packet.data(), 8, &header));
    EXPECT_EQ(0x11, header.function);
    EXPECT_EQ(1, header.subFunction);
    EXPECT_EQ(22, header.requestLength);
    EXPECT_EQ(22, header.answerLength);
    EXPECT_FALSE(MiscWire::ReadMiscPacketHeader(packet.data(), 7, &header));
}
