#include <stdint.h>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PowMod.h"
#include "tests/support/HexBytes.h"

namespace {

using Words = std::vector<uint32_t>; // least significant word first

// The handshake's shapes: a 1024-bit modulus in a 33-word field (top word
// zero), a 4-word exponent, bases of 1 or 33 words.
constexpr uint32_t kModulusWords = 33;
constexpr uint32_t kSentinel = 0xA5A5A5A5u;

Words FromBigEndianHex(const std::string& hex, size_t words)
{
    const std::vector<uint8_t> bytes = FromHex(hex.size() % 2 != 0 ? "0" + hex : hex);
    Words out(words, 0);
    for (size_t i = 0; i < bytes.size(); ++i)
        out.at(i / 4) |= static_cast<uint32_t>(bytes[bytes.size() - 1 - i]) << (8 * (i % 4));
    return out;
}

std::string Dump(const Words& words)
{
    std::vector<uint8_t> bytes;
    for (size_t i = words.size(); i-- > 0;)
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<uint8_t>(words[i] >> shift));
    return ToHex(bytes);
}

// --- A slow, plain reference: vectors of words, left-to-right square and
// multiply, reduction by subtracting shifted copies of the modulus.

void Trim(Words& a)
{
    while (a.size() > 1 && a.back() == 0)
        a.pop_back();
    if (a.empty())
        a.push_back(0);
}

Words RefMultiply(const Words& a, const Words& b)
{
    Words out(a.size() + b.size(), 0);
    for (size_t i = 0; i < a.size(); ++i) {
        uint64_t carry = 0;
        for (size_t j = 0; j < b.size(); ++j) {
            carry += static_cast<uint64_t>(a[i]) * b[j] + out[i + j];
            out[i + j] = static_cast<uint32_t>(carry);
            carry >>= 32;
        }
        out[i + b.size()] += static_cast<uint32_t>(carry);
    }
    Trim(out);
    return out;
}

size_t RefBits(const Words& a)
{
    for (size_t i = a.size() * 32; i-- > 0;)
        if ((a[i / 32] >> (i % 32)) & 1)
            return i + 1;
    return 0;
}

Words RefShiftLeft(const Words& a, size_t bits)
{
    const size_t wordShift = bits / 32;
    const unsigned bitShift = bits % 32;
    Words out(a.size() + wordShift + 1, 0);
    for (size_t i = 0; i < a.size(); ++i) {
        out[i + wordShift] |= a[i] << bitShift;
        if (bitShift != 0)
            out[i + wordShift + 1] |= a[i] >> (32 - bitShift);
    }
    Trim(out);
    return out;
}

// Both trimmed.
bool RefLess(const Words& a, const Words& b)
{
    if (a.size() != b.size())
        return a.size() < b.size();
    for (size_t i = a.size(); i-- > 0;)
        if (a[i] != b[i])
            return a[i] < b[i];
    return false;
}

void RefSubtract(Words& a, const Words& b)
{
    int64_t borrow = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        int64_t diff = static_cast<int64_t>(a[i]) - (i < b.size() ? b[i] : 0) - borrow;
        borrow = diff < 0;
        a[i] = static_cast<uint32_t>(diff + (borrow << 32));
    }
    Trim(a);
}

Words RefMod(Words a, const Words& m)
{
    Trim(a);
    const size_t mBits = RefBits(m);
    const size_t aBits = RefBits(a);
    for (size_t shift = aBits > mBits ? aBits - mBits : 0; shift != static_cast<size_t>(-1); --shift) {
        const Words shifted = RefShiftLeft(m, shift);
        if (!RefLess(a, shifted))
            RefSubtract(a, shifted);
    }
    return a;
}

Words RefPowMod(const Words& base, const Words& exponent, const Words& modulus)
{
    Words result{1};
    const Words b = RefMod(base, modulus);
    for (size_t i = RefBits(exponent); i-- > 0;) {
        result = RefMod(RefMultiply(result, result), modulus);
        if ((exponent[i / 32] >> (i % 32)) & 1)
            result = RefMod(RefMultiply(result, b), modulus);
    }
    return result;
}

// --- Helpers over the function under test.

// Runs powmod into a sentinel-filled 33-word buffer and returns the buffer.
Words PowModInto(const Words& base, const Words& exponent, const Words& modulus)
{
    Words result(kModulusWords, kSentinel);
    EXPECT_TRUE(powmod(result.data(), kModulusWords, base.data(), static_cast<uint32_t>(base.size()), exponent.data(),
                       static_cast<uint32_t>(exponent.size()), modulus.data(), static_cast<uint32_t>(modulus.size())));
    return result;
}

// The value's words, then sentinels: words past the value are not written.
Words Expected(Words value)
{
    Trim(value);
    value.resize(kModulusWords, kSentinel);
    return value;
}

Words RandomWords(std::mt19937& rng, size_t count)
{
    Words words(count);
    for (uint32_t& w : words)
        w = static_cast<uint32_t>(rng());
    return words;
}

Words RandomModulus(std::mt19937& rng)
{
    Words m = RandomWords(rng, kModulusWords);
    m[32] = 0;
    m[31] |= 0x80000000u;
    m[0] |= 1;
    return m;
}

const char* const kModulus = "9ff135342e825ce1158d003d9a0b2361aed09b824ca87fc2bfb637dd5bae2d26"
                             "683447c10cc8af11dd4eabbd1fcfb9809823beb1e6ba3ad74de45321ad915a36"
                             "b37523a53b4a3ee20463513755ac0ecd5e6a0a2edd70e34dc1d77cffb7decc0c"
                             "5d96cf7f265beda9cf0c26ef4243ed52566bf9d7c55a45f8d1a6e55e9b9b1325";
const char* const kExponent = "53a2f2b633f5f28807f0cbd4";
const char* const kBase = "30440aaf476354b65ed08d6b422acab59248b974bf416c30f1f0742a0e46c215"
                          "b5fa5b0cdb18bd763f20134cfdfb462fd6fad8dbf82d5644ef7d9967699f071a"
                          "5fd8e665a9dfdec6baecde5baf5d8bb09f2e9ea4765890e0f94855d0d1784030"
                          "35c9a8c4668dc8f46a423cf9d330a5494d14cf1a4cc346363c23403800d9f4ad";
const char* const kTwoToExponent = "1dff7cf9bc9e30a584e0d0032c9a0c50292f8351c3e8d03739b750f6067fc222"
                                   "274f253fe57a6487b29db725be55c9b9de479d0ee65cf60ac29f49d61854911c"
                                   "c5ca8300e5a696e45eb29459f019ea8a03a60d18b21d5a995a96ab73e2481338"
                                   "6fe7cd12895e005fdc61b17e506813f376be43ba9341a06b94bfb15069e61edd";
const char* const kBaseToExponent = "11ab3092609ca779b4075b42882c52bf7c905420e107476451c826f3ca1e9361"
                                    "c044709eb79841ad4929d1b9a062e88541272dd057a9c0a2ec87380a00acd0b9"
                                    "76ec218e0d8b00d8b6596698d8aaf528c5f8a2dcf4533f322cd3433d67386d31"
                                    "be3df4ff74124870bb61ba91e1ba2f77184f25de3991cba4a3afc2698749a980";
const char* const kLongExponent = "f4bf777e1030fe1ca1ab21554c6c4b370faf36fb78eda4fea394aba6a42ed19a"
                                  "a5bf36518677db75c80f9be67fd4c1e84d0c3f0b2e73ae0eee45145f585675fd"
                                  "17737815438a5b507bda21c604af42ada0aea0eaa72870bdd63d2a5d17644600"
                                  "e0bc896afbec9a66dbb8cb8ef65ed7826ad41ef88c279d937c990fad57dcafd3"
                                  "a7cfb36";
const char* const kBaseToLongExponent = "7c4bc40615ee18a0bcd1ae05a546fe7dcdafa81eb18b446d796566edcc2ffa73"
                                        "3b92826dde041f40d3a8f3b42bf172d23039b84a268beaa38f41df0a6c1ba614"
                                        "e0071dafa16ea85e3675cd0b918eda0088838e8d0f6f72d6512890698d4fa3c2"
                                        "aadce8f3f95d745c8269e4ffe861006c3980119aaa1fd3ad26baa4a52573dc84";

TEST(PowModTest, SmallKnownAnswers)
{
    const uint32_t two = 2, ten = 10, thousand = 1000, zero = 0, five = 5, thirteen = 13;
    uint32_t result[3] = {kSentinel, kSentinel, kSentinel};
    ASSERT_TRUE(powmod(result, 3, &two, 1, &ten, 1, &thousand, 1));
    EXPECT_EQ(result[0], 24u);
    EXPECT_EQ(result[1], kSentinel) << "word beyond the result's length was written";

    ASSERT_TRUE(powmod(result, 3, &five, 1, &zero, 1, &thirteen, 1));
    EXPECT_EQ(result[0], 1u) << "zero exponent";
    ASSERT_TRUE(powmod(result, 3, &zero, 1, &ten, 1, &thirteen, 1));
    EXPECT_EQ(result[0], 0u) << "zero base";
    ASSERT_TRUE(pow2mod(result, 3, &ten, 1, &thousand, 1));
    EXPECT_EQ(result[0], 24u) << "pow2mod";
    EXPECT_EQ(result[1], kSentinel);
}

TEST(PowModTest, ZeroExponentGivesOneWhateverTheLengths)
{
    std::mt19937 rng(7);
    const Words base = RandomWords(rng, kModulusWords);
    const Words modulus = RandomModulus(rng);
    const Words exponent(4, 0);
    EXPECT_EQ(Dump(PowModInto(base, exponent, modulus)), Dump(Expected(Words{1})));
}

TEST(PowModTest, RefusesResultLargerThanCapacity)
{
    const uint32_t base = 0x10000, two = 2;
    const uint32_t modulus[2] = {0, 2}; // 2^33
    uint32_t result[2] = {kSentinel, kSentinel};
    // 0x10000^2 = 2^32 needs two words.
    EXPECT_FALSE(powmod(result, 1, &base, 1, &two, 1, modulus, 2));
    EXPECT_TRUE(powmod(result, 2, &base, 1, &two, 1, modulus, 2));
    EXPECT_EQ(result[0], 0u);
    EXPECT_EQ(result[1], 1u);

    const uint32_t ten = 10, thousand = 1000;
    EXPECT_FALSE(powmod(result, 0, &two, 1, &ten, 1, &thousand, 1));
}

TEST(PowModTest, RefusesBadArguments)
{
    const uint32_t two = 2, ten = 10, zero = 0;
    uint32_t result[1];
    EXPECT_FALSE(powmod(nullptr, 1, &two, 1, &ten, 1, &ten, 1));
    EXPECT_FALSE(powmod(result, 1, nullptr, 1, &ten, 1, &ten, 1));
    EXPECT_FALSE(powmod(result, 1, &two, 1, nullptr, 1, &ten, 1));
    EXPECT_FALSE(powmod(result, 1, &two, 1, &ten, 1, nullptr, 1));
    EXPECT_FALSE(powmod(result, 1, &two, 1, &ten, 1, &zero, 1)) << "zero modulus";

    // Operands whose products would not fit the fixed capacity are refused,
    // not computed into memory beyond it.
    std::mt19937 rng(11);
    const Words wide = RandomWords(rng, 40);
    Words out(40, 0);
    EXPECT_FALSE(powmod(out.data(), 40, wide.data(), 40, &ten, 1, wide.data(), 40));
    const Words huge = RandomWords(rng, 80);
    EXPECT_FALSE(powmod(out.data(), 40, huge.data(), 80, &ten, 1, &ten, 1));
}

TEST(PowModTest, HandshakeSizedKnownAnswers)
{
    const Words p = FromBigEndianHex(kModulus, kModulusWords);
    const Words x = FromBigEndianHex(kExponent, 4);
    const Words y = FromBigEndianHex(kBase, kModulusWords);
    const Words e = FromBigEndianHex(kLongExponent, kModulusWords);

    Words yc(kModulusWords, 0);
    ASSERT_TRUE(pow2mod(yc.data(), kModulusWords, x.data(), 4, p.data(), kModulusWords));
    EXPECT_EQ(Dump(yc), Dump(FromBigEndianHex(kTwoToExponent, kModulusWords)));

    Words z(kModulusWords, 0);
    ASSERT_TRUE(powmod(z.data(), kModulusWords, y.data(), kModulusWords, x.data(), 4, p.data(), kModulusWords));
    EXPECT_EQ(Dump(z), Dump(FromBigEndianHex(kBaseToExponent, kModulusWords)));

    Words w(kModulusWords, 0);
    ASSERT_TRUE(
        powmod(w.data(), kModulusWords, y.data(), kModulusWords, e.data(), kModulusWords, p.data(), kModulusWords));
    EXPECT_EQ(Dump(w), Dump(FromBigEndianHex(kBaseToLongExponent, kModulusWords)));
}

struct RandomShape {
    const char* Name;
    size_t BaseWords; // 0: the one-word base 2
    size_t ExponentWords;
    bool ShortModulus; // a one-word modulus takes the word-by-word reduction
};

class PowModRandomTest : public ::testing::TestWithParam<RandomShape> {};

TEST_P(PowModRandomTest, MatchesSlowReference)
{
    const RandomShape& shape = GetParam();
    std::mt19937 rng(static_cast<uint32_t>(shape.BaseWords * 131 + shape.ExponentWords));
    for (int round = 0; round < 3; ++round) {
        const Words modulus =
            shape.ShortModulus ? Words{static_cast<uint32_t>(rng()) | 0x80000001u} : RandomModulus(rng);
        const Words base = shape.BaseWords == 0 ? Words{2} : RandomWords(rng, shape.BaseWords);
        Words exponent = RandomWords(rng, shape.ExponentWords);
        if (shape.ExponentWords == 4)
            exponent[3] = 0; // the handshake draws 96 bits
        EXPECT_EQ(Dump(PowModInto(base, exponent, modulus)), Dump(Expected(RefPowMod(base, exponent, modulus))))
            << "round " << round << "\nbase " << Dump(base) << "\nexponent " << Dump(exponent) << "\nmodulus "
            << Dump(modulus);
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, PowModRandomTest,
                         ::testing::Values(RandomShape{"TwoToShortExponent", 0, 4, false},
                                           RandomShape{"WideBaseShortExponent", 33, 4, false},
                                           RandomShape{"WideBaseWideExponent", 33, 33, false},
                                           RandomShape{"OneWordBaseWideExponent", 1, 33, false},
                                           RandomShape{"BaseWiderThanModulus", 60, 4, false},
                                           RandomShape{"OneWordModulus", 33, 4, true}),
                         [](const ::testing::TestParamInfo<RandomShape>& info) {
                             return std::string(info.param.Name);
                         });

} // namespace
