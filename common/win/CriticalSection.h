// The process's critical-section locks, on one core: a critical section that
// counts its entries and knows its owner. Re-entrant for the thread that
// holds it. CCritical (with the scoped CCriticalHelper) is the registry
// layer's lock; CCriticalSectionLock (with CCriticalSectionGuard) is the SIM
// service's and the session notification's, which may be asked to leave by a
// thread that does not hold it.
#pragma once

#include "common/Uncopyable.h"

#include <windows.h>

class CCriticalSectionCore : private CUncopyable {
public:
    CCriticalSectionCore();
    ~CCriticalSectionCore();

    // Enters (waiting if another thread holds it); returns the caller's id.
    DWORD Enter();
    // Leaves one level; only the holder may call it.
    void Leave();
    // Entries not yet left, by whichever thread holds it (0 when free).
    LONG Entries() const { return _entries; }
    bool IsOwnedByCurrentThread() const { return _ownerThreadId == ::GetCurrentThreadId(); }

private:
    CRITICAL_SECTION _section;
    volatile DWORD _ownerThreadId;
    volatile LONG _entries;
};

class CCritical : private CUncopyable {
public:
    void Enter() { _core.Enter(); }
    void Leave() { _core.Leave(); }
    LONG Entries() const { return _core.Entries(); }

private:
    CCriticalSectionCore _core;
};

// Holds a lock for one scope: takes it on construction, gives it back on
// destruction, on every return path.
template <typename L, auto Take, auto Give>
class CScopedLockT : private CUncopyable {
public:
    explicit CScopedLockT(L& lock) : _lock(lock) { (_lock.*Take)(); }
    ~CScopedLockT() { (_lock.*Give)(); }

private:
    L& _lock;
};

using CCriticalHelper = CScopedLockT<CCritical, &CCritical::Enter, &CCritical::Leave>;

class CCriticalSectionLock : private CUncopyable {
public:
    CCriticalSectionLock() = default;
    virtual ~CCriticalSectionLock() = default;

    // Enters (waiting if another thread holds it); returns the caller's id.
    virtual DWORD Lock() { return m_core.Enter(); }
    // Leaves one level; does nothing when the caller does not hold the lock.
    virtual void Unlock();
    virtual bool IsLocked() const { return m_core.Entries() != 0; }
    virtual bool IsOwnedByCurrentThread() const { return m_core.IsOwnedByCurrentThread(); }

private:
    CCriticalSectionCore m_core;
};

using CCriticalSectionGuard =
    CScopedLockT<CCriticalSectionLock, &CCriticalSectionLock::Lock, &CCriticalSectionLock::Unlock>;
