// Holder of one Win32 mutex, created on first use. The dialogs use a private
// unnamed one to keep a second thread from opening or closing them at the
// same time; start-up uses named ones as its single-instance guard.
#pragma once

#include <windows.h>

class CMutexLock {
public:
    // name: empty or nullptr for an unnamed mutex; at most 260 characters are kept.
    explicit CMutexLock(const wchar_t* name = L"", DWORD timeout = 0);
    // Releases one hold (result ignored) and closes the handle.
    virtual ~CMutexLock();
    CMutexLock(const CMutexLock&) = delete;
    CMutexLock& operator=(const CMutexLock&) = delete;

    static constexpr int kAcquired = 0;
    static constexpr int kCreateFailed = -1;
    static constexpr int kNotAcquired = -2;

    // Creates the mutex if needed and waits m_dwTimeout (or timeout) for it.
    // Only WAIT_OBJECT_0 counts as acquired; an abandoned mutex counts as held
    // elsewhere, but the ownership the wait handed over is given back, so the
    // refusal leaves no hold behind.
    int Lock();
    int Lock(DWORD timeout);
    void Unlock();

    HANDLE Handle() const { return m_hMutex; }
    DWORD Timeout() const { return m_dwTimeout; }
    void SetTimeout(DWORD timeout) { m_dwTimeout = timeout; }

private:
    HANDLE m_hMutex = nullptr;
    DWORD m_dwTimeout = 0;
    wchar_t m_szName[MAX_PATH + 1] = {};
};

// Holds a CMutexLock for one scope when the wait succeeds: every return
// path after a successful Lock gives the hold back.
class CMutexLockHolder {
public:
    explicit CMutexLockHolder(CMutexLock& lock) : m_lock(lock), m_result(lock.Lock()) {}
    CMutexLockHolder(CMutexLock& lock, DWORD timeout) : m_lock(lock), m_result(lock.Lock(timeout)) {}
    ~CMutexLockHolder()
    {
        if (Acquired())
            m_lock.Unlock();
    }
    CMutexLockHolder(const CMutexLockHolder&) = delete;
    CMutexLockHolder& operator=(const CMutexLockHolder&) = delete;

    bool Acquired() const { return m_result == CMutexLock::kAcquired; }

private:
    CMutexLock& m_lock;
    const int m_result;
};
