#include "sim/wmi/EntityEnumeration.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/wmi/WbemCodes.h"

namespace simwmi {
namespace {

constexpr std::int32_t kClientTimeout = 5000;

std::vector<Entity> Entities(std::size_t count)
{
    std::vector<Entity> entities;
    for (std::size_t i = 0; i < count; ++i)
        entities.push_back(ParseEntity(L"svc|entity " + std::to_wstring(i)));
    return entities;
}

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

// The results of `calls` single-object Next calls, as hex.
std::vector<std::string> Results(EntityEnumeration& enumeration, int calls, std::int32_t timeout = kClientTimeout)
{
    std::vector<std::string> results;
    for (int i = 0; i < calls; ++i)
        results.push_back(Hex(enumeration.Next(timeout, 1).result));
    return results;
}

const std::string kOk = Hex(kWbemNoError);
const std::string kEnd = Hex(kWbemFalse);
const std::string kTimedOut = Hex(kWbemTimedOut);

TEST(EntityEnumerationTest, HandsOutEachEntityOnceThenKeepsSayingEnd)
{
    EntityEnumeration enumeration(Entities(2), NextScript{});
    NextAnswer first = enumeration.Next(kClientTimeout, 1);
    NextAnswer second = enumeration.Next(kClientTimeout, 1);
    EXPECT_EQ(kWbemNoError, first.result);
    EXPECT_EQ(0u, first.first);
    EXPECT_EQ(1u, first.count);
    EXPECT_EQ(1u, second.first);
    EXPECT_EQ(L"entity 1", enumeration.At(second.first).caption.text);
    for (int i = 0; i < 2; ++i) {
        NextAnswer end = enumeration.Next(kClientTimeout, 1);
        EXPECT_EQ(kWbemFalse, end.result) << "call " << i << " after the last entity";
        EXPECT_EQ(0u, end.count);
    }
}

TEST(EntityEnumerationTest, EmptyListEndsAtOnce)
{
    EntityEnumeration enumeration({}, NextScript{});
    EXPECT_EQ((std::vector<std::string>{kEnd, kEnd}), Results(enumeration, 2));
}

TEST(EntityEnumerationTest, TimeoutsComeBeforeEveryAnswerIncludingTheEnd)
{
    NextScript script;
    script.timeoutsBefore = 2;
    EntityEnumeration enumeration(Entities(1), script);
    EXPECT_EQ((std::vector<std::string>{kTimedOut, kTimedOut, kOk, kTimedOut, kTimedOut, kEnd}),
              Results(enumeration, 6));
}

TEST(EntityEnumerationTest, TimedOutAnswerCarriesNoObject)
{
    NextScript script;
    script.timeoutsBefore = 1;
    EntityEnumeration enumeration(Entities(1), script);
    NextAnswer answer = enumeration.Next(kClientTimeout, 1);
    EXPECT_EQ(kWbemTimedOut, answer.result);
    EXPECT_EQ(0u, answer.count);
    EXPECT_EQ(1u, enumeration.Next(kClientTimeout, 1).count) << "the entity was not lost";
}

TEST(EntityEnumerationTest, CallerWaitingForEverSitsThroughTheTimeouts)
{
    NextScript script;
    script.timeoutsBefore = 3;
    EntityEnumeration enumeration(Entities(1), script);
    EXPECT_EQ((std::vector<std::string>{kOk, kEnd}), Results(enumeration, 2, kWbemInfinite));
}

TEST(EntityEnumerationTest, ZeroTimeoutStillSeesTheTimeouts)
{
    NextScript script;
    script.timeoutsBefore = 1;
    EntityEnumeration enumeration(Entities(1), script);
    EXPECT_EQ((std::vector<std::string>{kTimedOut, kOk}), Results(enumeration, 2, 0));
}

class PersistentErrorTest : public testing::TestWithParam<std::uint32_t> {};

TEST_P(PersistentErrorTest, EveryCallAnswersTheErrorWithoutObjects)
{
    NextScript script;
    script.error = GetParam();
    script.timeoutsBefore = 1; // the error outranks the slow spell
    EntityEnumeration enumeration(Entities(2), script);
    for (int i = 0; i < 5; ++i) {
        NextAnswer answer = enumeration.Next(kClientTimeout, 1);
        EXPECT_EQ(GetParam(), answer.result) << "call " << i;
        EXPECT_EQ(0u, answer.count) << "call " << i;
    }
}

// WBEM_E_FAILED, RPC_E_DISCONNECTED, and a success code that never ends:
// WBEM_S_TIMEDOUT for ever.
INSTANTIATE_TEST_SUITE_P(Codes, PersistentErrorTest, testing::Values(kWbemFailed, 0x80010108u, kWbemTimedOut));

TEST(EntityEnumerationTest, BatchShortOfTheRequestEndsWithFalseAndItsObjects)
{
    EntityEnumeration enumeration(Entities(3), NextScript{});
    NextAnswer full = enumeration.Next(kClientTimeout, 2);
    EXPECT_EQ(kWbemNoError, full.result);
    EXPECT_EQ(2u, full.count);
    NextAnswer shortBatch = enumeration.Next(kClientTimeout, 2);
    EXPECT_EQ(kWbemFalse, shortBatch.result);
    EXPECT_EQ(2u, shortBatch.first);
    EXPECT_EQ(1u, shortBatch.count);
}

TEST(EntityEnumerationTest, AskingForNothingConsumesNothing)
{
    NextScript script;
    script.timeoutsBefore = 1;
    EntityEnumeration enumeration(Entities(1), script);
    NextAnswer nothing = enumeration.Next(kClientTimeout, 0);
    EXPECT_EQ(kWbemNoError, nothing.result);
    EXPECT_EQ(0u, nothing.count);
    EXPECT_EQ((std::vector<std::string>{kTimedOut, kOk}), Results(enumeration, 2));
}

struct DelayCase {
    std::uint32_t delayMs;
    std::int32_t timeoutMs;
    std::uint32_t sleepMs;
};

class DelayTest : public testing::TestWithParam<DelayCase> {};

TEST_P(DelayTest, SleepsTheDelayButNoLongerThanTheTimeout)
{
    const DelayCase& c = GetParam();
    NextScript script;
    script.delayMs = c.delayMs;
    EntityEnumeration enumeration(Entities(1), script);
    EXPECT_EQ(c.sleepMs, enumeration.Next(c.timeoutMs, 1).sleepMs)
        << "delay " << c.delayMs << " timeout " << c.timeoutMs;
    EXPECT_EQ(c.sleepMs, enumeration.Next(c.timeoutMs, 1).sleepMs) << "at the end as well";
}

INSTANTIATE_TEST_SUITE_P(Table, DelayTest,
                         testing::Values(DelayCase{0, 5000, 0}, DelayCase{300, 5000, 300}, DelayCase{8000, 5000, 5000},
                                         DelayCase{300, 0, 0}, DelayCase{8000, kWbemInfinite, 8000}));

TEST(EntityEnumerationTest, NegativeTimeoutOtherThanInfiniteIsRejected)
{
    EntityEnumeration enumeration(Entities(1), NextScript{});
    EXPECT_EQ(kWbemInvalidParameter, enumeration.Next(-2, 1).result);
    EXPECT_EQ(kWbemNoError, enumeration.Next(kClientTimeout, 1).result) << "nothing consumed";
}

TEST(EntityEnumerationTest, ClearedEnumerationOnlyEnds)
{
    EntityEnumeration enumeration(Entities(2), NextScript{});
    enumeration.Next(kClientTimeout, 1);
    enumeration.Clear();
    EXPECT_EQ((std::vector<std::string>{kEnd}), Results(enumeration, 1));
}

} // namespace
} // namespace simwmi
