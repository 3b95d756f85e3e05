#pragma once
// A critical section that counts its entries, and the scoped holder that
// leaves it on every return path. Re-entrant for the thread that holds it.

#include <windows.h>

#include "common/Uncopyable.h"

class CCritical : private CUncopyable {
public:
    CCritical();
    ~CCritical();

    void Enter();
    void Leave();
    // Entries not yet left, by whichever thread holds it (0 when free).
    LONG Entries() const { return _entries; }

private:
    CRITICAL_SECTION _section;
    volatile LONG _entries;
};

class CCriticalHelper : private CUncopyable {
public:
    explicit CCriticalHelper(CCritical& critical) : _critical(critical) { _critical.Enter(); }
    ~CCriticalHelper() { _critical.Leave(); }

private:
    CCritical& _critical;
};
