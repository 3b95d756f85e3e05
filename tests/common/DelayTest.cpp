#include "common/Delay.h"
#include "tests/support/RecordedDelays.h"

#include <gtest/gtest.h>

#include <vector>

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
