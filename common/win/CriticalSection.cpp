#include "common/win/CriticalSection.h"

CCriticalSectionCore::CCriticalSectionCore() : _ownerThreadId(0), _entries(0)
{
    ::InitializeCriticalSection(&_section);
}

CCriticalSectionCore::~CCriticalSectionCore()
{
    ::DeleteCriticalSection(&_section);
}

DWORD CCriticalSectionCore::Enter()
{
    ::EnterCriticalSection(&_section);
    const DWORD self = ::GetCurrentThreadId();
    _ownerThreadId = self;
    ++_entries;
    return self;
}

void CCriticalSectionCore::Leave()
{
    if (--_entries == 0)
        _ownerThreadId = 0;
    ::LeaveCriticalSection(&_section);
}

void CCriticalSectionLock::Unlock()
{
    // Leaving a critical section that another thread holds corrupts it, so
    // a stray Unlock from a non-owner is ignored rather than passed on.
    if (m_core.Entries() == 0 || !m_core.IsOwnedByCurrentThread())
        return;
    m_core.Leave();
}
