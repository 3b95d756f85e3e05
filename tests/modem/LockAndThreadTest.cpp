#include "common/win/CriticalSection.h"
#include "modem/ThreadBase.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

TEST(CriticalSectionLockTest, CountsRecursionAndKnowsItsOwner)
{
    CCriticalSectionLock lock;
    EXPECT_FALSE(lock.IsLocked());
    EXPECT_EQ(GetCurrentThreadId(), lock.Lock());
    lock.Lock();
    EXPECT_TRUE(lock.IsOwnedByCurrentThread());
    lock.Unlock();
    EXPECT_TRUE(lock.IsLocked()) << "one level still held";
    lock.Unlock();
    EXPECT_FALSE(lock.IsLocked());
    EXPECT_FALSE(lock.IsOwnedByCurrentThread());
    lock.Unlock(); // one too many: nothing happens
    EXPECT_FALSE(lock.IsLocked());
}

TEST(CriticalSectionLockTest, OtherThreadWaitsUntilEveryLevelIsReleased)
{
    CCriticalSectionLock lock;
    lock.Lock();
    lock.Lock();
    std::atomic<bool> acquired{false};
    std::thread other([&] {
        lock.Lock();
        acquired = true;
        lock.Unlock();
    });
    Sleep(50);
    EXPECT_FALSE(acquired);
    lock.Unlock();
    Sleep(50);
    EXPECT_FALSE(acquired) << "released one of two levels only";
    lock.Unlock();
    other.join();
    EXPECT_TRUE(acquired);
}

TEST(CriticalSectionLockTest, UnlockFromAThreadThatDoesNotHoldItIsIgnored)
{
    CCriticalSectionLock lock;
    lock.Lock();
    std::thread stranger([&] {
        EXPECT_FALSE(lock.IsOwnedByCurrentThread());
        lock.Unlock();
    });
    stranger.join();
    EXPECT_TRUE(lock.IsLocked());
    EXPECT_TRUE(lock.IsOwnedByCurrentThread());
    lock.Unlock();
    EXPECT_FALSE(lock.IsLocked());
}

class GateThread : public IThreadBase {
public:
    GateThread() : gate(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~GateThread() override
    {
        SetEvent(gate);
        Wait(INFINITE, 0, nullptr);
        CloseHandle(gate);
    }
    DWORD Run(DWORD parameter) override
    {
        WaitForSingleObject(gate, INFINITE);
        return parameter * 2;
    }
    HANDLE gate;
};

TEST(ThreadBaseTest, RunsRunWithTheParameterAndReportsItsExitCode)
{
    GateThread thread;
    EXPECT_EQ(0, thread.Wait(0, 0, nullptr)) << "no thread yet";
    ASSERT_EQ(1, thread.Start(21, 0, THREAD_PRIORITY_NORMAL));
    EXPECT_EQ(0, thread.Start(1, 0, THREAD_PRIORITY_NORMAL)) << "one thread at a time";
    EXPECT_EQ(0, thread.Wait(0, 0, nullptr)) << "still waiting at its gate";

    SetEvent(thread.gate);
    DWORD exitCode = 0;
    EXPECT_EQ(1, thread.Wait(INFINITE, 0, &exitCode));
    EXPECT_EQ(42u, exitCode);
    EXPECT_EQ(0, thread.Wait(0, 0, nullptr)) << "the ended thread was released";
    ResetEvent(thread.gate);
    EXPECT_EQ(1, thread.Start(1, 0, THREAD_PRIORITY_NORMAL)) << "a new thread after the old one ended";
}

TEST(ThreadBaseTest, CloseOnTimeoutLetsGoOfARunningThread)
{
    GateThread thread;
    ASSERT_EQ(1, thread.Start(1, 0, THREAD_PRIORITY_NORMAL));
    EXPECT_EQ(0, thread.Wait(0, 1, nullptr));
    EXPECT_EQ(0, thread.Wait(INFINITE, 0, nullptr)) << "no handle left to wait on";
    SetEvent(thread.gate);
    // The abandoned thread still ends by itself; give it the chance before
    // the gate goes away.
    Sleep(50);
}

} // namespace
