#pragma once
// Every Delay of the code under test lands in g_waits instead of sleeping,
// for as long as a RecordedDelays lives; g_onWait, when set, sees each wait
// as it happens (to change the world in the middle of a retry loop).

#include <cstdint>
#include <functional>
#include <vector>

#include "common/Delay.h"

inline std::vector<std::uint32_t> g_waits;
inline std::function<void(std::uint32_t)> g_onWait;

inline void RecordWait(std::uint32_t milliseconds)
{
    g_waits.push_back(milliseconds);
    if (g_onWait)
        g_onWait(milliseconds);
}

class RecordedDelays {
public:
    RecordedDelays() : previous_(SetDelayFunction(&RecordWait))
    {
        g_waits.clear();
        g_onWait = nullptr;
    }
    ~RecordedDelays()
    {
        SetDelayFunction(previous_);
        g_onWait = nullptr;
    }
    RecordedDelays(const RecordedDelays&) = delete;
    RecordedDelays& operator=(const RecordedDelays&) = delete;

private:
    DelayFunction previous_;
};
