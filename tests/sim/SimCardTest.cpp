#include "sim/gobiapi/SimCard.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace simmodem {

// Failures show the code, not its bytes.
void PrintTo(const SimCode& code, std::ostream* out)
{
    *out << '"' << code.c_str() << '"';
}

namespace {

struct StatusCase {
    const char* name;
    bool protection;
    bool verified;
    std::uint32_t pinLeft;
    std::uint32_t pukLeft;
    std::uint32_t status;
};

class SimCardStatusTest : public testing::TestWithParam<StatusCase> {};

TEST_P(SimCardStatusTest, DerivesStatusFromFlagsAndCounters)
{
    const StatusCase& c = GetParam();
    SimCard card;
    card.protection = c.protection;
    card.verified = c.verified;
    card.pinLeft = c.pinLeft;
    card.pukLeft = c.pukLeft;
    std::uint32_t status = 99;
    EXPECT_EQ(kOk, QueryPinStatus(card, status)) << c.name;
    EXPECT_EQ(c.status, status) << c.name;
}

// Blocks outrank protection and verification: a card that is blocked with
// protection off must still report the block.
INSTANTIATE_TEST_SUITE_P(Table, SimCardStatusTest,
                         testing::Values(StatusCase{"fresh", true, false, 3, 10, 1},
                                         StatusCase{"verified", true, true, 3, 10, 2},
                                         StatusCase{"unprotected", false, false, 3, 10, 3},
                                         StatusCase{"unprotected and verified", false, true, 3, 10, 3},
                                         StatusCase{"pin blocked", true, true, 0, 10, 4},
                                         StatusCase{"pin blocked, unprotected", false, false, 0, 10, 4},
                                         StatusCase{"puk blocked", true, false, 0, 0, 5},
                                         StatusCase{"puk blocked, pin left", false, true, 3, 0, 5}),
                         [](const testing::TestParamInfo<StatusCase>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c)))
                                     name += *c;
                             return name;
                         });

TEST(SimCardTest, OverrideReplacesOnlyTheReportedStatus)
{
    SimCard card;
    card.hasStatusOverride = true;
    card.statusOverride = 7;
    std::uint32_t status = 0;
    EXPECT_EQ(kOk, QueryPinStatus(card, status));
    EXPECT_EQ(7u, status);
    EXPECT_EQ(1u, DerivedPinStatus(card));
    EXPECT_EQ(kOk, VerifyPin(card, "1234")) << "the override must not change the PIN logic";
}

TEST(SimCardTest, WrongPinsCountDownAndTheLastOneBlocks)
{
    SimCard card;
    card.verified = true;
    EXPECT_EQ(kWrongCode, VerifyPin(card, "0000"));
    EXPECT_EQ(2u, card.pinLeft);
    EXPECT_TRUE(card.verified) << "a wrong try alone does not undo an earlier verification";
    EXPECT_EQ(kWrongCode, VerifyPin(card, "0000"));
    EXPECT_EQ(kPinBlocked, VerifyPin(card, "0000"));
    EXPECT_EQ(0u, card.pinLeft);
    EXPECT_FALSE(card.verified);
    EXPECT_EQ(kStatusBlocked, DerivedPinStatus(card));
    EXPECT_EQ(kPinBlocked, VerifyPin(card, "1234")) << "the right PIN no longer helps";
    EXPECT_EQ(0u, card.pinLeft) << "no underflow past zero";
}

TEST(SimCardTest, RightPinRefillsAttemptsAndVerifies)
{
    SimCard card;
    card.pinMax = 5;
    card.pinLeft = 1;
    EXPECT_EQ(kOk, VerifyPin(card, "1234"));
    EXPECT_EQ(5u, card.pinLeft);
    EXPECT_TRUE(card.verified);
    EXPECT_EQ(kStatusEnabledVerified, DerivedPinStatus(card));
}

// The three operations that present PIN1 count and block alike.
enum class PinOp { Verify, Change, Protect };

class SimCardPinOpTest : public testing::TestWithParam<PinOp> {
protected:
    std::uint32_t Run(SimCard& card, const char* pin)
    {
        switch (GetParam()) {
        case PinOp::Verify:
            return VerifyPin(card, pin);
        case PinOp::Change:
            return ChangePin(card, pin, "9876");
        case PinOp::Protect:
            return SetPinProtection(card, 0, pin);
        }
        return 0xFFFFFFFF;
    }
};

TEST_P(SimCardPinOpTest, WrongPinLeavesTheCardAsItWas)
{
    SimCard card;
    card.pinLeft = 2;
    EXPECT_EQ(kWrongCode, Run(card, "4321"));
    EXPECT_EQ(1u, card.pinLeft);
    EXPECT_EQ("1234", card.pin);
    EXPECT_TRUE(card.protection);
    EXPECT_EQ(kPinBlocked, Run(card, "4321"));
    EXPECT_EQ(0u, card.pinLeft);
}

TEST_P(SimCardPinOpTest, BlockedCardRefusesEvenTheRightPin)
{
    for (std::uint32_t pukLeft : {10u, 0u}) {
        SimCard card;
        card.pinLeft = pukLeft ? 0 : 3;
        card.pukLeft = pukLeft;
        EXPECT_EQ(kPinBlocked, Run(card, "1234")) << "pukLeft " << pukLeft;
        EXPECT_FALSE(card.verified) << "pukLeft " << pukLeft;
        EXPECT_EQ("1234", card.pin) << "pukLeft " << pukLeft;
    }
}

TEST_P(SimCardPinOpTest, AbsentCardAnswersNoCardAndKeepsCounters)
{
    SimCard card;
    card.present = false;
    EXPECT_EQ(kNoCard, Run(card, "0000"));
    EXPECT_EQ(3u, card.pinLeft);
}

INSTANTIATE_TEST_SUITE_P(Ops, SimCardPinOpTest, testing::Values(PinOp::Verify, PinOp::Change, PinOp::Protect));

TEST(SimCardTest, ChangeAndProtectionApplyOnlyWithTheRightPin)
{
    SimCard card;
    EXPECT_EQ(kOk, ChangePin(card, "1234", "5555"));
    EXPECT_EQ("5555", card.pin);
    EXPECT_TRUE(card.verified);
    EXPECT_EQ(kWrongCode, SetPinProtection(card, 0, "1234")) << "the old PIN is gone";
    EXPECT_EQ(kOk, SetPinProtection(card, 0, "5555"));
    EXPECT_FALSE(card.protection);
    EXPECT_EQ(kStatusDisabled, DerivedPinStatus(card));
    EXPECT_EQ(kOk, SetPinProtection(card, 7, "5555")) << "any non-zero enable switches on";
    EXPECT_TRUE(card.protection);
}

TEST(SimCardTest, RightPukUnblocksWithTheNewPin)
{
    SimCard card;
    card.pinLeft = 0;
    card.pukLeft = 4;
    EXPECT_EQ(kOk, UnblockPin(card, "12345678", "2468"));
    EXPECT_EQ("2468", card.pin);
    EXPECT_EQ(3u, card.pinLeft);
    EXPECT_EQ(10u, card.pukLeft);
    EXPECT_TRUE(card.verified);
    EXPECT_EQ(kStatusEnabledVerified, DerivedPinStatus(card));
}

TEST(SimCardTest, WrongPuksEndInPermanentBlock)
{
    SimCard card;
    card.pinLeft = 0;
    card.pukLeft = 2;
    EXPECT_EQ(kWrongCode, UnblockPin(card, "00000000", "2468"));
    EXPECT_EQ(1u, card.pukLeft);
    EXPECT_EQ("1234", card.pin);
    EXPECT_EQ(kPukBlocked, UnblockPin(card, "00000000", "2468"));
    EXPECT_EQ(0u, card.pukLeft);
    EXPECT_EQ(kStatusPermanentlyBlocked, DerivedPinStatus(card));
    EXPECT_EQ(kPukBlocked, UnblockPin(card, "12345678", "2468")) << "the right PUK no longer helps";
    EXPECT_EQ("1234", card.pin);
}

TEST(SimCardTest, AbsentCardRefusesStatusAndUnblock)
{
    SimCard card;
    card.present = false;
    std::uint32_t status = 42;
    EXPECT_EQ(kNoCard, QueryPinStatus(card, status));
    EXPECT_EQ(42u, status);
    EXPECT_EQ(kNoCard, UnblockPin(card, "12345678", "1111"));
    EXPECT_EQ("1234", card.pin);
}

} // namespace
} // namespace simmodem
