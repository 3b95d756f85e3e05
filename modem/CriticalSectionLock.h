// A recursive lock that knows its owner and depth.
#pragma once

#include "common/Uncopyable.h"

#include <windows.h>

class CCriticalSectionLock : private CUncopyable {
public:
    CCriticalSectionLock();
    virtual ~CCriticalSectionLock();

    // Enters (waiting if another thread holds it); returns the caller's id.
    virtual DWORD Lock();
    // Leaves one level; does nothing when the caller does not hold the lock.
    virtual void Unlock();
    virtual bool IsLocked() const;
    virtual bool IsOwnedByCurrentThread() const;

private:
    CRITICAL_SECTION m_section;
    volatile DWORD m_ownerThreadId;
    volatile LONG m_count;
};

// Holds a CCriticalSectionLock for one scope.
class CCriticalSectionGuard : private CUncopyable {
public:
    explicit CCriticalSectionGuard(CCriticalSectionLock& lock) : m_lock(lock) { m_lock.Lock(); }
    ~CCriticalSectionGuard() { m_lock.Unlock(); }

private:
    CCriticalSectionLock& m_lock;
};
