// The stand-in driver's own rules, beyond what the program's handshake
// exercises: input checks, the session table, and sessions bound to handles.

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "ByteOrder.h"
#include "MiscDriverCore.h"

namespace MiscDriver {
namespace {

constexpr uintptr_t kOwner = 0x100;
constexpr uintptr_t kOtherOwner = 0x200;

uint32_t CountingRandom(void* context)
{
    uint32_t* state = static_cast<uint32_t*>(context);
    *state = *state * 1664525u + 1013904223u;
    return *state;
}

std::vector<uint8_t> Hello(uint32_t publicLow, size_t size = 160)
{
    std::vector<uint8_t> request(size, 0);
    std::memcpy(request.data(), "Ini1", 4);
    Crypto::StoreLe32(request.data() + 4, publicLow);
    return request;
}

std::vector<uint8_t> WithId(const char* magic, uint32_t id, size_t size)
{
    std::vector<uint8_t> request(size, 0);
    std::memcpy(request.data(), magic, 4);
    Crypto::StoreLe32(request.data() + 4, id);
    return request;
}

class MiscDriverCoreTest : public ::testing::Test {
protected:
    void SetUp() override { core->Initialize(&CountingRandom, &randomState); }
    void TearDown() override { core->Shutdown(); }

    MiscDriverStatus Send(uintptr_t owner, uint32_t code, const std::vector<uint8_t>& input, size_t outputSize = 160)
    {
        answer.assign(outputSize, 0);
        returned = 0xFFFFFFFF;
        return core->Dispatch(owner, code, input.empty() ? nullptr : input.data(), static_cast<uint32_t>(input.size()),
                              answer.empty() ? nullptr : answer.data(), static_cast<uint32_t>(answer.size()),
                              &returned);
    }

    // Opens a session in phase 1 and returns its id.
    uint32_t OpenSession(uintptr_t owner)
    {
        EXPECT_EQ(kStatusSuccess, Send(owner, kIoctlSession, Hello(32)));
        EXPECT_EQ(160u, returned);
        return Crypto::LoadLe32(answer.data());
    }

    uint32_t randomState = 42;
    std::unique_ptr<CMiscDriverCore> core{new CMiscDriverCore()};
    std::vector<uint8_t> answer;
    uint32_t returned = 0;
};

TEST_F(MiscDriverCoreTest, ProbeAnswersWithoutData)
{
    EXPECT_EQ(kStatusSuccess, Send(kOwner, kIoctlSession, {}, 0));
    EXPECT_EQ(0u, returned);
}

TEST_F(MiscDriverCoreTest, Phase1AnswerLayout)
{
    const uint32_t id = OpenSession(kOwner);
    EXPECT_NE(0u, id);
    EXPECT_EQ(0u, Crypto::LoadLe32(answer.data() + 132)) << "Yd's top word";
    EXPECT_NE(0u, Crypto::LoadLe32(answer.data() + 4)) << "Yd";
    EXPECT_EQ(1u, core->SessionCount());
}

TEST_F(MiscDriverCoreTest, RejectsUnusablePublicValues)
{
    std::vector<uint8_t> pMinusOne = Hello(0);
    for (size_t i = 0; i < 32; ++i)
        Crypto::StoreLe32(pMinusOne.data() + 4 + 4 * i, kGroupModulus[i]);
    pMinusOne[4] -= 1;
    std::vector<uint8_t> p = pMinusOne;
    p[4] += 1;
    std::vector<uint8_t> pMinusTwo = pMinusOne;
    pMinusTwo[4] -= 1;

    EXPECT_EQ(kStatusInvalidParameter, Send(kOwner, kIoctlSession, Hello(0))) << "0";
    EXPECT_EQ(kStatusInvalidParameter, Send(kOwner, kIoctlSession, Hello(1))) << "1";
    EXPECT_EQ(kStatusInvalidParameter, Send(kOwner, kIoctlSession, pMinusOne)) << "p - 1";
    EXPECT_EQ(kStatusInvalidParameter, Send(kOwner, kIoctlSession, p)) << "p";
    EXPECT_EQ(0u, core->SessionCount());
    EXPECT_EQ(kStatusSuccess, Send(kOwner, kIoctlSession, Hello(2))) << "2";
    EXPECT_EQ(kStatusSuccess, Send(kOwner, kIoctlSession, pMinusTwo)) << "p - 2";
}

TEST_F(MiscDriverCoreTest, WrongSizesAndSmallAnswerBuffersOpenNothing)
{
    EXPECT_EQ(kStatusInvalidParameter, Send(kOwner, kIoctlSession, Hello(32, 159)));
    EXPECT_EQ(kStatusInvalidParameter, Send(kOwner, kIoctlSession, Hello(32, 161)));
    EXPECT_EQ(kStatusBufferTooSmall, Send(kOwner, kIoctlSession, Hello(32), 159));
    EXPECT_EQ(0u, returned);
    EXPECT_EQ(0u, core->SessionCount());
}

TEST_F(MiscDriverCoreTest, WrongProofEndsTheSession)
{
    const uint32_t id = OpenSession(kOwner);
    EXPECT_EQ(kStatusAccessDenied, Send(kOwner, kIoctlSession, WithId("Ini2", id, 28), 20));
    EXPECT_EQ(0u, core->SessionCount());
    EXPECT_EQ(kStatusInvalidParameter, Send(kOwner, kIoctlSession, WithId("Ini2", id, 28), 20))
        << "no second guess on the same session";
    EXPECT_EQ(kStatusInvalidParameter, Send(kOwner, kIoctlSession, WithId("Ini3", id, 24), 8));
}

TEST_F(MiscDriverCoreTest, KeyBeforeProofIsRefused)
{
    const uint32_t id = OpenSession(kOwner);
    EXPECT_EQ(kStatusInvalidParameter, Send(kOwner, kIoctlSession, WithId("Ini3", id, 24), 8));
    EXPECT_EQ(1u, core->SessionCount());
}

TEST_F(MiscDriverCoreTest, SessionsBelongToTheirHandle)
{
    const uint32_t id = OpenSession(kOwner);
    std::vector<uint8_t> close(4);
    Crypto::StoreLe32(close.data(), id);

    EXPECT_EQ(kStatusInvalidParameter, Send(kOtherOwner, kIoctlSessionClose, close, 0));
    EXPECT_EQ(kStatusInvalidParameter, Send(kOtherOwner, kIoctlSession, WithId("Ini2", id, 28), 20))
        << "another handle cannot continue it";
    EXPECT_EQ(1u, core->SessionCount());
    EXPECT_EQ(kStatusAccessDenied, Send(kOwner, kIoctlSession, WithId("Ini2", id, 28), 20))
        << "the owner still reaches it";

    const uint32_t other = OpenSession(kOtherOwner);
    core->ReleaseOwner(kOtherOwner);
    Crypto::StoreLe32(close.data(), other);
    EXPECT_EQ(kStatusInvalidParameter, Send(kOtherOwner, kIoctlSessionClose, close, 0)) << "released with its handle";
}

TEST_F(MiscDriverCoreTest, CloseEndsOnlyThatSession)
{
    const uint32_t first = OpenSession(kOwner);
    OpenSession(kOwner);
    std::vector<uint8_t> close(4);
    Crypto::StoreLe32(close.data(), first);
    EXPECT_EQ(kStatusSuccess, Send(kOwner, kIoctlSessionClose, close, 0));
    EXPECT_EQ(1u, core->SessionCount());
    EXPECT_EQ(kStatusInvalidParameter, Send(kOwner, kIoctlSessionClose, close, 0));
}

TEST_F(MiscDriverCoreTest, TableHoldsAFixedNumberOfSessionsWithDistinctIds)
{
    std::set<uint32_t> ids;
    for (uint32_t i = 0; i < kMaxSessions; ++i)
        ids.insert(OpenSession(kOwner));
    EXPECT_EQ(kMaxSessions, ids.size());
    EXPECT_EQ(0u, ids.count(0));
    EXPECT_EQ(kStatusNoFreeSession, Send(kOwner, kIoctlSession, Hello(32)));

    core->ReleaseOwner(kOwner);
    EXPECT_EQ(0u, core->SessionCount());
    OpenSession(kOwner);
}

TEST_F(MiscDriverCoreTest, UnservedCodesAreInvalidRequests)
{
    EXPECT_EQ(kStatusInvalidRequest, Send(kOwner, 0x22200C, {}, 0));
    EXPECT_EQ(kStatusInvalidParameter, Send(kOwner, kIoctlSession, WithId("Ini9", 1, 28), 20));
}

} // namespace
} // namespace MiscDriver
