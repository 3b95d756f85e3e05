#include "modem/CriticalSectionLock.h"

CCriticalSectionLock::CCriticalSectionLock() : m_ownerThreadId(0), m_count(0)
{
    InitializeCriticalSection(&m_section);
}

CCriticalSectionLock::~CCriticalSectionLock()
{
    DeleteCriticalSection(&m_section);
}

DWORD CCriticalSectionLock::Lock()
{
    EnterCriticalSection(&m_section);
    DWORD self = GetCurrentThreadId();
    m_ownerThreadId = self;
    ++m_count;
    return self;
}

void CCriticalSectionLock::Unlock()
{
    // Leaving a critical section that another thread holds corrupts it, so
    // a stray Unlock from a non-owner is ignored rather than passed on.
    if (m_count == 0 || !IsOwnedByCurrentThread())
        return;
    if (--m_count == 0)
        m_ownerThreadId = 0;
    LeaveCriticalSection(&m_section);
}

bool CCriticalSectionLock::IsLocked() const
{
    return m_count != 0;
}

bool CCriticalSectionLock::IsOwnedByCurrentThread() const
{
    return m_ownerThreadId == GetCurrentThreadId();
}
