#include "common/Delay.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::uint32_t> g_waits;

void RecordWait(std::uint32_t milliseconds)
{
    g_waits.push_back(milliseconds);
}

} // namespace

TEST(DelayTest, InstalledFunctionReceivesEveryWaitAndCanBeRemoved)
{
    g_waits.clear();
    DelayFunction before = SetDelayFunction(&RecordWait);
    Delay(1000);
    Delay(3000);
    EXPECT_EQ((std::vector<std::uint32_t>{1000, 3000}), g_waits);

    EXPECT_EQ(&RecordWait, SetDelayFunction(nullptr));
    DelayFunction restored = SetDelayFunction(before);
    EXPECT_NE(&RecordWait, restored) << "nullptr must bring back the real wait";
    Delay(0);
    EXPECT_EQ(2u, g_waits.size());
}
