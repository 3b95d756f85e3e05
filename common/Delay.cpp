#include "common/Delay.h"

#include <windows.h>

#include <atomic>

namespace {

void SleepDelay(std::uint32_t milliseconds)
{
    ::Sleep(milliseconds);
}

// A worker thread may wait while a test swaps the function.
std::atomic<DelayFunction> g_delay{&SleepDelay};

} // namespace

void Delay(std::uint32_t milliseconds)
{
    g_delay.load()(milliseconds);
}

DelayFunction SetDelayFunction(DelayFunction f)
{
    return g_delay.exchange(f != nullptr ? f : &SleepDelay);
}
