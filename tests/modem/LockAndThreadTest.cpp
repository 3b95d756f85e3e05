#include "common/win/CriticalSection.h"
#include "modem/ThreadBase.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

// Guards a wait on another thread against a hang; no speed is judged.
constexpr DWORD kThreadWaitMs = 20000;

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
    // The other thread notes how many levels the holder had given back when
    // it got in; only both may be. Nothing waits for a time, so a sound lock
    // never fails, but a lock that opens one level early is seen only when
    // the other thread wakes before this one writes the next note; the
    // lock's own count after the first release is checked for certain.
    CCriticalSectionLock lock;
    lock.Lock();
    lock.Lock();
    std::atomic<int> released{0};
    std::atomic<int> releasedWhenAcquired{-1};
    HANDLE waiting = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, waiting);
    std::thread other([&] {
        SetEvent(waiting);
        lock.Lock();
        releasedWhenAcquired = released.load();
        lock.Unlock();
    });
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(waiting, kThreadWaitMs));
    CloseHandle(waiting);
    released = 1;
    lock.Unlock();
    EXPECT_TRUE(lock.IsLocked() && lock.IsOwnedByCurrentThread()) << "one of two levels released the lock";
    released = 2;
    lock.Unlock();
    other.join();
    EXPECT_EQ(2, releasedWhenAcquired) << "the other thread got in with a level still held";
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
    GateThread()
        : gate(CreateEventW(nullptr, TRUE, FALSE, nullptr)), passed(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
    }
    ~GateThread() override
    {
        SetEvent(gate);
        Wait(INFINITE, 0, nullptr);
        CloseHandle(gate);
        CloseHandle(passed);
    }
    DWORD Run(DWORD parameter) override
    {
        WaitForSingleObject(gate, INFINITE);
        // The last touch of the object: a thread let go of may still be
        // here, and its owner waits for this before the object goes.
        SetEvent(passed);
        return parameter * 2;
    }
    HANDLE gate;
    HANDLE passed;
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
    // The abandoned thread still ends by itself, past the gate and the
    // object it reads the gate from.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.passed, kThreadWaitMs));
}

} // namespace
