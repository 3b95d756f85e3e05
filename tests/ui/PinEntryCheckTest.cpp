#include "res/resource.h"
#include "ui/PinEntryCheck.h"

#include <gtest/gtest.h>

namespace {

struct DigitsCase {
    const wchar_t* text;
    bool digitsOnly;
};

class DigitsOnlyTest : public testing::TestWithParam<DigitsCase> {};

TEST_P(DigitsOnlyTest, AcceptsOnlyAsciiDigits)
{
    const DigitsCase& c = GetParam();
    EXPECT_EQ(c.digitsOnly, IsDigitsOnly(c.text)) << testing::PrintToString(std::wstring(c.text));
}

INSTANTIATE_TEST_SUITE_P(Texts, DigitsOnlyTest,
                         testing::Values(DigitsCase{L"", true}, DigitsCase{L"0123456789", true},
                                         DigitsCase{L"12 4", false}, DigitsCase{L"-123", false},
                                         DigitsCase{L"\xFF11\xFF12", false}, // full-width digits
                                         DigitsCase{L"\x0661\x0662", false}, // Arabic-Indic digits
                                         DigitsCase{L"12/4", false}, DigitsCase{L"12:4", false}));

TEST(PinEntryCheckTest, TheFirstFailingEntryInOrderIsReported)
{
    const PinEntryRule rules[] = {{L"12345678", 8, 8}, {L"123", 4, 8}, {L"12", 4, 8}};
    EXPECT_EQ(1u, FindFailingEntry(rules, 3));
    EXPECT_EQ(1u, FindFailingEntry(rules, 1)) << "all entries pass: the count comes back";
    EXPECT_EQ(IDS_LENGTH_EXACT, LengthMessageId(rules[0]));
    EXPECT_EQ(IDS_LENGTH_RANGE, LengthMessageId(rules[1]));

    // No minimum still means at least one digit, worded as such.
    const PinEntryRule empty[] = {{L"", 0, 1}};
    EXPECT_EQ(0u, FindFailingEntry(empty, 1));
    EXPECT_EQ(IDS_LENGTH_EXACT, LengthMessageId(empty[0]));
}

} // namespace
