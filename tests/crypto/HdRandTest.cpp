#include <stdint.h>
#include <string.h>

#include <gtest/gtest.h>

#include "HdRand.h"
#include "Sha1.h"
#include "tests/support/HexBytes.h"

namespace {

std::vector<uint8_t> Sha1Of(const std::vector<uint8_t>& message)
{
    Sha1Context context;
    Sha1Initialize(&context);
    Sha1Update(&context, message.data(), message.size());
    Sha1Finalize(&context);
    std::vector<uint8_t> digest(kSha1DigestSize);
    Sha1GetDigest(&context, digest.data());
    return digest;
}

std::vector<uint8_t> CurrentPool(uint32_t* offset)
{
    std::vector<uint8_t> pool(kHdRandPoolSize);
    HdRandGetPoolForTest(pool.data(), offset);
    return pool;
}

// Reads the little-endian word at the offset, then stirs: the new pool is
// SHA-1 of pool bytes 2..17 followed by the offset as 4 little-endian bytes.
TEST(HdRandTest, NextReadsOffsetsInTurnAndStirs)
{
    std::vector<uint8_t> pool(kHdRandPoolSize);
    for (size_t i = 0; i < pool.size(); ++i)
        pool[i] = static_cast<uint8_t>(0x10 + 7 * i);
    HdRandSetPoolForTest(pool.data(), 0);

    const uint32_t expectedOffsets[] = {0, 4, 8, 12, 0, 4};
    for (uint32_t offset : expectedOffsets) {
        const uint32_t expected = pool[offset] | (pool[offset + 1] << 8) | (pool[offset + 2] << 16) |
                                  (static_cast<uint32_t>(pool[offset + 3]) << 24);
        EXPECT_EQ(hdrand_next(), expected) << "offset " << offset;

        std::vector<uint8_t> stirInput(pool.begin() + 2, pool.begin() + 18);
        const uint8_t offsetBytes[4] = {static_cast<uint8_t>(offset), 0, 0, 0};
        stirInput.insert(stirInput.end(), offsetBytes, offsetBytes + 4);
        pool = Sha1Of(stirInput);

        uint32_t nextOffset = 0;
        EXPECT_EQ(ToHex(CurrentPool(&nextOffset)), ToHex(pool)) << "after offset " << offset;
        EXPECT_EQ(nextOffset, (offset + 4) % 20);
    }
}

TEST(HdRandTest, OffsetPastTheReadableWordsStartsOver)
{
    std::vector<uint8_t> pool(kHdRandPoolSize);
    for (size_t i = 0; i < pool.size(); ++i)
        pool[i] = static_cast<uint8_t>(i + 1);
    for (uint32_t offset : {16u, 17u, 19u, 1000u}) {
        HdRandSetPoolForTest(pool.data(), offset);
        EXPECT_EQ(hdrand_next(), 0x04030201u) << "offset " << offset;
    }
    EXPECT_EQ(hdrand_test(), 1);
}

TEST(HdRandTest, SeedIsCounterThenTimeThenSystemBytes)
{
    HdRandSeed seed;
    memset(&seed, 0, sizeof(seed));
    for (int i = 0; i < 8; ++i)
        seed.Counter[i] = static_cast<uint8_t>(0xC0 + i);
    for (int i = 0; i < 16; ++i)
        seed.SystemTime[i] = static_cast<uint8_t>(0x50 + i);
    for (int i = 0; i < 32; ++i)
        seed.Extra[i] = static_cast<uint8_t>(0xE0 + i);

    std::vector<uint8_t> message(seed.Counter, seed.Counter + 8);
    message.insert(message.end(), seed.SystemTime, seed.SystemTime + 16);
    uint32_t offset = 99;

    HdRandSetPoolForTest(std::vector<uint8_t>(20, 0xFF).data(), 8);
    seed.ExtraLength = 0;
    HdRandSeedPool(&seed);
    EXPECT_EQ(ToHex(CurrentPool(&offset)), ToHex(Sha1Of(message))) << "without system bytes";
    EXPECT_EQ(offset, 0u);

    message.insert(message.end(), seed.Extra, seed.Extra + 32);
    seed.ExtraLength = 32;
    HdRandSeedPool(&seed);
    EXPECT_EQ(ToHex(CurrentPool(&offset)), ToHex(Sha1Of(message))) << "with system bytes";

    seed.ExtraLength = 1000; // never reads past the Extra field
    HdRandSeedPool(&seed);
    EXPECT_EQ(ToHex(CurrentPool(&offset)), ToHex(Sha1Of(message))) << "oversized length";
}

#ifdef _WIN32
TEST(HdRandTest, InitSeedsAFreshPoolAtOffsetZero)
{
    const std::vector<uint8_t> zeros(kHdRandPoolSize, 0);
    HdRandSetPoolForTest(zeros.data(), 8);
    ASSERT_TRUE(hdrand_init());
    uint32_t offset = 99;
    const std::vector<uint8_t> first = CurrentPool(&offset);
    EXPECT_EQ(offset, 0u);
    EXPECT_NE(ToHex(first), ToHex(zeros));

    const uint32_t word = first[0] | (first[1] << 8) | (first[2] << 16) | (static_cast<uint32_t>(first[3]) << 24);
    EXPECT_EQ(hdrand_next(), word);

    // The system generator makes two seedings differ even within one tick.
    ASSERT_TRUE(hdrand_init());
    EXPECT_NE(ToHex(CurrentPool(&offset)), ToHex(first));
}
#endif

} // namespace
