#include <string.h>

#include <utility>

#include <gtest/gtest.h>

#include "Blowfish.h"
#include "ByteOrder.h"
#include "tests/support/HexBytes.h"

namespace {

// Published vectors name blocks as 8 bytes; the cipher takes them as two
// big-endian words.
std::string EncipherHex(const BlowfishContext& context, const std::string& blockHex, bool decipher = false)
{
    std::vector<uint8_t> block = FromHex(blockHex);
    uint32_t left = Crypto::LoadBe32(block.data());
    uint32_t right = Crypto::LoadBe32(block.data() + 4);
    const bool ok = decipher ? BlowfishDecipher(&context, &left, &right) : BlowfishEncipher(&context, &left, &right);
    EXPECT_TRUE(ok);
    Crypto::StoreBe32(block.data(), left);
    Crypto::StoreBe32(block.data() + 4, right);
    return ToHex(block);
}

std::string ContextHex(const BlowfishContext& context)
{
    return ToHex(reinterpret_cast<const uint8_t*>(&context), sizeof(context));
}

// The textbook key schedule, written out plainly, with the byte extension as
// a switch: zero-extended it is the published cipher, sign-extended it is the
// variant both ends of the channel use.
void ReferenceSchedule(BlowfishContext* context, const std::vector<uint8_t>& key, bool signExtend)
{
    memcpy(context->P, kBlowfishInitialP, sizeof(context->P));
    memcpy(context->S, kBlowfishInitialS, sizeof(context->S));
    size_t j = 0;
    for (int i = 0; i < 18; ++i) {
        uint32_t data = 0;
        for (int k = 0; k < 4; ++k) {
            uint32_t byte = key[j];
            if (signExtend && byte >= 0x80)
                byte |= 0xFFFFFF00u;
            data = (data << 8) | byte;
            j = (j + 1) % key.size();
        }
        context->P[i] ^= data;
    }
    uint32_t l = 0, r = 0;
    auto encipher = [&]() {
        for (int i = 0; i < 16; ++i) {
            l ^= context->P[i];
            const uint32_t f =
                ((context->S[0][l >> 24] + context->S[1][(l >> 16) & 255]) ^ context->S[2][(l >> 8) & 255]) +
                context->S[3][l & 255];
            r ^= f;
            std::swap(l, r);
        }
        std::swap(l, r);
        r ^= context->P[16];
        l ^= context->P[17];
    };
    for (int i = 0; i < 18; i += 2) {
        encipher();
        context->P[i] = l;
        context->P[i + 1] = r;
    }
    for (int box = 0; box < 4; ++box) {
        for (int i = 0; i < 256; i += 2) {
            encipher();
            context->S[box][i] = l;
            context->S[box][i + 1] = r;
        }
    }
}

struct BlowfishVector {
    const char* Key;
    const char* Plain;
    const char* Cipher;
};

class BlowfishVectorTest : public ::testing::TestWithParam<BlowfishVector> {};

TEST_P(BlowfishVectorTest, EnciphersAndDeciphers)
{
    const BlowfishVector& v = GetParam();
    const std::vector<uint8_t> key = FromHex(v.Key);
    BlowfishContext context;
    ASSERT_TRUE(BlowfishInitialize(&context, key.data(), key.size()));
    EXPECT_EQ(EncipherHex(context, v.Plain), ToHex(FromHex(v.Cipher))) << "key " << v.Key;
    EXPECT_EQ(EncipherHex(context, v.Cipher, true), ToHex(FromHex(v.Plain))) << "key " << v.Key;
}

// Eric Young's ECB set, only the keys whose bytes are all below 0x80: for
// those the sign-extended schedule equals the published one.
INSTANTIATE_TEST_SUITE_P(EricYoung, BlowfishVectorTest,
                         ::testing::Values(BlowfishVector{"0000000000000000", "0000000000000000", "4EF997456198DD78"},
                                           BlowfishVector{"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
                                           BlowfishVector{"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
                                           BlowfishVector{"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
                                           BlowfishVector{"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
                                           BlowfishVector{"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
                                           BlowfishVector{"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"}));

TEST(BlowfishTest, HighKeyBytesAreSignExtended)
{
    const std::vector<uint8_t> key = FromHex("0123456789ABCDEF");
    const std::string plain = "1111111111111111";
    const std::string published = "61f9c3802281b096";

    BlowfishContext textbook;
    ReferenceSchedule(&textbook, key, false);
    ASSERT_EQ(EncipherHex(textbook, plain), published) << "reference schedule is off";

    BlowfishContext expected;
    ReferenceSchedule(&expected, key, true);
    BlowfishContext actual;
    ASSERT_TRUE(BlowfishInitialize(&actual, key.data(), key.size()));
    EXPECT_EQ(ContextHex(actual), ContextHex(expected));
    EXPECT_NE(EncipherHex(actual, plain), published);
    EXPECT_EQ(EncipherHex(actual, plain), EncipherHex(expected, plain));
}

TEST(BlowfishTest, KeyIsCutToSixteenBytes)
{
    const std::vector<uint8_t> key = FromHex("00112233445566778899aabbccddeeff0f1e2d3c");
    BlowfishContext full;
    BlowfishContext cut;
    ASSERT_TRUE(BlowfishInitialize(&full, key.data(), 20));
    ASSERT_TRUE(BlowfishInitialize(&cut, key.data(), 16));
    EXPECT_EQ(ContextHex(full), ContextHex(cut));

    // And the cut is at sixteen, not shorter.
    BlowfishContext shorter;
    ASSERT_TRUE(BlowfishInitialize(&shorter, key.data(), 15));
    EXPECT_NE(ContextHex(full), ContextHex(shorter));
}

TEST(BlowfishTest, EmptyKeySchedulesAsOneZeroByte)
{
    const uint8_t zero = 0;
    BlowfishContext empty;
    BlowfishContext absent;
    BlowfishContext oneZero;
    ASSERT_TRUE(BlowfishInitialize(&empty, &zero, 0));
    ASSERT_TRUE(BlowfishInitialize(&absent, nullptr, 8));
    ASSERT_TRUE(BlowfishInitialize(&oneZero, &zero, 1));
    EXPECT_EQ(ContextHex(empty), ContextHex(oneZero));
    EXPECT_EQ(ContextHex(absent), ContextHex(oneZero));
}

TEST(BlowfishTest, NullPointersAreRefused)
{
    BlowfishContext context;
    const uint8_t key[4] = {1, 2, 3, 4};
    ASSERT_TRUE(BlowfishInitialize(&context, key, sizeof(key)));
    uint32_t left = 1, right = 2;
    EXPECT_FALSE(BlowfishInitialize(nullptr, key, sizeof(key)));
    EXPECT_FALSE(BlowfishEncipher(nullptr, &left, &right));
    EXPECT_FALSE(BlowfishEncipher(&context, nullptr, &right));
    EXPECT_FALSE(BlowfishDecipher(&context, &left, nullptr));
    EXPECT_EQ(left, 1u);
    EXPECT_EQ(right, 2u);
}

} // namespace
