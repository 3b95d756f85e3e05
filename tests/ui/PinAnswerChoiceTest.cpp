// The one decision on the card's answer to a PIN1 request, as the tray's
// verify flow and the settings dialog both take it.
#include "ui/PinAnswerChoice.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct PinAnswerCase {
    int result;
    unsigned messageId;
    PinAnswerNext next;
    bool greyVerifyItem;
    int pinStatusAfter;
    bool protectionOnAfter;
};

void PrintTo(const PinAnswerCase& c, std::ostream* os)
{
    *os << "result " << c.result;
}

class PinAnswerChoiceTest : public ::testing::TestWithParam<PinAnswerCase> {};

TEST_P(PinAnswerChoiceTest, Row)
{
    const PinAnswerCase& c = GetParam();
    const PinAnswerChoice choice = ChoosePinAnswer(c.result);
    EXPECT_EQ(c.messageId, choice.messageId);
    EXPECT_EQ(static_cast<int>(c.next), static_cast<int>(choice.next));
    EXPECT_EQ(c.greyVerifyItem, choice.greyVerifyItem);
    EXPECT_EQ(c.pinStatusAfter, choice.pinStatusAfter);
    EXPECT_EQ(c.protectionOnAfter, choice.protectionOnAfter);
}

// Verified: 40003 greyed; the group shows a usable card with the protection
// the request set. Newly blocked: string 113, 40003 greyed, only unblocking
// offered. Wrong code: string 111, 40003 greyed, ask again. Anything else:
// the error message, the settings dialog ends, 40003 left to the closing
// status check.
INSTANTIATE_TEST_SUITE_P(Rows, PinAnswerChoiceTest,
                         ::testing::Values(PinAnswerCase{0, 0, PinAnswerNext::Finish, true, 1, false},
                                           PinAnswerCase{17, 113, PinAnswerNext::Finish, true, 3, true},
                                           PinAnswerCase{19, 111, PinAnswerNext::AskAgain, true, 0, false},
                                           PinAnswerCase{8, 0, PinAnswerNext::Fail, false, 0, false},
                                           PinAnswerCase{9, 0, PinAnswerNext::Fail, false, 0, false},
                                           PinAnswerCase{12, 0, PinAnswerNext::Fail, false, 0, false},
                                           PinAnswerCase{22, 0, PinAnswerNext::Fail, false, 0, false},
                                           // Status answers are no answer to a PIN1 request.
                                           PinAnswerCase{1, 0, PinAnswerNext::Fail, false, 0, false},
                                           PinAnswerCase{3, 0, PinAnswerNext::Fail, false, 0, false}));

} // namespace
