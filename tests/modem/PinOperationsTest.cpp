#include "modem/PinOperations.h"
#include "modem/SimCodes.h"
#include "tests/common/LogCapture.h"
#include "tests/modem/FakeGobiApi.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

// A value no operation writes, to see whether detail was touched.
const int kUntouched = -77;

enum class Op { Verify, Change, SetProtection, Unblock };

struct CodeCase {
    Op op;
    GobiResult libraryResult;
    int expectedResult;
    int expectedDetail;
    const char* expectedLog; // nullptr: nothing logged
};

std::ostream& operator<<(std::ostream& out, const CodeCase& c)
{
    static const char* const names[] = {"verify", "change", "set protection", "unblock"};
    return out << names[static_cast<int>(c.op)] << " answered " << c.libraryResult;
}

int RunOp(Op op, int& detail)
{
    switch (op) {
    case Op::Verify:
        return AtCpin("1234", nullptr, detail);
    case Op::Change:
        return AtCpwd("1234", "5678", detail);
    case Op::SetProtection:
        return AtClck("1234", detail, 1);
    case Op::Unblock:
        return AtCpin("12345678", "4321", detail);
    }
    return -1;
}

void Script(Op op, GobiResult result)
{
    switch (op) {
    case Op::Verify:
        g_fake.verifyResult = result;
        break;
    case Op::Change:
        g_fake.changeResult = result;
        break;
    case Op::SetProtection:
        g_fake.protectionResult = result;
        break;
    case Op::Unblock:
        g_fake.unblockResult = result;
        break;
    }
}

class PinOperationsTest : public ::testing::Test {
protected:
    void SetUp() override { InstallFakeGobiApi(); }
    void TearDown() override { RemoveFakeGobiApi(); }

    std::vector<std::string> Logged() const { return log.Messages(); }

    LogCapture log;
};

class PinCodeResultTest : public PinOperationsTest, public ::testing::WithParamInterface<CodeCase> {};

TEST_P(PinCodeResultTest, LibraryAnswerBecomesResultDetailAndLogLine)
{
    const CodeCase& c = GetParam();
    Script(c.op, c.libraryResult);
    int detail = kUntouched;
    EXPECT_EQ(c.expectedResult, RunOp(c.op, detail));
    EXPECT_EQ(c.expectedDetail, detail) << "detail is written only with 22";
    std::vector<std::string> expectedLog;
    if (c.expectedLog != nullptr)
        expectedLog.push_back(c.expectedLog);
    EXPECT_EQ(expectedLog, Logged());
    EXPECT_EQ(1u, g_fake.lastPinId) << "every call is about PIN1";
}

INSTANTIATE_TEST_SUITE_P(
    AllOperations, PinCodeResultTest,
    ::testing::Values(
        CodeCase{Op::Verify, 0, SIM_OK, kUntouched, nullptr},
        CodeCase{Op::Verify, 1012, SIM_WRONG_CODE, kUntouched, "AtCpin:FAIL (UIMVerifyPIN) (1012)"},
        CodeCase{Op::Verify, 1035, SIM_PIN_BLOCKED, kUntouched, "AtCpin:FAIL (UIMVerifyPIN) (1035)"},
        CodeCase{Op::Verify, 1036, SIM_FAILED, SIM_DETAIL_VERIFY, "AtCpin:FAIL (UIMVerifyPIN) (1036)"},
        CodeCase{Op::Change, 0, SIM_OK, kUntouched, nullptr},
        CodeCase{Op::Change, 1012, SIM_WRONG_CODE, kUntouched, "AtClck:FAIL (UIMChangePIN) (1012)"},
        CodeCase{Op::Change, 1035, SIM_PIN_BLOCKED, kUntouched, "AtClck:FAIL (UIMChangePIN) (1035)"},
        CodeCase{Op::Change, 7, SIM_FAILED, SIM_DETAIL_CHANGE, "AtClck:FAIL (UIMChangePIN) (7)"},
        CodeCase{Op::SetProtection, 0, SIM_OK, kUntouched, nullptr},
        CodeCase{Op::SetProtection, 1012, SIM_WRONG_CODE, kUntouched, "AtClck:FAIL (UIMSetPINProtection) (1012)"},
        CodeCase{Op::SetProtection, 1035, SIM_PIN_BLOCKED, kUntouched, "AtClck:FAIL (UIMSetPINProtection) (1035)"},
        CodeCase{Op::SetProtection, 1037, SIM_FAILED, SIM_DETAIL_SET_PROTECTION,
                 "AtClck:FAIL (UIMSetPINProtection) (1037)"},
        CodeCase{Op::Unblock, 0, SIM_OK, kUntouched, nullptr},
        CodeCase{Op::Unblock, 1012, SIM_WRONG_CODE, kUntouched, "AtCpin:FAIL (UIMUnblockPIN) (1012)"},
        // Unblocking knows no "blocked" answer: 1035 is just a failure.
        CodeCase{Op::Unblock, 1035, SIM_FAILED, SIM_DETAIL_UNBLOCK, "AtCpin:FAIL (UIMUnblockPIN) (1035)"},
        CodeCase{Op::Unblock, 1036, SIM_FAILED, SIM_DETAIL_UNBLOCK, "AtCpin:FAIL (UIMUnblockPIN) (1036)"}));

struct StatusCase {
    std::uint32_t status;
    int statusResult;
    int statusDetail;
    int protectionResult;
    int protectionDetail;
};

std::ostream& operator<<(std::ostream& out, const StatusCase& c)
{
    return out << "PIN status " << c.status;
}

class PinStatusValueTest : public PinOperationsTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(PinStatusValueTest, StatusAndProtectionQueriesReadTheValue)
{
    const StatusCase& c = GetParam();
    g_fake.status = c.status;
    int detail = kUntouched;
    EXPECT_EQ(c.statusResult, AtCpin(nullptr, nullptr, detail)) << "status query";
    EXPECT_EQ(c.statusDetail, detail) << "status query";
    detail = kUntouched;
    EXPECT_EQ(c.protectionResult, AtClck(nullptr, detail, 0)) << "protection query";
    EXPECT_EQ(c.protectionDetail, detail) << "protection query";
    EXPECT_TRUE(Logged().empty());
}

INSTANTIATE_TEST_SUITE_P(
    StatusValues0To7, PinStatusValueTest,
    ::testing::Values(StatusCase{0, SIM_FAILED, SIM_DETAIL_STATUS_QUERY, SIM_PROTECTION_ON, kUntouched},
                      StatusCase{1, SIM_PIN_VERIFY_REQUIRED, kUntouched, SIM_PROTECTION_ON, kUntouched},
                      StatusCase{2, SIM_PIN_READY, kUntouched, SIM_PROTECTION_ON, kUntouched},
                      StatusCase{3, SIM_PIN_READY, kUntouched, SIM_PROTECTION_OFF, kUntouched},
                      StatusCase{4, SIM_PUK_REQUIRED, kUntouched, SIM_PROTECTION_ON, kUntouched},
                      StatusCase{5, SIM_PIN_READY, kUntouched, SIM_PROTECTION_ON, kUntouched},
                      StatusCase{6, SIM_FAILED, SIM_DETAIL_STATUS_QUERY, SIM_FAILED, SIM_DETAIL_PROTECTION_QUERY},
                      StatusCase{7, SIM_FAILED, SIM_DETAIL_STATUS_QUERY, SIM_FAILED, SIM_DETAIL_PROTECTION_QUERY}));

TEST_F(PinOperationsTest, StatusQueryTellsAMissingCardFromOtherFailures)
{
    int detail = kUntouched;
    g_fake.statusResult = 1037;
    EXPECT_EQ(SIM_NOT_INITIALIZED, AtCpin(nullptr, nullptr, detail));
    g_fake.statusResult = 1;
    EXPECT_EQ(SIM_STATUS_FAILED, AtCpin(nullptr, nullptr, detail));
    g_fake.statusResult = 1037;
    EXPECT_EQ(SIM_STATUS_FAILED, AtClck(nullptr, detail, 0)) << "the protection query does not tell them apart";
    EXPECT_EQ(kUntouched, detail);
    EXPECT_EQ((std::vector<std::string>{"AtCpin:FAIL (UIMGetPINStatus) (1003)", "AtCpin:FAIL (UIMGetPINStatus) (1)",
                                        "AtClck:FAIL (UIMGetPINStatus) (1037)"}),
              Logged());
}

TEST_F(PinOperationsTest, AttemptsLeftAreWrittenOnlyOnSuccess)
{
    g_fake.verifyLeft = 2;
    g_fake.unblockLeft = 0;
    int detail = kUntouched;
    int verifyLeft = -1;
    int unblockLeft = -1;
    EXPECT_EQ(SIM_OK, AtOercn(detail, verifyLeft, unblockLeft));
    EXPECT_EQ(2, verifyLeft);
    EXPECT_EQ(0, unblockLeft);

    g_fake.statusResult = 1037;
    g_fake.verifyLeft = 9;
    verifyLeft = -1;
    unblockLeft = -1;
    EXPECT_EQ(SIM_FAILED, AtOercn(detail, verifyLeft, unblockLeft));
    EXPECT_EQ(SIM_DETAIL_RETRIES, detail);
    EXPECT_EQ(-1, verifyLeft) << "counters untouched after a failed call";
    EXPECT_EQ(-1, unblockLeft);
    EXPECT_EQ(std::vector<std::string>{"AtOercn:FAIL (UIMGetPINStatus) (1037)"}, Logged());
}

TEST_F(PinOperationsTest, EmptySlotCountsAsCode9)
{
    g_gobiApi.UIMVerifyPIN = nullptr;
    g_gobiApi.UIMGetPINStatus = nullptr;
    g_gobiApi.UIMUnblockPIN = nullptr;
    int detail = kUntouched;
    EXPECT_EQ(SIM_FAILED, AtCpin("1234", nullptr, detail));
    EXPECT_EQ(SIM_DETAIL_VERIFY, detail);
    EXPECT_EQ(SIM_STATUS_FAILED, AtCpin(nullptr, nullptr, detail));
    EXPECT_EQ(SIM_FAILED, AtCpin("12345678", "1234", detail));
    EXPECT_EQ(SIM_DETAIL_UNBLOCK, detail);
    EXPECT_EQ((std::vector<std::string>{"AtCpin:FAIL (UIMVerifyPIN) (9)", "AtCpin:FAIL (UIMGetPINStatus) (9)",
                                        "AtCpin:FAIL (UIMUnblockPIN) (9)"}),
              Logged());
}

TEST_F(PinOperationsTest, TextsReachTheLibraryInTheirRoles)
{
    int detail = kUntouched;
    AtCpin("12345678", "4321", detail);
    EXPECT_EQ("12345678", g_fake.lastFirst) << "PUK first";
    EXPECT_EQ("4321", g_fake.lastSecond) << "new PIN1 second";
    AtCpwd("1111", "2222", detail);
    EXPECT_EQ("1111", g_fake.lastFirst);
    EXPECT_EQ("2222", g_fake.lastSecond);
    EXPECT_EQ(SIM_BAD_PARAMETER, AtCpin(nullptr, "4321", detail)) << "a new PIN without a PUK";
    EXPECT_EQ(1, g_fake.unblockCalls);
    EXPECT_EQ(0, g_fake.verifyCalls);
}

TEST_F(PinOperationsTest, ProtectionIsSwitchedOnOnlyForEnable1)
{
    int detail = kUntouched;
    AtClck("1234", detail, 1);
    EXPECT_EQ(1u, g_fake.lastEnable);
    AtClck("1234", detail, 0);
    EXPECT_EQ(0u, g_fake.lastEnable);
    AtClck("1234", detail, 2);
    EXPECT_EQ(0u, g_fake.lastEnable) << "the service stores the flag as 0 or 1; anything else is off here";
}

} // namespace
