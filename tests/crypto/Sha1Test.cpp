#include <string.h>

#include <gtest/gtest.h>

#include "HmacSha1.h"
#include "Sha1.h"
#include "tests/support/HexBytes.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> Repeat(uint8_t value, size_t count)
{
    return std::vector<uint8_t>(count, value);
}

std::string Digest(const std::vector<uint8_t>& message, size_t split, bool byteByByte)
{
    Sha1Context context;
    Sha1Initialize(&context);
    if (byteByByte) {
        for (uint8_t byte : message)
            Sha1Update(&context, &byte, 1);
    } else {
        Sha1Update(&context, message.data(), split);
        Sha1Update(&context, message.data() + split, message.size() - split);
    }
    Sha1Finalize(&context);
    uint8_t digest[kSha1DigestSize];
    Sha1GetDigest(&context, digest);
    return ToHex(digest, sizeof(digest));
}

struct Sha1Vector {
    const char* Name;
    std::string Message;
    const char* Digest;
};

class Sha1VectorTest : public ::testing::TestWithParam<Sha1Vector> {};

TEST_P(Sha1VectorTest, WholeSplitAndByteByByteAgree)
{
    const Sha1Vector& v = GetParam();
    const std::vector<uint8_t> message = Bytes(v.Message);
    EXPECT_EQ(Digest(message, message.size(), false), v.Digest) << "whole";
    EXPECT_EQ(Digest(message, 0, true), v.Digest) << "byte by byte";
    for (size_t split = 0; split <= message.size(); ++split)
        EXPECT_EQ(Digest(message, split, false), v.Digest) << "split at " << split;
}

std::string Times(const std::string& text, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += text;
    return out;
}

// FIPS 180-1 / RFC 3174, plus lengths at the padding boundary: 55 bytes
// leave just room for the end marker and the length in the last block, 56
// need one more block, and 119 is 55 a block further on. The 55- and
// 119-byte messages are "01234" times 11 and "0123456" times 17; their
// digests come from the host's sha1sum and Python's hashlib.
INSTANTIATE_TEST_SUITE_P(
    Fips180, Sha1VectorTest,
    ::testing::Values(
        Sha1Vector{"Empty", "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        Sha1Vector{"Abc", "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        Sha1Vector{"OneByteShortOfABlock", Times("01234", 11), "0d5cc92998612514ca0fa57cec7de2cea14d54eb"},
        Sha1Vector{"TwoBlocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                   "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        Sha1Vector{"OneByteShortOfTwoBlocks", Times("0123456", 17), "60f99cf5c96ee959ee4783bb2673718324aa6174"},
        Sha1Vector{"Repeated01234567", Times("01234567", 80), "dea356a2cddd90c7a7ecedc5ebb563934f460452"}),
    [](const ::testing::TestParamInfo<Sha1Vector>& info) { return std::string(info.param.Name); });

TEST(Sha1Test, MillionAs)
{
    const std::vector<uint8_t> chunk(1000, 'a');
    Sha1Context context;
    Sha1Initialize(&context);
    for (int i = 0; i < 1000; ++i)
        Sha1Update(&context, chunk.data(), chunk.size());
    Sha1Finalize(&context);
    uint8_t digest[kSha1DigestSize];
    Sha1GetDigest(&context, digest);
    EXPECT_EQ(ToHex(digest, sizeof(digest)), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Sha1Test, FinalizeWipesTheWorkingState)
{
    Sha1Context context;
    Sha1Initialize(&context);
    Sha1Update(&context, "secret key material", 19);
    Sha1Finalize(&context);
    EXPECT_EQ(context.CountLow, 0u);
    EXPECT_EQ(context.CountHigh, 0u);
    EXPECT_EQ(ToHex(context.Buffer, sizeof(context.Buffer)), std::string(128, '0'));
    EXPECT_EQ(Sha1Initialize(nullptr), nullptr);
}

struct HmacVector {
    const char* Name;
    std::vector<uint8_t> Key;
    std::vector<uint8_t> Data;
    const char* Mac;
};

class HmacSha1Test : public ::testing::TestWithParam<HmacVector> {};

TEST_P(HmacSha1Test, MatchesRfc2202)
{
    const HmacVector& v = GetParam();
    Sha1Context scratch;
    uint8_t mac[kSha1DigestSize];
    HmacSha1(&scratch, v.Key.data(), v.Key.size(), v.Data.data(), v.Data.size(), mac);
    EXPECT_EQ(ToHex(mac, sizeof(mac)), v.Mac);

    // The scratch context is handed back ready for the next use.
    Sha1Context fresh;
    Sha1Initialize(&fresh);
    EXPECT_EQ(ToHex(reinterpret_cast<uint8_t*>(scratch.State), sizeof(scratch.State)),
              ToHex(reinterpret_cast<uint8_t*>(fresh.State), sizeof(fresh.State)));
    EXPECT_EQ(scratch.CountLow, 0u);
}

std::vector<uint8_t> Sequence(uint8_t first, uint8_t last)
{
    std::vector<uint8_t> bytes;
    for (int b = first; b <= last; ++b)
        bytes.push_back(static_cast<uint8_t>(b));
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Rfc2202, HmacSha1Test,
    ::testing::Values(
        HmacVector{"Case1", Repeat(0x0b, 20), Bytes("Hi There"), "b617318655057264e28bc0b6fb378c8ef146be00"},
        HmacVector{"Case2", Bytes("Jefe"), Bytes("what do ya want for nothing?"),
                   "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        HmacVector{"Case3", Repeat(0xaa, 20), Repeat(0xdd, 50), "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
        HmacVector{"Case4", Sequence(0x01, 0x19), Repeat(0xcd, 50), "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
        HmacVector{"Case5", Repeat(0x0c, 20), Bytes("Test With Truncation"),
                   "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
        HmacVector{"Case6", Repeat(0xaa, 80), Bytes("Test Using Larger Than Block-Size Key - Hash Key First"),
                   "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        HmacVector{"Case7", Repeat(0xaa, 80),
                   Bytes("Test Using Larger Than Block-Size Key and Larger Than One Block-Size "
                         "Data"),
                   "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"}),
    [](const ::testing::TestParamInfo<HmacVector>& info) { return std::string(info.param.Name); });

TEST(HmacSha1NullTest, NullArgumentLeavesOutputUntouched)
{
    Sha1Context scratch;
    const uint8_t key[4] = {1, 2, 3, 4};
    const uint8_t data[4] = {5, 6, 7, 8};
    uint8_t mac[kSha1DigestSize];
    memset(mac, 0x5a, sizeof(mac));
    const std::string untouched = ToHex(mac, sizeof(mac));
    HmacSha1(nullptr, key, 4, data, 4, mac);
    HmacSha1(&scratch, nullptr, 4, data, 4, mac);
    HmacSha1(&scratch, key, 4, nullptr, 4, mac);
    HmacSha1(&scratch, key, 4, data, 4, nullptr);
    EXPECT_EQ(ToHex(mac, sizeof(mac)), untouched);
}

} // namespace
